#include "sompel/AdvConnectDlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <optional>

#include "kavra/CDB.h"
#include "kavra/ConnString.h"
#include "kavra/OdbcCatalog.h"
#include "mervis/Log.h"
#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "sompel/AdvConnect.h"
#include "sompel/WaitCursor.h"

namespace {

constexpr const wchar_t* kProfileSection = L"Connection";
constexpr const wchar_t* kProfileFilter = L"Connection profiles (*.ini)|*.ini|All Files(*.*)|*.*||";
constexpr const wchar_t* kFailureCaption = L"Warning!";
// What a password of a connection string shows as; the same length for every password.
constexpr const wchar_t* kPasswordMask = L"********";
// Room for a typical connection string without scrolling, in average characters.
constexpr int kConnStringChars = 70;

// `connString` naming `driver`: the first Driver attribute's value replaced, else one put first.
std::wstring WithDriver(const std::wstring& connString, const std::wstring& driver) {
  const std::wstring braced = L"{" + platform::ReplaceAll(driver, L"}", L"}}") + L"}";
  for (const ConnStringPart& part : ParseConnString(connString)) {
    if (!platform::EqualsNoCase(part.Key, L"Driver")) continue;
    return connString.substr(0, part.ValueBegin) + braced + connString.substr(part.ValueEnd);
  }
  return L"Driver=" + braced + L";" + connString;
}

// Whether a driver reaches a database in a file (SQLite) rather than a server, by its name and
// its description in the catalogue.
bool IsFileDatabaseDriver(const std::wstring& driver, const OdbcCatalog& catalog) {
  std::wstring said = driver;
  for (const OdbcDriver& listed : catalog.Drivers)
    if (platform::EqualsNoCase(listed.Name, driver)) said += L" " + listed.Description;
  return platform::ToLower(said).find(L"sqlite") != std::wstring::npos;
}

// Whether `connString` is for a file database (true) or a server (false): by the driver it
// names, else by attributes only a server has; nullopt when it does not tell.
std::optional<bool> IsFileDatabaseString(const std::wstring& connString,
                                         const OdbcCatalog& catalog) {
  const std::wstring driver = ConnStringValue(connString, L"Driver");
  if (!driver.empty()) return IsFileDatabaseDriver(driver, catalog);
  for (const wchar_t* key : {L"Server", L"Servername", L"Host", L"Port"})
    if (!ConnStringValue(connString, key).empty()) return false;
  return std::nullopt;
}

// A new connection string for `driver` with the attributes its kind of database needs, empty.
std::wstring FreshConnString(const std::wstring& driver, bool fileDatabase) {
  return WithDriver(L"", driver) +
         (fileDatabase ? L"Database=;" : L"Server=;Port=;Database=;Uid=;Pwd=;");
}

void Warn(const std::wstring& text) {
  platform::Ui().MessageBox(text, kFailureCaption, platform::MsgButtons::Ok,
                            platform::MsgIcon::Warning);
}


}  // namespace

struct CAdvConnectDlg::Controls {
  QRadioButton* byDsn = nullptr;
  QRadioButton* byString = nullptr;
  QGroupBox* dsnGroup = nullptr;
  QComboBox* dataSources = nullptr;  // editable: a name the catalogue lacks may be typed
  QLabel* dataSourceFacts = nullptr;
  QLineEdit* user = nullptr;
  QLineEdit* password = nullptr;
  QGroupBox* stringGroup = nullptr;
  QComboBox* drivers = nullptr;
  QLineEdit* connString = nullptr;  // shows connStringTyped with its passwords masked
  std::wstring connStringTyped;      // the connection string as typed, passwords included
  QCheckBox* manualCommit = nullptr;
  QLabel* connectError = nullptr;
  OdbcCatalog catalog;
};

CAdvConnectDlg::CAdvConnectDlg(CAdvConnect& connector, QWidget* parent)
    : CSmDialog(parent, QStringLiteral("AdvConnect")),
      connector_(connector),
      controls_(std::make_unique<Controls>()) {
  setWindowTitle(tr("Connect to a Database"));
  BuildControls();
  RefreshCatalog();
  Show(connector_.Info);
  LoadLayout();
}

CAdvConnectDlg::~CAdvConnectDlg() = default;

void CAdvConnectDlg::BuildControls() {
  Controls& c = *controls_;

  auto* kindBox = new QGroupBox(tr("Connect with"), this);
  c.byDsn = new QRadioButton(tr("A &data source name, user and password"), kindBox);
  c.byDsn->setObjectName(QStringLiteral("byDsn"));
  c.byString = new QRadioButton(tr("An ODBC connection &string"), kindBox);
  c.byString->setObjectName(QStringLiteral("byString"));
  auto* kinds = new QButtonGroup(this);
  kinds->addButton(c.byDsn);
  kinds->addButton(c.byString);
  auto* kindLayout = new QVBoxLayout(kindBox);
  kindLayout->addWidget(c.byDsn);
  kindLayout->addWidget(c.byString);
  connect(c.byDsn, &QRadioButton::toggled, this, &CAdvConnectDlg::KindChanged);

  c.dsnGroup = new QGroupBox(tr("Data source"), this);
  c.dataSources = new QComboBox(c.dsnGroup);
  c.dataSources->setObjectName(QStringLiteral("dataSources"));
  c.dataSources->setEditable(true);
  c.dataSources->setInsertPolicy(QComboBox::NoInsert);
  c.dataSources->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  c.dataSourceFacts = new QLabel(c.dsnGroup);
  c.dataSourceFacts->setObjectName(QStringLiteral("dataSourceFacts"));
  c.dataSourceFacts->setWordWrap(true);
  c.user = new QLineEdit(c.dsnGroup);
  c.user->setObjectName(QStringLiteral("user"));
  c.password = new QLineEdit(c.dsnGroup);
  c.password->setObjectName(QStringLiteral("password"));
  c.password->setEchoMode(QLineEdit::Password);
  auto* dsnForm = new QFormLayout(c.dsnGroup);
  dsnForm->addRow(tr("Data s&ource:"), c.dataSources);
  dsnForm->addRow(QString(), c.dataSourceFacts);
  dsnForm->addRow(tr("&User:"), c.user);
  dsnForm->addRow(tr("&Password:"), c.password);
  connect(c.dataSources, &QComboBox::currentTextChanged, this, &CAdvConnectDlg::DescribeDataSource);

  c.stringGroup = new QGroupBox(tr("Connection string"), this);
  c.drivers = new QComboBox(c.stringGroup);
  c.drivers->setObjectName(QStringLiteral("drivers"));
  c.drivers->setPlaceholderText(tr("Choose one to put it into the string"));
  c.drivers->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  c.connString = new QLineEdit(c.stringGroup);
  c.connString->setObjectName(QStringLiteral("connString"));
  c.connString->setPlaceholderText(QStringLiteral("Driver={...};Server=...;Database=...;"));
  c.connString->setMinimumWidth(c.connString->fontMetrics().averageCharWidth() * kConnStringChars);
  auto* stringForm = new QFormLayout(c.stringGroup);
  stringForm->addRow(tr("D&river:"), c.drivers);
  stringForm->addRow(tr("Co&nnection string:"), c.connString);
  // Every change counts, typed or set (a paste, an accessibility tool): the masked text the dialog
  // shows itself unmasks to what is already held.
  connect(c.connString, &QLineEdit::textChanged, this, [this](const QString& shown) {
    controls_->connStringTyped = UnmaskPasswords(shown.toStdWString(), controls_->connStringTyped,
                                                 kPasswordMask);
  });
  // A password typed into the string is hidden as soon as the field is left.
  connect(c.connString, &QLineEdit::editingFinished, this, [this] {
    const int cursor = controls_->connString->cursorPosition();
    ShowConnString();
    controls_->connString->setCursorPosition(cursor);
  });
  connect(c.drivers, &QComboBox::activated, this, [this](int index) {
    if (index < 0) return;
    InsertDriver(controls_->drivers->itemText(index));
    // Back to the placeholder, so that choosing the same driver again acts again.
    controls_->drivers->setCurrentIndex(-1);
  });

  c.manualCommit =
      new QCheckBox(tr("&Manual commit (the connection starts with autocommit off)"), this);
  c.manualCommit->setObjectName(QStringLiteral("manualCommit"));

  c.connectError = new QLabel(this);
  c.connectError->setObjectName(QStringLiteral("connectError"));
  c.connectError->setWordWrap(true);
  c.connectError->setTextInteractionFlags(Qt::TextSelectableByMouse);
  c.connectError->setStyleSheet(QStringLiteral("color: #b00000"));
  c.connectError->setVisible(false);

  auto* test = new QPushButton(tr("&Test"), this);
  test->setObjectName(QStringLiteral("test"));
  auto* saveProfile = new QPushButton(tr("Sa&ve profile..."), this);
  saveProfile->setObjectName(QStringLiteral("saveProfile"));
  auto* loadProfile = new QPushButton(tr("&Load profile..."), this);
  loadProfile->setObjectName(QStringLiteral("loadProfile"));
  for (QPushButton* b : {test, saveProfile, loadProfile}) b->setAutoDefault(false);
  connect(test, &QPushButton::clicked, this, [this] { TestConnection(); });
  connect(saveProfile, &QPushButton::clicked, this, &CAdvConnectDlg::AskAndSaveProfile);
  connect(loadProfile, &QPushButton::clicked, this, &CAdvConnectDlg::AskAndLoadProfile);
  auto* okCancel = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(okCancel, &QDialogButtonBox::accepted, this, &CAdvConnectDlg::accept);
  connect(okCancel, &QDialogButtonBox::rejected, this, &CAdvConnectDlg::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(test);
  buttons->addWidget(saveProfile);
  buttons->addWidget(loadProfile);
  buttons->addStretch(1);
  buttons->addWidget(okCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(kindBox);
  layout->addWidget(c.dsnGroup);
  layout->addWidget(c.stringGroup);
  layout->addWidget(c.manualCommit);
  layout->addWidget(c.connectError);
  layout->addStretch(1);
  layout->addLayout(buttons);
}

void CAdvConnectDlg::RefreshCatalog() {
  Controls& c = *controls_;
  c.catalog = OdbcCatalog::Read();

  const QString typed = c.dataSources->currentText();
  {
    const QSignalBlocker quiet(c.dataSources);
    c.dataSources->clear();
    for (const OdbcDataSource& source : c.catalog.DataSources)
      c.dataSources->addItem(QString::fromStdWString(source.Name));
    c.dataSources->setCurrentIndex(-1);
    c.dataSources->setEditText(typed);
  }
  DescribeDataSource();

  c.drivers->clear();
  for (const OdbcDriver& driver : c.catalog.Drivers) {
    c.drivers->addItem(QString::fromStdWString(driver.Name));
    if (!driver.Description.empty())
      c.drivers->setItemData(c.drivers->count() - 1, QString::fromStdWString(driver.Description),
                             Qt::ToolTipRole);
  }
  c.drivers->setCurrentIndex(-1);
}

void CAdvConnectDlg::DescribeDataSource() {
  Controls& c = *controls_;
  const std::wstring name = c.dataSources->currentText().trimmed().toStdWString();
  QString facts;
  for (const OdbcDataSource& source : c.catalog.DataSources) {
    if (!platform::EqualsNoCase(source.Name, name)) continue;
    facts = (source.Scope == DsnScope::User ? tr("Driver %1, user data source")
                                            : tr("Driver %1, system data source"))
                .arg(QString::fromStdWString(source.Driver));
    break;
  }
  if (facts.isEmpty() && !c.catalog.Error.empty())
    facts = tr("The data sources could not be listed: %1")
                .arg(QString::fromStdWString(c.catalog.Error));
  else if (facts.isEmpty() && !name.empty())
    facts = tr("Not a data source of odbc.ini.");
  c.dataSourceFacts->setText(facts);
  c.dataSourceFacts->setVisible(!facts.isEmpty());
}

void CAdvConnectDlg::KindChanged() {
  const bool byDsn = controls_->byDsn->isChecked();
  controls_->dsnGroup->setEnabled(byDsn);
  controls_->stringGroup->setEnabled(!byDsn);
}

CONN_INFO CAdvConnectDlg::Chosen() const {
  const Controls& c = *controls_;
  CONN_INFO info;
  if (c.byDsn->isChecked()) {
    info.Kind = CONN_DSN;
    info.Dsn = c.dataSources->currentText().trimmed().toStdWString();
    info.User = c.user->text().toStdWString();
    info.Password = c.password->text().toStdWString();
  } else {
    info.Kind = CONN_STRING;
    info.ConnString = c.connStringTyped;
  }
  info.ManualCommit = c.manualCommit->isChecked() ? 1 : 0;
  info.DsType = dsType_;
  return info;
}

void CAdvConnectDlg::Show(const CONN_INFO& info) {
  Controls& c = *controls_;
  // A description of nothing starts with the kind that needs no data source set up beforehand.
  (info.Kind == CONN_DSN ? c.byDsn : c.byString)->setChecked(true);
  KindChanged();
  const QString dsn = QString::fromStdWString(info.Dsn);
  const int listed = c.dataSources->findText(dsn);
  c.dataSources->setCurrentIndex(listed);
  if (listed < 0) c.dataSources->setEditText(dsn);
  c.user->setText(QString::fromStdWString(info.User));
  c.password->setText(QString::fromStdWString(info.Password));
  c.connStringTyped = info.ConnString;
  ShowConnString();
  c.connString->setCursorPosition(0);  // the driver, at the start, says most
  c.connectError->setVisible(false);
  c.manualCommit->setChecked(info.ManualCommit != 0);
  dsType_ = info.DsType;
}

void CAdvConnectDlg::ShowConnString() {
  controls_->connString->setText(
      QString::fromStdWString(MaskPasswords(controls_->connStringTyped, kPasswordMask)));
}

void CAdvConnectDlg::InsertDriver(const QString& driver) {
  Controls& c = *controls_;
  const std::wstring chosen = driver.toStdWString();
  const bool fileDatabase = IsFileDatabaseDriver(chosen, c.catalog);
  // A server's host, port, user and password mean nothing to a database in a file, nor a file to
  // a server: another kind of database starts its string afresh.
  const std::optional<bool> before = IsFileDatabaseString(c.connStringTyped, c.catalog);
  const bool fresh = before && *before != fileDatabase;
  c.connStringTyped =
      fresh ? FreshConnString(chosen, fileDatabase) : WithDriver(c.connStringTyped, chosen);
  ShowConnString();
  c.connString->setFocus();
  // Ready to type the first value a fresh string needs (the file, or the server).
  if (fresh)
    c.connString->setCursorPosition(c.connString->text().indexOf(QStringLiteral("=;")) + 1);
}

bool CAdvConnectDlg::TestConnection() {
  CLog::State(L"CAdvConnectDlg::TestConnection");
  CONN_INFO info = Chosen();
  bool connected = false;
  std::wstring text;
  if (info.IsEmpty()) {
    text = info.Kind == CONN_DSN ? L"Choose a data source to test."
                                 : L"Write a connection string to test.";
  } else if (std::unique_ptr<CDB> scratch{CDB::newDB(info.DsType)}; !scratch) {
    text = L"The ODBC driver manager is not available.";
  } else {
    {
      WaitCursor busy;
      connected = CDB::isOK(scratch->OpenConnection(&info));
    }
    if (connected) {
      text = L"Connection succeeded.";
      // Why an earlier OK could not connect no longer holds.
      controls_->connectError->setVisible(false);
    } else {
      text = scratch->ErrorText.empty() ? L"The connection failed." : scratch->ErrorText;
    }
  }
  LastTestText = QString::fromStdWString(text);
  if (connected)
    platform::Ui().MessageBox(text, L"Test Connection", platform::MsgButtons::Ok,
                              platform::MsgIcon::Information);
  else
    platform::Ui().MessageBox(text, kFailureCaption, platform::MsgButtons::Ok,
                              platform::MsgIcon::Error);
  CLog::State(nullptr);
  return connected;
}

bool CAdvConnectDlg::SaveProfile(const QString& path) {
  const std::wstring file = path.toStdWString();
  const CONN_INFO info = Chosen();
  if (info.IsEmpty()) {
    Warn(L"There is no connection to save in '" + file +
         L"': choose a data source or write a connection string first.");
    return false;
  }
  CSysReg profile(file, 0);
  // A file that is there but could not be read would lose its content when written over.
  if (!profile.LoadError().empty()) {
    Warn(L"The connection profile could not be written to '" + file + L"': " + profile.LoadError());
    return false;
  }
  info.Save(&profile, kProfileSection);
  if (!profile.Flush()) {
    Warn(L"The connection profile could not be written to '" + file + L"'.");
    return false;
  }
  return true;
}

bool CAdvConnectDlg::LoadProfile(const QString& path) {
  const std::wstring file = path.toStdWString();
  CONN_INFO info;
  if (!CAdvConnect::LoadProfile(file, info)) {
    Warn(platform::FileExists(file)
             ? L"The file '" + file +
                   L"' holds no connection (a [Connection] section with a data "
                   L"source or a connection string)."
             : L"The connection profile '" + file + L"' does not exist.");
    return false;
  }
  Show(info);
  return true;
}

void CAdvConnectDlg::AskAndSaveProfile() {
  platform::FileDialogRequest request;
  request.filter = kProfileFilter;
  request.defaultExt = L"ini";
  request.title = L"Save Connection Profile";
  std::wstring path;
  if (platform::Ui().SaveFileDialog(request, path)) SaveProfile(QString::fromStdWString(path));
}

void CAdvConnectDlg::AskAndLoadProfile() {
  platform::FileDialogRequest request;
  request.filter = kProfileFilter;
  request.defaultExt = L"ini";
  request.title = L"Load Connection Profile";
  std::wstring path;
  if (platform::Ui().OpenFileDialog(request, path)) LoadProfile(QString::fromStdWString(path));
}

void CAdvConnectDlg::accept() {
  const CONN_INFO chosen = Chosen();
  if (connectTarget_) {
    connectTarget_->Info = chosen;
    int rc = 0;
    {
      WaitCursor busy;
      rc = connector_.DoConnect(connectTarget_, nullptr, 0);
    }
    if (!CDB::isOK(rc)) {
      // The dialog stays, with what the user typed and why it did not work.
      LastConnectError = QString::fromStdWString(
          connectTarget_->ErrorText.empty() ? std::wstring(L"The connection failed.")
                                            : connectTarget_->ErrorText);
      controls_->connectError->setText(
          tr("Could not connect to %1:\n%2")
              .arg(QString::fromStdWString(chosen.ConInfo()), LastConnectError));
      controls_->connectError->setVisible(true);
      // Room for the message without squeezing the other controls.
      if (height() < sizeHint().height()) resize(width(), sizeHint().height());
      return;
    }
  }
  connector_.Info = chosen;
  CSmDialog::accept();
}

void CAdvConnectDlg::showEvent(QShowEvent* event) {
  // Opened by the program (not shown again after being minimised): start from the connector's
  // description, with the data sources as the ini files list them now.
  if (!event->spontaneous()) {
    RefreshCatalog();
    Show(connector_.Info);
  }
  CSmDialog::showEvent(event);
}
