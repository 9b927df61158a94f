// The one place where blowden-cli uses Qt: the selector's chart is drawn by
// the chart panel code of the windows, which needs a GUI application object.
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QSaveFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/Format.h"
#include "charts/SelectorChartView.h"
#include "cli/CliCommands.h"

namespace blowden {

namespace {

// Qt's notices about its own runtime folders concern nothing the program
// does; everything else Qt reports while drawing goes to stderr.
void ForwardQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  if (text.startsWith(QLatin1String("QStandardPaths:"))) return;
  const QByteArray bytes = text.toUtf8();
  std::fprintf(stderr, "blowden-cli: Qt: %s\n", bytes.constData());
}

// A QApplication for the time of one picture, created only when none exists
// (an embedding program or a test may have its own). Without a display
// setting the off-screen platform is used, so no window system is needed.
class TGuiSession {
 public:
  TGuiSession() {
    FPreviousHandler = qInstallMessageHandler(ForwardQtMessage);
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    FApp = std::make_unique<QApplication>(FArgc, FArgv);
  }
  ~TGuiSession() {
    FApp.reset();
    qInstallMessageHandler(FPreviousHandler);
  }
  TGuiSession(const TGuiSession&) = delete;
  TGuiSession& operator=(const TGuiSession&) = delete;

  // A QCoreApplication made by someone else cannot draw text.
  static bool CanDraw() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

 private:
  // QApplication keeps references to these for its whole life.
  int FArgc = 1;
  char FName[12] = "blowden-cli";
  char* FArgv[2] = {FName, nullptr};
  QtMessageHandler FPreviousHandler = nullptr;
  std::unique_ptr<QApplication> FApp;
};

}  // namespace

std::string WriteChartPicture(const TSelectorChart& chart, int width, int height, const std::string& path) {
  TGuiSession session;
  if (!TGuiSession::CanDraw())
    return Format("%s not written: the running application cannot draw pictures", {path});

  const QImage image = RenderSelectorChart(chart, QSize(width, height));
  if (image.isNull()) return Format("%s not written: the chart could not be drawn", {path});

  // Encode first, so that a failure leaves an existing file untouched, then
  // write through QSaveFile, which replaces the file only when complete.
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return Format("%s not written: the PNG could not be encoded", {path});

  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly))
    return Format("cannot write %s: %s", {path, file.errorString().toStdString()});
  if (file.write(png) != png.size()) {
    const std::string why = file.errorString().toStdString();
    file.cancelWriting();
    return Format("cannot write %s: %s", {path, why});
  }
  if (!file.commit()) return Format("cannot write %s: %s", {path, file.errorString().toStdString()});
  return std::string();
}

}  // namespace blowden
