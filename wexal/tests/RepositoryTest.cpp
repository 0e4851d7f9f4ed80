// The database repository against a real SQLite file and the real PostgreSQL server: creating
// its tables, and adding, checking out, checking in and undoing files for real.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kavra/CDB.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"
#include "wexal/wexalREPOSITORY.h"

namespace {

enum class Backend { kSqlite, kPostgres };

std::string BackendName(const testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kSqlite ? "Sqlite" : "Postgres";
}

std::string Bytes(const std::wstring& path) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadFileBytes(path, bytes)) << platform::ToUtf8(path);
  return bytes;
}

void Put(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(platform::WriteFileBytes(path, bytes)) << platform::ToUtf8(path);
}

class RepositoryTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::kPostgres) {
      REQUIRE_POSTGRES();
      // The server's database is shared with other tests running at the same time, and the
      // table names are fixed: each test gets a schema of its own.
      static int counter = 0;
      schema_ = L"wexal_rep_" + platform::FromInt(getpid()) + L"_" + platform::FromInt(++counter);
      admin_ = Connect(testsupport::PostgresConnString());
      ASSERT_NE(admin_, nullptr);
      ASSERT_EQ(admin_->Execute(L"drop schema if exists " + schema_ + L" cascade"), 0);
      ASSERT_EQ(admin_->Execute(L"create schema " + schema_), 0) << Text(admin_->ErrorText);
    } else {
      sqliteFile_ = testsupport::NewScratchPath(L"repository.db");
    }
    folder_ = platform::FolderPart(testsupport::NewScratchPath(L"work"));
  }

  void TearDown() override {
    if (admin_) admin_->Execute(L"drop schema if exists " + schema_ + L" cascade");
  }

  static std::string Text(const std::wstring& s) { return platform::ToUtf8(s); }

  CONN_INFO Info() const {
    CONN_INFO info;
    info.Kind = CONN_STRING;
    info.ConnString = GetParam() == Backend::kSqlite
                          ? testsupport::SqliteConnString(sqliteFile_)
                          : testsupport::PostgresConnString() +
                                L"ConnSettings=set search_path to " + schema_ + L";";
    return info;
  }

  static std::unique_ptr<CDB> Connect(const std::wstring& connString) {
    std::unique_ptr<CDB> db(CDB::newDB(0));
    CONN_INFO info;
    info.Kind = CONN_STRING;
    info.ConnString = connString;
    if (!db || db->OpenConnection(&info) != 0) {
      ADD_FAILURE() << "cannot connect: " << (db ? Text(db->ErrorText) : "");
      return nullptr;
    }
    return db;
  }
  std::unique_ptr<CDB> Host() { return Connect(Info().ConnString); }

  // A repository with tables, on a connection of its own, working in this test's folder.
  std::unique_ptr<wexalREPOSITORY> Repository(const std::wstring& who) {
    auto r = std::make_unique<wexalREPOSITORY>();
    CONN_INFO info = Info();
    EXPECT_EQ(r->AssignDB(&info), 0);
    r->user = who;
    r->localFolder = folder_;
    return r;
  }
  void CreateTables() {
    auto r = Repository(L"setup");
    ASSERT_EQ(r->Create(), 0) << Text(r->error);
  }
  std::wstring Local(const std::wstring& name) const { return folder_ + L"/" + name; }

  // The texts of the first column of every row.
  static std::vector<std::wstring> Column(CDB* db, const std::wstring& sql) {
    std::vector<std::wstring> values;
    EXPECT_EQ(db->Execute(sql), 0) << Text(db->ErrorText);
    while (db->Fetch() == 0) {
      std::wstring text;
      int size = 0;
      db->GetColumnText(1, &text, &size);
      values.push_back(size == -1 ? L"<NULL>" : text);
    }
    db->CloseCursor();
    return values;
  }

  std::wstring sqliteFile_;
  std::wstring schema_;
  std::wstring folder_;
  std::unique_ptr<CDB> admin_;
};

TEST(RepositoryWithoutConnection, RefusesEveryOperationWithTheSameText) {
  wexalREPOSITORY r;
  EXPECT_EQ(r.Create(), 1);
  EXPECT_EQ(r.error, L"The database connection is not established yet.");
  EXPECT_EQ(r.Ready(), 0);
  r.error.clear();
  EXPECT_EQ(r.Open(), -1);
  EXPECT_EQ(r.error, L"The database connection is not established yet.");
  r.error.clear();
  EXPECT_EQ(r.AddItem(L"a.sql", L"c"), -1);
  EXPECT_EQ(r.error, L"The database connection is not established yet.");
  EXPECT_EQ(r.Items(), -1);
  EXPECT_EQ(r.IsCheckedOut(L"a.sql"), -1);
  EXPECT_EQ(r.Init(), -1);
}

TEST_P(RepositoryTest, CreateMakesBothTablesAndLeavesTheHostConnectionConnected) {
  std::unique_ptr<CDB> host = Host();
  ASSERT_NE(host, nullptr);
  {
    wexalREPOSITORY r;
    r.AssignDB(host.get());
    ASSERT_EQ(r.Create(), 0) << Text(r.error);
    EXPECT_EQ(r.Ready(), 1);
  }
  // The host's object outlives the back end, still connected.
  ASSERT_TRUE(host->IsConnected());
  if (GetParam() == Backend::kSqlite) {
    EXPECT_EQ(Column(host.get(),
                     L"select lower(type) from pragma_table_info('RepVersions') "
                     L"where name = 'Project'"),
              std::vector<std::wstring>{L"text"});
    EXPECT_EQ(Column(host.get(),
                     L"select lower(type) from pragma_table_info('RepTables') "
                     L"where name = 'isLocked'"),
              std::vector<std::wstring>{L"datetime"});
  } else {
    const std::wstring query =
        L"select data_type from information_schema.columns where table_schema = '" + schema_ +
        L"' and table_name = '";
    EXPECT_EQ(Column(host.get(), query + L"repversions' and column_name = 'project'"),
              std::vector<std::wstring>{L"text"});
    EXPECT_EQ(Column(host.get(), query + L"reptables' and column_name = 'islocked'"),
              std::vector<std::wstring>{L"timestamp without time zone"});
  }
  EXPECT_EQ(Column(host.get(), L"select count(*) from RepTables"), std::vector<std::wstring>{L"0"});
}

TEST_P(RepositoryTest, CreateAgainGivesTwoAndDoesNotMakeRepVersions) {
  std::unique_ptr<CDB> host = Host();
  ASSERT_NE(host, nullptr);
  wexalREPOSITORY r;
  r.AssignDB(host.get());
  ASSERT_EQ(r.Create(), 0) << Text(r.error);
  ASSERT_EQ(host->Execute(L"drop table RepVersions"), 0);
  EXPECT_EQ(r.Create(), 2);
  // The server's text, then both statements, each after an empty line.
  const std::size_t tables = r.error.find(L"\n\ncreate table RepTables( projID integer primary");
  ASSERT_NE(tables, std::wstring::npos) << Text(r.error);
  EXPECT_GT(tables, 0u);
  const std::size_t versions = r.error.find(L"\n\ncreate table RepVersions( ProjID integer");
  ASSERT_NE(versions, std::wstring::npos) << Text(r.error);
  EXPECT_GT(versions, tables);
  EXPECT_TRUE(platform::EndsWith(r.error, L" null)"));
  EXPECT_NE(host->Execute(L"select count(*) from RepVersions"), 0);
  EXPECT_TRUE(host->IsConnected());
}

TEST_P(RepositoryTest, AnOwnConnectionIsConnectedOnlyWhileItIsUsed) {
  auto r = Repository(L"alice");
  ASSERT_NE(r->Connection(), nullptr);
  ASSERT_EQ(r->Create(), 0) << Text(r->error);
  EXPECT_FALSE(r->Connection()->IsConnected());
  EXPECT_EQ(r->Ready(), 1);
  EXPECT_FALSE(r->Connection()->IsConnected());
  ASSERT_EQ(r->Open(), 0) << Text(r->error);
  EXPECT_TRUE(r->Connection()->IsConnected());
  r->Close();
  EXPECT_FALSE(r->Connection()->IsConnected());

  // A copy works on a connection object of its own with the same description.
  wexalREPOSITORY copy(*r);
  ASSERT_NE(copy.Connection(), nullptr);
  EXPECT_NE(copy.Connection(), r->Connection());
  EXPECT_EQ(copy.Items(), 0) << Text(copy.error);

  // A description that cannot connect: Create reports the driver's text, nothing leaks.
  CONN_INFO bad;
  bad.Kind = CONN_STRING;
  bad.ConnString = L"Driver=NoSuchDriverHere;";
  ASSERT_EQ(r->AssignDB(&bad), 0);
  EXPECT_EQ(r->Create(), 1);
  EXPECT_FALSE(r->error.empty());
  EXPECT_EQ(r->Open(), -1);
  EXPECT_EQ(r->Ready(), 0);
}

TEST_P(RepositoryTest, WorkOnAManualCommitConnectionIsCommitted) {
  wexalREPOSITORY r;
  CONN_INFO info = Info();
  info.ManualCommit = 1;
  ASSERT_EQ(r.AssignDB(&info), 0);
  r.localFolder = folder_;
  ASSERT_EQ(r.Create(), 0) << Text(r.error);
  Put(Local(L"a.sql"), "x");
  ASSERT_EQ(r.AddItem(L"a.sql", L"kept"), 0) << Text(r.error);
  ASSERT_EQ(r.CheckOutItem(L"a.sql", L""), 0) << Text(r.error);
  std::unique_ptr<CDB> other = Host();
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(Column(other.get(), L"select Note from RepVersions"),
            std::vector<std::wstring>{L"kept"});
  EXPECT_EQ(Column(other.get(), L"select count(*) from RepTables where isLocked is not null"),
            std::vector<std::wstring>{L"1"});
}

TEST_P(RepositoryTest, OpenWithoutTablesFailsAndLeavesAnUnconnectedHostUnconnected) {
  std::unique_ptr<CDB> host = Host();
  ASSERT_NE(host, nullptr);
  host->CloseConnection();
  wexalREPOSITORY r;
  r.AssignDB(host.get());
  EXPECT_EQ(r.Open(), -1);
  EXPECT_TRUE(platform::StartsWith(
      r.error, L"The repository tables cannot be read; create the repository first."));
  EXPECT_FALSE(host->IsConnected());
  EXPECT_EQ(r.Ready(), 0);
  ASSERT_EQ(r.Create(), 0) << Text(r.error);
  EXPECT_FALSE(host->IsConnected());
  ASSERT_EQ(r.Open(), 0);
  EXPECT_TRUE(host->IsConnected());
  r.Close();
  EXPECT_FALSE(host->IsConnected());
}

TEST_P(RepositoryTest, AddCheckOutCheckInUndoAndHistory) {
  CreateTables();
  auto alice = Repository(L"alice");
  auto bob = Repository(L"bob");
  Put(Local(L"a.sql"), "select 1;\n");
  ASSERT_EQ(alice->AddItem(L"a.sql", L"first"), 0) << Text(alice->error);
  EXPECT_EQ(alice->AddItem(L"a.sql", L"again"), -1);
  EXPECT_EQ(alice->error, L"The file 'a.sql' is already in the repository.");
  EXPECT_EQ(alice->IsCheckedOut(L"a.sql"), 0);
  EXPECT_EQ(alice->CheckIn(L"a.sql", L"x"), -1);
  EXPECT_EQ(alice->error, L"The file 'a.sql' is not checked out.");
  EXPECT_EQ(alice->UndoCheckOut(L"a.sql"), -1);
  EXPECT_EQ(alice->error, L"The file 'a.sql' is not checked out.");

  // Check-out writes the current version over whatever the local file holds.
  Put(Local(L"a.sql"), "scribbled");
  ASSERT_EQ(alice->CheckOutItem(L"a.sql", L""), 0) << Text(alice->error);
  EXPECT_EQ(Bytes(Local(L"a.sql")), "select 1;\n");
  EXPECT_EQ(bob->IsCheckedOut(L"a.sql"), 1);
  EXPECT_EQ(bob->CheckOutItem(L"a.sql", L""), -1);
  EXPECT_EQ(bob->error, L"The file 'a.sql' is already checked out by alice.");
  EXPECT_EQ(alice->CheckOutItem(L"a.sql", L""), -1);
  EXPECT_EQ(bob->CheckIn(L"a.sql", L"mine"), -1);
  EXPECT_EQ(bob->error, L"The file 'a.sql' is checked out by alice.");
  EXPECT_EQ(bob->UndoCheckOut(L"a.sql"), -1);
  EXPECT_EQ(bob->error, L"The file 'a.sql' is checked out by alice.");

  Put(Local(L"a.sql"), "select 2;\n");
  ASSERT_EQ(alice->CheckIn(L"a.sql", L"second"), 0) << Text(alice->error);
  EXPECT_EQ(alice->IsCheckedOut(L"a.sql"), 0);

  // Bob takes it now, spoils his copy and undoes: the file is version 2 again.
  ASSERT_EQ(bob->CheckOutItem(L"a.sql", L""), 0) << Text(bob->error);
  Put(Local(L"a.sql"), "drop table everything;");
  ASSERT_EQ(bob->UndoCheckOut(L"a.sql"), 0) << Text(bob->error);
  EXPECT_EQ(Bytes(Local(L"a.sql")), "select 2;\n");
  EXPECT_EQ(bob->IsCheckedOut(L"a.sql"), 0);

  ASSERT_EQ(bob->CheckOutItem(L"a.sql", L""), 0);
  Put(Local(L"a.sql"), "select 3;\n");
  ASSERT_EQ(bob->CheckIn(L"a.sql", L"third"), 0) << Text(bob->error);

  ROneProject history;
  history.fileName = L"a.sql";
  ASSERT_EQ(alice->LoadVersions(&history), 0) << Text(alice->error);
  EXPECT_EQ(history.currentVersion, 3);
  EXPECT_EQ(history.author, L"alice");
  EXPECT_EQ(history.note, L"third");
  EXPECT_TRUE(history.lockedBy.empty());
  EXPECT_TRUE(history.lockedSince.empty());
  ASSERT_EQ(history.versions.size(), 3u);
  const std::vector<std::pair<std::wstring, std::wstring>> expected = {
      {L"alice", L"first"}, {L"alice", L"second"}, {L"bob", L"third"}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(history.versions[i].number, static_cast<int>(i) + 1);
    EXPECT_EQ(history.versions[i].author, expected[i].first);
    EXPECT_EQ(history.versions[i].note, expected[i].second);
    EXPECT_EQ(history.versions[i].checkedIn.size(), 19u) << Text(history.versions[i].checkedIn);
  }

  // Every version's text is kept.
  std::unique_ptr<CDB> host = Host();
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(Column(host.get(), L"select Project from RepVersions order by VersID"),
            (std::vector<std::wstring>{L"select 1;\n", L"select 2;\n", L"select 3;\n"}));
}

TEST_P(RepositoryTest, ItemsListTheFilesWithTheirCurrentVersions) {
  CreateTables();
  auto r = Repository(L"alice");
  EXPECT_EQ(r->Items(), 0);
  for (const wchar_t* name : {L"b.sql", L"a.sql"}) {
    Put(Local(name), "x");
    ASSERT_EQ(r->AddItem(name, L""), 0) << Text(r->error);
  }
  ASSERT_EQ(r->CheckOutItem(L"b.sql", L""), 0);
  ASSERT_EQ(r->CheckIn(L"b.sql", L""), 0) << Text(r->error);
  ASSERT_EQ(r->Items(), 2);
  std::wstring name;
  int deleted = -1, type = -1, version = -1;
  ASSERT_EQ(r->GetItemInfo(0, &name, &deleted, &type, &version), 0);
  EXPECT_EQ(name, L"a.sql");
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(version, 1);
  ASSERT_EQ(r->GetItemInfo(1, &name, nullptr, nullptr, &version), 0);
  EXPECT_EQ(name, L"b.sql");
  EXPECT_EQ(version, 2);
  EXPECT_EQ(r->GetItemInfo(2, &name, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(r->error, L"There is no item 2 in the repository.");
  EXPECT_EQ(r->GetItemInfo(-1, &name, nullptr, nullptr, nullptr), -1);
}

TEST_P(RepositoryTest, QuotesBackslashesAndNonAsciiTextGoInAndComeBackUnchanged) {
  CreateTables();
  auto r = Repository(L"O'Neil");
  const std::wstring name = L"it's \"odd\" {fn x} ? é€.sql";
  const std::string content =
      "select 'a''b', \"c\", E'\\n' from t where x = ? -- {fn now()} \\ 'unclosed\r\n"
      "Grüße 😀 €\n\ttab\n";
  Put(Local(name), content);
  const std::wstring comment = L"O'Brien's \\ change; --'; drop table RepTables; 😀";
  ASSERT_EQ(r->AddItem(name.c_str(), comment.c_str()), 0) << Text(r->error);
  Put(Local(name), "");
  ASSERT_EQ(r->CheckOutItem(name.c_str(), L""), 0) << Text(r->error);
  EXPECT_EQ(Bytes(Local(name)), content);
  EXPECT_EQ(r->IsCheckedOut(name.c_str()), 1);
  EXPECT_EQ(r->CheckOutItem(name.c_str(), L""), -1);
  EXPECT_EQ(r->error, L"The file '" + name + L"' is already checked out by O'Neil.");

  // A large version comes back whole.
  std::string big;
  while (big.size() < 200000) big += "línea " + std::to_string(big.size()) + " 'q'\n";
  Put(Local(name), big);
  ASSERT_EQ(r->CheckIn(name.c_str(), comment.c_str()), 0) << Text(r->error);
  ASSERT_EQ(r->CheckOutItem(name.c_str(), L""), 0) << Text(r->error);
  Put(Local(name), "spoilt");
  ASSERT_EQ(r->UndoCheckOut(name.c_str()), 0) << Text(r->error);
  EXPECT_TRUE(Bytes(Local(name)) == big);

  ROneProject history;
  history.fileName = name;
  ASSERT_EQ(r->LoadVersions(&history), 0) << Text(r->error);
  ASSERT_EQ(history.versions.size(), 2u);
  EXPECT_EQ(history.versions[0].author, L"O'Neil");
  EXPECT_EQ(history.versions[1].note, comment);
  ASSERT_EQ(r->Items(), 1);
  std::wstring listed;
  ASSERT_EQ(r->GetItemInfo(0, &listed, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(listed, name);
}

TEST_P(RepositoryTest, BadInputIsRefusedAndStoresNothing) {
  CreateTables();
  auto r = Repository(L"alice");
  EXPECT_EQ(r->AddItem(L"missing.sql", L""), -1);
  EXPECT_NE(r->error.find(L"missing.sql"), std::wstring::npos) << Text(r->error);

  Put(Local(L"binary.dat"), std::string("ab\0cd", 5));
  EXPECT_EQ(r->AddItem(L"binary.dat", L""), -1);
  EXPECT_EQ(r->error, L"The file '" + Local(L"binary.dat") +
                          L"' is not a text file; the repository keeps text files only.");
  Put(Local(L"latin1.txt"), "caf\xe9");
  EXPECT_EQ(r->AddItem(L"latin1.txt", L""), -1);

  Put(Local(L"ok.sql"), "x");
  EXPECT_EQ(r->AddItem(L"ok.sql", std::wstring(256, L'c').c_str()), -1);
  EXPECT_EQ(r->error, L"The comment is longer than 255 characters.");
  const std::wstring longName(129, L'n');
  EXPECT_EQ(r->AddItem(longName.c_str(), L""), -1);
  EXPECT_EQ(r->AddItem(L"", L""), -1);
  EXPECT_EQ(r->AddItem(nullptr, L""), -1);
  r->user = std::wstring(31, L'u');
  EXPECT_EQ(r->AddItem(L"ok.sql", L""), -1);
  EXPECT_EQ(r->Items(), 0);

  r->user = L"alice";
  EXPECT_EQ(r->CheckOutItem(L"nothere.sql", L""), -1);
  EXPECT_EQ(r->error, L"The file 'nothere.sql' is not in the repository.");
  EXPECT_EQ(r->IsCheckedOut(L"nothere.sql"), 0);
  ROneProject none;
  none.fileName = L"nothere.sql";
  EXPECT_EQ(r->LoadVersions(&none), -1);
  EXPECT_EQ(r->LoadVersions(nullptr), -1);
}

TEST_P(RepositoryTest, ACheckOutThatCannotWriteTheLocalFileKeepsTheFileUnlocked) {
  CreateTables();
  auto r = Repository(L"alice");
  Put(Local(L"a.sql"), "x");
  ASSERT_EQ(r->AddItem(L"a.sql", L""), 0) << Text(r->error);
  // A folder where the file should be: the write fails, and the lock must not stay behind.
  ASSERT_TRUE(platform::RemoveFile(Local(L"a.sql")));
  ASSERT_TRUE(platform::MakeDirectories(Local(L"a.sql")));
  EXPECT_EQ(r->CheckOutItem(L"a.sql", L""), -1);
  EXPECT_EQ(r->error, L"Could not write the file '" + Local(L"a.sql") + L"'.");
  EXPECT_EQ(r->IsCheckedOut(L"a.sql"), 0);
}

// Makes every commit that changed a row of RepTables fail (at the commit, not before), or stops
// doing so. SQLite checks its deferred foreign keys only on connections that ask for them
// (FKSupport=1 in the connection string).
void RefuseCommits(CDB* db, bool sqlite, const std::wstring& schema, bool refuse) {
  std::vector<std::wstring> statements;
  if (sqlite && refuse)
    statements = {L"create table if not exists Missing (id integer primary key)",
                  L"create table if not exists Guard (id integer references Missing(id) "
                  L"deferrable initially deferred)",
                  L"create trigger refuse after update on RepTables begin insert into Guard "
                  L"values (1); end"};
  else if (sqlite)
    statements = {L"drop trigger refuse"};
  else if (refuse)
    statements = {L"create or replace function " + schema +
                      L".refuse() returns trigger language plpgsql as 'begin raise exception "
                      L"''commit refused''; end'",
                  L"create constraint trigger refuse after update on " + schema +
                      L".RepTables deferrable initially deferred for each row execute function " +
                      schema + L".refuse()"};
  else
    statements = {L"drop trigger refuse on " + schema + L".RepTables"};
  for (const std::wstring& sql : statements)
    ASSERT_EQ(db->Execute(sql), 0) << platform::ToUtf8(sql) << ": "
                                   << platform::ToUtf8(db->ErrorText);
}

// The names in the work folder that are not `keep`: what an operation left behind.
std::vector<std::wstring> Leftovers(const std::wstring& folder, const std::wstring& keep) {
  std::vector<std::wstring> names;
  for (const auto& entry : std::filesystem::directory_iterator(platform::ToUtf8(folder))) {
    const std::wstring name = platform::FromUtf8(entry.path().filename().string());
    if (name != keep) names.push_back(name);
  }
  return names;
}

// A check-out or undo whose commit fails hands nothing out: the local file keeps the user's text
// and nothing is left beside it.
TEST_P(RepositoryTest, AFailedCommitLeavesTheLocalFileAsItWas) {
  const bool sqlite = GetParam() == Backend::kSqlite;
  CreateTables();
  auto r = std::make_unique<wexalREPOSITORY>();
  CONN_INFO info = Info();
  if (sqlite) info.ConnString += L"FKSupport=1;";
  ASSERT_EQ(r->AssignDB(&info), 0);
  r->user = L"alice";
  r->localFolder = folder_;
  std::unique_ptr<CDB> owner = sqlite ? Host() : nullptr;
  CDB* setup = sqlite ? owner.get() : admin_.get();
  ASSERT_NE(setup, nullptr);

  Put(Local(L"a.sql"), "stored\n");
  ASSERT_EQ(r->AddItem(L"a.sql", L""), 0) << Text(r->error);
  Put(Local(L"a.sql"), "local edits\n");
  RefuseCommits(setup, sqlite, schema_, true);
  EXPECT_EQ(r->CheckOutItem(L"a.sql", L""), -1);
  EXPECT_FALSE(r->error.empty());
  EXPECT_EQ(Bytes(Local(L"a.sql")), "local edits\n");
  EXPECT_EQ(Leftovers(folder_, L"a.sql"), std::vector<std::wstring>{});
  EXPECT_EQ(r->IsCheckedOut(L"a.sql"), 0);

  RefuseCommits(setup, sqlite, schema_, false);
  ASSERT_EQ(r->CheckOutItem(L"a.sql", L""), 0) << Text(r->error);
  EXPECT_EQ(Bytes(Local(L"a.sql")), "stored\n");
  Put(Local(L"a.sql"), "more edits\n");
  RefuseCommits(setup, sqlite, schema_, true);
  EXPECT_EQ(r->UndoCheckOut(L"a.sql"), -1);
  EXPECT_EQ(Bytes(Local(L"a.sql")), "more edits\n");
  EXPECT_EQ(Leftovers(folder_, L"a.sql"), std::vector<std::wstring>{});
  EXPECT_EQ(r->IsCheckedOut(L"a.sql"), 1);

  RefuseCommits(setup, sqlite, schema_, false);
  ASSERT_EQ(r->UndoCheckOut(L"a.sql"), 0) << Text(r->error);
  EXPECT_EQ(Bytes(Local(L"a.sql")), "stored\n");
}

TEST_P(RepositoryTest, TwoHostsWithOpenConnectionsCannotBothCheckOut) {
  CreateTables();
  auto alice = Repository(L"alice");
  auto bob = Repository(L"bob");
  Put(Local(L"a.sql"), "x");
  ASSERT_EQ(alice->AddItem(L"a.sql", L""), 0) << Text(alice->error);
  // Both hold open connections, as two host windows would.
  ASSERT_EQ(alice->Open(), 0);
  ASSERT_EQ(bob->Open(), 0);
  const int a = alice->CheckOutItem(L"a.sql", L"");
  const int b = bob->CheckOutItem(L"a.sql", L"");
  EXPECT_EQ((a == 0) + (b == 0), 1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(bob->error, L"The file 'a.sql' is already checked out by alice.");
  alice->Close();
  bob->Close();
}

TEST_P(RepositoryTest, ConcurrentCheckOutsOfOneFileLetExactlyOneWin) {
  CreateTables();
  auto alice = Repository(L"alice");
  auto bob = Repository(L"bob");
  bob->localFolder = platform::FolderPart(testsupport::NewScratchPath(L"bob"));
  std::vector<std::wstring> aliceHolds, bobHolds;
  for (int round = 0; round < 8; ++round) {
    const std::wstring name = L"f" + platform::FromInt(round) + L".sql";
    Put(Local(name), "x");
    ASSERT_EQ(alice->AddItem(name.c_str(), L""), 0) << Text(alice->error);
    int a = 1, b = 1;
    std::thread first([&] { a = alice->CheckOutItem(name.c_str(), L""); });
    std::thread second([&] { b = bob->CheckOutItem(name.c_str(), L""); });
    first.join();
    second.join();
    ASSERT_EQ((a == 0) + (b == 0), 1) << Text(alice->error) << " / " << Text(bob->error);
    const wexalREPOSITORY& loser = a == 0 ? *bob : *alice;
    EXPECT_TRUE(
        platform::StartsWith(loser.error, L"The file '" + name + L"' is already checked out by "))
        << Text(loser.error);
    (a == 0 ? aliceHolds : bobHolds).push_back(name);
  }
  // Both check their files in at the same time: neither waits for ever nor fails.
  for (const std::wstring& name : bobHolds) Put(bob->LocalFile(name), "y");
  int aliceFailures = 0, bobFailures = 0;
  std::thread first([&] {
    for (const std::wstring& name : aliceHolds)
      aliceFailures += alice->CheckIn(name.c_str(), L"a") != 0;
  });
  std::thread second([&] {
    for (const std::wstring& name : bobHolds) bobFailures += bob->CheckIn(name.c_str(), L"b") != 0;
  });
  first.join();
  second.join();
  EXPECT_EQ(aliceFailures, 0) << Text(alice->error);
  EXPECT_EQ(bobFailures, 0) << Text(bob->error);
  EXPECT_EQ(alice->Items(), 8);
  for (int i = 0; i < 8; ++i) {
    int version = 0;
    ASSERT_EQ(alice->GetItemInfo(i, nullptr, nullptr, nullptr, &version), 0);
    EXPECT_EQ(version, 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, RepositoryTest,
                         testing::Values(Backend::kSqlite, Backend::kPostgres), BackendName);

}  // namespace
