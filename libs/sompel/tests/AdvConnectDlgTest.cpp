#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "sompel/AdvConnect.h"
#include "sompel/AdvConnectDlg.h"
#include "sompel/QtUi.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

// The one role of the test server that must give its password (tools/testpg.sh).
constexpr const wchar_t* kPasswordRole = L"brunox_pw";
constexpr const wchar_t* kRolePassword = L"brunox_pw_secret";

CONN_INFO DsnInfo(const std::wstring& dsn) {
  CONN_INFO info;
  info.Kind = CONN_DSN;
  info.Dsn = dsn;
  info.User = L"märta";
  info.Password = L"p;a=ss}";
  info.ManualCommit = 1;
  info.DsType = 2;
  return info;
}

CONN_INFO StringInfo(const std::wstring& connString) {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = connString;
  return info;
}

std::wstring PostgresStringAs(const std::wstring& user, const std::wstring& password) {
  return L"Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=" +
         platform::FromUtf8(std::getenv("BRUNOX_TEST_PG_PORT")) + L";Database=postgres;Uid=" +
         user + L";Pwd={" + password + L"};";
}

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

std::string ReadFile(const std::wstring& path) {
  std::ifstream in(platform::ToUtf8(path));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each test gets a dialog on its own connector, and message boxes through Qt that the answerer
// can close.
class AdvConnectDlgTest : public testing::Test {
 protected:
  template <typename T>
  T* Child(const char* name) {
    T* child = dialog_.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  // Runs the dialog's connection test, answering its message box; returns what the box said.
  QString RunTest(bool* connected) {
    answer_.Button(QMessageBox::Ok);
    *connected = dialog_.TestConnection();
    return answer_.Texts.isEmpty() ? QString() : answer_.Texts.takeLast();
  }

  QtUiServices ui_;
  testsupport::ModalAnswerer answer_;
  CAdvConnect connector_;
  CAdvConnectDlg dialog_{connector_, nullptr};
};

TEST_F(AdvConnectDlgTest, ShowAndChosenRoundTripBothKinds) {
  const CONN_INFO cases[] = {
      DsnInfo(testsupport::kSqliteDsn),
      DsnInfo(L"Not In Any ini"),  // a typed name the catalogue does not list
      StringInfo(L"Driver={PostgreSQL Unicode};Server=h;Pwd={a;b}};"),
  };
  for (const CONN_INFO& info : cases) {
    dialog_.Show(info);
    EXPECT_EQ(dialog_.Chosen(), info) << testing::PrintToString(info.Pack());
  }
}

TEST_F(AdvConnectDlgTest, ChosenCarriesOnlyTheFieldsOfTheChosenKind) {
  CONN_INFO both = DsnInfo(L"Sales");
  both.ConnString = L"Driver=SQLite3;Database=/tmp/x.db;";
  dialog_.Show(both);
  CONN_INFO expected = both;
  expected.ConnString.clear();
  EXPECT_EQ(dialog_.Chosen(), expected);

  Child<QRadioButton>("byString")->setChecked(true);
  const CONN_INFO byString = dialog_.Chosen();
  EXPECT_EQ(byString.Kind, CONN_STRING);
  EXPECT_EQ(byString.ConnString, both.ConnString);
  EXPECT_EQ(byString.Password, L"") << "the data source's password stays behind";
  EXPECT_EQ(byString.Dsn, L"");
  EXPECT_EQ(byString.ManualCommit, 1);
  EXPECT_EQ(byString.DsType, 2);
}

TEST_F(AdvConnectDlgTest, NothingShownStartsWithAnEmptyConnectionString) {
  dialog_.Show(CONN_INFO());
  EXPECT_TRUE(Child<QRadioButton>("byString")->isChecked());
  EXPECT_TRUE(dialog_.Chosen().IsEmpty());
}

TEST_F(AdvConnectDlgTest, ListsTheTestDataSourcesAndDrivers) {
  const QStringList sources = Items(Child<QComboBox>("dataSources"));
  EXPECT_TRUE(sources.contains(QString::fromStdWString(testsupport::kSqliteDsn)))
      << sources.join(",").toStdString();
  if (testsupport::HavePostgres()) {
    EXPECT_TRUE(sources.contains(QString::fromStdWString(testsupport::kPostgresDsn)));
  }
  const QStringList drivers = Items(Child<QComboBox>("drivers"));
  EXPECT_TRUE(drivers.contains(QString::fromStdWString(testsupport::kSqliteDriver)));
  EXPECT_TRUE(drivers.contains(QString::fromStdWString(testsupport::kPostgresDriver)));

  dialog_.Show(DsnInfo(testsupport::kSqliteDsn));
  EXPECT_TRUE(Child<QLabel>("dataSourceFacts")->text().contains(QStringLiteral("SQLite3")));
  dialog_.Show(DsnInfo(L"Not In Any ini"));
  EXPECT_TRUE(Child<QLabel>("dataSourceFacts")->text().contains(QStringLiteral("Not a data")));
}

TEST_F(AdvConnectDlgTest, ChoosingADriverPutsItIntoTheConnectionString) {
  auto* drivers = Child<QComboBox>("drivers");
  auto* connString = Child<QLineEdit>("connString");
  const int sqlite = drivers->findText(QString::fromStdWString(testsupport::kSqliteDriver));
  const int pg = drivers->findText(QString::fromStdWString(testsupport::kPostgresDriver));
  ASSERT_GE(sqlite, 0);
  ASSERT_GE(pg, 0);
  const struct {
    QString before;
    int driver;
    QString after;
  } cases[] = {
      {QString(), sqlite, QStringLiteral("Driver={SQLite3};")},
      {QStringLiteral("Database=/tmp/a.db;"), pg,
       QStringLiteral("Driver={PostgreSQL Unicode};Database=/tmp/a.db;")},
      {QStringLiteral("Server=h;driver = {Old; one};Port=5"), pg,
       QStringLiteral("Server=h;driver ={PostgreSQL Unicode};Port=5")},
      // Another kind of database starts afresh: nothing of a server is kept for a file, and back.
      {QStringLiteral("Driver={PostgreSQL Unicode};Server=db1;Port=5433;Uid=ann;Pwd=secret;"),
       sqlite, QStringLiteral("Driver={SQLite3};Database=;")},
      {QStringLiteral("Server=db1;Port=5433;Database=sales;"), sqlite,
       QStringLiteral("Driver={SQLite3};Database=;")},
      {QStringLiteral("Driver={SQLite3};Database=/tmp/a.db;"), pg,
       QStringLiteral("Driver={PostgreSQL Unicode};Server=;Port=;Database=;Uid=;Pwd=;")},
  };
  for (const auto& c : cases) {
    dialog_.Show(StringInfo(c.before.toStdWString()));
    emit drivers->activated(c.driver);
    EXPECT_EQ(connString->text(), c.after) << c.before.toStdString();
    EXPECT_EQ(drivers->currentIndex(), -1) << "ready to insert again";
  }
}

TEST_F(AdvConnectDlgTest, ThePasswordOfAConnectionStringIsMaskedAndKeptAsTyped) {
  // The data source's password is typed unseen.
  EXPECT_EQ(Child<QLineEdit>("password")->echoMode(), QLineEdit::Password);
  const std::wstring typed = L"Driver={PostgreSQL Unicode};Uid=ann;Pwd={s3cr;et}}};Port=5432";
  dialog_.show();  // opening shows the connector's description: the test's comes after
  dialog_.Show(StringInfo(typed));
  auto* connString = Child<QLineEdit>("connString");
  EXPECT_EQ(connString->text(),
            QStringLiteral("Driver={PostgreSQL Unicode};Uid=ann;Pwd=********;Port=5432"));
  EXPECT_EQ(dialog_.Chosen().ConnString, typed);

  // Editing another part keeps the hidden password.
  connString->setFocus();
  connString->end(false);
  QTest::keyClicks(connString, QStringLiteral(";Database=sales"));
  EXPECT_EQ(dialog_.Chosen().ConnString, typed + L";Database=sales");
  EXPECT_FALSE(connString->text().contains(QStringLiteral("s3cr")));

  // A password typed into the string is taken as typed and hidden once the field is left.
  dialog_.Show(StringInfo(L"Driver={SQLite3};"));
  connString->setFocus();
  connString->end(false);
  QTest::keyClicks(connString, QStringLiteral("Password=fresh;"));
  EXPECT_EQ(dialog_.Chosen().ConnString, L"Driver={SQLite3};Password=fresh;");
  emit connString->editingFinished();
  EXPECT_EQ(connString->text(), QStringLiteral("Driver={SQLite3};Password=********;"));
  EXPECT_EQ(dialog_.Chosen().ConnString, L"Driver={SQLite3};Password=fresh;");

  // Choosing a driver of the same kind keeps the password as well.
  dialog_.Show(StringInfo(L"Driver={Old one};Uid=ann;Pwd={s3cr;et}}};Port=5432"));
  auto* drivers = Child<QComboBox>("drivers");
  const int pg = drivers->findText(QString::fromStdWString(testsupport::kPostgresDriver));
  ASSERT_GE(pg, 0);
  emit drivers->activated(pg);
  EXPECT_EQ(dialog_.Chosen().ConnString, typed);
  EXPECT_FALSE(connString->text().contains(QStringLiteral("s3cr")));
  dialog_.hide();
}

TEST_F(AdvConnectDlgTest, OkOnAConnectionThatFailsKeepsTheDialogOpenWithTheDriversText) {
  REQUIRE_POSTGRES();
  std::unique_ptr<CDB> target(CDB::newDB(0));
  ASSERT_TRUE(target);
  dialog_.ConnectOnOk(target.get());
  const CONN_INFO wrong = StringInfo(PostgresStringAs(kPasswordRole, L"not the password"));
  const CONN_INFO right = StringInfo(PostgresStringAs(kPasswordRole, kRolePassword));
  bool stayedOpen = false;
  QString shown;
  answer_.Custom([&](QWidget* modal) {
    auto* dialog = qobject_cast<CAdvConnectDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->Show(wrong);
    QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ok->click();
    stayedOpen = dialog->isVisible();
    auto* error = dialog->findChild<QLabel*>(QStringLiteral("connectError"));
    shown = error && error->isVisible() ? error->text() : QString();
    dialog->Show(right);
    ok->click();
  });
  EXPECT_EQ(dialog_.exec(), QDialog::Accepted);
  EXPECT_TRUE(stayedOpen) << "OK closed the dialog on a failed connect";
  EXPECT_TRUE(shown.contains(QStringLiteral("password authentication failed")))
      << shown.toStdString();
  EXPECT_FALSE(shown.contains(QStringLiteral("not the password"))) << shown.toStdString();
  EXPECT_TRUE(dialog_.LastConnectError.contains(QStringLiteral("password authentication failed")));
  EXPECT_TRUE(answer_.Texts.isEmpty()) << "no message box on top of the dialog";
  EXPECT_TRUE(target->IsConnected());
  EXPECT_EQ(connector_.Info, right);
  EXPECT_EQ(target->Info, right);
}

TEST_F(AdvConnectDlgTest, TestConnectsToSqliteByConnectionStringWithoutTouchingTheConnector) {
  const CONN_INFO mainConnection = DsnInfo(L"The main one");
  connector_.Info = mainConnection;
  dialog_.Show(StringInfo(testsupport::SqliteConnString(testsupport::NewScratchPath(L"t.db"))));
  bool connected = false;
  const QString said = RunTest(&connected);
  EXPECT_TRUE(connected) << dialog_.LastTestText.toStdString();
  EXPECT_EQ(dialog_.LastTestText, QStringLiteral("Connection succeeded."));
  EXPECT_TRUE(said.endsWith(QStringLiteral("\nConnection succeeded.")));
  EXPECT_EQ(connector_.Info, mainConnection);
}

TEST_F(AdvConnectDlgTest, ASuccessfulTestTakesAwayTheFailureOfAnEarlierOk) {
  std::unique_ptr<CDB> target(CDB::newDB(0));
  ASSERT_TRUE(target);
  dialog_.ConnectOnOk(target.get());
  dialog_.Show(StringInfo(L"Driver={No Such Driver};Database=x;"));
  dialog_.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  auto* error = Child<QLabel>("connectError");
  ASSERT_TRUE(error->isVisibleTo(&dialog_)) << "the premise: OK could not connect";

  // Put right in the field, as a person does, and tested.
  const std::wstring fixed =
      testsupport::SqliteConnString(testsupport::NewScratchPath(L"fixed.db"));
  Child<QLineEdit>("connString")->setText(QString::fromStdWString(fixed));
  bool connected = false;
  RunTest(&connected);
  ASSERT_TRUE(connected) << dialog_.LastTestText.toStdString();
  EXPECT_FALSE(error->isVisibleTo(&dialog_)) << error->text().toStdString();
}

TEST_F(AdvConnectDlgTest, TestFailuresShowTheDriversTextAsAWarning) {
  dialog_.Show(StringInfo(L"Driver={No Such Driver};Database=x;"));
  bool connected = true;
  QString said = RunTest(&connected);
  EXPECT_FALSE(connected);
  // The driver manager's own diagnostic, as it gives it.
  EXPECT_TRUE(dialog_.LastTestText.startsWith(QStringLiteral("[01000] [unixODBC]")))
      << dialog_.LastTestText.toStdString();
  EXPECT_TRUE(dialog_.LastTestText.contains(QStringLiteral("'No Such Driver'")));
  EXPECT_EQ(said, QStringLiteral("Warning!\n") + dialog_.LastTestText);

  dialog_.Show(StringInfo(L""));
  said = RunTest(&connected);
  EXPECT_FALSE(connected);
  EXPECT_EQ(said, QStringLiteral("Warning!\nWrite a connection string to test."));
}

TEST_F(AdvConnectDlgTest, TestConnectsToPostgresByDataSourceName) {
  REQUIRE_POSTGRES();
  CONN_INFO info;
  info.Kind = CONN_DSN;
  info.Dsn = testsupport::kPostgresDsn;
  info.User = testsupport::PostgresUser();
  dialog_.Show(info);
  bool connected = false;
  RunTest(&connected);
  EXPECT_TRUE(connected) << dialog_.LastTestText.toStdString();
}

TEST_F(AdvConnectDlgTest, WrongPasswordIsRejectedWithTheDriversText) {
  REQUIRE_POSTGRES();
  dialog_.Show(StringInfo(PostgresStringAs(kPasswordRole, L"not the password")));
  bool connected = true;
  const QString said = RunTest(&connected);
  EXPECT_FALSE(connected);
  EXPECT_TRUE(dialog_.LastTestText.contains(QStringLiteral("password authentication failed")))
      << dialog_.LastTestText.toStdString();
  EXPECT_TRUE(said.startsWith(QStringLiteral("Warning!\n")));

  dialog_.Show(StringInfo(PostgresStringAs(kPasswordRole, kRolePassword)));
  RunTest(&connected);
  EXPECT_TRUE(connected) << dialog_.LastTestText.toStdString();
}

TEST_F(AdvConnectDlgTest, ProfilesSaveAndLoadBackEqualAndServeTheConsoleToo) {
  const CONN_INFO cases[] = {DsnInfo(testsupport::kSqliteDsn),
                             StringInfo(L"Driver={SQLite3};Database=/tmp/a b.db;Pwd={x;y};")};
  for (const CONN_INFO& info : cases) {
    const std::wstring path = testsupport::NewScratchPath(L"profile.ini");
    dialog_.Show(info);
    ASSERT_TRUE(dialog_.SaveProfile(QString::fromStdWString(path)));
    EXPECT_NE(ReadFile(path).find("[Connection]"), std::string::npos);

    dialog_.Show(CONN_INFO());
    ASSERT_TRUE(dialog_.LoadProfile(QString::fromStdWString(path)));
    EXPECT_EQ(dialog_.Chosen(), info);
    CONN_INFO readByConsole;
    ASSERT_TRUE(CAdvConnect::LoadProfile(path, readByConsole));
    EXPECT_EQ(readByConsole, info);
  }
  EXPECT_TRUE(answer_.Texts.isEmpty()) << answer_.Texts.join("|").toStdString();
}

TEST_F(AdvConnectDlgTest, ProfileButtonsAskForTheFile) {
  const CONN_INFO info = StringInfo(L"Driver=SQLite3;Database=/tmp/buttons.db;");
  const QString path = QString::fromStdWString(testsupport::NewScratchPath(L"chosen.ini"));
  dialog_.Show(info);
  answer_.File(path);
  Child<QPushButton>("saveProfile")->click();
  dialog_.Show(CONN_INFO());
  answer_.File(path);
  Child<QPushButton>("loadProfile")->click();
  EXPECT_EQ(dialog_.Chosen(), info);
  ASSERT_EQ(answer_.Texts.size(), 2);
  EXPECT_EQ(answer_.Texts[0], QStringLiteral("Save Connection Profile"));

  answer_.File(QString());  // cancelled: nothing changes
  dialog_.Show(CONN_INFO());
  Child<QPushButton>("loadProfile")->click();
  EXPECT_TRUE(dialog_.Chosen().IsEmpty());
}

TEST_F(AdvConnectDlgTest, ProfileProblemsAreReportedNamingTheFile) {
  const std::wstring folder = testsupport::NewScratchPath(L"");
  const std::wstring noConnection = folder + L"other.ini";
  std::ofstream(platform::ToUtf8(noConnection)) << "[Settings]\nKind=1\n";
  const std::wstring missing = folder + L"missing.ini";
  const std::wstring unwritable = folder + L"no such folder/p.ini";

  const CONN_INFO before = DsnInfo(L"Kept");
  dialog_.Show(before);
  for (const std::wstring& path : {noConnection, missing}) {
    answer_.Button(QMessageBox::Ok);
    EXPECT_FALSE(dialog_.LoadProfile(QString::fromStdWString(path)));
    ASSERT_FALSE(answer_.Texts.isEmpty());
    EXPECT_TRUE(answer_.Texts.takeLast().contains(QString::fromStdWString(path)));
    EXPECT_EQ(dialog_.Chosen(), before);
  }
  for (const std::wstring& path : {unwritable, folder}) {
    answer_.Button(QMessageBox::Ok);
    EXPECT_FALSE(dialog_.SaveProfile(QString::fromStdWString(path)));
    ASSERT_FALSE(answer_.Texts.isEmpty());
    EXPECT_TRUE(answer_.Texts.takeLast().contains(QString::fromStdWString(path)));
  }
  EXPECT_TRUE(std::filesystem::is_directory(platform::ToUtf8(folder)));
}

TEST_F(AdvConnectDlgTest, ProjectFilesServeAsProfiles) {
  const std::wstring project = testsupport::NewScratchPath(L"project.ini");
  std::ofstream(platform::ToUtf8(project))
      << "[DefConnection]\nKind=1\nConnString=Driver=SQLite3;\n";
  ASSERT_TRUE(dialog_.LoadProfile(QString::fromStdWString(project)));
  EXPECT_EQ(dialog_.Chosen(), StringInfo(L"Driver=SQLite3;"));
}

TEST_F(AdvConnectDlgTest, OpeningShowsTheConnectorAndOkStoresWhatWasChosen) {
  connector_.Info = DsnInfo(testsupport::kSqliteDsn);
  const CONN_INFO chosen = StringInfo(L"Driver=SQLite3;Database=/tmp/ok.db;");
  CONN_INFO shownOnOpening;
  answer_.Custom([&](QWidget* modal) {
    auto* dialog = qobject_cast<CAdvConnectDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    shownOnOpening = dialog->Chosen();
    dialog->Show(chosen);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  EXPECT_EQ(dialog_.exec(), QDialog::Accepted);
  EXPECT_EQ(shownOnOpening, DsnInfo(testsupport::kSqliteDsn));
  EXPECT_EQ(connector_.Info, chosen);
}

TEST_F(AdvConnectDlgTest, CancelLeavesTheConnectorAlone) {
  const CONN_INFO kept = DsnInfo(testsupport::kSqliteDsn);
  connector_.Info = kept;
  answer_.Custom([&](QWidget* modal) {
    auto* dialog = qobject_cast<CAdvConnectDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->Show(StringInfo(L"Driver=SQLite3;Database=/tmp/cancelled.db;"));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  });
  EXPECT_EQ(dialog_.exec(), QDialog::Rejected);
  EXPECT_EQ(connector_.Info, kept);
}

TEST_F(AdvConnectDlgTest, PasswordsStayOutOfTheProgramLogAndTheDisplayText) {
  const std::wstring logFile = testsupport::NewScratchPath(L"brunox.log");
  CLog::Open(logFile, 0);
  // Passwords that the driver manager's messages happen to contain, as a driver that quotes
  // what it was given would.
  const CONN_INFO byString = StringInfo(L"Driver={No Such Driver};Uid=u;PWD={Can't open lib};");
  CONN_INFO byDsn = DsnInfo(L"No Such DSN");
  byDsn.Password = L"Data source name not found";
  for (const CONN_INFO& info : {byString, byDsn}) {
    const std::wstring secret = info.Kind == CONN_DSN ? info.Password : L"Can't open lib";
    std::unique_ptr<CDB> db(CDB::newDB(0));
    db->Info = info;
    EXPECT_NE(connector_.DoConnect(db.get(), nullptr, 1), 0);
    EXPECT_NE(db->ErrorText.find(secret), std::wstring::npos) << "the premise of this test";
    EXPECT_EQ(info.ConInfo().find(secret), std::wstring::npos);
  }
  CLog::Close();
  const std::string log = ReadFile(logFile);
  EXPECT_NE(log.find("Could not connect to 'Driver={No Such Driver};Uid=u;PWD=***;'"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Could not connect to 'DSN=No Such DSN;UID="), std::string::npos) << log;
  EXPECT_EQ(log.find("Can't open lib"), std::string::npos) << log;
  EXPECT_EQ(log.find("Data source name not found"), std::string::npos) << log;
}

TEST_F(AdvConnectDlgTest, Screenshot) {
  CONN_INFO info = StringInfo(
      L"Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;"
      L"Database=postgres;Uid=brunox;Pwd=secret;");
  info.ManualCommit = 1;
  connector_.Info = info;
  EXPECT_FALSE(testsupport::SaveScreenshot(dialog_, QStringLiteral("AdvConnectDlg")).isEmpty());
  connector_.Info = DsnInfo(testsupport::kSqliteDsn);
  dialog_.hide();
  EXPECT_FALSE(testsupport::SaveScreenshot(dialog_, QStringLiteral("AdvConnectDlg-dsn")).isEmpty());
}

}  // namespace
