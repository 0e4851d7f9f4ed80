// Files named as projects by mistake are told apart from projects before anything loads them.
#include "brunox/engine/project/ProjectFileCheck.h"

#include <sys/stat.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "brunox/engine/project/Project.h"
#include "brunox/tests/AppTestSupport.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

std::wstring WriteBytes(const std::wstring& name, const std::string& bytes) {
  const std::wstring path = testsupport::NewScratchPath(name);
  EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
  return path;
}

TEST(ProjectFileCheck, SavedProjectsPass) {
  EXPECT_EQ(L"", ProjectFileProblem(apptest::WriteSqliteProject(L"saved.bxp")));
  // Hand-written: UTF-8 with a byte-order mark, section names in any case, comments.
  EXPECT_EQ(L"", ProjectFileProblem(WriteBytes(L"hand.bxp", "\xEF\xBB\xBF; mine\n[package]\n")));
  // Saved by the Windows program: UTF-16 with its byte-order mark.
  EXPECT_EQ(L"", ProjectFileProblem(WriteBytes(
                     L"utf16.bxp", "\xFF\xFE" + platform::ToUtf16Le(L"[Package]\r\nTasks=0\r\n"))));
}

TEST(ProjectFileCheck, NamesWhatIsWrong) {
  const std::wstring missing = testsupport::NewScratchPath(L"missing.bxp");
  EXPECT_EQ(L"Project file '" + missing + L"' not found.", ProjectFileProblem(missing));

  for (const char* blank : {"", "\n \r\n\t"}) {
    const std::wstring empty = WriteBytes(L"empty.bxp", blank);
    EXPECT_EQ(L"'" + empty + L"' is not a project file: it is empty.", ProjectFileProblem(empty));
  }

  // An executable, and a UTF-16 project that lost its byte-order mark.
  for (const std::string& bytes :
       {std::string("\x7F" "ELF\x02\x01\x01\0\0\0[Package]\n", 20),
        platform::ToUtf16Le(L"[Package]\r\nTasks=0\r\n")}) {
    const std::wstring binary = WriteBytes(L"binary.bxp", bytes);
    EXPECT_EQ(L"'" + binary + L"' is not a project file: it holds binary data.",
              ProjectFileProblem(binary));
  }

  const std::wstring other = WriteBytes(L"notes.txt", "[Task0]\nSQL=select 1\nsome notes\n");
  EXPECT_EQ(L"'" + other + L"' is not a project file: it has no [Package] section.",
            ProjectFileProblem(other));
}

TEST(ProjectFileCheck, FoldersAndFifosAreRefusedWithoutWaiting) {
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"x"));
  EXPECT_EQ(L"'" + folder + L"' is a folder, not a file.", ProjectFileProblem(folder));

  // A FIFO without a writer would block a plain open for ever.
  const std::wstring fifo = testsupport::NewScratchPath(L"fifo.bxp");
  ASSERT_EQ(0, ::mkfifo(platform::NativePath(fifo).c_str(), 0600));
  EXPECT_EQ(L"'" + fifo + L"' is not a regular file.", ProjectFileProblem(fifo));
}

TEST(ProjectFileLoad, ReportListEndsAtTheFirstMissingEntry) {
  // A small file that claims a huge list must neither take long nor make empty entries.
  const std::wstring huge = WriteBytes(
      L"huge.bxp",
      "[Package]\nDoType=1\nSeconds=10\nEachTasks=10\nAllTasks=50\nAtLeast=5\nOpenReport=0\n"
      "ShowPlan=0\nSQLFile=\nReportFile=\nReportTxtFile=\nReportIniFile=\nNote=\nAuthor=\n"
      "CountersReport=\npcIsReport=0\npcIsSQL=0\npcIsText=0\nIniReports=47483647\nTasks=0\n"
      "[DefConnection]\nKind=0\n");
  Project p;
  const auto start = std::chrono::steady_clock::now();
  p.Load(huge);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(p.IniReports.empty());

  const std::wstring gap = WriteBytes(
      L"gap.bxp", "[Package]\nIniReports=3\nIniReport0=a.bnxrep\nIniReport2=c.bnxrep\n");
  p.Load(gap);
  EXPECT_EQ(std::vector<std::wstring>{L"a.bnxrep"}, p.IniReports);
}

}  // namespace
