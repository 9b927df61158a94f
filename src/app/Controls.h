#pragma once

#include <QLabel>
#include <QListWidget>
#include <QStyledItemDelegate>

namespace blowden {

// A list box whose Clicked signal fires the way a user expects a list's
// "click" to: when the user makes another item current (mouse or arrow
// keys), when the user clicks the item that is already current (to load it
// again), and on Enter. Changes made from code (SetItemIndex, SetItems) do
// not fire it.
class TClickListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit TClickListBox(QWidget* parent = nullptr);

  // Replaces the items without firing Clicked; nothing is current afterwards.
  void SetItems(const QStringList& items);
  // Makes row `index` current and selected (-1: none) without firing Clicked.
  void SetItemIndex(int index);
  // The current row, or -1 when no item is selected.
  int ItemIndex() const;
  // The text of the current row, or an empty text.
  QString SelectedText() const;

 signals:
  void Clicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool FSilent = false;
  int FRowBeforePress = -1;
};

// A label whose text can be copied: a mouse press on it, or Enter, Space or
// Ctrl+C while it has the keyboard focus, fires MouseDown. It takes the focus
// by Tab and shows it with the selection colours.
class TClickLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TClickLabel(QWidget* parent = nullptr);

 signals:
  void MouseDown();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// Draws the cells of a report-style list with light grid lines. The grid
// takes a pixel row and column of its own below and right of each cell's
// content, so it never covers text (an underscore on the last row of a cell,
// the tail of a "g").
class TGridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace blowden
