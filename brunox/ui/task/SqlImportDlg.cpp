#include "brunox/ui/task/SqlImportDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "kavra/CDB.h"
#include "kavra/DbmsCodes.h"
#include "kavra/SqlLiteral.h"
#include "platform/UiServices.h"

namespace {

const wchar_t* const kCaption = L"Import SQL Script From";

std::wstring TraceTable(const std::wstring& path) {
  return L"fn_trace_gettable(" + SqlStringLiteral(path) + L", default)";
}

// A server known to keep no trace tables: the query would only fail with a syntax error that
// says nothing about why. An unrecognised server may be one that reads traces, and is asked.
bool HasNoTraceReader(const CDB& db) {
  return db.DBMS != DBMS_UNKNOWN && db.DBMS != DBMS_MSSQL && db.DBMS != DBMS_OTHER;
}

std::wstring NoTraceReaderText(const CDB& db) {
  return L"The connected server (" + db.DbmsName +
         L") has no trace tables: trace files are read by Microsoft SQL Server "
         L"(fn_trace_gettable). Connect to the SQL Server that recorded the trace first.";
}

std::wstring ColumnText(CDB& db, int column) {
  std::wstring text;
  db.GetColumnText(column, &text, nullptr);
  return text;
}

}  // namespace

CSqlImport::CSqlImport(CDB* connection, QWidget* parent)
    : CSmDialog(parent, QStringLiteral("SqlImportDlg")),
      db_(connection),
      traceKind_(new QRadioButton(QStringLiteral("MS SQL Server Profiler trace (*.trc) :"), this)),
      path_(new QLineEdit(this)),
      applications_(new QComboBox(this)),
      logins_(new QComboBox(this)),
      import_(new QPushButton(QStringLiteral("Import"), this)) {
  SetHelpTopic(L"sqlimport.html");
  setWindowTitle(QString::fromStdWString(kCaption));
  setObjectName(QStringLiteral("SqlImportDlg"));
  path_->setObjectName(QStringLiteral("tracePath"));
  applications_->setObjectName(QStringLiteral("applications"));
  logins_->setObjectName(QStringLiteral("logins"));
  import_->setObjectName(QStringLiteral("import"));
  // The only kind of trace there is; the button says what the path must name.
  traceKind_->setChecked(true);
  // Offered once a trace has been chosen, which is where their values come from.
  applications_->setEnabled(false);
  logins_->setEnabled(false);
  // Wide enough for the usual names; a longer one is cut in the box, not in the list.
  for (QComboBox* combo : {applications_, logins_}) {
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(28);
  }
  path_->setMinimumWidth(path_->fontMetrics().averageCharWidth() * 50);

  auto* browse = new QPushButton(QStringLiteral("..."), this);
  browse->setObjectName(QStringLiteral("browse"));
  browse->setMaximumWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  connect(browse, &QPushButton::clicked, this, &CSqlImport::Browse);

  auto* source = new QHBoxLayout;
  source->addWidget(path_, 1);
  source->addWidget(browse);

  auto* filters = new QGridLayout;
  auto* applicationLabel = new QLabel(QStringLiteral("&Application :"), this);
  applicationLabel->setBuddy(applications_);
  auto* loginLabel = new QLabel(QStringLiteral("&Login :"), this);
  loginLabel->setBuddy(logins_);
  filters->addWidget(applicationLabel, 0, 0);
  filters->addWidget(applications_, 0, 1);
  filters->addWidget(loginLabel, 1, 0);
  filters->addWidget(logins_, 1, 1);
  filters->setColumnStretch(2, 1);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(import_, QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  import_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CSqlImport::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CSqlImport::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(traceKind_);
  layout->addLayout(source);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(filters);
  layout->addStretch(1);
  layout->addWidget(buttons);
  LoadLayout();
}

CSqlImport::~CSqlImport() = default;

void CSqlImport::Browse() {
  platform::FileDialogRequest request;
  request.title = L"Select Trace File";
  request.filter = L"SQL Profiler Trace files (*.trc)|*.trc|All Files(*.*)|*.*||";
  request.fileName = path_->text().toStdWString();
  std::wstring path;
  if (platform::Ui().OpenFileDialog(request, path) && !path.empty()) UseTrace(path);
}

void CSqlImport::UseTrace(const std::wstring& path) {
  path_->setText(QString::fromStdWString(path));
  if (db_ && HasNoTraceReader(*db_)) {
    SayFailed(NoTraceReaderText(*db_));
    return;
  }
  if (FillFilter(applications_, QStringLiteral("Applications"), L"ApplicationName", path))
    FillFilter(logins_, QStringLiteral("Logins"), L"LoginName", path);
  else
    SayFailed(kNoConnection);
}

bool CSqlImport::FillFilter(QComboBox* combo, const QString& label, const std::wstring& column,
                            const std::wstring& path) {
  combo->clear();
  combo->setEnabled(true);
  combo->addItem(QStringLiteral("<For All %1>").arg(label));
  combo->setCurrentIndex(0);
  if (!db_) return false;
  const int rc = db_->Execute(L"select distinct(" + column + L") FROM " + TraceTable(path) +
                              L" where " + column + L" is not null");
  if (rc == CDB::kNotConnected) return false;
  if (CDB::isOK(rc)) {
    while (CDB::isOK(db_->Fetch())) combo->addItem(QString::fromStdWString(ColumnText(*db_, 1)));
    db_->CloseCursor();
  }
  return true;
}

std::wstring CSqlImport::FilterOf(const QComboBox* combo) {
  // The first entry is "<For All ...>".
  return combo->currentIndex() > 0 ? combo->currentText().toStdWString() : std::wstring();
}

void CSqlImport::accept() {
  statements_.clear();
  script_.clear();
  if (ReadTrace(path_->text().toStdWString())) CSmDialog::accept();
}

bool CSqlImport::ReadTrace(const std::wstring& path) {
  const std::wstring application = FilterOf(applications_);
  const std::wstring login = FilterOf(logins_);
  if (!db_) {
    SayFailed(kNoConnection);
    return false;
  }
  if (HasNoTraceReader(*db_)) {
    SayFailed(NoTraceReaderText(*db_));
    return false;
  }
  int rc = db_->Execute(L"select TextData,ApplicationName,LoginName FROM " + TraceTable(path) +
                        L" where TextData is not null");
  if (rc == CDB::kNotConnected) {
    SayFailed(kNoConnection);
    return false;
  }
  std::vector<std::wstring> statements;
  if (CDB::isOK(rc)) {
    while (CDB::isOK(rc = db_->Fetch())) {
      // Read in column order: a driver may hand out the columns of a row only in that order.
      std::wstring text = ColumnText(*db_, 1);
      const std::wstring rowApplication = ColumnText(*db_, 2);
      const std::wstring rowLogin = ColumnText(*db_, 3);
      if ((login.empty() || login == rowLogin) &&
          (application.empty() || application == rowApplication))
        statements.push_back(std::move(text));
    }
    db_->CloseCursor();
  }
  if (rc != CDB::kNoData) {
    SayFailed(L"The statements could not be read from the trace:\n" + db_->ErrorText);
    return false;
  }
  statements_ = std::move(statements);
  for (const std::wstring& statement : statements_) script_ += statement + L"\r\n";
  return true;
}

void CSqlImport::SayFailed(const std::wstring& why) {
  platform::Ui().MessageBox(why, kCaption, platform::MsgButtons::Ok, platform::MsgIcon::Error);
}
