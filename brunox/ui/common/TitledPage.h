#pragma once
// The base of the main window's pages: a bold caption on top and the page's own controls below.
// The window shows one page at a time and moves data between the page and the project through
// the page protocol below.
#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

class CTitledPage : public QWidget {
  Q_OBJECT

 public:
  explicit CTitledPage(const QString& caption, QWidget* parent = nullptr);
  ~CTitledPage() override;

  // The window has made the page the shown one: show it, then fill its controls from the model.
  virtual void Activate();
  // The page is left: take its controls into the model, then hide it.
  virtual void Deactivate();
  // Model → controls and controls → model, without showing or hiding.
  virtual void LoadFromProject() {}
  virtual void StoreToProject() {}
  // A command the window forwards to the page; false when the page does not handle it.
  virtual bool HandleCommand(int id);

  QString Caption() const;
  void SetCaption(const QString& caption);

 protected:
  // Where derived pages put their controls, below the caption.
  QVBoxLayout* Body() const { return body_; }

 private:
  QLabel* caption_;
  QString captionText_;  // as set; shown without leading blanks
  QVBoxLayout* body_;
};
