// main() of the GUI test programs: an offscreen QApplication whose settings,
// data and documents folders are private to this run, so tests never touch
// the user's own settings or database folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  QTemporaryDir home;
  if (!home.isValid()) return 2;
  const QByteArray root = home.path().toLocal8Bit();
  setenv("HOME", root.constData(), 1);
  setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
  setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
  setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
  QDir(home.path()).mkpath("runtime");
  QFile::setPermissions(home.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QDir(home.path()).mkpath("Documents");

  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
