#pragma once
// A settings store: named values with a type and a default, kept between runs in the settings
// folder (platform::ConfigFolder()) as the section named after the store in "settings.ini".
// Safe to read and write from several threads.
#include <memory>
#include <string>
#include <vector>

enum S_TYPE { S_TEXT = 0, S_INT = 1 };
enum S_FLAGS { S_NONE = 0, S_HIDDEN = 2 };  // S_HIDDEN: a password, not stored as plain text

class _Settings {
 public:
  explicit _Settings(const std::wstring& storeName);
  virtual ~_Settings();
  _Settings(const _Settings&) = delete;
  _Settings& operator=(const _Settings&) = delete;

  // Registers a key; its value starts as the default text.
  void Add(const std::wstring& key, int type, int flags, const std::wstring& def);

  // An unregistered key reads as "" and 0; writing one registers it as text.
  std::wstring getStr(const std::wstring& key) const;
  int getInt(const std::wstring& key) const;  // the text converted like _wtoi
  void setStr(const std::wstring& key, const std::wstring& value);
  void setInt(const std::wstring& key, int value);

  // Replaces values by those stored; keys not stored keep their value, and so do all keys when
  // the file holds no text (a NUL byte or another control character: CSysReg::IsText).
  bool LoadData();
  // Writes the values that differ from what the file holds (a key it lacks holds its default),
  // and nothing when none does; every other line of the file stays as it is, byte for byte
  // (CSysReg). A file that cannot be read or holds no text is moved to "settings.ini.bak" first,
  // the program log names it, and a new file is started.
  bool SaveData();
  // The store's values as the section named after the store in an ini file (other sections of
  // that file are kept), and back. Import sets only registered keys. False when the file cannot
  // be written or read, with the reason (naming the file) in `error` when given; the store is
  // then as it was.
  bool Export(const std::wstring& iniFile, std::wstring* error = nullptr) const;
  bool Import(const std::wstring& iniFile, std::wstring* error = nullptr);

  const std::wstring& StoreName() const;
  std::vector<std::wstring> Keys() const;  // in registration order
  std::wstring Default(const std::wstring& key) const;
  int Type(const std::wstring& key) const;  // -1 when not registered

 private:
  struct Data;
  std::unique_ptr<Data> d;
};
