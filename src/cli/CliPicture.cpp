// The one place where blowden-cli uses Qt: the selector's chart is drawn by
// the chart panel code of the windows, and the datasheets are painted with
// it, which needs a GUI application object.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/Convert.h"
#include "base/Format.h"
#include "charts/SelectorChartView.h"
#include "cli/CliCommands.h"
#include "fan/QmFan.h"
#include "report/Datasheet.h"

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

// A QGuiApplication for the time of one picture, created only when none exists
// (an embedding program or a test may have its own). Without a display
// setting the off-screen platform is used, so no window system is needed.
class TGuiSession {
 public:
  TGuiSession() {
    FPreviousHandler = qInstallMessageHandler(ForwardQtMessage);
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    FApp = std::make_unique<QGuiApplication>(FArgc, FArgv);
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
  // QGuiApplication keeps references to these for its whole life.
  int FArgc = 1;
  char FName[12] = "blowden-cli";
  char* FArgv[2] = {FName, nullptr};
  QtMessageHandler FPreviousHandler = nullptr;
  std::unique_ptr<QGuiApplication> FApp;
};

}  // namespace

std::string RenderChartPicture(const TSelectorChart& chart, int width, int height, const std::string& path,
                               std::string& png) {
  TGuiSession session;
  if (!TGuiSession::CanDraw())
    return Format("%s not written: the running application cannot draw pictures", {path});

  const QImage image = RenderSelectorChart(chart, QSize(width, height));
  if (image.isNull()) return Format("%s not written: the chart could not be drawn", {path});

  // Encoded in memory: the caller writes the bytes with its own checks.
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return Format("%s not written: the PNG could not be encoded", {path});
  png.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return std::string();
}

std::string RenderDatasheetPdf(const std::vector<TDatasheetPage>& pages, const TResultUnits& units,
                               const std::string& path, std::string& pdf) {
  TGuiSession session;
  if (!TGuiSession::CanDraw())
    return Format("%s not written: the running application cannot draw datasheets", {path});
  if (pages.empty()) return Format("%s not written: there is no datasheet to write", {path});

  std::vector<TDatasheet> sheets;
  sheets.reserve(pages.size());
  for (const TDatasheetPage& page : pages) {
    // Each page reads its catalogue again: the model as the file holds it now,
    // and the digest of the bytes read.
    TFan fan;
    fan.LoadFromFile(page.File);
    if (!fan.Loaded() || fan.Models().empty())
      return Format("%s not written: %s cannot be read", {path, page.File});
    try {
      fan.SelectModel(page.Model);
    } catch (const EConvertError& e) {
      return Format("%s not written: %s (%s): %s", {path, page.File, page.Model, std::string(e.what())});
    }
    if (!fan.CurrentModel())
      return Format("%s not written: model %s of %s cannot be read", {path, page.Model, page.File});
    sheets.push_back(BuildDatasheet(fan, page.Duty, units, FileSha256(page.File)));
    sheets.back().Mark = page.Mark;
    sheets.back().Project = page.Project;
    sheets.back().Quantity = page.Quantity;
  }
  if (std::string why = DatasheetPdf(sheets, pdf); !why.empty())
    return Format("%s not written: %s", {path, why});
  return std::string();
}

}  // namespace blowden
