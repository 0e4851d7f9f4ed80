#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>

#include <gtest/gtest.h>

#include "mervis/Log.h"
#include "platform/Folders.h"
#include "sompel/AboutDlg.h"
#include "sompel/ErrorDlg.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

QString LabelText(const QWidget& dialog, const char* name) {
  const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
  return label ? label->text() : QStringLiteral("<no label %1>").arg(QLatin1String(name));
}

const QPlainTextEdit* TextArea(const QWidget& dialog, const char* name) {
  return dialog.findChild<QPlainTextEdit*>(QString::fromLatin1(name));
}

TEST(ErrorDlg, ShowsTheErrorAndTheWholeStatementReadOnly) {
  const QString error = QStringLiteral("[42P01] ERROR: relation \"orders\" does not exist");
  const QString statement = QStringLiteral("select *\n  from orders\n where id = 'Zoë'");
  CErrorDlg dialog(error, statement);
  EXPECT_EQ(dialog.windowTitle(), "Script error");
  EXPECT_EQ(dialog.ErrorText(), error);
  EXPECT_EQ(dialog.Statement(), statement);

  for (const auto& [name, text] : {std::pair{"errorText", error}, {"statement", statement}}) {
    const QPlainTextEdit* area = TextArea(dialog, name);
    ASSERT_NE(area, nullptr) << name;
    EXPECT_EQ(area->toPlainText(), text) << name;
    EXPECT_TRUE(area->isReadOnly()) << name;
    EXPECT_TRUE(area->textInteractionFlags() & Qt::TextSelectableByMouse) << name;
  }
  EXPECT_FALSE(testsupport::SaveScreenshot(dialog, QStringLiteral("ErrorDlg")).isEmpty());
}

TEST(ErrorDlg, OkClosesItAsAccepted) {
  CErrorDlg dialog(QStringLiteral("[HY000] no such table: t"), QStringLiteral("select * from t"));
  testsupport::ModalAnswerer answer;
  answer.Custom([](QWidget* shown) {
    auto* buttons = shown->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Ok)->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(answer.Pending(), 0);
}

TEST(AboutDlg, ShowsTitleVersionAndWhereSettingsAndLogAre) {
  const std::wstring logPath = testsupport::NewScratchPath(L"about.log");
  const std::wstring logBefore = CLog::FilePath();
  const int levelBefore = CLog::Level();
  CLog::Open(logPath, 0);

  CAboutDlg dialog;
  const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
  dialog.Init(nullptr, icon, QStringLiteral("Brunox Test Edition"));
  EXPECT_EQ(LabelText(dialog, "title"), "Brunox Test Edition");
  EXPECT_TRUE(dialog.windowTitle().contains("Brunox Test Edition"));
  EXPECT_TRUE(QRegularExpression(R"(^\d+\.\d+\.\d+$)").match(CAboutDlg::Version()).hasMatch())
      << CAboutDlg::Version().toStdString();
  EXPECT_TRUE(LabelText(dialog, "version").contains(CAboutDlg::Version()));
  EXPECT_EQ(LabelText(dialog, "settingsFolder"), QString::fromStdWString(platform::ConfigFolder()));
  EXPECT_EQ(LabelText(dialog, "logFile"), QString::fromStdWString(logPath));
  EXPECT_FALSE(testsupport::SaveScreenshot(dialog, QStringLiteral("AboutDlg")).isEmpty());

  CLog::Close();
  if (!logBefore.empty()) CLog::Open(logBefore, levelBefore);
}

}  // namespace
