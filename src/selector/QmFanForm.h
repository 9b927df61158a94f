#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "charts/SelectorChartView.h"
#include "fan/FanSelection.h"
#include "fan/FanTypes.h"
#include "report/Datasheet.h"
#include "selector/BoxCollector.h"
#include "selector/ExportCommands.h"
#include "selector/SoundSettings.h"
#include "selector/SubmittalFields.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPrintPreviewDialog;
class QBoxLayout;
class QPushButton;
class QStatusBar;
class QToolBar;
class QToolButton;
class QMouseEvent;
class QShowEvent;

namespace blowden {

class TChartPanel;
class TFmtEdit;
class TFmtEditLabel;

// The fan selector: the user picks an installed fan file, sees its models,
// enters a duty point (flow and static pressure, or a speed), lets the
// program find the model that suits the duty best and reads the operating
// results beside a chart of the fan's curves.
//
// Created hidden once at program start and shown modally (exec()) by the
// main window and by the installed files manager, which calls SetFanFile
// first. Each showing runs the opening sequence once: the file list is read
// again and the last file and model are selected by name. Closing by
// "Accept" gives result 1, by "Cancel" or the window frame result 2; the
// duty point, units, file and model are saved in every case.
//
// All values are held in m³/s, Pa and rpm; the edits show them in the units
// the user chose.
class TFanForm : public QDialog {
  Q_OBJECT

 public:
  explicit TFanForm(QWidget* parent = nullptr);
  ~TFanForm() override;

  // FFanFileName := name without a ".qfn" extension (and without a
  // folder); the installed file of that name is loaded into the fan model.
  //   SetFanFile("Fans2.qfn"), SetFanFile("Fans2") -> DatabaseFolder + "Fans2.qfn"
  //   SetFanFile("Fans.v2") -> DatabaseFolder + "Fans.v2.qfn"
  // A name that is not installed leaves the fan with "File not found".
  void SetFanFile(const QString& name);
  // FFanName := name; the model of that name is made current.
  void SetFanName(const QString& name);

  // Reads the installed files ("*.qfn" of the database folder, by name
  // without case) into FileListBox, by base name.
  void FillFileList();
  // Browse mode disables the three edits and "Find".
  void UpdateBrowseMode();

  // Evaluates the current model at the duty of the edits (or, in browse
  // mode, at its nominal point) and shows the results and the chart.
  void Evaluate();

  // --- read access for the windows that use the selector and for tests ---
  QString FanFileName() const { return FFanFileName; }
  QString FanName() const { return FFanName; }
  // The lines of the result memo (one text per line).
  QStringList MemoLines() const;
  // The text of status panel 0..3; empty for another index.
  QString StatusText(int panel) const;
  // The operating point and results last evaluated (m³/s, Pa, rpm, ...).
  const TSelectionResult& LastResult() const { return FResult; }
  // The chart window last set (the mouse handlers test against it).
  TChartWindow ChartWindow() const { return {FXMin, FXMax, FYMin, FYMax}; }
  // The fan model of the window.
  TFan& Fan() { return *FFan; }

  // Controls, for the windows' tests (also reachable by objectName).
  QComboBox* FileListBox() const { return FFileListBox; }
  QListWidget* FanListBox() const { return FFanListBox; }
  TFmtEdit* VolEdit() const { return FVolEdit; }
  TFmtEdit* PStaticEdit() const { return FPStaticEdit; }
  TFmtEdit* SpeedEdit() const { return FSpeedEdit; }
  QPushButton* FindBtn() const { return FFindBtn; }
  QCheckBox* BrowseCheck() const { return FcbBrowse; }
  QPlainTextEdit* Memo() const { return FMemo; }
  TChartPanel* CurvePanel() const { return FCurvePanel; }
  QToolButton* AcceptBtn() const { return FAcceptBtn; }
  QToolButton* CancelBtn() const { return FToolButton2; }
  QComboBox* PowerUnitsBox() const { return FPowerUnitsBox; }
  QDoubleSpinBox* ToleranceBox() const { return FToleranceBox; }
  const TListenerBoxes& ListenerBoxes() const { return FListenerBoxes; }
  QDoubleSpinBox* MotorMarginBox() const { return FMotorMarginBox; }
  QComboBox* AirSourceBox() const { return FAirSourceBox; }
  QComboBox* PressureKindBox() const { return FPressureKindBox; }
  TFmtEdit* DensityEdit() const { return FDensityEdit; }
  TFmtEdit* AltitudeEdit() const { return FAltitudeEdit; }
  TFmtEdit* TemperatureEdit() const { return FTemperatureEdit; }
  QLabel* AirDensityLabel() const { return FAirDensityLabel; }
  QPushButton* CompareBtn() const { return FCompareBtn; }
  QToolButton* ExportBtn() const { return FExportBtn; }
  QToolButton* PrintBtn() const { return FPrintBtn; }

  // The air at the fan as the Air group says (values in kg/m³, m, °C).
  TSiteAir SiteAir() const;
  // Whether the pressure field holds the static or the total pressure.
  TPressureKind PressureKind() const;
  // The units the result lines are shown in: those of the flow and pressure
  // fields and the power unit chooser.
  TResultUnits ResultUnits() const;
  // The motor margin of the box; NEMA motors when the power is shown in HP.
  TEnergyOptions EnergyOptions() const;
  // The duty of the window's boxes (pressure kind, tolerance, motor margin,
  // listener) at flow and pressure, at `air`.
  TDuty DutyOf(double flow, double pressure, const TSiteAir& air) const;
  // Selects an installed file (full path or name) and one of its models, and
  // evaluates it at the duty of the fields, as if chosen in the lists.
  bool ChooseFileAndModel(const QString& file, const QString& model);
  // Runs the duty on every model of every installed file and shows the
  // ranked candidates (the hook, when set, receives the view instead of
  // showing it modally, for tests).
  void CompareAll();
  std::function<void(class TCandidatesView& view)> CandidatesViewHook;

  // The datasheet of the model evaluated at the duty of the fields, in the
  // units and air shown. Only a duty evaluated to an operating point has
  // one: empty, with the reason in `why`, in browse mode or without results.
  bool DatasheetAvailable(QString* why = nullptr) const;
  bool CurrentDatasheet(TDatasheet& sheet, QString& why);
  // "Export datasheet": the datasheet as a PDF file the user names; false
  // when cancelled or not written (an error box says why).
  bool ExportDatasheet();
  // "Print": the print dialog with a preview of the datasheet.
  void PrintDatasheet();
  // Where the export goes (a file dialog when unset; tests answer here).
  TAskSavePath AskSavePath;
  // The export's project, tag and quantity (a dialog when unset; tests
  // answer here); the answer is kept for the session's next datasheet.
  TAskSubmittal AskSubmittal;
  const TSubmittalFields& Submittal() const { return FSubmittal; }
  // Receives the print preview instead of its being run (tests).
  std::function<void(QPrintPreviewDialog& dialog)> PrintPreviewHook;

  // The units of the duty fields, in which the chart and its read-out show
  // flow and pressure.
  TSelectorChartUnits ChartUnits() const;
  // Shows or hides the chart's legend (remembered in the settings).
  void SetShowLegend(bool show);
  // Runs the chart's menu instead of exec() (tests pick an entry).
  std::function<void(QMenu& menu)> ChartMenuHook;
  // The chart's menu at a screen position.
  void CurvePanelContextPopup(const QPoint& globalPos);

  // Keyboard navigation seen by the form before its controls: Return moves
  // to the next control (not in list boxes or the memo), Down / Up to the
  // next / previous one (not in the combo box, list box or memo). True when
  // the key was consumed.
  bool HandleNavigationKey(int key, QWidget* activeControl);

 public slots:
  // Every way of closing ends here: the settings are saved, then the
  // window closes with the result (1 Accept, 2 Cancel).
  void done(int result) override;
  // Esc and the window frame's close box: the cancel result.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void SetUpMemoTabs();
  void LoadSettings();
  void SaveSettings();
  // Shows `value` (stored unit) in a duty field, or the stored `text` when
  // that text still gives the value in the field's unit.
  static void RestoreDutyText(TFmtEdit* edit, double value, const QString& text);
  void FormActivate();
  void FileChosen(bool byUser);
  void FillFanList();
  void SelectFanRow(int row);
  bool HaveModel() const;
  bool ReadDuty(double& flow, double& pressure);
  void ShowResults();
  void ShowMemoLines(const QStringList& lines, bool wrap = false);
  void CreateAirGroup(QWidget* parent, QBoxLayout* column);
  void UpdateAirControls();
  void ShowAirDensity();
  void EvaluateAtDuty(double flow, double pressure);
  // Reads every model: the reader's boxes are collected into one.
  int FindBestModelAtSite(double flow, double pressure);
  // The first box collected, with "and N more like it"; the others in its details.
  void ShowCollected(const QStringList& held);
  void ShowHint(const QString& text);
  void StatusMessageChanged(const QString& message);
  void RedrawChart();
  void MousePosition(double& x, double& y) const;
  void ClearResults(const QStringList& memoLines);
  void ShowModelStatus();
  void SetStatusText(int panel, const QString& text);
  bool InChartWindow(double x, double y) const;
  static bool UserChanged(const TFmtEdit* edit);

  // Handlers.
  void FileListBoxClick(int index);
  void FanListBoxClick();
  void VolEditExit();
  void PStaticEditExit();
  void SpeedEditExit();
  void FindBtnClick();
  void cbBrowseClick();
  void AcceptBtnClick();
  void ToolButton2Click();  // the "Cancel" button
  void CurvePanelMouseMove();
  void CurvePanelMouseDown(QMouseEvent* event);
  void UpdateDatasheetCommands();

  QComboBox* FFileListBox = nullptr;
  QListWidget* FFanListBox = nullptr;
  TFmtEdit* FVolEdit = nullptr;
  TFmtEdit* FPStaticEdit = nullptr;
  TFmtEdit* FSpeedEdit = nullptr;
  TFmtEditLabel* FFmtEditLabel1 = nullptr;
  TFmtEditLabel* FFmtEditLabel2 = nullptr;
  TFmtEditLabel* FFmtEditLabel3 = nullptr;
  QPushButton* FFindBtn = nullptr;
  QCheckBox* FcbBrowse = nullptr;
  QPlainTextEdit* FMemo = nullptr;
  TChartPanel* FCurvePanel = nullptr;
  QStatusBar* FStatusBar = nullptr;
  QLabel* FStatusPanels[4] = {};
  QToolBar* FToolBar1 = nullptr;
  QToolButton* FAcceptBtn = nullptr;
  QToolButton* FToolButton2 = nullptr;  // "Cancel" (the design's second tool button)
  QToolButton* FExportBtn = nullptr;
  QToolButton* FPrintBtn = nullptr;
  QLabel* FPStaticCaption = nullptr;
  QComboBox* FPowerUnitsBox = nullptr;
  QDoubleSpinBox* FToleranceBox = nullptr;    // % of the duty flow the fan may fall short
  QDoubleSpinBox* FMotorMarginBox = nullptr;  // % the motor's rating exceeds the largest shaft power
  TSubmittalFields FSubmittal;                // the last datasheet's project, tag and quantity
  TListenerBoxes FListenerBoxes;              // where the sound pressure is given
  // What the last Find said beyond its choice (why its first choice was
  // passed over, or that no model of the file meets the duty), shown once
  // after the results of the model it chose.
  std::vector<std::string> FFindNotes;
  QGroupBox* FAirGroup = nullptr;
  QComboBox* FAirSourceBox = nullptr;
  QComboBox* FPressureKindBox = nullptr;
  TFmtEdit* FDensityEdit = nullptr;
  TFmtEdit* FAltitudeEdit = nullptr;
  TFmtEdit* FTemperatureEdit = nullptr;
  QLabel* FAirDensityLabel = nullptr;
  QPushButton* FCompareBtn = nullptr;

  QString FFanFileName;
  QString FFanName;
  std::unique_ptr<TFan> FFan;
  TBoxCollector FBoxes{[this](const QStringList& held) { ShowCollected(held); }};
  TSelectionResult FResult;
  TDuty FDuty;  // the duty FResult was evaluated at (not in browse mode)
  double FVolume = 0, FPStatic = 0, FSpeed = 0;
  double FXMin = 1, FXMax = 10, FYMin = 1, FYMax = 10;
  bool FChartValid = false;  // the chart shows a model: the read-out and picking apply
  bool FFilling = false;     // the lists are being filled by the program, not the user
};

}  // namespace blowden
