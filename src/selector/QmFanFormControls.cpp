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
#include <QScrollArea>
#include <QSettings>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
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
#include "fan/FanRanking.h"
#include "fan/QmFan.h"
#include "selector/CandidatesView.h"
#include "selector/FanFormShared.h"
#include "selector/QmFanForm.h"
#include "services/Database.h"
#include "services/Folders.h"
#include "services/MessageBox.h"
#include "services/Placement.h"
#include "services/QmVerInfo.h"
#include "services/Settings.h"
#include "services/TextColours.h"
#include "units/FmtText.h"
#include "units/QmConv.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {

using fanform::kPanelNames;
using fanform::ToQ;

namespace {

// Width of the column of lists, fields and results left of the chart.
constexpr int kLeftColumnWidth = 290;
// Widths of the four status panels: model, flow and pressure under the
// mouse, fit of the pressure curve.
constexpr int kPanelWidths[4] = {200, 100, 100, 50};

// Labels of the result lines, for the width of the memo's first column.
const char* const kResultLabels[] = {"Fan Speed",       "Volume Flow",      "Nominal Flow",
                                     "Static Pressure", "Dynamic Pressure", "Total Pressure",
                                     "Shaft Power",     "Fan Efficiency",   "Sound Power"};

}  // namespace

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
  // The datasheet of the selection: a PDF file or the printer.
  FExportBtn = new QToolButton(FToolBar1);
  FExportBtn->setText(QStringLiteral("Export &datasheet..."));
  NameControl(FExportBtn, QStringLiteral("ExportBtn"));
  FExportBtn->setAccessibleName(QStringLiteral("Export datasheet"));
  FExportBtn->setAutoRaise(true);
  FPrintBtn = new QToolButton(FToolBar1);
  FPrintBtn->setText(QStringLiteral("Pri&nt..."));
  NameControl(FPrintBtn, QStringLiteral("PrintBtn"));
  FPrintBtn->setAccessibleName(QStringLiteral("Print"));
  FPrintBtn->setAutoRaise(true);
  FToolBar1->addWidget(FAcceptBtn);
  FToolBar1->addWidget(FToolButton2);
  FToolBar1->addSeparator();
  FToolBar1->addWidget(FExportBtn);
  FToolBar1->addWidget(FPrintBtn);
  // Ctrl+P prints, as everywhere.
  auto* print = new QAction(this);
  print->setShortcut(QKeySequence::Print);
  print->setShortcutContext(Qt::WindowShortcut);
  addAction(print);
  connect(print, &QAction::triggered, this, [this] {
    QString why;
    if (DatasheetAvailable(&why))
      PrintDatasheet();
    else
      ShowHint(why);
  });
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
    f.UnitLabel->SetAccessiblePrefix(QString::fromUtf8(f.AccessibleName) + QStringLiteral(" unit"));
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
    if (&f.Edit == &FPStaticEdit) {
      FPStaticCaption = caption;
      // The caption turns into "Total Pressure" with the pressure kind: room
      // for the longer of the two, so that neither is cut.
      const QFontMetrics metrics(caption->font());
      const int longest = std::max(metrics.horizontalAdvance(QStringLiteral("Static Pressure")),
                                   metrics.horizontalAdvance(QStringLiteral("Total Pressure")));
      caption->setMinimumWidth(std::max(caption->sizeHint().width(), longest + 2 * caption->margin() + 4));
    }
    duty->addWidget(caption, row, 0);
    duty->addWidget(f.Edit, row, 1);
    duty->addWidget(f.UnitLabel, row, 2);
    ++row;
  }
  duty->setColumnStretch(1, 1);
  duty->setColumnMinimumWidth(2, QFontMetrics(font()).horizontalAdvance(QStringLiteral("InchWg")) + 4);
  column->addLayout(duty);
  CreateAirGroup(left, column);

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
  FCompareBtn = new QPushButton(QStringLiteral("Com&pare all"), left);
  NameControl(FCompareBtn, QStringLiteral("CompareBtn"));
  FCompareBtn->setAccessibleName(QStringLiteral("Compare all"));
  FCompareBtn->setToolTip(
      QStringLiteral("Rank every model of every installed file at this duty and air (Alt+P)"));
  FCompareBtn->setAutoDefault(false);
  commands->addWidget(FCompareBtn);
  column->addLayout(commands);

  // The unit of the shaft power line; flow and pressure follow the fields.
  auto* powerRow = new QHBoxLayout;
  powerRow->setContentsMargins(0, 0, 0, 0);
  auto* powerLabel = new QLabel(QStringLiteral("Po&wer unit"), left);
  FPowerUnitsBox = new QComboBox(left);
  NameControl(FPowerUnitsBox, QStringLiteral("PowerUnitsBox"));
  FPowerUnitsBox->setAccessibleName(QStringLiteral("Power unit"));
  for (std::string_view label : GetUnitsLabels(utPower))
    FPowerUnitsBox->addItem(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
  powerLabel->setBuddy(FPowerUnitsBox);
  powerRow->addWidget(powerLabel);
  powerRow->addWidget(FPowerUnitsBox);
  powerRow->addStretch(1);
  // How far the delivered flow may fall short of the duty before the
  // selection is rejected.
  auto* toleranceLabel = new QLabel(QStringLiteral("Tolerance"), left);
  FToleranceBox = new QDoubleSpinBox(left);
  NameControl(FToleranceBox, QStringLiteral("ToleranceBox"));
  FToleranceBox->setAccessibleName(QStringLiteral("Duty tolerance"));
  FToleranceBox->setToolTip(QStringLiteral(
      "How far the delivered flow may fall short of the duty flow before the fan is rejected"));
  FToleranceBox->setRange(0, kMaxDutyTolerance);
  FToleranceBox->setDecimals(1);
  FToleranceBox->setSingleStep(0.5);
  FToleranceBox->setSuffix(QStringLiteral(" %"));
  FToleranceBox->setValue(kDefaultDutyTolerance);
  toleranceLabel->setBuddy(FToleranceBox);
  powerRow->addWidget(toleranceLabel);
  powerRow->addWidget(FToleranceBox);
  // The motor's rating above the largest shaft power along the speed.
  auto* marginLabel = new QLabel(QStringLiteral("Motor margin"), left);
  FMotorMarginBox = new QDoubleSpinBox(left);
  NameControl(FMotorMarginBox, QStringLiteral("MotorMarginBox"));
  FMotorMarginBox->setAccessibleName(QStringLiteral("Motor margin"));
  FMotorMarginBox->setToolTip(
      QStringLiteral("How much the motor's rating must exceed the largest shaft power along the speed"));
  FMotorMarginBox->setRange(0, kMaxMotorMargin);
  FMotorMarginBox->setDecimals(0);
  FMotorMarginBox->setSuffix(QStringLiteral(" %"));
  FMotorMarginBox->setValue(kDefaultMotorMargin);
  marginLabel->setBuddy(FMotorMarginBox);
  column->addLayout(powerRow);
  FListenerBoxes = MakeListenerBoxes(left, column);
  auto* marginRow = new QHBoxLayout;
  marginRow->addWidget(marginLabel);
  marginRow->addWidget(FMotorMarginBox);
  marginRow->addStretch(1);
  column->addLayout(marginRow);

  FMemo = new QPlainTextEdit(left);
  NameControl(FMemo, QStringLiteral("Memo"));
  FMemo->setAccessibleName(QStringLiteral("Results"));
  FMemo->setReadOnly(true);
  FMemo->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  FMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  FMemo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  SetUpMemoTabs();
  // Room for the nine result lines at least; the added lines and warnings
  // share what the window grows by with the model list.
  const int lineHeight = QFontMetrics(FMemo->font()).lineSpacing();
  FMemo->setMinimumHeight(lineHeight * 9 + 2 * static_cast<int>(FMemo->document()->documentMargin()) +
                          2 * FMemo->frameWidth() + 6);
  FMemo->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  column->addWidget(FMemo, 3);

  // On a short screen (or at a large scale factor) the column scrolls
  // rather than making the window taller than the screen.
  auto* leftScroll = new QScrollArea(this);
  leftScroll->setObjectName(QStringLiteral("LeftColumnScroll"));
  leftScroll->setFrameShape(QFrame::NoFrame);
  leftScroll->setWidgetResizable(true);
  leftScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  leftScroll->setWidget(left);
  leftScroll->setFixedWidth(kLeftColumnWidth + leftScroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                            2);
  leftScroll->setMinimumHeight(200);
  body->addWidget(leftScroll);

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
  for (int i = 0; i < 4; ++i) {
    auto* panel = new QLabel(FStatusBar);
    NameControl(panel, QStringLiteral("StatusPanel%1").arg(i));
    panel->setAccessibleName(QString::fromUtf8(kPanelNames[i]));
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
  setTabOrder(FSpeedEdit, FAirSourceBox);
  setTabOrder(FAirSourceBox, FPressureKindBox);
  setTabOrder(FPressureKindBox, FDensityEdit);
  setTabOrder(FDensityEdit, FAltitudeEdit);
  setTabOrder(FAltitudeEdit, FTemperatureEdit);
  setTabOrder(FTemperatureEdit, FFindBtn);
  setTabOrder(FFindBtn, FcbBrowse);
  setTabOrder(FcbBrowse, FCompareBtn);
  setTabOrder(FCompareBtn, FPowerUnitsBox);
  setTabOrder(FPowerUnitsBox, FToleranceBox);
  setTabOrder(FToleranceBox, FMotorMarginBox);
  setTabOrder(FPowerUnitsBox, FCurvePanel);

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
  // The chart follows the units of the duty fields.
  for (TFmtEdit* edit : {FVolEdit, FPStaticEdit}) {
    connect(edit, &QmCustomEdit::UnitsEdited, this, [this] { RedrawChart(); });
    // A refused character says why in the status bar.
    connect(edit, &QmCustomEdit::InputHint, this, [this](const QString& hint) { ShowHint(hint); });
  }
  connect(FSpeedEdit, &QmCustomEdit::InputHint, this, [this](const QString& hint) { ShowHint(hint); });
  // The result lines follow the units of the fields and the power unit.
  for (TFmtEdit* edit : {FVolEdit, FPStaticEdit})
    connect(edit, &QmCustomEdit::UnitsEdited, this, [this] {
      if (FChartValid) Evaluate();
    });
  connect(FPowerUnitsBox, &QComboBox::activated, this, [this](int) {
    if (FChartValid) Evaluate();
  });
  // The air: a new choice or value evaluates again.
  auto airChanged = [this] {
    UpdateAirControls();
    if (HaveModel()) Evaluate();
  };
  // The fields and captions follow the choices however they are made.
  connect(FAirSourceBox, &QComboBox::currentIndexChanged, this, [this](int) { UpdateAirControls(); });
  connect(FPressureKindBox, &QComboBox::currentIndexChanged, this, [this](int) { UpdateAirControls(); });
  connect(FAirSourceBox, &QComboBox::activated, this, airChanged);
  connect(FPressureKindBox, &QComboBox::activated, this, airChanged);
  for (TFmtEdit* edit : {FDensityEdit, FAltitudeEdit, FTemperatureEdit}) {
    connect(edit, &QmCustomEdit::Exit, this, [edit, airChanged] {
      if (UserChanged(edit)) airChanged();
    });
    connect(edit, &QmCustomEdit::UnitsEdited, this, [this] { ShowAirDensity(); });
    connect(edit, &QmCustomEdit::InputHint, this, [this](const QString& hint) { ShowHint(hint); });
  }
  connect(FCompareBtn, &QPushButton::clicked, this, &TFanForm::CompareAll);
  // A new tolerance judges the model shown again.
  connect(FToleranceBox, &QDoubleSpinBox::valueChanged, this, [this] {
    if (HaveModel()) Evaluate();
  });
  for (QDoubleSpinBox* box : {FListenerBoxes.Distance, FListenerBoxes.Directivity})
    connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
      if (HaveModel()) Evaluate();
    });
  connect(FMotorMarginBox, &QDoubleSpinBox::valueChanged, this, [this] {
    if (HaveModel()) Evaluate();
  });
  connect(FExportBtn, &QToolButton::clicked, this, [this] { ExportDatasheet(); });
  connect(FPrintBtn, &QToolButton::clicked, this, &TFanForm::PrintDatasheet);
  connect(FStatusBar, &QStatusBar::messageChanged, this, &TFanForm::StatusMessageChanged);

  // The form sees the keys before its controls.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
  UpdateDatasheetCommands();
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

// --- air and units ------------------------------------------------------------

// The air at the fan and the meaning of the pressure field: the catalogue's
// own air, a density, or an altitude and a temperature; the pressure field
// holds the static or the total pressure. The density the duty is computed
// for is shown beside the choice.
void TFanForm::CreateAirGroup(QWidget* parent, QBoxLayout* column) {
  FAirGroup = new QGroupBox(QStringLiteral("Air"), parent);
  NameControl(FAirGroup, QStringLiteral("AirGroup"));
  auto* grid = new QGridLayout(FAirGroup);
  grid->setContentsMargins(4, 2, 4, 2);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(3);

  FAirSourceBox = new QComboBox(FAirGroup);
  NameControl(FAirSourceBox, QStringLiteral("AirSourceBox"));
  FAirSourceBox->setAccessibleName(QStringLiteral("Air source"));
  FAirSourceBox->setToolTip(
      QStringLiteral("The air at the fan: the catalogue's own, a density, or an altitude "
                     "and a temperature"));
  FAirSourceBox->addItems({QStringLiteral("Catalogue air"), QStringLiteral("Density"),
                           QStringLiteral("Altitude and temperature")});
  FPressureKindBox = new QComboBox(FAirGroup);
  NameControl(FPressureKindBox, QStringLiteral("PressureKindBox"));
  FPressureKindBox->setAccessibleName(QStringLiteral("Pressure kind"));
  FPressureKindBox->setToolTip(
      QStringLiteral("Whether the pressure field holds the static or the total pressure"));
  FPressureKindBox->addItems({QStringLiteral("Static"), QStringLiteral("Total")});
  // Each choice on a row of its own under its caption's column, so that the
  // group stays narrow ("Altitude and temperature" is a long item).
  auto* sourceLabel = new QLabel(QStringLiteral("Air sou&rce"), FAirGroup);
  sourceLabel->setBuddy(FAirSourceBox);
  auto* kindLabel = new QLabel(QStringLiteral("Pressure &kind"), FAirGroup);
  NameControl(kindLabel, QStringLiteral("PressureKindLabel"));
  kindLabel->setBuddy(FPressureKindBox);
  for (QLabel* label : {sourceLabel, kindLabel}) label->setMinimumSize(label->sizeHint());
  grid->addWidget(sourceLabel, 0, 0);
  grid->addWidget(FAirSourceBox, 0, 1, 1, 2);
  grid->addWidget(kindLabel, 1, 0);
  grid->addWidget(FPressureKindBox, 1, 1, 1, 2);

  struct TAirField {
    TFmtEdit*& Edit;
    const char* Name;
    const char* Caption;
    const char* AccessibleName;
    TUnitsType Type;
    double Value;
  };
  const TAirField fields[] = {
      {FDensityEdit, "DensityEdit", "Densit&y", "Site density", utDensity, kDefaultDensity},
      {FAltitudeEdit, "AltitudeEdit", "Al&titude", "Site altitude", utAltitude, kDefaultSiteAltitude},
      {FTemperatureEdit, "TemperatureEdit", "T&emperature", "Air temperature", utTemperature,
       kDefaultSiteTemperature},
  };
  int row = 2;
  for (const TAirField& f : fields) {
    auto* caption = new QLabel(QString::fromUtf8(f.Caption), FAirGroup);
    f.Edit = new TFmtEdit(FAirGroup);
    auto* unit = new TFmtEditLabel(FAirGroup);
    NameControl(f.Edit, QString::fromUtf8(f.Name));
    NameControl(unit, QString::fromUtf8(f.Name) + QStringLiteral("Unit"));
    f.Edit->setAccessibleName(QString::fromUtf8(f.AccessibleName));
    unit->SetAccessiblePrefix(QString::fromUtf8(f.AccessibleName) + QStringLiteral(" unit"));
    unit->setToolTip(QStringLiteral("Click, or press F4 in the field, to choose the unit"));
    caption->setBuddy(f.Edit);
    // The narrow group must not cut its captions ("Temperature").
    caption->setMinimumSize(caption->sizeHint());
    f.Edit->SetFormatStr(std::string(GetUnitsFormat(f.Type, 0)));
    f.Edit->SetFormatType(ft_Fixed);
    f.Edit->SetSigDigs(5);
    f.Edit->SetUnitsType(f.Type);
    f.Edit->SetUnitsBase(0);
    f.Edit->SetUnitsValue(0);
    f.Edit->SetUnitsLabel(unit);
    f.Edit->setAlignment(Qt::AlignRight);
    f.Edit->SetValue(f.Value);
    grid->addWidget(caption, row, 0);
    grid->addWidget(f.Edit, row, 1);
    grid->addWidget(unit, row, 2);
    ++row;
  }
  FAirDensityLabel = new QLabel(FAirGroup);
  NameControl(FAirDensityLabel, QStringLiteral("AirDensityLabel"));
  FAirDensityLabel->setWordWrap(true);
  grid->addWidget(FAirDensityLabel, row, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  column->addWidget(FAirGroup);
  UpdateAirControls();
}

TSiteAir TFanForm::SiteAir() const {
  TSiteAir air;
  air.Source = static_cast<TSiteAir::TSource>(std::clamp(FAirSourceBox->currentIndex(), 0, 2));
  // A field holding no number makes the air invalid (SiteAirError says so).
  auto value = [](const TFmtEdit* edit, double fallback) {
    try {
      return FmtValueToFloat(edit->Value());
    } catch (const EConvertError&) {
      return fallback;
    }
  };
  air.Density = value(FDensityEdit, 0);
  air.Altitude = value(FAltitudeEdit, -1e9);
  air.Temperature = value(FTemperatureEdit, -1e9);
  return air;
}

TPressureKind TFanForm::PressureKind() const {
  return FPressureKindBox->currentIndex() == 1 ? TPressureKind::Total : TPressureKind::Static;
}

TResultUnits TFanForm::ResultUnits() const {
  TResultUnits units;
  units.Flow = FVolEdit->UnitsValue();
  units.Pressure = FPStaticEdit->UnitsValue();
  units.Power = std::max(0, FPowerUnitsBox->currentIndex());
  return units;
}

TEnergyOptions TFanForm::EnergyOptions() const {
  TEnergyOptions options;
  options.MotorMargin = FMotorMarginBox->value();
  if (FPowerUnitsBox->currentIndex() == TResultUnits::kIPPower) options.Series = TMotorSeries::Nema;
  return options;
}

TDuty TFanForm::DutyOf(double flow, double pressure, const TSiteAir& air) const {
  return TDuty{flow,
               pressure,
               PressureKind(),
               air,
               FToleranceBox->value(),
               EnergyOptions(),
               ListenerOf(FListenerBoxes)};
}

// Only the fields of the chosen air take input; the pressure field's caption
// says which pressure it holds.
void TFanForm::UpdateAirControls() {
  const TSiteAir::TSource source = SiteAir().Source;
  FDensityEdit->setEnabled(source == TSiteAir::saDensity);
  FAltitudeEdit->setEnabled(source == TSiteAir::saAltitudeTemperature);
  FTemperatureEdit->setEnabled(source == TSiteAir::saAltitudeTemperature);
  const bool total = PressureKind() == TPressureKind::Total;
  FPStaticCaption->setText(total ? QStringLiteral("&Total Pressure") : QStringLiteral("&Static Pressure"));
  FPStaticEdit->setAccessibleName(total ? QStringLiteral("Total Pressure")
                                        : QStringLiteral("Static Pressure"));
  FFmtEditLabel2->SetAccessiblePrefix(total ? QStringLiteral("Total Pressure unit")
                                            : QStringLiteral("Static Pressure unit"));
  ShowAirDensity();
}

// "Density 1.0253 kg/m³ (catalogue 1.2)" in the density field's unit, or
// why the air cannot be computed.
void TFanForm::ShowAirDensity() {
  const TSiteAir air = SiteAir();
  QString text;
  if (const auto error = SiteAirError(air)) {
    text = ToQ(*error);
    FAirDensityLabel->setStyleSheet(TextColourStyle(ErrorTextColour()));
  } else {
    const double reference = FFan->Models().empty() ? kDefaultDensity : FFan->Header().Density;
    const double density = SiteDensity(air, reference);
    const double factor = FDensityEdit->Factor(), offset = FDensityEdit->Offset();
    const QString unit = FDensityEdit->UnitsLabel() ? FDensityEdit->UnitsLabel()->text() : QString();
    text = QStringLiteral("Density %1 %2 (catalogue %3)")
               .arg(ToUnits(density, factor, offset), 0, 'g', 5)
               .arg(unit)
               .arg(ToUnits(reference, factor, offset), 0, 'g', 5);
    FAirDensityLabel->setStyleSheet(QString());
  }
  FAirDensityLabel->setText(text);
  FAirDensityLabel->setAccessibleName(text);
}

}  // namespace blowden
