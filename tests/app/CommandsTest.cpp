#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/Controls.h"
#include "app/Main.h"
#include "app/SourceEditor.h"
#include "fan/QmFan.h"

namespace blowden {
namespace {

using test::BadFanFile;
using test::GoodFanFile;
using test::OpenMainForm;
using test::ReadFileBytes;
using test::TAppWorld;
using test::ToQ;

const QStringList BadLines = {
    "BAD (B1)  Too few volume data points (must be more than 5)",
    "BAD (B1)  Volume flows must be in increasing order",
    "BAD (B1)  Nominal flow must be greater than the lowest flow",
};

class Commands : public testing::Test {
 protected:
  std::string Installed(const char* name) const {
    return ReadFileBytes((World.DatabaseFolder() + QLatin1String(name)).toStdString());
  }
  bool IsInstalled(const char* name) const {
    return QFile::exists(World.DatabaseFolder() + QLatin1String(name));
  }
  TAppWorld World;
};

TEST_F(Commands, VerifyWithNothingLoaded) {
  auto form = OpenMainForm();
  form->PageControl1()->setCurrentIndex(2);
  form->ActionVerifyFan()->trigger();
  EXPECT_EQ(form->ReportLines(), QStringList{QStringLiteral("You must select a fan range to verify")});
  EXPECT_EQ(form->PageControl1()->currentIndex(), 0);
}

TEST_F(Commands, InstallWithNothingLoadedAddsBelowTheReport) {
  auto form = OpenMainForm();
  form->ActionVerifyFan()->trigger();
  form->PageControl1()->setCurrentIndex(1);
  form->ActionInstallFan()->trigger();
  EXPECT_EQ(form->ReportLines(),
            (QStringList{"You must select a fan range to verify", "You must select a fan range first"}));
  EXPECT_EQ(form->PageControl1()->currentIndex(), 1) << "the page is not switched";
}

TEST_F(Commands, VerifyACleanFile) {
  const QString path = World.WriteFan("fx.qfn", GoodFanFile());
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  QTest::mouseClick(form->findChild<QWidget*>(QStringLiteral("Button2")), Qt::LeftButton);
  EXPECT_EQ(form->ReportLines(),
            (QStringList{"FAN Data file verify", path, "", "No errors have been found..."}));
}

TEST_F(Commands, VerifyAFileWithErrorsCountsThem) {
  const QString path = World.WriteFan("bad.qfn", BadFanFile());
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ActionVerifyFan()->trigger();
  QStringList expected = {"FAN Data file verify", path, ""};
  expected << BadLines << ""
           << "3 error(s) found...";
  EXPECT_EQ(form->ReportLines(), expected);
}

TEST_F(Commands, InstallRefusesAFileWithErrors) {
  World.WriteFan("bad.qfn", BadFanFile());
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ActionInstallFan()->trigger();
  EXPECT_EQ(form->ReportLines(), (QStringList{"", "There are errors in this fan data file",
                                              "Please VERIFY before installing..."}));
  EXPECT_FALSE(IsInstalled("bad.qfn"));
}

TEST_F(Commands, InstallCopiesTheVerifiedFileReplacingAnOlderCopy) {
  const std::string bytes = GoodFanFile();
  World.WriteFan("fx.qfn", bytes);
  QDir().mkpath(World.DatabaseFolder());
  World.Dir().Write("db/fx.qfn", "old copy");
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ActionVerifyFan()->trigger();
  const QStringList report = form->ReportLines();
  QTest::mouseClick(form->findChild<QWidget*>(QStringLiteral("Button1")), Qt::LeftButton);
  EXPECT_EQ(Installed("fx.qfn"), bytes);
  EXPECT_EQ(form->ReportLines(), report) << "nothing is written on success";
  EXPECT_EQ(form->Fan().Model.Name, "F400") << "the model shown stays current";
}

TEST_F(Commands, InstallCreatesTheDatabaseFolder) {
  World.WriteFan("fx.qfn", GoodFanFile());
  ASSERT_FALSE(QDir(World.DatabaseFolder()).exists());
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ActionInstallFan()->trigger();
  EXPECT_EQ(Installed("fx.qfn"), GoodFanFile());
}

TEST_F(Commands, InstallAfterAFolderChangeCopiesTheLoadedFile) {
  World.WriteFan("fx.qfn", GoodFanFile());
  QDir(World.FansFolder()).mkpath(QStringLiteral("other"));
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ChangeFolder(World.FansFolder() + QStringLiteral("/other"));
  ASSERT_TRUE(form->SelectedFilePath().isEmpty());
  form->ActionInstallFan()->trigger();
  EXPECT_EQ(Installed("fx.qfn"), GoodFanFile());
}

TEST_F(Commands, AFailedCopyIsReported) {
  World.WriteFan("fx.qfn", GoodFanFile());
  // A plain file where the database folder should be.
  World.Dir().Write("db", "not a folder");
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ActionInstallFan()->trigger();
  const QStringList report = form->ReportLines();
  ASSERT_EQ(report.size(), 1);
  EXPECT_TRUE(report[0].startsWith(QStringLiteral("Cannot create the database folder")))
      << report[0].toStdString();
}

TEST_F(Commands, InstallAllCopiesTheGoodFilesAndListsTheBadOnes) {
  World.WriteFan("a.qfn", GoodFanFile("A"));
  World.WriteFan("b.qfn", BadFanFile());
  World.WriteFan("c.qfn", GoodFanFile("C"));
  auto form = OpenMainForm(World.FansFolder());
  form->ActionInstallAll()->trigger();
  QStringList expected = {"Install ALL files", ""};
  expected << BadLines;
  EXPECT_EQ(form->ReportLines(), expected);
  EXPECT_EQ(Installed("a.qfn"), GoodFanFile("A"));
  EXPECT_EQ(Installed("c.qfn"), GoodFanFile("C"));
  EXPECT_FALSE(IsInstalled("b.qfn"));
  // The last file of the list is the loaded one.
  EXPECT_EQ(form->FileListBox1()->ItemIndex(), 2);
  EXPECT_EQ(ToQ(form->Fan().FileName), World.FansFolder() + QStringLiteral("/c.qfn"));
  EXPECT_EQ(form->SynEdit1()->Text(), ToQ(GoodFanFile("C")));
  EXPECT_EQ(form->StatusText(), World.FansFolder() + QStringLiteral("/c.qfn"));
}

TEST_F(Commands, VerifyAllListsOnlyTheErrors) {
  World.WriteFan("a.qfn", GoodFanFile("A"));
  World.WriteFan("b.qfn", BadFanFile());
  World.WriteFan("c.qfn", "[M1]\nQa=0.5,abc,1,2,3\nPs=5,4,3,2,1\nPw=1\nLw=1\n");
  World.WriteFan("d.qfn", GoodFanFile("D"));
  auto form = OpenMainForm(World.FansFolder());
  QTest::mouseClick(form->findChild<QWidget*>(QStringLiteral("Button5")), Qt::LeftButton);
  QStringList expected = {"Verify ALL files", ""};
  expected << BadLines << " (M1)  'abc' is not a valid floating point value";
  EXPECT_EQ(form->ReportLines(), expected);
  EXPECT_TRUE(World.Boxes().isEmpty()) << "the loop reports in the report, not in boxes";
  EXPECT_EQ(form->FileListBox1()->ItemIndex(), 3);
  EXPECT_FALSE(QDir(World.DatabaseFolder()).exists()) << "verifying installs nothing";
}

TEST_F(Commands, AnEmptyFolderLeavesOnlyTheHeading) {
  auto form = OpenMainForm(World.FansFolder());
  form->ActionVerifyAll()->trigger();
  EXPECT_EQ(form->ReportLines(), (QStringList{"Verify ALL files", ""}));
}

TEST_F(Commands, TheLoopsSavePendingEditsFirst) {
  const QString a = World.WriteFan("a.qfn", GoodFanFile("A"));
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->SynEdit1()->moveCursor(QTextCursor::End);
  QTest::keyClicks(form->SynEdit1(), QStringLiteral("; checked"));
  form->ActionVerifyAll()->trigger();
  EXPECT_EQ(ReadFileBytes(a.toStdString()), GoodFanFile("A") + "; checked");
}

}  // namespace
}  // namespace blowden
