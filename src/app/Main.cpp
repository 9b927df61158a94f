#include "app/Main.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/BlowdenApplication.h"
#include "app/Controls.h"
#include "app/InstalledDlg.h"
#include "app/ModelView.h"
#include "app/SourceEditor.h"
#include "charts/ChartSupport.h"
#include "charts/widgets/ControlNames.h"
#include "fan/QmFan.h"
#include "selector/QmFanForm.h"
#include "services/FileLock.h"
#include "services/Folders.h"
#include "services/MessageBox.h"
#include "services/Placement.h"
#include "services/QmVerInfo.h"
#include "services/Settings.h"

namespace blowden {

namespace {

// A folder as the folder list names it: absolute, no closing "/" (except
// the root itself).
QString CleanFolder(const QString& folder) { return QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); }

// The row of `list` whose text is `text`, or -1.
int RowOfText(const QListWidget* list, const QString& text) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text() == text) return i;
  return -1;
}

}  // namespace

template <class Sender, class Signal, class Handler>
void TBlowdenForm::ConnectGuarded(Sender* sender, Signal signal, Handler handler) {
  connect(sender, signal, this, [this, handler] { RunGuarded(this, [&] { (this->*handler)(); }); });
}

TBlowdenForm::TBlowdenForm(QWidget* parent) : QMainWindow(parent) {
  OpenDocument = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  FormCreate();
}

TBlowdenForm::~TBlowdenForm() {
  // A background load ends before the window it reports to.
  CancelLoad();
  // The controls go after this object's own parts; none of their last
  // signals may reach the handlers any more.
  FFolderModel->disconnect(this);
  FDirectoryListBox1->selectionModel()->disconnect(this);
  FFileListBox1->disconnect(this);
  FFansListBox->disconnect(this);
}

void TBlowdenForm::FormCreate() {
  NameControl(this, QStringLiteral("BlowdenForm"));
  setWindowTitle(QString::fromStdString(VersionTitle(std::string())));
  setFont(ProgramFont(QStringLiteral("Tahoma"), 8));

  // The fan model first: the model view draws from it.
  FFan = std::make_unique<TFan>();
  FFan->OnMessage = [this](const std::string& text) { ShowFanMessage(QString::fromStdString(text)); };

  CreateActions();
  CreateMenus();
  CreateControls();
  resize(873, 508 + menuBar()->sizeHint().height());

  LoadSettings();
  if (!ChangeFolder(FLastPath)) ChangeFolder(QDir::currentPath());
  FMissingMarkers = FModelView->LoadMarkers(ResourceFolder());
}

QString TBlowdenForm::ResourceFolder() {
  const auto& v = StartupValues();
  return QString::fromStdString(v.ResourceFolder.empty() ? v.ProgramFolder : v.ResourceFolder);
}

QString TBlowdenForm::SamplesFolder() {
  const auto& v = StartupValues();
  return QString::fromStdString(v.SamplesFolder.empty() ? v.ProgramFolder : v.SamplesFolder);
}

void TBlowdenForm::CreateActions() {
  auto make = [this](const char* name, const QString& caption, void (TBlowdenForm::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    ConnectGuarded(action, &QAction::triggered, handler);
    return action;
  };
  FActionSave = make("ActionSave", QStringLiteral("&Save"), &TBlowdenForm::ActionSaveExecute);
  FActionSave->setShortcut(QKeySequence::Save);
  FActionManage =
      make("ActionManage", QStringLiteral("&Manage database"), &TBlowdenForm::ActionManageExecute);
  FActionVerifyFan =
      make("ActionVerifyFan", QStringLiteral("Verify &Fan"), &TBlowdenForm::ActionVerifyFanExecute);
  FActionCheckFan =
      make("ActionCheckFan", QStringLiteral("&Check Fan"), &TBlowdenForm::ActionCheckFanExecute);
  FActionCheckFan->setToolTip(QStringLiteral("Check the loaded file's figures for physical sense"));
  FActionVerifyAll =
      make("ActionVerifyAll", QStringLiteral("Verify &All"), &TBlowdenForm::ActionVerifyAllExecute);
  FActionInstallFan =
      make("ActionInstallFan", QStringLiteral("Install &Fan"), &TBlowdenForm::ActionInstallFanExecute);
  FActionInstallAll =
      make("ActionInstallAll", QStringLiteral("Install &All"), &TBlowdenForm::ActionInstallAllExecute);
  FActionHelp = make("ActionHelp", QStringLiteral("Help &Index"), &TBlowdenForm::ActionHelpExecute);
  FActionHelp->setShortcut(QKeySequence::HelpContents);
  FActionTest = make("ActionTest", QStringLiteral("Fan&Select"), &TBlowdenForm::ActionTestExecute);
  FActionTest->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  FActionTest->setToolTip(QStringLiteral("Open the fan selector"));
  FActionImport = make("ActionImport", QStringLiteral("&Import table…"), &TBlowdenForm::ActionImportExecute);
  FActionImport->setToolTip(QStringLiteral("Build a model section from a table of test points"));
  FActionDerive = make("ActionDerive", QStringLiteral("&Derive model…"), &TBlowdenForm::ActionDeriveExecute);
  FActionDerive->setToolTip(QStringLiteral("A new size of the selected model by the fan laws"));
  FExit1 = make("Exit1", QStringLiteral("E&xit"), &TBlowdenForm::Exit1Click);
  FActionNew = make("ActionNew", QStringLiteral("&New…"), &TBlowdenForm::ActionNewExecute);
  FActionNew->setShortcut(QKeySequence::New);
  FActionNew->setToolTip(QStringLiteral("Start a new fan data file from a template"));
  for (QAction* action :
       {FActionNew, FActionSave, FActionManage, FActionVerifyFan, FActionCheckFan, FActionVerifyAll,
        FActionInstallFan, FActionInstallAll, FActionHelp, FActionTest, FActionImport, FActionDerive, FExit1})
    addAction(action);
}

void TBlowdenForm::CreateMenus() {
  QMenuBar* bar = menuBar();
  NameControl(bar, QStringLiteral("MainMenu1"));
  bar->setAccessibleName(QStringLiteral("Menu"));
  auto addMenu = [bar](const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    NameControl(menu, QString::fromLatin1(name));
    return menu;
  };
  QMenu* file = addMenu("File1", QStringLiteral("&File"));
  file->addAction(FActionNew);
  file->addAction(FActionSave);
  file->addAction(FActionManage);
  file->addSeparator();
  file->addAction(FActionImport);
  file->addAction(FActionDerive);
  file->addSeparator();
  file->addAction(FExit1);
  QMenu* verify = addMenu("Verify1", QStringLiteral("&Verify"));
  verify->addAction(FActionVerifyFan);
  verify->addAction(FActionCheckFan);
  verify->addAction(FActionVerifyAll);
  QMenu* install = addMenu("Install1", QStringLiteral("Install"));
  install->addAction(FActionInstallFan);
  install->addAction(FActionInstallAll);
  QMenu* select = addMenu("Select1", QStringLiteral("&Select"));
  select->addAction(FActionTest);
  QMenu* help = addMenu("Help1", QStringLiteral("&Help"));
  help->addAction(FActionHelp);
}

QPushButton* TBlowdenForm::CreateButton(const char* name, QAction* action, QWidget* parent) {
  // The button shows the command's caption without its access key (the
  // menus own the access keys) and runs the command.
  auto* button = new QPushButton(QString(action->text()).remove(QLatin1Char('&')), parent);
  NameControl(button, QString::fromLatin1(name));
  // Design width when there is room; on a small screen (or at a large scale
  // factor) the buttons give way down to their caption's width.
  button->setMinimumSize(qMin(75, button->fontMetrics().horizontalAdvance(button->text()) + 16), 25);
  button->setAutoDefault(false);
  if (!action->shortcut().isEmpty())
    button->setToolTip(
        QStringLiteral("%1 (%2)").arg(button->text(), action->shortcut().toString(QKeySequence::NativeText)));
  connect(button, &QPushButton::clicked, action, &QAction::trigger);
  connect(action, &QAction::enabledChanged, button, &QPushButton::setEnabled);
  return button;
}

void TBlowdenForm::CreateControls() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  setCentralWidget(central);

  // Top bar: the commands, grouped as at design (x = 30, 111, 192 | 305,
  // 386, 467 | 563 | check box at 680).
  FPanel2 = new QFrame(central);
  NameControl(FPanel2, QStringLiteral("Panel2"));
  FPanel2->setAccessibleName(QStringLiteral("Commands"));
  FPanel2->setFrameShape(QFrame::Panel);
  FPanel2->setFrameShadow(QFrame::Raised);
  FPanel2->setFixedHeight(41);
  auto* bar = new QHBoxLayout(FPanel2);
  bar->setContentsMargins(4, 0, 4, 0);
  bar->setSpacing(6);
  FButton3 = CreateButton("Button3", FActionSave, FPanel2);
  FButton2 = CreateButton("Button2", FActionVerifyFan, FPanel2);
  FButton9 = CreateButton("Button9", FActionCheckFan, FPanel2);
  FButton1 = CreateButton("Button1", FActionInstallFan, FPanel2);
  FButton5 = CreateButton("Button5", FActionVerifyAll, FPanel2);
  FButton6 = CreateButton("Button6", FActionInstallAll, FPanel2);
  FButton7 = CreateButton("Button7", FActionTest, FPanel2);
  FButton4 = CreateButton("Button4", FActionHelp, FPanel2);
  FButton8 = CreateButton("Button8", FActionImport, FPanel2);
  FCBAutoSave = new QCheckBox(QStringLiteral("&Auto save"), FPanel2);
  NameControl(FCBAutoSave, QStringLiteral("CBAutoSave"));
  FCBAutoSave->setChecked(true);
  FCBAutoSave->setToolTip(QStringLiteral("Save the edited text before another file is loaded"));
  // The gaps between the groups take their design widths when there is room
  // and give way in a narrow window, so the commands never push it wider.
  auto gap = [bar](int width) { bar->addSpacerItem(new QSpacerItem(width, 0, QSizePolicy::Preferred)); };
  gap(26);  // the design's left margin of 30, which gives way too
  bar->addWidget(FButton3);
  bar->addWidget(FButton2);
  bar->addWidget(FButton9);
  bar->addWidget(FButton1);
  gap(32);
  bar->addWidget(FButton5);
  bar->addWidget(FButton6);
  gap(15);
  bar->addWidget(FButton7);
  gap(15);
  bar->addWidget(FButton8);
  gap(15);
  bar->addWidget(FButton4);
  gap(36);
  bar->addWidget(FCBAutoSave);
  bar->addStretch(1);
  column->addWidget(FPanel2);

  auto* columns = new QSplitter(Qt::Horizontal, central);
  columns->setObjectName(QStringLiteral("ColumnSplitter"));
  columns->setChildrenCollapsible(false);
  column->addWidget(columns, 1);

  // Left column: folder tree above the fan data files of that folder.
  FPanel1 = new QSplitter(Qt::Vertical, columns);
  NameControl(FPanel1, QStringLiteral("Panel1"));
  FPanel1->setAccessibleName(QStringLiteral("Folders and files"));
  FPanel1->setChildrenCollapsible(false);
  FFolderModel = new QFileSystemModel(this);
  FFolderModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  FFolderModel->setRootPath(QDir::rootPath());
  FDirectoryListBox1 = new QTreeView(FPanel1);
  NameControl(FDirectoryListBox1, QStringLiteral("DirectoryListBox1"));
  FDirectoryListBox1->setAccessibleName(QStringLiteral("Folders"));
  FDirectoryListBox1->setModel(FFolderModel);
  for (int c = 1; c < FFolderModel->columnCount(); ++c) FDirectoryListBox1->hideColumn(c);
  FDirectoryListBox1->setHeaderHidden(true);
  FDirectoryListBox1->setIndentation(10);
  FDirectoryListBox1->setMinimumHeight(60);
  FFileListBox1 = new TClickListBox(FPanel1);
  NameControl(FFileListBox1, QStringLiteral("FileListBox1"));
  FFileListBox1->setAccessibleName(QStringLiteral("Fan data files"));
  FPanel1->addWidget(FDirectoryListBox1);
  FPanel1->addWidget(FFileListBox1);
  // The folder tree keeps its height; the file list takes what the column
  // gains. The handle between them is wide enough to grab.
  FPanel1->setStretchFactor(0, 0);
  FPanel1->setStretchFactor(1, 1);
  FPanel1->setHandleWidth(6);
  FPanel1->setSizes({108, 300});
  FPanel1->handle(1)->setToolTip(QStringLiteral("Drag to share the column between folders and files"));

  // The folder shown is watched: files added, removed, renamed or changed
  // there show in the list at once.
  FFolderWatcher = new QFileSystemWatcher(this);
  FRefreshTimer = new QTimer(this);
  FRefreshTimer->setSingleShot(true);
  FRefreshTimer->setInterval(150);
  connect(FFolderWatcher, &QFileSystemWatcher::directoryChanged, FRefreshTimer, qOverload<>(&QTimer::start));
  connect(FFolderWatcher, &QFileSystemWatcher::fileChanged, FRefreshTimer, qOverload<>(&QTimer::start));
  connect(FRefreshTimer, &QTimer::timeout, this, [this] { RunGuarded(this, [this] { RefreshFileList(); }); });

  FFansListBox = new TNameListBox(columns);
  NameControl(FFansListBox, QStringLiteral("FansListBox"));
  FFansListBox->setAccessibleName(QStringLiteral("Fan models"));

  FPageControl1 = new QTabWidget(columns);
  NameControl(FPageControl1, QStringLiteral("PageControl1"));
  FPageControl1->setAccessibleName(QStringLiteral("Pages"));

  FTabSheet1 = new QWidget;
  NameControl(FTabSheet1, QStringLiteral("TabSheet1"));
  FTabSheet1->setAccessibleName(QStringLiteral("Data"));
  FMemo1 = new QPlainTextEdit(FTabSheet1);
  NameControl(FMemo1, QStringLiteral("Memo1"));
  FMemo1->setAccessibleName(QStringLiteral("Report"));
  FMemo1->setFont(ProgramFont(QStringLiteral("Courier New"), 10));
  FMemo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  {
    QPalette palette = FMemo1->palette();
    palette.setColor(QPalette::Text, BgrToQColor(0x004000));
    FMemo1->setPalette(palette);
    auto* layout = new QVBoxLayout(FTabSheet1);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(FMemo1);
    FShowEveryPoint = new QCheckBox(QStringLiteral("Show every poin&t"), FTabSheet1);
    NameControl(FShowEveryPoint, QStringLiteral("ShowEveryPoint"));
    FShowEveryPoint->setToolTip(
        QStringLiteral("Check Fan lists the notes on every tested point (efficiencies and residuals) too"));
    layout->addWidget(FShowEveryPoint);
    connect(FShowEveryPoint, &QCheckBox::toggled, this, [this] {
      if (FShownCheck) ShowCheckReport();
    });
  }

  FTabSheet2 = new QWidget;
  NameControl(FTabSheet2, QStringLiteral("TabSheet2"));
  FTabSheet2->setAccessibleName(QStringLiteral("Plot"));
  FModelView = new TModelView(*FFan, FTabSheet2);
  FModelView->setObjectName(QStringLiteral("ModelView"));
  {
    auto* layout = new QVBoxLayout(FTabSheet2);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(FModelView);
  }

  FEdit = new QWidget;
  NameControl(FEdit, QStringLiteral("Edit"));
  FEdit->setAccessibleName(QStringLiteral("Edit"));
  FSynEdit1 = new TSourceEditor(FEdit);
  NameControl(FSynEdit1, QStringLiteral("SynEdit1"));
  FSynEdit1->setAccessibleName(QStringLiteral("Fan data file source"));
  {
    auto* layout = new QVBoxLayout(FEdit);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(FSynEdit1);
  }

  FPageControl1->addTab(FTabSheet1, QStringLiteral("&Data"));
  FPageControl1->addTab(FTabSheet2, QStringLiteral("&Plot"));
  FPageControl1->addTab(FEdit, QStringLiteral("&Edit"));
  FPageControl1->setCurrentIndex(0);

  columns->addWidget(FPanel1);
  columns->addWidget(FFansListBox);
  columns->addWidget(FPageControl1);
  columns->setStretchFactor(0, 0);
  columns->setStretchFactor(1, 0);
  columns->setStretchFactor(2, 1);
  columns->setSizes({129, 111, 633});

  QStatusBar* status = statusBar();
  NameControl(status, QStringLiteral("StatusBar1"));
  status->setAccessibleName(QStringLiteral("Status"));
  status->setSizeGripEnabled(true);
  FStatusPanel = new QLabel(QStringLiteral("..."), status);
  FStatusPanel->setObjectName(QStringLiteral("StatusPanel0"));
  FStatusPanel->setMinimumWidth(200);
  FStatusPanel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status->addWidget(FStatusPanel, 1);

  // The folder model reads folders in the background; once the folders
  // leading to the one shown are read, bring it into view.
  // Rows arrive and are sorted in batches, so the folder is kept in view
  // until the user scrolls or clicks the tree.
  auto keepInView = [this] {
    const QModelIndex current = FDirectoryListBox1->currentIndex();
    if (FFollowFolder && current.isValid())
      FDirectoryListBox1->scrollTo(current, QAbstractItemView::PositionAtCenter);
  };
  connect(FFolderModel, &QFileSystemModel::directoryLoaded, this, keepInView);
  connect(FFolderModel, &QAbstractItemModel::layoutChanged, this, keepInView);
  connect(FFolderModel, &QAbstractItemModel::rowsInserted, this, keepInView);
  connect(FDirectoryListBox1->verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this] { FFollowFolder = false; });
  FDirectoryListBox1->viewport()->installEventFilter(this);
  FDirectoryListBox1->installEventFilter(this);
  connect(FDirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { RunGuarded(this, [this] { DirectoryListBox1Change(); }); });
  ConnectGuarded(FFileListBox1, &TClickListBox::Clicked, &TBlowdenForm::FileListBox1Click);
  ConnectGuarded(FFansListBox, &TNameListBox::Clicked, &TBlowdenForm::FansListBoxClick);

  setTabOrder(FButton3, FButton2);
  setTabOrder(FButton2, FButton9);
  setTabOrder(FButton9, FButton1);
  setTabOrder(FButton1, FButton5);
  setTabOrder(FButton5, FButton6);
  setTabOrder(FButton6, FButton7);
  setTabOrder(FButton7, FButton4);
  setTabOrder(FButton4, FCBAutoSave);
  setTabOrder(FCBAutoSave, FDirectoryListBox1);
  setTabOrder(FDirectoryListBox1, FFileListBox1);
  setTabOrder(FFileListBox1, FFansListBox);
  setTabOrder(FFansListBox, FPageControl1);
}

void TBlowdenForm::LoadSettings() {
  LoadPlacement(this, false, true);
  const auto settings = OpenSettings();
  // A first start shows the sample catalogues.
  FLastPath = settings->value(QStringLiteral("Settings/LastPath"), SamplesFolder()).toString();
  // Where the user last put the line between folders and files.
  const QList<QVariant> split = settings->value(QStringLiteral("Settings/FolderSplit")).toList();
  if (split.size() == 2 && split[0].toInt() > 0 && split[1].toInt() > 0)
    FPanel1->setSizes({split[0].toInt(), split[1].toInt()});
  FModelView->SetPlotUnits(
      settings->value(QStringLiteral("Settings/PlotUnits")).toString() == QLatin1String("IP") ? puIP : puSI);
  FShowEveryPoint->setChecked(settings->value(QStringLiteral("Settings/ShowEveryPoint"), false).toBool());
}

void TBlowdenForm::SaveSettings() {
  SavePlacement(this);
  const auto settings = OpenSettings();
  settings->setValue(QStringLiteral("Settings/LastPath"), FLastPath);
  const QList<int> split = FPanel1->sizes();
  if (split.size() == 2)
    settings->setValue(QStringLiteral("Settings/FolderSplit"), QVariantList{split[0], split[1]});
  settings->setValue(QStringLiteral("Settings/PlotUnits"),
                     FModelView->PlotUnits() == puIP ? QStringLiteral("IP") : QStringLiteral("SI"));
  settings->setValue(QStringLiteral("Settings/ShowEveryPoint"), FShowEveryPoint->isChecked());
  settings->sync();
}

bool TBlowdenForm::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == FDirectoryListBox1 || watched == FDirectoryListBox1->viewport()) &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel ||
       event->type() == QEvent::KeyPress))
    FFollowFolder = false;
  return QMainWindow::eventFilter(watched, event);
}

void TBlowdenForm::closeEvent(QCloseEvent* event) {
  CancelLoad();
  // Unsaved edits are saved or the user decides; a failed save keeps the
  // window open with the text in it.
  bool leave = false;
  RunGuarded(this, [&] { leave = ConfirmLeavingFile(); });
  if (!leave) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TBlowdenForm::FormClose() {
  RunGuarded(this, [this] { SaveSettings(); });
}

bool TBlowdenForm::ChangeFolder(const QString& folder) {
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
  const QModelIndex index = FFolderModel->index(CleanFolder(folder));
  if (!index.isValid()) return false;
  if (FDirectoryListBox1->currentIndex() == index) {
    // Choosing the folder shown reads it again.
    DirectoryListBox1Change();
  } else {
    FDirectoryListBox1->setCurrentIndex(index);
  }
  for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
    FDirectoryListBox1->expand(parent);
  FDirectoryListBox1->scrollTo(index, QAbstractItemView::PositionAtCenter);
  FFollowFolder = true;
  return true;
}

void TBlowdenForm::DirectoryListBox1Change() {
  const QModelIndex index = FDirectoryListBox1->currentIndex();
  if (!index.isValid()) return;
  FFansListBox->SetItems({});
  FLastPath = FFolderModel->filePath(index);
  FFileFolder = FLastPath;
  FillFileList();
}

void TBlowdenForm::FillFileList() {
  QStringList names;
  const std::vector<TFanFileEntry> files = ListFanFiles(QFile::encodeName(FFileFolder).toStdString());
  for (const TFanFileEntry& file : files)
    names.append(QFile::decodeName(QByteArray::fromStdString(file.Name)));
  FFileListBox1->SetItems(names);
  // A name wider than the list is not cut off unseen: its tooltip is whole.
  for (int i = 0; i < FFileListBox1->count(); ++i)
    FFileListBox1->item(i)->setToolTip(FFileListBox1->item(i)->text());
  WatchFolder();
}

void TBlowdenForm::WatchFolder() {
  if (!FFolderWatcher) return;
  const QStringList watched = FFolderWatcher->directories() + FFolderWatcher->files();
  if (!watched.isEmpty()) FFolderWatcher->removePaths(watched);
  if (FFileFolder.isEmpty() || !QFileInfo(FFileFolder).isDir()) return;
  QStringList paths{FFileFolder};
  // The files themselves too (a change of their contents or rights leaves
  // the folder unchanged), within what the system lets a program watch.
  constexpr int kMaxWatchedFiles = 500;
  for (int i = 0; i < FFileListBox1->count() && i < kMaxWatchedFiles; ++i)
    paths.append(QDir(FFileFolder).filePath(FFileListBox1->item(i)->text()));
  FFolderWatcher->addPaths(paths);
}

void TBlowdenForm::RefreshFileList() {
  // The all-files loops walk the list row by row: it changes after them.
  if (FFileFolder.isEmpty() || FNameBoxes) return;
  const QString selected = FFileListBox1->SelectedText();
  const int scroll = FFileListBox1->verticalScrollBar()->value();
  FillFileList();
  FFileListBox1->SetItemIndex(selected.isEmpty() ? -1 : RowOfText(FFileListBox1, selected));
  FFileListBox1->verticalScrollBar()->setValue(scroll);
}

QString TBlowdenForm::SelectedFilePath() const {
  const QString name = FFileListBox1->SelectedText();
  if (name.isEmpty()) return QString();
  return QDir(FFileFolder).filePath(name);
}

void TBlowdenForm::AutoSave() {
  if (FCBAutoSave->isChecked() && FSynEdit1->Modified() && FSynEdit1->LineCount() > 0 &&
      !FSynEdit1->FileName().isEmpty() && SaveEditor() == TSaveOutcome::Cancelled)
    return;
  FSynEdit1->SetModified(false);
}

namespace {

// Takes the lock of the file the editor saves into, so that a blowden-cli
// import or derive into it waits until the text is written (and then reads
// it), and one that came first is seen as a change on disk. Throws when
// another writer keeps the file locked; a file that cannot be opened is left
// to the save to report.
void LockForSave(TFileLock& lock, const QString& file) {
  const std::string why = lock.LockFile(QFile::encodeName(file).toStdString());
  if (!why.empty() && lock.Busy())
    throw std::runtime_error(
        QStringLiteral("Cannot save \"%1\": %2. The edits stay in the editor; save again later.")
            .arg(file, QString::fromStdString(why))
            .toStdString());
}

}  // namespace

TBlowdenForm::TSaveOutcome TBlowdenForm::SaveEditor() {
  const QString file = FSynEdit1->FileName();
  TFileLock lock;
  LockForSave(lock, file);
  const TSourceEditor::TDiskState state = FSynEdit1->DiskState();
  if (state != TSourceEditor::TDiskState::Unchanged) {
    // No lock is held while the user decides.
    lock.Unlock();
    const bool missing = state == TSourceEditor::TDiskState::Missing;
    const QString text =
        (missing ? QStringLiteral("The file \"%1\" was deleted or moved after it was loaded.")
                 : QStringLiteral("The file \"%1\" was changed on disk after it was loaded "
                                  "(by another program?)."))
            .arg(file) +
        QStringLiteral(
            "\n\nOverwrite: write the edited text to \"%1\".\n"
            "Reload from disk: forget the edits and read the file as it is now.\n"
            "Cancel: keep the edits in the editor and write nothing.")
            .arg(file);
    const int choice = TMessageBox::Ask(
        this, ProgramTitle(), text,
        {QStringLiteral("Overwrite"), QStringLiteral("Reload from disk"), QStringLiteral("Cancel")}, 2);
    if (choice == 2) return TSaveOutcome::Cancelled;
    if (choice == 1) {
      if (missing) {
        TMessageBox::Information(
            this, ProgramTitle(),
            QStringLiteral("\"%1\" is no longer there to be read; the edits stay in the editor.").arg(file));
        return TSaveOutcome::Cancelled;
      }
      LoadFileNow(file);
      return TSaveOutcome::Reloaded;
    }
    // Overwrite: whatever the file holds now is replaced, as the user chose.
    LockForSave(lock, file);
  }
  FSynEdit1->SaveToFile(file);
  return TSaveOutcome::Saved;
}

bool TBlowdenForm::ConfirmLeavingFile() {
  if (FSynEdit1->FileName().isEmpty() || !FSynEdit1->Modified()) return true;
  if (FCBAutoSave->isChecked()) {
    AutoSave();
    return !FSynEdit1->Modified();
  }
  const int choice =
      TMessageBox::Ask(this, ProgramTitle(),
                       QStringLiteral("The text of \"%1\" has edits that are not saved.\n\n"
                                      "Save: write them into the file.\n"
                                      "Discard: forget them.\n"
                                      "Cancel: stay with the file and its edits.")
                           .arg(FSynEdit1->FileName()),
                       {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}, 2);
  if (choice == 2) return false;
  if (choice == 0 && SaveEditor() == TSaveOutcome::Cancelled) return false;
  FSynEdit1->SetModified(false);
  return true;
}

void TBlowdenForm::SelectLoadedFileRow() {
  // The list shows the file that is loaded, not one whose load was refused.
  const QString loaded = QString::fromStdString(FFan->FileName());
  int row = -1;
  for (int i = 0; i < FFileListBox1->count() && !loaded.isEmpty(); ++i)
    if (QDir(FFileFolder).filePath(FFileListBox1->item(i)->text()) == loaded) row = i;
  FFileListBox1->SetItemIndex(row);
}

void TBlowdenForm::FileListBox1Click() {
  const QString path = SelectedFilePath();
  bool leave = false;
  try {
    leave = ConfirmLeavingFile();
  } catch (...) {
    SelectLoadedFileRow();
    throw;
  }
  if (!leave) {
    SelectLoadedFileRow();
    return;
  }
  const QFileInfo info(path);
  if (info.isFile() && info.size() > FBackgroundThreshold)
    StartLoad(path);
  else
    LoadFileNow(path);
}

void TBlowdenForm::FansListBoxClick() {
  const QString name = FFansListBox->SelectedText();
  if (FFansListBox->ItemIndex() < 0) return;
  FModelView->ShowModel(name.toStdString());
}

void TBlowdenForm::ActionSaveExecute() {
  if (FSynEdit1->FileName().isEmpty()) {
    TMessageBox::Information(
        this, ProgramTitle(),
        QStringLiteral("There is no fan data file to save. Click a file in the file list "
                       "to load it into the editor first."));
    return;
  }
  SaveEditor();
}

void TBlowdenForm::ActionManageExecute() {
  if (FInstalledForm) FInstalledForm->exec();
}

void TBlowdenForm::ActionTestExecute() {
  if (FFanForm) FFanForm->exec();
}

QString TBlowdenForm::HelpFileName() const { return ResourceFolder() + QStringLiteral("Help/Blowden.htm"); }

void TBlowdenForm::ActionHelpExecute() {
  const QString help = HelpFileName();
  if (!QFileInfo::exists(help)) {
    TMessageBox::Information(this, ProgramTitle(),
                             QStringLiteral("The help file %1 cannot be found.").arg(help));
    return;
  }
  if (!OpenDocument || !OpenDocument(QUrl::fromLocalFile(help)))
    TMessageBox::Information(this, ProgramTitle(),
                             QStringLiteral("No program to show the help file %1 was found.").arg(help));
}

void TBlowdenForm::Exit1Click() { close(); }

void TBlowdenForm::SetStatusText(const QString& text) { FStatusPanel->setText(text); }

QString TBlowdenForm::StatusText() const { return FStatusPanel->text(); }

}  // namespace blowden
