#include "brunox/ui/run/PageSQLLog.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/run/LastWrittenFile.h"
#include "brunox/ui/common/RowListView.h"
#include "brunox/ui/run/StatementLogModel.h"
#include "platform/UiServices.h"

namespace {

constexpr const wchar_t* kWidthKeys[StatementLogModel::kColumnCount] = {
    L"sl_W1", L"sl_W2", L"sl_W3", L"sl_W4", L"sl_W5", L"sl_W6", L"sl_W7", L"sl_W8"};
constexpr int kSqlColumn = 3;

}  // namespace

PageSQLLog::PageSQLLog(QWidget* parent)
    : CTitledPage(QStringLiteral("Executed Statements"), parent),
      model_(new StatementLogModel(this)),
      list_(new QTableView(this)) {
  setObjectName(QStringLiteral("PageSQLLog"));
  list_->setModel(model_);
  SetUpRowList(*list_);
  // The statements are what the page is read for: their column takes the width the others
  // leave, rather than the last column.
  QHeaderView* columns = list_->horizontalHeader();
  columns->setStretchLastSection(false);
  columns->setSectionResizeMode(kSqlColumn, QHeaderView::Stretch);
  LoadColumnWidths();
  Body()->addWidget(list_, 1);
}

void PageSQLLog::LoadColumnWidths() { ::LoadColumnWidths(*list_, kWidthKeys); }

PageSQLLog::~PageSQLLog() { StoreColumnWidths(); }

void PageSQLLog::Activate() {
  CTitledPage::Activate();
  ReadLog();
}

void PageSQLLog::Deactivate() {
  StoreColumnWidths();
  CTitledPage::Deactivate();
}

std::wstring PageSQLLog::LogPath() {
  return LastWrittenFile(g_project.SQLFile, g_runner ? g_runner->StatementLogPath() : L"");
}

void PageSQLLog::ReadLog() {
  if (model_->Load(LogPath()) == StatementLogModel::LoadResult::Missing)
    platform::Ui().MessageBox(L"Requested report is not created yet.", L"Warning",
                              platform::MsgButtons::Ok, platform::MsgIcon::Error);
}

void PageSQLLog::StoreColumnWidths() const {
  if (!g_settings) return;
  ::StoreColumnWidths(*list_, kWidthKeys);
  g_settings->SaveData(0);
}
