#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QTreeView>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/BlowdenApplication.h"
#include "app/Controls.h"
#include "app/Main.h"
#include "app/ModelView.h"
#include "app/SourceEditor.h"
#include "base/Convert.h"
#include "fan/QmFan.h"
#include "services/MessageBox.h"
#include "services/QmVerInfo.h"
#include "services/Settings.h"

namespace blowden {
namespace {

using test::GoodFanFile;
using test::OpenMainForm;
using test::ReadFileBytes;
using test::RowOf;
using test::TAppWorld;
using test::ToQ;

class MainForm : public testing::Test {
 protected:
  TAppWorld World;
};

TEST_F(MainForm, StartsWithTheDesignState) {
  auto form = OpenMainForm();
  EXPECT_EQ(form->objectName(), QStringLiteral("BlowdenForm"));
  EXPECT_EQ(form->windowTitle(), ToQ(VersionTitle(std::string())));
  EXPECT_EQ(form->StatusText(), QStringLiteral("..."));
  EXPECT_EQ(form->PageControl1()->currentIndex(), 0);
  EXPECT_EQ(form->PageControl1()->tabText(0), QStringLiteral("&Data"));
  EXPECT_EQ(form->PageControl1()->tabText(1), QStringLiteral("&Plot"));
  EXPECT_EQ(form->PageControl1()->tabText(2), QStringLiteral("&Edit"));
  EXPECT_TRUE(form->CBAutoSave()->isChecked());
  EXPECT_EQ(form->FansListBox()->count(), 0);
  EXPECT_TRUE(form->SynEdit1()->Text().isEmpty());
  EXPECT_TRUE(form->ReportLines().isEmpty());
  EXPECT_EQ(form->Fan().Status(), fsNotLoaded);
  // First start: the folder list shows the program's folder.
  EXPECT_EQ(form->LastPath(), QDir::cleanPath(World.ProgramFolder()));
}

TEST_F(MainForm, MenusButtonsAndActionsCarryTheirCaptions) {
  auto form = OpenMainForm();
  QStringList menus;
  for (QAction* action : form->menuBar()->actions()) menus << action->text();
  EXPECT_EQ(menus, (QStringList{"&File", "&Verify", "Install", "&Select", "&Help"}));
  // The selector has a menu item and a shortcut of its own.
  EXPECT_EQ(form->menuBar()->actions()[3]->menu()->actions(), (QList<QAction*>{form->ActionTest()}));
  EXPECT_EQ(form->ActionTest()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  QStringList fileItems;
  for (QAction* action : form->menuBar()->actions()[0]->menu()->actions())
    fileItems << (action->isSeparator() ? QStringLiteral("-") : action->text());
  EXPECT_EQ(fileItems, (QStringList{"&New…", "&Save", "&Manage database", "-", "&Import table…",
                                    "&Derive model…", "-", "E&xit"}));

  struct Case {
    const char* button;
    QAction* action;
    const char* caption;
    const char* text;
  };
  const Case cases[] = {
      {"Button3", form->ActionSave(), "&Save", "Save"},
      {"Button2", form->ActionVerifyFan(), "Verify &Fan", "Verify Fan"},
      {"Button9", form->ActionCheckFan(), "&Check Fan", "Check Fan"},
      {"Button1", form->ActionInstallFan(), "Install &Fan", "Install Fan"},
      {"Button5", form->ActionVerifyAll(), "Verify &All", "Verify All"},
      {"Button6", form->ActionInstallAll(), "Install &All", "Install All"},
      {"Button7", form->ActionTest(), "Fan&Select", "FanSelect"},
      {"Button4", form->ActionHelp(), "Help &Index", "Help Index"},
      {"Button8", form->ActionImport(), "&Import table…", "Import table…"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    auto* button = form->findChild<QPushButton*>(QString::fromLatin1(c.button));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(c.action->text(), QString::fromUtf8(c.caption));
  }
  EXPECT_EQ(form->CBAutoSave()->text(), QStringLiteral("&Auto save"));
}

TEST_F(MainForm, NamedControlsPublishTheirNames) {
  auto form = OpenMainForm();
  const char* names[] = {"Panel2",
                         "Button1",
                         "Button2",
                         "Button3",
                         "Button4",
                         "Button5",
                         "Button6",
                         "Button7",
                         "CBAutoSave",
                         "Panel1",
                         "DirectoryListBox1",
                         "FileListBox1",
                         "FansListBox",
                         "PageControl1",
                         "TabSheet1",
                         "TabSheet2",
                         "Edit",
                         "Memo1",
                         "SynEdit1",
                         "GraphPanel1",
                         "GraphPanel2",
                         "GraphPanel3",
                         "Label2",
                         "Label3",
                         "Label4",
                         "Label5",
                         "Label6",
                         "Label7",
                         "StatusBar1",
                         "MainMenu1"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    QWidget* control = form->findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->accessibleDescription(), QString::fromLatin1(name));
    // A name a person understands: set, or the control's own text.
    const bool hasText = !control->accessibleName().isEmpty() || qobject_cast<QPushButton*>(control) ||
                         qobject_cast<QCheckBox*>(control) || qobject_cast<QLabel*>(control);
    EXPECT_TRUE(hasText);
  }
}

TEST_F(MainForm, ChoosingAFolderListsItsFanFiles) {
  World.WriteFan("b.qfn", GoodFanFile());
  World.WriteFan("A.QFN", GoodFanFile());
  World.WriteFan("notes.txt", "x");
  World.WriteFan(".hidden.qfn", GoodFanFile());
  QDir(World.FansFolder()).mkpath(QStringLiteral("sub.qfn"));
  auto form = OpenMainForm(World.FansFolder());
  EXPECT_EQ(form->LastPath(), World.FansFolder());
  QStringList files;
  for (int row = 0; row < form->FileListBox1()->count(); ++row)
    files << form->FileListBox1()->item(row)->text();
  EXPECT_EQ(files, (QStringList{"A.QFN", "b.qfn"}));
  EXPECT_EQ(form->FileListBox1()->ItemIndex(), -1);
}

TEST_F(MainForm, ClickingAFileLoadsItsModelsAndText) {
  const QString path = World.WriteFan("fx.qfn", GoodFanFile());
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  EXPECT_EQ(form->StatusText(), path);
  ASSERT_EQ(form->FansListBox()->count(), 2);
  EXPECT_EQ(form->FansListBox()->Text(0), QStringLiteral("F400"));
  EXPECT_EQ(form->FansListBox()->ItemIndex(), 0);
  EXPECT_EQ(form->Fan().Model().Name, "F400");
  EXPECT_EQ(form->SynEdit1()->Text(), ToQ(GoodFanFile()));
  EXPECT_EQ(form->SynEdit1()->FileName(), path);
  EXPECT_FALSE(form->SynEdit1()->Modified());

  test::ClickRow(form->FansListBox(), 1);
  EXPECT_EQ(form->Fan().Model().Name, "F500");
  // Keyboard: Up makes the first model current again.
  QTest::keyClick(form->FansListBox(), Qt::Key_Up);
  EXPECT_EQ(form->Fan().Model().Name, "F400");
}

TEST_F(MainForm, ClickingTheSelectedFileAgainReloadsIt) {
  const QString path = World.WriteFan("fx.qfn", GoodFanFile());
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  // The file changes on disk; clicking it again shows the new contents.
  World.WriteFan("fx.qfn", "[Catalog]\nRange=FX\n[Only]\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=70\n");
  test::ClickRow(form->FileListBox1(), 0);
  ASSERT_EQ(form->FansListBox()->count(), 1);
  EXPECT_EQ(form->FansListBox()->Text(0), QStringLiteral("Only"));
  EXPECT_EQ(form->StatusText(), path);
}

// A catalogue being started (its "Catalog" section alone) is a file like
// any other: its text is edited and saved; a file with no section at all
// still leaves no text of the previous file in the editor.
TEST_F(MainForm, ACatalogueWithoutModelsIsEditedAndSaved) {
  World.WriteFan("a.qfn", GoodFanFile());
  const QString empty = World.WriteFan("b.qfn", "[Catalog]\nRange=X\n");
  const QString plain = World.WriteFan("c.qfn", "no sections here\n");
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  ASSERT_FALSE(form->SynEdit1()->Text().isEmpty());
  test::ClickRow(form->FileListBox1(), 1);
  EXPECT_EQ(form->FansListBox()->count(), 0);
  EXPECT_EQ(form->StatusText(), empty);
  EXPECT_EQ(form->SynEdit1()->Text(), QStringLiteral("[Catalog]\nRange=X\n"));
  EXPECT_EQ(form->SynEdit1()->FileName(), empty);
  QTextCursor cursor(form->SynEdit1()->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(QStringLiteral("Maker=Orvane\n"));
  form->ActionSave()->trigger();
  EXPECT_TRUE(World.Boxes().isEmpty());
  EXPECT_EQ(ReadFileBytes(empty.toStdString()), "[Catalog]\nRange=X\nMaker=Orvane\n");

  test::ClickRow(form->FileListBox1(), 2);
  EXPECT_TRUE(form->SynEdit1()->Text().isEmpty()) << "no text of b.qfn may stay to be saved into c.qfn";
  form->ActionSave()->trigger();
  EXPECT_EQ(World.Boxes().size(), 1);
  EXPECT_EQ(ReadFileBytes(plain.toStdString()), "no sections here\n");
}

TEST_F(MainForm, AFileDeletedSinceListingIsNotAFanFile) {
  const QString path = World.WriteFan("a.qfn", GoodFanFile());
  auto form = OpenMainForm(World.FansFolder());
  QFile::remove(path);
  test::ClickRow(form->FileListBox1(), 0);
  EXPECT_EQ(form->StatusText(), QStringLiteral("Not a Orvane fan file..."));
  EXPECT_EQ(form->FansListBox()->count(), 0);
}

TEST_F(MainForm, AFirstModelWithoutDataIsNotAFanFile) {
  World.WriteFan("a.qfn",
                 "[Catalog]\nRange=X\n[Empty]\nRefSpeed=1450\n[Other]\nQa=1,2\nPs=2,1\nPw=1\nLw=1\n");
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  EXPECT_EQ(form->FansListBox()->count(), 2);
  EXPECT_EQ(form->StatusText(), QStringLiteral("Not a Orvane fan file..."));
  EXPECT_EQ(World.Boxes(), QStringList{QStringLiteral("Blowden: Not enough data points...")});
  EXPECT_FALSE(form->SynEdit1()->Text().isEmpty()) << "the text is there to be mended";
}

TEST_F(MainForm, ANumberThatCannotBeReadIsShownAndTheWindowStaysUsable) {
  World.WriteFan("a.qfn", "[Catalog]\nRange=X\n[M1]\nQa=0.5,abc,1\nPs=3,2,1\nPw=1\nLw=1\n");
  World.WriteFan("b.qfn", GoodFanFile());
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  EXPECT_EQ(World.Boxes(), QStringList{QStringLiteral("Blowden: 'abc' is not a valid floating point value")});
  EXPECT_EQ(form->StatusText(), QStringLiteral("Not a Orvane fan file..."));
  EXPECT_TRUE(form->SynEdit1()->Text().contains(QStringLiteral("abc")));
  test::ClickRow(form->FileListBox1(), 1);
  EXPECT_EQ(form->FansListBox()->count(), 2);
  EXPECT_EQ(form->Fan().Status(), fsReady);
}

TEST_F(MainForm, ChangingFolderClearsOnlyTheModelsList) {
  World.WriteFan("a.qfn", GoodFanFile());
  QDir(World.FansFolder()).mkpath(QStringLiteral("other"));
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ActionVerifyFan()->trigger();
  const QStringList report = form->ReportLines();
  ASSERT_TRUE(form->ChangeFolder(World.FansFolder() + QStringLiteral("/other")));
  EXPECT_EQ(form->FansListBox()->count(), 0);
  EXPECT_EQ(form->FileListBox1()->count(), 0);
  EXPECT_EQ(form->ReportLines(), report);
  EXPECT_FALSE(form->SynEdit1()->Text().isEmpty());
  EXPECT_EQ(form->LastPath(), World.FansFolder() + QStringLiteral("/other"));
}

TEST_F(MainForm, AutoSaveKeepsEditsWhenAnotherFileIsClicked) {
  const QString a =
      World.WriteFan("a.qfn", "[Catalog]\r\nRange=A\r\n[M]\r\nQa=1,2\r\nPs=2,1\r\nPw=1\r\nLw=1\r\n");
  World.WriteFan("b.qfn", GoodFanFile());
  for (const bool autoSave : {true, false}) {
    SCOPED_TRACE(autoSave ? "auto save on" : "auto save off");
    World.WriteFan("a.qfn", "[Catalog]\r\nRange=A\r\n[M]\r\nQa=1,2\r\nPs=2,1\r\nPw=1\r\nLw=1\r\n");
    auto form = OpenMainForm(World.FansFolder());
    form->CBAutoSave()->setChecked(autoSave);
    test::ClickRow(form->FileListBox1(), 0);
    form->SynEdit1()->moveCursor(QTextCursor::End);
    QTest::keyClicks(form->SynEdit1(), QStringLiteral("; edited"));
    ASSERT_TRUE(form->SynEdit1()->Modified());
    // Without auto save the user is asked; here the edits are dropped.
    if (!autoSave) TMessageBox::SetNextChoice(QStringLiteral("Discard"));
    test::ClickRow(form->FileListBox1(), 1);
    EXPECT_EQ(World.Boxes().size(), autoSave ? 0 : 1);
    EXPECT_FALSE(form->SynEdit1()->Modified());
    const std::string expected =
        autoSave ? "[Catalog]\r\nRange=A\r\n[M]\r\nQa=1,2\r\nPs=2,1\r\nPw=1\r\nLw=1\r\n; edited"
                 : "[Catalog]\r\nRange=A\r\n[M]\r\nQa=1,2\r\nPs=2,1\r\nPw=1\r\nLw=1\r\n";
    EXPECT_EQ(ReadFileBytes(a.toStdString()), expected);
  }
}

TEST_F(MainForm, SaveWritesTheEditorIntoItsFile) {
  const std::string bytes =
      "[Catalog]\r\nRange=A\r\nNote=m\xB3/s\r\n[M]\r\nQa=1,2\r\nPs=2,1\r\nPw=1\r\nLw=1\r\n";
  const QString path = World.WriteFan("a.qfn", bytes);
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->ActionSave()->trigger();
  EXPECT_EQ(ReadFileBytes(path.toStdString()), bytes) << "no edit, same bytes";
  form->SynEdit1()->moveCursor(QTextCursor::End);
  QTest::keyClicks(form->SynEdit1(), QStringLiteral("X=1"));
  QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Button3")), Qt::LeftButton);
  EXPECT_EQ(ReadFileBytes(path.toStdString()), bytes + "X=1");
  EXPECT_TRUE(form->SynEdit1()->Modified()) << "Save leaves the flag alone";
  EXPECT_TRUE(World.Boxes().isEmpty());
}

TEST_F(MainForm, SaveWithNothingLoadedSaysSo) {
  auto form = OpenMainForm();
  form->ActionSave()->trigger();
  const QStringList boxes = World.Boxes();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Blowden: There is no fan data file to save.")));
}

TEST_F(MainForm, AFailedSaveIsReportedAndTheEditsStay) {
  const QString path = World.WriteFan("a.qfn", "[Catalog]\nRange=A\n[M]\nQa=1,2\nPs=2,1\nPw=1\nLw=1\n");
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->SynEdit1()->moveCursor(QTextCursor::End);
  QTest::keyClicks(form->SynEdit1(), QStringLiteral("X=1"));
  // The file's name now belongs to a folder: the save cannot replace it
  // (the user is first told the file changed, and insists).
  QFile::remove(path);
  QDir().mkpath(path);
  TMessageBox::SetNextChoice(QStringLiteral("Overwrite"));
  form->ActionSave()->trigger();
  const QStringList boxes = World.Boxes();
  ASSERT_EQ(boxes.size(), 2);
  EXPECT_TRUE(boxes[1].startsWith(QStringLiteral("Blowden: Cannot create file \"") + path))
      << boxes[1].toStdString();
  EXPECT_TRUE(form->SynEdit1()->Text().endsWith(QStringLiteral("X=1")));
}

TEST_F(MainForm, HelpOpensTheGuideBesideTheProgram) {
  auto form = OpenMainForm();
  QUrl opened;
  form->OpenDocument = [&](const QUrl& url) {
    opened = url;
    return true;
  };
  form->ActionHelp()->trigger();
  EXPECT_EQ(opened, QUrl::fromLocalFile(World.ProgramFolder() + QStringLiteral("Help/Blowden.htm")));
  EXPECT_TRUE(World.Boxes().isEmpty());

  QFile::remove(World.ProgramFolder() + QStringLiteral("Help/Blowden.htm"));
  opened.clear();
  form->ActionHelp()->trigger();
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_EQ(World.Boxes().size(), 1);
}

TEST_F(MainForm, SettingsAreWrittenOnCloseAndReadAtTheNextStart) {
  QDir(World.FansFolder()).mkpath(QStringLiteral("last"));
  const QString last = World.FansFolder() + QStringLiteral("/last");
  QRect geometry;
  {
    auto form = OpenMainForm(last);
    // A size that fits the test screen (800 x 600): larger ones shrink to it.
    form->resize(700, 480);
    form->move(40, 30);
    geometry = form->geometry();
    form->Exit1()->trigger();
    EXPECT_FALSE(form->isVisible());
  }
  const auto settings = OpenSettings();
  EXPECT_EQ(settings->value(QStringLiteral("Settings/LastPath")).toString(), last);
  EXPECT_EQ(settings->value(QStringLiteral("BlowdenForm/Width")).toInt(), 700);
  EXPECT_EQ(settings->value(QStringLiteral("BlowdenForm/Height")).toInt(), 480);

  auto again = OpenMainForm();
  EXPECT_EQ(again->LastPath(), last);
  EXPECT_EQ(again->FileFolder(), last);
  EXPECT_EQ(again->size(), geometry.size());
}

// The folder shown is watched: files added, removed or renamed there show
// in the list without choosing the folder again, and the file selected
// stays selected.
TEST_F(MainForm, TheFileListFollowsTheFolder) {
  World.WriteFan("a.qfn", GoodFanFile());
  World.WriteFan("c.qfn", GoodFanFile());
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 1);
  const auto names = [&] {
    QStringList list;
    for (int i = 0; i < form->FileListBox1()->count(); ++i) list << form->FileListBox1()->item(i)->text();
    return list;
  };
  const QString longName = QStringLiteral("a-catalogue-with-a-name-far-too-long-for-the-list-of-files.qfn");
  World.WriteFan(longName.toStdString(), GoodFanFile());
  World.WriteFan("b.qfn", GoodFanFile());
  EXPECT_TRUE(QTest::qWaitFor([&] { return names().size() == 4; }, 5000)) << names().join(" ").toStdString();
  EXPECT_EQ(form->FileListBox1()->SelectedText(), QStringLiteral("c.qfn"));
  EXPECT_EQ(ToQ(form->Fan().FileName()), World.FansFolder() + QStringLiteral("/c.qfn")) << "nothing reloaded";
  // A name too long for the column is whole in its tooltip.
  const int row = test::RowOf(form->FileListBox1(), longName);
  ASSERT_GE(row, 0);
  EXPECT_EQ(form->FileListBox1()->item(row)->toolTip(), longName);

  QFile::remove(World.FansFolder() + QStringLiteral("/a.qfn"));
  QFile::rename(World.FansFolder() + QStringLiteral("/b.qfn"), World.FansFolder() + QStringLiteral("/d.qfn"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !names().contains("a.qfn") && names().contains("d.qfn"); }, 5000))
      << names().join(" ").toStdString();
  EXPECT_EQ(form->FileListBox1()->SelectedText(), QStringLiteral("c.qfn"));
}

// The line between the folder tree and the file list is dragged by the
// user and kept for the next start.
TEST_F(MainForm, TheFolderAndFileSplitIsRemembered) {
  QList<int> sizes;
  {
    auto form = OpenMainForm();
    ASSERT_EQ(form->Panel1()->count(), 2);
    EXPECT_GE(form->Panel1()->handleWidth(), 5);
    const int total = form->Panel1()->sizes()[0] + form->Panel1()->sizes()[1];
    form->Panel1()->setSizes({total - 120, 120});
    sizes = form->Panel1()->sizes();
    form->Exit1()->trigger();
  }
  auto again = OpenMainForm();
  EXPECT_EQ(again->Panel1()->sizes(), sizes);
}

TEST_F(MainForm, ARemovedLastFolderStartsSilentlyInTheCurrentFolder) {
  OpenSettings()->setValue(QStringLiteral("Settings/LastPath"), World.FansFolder() + QStringLiteral("/gone"));
  auto form = OpenMainForm();
  EXPECT_EQ(form->LastPath(), QDir::cleanPath(QDir::currentPath()));
  EXPECT_TRUE(World.Boxes().isEmpty());
}

TEST(StandardErrorBox, ShowsConversionAndFileErrors) {
  TAppWorld world;
  RunGuarded(nullptr, [] { throw EConvertError("'x' is not a valid integer value"); });
  RunGuarded(nullptr, [] { throw std::runtime_error("Cannot open file \"a\". No such file"); });
  RunGuarded(nullptr, [] {});
  EXPECT_EQ(world.Boxes(), (QStringList{"Blowden: 'x' is not a valid integer value",
                                        "Blowden: Cannot open file \"a\". No such file"}));
}

}  // namespace
}  // namespace blowden
