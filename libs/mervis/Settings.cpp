#include "mervis/Settings.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <unordered_map>

#include "mervis/AsciiFold.h"
#include "mervis/Log.h"
#include "mervis/SysReg.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

// Hidden values (passwords) are kept out of plain sight in the file so that a glance over the
// shoulder or a pasted settings file does not show them. This is NOT encryption: anyone with the
// source can decode it, and it must never be sold as protection.
constexpr std::string_view kScrambleKey = "brunox-settings-scramble";
constexpr std::wstring_view kScramblePrefix = L"enc:";

std::wstring Scramble(const std::wstring& plain) {
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  const std::string bytes = platform::ToUtf8(plain);
  std::wstring out(kScramblePrefix);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i] ^ kScrambleKey[i % kScrambleKey.size()]);
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  return out;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// A value that is not in the scrambled form (typed into the file by hand) is taken as it is.
std::wstring Unscramble(const std::wstring& stored) {
  if (!platform::StartsWith(stored, kScramblePrefix)) return stored;
  const std::wstring_view hex = std::wstring_view(stored).substr(kScramblePrefix.size());
  if (hex.size() % 2 != 0) return stored;
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexDigit(hex[i]);
    const int lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return stored;
    const size_t n = bytes.size();
    bytes += static_cast<char>((hi << 4 | lo) ^
                               static_cast<unsigned char>(kScrambleKey[n % kScrambleKey.size()]));
  }
  return platform::FromUtf8(bytes);
}

// Every store of the process shares one settings file; saving is read-modify-write, so two
// stores saving at once must not interleave.
std::mutex& SettingsFileMutex() {
  static std::mutex m;
  return m;
}

std::wstring SettingsFilePath() {
  return platform::JoinPath(platform::ConfigFolder(), L"settings.ini");
}

// A settings file that cannot be read, or holds no text, is never written over: it moves aside to
// "<name>.bak" (an older one there gives way), and the log says so. False when it cannot be moved.
bool KeepUnreadableFile(const std::wstring& path, const std::wstring& why) {
  const std::wstring backup = path + L".bak";
  if (std::rename(platform::NativePath(path).c_str(), platform::NativePath(backup).c_str()) != 0) {
    const int code = errno;
    std::wstring reason;
    CLog::FormatLastError(&reason, code);
    CLog::Bug2(L"The settings file could not be used (" + why + L") nor kept as '" + backup +
               L"' (" + reason + L"); the settings were not saved.");
    return false;
  }
  CLog::Bug2(L"The settings file could not be used (" + why + L"); it was kept as '" + backup +
             L"' and a new '" + path + L"' written.");
  return true;
}

// Why nothing of the file at hand counts as settings; empty when it does.
std::wstring WhyNotSettings(const CSysReg& reg) {
  if (!reg.LoadError().empty()) return reg.LoadError();
  if (!reg.IsText())
    return L"it holds a NUL byte or another control character: it is no settings text";
  return std::wstring();
}

}  // namespace

struct _Settings::Data {
  struct Key {
    std::wstring name;
    int type = S_TEXT;
    int flags = S_NONE;
    std::wstring def;
    std::wstring value;
  };

  std::wstring storeName;
  mutable std::mutex mutex;
  std::vector<Key> keys;                           // registration order
  std::unordered_map<std::wstring, size_t> index;  // folded name -> position in keys

  const Key* Find(const std::wstring& name) const {
    auto it = index.find(mervis::FoldAsciiCase(name));
    return it == index.end() ? nullptr : &keys[it->second];
  }
  Key& Register(const std::wstring& name, int type, int flags, const std::wstring& def) {
    auto [it, inserted] = index.try_emplace(mervis::FoldAsciiCase(name), keys.size());
    if (inserted) keys.push_back(Key{name, type, flags, def, def});
    return keys[it->second];
  }

  static std::wstring Stored(const Key& k) {
    return (k.flags & S_HIDDEN) ? Scramble(k.value) : k.value;
  }
  static std::wstring Loaded(const Key& k, const std::wstring& stored) {
    return (k.flags & S_HIDDEN) ? Unscramble(stored) : stored;
  }

  // Caller holds `mutex`. An export is a picture of the store: every key, and nothing else in
  // its section.
  void WriteSection(CSysReg& reg) const {
    reg.RemoveSection(storeName);
    reg.Section(storeName);
    for (const Key& k : keys) reg.Save(k.name, Stored(k));
  }
  // Caller holds `mutex`. The settings file is the user's too: only a value that differs from
  // what the file says (a key it lacks says its default) is written, so a run that changed
  // nothing leaves the file as it is, and whatever else it holds stays.
  void WriteChanges(CSysReg& reg) const {
    reg.Section(storeName);
    for (const Key& k : keys) {
      const std::wstring inFile = reg.HasKey(k.name) ? Loaded(k, reg.Read(k.name, L"")) : k.def;
      if (inFile != k.value) reg.Save(k.name, Stored(k));
    }
  }
  // Caller holds `mutex`.
  bool DiffersFromDefaults() const {
    for (const Key& k : keys)
      if (k.value != k.def) return true;
    return false;
  }
  void ReadSection(const CSysReg& reg) {
    for (Key& k : keys) {
      if (!reg.HasKey(k.name)) continue;
      k.value = Loaded(k, reg.Read(k.name, std::wstring()));
    }
  }
};

_Settings::_Settings(const std::wstring& storeName) : d(std::make_unique<Data>()) {
  d->storeName = storeName;
}

_Settings::~_Settings() = default;

void _Settings::Add(const std::wstring& key, int type, int flags, const std::wstring& def) {
  std::lock_guard lock(d->mutex);
  Data::Key& k = d->Register(key, type, flags, def);
  k.type = type;
  k.flags = flags;
  k.def = def;
  k.value = def;
}

std::wstring _Settings::getStr(const std::wstring& key) const {
  std::lock_guard lock(d->mutex);
  const Data::Key* k = d->Find(key);
  return k ? k->value : std::wstring();
}

int _Settings::getInt(const std::wstring& key) const { return platform::ToInt(getStr(key)); }

void _Settings::setStr(const std::wstring& key, const std::wstring& value) {
  std::lock_guard lock(d->mutex);
  d->Register(key, S_TEXT, S_NONE, std::wstring()).value = value;
}

void _Settings::setInt(const std::wstring& key, int value) {
  setStr(key, platform::FromInt(value));
}

bool _Settings::LoadData() {
  std::lock_guard fileLock(SettingsFileMutex());
  const std::wstring path = SettingsFilePath();
  if (!platform::FileExists(path)) return true;  // nothing saved yet: the defaults stand
  CSysReg reg(path);
  if (!reg.IsText()) return true;  // nothing in it was written as settings: the defaults stand
  reg.Section(d->storeName);
  std::lock_guard lock(d->mutex);
  d->ReadSection(reg);
  return true;
}

bool _Settings::SaveData() {
  std::lock_guard fileLock(SettingsFileMutex());
  const std::wstring path = SettingsFilePath();
  CSysReg reg(path);
  std::lock_guard lock(d->mutex);
  if (const std::wstring why = WhyNotSettings(reg); !why.empty()) {
    // Nothing of the file counts, so every stored value counts as its default; while none
    // differs there is nothing to write, and the file stays for the user to look at.
    if (!d->DiffersFromDefaults()) return true;
    if (!KeepUnreadableFile(path, why)) return false;
    reg.Clear();  // a new file: nothing of the old one is carried into it
  }
  d->WriteChanges(reg);
  if (!platform::MakeDirectories(platform::ConfigFolder())) return false;
  return reg.Flush();
}

bool _Settings::Export(const std::wstring& iniFile, std::wstring* error) const {
  CSysReg reg(iniFile);
  {
    std::lock_guard lock(d->mutex);
    d->WriteSection(reg);
  }
  if (reg.Flush()) return true;
  if (error) {
    std::wstring reason;
    CLog::FormatLastError(&reason, errno);
    *error = L"Could not write '" + iniFile + L"': " + reason + L".";
  }
  return false;
}

bool _Settings::Import(const std::wstring& iniFile, std::wstring* error) {
  CSysReg reg(iniFile);
  if (!reg.ReadError().empty()) {
    if (error) *error = reg.ReadError();
    return false;
  }
  reg.Section(d->storeName);
  std::lock_guard lock(d->mutex);
  d->ReadSection(reg);
  return true;
}

const std::wstring& _Settings::StoreName() const { return d->storeName; }

std::vector<std::wstring> _Settings::Keys() const {
  std::lock_guard lock(d->mutex);
  std::vector<std::wstring> names;
  names.reserve(d->keys.size());
  for (const Data::Key& k : d->keys) names.push_back(k.name);
  return names;
}

std::wstring _Settings::Default(const std::wstring& key) const {
  std::lock_guard lock(d->mutex);
  const Data::Key* k = d->Find(key);
  return k ? k->def : std::wstring();
}

int _Settings::Type(const std::wstring& key) const {
  std::lock_guard lock(d->mutex);
  const Data::Key* k = d->Find(key);
  return k ? k->type : -1;
}
