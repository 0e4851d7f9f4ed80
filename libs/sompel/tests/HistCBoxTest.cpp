#include "sompel/HistCBox.h"

#include <QFile>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

// Each test starts without any history: its own settings folder.
class HistCBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"config"));
    setenv("BRUNOX_CONFIG_DIR", platform::ToUtf8(folder).c_str(), 1);
  }

  static QStringList Items(const QComboBox& box) {
    QStringList texts;
    for (int i = 0; i < box.count(); ++i) texts << box.itemText(i);
    return texts;
  }

  // A combo as the pages make it, the current text entered by hand, then remembered.
  static void Enter(const QString& name, const QString& text) {
    CHistCBox box;
    box.setEditable(true);
    box.SetHistory(name);
    box.setEditText(text);
    box.Remember();
  }
};

TEST_F(HistCBoxTest, PresetsFirstTimeThenRememberedTextsAheadOfThemInLaterCombos) {
  const QStringList presets = {"<tab>", ";", ","};
  {
    CHistCBox first;
    first.setEditable(true);
    first.SetHistory("Separators", presets);
    EXPECT_EQ(Items(first), presets);
    first.SelectText("|");
    EXPECT_EQ(first.CurrentText(), "|");
    first.Remember();
    // The preset comma too: a text that is also a preset moves ahead of the others.
    first.SelectText(",");
    first.Remember();
  }
  EXPECT_TRUE(QFile::exists(CHistCBox::HistoryFile()));
  EXPECT_TRUE(CHistCBox::HistoryFile().endsWith("/history.ini"));

  CHistCBox later;
  later.SetHistory("Separators", presets);
  EXPECT_EQ(Items(later), (QStringList{",", "|", "<tab>", ";"}));
  // Histories of other names are their own.
  EXPECT_TRUE(CHistCBox::History("DateFormats").isEmpty());
}

TEST_F(HistCBoxTest, TextsComeBackExactlyMostRecentFirstWithoutDuplicates) {
  // Texts an ini file could take apart: commas, blanks at the ends, quotes, backslashes.
  const QStringList texts = {" ; ", "a,b", "\"q\"", "C:\\x", "DD MON YYYY"};
  for (const QString& text : texts) Enter("Odd", text);
  Enter("Odd", "a,b");  // again: moves to the top, not listed twice
  EXPECT_EQ(CHistCBox::History("Odd"), (QStringList{"a,b", "DD MON YYYY", "C:\\x", "\"q\"", " ; "}));
}

TEST_F(HistCBoxTest, KeepsAtMostTwentyAndForgetsTheOldest) {
  for (int i = 1; i <= CHistCBox::kMaxHistory + 3; ++i) Enter("Many", QString::number(i));
  const QStringList kept = CHistCBox::History("Many");
  ASSERT_EQ(kept.size(), CHistCBox::kMaxHistory);
  EXPECT_EQ(kept.first(), "23");
  EXPECT_EQ(kept.last(), "4");
}

TEST_F(HistCBoxTest, EmptyTextsAndNamelessCombosRememberNothing) {
  Enter("Blank", "");
  EXPECT_TRUE(CHistCBox::History("Blank").isEmpty());

  CHistCBox plain;
  plain.addItem("Random Integer", 0);
  plain.addItem("Custom pattern", 3);
  plain.Remember();
  EXPECT_FALSE(QFile::exists(CHistCBox::HistoryFile()));
  EXPECT_TRUE(plain.SelectByData(3));
  EXPECT_EQ(plain.CurrentText(), "Custom pattern");
  EXPECT_FALSE(plain.SelectByData(7));
  EXPECT_EQ(plain.CurrentText(), "Custom pattern");
}

TEST_F(HistCBoxTest, SelectingAMissingTextAddsItOnTopAndAnEmptyOneSelectsNothing) {
  CHistCBox box;
  box.SetHistory("DateFormats", {"YYYY.MM.DD HH:MM:SS"});
  box.SelectText("DD.MM.YYYY");
  EXPECT_EQ(Items(box), (QStringList{"DD.MM.YYYY", "YYYY.MM.DD HH:MM:SS"}));
  EXPECT_EQ(box.CurrentText(), "DD.MM.YYYY");
  box.SelectText("YYYY.MM.DD HH:MM:SS");
  EXPECT_EQ(box.currentIndex(), 1);
  EXPECT_EQ(box.count(), 2);
  box.SelectText("dd.mm.yyyy");  // texts are told apart by case
  EXPECT_EQ(box.count(), 3);
  box.SelectText("");
  EXPECT_EQ(box.currentIndex(), -1);
  EXPECT_EQ(box.count(), 3);
  // Selecting is not remembering.
  EXPECT_TRUE(CHistCBox::History("DateFormats").isEmpty());
}

}  // namespace
