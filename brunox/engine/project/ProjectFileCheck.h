#pragma once
// Whether a file named as a project is one. Loading is lenient on purpose (a missing key takes
// its default), so a wrong file would otherwise load as an empty project and fail later with a
// message about something else, such as an empty connection.
#include <string>

// "" when `path` is a readable project file; else a text that names the file and what is wrong
// with it (not found, a folder or FIFO, unreadable, empty, binary, no [Package] section).
std::wstring ProjectFileProblem(const std::wstring& path);
