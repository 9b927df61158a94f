#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <filesystem>
#include <vector>

#include "AppTestSupport.h"
#include "app/Controls.h"
#include "app/Main.h"
#include "app/SourceEditor.h"
#include "fan/QmFan.h"
#include "services/TextColours.h"

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

// 0.05 kW at 1 m³/s and 500 Pa: a tenth of the air power, an error of the
// physics check that "Verify Fan" does not see.
const char* kImpossibleFan =
    "[Catalog]\nMaker=Typo\nRange=TY\nDensity=1.2\n"
    "[T1]\nModel=400,1400,700,1600,400,400,1.8\nQa=0.5,1.0,1.5,2.0,2.5,3.0\n"
    "Ps=520,500,470,430,380,320\nPw=0.9,0.05,1.3,1.5,1.7,1.9\nLw=81,82,83,84,85,86\n";

TEST_F(Commands, CheckFanReportsThePhysicsCheckWithErrorsMarked) {
  struct Case {
    int row;  // in the file list, by name
    QString path;
    bool errors;               // the check finds errors
    bool warnings;             // and warnings
    const char* expectedLine;  // a line the report must hold; null: none
  };
  const Case cases[] = {
      // F400 alone: efficiencies above 90 % (warnings) but no error.
      {0, World.WriteFan("clean.qfn", GoodFanFile().substr(0, GoodFanFile().find("[F500]"))), false, true,
       "FX (F400)  point 5: warning: Total efficiency 93.9 % is above 90 %"},
      // The typing error's misses of the power fit fold into its error: no warning.
      {1, World.WriteFan("typo.qfn", kImpossibleFan), true, false,
       "TY (T1)  point 2: error: Shaft power 0.05 kW is below the air power 0.5234 kW (Q × Pt): impossible"},
  };
  auto form = OpenMainForm(World.FansFolder());
  const QColor red = ErrorTextColour(), orange = WarningTextColour();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    test::ClickRow(form->FileListBox1(), c.row);
    World.Boxes();
    const std::string shown = form->Fan().Model().Name;
    form->PageControl1()->setCurrentIndex(1);
    QTest::mouseClick(form->findChild<QWidget*>(QStringLiteral("Button9")), Qt::LeftButton);
    const QStringList lines = form->ReportLines();
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.mid(0, 3), (QStringList{"FAN Data file check", c.path, ""}));
    if (c.expectedLine) {
      EXPECT_TRUE(lines.contains(QString::fromUtf8(c.expectedLine))) << lines.join('\n').toStdString();
    }
    EXPECT_EQ(form->PageControl1()->currentIndex(), 0);
    EXPECT_EQ(form->Fan().Model().Name, shown) << "the window's fan model is not used";
    EXPECT_TRUE(World.Boxes().isEmpty());
    // Every error line, and only those (with the count line when there are
    // errors), is drawn in red, every warning line in orange; the count line
    // comes first and says how many.
    int errorLines = 0, redLines = 0, warningLines = 0;
    for (QTextBlock block = form->Memo1()->document()->begin(); block.isValid(); block = block.next()) {
      const auto formats = block.textFormats();
      const bool drawnRed = !formats.isEmpty() && formats.first().format.foreground().color() == red;
      const bool isError = block.text().contains(QStringLiteral(": error: "));
      if (isError) {
        ++errorLines;
        EXPECT_TRUE(drawnRed) << block.text().toStdString();
      }
      redLines += drawnRed;
      if (block.text().contains(QStringLiteral(": warning: "))) {
        ++warningLines;
        EXPECT_EQ(formats.isEmpty() ? QColor() : formats.first().format.foreground().color(), orange);
      }
    }
    EXPECT_EQ(errorLines > 0, c.errors) << lines.join('\n').toStdString();
    EXPECT_EQ(redLines, errorLines + (c.errors ? 1 : 0));
    EXPECT_EQ(warningLines > 0, c.warnings);
    EXPECT_TRUE(lines[3].startsWith(QString::number(errorLines) + QStringLiteral(" error")))
        << lines[3].toStdString();
    // Errors before warnings before notes; the notes on single points behind the box.
    int lastLevel = 0;
    for (const QString& line : lines) {
      const int level = line.contains(QStringLiteral(": error: "))     ? 1
                        : line.contains(QStringLiteral(": warning: ")) ? 2
                        : line.contains(QStringLiteral(": note: "))    ? 3
                                                                       : lastLevel;
      EXPECT_GE(level, lastLevel) << line.toStdString();
      lastLevel = level;
    }
    EXPECT_FALSE(lines.join('\n').contains(QStringLiteral("point 1: note: ")));
    form->ShowEveryPoint()->setChecked(true);
    EXPECT_TRUE(form->ReportLines().join('\n').contains(QStringLiteral("point 1: note: Q 0.5 m³/s")));
    EXPECT_EQ(form->ReportLines().mid(0, 4), lines.mid(0, 4));
    form->ShowEveryPoint()->setChecked(false);
    EXPECT_EQ(form->ReportLines(), lines);
  }
}

TEST_F(Commands, CheckFanWithNothingLoaded) {
  auto form = OpenMainForm();
  form->ActionCheckFan()->trigger();
  EXPECT_EQ(form->ReportLines(), QStringList{QStringLiteral("You must select a fan range to check")});
}

TEST_F(Commands, InstallRefusesAFileWithErrors) {
  World.WriteFan("bad.qfn", BadFanFile());
  World.WriteFan("typo.qfn", kImpossibleFan);
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ActionInstallFan()->trigger();
  // The refusal names the errors, in the error colour.
  QStringList expected{"", "There are errors in this fan data file", "Please VERIFY before installing...",
                       "3 errors, found by Verify Fan: the file is not installed", ""};
  expected << BadLines;
  EXPECT_EQ(form->ReportLines(), expected);
  const QTextBlock last = form->Memo1()->document()->lastBlock();
  ASSERT_FALSE(last.textFormats().isEmpty());
  EXPECT_EQ(last.textFormats().first().format.foreground().color(), ErrorTextColour());
  EXPECT_FALSE(IsInstalled("bad.qfn"));

  // A file that verifies clean but fails the physics check says which command lists its errors.
  test::ClickRow(form->FileListBox1(), 1);
  form->ActionInstallFan()->trigger();
  const QStringList lines = form->ReportLines();
  ASSERT_GE(lines.size(), 6);
  EXPECT_EQ(lines[3], QStringLiteral("2 errors, found by Check Fan: the file is not installed"));
  EXPECT_TRUE(lines[5].startsWith(QStringLiteral("TY (T1)  point 2: check error: Total efficiency")))
      << lines[5].toStdString();
  EXPECT_FALSE(IsInstalled("typo.qfn"));
}

TEST_F(Commands, InstallCopiesTheVerifiedFileReplacingAnOlderCopy) {
  const std::string bytes = GoodFanFile();
  World.WriteFan("fx.qfn", bytes);
  QDir().mkpath(World.DatabaseFolder());
  World.Dir().Write("db/fx.qfn", "old copy");
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ActionVerifyFan()->trigger();
  form->PageControl1()->setCurrentIndex(1);
  QTest::mouseClick(form->findChild<QWidget*>(QStringLiteral("Button1")), Qt::LeftButton);
  EXPECT_EQ(Installed("fx.qfn"), bytes);
  // What was done replaces the verification's report, on the Data page.
  QString folder = World.DatabaseFolder();
  folder.chop(1);
  EXPECT_EQ(form->ReportLines(), QStringList{QStringLiteral("Installed fx.qfn into ") + folder});
  EXPECT_EQ(form->PageControl1()->currentIndex(), 0);
  EXPECT_EQ(form->Fan().Model().Name, "F400") << "the model shown stays current";
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
  form->ActionVerifyFan()->trigger();
  form->ActionInstallFan()->trigger();
  const QStringList report = form->ReportLines();
  ASSERT_EQ(report.size(), 1) << "the earlier report is replaced";
  // The folder and the reason.
  EXPECT_TRUE(report[0].startsWith(QStringLiteral("Cannot create the database folder ") +
                                   World.DatabaseFolder().chopped(1)))
      << report[0].toStdString();
  EXPECT_TRUE(report[0].endsWith(QStringLiteral("Not a directory")) ||
              report[0].contains(QStringLiteral("exists")))
      << report[0].toStdString();
}

// In the all-files loops a reader's box says which file and model it is about.
TEST_F(Commands, BoxesOfTheLoopsNameTheFileAndTheModel) {
  World.WriteFan("a.qfn", GoodFanFile("A"));
  World.WriteFan("b.qfn",
                 "[Catalog]\nRange=B\n[B1]\nModel=400,1450,900,1600,0,0,1.5\nQa=0.5,0.8,1.1,1.4,1.7,2.0\n"
                 "Ps=620,610,590,560,515,450\nPw=0.6,0.7,0.8,0.9,1.0,1.1\nLw=79,79,80,80,81,82\n");
  auto form = OpenMainForm(World.FansFolder());
  for (QAction* action : {form->ActionVerifyAll(), form->ActionInstallAll()}) {
    SCOPED_TRACE(action->objectName().toStdString());
    action->trigger();
    const QStringList boxes = World.Boxes();
    ASSERT_EQ(boxes.size(), 1) << boxes.join(" | ").toStdString();
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Blowden: Bad area specification...\nIn b.qfn, model B1")))
        << boxes[0].toStdString();
  }
  // A file clicked by itself needs no such line.
  test::ClickRow(form->FileListBox1(), 1);
  EXPECT_EQ(World.Boxes(), QStringList{QStringLiteral("Blowden: Bad area specification...")});
}

// File > New: a catalogue from the template, where the user says, listed,
// selected and loaded, ready for its first model.
TEST_F(Commands, NewWritesTheTemplateAndLoadsIt) {
  World.WriteFan("a.qfn", GoodFanFile("A"));
  auto form = OpenMainForm(World.FansFolder());
  QString asked;
  form->AskNewFileName = [&](const QString& folder) {
    asked = folder;
    return World.FansFolder() + QStringLiteral("/started");  // the extension is added
  };
  form->ActionNew()->trigger();
  EXPECT_EQ(asked, World.FansFolder());
  const QString path = World.FansFolder() + QStringLiteral("/started.qfn");
  EXPECT_EQ(ToQ(ReadFileBytes(path.toStdString())), TBlowdenForm::NewCatalogueText());
  EXPECT_EQ(form->FileListBox1()->SelectedText(), QStringLiteral("started.qfn"));
  EXPECT_EQ(ToQ(form->Fan().FileName()), path);
  EXPECT_EQ(form->SynEdit1()->FileName(), path);
  EXPECT_EQ(form->SynEdit1()->Text(), TBlowdenForm::NewCatalogueText());
  EXPECT_EQ(form->FansListBox()->count(), 0) << "the example model is a comment";
  EXPECT_EQ(form->StatusText(), path);
  EXPECT_TRUE(World.Boxes().isEmpty());
  // Its example, with the semicolons removed, is a model that verifies.
  const QString example = TBlowdenForm::NewCatalogueText()
                              .replace(QStringLiteral("\n;["), QStringLiteral("\n["))
                              .replace(QStringLiteral("\n;Model"), QStringLiteral("\nModel"))
                              .replace(QStringLiteral("\n;Q"), QStringLiteral("\nQ"))
                              .replace(QStringLiteral("\n;P"), QStringLiteral("\nP"))
                              .replace(QStringLiteral("\n;L"), QStringLiteral("\nL"));
  World.WriteFan("example.qfn", example.toStdString());
  TFan fan;
  fan.LoadFromFile((World.FansFolder() + QStringLiteral("/example.qfn")).toStdString());
  ASSERT_EQ(fan.Models(), std::vector<std::string>{"Example 450"});
  EXPECT_EQ(fan.Verify(), 0) << (fan.Errors().empty() ? "" : fan.Errors()[0]);

  // Cancelled: nothing is written.
  form->AskNewFileName = [](const QString&) { return QString(); };
  form->ActionNew()->trigger();
  EXPECT_EQ(QDir(World.FansFolder()).entryList(QDir::Files).size(), 3);
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
  EXPECT_EQ(ToQ(form->Fan().FileName()), World.FansFolder() + QStringLiteral("/c.qfn"));
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
  expected << BadLines << " (M1)  'abc' is not a valid floating point value in \"Qa\"";
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
