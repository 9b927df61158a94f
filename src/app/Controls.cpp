#include "app/Controls.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QThreadPool>

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

int TNameListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(FNames.size());
}

QVariant TNameListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= FNames.size()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole)
    return FNames[index.row()];
  return {};
}

Qt::ItemFlags TNameListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

QStringList TNameListModel::Swap(QStringList names) {
  beginResetModel();
  FNames.swap(names);
  endResetModel();
  return names;
}

// Rows laid out at a time: a few milliseconds each, however long the list.
constexpr int kLayoutBatch = 20000;

TNameListBox::TNameListBox(QWidget* parent) : QListView(parent), FNames(new TNameListModel(this)) {
  setModel(FNames);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setLayoutMode(QListView::Batched);
  setBatchSize(kLayoutBatch);
  // As TClickListBox: a press is seen before the list handles it, a
  // selection change is a click, so is a click on the row already current.
  viewport()->installEventFilter(this);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (!FSilent && ItemIndex() >= 0) emit Clicked();
  });
  connect(this, &QListView::clicked, this, [this](const QModelIndex& index) {
    if (index.row() == FRowBeforePress) emit Clicked();
  });
}

void TNameListBox::SetItems(QStringList items) {
  FSilent = true;
  QStringList previous = FNames->Swap(std::move(items));
  FSilent = false;
  FRowBeforePress = -1;
  FShowCurrent = false;
  if (previous.size() > kLayoutBatch) ReleaseInBackground(std::make_shared<QStringList>(std::move(previous)));
}

void TNameListBox::SetItemIndex(int index) {
  FSilent = true;
  if (index < 0 || index >= count())
    selectionModel()->clear();
  else
    selectionModel()->setCurrentIndex(FNames->index(index), QItemSelectionModel::ClearAndSelect);
  FSilent = false;
}

int TNameListBox::ItemIndex() const {
  const QModelIndex current = currentIndex();
  if (!current.isValid() || !selectionModel()->isSelected(current)) return -1;
  return current.row();
}

QString TNameListBox::SelectedText() const { return Text(ItemIndex()); }

bool TNameListBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport() && event->type() == QEvent::MouseButtonPress) FRowBeforePress = ItemIndex();
  return QListView::eventFilter(watched, event);
}

void TNameListBox::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && ItemIndex() >= 0) {
    emit Clicked();
    return;
  }
  // While a long list is still being laid out its last row has no place
  // yet, and the view's own End would select nothing: the row is selected
  // here and scrolled to once the layout reaches it.
  if (event->key() == Qt::Key_End && count() > 0 && !visualRect(FNames->index(count() - 1)).isValid()) {
    SetItemIndex(count() - 1);
    FShowCurrent = true;
    emit Clicked();
    return;
  }
  QListView::keyPressEvent(event);
}

void TNameListBox::timerEvent(QTimerEvent* event) {
  QListView::timerEvent(event);
  if (FShowCurrent && visualRect(currentIndex()).isValid()) {
    FShowCurrent = false;
    scrollTo(currentIndex());
  }
}

void ReleaseInBackground(std::shared_ptr<void> held) {
  if (!held) return;
  // The task takes the caller's reference over and lets it go on the
  // pool's thread (the program waits for the pool before it ends).
  QThreadPool::globalInstance()->start([held = std::move(held)]() mutable { held.reset(); });
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
