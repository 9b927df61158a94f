// The windows never cost the user a byte: a full disk, a file changed or
// deleted elsewhere, unsaved edits on close or on switching files, line
// ends of every kind, files too large for memory, floods of boxes.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QTest>
#include <QTextBlock>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "AppTestSupport.h"
#include "app/Controls.h"
#include "app/Main.h"
#include "app/SourceEditor.h"
#include "base/IniFile.h"
#include "fan/QmFan.h"
#include "services/FileLock.h"
#include "services/MessageBox.h"
#include "services/SafeWrite.h"

namespace blowden {
namespace {

using test::GoodFanFile;
using test::OpenMainForm;
using test::ReadFileBytes;
using test::TAppWorld;
using test::ToQ;
using test::TTempDir;

// --- text fidelity -----------------------------------------------------------

TEST(SourceEditorLineEnds, EachLineKeepsItsOwnEnding) {
  struct Case {
    const char* name;
    std::string bytes;
    int line;  // the line that gets " ;x" appended
    std::string saved;
  };
  const Case cases[] = {
      {"first line CRLF, the rest LF", "[A]\r\nK=1\nL=2\n", 2, "[A]\r\nK=1\nL=2 ;x\n"},
      {"\\r\\r\\n stays", "[A]\r\r\nK=1\r\r\n", 1, "[A]\r\r\nK=1 ;x\r\r\n"},
      {"U+2029 stays", "[A]\xE2\x80\xA9K=1\nL=2\n", 0, "[A] ;x\xE2\x80\xA9K=1\nL=2\n"},
      {"CR-only", "[A]\rK=1\rL=2\r", 1, "[A]\rK=1 ;x\rL=2\r"},
      {"Windows-1252, mixed", "[A]\r\nU=m\xB3\nV=2\r", 1, "[A]\r\nU=m\xB3 ;x\nV=2\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir dir;
    const QString path = ToQ(dir.Write("a.qfn", c.bytes));
    TSourceEditor editor;
    editor.LoadFromFile(path);
    editor.SaveToFile(path);
    EXPECT_EQ(ReadFileBytes(path.toStdString()), c.bytes) << "no edit, same bytes";
    QTextCursor cursor(editor.document()->findBlockByNumber(c.line));
    cursor.movePosition(QTextCursor::EndOfBlock);
    editor.setTextCursor(cursor);
    QTest::keyClicks(&editor, QStringLiteral(" ;x"));
    editor.SaveToFile(path);
    EXPECT_EQ(ReadFileBytes(path.toStdString()), c.saved);
  }
}

TEST(SourceEditorLineEnds, NewLinesTakeTheFirstEndingAndOddCharactersRoundTrip) {
  TTempDir dir;
  const QString path = ToQ(dir.Write("a.qfn", "[A]\rK=1\r"));
  TSourceEditor editor;
  editor.LoadFromFile(path);
  EXPECT_EQ(editor.LineEnding(), QStringLiteral("\r"));
  editor.moveCursor(QTextCursor::End);
  QTest::keyClicks(&editor, QStringLiteral("L=2"));
  QTest::keyClick(&editor, Qt::Key_Return);
  QTest::keyClicks(&editor, QStringLiteral("M=3"));
  editor.SaveToFile(path);
  EXPECT_EQ(ReadFileBytes(path.toStdString()), "[A]\rK=1\rL=2\rM=3");

  static const char kOdd[] = "[A]\nN=a\0b\nF=\f\nS=\xE2\x80\xA8|\xEF\xBB\xBF|\t\n";
  const std::string odd(kOdd, sizeof kOdd - 1);  // the NUL inside counts, the closing one not
  const QString oddPath = ToQ(dir.Write("odd.qfn", odd));
  editor.LoadFromFile(oddPath);
  editor.SaveToFile(oddPath);
  EXPECT_EQ(ReadFileBytes(oddPath.toStdString()), odd);
}

TEST(SourceEditorLineEnds, TheFanModelReadsCrOnlyFiles) {
  TTempDir dir;
  std::string text = GoodFanFile();
  for (char& c : text)
    if (c == '\n') c = '\r';
  const std::string path = dir.Write("cr.qfn", text);
  TFan fan;
  fan.LoadFromFile(path);
  EXPECT_EQ(fan.Models(), (std::vector<std::string>{"F400", "F500"}));
  fan.SelectModel("F500");
  EXPECT_EQ(fan.Status(), fsReady);
}

// --- full disk ---------------------------------------------------------------

TEST(SourceEditorFullDisk, ASaveThatDoesNotFitKeepsTheOldFileAndSaysWhy) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root; the fault seam test covers it";
  TTempDir dir;
  if (::mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=128k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
  const std::string old = GoodFanFile();
  const QString path = ToQ(dir.Write("a.qfn", old));
  {
    std::ofstream filler(dir.File("filler"), std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), std::streamsize(block.size()))) filler.flush();
  }
  TSourceEditor editor;
  editor.LoadFromFile(path);
  editor.moveCursor(QTextCursor::End);
  editor.insertPlainText(QString(20000, QLatin1Char('x')));
  try {
    editor.SaveToFile(path);
    ADD_FAILURE() << "the save should fail";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + path.toStdString() + "\". " + std::strerror(ENOSPC));
  }
  EXPECT_EQ(ReadFileBytes(path.toStdString()), old);
  ::umount2(dir.Path().c_str(), MNT_DETACH);
}

class DataSafety : public testing::Test {
 protected:
  ~DataSafety() override { SetWriteFaultForTesting(nullptr); }

  // The main window with a.qfn loaded and " ;edit" typed at its end.
  std::unique_ptr<TBlowdenForm> EditedForm(bool autoSave) {
    A = World.WriteFan("a.qfn", GoodFanFile("A"));
    World.WriteFan("b.qfn", GoodFanFile("B"));
    auto form = OpenMainForm(World.FansFolder());
    form->CBAutoSave()->setChecked(autoSave);
    test::ClickRow(form->FileListBox1(), 0);
    form->SynEdit1()->moveCursor(QTextCursor::End);
    QTest::keyClicks(form->SynEdit1(), QStringLiteral("; edit"));
    EXPECT_TRUE(form->SynEdit1()->Modified());
    return form;
  }
  static void FailWrites(int error) {
    SetWriteFaultForTesting([error](TWriteStep step) { return step == TWriteStep::Write ? error : 0; });
  }
  // Sends the window a close request as the window system does.
  static bool CloseAccepted(TBlowdenForm& form) {
    QCloseEvent event;
    QCoreApplication::sendEvent(&form, &event);
    return event.isAccepted();
  }

  TAppWorld World;
  QString A;
};

TEST_F(DataSafety, EveryEditorWriteReportsAFullDiskAndKeepsTheFile) {
  struct Case {
    const char* name;
    std::function<void(TBlowdenForm&)> act;
  };
  const Case cases[] = {
      {"Save", [](TBlowdenForm& f) { f.ActionSave()->trigger(); }},
      {"auto save on switching files", [](TBlowdenForm& f) { test::ClickRow(f.FileListBox1(), 1); }},
      {"auto save before Verify All", [](TBlowdenForm& f) { f.ActionVerifyAll()->trigger(); }},
      {"auto save on closing", [](TBlowdenForm& f) { EXPECT_FALSE(CloseAccepted(f)) << "the window stays"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto form = EditedForm(true);
    FailWrites(ENOSPC);
    c.act(*form);
    SetWriteFaultForTesting(nullptr);
    const QStringList boxes = World.Boxes();
    ASSERT_EQ(boxes.size(), 1) << boxes.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(boxes[0], QStringLiteral("Blowden: Cannot create file \"%1\". %2")
                            .arg(A, QString::fromLocal8Bit(std::strerror(ENOSPC))));
    EXPECT_EQ(ReadFileBytes(A.toStdString()), GoodFanFile("A"));
    EXPECT_TRUE(form->SynEdit1()->Text().endsWith(QStringLiteral("; edit"))) << "the edits stay";
    EXPECT_EQ(form->SynEdit1()->FileName(), A) << "the file is not left";
    EXPECT_EQ(form->FileListBox1()->SelectedText(), QStringLiteral("a.qfn"));
  }
}

// --- changed or deleted on disk ----------------------------------------------

TEST_F(DataSafety, AFileChangedOrDeletedOnDiskIsNeverOverwrittenSilently) {
  struct Case {
    const char* name;
    bool deleted;
    const char* choice;
    const char* onDisk;  // afterwards; nullptr: no file
    bool editsKept;      // the editor still shows them
  };
  const std::string edited = GoodFanFile("A") + "; edit";
  const Case cases[] = {
      {"changed, Overwrite", false, "Overwrite", "edited", true},
      {"changed, Reload from disk", false, "Reload from disk", "other", false},
      {"changed, Cancel", false, "Cancel", "other", true},
      {"deleted, Overwrite", true, "Overwrite", "edited", true},
      {"deleted, Reload from disk", true, "Reload from disk", nullptr, true},
      {"deleted, Cancel", true, "Cancel", nullptr, true},
  };
  const std::string other = GoodFanFile("A") + "; written by another program\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto form = EditedForm(false);
    if (c.deleted)
      QFile::remove(A);
    else
      World.WriteFan("a.qfn", other);
    TMessageBox::SetNextChoice(QString::fromLatin1(c.choice));
    form->ActionSave()->trigger();
    const QStringList boxes = World.Boxes();
    ASSERT_GE(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(c.deleted ? QStringLiteral("was deleted or moved")
                                            : QStringLiteral("was changed on disk")))
        << boxes[0].toStdString();
    if (!c.onDisk) {
      EXPECT_FALSE(QFile::exists(A)) << "a deleted file is not made again";
    } else {
      EXPECT_EQ(ReadFileBytes(A.toStdString()), std::string(c.onDisk) == "edited" ? edited : other);
    }
    EXPECT_EQ(form->SynEdit1()->Text().endsWith(QStringLiteral("; edit")), c.editsKept);
    if (std::string(c.choice) == "Reload from disk" && !c.deleted) {
      EXPECT_TRUE(form->SynEdit1()->Text().endsWith(QStringLiteral("another program\n")));
    }
  }
}

TEST_F(DataSafety, AFileTouchedButNotChangedSavesWithoutAsking) {
  auto form = EditedForm(false);
  World.WriteFan("a.qfn", GoodFanFile("A"));  // the same bytes, a new time
  form->ActionSave()->trigger();
  EXPECT_TRUE(World.Boxes().isEmpty());
  EXPECT_EQ(ReadFileBytes(A.toStdString()), GoodFanFile("A") + "; edit");
}

TEST_F(DataSafety, ASaveWaitsForAnotherWritersLockAndThenSaysSo) {
  auto form = EditedForm(false);
  SetDefaultLockWaitForTesting(std::chrono::milliseconds(200));
  TFileLock held;
  ASSERT_EQ(held.LockFile(A.toStdString()), "");
  form->ActionSave()->trigger();
  SetDefaultLockWaitForTesting(std::chrono::milliseconds(0));
  const QStringList boxes = World.Boxes();
  ASSERT_EQ(boxes.size(), 1) << boxes.join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(boxes[0],
            QStringLiteral("Blowden: Cannot save \"%1\": another program is changing it (still locked "
                           "after 0.2 s). The edits stay in the editor; save again later.")
                .arg(A));
  EXPECT_EQ(ReadFileBytes(A.toStdString()), GoodFanFile("A"));
  EXPECT_TRUE(form->SynEdit1()->Modified());
  held.Unlock();
  form->ActionSave()->trigger();
  EXPECT_EQ(ReadFileBytes(A.toStdString()), GoodFanFile("A") + "; edit");
}

// --- unsaved edits on close and on switching ---------------------------------

TEST_F(DataSafety, AnUndoAfterASaveIsAnEditLikeAnyOther) {
  struct Case {
    const char* name;
    bool autoSave;
    const char* typedAfterSave;  // then undone with the rest
  };
  const Case cases[] = {
      {"Auto save off", false, ""},
      {"Auto save on", true, ""},
      {"Auto save off, typed on after the save", false, " more"},
      {"Auto save on, typed on after the save", true, " more"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto form = EditedForm(c.autoSave);
    form->ActionSave()->trigger();
    ASSERT_EQ(ReadFileBytes(A.toStdString()), GoodFanFile("A") + "; edit");
    QTest::keyClicks(form->SynEdit1(), QString::fromLatin1(c.typedAfterSave));
    QTest::keyClick(form->SynEdit1(), Qt::Key_Z, Qt::ControlModifier);
    const QByteArray undone = form->SynEdit1()->Bytes();
    ASSERT_NE(undone.toStdString(), GoodFanFile("A") + "; edit") << "the undo changed nothing";
    EXPECT_TRUE(form->SynEdit1()->Modified()) << "the text differs from the file";
    if (!c.autoSave) TMessageBox::SetNextChoice(QStringLiteral("Save"));
    test::ClickRow(form->FileListBox1(), 1);
    const QStringList boxes = World.Boxes();
    ASSERT_EQ(boxes.size(), c.autoSave ? 0 : 1) << boxes.join(QStringLiteral(" | ")).toStdString();
    if (!c.autoSave) {
      EXPECT_TRUE(boxes[0].contains(QStringLiteral("has edits that are not saved")));
    }
    EXPECT_EQ(ReadFileBytes(A.toStdString()), undone.toStdString()) << "the undone text is what was saved";
    EXPECT_TRUE(form->SynEdit1()->FileName().endsWith(QStringLiteral("b.qfn")));
  }
}

TEST(SourceEditorModified, ATextBackToTheSavedBytesOrAwayFromThemIsJudgedByTheBytes) {
  TTempDir dir;
  const QString path = ToQ(dir.Write("a.qfn", "[A]\nK=1\n"));
  TSourceEditor editor;
  editor.LoadFromFile(path);
  editor.moveCursor(QTextCursor::End);
  QTest::keyClicks(&editor, QStringLiteral("L=2"));
  editor.SaveToFile(path);
  editor.undo();
  EXPECT_EQ(editor.Text(), QStringLiteral("[A]\nK=1\n"));
  EXPECT_TRUE(editor.Modified()) << "the file holds L=2";
  editor.redo();
  EXPECT_TRUE(editor.Modified()) << "the flag set by an edit stays as it was";
  editor.SetModified(false);
  EXPECT_FALSE(editor.Modified());
  editor.undo();
  EXPECT_TRUE(editor.Modified()) << "an undo after the flag was cleared";
  editor.LoadFromFile(path);
  EXPECT_FALSE(editor.Modified());
}

TEST_F(DataSafety, UnsavedEditsOnCloseAndSwitchingAreSavedOrAskedFor) {
  struct Case {
    const char* name;
    bool autoSave;
    const char* choice;  // the answer to "Save / Discard / Cancel"; nullptr: no question
    bool close;          // close the window, else click the other file
    bool left;           // the window closed / the other file loaded
    bool saved;
  };
  const Case cases[] = {
      {"close, auto save", true, nullptr, true, true, true},
      {"close, Save", false, "Save", true, true, true},
      {"close, Discard", false, "Discard", true, true, false},
      {"close, Cancel", false, "Cancel", true, false, false},
      {"switch, Save", false, "Save", false, true, true},
      {"switch, Discard", false, "Discard", false, true, false},
      {"switch, Cancel", false, "Cancel", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto form = EditedForm(c.autoSave);
    if (c.choice) TMessageBox::SetNextChoice(QString::fromLatin1(c.choice));
    bool left;
    if (c.close) {
      left = CloseAccepted(*form);
    } else {
      test::ClickRow(form->FileListBox1(), 1);
      left = form->SynEdit1()->FileName().endsWith(QStringLiteral("b.qfn"));
    }
    EXPECT_EQ(left, c.left);
    const QStringList boxes = World.Boxes();
    EXPECT_EQ(boxes.size(), c.choice ? 1 : 0);
    if (c.choice) {
      EXPECT_TRUE(boxes.value(0).contains(QStringLiteral("has edits that are not saved")));
    }
    EXPECT_EQ(ReadFileBytes(A.toStdString()), GoodFanFile("A") + (c.saved ? "; edit" : ""));
    if (!c.left) {
      EXPECT_TRUE(form->SynEdit1()->Modified());
      EXPECT_EQ(form->FileListBox1()->SelectedText(), QStringLiteral("a.qfn"));
    }
  }
}

TEST_F(DataSafety, KeepsModeAndOwnerOnSave) {
  auto form = EditedForm(true);
  ASSERT_EQ(::chmod(A.toLocal8Bit().constData(), 0604), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(A.toLocal8Bit().constData(), 4321, 8765), 0);
  }
  form->ActionSave()->trigger();
  struct stat st {};
  ASSERT_EQ(::stat(A.toLocal8Bit().constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
  }
}

// --- big files, memory, floods -----------------------------------------------

TEST_F(DataSafety, LargeFilesLoadInTheBackgroundAndCanBeCancelled) {
  World.WriteFan("a.qfn", GoodFanFile("A"));
  World.WriteFan("b.qfn", GoodFanFile("B"));
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  form->SetBackgroundLoadThreshold(0);

  // Cancelled: the first file stays, with its row.
  test::ClickRow(form->FileListBox1(), 1);
  ASSERT_TRUE(form->Loading());
  ASSERT_NE(form->LoadProgress(), nullptr);
  EXPECT_EQ(form->LoadProgress()->labelText(), QStringLiteral("Loading b.qfn (0 MB)..."));
  form->CancelLoad();
  EXPECT_FALSE(form->Loading());
  EXPECT_EQ(ToQ(form->Fan().FileName()), World.FansFolder() + QStringLiteral("/a.qfn"));
  EXPECT_EQ(form->FileListBox1()->SelectedText(), QStringLiteral("a.qfn"));
  EXPECT_TRUE(form->SynEdit1()->Text().contains(QStringLiteral("Range=A")));

  // Finished: the second file is shown.
  test::ClickRow(form->FileListBox1(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Loading(); }, 10000));
  EXPECT_EQ(ToQ(form->Fan().FileName()), World.FansFolder() + QStringLiteral("/b.qfn"));
  EXPECT_TRUE(form->SynEdit1()->Text().contains(QStringLiteral("Range=B")));
  EXPECT_EQ(form->FansListBox()->count(), 2);
  EXPECT_TRUE(World.Boxes().isEmpty());
}

TEST_F(DataSafety, ALongModelsListIsCompleteAtOnceAndGoesWithTheNextFile) {
  // Longer than the list lays out at a time: the names come from one list.
  std::string text = test::GoodFanFile("L");
  constexpr int kExtra = 49998;
  for (int i = 0; i < kExtra; ++i) text += "[X" + std::to_string(100000 + i) + "]\nQa=1\n";
  World.WriteFan("a.qfn", GoodFanFile("A"));
  World.WriteFan("long.qfn", text);
  auto form = OpenMainForm(World.FansFolder());
  form->SetBackgroundLoadThreshold(0);
  test::ClickRow(form->FileListBox1(), test::RowOf(form->FileListBox1(), QStringLiteral("long.qfn")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Loading(); }, 20000));

  TNameListBox* list = form->FansListBox();
  ASSERT_EQ(list->count(), 2 + kExtra);
  ASSERT_EQ(form->Fan().Models().size(), std::size_t(2 + kExtra));
  EXPECT_EQ(list->Text(0), QStringLiteral("F400"));
  EXPECT_EQ(list->Text(2), QStringLiteral("X100000"));
  EXPECT_EQ(list->Text(1 + kExtra), ToQ(form->Fan().Models().back()));
  EXPECT_EQ(list->SelectedText(), QStringLiteral("F400"));
  EXPECT_EQ(ToQ(form->Fan().Model().Name), QStringLiteral("F400"));
  EXPECT_TRUE(World.Boxes().isEmpty());

  // The last name is there to be chosen at once.
  list->setFocus();
  QTest::keyClick(list, Qt::Key_End);
  EXPECT_EQ(list->SelectedText(), QStringLiteral("X%1").arg(100000 + kExtra - 1));
  EXPECT_EQ(ToQ(form->Fan().Model().Name), list->SelectedText());
  World.Boxes();  // that model has too few points
  // ... and shown once the list has laid it out.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return list->viewport()->rect().intersects(list->visualRect(list->currentIndex())); }, 20000));
  EXPECT_EQ(list->SelectedText(), QStringLiteral("X%1").arg(100000 + kExtra - 1));

  // The next file replaces the list and the fan model's names.
  test::ClickRow(form->FileListBox1(), test::RowOf(form->FileListBox1(), QStringLiteral("a.qfn")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Loading(); }, 20000));
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(form->Fan().Models().size(), 2u);
  EXPECT_EQ(list->SelectedText(), QStringLiteral("F400"));
  EXPECT_TRUE(form->SynEdit1()->Text().contains(QStringLiteral("Range=A")));
}

TEST_F(DataSafety, AFileTooLargeForMemoryIsSaidPlainlyAndThePreviousStays) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's allocator aborts instead of failing a huge allocation";
#else
  std::ifstream overcommit("/proc/sys/vm/overcommit_memory");
  int mode = 0;
  if (overcommit >> mode && mode == 1)
    GTEST_SKIP() << "unlimited memory overcommit: no allocation fails at once";
  World.WriteFan("a.qfn", GoodFanFile("A"));
  const QString huge = World.WriteFan("huge.qfn", "");
  if (::truncate(huge.toLocal8Bit().constData(), off_t(1) << 40) != 0)
    GTEST_SKIP() << "no 1 TiB sparse file here: " << std::strerror(errno);
  for (const qint64 threshold : {qint64(1) << 50, qint64(0)}) {
    SCOPED_TRACE(threshold ? "at once" : "in the background");
    auto form = OpenMainForm(World.FansFolder());
    test::ClickRow(form->FileListBox1(), 0);
    form->SetBackgroundLoadThreshold(threshold);
    test::ClickRow(form->FileListBox1(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Loading(); }, 10000));
    EXPECT_EQ(World.Boxes(),
              QStringList{QStringLiteral("Blowden: Not enough memory to open %1 (1048576 MB)").arg(huge)});
    EXPECT_EQ(ToQ(form->Fan().FileName()), World.FansFolder() + QStringLiteral("/a.qfn"));
    EXPECT_EQ(form->FansListBox()->count(), 2);
    EXPECT_EQ(form->FileListBox1()->SelectedText(), QStringLiteral("a.qfn"));
  }
#endif
}

TEST_F(DataSafety, BoxesRaisedInALoopAreCollected) {
  // 30 models whose outlet has no area: a box each while verifying.
  std::string text = "[Catalog]\nRange=AR\n";
  for (int i = 0; i < 30; ++i)
    text += "[M" + std::to_string(i) +
            "]\nModel=400,1450,900,1600,0,0,1.5\nQa=0.5,0.8,1.1,1.4,1.7,2.0\nPs=620,610,590,560,515,450\n"
            "Pw=0.6,0.7,0.8,0.9,1.0,1.1\nLw=79,79,80,80,81,82\n";
  World.WriteFan("area.qfn", text);
  auto form = OpenMainForm(World.FansFolder());
  test::ClickRow(form->FileListBox1(), 0);
  World.Boxes();  // the first model's box, shown on loading
  form->ActionVerifyFan()->trigger();
  const QStringList boxes = World.Boxes();
  ASSERT_EQ(boxes.size(), 1) << boxes.join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(boxes[0], QStringLiteral(
                          "Blowden: Bad area specification...\n\nand 29 more like it \u2014 see the report"));
  EXPECT_EQ(form->ReportLines().filter(QStringLiteral("Bad area specification...")).size(), 29);

  form->ActionVerifyAll()->trigger();
  EXPECT_EQ(World.Boxes().size(), 1);
}

}  // namespace
}  // namespace blowden
