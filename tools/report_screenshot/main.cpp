// Renders an HTML report with QTextBrowser into a PNG file, on the offscreen platform unless
// another one is asked for: report_screenshot in.html out.png [width]
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: report_screenshot in.html out.png [width]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) return Usage();
  int width = 1000;
  if (argc == 4) {
    char* end = nullptr;
    const long value = std::strtol(argv[3], &end, 10);
    if (!end || *end != '\0' || value < 200 || value > 8000) return Usage();
    width = static_cast<int>(value);
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  const QString input = QString::fromLocal8Bit(argv[1]);
  const QString output = QString::fromLocal8Bit(argv[2]);
  QFile file(input);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "report_screenshot: cannot read %s\n", argv[1]);
    return 1;
  }
  // The page declares its charset; QTextBrowser's own loading reads the declaration.
  QTextBrowser browser;
  browser.setSearchPaths({QFileInfo(input).absolutePath()});
  browser.setSource(QUrl::fromLocalFile(QFileInfo(input).absoluteFilePath()));
  browser.setFrameShape(QFrame::NoFrame);
  browser.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  browser.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  browser.resize(width, 600);
  browser.document()->setTextWidth(width);
  const int height = qBound(200, static_cast<int>(browser.document()->size().height()) + 4, 20000);
  browser.resize(width, height);

  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::white);
  browser.render(&image);
  if (!image.save(output, "PNG")) {
    std::fprintf(stderr, "report_screenshot: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
