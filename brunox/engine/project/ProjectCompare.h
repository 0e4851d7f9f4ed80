#pragma once
// Compares what a project file keeps of two projects: tells whether reading back a saved project
// gives the project that was saved.
#include <string>

class Project;

// The name of the first field kept in the project file that differs ("Tasks[1].Params[0].PropTo"),
// "" when there is none. Run-time fields, Path and Saved are not compared; a counter slot's
// Enabled is compared as the flag the file stores.
std::wstring SavedFieldDifference(const Project& a, const Project& b);
