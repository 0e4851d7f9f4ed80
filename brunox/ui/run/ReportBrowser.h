#pragma once
// A read-only view of an HTML report file. Links within the report move to their anchor; any
// other link opens with the desktop, as the report's files and web addresses are not pages this
// view can show.
#include <QTextBrowser>
#include <QUrl>
#include <string>

#include "platform/UiServices.h"

class ReportBrowser : public QTextBrowser {
 public:
  explicit ReportBrowser(QWidget* parent = nullptr) : QTextBrowser(parent) {
    setOpenLinks(false);
    // A cell keeps its words and numbers on one line: the columns are as wide as their content,
    // and a table wider than the view scrolls sideways.
    document()->setDefaultStyleSheet(QStringLiteral("td, th { white-space: nowrap; }"));
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) { Follow(link); });
  }

  // Shows the HTML file at `path`, read afresh also when it is the one shown already.
  void ShowFile(const std::wstring& path) {
    const QUrl url = QUrl::fromLocalFile(QString::fromStdWString(path));
    if (source() == url)
      reload();
    else
      setSource(url);
  }

  void Follow(const QUrl& link) {
    const QUrl target = source().resolved(link);
    if (target.adjusted(QUrl::RemoveFragment) == source().adjusted(QUrl::RemoveFragment)) {
      if (target.hasFragment()) scrollToAnchor(target.fragment());
      return;
    }
    platform::Ui().OpenWithDesktop(target.isLocalFile() ? target.toLocalFile().toStdWString()
                                                        : target.toString().toStdWString());
  }
};
