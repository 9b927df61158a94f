#pragma once

#include <QDialog>
#include <QListWidget>
#include <QPointer>

class QEventLoop;

namespace blowden {

class QmCustomEdit;

// The unit chooser: a borderless pop-up list of the unit labels of a field's
// quantity type, with the field's shown unit selected. Enter, Esc or any mouse
// press closes it; the index selected at that moment is the choice (Esc is not
// a cancel). A left press first selects the item under the pointer. It is a
// top-level dialog of the accessibility tree ("Units", holding the list
// "Units"), so a screen reader reads the units and picks one.
//   TUnitsForm form(edit);
//   form.move(pos); form.FillList(); form.ShowModal();
//   int index = form.SelectedIndex();
class TUnitsForm : public QDialog {
  Q_OBJECT

 public:
  // Design size of the client area; the height stays for an empty list.
  static constexpr int DesignWidth = 135;
  static constexpr int DesignHeight = 147;
  static constexpr int ItemHeight = 13;

  explicit TUnitsForm(QmCustomEdit* edit, QWidget* parent = nullptr);
  ~TUnitsForm() override;

  // Fills the list with the labels of the edit's type and sizes the form:
  // height = 13 * (count + 0.5), halves to even (3 units: 46, 8 units: 110);
  // width = max(widest label, 50) + 10.
  void FillList();
  // Shows the form and waits until it closes.
  void ShowModal();
  // The selected row (else the current one), -1 when the list is empty.
  int SelectedIndex() const;

  QListWidget* ListBox1 = nullptr;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void ListBox1KeyDown(QKeyEvent* event, bool& handled);
  void ListBox1MouseDown(QMouseEvent* event);

  QPointer<QmCustomEdit> FEdit;
  QEventLoop* FLoop = nullptr;
};

}  // namespace blowden
