#pragma once
// A UiServices for tests: records every message and answers from a script.
#include <deque>
#include <string>
#include <vector>

#include "platform/UiServices.h"

namespace testsupport {

struct RecordedMessage {
  std::wstring text;
  std::wstring caption;
  platform::MsgButtons buttons;
  platform::MsgIcon icon;
  platform::MsgAnswer defaultAnswer = platform::MsgAnswer::Ok;  // the button Enter presses
};

class RecordingUi : public platform::UiServices {
 public:
  // Installs itself for the object's lifetime.
  RecordingUi() : previous_(platform::SetUi(this)) {}
  ~RecordingUi() override { platform::SetUi(previous_); }

  std::vector<RecordedMessage> messages;
  std::deque<platform::MsgAnswer> answers;  // taken in order; empty: Cancel/No/Ok as offered
  std::deque<std::wstring> fileChoices;     // a dialog takes the next; "" or none: cancelled
  int fileDialogs = 0;
  std::deque<std::wstring> folderChoices;   // as fileChoices, for folder dialogs
  std::vector<std::wstring> folderTitles;   // the titles of the folder dialogs shown
  std::vector<std::pair<std::wstring, std::vector<std::wstring>>> started;
  std::wstring console;

  platform::MsgAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                                  platform::MsgButtons buttons, platform::MsgIcon icon,
                                  platform::MsgAnswer defaultAnswer) override {
    messages.push_back({text, caption, buttons, icon, defaultAnswer});
    if (!answers.empty()) {
      platform::MsgAnswer a = answers.front();
      answers.pop_front();
      return a;
    }
    switch (buttons) {
      case platform::MsgButtons::Ok: return platform::MsgAnswer::Ok;
      case platform::MsgButtons::YesNo: return platform::MsgAnswer::No;
      default: return platform::MsgAnswer::Cancel;
    }
  }
  bool OpenFileDialog(const platform::FileDialogRequest&, std::wstring& path) override {
    return NextFile(path);
  }
  bool SaveFileDialog(const platform::FileDialogRequest&, std::wstring& path) override {
    return NextFile(path);
  }
  bool FolderDialog(const std::wstring& title, std::wstring& path) override {
    folderTitles.push_back(title);
    if (folderChoices.empty()) return false;
    const std::wstring chosen = folderChoices.front();
    folderChoices.pop_front();
    if (chosen.empty()) return false;
    path = chosen;
    return true;
  }
  void PumpMessages() override {}
  bool OpenWithDesktopNow(const std::wstring& path, const std::wstring& /*advice*/) override {
    started.push_back({L"xdg-open", {path}});
    return true;
  }
  bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& args) override {
    started.push_back({program, args});
    return true;
  }
  void ConsoleWrite(const std::wstring& text) override { console += text; }

  bool Saw(const std::wstring& text) const {
    for (const auto& m : messages)
      if (m.text == text) return true;
    return false;
  }

 private:
  bool NextFile(std::wstring& path) {
    ++fileDialogs;
    if (fileChoices.empty()) return false;
    path = fileChoices.front();
    fileChoices.pop_front();
    return !path.empty();
  }
  platform::UiServices* previous_;
};

}  // namespace testsupport
