// The options and parameters tabs of the task dialog, each built over a dialog and a task copy as
// the dialog builds them, and once through the dialog itself.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>

#include <gtest/gtest.h>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/project/Task.h"
#include "brunox/ui/task/PageOpts.h"
#include "brunox/ui/task/PageParams.h"
#include "brunox/ui/common/StepSpinBox.h"
#include "brunox/ui/task/TaskProps.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "sompel/Colorizer.h"
#include "sompel/HistCBox.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

class TaskTabsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"config"));
    setenv("BRUNOX_CONFIG_DIR", platform::ToUtf8(folder).c_str(), 1);
    g_project = Project();
    task.Name = L"Orders";
    task.SQL = L"select 1";
  }
  void TearDown() override { g_project = Project(); }

  template <typename T>
  static T& Find(QWidget& page, const char* name) {
    T* found = page.findChild<T*>(QString::fromLatin1(name));
    if (!found) throw std::runtime_error(std::string("no control ") + name);
    return *found;
  }
  static CStepSpinBox& Spin(QWidget& page, const char* name) {
    return Find<CStepSpinBox>(page, name);
  }

  // A tab as the dialog makes it, entered over the task.
  template <typename Page>
  std::unique_ptr<Page> Enter() {
    auto page = std::make_unique<Page>(dialog);
    page->SetTask(&task);
    page->Activate();
    return page;
  }

  static QStringList Rows(QWidget& page) {
    auto& list = Find<QTableWidget>(page, "paramList");
    QStringList rows;
    for (int row = 0; row < list.rowCount(); ++row) rows << list.item(row, 0)->text();
    return rows;
  }

  testsupport::RecordingUi ui;
  CColorizer colorizer;
  TaskProps dialog{colorizer};
  Task task;
};

// ---- Options ----

Task OptionsTask() {
  Task t;
  t.Name = L"Orders";
  t.SQL = L"select 1";
  t.Priority = kPriorityHigh;
  t.SQLDelay = 7;
  t.Delay = 120;
  t.DelayMax = 480;
  t.iStmtDelay = 30;
  t.iStmtDelayMax = 90;
  t.AllRows = 0;
  t.Rows = 250;
  t.TaskGroup = 3;
  t.bSaveThreadResults = 1;
  t.ResultsDirectory = L"/tmp/rows";
  t.ExecCntr = 11;
  return t;
}

TEST_F(TaskTabsTest, OptionsShowTheTaskAndLeavingStoresItUnchanged) {
  task = OptionsTask();
  const Task before = task;
  auto page = Enter<PageOpts>();
  EXPECT_EQ(Find<QComboBox>(*page, "priority").currentText(), "High");
  EXPECT_EQ(Spin(*page, "initialDelay").value(), 7);
  EXPECT_EQ(Spin(*page, "delay").value(), 120);
  EXPECT_EQ(Spin(*page, "delayMax").value(), 480);
  EXPECT_EQ(Spin(*page, "stmtDelay").value(), 30);
  EXPECT_EQ(Spin(*page, "stmtDelayMax").value(), 90);
  EXPECT_TRUE(Find<QRadioButton>(*page, "fetchTop").isChecked());
  EXPECT_FALSE(Find<QRadioButton>(*page, "fetchAll").isChecked());
  EXPECT_EQ(Spin(*page, "rows").value(), 250);
  EXPECT_EQ(Spin(*page, "taskGroup").value(), 3);
  EXPECT_TRUE(Find<QCheckBox>(*page, "saveRows").isChecked());
  EXPECT_EQ(Find<QLineEdit>(*page, "outputDir").text(), "/tmp/rows");
  EXPECT_EQ(Spin(*page, "execCount").value(), 11);
  page->Deactivate();
  EXPECT_FALSE(task != before);
}

TEST_F(TaskTabsTest, OptionsChangedOnTheTabReachTheTaskOnlyWhenItIsLeft) {
  task = OptionsTask();
  auto page = Enter<PageOpts>();
  Find<QComboBox>(*page, "priority").setCurrentIndex(kPriorityLow);
  Spin(*page, "delay").setValue(200);
  Find<QRadioButton>(*page, "fetchAll").setChecked(true);
  Find<QCheckBox>(*page, "saveRows").setChecked(false);
  Spin(*page, "rows").stepBy(1);
  EXPECT_EQ(task.Priority, kPriorityHigh);
  EXPECT_EQ(task.Delay, 120);
  EXPECT_EQ(task.AllRows, 0);
  EXPECT_EQ(task.Rows, 250);
  page->Deactivate();
  EXPECT_EQ(task.Priority, kPriorityLow);
  EXPECT_EQ(task.Delay, 200);
  EXPECT_EQ(task.AllRows, 1);
  EXPECT_EQ(task.Rows, 350);
  EXPECT_EQ(task.bSaveThreadResults, 0);
  EXPECT_EQ(task.ResultsDirectory, L"/tmp/rows");  // kept while not saving
}

TEST_F(TaskTabsTest, OptionsWithoutAnUpperDelayShowTheDelayAsBothBounds) {
  task.Delay = 500;
  task.DelayMax = 0;
  auto page = Enter<PageOpts>();
  EXPECT_EQ(Spin(*page, "delay").value(), 500);
  EXPECT_EQ(Spin(*page, "delayMax").value(), 500);
  page->Deactivate();
  EXPECT_EQ(task.DelayMax, 500);
}

TEST_F(TaskTabsTest, OptionsExecutionCountIsEditableOnlyWhenTheProjectRunsByTaskCounts) {
  for (int mode : {kRunUntilStopped, kRunByTaskCounts, kRunSeconds, kRunEachAtLeast}) {
    g_project.DoType = mode;
    task.ExecCntr = 4;
    auto page = Enter<PageOpts>();
    const bool editable = mode == kRunByTaskCounts;
    EXPECT_EQ(Spin(*page, "execCount").isEnabled(), editable) << mode;
    auto& note = Find<QLabel>(*page, "definedAtProjectLevel");
    EXPECT_EQ(note.isHidden(), editable) << mode;
    EXPECT_EQ(note.text(), "Defined at the project level.");
    EXPECT_EQ(Spin(*page, "execCount").value(), 4);
    EXPECT_TRUE(Spin(*page, "taskGroup").isEnabled());
    // Stored from what is shown, also while it cannot be edited.
    Spin(*page, "execCount").setValue(9);
    page->Deactivate();
    EXPECT_EQ(task.ExecCntr, 9) << mode;
  }
}

TEST_F(TaskTabsTest, OptionsTypedTextKeepsItsLeadingNumberAndAnEmptyBoxIsZero) {
  task.Delay = 40;
  task.iStmtDelay = 40;
  auto page = Enter<PageOpts>();
  auto& delay = Spin(*page, "delay");
  delay.selectAll();
  QTest::keyClicks(&delay, "12abc");
  auto& stmtDelay = Spin(*page, "stmtDelay");
  stmtDelay.selectAll();
  QTest::keyClick(&stmtDelay, Qt::Key_Delete);
  page->Deactivate();
  EXPECT_EQ(task.Delay, 12);
  EXPECT_EQ(task.iStmtDelay, 0);
}

TEST_F(TaskTabsTest, OptionsSpinsStepByTheirRulesWithoutMarkingTheProjectModified) {
  auto page = Enter<PageOpts>();
  const struct {
    const char* spin;
    int from;
    int steps;
    int to;
  } kSteps[] = {
      {"rows", 1000, -1, 0},   {"rows", 999, -1, 899},  {"rows", 999, 1, 1099},
      {"rows", 9, 1, 10},      {"rows", 5, -1, 4},      {"rows", 0, -1, 0},
      {"delay", 5, -1, 5},     {"delay", 10, -1, 0},    {"delay", 10, 1, 20},
      {"delayMax", 5, -1, 5},  {"stmtDelay", 25, -1, 15}, {"stmtDelayMax", 0, 1, 10},
      {"initialDelay", 1, -1, 0}, {"initialDelay", 0, -1, 0}, {"taskGroup", 3, 1, 4},
      {"execCount", 1, -1, 0}, {"execCount", 0, 1, 1},
  };
  g_project.Saved = 1;
  for (const auto& s : kSteps) {
    auto& spin = Spin(*page, s.spin);
    spin.setValue(s.from);
    spin.stepBy(s.steps);
    EXPECT_EQ(spin.value(), s.to) << s.spin << " from " << s.from << " by " << s.steps;
  }
  EXPECT_EQ(g_project.Saved, 1);
}

TEST_F(TaskTabsTest, OptionsOutputFolderIsChosenOnlyWhileSavingRows) {
  task.bSaveThreadResults = 0;
  task.ResultsDirectory = L"/tmp/before";
  auto page = Enter<PageOpts>();
  auto& save = Find<QCheckBox>(*page, "saveRows");
  auto& folder = Find<QLineEdit>(*page, "outputDir");
  auto& choose = Find<QAbstractButton>(*page, "chooseOutputDir");
  EXPECT_FALSE(folder.isEnabled());
  EXPECT_FALSE(choose.isEnabled());
  save.setChecked(true);
  EXPECT_TRUE(folder.isEnabled());
  EXPECT_TRUE(choose.isEnabled());

  ui.folderChoices = {L"/tmp/chosen", L""};
  choose.click();
  EXPECT_EQ(folder.text(), "/tmp/chosen");
  choose.click();  // cancelled
  EXPECT_EQ(folder.text(), "/tmp/chosen");
  EXPECT_EQ(ui.folderTitles, (std::vector<std::wstring>(2, L"Output Folder for Thread Data")));
  page->Deactivate();
  EXPECT_EQ(task.bSaveThreadResults, 1);
  EXPECT_EQ(task.ResultsDirectory, L"/tmp/chosen");
}

TEST_F(TaskTabsTest, OptionsPriorityOutsideTheListIsKept) {
  auto page = std::make_unique<PageOpts>(dialog);
  auto& priority = Find<QComboBox>(*page, "priority");
  ASSERT_EQ(priority.count(), 3);
  EXPECT_EQ(priority.itemText(0), "Low");
  EXPECT_EQ(priority.itemText(1), "Normal");
  EXPECT_EQ(priority.itemText(2), "High");
  task.Priority = 9;
  page->SetTask(&task);
  page->Activate();
  page->Deactivate();
  EXPECT_EQ(task.Priority, 9);
}

// ---- Parameters ----

TEST_F(TaskTabsTest, ParametersCountTheLargestMarkerNumber) {
  EXPECT_EQ(PageParams::CountParameters(L""), 0);
  EXPECT_EQ(PageParams::CountParameters(L"select 1"), 0);
  EXPECT_EQ(PageParams::CountParameters(L"select '?' , ?0"), 0);
  EXPECT_EQ(PageParams::CountParameters(L"select a from t where b = ?3"), 3);
  EXPECT_EQ(PageParams::CountParameters(L"?12 ?2"), 12);
  EXPECT_EQ(PageParams::CountParameters(L"?1?2"), 2);
  EXPECT_EQ(PageParams::CountParameters(L"??4"), 4);
  EXPECT_EQ(PageParams::CountParameters(L"x = ?07"), 7);
  EXPECT_EQ(PageParams::CountParameters(L"?2?"), 2);
  EXPECT_EQ(PageParams::CountParameters(L"?99999999999999999999"), PageParams::kMaxParameters);
}

TEST_F(TaskTabsTest, ParametersListOneRowPerMarkerNumberAndAddRecordsForThem) {
  task.ParamType = kParamsGenerated;
  for (const auto& [sql, rows] : {std::pair{L"select a from t where b = ?3", 3},
                                  {L"?12 ?2", 12}, {L"?1?2", 2}}) {
    task.SQL = sql;
    task.Params.clear();
    auto page = Enter<PageParams>();
    const QStringList shown = Rows(*page);
    ASSERT_EQ(shown.size(), rows) << platform::ToUtf8(sql);
    EXPECT_EQ(shown.first(), "1");
    EXPECT_EQ(shown.last(), QString::number(rows));
    ASSERT_EQ(static_cast<int>(task.Params.size()), rows);
    // A new record generates values as it is, before anyone edits it.
    EXPECT_EQ(task.Params.back().PropTempl, L"$RInt(0,32000)");
    EXPECT_EQ(task.Params.back().PropDateFormat, L"YYYY.MM.DD HH:MM:SS");
    EXPECT_EQ(Find<QLineEdit>(*page, "pattern").text(), "$RInt(0,32000)");
  }
}

TEST_F(TaskTabsTest, ParametersWithoutMarkersLeaveTheRecordsAsTheyAre) {
  task.Params.resize(2);
  task.Params[0].PropMethod = kParamPattern;
  task.Params[0].PropTempl = L"AAA";
  task.Params[1].PropTempl = L"";  // inconsistent on purpose: nothing may rebuild it
  const Task before = task;
  // No marker at all, and fewer markers than records.
  for (const auto& [sql, rows] : {std::pair{L"select 1", 0}, {L"select ?1", 1}}) {
    task.SQL = sql;
    auto page = Enter<PageParams>();
    EXPECT_EQ(Rows(*page).size(), rows);
    page->Deactivate();
    ASSERT_EQ(task.Params.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) EXPECT_FALSE(task.Params[i].Differs(before.Params[i])) << i;
  }
}

TEST_F(TaskTabsTest, ParametersStoreTheShownRecordWhenAnotherIsChosenAndWhenTheTabIsLeft) {
  task.SQL = L"insert into t values (?1, ?2)";
  task.ParamType = kParamsGenerated;
  auto page = Enter<PageParams>();
  auto& list = Find<QTableWidget>(*page, "paramList");
  auto& valueType = Find<QComboBox>(*page, "valueType");
  EXPECT_EQ(list.currentRow(), 0);
  EXPECT_EQ(valueType.currentText(), "Random Integer");
  Find<QLineEdit>(*page, "between").setText("5");
  Find<QLineEdit>(*page, "and").setText("9");

  list.selectRow(1);
  EXPECT_EQ(task.Params[0].PropTempl, L"$RInt(5,9)");
  EXPECT_EQ(Find<QLineEdit>(*page, "pattern").text(), "$RInt(0,32000)");
  valueType.setCurrentIndex(kParamString);
  // The string page shows the record's own lengths; the record is not changed yet.
  EXPECT_EQ(Find<QLineEdit>(*page, "lengthTo").text(), "32");
  EXPECT_EQ(task.Params[1].PropMethod, kParamInterval);
  Find<QRadioButton>(*page, "digits").setChecked(true);
  page->Deactivate();
  EXPECT_EQ(task.Params[1].PropMethod, kParamString);
  EXPECT_EQ(task.Params[1].PropTempl, L"N{1;32}");
  EXPECT_EQ(task.Params[0].PropMethod, kParamInterval);
  EXPECT_EQ(task.Params[0].PropTempl, L"$RInt(5,9)");

  // Entered again, the first record shows on the page of its method.
  page->Activate();
  EXPECT_EQ(valueType.currentText(), "Random Integer");
  EXPECT_EQ(Find<QLineEdit>(*page, "between").text(), "5");
  list.selectRow(1);
  EXPECT_EQ(valueType.currentText(), "Random String");
  EXPECT_TRUE(Find<QRadioButton>(*page, "digits").isChecked());
  EXPECT_EQ(Find<QLineEdit>(*page, "pattern").text(), "N{1;32}");
}

TEST_F(TaskTabsTest, ParametersPatternLineFollowsEveryChangeAtOnce) {
  task.SQL = L"?1";
  auto page = Enter<PageParams>();
  auto& pattern = Find<QLineEdit>(*page, "pattern");
  EXPECT_EQ(pattern.text(), "$RInt(0,32000)");
  Find<QLineEdit>(*page, "between").setText("5");
  EXPECT_EQ(pattern.text(), "$RInt(5,32000)");
  Find<QLineEdit>(*page, "and").setText("9");
  EXPECT_EQ(pattern.text(), "$RInt(5,9)");
  Find<QComboBox>(*page, "valueType").setCurrentIndex(kParamString);
  Find<QRadioButton>(*page, "digits").setChecked(true);
  EXPECT_EQ(pattern.text(), "N{1;32}");
  Find<QLineEdit>(*page, "lengthTo").setText("4");
  EXPECT_EQ(pattern.text(), "N{1;4}");
  EXPECT_EQ(task.Params[0].PropTempl, L"$RInt(0,32000)") << "shown, not stored, until left";
  page->Deactivate();
  EXPECT_EQ(task.Params[0].PropTempl, L"N{1;4}");
}

TEST_F(TaskTabsTest, ParametersReenteredShowTheFirstRecordAgain) {
  task.SQL = L"?2";
  auto page = Enter<PageParams>();
  Find<QLineEdit>(*page, "between").setText("6");
  page->Deactivate();
  page->Activate();
  EXPECT_EQ(Find<QLineEdit>(*page, "pattern").text(), "$RInt(6,32000)");
  Find<QLineEdit>(*page, "and").setText("8");
  page->Deactivate();
  EXPECT_EQ(task.Params[0].PropTempl, L"$RInt(6,8)");
}

TEST_F(TaskTabsTest, ParametersLookedAtButNotStoredStayUnchanged) {
  task.SQL = L"?1";
  task.Params.resize(1);
  task.Params[0].PropMethod = kParamDateTime;
  task.Params[0].PropDateFormat = L"DD.MM.YYYY";
  task.Params[0].PropTempl = L"$RDate(DD.MM.YYYY) written by hand";
  const TaskParam before = task.Params[0];
  auto page = Enter<PageParams>();
  EXPECT_EQ(Find<QComboBox>(*page, "valueType").currentText(), "Random Date/Time");
  EXPECT_EQ(Find<QLineEdit>(*page, "pattern").text(), "$RDate(DD.MM.YYYY) written by hand");
  Find<QComboBox>(*page, "valueType").setCurrentIndex(kParamPattern);
  EXPECT_EQ(Find<QLineEdit>(*page, "customPattern").text(), "$RDate(DD.MM.YYYY) written by hand");
  // The dialog is cancelled: the tab is never left.
  page.reset();
  EXPECT_FALSE(task.Params[0].Differs(before));
}

TEST_F(TaskTabsTest, ParametersUnknownMethodIsShownAsACustomPattern) {
  task.SQL = L"?1";
  task.Params.resize(1);
  task.Params[0].PropMethod = 17;
  task.Params[0].PropTempl = L"$RInt(3,4)";
  auto page = Enter<PageParams>();
  EXPECT_EQ(Find<QComboBox>(*page, "valueType").currentText(), "Custom pattern");
  page->Deactivate();
  EXPECT_EQ(task.Params[0].PropMethod, 17) << "only looked at: kept as it was";
  EXPECT_EQ(task.Params[0].PropTempl, L"$RInt(3,4)");

  page->Activate();
  Find<QLineEdit>(*page, "customPattern").setText(QStringLiteral("$RInt(3,5)"));
  page->Deactivate();
  EXPECT_EQ(task.Params[0].PropMethod, kParamPattern) << "edited: stored as a pattern";
  EXPECT_EQ(task.Params[0].PropTempl, L"$RInt(3,5)");
}

TEST_F(TaskTabsTest, ParametersAHandWrittenPatternSurvivesTheTab) {
  // A project written by hand may hold a pattern that the record's other fields do not build.
  task.SQL = L"?1 ?2";
  task.Params.resize(2);
  task.Params[0].PropMethod = kParamInterval;
  task.Params[0].PropTempl = L"NNN";
  task.Params[1].PropMethod = kParamString;
  task.Params[1].PropTempl = L"A{2;3}-$RInt(1,9)";
  const std::vector<TaskParam> before = task.Params;
  auto page = Enter<PageParams>();
  Find<QTableWidget>(*page, "paramList").selectRow(1);
  page->Deactivate();
  for (size_t i = 0; i < before.size(); ++i)
    EXPECT_FALSE(task.Params[i].Differs(before[i])) << "parameter " << i + 1;
}

TEST_F(TaskTabsTest, ParametersSourceChoiceEnablesItsControls) {
  task.SQL = L"?2";
  task.ParamType = kParamsFromFile;
  task.File = L"";
  auto page = Enter<PageParams>();
  const char* const kFileControls[] = {"valueFile", "separator", "tduIndependent", "tduUnique",
                                       "tduSequential"};
  const char* const kParamControls[] = {"paramList", "valueType"};
  auto expectEnabled = [&](bool fromFile) {
    for (const char* name : kFileControls)
      EXPECT_EQ(Find<QWidget>(*page, name).isEnabled(), fromFile) << name;
    for (const char* name : kParamControls)
      EXPECT_EQ(Find<QWidget>(*page, name).isEnabled(), !fromFile) << name;
    EXPECT_TRUE(Find<QWidget>(*page, "pattern").isEnabled());
  };
  EXPECT_TRUE(Find<QRadioButton>(*page, "useValueFile").isChecked());
  expectEnabled(true);
  Find<QRadioButton>(*page, "useGenerated").click();
  expectEnabled(false);
  page->Deactivate();
  EXPECT_EQ(task.ParamType, kParamsGenerated);
  EXPECT_EQ(task.File, L"");
  Find<QRadioButton>(*page, "useValueFile").click();
  expectEnabled(true);
}

TEST_F(TaskTabsTest, ParametersFileSettingsRoundTripAndTheSeparatorIsRemembered) {
  task.File = L"$TEMP$/values.txt";
  task.Separator = L"|";
  task.TDU = kThreadsShareReader;
  auto page = Enter<PageParams>();
  EXPECT_EQ(Find<QLineEdit>(*page, "valueFile").text(), "$TEMP$/values.txt");
  auto& separator = Find<CHistCBox>(*page, "separator");
  EXPECT_EQ(separator.CurrentText(), "|");
  EXPECT_TRUE(Find<QRadioButton>(*page, "tduSequential").isChecked());
  Find<QRadioButton>(*page, "tduUnique").setChecked(true);
  separator.setEditText(";");
  page->Deactivate();
  EXPECT_EQ(task.TDU, kOneLinePerThread);
  EXPECT_EQ(task.Separator, L";");
  EXPECT_EQ(task.File, L"$TEMP$/values.txt");
  EXPECT_EQ(CHistCBox::History("Separators").first(), ";");

  // A value the radios do not know shows none of them and is stored as the last one.
  task.TDU = 5;
  page->Activate();
  for (const char* name : {"tduIndependent", "tduUnique", "tduSequential"})
    EXPECT_FALSE(Find<QRadioButton>(*page, name).isChecked()) << name;
  page->Deactivate();
  EXPECT_EQ(task.TDU, kThreadsShareReader);
}

TEST_F(TaskTabsTest, ParametersLeavingTheTabTouchesNoOtherTaskField) {
  task = OptionsTask();
  task.SQL = L"select ?2";
  task.ParamType = kParamsGenerated;
  task.Params.resize(2);
  for (TaskParam& p : task.Params) p.PropTempl = L"$RInt(0,32000)";
  const Task before = task;
  auto page = Enter<PageParams>();
  page->Deactivate();
  EXPECT_FALSE(task != before);
}

TEST_F(TaskTabsTest, ParametersEditFileOpensAnExistingFileAndReportsAMissingOne) {
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"x"));
  task.File = folder + L"/missing-$DATE$.txt";
  auto page = Enter<PageParams>();
  auto& edit = Find<QPushButton>(*page, "editValueFile");
  edit.click();
  const std::wstring expanded = CLog::DecodePath(task.File);
  EXPECT_EQ(expanded.find(L"$DATE$"), std::wstring::npos);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, L"File '" + expanded + L"' not found.");
  EXPECT_EQ(ui.messages[0].caption, L"Warning!");
  EXPECT_EQ(ui.messages[0].icon, platform::MsgIcon::Error);
  EXPECT_TRUE(ui.started.empty());

  const std::wstring existing = folder + L"/values.txt";
  ASSERT_TRUE(platform::WriteFileBytes(existing, "1\t2\n"));
  Find<QLineEdit>(*page, "valueFile").setText(QString::fromStdWString(existing));
  edit.click();
  EXPECT_EQ(ui.messages.size(), 1u);
  ASSERT_EQ(ui.started.size(), 1u);
  EXPECT_EQ(ui.started[0].second, std::vector<std::wstring>{existing});
}

TEST_F(TaskTabsTest, ParametersValueFileIsChosenWithAFileDialog) {
  auto page = Enter<PageParams>();
  ui.fileChoices = {L"/tmp/chosen.txt", L""};
  auto& choose = Find<QAbstractButton>(*page, "chooseValueFile");
  choose.click();
  EXPECT_EQ(Find<QLineEdit>(*page, "valueFile").text(), "/tmp/chosen.txt");
  choose.click();
  EXPECT_EQ(Find<QLineEdit>(*page, "valueFile").text(), "/tmp/chosen.txt");
  EXPECT_EQ(ui.fileDialogs, 2);
}

// ---- Through the dialog ----

TEST_F(TaskTabsTest, TabChangesAndSaveStoreBothTabsIntoTheCopy) {
  task.SQL = L"select ?1";
  task.ParamType = kParamsGenerated;
  task.Delay = 10;
  task.DelayMax = 20;
  dialog.SetTask(&task);
  testsupport::ModalAnswerer answer;
  answer.Custom([&](QWidget*) {
    ASSERT_TRUE(dialog.SelectTab(TaskProps::kTabOptions));
    QWidget& options = *dialog.Page(TaskProps::kTabOptions);
    Spin(options, "delayMax").setValue(70);
    ASSERT_TRUE(dialog.SelectTab(TaskProps::kTabParams));
    QWidget& params = *dialog.Page(TaskProps::kTabParams);
    Find<QLineEdit>(params, "between").setText("3");
    Find<QLineEdit>(params, "and").setText("4");
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(answer.Pending(), 0);
  EXPECT_EQ(task.DelayMax, 70);
  EXPECT_EQ(task.Delay, 10);
  ASSERT_EQ(task.Params.size(), 1u);
  EXPECT_EQ(task.Params[0].PropTempl, L"$RInt(3,4)");
}

TEST_F(TaskTabsTest, Screenshots) {
  task = OptionsTask();
  g_project.DoType = kRunSeconds;
  auto options = Enter<PageOpts>();
  options->resize(options->sizeHint().expandedTo(QSize(620, 460)));
  EXPECT_FALSE(testsupport::SaveScreenshot(*options, "task_options").isEmpty());

  task.SQL = L"select * from orders where id = ?1 and placed > ?2 and note like ?3";
  task.ParamType = kParamsGenerated;
  auto params = Enter<PageParams>();
  params->resize(params->sizeHint().expandedTo(QSize(620, 460)));
  EXPECT_FALSE(testsupport::SaveScreenshot(*params, "task_parameters").isEmpty());
}

}  // namespace
