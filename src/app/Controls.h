#pragma once

#include <QAbstractListModel>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QStringList>
#include <QStyledItemDelegate>
#include <memory>

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

// The texts of a TNameListBox: one list, shown as it is.
class TNameListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Puts `names` in place of the texts and returns the previous ones.
  QStringList Swap(QStringList names);
  const QStringList& Names() const { return FNames; }

 private:
  QStringList FNames;
};

// TClickListBox for lists of any length (the model names of a catalogue of
// millions): the view reads its rows from one list of texts instead of an
// item per row, so filling it takes no time whatever its length, and it
// lays its rows out a batch at a time while the window goes on answering.
// Clicked fires as TClickListBox's does.
class TNameListBox : public QListView {
  Q_OBJECT

 public:
  explicit TNameListBox(QWidget* parent = nullptr);

  // Replaces the items without firing Clicked; nothing is current
  // afterwards. A long previous list is freed away from the window's thread.
  void SetItems(QStringList items);
  // Makes row `index` current and selected (-1: none) without firing Clicked.
  void SetItemIndex(int index);
  // The current row, or -1 when no item is selected.
  int ItemIndex() const;
  // The text of the current row, or an empty text.
  QString SelectedText() const;
  int count() const { return int(FNames->Names().size()); }
  // The text of row `row`, or an empty text.
  QString Text(int row) const { return FNames->Names().value(row); }

 signals:
  void Clicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  TNameListModel* FNames;
  bool FSilent = false;
  int FRowBeforePress = -1;
  bool FShowCurrent = false;  // scroll to the current row once it is laid out
};

// Frees what `held` holds on a thread of Qt's global pool: the parse and the
// names of a catalogue of millions of models take a while to free, and the
// window's thread need not wait for it.
void ReleaseInBackground(std::shared_ptr<void> held);

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
