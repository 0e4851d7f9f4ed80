#include "wexal/wexalUserDefined.h"

#include <chrono>

#include "mervis/Log.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/UiServices.h"
#include "wexal/UserCommand.h"

namespace {

const wchar_t* Text(const wchar_t* s) { return s != nullptr ? s : L""; }

// Output of unknown encoding: UTF-8 when it is, else byte by byte. When the output filled the
// limit, a multi-byte character cut off at the end is dropped rather than turning the whole text
// into single bytes.
std::wstring DecodeOutput(const std::string& bytes, bool filled) {
  if (platform::IsValidUtf8(bytes)) return platform::FromUtf8(bytes);
  for (size_t cut = 1; filled && cut <= 3 && cut <= bytes.size(); ++cut) {
    const auto lead = static_cast<unsigned char>(bytes[bytes.size() - cut]);
    if (lead >= 0xC0) {
      const std::string head = bytes.substr(0, bytes.size() - cut);
      if (platform::IsValidUtf8(head)) return platform::FromUtf8(head);
      break;
    }
    if (lead < 0x80) break;
  }
  return platform::FromLatin1(bytes);
}

}  // namespace

void wexalUserDefined::Settings(const wchar_t* checkInCommand, const wchar_t* checkOutCommand,
                                const wchar_t* addCommand, const wchar_t* undoCommand,
                                const wchar_t* user, const wchar_t* password,
                                const wchar_t* localFolder) {
  checkInCommand_ = Text(checkInCommand);
  checkOutCommand_ = Text(checkOutCommand);
  addCommand_ = Text(addCommand);
  undoCommand_ = Text(undoCommand);
  this->user = Text(user);
  this->password = Text(password);
  if (localFolder != nullptr) this->localFolder = localFolder;
}

std::wstring wexalUserDefined::ExtractName(const std::wstring& path) {
  const size_t last = path.find_last_of(L"/\\");
  return last == std::wstring::npos ? path : path.substr(last + 1);
}

int wexalUserDefined::IsCheckedOut(const wchar_t* file) {
  const std::wstring name = Text(file);
  if (name.empty() || checkedOutFile_.empty()) return 0;
  return platform::EqualsNoCase(ExtractName(checkedOutFile_), ExtractName(name)) ? 1 : 0;
}

int wexalUserDefined::CheckIn(const wchar_t* file, const wchar_t* comment) {
  return Execute(checkInCommand_, ExtractName(Text(file)), Text(comment));
}

int wexalUserDefined::CheckOutItem(const wchar_t* file, const wchar_t* comment) {
  const int result = Execute(checkOutCommand_, Text(file), Text(comment));
  // Only a check-out that worked makes the file count as checked out.
  if (result == 0) checkedOutFile_ = Text(file);
  return result;
}

int wexalUserDefined::AddItem(const wchar_t* file, const wchar_t* comment) {
  return Execute(addCommand_, Text(file), Text(comment));
}

int wexalUserDefined::UndoCheckOut(const wchar_t* file) {
  return Execute(undoCommand_, Text(file), L"");
}

int wexalUserDefined::Execute(const std::wstring& commandTemplate, const std::wstring& file,
                              const std::wstring& comment) {
  output_.clear();
  const std::vector<wexal::Placeholder> placeholders = {
      {L"%USER%", user, user, L"WEXAL_USER", true},
      {L"%PASSWORD%", password, L"********", L"WEXAL_PASSWORD", true},
      {L"%LOCAL-PATH%", localFolder, localFolder, L"WEXAL_LOCAL_PATH", !localFolder.empty()},
      {L"%LOCAL-FILE%", file, file, L"WEXAL_FILE", !file.empty()},
      {L"%COMMENT%", comment, comment, L"WEXAL_COMMENT", !comment.empty()},
  };

  platform::ProcessRequest request;
  std::wstring shownCommand;  // the command as the log and error texts show it
  std::wstring shownProgram;
  std::wstring shellText;
  if (wexal::ShellCommandOf(commandTemplate, shellText)) {
    request.program = L"/bin/sh";
    request.args = {L"-c", wexal::ShellWithReferences(shellText, placeholders)};
    for (const wexal::Placeholder& p : placeholders)
      request.environment.emplace_back(p.variable, p.value);
    shownProgram = request.program;
    shownCommand = L"/bin/sh -c " + request.args[1];
  } else {
    std::vector<std::wstring> parts;
    std::wstring parseError;
    if (!wexal::SplitCommandTemplate(commandTemplate, parts, parseError)) {
      error = L"The command '" + wexal::FillPlaceholders(commandTemplate, placeholders, true) +
              L"' cannot be run: " + parseError + L".";
      CLog::Bug2(L"wexalUserDefined::Execute " + error);
      return -1;
    }
    if (parts.empty()) {
      error = L"No command is set for this operation.";
      CLog::Bug2(L"wexalUserDefined::Execute " + error);
      return -1;
    }
    for (const std::wstring& part : parts) {
      if (!shownCommand.empty()) shownCommand += L' ';
      shownCommand += wexal::FillPlaceholders(part, placeholders, true);
    }
    shownProgram = wexal::FillPlaceholders(parts[0], placeholders, true);
    request.program = wexal::FillPlaceholders(parts[0], placeholders, false);
    for (size_t i = 1; i < parts.size(); ++i)
      request.args.push_back(wexal::FillPlaceholders(parts[i], placeholders, false));
  }
  request.workingFolder = localFolder;
  request.mergeErrors = true;
  request.outputLimit = kOutputLimit;
  request.timeout = std::chrono::minutes(kTimeoutMinutes);

  CLog::State2(L"wexalUserDefined::Execute Run: '" + shownCommand + L"'");
  const platform::ProcessResult result = platform::RunProcess(request);

  const std::string kept = result.output.substr(0, kOutputLimit);
  output_ = DecodeOutput(kept, kept.size() == kOutputLimit);
  if (!output_.empty())
    platform::Ui().MessageBox(output_, L"Version Control System Output", platform::MsgButtons::Ok,
                              platform::MsgIcon::Information);

  if (!result.started)
    error = L"Could not run '" + shownProgram + L"': " + result.startError;
  else if (result.timedOut)
    error = L"'" + shownProgram + L"' did not end within " + platform::FromInt(kTimeoutMinutes) +
            L" minutes and was stopped.";
  else if (result.exitCode != 0)
    error = L"'" + shownProgram + L"' ended with exit status " +
            platform::FromInt(result.exitCode) + L".";
  else
    return 0;
  CLog::Bug2(L"wexalUserDefined::Execute " + error);
  return -1;
}
