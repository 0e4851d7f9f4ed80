#pragma once
// The labels of the execution, comparison and counters reports. Each label is looked up by key in
// a label profile, an ini file with the section "General"; a missing profile or key gives the
// built-in text the report code passes along. A copy of the profile with other texts translates
// or rewords the reports without rebuilding the program.
#include <memory>
#include <string>

class CSysReg;

class StringFactory {
 public:
  StringFactory();
  virtual ~StringFactory();
  StringFactory(const StringFactory&) = delete;
  StringFactory& operator=(const StringFactory&) = delete;

  // Chooses the profile: the report setting TextProfile; when that is empty, "tmpl/english.ini"
  // in the program folder, which is then stored in the setting and saved. Without settings
  // (g_settings null) the program-folder profile is used and nothing is saved.
  void Init();

  // The label of `key`, or `fallback`; at most kMaxLabel characters. The profile is read again
  // whenever the file changes, so a profile edited while the program runs takes effect at once.
  // One thread at a time, like the report that owns the factory.
  std::wstring Get(const std::wstring& key, const std::wstring& fallback) const;

  const std::wstring& ProfilePath() const { return profile_; }
  // Why the profile in place could not be read (a FIFO, a device, a folder, a file too large);
  // empty when it was read or when there is none. The labels then are the built-in ones.
  const std::wstring& ProfileError() const;

  // Labels are cut to this length, as they always have been.
  static constexpr size_t kMaxLabel = 254;

 private:
  struct Cache;
  const CSysReg* Profile() const;

  std::wstring section_;
  std::wstring profile_;
  std::unique_ptr<Cache> cache_;
};
