#include "mervis/SysReg.h"

#include <sys/stat.h>

#include <string_view>
#include <unordered_map>
#include <utility>

#include "mervis/AsciiFold.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UserFile.h"

namespace {

// Blanks around names. U+FEFF is among them so that a stray byte-order mark (a file saved twice
// with one, or one in the middle of a file) never becomes part of a name, and a file we write can
// never start with a name that a reader would take for a byte-order mark.
constexpr std::wstring_view kNameBlanks = L" \t\r\uFEFF";
// Blanks around a value; a blank that belongs to the value is written as "\s".
constexpr std::wstring_view kValueBlanks = L" \t\r";

struct Entry {
  std::wstring key;
  std::wstring value;
};

struct SectionData {
  std::wstring name;
  std::vector<Entry> entries;                      // file order
  std::unordered_map<std::wstring, size_t> index;  // folded key -> position in entries

  const Entry* Find(const std::wstring& key) const {
    auto it = index.find(mervis::FoldAsciiCase(key));
    return it == index.end() ? nullptr : &entries[it->second];
  }
  // True when the key was new or its value changed.
  bool Set(const std::wstring& key, const std::wstring& value) {
    auto [it, inserted] = index.try_emplace(mervis::FoldAsciiCase(key), entries.size());
    if (inserted) {
      entries.push_back({key, value});
      return true;
    }
    Entry& e = entries[it->second];
    if (e.value == value) return false;
    e.value = value;
    return true;
  }
  // Reading keeps the first of duplicate keys, as ini readers always have.
  void AddIfMissing(std::wstring key, std::wstring value) {
    auto [it, inserted] = index.try_emplace(mervis::FoldAsciiCase(key), entries.size());
    if (inserted) entries.push_back({std::move(key), std::move(value)});
  }
};

std::wstring EscapeValue(const std::wstring& value) {
  std::wstring out;
  out.reserve(value.size() + 8);
  for (size_t i = 0; i < value.size(); ++i) {
    const wchar_t c = value[i];
    switch (c) {
      case L'\\':
        out += L"\\\\";
        break;
      case L'\r':
        out += L"\\r";
        break;
      case L'\n':
        out += L"\\n";
        break;
      case L'\t':
        out += L"\\t";
        break;
      case L' ':
        if (i == 0 || i + 1 == value.size())
          out += L"\\s";
        else
          out += c;
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Unknown escapes stay as written, so hand-written Windows paths such as "C:\data" survive.
std::wstring UnescapeValue(std::wstring_view raw) {
  std::wstring out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    const wchar_t c = raw[i];
    if (c != L'\\' || i + 1 == raw.size()) {
      out += c;
      continue;
    }
    switch (raw[i + 1]) {
      case L'\\':
        out += L'\\';
        break;
      case L'r':
        out += L'\r';
        break;
      case L'n':
        out += L'\n';
        break;
      case L't':
        out += L'\t';
        break;
      case L's':
        out += L' ';
        break;
      default:
        out += c;
        continue;  // the next character is taken as it is
    }
    ++i;
  }
  return out;
}

std::wstring_view TrimView(std::wstring_view s, std::wstring_view blanks) {
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::wstring_view::npos) return {};
  const size_t last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

}  // namespace

struct CSysReg::Data {
  std::wstring path;
  std::vector<SectionData> sections;                // file order
  std::unordered_map<std::wstring, size_t> lookup;  // folded name -> position in sections
  std::wstring current;
  std::wstring loadError;
  bool modified = false;

  SectionData* Find(const std::wstring& name) {
    auto it = lookup.find(mervis::FoldAsciiCase(name));
    return it == lookup.end() ? nullptr : &sections[it->second];
  }
  const SectionData* Find(const std::wstring& name) const {
    auto it = lookup.find(mervis::FoldAsciiCase(name));
    return it == lookup.end() ? nullptr : &sections[it->second];
  }
  SectionData& Get(const std::wstring& name) {
    auto [it, inserted] = lookup.try_emplace(mervis::FoldAsciiCase(name), sections.size());
    if (inserted) sections.push_back(SectionData{name, {}, {}});
    return sections[it->second];
  }
  void RebuildLookup() {
    lookup.clear();
    for (size_t i = 0; i < sections.size(); ++i)
      lookup.emplace(mervis::FoldAsciiCase(sections[i].name), i);
  }

  void Parse(std::wstring_view text);
  std::wstring Compose() const;
};

// Anything that is not a section header, a key line or a comment is skipped, so a damaged or
// foreign file loads as far as it makes sense and never stops the program.
void CSysReg::Data::Parse(std::wstring_view text) {
  SectionData* section = &Get(L"");
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(L'\n', pos);
    if (end == std::wstring_view::npos) end = text.size();
    std::wstring_view line = text.substr(pos, end - pos);
    pos = end + 1;

    const size_t first = line.find_first_not_of(kNameBlanks);
    if (first == std::wstring_view::npos) continue;
    const wchar_t lead = line[first];
    if (lead == L';' || lead == L'#') continue;
    if (lead == L'[') {
      const size_t close = line.rfind(L']');
      if (close == std::wstring_view::npos || close < first) continue;
      section =
          &Get(std::wstring(TrimView(line.substr(first + 1, close - first - 1), kNameBlanks)));
      continue;
    }
    const size_t eq = line.find(L'=');
    if (eq == std::wstring_view::npos) continue;
    std::wstring_view key = TrimView(line.substr(0, eq), kNameBlanks);
    if (key.empty()) continue;
    section->AddIfMissing(std::wstring(key),
                          UnescapeValue(TrimView(line.substr(eq + 1), kValueBlanks)));
  }
  // The implicit section of keys before any header is only worth keeping when it holds keys.
  if (sections.front().entries.empty()) {
    sections.erase(sections.begin());
    RebuildLookup();
  }
}

std::wstring CSysReg::Data::Compose() const {
  std::wstring out;
  // Keys without a section must come before the first header to read back the same way.
  for (const SectionData& s : sections) {
    if (!s.name.empty()) continue;
    for (const Entry& e : s.entries) out += e.key + L'=' + EscapeValue(e.value) + L'\n';
    if (!s.entries.empty()) out += L'\n';
  }
  for (const SectionData& s : sections) {
    if (s.name.empty()) continue;
    out += L'[' + s.name + L"]\n";
    for (const Entry& e : s.entries) out += e.key + L'=' + EscapeValue(e.value) + L'\n';
    out += L'\n';
  }
  return out;
}

CSysReg::CSysReg(const std::wstring& path, int) : d(std::make_unique<Data>()) {
  d->path = path;
  std::wstring text;
  std::wstring error;
  if (platform::ReadUserTextFile(path, text, &error)) {
    d->Parse(text);
    return;
  }
  // A file that is not there yet is the normal start; anything else in its place is worth a word.
  struct stat st {};
  if (::stat(platform::NativePath(path).c_str(), &st) == 0) d->loadError = error;
}

CSysReg::~CSysReg() { Flush(); }

void CSysReg::Section(const std::wstring& name, int) { d->current = name; }
const std::wstring& CSysReg::CurrentSection() const { return d->current; }

std::wstring CSysReg::Read(const std::wstring& key, const std::wstring& def) const {
  const SectionData* s = d->Find(d->current);
  const Entry* e = s ? s->Find(key) : nullptr;
  return e ? e->value : def;
}

int CSysReg::Read(const std::wstring& key, int def) const {
  const SectionData* s = d->Find(d->current);
  const Entry* e = s ? s->Find(key) : nullptr;
  return e ? platform::ToInt(e->value) : def;
}

void CSysReg::Save(const std::wstring& key, const std::wstring& value) {
  if (d->Get(d->current).Set(key, value)) d->modified = true;
}

void CSysReg::Save(const std::wstring& key, int value) { Save(key, platform::FromInt(value)); }

std::wstring CSysReg::ReadByNo(const std::wstring& key, int no, const std::wstring& def) const {
  return Read(key + platform::FromInt(no), def);
}
int CSysReg::ReadByNo(const std::wstring& key, int no, int def) const {
  return Read(key + platform::FromInt(no), def);
}
void CSysReg::SaveByNo(const std::wstring& key, int no, const std::wstring& value) {
  Save(key + platform::FromInt(no), value);
}
void CSysReg::SaveByNo(const std::wstring& key, int no, int value) {
  Save(key + platform::FromInt(no), value);
}

bool CSysReg::HasKey(const std::wstring& key) const {
  const SectionData* s = d->Find(d->current);
  return s && s->Find(key);
}

bool CSysReg::HasSection(const std::wstring& name) const { return d->Find(name) != nullptr; }

std::vector<std::wstring> CSysReg::Sections() const {
  std::vector<std::wstring> names;
  names.reserve(d->sections.size());
  for (const SectionData& s : d->sections) names.push_back(s.name);
  return names;
}

std::vector<std::wstring> CSysReg::Keys() const {
  std::vector<std::wstring> keys;
  if (const SectionData* s = d->Find(d->current)) {
    keys.reserve(s->entries.size());
    for (const Entry& e : s->entries) keys.push_back(e.key);
  }
  return keys;
}

void CSysReg::RemoveSection(const std::wstring& name) {
  auto it = d->lookup.find(mervis::FoldAsciiCase(name));
  if (it == d->lookup.end()) return;
  d->sections.erase(d->sections.begin() + static_cast<std::ptrdiff_t>(it->second));
  d->RebuildLookup();
  d->modified = true;
}

void CSysReg::Clear() {
  d->sections.clear();
  d->lookup.clear();
  d->modified = true;
}

bool CSysReg::Flush() {
  if (!d->modified) return true;
  if (!platform::WriteFileBytes(d->path, platform::ToUtf8(d->Compose()))) return false;
  d->modified = false;
  return true;
}

const std::wstring& CSysReg::Path() const { return d->path; }
const std::wstring& CSysReg::LoadError() const { return d->loadError; }
