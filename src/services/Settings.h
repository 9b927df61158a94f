#pragma once

#include <QSettings>
#include <memory>
#include <string>

#include "services/Folders.h"

namespace blowden {

// Computes the start-up values from Qt's view of the platform (program file,
// first generic data folder, documents folder), creates the user data folder
// and keeps the values for StartupValues(). Returns false with the error text
// (to be shown in a message box before the program ends) when start-up
// cannot go on.
bool InitStartupValues(std::string& error);

// The process-wide start-up values; computed on first use when
// InitStartupValues has not run.
const TStartupValues& StartupValues();

// Replaces the process-wide values (tests point the database folder at a
// folder of their own).
void SetStartupValues(const TStartupValues& values);

// The per-user settings store: organisation "Orvane", application
// ProgramName; a section is a group, a value a key
// (on Linux $XDG_CONFIG_HOME/Orvane/blowden.conf).
// Closing it writes the store; a write that fails (a full disk, a read-only
// folder) is reported in an error box naming the file, instead of being lost
// without a word.
struct TSettingsCloser {
  void operator()(QSettings* settings) const;
};
using TSettingsPtr = std::unique_ptr<QSettings, TSettingsCloser>;
TSettingsPtr OpenSettings();

}  // namespace blowden
