#pragma once
// The attributes of an ODBC connection string: "key=value;key={value; with braces}}}".
// A value in braces may hold ';' and writes a '}' as "}}".
#include <string>
#include <vector>

struct ConnStringPart {
  std::wstring Key;     // trimmed
  size_t ValueBegin;    // the value as written: from just after '=' up to the ';' or the end
  size_t ValueEnd;
};

// The parts in order; segments without '=' are skipped. An unclosed brace runs to the end.
std::vector<ConnStringPart> ParseConnString(const std::wstring& s);
// The value of the first attribute named `key` (any case), trimmed and without its braces;
// "" when there is none.
std::wstring ConnStringValue(const std::wstring& s, const std::wstring& key);

// True for the keys whose value is a password (PWD, Password; any case).
bool IsPasswordKey(const std::wstring& key);
// `s` with the value of every password key replaced by `mask`, for showing it to a person.
std::wstring MaskPasswords(const std::wstring& s, const std::wstring& mask);
// The connection string a person edited in its masked form: a password value still equal to
// `mask` is the value `original` holds for that key; a changed one is taken as edited.
std::wstring UnmaskPasswords(const std::wstring& edited, const std::wstring& original,
                             const std::wstring& mask);
