#include "selector/QmFanForm.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextOption>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "base/Convert.h"
#include "base/Format.h"
#include "charts/SelectorChartView.h"
#include "charts/widgets/ControlNames.h"
#include "charts/widgets/QmChartPanel.h"
#include "fan/FanDuty.h"
#include "fan/FanOutcome.h"
#include "fan/FanRanking.h"
#include "fan/QmFan.h"
#include "selector/CandidatesView.h"
#include "selector/FanFormShared.h"
#include "services/Database.h"
#include "services/Folders.h"
#include "services/MessageBox.h"
#include "services/Placement.h"
#include "services/Settings.h"
#include "services/TextColours.h"
#include "units/FmtText.h"
#include "units/QmConv.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {

using fanform::kPanelNames;
using fanform::ToQ;

namespace {

// Design size of the window; the chart takes what the window grows by.
constexpr int kDesignWidth = 860;
constexpr int kDesignHeight = 760;
}  // namespace

TFanForm::TFanForm(QWidget* parent) : QDialog(parent), FFan(std::make_unique<TFan>()) {
  setObjectName(QStringLiteral("FanForm"));
  setAccessibleName(QStringLiteral("Fan selector"));
  setAccessibleDescription(QStringLiteral("FanForm"));
  // Its own title, told apart from the main window's in a task bar and by a screen reader.
  setWindowTitle(QStringLiteral("Fan selector — Blowden"));
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  setSizeGripEnabled(false);  // the status bar has its own grip

  // The data file reader's three boxes (bad area, too few points, no pressure).
  // A search reads every model: its boxes say which model, are collected
  // and shown once per model.
  FBoxes.SetDistinct(true);
  FFan->OnMessage = [this](const std::string& text) {
    if (FBoxes.Collecting()) {
      FBoxes.Add(QStringLiteral("%1\nIn model %2").arg(ToQ(text), ToQ(FFan->Model().Name)));
      return;
    }
    TMessageBox::Information(this, QApplication::applicationDisplayName(), ToQ(text));
  };

  CreateControls();
  resize(kDesignWidth, kDesignHeight);
  LoadSettings();
}

TFanForm::~TFanForm() = default;

// --- file and model ---------------------------------------------------------

void TFanForm::SetFanFile(const QString& name) {
  // Accepts "Axial", "Axial.qfn" or a path; only the ".qfn" extension is
  // taken off, so a name such as "Axial.v2" stays whole.
  QString base = name.contains(QLatin1Char('/')) ? QFileInfo(name).fileName() : name;
  if (base.endsWith(QLatin1String(FanFileExtension), Qt::CaseInsensitive)) base.chop(4);
  FFanFileName = base;
  const std::string folder = StartupValues().DatabaseFolder;
  // The installed file of that name, whatever the letter case of its
  // extension; a file that is not there leaves the fan with "File not found".
  // The file name as given first ("x.QFN" is not "x.qfn").
  const QString given = name.contains(QLatin1Char('/')) ? QFileInfo(name).fileName() : name;
  if (const auto installed = FindInstalledFile(folder, given.toStdString())) {
    FFanFileName = ToQ(installed->Name);
    FFan->LoadFromFile(installed->Path);
  } else {
    FFan->LoadFromFile(JoinPath(folder, base.toStdString() + FanFileExtension));
  }
}

void TFanForm::SetFanName(const QString& name) {
  FFanName = name;
  FFan->SelectModel(name.toStdString());
}

void TFanForm::FillFileList() {
  FFilling = true;
  FFileListBox->clear();
  for (const TInstalledFile& file : ListInstalledFiles(StartupValues().DatabaseFolder))
    FFileListBox->addItem(ToQ(file.Name));
  FFilling = false;
}

void TFanForm::FillFanList() {
  FFilling = true;
  FFanListBox->clear();
  for (const std::string& model : FFan->Models()) FFanListBox->addItem(ToQ(model));
  FFilling = false;
}

void TFanForm::SelectFanRow(int row) {
  FFilling = true;
  if (row >= 0 && row < FFanListBox->count()) {
    FFanListBox->setCurrentRow(row);
  } else {
    FFanListBox->setCurrentRow(-1);
    FFanListBox->clearSelection();
  }
  FFilling = false;
}

void TFanForm::UpdateBrowseMode() {
  const bool enabled = !FcbBrowse->isChecked();
  FVolEdit->setEnabled(enabled);
  FPStaticEdit->setEnabled(enabled);
  FSpeedEdit->setEnabled(enabled);
  FFindBtn->setEnabled(enabled);
  UpdateDatasheetCommands();
}

bool TFanForm::HaveModel() const { return !FFan->Models().empty() && FFanListBox->currentRow() >= 0; }

// --- opening ----------------------------------------------------------------

void TFanForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Once per showing: a window restored from the task bar is shown again
  // spontaneously and keeps what it shows.
  if (!event->spontaneous()) FormActivate();
}

void TFanForm::FormActivate() {
  FillFileList();
  if (FFileListBox->count() == 0) {
    FFanListBox->clear();
    ClearResults({QStringLiteral("No fan files installed..."),
                  QStringLiteral("Install a fan data file from the main window: Install > Install Fan.")});
    SetStatusText(0, QString());
    UpdateBrowseMode();
    return;
  }

  int index = FFileListBox->findText(FFanFileName, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    index = 0;
    FFileListBox->setCurrentIndex(index);
    SetFanFile(FFileListBox->itemText(index));
  } else {
    FFileListBox->setCurrentIndex(index);
  }
  FileChosen(false);

  if (FFanListBox->count() == 0) {
    ShowModelStatus();
    UpdateBrowseMode();
    return;
  }
  int row = -1;
  for (int i = 0; i < FFanListBox->count(); ++i)
    if (FFanListBox->item(i)->text() == FFanName) {
      row = i;
      break;
    }
  if (row < 0) {
    row = 0;
    FFanName = FFanListBox->item(0)->text();
  }
  SelectFanRow(row);
  SetFanName(FFanName);
  if (HaveModel()) Evaluate();
  UpdateBrowseMode();
}

// The file of FileListBox is loaded and its models listed; when the user
// chose it, the model that suits the duty best is selected and evaluated.
void TFanForm::FileChosen(bool byUser) {
  const int index = FFileListBox->currentIndex();
  if (index < 0) return;
  SetFanFile(FFileListBox->itemText(index));
  FillFanList();
  // A file that did not load or names no model is invalid; a duty the file
  // cannot meet is not (the memo says why).
  bool invalid = !FFan->Loaded() || FFan->Models().empty();

  if (byUser) {
    if (FFan->Models().empty()) {
      ShowModelStatus();
    } else {
      double flow = 0, pressure = 0;
      if (ReadDuty(flow, pressure)) {
        const int best = FindBestModelAtSite(flow, pressure);
        SelectFanRow(best);
        if (best >= 0) {
          Evaluate();
        } else {
          invalid = true;
          ShowModelStatus();
        }
      }
    }
  }
  if (invalid) SetStatusText(0, QStringLiteral("Invalid fan file..."));
}

// --- evaluation -------------------------------------------------------------

bool TFanForm::ReadDuty(double& flow, double& pressure) {
  try {
    flow = FmtValueToFloat(FVolEdit->Value());
    pressure = FmtValueToFloat(FPStaticEdit->Value());
  } catch (const EConvertError& error) {
    ClearResults({QString::fromUtf8(error.what())});
    return false;
  }
  // The rules every view reads a duty by: a flow above 0, a pressure of 0
  // or more.
  if (const auto error = DutyValuesError(flow, pressure, FVolEdit->text().toStdString(),
                                         FPStaticEdit->text().toStdString())) {
    ClearResults({ToQ(*error)});
    return false;
  }
  return true;
}

void TFanForm::Evaluate() {
  if (!HaveModel()) return;
  // A model whose data the fan model rejected is not evaluated: the fan
  // still holds curves of the model read before it.
  if (!FFan->CurrentModel()) {
    ShowModelStatus();
    return;
  }
  ShowAirDensity();
  // Air that cannot be computed says why instead of results.
  const TSiteAir air = SiteAir();
  if (const auto error = SiteAirError(air)) {
    ClearResults({ToQ(*error)});
    return;
  }
  const TChartWindow previous{FXMin, FXMax, FYMin, FYMax};
  if (FcbBrowse->isChecked()) {
    FResult = EvaluateBrowse(*FFan, air, previous, ResultUnits(), ListenerOf(FListenerBoxes));
    const bool total = PressureKind() == TPressureKind::Total;
    FVolEdit->SetValue(FResult.Volume);
    FPStaticEdit->SetValue(total ? FResult.PTotal : FResult.PStatic);
    FSpeedEdit->SetValue(FResult.Speed);
    // The duty marker goes where the fields say, rounded as shown; the
    // operating point is marked too when the rounding moved it. The chart
    // is of static pressure: a total field marks the static point.
    double shownFlow = FResult.Volume, shownPressure = FResult.PStatic;
    if (!ReadDuty(shownFlow, shownPressure)) return;
    if (total) shownPressure = FResult.PStatic;
    PlaceDutyMarkers(FResult, shownFlow, shownPressure, shownFlow, shownPressure);
  } else {
    double flow = 0, pressure = 0;
    if (!ReadDuty(flow, pressure)) return;
    EvaluateAtDuty(flow, pressure);
    return;
  }
  FFanName = ToQ(FFan->Model().Name);
  SetStatusText(0, ToQ(FResult.ModelCaption));
  ShowResults();
}

// The search judges each model at the site's air and the duty's pressure
// kind; air that cannot be computed searches at the catalogue's air (the
// evaluation then says what is wrong with the air).
int TFanForm::FindBestModelAtSite(double flow, double pressure) {
  TDuty duty = DutyOf(flow, pressure, SiteAir());
  if (SiteAirError(duty.Air)) duty.Air = TSiteAir{};
  const TBoxCollector::TScope collect(FBoxes);
  TFindResult found = FindAcceptableModel(*FFan, duty);
  FFindNotes = std::move(found.Notes);
  return found.Index;
}

// Details of at most this many boxes: the box stays quick to open whatever
// the catalogue's size.
constexpr qsizetype kMostDetails = 1000;

void TFanForm::ShowCollected(const QStringList& held) {
  const QString title = QApplication::applicationDisplayName();
  if (held.size() == 1) {
    TMessageBox::Information(this, title, held.first());
    return;
  }
  QStringList details;
  for (qsizetype i = 1; i < held.size() && i <= kMostDetails; ++i)
    details.append(QString(held[i]).replace(QLatin1Char('\n'), QStringLiteral(" \u2014 ")));
  if (held.size() - 1 > kMostDetails)
    details.append(QStringLiteral("... and %1 more").arg(held.size() - 1 - kMostDetails));
  TMessageBox::Information(
      this, title, TBoxCollector::MoreText(held.first(), held.size() - 1, QStringLiteral("the details")),
      details.join(QLatin1Char('\n')));
}

// The current model at the duty (m³/s, Pa of the pressure kind) and the air
// of the Air group, with the results in the chosen units.
void TFanForm::EvaluateAtDuty(double flow, double pressure) {
  const TSiteAir air = SiteAir();
  if (const auto error = SiteAirError(air)) {
    ClearResults({ToQ(*error)});
    return;
  }
  const TDuty duty = DutyOf(flow, pressure, air);
  FDuty = duty;
  FResult =
      EvaluateDuty(*FFan, duty, flow, pressure, TChartWindow{FXMin, FXMax, FYMin, FYMax}, ResultUnits());
  FSpeedEdit->SetValue(FResult.RawSpeed);
  FFanName = ToQ(FFan->Model().Name);
  // The status bar names the model evaluated, not the one shown before.
  SetStatusText(0, ToQ(FResult.ModelCaption));
  ShowResults();
}

void TFanForm::ShowResults() {
  FVolume = FResult.Volume;
  FPStatic = FResult.PStatic;
  FSpeed = FResult.Speed;
  FXMin = FResult.Chart.XMin;
  FXMax = FResult.Chart.XMax;
  FYMin = FResult.Chart.YMin;
  FYMax = FResult.Chart.YMax;
  QStringList lines;
  for (const std::string& line : FResult.Lines) lines.append(ToQ(line));
  for (const std::string& line : FResult.ExtraLines) lines.append(ToQ(line));
  if (FResult.Status == 0)
    for (const std::string& line : SoundLines(FResult.Sound)) lines.append(ToQ(line));
  // The result lines fit the box and keep their columns; the added lines
  // and the warnings are sentences that wrap at word ends so that the
  // whole of each stays in view.
  ShowMemoLines(lines);
  FMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  FMemo->setWordWrapMode(QTextOption::WordWrap);
  // The verdict after the results: each reason and each warning a red line
  // of its own, then what Find said about its choice.
  QTextCursor cursor(FMemo->document());
  cursor.movePosition(QTextCursor::End);
  QTextCharFormat red;
  red.setForeground(ErrorTextColour());
  for (const std::string& text : FResult.Reasons) {
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Rejected: ") + ToQ(text), red);
  }
  for (const std::string& text : FResult.Warnings) {
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Warning: ") + ToQ(text), red);
  }
  // Find's notes belong to the evaluation that follows it only.
  for (const std::string& text : std::exchange(FFindNotes, {})) {
    cursor.insertBlock();
    cursor.insertText(ToQ(text), QTextCharFormat());
  }
  DrawSelectorChart(*FCurvePanel, FResult.Chart, ChartUnits());
  FChartValid = true;
  SetStatusText(3, ToQ(FResult.R2Text));
  UpdateDatasheetCommands();
}

void TFanForm::ShowMemoLines(const QStringList& lines, bool wrap) {
  // Result lines keep their columns; a message wraps within the box.
  FMemo->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  FMemo->setWordWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  FMemo->setPlainText(lines.join(QLatin1Char('\n')));
}

// Nothing to show for a model: the memo gets the lines, the chart is emptied
// and the read-out stops.
void TFanForm::ClearResults(const QStringList& memoLines) {
  ShowMemoLines(memoLines, true);
  FCurvePanel->Clear();
  FCurvePanel->SetTitle(QString());
  FCurvePanel->setAccessibleName(QStringLiteral("Fan curves (empty)"));
  FCurvePanel->Redraw();
  FChartValid = false;
  FResult = TSelectionResult();
  for (int i = 1; i < 4; ++i) SetStatusText(i, QString());
  UpdateDatasheetCommands();
}

// The file or model could not be read: its status text in place of results.
void TFanForm::ShowModelStatus() {
  ClearResults({ToQ(UnusableModel(*FFan).Text)});
  if (FFan->Models().empty())
    SetStatusText(0, QStringLiteral("Invalid fan file..."));
  else
    SetStatusText(0, ToQ(ModelCaption(FFan->Header().Maker, FFanName.toStdString())));
}

void TFanForm::SetStatusText(int panel, const QString& text) {
  if (panel < 0 || panel > 3) return;
  FStatusPanels[panel]->setText(text);
  FStatusPanels[panel]->setToolTip(text);
  // The panel's accessible name says what it shows, and a screen reader is
  // told of every change.
  const QString name = QString::fromUtf8(kPanelNames[panel]);
  const QString spoken = text.isEmpty() ? name : name + QStringLiteral(": ") + text;
  if (FStatusPanels[panel]->accessibleName() != spoken) {
    FStatusPanels[panel]->setAccessibleName(spoken);
    QAccessibleEvent event(FStatusPanels[panel], QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
}

void TFanForm::ShowHint(const QString& text) { FStatusBar->showMessage(text, 6000); }

// A message of the status bar (a hint) is what the bar says to a screen
// reader while it shows.
void TFanForm::StatusMessageChanged(const QString& message) {
  const QString name = message.isEmpty() ? QStringLiteral("Status") : QStringLiteral("Status: ") + message;
  if (FStatusBar->accessibleName() == name) return;
  FStatusBar->setAccessibleName(name);
  QAccessibleEvent event(FStatusBar, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

TSelectorChartUnits TFanForm::ChartUnits() const {
  TSelectorChartUnits units;
  units.Flow = {FVolEdit->Factor(), FVolEdit->Offset(), FFmtEditLabel1->text()};
  units.Pressure = {FPStaticEdit->Factor(), FPStaticEdit->Offset(), FFmtEditLabel2->text()};
  return units;
}

void TFanForm::RedrawChart() {
  if (FChartValid) DrawSelectorChart(*FCurvePanel, FResult.Chart, ChartUnits());
}

// --- read access ------------------------------------------------------------

QStringList TFanForm::MemoLines() const {
  const QString text = FMemo->toPlainText();
  if (text.isEmpty()) return {};
  return text.split(QLatin1Char('\n'));
}

QString TFanForm::StatusText(int panel) const {
  if (panel < 0 || panel > 3) return {};
  return FStatusPanels[panel]->text();
}

// --- handlers ---------------------------------------------------------------

void TFanForm::FileListBoxClick(int index) {
  if (index < 0 || index >= FFileListBox->count()) return;
  if (FFileListBox->currentIndex() != index) FFileListBox->setCurrentIndex(index);
  FileChosen(true);
}

void TFanForm::FanListBoxClick() {
  const int row = FFanListBox->currentRow();
  if (row < 0 || FFan->Models().empty()) return;
  SetFanName(FFanListBox->item(row)->text());
  Evaluate();
}

bool TFanForm::UserChanged(const TFmtEdit* edit) {
  return edit->isModified() && edit->text() != edit->EnterText();
}

void TFanForm::VolEditExit() {
  if (UserChanged(FVolEdit)) Evaluate();
}

void TFanForm::PStaticEditExit() {
  if (UserChanged(FPStaticEdit)) Evaluate();
}

// A speed typed in: the duty pressure becomes the model's pressure at the
// duty flow and that speed, and the speed is solved back from it.
void TFanForm::SpeedEditExit() {
  if (!UserChanged(FSpeedEdit) || !HaveModel() || !FFan->CurrentModel()) return;
  try {
    const double flow = FmtValueToFloat(FVolEdit->Value());
    const double speed = FmtValueToFloat(FSpeedEdit->Value());
    FPStaticEdit->SetValue(
        DutyPressureAtSpeed(*FFan, flow, speed, FChartValid ? &FResult : nullptr, PressureKind()));
  } catch (const EConvertError& error) {
    ClearResults({QString::fromUtf8(error.what())});
    return;
  }
  Evaluate();
}

void TFanForm::FindBtnClick() {
  if (FFan->Models().empty()) return;
  double flow = 0, pressure = 0;
  if (!ReadDuty(flow, pressure)) return;
  const int best = FindBestModelAtSite(flow, pressure);
  SelectFanRow(best);
  if (best < 0) {
    ShowModelStatus();
    return;
  }
  EvaluateAtDuty(flow, pressure);
}

void TFanForm::cbBrowseClick() {
  UpdateBrowseMode();
  // Without a model the memo keeps saying why.
  if (!HaveModel()) return;
  FMemo->clear();
  Evaluate();
}

void TFanForm::AcceptBtnClick() { done(1); }

void TFanForm::ToolButton2Click() { done(2); }

void TFanForm::reject() { done(2); }

void TFanForm::done(int result) {
  SaveSettings();
  QDialog::done(result);
}

// (x, y) in m³/s and Pa lies in the window the chart shows (bounds
// included): the window last set, rounded out to the ticks in other units.
bool TFanForm::InChartWindow(double x, double y) const {
  if (!FChartValid) return false;
  const TSelectorChartUnits units = ChartUnits();
  return FCurvePanel->IsInWindow(ToUnits(x, units.Flow.Factor, units.Flow.Offset),
                                 ToUnits(y, units.Pressure.Factor, units.Pressure.Offset));
}

// The chart draws in the units of the duty fields: its mouse position comes
// back in them and goes to the fields in m³/s and Pa.
void TFanForm::MousePosition(double& x, double& y) const {
  const TSelectorChartUnits units = ChartUnits();
  x = FromUnits(FCurvePanel->MouseX(), units.Flow.Factor, units.Flow.Offset);
  y = FromUnits(FCurvePanel->MouseY(), units.Pressure.Factor, units.Pressure.Offset);
}

void TFanForm::CurvePanelMouseMove() {
  double x = 0, y = 0;
  MousePosition(x, y);
  if (InChartWindow(x, y)) {
    const TSelectorChartUnits units = ChartUnits();
    SetStatusText(1, ToQ(Format("Q=%0.3g ", {FCurvePanel->MouseX()})) + units.Flow.Label);
    SetStatusText(2, ToQ(Format("P=%0.4g ", {FCurvePanel->MouseY()})) + units.Pressure.Label);
  } else {
    SetStatusText(1, QString());
    SetStatusText(2, QString());
  }
}

// Ctrl+left-click inside the chart's window moves the duty point there. The
// chart reports the press before it takes the new position, so MouseX/MouseY
// are those of the last move, which is the press point.
void TFanForm::CurvePanelMouseDown(QMouseEvent* event) {
  if (!event || event->button() != Qt::LeftButton || !(event->modifiers() & Qt::ControlModifier)) return;
  if (FcbBrowse->isChecked() || !HaveModel()) return;
  double x = 0, y = 0;
  MousePosition(x, y);
  if (!InChartWindow(x, y)) return;
  FVolEdit->SetValue(x);
  FPStaticEdit->SetValue(y);
  Evaluate();
}

// The chart's menu (right-click, the menu key or Shift+F10): copy the picture,
// show or hide the legend.
void TFanForm::CurvePanelContextPopup(const QPoint& globalPos) {
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("ChartMenu"));
  QAction* copy = menu.addAction(QStringLiteral("&Copy chart"));
  copy->setShortcut(QKeySequence::Copy);
  QAction* legend = menu.addAction(QStringLiteral("Show &legend"));
  legend->setCheckable(true);
  legend->setChecked(FCurvePanel->ShowLegend());
  connect(copy, &QAction::triggered, this, [this] { FCurvePanel->CopyToClipboard(); });
  connect(legend, &QAction::toggled, this, [this](bool on) { SetShowLegend(on); });
  menu.addSeparator();
  QAction* compare = menu.addAction(QStringLiteral("Com&pare all..."));
  connect(
      compare, &QAction::triggered, this, [this] { CompareAll(); }, Qt::QueuedConnection);
  QAction* exportSheet = menu.addAction(QStringLiteral("Export &datasheet..."));
  QAction* printSheet = menu.addAction(QStringLiteral("Pri&nt..."));
  exportSheet->setEnabled(DatasheetAvailable());
  printSheet->setEnabled(DatasheetAvailable());
  connect(
      exportSheet, &QAction::triggered, this, [this] { ExportDatasheet(); }, Qt::QueuedConnection);
  connect(printSheet, &QAction::triggered, this, &TFanForm::PrintDatasheet, Qt::QueuedConnection);
  if (ChartMenuHook)
    ChartMenuHook(menu);
  else
    menu.exec(globalPos);
}

void TFanForm::SetShowLegend(bool show) {
  FCurvePanel->SetShowLegend(show);
  FCurvePanel->Redraw();
}

// --- keyboard ---------------------------------------------------------------

bool TFanForm::HandleNavigationKey(int key, QWidget* activeControl) {
  const bool isList = qobject_cast<QAbstractItemView*>(activeControl) != nullptr;
  const bool isMemo = qobject_cast<QPlainTextEdit*>(activeControl) != nullptr ||
                      qobject_cast<QTextEdit*>(activeControl) != nullptr;
  const bool isCombo = qobject_cast<QComboBox*>(activeControl) != nullptr;
  if (isList || isMemo) return false;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    focusNextPrevChild(true);
    return true;
  }
  if (isCombo) return false;
  if (key == Qt::Key_Down) {
    focusNextPrevChild(true);
    return true;
  }
  if (key == Qt::Key_Up) {
    focusNextPrevChild(false);
    return true;
  }
  return false;
}

bool TFanForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == FCurvePanel && key->matches(QKeySequence::Copy)) {
      FCurvePanel->CopyToClipboard();
      return true;
    }
    // Alt+Down opens a field's unit chooser; Ctrl and Alt keys pass.
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods == Qt::NoModifier && HandleNavigationKey(key->key(), static_cast<QWidget*>(watched)))
      return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace blowden
