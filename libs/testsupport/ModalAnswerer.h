#pragma once
// Answers the modal dialogs a test provokes: each answer waits (polling on a timer) for the next
// modal dialog to open and then acts on it, in the order the answers were queued. What the
// dialogs said is recorded, so tests can check message texts after the fact.
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

class QTimer;
class QWidget;

namespace testsupport {

class ModalAnswerer : public QObject {
  Q_OBJECT

 public:
  ModalAnswerer();
  ~ModalAnswerer() override;

  // The next message box gets `button` (its text is recorded in Texts).
  void Button(QMessageBox::StandardButton button);
  // The next file dialog chooses `path`; an empty path cancels it.
  void File(const QString& path);
  // The next modal dialog of any kind is handed to `act`, which must close it.
  void Custom(std::function<void(QWidget*)> act);

  // Texts of the message boxes answered so far (caption, a newline, the text).
  QStringList Texts;
  // Answers queued and not yet used.
  int Pending() const { return static_cast<int>(answers_.size()); }

 private:
  void Poll();

  std::deque<std::function<void(QWidget*)>> answers_;
  QTimer* timer_;
  QWidget* lastAnswered_ = nullptr;
};

}  // namespace testsupport
