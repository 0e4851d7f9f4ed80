#pragma once
// Files for the targets that read and write real files. They live in a private folder on the
// memory file system (/dev/shm when it is writable, else TMPDIR), so the disk sees none of the
// hundreds of files a second a fuzzer writes, and the folder goes away when the fuzzer exits.
#include <string>
#include <string_view>

namespace fuzz {

// The folder of this process, made on first use; aborts when no folder can be made.
const std::wstring& ScratchFolder();

// Writes `bytes` over the file at `path`, keeping the file itself: truncating in place costs
// less than the temporary file and rename a safe replace makes for every input.
bool OverwriteFile(const std::wstring& path, std::string_view bytes);

}  // namespace fuzz
