#include "app/Main.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/BlowdenApplication.h"
#include "app/Controls.h"
#include "app/InstalledDlg.h"
#include "app/ModelView.h"
#include "app/SourceEditor.h"
#include "charts/ChartSupport.h"
#include "fan/QmFan.h"
#include "selector/QmFanForm.h"
#include "services/MessageBox.h"
#include "services/Placement.h"
#include "services/QmVerInfo.h"
#include "services/Settings.h"

namespace blowden {

namespace {

const QString NotAFanFile = QStringLiteral("Not a Orvane fan file...");

// A folder as the folder list names it: absolute, no closing "/" (except
// the root itself).
QString CleanFolder(const QString& folder) { return QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); }

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
  FFan->OnMessage = [this](const std::string& text) {
    TMessageBox::Information(this, ProgramTitle(), QString::fromStdString(text));
  };

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
  FActionVerifyAll =
      make("ActionVerifyAll", QStringLiteral("Verify &All"), &TBlowdenForm::ActionVerifyAllExecute);
  FActionInstallFan =
      make("ActionInstallFan", QStringLiteral("Install &Fan"), &TBlowdenForm::ActionInstallFanExecute);
  FActionInstallAll =
      make("ActionInstallAll", QStringLiteral("Install &All"), &TBlowdenForm::ActionInstallAllExecute);
  FActionHelp = make("ActionHelp", QStringLiteral("Help &Index"), &TBlowdenForm::ActionHelpExecute);
  FActionHelp->setShortcut(QKeySequence::HelpContents);
  FActionTest = make("ActionTest", QStringLiteral("FanSelect"), &TBlowdenForm::ActionTestExecute);
  FExit1 = make("Exit1", QStringLiteral("E&xit"), &TBlowdenForm::Exit1Click);
  for (QAction* action : {FActionSave, FActionManage, FActionVerifyFan, FActionVerifyAll, FActionInstallFan,
                          FActionInstallAll, FActionHelp, FActionTest, FExit1})
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
  file->addAction(FActionSave);
  file->addAction(FActionManage);
  file->addSeparator();
  file->addAction(FExit1);
  QMenu* verify = addMenu("Verify1", QStringLiteral("&Verify"));
  verify->addAction(FActionVerifyFan);
  verify->addAction(FActionVerifyAll);
  QMenu* install = addMenu("Install1", QStringLiteral("Install"));
  install->addAction(FActionInstallFan);
  install->addAction(FActionInstallAll);
  QMenu* help = addMenu("Help1", QStringLiteral("&Help"));
  help->addAction(FActionHelp);
}

QPushButton* TBlowdenForm::CreateButton(const char* name, QAction* action, QWidget* parent) {
  // The button shows the command's caption without its access key (the
  // menus own the access keys) and runs the command.
  auto* button = new QPushButton(QString(action->text()).remove(QLatin1Char('&')), parent);
  NameControl(button, QString::fromLatin1(name));
  button->setMinimumSize(75, 25);
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
  bar->setContentsMargins(30, 0, 8, 0);
  bar->setSpacing(6);
  FButton3 = CreateButton("Button3", FActionSave, FPanel2);
  FButton2 = CreateButton("Button2", FActionVerifyFan, FPanel2);
  FButton1 = CreateButton("Button1", FActionInstallFan, FPanel2);
  FButton5 = CreateButton("Button5", FActionVerifyAll, FPanel2);
  FButton6 = CreateButton("Button6", FActionInstallAll, FPanel2);
  FButton7 = CreateButton("Button7", FActionTest, FPanel2);
  FButton4 = CreateButton("Button4", FActionHelp, FPanel2);
  FCBAutoSave = new QCheckBox(QStringLiteral("&Auto save"), FPanel2);
  NameControl(FCBAutoSave, QStringLiteral("CBAutoSave"));
  FCBAutoSave->setChecked(true);
  FCBAutoSave->setToolTip(QStringLiteral("Save the edited text before another file is loaded"));
  bar->addWidget(FButton3);
  bar->addWidget(FButton2);
  bar->addWidget(FButton1);
  bar->addSpacing(32);
  bar->addWidget(FButton5);
  bar->addWidget(FButton6);
  bar->addSpacing(15);
  bar->addWidget(FButton7);
  bar->addSpacing(15);
  bar->addWidget(FButton4);
  bar->addSpacing(36);
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
  // The folder tree keeps its height; the file list takes what the column gains.
  FPanel1->setStretchFactor(0, 0);
  FPanel1->setStretchFactor(1, 1);
  FPanel1->setSizes({108, 300});

  FFansListBox = new TClickListBox(columns);
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
  ConnectGuarded(FFansListBox, &TClickListBox::Clicked, &TBlowdenForm::FansListBoxClick);

  setTabOrder(FButton3, FButton2);
  setTabOrder(FButton2, FButton1);
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
}

void TBlowdenForm::SaveSettings() {
  SavePlacement(this);
  const auto settings = OpenSettings();
  settings->setValue(QStringLiteral("Settings/LastPath"), FLastPath);
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
  const QDir folder(FFileFolder);
  const QStringList names = folder.entryList({QStringLiteral("*.qfn")}, QDir::Files | QDir::Readable,
                                             QDir::Name | QDir::IgnoreCase);
  FFileListBox1->SetItems(names);
}

QString TBlowdenForm::SelectedFilePath() const {
  const QString name = FFileListBox1->SelectedText();
  if (name.isEmpty()) return QString();
  return QDir(FFileFolder).filePath(name);
}

void TBlowdenForm::AutoSave() {
  if (FCBAutoSave->isChecked() && FSynEdit1->Modified() && FSynEdit1->LineCount() > 0 &&
      !FSynEdit1->FileName().isEmpty())
    FSynEdit1->SaveToFile(FSynEdit1->FileName());
  FSynEdit1->SetModified(false);
}

void TBlowdenForm::FileListBox1Click() {
  AutoSave();
  FFan->LoadFromFile(SelectedFilePath().toStdString());

  QStringList models;
  for (const std::string& name : FFan->Models) models.append(QString::fromStdString(name));
  FFansListBox->SetItems(models);
  FFansListBox->SetItemIndex(0);

  std::exception_ptr failure;
  if (FFansListBox->ItemIndex() >= 0) {
    try {
      FansListBoxClick();
    } catch (...) {
      failure = std::current_exception();
    }
    // The text is loaded also when the first model cannot be read, so that
    // the user can mend the file.
    try {
      FSynEdit1->LoadFromFile(QString::fromStdString(FFan->FileName));
    } catch (...) {
      FSynEdit1->Clear();
      if (!failure) failure = std::current_exception();
    }
  } else {
    // The editor never keeps one file's text while another file is loaded,
    // so that a save cannot write it into the wrong file.
    FSynEdit1->Clear();
  }

  SetStatusText(FFan->Status != fsReady ? NotAFanFile : QString::fromStdString(FFan->FileName));
  if (failure) std::rethrow_exception(failure);
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
  FSynEdit1->SaveToFile(FSynEdit1->FileName());
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
