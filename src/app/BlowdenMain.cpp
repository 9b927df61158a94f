// The program entry: start-up values, number conventions, the three
// windows, the message loop.
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>
#include <QTimer>
#include <string>

#include "app/BlowdenApplication.h"
#include "app/InstalledDlg.h"
#include "app/Main.h"
#include "charts/ChartSupport.h"
#include "selector/QmFanForm.h"
#include "services/MessageBox.h"
#include "services/Settings.h"

int main(int argc, char** argv) {
  using namespace blowden;
  TBlowdenApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
  QCoreApplication::setApplicationName(ProgramTitle());

  std::string error;
  if (!InitStartupValues(error)) {
    TMessageBox::Error(nullptr, ProgramTitle(), QString::fromStdString(error));
    return 1;
  }
  // "." for decimals and "," for thousands wherever Qt converts a number.
  QLocale::setDefault(QLocale::c());
  EnsureProgramFonts();

  TBlowdenForm mainForm;
  auto* fanForm = new TFanForm(&mainForm);
  auto* installedForm = new TInstalledForm(fanForm, &mainForm);
  mainForm.SetFanForm(fanForm);
  mainForm.SetInstalledForm(installedForm);
  mainForm.show();
  if (qEnvironmentVariableIsSet("BLOWDEN_STARTUP_CHECK")) {
    // Used by the installation test: report what the program found once its
    // window is up, then quit.
    QTimer::singleShot(0, &mainForm, [&mainForm] {
      QTextStream out(stdout);
      out << "window: " << mainForm.windowTitle() << '\n';
      out << "markers: " << 3 - mainForm.MissingMarkers().size() << " of 3 from "
          << TBlowdenForm::ResourceFolder() << '\n';
      const QString help = mainForm.HelpFileName();
      out << "help: " << (QFileInfo::exists(help) ? help : QStringLiteral("missing ") + help) << '\n';
      out << "samples: " << TBlowdenForm::SamplesFolder() << '\n';
      out << "folder: " << mainForm.LastPath() << '\n';
      out.flush();
      QCoreApplication::quit();
    });
  }
  return TBlowdenApplication::exec();
}
