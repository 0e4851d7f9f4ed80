#include "sompel/QtUi.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QThread>
#include <atomic>

#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

std::atomic<bool> g_unattended{false};

// Runs `call` on the GUI thread and waits for it.
template <typename Call>
void OnGuiThread(Call&& call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    call();
    return;
  }
  QMetaObject::invokeMethod(app, std::forward<Call>(call), Qt::BlockingQueuedConnection);
}

QMessageBox::Icon QtIcon(platform::MsgIcon icon) {
  switch (icon) {
    case platform::MsgIcon::Information: return QMessageBox::Information;
    case platform::MsgIcon::Warning: return QMessageBox::Warning;
    case platform::MsgIcon::Error: return QMessageBox::Critical;
    case platform::MsgIcon::Question: return QMessageBox::Question;
    case platform::MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(platform::MsgButtons buttons) {
  switch (buttons) {
    case platform::MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case platform::MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case platform::MsgButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case platform::MsgButtons::Ok: break;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton QtButton(platform::MsgAnswer answer) {
  switch (answer) {
    case platform::MsgAnswer::Ok: return QMessageBox::Ok;
    case platform::MsgAnswer::Cancel: return QMessageBox::Cancel;
    case platform::MsgAnswer::Yes: return QMessageBox::Yes;
    case platform::MsgAnswer::No: return QMessageBox::No;
  }
  return QMessageBox::NoButton;
}

platform::MsgAnswer Answer(int button, platform::MsgButtons offered) {
  switch (button) {
    case QMessageBox::Ok: return platform::MsgAnswer::Ok;
    case QMessageBox::Yes: return platform::MsgAnswer::Yes;
    case QMessageBox::No: return platform::MsgAnswer::No;
    case QMessageBox::Cancel: return platform::MsgAnswer::Cancel;
    default: break;
  }
  // Closed without a button (Escape, the close box): the choice that changes nothing.
  switch (offered) {
    case platform::MsgButtons::YesNo: return platform::MsgAnswer::No;
    case platform::MsgButtons::Ok: return platform::MsgAnswer::Ok;
    default: return platform::MsgAnswer::Cancel;
  }
}

// Why the desktop's opener gave up, from its exit status.
std::wstring OpenerFailure(int exitCode) {
  const std::wstring status = L"xdg-open ended with status " + platform::FromInt(exitCode);
  switch (exitCode) {
    case 1: return status + L" (it did not understand its command line)";
    case 2: return status + L" (the file is not there)";
    case 3: return status + L" (no program on this desktop is set up to open this kind of file)";
    case 4: return status + L" (the program it chose could not open the file)";
    default: return status;
  }
}

std::wstring CannotOpen(const std::wstring& path, const std::wstring& why,
                        const std::wstring& advice) {
  std::wstring text = L"Could not open '" + path + L"' with the desktop: " + why + L".";
  if (!advice.empty()) text += L"\n" + advice;
  return text;
}

}  // namespace

QtUiServices::QtUiServices(QWidget* parent) : parent_(parent), previous_(platform::SetUi(this)) {}

QtUiServices::~QtUiServices() { platform::SetUi(previous_); }

void QtUiServices::SetUnattended(bool unattended) { g_unattended = unattended; }

bool QtUiServices::Unattended() { return g_unattended; }

QString QtUiServices::QtFilter(const std::wstring& filter) {
  const QStringList parts = QString::fromStdWString(filter).split(QLatin1Char('|'));
  QStringList names;
  // Pairs of (description, pattern); the description already shows the pattern.
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString name = parts[i];
    if (!name.contains(QLatin1Char('('))) name += QStringLiteral(" (") + parts[i + 1] + ")";
    names << name;
  }
  return names.join(QStringLiteral(";;"));
}

platform::MsgAnswer QtUiServices::ShowMessage(const std::wstring& text,
                                              const std::wstring& caption,
                                              platform::MsgButtons buttons, platform::MsgIcon icon,
                                              platform::MsgAnswer defaultAnswer) {
  if (Unattended()) return platform::ConsoleUi().MessageBox(text, caption, buttons, icon);
  platform::MsgAnswer answer = platform::MsgAnswer::Cancel;
  OnGuiThread([&] {
    QMessageBox box(QtIcon(icon), QString::fromStdWString(caption),
                    QString::fromStdWString(text), QtButtons(buttons), parent_);
    // Qt would pick the first accepting button (Yes) by itself.
    if (QAbstractButton* preferred = box.button(QtButton(defaultAnswer)))
      box.setDefaultButton(qobject_cast<QPushButton*>(preferred));
    answer = Answer(box.exec(), buttons);
  });
  return answer;
}

bool QtUiServices::FileDialog(const platform::FileDialogRequest& request, std::wstring& path,
                              bool save) {
  if (Unattended()) return false;
  bool chosen = false;
  OnGuiThread([&] {
    QFileDialog dialog(parent_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QString filter = QtFilter(request.filter);
    if (!filter.isEmpty()) dialog.setNameFilter(filter);
    if (!request.defaultExt.empty())
      dialog.setDefaultSuffix(QString::fromStdWString(request.defaultExt));
    if (!request.folder.empty()) dialog.setDirectory(QString::fromStdWString(request.folder));
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdWString(request.fileName));
    if (!request.title.empty()) dialog.setWindowTitle(QString::fromStdWString(request.title));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    path = dialog.selectedFiles().first().toStdWString();
    chosen = true;
  });
  return chosen;
}

bool QtUiServices::OpenFileDialog(const platform::FileDialogRequest& request,
                                  std::wstring& path) {
  return FileDialog(request, path, false);
}

bool QtUiServices::SaveFileDialog(const platform::FileDialogRequest& request,
                                  std::wstring& path) {
  return FileDialog(request, path, true);
}

bool QtUiServices::FolderDialog(const std::wstring& title, std::wstring& path) {
  if (Unattended()) return false;
  bool chosen = false;
  OnGuiThread([&] {
    QFileDialog dialog(parent_, QString::fromStdWString(title), QString::fromStdWString(path));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    path = dialog.selectedFiles().first().toStdWString();
    chosen = true;
  });
  return chosen;
}

void QtUiServices::PumpMessages() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() == app->thread()) QCoreApplication::processEvents();
}

bool QtUiServices::OpenWithDesktopNow(const std::wstring& path, const std::wstring& advice) {
  // The opener may run the chosen program in the foreground until the user closes it, so its
  // end is awaited by the thread that reaps it; only a failure comes back to the GUI thread, as
  // a queued call that does not wait. By then this object may be gone: the services in force
  // then tell.
  const auto onExit = [path, advice](int exitCode) {
    QCoreApplication* app = QCoreApplication::instance();
    if (exitCode == 0 || !app) return;
    QMetaObject::invokeMethod(
        app,
        [text = CannotOpen(path, OpenerFailure(exitCode), advice)] {
          platform::Ui().MessageBox(text, L"Warning!", platform::MsgButtons::Ok,
                                    platform::MsgIcon::Error);
        },
        Qt::QueuedConnection);
  };
  std::wstring error;
  if (platform::SpawnDetached(L"xdg-open", {path}, &error, onExit)) return true;
  MessageBox(CannotOpen(path, error, advice), L"Warning!", platform::MsgButtons::Ok,
             platform::MsgIcon::Error);
  return false;
}

bool QtUiServices::StartProgram(const std::wstring& program,
                                const std::vector<std::wstring>& args) {
  return platform::SpawnDetached(program, args);
}

void QtUiServices::ConsoleWrite(const std::wstring&) {}
