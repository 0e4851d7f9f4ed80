#pragma once
// The automation server the SourceSafe back end drives, as a small interface of our own: a
// database, its items and item collections. Every call returns a 32-bit result code in the
// HRESULT style (0 success, negative failure) and hands objects out through unique_ptr, so the
// back end owns what it holds and nothing is released by hand.
//
// A server is made available by registering a factory (RegisterVssProvider); a process without
// one has no server, and the back end then reports "Class not registered" from Init.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "wexal/WexalExport.h"

namespace wexal {

using VssResult = std::int32_t;

constexpr VssResult kVssOk = 0;
constexpr VssResult kVssFail = static_cast<VssResult>(0x80004005);  // E_FAIL
constexpr VssResult kVssClassNotRegistered =
    static_cast<VssResult>(0x80040154);  // REGDB_E_CLASSNOTREG
constexpr VssResult kVssFileOrProjectNotFound = static_cast<VssResult>(0x8004D68F);

inline bool VssFailed(VssResult r) { return r < 0; }

// Item types as the server reports them.
constexpr int kVssTypeProject = 0;
constexpr int kVssTypeFile = 1;

// The flag the back end passes to add, check-in, check-out and undo (the server's "no prompt").
constexpr int kVssFlagDefault = 128;

class VssItems;

// One file or project of the database.
class VssItem {
 public:
  virtual ~VssItem() = default;
  virtual VssResult Name(std::wstring& name) = 0;
  virtual VssResult Deleted(bool& deleted) = 0;
  virtual VssResult Type(int& type) = 0;  // kVssTypeProject or kVssTypeFile
  virtual VssResult VersionNumber(int& version) = 0;
  // 0 not checked out; positive: checked out (1 by someone else, 2 by the caller).
  virtual VssResult IsCheckedOut(int& status) = 0;
  // The children of a project.
  virtual VssResult Items(bool includeDeleted, std::unique_ptr<VssItems>& items) = 0;
  // Adds a local file to this project; `added` is the new item.
  virtual VssResult Add(const std::wstring& localFile, const std::wstring& comment, int flags,
                        std::unique_ptr<VssItem>& added) = 0;
  virtual VssResult Checkin(const std::wstring& comment, const std::wstring& localFile,
                            int flags) = 0;
  virtual VssResult Checkout(const std::wstring& comment, const std::wstring& localFile,
                             int flags) = 0;
  virtual VssResult UndoCheckout(const std::wstring& localFile, int flags) = 0;
};

// A collection of items; the server numbers them from 1.
class VssItems {
 public:
  virtual ~VssItems() = default;
  virtual VssResult Count(int& count) = 0;
  virtual VssResult Item(int oneBasedIndex, std::unique_ptr<VssItem>& item) = 0;
};

class VssDatabase {
 public:
  virtual ~VssDatabase() = default;
  virtual VssResult Open(const std::wstring& iniPath, const std::wstring& user,
                         const std::wstring& password) = 0;
  virtual VssResult CurrentProject(std::wstring& project) = 0;
  // The item at a server path such as "$/Project".
  virtual VssResult Item(const std::wstring& path, bool includeDeleted,
                         std::unique_ptr<VssItem>& item) = 0;
};

// The server's class factory: makes database objects.
class VssProvider {
 public:
  virtual ~VssProvider() = default;
  virtual VssResult CreateDatabase(std::unique_ptr<VssDatabase>& database) = 0;
};

// Makes a provider; a failure code (or no provider) means the server cannot be reached.
using VssProviderFactory = std::function<VssResult(std::unique_ptr<VssProvider>& provider)>;

// Installs the process's server factory; an empty factory removes it. Returns the previous one,
// so a caller can put it back.
WEXAL_EXPORT VssProviderFactory RegisterVssProvider(VssProviderFactory factory);
// The factory in force (empty when none is registered).
WEXAL_EXPORT VssProviderFactory RegisteredVssProvider();

}  // namespace wexal
