// Loads arbitrary bytes as a project file, saves the project and loads the saved file into a
// second project: whatever the loader made of the input must survive its own save unchanged.
// Runs without settings, as a tool would.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "brunox/engine/Project.h"
#include "brunox/engine/ProjectCompare.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

const std::wstring& Folder() {
  static const std::wstring folder = platform::MakePrivateTempFolder(L"project-fuzz");
  if (folder.empty()) std::abort();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring input = Folder() + L"/input.bxp";
  const std::wstring saved = Folder() + L"/saved.bxp";
  if (!platform::WriteFileBytes(input, std::string_view(reinterpret_cast<const char*>(data), size)))
    std::abort();
  // No earlier round may leave a file or backup behind for this one to read.
  platform::RemoveFile(saved);
  platform::RemoveFile(ProjectBackupPath(saved));

  Project first;
  first.Load(input);
  if (first.Save(saved) != 1) std::abort();
  Project second;
  second.Load(saved);

  const std::wstring difference = SavedFieldDifference(first, second);
  if (!difference.empty()) {
    std::fprintf(stderr, "project changed by save and load: %s\n",
                 platform::ToUtf8(difference).c_str());
    std::abort();
  }
  return 0;
}
