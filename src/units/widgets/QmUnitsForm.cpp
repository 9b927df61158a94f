#include "units/widgets/QmUnitsForm.h"

#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "base/Format.h"
#include "units/QmConv.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {

// A tool window rather than a Qt::Popup: Qt leaves pop-up windows out of the
// accessibility tree, and a screen reader must be able to read and operate
// the list. What a pop-up did by itself is done here: the list takes the
// keyboard, and a press anywhere else in the program, or another program
// becoming active, closes the chooser.
TUnitsForm::TUnitsForm(QmCustomEdit* edit, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), FEdit(edit) {
  setObjectName(QStringLiteral("UnitsForm"));
  setAccessibleDescription(QStringLiteral("UnitsForm"));
  setAccessibleName(QStringLiteral("Units"));
  setWindowTitle(QStringLiteral("Units"));
  // A press outside closes the chooser; it must not also reach the label
  // beneath and open it again.
  setAttribute(Qt::WA_NoMouseReplay);

  // "MS Sans Serif" is a bitmap font that is rarely installed; the next
  // families measure alike at 8 points.
  QFont font;
  font.setFamilies(
      {QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
  font.setPointSize(8);
  setFont(font);

  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  ListBox1->setAccessibleDescription(QStringLiteral("ListBox1"));
  ListBox1->setAccessibleName(QStringLiteral("Units"));
  ListBox1->setFrameShape(QFrame::NoFrame);
  ListBox1->setUniformItemSizes(true);
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListBox1->installEventFilter(this);
  ListBox1->viewport()->installEventFilter(this);
  // Assistive technology selects a row without making it current; the
  // choice is the selected row either way.
  connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (!selected.isEmpty() && ListBox1->currentItem() != selected.first())
      ListBox1->setCurrentItem(selected.first(), QItemSelectionModel::NoUpdate);
  });

  resize(DesignWidth, DesignHeight);
  ListBox1->setGeometry(rect());
}

TUnitsForm::~TUnitsForm() {
  if (FLoop) FLoop->quit();
}

void TUnitsForm::FillList() {
  ListBox1->clear();
  if (FEdit) {
    const QFontMetrics metrics(ListBox1->font());
    for (std::string_view label : GetUnitsLabels(FEdit->UnitsType())) {
      auto* item = new QListWidgetItem(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
      item->setSizeHint(QSize(metrics.horizontalAdvance(item->text()), ItemHeight));
      ListBox1->addItem(item);
    }
    if (FEdit->UnitsValue() >= 0 && FEdit->UnitsValue() < ListBox1->count())
      ListBox1->setCurrentRow(FEdit->UnitsValue());
  }

  int formHeight = height();
  const int count = ListBox1->count();
  if (count > 0) formHeight = static_cast<int>(RoundHalfEven(ItemHeight * (count + 0.5)));

  const QFontMetrics metrics(ListBox1->font());
  int widest = 0;
  for (int i = 0; i < count; ++i)
    widest = std::max(widest, metrics.horizontalAdvance(ListBox1->item(i)->text()));
  resize(std::max(widest, 50) + 10, formHeight);
  // A hidden widget gets its resize event only when shown; the list follows at once.
  ListBox1->setGeometry(rect());
}

void TUnitsForm::ShowModal() {
  QEventLoop loop;
  FLoop = &loop;
  qApp->installEventFilter(this);
  show();
  raise();
  activateWindow();
  if (isVisible()) loop.exec();
  qApp->removeEventFilter(this);
  FLoop = nullptr;
}

int TUnitsForm::SelectedIndex() const {
  const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
  return selected.isEmpty() ? ListBox1->currentRow() : ListBox1->row(selected.first());
}

void TUnitsForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ListBox1->setFocus(Qt::PopupFocusReason);
  // The keys are the chooser's while it is open, as they were a pop-up's,
  // also where no window manager moves the keyboard focus to it.
  ListBox1->grabKeyboard();
}

void TUnitsForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ListBox1->setGeometry(rect());
}

void TUnitsForm::hideEvent(QHideEvent* event) {
  ListBox1->releaseKeyboard();
  QDialog::hideEvent(event);
  if (FLoop) FLoop->quit();
}

bool TUnitsForm::event(QEvent* event) {
  // Another program became active: the chooser goes, as a pop-up would.
  if (event->type() == QEvent::WindowDeactivate && FLoop && isVisible()) close();
  return QDialog::event(event);
}

bool TUnitsForm::eventFilter(QObject* watched, QEvent* event) {
  // While open, a press anywhere else in the program closes the chooser and
  // goes no further (it must not reach the unit label and open it again).
  if (FLoop && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() != this) {
      close();
      return true;
    }
  }
  if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
    bool handled = false;
    ListBox1KeyDown(static_cast<QKeyEvent*>(event), handled);
    if (handled) return true;
  }
  if (watched == ListBox1->viewport() &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
    ListBox1MouseDown(static_cast<QMouseEvent*>(event));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TUnitsForm::ListBox1KeyDown(QKeyEvent* event, bool& handled) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      // Esc is no cancel: whatever is selected now is the choice.
      handled = true;
      close();
      break;
    default:
      break;
  }
}

void TUnitsForm::ListBox1MouseDown(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    // A press below the last item keeps the selection rather than choosing no unit.
    if (QListWidgetItem* item = ListBox1->itemAt(event->position().toPoint())) ListBox1->setCurrentItem(item);
  }
  close();
}

}  // namespace blowden
