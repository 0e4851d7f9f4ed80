#include "brunox/engine/reports/StringFactory.h"

#include <sys/stat.h>

#include "brunox/engine/settings/SettingsStores.h"
#include "mervis/Log.h"
#include "mervis/SysReg.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"

namespace {

// What tells that the profile file changed: a rewrite through a temporary file gets a new inode, an
// edit in place a new size or time; the change time catches an edit within the same clock tick.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{};
  timespec changed{};

  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
  }
};

bool StampOf(const std::wstring& path, FileStamp& stamp) {
  struct stat st {};
  if (path.empty() || ::stat(platform::NativePath(path).c_str(), &st) != 0) return false;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.modified = st.st_mtim;
  stamp.changed = st.st_ctim;
  return true;
}

}  // namespace

struct StringFactory::Cache {
  std::wstring path;
  FileStamp stamp;
  std::unique_ptr<CSysReg> profile;
};

StringFactory::StringFactory() : section_(L"General"), cache_(std::make_unique<Cache>()) {}

StringFactory::~StringFactory() = default;

void StringFactory::Init() {
  const std::wstring fallback = platform::ProgramFolder() + L"/tmpl/english.ini";
  if (!g_settings) {
    profile_ = fallback;
    return;
  }
  profile_ = g_settings->getStr(kStoreReport, L"TextProfile");
  if (profile_.empty()) {
    profile_ = fallback;
    g_settings->setStr(kStoreReport, L"TextProfile", profile_);
    g_settings->SaveData(0);
  }
}

const CSysReg* StringFactory::Profile() const {
  FileStamp stamp;
  if (!StampOf(profile_, stamp)) {
    cache_->profile.reset();
    return nullptr;
  }
  if (!cache_->profile || cache_->path != profile_ || !(cache_->stamp == stamp)) {
    cache_->profile = std::make_unique<CSysReg>(profile_);
    cache_->profile->Section(section_);
    cache_->path = profile_;
    cache_->stamp = stamp;
    // Once per change of the file: the reports then carry the built-in labels.
    if (!cache_->profile->LoadError().empty())
      CLog::Bug(L"The report label profile cannot be read", cache_->profile->LoadError(), __FILE__,
                __LINE__);
  }
  return cache_->profile.get();
}

const std::wstring& StringFactory::ProfileError() const {
  static const std::wstring kNone;
  const CSysReg* profile = Profile();
  return profile ? profile->LoadError() : kNone;
}

std::wstring StringFactory::Get(const std::wstring& key, const std::wstring& fallback) const {
  const CSysReg* profile = Profile();
  std::wstring label = profile ? profile->Read(key, fallback) : fallback;
  if (label.size() > kMaxLabel) label.resize(kMaxLabel);
  return label;
}
