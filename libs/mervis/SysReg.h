#pragma once
// Named-value files: ini-style sections of "key=value" lines. Values are escaped (backslash, CR,
// LF, TAB, and blanks at either end) so that any text, multi-line scripts included, reads back
// exactly as written. Section and key names compare without regard to ASCII case, as ini files
// always have. Reading accepts UTF-8 (with or without BOM), 8-bit text that is not UTF-8 (Latin-1)
// and UTF-16 files with a BOM. Writing changes only the lines of keys that changed and adds new
// keys after the last key of their section: comments, blank lines and whatever else the file holds
// stay where they stand, byte for byte, since the file is written back in the encoding, with the
// byte-order mark and the line end (LF or CR LF) it was read with. A new file is UTF-8 with LF.
// A Latin-1 file that cannot hold a value saved to it becomes UTF-8, and the program log says so.
#include <map>
#include <memory>
#include <string>
#include <vector>

class CSysReg {
 public:
  // Loads the file at `path` when it exists (mode 0 is the only mode). Changes are kept in memory
  // and written by Flush() or by the destructor.
  CSysReg(const std::wstring& path, int mode = 0);
  ~CSysReg();
  CSysReg(const CSysReg&) = delete;
  CSysReg& operator=(const CSysReg&) = delete;

  void Section(const std::wstring& name, int = 0);
  const std::wstring& CurrentSection() const;

  std::wstring Read(const std::wstring& key, const std::wstring& def) const;
  int Read(const std::wstring& key, int def) const;  // text converted like _wtoi
  void Save(const std::wstring& key, const std::wstring& value);
  void Save(const std::wstring& key, int value);
  // The key name joined with the number: "PropTempl" and 3 give "PropTempl3".
  std::wstring ReadByNo(const std::wstring& key, int no, const std::wstring& def) const;
  int ReadByNo(const std::wstring& key, int no, int def) const;
  void SaveByNo(const std::wstring& key, int no, const std::wstring& value);
  void SaveByNo(const std::wstring& key, int no, int value);

  bool HasKey(const std::wstring& key) const;  // in the current section
  bool HasSection(const std::wstring& name) const;
  std::vector<std::wstring> Sections() const;  // in file order
  std::vector<std::wstring> Keys() const;      // of the current section, in file order
  void RemoveSection(const std::wstring& name);
  // Forgets every section and how the file was written: a following Flush writes only what is
  // saved after it, as a new file.
  void Clear();

  // Writes the file when something changed (atomically: temporary file, then rename).
  // False when it could not be written.
  bool Flush();
  const std::wstring& Path() const;
  // Why the file could not be loaded when something is at its path (a folder, a FIFO, a device,
  // a file too large or not readable); empty when it loaded or does not exist yet.
  const std::wstring& LoadError() const;
  // LoadError, and for a file that is not there that it does not exist: for a file the user chose
  // to read, which must be there.
  const std::wstring& ReadError() const;
  // False when the file holds a NUL or another control character besides tab, CR and LF (or DEL):
  // no one typed that, so what loaded from it is no text of named values. (The bytes of a UTF-16
  // file are not judged, its characters are.)
  bool IsText() const;

 private:
  struct Data;
  std::unique_ptr<Data> d;
};
