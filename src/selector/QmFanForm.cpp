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
#include "fan/FanRanking.h"
#include "fan/QmFan.h"
#include "selector/CandidatesView.h"
#include "services/Database.h"
#include "services/Folders.h"
#include "services/MessageBox.h"
#include "services/Placement.h"
#include "services/QmVerInfo.h"
#include "services/Settings.h"
#include "units/FmtText.h"
#include "units/QmConv.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {

namespace {

// Design size of the window; the chart takes what the window grows by.
constexpr int kDesignWidth = 860;
constexpr int kDesignHeight = 760;
// Width of the column of lists, fields and results left of the chart.
constexpr int kLeftColumnWidth = 290;
// Widths of the four status panels: model, flow and pressure under the
// mouse, fit of the pressure curve.
constexpr int kPanelWidths[4] = {200, 100, 100, 50};

const QString kSettingsSection = QStringLiteral("Settings");

// What each status panel shows, for assistive technology: its accessible
// name is this, a colon and the panel's text.
const char* const kPanelNames[4] = {"Fan model", "Flow under the mouse", "Pressure under the mouse",
                                    "Fit of the pressure curve"};

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
    if (&f.Edit == &FPStaticEdit) FPStaticCaption = caption;
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
  column->addLayout(powerRow);

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
  FAirSourceBox->setAccessibleName(QStringLiteral("Air at the fan"));
  FAirSourceBox->addItems({QStringLiteral("Catalogue air"), QStringLiteral("Density"),
                           QStringLiteral("Altitude and temperature")});
  FPressureKindBox = new QComboBox(FAirGroup);
  NameControl(FPressureKindBox, QStringLiteral("PressureKindBox"));
  FPressureKindBox->setAccessibleName(QStringLiteral("Duty pressure kind"));
  FPressureKindBox->setToolTip(
      QStringLiteral("Whether the pressure field holds the static or the total pressure"));
  FPressureKindBox->addItems({QStringLiteral("Static"), QStringLiteral("Total")});
  auto* sourceLabel = new QLabel(QStringLiteral("Sou&rce"), FAirGroup);
  sourceLabel->setBuddy(FAirSourceBox);
  grid->addWidget(sourceLabel, 0, 0);
  grid->addWidget(FAirSourceBox, 0, 1);
  grid->addWidget(FPressureKindBox, 0, 2);

  struct TAirField {
    TFmtEdit*& Edit;
    const char* Name;
    const char* Caption;
    const char* AccessibleName;
    TUnitsType Type;
    double Value;
  };
  const TAirField fields[] = {
      {FDensityEdit, "DensityEdit", "Densit&y", "Site density", utDensity, 1.2},
      {FAltitudeEdit, "AltitudeEdit", "Al&titude", "Site altitude", utAltitude, kDefaultSiteAltitude},
      {FTemperatureEdit, "TemperatureEdit", "T&emperature", "Air temperature", utTemperature,
       kDefaultSiteTemperature},
  };
  int row = 1;
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
  ShowAirDensity();
}

// "Density 1.0253 kg/m³ (catalogue 1.2)" in the density field's unit, or
// why the air cannot be computed.
void TFanForm::ShowAirDensity() {
  const TSiteAir air = SiteAir();
  QString text;
  if (const auto error = SiteAirError(air)) {
    text = ToQ(*error);
    FAirDensityLabel->setStyleSheet(QStringLiteral("color: #a00000"));
  } else {
    const double reference = FFan->Models().empty() ? 1.2 : FFan->Header().Density;
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

// --- compare all --------------------------------------------------------------

bool TFanForm::ChooseFileAndModel(const QString& file, const QString& model) {
  SetFanFile(file);
  const int index = FFileListBox->findText(FFanFileName, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) return false;
  FFileListBox->setCurrentIndex(index);
  FillFanList();
  int row = -1;
  for (int i = 0; i < FFanListBox->count(); ++i)
    if (FFanListBox->item(i)->text() == model) row = i;
  if (row < 0) return false;
  SelectFanRow(row);
  SetFanName(model);
  // As if chosen in the list: the duty of the fields, not browse mode.
  if (FcbBrowse->isChecked()) {
    FcbBrowse->setChecked(false);
    UpdateBrowseMode();
  }
  Evaluate();
  return true;
}

void TFanForm::CompareAll() {
  double flow = 0, pressure = 0;
  if (!ReadDuty(flow, pressure)) return;
  const TSiteAir air = SiteAir();
  if (const auto error = SiteAirError(air)) {
    ClearResults({ToQ(*error)});
    return;
  }
  std::vector<std::string> files;
  for (const TInstalledFile& file : ListInstalledFiles(StartupValues().DatabaseFolder))
    files.push_back(file.Path);
  if (files.empty()) {
    ShowHint(QStringLiteral("No fan files installed..."));
    return;
  }
  const TDuty duty{flow, pressure, PressureKind(), air, FToleranceBox->value()};
  const TResultUnits units = ResultUnits();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  TRanking ranking = RankDuty(files, duty, TRankKey::Power);
  QApplication::restoreOverrideCursor();

  // "Duty 1.000 m³/s at 500 Pa static pressure; air: altitude 1800 m, 20.0 °C. ..."
  const QString flowUnit = FFmtEditLabel1->text(), pressureUnit = FFmtEditLabel2->text();
  QString airText;
  switch (air.Source) {
    case TSiteAir::saCatalogue:
      airText = QStringLiteral("each catalogue's own air");
      break;
    case TSiteAir::saDensity:
      airText = QStringLiteral("density %1 %2").arg(FDensityEdit->text(), FDensityEdit->UnitsLabel()->text());
      break;
    case TSiteAir::saAltitudeTemperature:
      airText = QStringLiteral("altitude %1 %2, %3 %4")
                    .arg(FAltitudeEdit->text(), FAltitudeEdit->UnitsLabel()->text(), FTemperatureEdit->text(),
                         FTemperatureEdit->UnitsLabel()->text());
      break;
  }
  const QString caption =
      QStringLiteral("Duty %1 %2 at %3 %4 %5 pressure; air: %6. Ranked by %7: %8 candidates, %9 rejected.")
          .arg(FVolEdit->text(), flowUnit, FPStaticEdit->text(), pressureUnit,
               QString::fromLatin1(PressureKindName(duty.Kind)), airText,
               QStringLiteral("lowest shaft power"))
          .arg(ranking.Candidates.size())
          .arg(ranking.Rejected.size());
  TCandidatesView view(this);
  view.SetRanking(std::move(ranking), units, caption);
  view.SetDuty(duty);
  connect(&view, &TCandidatesView::Chosen, this,
          [this](const QString& file, const QString& model) { ChooseFileAndModel(file, model); });
  if (CandidatesViewHook)
    CandidatesViewHook(view);
  else
    view.exec();
}

// --- datasheet ----------------------------------------------------------------

bool TFanForm::DatasheetAvailable(QString* why) const {
  QString reason;
  if (FcbBrowse->isChecked())
    reason = QStringLiteral(
        "Browse mode shows each model at its nominal point: clear it to make the datasheet "
        "of a duty");
  else if (!FChartValid || !HaveModel())
    reason = QStringLiteral("No model is evaluated at the duty");
  else if (FResult.Status != fsReady)
    reason = QStringLiteral("The model has no operating point at this duty");
  if (why) *why = reason;
  return reason.isEmpty();
}

// The commands say why they are not available in their tool tips.
void TFanForm::UpdateDatasheetCommands() {
  QString why;
  const bool available = DatasheetAvailable(&why);
  FExportBtn->setEnabled(available);
  FPrintBtn->setEnabled(available);
  FExportBtn->setToolTip(
      available ? QStringLiteral("Save the datasheet of this model at this duty as a PDF (Alt+D)") : why);
  FPrintBtn->setToolTip(available ? QStringLiteral("Print the datasheet of this model at this duty (Ctrl+P)")
                                  : why);
}

// The page is built from the catalogue as installed, at the duty last
// evaluated (FDuty: the same duty, pressure kind and air the results show).
bool TFanForm::CurrentDatasheet(TDatasheet& sheet, QString& why) {
  if (!DatasheetAvailable(&why)) return false;
  try {
    sheet = BuildDatasheet(*FFan, FDuty, ResultUnits(), FileSha256(FFan->FileName()));
  } catch (const std::exception& error) {
    why = QString::fromUtf8(error.what());
    return false;
  }
  return true;
}

bool TFanForm::ExportDatasheet() {
  TDatasheet sheet;
  QString why;
  if (!CurrentDatasheet(sheet, why)) {
    TMessageBox::Information(this, QApplication::applicationDisplayName(),
                             QStringLiteral("No datasheet to export: %1.").arg(why));
    return false;
  }
  const QString path = AskExportPath(this, AskSavePath, QStringLiteral("Export datasheet as PDF"),
                                     FileNameOf(FFanName) + QStringLiteral(".pdf"),
                                     QStringLiteral("PDF documents (*.pdf)"), QStringLiteral(".pdf"));
  if (path.isEmpty()) return false;
  if (!ExportDatasheets(this, {sheet}, path)) return false;
  ShowHint(QStringLiteral("Datasheet written to %1").arg(path));
  return true;
}

void TFanForm::PrintDatasheet() {
  TDatasheet sheet;
  QString why;
  if (!CurrentDatasheet(sheet, why)) {
    TMessageBox::Information(this, QApplication::applicationDisplayName(),
                             QStringLiteral("No datasheet to print: %1.").arg(why));
    return;
  }
  PrintDatasheets(this, {sheet}, PrintPreviewHook);
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
  FCurvePanel->SetShowLegend(settings->value(QStringLiteral("ShowLegend"), true).toBool());
  // The air, the pressure kind and the power unit; what is missing or
  // unreadable keeps the default.
  auto readInt = [&](const char* key, int fallback, int lo, int hi) {
    bool good = false;
    const int v = settings->value(QLatin1String(key), fallback).toInt(&good);
    return good && v >= lo && v <= hi ? v : fallback;
  };
  auto readDouble = [&](const char* key, double fallback) {
    bool good = false;
    const double v = settings->value(QLatin1String(key), fallback).toDouble(&good);
    return good && std::isfinite(v) ? v : fallback;
  };
  FAirSourceBox->setCurrentIndex(readInt("AirSource", 0, 0, 2));
  FPressureKindBox->setCurrentIndex(readInt("PressureKind", 0, 0, 1));
  FPowerUnitsBox->setCurrentIndex(readInt("PowerUnits", 0, 0, FPowerUnitsBox->count() - 1));
  {
    // A tolerance outside what the box allows keeps the default.
    const double tolerance = readDouble("Tolerance", kDefaultDutyTolerance);
    FToleranceBox->setValue(ToleranceError(tolerance, "") ? kDefaultDutyTolerance : tolerance);
  }
  FDensityEdit->SetValue(readDouble("Density", 1.2));
  FAltitudeEdit->SetValue(readDouble("Altitude", kDefaultSiteAltitude));
  FTemperatureEdit->SetValue(readDouble("Temperature", kDefaultSiteTemperature));
  FDensityEdit->SetUnitsValue(readInt("DensityUnits", 0, 0, GetUnitsCount(utDensity) - 1));
  FAltitudeEdit->SetUnitsValue(readInt("AltitudeUnits", 0, 0, GetUnitsCount(utAltitude) - 1));
  FTemperatureEdit->SetUnitsValue(readInt("TemperatureUnits", 0, 0, GetUnitsCount(utTemperature) - 1));
  const QString volumeText = settings->value(QStringLiteral("VolumeText")).toString();
  const QString pStaticText = settings->value(QStringLiteral("PStaticText")).toString();
  settings->endGroup();

  // The units first, then the values shown in them: a value shown in the
  // stored unit and then converted would be rounded twice.
  FVolEdit->SetUnitsValue(volUnits);
  FPStaticEdit->SetUnitsValue(pStaticUnits);
  FSpeedEdit->SetUnitsValue(speedUnits);
  RestoreDutyText(FVolEdit, volume, volumeText);
  RestoreDutyText(FPStaticEdit, pStatic, pStaticText);
  SetFanFile(fileName);
  SetFanName(fanName);
  UpdateAirControls();
}

void TFanForm::RestoreDutyText(TFmtEdit* edit, double value, const QString& text) {
  edit->SetValue(value);
  if (text.isEmpty()) return;
  // The text is taken only when it still means the stored value in the
  // field's unit (a store written by a version without the text, or with
  // another unit, keeps the value).
  const QString shown = edit->text();
  edit->setText(text);
  double typed = 0;
  try {
    typed = FmtValueToFloat(edit->Value());
  } catch (const EConvertError&) {
    typed = std::nan("");
  }
  if (!(std::abs(typed - value) <= 1e-9 * std::max(std::abs(value), 1e-300))) edit->setText(shown);
}

void TFanForm::SaveSettings() {
  SavePlacement(this);
  const auto settings = OpenSettings();
  settings->beginGroup(kSettingsSection);
  // A field holding text that is no number keeps the value stored before.
  double value = 0;
  // Each duty value also as the text shown, in the unit shown: the next
  // window shows exactly that text, however often it is opened.
  try {
    value = FmtValueToFloat(FVolEdit->Value());
    settings->setValue(QStringLiteral("Volume"), value);
    settings->setValue(QStringLiteral("VolumeText"), FVolEdit->text());
  } catch (const EConvertError&) {
  }
  try {
    value = FmtValueToFloat(FPStaticEdit->Value());
    settings->setValue(QStringLiteral("PStatic"), value);
    settings->setValue(QStringLiteral("PStaticText"), FPStaticEdit->text());
  } catch (const EConvertError&) {
  }
  settings->setValue(QStringLiteral("FanFileName"), FFanFileName);
  settings->setValue(QStringLiteral("FanName"), FFanName);
  settings->setValue(QStringLiteral("VolUnits"), FVolEdit->UnitsValue());
  settings->setValue(QStringLiteral("PStaticUnits"), FPStaticEdit->UnitsValue());
  settings->setValue(QStringLiteral("SpeedUnits"), FSpeedEdit->UnitsValue());
  settings->setValue(QStringLiteral("ShowLegend"), FCurvePanel->ShowLegend());
  settings->setValue(QStringLiteral("AirSource"), FAirSourceBox->currentIndex());
  settings->setValue(QStringLiteral("PressureKind"), FPressureKindBox->currentIndex());
  settings->setValue(QStringLiteral("PowerUnits"), FPowerUnitsBox->currentIndex());
  settings->setValue(QStringLiteral("Tolerance"), FToleranceBox->value());
  for (const auto& [key, edit] : {std::pair{"Density", FDensityEdit}, std::pair{"Altitude", FAltitudeEdit},
                                  std::pair{"Temperature", FTemperatureEdit}}) {
    try {
      settings->setValue(QLatin1String(key), FmtValueToFloat(edit->Value()));
    } catch (const EConvertError&) {
    }
  }
  settings->setValue(QStringLiteral("DensityUnits"), FDensityEdit->UnitsValue());
  settings->setValue(QStringLiteral("AltitudeUnits"), FAltitudeEdit->UnitsValue());
  settings->setValue(QStringLiteral("TemperatureUnits"), FTemperatureEdit->UnitsValue());
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
  bool invalid = FFan->LoadStatus() != fsReady || FFan->Models().empty();

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
  if (FFan->ModelStatus() != fsReady) {
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
    FResult = EvaluateBrowse(*FFan, air, previous, ResultUnits());
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
  TDuty duty{flow, pressure, PressureKind(), SiteAir(), FToleranceBox->value()};
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
  const TDuty duty{flow, pressure, PressureKind(), air, FToleranceBox->value()};
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
  red.setForeground(QColor(0xa0, 0x00, 0x00));
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
  int status = FFan->Models().empty() ? FFan->LoadStatus() : FFan->ModelStatus();
  if (status == fsReady) status = fsModelNotFound;  // a file without models
  ClearResults({ToQ(std::string(StatusTextOf(status)))});
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
  if (!UserChanged(FSpeedEdit) || !HaveModel() || FFan->ModelStatus() != fsReady) return;
  try {
    const double flow = FmtValueToFloat(FVolEdit->Value());
    const double speed = FmtValueToFloat(FSpeedEdit->Value());
    // The catalogue's pressure carried to the site's air, and for a total
    // duty the outlet's velocity pressure added (it grows with the flow
    // squared from the last evaluation of this model).
    const bool known = FChartValid && FResult.Status == fsReady && FResult.Volume > 0;
    double pressure = FFan->PressureAt(flow, speed) * (known ? FResult.DensityRatio : 1.0);
    if (known && PressureKind() == TPressureKind::Total)
      pressure += FResult.PDynamic * (flow / FResult.Volume) * (flow / FResult.Volume);
    FPStaticEdit->SetValue(pressure);
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
