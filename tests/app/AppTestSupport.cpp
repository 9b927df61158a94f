#include "AppTestSupport.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTest>
#include <filesystem>

#include "app/Main.h"
#include "base/IniFile.h"
#include "services/MessageBox.h"
#include "services/Settings.h"

namespace blowden::test {

std::string GoodFanFile(const std::string& range) {
  return "[Catalog]\n"
         "Maker=Orvane\n"
         "Range=" +
         range +
         "\n"
         "Kind=FCC\n"
         "\n"
         "[F400]\n"
         "Model=400,1450,900,1600,450,380,1.5\n"
         "Qa=0.5,0.8,1.1,1.4,1.7,2.0,2.3,2.6\n"
         "Ps=620,610,590,560,515,450,370,270\n"
         "Pw=0.60,0.72,0.84,0.95,1.04,1.10,1.13,1.14\n"
         "Lw=79,79.4,80,80.7,81.5,82.4,83.5,84.8\n"
         "\n"
         "[F500]\n"
         "Model=500,1200,700,1400,560,470,2.4\n"
         "Qa=1.0,1.4,1.8,2.2,2.6,3.0,3.4,3.8\n"
         "Ps=700,690,670,640,600,545,470,380\n"
         "Pw=1.0,1.2,1.55,1.8,2.1,2.3,2.45,2.55\n"
         "Lw=82,82.5,83,83.6,84.3,85.1,86,87\n";
}

std::string BadFanFile(const std::string& range) {
  return "[Catalog]\n"
         "Range=" +
         range +
         "\n"
         "[B1]\n"
         "Qa=0.5,0.4,0.6,0.7\n"
         "Ps=300,280,250,200\n"
         "Pw=1,1.1,1.2,1.3\n"
         "Lw=70,71,72,73\n";
}

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

TAppWorld::TAppWorld() {
  TMessageBox::SetTestMode(true);
  TMessageBox::TakeRecorded();
  TIniFile::ClearCache();

  const QString root = ToQ(FDir.Path().string());
  QDir(root).mkpath(QStringLiteral("prog/Help"));
  QDir(root).mkpath(QStringLiteral("fans"));
  const QString resources =
      QString::fromStdString((blowden::test::SourceDir() / "resources").string()) + QLatin1Char('/');
  for (const char* name : {"normalbmp.bmp", "selectbmp.bmp", "nominalbmp.bmp"})
    QFile::copy(resources + QLatin1String(name), root + QStringLiteral("/prog/") + QLatin1String(name));
  QFile::copy(resources + QStringLiteral("Help/Blowden.htm"),
              root + QStringLiteral("/prog/Help/Blowden.htm"));

  TStartupValues values;
  values.ProgramFolder = ProgramFolder().toStdString();
  values.ProgramName = "blowden-apptest";
  values.SettingsKey = "Software\\Orvane\\blowden-apptest";
  values.MakerFolder = (root + QStringLiteral("/")).toStdString();
  values.DatabaseFolder = DatabaseFolder().toStdString();
  values.MyDocumentsFolder = (root + QStringLiteral("/")).toStdString();
  values.UserDataFolder = values.ProgramFolder;
  SetStartupValues(values);
  OpenSettings()->clear();
}

TAppWorld::~TAppWorld() {
  OpenSettings()->clear();
  TMessageBox::TakeRecorded();
  TIniFile::ClearCache();
}

QString TAppWorld::ProgramFolder() const { return ToQ(FDir.Path().string()) + QStringLiteral("/prog/"); }
QString TAppWorld::DatabaseFolder() const { return ToQ(FDir.Path().string()) + QStringLiteral("/db/"); }
QString TAppWorld::FansFolder() const { return ToQ(FDir.Path().string()) + QStringLiteral("/fans"); }

QString TAppWorld::WriteFan(const std::string& name, const std::string& bytes) const {
  return ToQ(FDir.Write("fans/" + name, bytes));
}

QStringList TAppWorld::Boxes() const { return TMessageBox::TakeRecorded(); }

void ClickRow(QListView* list, int row) {
  const QModelIndex index = list->model()->index(row, 0);
  if (!index.isValid()) throw std::runtime_error("no such row");
  list->scrollTo(index);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

std::unique_ptr<TBlowdenForm> OpenMainForm(const QString& folder) {
  auto form = std::make_unique<TBlowdenForm>();
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) throw std::runtime_error("the main window did not show");
  if (!folder.isEmpty() && !form->ChangeFolder(folder)) throw std::runtime_error("cannot show the folder");
  return form;
}

int RowOf(QListView* list, const QString& text) {
  for (int row = 0; row < list->model()->rowCount(); ++row)
    if (list->model()->index(row, 0).data().toString() == text) return row;
  return -1;
}

}  // namespace blowden::test
