#include "units/widgets/QmUnitsForm.h"

#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "base/Format.h"
#include "units/QmConv.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {

TUnitsForm::TUnitsForm(QmCustomEdit* edit, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), FEdit(edit) {
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
  show();
  raise();
  activateWindow();
  if (isVisible()) loop.exec();
  FLoop = nullptr;
}

int TUnitsForm::SelectedIndex() const { return ListBox1->currentRow(); }

void TUnitsForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ListBox1->setFocus(Qt::PopupFocusReason);
}

void TUnitsForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ListBox1->setGeometry(rect());
}

void TUnitsForm::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (FLoop) FLoop->quit();
}

bool TUnitsForm::eventFilter(QObject* watched, QEvent* event) {
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
  return QWidget::eventFilter(watched, event);
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
