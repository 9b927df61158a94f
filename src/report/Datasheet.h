#pragma once

#include <QString>
#include <string>
#include <vector>

#include "fan/FanAir.h"
#include "fan/FanSelection.h"
#include "fan/FanTypes.h"

class QPagedPaintDevice;
class QLocale;

namespace blowden {

// Everything one datasheet page shows, gathered from the core's results for
// one model at one duty; painting it needs nothing else.
struct TDatasheet {
  std::string File;         // the catalogue's path as given (the page shows its name only)
  std::string Sha256;       // of the catalogue's bytes, lower-case hex
  TFanHeader Header;        // maker, range, description, version, density, kind
  std::string Model;        // the model's name
  std::string Mark;         // the tag: the equipment schedule's mark, or --tag; empty when not given
  std::string Project;      // the project's name; empty when not given
  int Quantity = 1;         // how many fans the tag stands for
  TDuty Duty;               // SI, as asked
  TResultUnits Units;       // the units every figure is shown in
  TSelectionResult Result;  // the selector's evaluation, chart included
  // Shaft power (kW) and total efficiency (%) against flow (m³/s) at the
  // operating speed, at site air, over the model's tested flow range.
  std::vector<double> CurveFlow, CurvePower, CurveEfficiency;
  // The model's data at its reference speed, as read: Qa (m³/s), Ps or Pt
  // (Pa, as the file gives it), Pw (kW), Lw (dB); absent columns empty.
  bool TotalPressureData = false;
  std::vector<double> DataFlow, DataPressure, DataPower, DataSound;
  double RefSpeed = 0;
  // The model's speeds (rpm) and sizes (m) as read.
  double MinSpeed = 0, MaxSpeed = 0;
  double Diameter = 0, OutletWidth = 0, OutletHeight = 0;
  double NominalFlow = 0;  // m³/s
  TModelRating Rating;     // the model's rating keys (drive, motor, source) over the catalogue's
  std::string Program;     // "Blowden 1.2.3"
  std::string Date;        // "2026-12-08", from SOURCE_DATE_EPOCH when set
};

// The page of the fan's current model at the duty: evaluates it as the
// selector does (chart included) and gathers the rest. `sha256` is that of
// the catalogue's bytes as read.
TDatasheet BuildDatasheet(TFan& fan, const TDuty& duty, const TResultUnits& units, const std::string& sha256);

// The date a datasheet shows: SOURCE_DATE_EPOCH's (UTC) when it is set to a
// number of seconds, otherwise today's; "2026-12-08".
std::string DatasheetDate();

// The SHA-256 of a file's bytes in lower-case hex; empty when it cannot be read.
std::string FileSha256(const std::string& path);

// Letter for the locales that use it (United States, Canada, Mexico, ...), A4
// for every other.
bool UsesLetterPaper(const QLocale& locale);

// Paints the pages on a paged device (a PDF writer or a printer), one page
// each, as vectors; more than one page start with a summary page (one row
// per page: tag, model, speed, power, FEI, verdict). False with `error` when the device cannot be painted on.
bool PaintDatasheets(QPagedPaintDevice& device, const std::vector<TDatasheet>& pages, QString& error);

// The pages as a PDF document in `pdf`, paper by the system locale; with
// SOURCE_DATE_EPOCH set, two runs give the same bytes. Returns an error text,
// empty on success. Needs a QGuiApplication.
std::string DatasheetPdf(const std::vector<TDatasheet>& pages, std::string& pdf);

}  // namespace blowden
