// The executed-statement log page: reading logs of every shape the runner and other writers
// leave, the page in the window after real runs, and how fast a very large log opens.
#include <QElapsedTimer>
#include <QHeaderView>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <cstdio>
#include <string>

#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/run/PageSQLLog.h"
#include "brunox/ui/run/StatementLogModel.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/run/tests/ReportPagesFixture.h"
#include "platform/TextFile.h"
#include "platform/UserFile.h"
#include "testsupport/Screenshot.h"

namespace {

const wchar_t kHeader[] =
    L"TaskNo\tTaskName\tThread\tSQL\tRowsFetched\tExecTime\tFetchTime\tTimestamp";

std::wstring WriteUtf16Log(const std::wstring& name, const std::wstring& text) {
  const std::wstring path = testsupport::NewScratchPath(name);
  EXPECT_TRUE(platform::WriteTextFileUtf16Le(path, text));
  return path;
}

std::wstring WriteBytes(const std::wstring& name, const std::string& bytes) {
  const std::wstring path = testsupport::NewScratchPath(name);
  EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
  return path;
}

QStringList Fields(std::initializer_list<const char*> fields) {
  QStringList list;
  for (const char* field : fields) list << QString::fromUtf8(field);
  return list;
}

TEST(StatementLogModelTest, HeaderOnlyLogsHaveNoRows) {
  StatementLogModel model;
  for (const std::wstring& path :
       {WriteUtf16Log(L"header.txt", std::wstring(kHeader) + L"\r\n"),
        WriteUtf16Log(L"header-no-end.txt", kHeader), WriteUtf16Log(L"empty.txt", L""),
        WriteBytes(L"header-ansi.txt", "TaskNo\tTaskName\r\n")}) {
    ASSERT_EQ(StatementLogModel::LoadResult::Loaded, model.Load(path)) << platform::ToUtf8(path);
    EXPECT_EQ(0, model.rowCount()) << platform::ToUtf8(path);
  }
  EXPECT_EQ(8, model.columnCount());
  QStringList headings;
  for (int column = 0; column < model.columnCount(); ++column)
    headings << model.headerData(column, Qt::Horizontal).toString();
  EXPECT_EQ(Fields({"Task", "TaskName", "Thread", "SQL", "Fetched", "ExecTime", "FetchTime",
                    "Timestamp"}),
            headings);
}

TEST(StatementLogModelTest, RowsOfUtf16LogsWithCounterColumnsShowTheirFirstEightFields) {
  const std::wstring path = WriteUtf16Log(
      L"counters.txt",
      std::wstring(kHeader) + L"\tCPU\tMemory\r\n" +
          L"1\tfirst\t2\tSELECT 1\t1\t0.002\t0.000\t10:11:12.013\t37\t1024\r\n"
          // Characters whose UTF-16 units hold a 0A byte are no line ends: U+010A, U+0A0A.
          L"2\tsec\u010Aond\t1\tSELECT '\u0A0A'\t0\t1.500\t0.250\t10:11:13.000\t38\t1000\r\n"
          L"2\tsecond\t1\tlast line without an end\t0\t0.1\t0.2\t10:11:14.000");
  StatementLogModel model;
  ASSERT_EQ(StatementLogModel::LoadResult::Loaded, model.Load(path));
  ASSERT_EQ(3, model.rowCount());
  EXPECT_EQ(Fields({"1", "first", "2", "SELECT 1", "1", "0.002", "0.000", "10:11:12.013"}),
            model.Row(0));
  EXPECT_EQ(QString::fromStdWString(L"sec\u010Aond"), model.Row(1).at(1));
  EXPECT_EQ(QString::fromStdWString(L"SELECT '\u0A0A'"), model.Row(1).at(3));
  EXPECT_EQ(QStringLiteral("10:11:13.000"), model.Row(1).at(7));
  EXPECT_EQ(QStringLiteral("10:11:14.000"), model.Row(2).at(7));
  EXPECT_EQ(QStringLiteral("SELECT 1"), model.data(model.index(0, 3)).toString());
  EXPECT_EQ(QStringLiteral("SELECT 1"), model.data(model.index(0, 3), Qt::ToolTipRole).toString());
  EXPECT_FALSE(model.data(model.index(0, 8)).isValid());
}

TEST(StatementLogModelTest, AnsiLogsAreReadFromTheirFirstByte) {
  // No byte-order mark: the first line is the header even when it looks like data, UTF-8 lines
  // are UTF-8, others Latin-1; LF alone also ends a line.
  const std::wstring path = WriteBytes(L"ansi.txt",
                                       "1\theader\r\n"
                                       "1\tcaf\xc3\xa9\t1\tSELECT 1\t0\t0.1\t0.2\t01:02:03.004\r\n"
                                       "2\tcaf\xe9\t1\tSELECT 2\t0\t0.1\t0.2\t01:02:03.005\n"
                                       "\r\n");
  StatementLogModel model;
  ASSERT_EQ(StatementLogModel::LoadResult::Loaded, model.Load(path));
  ASSERT_EQ(3, model.rowCount());
  EXPECT_EQ(QString::fromStdWString(L"caf\u00e9"), model.Row(0).at(1));
  EXPECT_EQ(QString::fromStdWString(L"caf\u00e9"), model.Row(1).at(1));
  EXPECT_EQ(QStringLiteral("01:02:03.005"), model.Row(1).at(7));
  EXPECT_EQ(QStringList(8, QString()), model.Row(2));  // the empty line is a row of its own
}

TEST(StatementLogModelTest, LineStartingWithATabIsARowWithAnEmptyFirstField) {
  const std::wstring path = WriteUtf16Log(
      L"tab.txt", std::wstring(kHeader) + L"\r\n\tnameless\t1\tSELECT 1\t0\t0.0\t0.0\tt\r\n");
  StatementLogModel model;
  ASSERT_EQ(StatementLogModel::LoadResult::Loaded, model.Load(path));
  ASSERT_EQ(1, model.rowCount());
  EXPECT_EQ(Fields({"", "nameless", "1", "SELECT 1", "0", "0.0", "0.0", "t"}), model.Row(0));
}

TEST(StatementLogModelTest, MissingLogKeepsTheRowsAndADeletedOneStaysReadable) {
  const std::wstring path = WriteUtf16Log(
      L"kept.txt", std::wstring(kHeader) + L"\r\n1\tkept\t1\tSELECT 1\t0\t0\t0\tt\r\n");
  StatementLogModel model;
  ASSERT_EQ(StatementLogModel::LoadResult::Loaded, model.Load(path));
  ASSERT_TRUE(platform::RemoveFile(path));
  EXPECT_EQ(StatementLogModel::LoadResult::Missing, model.Load(path));
  ASSERT_EQ(1, model.rowCount());
  EXPECT_EQ(QStringLiteral("kept"), model.Row(0).at(1));
  EXPECT_EQ(QStringList(8, QString()), model.Row(1));
  EXPECT_EQ(QStringList(8, QString()), model.Row(-1));
}

// One million statements: the time to open the log and to show its middle and its end is
// printed, not checked (speed is measured in bench/, never asserted).
TEST(StatementLogModelTest, MillionLineLogOpensWithEveryRowInPlace) {
  constexpr int kLines = 1000000;
  const std::wstring path = testsupport::NewScratchPath(L"million.txt");
  {
    platform::UniqueFile file(std::fopen(platform::NativePath(path).c_str(), "wb"));
    ASSERT_TRUE(file);
    // Written as UTF-16 bytes directly: the lines are ASCII.
    std::string chunk = "\xFF\xFE" + platform::ToUtf16Le(std::wstring(kHeader) + L"\r\n");
    char line[160];
    for (int i = 1; i <= kLines; ++i) {
      const int length = std::snprintf(
          line, sizeof line,
          "1\torders\t%d\tSELECT id, total FROM orders WHERE id = %d\t1\t0.001\t0.000\t"
          "12:34:56.789\r\n",
          i % 16 + 1, i);
      for (int c = 0; c < length; ++c) {
        chunk += line[c];
        chunk += '\0';
      }
      if (i % 20000 == 0 || i == kLines) {
        ASSERT_EQ(chunk.size(), std::fwrite(chunk.data(), 1, chunk.size(), file.get()));
        chunk.clear();
      }
    }
  }

  PageSQLLog page;
  page.resize(1000, 600);
  QElapsedTimer clock;
  clock.start();
  ASSERT_EQ(StatementLogModel::LoadResult::Loaded, page.Model()->Load(path));
  page.show();
  QCoreApplication::processEvents();
  const qint64 openMs = clock.elapsed();
  ASSERT_EQ(kLines, page.Model()->rowCount());

  clock.restart();
  page.List()->scrollTo(page.Model()->index(kLines / 2, 0));
  page.List()->viewport()->repaint();
  page.List()->scrollToBottom();
  page.List()->viewport()->repaint();
  const qint64 scrollMs = clock.elapsed();
  std::printf(
      "[ timing   ] statement log of %d lines: opened and shown in %lld ms, "
      "middle and end shown in %lld ms\n",
      kLines, static_cast<long long>(openMs), static_cast<long long>(scrollMs));

  EXPECT_EQ(QStringLiteral("SELECT id, total FROM orders WHERE id = 1"),
            page.Model()->Row(0).at(3));
  EXPECT_EQ(QStringLiteral("SELECT id, total FROM orders WHERE id = 500001"),
            page.Model()->Row(kLines / 2).at(3));
  EXPECT_EQ(QStringLiteral("SELECT id, total FROM orders WHERE id = 1000000"),
            page.Model()->Row(kLines - 1).at(3));
  EXPECT_EQ(QStringLiteral("12:34:56.789"), page.Model()->Row(kLines - 1).at(7));
  platform::RemoveFile(path);
}

class PageSQLLogTest : public ReportPagesTest {
 protected:
  PageSQLLog& InstallLogPage() {
    auto page = std::make_unique<PageSQLLog>();
    PageSQLLog& ref = *page;
    window->InstallPage(PageIndex::PageSQLLog, std::move(page));
    return ref;
  }
  void ShowPage(int index) {
    window->Tree()->SelectPage(index);
    Settle();
    ASSERT_EQ(index, window->CurrentPage());
  }
  // The task names of the rows, in order.
  static QStringList TaskNames(const StatementLogModel& model) {
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row) names << model.Row(row).at(1);
    return names;
  }
};

TEST_F(PageSQLLogTest, ShowsTheLogOfEachRunInTheWindow) {
  OpenConnectedWindow();
  PageSQLLog& page = InstallLogPage();
  Run({NamedTask(L"reader", L"SELECT 42", 2, 3), NamedTask(L"writer", L"SELECT 7", 1, 2)});
  ShowPage(PageIndex::PageSQLLog);
  EXPECT_EQ(QStringLiteral("Executed Statements"), page.Caption());
  ASSERT_EQ(8, page.Model()->rowCount());
  EXPECT_EQ(6, TaskNames(*page.Model()).count(QStringLiteral("reader")));
  EXPECT_EQ(2, TaskNames(*page.Model()).count(QStringLiteral("writer")));
  for (int row = 0; row < page.Model()->rowCount(); ++row) {
    const QStringList fields = page.Model()->Row(row);
    const bool reader = fields.at(1) == QStringLiteral("reader");
    EXPECT_EQ(reader ? QStringLiteral("1") : QStringLiteral("2"), fields.at(0));
    EXPECT_EQ(reader ? QStringLiteral("SELECT 42") : QStringLiteral("SELECT 7"), fields.at(3));
    EXPECT_EQ(QStringLiteral("1"), fields.at(4));  // one row fetched
    EXPECT_TRUE(
        fields.at(7).contains(QRegularExpression(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3}$)"))))
        << fields.at(7).toStdString();
  }
  EXPECT_TRUE(ui.messages.empty());
  page.List()->selectRow(1);
  EXPECT_FALSE(testsupport::SaveScreenshot(*window, QStringLiteral("statement_log")).isEmpty());

  // Another run while the page is away: coming back shows its statements only.
  ShowPage(PageIndex::PageConsole);
  Run({NamedTask(L"again", L"SELECT 1", 1, 4)});
  ShowPage(PageIndex::PageSQLLog);
  EXPECT_EQ(QStringList(4, QStringLiteral("again")), TaskNames(*page.Model()));
}

TEST_F(PageSQLLogTest, LogNamedWithMacrosIsTheOneTheRunWrote) {
  OpenConnectedWindow();
  PageSQLLog& page = InstallLogPage();
  const std::wstring folder = platform::FolderPart(ScratchFile(L"logs"));
  g_project.SQLFile = folder + L"/statements_$DATE$_$TIME$.txt";
  Run({NamedTask(L"dated", L"SELECT 1", 1, 2)});
  const std::wstring written = g_runner->StatementLogPath();
  ASSERT_TRUE(platform::FileExists(written));
  EXPECT_NE(std::wstring::npos, written.find(folder + L"/statements_2"))
      << platform::ToUtf8(written);
  EXPECT_EQ(written, PageSQLLog::LogPath());
  ShowPage(PageIndex::PageSQLLog);
  EXPECT_EQ(2, page.Model()->rowCount());
  EXPECT_TRUE(ui.messages.empty());

  // A project that names its log otherwise does not show this run's log.
  g_project.SQLFile = folder + L"/other_$DATE$_$TIME$.txt";
  EXPECT_NE(written, PageSQLLog::LogPath());
  EXPECT_EQ(0u, PageSQLLog::LogPath().rfind(folder + L"/other_2", 0));
}

TEST_F(PageSQLLogTest, MissingLogIsReportedAndTheRowsStay) {
  OpenConnectedWindow();
  PageSQLLog& page = InstallLogPage();
  Run({NamedTask(L"first", L"SELECT 1", 1, 3)});
  ShowPage(PageIndex::PageSQLLog);
  ASSERT_EQ(3, page.Model()->rowCount());
  ShowPage(PageIndex::PageConsole);

  ASSERT_TRUE(platform::RemoveFile(PageSQLLog::LogPath()));
  ShowPage(PageIndex::PageSQLLog);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"Requested report is not created yet.", ui.messages[0].text);
  EXPECT_EQ(L"Warning", ui.messages[0].caption);
  EXPECT_EQ(platform::MsgIcon::Error, ui.messages[0].icon);
  EXPECT_EQ(3, page.Model()->rowCount());
  EXPECT_EQ(QStringLiteral("first"), page.Model()->Row(2).at(1));
}

TEST_F(PageSQLLogTest, ColumnWidthsAreKeptInTheSettings) {
  OpenConnectedWindow();
  PageSQLLog& page = InstallLogPage();
  g_project.SQLFile = WriteUtf16Log(L"widths.txt", std::wstring(kHeader) + L"\r\n");
  ShowPage(PageIndex::PageSQLLog);
  page.List()->setColumnWidth(1, 132);
  page.List()->setColumnWidth(5, 99);
  ShowPage(PageIndex::PagePackage);
  EXPECT_EQ(L"132", StoredSetting(L"sl_W2"));
  EXPECT_EQ(L"99", StoredSetting(L"sl_W6"));
  PageSQLLog later;
  EXPECT_EQ(132, later.List()->columnWidth(1));
  g_settings->setInt(kStoreMain, L"sl_W2", 100);  // as an import of settings does
  later.LoadColumnWidths();
  EXPECT_EQ(100, later.List()->columnWidth(1));
}

TEST_F(PageSQLLogTest, TheStatementsTakeTheWidthTheOtherColumnsLeave) {
  OpenConnectedWindow();
  PageSQLLog& page = InstallLogPage();
  g_project.SQLFile = WriteUtf16Log(
      L"wide.txt", std::wstring(kHeader) +
                       L"\r\n1\titems\t1\tinsert into items values (1, 'a statement')\t0\t0.001"
                       L"\t0\t10:00:00.000\r\n");
  window->resize(1000, 680);
  ShowPage(PageIndex::PageSQLLog);
  const QTableView& list = *page.List();
  int others = 0;
  for (int column = 0; column < StatementLogModel::kColumnCount; ++column)
    if (column != 3) others += list.columnWidth(column);
  EXPECT_GE(list.columnWidth(3), list.viewport()->width() - others - 1);
  EXPECT_GT(list.columnWidth(3), 300);
  EXPECT_EQ(75, list.columnWidth(7)) << "the timestamps keep their width";
}

}  // namespace
