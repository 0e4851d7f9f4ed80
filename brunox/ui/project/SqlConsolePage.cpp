#include "brunox/ui/project/SqlConsolePage.h"

#include <QVBoxLayout>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "sompel/RunSQL.h"

CSqlConsolePage::CSqlConsolePage(const CColorizer* colorizer, QWidget* parent)
    : CTitledPage(tr("SQL Console"), parent), console_(new CRunSQL(this)) {
  console_->Init(10, 4, QStringLiteral("Courier New"), 0, colorizer);
  console_->SetConnection(g_mainDB);
  Body()->addWidget(console_, 1);
}

CSqlConsolePage::~CSqlConsolePage() = default;

void CSqlConsolePage::LoadFromProject() {
  console_->SetConnection(g_mainDB);
  if (g_settings)
    console_->SetText(QString::fromStdWString(g_settings->getStr(kStoreMain, L"ConsoleSQL")));
  opened_ = true;
}

void CSqlConsolePage::ConnectionChanged() { console_->SetConnection(g_mainDB); }

void CSqlConsolePage::StoreToProject() {
  if (opened_ && g_settings)
    g_settings->setStr(kStoreMain, L"ConsoleSQL", console_->Text().toStdWString());
}
