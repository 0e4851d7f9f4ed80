// The option pages build the value patterns the generator evaluates; each built pattern is
// rendered by the real engine, so a pattern the engine cannot read or that gives values of the
// wrong shape fails here rather than in a run.
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

#include "brunox/ui/task/OpCustom.h"
#include "brunox/ui/task/OpDateTime.h"
#include "brunox/ui/task/OpInterval.h"
#include "brunox/ui/task/OpString.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "sompel/HistCBox.h"
#include "synthor/engine/DSynthor.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

constexpr int kRenderings = 200;

class OptionPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The date formats' history starts empty in each test.
    const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"config"));
    setenv("BRUNOX_CONFIG_DIR", platform::ToUtf8(folder).c_str(), 1);
  }

  template <typename T>
  static T& Find(QWidget& page, const char* name) {
    T* found = page.findChild<T*>(QString::fromLatin1(name));
    if (!found) throw std::runtime_error(std::string("no control ") + name);
    return *found;
  }

  // Renders `pattern` as the runner does (column P1) and checks every value with `check`.
  static void ExpectValues(const std::wstring& pattern,
                           const std::function<void(const QString&)>& check) {
    SCOPED_TRACE(QString::fromStdWString(pattern).toStdString());
    DSynthor engine;
    engine.Initialize(L"", 20240611u, nullptr);
    engine.AddColumnName(L"P1");
    for (int i = 0; i < kRenderings; ++i) {
      DGValue value;
      ASSERT_TRUE(engine.Value(0, pattern, &value, nullptr)) << engine.Error();
      check(QString::fromStdWString(value.value));
      if (::testing::Test::HasFailure()) return;
    }
  }

  static void ExpectMatching(const std::wstring& pattern, const QString& regex) {
    const QRegularExpression whole(QRegularExpression::anchoredPattern(regex));
    ExpectValues(pattern, [&](const QString& value) {
      EXPECT_TRUE(whole.match(value).hasMatch()) << value.toStdString();
    });
  }

  TaskParam param;
};

TEST_F(OptionPagesTest, IntervalBuildsRIntFromTheBoundsAndItsValuesStayInside) {
  OpInterval page;
  Find<QLineEdit>(page, "between").setText("1");
  Find<QLineEdit>(page, "and").setText("100");
  param.PropMethod = kParamPattern;
  page.StoreParam(param);
  EXPECT_EQ(param.PropMethod, kParamInterval);
  EXPECT_EQ(param.PropFrom, 1);
  EXPECT_EQ(param.PropTo, 100);
  EXPECT_EQ(param.PropTempl, L"$RInt(1,100)");
  ExpectValues(param.PropTempl, [](const QString& value) {
    bool number = false;
    const int n = value.toInt(&number);
    EXPECT_TRUE(number && n >= 1 && n <= 100) << value.toStdString();
  });
}

TEST_F(OptionPagesTest, IntervalBoundsThatAreNotNumbersCountAsTheirLeadingNumber) {
  OpInterval page;
  for (const auto& [from, to, pattern] :
       {std::tuple{"abc", "12abc", L"$RInt(0,12)"}, {"", " -5", L"$RInt(0,-5)"},
        {"99999999999", "+7", L"$RInt(2147483647,7)"}}) {
    Find<QLineEdit>(page, "between").setText(from);
    Find<QLineEdit>(page, "and").setText(to);
    page.StoreParam(param);
    EXPECT_EQ(param.PropTempl, pattern) << from << " / " << to;
  }
  EXPECT_EQ(param.PropFrom, 2147483647);
  EXPECT_EQ(param.PropTo, 7);
  ExpectMatching(L"$RInt(0,12)", "\\d{1,2}");
}

TEST_F(OptionPagesTest, StringBuildsTheClassAndLengthsAndItsValuesHaveThatShape) {
  OpString page;
  Find<QLineEdit>(page, "lengthFrom").setText("1");
  Find<QLineEdit>(page, "lengthTo").setText("32");
  Find<QRadioButton>(page, "digits").setChecked(true);
  page.StoreParam(param);
  EXPECT_EQ(param.PropMethod, kParamString);
  EXPECT_EQ(param.PropStrType, 2);
  EXPECT_EQ(param.PropTempl, L"N{1;32}");
  ExpectMatching(param.PropTempl, "[0-9]{1,32}");

  Find<QLineEdit>(page, "lengthFrom").setText("4");
  Find<QLineEdit>(page, "lengthTo").setText("4");
  const struct {
    const char* radio;
    int type;
    const wchar_t* pattern;
    const char* regex;
  } kClasses[] = {{"upperLetters", 0, L"A{4;4}", "[A-Z]{4}"},
                  {"lowerLetters", 1, L"a{4;4}", "[a-z]{4}"},
                  {"hexDigits", 3, L"X{4;4}", "[0-9A-Fa-f]{4}"}};
  for (const auto& c : kClasses) {
    Find<QRadioButton>(page, c.radio).setChecked(true);
    page.StoreParam(param);
    EXPECT_EQ(param.PropStrType, c.type);
    EXPECT_EQ(param.PropTempl, c.pattern);
    ExpectMatching(param.PropTempl, c.regex);
  }
}

TEST_F(OptionPagesTest, StringWithoutAKnownClassUsesUpperLetters) {
  param.PropStrType = 7;
  param.PropLenFrom = 2;
  param.PropLenTo = 3;
  OpString::BuildPattern(param);
  EXPECT_EQ(param.PropStrType, 0);
  EXPECT_EQ(param.PropTempl, L"A{2;3}");

  // Shown with the upper letters chosen, and stored so.
  param.PropStrType = -1;
  OpString page;
  Find<QRadioButton>(page, "hexDigits").setChecked(true);
  page.LoadParam(param);
  EXPECT_TRUE(Find<QRadioButton>(page, "upperLetters").isChecked());

  // No radio checked at all (the group made non-exclusive to get there).
  for (const char* name : {"upperLetters", "lowerLetters", "digits", "hexDigits"}) {
    auto& radio = Find<QRadioButton>(page, name);
    radio.group()->setExclusive(false);
    radio.setChecked(false);
  }
  page.StoreParam(param);
  EXPECT_EQ(param.PropStrType, 0);
  EXPECT_EQ(param.PropTempl, L"A{2;3}");
}

TEST_F(OptionPagesTest, DateTimeSplitsTheFormatAtTheHours) {
  const struct {
    const wchar_t* format;
    const wchar_t* pattern;
    const char* regex;
  } kFormats[] = {
      {L"YYYY.MM.DD HH:MM:SS", L"$RDate(YYYY.MM.DD) $RTime(HH:MM:SS)",
       "\\d{4}\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d"},
      // No hours: a date only, of the whole format, blanks and all.
      {L"DD.MM.YYYY", L"$RDate(DD.MM.YYYY)", "\\d\\d\\.\\d\\d\\.\\d{4}"},
      {L"DD MM YYYY", L"$RDate(DD MM YYYY)", "\\d\\d \\d\\d \\d{4}"},
      // Hours first: a time only.
      {L"HH:MM", L"$RTime(HH:MM)", "\\d\\d:\\d\\d"},
      // The date part ends at the first blank, the time starts at the hours.
      {L"DD.MM.YY  HH.MM", L"$RDate(DD.MM.YY) $RTime(HH.MM)", "\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d\\.\\d\\d"},
      {L"YYYY-MM-DD_HH:MM", L"$RDate(YYYY-MM-DD_HH:MM) $RTime(HH:MM)", nullptr},
  };
  for (const auto& f : kFormats) {
    param.PropDateFormat = f.format;
    OpDateTime::BuildPattern(param);
    EXPECT_EQ(param.PropMethod, kParamDateTime);
    EXPECT_EQ(param.PropTempl, f.pattern);
    if (f.regex) ExpectMatching(param.PropTempl, f.regex);
  }
  // Every rendered time of day is a real one.
  ExpectValues(L"$RTime(HH:MM:SS)", [](const QString& value) {
    const QStringList parts = value.split(':');
    ASSERT_EQ(parts.size(), 3);
    EXPECT_LT(parts[0].toInt(), 24);
    EXPECT_LT(parts[1].toInt(), 60);
    EXPECT_LT(parts[2].toInt(), 60);
  });
}

TEST_F(OptionPagesTest, DateTimePageStoresTheTypedFormatAndRemembersIt) {
  OpDateTime page;
  auto& format = Find<CHistCBox>(page, "format");
  EXPECT_EQ(format.CurrentText(), "YYYY.MM.DD HH:MM:SS");
  param.PropDateFormat = L"DD.MM.YYYY";
  page.LoadParam(param);
  EXPECT_EQ(format.CurrentText(), "DD.MM.YYYY");
  format.setEditText("MM/DD/YYYY HH:MM");
  page.StoreParam(param);
  EXPECT_EQ(param.PropDateFormat, L"MM/DD/YYYY HH:MM");
  EXPECT_EQ(param.PropTempl, L"$RDate(MM/DD/YYYY) $RTime(HH:MM)");
  EXPECT_EQ(CHistCBox::History("DateFormats"), QStringList{"MM/DD/YYYY HH:MM"});
  // A later page offers it, ahead of the default.
  OpDateTime later;
  EXPECT_EQ(Find<CHistCBox>(later, "format").itemText(0), "MM/DD/YYYY HH:MM");
}

TEST_F(OptionPagesTest, CustomStoresExactlyTheTypedText) {
  OpCustom page;
  const QString typed = QStringLiteral("  $RInt(5,5)-AAA  ");
  Find<QLineEdit>(page, "customPattern").setText(typed);
  page.StoreParam(param);
  EXPECT_EQ(param.PropMethod, kParamPattern);
  EXPECT_EQ(QString::fromStdWString(param.PropTempl), typed);
  ExpectMatching(param.PropTempl, "  5-[A-Z]{3}  ");

  const std::wstring longPattern(40000, L'N');
  Find<QLineEdit>(page, "customPattern").setText(QString::fromStdWString(longPattern));
  page.StoreParam(param);
  EXPECT_EQ(param.PropTempl, longPattern);
}

// Loading shows a record's fields; storing them again unchanged gives the same record, on every
// page, whatever pattern the record carried before.
TEST_F(OptionPagesTest, LoadingThenStoringKeepsTheRecordsFields) {
  TaskParam stored;
  stored.PropFrom = -40;
  stored.PropTo = 2500;
  stored.PropLenFrom = 3;
  stored.PropLenTo = 9;
  stored.PropStrType = 1;
  stored.PropDateFormat = L"DD.MM.YYYY HH:MM";
  stored.PropTempl = L"stale";
  OpInterval interval;
  OpString string;
  OpDateTime dateTime;
  OpCustom custom;
  const struct {
    OptionPage* page;
    int method;
    const wchar_t* pattern;
  } kPages[] = {{&interval, kParamInterval, L"$RInt(-40,2500)"},
                {&string, kParamString, L"a{3;9}"},
                {&dateTime, kParamDateTime, L"$RDate(DD.MM.YYYY) $RTime(HH:MM)"},
                {&custom, kParamPattern, L"stale"}};
  for (const auto& p : kPages) {
    const TaskParam before = stored;
    p.page->LoadParam(stored);
    EXPECT_FALSE(stored.Differs(before)) << "loading changed method " << p.method;
    TaskParam again = stored;
    p.page->StoreParam(again);
    EXPECT_EQ(again.PropMethod, p.method);
    EXPECT_EQ(again.PropTempl, p.pattern);
    again.PropMethod = stored.PropMethod;
    again.PropTempl = stored.PropTempl;
    EXPECT_FALSE(again.Differs(stored)) << "storing changed fields of method " << p.method;
  }
}

TEST_F(OptionPagesTest, Screenshots) {
  TaskParam shown;
  shown.PropFrom = 1;
  shown.PropTo = 100;
  shown.PropStrType = 2;
  shown.PropTempl = L"$RInt(1,100)-N{4}";
  OpInterval interval;
  OpString string;
  OpDateTime dateTime;
  OpCustom custom;
  const std::pair<OptionPage*, const char*> kPages[] = {{&interval, "option_interval"},
                                                        {&string, "option_string"},
                                                        {&dateTime, "option_datetime"},
                                                        {&custom, "option_custom"}};
  for (const auto& [page, name] : kPages) {
    page->LoadParam(shown);
    page->resize(page->sizeHint().expandedTo(QSize(420, 220)));
    EXPECT_FALSE(testsupport::SaveScreenshot(*page, QString::fromLatin1(name)).isEmpty()) << name;
  }
}

}  // namespace
