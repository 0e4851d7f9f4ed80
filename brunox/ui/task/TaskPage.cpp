#include "brunox/ui/task/TaskPage.h"

#include "brunox/ui/task/TaskPageHost.h"
#include "platform/UiServices.h"
#include "sompel/ColorEditWnd.h"

CTaskPage::CTaskPage(TaskPageHost& dialog, QWidget* parent) : QWidget(parent), dialog_(dialog) {}

CTaskPage::~CTaskPage() = default;

const CColorizer& CTaskPage::Colorizer() const { return dialog_.Colorizer(); }

void CTaskPage::LoadScriptInto(CColorEditWnd& editor) {
  platform::FileDialogRequest request;
  request.filter = kScriptFilter;
  std::wstring path;
  if (!platform::Ui().OpenFileDialog(request, path)) return;
  const std::wstring error = editor.LoadFile(path);
  if (!error.empty())
    platform::Ui().MessageBox(error, L"Warning!", platform::MsgButtons::Ok,
                              platform::MsgIcon::Error);
}
