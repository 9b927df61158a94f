#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>

#include "services/Database.h"

class QAction;
class QCheckBox;
class QFileSystemModel;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeView;
class QWidget;

namespace blowden {

class TClickListBox;
class TFan;
class TFanForm;
class TInstalledForm;
class TModelView;
class TSourceEditor;

// The main window: browse a folder of fan data files, load one and list its
// models, see the chosen model's fits and plots (TModelView), edit and save
// the file's source text, verify files and install them into the database
// folder, and open the installed files manager and the fan selector.
//
// Everything that reads the fan model works on the file as stored on disk;
// the editor's text reaches the file through Save or the auto-save that runs
// before another file is loaded and before the all-files commands.
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
  void ActionVerifyAllExecute();
  void ActionInstallFanExecute();
  void ActionInstallAllExecute();
  void ActionHelpExecute();
  void ActionTestExecute();
  void Exit1Click();
  void AutoSave();

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
  TClickListBox* FansListBox() const { return FFansListBox; }
  QTabWidget* PageControl1() const { return FPageControl1; }
  QPlainTextEdit* Memo1() const { return FMemo1; }
  TSourceEditor* SynEdit1() const { return FSynEdit1; }
  TModelView* ModelView() const { return FModelView; }
  QCheckBox* CBAutoSave() const { return FCBAutoSave; }
  QAction* ActionSave() const { return FActionSave; }
  QAction* ActionManage() const { return FActionManage; }
  QAction* ActionVerifyFan() const { return FActionVerifyFan; }
  QAction* ActionVerifyAll() const { return FActionVerifyAll; }
  QAction* ActionInstallFan() const { return FActionInstallFan; }
  QAction* ActionInstallAll() const { return FActionInstallAll; }
  QAction* ActionHelp() const { return FActionHelp; }
  QAction* ActionTest() const { return FActionTest; }
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
  void SetStatusText(const QString& text);
  void ClearReport();
  void AddReport(const QString& line);
  void AddReportLines(const std::vector<std::string>& lines);
  void ShowDataPage();
  int RunVerify();
  TInstallResult InstallLoadedFile();
  void ShowShownModelAgain();
  void RunAllFiles(bool install);
  // Connects a signal to a handler that runs under the standard error box.
  template <class Sender, class Signal, class Handler>
  void ConnectGuarded(Sender* sender, Signal signal, Handler handler);

  QString FLastPath;
  std::unique_ptr<TFan> FFan;
  QString FFileFolder;
  bool FReportStarted = false;
  bool FFollowFolder = true;  // keep the folder shown in view while the tree fills  // the report's first
                              // line has been written
  TFanForm* FFanForm = nullptr;
  TInstalledForm* FInstalledForm = nullptr;

  QAction* FActionSave = nullptr;
  QAction* FActionManage = nullptr;
  QAction* FActionVerifyFan = nullptr;
  QAction* FActionVerifyAll = nullptr;
  QAction* FActionInstallFan = nullptr;
  QAction* FActionInstallAll = nullptr;
  QAction* FActionHelp = nullptr;
  QAction* FActionTest = nullptr;
  QAction* FExit1 = nullptr;

  QFrame* FPanel2 = nullptr;
  QPushButton* FButton1 = nullptr;
  QPushButton* FButton2 = nullptr;
  QPushButton* FButton3 = nullptr;
  QPushButton* FButton4 = nullptr;
  QPushButton* FButton5 = nullptr;
  QPushButton* FButton6 = nullptr;
  QPushButton* FButton7 = nullptr;
  QCheckBox* FCBAutoSave = nullptr;
  QSplitter* FPanel1 = nullptr;
  QFileSystemModel* FFolderModel = nullptr;
  QTreeView* FDirectoryListBox1 = nullptr;
  TClickListBox* FFileListBox1 = nullptr;
  TClickListBox* FFansListBox = nullptr;
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
