#pragma once
// Whole-file reading and writing of texts and bytes, and small file-system helpers.
// Paths are wide strings; they reach the system as UTF-8.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

enum class TextEncoding { Utf8, Utf16Le, Utf16Be, Latin1 };

std::string NativePath(const std::wstring& path);  // UTF-8 bytes for the system calls

// Whole-file reads go through ReadUserFileBytes (UserFile.h): regular files only, with a size cap;
// use that routine directly where the reason for a failure is to be shown.
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
// Writes through a temporary file in the same folder and renames it over the target, so a
// failed write never leaves a half-written file behind. On failure errno tells why.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);

// WriteFileBytes in two steps, for a file that may only change once other work has succeeded:
// Stage writes the new content beside the target (the target is untouched), Publish renames it
// over the target. Dropped without Publish, the staged content is removed and the target stays
// as it was.
class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // False when the content cannot be written, or the target is a folder (which no rename could
  // replace; errno EISDIR); an earlier staged content is dropped first. On failure errno tells why.
  bool Stage(const std::wstring& path, std::string_view bytes);
  // False when nothing is staged or the rename fails (the staged content is then dropped; errno
  // tells why).
  bool Publish();
  void Drop();

 private:
  std::string target_;
  std::string temp_;  // "" when nothing is staged
};

// How every file a user names is decoded, whether read whole or line by line: its byte-order mark
// decides. FF FE is UTF-16LE, FE FF UTF-16BE, EF BB BF UTF-8; a file without a mark is 8-bit text,
// UTF-8 when valid, else Latin-1.
struct ByteOrderMark {
  std::size_t length = 0;                      // bytes the mark takes; 0 when the file has none
  TextEncoding encoding = TextEncoding::Utf8;  // what the mark says; unused without a mark
  bool Utf16() const {
    return length > 0 && (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be);
  }
};
// The mark at the start of `head`, a file's first bytes (three are enough).
ByteOrderMark FindByteOrderMark(std::string_view head);
// Decodes text that follows `mark` in its file: all of it, or one line cut out of it.
std::wstring DecodeMarkedText(std::string_view bytes, const ByteOrderMark& mark);

// The bytes of a text file in `encoding` that DecodeText reads back as `text`, with the encoding's
// byte-order mark when `withMark` (always for UTF-16, which a reader knows by nothing else, and for
// UTF-8 text that starts with U+FEFF; never for Latin-1, which has none). False when Latin-1 cannot
// give the text back: a character above U+00FF, or bytes that a reader would take for UTF-8 (valid
// UTF-8, or a start that looks like a byte-order mark).
bool EncodeText(std::wstring_view text, TextEncoding encoding, bool withMark, std::string& bytes);

// Reads a text file decoded by its byte-order mark. `encoding` (optional) receives what was found.
bool ReadTextFile(const std::wstring& path, std::wstring& text, TextEncoding* encoding = nullptr);
// Decodes a file's bytes as ReadTextFile does.
std::wstring DecodeText(std::string_view bytes, TextEncoding* encoding = nullptr);
bool WriteTextFileUtf16Le(const std::wstring& path, std::wstring_view text);  // with BOM FF FE
bool WriteTextFileUtf8(const std::wstring& path, std::wstring_view text);     // no BOM

bool FileExists(const std::wstring& path);       // a regular file (or link to one)
bool DirectoryExists(const std::wstring& path);
bool MakeDirectories(const std::wstring& path);  // like mkdir -p; true when it exists afterwards
bool RemoveFile(const std::wstring& path);
// Renames without replacing an existing target (the Windows MoveFile rule); false on failure.
bool RenameNoReplace(const std::wstring& from, const std::wstring& to);

std::wstring FileNamePart(const std::wstring& path);    // after the last '/'
std::wstring FolderPart(const std::wstring& path);      // before the last '/', "" when none
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// `path` against the current folder, with "." and ".." worked out on the letters alone: links are
// not followed, so a link the user chose stays a link. "" stays "", and so does a path when the
// current folder cannot be found.
std::wstring AbsolutePath(const std::wstring& path);
// The file a link leads to, for writing or replacing that file and keeping the link; any other
// path (a link to nothing included) as it is.
std::wstring LinkTarget(const std::wstring& path);

}  // namespace platform
