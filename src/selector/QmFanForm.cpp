#include "selector/QmFanForm.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextOption>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/Convert.h"
#include "base/Format.h"
#include "charts/ChartSupport.h"
#include "charts/QmChartPanel.h"
#include "charts/SelectorChartView.h"
#include "services/Database.h"
#include "services/Folders.h"
#include "services/MessageBox.h"
#include "services/Placement.h"
#include "services/QmVerInfo.h"
#include "services/Settings.h"
#include "units/FmtText.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {

namespace {

// Design size of the window; the chart takes what the window grows by.
constexpr int kDesignWidth = 860;
constexpr int kDesignHeight = 580;
// Width of the column of lists, fields and results left of the chart.
constexpr int kLeftColumnWidth = 290;
// Widths of the four status panels: model, flow and pressure under the
// mouse, fit of the pressure curve.
constexpr int kPanelWidths[4] = {200, 100, 100, 50};

const QString kSettingsSection = QStringLiteral("Settings");

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

// Labels of the result lines, for the width of the memo's first column.
const char* const kResultLabels[] = {"Fan Speed",       "Volume Flow",      "Nominal Flow",
                                     "Static Pressure", "Dynamic Pressure", "Total Pressure",
                                     "Shaft Power",     "Fan Efficiency",   "Sound Power"};

}  // namespace

TFanForm::TFanForm(QWidget* parent) : QDialog(parent), FFan(std::make_unique<TFan>()) {
  setObjectName(QStringLiteral("FanForm"));
  setAccessibleName(QStringLiteral("Fan selector"));
  setAccessibleDescription(QStringLiteral("FanForm"));
  setWindowTitle(ToQ(VersionTitle(std::string())));
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  setSizeGripEnabled(false);  // the status bar has its own grip

  // The data file reader's three boxes (bad area, too few points, no pressure).
  FFan->OnMessage = [this](const std::string& text) {
    TMessageBox::Information(this, QApplication::applicationDisplayName(), ToQ(text));
  };

  CreateControls();
  resize(kDesignWidth, kDesignHeight);
  LoadSettings();
}

TFanForm::~TFanForm() = default;

// --- construction -----------------------------------------------------------

void TFanForm::CreateControls() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  // Tool bar with the two closing commands.
  FToolBar1 = new QToolBar(this);
  NameControl(FToolBar1, QStringLiteral("ToolBar1"));
  FToolBar1->setAccessibleName(QStringLiteral("Commands"));
  FToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
  FToolBar1->setMovable(false);
  FAcceptBtn = new QToolButton(FToolBar1);
  FAcceptBtn->setText(QStringLiteral("&Accept"));
  NameControl(FAcceptBtn, QStringLiteral("AcceptBtn"));
  FAcceptBtn->setAccessibleName(QStringLiteral("Accept"));
  FAcceptBtn->setToolTip(QStringLiteral("Close the selector and keep the selection (Alt+A)"));
  FAcceptBtn->setAutoRaise(true);
  FToolButton2 = new QToolButton(FToolBar1);
  FToolButton2->setText(QStringLiteral("&Cancel"));
  NameControl(FToolButton2, QStringLiteral("ToolButton2"));
  FToolButton2->setAccessibleName(QStringLiteral("Cancel"));
  FToolButton2->setToolTip(QStringLiteral("Close the selector (Esc)"));
  FToolButton2->setAutoRaise(true);
  FToolBar1->addWidget(FAcceptBtn);
  FToolBar1->addWidget(FToolButton2);
  root->addWidget(FToolBar1);
  auto* rule = new QFrame(this);
  rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  root->addWidget(rule);

  // Left column: file, models, duty point, commands, results.
  auto* body = new QHBoxLayout;
  body->setContentsMargins(6, 4, 6, 4);
  body->setSpacing(6);
  auto* left = new QWidget(this);
  left->setFixedWidth(kLeftColumnWidth);
  auto* column = new QVBoxLayout(left);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(4);

  auto* fileLabel = new QLabel(QStringLiteral("Fan fi&le"), left);
  FFileListBox = new QComboBox(left);
  FFileListBox->setEditable(false);
  FFileListBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  NameControl(FFileListBox, QStringLiteral("FileListBox"));
  FFileListBox->setAccessibleName(QStringLiteral("Fan file"));
  fileLabel->setBuddy(FFileListBox);
  column->addWidget(fileLabel);
  column->addWidget(FFileListBox);

  auto* fanLabel = new QLabel(QStringLiteral("Fan &models"), left);
  FFanListBox = new QListWidget(left);
  FFanListBox->setSelectionMode(QAbstractItemView::SingleSelection);
  NameControl(FFanListBox, QStringLiteral("FanListBox"));
  FFanListBox->setAccessibleName(QStringLiteral("Fan models"));
  fanLabel->setBuddy(FFanListBox);
  column->addWidget(fanLabel);
  column->addWidget(FFanListBox, 1);

  // The duty point: caption, field, unit.
  auto* duty = new QGridLayout;
  duty->setContentsMargins(0, 4, 0, 0);
  duty->setHorizontalSpacing(6);
  duty->setVerticalSpacing(4);
  struct TFieldDesign {
    TFmtEdit*& Edit;
    TFmtEditLabel*& UnitLabel;
    const char* Name;
    const char* LabelName;
    const char* Caption;
    const char* AccessibleName;
    const char* Format;
    TUnitsType Type;
    int Base;
  };
  const TFieldDesign fields[] = {
      {FVolEdit, FFmtEditLabel1, "VolEdit", "FmtEditLabel1", "&Volume Flow", "Volume Flow", "%0.3f",
       utAirFlowPrim, 0},
      {FPStaticEdit, FFmtEditLabel2, "PStaticEdit", "FmtEditLabel2", "&Static Pressure", "Static Pressure",
       "%0.0f", utAirPressDrop, 1},
      {FSpeedEdit, FFmtEditLabel3, "SpeedEdit", "FmtEditLabel3", "&Fan Speed", "Fan Speed", "%0.0f",
       utAngularSpeed, 0},
  };
  int row = 0;
  for (const TFieldDesign& f : fields) {
    auto* caption = new QLabel(QString::fromUtf8(f.Caption), left);
    f.Edit = new TFmtEdit(left);
    f.UnitLabel = new TFmtEditLabel(left);
    NameControl(f.Edit, QString::fromUtf8(f.Name));
    NameControl(f.UnitLabel, QString::fromUtf8(f.LabelName));
    f.Edit->setAccessibleName(QString::fromUtf8(f.AccessibleName));
    f.UnitLabel->setAccessibleName(QString::fromUtf8(f.AccessibleName) + QStringLiteral(" unit"));
    f.UnitLabel->setToolTip(QStringLiteral("Click, or press F4 in the field, to choose the unit"));
    f.Edit->setToolTip(QStringLiteral("Press F4 to choose the unit"));
    caption->setBuddy(f.Edit);
    f.Edit->SetFormatStr(f.Format);
    f.Edit->SetFormatType(ft_Fixed);
    f.Edit->SetSigDigs(5);
    f.Edit->SetUnitsType(f.Type);
    f.Edit->SetUnitsBase(f.Base);
    f.Edit->SetUnitsValue(f.Base);
    f.Edit->SetUnitsLabel(f.UnitLabel);
    f.Edit->setAlignment(Qt::AlignRight);
    duty->addWidget(caption, row, 0);
    duty->addWidget(f.Edit, row, 1);
    duty->addWidget(f.UnitLabel, row, 2);
    ++row;
  }
  duty->setColumnStretch(1, 1);
  duty->setColumnMinimumWidth(2, QFontMetrics(font()).horizontalAdvance(QStringLiteral("InchWg")) + 4);
  column->addLayout(duty);

  auto* commands = new QHBoxLayout;
  commands->setContentsMargins(0, 2, 0, 2);
  FFindBtn = new QPushButton(QStringLiteral("F&ind"), left);
  NameControl(FFindBtn, QStringLiteral("FindBtn"));
  FFindBtn->setAccessibleName(QStringLiteral("Find"));
  FFindBtn->setToolTip(QStringLiteral("Find the model of this file that suits the duty best"));
  FFindBtn->setAutoDefault(false);
  FcbBrowse = new QCheckBox(QStringLiteral("&Browse mode"), left);
  NameControl(FcbBrowse, QStringLiteral("cbBrowse"));
  FcbBrowse->setAccessibleName(QStringLiteral("Browse mode"));
  FcbBrowse->setToolTip(QStringLiteral("Show each model at its nominal point"));
  commands->addWidget(FFindBtn);
  commands->addSpacing(12);
  commands->addWidget(FcbBrowse);
  commands->addStretch(1);
  column->addLayout(commands);

  FMemo = new QPlainTextEdit(left);
  NameControl(FMemo, QStringLiteral("Memo"));
  FMemo->setAccessibleName(QStringLiteral("Results"));
  FMemo->setReadOnly(true);
  FMemo->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  FMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  FMemo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  SetUpMemoTabs();
  // Room for the nine result lines; the model list takes what is left.
  const int lineHeight = QFontMetrics(FMemo->font()).lineSpacing();
  FMemo->setFixedHeight(lineHeight * 9 + 2 * static_cast<int>(FMemo->document()->documentMargin()) +
                        2 * FMemo->frameWidth() + 6);
  column->addWidget(FMemo);

  body->addWidget(left);

  FCurvePanel = new TChartPanel(this);
  ApplySelectorChartDesign(*FCurvePanel);
  NameControl(FCurvePanel, QStringLiteral("CurvePanel"));
  FCurvePanel->setFocusPolicy(Qt::StrongFocus);
  FCurvePanel->setToolTip(
      QStringLiteral("Ctrl+click: move the duty point here. Right-click or Ctrl+C: copy the chart"));
  FCurvePanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  FCurvePanel->setMinimumSize(300, 240);
  body->addWidget(FCurvePanel, 1);
  root->addLayout(body, 1);

  FStatusBar = new QStatusBar(this);
  NameControl(FStatusBar, QStringLiteral("StatusBar"));
  FStatusBar->setAccessibleName(QStringLiteral("Status"));
  FStatusBar->setSizeGripEnabled(true);
  const char* const panelNames[4] = {"Fan model", "Flow under the mouse", "Pressure under the mouse",
                                     "Fit of the pressure curve"};
  for (int i = 0; i < 4; ++i) {
    auto* panel = new QLabel(FStatusBar);
    NameControl(panel, QStringLiteral("StatusPanel%1").arg(i));
    panel->setAccessibleName(QString::fromUtf8(panelNames[i]));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setMinimumWidth(kPanelWidths[i]);
    panel->setTextInteractionFlags(Qt::NoTextInteraction);
    FStatusBar->addWidget(panel, i == 3 ? 1 : 0);
    FStatusPanels[i] = panel;
  }
  root->addWidget(FStatusBar);

  // Tab order: lists, fields, commands, chart.
  setTabOrder(FFileListBox, FFanListBox);
  setTabOrder(FFanListBox, FVolEdit);
  setTabOrder(FVolEdit, FPStaticEdit);
  setTabOrder(FPStaticEdit, FSpeedEdit);
  setTabOrder(FSpeedEdit, FFindBtn);
  setTabOrder(FFindBtn, FcbBrowse);
  setTabOrder(FcbBrowse, FCurvePanel);

  // Handlers.
  connect(FFileListBox, &QComboBox::activated, this, &TFanForm::FileListBoxClick);
  connect(FFanListBox, &QListWidget::currentRowChanged, this, [this](int) {
    if (!FFilling) FanListBoxClick();
  });
  connect(FVolEdit, &QmCustomEdit::Exit, this, &TFanForm::VolEditExit);
  connect(FPStaticEdit, &QmCustomEdit::Exit, this, &TFanForm::PStaticEditExit);
  connect(FSpeedEdit, &QmCustomEdit::Exit, this, &TFanForm::SpeedEditExit);
  connect(FFindBtn, &QPushButton::clicked, this, &TFanForm::FindBtnClick);
  connect(FcbBrowse, &QCheckBox::clicked, this, &TFanForm::cbBrowseClick);
  connect(FAcceptBtn, &QToolButton::clicked, this, &TFanForm::AcceptBtnClick);
  connect(FToolButton2, &QToolButton::clicked, this, &TFanForm::ToolButton2Click);
  connect(FCurvePanel, &TChartPanel::MouseMove, this, [this](QMouseEvent*) { CurvePanelMouseMove(); });
  connect(FCurvePanel, &TChartPanel::MouseDown, this, &TFanForm::CurvePanelMouseDown);
  connect(FCurvePanel, &TChartPanel::ContextPopup, this, &TFanForm::CurvePanelContextPopup);

  // The form sees the keys before its controls.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

// Result lines are "label\tvalue\tunit": the values end at one right-aligned
// tab stop so that their digits line up, the units start at the next one.
void TFanForm::SetUpMemoTabs() {
  const QFontMetrics metrics(FMemo->font());
  int labelWidth = 0;
  for (const char* label : kResultLabels)
    labelWidth = std::max(labelWidth, metrics.horizontalAdvance(QString::fromUtf8(label)));
  const int valueWidth = metrics.horizontalAdvance(QStringLiteral("000000.00"));
  const qreal valueEnd = labelWidth + metrics.horizontalAdvance(QStringLiteral("  ")) + valueWidth;
  QTextOption option = FMemo->document()->defaultTextOption();
  option.setTabs(
      {QTextOption::Tab(valueEnd, QTextOption::RightTab),
       QTextOption::Tab(valueEnd + metrics.horizontalAdvance(QStringLiteral("  ")), QTextOption::LeftTab)});
  option.setWrapMode(QTextOption::NoWrap);
  FMemo->document()->setDefaultTextOption(option);
}

// --- settings ---------------------------------------------------------------

void TFanForm::LoadSettings() {
  LoadPlacement(this, false, true);
  const auto settings = OpenSettings();
  settings->beginGroup(kSettingsSection);
  bool ok = false;
  double volume = settings->value(QStringLiteral("Volume"), 1.0).toDouble(&ok);
  if (!ok) volume = 1.0;
  double pStatic = settings->value(QStringLiteral("PStatic"), 500.0).toDouble(&ok);
  if (!ok) pStatic = 500.0;
  const QString fileName = settings->value(QStringLiteral("FanFileName"), QString()).toString();
  const QString fanName = settings->value(QStringLiteral("FanName"), QString()).toString();
  int volUnits = settings->value(QStringLiteral("VolUnits"), 0).toInt(&ok);
  if (!ok) volUnits = 0;
  int pStaticUnits = settings->value(QStringLiteral("PStaticUnits"), 1).toInt(&ok);
  if (!ok) pStaticUnits = 1;
  int speedUnits = settings->value(QStringLiteral("SpeedUnits"), 0).toInt(&ok);
  if (!ok) speedUnits = 0;
  settings->endGroup();

  FVolEdit->SetValue(volume);
  FPStaticEdit->SetValue(pStatic);
  SetFanFile(fileName);
  SetFanName(fanName);
  FVolEdit->SetUnitsValue(volUnits);
  FPStaticEdit->SetUnitsValue(pStaticUnits);
  FSpeedEdit->SetUnitsValue(speedUnits);
}

void TFanForm::SaveSettings() {
  SavePlacement(this);
  const auto settings = OpenSettings();
  settings->beginGroup(kSettingsSection);
  // A field holding text that is no number keeps the value stored before.
  double value = 0;
  try {
    value = FmtValueToFloat(FVolEdit->Value());
    settings->setValue(QStringLiteral("Volume"), value);
  } catch (const EConvertError&) {
  }
  try {
    value = FmtValueToFloat(FPStaticEdit->Value());
    settings->setValue(QStringLiteral("PStatic"), value);
  } catch (const EConvertError&) {
  }
  settings->setValue(QStringLiteral("FanFileName"), FFanFileName);
  settings->setValue(QStringLiteral("FanName"), FFanName);
  settings->setValue(QStringLiteral("VolUnits"), FVolEdit->UnitsValue());
  settings->setValue(QStringLiteral("PStaticUnits"), FPStaticEdit->UnitsValue());
  settings->setValue(QStringLiteral("SpeedUnits"), FSpeedEdit->UnitsValue());
  settings->endGroup();
  settings->sync();
}

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
  if (const auto installed = FindInstalledFile(folder, base.toStdString())) {
    FFanFileName = ToQ(installed->Name);
    FFan->LoadFromFile(installed->Path);
  } else {
    FFan->LoadFromFile(JoinPath(folder, base.toStdString() + FanFileExtension));
  }
}

void TFanForm::SetFanName(const QString& name) {
  FFanName = name;
  FFan->SelectModel(name.toStdString());
  FModelStatus = FFan->Status;
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
  for (const std::string& model : FFan->Models) FFanListBox->addItem(ToQ(model));
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
}

bool TFanForm::HaveModel() const { return !FFan->Models.empty() && FFanListBox->currentRow() >= 0; }

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
  bool invalid = FFan->LoadStatus() != fsReady || FFan->Models.empty();

  if (byUser) {
    if (FFan->Models.empty()) {
      ShowModelStatus();
    } else {
      double flow = 0, pressure = 0;
      if (ReadDuty(flow, pressure)) {
        const int best = FFan->FindBestModel(flow, pressure);
        FModelStatus = FFan->Status;
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
    return true;
  } catch (const EConvertError& error) {
    ClearResults({QString::fromUtf8(error.what())});
    return false;
  }
}

void TFanForm::Evaluate() {
  if (!HaveModel()) return;
  // A model whose data the fan model rejected is not evaluated: the fan
  // still holds curves of the model read before it.
  if (FModelStatus != fsReady) {
    ShowModelStatus();
    return;
  }
  const TChartWindow previous{FXMin, FXMax, FYMin, FYMax};
  if (FcbBrowse->isChecked()) {
    FResult = EvaluateBrowse(*FFan, previous);
    FVolEdit->SetValue(FResult.Volume);
    FPStaticEdit->SetValue(FResult.PStatic);
    FSpeedEdit->SetValue(FResult.Speed);
    // The duty marker goes where the fields say, rounded as shown; the
    // operating point is marked too when the rounding moved it.
    double shownFlow = FResult.Volume, shownPressure = FResult.PStatic;
    if (!ReadDuty(shownFlow, shownPressure)) return;
    PlaceDutyMarkers(FResult, shownFlow, shownPressure, shownFlow, shownPressure);
  } else {
    double flow = 0, pressure = 0;
    if (!ReadDuty(flow, pressure)) return;
    FResult = EvaluateDuty(*FFan, flow, pressure, flow, pressure, previous);
    FSpeedEdit->SetValue(FResult.RawSpeed);
  }
  FFanName = ToQ(FFan->Model.Name);
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
  ShowMemoLines(lines);
  DrawSelectorChart(*FCurvePanel, FResult.Chart);
  FChartValid = true;
  SetStatusText(3, ToQ(FResult.R2Text));
}

void TFanForm::ShowMemoLines(const QStringList& lines) { FMemo->setPlainText(lines.join(QLatin1Char('\n'))); }

// Nothing to show for a model: the memo gets the lines, the chart is emptied
// and the read-out stops.
void TFanForm::ClearResults(const QStringList& memoLines) {
  ShowMemoLines(memoLines);
  FCurvePanel->Clear();
  FCurvePanel->SetTitle(QString());
  FCurvePanel->setAccessibleName(QStringLiteral("Fan curves (empty)"));
  FCurvePanel->Redraw();
  FChartValid = false;
  FResult = TSelectionResult();
  for (int i = 1; i < 4; ++i) SetStatusText(i, QString());
}

// The file or model could not be read: its status text in place of results.
void TFanForm::ShowModelStatus() {
  int status = FFan->Models.empty() ? FFan->LoadStatus() : FModelStatus;
  if (status == fsReady) status = fsModelNotFound;  // a file without models
  ClearResults({ToQ(std::string(StatusTextOf(status)))});
  if (FFan->Models.empty())
    SetStatusText(0, QStringLiteral("Invalid fan file..."));
  else
    SetStatusText(0, QStringLiteral("[") + ToQ(FFan->Header.Maker) + QStringLiteral("]  ") + FFanName);
}

void TFanForm::SetStatusText(int panel, const QString& text) {
  if (panel < 0 || panel > 3) return;
  FStatusPanels[panel]->setText(text);
  FStatusPanels[panel]->setToolTip(text);
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
  if (row < 0 || FFan->Models.empty()) return;
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
  if (!UserChanged(FSpeedEdit) || !HaveModel() || FModelStatus != fsReady) return;
  try {
    const double flow = FmtValueToFloat(FVolEdit->Value());
    const double speed = FmtValueToFloat(FSpeedEdit->Value());
    FPStaticEdit->SetValue(FFan->PressureAt(flow, speed));
  } catch (const EConvertError& error) {
    ClearResults({QString::fromUtf8(error.what())});
    return;
  }
  Evaluate();
}

void TFanForm::FindBtnClick() {
  if (FFan->Models.empty()) return;
  double flow = 0, pressure = 0;
  if (!ReadDuty(flow, pressure)) return;
  const int best = FFan->FindBestModel(flow, pressure);
  FModelStatus = FFan->Status;
  SelectFanRow(best);
  if (best < 0) {
    ShowModelStatus();
    return;
  }
  FFanName = ToQ(FFan->Model.Name);
  FResult = EvaluateDuty(*FFan, flow, pressure, flow, pressure, TChartWindow{FXMin, FXMax, FYMin, FYMax});
  FSpeedEdit->SetValue(FResult.RawSpeed);
  // The status bar names the model found, not the one shown before.
  SetStatusText(0, ToQ(FResult.ModelCaption));
  ShowResults();
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

bool TFanForm::InChartWindow(double x, double y) const {
  return FChartValid && FXMin <= x && x <= FXMax && FYMin <= y && y <= FYMax;
}

void TFanForm::CurvePanelMouseMove() {
  const double x = FCurvePanel->MouseX(), y = FCurvePanel->MouseY();
  if (InChartWindow(x, y)) {
    SetStatusText(1, ToQ(Format("Q=%0.3g m³/s", {x})));
    SetStatusText(2, ToQ(Format("P=%0.4g Pa", {y})));
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
  const double x = FCurvePanel->MouseX(), y = FCurvePanel->MouseY();
  if (!InChartWindow(x, y)) return;
  FVolEdit->SetValue(x);
  FPStaticEdit->SetValue(y);
  Evaluate();
}

void TFanForm::CurvePanelContextPopup() { FCurvePanel->CopyToClipboard(); }

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
      CurvePanelContextPopup();
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
