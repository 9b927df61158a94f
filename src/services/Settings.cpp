#include "services/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <optional>

#include "services/MessageBox.h"

namespace blowden {

namespace {

std::optional<TStartupValues>& Storage() {
  static std::optional<TStartupValues> values;
  return values;
}

TStartupResult ComputeFromQt() {
  const std::string program = QCoreApplication::applicationFilePath().toStdString();
  const QStringList data = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
  const std::string dataFolder = data.isEmpty() ? std::string() : data.front().toStdString();
  const std::string documents =
      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
  return ComputeStartupValues(program, dataFolder, documents);
}

}  // namespace

bool InitStartupValues(std::string& error) {
  TStartupResult result = ComputeFromQt();
  if (!result.Ok()) {
    error = result.Error;
    return false;
  }
  CreateUserDataFolder(result.Values);
  LocateResourceFolders(result.Values);
  Storage() = result.Values;
  error.clear();
  return true;
}

const TStartupValues& StartupValues() {
  if (!Storage()) {
    std::string error;
    if (!InitStartupValues(error)) {
      // Without a documents folder the folders that do not depend on it are
      // still known; the user data folder then is the program folder.
      TStartupValues values = ComputeFromQt().Values;
      values.UserDataFolder = values.ProgramFolder;
      LocateResourceFolders(values);
      Storage() = values;
    }
  }
  return *Storage();
}

void SetStartupValues(const TStartupValues& values) { Storage() = values; }

namespace {

// A stored value as the file gives it back: numbers, flags and texts come
// back as text, other types (rectangles, byte arrays) as themselves.
bool SameStoredValue(const QVariant& held, const QVariant& read) {
  if (held.canConvert<QString>() && read.canConvert<QString>() && !held.toString().isEmpty())
    return held.toString() == read.toString();
  return held == read || held.toString() == read.toString();
}

// Whether the store's file, read afresh, holds every key and value the
// store holds, and nothing else.
bool WrittenAsHeld(QSettings& settings) {
  // Qt keeps one parsed copy per file name in the process, so the file's
  // bytes are read through a copy under another name.
  QFile file(settings.fileName());
  if (!file.exists()) return settings.allKeys().isEmpty();
  QTemporaryFile copy;
  if (!file.open(QIODevice::ReadOnly) || !copy.open() || copy.write(file.readAll()) != file.size() ||
      !copy.flush())
    return false;
  QSettings written(copy.fileName(), QSettings::IniFormat);
  if (written.status() != QSettings::NoError) return false;
  // Keys are compared whole: the store may be left inside a group.
  const QString group = settings.group();
  while (!settings.group().isEmpty()) settings.endGroup();
  QStringList held = settings.allKeys(), read = written.allKeys();
  held.sort();
  read.sort();
  bool same = held == read;
  for (qsizetype i = 0; same && i < held.size(); ++i)
    same = SameStoredValue(settings.value(held[i]), written.value(held[i]));
  if (!group.isEmpty()) settings.beginGroup(group);
  return same;
}

// Puts the store's previous bytes back in place (or removes a file that did
// not exist before). In place rather than through a new file: on a full disk
// truncating first frees the room the old bytes need.
void PutBack(const QString& fileName, const std::optional<QByteArray>& before) {
  QFile file(fileName);
  if (!before) {
    file.remove();
    return;
  }
  if (file.open(QIODevice::ReadOnly) && file.readAll() == *before) return;
  file.close();
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) return;
  file.write(*before);
  file.close();
}

}  // namespace

void TSettingsCloser::operator()(QSettings* settings) const {
  const QString fileName = settings->fileName();
  // Qt's write of the store does not see every failure: on a nearly full
  // disk a small store is cut short at a block and its status stays
  // NoError. So the file is read back; when it does not hold what the store
  // holds, the previous bytes go back and the failure is reported.
  std::optional<QByteArray> before;
  if (QFile file(fileName); file.open(QIODevice::ReadOnly)) before = file.readAll();
  settings->sync();
  const bool written = settings->status() == QSettings::NoError && WrittenAsHeld(*settings);
  if (!written) {
    PutBack(fileName, before);
    TMessageBox::Error(nullptr, QStringLiteral("Settings"),
                       QStringLiteral("Cannot save the settings to \"%1\": the file cannot be written. "
                                      "The program's choices of this session are not remembered.")
                           .arg(fileName));
  }
  delete settings;
}

TSettingsPtr OpenSettings() {
  return TSettingsPtr(new QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                                    QString::fromStdString(StartupValues().ProgramName)));
}

}  // namespace blowden
