#pragma once
// The one way engine code talks to a person. The console implementation never blocks; the Qt
// window installs its own implementation at start-up.
#include <string>
#include <vector>

namespace platform {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
  std::wstring filter;      // "Description (*.ext)|*.ext|All Files(*.*)|*.*||"
  std::wstring defaultExt;  // without the dot
  std::wstring fileName;
  std::wstring folder;
  std::wstring title;  // "" gives the dialog's own title
};

// The button Enter presses when a message names none: the first one (Ok, or Yes).
MsgAnswer FirstAnswer(MsgButtons buttons);

class UiServices {
 public:
  virtual ~UiServices() = default;
  // `defaultAnswer` is the button that Enter presses; a question whose Yes destroys something
  // passes No, so that Enter never confirms it by accident.
  MsgAnswer MessageBox(const std::wstring& text, const std::wstring& caption, MsgButtons buttons,
                       MsgIcon icon) {
    return ShowMessage(text, caption, buttons, icon, FirstAnswer(buttons));
  }
  MsgAnswer MessageBox(const std::wstring& text, const std::wstring& caption, MsgButtons buttons,
                       MsgIcon icon, MsgAnswer defaultAnswer) {
    return ShowMessage(text, caption, buttons, icon, defaultAnswer);
  }
  // True with the chosen path, false when the user cancelled.
  virtual bool OpenFileDialog(const FileDialogRequest& request, std::wstring& path) = 0;
  virtual bool SaveFileDialog(const FileDialogRequest& request, std::wstring& path) = 0;
  // Chooses an existing folder, starting from `path`; true with the chosen folder in `path`,
  // false (and `path` unchanged) when the user cancelled.
  virtual bool FolderDialog(const std::wstring& title, std::wstring& path) = 0;
  // Lets the window handle pending events inside a long loop on its thread.
  virtual void PumpMessages() = 0;
  // Opens a file with the desktop's default application. The file is remembered as one the user
  // may still have open (HandedToDesktop), so that cleaning up leaves it alone. When the desktop
  // has no way to open it, the window says so, naming the file, and adds `advice` (what the user
  // can do instead), if any.
  bool OpenWithDesktop(const std::wstring& path, const std::wstring& advice = {});
  virtual bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& args) = 0;
  // Console output of console mode (banner, progress); the window ignores it.
  virtual void ConsoleWrite(const std::wstring& text) = 0;

 protected:
  virtual MsgAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                                MsgButtons buttons, MsgIcon icon, MsgAnswer defaultAnswer) = 0;
  virtual bool OpenWithDesktopNow(const std::wstring& path, const std::wstring& advice) = 0;
};

// Whether this process has handed `path` to the desktop's opener (any thread).
bool HandedToDesktop(const std::wstring& path);

// Writes messages to stderr with their caption and answers with the safe default: Cancel when
// offered, else No, else Ok. File and folder dialogs are cancelled. Programs are started for real.
class ConsoleUi : public UiServices {
 public:
  bool OpenFileDialog(const FileDialogRequest& request, std::wstring& path) override;
  bool SaveFileDialog(const FileDialogRequest& request, std::wstring& path) override;
  bool FolderDialog(const std::wstring& title, std::wstring& path) override;
  void PumpMessages() override;
  bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& args) override;
  void ConsoleWrite(const std::wstring& text) override;

 protected:
  MsgAnswer ShowMessage(const std::wstring& text, const std::wstring& caption, MsgButtons buttons,
                        MsgIcon icon, MsgAnswer defaultAnswer) override;
  bool OpenWithDesktopNow(const std::wstring& path, const std::wstring& advice) override;
};

// The services in force: the console implementation until SetUi installs another.
UiServices& Ui();
// Installs `ui` (not owned); nullptr restores the console implementation. Returns the previous one.
UiServices* SetUi(UiServices* ui);

}  // namespace platform
