#include "services/Settings.h"

#include <QCoreApplication>
#include <QStandardPaths>
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

void TSettingsCloser::operator()(QSettings* settings) const {
  settings->sync();
  if (settings->status() == QSettings::AccessError) {
    const QString file = settings->fileName();
    TMessageBox::Error(nullptr, QStringLiteral("Settings"),
                       QStringLiteral("Cannot save the settings to \"%1\": the file cannot be written. "
                                      "The program's choices of this session are not remembered.")
                           .arg(file));
  }
  delete settings;
}

TSettingsPtr OpenSettings() {
  return TSettingsPtr(new QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                                    QString::fromStdString(StartupValues().ProgramName)));
}

}  // namespace blowden
