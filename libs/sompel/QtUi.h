#pragma once
// The window's UiServices: Qt message boxes and file dialogs on the GUI thread. A call from
// another thread waits while the GUI thread runs it (a blocking queued call), so engine threads
// can ask questions safely; the GUI thread itself calls straight through.
#include <QString>

#include "platform/UiServices.h"

class QWidget;

class QtUiServices : public platform::UiServices {
 public:
  // Installs itself for the object's lifetime; message boxes get `parent` (may be null).
  explicit QtUiServices(QWidget* parent = nullptr);
  ~QtUiServices() override;
  QtUiServices(const QtUiServices&) = delete;
  QtUiServices& operator=(const QtUiServices&) = delete;

  void SetParent(QWidget* parent) { parent_ = parent; }

  // Nobody can answer a dialog (the offscreen platform of an unattended run): messages go to
  // standard error with the safe default answer, as in console mode, and file dialogs are
  // cancelled, so that nothing waits for a person who is not there.
  static void SetUnattended(bool unattended);
  static bool Unattended();

  bool OpenFileDialog(const platform::FileDialogRequest& request, std::wstring& path) override;
  bool SaveFileDialog(const platform::FileDialogRequest& request, std::wstring& path) override;
  bool FolderDialog(const std::wstring& title, std::wstring& path) override;
  void PumpMessages() override;
  bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& args) override;
  void ConsoleWrite(const std::wstring& text) override;

  // "Projects (*.bxp)|*.bxp|All Files(*.*)|*.*||" as a Qt filter list
  // ("Projects (*.bxp);;All Files(*.*)").
  static QString QtFilter(const std::wstring& filter);

 protected:
  platform::MsgAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                                  platform::MsgButtons buttons, platform::MsgIcon icon,
                                  platform::MsgAnswer defaultAnswer) override;
  // A failure of the desktop's opener (it is missing, or it ends with a status other than 0) is
  // told in a message that names the file, without waiting for the opener.
  bool OpenWithDesktopNow(const std::wstring& path, const std::wstring& advice) override;

 private:
  bool FileDialog(const platform::FileDialogRequest& request, std::wstring& path, bool save);

  QWidget* parent_;
  platform::UiServices* previous_;
};
