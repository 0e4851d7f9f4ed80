#include <string>

#include <gtest/gtest.h>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/tests/EngineTestSupport.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

using enginetest::EngineTest;
using enginetest::ScriptedUi;
using platform::MsgAnswer;

class SaveIfModifiedTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = testsupport::NewScratchPath(L"edited.bxp");
    ASSERT_EQ(project_.Save(path_), 1);
    project_.Note = L"edited";
    project_.Saved = 0;
  }

  // What the file holds now.
  std::wstring NoteInFile(const std::wstring& path) {
    Project p;
    p.Load(path);
    return p.Note;
  }

  void ExpectTheQuestion(const ScriptedUi& ui) {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"Current project is not saved. Save it?");
    EXPECT_EQ(ui.messages[0].caption, L"Warning!");
    EXPECT_EQ(ui.messages[0].buttons, platform::MsgButtons::YesNoCancel);
    EXPECT_EQ(ui.messages[0].icon, platform::MsgIcon::Question);
  }

  std::wstring path_;
  Project project_;
};

TEST_F(SaveIfModifiedTest, SavedProjectIsNotAskedAbout) {
  ScriptedUi ui;
  project_.Saved = 1;
  EXPECT_EQ(project_.SaveIfModified(), 0);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SaveIfModifiedTest, YesSavesToTheProjectFile) {
  ScriptedUi ui;
  ui.answers.push_back(MsgAnswer::Yes);
  EXPECT_EQ(project_.SaveIfModified(), 0);
  ExpectTheQuestion(ui);
  EXPECT_TRUE(ui.saveDialogs.empty());
  EXPECT_EQ(project_.Saved, 1);
  EXPECT_EQ(NoteInFile(path_), L"edited");
}

TEST_F(SaveIfModifiedTest, YesWithTheFileDeletedAsksWhereToSave) {
  ASSERT_TRUE(platform::RemoveFile(path_));
  const std::wstring chosen = testsupport::NewScratchPath(L"elsewhere.bxp");
  ScriptedUi ui;
  ui.answers.push_back(MsgAnswer::Yes);
  ui.fileChoices.push_back(chosen);
  EXPECT_EQ(project_.SaveIfModified(), 0);
  EXPECT_EQ(ui.saveDialogs.size(), 1u);
  EXPECT_EQ(project_.Path, chosen);
  EXPECT_EQ(NoteInFile(chosen), L"edited");
}

TEST_F(SaveIfModifiedTest, YesThenCancellingTheDialogCancels) {
  ASSERT_TRUE(platform::RemoveFile(path_));
  ScriptedUi ui;
  ui.answers.push_back(MsgAnswer::Yes);
  ui.fileChoices.push_back(L"");  // cancelled
  EXPECT_EQ(project_.SaveIfModified(), 1);
  EXPECT_EQ(project_.Saved, 0);
  EXPECT_EQ(project_.Path, path_);
}

TEST_F(SaveIfModifiedTest, NoLeavesTheFileAlone) {
  ScriptedUi ui;
  ui.answers.push_back(MsgAnswer::No);
  EXPECT_EQ(project_.SaveIfModified(), 0);
  ExpectTheQuestion(ui);
  EXPECT_EQ(project_.Saved, 0);
  EXPECT_EQ(NoteInFile(path_), L"");
}

TEST_F(SaveIfModifiedTest, CancelTellsTheCallerToStop) {
  ScriptedUi ui;
  ui.answers.push_back(MsgAnswer::Cancel);
  EXPECT_EQ(project_.SaveIfModified(), 1);
  EXPECT_EQ(project_.Saved, 0);
  EXPECT_EQ(NoteInFile(path_), L"");
}

TEST_F(SaveIfModifiedTest, UnattendedConsoleAnswersCancel) {
  // The console implementation answers Cancel when it is offered: an unattended run never
  // throws away an edited project.
  EXPECT_EQ(project_.SaveIfModified(), 1);
}

}  // namespace
