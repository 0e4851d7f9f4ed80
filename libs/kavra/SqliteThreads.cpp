// SQLite for many threads, set once for the whole process.
//
// SQLite keeps memory statistics behind one process-wide mutex that every allocation of every
// connection takes: threads that each have their own connection then queue behind one another
// in prepare and malloc, and eight threads ran slower than one. The statistics are only
// statistics; nothing here reads them. The setting is refused once SQLite has been initialised,
// and the ODBC driver, the file provider and the data library's SQLite reader all share the
// process's one libsqlite3, so it is made while this library is loaded, before any of them can
// open a database.
//
// The connections keep SQLite's own per-connection mutexes (the default, serialised mode): the
// runner cancels a late statement from its master thread, and the SQLite ODBC driver's cancel
// both interrupts and resets the statement the worker is running, so one connection is used by
// two threads at once there.
#include <sqlite3.h>

namespace {

[[maybe_unused]] const int kMemoryStatisticsOff = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

}  // namespace
