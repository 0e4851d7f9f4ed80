#pragma once
// A SourceSafe server in memory for tests: a tree of projects and files with versions and
// check-out states, a database that checks its ini path and password, failures injected by
// operation name, and a count of the objects handed out that are still alive.
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "wexal/VssProvider.h"

namespace wexaltest {

using wexal::VssResult;

constexpr VssResult kCannotFindIni = static_cast<VssResult>(0x8004D75D);
constexpr VssResult kInvalidPassword = static_cast<VssResult>(0x8004D6C9);
constexpr VssResult kNotCheckedOut = static_cast<VssResult>(0x8004D73C);
constexpr VssResult kAlreadyCheckedOut = static_cast<VssResult>(0x8004D75A);
constexpr VssResult kNameExists = static_cast<VssResult>(0x8004D694);

struct MemNode {
  std::wstring name;
  bool project = false;
  bool deleted = false;
  int version = 1;
  int checkedOut = 0;  // 0 none, 1 by someone else, 2 by us
  std::wstring lastLocalFile;
  std::wstring lastComment;
  std::vector<std::shared_ptr<MemNode>> children;

  std::shared_ptr<MemNode> Add(std::wstring childName, bool isProject, int childVersion = 1) {
    auto node = std::make_shared<MemNode>();
    node->name = std::move(childName);
    node->project = isProject;
    node->version = childVersion;
    children.push_back(node);
    return node;
  }
};

struct MemStore {
  std::shared_ptr<MemNode> root = std::make_shared<MemNode>();
  std::wstring iniPath = L"/srv/vss/srcsafe.ini";
  std::wstring password = L"secret";
  std::wstring currentProject = L"$/Proj";
  // Operation name (optionally ":" and a path or a 1-based index) -> the code it fails with.
  std::map<std::wstring, VssResult> failures;
  std::vector<std::wstring> calls;  // "Checkin b.sql", ...
  int live = 0;                     // databases, items and collections not yet destroyed

  MemStore() { root->project = true; }

  VssResult Failure(const std::wstring& op) const {
    auto it = failures.find(op);
    return it == failures.end() ? 0 : it->second;
  }
  std::shared_ptr<MemNode> Find(const std::wstring& path) const {
    if (path == L"$/" || path == L"$") return root;
    if (path.rfind(L"$/", 0) != 0) return nullptr;
    std::shared_ptr<MemNode> node = root;
    size_t start = 2;
    while (node && start <= path.size()) {
      size_t end = path.find(L'/', start);
      if (end == std::wstring::npos) end = path.size();
      const std::wstring part = path.substr(start, end - start);
      std::shared_ptr<MemNode> next;
      for (auto& child : node->children)
        if (child->name == part) next = child;
      node = next;
      start = end + 1;
    }
    return node;
  }
};

// Counts itself in the store while alive.
class Counted {
 public:
  explicit Counted(std::shared_ptr<MemStore> store) : store_(std::move(store)) { ++store_->live; }
  ~Counted() { --store_->live; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

 protected:
  std::shared_ptr<MemStore> store_;
};

class MemItem : public wexal::VssItem, Counted {
 public:
  MemItem(std::shared_ptr<MemStore> store, std::shared_ptr<MemNode> node)
      : Counted(std::move(store)), node_(std::move(node)) {}

  VssResult Name(std::wstring& name) override {
    if (VssResult f = store_->Failure(L"Name")) return f;
    name = node_->name;
    return 0;
  }
  VssResult Deleted(bool& deleted) override {
    deleted = node_->deleted;
    return 0;
  }
  VssResult Type(int& type) override {
    type = node_->project ? wexal::kVssTypeProject : wexal::kVssTypeFile;
    return 0;
  }
  VssResult VersionNumber(int& version) override {
    if (VssResult f = store_->Failure(L"VersionNumber")) return f;
    version = node_->version;
    return 0;
  }
  VssResult IsCheckedOut(int& status) override {
    if (VssResult f = store_->Failure(L"IsCheckedOut")) return f;
    status = node_->checkedOut;
    return 0;
  }
  VssResult Items(bool includeDeleted, std::unique_ptr<wexal::VssItems>& items) override;
  VssResult Add(const std::wstring& localFile, const std::wstring& comment, int,
                std::unique_ptr<wexal::VssItem>& added) override {
    store_->calls.push_back(L"Add " + localFile);
    if (VssResult f = store_->Failure(L"Add")) return f;
    const std::wstring name = localFile.substr(localFile.rfind(L'/') + 1);
    for (auto& child : node_->children)
      if (child->name == name) return kNameExists;
    auto node = node_->Add(name, false);
    node->lastLocalFile = localFile;
    node->lastComment = comment;
    added = std::make_unique<MemItem>(store_, node);
    return 0;
  }
  VssResult Checkin(const std::wstring& comment, const std::wstring& localFile, int) override {
    store_->calls.push_back(L"Checkin " + node_->name);
    if (VssResult f = store_->Failure(L"Checkin")) return f;
    if (node_->project || node_->checkedOut == 0) return kNotCheckedOut;
    node_->checkedOut = 0;
    ++node_->version;
    node_->lastLocalFile = localFile;
    node_->lastComment = comment;
    return 0;
  }
  VssResult Checkout(const std::wstring& comment, const std::wstring& localFile, int) override {
    store_->calls.push_back(L"Checkout " + node_->name);
    if (VssResult f = store_->Failure(L"Checkout")) return f;
    if (node_->checkedOut != 0) return kAlreadyCheckedOut;
    node_->checkedOut = 2;
    node_->lastLocalFile = localFile;
    node_->lastComment = comment;
    return 0;
  }
  VssResult UndoCheckout(const std::wstring& localFile, int) override {
    store_->calls.push_back(L"UndoCheckout " + node_->name);
    if (VssResult f = store_->Failure(L"UndoCheckout")) return f;
    if (node_->project || node_->checkedOut == 0) return kNotCheckedOut;
    node_->checkedOut = 0;
    node_->lastLocalFile = localFile;
    return 0;
  }

 private:
  std::shared_ptr<MemNode> node_;
};

class MemItems : public wexal::VssItems, Counted {
 public:
  MemItems(std::shared_ptr<MemStore> store, std::vector<std::shared_ptr<MemNode>> nodes)
      : Counted(std::move(store)), nodes_(std::move(nodes)) {}

  VssResult Count(int& count) override {
    if (VssResult f = store_->Failure(L"Count")) return f;
    count = static_cast<int>(nodes_.size());
    return 0;
  }
  VssResult Item(int oneBasedIndex, std::unique_ptr<wexal::VssItem>& item) override {
    if (VssResult f = store_->Failure(L"GetItem:" + std::to_wstring(oneBasedIndex))) return f;
    if (oneBasedIndex < 1 || oneBasedIndex > static_cast<int>(nodes_.size()))
      return static_cast<VssResult>(0x80070057);  // E_INVALIDARG
    item = std::make_unique<MemItem>(store_, nodes_[static_cast<size_t>(oneBasedIndex - 1)]);
    return 0;
  }

 private:
  std::vector<std::shared_ptr<MemNode>> nodes_;
};

inline VssResult MemItem::Items(bool includeDeleted, std::unique_ptr<wexal::VssItems>& items) {
  if (VssResult f = store_->Failure(L"Items")) return f;
  if (VssResult f = store_->Failure(L"Items:" + node_->name)) return f;
  std::vector<std::shared_ptr<MemNode>> nodes;
  for (auto& child : node_->children)
    if (includeDeleted || !child->deleted) nodes.push_back(child);
  items = std::make_unique<MemItems>(store_, std::move(nodes));
  return 0;
}

class MemDatabase : public wexal::VssDatabase, Counted {
 public:
  explicit MemDatabase(std::shared_ptr<MemStore> store) : Counted(std::move(store)) {}

  VssResult Open(const std::wstring& iniPath, const std::wstring& user,
                 const std::wstring& password) override {
    store_->calls.push_back(L"Open " + iniPath + L" " + user);
    if (VssResult f = store_->Failure(L"Open")) return f;
    if (iniPath != store_->iniPath) return kCannotFindIni;
    if (password != store_->password) return kInvalidPassword;
    open_ = true;
    return 0;
  }
  VssResult CurrentProject(std::wstring& project) override {
    project = store_->currentProject;
    return 0;
  }
  VssResult Item(const std::wstring& path, bool, std::unique_ptr<wexal::VssItem>& item) override {
    if (VssResult f = store_->Failure(L"Item")) return f;
    if (VssResult f = store_->Failure(L"Item:" + path)) return f;
    if (!open_) return wexal::kVssFail;
    auto node = store_->Find(path);
    if (!node) return wexal::kVssFileOrProjectNotFound;
    item = std::make_unique<MemItem>(store_, node);
    return 0;
  }

 private:
  bool open_ = false;
};

class MemProvider : public wexal::VssProvider {
 public:
  explicit MemProvider(std::shared_ptr<MemStore> store) : store_(std::move(store)) {}
  VssResult CreateDatabase(std::unique_ptr<wexal::VssDatabase>& database) override {
    if (VssResult f = store_->Failure(L"CreateDatabase")) return f;
    database = std::make_unique<MemDatabase>(store_);
    return 0;
  }

 private:
  std::shared_ptr<MemStore> store_;
};

// A store with project "$/Proj" holding a.sql (version 3), b.sql (version 1, checked out by
// someone else) and sub-project "Lib", and a root with "Proj", "Other" and file "readme.txt".
inline std::shared_ptr<MemStore> SampleStore() {
  auto store = std::make_shared<MemStore>();
  auto proj = store->root->Add(L"Proj", true);
  proj->Add(L"a.sql", false, 3);
  proj->Add(L"b.sql", false)->checkedOut = 1;
  proj->Add(L"Lib", true);
  store->root->Add(L"Other", true);
  store->root->Add(L"readme.txt", false);
  store->root->Add(L"Gone", true)->deleted = true;
  return store;
}

// Registers a server over `store` for the object's lifetime (a failing one with `factoryResult`).
class ScopedVssProvider {
 public:
  explicit ScopedVssProvider(std::shared_ptr<MemStore> store, VssResult factoryResult = 0)
      : previous_(wexal::RegisterVssProvider(
            [store, factoryResult](std::unique_ptr<wexal::VssProvider>& provider) {
              if (factoryResult != 0) return factoryResult;
              provider = std::make_unique<MemProvider>(store);
              return VssResult{0};
            })) {}
  ~ScopedVssProvider() { wexal::RegisterVssProvider(std::move(previous_)); }
  ScopedVssProvider(const ScopedVssProvider&) = delete;
  ScopedVssProvider& operator=(const ScopedVssProvider&) = delete;

 private:
  wexal::VssProviderFactory previous_;
};

}  // namespace wexaltest
