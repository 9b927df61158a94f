#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QStandardPaths>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "services/MessageBox.h"
#include "services/Settings.h"
#include "support/TestSupport.h"

namespace blowden {
namespace {

using test::ReadFileBytes;
using test::TTempDir;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

TEST(Settings, StartupValuesFromTheTestEnvironment) {
  std::string error;
  ASSERT_TRUE(InitStartupValues(error)) << error;
  EXPECT_TRUE(error.empty());
  const TStartupValues& v = StartupValues();
  EXPECT_EQ(v.ProgramName, "services_qt_tests");
  EXPECT_EQ(v.SettingsKey, "Software\\Orvane\\services_qt_tests");
  EXPECT_EQ(v.ProgramFilesFolder, Env("XDG_DATA_HOME") + "/");
  EXPECT_EQ(v.MyDocumentsFolder, Env("HOME") + "/Documents/");
  EXPECT_EQ(v.UserDataFolder, Env("HOME") + "/Documents/Orvane/services_qt_tests/");
  EXPECT_TRUE(std::filesystem::is_directory(v.UserDataFolder));
  EXPECT_EQ(v.ProgramFolder.back(), '/');
}

TEST(Settings, PlainFoldersAgreeWithQt) {
  EXPECT_EQ(
      PlatformDataFolder(),
      QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation).front().toStdString() + "/");
  EXPECT_EQ(PlatformDocumentsFolder(),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString() + "/");
  EXPECT_EQ(RunningProgramPath(), QCoreApplication::applicationFilePath().toStdString());
}

TEST(Settings, StoreIsTheProgramFileInTheOrvaneFolder) {
  const auto settings = OpenSettings();
  EXPECT_EQ(settings->fileName().toStdString(), Env("XDG_CONFIG_HOME") + "/Orvane/services_qt_tests.conf");
  settings->beginGroup("Settings");
  settings->setValue("Volume", 1.25);
  settings->endGroup();
  settings->sync();
  const auto again = OpenSettings();
  EXPECT_DOUBLE_EQ(again->value("Settings/Volume", 0.0).toDouble(), 1.25);
}

TEST(Settings, ValuesCanBeReplaced) {
  const TStartupValues saved = StartupValues();
  TStartupValues mine = saved;
  mine.DatabaseFolder = "/tmp/elsewhere/";
  SetStartupValues(mine);
  EXPECT_EQ(StartupValues().DatabaseFolder, "/tmp/elsewhere/");
  SetStartupValues(saved);
  EXPECT_EQ(StartupValues().DatabaseFolder, saved.DatabaseFolder);
}

TEST(Settings, AStoreThatCannotBeWrittenIsReported) {
  TMessageBox::SetTestMode(true);
  TMessageBox::TakeRecorded();
  const std::filesystem::path file = OpenSettings()->fileName().toStdString();
  std::filesystem::remove(file);
  // A folder where the store's file should be: no write can succeed, not even as root.
  std::filesystem::create_directories(file);
  OpenSettings()->setValue(QStringLiteral("Settings/Probe"), 1);
  const QStringList boxes = TMessageBox::TakeRecorded();
  std::filesystem::remove_all(file);
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Settings: Cannot save the settings to \"") +
                                  QString::fromStdString(file.string())))
      << boxes[0].toStdString();
  // A store that can be written says nothing.
  OpenSettings()->setValue(QStringLiteral("Settings/Probe"), 2);
  EXPECT_TRUE(TMessageBox::TakeRecorded().isEmpty());
  TMessageBox::SetTestMode(false);
}

// On a nearly full disk Qt cuts a small store short at a block and reports
// success; the store must keep its previous bytes and say it was not saved.
TEST(Settings, AStoreCutShortOnAFullDiskKeepsItsPreviousBytes) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  TTempDir dir;
  if (::mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=256k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
  const QString folder = QString::fromStdString(dir.Path().string());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
  TMessageBox::SetTestMode(true);
  TMessageBox::TakeRecorded();

  OpenSettings()->setValue(QStringLiteral("Settings/Folder"), QStringLiteral("/home/user/fans"));
  const std::string file = OpenSettings()->fileName().toStdString();
  const std::string before = ReadFileBytes(file);
  ASSERT_FALSE(before.empty());
  // Fill the disk, then free two blocks: the next store starts to be written and is cut short.
  const std::string room = dir.Write("room", std::string(8192, 'r'));
  {
    std::ofstream filler(dir.File("filler"), std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), std::streamsize(block.size()))) filler.flush();
  }
  std::filesystem::remove(room);
  {
    const auto settings = OpenSettings();
    for (int i = 0; i < 200; ++i)
      settings->setValue(QStringLiteral("Recent/File%1").arg(i),
                         QStringLiteral("/home/user/fans/%1.qfn").arg(i));
  }
  const QStringList boxes = TMessageBox::TakeRecorded();
  TMessageBox::SetTestMode(false);
  EXPECT_EQ(ReadFileBytes(file), before);
  EXPECT_EQ(boxes.size(), 1);
  ::umount2(dir.Path().c_str(), MNT_DETACH);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")));
}

}  // namespace
}  // namespace blowden
