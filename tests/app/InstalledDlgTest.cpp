#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/InstalledDlg.h"
#include "app/Main.h"
#include "fan/QmFan.h"
#include "selector/QmFanForm.h"
#include "services/MessageBox.h"
#include "services/Settings.h"

namespace blowden {
namespace {

using test::GoodFanFile;
using test::ReadFileBytes;
using test::TAppWorld;
using test::ToQ;

class InstalledForm : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name :
         {"Beta.qfn", "alpha.qfn", ".hidden.qfn", "sub/Gamma.qfn", "alpha._fn", "notes.txt"})
      World.Dir().Write(std::string("db/") + name, GoodFanFile(name));
  }
  // The form, shown as its owner shows it (the list is read on showing).
  std::unique_ptr<TInstalledForm> Open() {
    auto form = std::make_unique<TInstalledForm>(Selector.get());
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) throw std::runtime_error("the form did not show");
    return form;
  }
  QStringList Rows(const TInstalledForm& form) const {
    QStringList rows;
    for (int i = 0; i < form.ListView1()->topLevelItemCount(); ++i)
      rows << form.ListView1()->topLevelItem(i)->text(0);
    return rows;
  }
  QString Db(const char* name) const { return World.DatabaseFolder() + QLatin1String(name); }

  TAppWorld World;
  std::unique_ptr<TFanForm> Selector = std::make_unique<TFanForm>();
};

TEST_F(InstalledForm, ListsTheInstalledFilesWithTheirCount) {
  auto form = Open();
  EXPECT_EQ(form->objectName(), QStringLiteral("InstalledForm"));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Installed Blowden"));
  EXPECT_TRUE(form->isModal());
  EXPECT_EQ(Rows(*form), (QStringList{"alpha", "Beta"}));
  EXPECT_EQ(form->ListView1()->topLevelItem(0)->text(1), Db("alpha.qfn"));
  EXPECT_EQ(form->Label1()->text(), QStringLiteral("2 fan catalogs..."));
  EXPECT_EQ(form->ListView1()->currentItem(), form->ListView1()->topLevelItem(0));
  EXPECT_TRUE(form->ListView1()->currentItem()->isSelected());
  EXPECT_EQ(form->ListView1()->headerItem()->text(0), QStringLiteral("Name"));
  EXPECT_EQ(form->ListView1()->headerItem()->text(1), QStringLiteral("Models"));
  EXPECT_EQ(form->ListView1()->columnWidth(0), 220);
  EXPECT_EQ(form->SpeedButton1()->toolTip(), QStringLiteral("view selected compressor"));
  EXPECT_EQ(form->SpeedButton2()->toolTip(), QStringLiteral("delete selected compressor"));
  for (QWidget* control :
       std::initializer_list<QWidget*>{form->SpeedButton1(), form->SpeedButton2(), form->SpeedButton3(),
                                       form->ListView1(), form->Label1()})
    EXPECT_EQ(control->accessibleDescription(), control->objectName());
  EXPECT_EQ(form->SpeedButton3()->accessibleName(), QStringLiteral("Close"));
}

// The grid line has its own pixel row: an underscore on the last row of the
// text stays visible ("edge_01" does not read "edge 01"), and a row holds
// the font's whole height, descenders included, above the grid.
TEST_F(InstalledForm, GridLinesDoNotCoverTheText) {
  for (const char* name : {"edge 01.qfn", "edge_01.qfn"}) World.Dir().Write(std::string("db/") + name, "x");
  auto form = Open();
  QTreeWidget* list = form->ListView1();
  QTreeWidgetItem* spaced = list->findItems(QStringLiteral("edge 01"), Qt::MatchExactly).value(0);
  QTreeWidgetItem* underscored = list->findItems(QStringLiteral("edge_01"), Qt::MatchExactly).value(0);
  ASSERT_TRUE(spaced && underscored);
  list->clearSelection();
  list->setCurrentItem(nullptr);
  QApplication::processEvents();
  const QImage image = list->viewport()->grab().toImage();
  const auto darkInCell = [&](QTreeWidgetItem* item) {
    const QRect cell =
        list->visualItemRect(item).intersected(QRect(0, 0, list->columnWidth(0), image.height()));
    int dark = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x)
        if (qGray(image.pixel(x, y)) < 110) ++dark;
    return dark;
  };
  EXPECT_GT(darkInCell(underscored), darkInCell(spaced) + 2) << "the underscore shows";
  // Each row holds the font's whole height and the grid's pixel row.
  for (QTreeWidgetItem* item : {spaced, underscored})
    EXPECT_GE(list->visualItemRect(item).height(), QFontMetrics(list->font()).height() + 2);
}

TEST_F(InstalledForm, EveryShowingListsAfresh) {
  auto form = Open();
  form->hide();
  World.Dir().Write("db/Delta.qfn", GoodFanFile());
  form->show();
  EXPECT_EQ(Rows(*form), (QStringList{"alpha", "Beta", "Delta"}));
  EXPECT_EQ(form->Label1()->text(), QStringLiteral("3 fan catalogs..."));
}

TEST_F(InstalledForm, AMissingDatabaseFolderListsNothing) {
  std::filesystem::remove_all(World.DatabaseFolder().toStdString());
  auto form = Open();
  EXPECT_TRUE(Rows(*form).isEmpty());
  EXPECT_EQ(form->Label1()->text(), QStringLiteral("0 fan catalogs..."));
  form->ViewSelected();
  form->DeleteSelected();
  EXPECT_TRUE(World.Boxes().isEmpty());
}

TEST_F(InstalledForm, ViewOpensTheSelectorOnTheFile) {
  auto form = Open();
  form->ListView1()->setCurrentItem(form->ListView1()->topLevelItem(1));
  QString shownFile;
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = Selector->isVisible();
    shownFile = Selector->FanFileName();
    Selector->reject();
  });
  QTest::mouseClick(form->SpeedButton1(), Qt::LeftButton);
  EXPECT_TRUE(shown);
  EXPECT_EQ(shownFile, QStringLiteral("Beta"));
  EXPECT_EQ(ToQ(Selector->Fan().FileName()), Db("Beta.qfn"));
}

TEST_F(InstalledForm, DeleteAfterYesKeepsABackup) {
  World.Dir().Write("db/alpha._fn", "an older backup");
  auto form = Open();
  TMessageBox::SetNextAnswer(true);
  QTest::mouseClick(form->SpeedButton2(), Qt::LeftButton);
  EXPECT_EQ(World.Boxes(), QStringList{QStringLiteral("Confirm: Delete File?\r\nalpha.qfn")});
  EXPECT_FALSE(QFile::exists(Db("alpha.qfn")));
  EXPECT_EQ(ReadFileBytes(Db("alpha._fn").toStdString()), GoodFanFile("alpha.qfn"));
  EXPECT_EQ(ReadFileBytes(Db("alpha._fn.1").toStdString()), "an older backup") << "the older backup is kept";
  EXPECT_EQ(Rows(*form), QStringList{QStringLiteral("Beta")});
  EXPECT_EQ(form->Label1()->text(), QStringLiteral("1 fan catalogs..."));
}

TEST_F(InstalledForm, DeleteAfterNoKeepsTheFile) {
  auto form = Open();
  TMessageBox::SetNextAnswer(false);
  QTest::keyClick(form->ListView1(), Qt::Key_Delete);
  EXPECT_EQ(World.Boxes().size(), 1);
  EXPECT_TRUE(QFile::exists(Db("alpha.qfn")));
  EXPECT_EQ(Rows(*form), (QStringList{"alpha", "Beta"}));
}

TEST_F(InstalledForm, TheDeleteKeyWorksAnywhereInTheWindow) {
  auto form = Open();
  form->ListView1()->setCurrentItem(form->ListView1()->topLevelItem(1));
  TMessageBox::SetNextAnswer(true);
  QTest::keyClick(form->SpeedButton3(), Qt::Key_Delete);
  EXPECT_FALSE(QFile::exists(Db("Beta.qfn")));
  EXPECT_TRUE(QFile::exists(Db("Beta._fn")));
}

TEST_F(InstalledForm, TheDeleteKeyWithNoRowSelectedDoesNothing) {
  auto form = Open();
  form->ListView1()->clearSelection();
  form->ListView1()->setCurrentItem(nullptr);
  QTest::keyClick(form->ListView1(), Qt::Key_Delete);
  EXPECT_TRUE(World.Boxes().isEmpty());
  EXPECT_EQ(Rows(*form), (QStringList{"alpha", "Beta"}));
}

TEST_F(InstalledForm, AFailedBackupKeepsTheFileAndSaysWhy) {
  // A folder where the backup file should go: the copy cannot replace it.
  QDir().mkpath(Db("Beta._fn"));
  auto form = Open();
  form->ListView1()->setCurrentItem(form->ListView1()->topLevelItem(1));
  TMessageBox::SetNextAnswer(true);
  form->DeleteSelected();
  const QStringList boxes = World.Boxes();
  ASSERT_EQ(boxes.size(), 2);
  EXPECT_TRUE(boxes[1].startsWith(QStringLiteral("Blowden: Cannot back up ") + Db("Beta.qfn")))
      << boxes[1].toStdString();
  EXPECT_TRUE(QFile::exists(Db("Beta.qfn")));
  EXPECT_EQ(Rows(*form), (QStringList{"alpha", "Beta"}));
}

TEST_F(InstalledForm, AFileThatVanishedIsReported) {
  auto form = Open();
  QFile::remove(Db("alpha.qfn"));
  TMessageBox::SetNextAnswer(true);
  form->DeleteSelected();
  const QStringList boxes = World.Boxes();
  ASSERT_EQ(boxes.size(), 2);
  EXPECT_EQ(Rows(*form), QStringList{QStringLiteral("Beta")});
}

TEST_F(InstalledForm, ColumnWidthAndPlacementSurviveARestart) {
  {
    auto form = Open();
    form->ListView1()->setColumnWidth(0, 150);
    form->resize(420, 380);
    QTest::mouseClick(form->SpeedButton3(), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
  }
  EXPECT_EQ(OpenSettings()->value(QStringLiteral("Settings/Col1")).toInt(), 150);
  auto again = Open();
  EXPECT_EQ(again->ListView1()->columnWidth(0), 150);
  EXPECT_EQ(again->size(), QSize(420, 380));
}

TEST_F(InstalledForm, ManageDatabaseOpensIt) {
  auto main = test::OpenMainForm();
  TInstalledForm installed(Selector.get(), main.get());
  main->SetInstalledForm(&installed);
  QStringList rows;
  QTimer::singleShot(0, [&] {
    rows = Rows(installed);
    installed.reject();
  });
  main->ActionManage()->trigger();
  EXPECT_EQ(rows, (QStringList{"alpha", "Beta"}));
}

TEST_F(InstalledForm, FanSelectOpensTheSelector) {
  auto main = test::OpenMainForm();
  main->SetFanForm(Selector.get());
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = Selector->isVisible();
    Selector->reject();
  });
  main->ActionTest()->trigger();
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace blowden
