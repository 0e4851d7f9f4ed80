#include "mervis/SysReg.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "mervis/AsciiFold.h"
#include "mervis/Log.h"
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

// No one types these into a text: a file that holds one is something else under an ini name.
bool IsForeignControl(wchar_t c) {
  return (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0x7F;
}

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

// The file is kept line by line, so writing it back keeps every line that is not a changed key
// where it stands: comments, blank lines, keys and sections nobody asked about, repeated keys,
// lines that mean nothing to a reader. Line 0 is no line of the file: what is added to the
// section of keys before any header goes after it.
struct Line {
  std::wstring raw;  // as read, without its line feed; unused once `composed`
  std::wstring key;  // empty: not a key line of its section (a header, a comment, a repeated key)
  std::wstring value;
  int section = 0;        // SectionData::id of the section the line belongs to
  bool composed = false;  // written as key=value: a key added or changed, or a header made here
  bool dropped = false;   // its section was removed
  std::vector<std::pair<std::wstring, std::wstring>> after;  // keys added to its section
};

// Where a key's value lives: on a line of the file, or among the keys added after one.
struct KeyRef {
  size_t line = 0;
  size_t added = SIZE_MAX;  // SIZE_MAX: the line itself
};

struct SectionData {
  std::wstring name;
  int id = 0;         // 0 is the section of keys before any header
  size_t anchor = 0;  // the line after which new keys go: its last key line, else its last line
  std::vector<std::wstring> keys;                  // file order, then the order of adding
  std::unordered_map<std::wstring, KeyRef> index;  // folded key -> where its value lives
};

}  // namespace

struct CSysReg::Data {
  std::wstring path;
  std::vector<Line> lines;                          // file order; lines[0] is the start
  std::vector<SectionData> sections;                // file order
  std::unordered_map<std::wstring, size_t> lookup;  // folded name -> position in sections
  int nextId = 1;
  std::wstring current;
  std::wstring loadError;
  std::wstring readError;  // loadError, or that the file is not there
  bool modified = false;
  // How the file is written, so that writing it back changes only the lines that changed.
  platform::TextEncoding encoding = platform::TextEncoding::Utf8;
  bool marked = false;           // it starts with a byte-order mark
  std::wstring lineEnd = L"\n";  // of the lines written here; a line read keeps its own
  size_t lastFileLine = 0;       // the file's last line; 0 when it has none
  bool lastLineEnded = true;     // false: that line has no line end, and gets none while it is last
  bool isText = true;            // false: the file holds a NUL or another control character

  Data() : lines(1) {}

  SectionData* Find(const std::wstring& name) {
    auto it = lookup.find(mervis::FoldAsciiCase(name));
    return it == lookup.end() ? nullptr : &sections[it->second];
  }
  const SectionData* Find(const std::wstring& name) const {
    auto it = lookup.find(mervis::FoldAsciiCase(name));
    return it == lookup.end() ? nullptr : &sections[it->second];
  }
  // A section not in the file yet goes at its end under a header of its own.
  SectionData& Get(const std::wstring& name) {
    if (SectionData* s = Find(name)) return *s;
    SectionData s{name, 0, 0, {}, {}};
    if (!name.empty()) {
      s.id = nextId++;
      size_t last = lines.size() - 1;
      while (last > 0 && lines[last].dropped) --last;
      if (last > 0 && !IsBlank(lines[last])) lines.push_back(MadeLine(s.id, L""));
      s.anchor = lines.size();
      lines.push_back(MadeLine(s.id, L'[' + name + L']'));
      lines.push_back(MadeLine(s.id, L""));
    }
    return Add(std::move(s));
  }
  SectionData& Add(SectionData s) {
    lookup.emplace(mervis::FoldAsciiCase(s.name), sections.size());
    sections.push_back(std::move(s));
    return sections.back();
  }
  void RebuildLookup() {
    lookup.clear();
    for (size_t i = 0; i < sections.size(); ++i)
      lookup.emplace(mervis::FoldAsciiCase(sections[i].name), i);
  }
  const std::wstring* Value(const SectionData& s, const std::wstring& key) const {
    auto it = s.index.find(mervis::FoldAsciiCase(key));
    if (it == s.index.end()) return nullptr;
    const Line& line = lines[it->second.line];
    return it->second.added == SIZE_MAX ? &line.value : &line.after[it->second.added].second;
  }
  // True when the key was new or its value changed.
  bool Set(SectionData& s, const std::wstring& key, const std::wstring& value) {
    auto [it, inserted] = s.index.try_emplace(mervis::FoldAsciiCase(key));
    if (inserted) {
      Line& anchor = lines[s.anchor];
      it->second = KeyRef{s.anchor, anchor.after.size()};
      anchor.after.emplace_back(key, value);
      s.keys.push_back(key);
      return true;
    }
    Line& line = lines[it->second.line];
    std::wstring& stored =
        it->second.added == SIZE_MAX ? line.value : line.after[it->second.added].second;
    if (stored == value) return false;
    stored = value;
    if (it->second.added == SIZE_MAX) line.composed = true;
    return true;
  }

  static Line MadeLine(int section, std::wstring text) {
    Line line;
    line.raw = std::move(text);
    line.section = section;
    line.composed = true;
    return line;
  }
  static bool IsBlank(const Line& line) {
    return line.key.empty() && line.after.empty() &&
           line.raw.find_first_not_of(kNameBlanks) == std::wstring::npos;
  }

  void Parse(std::wstring_view text);
  void NoteForm(std::wstring_view text);
  std::wstring Compose() const;
  // Forgets how the file was written: what is written next is a new file, UTF-8 with LF lines.
  void ResetForm() {
    encoding = platform::TextEncoding::Utf8;
    marked = false;
    lineEnd = L"\n";
    lastFileLine = 0;
    lastLineEnded = true;
    isText = true;
  }
};

void CSysReg::Data::NoteForm(std::wstring_view content) {
  const size_t firstEnd = content.find(L'\n');
  lineEnd = firstEnd != std::wstring_view::npos && firstEnd > 0 && content[firstEnd - 1] == L'\r'
                ? L"\r\n"
                : L"\n";
  lastFileLine = lines.size() - 1;
  lastLineEnded = content.empty() || content.back() == L'\n';
  isText = std::none_of(content.begin(), content.end(), IsForeignControl);
}

// Anything that is not a section header or a key line is kept as it stands and means nothing,
// so a damaged or foreign file loads as far as it makes sense and never stops the program.
void CSysReg::Data::Parse(std::wstring_view text) {
  SectionData* section = nullptr;  // none yet: lines before any header
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(L'\n', pos);
    if (end == std::wstring_view::npos) end = text.size();
    const std::wstring_view raw = text.substr(pos, end - pos);
    pos = end + 1;
    const size_t at = lines.size();
    lines.push_back(Line{std::wstring(raw), L"", L"", section ? section->id : 0, false, false, {}});

    const size_t first = raw.find_first_not_of(kNameBlanks);
    if (first == std::wstring_view::npos) continue;
    const wchar_t lead = raw[first];
    if (lead == L'[') {
      const size_t close = raw.rfind(L']');
      if (close != std::wstring_view::npos && close > first) {
        const std::wstring name(TrimView(raw.substr(first + 1, close - first - 1), kNameBlanks));
        section = Find(name);
        if (!section) section = &Add(SectionData{name, nextId++, at, {}, {}});
        // A section that appears twice goes on after its last key line.
        if (section->keys.empty()) section->anchor = at;
        lines[at].section = section->id;
        continue;
      }
    }
    const size_t eq = lead == L';' || lead == L'#' ? std::wstring_view::npos : raw.find(L'=');
    const std::wstring_view key = eq == std::wstring_view::npos
                                      ? std::wstring_view()
                                      : TrimView(raw.substr(0, eq), kNameBlanks);
    if (key.empty()) {
      // New keys of a section without keys go after its last line that is not blank.
      if (section && section->keys.empty()) section->anchor = at;
      continue;
    }
    // Keys before any header: the section without a name, which takes the lines before it.
    if (!section) section = &Get(L"");
    section->anchor = at;
    // Reading keeps the first of repeated keys, as ini readers always have; the others stay lines.
    auto [it, inserted] = section->index.try_emplace(mervis::FoldAsciiCase(std::wstring(key)));
    if (!inserted) continue;
    it->second = KeyRef{at, SIZE_MAX};
    section->keys.emplace_back(key);
    lines[at].key = key;
    lines[at].value = UnescapeValue(TrimView(raw.substr(eq + 1), kValueBlanks));
  }
}

std::wstring CSysReg::Data::Compose() const {
  std::wstring out;
  const Line* lastWritten = nullptr;
  for (const Line& line : lines) {
    if (line.dropped) continue;
    if (&line != &lines.front()) {
      if (!line.composed)
        out += line.raw + L'\n';  // a line read keeps its CR, if it had one
      else if (line.key.empty())
        out += line.raw + lineEnd;
      else
        out += line.key + L'=' + EscapeValue(line.value) + lineEnd;
      lastWritten = &line;
    }
    for (const auto& [key, value] : line.after) {
      out += key + L'=' + EscapeValue(value) + lineEnd;
      lastWritten = nullptr;
    }
  }
  if (!lastLineEnded && lastWritten == &lines[lastFileLine] && !lastWritten->composed)
    out.pop_back();
  return out;
}

CSysReg::CSysReg(const std::wstring& path, int) : d(std::make_unique<Data>()) {
  d->path = path;
  std::wstring text;
  std::wstring error;
  {
    std::string bytes;
    if (!platform::ReadUserFileBytes(path, bytes, &error)) {
      // A file that is not there yet is the normal start; anything else in its place is worth a
      // word.
      struct stat st {};
      if (::stat(platform::NativePath(path).c_str(), &st) == 0) d->loadError = error;
      d->readError = error;
      return;
    }
    d->marked = platform::FindByteOrderMark(bytes).length > 0;
    text = platform::DecodeText(bytes, &d->encoding);
  }
  d->Parse(text);
  d->NoteForm(text);
}

CSysReg::~CSysReg() { Flush(); }

void CSysReg::Section(const std::wstring& name, int) { d->current = name; }
const std::wstring& CSysReg::CurrentSection() const { return d->current; }

std::wstring CSysReg::Read(const std::wstring& key, const std::wstring& def) const {
  const SectionData* s = d->Find(d->current);
  const std::wstring* value = s ? d->Value(*s, key) : nullptr;
  return value ? *value : def;
}

int CSysReg::Read(const std::wstring& key, int def) const {
  const SectionData* s = d->Find(d->current);
  const std::wstring* value = s ? d->Value(*s, key) : nullptr;
  return value ? platform::ToInt(*value) : def;
}

void CSysReg::Save(const std::wstring& key, const std::wstring& value) {
  if (d->Set(d->Get(d->current), key, value)) d->modified = true;
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
  return s && d->Value(*s, key);
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
  if (const SectionData* s = d->Find(d->current)) keys = s->keys;
  return keys;
}

void CSysReg::RemoveSection(const std::wstring& name) {
  auto it = d->lookup.find(mervis::FoldAsciiCase(name));
  if (it == d->lookup.end()) return;
  const int id = d->sections[it->second].id;
  for (size_t i = 0; i < d->lines.size(); ++i) {
    Line& line = d->lines[i];
    if (line.section != id) continue;
    line.after.clear();
    line.dropped = i > 0;  // the start stays for keys added before any header later
  }
  d->sections.erase(d->sections.begin() + static_cast<std::ptrdiff_t>(it->second));
  d->RebuildLookup();
  d->modified = true;
}

void CSysReg::Clear() {
  d->lines.assign(1, Line());
  d->sections.clear();
  d->lookup.clear();
  d->ResetForm();
  d->modified = true;
}

bool CSysReg::Flush() {
  if (!d->modified) return true;
  const std::wstring text = d->Compose();
  std::string bytes;
  bool nowUtf8 = false;
  if (!platform::EncodeText(text, d->encoding, d->marked, bytes)) {
    // Latin-1 cannot give back a value saved to the file. Rather than lose or mangle it, the whole
    // file becomes UTF-8, in which every line keeps its text (though not its bytes).
    nowUtf8 = true;
    platform::EncodeText(text, platform::TextEncoding::Utf8, false, bytes);
  }
  if (!platform::WriteFileBytes(d->path, bytes)) return false;
  if (nowUtf8) {
    d->encoding = platform::TextEncoding::Utf8;
    CLog::State2(L"'" + d->path +
                 L"' was Latin-1 text, which cannot hold a value saved to it; it is UTF-8 now.");
  }
  d->modified = false;
  return true;
}

const std::wstring& CSysReg::Path() const { return d->path; }
const std::wstring& CSysReg::LoadError() const { return d->loadError; }
const std::wstring& CSysReg::ReadError() const { return d->readError; }
bool CSysReg::IsText() const { return d->isText; }
