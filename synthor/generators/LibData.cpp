#include "synthor/generators/LibData.h"

#include <mutex>

namespace {

// Engines on several threads initialise at once; the folder text must never be read while
// another thread is replacing it.
std::mutex& FolderLock() {
  static std::mutex lock;
  return lock;
}

std::wstring& Folder() {
  static std::wstring folder;
  return folder;
}

}  // namespace

void LibData::SetLibraryFolder(const wchar_t* path) {
  std::lock_guard<std::mutex> guard(FolderLock());
  Folder() = path ? path : L"";
}

std::wstring LibData::LibraryFolder() {
  std::lock_guard<std::mutex> guard(FolderLock());
  return Folder();
}
