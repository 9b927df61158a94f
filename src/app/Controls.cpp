#include "app/Controls.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace blowden {

TClickListBox::TClickListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  // Every row is one line of text: measuring the first is enough, so a
  // list of 300,000 model names fills without measuring each.
  setUniformItemSizes(true);
  // A press is seen here before the list handles it, so that a click on
  // the item that was already current can be told from one that changes it.
  viewport()->installEventFilter(this);
  // A selection change (mouse or arrow keys) is a click; a current row
  // without selection (the list taking the focus) is not.
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    if (!FSilent && ItemIndex() >= 0) emit Clicked();
  });
  connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (row(item) == FRowBeforePress) emit Clicked();
  });
}

void TClickListBox::SetItems(const QStringList& items) {
  FSilent = true;
  clear();
  addItems(items);
  setCurrentRow(-1);
  FSilent = false;
  FRowBeforePress = -1;
}

void TClickListBox::SetItemIndex(int index) {
  FSilent = true;
  if (index < 0 || index >= count()) {
    setCurrentRow(-1);
    clearSelection();
  } else {
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  }
  FSilent = false;
}

int TClickListBox::ItemIndex() const {
  const int row = currentRow();
  if (row < 0 || !item(row) || !item(row)->isSelected()) return -1;
  return row;
}

QString TClickListBox::SelectedText() const {
  const int row = ItemIndex();
  return row < 0 ? QString() : item(row)->text();
}

bool TClickListBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport() && event->type() == QEvent::MouseButtonPress) FRowBeforePress = ItemIndex();
  return QListWidget::eventFilter(watched, event);
}

void TClickListBox::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && ItemIndex() >= 0) {
    emit Clicked();
    return;
  }
  QListWidget::keyPressEvent(event);
}

TClickLabel::TClickLabel(QWidget* parent) : QLabel(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setStyleSheet(QStringLiteral(
      "blowden--TClickLabel:focus { background: palette(highlight); color: palette(highlighted-text); }"));
}

void TClickLabel::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  emit MouseDown();
}

void TClickLabel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space ||
      event->matches(QKeySequence::Copy)) {
    emit MouseDown();
    return;
  }
  QLabel::keyPressEvent(event);
}

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
  QStyleOptionViewItem content(option);
  content.rect.adjust(0, 0, -1, -1);
  QStyledItemDelegate::paint(painter, content, index);
  painter->save();
  painter->setPen(QColor(0xD8, 0xD8, 0xD8));
  const QRect r = option.rect;
  painter->drawLine(r.topRight(), r.bottomRight());
  painter->drawLine(r.bottomLeft(), r.bottomRight());
  painter->restore();
}

QSize TGridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  // The grid's pixel row and column, and room for the ink of the text: some
  // fonts (Tahoma among them) declare a line height their accents and
  // descenders overrun, more so on a scaled screen (QT_SCALE_FACTOR=2).
  const QSize base = QStyledItemDelegate::sizeHint(option, index);
  const QRect ink = QFontMetrics(option.font).boundingRect(QStringLiteral("\u00C9gjpqy_|"));
  return QSize(base.width() + 1, qMax(base.height(), ink.height() + 2) + 1);
}

}  // namespace blowden
