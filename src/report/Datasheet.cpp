#include "report/Datasheet.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHashSeed>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "charts/ChartGeometry.h"
#include "charts/ChartPicture.h"
#include "charts/SelectorChartView.h"
#include "fan/FanCurves.h"
#include "fan/FanSubmittal.h"
#include "fan/QmFan.h"
#include "report/DatasheetLayout.h"
#include "report/PdfStamp.h"
#include "services/QmVerInfo.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

// A value in a result unit: the SI format in SI, else the unit's own format,
// as the selector's result lines are written.
std::string ShownValue(TUnitsType type, int shown, int si, std::string_view siFormat, double value) {
  if (shown == si) return Format(siFormat, {value});
  const TUnitsConversion c = GetUnitsConversion(type, shown, si);
  return Format(c.Format, {ToUnits(value, c.Factor, c.Offset)});
}

bool IpUnits(const TResultUnits& units) { return units.Flow == TResultUnits::kIPFlow; }

std::string DensityText(double rho, const TResultUnits& units) {
  return IpUnits(units) ? Format("%0.4f", {rho * 0.06242796057614461}) : Format("%0.4f", {rho});
}

const char* DensityUnit(const TResultUnits& units) { return IpUnits(units) ? "lb/ft³" : "kg/m³"; }

// The page's figures: SI as the selector writes them; IP flow in whole cfm,
// pressure in in. wg with two decimals, power in hp; other units as the
// units catalogue formats them.
std::string FlowValue(double v, const TResultUnits& u) {
  if (u.Flow == TResultUnits::kIPFlow) return Format("%0.0f", {FlowInUnits(v, u)});
  return ShownValue(utAirFlowPrim, u.Flow, TResultUnits::kSIFlow, "%0.2f", v);
}
std::string FlowUnit(const TResultUnits& u) { return std::string(FlowUnitLabel(u)); }
std::string PressureValue(double v, const TResultUnits& u) {
  if (u.Pressure == TResultUnits::kIPPressure) return Format("%0.2f", {PressureInUnits(v, u)});
  return ShownValue(utAirPressDrop, u.Pressure, TResultUnits::kSIPressure, "%0.0f", v);
}
std::string PressureUnit(const TResultUnits& u) {
  return u.Pressure == TResultUnits::kIPPressure ? std::string("in. wg") : std::string(PressureUnitLabel(u));
}
std::string PowerValue(double v, const TResultUnits& u) { return Format("%0.2f", {PowerInUnits(v, u)}); }
std::string PowerUnit(const TResultUnits& u) {
  return u.Power == TResultUnits::kIPPower ? std::string("hp") : std::string(PowerUnitLabel(u));
}
// Lengths: mm, or inches with one decimal.
std::string LengthValue(double metres, const TResultUnits& u) {
  return IpUnits(u) ? Format("%0.1f", {metres / 0.0254}) : Format("%0.0f", {metres * 1000});
}
const char* LengthUnit(const TResultUnits& u) { return IpUnits(u) ? "in" : "mm"; }
// Velocities: m/s with one decimal, or whole ft/min.
TDatasheetRow VelocityRow(const char* label, double v, const TResultUnits& u) {
  if (IpUnits(u)) return {label, Format("%0.0f", {v / 0.00508}), "ft/min"};
  return {label, Format("%0.1f", {v}), "m/s"};
}

}  // namespace

// ---------------------------------------------------------------- gathering

std::string DatasheetDate() {
  if (const std::optional<long long> epoch = SourceDateEpoch())
    return QDateTime::fromSecsSinceEpoch(*epoch, QTimeZone::utc()).date().toString(Qt::ISODate).toStdString();
  return QDate::currentDate().toString(Qt::ISODate).toStdString();
}

TDatasheet BuildDatasheet(TFan& fan, const TDuty& duty, const TResultUnits& units,
                          const std::string& sha256) {
  TDatasheet d;
  d.File = fan.FileName();
  d.Sha256 = sha256;
  d.Header = fan.Header();
  d.Model = fan.Model().Name;
  d.Duty = duty;
  d.Units = units;
  d.Result = EvaluateDuty(fan, duty, duty.Flow, duty.Pressure, TChartWindow(), units, true);
  const TFanModel& m = fan.Model();
  d.RefSpeed = m.RefSpeed;
  d.MinSpeed = m.MinSpeed;
  d.MaxSpeed = m.MaxSpeed;
  d.Diameter = m.Diameter;
  d.OutletWidth = m.OutletWidth;
  d.OutletHeight = m.OutletHeight;
  d.NominalFlow = m.QaNom;
  d.Rating = m.Rating;
  const std::size_t count = static_cast<std::size_t>(std::max(m.Count, 0));
  const auto column = [&](const std::vector<double>& values) {
    return std::vector<double>(values.begin(),
                               values.begin() + static_cast<std::ptrdiff_t>(std::min(count, values.size())));
  };
  d.DataFlow = column(m.Qa);
  d.DataPressure = column(m.Ps);
  d.DataPower = column(m.Pw);
  d.DataSound = column(m.Lw);
  if (d.Result.Speed > 0) {
    const TPowerCurves curves = OperatingPowerCurves(fan, d.Result.Speed, d.Result.DensityRatio);
    d.CurveFlow = curves.Flow;
    d.CurvePower = curves.Power;
    d.CurveEfficiency = curves.Efficiency;
  }
  d.Program = "Blowden " + ProgramVersion();
  d.Date = DatasheetDate();
  return d;
}

std::string FileSha256(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return std::string();
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file)) return std::string();
  return hash.result().toHex().toStdString();
}

bool UsesLetterPaper(const QLocale& locale) {
  switch (locale.territory()) {
    case QLocale::UnitedStates:
    case QLocale::UnitedStatesOutlyingIslands:
    case QLocale::UnitedStatesVirginIslands:
    case QLocale::PuertoRico:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Philippines:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
    case QLocale::CostaRica:
    case QLocale::Guatemala:
    case QLocale::Panama:
    case QLocale::DominicanRepublic:
    case QLocale::ElSalvador:
    case QLocale::Nicaragua:
    case QLocale::Belize:
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------- what the page shows

std::vector<TDatasheetRow> DutyRows(const TDatasheet& d) {
  const TResultUnits& u = d.Units;
  const TSelectionResult& r = d.Result;
  std::vector<TDatasheetRow> rows;
  if (!d.Project.empty()) rows.push_back({"Project", d.Project, ""});
  if (!d.Mark.empty()) rows.push_back({"Tag", d.Mark, ""});
  if (!d.Mark.empty() || d.Quantity != 1) rows.push_back({"Quantity", Format("%d", {d.Quantity}), ""});
  rows.push_back({"Flow", FlowValue(d.Duty.Flow, u), FlowUnit(u)});
  rows.push_back({std::string("Pressure (") + PressureKindName(d.Duty.Kind) + ")",
                  PressureValue(d.Duty.Pressure, u), PressureUnit(u)});
  std::string air;
  switch (d.Duty.Air.Source) {
    case TSiteAir::saCatalogue:
      air = "catalogue air";
      break;
    case TSiteAir::saDensity:
      air = "given density";
      break;
    case TSiteAir::saAltitudeTemperature:
      air = IpUnits(u) ? Format("%0.0f ft, %0.0f °F",
                                {d.Duty.Air.Altitude / 0.3048, d.Duty.Air.Temperature * 1.8 + 32})
                       : Format("%0.0f m, %0.0f °C", {d.Duty.Air.Altitude, d.Duty.Air.Temperature});
      break;
  }
  rows.push_back({"Site air", air, ""});
  const double reference = r.ReferenceDensity > 0 ? r.ReferenceDensity : d.Header.Density;
  const double site = r.Density > 0 ? r.Density : SiteDensity(d.Duty.Air, reference);
  rows.push_back({"Air density at the fan", DensityText(site, u), DensityUnit(u)});
  rows.push_back({"Catalogue density", DensityText(reference, u), DensityUnit(u)});
  rows.push_back({"Density ratio", Format("%0.4f", {reference > 0 ? site / reference : r.DensityRatio}), ""});
  return rows;
}

std::vector<TDatasheetRow> ModelRows(const TDatasheet& d) {
  const TResultUnits& u = d.Units;
  std::vector<TDatasheetRow> rows;
  rows.push_back({"Diameter", LengthValue(d.Diameter, u), LengthUnit(u)});
  rows.push_back({"Reference speed", Format("%0.0f", {d.RefSpeed}), "rpm"});
  rows.push_back({"Speed range", Format("%0.0f – %0.0f", {d.MinSpeed, d.MaxSpeed}), "rpm"});
  // A round outlet gives one dimension only.
  if (d.OutletWidth != 0 && d.OutletHeight != 0)
    rows.push_back({"Outlet (w × h)", LengthValue(d.OutletWidth, u) + " × " + LengthValue(d.OutletHeight, u),
                    LengthUnit(u)});
  else
    rows.push_back(
        {"Outlet diameter", LengthValue(std::max(d.OutletWidth, d.OutletHeight), u), LengthUnit(u)});
  // The rating data the catalogue gives.
  const TCatalogueRating& c = d.Header.Rating;
  if (!c.RatingStandard.empty()) rows.push_back({"Rating standard", c.RatingStandard, ""});
  if (c.Installation != TInstallationType::Unknown)
    rows.push_back(
        {"Installation type",
         std::string(InstallationTypeName(c.Installation)) +
             (FeiBasisOf(c.Installation) == TFeiBasis::Static ? " (free outlet)" : " (ducted outlet)"),
         ""});
  if (!c.Tolerance.empty()) rows.push_back({"Tolerance", c.Tolerance, ""});
  if (!c.Certified.empty()) rows.push_back({"Certified", c.Certified, ""});
  if (!d.Rating.Source.empty()) rows.push_back({"Data source", d.Rating.Source, ""});
  if (d.Rating.Drive != TDriveKind::Unknown)
    rows.push_back({"Drive", std::string(DriveKindName(d.Rating.Drive)), ""});
  return rows;
}

std::vector<TDatasheetRow> ResultRows(const TDatasheet& d) {
  const TSelectionResult& r = d.Result;
  const TResultUnits& u = d.Units;
  std::vector<TDatasheetRow> rows;
  if (r.Status != 0) {
    const std::string status = !r.StatusText.empty() ? r.StatusText
                               : r.Lines.empty()     ? std::string()
                                                     : r.Lines[0];
    rows.push_back({status, "", "", true, true});
    // The speed the search found, which the status refused.
    if (r.RawSpeed > 0) rows.push_back({"Solved speed", Format("%0.0f", {r.RawSpeed}), "rpm"});
    return rows;
  }
  // One row per quantity, in the page's units.
  const bool above = r.Speed > d.MaxSpeed, below = r.Speed < d.MinSpeed;
  if (above || below)
    rows.push_back(
        {above ? "Speed exceeds fan limit..." : "Speed is below low limit...", "", "", true, true});
  rows.push_back({above || below ? Format("Fan speed (limits %0.0f – %0.0f)", {d.MinSpeed, d.MaxSpeed})
                                 : std::string("Fan speed"),
                  Format("%0.0f", {r.Speed}), "rpm", false, above || below});
  rows.push_back({"Volume flow", FlowValue(r.Volume, u), FlowUnit(u)});
  rows.push_back({"Nominal flow", FlowValue(d.NominalFlow, u), FlowUnit(u)});
  rows.push_back({"Static pressure", PressureValue(r.PStatic, u), PressureUnit(u)});
  rows.push_back({"Dynamic pressure", PressureValue(r.PDynamic, u), PressureUnit(u)});
  rows.push_back({"Total pressure", PressureValue(r.PTotal, u), PressureUnit(u)});
  rows.push_back({"Shaft power", PowerValue(r.ShaftPower, u), PowerUnit(u)});
  rows.push_back({"Static efficiency", Format("%0.0f", {r.StaticEfficiency}), "%"});
  rows.push_back({"Total efficiency", Format("%0.0f", {r.Efficiency}), "%"});
  // Sound power is not A-weighted: a level in dB.
  rows.push_back({"Sound power level Lw", Format("%0.1f", {r.SoundPower}), "dB"});
  rows.push_back(VelocityRow("Tip speed", r.Energy.TipSpeed, u));
  rows.push_back(VelocityRow("Outlet velocity", r.Energy.OutletVelocity, u));
  const TEnergyFigures& e = r.Energy;
  if (e.Known) {
    rows.push_back(
        {"FEI (" + std::string(FeiBasisName(e.Basis)) + " pressure)", Format("%0.2f", {e.Fei}), ""});
    rows.push_back({"Fan electrical power", PowerValue(e.FanElectricalPower, u), PowerUnit(u)});
    std::string motor = "Motor rating";
    if (e.Motor.Poles > 0) motor += Format(" (%d poles)", {e.Motor.Poles});
    rows.push_back({motor,
                    e.Motor.RatedPower > 0 ? Format("%0.4g", {PowerInUnits(e.Motor.RatedPower, u)})
                                           : "over " + Format("%0.4g", {PowerInUnits(e.Motor.Required, u)}),
                    PowerUnit(u)});
    rows.push_back({"Motor efficiency (" + std::string(MotorSourceName(e.Motor)) + ")",
                    Format("%0.1f", {e.Motor.Efficiency}), "%"});
    rows.push_back({"Electrical power", PowerValue(e.ElectricalPower, u), PowerUnit(u)});
  }
  rows.push_back({"Speed margin", Format("%0.1f", {r.SpeedMargin}), "%"});
  // No pressure peak inside the tested flows: no margin to it.
  rows.push_back({"Stall margin", r.StallMargin ? Format("%0.1f", {*r.StallMargin}) : std::string("n/a"),
                  r.StallMargin ? "%" : ""});
  rows.push_back({"BEP ratio", Format("%0.0f", {r.BepRatio}), "%"});
  if (r.Extrapolation > 0) rows.push_back({"Beyond tested flows", Format("%0.1f", {r.Extrapolation}), "%"});
  if (!r.R2Text.empty()) {
    const auto eq = r.R2Text.find('=');
    if (eq != std::string::npos)
      rows.push_back({"Fit " + r.R2Text.substr(0, eq), r.R2Text.substr(eq + 1), ""});
  }
  return rows;
}

std::vector<std::string> WarningItems(const TDatasheet& d) {
  std::vector<std::string> items;
  if (d.Result.Status != 0) items.push_back("Not selected: " + d.Result.StatusText);
  for (const std::string& reason : d.Result.Reasons) items.push_back("Rejected: " + reason);
  for (const std::string& w : d.Result.Warnings) items.push_back(w);
  return items;
}

TDataTable DataTable(const TDatasheet& d) {
  const TResultUnits& u = d.Units;
  TDataTable t;
  t.Headers = {"Qa [" + FlowUnit(u) + "]",
               std::string(d.TotalPressureData ? "Pt [" : "Ps [") + PressureUnit(u) + "]",
               "Pw [" + PowerUnit(u) + "]", "Lw [dB]"};
  const std::size_t rows =
      std::max({d.DataFlow.size(), d.DataPressure.size(), d.DataPower.size(), d.DataSound.size()});
  for (std::size_t i = 0; i < rows; ++i) {
    const auto cell = [&](const std::vector<double>& column, auto&& text) {
      return i < column.size() ? text(column[i]) : std::string("–");
    };
    t.Rows.push_back({cell(d.DataFlow,
                           [&](double v) {
                             return u.Flow == TResultUnits::kIPFlow
                                        ? Format("%0.0f", {FlowInUnits(v, u)})
                                        : ShownValue(utAirFlowPrim, u.Flow, TResultUnits::kSIFlow, "%0.3f",
                                                     v);
                           }),
                      cell(d.DataPressure, [&](double v) { return PressureValue(v, u); }),
                      cell(d.DataPower, [&](double v) { return PowerValue(v, u); }),
                      cell(d.DataSound, [&](double v) { return Format("%0.1f", {v}); })});
  }
  return t;
}

// ---------------------------------------------------------------- the small charts

// Shaft power or total efficiency against flow at the operating speed, with
// the operating point marked, in the selector chart's design.
void PaintCurveChart(QPainter& p, const QRectF& target, const TDatasheet& d, bool power) {
  const TSelectionResult& r = d.Result;
  const TResultUnits& u = d.Units;
  TChartPicture picture;
  picture.SetBevelOuter(bvNone);
  picture.SetPictureSize(QSize(1, 1));
  ApplySelectorChartDesign(picture);
  picture.SetShowLegend(false);
  picture.SetLeftMargin(40);
  const double flowFactor = FlowInUnits(1, u);
  const double powerFactor = PowerInUnits(1, u);
  const std::vector<double>& ys = power ? d.CurvePower : d.CurveEfficiency;
  const double yFactor = power ? powerFactor : 1;
  picture.SetTitle(QString::fromStdString(power ? Format("Shaft power at %0.0f rpm", {r.Speed})
                                                : Format("Total efficiency at %0.0f rpm", {r.Speed})));
  picture.SetScaleXLabel(
      QStringLiteral("Airflow [%1]")
          .arg(QString::fromUtf8(FlowUnitLabel(u).data(), qsizetype(FlowUnitLabel(u).size()))));
  picture.SetScaleYLabel(power ? QStringLiteral("Shaft power [%1]").arg(QString::fromStdString(PowerUnit(u)))
                               : QStringLiteral("Total efficiency [%]"));
  double xLo = 0, xHi = 1, yLo = 0, yHi = power ? 1 : 100;
  if (!d.CurveFlow.empty()) {
    xLo = *std::min_element(d.CurveFlow.begin(), d.CurveFlow.end()) * flowFactor;
    xHi = *std::max_element(d.CurveFlow.begin(), d.CurveFlow.end()) * flowFactor;
    double top = 0;
    for (double y : ys)
      if (std::isfinite(y)) top = std::max(top, y * yFactor);
    if (power && r.ShaftPower > 0) top = std::max(top, r.ShaftPower * powerFactor);
    if (!power && r.Efficiency > 0) top = std::max(top, r.Efficiency);
    if (top > 0) yHi = top * 1.05;
    if (r.Volume > 0) {
      xLo = std::min(xLo, r.Volume * flowFactor);
      xHi = std::max(xHi, r.Volume * flowFactor);
    }
  }
  RoundOutToTicks(xLo, xHi, picture.ScaleXTicks());
  RoundOutToTicks(yLo, yHi, picture.ScaleYTicks());
  if (r.Status == 0 && r.Volume > 0) {  // the operating point inside the frame
    KeepInside(xLo, xHi, {r.Volume * flowFactor});
    KeepInside(yLo, yHi, {power ? r.ShaftPower * powerFactor : r.Efficiency});
  }
  picture.SetScale(xLo, xHi, yLo, yHi);
  const unsigned colour = power ? 0x9C4A00 : 0x2E8B00;  // $BBGGRR: a blue, a green
  TChartLine& line = picture.AddLine(colour, 0);
  line.SetPen(psSolid, 2);
  for (std::size_t i = 0; i < d.CurveFlow.size() && i < ys.size(); ++i)
    if (std::isfinite(ys[i])) line.AddPoint(d.CurveFlow[i] * flowFactor, ys[i] * yFactor);
  if (r.Status == 0 && r.Volume > 0) {
    const double y = power ? r.ShaftPower * powerFactor : r.Efficiency;
    TChartPoint& point = picture.AddPoint(0x0000C0, 3, r.Volume * flowFactor, y, 7);
    point.SetStyle(0x0000C0, 0xFFFFFF, psSolid, 2, true);
    point.Movable = false;
  }
  picture.Paint(p, target);
}

void PaintSelector(QPainter& p, const QRectF& target, const TDatasheet& d) {
  TSelectorChartUnits units;
  const auto label = [](std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); };
  units.Flow = {FlowInUnits(1, d.Units), 0, label(FlowUnitLabel(d.Units))};
  units.Pressure = {PressureInUnits(1, d.Units), 0, QString::fromStdString(PressureUnit(d.Units))};
  PaintSelectorChart(p, target, d.Result.Chart, units, true);
}

// ---------------------------------------------------------------- painting

bool PaintDatasheets(QPagedPaintDevice& device, const std::vector<TDatasheet>& pages, QString& error) {
  if (pages.empty()) {
    error = QStringLiteral("there is no datasheet to print");
    return false;
  }
  if (!qGuiApp) {
    error = QStringLiteral("datasheets need a GUI application to measure their text");
    return false;
  }
  QPainter p;
  if (!p.begin(&device)) {
    error = QStringLiteral("the page cannot be painted on (the file or printer cannot be opened)");
    return false;
  }
  // A document of several selections starts with their summary.
  const int first = pages.size() > 1 ? 1 : 0;
  if (first == 1) PaintSummaryPage(p, device, pages, TPageFrame{1, static_cast<int>(pages.size()) + 1});
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if ((i > 0 || first == 1) && !device.newPage()) {
      p.end();
      error = QStringLiteral("a new page could not be started");
      return false;
    }
    TPageFrame frame;
    frame.Number = static_cast<int>(i + 1) + first;
    frame.Count = static_cast<int>(pages.size()) + first;
    PaintDatasheetPage(p, device, pages[i], frame);
  }
  if (!p.end()) {
    error = QStringLiteral("the document could not be finished");
    return false;
  }
  return true;
}

std::string DatasheetPdf(const std::vector<TDatasheet>& pages, std::string& pdf) {
  if (!qGuiApp) return "datasheets need a GUI application to measure their text";
  if (pages.empty()) return "there is no datasheet to write";
  const std::optional<long long> epoch = SourceDateEpoch();
  // The writer keeps its fonts in a hash: with the process's random hash
  // seed their objects come in another order every run.
  struct TSeed {
    explicit TSeed(bool fixed) : Fixed(fixed) {
      if (Fixed) QHashSeed::setDeterministicGlobalSeed();
    }
    ~TSeed() {
      if (Fixed) QHashSeed::resetRandomGlobalSeed();
    }
    TSeed(const TSeed&) = delete;
    TSeed& operator=(const TSeed&) = delete;
    bool Fixed;
  } seed(epoch.has_value());
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(1200);
    writer.setCreator(QString::fromStdString(pages.front().Program));
    writer.setTitle(QString::fromStdString(
        pages.size() == 1 ? "Datasheet " + pages.front().Model
                          : Format("Datasheets (%d pages)", {static_cast<int>(pages.size())})));
    const bool letter = UsesLetterPaper(QLocale::system());
    writer.setPageLayout(QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4),
                                     QPageLayout::Portrait, QMarginsF(14, 12, 14, 12),
                                     QPageLayout::Millimeter));
    if (epoch) writer.setDocumentXmpMetadata(ReproducibleXmp(*epoch, writer.title(), writer.creator()));
    QString error;
    if (!PaintDatasheets(writer, pages, error)) return error.toStdString();
  }
  if (epoch) {
    if (std::string why = StampPdf(bytes, *epoch); !why.empty()) return why;
  }
  pdf.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return std::string();
}

}  // namespace blowden
