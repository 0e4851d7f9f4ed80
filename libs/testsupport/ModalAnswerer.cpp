#include "testsupport/ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QTimer>

namespace testsupport {

ModalAnswerer::ModalAnswerer() : timer_(new QTimer(this)) {
  connect(timer_, &QTimer::timeout, this, &ModalAnswerer::Poll);
  timer_->start(20);
}

ModalAnswerer::~ModalAnswerer() = default;

void ModalAnswerer::Button(QMessageBox::StandardButton button) {
  answers_.push_back([this, button](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box) {
      Texts << QStringLiteral("(expected a message box, got %1)")
                   .arg(QString::fromLatin1(modal->metaObject()->className()));
      modal->close();
      return;
    }
    Texts << box->windowTitle() + QLatin1Char('\n') + box->text();
    QAbstractButton* chosen = box->button(button);
    if (chosen)
      chosen->click();
    else
      box->reject();
  });
}

void ModalAnswerer::File(const QString& path) {
  answers_.push_back([this, path](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) {
      Texts << QStringLiteral("(expected a file dialog, got %1)")
                   .arg(QString::fromLatin1(modal->metaObject()->className()));
      modal->close();
      return;
    }
    Texts << dialog->windowTitle();
    if (path.isEmpty()) {
      dialog->reject();
      return;
    }
    dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept");  // protected in QFileDialog
  });
}

void ModalAnswerer::Custom(std::function<void(QWidget*)> act) { answers_.push_back(std::move(act)); }

void ModalAnswerer::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || answers_.empty() || !modal->isVisible()) return;
  // A dialog that was answered but has not closed yet is not answered twice.
  if (modal == lastAnswered_) return;
  lastAnswered_ = modal;
  QPointer<QWidget> guard(modal);
  auto act = std::move(answers_.front());
  answers_.pop_front();
  act(modal);
  if (guard && guard->isVisible()) return;  // still open: the next answer may go to it later
  lastAnswered_ = nullptr;
}

}  // namespace testsupport
