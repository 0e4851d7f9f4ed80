#pragma once
// Whether the user's locale writes a date's month before its day (as in 12/25/2001) or its day
// before its month (25.12.2001): how an expression reads a nested date that comes without a
// format and could be read either way (01.02.2001).
//
// The order is that of the locale's date format (LC_TIME's D_FMT): month first when the month is
// its first field; day first otherwise, and also for a year-first format, whose two-digit parts
// follow the year as month and day. A process without a locale of its own ("C", "POSIX",
// "C.UTF-8" or none set) reads day first, as the engine always has.
#include <string>

#include "synthor/engine/SynthorExport.h"

enum class DateOrder { kDayFirst, kMonthFirst };

// The order of the locale named `name` (e.g. "en_US.UTF-8"); "" is the user's locale as the
// environment names it (LC_ALL, else LC_TIME, else LANG). A locale that cannot be loaded reads
// day first. Reads the locale on its own, never through the process's global locale, so any
// thread may call it.
SYNTHOR_API DateOrder DateOrderOfLocale(const std::string& name);

// The user's order: read once, on first use, and kept for the process. Worker threads render
// values at the same time; none of them touches the process locale.
SYNTHOR_API DateOrder LocaleDateOrder();
