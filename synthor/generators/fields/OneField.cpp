#include "synthor/generators/fields/OneField.h"

#include <string_view>

#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"

namespace {

constexpr const wchar_t* kSection = L"OneField";
constexpr const wchar_t* kEntryKey = L"Field";

// Selects the fields' section for one call and gives the caller's section back afterwards.
class SectionScope {
 public:
  explicit SectionScope(CSysReg* reg) : reg_(reg), previous_(reg->CurrentSection()) {
    reg_->Section(kSection, 0);
  }
  ~SectionScope() { reg_->Section(previous_, 0); }
  SectionScope(const SectionScope&) = delete;
  SectionScope& operator=(const SectionScope&) = delete;

 private:
  CSysReg* reg_;
  std::wstring previous_;
};

// Reads an entry from left to right. Each step needs its separator at a position above 0 in what
// is left; a missing one stops the whole parse.
class EntryReader {
 public:
  explicit EntryReader(std::wstring_view entry) : rest_(entry) {}

  // The text before the next `separator`, consumed together with it.
  bool TakeUpTo(wchar_t separator, std::wstring* part) {
    const std::size_t at = Find(separator);
    if (at == std::wstring_view::npos) return false;
    if (part) part->assign(rest_.substr(0, at));
    rest_.remove_prefix(at + 1);
    return true;
  }
  bool Skip(wchar_t separator) { return TakeUpTo(separator, nullptr); }
  int Number() const { return platform::ToInt(rest_); }
  std::wstring_view Rest() const { return rest_; }
  // Numbers never hold a colon, so their separators are looked for only before the first one:
  // a '.' or ',' missing among the numbers is then not found inside the pattern.
  void LimitToColon() { limitToColon_ = true; }

 private:
  std::size_t Find(wchar_t separator) const {
    std::wstring_view scope = rest_;
    if (limitToColon_ && separator != L':') scope = scope.substr(0, scope.find(L':'));
    const std::size_t at = scope.find(separator);
    return at == 0 ? std::wstring_view::npos : at;
  }

  std::wstring_view rest_;
  bool limitToColon_ = false;
};

}  // namespace

OneField::OneField(const OneField& other) { Copy(other); }

OneField& OneField::operator=(const OneField& other) {
  if (this != &other) {
    Copy(other);
    ForgetCompiled();
  }
  return *this;
}

OneField::~OneField() = default;

void OneField::Copy(const OneField& other) {
  name = other.name;
  type = other.type;
  pattern = other.pattern;
  size = other.size;
  scale = other.scale;
  typeCode = other.typeCode;
  quoteMode = other.quoteMode;
  enabled = other.enabled;
}

void OneField::ForgetCompiled() {
  engine_ = nullptr;
  compiledText_.clear();
  lookup_ = PatternLookup{};
  quotes_ = QuoteOptions{};
}

std::wstring OneField::EntryText() const {
  using platform::FromInt;
  return name + L',' + type + L',' + FromInt(size) + L'.' + FromInt(scale) + L',' +
         FromInt(typeCode) + L',' + FromInt(quoteMode) + L',' + FromInt(enabled) + L':' + pattern;
}

void OneField::ParseEntry(const std::wstring& entry) {
  EntryReader reader(entry);
  std::wstring part;
  if (!reader.TakeUpTo(L',', &part)) return;
  name = part;
  if (!reader.TakeUpTo(L',', &part)) return;
  type = part;
  reader.LimitToColon();
  size = reader.Number();
  if (!reader.Skip(L'.')) return;
  scale = reader.Number();
  if (!reader.Skip(L',')) return;
  typeCode = reader.Number();
  if (!reader.Skip(L',')) return;
  quoteMode = reader.Number();
  if (!reader.Skip(L',')) return;
  enabled = reader.Number();
  if (!reader.Skip(L':')) return;
  pattern.assign(reader.Rest());
}

void OneField::Load(CSysReg* reg, int n) {
  if (!reg) return;
  std::wstring entry;
  {
    SectionScope scope(reg);
    entry = reg->ReadByNo(kEntryKey, n, std::wstring());
  }
  ParseEntry(entry);
}

void OneField::Save(CSysReg* reg, int n) const {
  if (!reg) return;
  SectionScope scope(reg);
  reg->SaveByNo(kEntryKey, n, EntryText());
}

int OneField::operator!=(const OneField& other) const {
  return name != other.name || type != other.type || pattern != other.pattern ||
                 size != other.size || scale != other.scale || typeCode != other.typeCode ||
                 quoteMode != other.quoteMode || enabled != other.enabled
             ? 1
             : 0;
}

int OneField::Compile(DSynthor* engine) {
  if (!engine) return 0;
  if (engine_ == engine && lookup_.handle != 0 && compiledText_ == pattern) return 1;
  ForgetCompiled();
  const uint32_t handle = engine->Compile(pattern, 1, -1, nullptr);
  if (handle == 0) return 0;
  engine_ = engine;
  compiledText_ = pattern;
  // The generation is left unknown: the first rendering confirms the handle by its text.
  lookup_.handle = handle;
  if (quoteMode < 0) quote = 0;
  if (quoteMode > 0) quote = 1;
  return 1;
}

int OneField::Value(int column, DSynthor* engine, DGValue* value) {
  if (!value) return 0;
  value->Clear();
  if (!enabled) return 1;
  if (!Compile(engine)) return 0;
  // By text and lookup rather than by the bare handle: should the engine have dropped its
  // patterns since (Clear, Terminate), the text is found or compiled again instead of rendering
  // whatever pattern now has that handle. The engine sets in quotes_ exactly the pattern's flags.
  if (!engine->Value(column, pattern, &lookup_, value, &quotes_)) {
    ForgetCompiled();
    return 0;
  }
  return 1;
}
