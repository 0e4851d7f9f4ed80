// The user-defined back end with real programs: what reaches the program, what the user sees,
// and what counts as a failure.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/TestEnv.h"
#include "wexal/CheckDialogModel.h"
#include "wexal/UserCommand.h"
#include "wexal/wexalUserDefined.h"

namespace {

using testsupport::RecordingUi;
using Args = std::vector<std::wstring>;

constexpr const wchar_t* kOutputCaption = L"Version Control System Output";

// Exposes the protected helpers.
class UserDefined : public wexalUserDefined {
 public:
  using wexalUserDefined::ExtractName;
};

// A script that prints each argument it gets as "<argument>" on a line of its own.
std::wstring ArgumentPrinter() {
  static const std::wstring path = [] {
    const std::wstring script = testsupport::NewScratchPath(L"print args.sh");
    platform::WriteTextFileUtf8(script,
                                L"#!/bin/sh\nfor a in \"$@\"; do printf '<%s>\\n' \"$a\"; done\n");
    chmod(platform::ToUtf8(script).c_str(), 0755);
    return script;
  }();
  return path;
}

// The template that runs ArgumentPrinter (its path holds a blank, so it is quoted).
std::wstring Printer(const std::wstring& rest) { return L"\"" + ArgumentPrinter() + L"\" " + rest; }

std::wstring Lines(const Args& args) {
  std::wstring out;
  for (const auto& a : args) out += L"<" + a + L">\n";
  return out;
}

TEST(UserCommandTemplate, SplitsOnBlanksAndGroupsByDoubleQuotes) {
  Args args;
  std::wstring error;
  ASSERT_TRUE(wexal::SplitCommandTemplate(L"  svn  commit \"a b\" x\"y z\"w \"\" 'q r' a\\b\t",
                                          args, error));
  EXPECT_EQ(args, (Args{L"svn", L"commit", L"a b", L"xy zw", L"", L"'q", L"r'", L"a\\b"}));
  ASSERT_TRUE(wexal::SplitCommandTemplate(L"   ", args, error));
  EXPECT_TRUE(args.empty());
  EXPECT_FALSE(wexal::SplitCommandTemplate(L"svn commit \"unterminated", args, error));
  EXPECT_EQ(error, L"a double quote is not closed");
  EXPECT_TRUE(args.empty());
}

TEST(UserCommandTemplate, FillsInOnePassAndReferencesVariablesForTheShell) {
  const std::vector<wexal::Placeholder> values = {
      {L"%USER%", L"%COMMENT%", L"%COMMENT%", L"WEXAL_USER", true},
      {L"%COMMENT%", L"c", L"c", L"WEXAL_COMMENT", true},
      {L"%LOCAL-PATH%", L"", L"", L"WEXAL_LOCAL_PATH", false},
  };
  EXPECT_EQ(wexal::FillPlaceholders(L"%USER%-%COMMENT%-%LOCAL-PATH%-%%", values, false),
            L"%COMMENT%-c-%LOCAL-PATH%-%%");
  EXPECT_EQ(wexal::ShellWithReferences(L"echo %USER% \"x %USER%\" 'y %USER%' \\%USER% %LOCAL-PATH%",
                                       values),
            L"echo \"${WEXAL_USER}\" \"x ${WEXAL_USER}\" 'y '\"${WEXAL_USER}\"'' \\%USER% "
            L"%LOCAL-PATH%");
  std::wstring shell;
  EXPECT_TRUE(wexal::ShellCommandOf(L"cmd.exe dir", shell));
  EXPECT_EQ(shell, L"dir");
  EXPECT_TRUE(wexal::ShellCommandOf(L"CMD.EXE dir", shell));
  EXPECT_FALSE(wexal::ShellCommandOf(L"cmd.exe", shell));
  EXPECT_FALSE(wexal::ShellCommandOf(L"cmd.exe2 dir", shell));
}

TEST(UserDefinedBackend, ExtractNameAndCheckedOutState) {
  EXPECT_EQ(UserDefined::ExtractName(L"/work/project/a.sql"), L"a.sql");
  EXPECT_EQ(UserDefined::ExtractName(L"C:\\work\\b.sql"), L"b.sql");
  EXPECT_EQ(UserDefined::ExtractName(L"plain.sql"), L"plain.sql");
  EXPECT_EQ(UserDefined::ExtractName(L"folder/"), L"");

  RecordingUi ui;
  UserDefined api;
  api.Settings(L"true", L"true", L"true", L"true", L"me", L"pw", nullptr);
  EXPECT_EQ(api.Ready(), 1);
  EXPECT_EQ(api.Init(), 0);
  EXPECT_EQ(api.Open(), 0);
  EXPECT_EQ(api.Items(), 0);
  EXPECT_EQ(api.IsCheckedOut(L"/work/Report.SQL"), 0);
  ASSERT_EQ(api.CheckOutItem(L"report.sql", L""), 0);
  EXPECT_EQ(api.IsCheckedOut(L"/work/Report.SQL"), 1);
  EXPECT_EQ(api.IsCheckedOut(L"report.sql"), 1);
  EXPECT_EQ(api.IsCheckedOut(L"other.sql"), 0);
  EXPECT_EQ(api.IsCheckedOut(L""), 0);
  EXPECT_EQ(api.IsCheckedOut(nullptr), 0);

  // A check-out that failed does not count.
  UserDefined failing;
  failing.Settings(L"true", L"false", L"true", L"true", L"me", L"pw", nullptr);
  EXPECT_EQ(failing.CheckOutItem(L"report.sql", L""), -1);
  EXPECT_EQ(failing.IsCheckedOut(L"report.sql"), 0);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(UserDefinedBackend, ValuesReachTheProgramUnchanged) {
  RecordingUi ui;
  wexalUserDefined api;
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"x"));
  const std::wstring user = L"o'neil \"the\" user";
  const std::wstring password = L"pa$$ w;rd `id` %USER%";
  const std::wstring comment = L"fix; rm -rf / && echo $HOME \"quoted\" %PASSWORD% *";
  const std::wstring command =
      Printer(L"-u %USER% -p%PASSWORD% \"%COMMENT%\" %LOCAL-FILE% %LOCAL-PATH% --literal-%%");
  api.Settings(command.c_str(), command.c_str(), command.c_str(), command.c_str(), user.c_str(),
               password.c_str(), folder.c_str());

  ASSERT_EQ(api.CheckOutItem(L"my file.sql", comment.c_str()), 0) << api.error;
  const std::wstring expected =
      Lines({L"-u", user, L"-p" + password, comment, L"my file.sql", folder, L"--literal-%%"});
  EXPECT_EQ(api.LastOutput(), expected);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, expected);
  EXPECT_EQ(ui.messages[0].caption, kOutputCaption);
  EXPECT_EQ(ui.messages[0].icon, platform::MsgIcon::Information);

  // Check-in passes the bare name.
  ASSERT_EQ(api.CheckIn(L"/somewhere/else/my file.sql", comment.c_str()), 0);
  EXPECT_EQ(api.LastOutput(), expected);
}

TEST(UserDefinedBackend, PlaceholdersWithoutAValueStayAsWritten) {
  RecordingUi ui;
  wexalUserDefined api;
  const std::wstring command = Printer(L"%LOCAL-PATH% %LOCAL-FILE% %COMMENT% %USER%%PASSWORD%");
  api.Settings(command.c_str(), command.c_str(), command.c_str(), command.c_str(), L"", L"",
               nullptr);
  ASSERT_EQ(api.AddItem(L"", L""), 0) << api.error;
  // The empty user and password are put in: they are always replaced.
  EXPECT_EQ(api.LastOutput(), Lines({L"%LOCAL-PATH%", L"%LOCAL-FILE%", L"%COMMENT%", L""}));
  // Undo takes no comment, even when one would be at hand.
  ASSERT_EQ(api.UndoCheckOut(L"a.sql"), 0);
  EXPECT_EQ(api.LastOutput(), Lines({L"%LOCAL-PATH%", L"a.sql", L"%COMMENT%", L""}));
}

TEST(UserDefinedBackend, RunsInTheLocalFolder) {
  RecordingUi ui;
  wexalUserDefined api;
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"x"));
  api.Settings(L"pwd", L"", L"", L"", L"", L"", folder.c_str());
  ASSERT_EQ(api.CheckIn(L"a.sql", L""), 0) << api.error;
  EXPECT_EQ(api.LastOutput(), folder + L"\n");
}

TEST(UserDefinedBackend, ShellFormReadsTheValuesFromTheEnvironment) {
  RecordingUi ui;
  wexalUserDefined api;
  const std::wstring user = L"a b";
  const std::wstring comment = L"it's \"done\"; echo INJECTED $(id) `id` %USER%";
  const std::wstring command =
      L"cmd.exe printf '<%s>\\n' %USER% \"%COMMENT%\" 'x%LOCAL-FILE%y' %LOCAL-PATH%; "
      L"echo to-errors >&2";
  api.Settings(command.c_str(), L"", L"", L"", user.c_str(), L"secret", nullptr);
  ASSERT_EQ(api.CheckIn(L"dir/f g.sql", comment.c_str()), 0) << api.error;
  EXPECT_EQ(api.LastOutput(),
            Lines({user, comment, L"xf g.sqly", L"%LOCAL-PATH%"}) + L"to-errors\n");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, kOutputCaption);
}

TEST(UserDefinedBackend, ExitStatusAndMissingProgramsAreFailures) {
  RecordingUi ui;
  wexalUserDefined api;
  api.Settings(L"true", L"false", L"cmd.exe echo broken; exit 3", L"/no/such/vcs %LOCAL-FILE%",
               L"me", L"pw", nullptr);
  EXPECT_EQ(api.CheckIn(L"a.sql", L""), 0);
  EXPECT_TRUE(api.LastOutput().empty());

  EXPECT_EQ(api.CheckOutItem(L"a.sql", L""), -1);
  EXPECT_EQ(api.error, L"'false' ended with exit status 1.");

  EXPECT_EQ(api.AddItem(L"a.sql", L"c"), -1);
  EXPECT_EQ(api.error, L"'/bin/sh' ended with exit status 3.");
  EXPECT_EQ(api.LastOutput(), L"broken\n");

  EXPECT_EQ(api.UndoCheckOut(L"a.sql"), -1);
  EXPECT_TRUE(platform::StartsWith(api.error, L"Could not run '/no/such/vcs': ")) << api.error;
  EXPECT_GT(api.error.size(), std::wstring(L"Could not run '/no/such/vcs': ").size());

  // Only the shell's output was shown.
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, L"broken\n");
}

TEST(UserDefinedBackend, MalformedOrMissingCommandsFailClearly) {
  RecordingUi ui;
  wexalUserDefined api;
  api.Settings(L"svn commit -m \"%COMMENT%", L"", nullptr, L"   ", L"me", L"pw", nullptr);
  EXPECT_EQ(api.CheckIn(L"a.sql", L"msg"), -1);
  EXPECT_EQ(api.error,
            L"The command 'svn commit -m \"msg' cannot be run: a double quote is not closed.");
  EXPECT_EQ(api.CheckOutItem(L"a.sql", L""), -1);
  EXPECT_EQ(api.error, L"No command is set for this operation.");
  EXPECT_EQ(api.AddItem(L"a.sql", L""), -1);
  EXPECT_EQ(api.UndoCheckOut(L"a.sql"), -1);
  EXPECT_EQ(api.error, L"No command is set for this operation.");
  EXPECT_TRUE(ui.messages.empty());
}

TEST(UserDefinedBackend, OutputIsCutAt2048BytesAndDecoded) {
  RecordingUi ui;
  wexalUserDefined api;
  api.Settings(L"cmd.exe head -c 5000 /dev/zero | tr '\\000' a",
               L"cmd.exe head -c 2047 /dev/zero | tr '\\000' a; printf '\\303\\251'",
               L"cmd.exe printf 'caf\\351'", L"cmd.exe printf 'gr\\303\\274n'", L"", L"", nullptr);
  ASSERT_EQ(api.CheckIn(L"a", L""), 0) << api.error;
  EXPECT_EQ(api.LastOutput(), std::wstring(2048, L'a'));
  // A character cut by the limit is dropped; the rest stays UTF-8.
  ASSERT_EQ(api.CheckOutItem(L"a", L""), 0) << api.error;
  EXPECT_EQ(api.LastOutput(), std::wstring(2047, L'a'));
  // Not UTF-8: byte by byte.
  ASSERT_EQ(api.AddItem(L"a", L""), 0) << api.error;
  EXPECT_EQ(api.LastOutput(), L"caf\u00e9");
  ASSERT_EQ(api.UndoCheckOut(L"a"), 0) << api.error;
  EXPECT_EQ(api.LastOutput(), L"gr\u00fcn");
}

TEST(UserDefinedBackend, ThePasswordNeverReachesTheLogOrAnErrorText) {
  RecordingUi ui;
  const std::wstring log = testsupport::NewScratchPath(L"wexal.log");
  CLog::Open(log, 0);
  wexalUserDefined api;
  const std::wstring password = L"Very$ecret-42";
  api.Settings(L"false %USER% %PASSWORD%", L"/no/such/%PASSWORD%/vcs", L"cmd.exe exit %PASSWORD%",
               L"\"%PASSWORD%", L"me", password.c_str(), nullptr);
  EXPECT_EQ(api.CheckIn(L"a.sql", L""), -1);
  EXPECT_EQ(api.error.find(password), std::wstring::npos) << api.error;
  EXPECT_EQ(api.CheckOutItem(L"a.sql", L""), -1);
  EXPECT_EQ(api.error.find(password), std::wstring::npos) << api.error;
  EXPECT_NE(api.error.find(L"********"), std::wstring::npos) << api.error;
  EXPECT_EQ(api.AddItem(L"a.sql", L""), -1);
  EXPECT_EQ(api.error.find(password), std::wstring::npos) << api.error;
  EXPECT_EQ(api.UndoCheckOut(L"a.sql"), -1);
  EXPECT_EQ(api.error.find(password), std::wstring::npos) << api.error;
  CLog::Close();

  std::wstring written;
  ASSERT_TRUE(platform::ReadTextFile(log, written));
  EXPECT_NE(written.find(L"wexalUserDefined::Execute Run: 'false me ********'"), std::wstring::npos)
      << platform::ToUtf8(written);
  EXPECT_EQ(written.find(password), std::wstring::npos) << platform::ToUtf8(written);
}

TEST(UserDefinedBackend, CopiesKeepSettingsAndState) {
  RecordingUi ui;
  wexalUserDefined api;
  api.Settings(L"true", L"echo out", L"true", L"true", L"me", L"pw", L"/tmp");
  ASSERT_EQ(api.CheckOutItem(L"a.sql", L""), 0);
  wexalUserDefined copy(api);
  EXPECT_EQ(copy.IsCheckedOut(L"a.sql"), 1);
  EXPECT_EQ(copy.LastOutput(), L"out\n");
  EXPECT_EQ(copy.localFolder, L"/tmp");
  wexalUserDefined assigned;
  assigned = api;
  EXPECT_EQ(assigned.user, L"me");
  EXPECT_EQ(assigned.IsCheckedOut(L"A.SQL"), 1);
}

}  // namespace

namespace {

// Types a file name into the check dialog and confirms.
class TypingRunner : public wexal::CheckDialogRunner {
 public:
  TypingRunner() : previous_(wexal::SetCheckDialogRunner(this)) {}
  ~TypingRunner() override { wexal::SetCheckDialogRunner(previous_); }
  std::wstring typed;
  bool Run(wexal::CheckDialogModel& model, QWidget*) override {
    model.fileEditText = typed;
    model.comment = L"from the dialog";
    return model.Accept();
  }

 private:
  wexal::CheckDialogRunner* previous_;
};

TEST(UserDefinedBackend, GuiCheckOutThenCheckIn) {
  RecordingUi ui;
  TypingRunner runner;
  wexalUserDefined api;
  api.Settings(Printer(L"in %LOCAL-FILE% %COMMENT%").c_str(), Printer(L"out %LOCAL-FILE%").c_str(),
               L"", L"", L"me", L"pw", nullptr);
  std::wstring file = L"/work/report.sql";
  api.GUI_CheckIn(&file, nullptr);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, L"File '/work/report.sql' is not checked out.");

  runner.typed = L"report.sql";
  std::wstring chosen;
  ASSERT_EQ(api.GUI_CheckOut(&chosen, nullptr), 1);
  EXPECT_EQ(chosen, L"report.sql");
  EXPECT_EQ(ui.messages.back().text, Lines({L"out", L"report.sql"}));

  api.GUI_CheckIn(&file, nullptr);
  EXPECT_EQ(ui.messages.back().text, Lines({L"in", L"report.sql", L"from the dialog"}));
  EXPECT_EQ(ui.messages.back().caption, kOutputCaption);
}

}  // namespace
