#include "brunox/ui/common/ChoosePath.h"

#include <QLineEdit>

#include "platform/UiServices.h"

void ChooseSavePath(QLineEdit& edit, const std::wstring& filter, const std::wstring& defaultExt) {
  platform::FileDialogRequest request;
  request.filter = filter;
  request.defaultExt = defaultExt;
  request.fileName = edit.text().toStdWString();
  std::wstring path = request.fileName;
  if (platform::Ui().SaveFileDialog(request, path) && !path.empty())
    edit.setText(QString::fromStdWString(path));
}

void ChooseOpenPath(QLineEdit& edit, const std::wstring& filter, const std::wstring& title) {
  platform::FileDialogRequest request;
  request.filter = filter;
  request.title = title;
  request.fileName = edit.text().toStdWString();
  std::wstring path;
  if (platform::Ui().OpenFileDialog(request, path)) edit.setText(QString::fromStdWString(path));
}

void ChooseFolderPath(QLineEdit& edit, const std::wstring& title) {
  std::wstring folder = edit.text().toStdWString();
  if (platform::Ui().FolderDialog(title, folder)) edit.setText(QString::fromStdWString(folder));
}
