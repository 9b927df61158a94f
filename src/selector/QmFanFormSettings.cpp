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
#include <memory>
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
#include "selector/QmFanForm.h"
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

using fanform::kPanelNames;
using fanform::ToQ;

namespace {

const QString kSettingsSection = QStringLiteral("Settings");

}  // namespace

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
  const TDuty duty = DutyOf(flow, pressure, air);
  const TResultUnits units = ResultUnits();
  // Read once: the view ranks the kept models again for each minimum FEI.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto catalogue = std::make_shared<const TRankCatalogue>(files);
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
  // The view adds the order and the counts: "Ranked by shaft power, lowest first: 3 candidates, 1 rejected."
  const QString caption = QStringLiteral("Duty %1 %2 at %3 %4 %5 pressure; air: %6.")
                              .arg(FVolEdit->text(), flowUnit, FPStaticEdit->text(), pressureUnit,
                                   QString::fromLatin1(PressureKindName(duty.Kind)), airText);
  TCandidatesView view(this);
  view.SetCatalogue(std::move(catalogue), duty, units, caption, TRankKey::Power);
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
  else if (!HasOperatingPoint(FResult))
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
  if (!AskSubmittalFields(this, AskSubmittal, FSubmittal)) return false;
  ApplySubmittalFields(FSubmittal, sheet);
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
  ApplySubmittalFields(FSubmittal, sheet);
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
  {
    const double margin = readDouble("MotorMargin", kDefaultMotorMargin);
    FMotorMarginBox->setValue(margin >= 0 && margin <= kMaxMotorMargin ? margin : kDefaultMotorMargin);
  }
  LoadListener(*settings, FListenerBoxes);
  FDensityEdit->SetValue(readDouble("Density", kDefaultDensity));
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
  SaveListener(*settings, FListenerBoxes);
  settings->setValue(QStringLiteral("MotorMargin"), FMotorMarginBox->value());
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

}  // namespace blowden
