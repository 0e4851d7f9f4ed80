// The engine's process-wide switches and its text helpers.
#include <atomic>

#include "platform/Text.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"

namespace {

std::atomic<int> g_checkSyntaxMode{0};

struct HelpPage {
  const wchar_t* keyword;
  const wchar_t* page;
};

// First match wins, so longer names come before their prefixes.
constexpr HelpPage kHelpPages[] = {
    {L"$rdate", L"rdate.html"},         {L"$rintn", L"rintn.html"},
    {L"$rint", L"rint.html"},           {L"$rstringn", L"rstringn.html"},
    {L"$rstring", L"rstring.html"},     {L"$rfloat", L"rfloat.html"},
    {L"$rtime", L"rtime.html"},         {L"$libgroup", L"libgroup.html"},
    {L"$lib", L"library_item.html"},    {L"$filegroup", L"filegroup.html"},
    {L"$file", L"file.html"},           {L"$query", L"query.html"},
    {L"$today", L"today.html"},         {L"$now", L"now.html"},
    {L"$ifr", L"ifr.html"},             {L"$if", L"if.html"},
    {L"$incchar", L"incchar.html"},     {L"$incfloat", L"incfloat.html"},
    {L"$incdate", L"incdate.html"},     {L"$inctime", L"inctime.html"},
    {L"$inc(", L"inc.html"},            {L"$format", L"format.html"},
    {L"$guid", L"guid.html"},           {L"$listn(", L"listn.html"},
    {L"$list(", L"listf.html"},         {L"$listpattern", L"listpattern.html"},
    {L"$call", L"call.html"},           {L"$lower", L"lower.html"},
    {L"$first", L"first.html"},         {L"$last", L"$last.html"},
    {L"$old", L"old.html"},             {L"$msexcel", L"excel.html"},
    {L"$table", L"table.html"},         {L"$regexp", L"regexp.html"},
    {L"$byexample", L"byexample.html"}, {L"$blob", L"blob.html"},
    {L"$xml", L"blob.html"},            {L"$json", L"json.html"},
    {L"$repeat", L"repeat.html"},       {L"$uniq", L"unique.html"},
    {L"$trunc", L"truncate.html"},
};

}  // namespace

int DSynthor::GetCheckSyntaxMode() { return g_checkSyntaxMode.load(); }

void DSynthor::SetCheckSyntaxMode(int mode) { g_checkSyntaxMode.store(mode); }

std::wstring DSynthor::QuoteForGenerator(const std::wstring& text) {
  // Every character that starts or ends a construct somewhere: an escaped character is always
  // literal, so the text stays itself wherever a pattern is read, inside an optional block too.
  static constexpr std::wstring_view kSpecial = L"#()@ANX\\a$<>[]{}|";
  std::wstring quoted;
  quoted.reserve(text.size());
  for (const wchar_t c : text) {
    if (kSpecial.find(c) != std::wstring_view::npos) quoted += L'\\';
    quoted += c;
  }
  return quoted;
}

std::wstring DSynthor::HelpByPattern(const std::wstring& pattern) {
  const std::wstring lower = platform::ToLower(pattern);
  if (!lower.empty() && (lower[0] == L'n' || lower[0] == L'a')) return L"symbol.html";
  for (const HelpPage& entry : kHelpPages) {
    if (lower.find(entry.keyword) != std::wstring::npos) return entry.page;
  }
  return L"index.html";
}

void DSynthor::CheckForQuotes(const std::wstring& text, CompiledPattern* pattern) {
  if (!pattern) return;
  QuoteOptions& q = pattern->quotes;
  for (const wchar_t c : text) {
    if (q.AllSet()) break;
    if (c == L'\'') q.apostrophe = 1;
    else if (c == L'"') q.doubleQuote = 1;
    else if (c == L',') q.comma = 1;
  }
}
