// Every figure the fan model gives for the sample and test catalogues
// (tests/fan/data/evaluation), over a table of duties, compared bit for bit
// with the record in tests/fan/data/evaluation.record: the reading, the
// fits, the operating point each operation leaves current, the selector's
// evaluations, the best-model searches, the verification and the ranking.
// Any change to how a model is read or evaluated shows here as the first
// lines that differ.
//
// The record was written by the code as it stood before the model's data
// were parted from its evaluation. A deliberate change to a figure writes it
// again: BLOWDEN_WRITE_EVALUATION_RECORD=1 fan_tests --gtest_filter='EvaluationRecord*'
// (and the diff of the record is then reviewed like code).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Convert.h"
#include "fan/FanRanking.h"
#include "fan/FanSelection.h"
#include "fan/QmFan.h"
#include "support/TestSupport.h"

namespace blowden {
namespace {

namespace fs = std::filesystem;

// A double as hex-float text: equal texts mean equal bits (NaNs aside).
std::string H(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%a", v);
  return buf;
}

std::string H(const std::vector<double>& v) {
  std::string s;
  for (double x : v) s += (s.empty() ? "" : ",") + H(x);
  return s;
}

std::string H(const std::optional<double>& v) { return v ? H(*v) : std::string("none"); }

fs::path DataDir() { return test::SourceDir() / "tests" / "fan" / "data" / "evaluation"; }
fs::path RecordFile() { return test::SourceDir() / "tests" / "fan" / "data" / "evaluation.record"; }

std::vector<std::string> Catalogues() {
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(DataDir()))
    if (e.path().extension() == ".qfn") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

class TRecorder {
 public:
  template <class... T>
  void Line(const T&... parts) {
    std::string s;
    ((s += (s.empty() ? "" : " "), s += Text(parts)), ...);
    FLines.push_back(std::move(s));
  }
  std::vector<std::string>& Lines() { return FLines; }

 private:
  static std::string Text(const std::string& s) { return s; }
  static std::string Text(const char* s) { return s; }
  static std::string Text(double v) { return H(v); }
  static std::string Text(int v) { return std::to_string(v); }
  static std::string Text(std::size_t v) { return std::to_string(v); }
  static std::string Text(bool v) { return v ? "true" : "false"; }
  std::vector<std::string> FLines;
};

// The point an operation left current, as the queries read it.
void RecordCurrent(TRecorder& out, const TFan& fan) {
  out.Line("  current", fan.RefPressure(), fan.RefPower(), fan.RefSound(), fan.OutletVelocity(),
           fan.Status());
}

// `points`: the chart's curves point by point, else only its window.
void RecordResult(TRecorder& out, const char* what, const TSelectionResult& r, bool points = false) {
  out.Line(" ", what, r.Status, r.Volume, r.PStatic, r.Speed, r.RawSpeed, r.PDynamic, r.PTotal, r.ShaftPower,
           r.Efficiency, r.StaticEfficiency, r.SoundPower, r.R2, r.DutyMet, H(r.StallMargin), r.Extrapolation,
           r.SpeedMargin, r.BepRatio, r.PeakEfficiency, r.Density, r.DensityRatio,
           static_cast<int>(r.Verdict), static_cast<int>(r.RejectRule));
  for (const std::string& s : r.Reasons) out.Line("   reason", s);
  for (const std::string& s : r.Warnings) out.Line("   warning", s);
  for (const std::string& s : r.Lines) out.Line("   line", s);
  for (const std::string& s : r.ExtraLines) out.Line("   extra", s);
  if (!r.ModelCaption.empty()) out.Line("   caption", r.ModelCaption, r.R2Text);
  if (!r.Chart.Lines.empty()) {
    out.Line("   chart", r.ChartScaleOk, r.Chart.XMin, r.Chart.XMax, r.Chart.YMin, r.Chart.YMax,
             r.Chart.Title);
    for (const auto& line : r.Chart.Lines) {
      if (!points) {
        out.Line("    curve", static_cast<int>(line.Kind), line.Points.size());
        continue;
      }
      std::string pts;
      for (const auto& p : line.Points) pts += H(p.X) + ":" + H(p.Y) + ",";
      out.Line("    curve", static_cast<int>(line.Kind), pts);
    }
    out.Line("    duty", r.Chart.Duty.X, r.Chart.Duty.Y, r.Chart.Operating.has_value());
    if (r.Chart.Operating) out.Line("    operating", r.Chart.Operating->X, r.Chart.Operating->Y);
  }
}

// The duties of a model: flows around its nominal flow, pressures up to
// half again its highest tested pressure (read data only).
std::vector<TDuty> DutyTable(const TFanModel& m) {
  double top = 0;
  for (double p : m.Ps) top = std::max(top, p);
  if (!(top > 0)) top = 100;
  const double nominal = m.QaNom > 0 ? m.QaNom : 1;
  std::vector<TDuty> duties;
  for (double fq : {0.3, 0.7, 1.0, 1.3, 2.0})
    for (double fp : {0.1, 0.6, 1.0, 1.5}) duties.push_back(TDuty{nominal * fq, top * fp, {}, {}, 0});
  return duties;
}

TDuty AtSite(TDuty d) {
  d.Kind = TPressureKind::Total;
  d.Air.Source = TSiteAir::saDensity;
  d.Air.Density = 1.05;
  d.Tolerance = 5;
  return d;
}

void RecordModel(TRecorder& out, TFan& fan) {
  const TFanModel& m = fan.Model();
  out.Line(" model", m.Name, fan.Status(), fan.ModelReadComplete(), fan.ReadProblem());
  out.Line("  data", m.Diameter, m.RefSpeed, m.MinSpeed, m.MaxSpeed, m.OutletHeight, m.OutletWidth, m.QaNom,
           m.Count, m.HasSpeeds, m.QaNomFallBack);
  out.Line("  Qa", H(m.Qa));
  out.Line("  Ps", H(m.Ps));
  out.Line("  Pw", H(m.Pw));
  out.Line("  Lw", H(m.Lw));
  out.Line("  fit", H(fan.Coeffs()), fan.FitError(), fan.FitStats().R2, fan.OutletArea(), fan.LowestFlow(),
           fan.HighestFlow(), fan.MaxPressureIndex(), fan.MinPositivePressureIndex());
  if (!fan.ModelReadComplete()) return;
  for (const std::string& line : fan.ModelVerifyErrors()) out.Line("  verify", line);

  double q = 0, p = 0;
  const double n0 = fan.NominalPoint(q, p);
  out.Line("  nominal", q, p, n0);
  RecordCurrent(out, fan);
  const double ref = m.RefSpeed;
  for (double fq : {0.0, 0.5, 1.0, 1.1})
    for (double n : {ref, static_cast<double>(m.MinSpeed), 0.95 * m.MaxSpeed}) {
      const double flow = fan.LowestFlow() + fq * (fan.HighestFlow() - fan.LowestFlow());
      // One call after the other: each may read what the one before left.
      const double pressure = fan.PressureAt(flow, n);
      const double slower = fan.PressureAtSpeed(0.8 * n);
      const double power = fan.ShaftPower(n);
      out.Line("  at", flow, n, pressure, slower, power);
      RecordCurrent(out, fan);
    }
  for (double n : {ref, 0.0, static_cast<double>(m.MinSpeed)}) {
    const double sound = fan.SoundPower(n);
    out.Line("  sound", n, sound, fan.Status());
  }
  out.Line("  dynamic", fan.DynamicPressure(m.QaNom));
  RecordCurrent(out, fan);

  for (const TDuty& duty : DutyTable(m)) {
    double dq = duty.Flow, dp = duty.Pressure, raw = 0;
    const double n = fan.SolveSpeed(dq, dp, raw);
    out.Line("  solve", duty.Flow, duty.Pressure, dq, dp, raw, n, fan.Status());
    RecordCurrent(out, fan);
    RecordResult(out, "figures", EvaluateDutyFigures(fan, duty));
    RecordResult(out, "site", EvaluateDutyFigures(fan, AtSite(duty)));
    RecordCurrent(out, fan);
  }
  const TDuty nominalDuty{m.QaNom, p, {}, {}, 0};
  RecordResult(out, "shown", EvaluateDuty(fan, nominalDuty.Flow, nominalDuty.Pressure, 0, 0), true);
  RecordResult(out, "shownsite", EvaluateDuty(fan, AtSite(nominalDuty), 0, 0, {}, TResultUnits::IP(), true));
  RecordResult(out, "browse", EvaluateBrowse(fan));
  TSiteAir air;
  air.Source = TSiteAir::saAltitudeTemperature;
  air.Altitude = 1500;
  air.Temperature = 30;
  RecordResult(out, "browsesite", EvaluateBrowse(fan, air, {}, TResultUnits{}));
  RecordCurrent(out, fan);
}

void RecordFile(TRecorder& out, const std::string& path) {
  TFan fan;
  std::string model;
  fan.OnMessage = [&](const std::string& text) { out.Line("  message", model, text); };
  fan.LoadFromFile(path);
  const TFanHeader& h = fan.Header();
  out.Line("file", fs::path(path).filename().string(), fan.Status(), fan.LoadStatus(), fan.Models().size());
  out.Line(" header", h.Maker, h.Range, h.Description, h.Version, h.Density, static_cast<int>(h.Kind),
           h.MaxTipSpeed);
  const std::vector<std::string> models = fan.Models();
  for (const std::string& name : models) {
    model = name;
    try {
      fan.SelectModel(name);
    } catch (const EConvertError& e) {
      out.Line(" convert", name, e.what(), fan.Status(), fan.ModelStatus(), fan.ReadProblem());
      continue;
    }
    RecordModel(out, fan);
  }
  model = "(verify)";
  const std::optional<TConversionStop> stop = fan.VerifyReporting();
  out.Line(" verified", stop ? stop->Model + ": " + stop->Message : std::string("clean"), fan.Model().Name,
           fan.Status());
  for (const std::string& line : fan.Errors()) out.Line("  error", line);

  // The searches over the whole file, for duties of its first model.
  if (models.empty()) return;
  TFan first;
  first.LoadFromFile(path);
  try {
    first.SelectModel(models.front());
  } catch (const EConvertError&) {
    return;
  }
  model = "(search)";
  for (const TDuty& duty : DutyTable(first.Model())) {
    try {
      const int best = fan.FindBestModel(duty.Flow, duty.Pressure);
      out.Line(" best", duty.Flow, duty.Pressure, best, fan.BestIndex(), fan.Status(), fan.Model().Name);
      RecordCurrent(out, fan);
    } catch (const EConvertError& e) {
      out.Line(" best throws", e.what(), fan.Status(), fan.Model().Name);
    }
    try {
      const int site = FindBestModel(fan, AtSite(duty));
      out.Line(" bestsite", site, fan.Status(), fan.Model().Name);
    } catch (const EConvertError& e) {
      out.Line(" bestsite throws", e.what(), fan.Status(), fan.Model().Name);
    }
    try {
      const TFindResult found = FindAcceptableModel(fan, duty);
      out.Line(" acceptable", found.Index, found.SearchIndex, found.Acceptable, fan.Model().Name);
      for (const std::string& note : found.Notes) out.Line("  note", note);
    } catch (const EConvertError& e) {
      out.Line(" acceptable throws", e.what(), fan.Status(), fan.Model().Name);
    }
  }
}

void RecordRanking(TRecorder& out, const std::vector<std::string>& files) {
  const std::vector<TDuty> duties{
      {0.5, 150, {}, {}, 0}, {1.2, 300, {}, {}, 0}, {2.0, 400, {}, {}, 5}, AtSite({1.5, 350, {}, {}, 0})};
  for (const TDuty& duty : duties)
    for (TRankKey key : {TRankKey::Power, TRankKey::Margin}) {
      const TRanking r = RankDuty(files, duty, key, 1);
      out.Line("rank", duty.Flow, duty.Pressure, std::string(RankKeyName(key)), r.Candidates.size(),
               r.Rejected.size());
      for (const TCandidate& c : r.Candidates)
        out.Line(" candidate", fs::path(c.File.str()).filename().string(), c.Model, c.Status, c.DutyMet,
                 c.Speed, c.SpeedMargin, c.Flow, c.StaticPressure, c.TotalPressure, c.ShaftPower,
                 c.StaticEfficiency, c.Efficiency, c.SoundPower, H(c.StallMargin), c.BepRatio,
                 static_cast<int>(c.Verdict), c.Warnings().size());
      for (const TRejected& j : r.Rejected)
        out.Line(" rejected", fs::path(j.File.str()).filename().string(), j.Model, j.Status, j.Reason(),
                 static_cast<int>(j.Rule), j.Warnings().size());
      for (const std::string& m : r.Messages) out.Line(" message", m.substr(m.find_last_of('/') + 1));
    }
}

std::vector<std::string> RecordAll() {
  TRecorder out;
  const std::vector<std::string> files = Catalogues();
  for (const std::string& file : files) RecordFile(out, file);
  RecordRanking(out, files);
  return out.Lines();
}

TEST(EvaluationRecord, EveryFigureAsRecorded) {
  const std::vector<std::string> lines = RecordAll();
  ASSERT_GT(lines.size(), 1000U);
  if (std::getenv("BLOWDEN_WRITE_EVALUATION_RECORD")) {
    std::ofstream f(RecordFile(), std::ios::binary);
    for (const std::string& line : lines) f << line << '\n';
    ASSERT_TRUE(f.good());
    GTEST_SKIP() << "record written: " << RecordFile().string();
  }
  std::ifstream f(RecordFile(), std::ios::binary);
  ASSERT_TRUE(f.good()) << "no record at " << RecordFile().string();
  std::vector<std::string> expected;
  for (std::string line; std::getline(f, line);) expected.push_back(line);
  int shown = 0;
  for (std::size_t i = 0; i < std::max(lines.size(), expected.size()) && shown < 10; ++i) {
    const std::string got = i < lines.size() ? lines[i] : "(no line)";
    const std::string want = i < expected.size() ? expected[i] : "(no line)";
    if (got != want) {
      ++shown;
      ADD_FAILURE() << "line " << i + 1 << "\n  recorded: " << want << "\n  now:      " << got;
    }
  }
  EXPECT_EQ(lines.size(), expected.size());
}

}  // namespace
}  // namespace blowden
