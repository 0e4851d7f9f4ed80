#pragma once
// The value library: named lists of realistic values (cities, first names, phrases, ...) read from
// an SQLite database with the catalogue table `_Index`, or from an XML library (root `library`,
// one element per built-in table holding one `item` per row, the columns as attributes; the
// library's other lists as `list` elements named by their `Name` attribute; the group of each in
// its `Group` attribute). An XML library is imported into a private SQLite file of its own
// (deleted at Close), so both forms answer columns, filters and the table of contents alike.
// Each engine owns one; lists are read on first use and kept per (table, column, filter), the
// least recently used going first once kCachedLists lists or kCachedValues values are kept (a
// filter that takes another column's value makes a new list per value on a long run).
//
// Failures of the table of contents and of an export are logged and shown to the person
// (platform::Ui(), each text at most once a minute, after the library's lock is let go).
//
// Threads: every member takes the library's lock, so a library shared by several engines (or an
// engine and its phrase source) stays consistent. Nothing is thrown; results are codes.
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "synthor/engine/SynthorExport.h"

class CDB_API;
class DSynthor;
class LibraryTreeSink;

class SYNTHOR_API VLibrary {
 public:
  using Columns = std::vector<std::vector<std::wstring>>;

  // ListValue's error codes.
  static constexpr int kListUnavailable = 1850;
  static constexpr int kNoValueShortEnough = 1860;
  // Bounds of the list cache; the list read last is kept even when it alone is larger.
  static constexpr std::size_t kCachedLists = 256;
  static constexpr std::size_t kCachedValues = 1000000;

  explicit VLibrary(DSynthor* engine);
  virtual ~VLibrary();
  VLibrary(const VLibrary&) = delete;
  VLibrary& operator=(const VLibrary&) = delete;

  // Opens the library at `path` (a library already open is closed first): a path ending in "xml"
  // (any case) is an XML library (-1 when it cannot be read, logged); any other an SQLite file
  // (1 when it cannot be opened, logged). `writable` allows AddList, AppendTable and DropTable.
  // 0 success; with `loadTOC`, the result of LoadTOC.
  int Open(const std::wstring& path, int loadTOC, bool writable = false);
  void Close();
  bool IsOpen() const;
  const std::wstring& Path() const { return path_; }

  // One value of `table`.`column` (distinct, non-null values), `filter` an SQL condition on the
  // table or empty. `maxLength` > 0 draws up to 10 times for a value no longer than it.
  // `sequential` hands the values out in order. Errors set `errorText`/`errorCode` (1850 list
  // unavailable, 1860 nothing short enough) and give an empty text.
  std::wstring ListValue(const std::wstring& table, const std::wstring& column,
                         const std::wstring& filter, int maxLength, int sequential,
                         std::wstring* errorText, int* errorCode);
  // Every value of one list (through the cache). 0 success, else non-zero (logged).
  int LoadList(const std::wstring& table, const std::wstring& column, const std::wstring& filter,
               std::vector<std::wstring>* values);
  // Several columns of a table, row by row (empty names skipped). 0 success; else non-zero with
  // `errorText` set when given.
  int LoadLists(const std::wstring& table, const std::vector<std::wstring>& columns, Columns* rows,
                const std::wstring& filter, std::wstring* errorText = nullptr);
  // The table of contents: "table.column" for every visible column other than `Name` of every
  // table of a visible top-level group. 0 success, -1 when the catalogue cannot be read.
  int LoadTOC();
  // The same, and `tree` (when given) filled with the groups, lists and columns (see
  // LibraryTreeSink).
  int LoadTOC(LibraryTreeSink* tree);
  std::vector<std::wstring> TableOfContents() const;

  // Writes the library as an XML library (UTF-8; every attribute value escaped, so any text reads
  // back equal): the built-in tables, then every other list of the catalogue with its `Name`
  // column. 0 success; -1 (LastError says why, the file stays as it was) when the file cannot be
  // written, when a value is too long to be read back whole, or during a syntax check (which
  // reads only the first rows). A catalogued table that cannot be read is logged and left out.
  int ExportXML(const std::wstring& path);
  bool IsXml() const;

  // Maintenance of a library opened writable (-1 for one opened for reading). Names and values may
  // hold any characters: they are quoted for SQL. Each step runs only when the one before it
  // succeeded; 0 success, else the failing step's result (the error text in LastError). An XML
  // library is changed as a whole: the change is written back to its file (through a temporary
  // file), and a file or folder that cannot be written (read-only) gives -1 and leaves file and
  // library as they were. A new list `table` (one column Name) in the existing group `parent`,
  // holding `values`.
  int AddList(const std::wstring& table, const std::wstring& parent,
              const std::vector<std::wstring>& values);
  int AppendTable(const std::wstring& table, const std::vector<std::wstring>& values);
  // Removes the list and its catalogue entries.
  int DropTable(const std::wstring& table);
  std::wstring LastError() const;

  DSynthor* Engine() const { return engine_; }

 private:
  using Key = std::tuple<std::wstring, std::wstring, std::wstring>;
  struct CachedList {
    Key key;
    std::vector<std::wstring> values;
  };
  using CacheOrder = std::list<CachedList>;

  // The cached list, loaded when absent; null with `error` set when it cannot be read.
  const std::vector<std::wstring>* ListLocked(const std::wstring& table, const std::wstring& column,
                                              const std::wstring& filter, std::wstring* error);
  // Keeps `values` as the most recently used list, letting the least recently used ones go.
  const std::vector<std::wstring>* CacheLocked(Key key, std::vector<std::wstring> values);
  void ClearCacheLocked();
  // A message for the person, shown by ShowNotices once the lock is let go (a window's message
  // box waits for the person, and other engines may be waiting for the library).
  void NoticeLocked(const std::wstring& caption, const std::wstring& text);
  void ShowNotices();
  std::wstring OneValueLocked(const std::vector<std::wstring>& values, bool sequential);
  int OpenLocked(const std::wstring& path, int loadTOC, bool writable);
  int LoadTOCLocked(LibraryTreeSink* tree);
  // Runs one maintenance step (see AddList): an XML library's inside a transaction of its working
  // copy, kept only when the file could be written back.
  template <typename Change>
  int ChangeLocked(Change change);
  int AddListLocked(const std::wstring& table, const std::wstring& parent,
                    const std::vector<std::wstring>& values);
  int DropTableLocked(const std::wstring& table);
  int ExportXmlLocked(const std::wstring& path);
  int AppendLocked(const std::wstring& table, const std::vector<std::wstring>& values);
  // The first value of `sql`'s first column; false when there is none.
  bool QueryOne(const std::wstring& sql, std::wstring* value);
  void ForgetLocked(const std::wstring& table);
  void CloseLocked();
  int ImportXmlLocked(const std::wstring& path);

  mutable std::mutex lock_;
  DSynthor* engine_ = nullptr;  // draws random values; may be null
  std::unique_ptr<CDB_API> source_;
  bool opened_ = false;
  bool writable_ = false;    // opened for maintenance
  std::wstring importFile_;  // the private SQLite file of an imported XML library
  std::wstring error_;       // the last maintenance failure not of the data source's own
  std::wstring path_;
  std::vector<std::wstring> toc_;
  CacheOrder cache_;  // most recently used first
  std::map<Key, CacheOrder::iterator> cacheIndex_;
  std::size_t cachedValues_ = 0;
  std::vector<std::pair<std::wstring, std::wstring>> notices_;  // caption, text
  std::size_t position_ = 0;  // the sequential read position, shared by every list
};
