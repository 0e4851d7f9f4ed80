#pragma once
// Internal to kavra: which ODBC entry points the driver behind a connection description has.
#include "kavra/ConnInfo.h"

namespace kavra_odbc {

// True when the driver has no wide (W) entry points, so that text must travel as UTF-8 through
// the ANSI ones (see OdbcSupport.h). False when the driver cannot be found: the driver manager
// then reports that at connect time.
bool DriverIsNarrow(const CONN_INFO& info);

}  // namespace kavra_odbc
