#include "brunox/ui/settings/SettingsPageReport.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

#include "sompel/HistCBox.h"

namespace {

struct ContentKey {
  const char* caption;
  const wchar_t* key;
};

// The report's per-thread columns, then the rows of each task's properties.
const ContentKey kColumns[] = {
    {"Thread &executed N times", L"rbExecuted"},
    {"Thread &average speed", L"rbAvgSpeed"},
    {"Thread average d&uration", L"rbAvgDuration"},
    {"Thread ma&ximum duration", L"rbMaxDuration"},
    {"Thread mi&nimum duration", L"rbMinDuration"},
    {"Thread tota&l duration", L"rbDuration"},
    {"&Connection time", L"rbConnect"},
    {"&Disconnection time", L"rbDisconnect"},
};
const ContentKey kTaskRows[] = {
    {"Task &priority", L"rbTaskPriority"},
    {"Task &initialization time", L"rbTaskInit"},
    {"Task &total duration time", L"rbTaskTotal"},
};

CHistCBox* TextCombo(const char* name, const QStringList& presets, QWidget* parent) {
  auto* combo = new CHistCBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setEditable(true);  // a value the list does not offer may be typed
  combo->SetHistory(QString::fromLatin1(name), presets);
  return combo;
}

// An empty stored text shows an empty box instead of joining the list as an empty item.
void ShowText(CHistCBox* combo, const QString& text) {
  if (text.isEmpty()) {
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
  } else {
    combo->SelectText(text);
  }
}

QLabel* LabelFor(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

SettingsPageReport::SettingsPageReport(QWidget* parent)
    : CTitledPage(QStringLiteral("Reporting Options"), parent),
      bindings_(kStoreReport),
      title_(new QLineEdit(this)),
      profile_(new QLineEdit(this)),
      language_(
          TextCombo("HtmlLanguage", {QStringLiteral("en-us"), QStringLiteral("ru-ru")}, this)),
      charset_(TextCombo("HtmlCharset",
                         {QStringLiteral("iso-8859-1"), QStringLiteral("windows-1251"),
                          QStringLiteral("windows-874"), QStringLiteral("windows-1252"),
                          QStringLiteral("windows-1250"), QStringLiteral("windows-1253"),
                          QStringLiteral("windows-1254"), QStringLiteral("windows-1255"),
                          QStringLiteral("windows-1256"), QStringLiteral("windows-1257"),
                          QStringLiteral("windows-1258")},
                         this)),
      showSql_(new QCheckBox(QStringLiteral("Add SQL &statements to the report"), this)),
      save_(new QPushButton(QStringLiteral("Sa&ve"), this)) {
  setObjectName(QStringLiteral("SettingsPageReport"));
  title_->setObjectName(QStringLiteral("reportTitle"));
  profile_->setObjectName(QStringLiteral("textProfile"));
  showSql_->setObjectName(QStringLiteral("showSql"));

  auto* report = new QGridLayout;
  report->addWidget(LabelFor(QStringLiteral("Rep&ort title :"), title_, this), 0, 0);
  report->addWidget(title_, 0, 1, 1, 2);
  report->addWidget(LabelFor(QStringLiteral("Localization profile :"), profile_, this), 1, 0);
  report->addWidget(profile_, 1, 1, 1, 2);
  report->addWidget(LabelFor(QStringLiteral("Lan&guage :"), language_, this), 2, 0);
  report->addWidget(language_, 2, 1);
  report->addWidget(LabelFor(QStringLiteral("C&haracter set :"), charset_, this), 3, 0);
  report->addWidget(charset_, 3, 1);
  report->setColumnStretch(2, 1);
  report->addWidget(showSql_, 4, 0, 1, 3);

  auto* columns = new QGroupBox(QStringLiteral("Thread columns"), this);
  auto* columnGrid = new QGridLayout(columns);
  constexpr int kColumnRows = static_cast<int>(std::size(kColumns) + 1) / 2;
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    auto* box = new QCheckBox(QString::fromLatin1(kColumns[i].caption), columns);
    columnGrid->addWidget(box, i % kColumnRows, i / kColumnRows);
    bindings_.Bind(box, kColumns[i].key);
    contents_.push_back(box);
  }
  auto* taskRows = new QGroupBox(QStringLiteral("Task properties"), this);
  auto* taskGrid = new QVBoxLayout(taskRows);
  for (const ContentKey& row : kTaskRows) {
    auto* box = new QCheckBox(QString::fromLatin1(row.caption), taskRows);
    taskGrid->addWidget(box);
    bindings_.Bind(box, row.key);
    contents_.push_back(box);
  }
  taskGrid->addStretch(1);
  auto* contents = new QHBoxLayout;
  contents->addWidget(columns, 2);
  contents->addWidget(taskRows, 1);

  save_->setObjectName(QStringLiteral("save"));
  connect(save_, &QPushButton::clicked, this, &SettingsPageReport::StoreToProject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save_);

  Body()->addLayout(report);
  Body()->addLayout(contents);
  Body()->addLayout(buttons);
  Body()->addStretch(1);

  bindings_.Bind(title_, L"ReportTitle");
  bindings_.Bind(profile_, L"TextProfile");
  bindings_.Bind(showSql_, L"RepShowSQL");
}

SettingsPageReport::~SettingsPageReport() = default;

void SettingsPageReport::LoadFromProject() {
  bindings_.Load();
  ShowText(language_, bindings_.StoredText(L"HtmlLanguage"));
  ShowText(charset_, bindings_.StoredText(L"HtmlCharset"));
  loaded_ = true;
}

void SettingsPageReport::StoreToProject() {
  if (!loaded_) return;
  bindings_.Store();
  bindings_.SetText(L"HtmlLanguage", language_->CurrentText());
  bindings_.SetText(L"HtmlCharset", charset_->CurrentText());
  language_->Remember();
  charset_->Remember();
  bindings_.Save();
}
