#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <ostream>
#include <string>

#include "support/TestSupport.h"

class QListView;

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace blowden {
class TBlowdenForm;
}

namespace blowden::test {

// A fan data file with two good models (8 points each), range "FX".
std::string GoodFanFile(const std::string& range = "FX");
// One model with four points (rule 1) and decreasing flows (rule 5).
std::string BadFanFile(const std::string& range = "BAD");

// Every test of the windows runs in a fresh world: message boxes recorded
// instead of shown, a program folder with the marker pictures and the help
// file, a database folder, a folder of fan data files, and empty settings.
class TAppWorld {
 public:
  TAppWorld();
  ~TAppWorld();

  const TTempDir& Dir() const { return FDir; }
  QString ProgramFolder() const;   // ".../prog/"
  QString DatabaseFolder() const;  // ".../db/"
  QString FansFolder() const;      // ".../fans" (no closing "/")
  // Writes a file into the fans folder and returns its full path.
  QString WriteFan(const std::string& name, const std::string& bytes) const;
  // The message boxes shown since the last call.
  QStringList Boxes() const;

 private:
  TTempDir FDir;
};

QString ToQ(const std::string& text);

// Clicks row `row` of a list with the mouse.
void ClickRow(QListView* list, int row);
// The main window, shown, showing `folder` when it is not empty.
std::unique_ptr<TBlowdenForm> OpenMainForm(const QString& folder = QString());
// The row of `list` whose text is `text`, or -1.
int RowOf(QListView* list, const QString& text);

}  // namespace blowden::test
