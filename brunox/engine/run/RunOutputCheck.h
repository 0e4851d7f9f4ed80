#pragma once
// Whether what a run writes would replace what it reads: a statement log or report named like
// the project file or a file the tasks read would leave the user with the run's output in place
// of the project, its values or its script. Checked before a run starts, in console mode and in
// the window alike.
#include <string>

class Project;

// "" when no file the run writes (the statement log and the four reports, their date and time
// macros expanded) is the project file, a task's value file or, with UseFileSQL, its script
// file; else a text that names both files. Names are compared as the system resolves them:
// links and ".." followed, a file that does not exist yet by its folder and name.
std::wstring RunOutputReplacingInput(const Project& project);
