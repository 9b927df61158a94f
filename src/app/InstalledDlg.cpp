#include "app/InstalledDlg.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/BlowdenApplication.h"
#include "app/Controls.h"
#include "base/Convert.h"
#include "base/Format.h"
#include "charts/ChartSupport.h"
#include "charts/widgets/ControlNames.h"
#include "selector/QmFanForm.h"
#include "services/Database.h"
#include "services/MessageBox.h"
#include "services/Placement.h"
#include "services/Settings.h"

namespace blowden {

TInstalledForm::TInstalledForm(TFanForm* selector, QWidget* parent) : QDialog(parent), FSelector(selector) {
  FormCreate();
}

TInstalledForm::~TInstalledForm() = default;

void TInstalledForm::FormCreate() {
  NameControl(this, QStringLiteral("InstalledForm"));
  setWindowTitle(QStringLiteral("Installed Blowden"));
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFont(ProgramFont(QStringLiteral("Tahoma"), 8));

  auto makeButton = [this](const char* name, const QString& caption, const QString& hint) {
    auto* button = new QToolButton(this);
    NameControl(button, QString::fromLatin1(name));
    button->setText(caption);
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::TabFocus);
    button->setMinimumSize(45, 22);
    return button;
  };
  FSpeedButton1 =
      makeButton("SpeedButton1", QStringLiteral("&View"), QStringLiteral("view selected compressor"));
  FSpeedButton2 =
      makeButton("SpeedButton2", QStringLiteral("&Delete"), QStringLiteral("delete selected compressor"));
  FSpeedButton3 = makeButton("SpeedButton3", QStringLiteral("&Close"), QString());

  FListView1 = new QTreeWidget(this);
  NameControl(FListView1, QStringLiteral("ListView1"));
  FListView1->setAccessibleName(QStringLiteral("Installed fan catalogs"));
  FListView1->setColumnCount(2);
  FListView1->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Models")});
  FListView1->setRootIsDecorated(false);
  FListView1->setItemsExpandable(false);
  FListView1->setUniformRowHeights(true);
  FListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  FListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  FListView1->setAllColumnsShowFocus(true);
  FListView1->setItemDelegate(new TGridDelegate(FListView1));
  FListView1->header()->setStretchLastSection(true);
  FListView1->header()->setSectionsMovable(false);
  FListView1->setColumnWidth(1, 90);

  FLabel1 = new QLabel(QStringLiteral("..."), this);
  NameControl(FLabel1, QStringLiteral("Label1"));
  QPalette grey = FLabel1->palette();
  grey.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  FLabel1->setPalette(grey);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(10, 0, 0, 0);
  buttons->setSpacing(3);
  buttons->addWidget(FSpeedButton1);
  buttons->addWidget(FSpeedButton2);
  buttons->addSpacing(24);
  buttons->addWidget(FSpeedButton3);
  buttons->addStretch(1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(8, 8, 8, 6);
  column->setSpacing(8);
  column->addLayout(buttons);
  column->addWidget(FListView1, 1);
  auto* footer = new QHBoxLayout;
  footer->setContentsMargins(10, 0, 0, 0);
  footer->addWidget(FLabel1);
  column->addLayout(footer);

  connect(FSpeedButton1, &QToolButton::clicked, this,
          [this] { RunGuarded(this, [this] { ViewSelected(); }); });
  connect(FSpeedButton2, &QToolButton::clicked, this,
          [this] { RunGuarded(this, [this] { DeleteSelected(); }); });
  connect(FSpeedButton3, &QToolButton::clicked, this, &QDialog::reject);
  connect(FListView1, &QTreeWidget::itemDoubleClicked, this,
          [this] { RunGuarded(this, [this] { ViewSelected(); }); });

  setTabOrder(FListView1, FSpeedButton1);
  setTabOrder(FSpeedButton1, FSpeedButton2);
  setTabOrder(FSpeedButton2, FSpeedButton3);

  // The window sees keys before its controls.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

  // 352 x 407 inside, and no smaller than 360 x 360 with its frame.
  resize(352, 407);
  setMinimumSize(352, 330);
  LoadPlacement(this, false, true);
  const auto settings = OpenSettings();
  FListView1->setColumnWidth(0, settings->value(QStringLiteral("Settings/Col1"), 220).toInt());
}

void TInstalledForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) RunGuarded(this, [this] { FormShow(); });
}

void TInstalledForm::FormShow() {
  RefreshList();
  if (FListView1->topLevelItemCount() > 0) FListView1->setCurrentItem(FListView1->topLevelItem(0));
  FListView1->setFocus();
}

void TInstalledForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TInstalledForm::FormClose() {
  RunGuarded(this, [this] {
    SavePlacement(this);
    const auto settings = OpenSettings();
    settings->setValue(QStringLiteral("Settings/Col1"), FListView1->columnWidth(0));
    settings->sync();
  });
}

void TInstalledForm::RefreshList() {
  FListView1->clear();
  const std::vector<TInstalledFile> files = ListInstalledFiles(StartupValues().DatabaseFolder);
  for (std::size_t i = 0; i < files.size(); ++i) {
    const TInstalledFile& file = files[i];
    // Names that differ only in case ("x.qfn", "x.QFN") show their whole
    // file name, so the user sees which one a row is.
    const bool twin = (i > 0 && SameText(files[i - 1].Name, file.Name)) ||
                      (i + 1 < files.size() && SameText(files[i + 1].Name, file.Name));
    auto* item = new QTreeWidgetItem(FListView1);
    item->setText(0, twin ? QFileInfo(QString::fromStdString(file.Path)).fileName()
                          : QString::fromStdString(file.Name));
    item->setText(1, QString::fromStdString(file.Path));
    item->setToolTip(1, item->text(1));
  }
  FLabel1->setText(QString::fromStdString(Format("%d fan catalogs...", {FListView1->topLevelItemCount()})));
}

void TInstalledForm::ViewSelected() {
  QTreeWidgetItem* item = FListView1->currentItem();
  if (!item || !item->isSelected() || !FSelector) return;
  // The path: the selector opens exactly this file, not another whose name
  // differs only in case.
  FSelector->SetFanFile(item->text(1));
  FSelector->exec();
}

void TInstalledForm::DeleteSelected() {
  QTreeWidgetItem* item = FListView1->currentItem();
  if (!item || !item->isSelected()) return;
  const QString path = item->text(1);
  if (!TMessageBox::Question(this, QStringLiteral("Confirm"),
                             QStringLiteral("Delete File?\r\n") + QFileInfo(path).fileName()))
    return;
  const TDeleteResult result = DeleteInstalledFile(path.toStdString());
  RefreshList();
  if (!result.Deleted) TMessageBox::Error(this, ProgramTitle(), QString::fromStdString(result.Message));
}

bool TInstalledForm::FormKeyDown(int key) {
  switch (key) {
    case Qt::Key_Delete:
      RunGuarded(this, [this] { DeleteSelected(); });
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (focusWidget() != FListView1) return false;
      RunGuarded(this, [this] { ViewSelected(); });
      return true;
    default:
      return false;
  }
}

bool TInstalledForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent*>(event)->key())) return true;
  return QDialog::eventFilter(watched, event);
}

void TInstalledForm::keyPressEvent(QKeyEvent* event) {
  if (FormKeyDown(event->key())) return;
  QDialog::keyPressEvent(event);
}

}  // namespace blowden
