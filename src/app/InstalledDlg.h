#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QToolButton;
class QTreeWidget;

namespace blowden {

class TFanForm;

// The installed files manager: lists the fan data files of the database
// folder with their count, opens one in the fan selector ("View", a double
// click or Enter) and deletes one after confirmation, keeping a backup copy
// "<name>._fn" beside it ("Delete", or the Delete key anywhere in the
// window). Created hidden once and shown modally; every showing lists the
// folder afresh.
class TInstalledForm : public QDialog {
  Q_OBJECT

 public:
  // `selector` is the fan selector that "View" shows (none: View does nothing).
  explicit TInstalledForm(TFanForm* selector, QWidget* parent = nullptr);
  ~TInstalledForm() override;

  // Lists the installed files again and shows their count.
  void RefreshList();
  // Shows the selected file in the fan selector (modal).
  void ViewSelected();
  // Asks, then backs up and deletes the selected file, and lists again.
  void DeleteSelected();

  QTreeWidget* ListView1() const { return FListView1; }
  QToolButton* SpeedButton1() const { return FSpeedButton1; }
  QToolButton* SpeedButton2() const { return FSpeedButton2; }
  QToolButton* SpeedButton3() const { return FSpeedButton3; }
  QLabel* Label1() const { return FLabel1; }

 public slots:
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void FormClose();
  bool FormKeyDown(int key);

  TFanForm* FSelector;
  QToolButton* FSpeedButton1 = nullptr;  // "View": the selected file in the fan selector
  QToolButton* FSpeedButton2 = nullptr;  // "Delete"
  QToolButton* FSpeedButton3 = nullptr;  // "Close"
  QTreeWidget* FListView1 = nullptr;
  QLabel* FLabel1 = nullptr;
};

}  // namespace blowden
