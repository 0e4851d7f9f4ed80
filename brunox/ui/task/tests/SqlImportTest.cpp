// The trace import dialog against a stand-in for the server that reads trace files (no such
// server can run here), and against a real connection that has no trace reader.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "brunox/ui/task/SqlImportDlg.h"
#include "kavra/CDB.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

struct TraceRow {
  std::wstring text, application, login;
};

// A server that reads a trace: answers the filter queries with the distinct names of its rows
// and the statement query with the rows themselves, and records every statement it is sent.
class TraceServer : public CDB {
 public:
  TraceServer() : CDB(0) {}

  int Execute(const std::wstring& sql, HSTMT_K) override {
    sent.push_back(sql);
    if (failExecute) {
      ErrorText = L"[42000] Could not open trace file.";
      return failExecute;
    }
    result_.clear();
    next_ = 0;
    if (sql.find(L"distinct(ApplicationName)") != std::wstring::npos)
      Distinct(&TraceRow::application);
    else if (sql.find(L"distinct(LoginName)") != std::wstring::npos)
      Distinct(&TraceRow::login);
    else
      for (const TraceRow& row : rows) result_.push_back({row.text, row.application, row.login});
    return kOk;
  }
  int Fetch(HSTMT_K) override {
    if (next_ == fetchFailsAt) {
      ErrorText = L"[08S01] Communication link failure";
      return kOdbcError;
    }
    if (next_ >= result_.size()) return kNoData;
    current_ = result_[next_++];
    return kOk;
  }
  int GetColumnText(int column, std::wstring* out, int*, HSTMT_K, int) override {
    if (column < 1 || column > static_cast<int>(current_.size())) return kBadArgument;
    *out = current_[column - 1];
    return kOk;
  }
  int CloseCursor(HSTMT_K) override {
    ++closed;
    return kOk;
  }

  std::vector<TraceRow> rows;
  std::vector<std::wstring> sent;
  int failExecute = 0;  // the result of every Execute, when not 0
  size_t fetchFailsAt = static_cast<size_t>(-1);
  int closed = 0;

 private:
  void Distinct(std::wstring TraceRow::*column) {
    for (const TraceRow& row : rows) {
      const std::wstring& value = row.*column;
      bool seen = false;
      for (const auto& r : result_) seen = seen || r[0] == value;
      if (!seen) result_.push_back({value});
    }
  }

  std::vector<std::vector<std::wstring>> result_;
  size_t next_ = 0;
  std::vector<std::wstring> current_;
};

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

class SqlImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.rows = {{L"select 1", L"app1", L"alice"},
                   {L"update t set a = 1", L"app2", L"bob"},
                   {L"select 2", L"app1", L"bob"},
                   {L"delete from t", L"App1", L"bob"}};
  }

  testsupport::RecordingUi ui;
  TraceServer server;
};

TEST_F(SqlImportTest, WithoutFiltersEveryStatementIsImportedInTraceOrder) {
  CSqlImport dialog(&server);
  dialog.PathEdit()->setText(QStringLiteral("/traces/a.trc"));
  dialog.accept();
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  EXPECT_EQ((std::vector<std::wstring>{L"select 1", L"update t set a = 1", L"select 2",
                                       L"delete from t"}),
            dialog.Statements());
  EXPECT_EQ(L"select 1\r\nupdate t set a = 1\r\nselect 2\r\ndelete from t\r\n", dialog.Script());
  ASSERT_EQ(1u, server.sent.size());
  EXPECT_EQ(
      L"select TextData,ApplicationName,LoginName FROM fn_trace_gettable('/traces/a.trc', "
      L"default) where TextData is not null",
      server.sent[0]);
  EXPECT_EQ(1, server.closed);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SqlImportTest, ChosenTraceOffersItsApplicationsAndLoginsAndBothFiltersMustMatch) {
  CSqlImport dialog(&server);
  ui.fileChoices = {L"/traces/a.trc"};
  dialog.Browse();
  EXPECT_EQ(QStringLiteral("/traces/a.trc"), dialog.PathEdit()->text());
  EXPECT_TRUE(dialog.ApplicationFilter()->isEnabled());
  EXPECT_EQ((QStringList{"<For All Applications>", "app1", "app2", "App1"}),
            Items(dialog.ApplicationFilter()));
  EXPECT_EQ((QStringList{"<For All Logins>", "alice", "bob"}), Items(dialog.LoginFilter()));
  EXPECT_EQ(0, dialog.ApplicationFilter()->currentIndex());
  EXPECT_EQ(2, server.closed);

  // One filter alone.
  dialog.ApplicationFilter()->setCurrentText(QStringLiteral("app1"));
  dialog.accept();
  EXPECT_EQ((std::vector<std::wstring>{L"select 1", L"select 2"}), dialog.Statements());

  // Both: application and login must match, with letter case.
  dialog.LoginFilter()->setCurrentText(QStringLiteral("bob"));
  dialog.accept();
  EXPECT_EQ(std::vector<std::wstring>{L"select 2"}, dialog.Statements());
  EXPECT_EQ(L"select 2\r\n", dialog.Script());

  dialog.ApplicationFilter()->setCurrentIndex(0);
  dialog.accept();
  EXPECT_EQ((std::vector<std::wstring>{L"update t set a = 1", L"select 2", L"delete from t"}),
            dialog.Statements());
}

TEST_F(SqlImportTest, APathWithQuotesReachesTheServerAsOneLiteral) {
  CSqlImport dialog(&server);
  dialog.UseTrace(L"/traces/o'brien', default) --.trc");
  dialog.accept();
  ASSERT_EQ(3u, server.sent.size());
  const std::wstring table = L"fn_trace_gettable('/traces/o''brien'', default) --.trc', default)";
  EXPECT_EQ(
      L"select distinct(ApplicationName) FROM " + table + L" where ApplicationName is not null",
      server.sent[0]);
  EXPECT_EQ(L"select distinct(LoginName) FROM " + table + L" where LoginName is not null",
            server.sent[1]);
  EXPECT_EQ(
      L"select TextData,ApplicationName,LoginName FROM " + table + L" where TextData is not null",
      server.sent[2]);
}

TEST_F(SqlImportTest, AFailedReadSaysWhyImportsNothingAndKeepsTheDialogOpen) {
  CSqlImport dialog(&server);
  dialog.PathEdit()->setText(QStringLiteral("/traces/a.trc"));
  dialog.accept();  // a first import that worked
  ASSERT_EQ(4u, dialog.Statements().size());

  dialog.setResult(QDialog::Rejected);
  server.failExecute = CDB::kOdbcError;
  dialog.accept();
  EXPECT_TRUE(dialog.Statements().empty());
  EXPECT_TRUE(dialog.Script().empty());
  EXPECT_NE(QDialog::Accepted, dialog.result());
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(L"[42000] Could not open trace file."));
  EXPECT_EQ(L"Import SQL Script From", ui.messages[0].caption);

  // A read that breaks off half-way gives nothing either.
  server.failExecute = 0;
  server.fetchFailsAt = 2;
  dialog.accept();
  EXPECT_TRUE(dialog.Statements().empty());
  EXPECT_NE(QDialog::Accepted, dialog.result());
  ASSERT_EQ(2u, ui.messages.size());
  EXPECT_NE(std::wstring::npos, ui.messages[1].text.find(L"[08S01] Communication link failure"));
}

TEST_F(SqlImportTest, AFailingFilterQueryLeavesOnlyTheEntryForAll) {
  CSqlImport dialog(&server);
  server.failExecute = CDB::kOdbcError;
  dialog.UseTrace(L"/traces/missing.trc");
  EXPECT_EQ(QStringList{"<For All Applications>"}, Items(dialog.ApplicationFilter()));
  EXPECT_EQ(QStringList{"<For All Logins>"}, Items(dialog.LoginFilter()));
  EXPECT_TRUE(ui.messages.empty());  // the import says what is wrong
}

TEST_F(SqlImportTest, AnEmptyTraceGivesAnEmptyScript) {
  server.rows.clear();
  CSqlImport dialog(&server);
  dialog.PathEdit()->setText(QStringLiteral("/traces/empty.trc"));
  dialog.accept();
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  EXPECT_TRUE(dialog.Statements().empty());
  EXPECT_EQ(L"", dialog.Script());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SqlImportTest, WithoutAConnectionTheDialogSaysSoAndStaysOpen) {
  std::unique_ptr<CDB> unconnected(CDB::newDB(0));
  ASSERT_NE(nullptr, unconnected);
  for (CDB* db : {static_cast<CDB*>(nullptr), unconnected.get()}) {
    ui.messages.clear();
    CSqlImport dialog(db);
    ui.fileChoices = {L"/traces/a.trc"};
    dialog.Browse();
    dialog.accept();
    EXPECT_NE(QDialog::Accepted, dialog.result());
    EXPECT_TRUE(dialog.Statements().empty());
    ASSERT_EQ(2u, ui.messages.size());  // once for the file, once for the import
    EXPECT_EQ(CSqlImport::kNoConnection, ui.messages[0].text);
    EXPECT_EQ(CSqlImport::kNoConnection, ui.messages[1].text);
  }
}

TEST_F(SqlImportTest, AServerWithoutTraceTablesIsToldBeforeAnythingIsSent) {
  std::unique_ptr<CDB> sqlite(CDB::newDB(0));
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(
      platform::FolderPart(testsupport::NewScratchPath(L"db")) + L"/trace.sqlite");
  ASSERT_TRUE(CDB::isOK(sqlite->OpenConnection(&info))) << sqlite->ErrorText;
  CSqlImport dialog(sqlite.get());
  dialog.UseTrace(L"/traces/a.trc");
  dialog.accept();
  EXPECT_NE(QDialog::Accepted, dialog.result());
  ASSERT_EQ(2u, ui.messages.size());  // once for the file, once for the import
  for (const auto& message : ui.messages) {
    EXPECT_NE(std::wstring::npos, message.text.find(L"has no trace tables"))
        << platform::ToUtf8(message.text);
    EXPECT_NE(std::wstring::npos, message.text.find(sqlite->DbmsName));
  }
  EXPECT_EQ(L"", sqlite->ErrorText) << "a query was sent all the same";
}

TEST_F(SqlImportTest, Screenshot) {
  CSqlImport dialog(&server);
  dialog.UseTrace(L"/traces/nightly load.trc");
  dialog.resize(dialog.sizeHint());  // as on its first opening, before a size was kept
  dialog.show();
  QTest::qWait(20);
  EXPECT_FALSE(testsupport::SaveScreenshot(dialog, QStringLiteral("sql_import")).isEmpty());
}

}  // namespace
