// Project files come from anywhere: damaged, cut short, binary, or made to exhaust the loader.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/project/ProjectCompare.h"
#include "brunox/engine/tests/EngineTestSupport.h"
#include "testsupport/TestEnv.h"

namespace {

using enginetest::EngineTest;

Project LoadBytes(const std::string& bytes) {
  const std::wstring path = testsupport::NewScratchPath(L"hostile.bxp");
  enginetest::WriteBytes(path, bytes);
  Project p;
  p.Load(path);
  return p;
}

TEST_F(EngineTest, TruncatedFilesLoadWhatIsThere) {
  const std::wstring path = testsupport::NewScratchPath(L"whole.bxp");
  Project whole = enginetest::MakeFullProject();
  ASSERT_EQ(whole.Save(path), 1);
  const std::string bytes = enginetest::ReadBytes(path);
  ASSERT_GT(bytes.size(), 500u);
  for (size_t cut = 0; cut < bytes.size(); cut += 13) {
    const Project p = LoadBytes(bytes.substr(0, cut));
    EXPECT_LE(p.Tasks.size(), whole.Tasks.size()) << cut;
  }
}

TEST_F(EngineTest, RandomBytesLoadWithoutHarm) {
  std::mt19937 random(20240611);
  // Mostly the characters that give an ini file its structure, so the parser gets exercised.
  const std::string alphabet = "[]=\n\r\\ TaskPackgeNm0123456789-\t";
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 2048, '\0');
    for (char& c : bytes)
      c = round % 2 ? static_cast<char>(random() & 0xFF) : alphabet[random() % alphabet.size()];
    if (round % 4 == 0) bytes.insert(0, "[Package]\nTasks=3\n");
    if (round % 8 == 1) bytes.insert(0, "\xFF\xFE");  // claims UTF-16
    LoadBytes(bytes);
  }
}

TEST_F(EngineTest, HugeCountsStopAtWhatTheFileHolds) {
  const Project p = LoadBytes(
      "[Package]\nTasks=2147483647\nIniReports=99999999\n"
      "[Task0]\nParams=2147483647\nPropTempl0=a\nPropTo1=5\n"
      "[Task1]\nName=second\n");
  ASSERT_EQ(p.Tasks.size(), 2u);
  ASSERT_EQ(p.Tasks[0].Params.size(), 2u);
  EXPECT_EQ(p.Tasks[0].Params[1].PropTo, 5);
  EXPECT_EQ(p.Tasks[1].Name, L"second");
  EXPECT_TRUE(p.IniReports.empty());
}

TEST_F(EngineTest, NegativeCountsLoadAsNone) {
  const Project p = LoadBytes(
      "[Package]\nTasks=-3\nIniReports=-2147483648\nIniReport0=x\n"
      "[Task0]\nParams=-1\nPropTempl0=a\n");
  EXPECT_TRUE(p.Tasks.empty());
  EXPECT_TRUE(p.IniReports.empty());

  const Project q = LoadBytes("[Package]\nTasks=1\n[Task0]\nParams=-1\nPropTempl0=a\n");
  ASSERT_EQ(q.Tasks.size(), 1u);
  EXPECT_TRUE(q.Tasks[0].Params.empty());
}

TEST_F(EngineTest, TasksStopAtTheFirstMissingSection) {
  const Project p = LoadBytes(
      "[Package]\nTasks=3\n[Task0]\nName=a\n[TaskCon0]\n[Task2]\nName=c\n");
  ASSERT_EQ(p.Tasks.size(), 1u);
  EXPECT_EQ(p.Tasks[0].Name, L"a");
  EXPECT_TRUE(p.DefConnection.IsEmpty());
}

TEST_F(EngineTest, HostileFileSavedAndLoadedAgainIsStable) {
  // What the loader made of a damaged file must survive its own save.
  const Project first = LoadBytes(
      "[Package]\nTasks=2\nPerfEnabled1=  7x\nNote=a\\qb\n"
      "[Task0]\nParams=3\nPropLenFrom1=-4\n[Task1]\nDelay=-2\n");
  const std::wstring again = testsupport::NewScratchPath(L"again.bxp");
  Project saver = first;
  ASSERT_EQ(saver.Save(again), 1);
  Project second;
  second.Load(again);
  EXPECT_EQ(SavedFieldDifference(first, second), L"");
}

TEST_F(EngineTest, FolderInsteadOfFileLoadsAsDefaults) {
  Project p = enginetest::MakeFullProject();
  p.Load(testsupport::ScratchFolder());
  EXPECT_TRUE(p.Tasks.empty());
}

}  // namespace
