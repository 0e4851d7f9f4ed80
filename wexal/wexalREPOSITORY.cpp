#include "wexal/wexalREPOSITORY.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>

#include "kavra/CDB.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UserFile.h"
#include "wexal/RepositorySql.h"

using platform::Format;
using wexal::repository::SqlInt;
using wexal::repository::SqlNow;

namespace {

const wchar_t kNoConnection[] = L"The database connection is not established yet.";
// The column sizes of RepTables and RepVersions: longer values are refused, never cut.
constexpr std::size_t kMaxFileName = 128;
constexpr std::size_t kMaxUser = 30;
constexpr std::size_t kMaxNote = 255;
// A version is one SQL literal; keep statements to a size every server takes.
constexpr std::size_t kMaxFileBytes = 64u * 1024u * 1024u;

std::wstring LoginName() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384u, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name && *found->pw_name)
    return platform::FromUtf8(found->pw_name);
  if (const char* env = std::getenv("USER"); env && *env) return platform::FromUtf8(env);
  return L"unknown";
}

}  // namespace

// Connects the connection for the length of one operation when it is not connected yet, and
// disconnects it again only then: a connection the host (or Open) connected stays as it was.
class wexalREPOSITORY::Session {
 public:
  explicit Session(wexalREPOSITORY& owner) : owner_(owner) {}
  ~Session() {
    if (connectedHere_) owner_.db_->CloseConnection();
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // 0, or 1 with the error text set.
  int Begin() {
    if (!owner_.db_) {
      owner_.error = kNoConnection;
      return 1;
    }
    if (owner_.db_->IsConnected()) return 0;
    if (!CDB::isOK(owner_.db_->Connect(owner_.db_))) {
      owner_.error = owner_.db_->ErrorText;
      return 1;
    }
    connectedHere_ = true;
    return 0;
  }
  // The connection stays connected after this session (Open hands it to Close).
  bool Release() {
    const bool was = connectedHere_;
    connectedHere_ = false;
    return was;
  }

 private:
  wexalREPOSITORY& owner_;
  bool connectedHere_ = false;
};

// The statements of one operation as one unit of work; rolled back unless committed. Inside a
// transaction the host keeps open, the work simply joins it.
class wexalREPOSITORY::Transaction {
 public:
  explicit Transaction(CDB* db) : db_(db) {
    joined_ = db_->InTransaction();
    if (!joined_) began_ = CDB::isOK(db_->BeginTransaction());
  }
  ~Transaction() {
    if (began_ && !committed_) db_->EndTransaction(1);
    RestoreMode();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool Ok() const { return joined_ || began_; }
  int Commit() {
    if (joined_ || !began_) return 0;
    const int rc = db_->EndTransaction(0);
    committed_ = CDB::isOK(rc);
    return rc;
  }

 private:
  void RestoreMode() {
    if (began_ && db_->Info.ManualCommit != 1 && db_->IsConnected()) db_->SetTransactionMode(1);
  }
  CDB* db_;
  bool joined_ = false;
  bool began_ = false;
  bool committed_ = false;
};

wexalREPOSITORY::wexalREPOSITORY() = default;

wexalREPOSITORY::wexalREPOSITORY(const wexalREPOSITORY& other) : WEXAL_API(other) { *this = other; }

wexalREPOSITORY& wexalREPOSITORY::operator=(const wexalREPOSITORY& other) {
  if (this == &other) return *this;
  WEXAL_API::operator=(other);
  Close();
  ownDb_.reset();
  db_ = other.db_;
  if (other.ownDb_) {
    ownDb_.reset(CDB::newDB(other.ownDb_->Info.DsType));
    if (ownDb_) ownDb_->Info = other.ownDb_->Info;
    db_ = ownDb_.get();
  }
  projects_ = other.projects_;
  projectsLoaded_ = other.projectsLoaded_;
  return *this;
}

wexalREPOSITORY::~wexalREPOSITORY() { Close(); }

void wexalREPOSITORY::AssignDB(CDB* connection) {
  Close();
  if (connection != ownDb_.get()) ownDb_.reset();
  db_ = connection;
  projectsLoaded_ = false;
}

int wexalREPOSITORY::AssignDB(const CONN_INFO* info) {
  if (!info) {
    error = L"No connection description was given.";
    return 1;
  }
  Close();
  if (ownDb_ && ownDb_->Info.DsType != info->DsType) ownDb_.reset();
  if (!ownDb_) {
    ownDb_.reset(CDB::newDB(info->DsType));
    if (!ownDb_) {
      db_ = nullptr;
      error = L"Could not initialize database environment.";
      return 1;
    }
  } else if (ownDb_->IsConnected() && ownDb_->Info != *info) {
    ownDb_->CloseConnection();
  }
  ownDb_->Info = *info;
  db_ = ownDb_.get();
  projectsLoaded_ = false;
  return 0;
}

int wexalREPOSITORY::Create() {
  Session session(*this);
  if (session.Begin()) return 1;
  const std::wstring tables = wexal::repository::RepTablesStatement(db_->DBMS);
  const std::wstring versions = wexal::repository::RepVersionsStatement(db_->DBMS);
  // As one unit: a connection in manual-commit mode would otherwise lose the tables when it is
  // disconnected, and a half-made repository is never left behind.
  Transaction transaction(db_);
  if (!transaction.Ok() || !CDB::isOK(db_->Execute(tables)) || !CDB::isOK(db_->Execute(versions)) ||
      !CDB::isOK(transaction.Commit())) {
    error = Format(L"%ls\n\n%ls\n\n%ls", db_->ErrorText.c_str(), tables.c_str(), versions.c_str());
    return 2;
  }
  return 0;
}

std::wstring wexalREPOSITORY::EffectiveUser() const { return user.empty() ? LoginName() : user; }

int wexalREPOSITORY::Fail(const std::wstring& text) {
  error = text;
  return -1;
}

int wexalREPOSITORY::FailDb(const std::wstring& context) {
  error = context.empty() ? db_->ErrorText : context + L"\n\n" + db_->ErrorText;
  return -1;
}

int wexalREPOSITORY::CheckName(const wchar_t* file) {
  if (!file || !*file) return Fail(L"No file name was given.");
  if (std::wcslen(file) > kMaxFileName)
    return Fail(Format(L"The file name '%ls' is longer than %d characters.", file,
                       static_cast<int>(kMaxFileName)));
  return 0;
}

int wexalREPOSITORY::CheckUserAndNote(const std::wstring& who, const wchar_t* comment) {
  if (who.size() > kMaxUser)
    return Fail(Format(L"The user name '%ls' is longer than %d characters.", who.c_str(),
                       static_cast<int>(kMaxUser)));
  if (comment && std::wcslen(comment) > kMaxNote)
    return Fail(Format(L"The comment is longer than %d characters.", static_cast<int>(kMaxNote)));
  return 0;
}

int wexalREPOSITORY::ReadLocalText(const std::wstring& file, std::wstring* text) {
  const std::wstring path = LocalFile(file);
  std::string bytes;
  std::wstring why;
  if (!platform::ReadUserFileBytes(path, bytes, &why, kMaxFileBytes)) return Fail(why);
  // A version is kept as text: bytes that are not UTF-8 would not come back as they went in.
  if (!platform::IsValidUtf8(bytes) || bytes.find('\0') != std::string::npos)
    return Fail(Format(L"The file '%ls' is not a text file; the repository keeps text files only.",
                       path.c_str()));
  *text = platform::FromUtf8(bytes);
  return 0;
}

int wexalREPOSITORY::StageLocalText(const std::wstring& file, const std::wstring& text,
                                    platform::StagedFile* staged) {
  const std::wstring path = LocalFile(file);
  const std::wstring folder = platform::FolderPart(path);
  if (!folder.empty()) platform::MakeDirectories(folder);
  if (!staged->Stage(path, platform::ToUtf8(text)))
    return Fail(Format(L"Could not write the file '%ls'.", path.c_str()));
  return 0;
}

int wexalREPOSITORY::QueryRows(const std::wstring& sql, std::size_t maxRows,
                               std::vector<Row>* rows) {
  rows->clear();
  if (!CDB::isOK(db_->Execute(sql))) return FailDb(L"");
  int columns = -1;  // asked once the first row is there
  while (rows->size() < maxRows) {
    const int fetched = db_->Fetch();
    if (fetched == CDB::kNoData) break;
    if (!CDB::isOK(fetched)) return FailDb(L"");
    if (columns < 0 && !CDB::isOK(db_->ColumnCount(&columns))) return FailDb(L"");
    Row row;
    for (int c = 1; c <= columns; ++c) {
      std::wstring text;
      int size = 0;
      if (!CDB::isOK(db_->GetColumnText(c, &text, &size))) return FailDb(L"");
      row.values.push_back(std::move(text));
      row.nulls.push_back(size == -1);
    }
    rows->push_back(std::move(row));
  }
  db_->CloseCursor();
  return static_cast<int>(rows->size());
}

int wexalREPOSITORY::QueryRow(const std::wstring& sql, std::vector<std::wstring>* values,
                              std::vector<bool>* nulls) {
  values->clear();
  if (nulls) nulls->clear();
  std::vector<Row> rows;
  const int found = QueryRows(sql, 1, &rows);
  if (found < 0) return -1;
  if (found == 0) return CDB::kNoData;
  *values = std::move(rows[0].values);
  if (nulls) *nulls = std::move(rows[0].nulls);
  return 0;
}

int wexalREPOSITORY::ExecuteChanging(const std::wstring& sql, int* rows) {
  *rows = 0;
  if (!CDB::isOK(db_->Execute(sql))) return FailDb(L"");
  if (!CDB::isOK(db_->RowsAffected(rows))) return FailDb(L"");
  return 0;
}

int wexalREPOSITORY::FailNotChanged(const std::wstring& file, const std::wstring& who) {
  std::vector<std::wstring> row;
  std::vector<bool> nulls;
  const int found = QueryRow(
      L"select isLocked, LockedBy from RepTables where FileName = " + SqlStringLiteral(file), &row,
      &nulls);
  if (found < 0) return -1;
  if (found == CDB::kNoData)
    return Fail(Format(L"The file '%ls' is not in the repository.", file.c_str()));
  if (nulls[0]) return Fail(Format(L"The file '%ls' is not checked out.", file.c_str()));
  if (row[1] != who)
    return Fail(Format(L"The file '%ls' is checked out by %ls.", file.c_str(), row[1].c_str()));
  return Fail(
      Format(L"The file '%ls' was changed by another user meanwhile; try again.", file.c_str()));
}

int wexalREPOSITORY::CurrentText(const std::wstring& file, std::wstring* text) {
  std::vector<std::wstring> row;
  const int found = QueryRow(
      L"select v.Project from RepVersions v, RepTables t where t.FileName = " +
          SqlStringLiteral(file) + L" and v.ProjID = t.projID and v.VersID = t.CurrentVersion",
      &row);
  if (found < 0) return -1;
  if (found == CDB::kNoData)
    return Fail(
        Format(L"The current version of '%ls' is missing from the repository.", file.c_str()));
  *text = std::move(row[0]);
  return 0;
}

int wexalREPOSITORY::Init() {
  if (!db_) return Fail(kNoConnection);
  return 0;
}

int wexalREPOSITORY::Open() {
  Session session(*this);
  if (session.Begin()) return -1;
  std::vector<std::wstring> row;
  if (QueryRow(L"select count(*) from RepTables", &row) < 0) {
    error = L"The repository tables cannot be read; create the repository first.\n\n" + error;
    return -1;
  }
  if (session.Release()) openedHere_ = true;
  return 0;
}

void wexalREPOSITORY::Close() {
  if (openedHere_ && db_) db_->CloseConnection();
  openedHere_ = false;
}

int wexalREPOSITORY::Ready() {
  if (!db_) return 0;
  Session session(*this);
  if (session.Begin()) return 0;
  std::vector<std::wstring> row;
  return QueryRow(L"select count(*) from RepTables", &row) < 0 ? 0 : 1;
}

int wexalREPOSITORY::LoadProjects() {
  projects_.clear();
  projectsLoaded_ = false;
  Session session(*this);
  if (session.Begin()) return -1;
  std::vector<Row> rows;
  if (QueryRows(L"select projID, FileName, Author, Note, LastCheckIn, LastCheckOut, isLocked, "
                L"LockedBy, CurrentVersion from RepTables order by FileName",
                SIZE_MAX, &rows) < 0)
    return -1;
  std::vector<ROneProject> list;
  for (Row& row : rows) {
    std::vector<std::wstring>& text = row.values;
    ROneProject p;
    p.id = platform::ToInt(text[0]);
    p.fileName = std::move(text[1]);
    p.author = std::move(text[2]);
    p.note = std::move(text[3]);
    p.lastCheckIn = std::move(text[4]);
    p.lastCheckOut = std::move(text[5]);
    p.lockedSince = std::move(text[6]);
    p.lockedBy = std::move(text[7]);
    p.currentVersion = platform::ToInt(text[8]);
    list.push_back(std::move(p));
  }
  projects_ = std::move(list);
  projectsLoaded_ = true;
  return static_cast<int>(projects_.size());
}

int wexalREPOSITORY::LoadVersions(ROneProject* project) {
  if (!project) return Fail(L"No file record was given.");
  if (CheckName(project->fileName.c_str())) return -1;
  Session session(*this);
  if (session.Begin()) return -1;
  std::vector<std::wstring> row;
  std::vector<bool> nulls;
  const int found = QueryRow(
      L"select projID, Author, Note, LastCheckIn, LastCheckOut, isLocked, LockedBy, "
      L"CurrentVersion from RepTables where FileName = " +
          SqlStringLiteral(project->fileName),
      &row, &nulls);
  if (found < 0) return -1;
  if (found == CDB::kNoData)
    return Fail(Format(L"The file '%ls' is not in the repository.", project->fileName.c_str()));
  project->id = platform::ToInt(row[0]);
  project->author = row[1];
  project->note = row[2];
  project->lastCheckIn = row[3];
  project->lastCheckOut = row[4];
  project->lockedSince = row[5];
  project->lockedBy = row[6];
  project->currentVersion = platform::ToInt(row[7]);

  std::vector<Row> rows;
  if (QueryRows(L"select VersID, Author, Note, LastCheckIn from RepVersions where ProjID = " +
                    SqlInt(project->id) + L" order by VersID",
                SIZE_MAX, &rows) < 0)
    return -1;
  std::vector<RVersion> versions;
  for (Row& version : rows) {
    std::vector<std::wstring>& text = version.values;
    versions.push_back(
        {platform::ToInt(text[0]), std::move(text[1]), std::move(text[2]), std::move(text[3])});
  }
  project->versions = std::move(versions);
  return 0;
}

int wexalREPOSITORY::Items() { return LoadProjects(); }

int wexalREPOSITORY::GetItemInfo(int i, std::wstring* name, int* deleted, int* type, int* version) {
  if (!projectsLoaded_ && LoadProjects() < 0) return -1;
  if (i < 0 || i >= static_cast<int>(projects_.size()))
    return Fail(Format(L"There is no item %d in the repository.", i));
  const ROneProject& p = projects_[static_cast<std::size_t>(i)];
  if (name) *name = p.fileName;
  if (deleted) *deleted = 0;  // deleting is not offered, so every item is live
  if (type) *type = 1;        // a file
  if (version) *version = p.currentVersion;
  return 0;
}

int wexalREPOSITORY::IsCheckedOut(const wchar_t* file) {
  if (CheckName(file)) return -1;
  Session session(*this);
  if (session.Begin()) return -1;
  std::vector<std::wstring> row;
  std::vector<bool> nulls;
  const int found = QueryRow(
      L"select isLocked from RepTables where FileName = " + SqlStringLiteral(file), &row, &nulls);
  if (found < 0) return -1;
  return found == 0 && !nulls[0] ? 1 : 0;
}

int wexalREPOSITORY::AddItem(const wchar_t* file, const wchar_t* comment) {
  if (CheckName(file)) return -1;
  const std::wstring who = EffectiveUser();
  if (CheckUserAndNote(who, comment)) return -1;
  const std::wstring name = file;
  const std::wstring note = comment ? comment : L"";
  Session session(*this);
  if (session.Begin()) return -1;
  std::wstring text;
  if (ReadLocalText(name, &text)) return -1;
  Transaction transaction(db_);
  if (!transaction.Ok()) return FailDb(L"");
  const std::wstring now = SqlNow();
  // The new id and the test for the name in one statement, so two hosts adding at once cannot
  // both pass the test.
  int rows = 0;
  if (ExecuteChanging(L"insert into RepTables (projID, FileName, Author, Note, LastCheckIn, "
                      L"CurrentVersion) select (select coalesce(max(projID), 0) + 1 from "
                      L"RepTables), " +
                          SqlStringLiteral(name) + L", " + SqlStringLiteral(who) + L", " +
                          SqlStringLiteral(note) + L", " + now +
                          L", 1 where not exists (select 1 from "
                          L"RepTables where FileName = " +
                          SqlStringLiteral(name) + L")",
                      &rows))
    return -1;
  if (rows == 0) return Fail(Format(L"The file '%ls' is already in the repository.", file));
  std::vector<std::wstring> row;
  if (QueryRow(L"select projID from RepTables where FileName = " + SqlStringLiteral(name), &row) !=
      0)
    return -1;
  if (!CDB::isOK(db_->Execute(L"insert into RepVersions (ProjID, VersID, Author, Note, "
                              L"LastCheckIn, Project) values (" +
                              SqlInt(platform::ToInt(row[0])) + L", 1, " + SqlStringLiteral(who) +
                              L", " + SqlStringLiteral(note) + L", " + now + L", " +
                              SqlStringLiteral(text) + L")")))
    return FailDb(L"");
  if (!CDB::isOK(transaction.Commit())) return FailDb(L"");
  projectsLoaded_ = false;
  return 0;
}

int wexalREPOSITORY::CheckOutItem(const wchar_t* file, const wchar_t* /*comment*/) {
  // The check-out dialog takes no comment; the file's note stays the note of its latest version.
  if (CheckName(file)) return -1;
  const std::wstring who = EffectiveUser();
  if (CheckUserAndNote(who, nullptr)) return -1;
  const std::wstring name = file;

  Session session(*this);
  if (session.Begin()) return -1;
  Transaction transaction(db_);
  if (!transaction.Ok()) return FailDb(L"");
  const std::wstring now = SqlNow();
  int rows = 0;
  if (ExecuteChanging(L"update RepTables set isLocked = " + now + L", LockedBy = " +
                          SqlStringLiteral(who) + L", LastCheckOut = " + now +
                          L" where FileName = " + SqlStringLiteral(name) + L" and isLocked is null",
                      &rows))
    return -1;
  if (rows != 1) {
    if (rows == 0) {
      std::vector<std::wstring> row;
      std::vector<bool> nulls;
      const int found =
          QueryRow(L"select LockedBy from RepTables where FileName = " + SqlStringLiteral(name),
                   &row, &nulls);
      if (found < 0) return -1;
      if (found == CDB::kNoData)
        return Fail(Format(L"The file '%ls' is not in the repository.", file));
      return Fail(Format(L"The file '%ls' is already checked out by %ls.", file, row[0].c_str()));
    }
    return Fail(Format(L"The database could not tell whether '%ls' was checked out.", file));
  }
  // The local file changes only once the check-out is committed; until then its new text waits
  // beside it, and a failed commit leaves the file as it was.
  std::wstring text;
  platform::StagedFile local;
  if (CurrentText(name, &text) || StageLocalText(name, text, &local)) return -1;
  if (!CDB::isOK(transaction.Commit())) return FailDb(L"");
  projectsLoaded_ = false;
  if (!local.Publish())
    return Fail(Format(L"The file '%ls' is checked out, but '%ls' could not be written.", file,
                       LocalFile(name).c_str()));
  return 0;
}

int wexalREPOSITORY::CheckIn(const wchar_t* file, const wchar_t* comment) {
  if (CheckName(file)) return -1;
  const std::wstring who = EffectiveUser();
  if (CheckUserAndNote(who, comment)) return -1;
  const std::wstring name = file;
  const std::wstring note = comment ? comment : L"";
  const std::wstring ours = L" where FileName = " + SqlStringLiteral(name) +
                            L" and isLocked is not null and LockedBy = " + SqlStringLiteral(who);

  Session session(*this);
  if (session.Begin()) return -1;
  // The lock first, so that a refusal names the real cause rather than the local file.
  std::vector<std::wstring> row;
  const int found = QueryRow(L"select projID from RepTables" + ours, &row);
  if (found < 0) return -1;
  if (found == CDB::kNoData) return FailNotChanged(name, who);
  std::wstring text;
  if (ReadLocalText(name, &text)) return -1;

  Transaction transaction(db_);
  if (!transaction.Ok()) return FailDb(L"");
  // A write opens the transaction: SQLite then takes its write lock at once, and two hosts
  // checking in at the same time wait for each other instead of deadlocking.
  const std::wstring now = SqlNow();
  int rows = 0;
  if (ExecuteChanging(L"update RepTables set CurrentVersion = CurrentVersion + 1, LastCheckIn = " +
                          now + L", Note = " + SqlStringLiteral(note) +
                          L", isLocked = null, LockedBy = null" + ours,
                      &rows))
    return -1;
  if (rows != 1) return FailNotChanged(name, who);
  if (QueryRow(L"select projID, CurrentVersion from RepTables where FileName = " +
                   SqlStringLiteral(name),
               &row) != 0)
    return -1;
  if (!CDB::isOK(db_->Execute(L"insert into RepVersions (ProjID, VersID, Author, Note, "
                              L"LastCheckIn, Project) values (" +
                              SqlInt(platform::ToInt(row[0])) + L", " +
                              SqlInt(platform::ToInt(row[1])) + L", " + SqlStringLiteral(who) +
                              L", " + SqlStringLiteral(note) + L", " + now + L", " +
                              SqlStringLiteral(text) + L")")))
    return FailDb(L"");
  if (!CDB::isOK(transaction.Commit())) return FailDb(L"");
  projectsLoaded_ = false;
  return 0;
}

int wexalREPOSITORY::UndoCheckOut(const wchar_t* file) {
  if (CheckName(file)) return -1;
  const std::wstring who = EffectiveUser();
  const std::wstring name = file;

  Session session(*this);
  if (session.Begin()) return -1;
  Transaction transaction(db_);
  if (!transaction.Ok()) return FailDb(L"");
  int rows = 0;
  if (ExecuteChanging(L"update RepTables set isLocked = null, LockedBy = null where FileName = " +
                          SqlStringLiteral(name) + L" and isLocked is not null and LockedBy = " +
                          SqlStringLiteral(who),
                      &rows))
    return -1;
  if (rows != 1) return FailNotChanged(name, who);
  // As in CheckOutItem: the stored text replaces the local file only once the undo is committed.
  std::wstring text;
  platform::StagedFile local;
  if (CurrentText(name, &text) || StageLocalText(name, text, &local)) return -1;
  if (!CDB::isOK(transaction.Commit())) return FailDb(L"");
  projectsLoaded_ = false;
  if (!local.Publish())
    return Fail(Format(L"The check-out of '%ls' was undone, but '%ls' could not be written.",
                       file, LocalFile(name).c_str()));
  return 0;
}
