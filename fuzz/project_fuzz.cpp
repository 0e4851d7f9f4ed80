// Loads arbitrary bytes as a project file, saves the project and loads the saved file into a
// second project: whatever the loader made of the input must survive its own save unchanged.
// Runs without settings, as a tool would; the files live on the memory file system
// (ScratchFiles.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ScratchFiles.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/project/ProjectCompare.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::wstring input = fuzz::ScratchFolder() + L"/input.bxp";
  static const std::wstring saved = fuzz::ScratchFolder() + L"/saved.bxp";
  static const std::wstring backup = ProjectBackupPath(saved);
  if (!fuzz::OverwriteFile(input, std::string_view(reinterpret_cast<const char*>(data), size)))
    std::abort();
  // No earlier round may leave a file or backup behind for this one to read.
  platform::RemoveFile(saved);
  platform::RemoveFile(backup);

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
