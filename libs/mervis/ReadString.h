#pragma once
// Line-by-line reading of a text file opened with fopen (binary mode).
#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/TextFile.h"
#include "platform/UserFile.h"

// Reads the next line into `line`, without its end (LF or CR LF), in the encoding `mark` names
// (platform::ReadByteOrderMark): 8-bit text without a mark, else UTF-8, UTF-16LE or UTF-16BE.
// A UTF-16 mark at the very start of the file is skipped, so the caller may or may not have
// skipped it already. False at the end of the file; a last line without a line end is still a
// line.
// A line of more than `maxBytes` bytes (line end excluded) is not read into memory: the call
// returns false with `line` empty and `*tooLong` set, and the file is left somewhere inside that
// line, so the caller ends its reading there.
bool ReadString(std::FILE* file, std::wstring* line, const platform::ByteOrderMark& mark,
                std::size_t maxBytes = platform::kUserLineMaxBytes, bool* tooLong = nullptr);
// `ansi` 1: 8-bit text, UTF-8 when the line is valid UTF-8, else Latin-1. `ansi` 0: UTF-16LE.
bool ReadString(std::FILE* file, std::wstring* line, int ansi,
                std::size_t maxBytes = platform::kUserLineMaxBytes, bool* tooLong = nullptr);
