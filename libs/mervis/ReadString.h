#pragma once
// Line-by-line reading of a text file opened with fopen (binary mode).
#include <cstdio>
#include <string>

// Reads the next line into `line`, without its end (LF or CR LF). `ansi` 1: 8-bit text, UTF-8
// when the line is valid UTF-8, else Latin-1. `ansi` 0: UTF-16LE; a byte-order mark at the very
// start of the file is skipped, so the caller may or may not have skipped it already. False at
// the end of the file; a last line without a line end is still a line.
bool ReadString(std::FILE* file, std::wstring* line, int ansi);
