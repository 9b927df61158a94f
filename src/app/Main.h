#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "fan/CheckReport.h"
#include "selector/BoxCollector.h"
#include "services/Database.h"

class QAction;
class QCheckBox;
class QDialog;
class QFileSystemModel;
class QFileSystemWatcher;
class QTimer;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeView;
class QWidget;

namespace blowden {

class TClickListBox;
class TNameListBox;
class TFan;
class TFanForm;
class TInstalledForm;
class TModelView;
class TSourceEditor;

// A file that does not fit into memory ("Not enough memory to open <file>
// (N MB)"); nothing of it was shown, the previous file stays.
class EOutOfMemory : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The main window: browse a folder of fan data files, load one and list its
// models, see the chosen model's fits and plots (TModelView), edit and save
// the file's source text, verify files and install them into the database
// folder, and open the installed files manager and the fan selector.
//
// Everything that reads the fan model works on the file as stored on disk;
// the editor's text reaches the file through Save or the auto-save that runs
// before another file is loaded, before the all-files commands and on
// closing (with Auto save off the user is asked instead). A save never
// overwrites a file changed or deleted on disk without asking.
class TBlowdenForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TBlowdenForm(QWidget* parent = nullptr);
  ~TBlowdenForm() override;

  // The windows opened by "FanSelect" and "Manage database" (created by the
  // program entry after this one; none set: the commands do nothing).
  void SetFanForm(TFanForm* form) { FFanForm = form; }
  void SetInstalledForm(TInstalledForm* form) { FInstalledForm = form; }

  // Shows `folder` in the folder list, as the user does by choosing it
  // there. False (nothing changes) when it is no folder.
  bool ChangeFolder(const QString& folder);

  // --- handlers, public for the all-files loops and for tests -------------
  void DirectoryListBox1Change();
  void FileListBox1Click();
  void FansListBoxClick();
  void ActionSaveExecute();
  void ActionManageExecute();
  void ActionVerifyFanExecute();
  // "Check Fan": the physics check of the loaded file, read afresh by a fan
  // model of its own, reported with its errors and warnings marked.
  void ActionCheckFanExecute();
  void ActionVerifyAllExecute();
  void ActionInstallFanExecute();
  void ActionInstallAllExecute();
  void ActionHelpExecute();
  // "FanSelect": opens the fan selector (the design's name says "test").
  void ActionTestExecute();
  void ActionImportExecute();
  void ActionDeriveExecute();
  // File > New: a new catalogue from a short template, saved where the user
  // chooses, shown in the file list and loaded.
  void ActionNewExecute();
  void Exit1Click();
  void AutoSave();

  // Files larger than this load in the background, with a progress box
  // and Cancel, while the window goes on answering (tests lower it).
  void SetBackgroundLoadThreshold(qint64 bytes) { FBackgroundThreshold = bytes; }
  // A background load is running.
  bool Loading() const { return FLoad != nullptr; }
  // The progress box of the running load (none: nullptr).
  QProgressDialog* LoadProgress() const { return FLoadProgress; }
  // Stops a running load and waits for it; nothing it read is kept.
  void CancelLoad();

  // Puts a model section (UTF-8, "\n" line ends) at the end of the editor's
  // text, after an empty line, as one undo step, and shows it on the Edit
  // page; the user saves it like any edit. False, with a message box, when
  // no file is loaded or the file's encoding cannot hold the text.
  bool InsertSection(const std::string& section);
  // Runs the import and derive dialogs (QDialog::exec when not set); tests
  // fill and accept the dialog here.
  std::function<int(QDialog& dialog)> RunDialog;

  // Asks where a new catalogue goes, starting in `folder`; an empty answer
  // cancels (QFileDialog when not set; tests answer here).
  std::function<QString(const QString& folder)> AskNewFileName;
  // The text of a new catalogue: the header's keys with empty values and
  // one example model, commented out.
  static QString NewCatalogueText();

  // How the help file is opened; tests replace it. Returns false when no
  // program could open it.
  std::function<bool(const QUrl&)> OpenDocument;
  // ResourceFolder() + "Help/Blowden.htm".
  QString HelpFileName() const;
  // Where the marker pictures and the help file are, and the sample catalogues
  // (the program's folder in the build tree, share/blowden/ when installed).
  static QString ResourceFolder();
  static QString SamplesFolder();
  // Marker pictures that could not be loaded (drawn as plain pixels instead).
  const QStringList& MissingMarkers() const { return FMissingMarkers; }

  // --- state, for tests and other windows ------------------------------
  const QString& LastPath() const { return FLastPath; }
  TFan& Fan() { return *FFan; }
  // The folder the file list shows, and the full path of its selected file
  // (empty when none is selected).
  const QString& FileFolder() const { return FFileFolder; }
  QString SelectedFilePath() const;
  QString StatusText() const;
  QStringList ReportLines() const;

  QTreeView* DirectoryListBox1() const { return FDirectoryListBox1; }
  TClickListBox* FileListBox1() const { return FFileListBox1; }
  TNameListBox* FansListBox() const { return FFansListBox; }
  QTabWidget* PageControl1() const { return FPageControl1; }
  QPlainTextEdit* Memo1() const { return FMemo1; }
  TSourceEditor* SynEdit1() const { return FSynEdit1; }
  TModelView* ModelView() const { return FModelView; }
  QCheckBox* CBAutoSave() const { return FCBAutoSave; }
  // Check Fan's report shows the notes on single points too.
  QCheckBox* ShowEveryPoint() const { return FShowEveryPoint; }
  QAction* ActionSave() const { return FActionSave; }
  QAction* ActionManage() const { return FActionManage; }
  QAction* ActionVerifyFan() const { return FActionVerifyFan; }
  QAction* ActionCheckFan() const { return FActionCheckFan; }
  QAction* ActionVerifyAll() const { return FActionVerifyAll; }
  QAction* ActionInstallFan() const { return FActionInstallFan; }
  QAction* ActionInstallAll() const { return FActionInstallAll; }
  QAction* ActionHelp() const { return FActionHelp; }
  QAction* ActionTest() const { return FActionTest; }  // "FanSelect": opens the fan selector
  QAction* ActionImport() const { return FActionImport; }
  QAction* ActionDerive() const { return FActionDerive; }
  QAction* ActionNew() const { return FActionNew; }
  // The splitter between the folder tree and the file list.
  QSplitter* Panel1() const { return FPanel1; }
  QAction* Exit1() const { return FExit1; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormClose();
  void CreateActions();
  void CreateMenus();
  void CreateControls();
  QPushButton* CreateButton(const char* name, QAction* action, QWidget* parent);
  void LoadSettings();
  void SaveSettings();
  void FillFileList();
  // The folder shown changed on disk: its file list is read again, the
  // selected file staying selected (no load).
  void RefreshFileList();
  void WatchFolder();
  void SetStatusText(const QString& text);
  void ClearReport();
  void AddReport(const QString& line);
  void AddReportLines(const std::vector<std::string>& lines);
  // Lines in their report style: errors in the error colour, warnings in
  // the warning colour, the summary in bold.
  void AddReportLines(const std::vector<TReportLine>& lines);
  // Check Fan's report of FShownCheck, notes on single points as the
  // "Show every point" box says.
  void ShowCheckReport();
  void ShowDataPage();
  int RunVerify();
  TInstallResult InstallLoadedFile();
  void RunAllFiles(bool install);

  // --- keeping the user's text ---------------------------------------------
  enum class TSaveOutcome { Saved, Reloaded, Cancelled };
  // Saves the editor into its file, first asking what to do when the file
  // changed or vanished on disk since it was loaded. Throws when the write
  // fails (the file keeps its old bytes).
  TSaveOutcome SaveEditor();
  // Before the editor's file is left (another file, the loops, closing):
  // unsaved edits are saved (Auto save on) or the user is asked Save /
  // Discard / Cancel. False: stay (cancelled, or the save did not happen).
  bool ConfirmLeavingFile();
  // Loads a fan data file with its models and text; nothing changes until
  // everything is read (out of memory: an error, the previous file stays).
  void LoadFileNow(const QString& path);
  void StartLoad(const QString& path);
  void FinishLoad();
  void ApplyLoad(struct TLoadedFile& loaded);
  void SelectLoadedFileRow();

  // --- message boxes raised in a loop ------------------------------------
  void ShowFanMessage(const QString& message);
  // While a TCollectBoxes lives, the fan model's boxes are held; at the end
  // the first one is shown with "and N more like it — see the report" and
  // the others are added to the report.
  void ShowCollected(const QStringList& held);
  class TCollectBoxes {
   public:
    explicit TCollectBoxes(TBlowdenForm* form) : FScope(form->FBoxes) {}

   private:
    TBoxCollector::TScope FScope;
  };
  // Connects a signal to a handler that runs under the standard error box.
  template <class Sender, class Signal, class Handler>
  void ConnectGuarded(Sender* sender, Signal signal, Handler handler);

  QString FLastPath;
  std::unique_ptr<TFan> FFan;
  QString FFileFolder;
  bool FReportStarted = false;
  // The check the report shows, kept to show again when "Show every point"
  // is ticked or cleared; any other report forgets it.
  std::shared_ptr<const TFileCheck> FShownCheck;
  std::string FShownCheckRange;
  bool FFollowFolder = true;  // keep the folder shown in view while the tree fills  // the report's first
                              // line has been written
  TFanForm* FFanForm = nullptr;
  TInstalledForm* FInstalledForm = nullptr;
  TBoxCollector FBoxes{[this](const QStringList& held) { ShowCollected(held); }};
  qint64 FBackgroundThreshold = 1 << 20;
  struct TLoadJob;
  struct TLoadJobDeleter {
    void operator()(TLoadJob* job) const;
  };
  std::unique_ptr<TLoadJob, TLoadJobDeleter> FLoad;
  QProgressDialog* FLoadProgress = nullptr;

  QAction* FActionSave = nullptr;
  QAction* FActionManage = nullptr;
  QAction* FActionVerifyFan = nullptr;
  QAction* FActionCheckFan = nullptr;
  QAction* FActionVerifyAll = nullptr;
  QAction* FActionInstallFan = nullptr;
  QAction* FActionInstallAll = nullptr;
  QAction* FActionHelp = nullptr;
  QAction* FActionTest = nullptr;  // "FanSelect": opens the fan selector
  QAction* FActionImport = nullptr;
  QAction* FActionDerive = nullptr;
  QAction* FActionNew = nullptr;
  QAction* FExit1 = nullptr;

  QFrame* FPanel2 = nullptr;
  // The command bar's buttons keep the design's numbers, which follow neither
  // their order nor their command: 3 Save, 2 Verify Fan, 1 Install Fan,
  // 5 Verify All, 6 Install All, 7 FanSelect, 4 Help Index.
  QPushButton* FButton1 = nullptr;  // Install Fan
  QPushButton* FButton2 = nullptr;  // Verify Fan
  QPushButton* FButton3 = nullptr;  // Save
  QPushButton* FButton4 = nullptr;  // Help Index
  QPushButton* FButton5 = nullptr;  // Verify All
  QPushButton* FButton6 = nullptr;  // Install All
  QPushButton* FButton7 = nullptr;  // FanSelect (opens the fan selector)
  QPushButton* FButton8 = nullptr;  // Import table
  QPushButton* FButton9 = nullptr;  // Check Fan
  QCheckBox* FCBAutoSave = nullptr;
  QCheckBox* FShowEveryPoint = nullptr;
  QSplitter* FPanel1 = nullptr;
  QFileSystemModel* FFolderModel = nullptr;
  QFileSystemWatcher* FFolderWatcher = nullptr;
  QTimer* FRefreshTimer = nullptr;  // gathers a burst of changes into one refresh
  bool FNameBoxes = false;          // message boxes name the file and model (the all-files loops)
  QTreeView* FDirectoryListBox1 = nullptr;
  TClickListBox* FFileListBox1 = nullptr;
  TNameListBox* FFansListBox = nullptr;
  QTabWidget* FPageControl1 = nullptr;
  QWidget* FTabSheet1 = nullptr;
  QWidget* FTabSheet2 = nullptr;
  QWidget* FEdit = nullptr;
  QPlainTextEdit* FMemo1 = nullptr;
  TModelView* FModelView = nullptr;
  QStringList FMissingMarkers;
  TSourceEditor* FSynEdit1 = nullptr;
  QLabel* FStatusPanel = nullptr;
};

}  // namespace blowden
