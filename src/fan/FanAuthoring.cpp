#include "fan/FanAuthoring.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

#include "base/CatalogueNumber.h"
#include "base/Convert.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "base/TextCodec.h"
#include "fan/FanBandImport.h"
#include "fan/FanLimits.h"
#include "fan/FanSound.h"

namespace blowden {

namespace {

// The model's name and the scalar data of its "Model" line, as the reader
// takes them (lengths from mm to m).
void SetScalars(TFanModel& m, std::string_view name, const TModelLine& line) {
  m.Name = std::string(Trim(name));
  m.Diameter = line.Diameter * 0.001;
  m.RefSpeed = line.RefSpeed;
  m.MinSpeed = line.MinSpeed;
  m.MaxSpeed = line.MaxSpeed;
  m.OutletWidth = line.OutletWidth * 0.001;
  m.OutletHeight = line.OutletHeight * 0.001;
}

constexpr double kQuarterPi = 0.78539816339744830962;

// The outlet area as the reader computes it (m²).
double OutletAreaOf(const TFanModel& m) {
  const double w = m.OutletWidth, h = m.OutletHeight;
  if (w != 0 && h != 0) return w * h;
  if (w == 0 && h != 0) return kQuarterPi * h * h;
  if (w != 0 && h == 0) return kQuarterPi * w * w;
  return 0;
}

std::string ListText(const std::vector<double>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) text += ',';
    text += ShortestDecimal(values[i]);
  }
  return text;
}

std::string IntListText(const std::vector<int>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) text += ',';
    text += Format("%d", {values[i]});
  }
  return text;
}

// A text for a comment line: line breaks and other control characters
// would end the line or hide in it.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return line;
}

// A length in mm from metres, as the file wrote it: 0.315 m -> 315, not
// 315.00000000000006 (micrometres are the finest a catalogue gives).
double Millimetres(double metres) {
  const double mm = metres * 1000;
  const double rounded = std::round(mm * 1e6) / 1e6;
  return std::fabs(mm - rounded) <= 1e-9 * std::max(1.0, std::fabs(mm)) ? rounded : mm;
}

// The flow the reader takes when the nominal flow lies outside the table:
// the point about two thirds along the curve.
double FallbackNominalFlow(const std::vector<double>& qa) {
  const std::size_t k = 2 * qa.size() / 3;
  return qa[k > 0 ? k - 1 : 0];
}

bool OutsideFlows(double qaNom, const std::vector<double>& qa) {
  return qaNom < qa.front() || qaNom > qa.back();
}

// "[Name]" and the lines of a section, "\n" line ends.
std::string SectionText(const std::string& name, const std::vector<std::string>& comments,
                        const TModelLine& line, const std::vector<int>* speeds, const std::vector<double>& qa,
                        bool total, const std::vector<double>& pressure, const std::vector<double>& pw,
                        const std::vector<double>& lw) {
  std::string s = "[" + name + "]\n";
  for (const std::string& comment : comments)
    if (!comment.empty()) s += "; " + comment + "\n";
  s += "Model=" + ModelLineText(line) + "\n";
  if (speeds) s += "Speed=" + IntListText(*speeds) + "\n";
  s += "Qa=" + ListText(qa) + "\n";
  s += (total ? "Pt=" : "Ps=") + ListText(pressure) + "\n";
  s += "Pw=" + ListText(pw) + "\n";
  s += "Lw=" + ListText(lw) + "\n";
  return s;
}

}  // namespace

std::string ShortestDecimal(double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string ParseModelLine(std::string_view text, TModelLine& line) {
  static constexpr const char* names[7] = {"diameter",      "reference speed", "minimum speed",
                                           "maximum speed", "outlet width",    "outlet height",
                                           "nominal flow"};
  std::vector<std::string_view> items;
  SplitList(text, items);
  if (items.size() != 7)
    return Format(
        "the Model line needs 7 items (diameter, reference, minimum and maximum speed, outlet "
        "width and height, nominal flow); it has %d",
        {static_cast<int>(items.size())});
  TModelLine parsed;
  int* integers[4] = {&parsed.Diameter, &parsed.RefSpeed, &parsed.MinSpeed, &parsed.MaxSpeed};
  double* decimals[3] = {&parsed.OutletWidth, &parsed.OutletHeight, &parsed.QaNom};
  for (std::size_t i = 0; i < 7; ++i) {
    const std::string_view item = Trim(items[i]);
    if (i < 4) {
      std::int32_t v = 0;
      if (!TryStrToInt(item, v))
        return Format("item %d (%s): '%s' is not a whole number", {static_cast<int>(i + 1), names[i], item});
      *integers[i] = v;
    } else {
      double v = 0;
      if (!TryStrToFloat(item, v))
        return Format("item %d (%s): '%s' is not a number", {static_cast<int>(i + 1), names[i], item});
      *decimals[i - 4] = v;
    }
  }
  line = parsed;
  return {};
}

std::string ModelLineText(const TModelLine& l) {
  return Format("%d,%d,%d,%d,", {l.Diameter, l.RefSpeed, l.MinSpeed, l.MaxSpeed}) +
         ShortestDecimal(l.OutletWidth) + "," + ShortestDecimal(l.OutletHeight) + "," +
         ShortestDecimal(l.QaNom);
}

std::string CheckModelLine(const TModelLine& l) {
  if (l.Diameter <= 0) return "the diameter must be above 0 mm";
  if (l.RefSpeed <= 0 || l.MinSpeed <= 0 || l.MaxSpeed <= 0) return "the speeds must be above 0 rpm";
  if (l.MinSpeed > l.MaxSpeed) return "the minimum speed is above the maximum speed";
  if (l.RefSpeed < l.MinSpeed || l.RefSpeed > l.MaxSpeed)
    return "the reference speed must lie between the minimum and the maximum speed";
  if (!std::isfinite(l.OutletWidth) || !std::isfinite(l.OutletHeight) || !std::isfinite(l.QaNom))
    return "the outlet sides and the nominal flow must be finite numbers";
  if (l.OutletWidth < 0 || l.OutletHeight < 0) return "the outlet sides must not be negative";
  if (l.OutletWidth == 0 && l.OutletHeight == 0)
    return "the outlet needs a width or a height (0 for both gives no outlet area)";
  return {};
}

std::string CheckNewModelName(std::string_view name, const std::vector<std::string>& existing) {
  const std::string_view wanted = Trim(name);
  if (wanted.empty()) return "the model needs a name";
  for (char c : wanted)
    if (c == ']' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      return "a model name cannot hold \"]\" or a control character such as a line break";
  if (SameText(wanted, "Catalog")) return "\"Catalog\" is the name of the catalogue header";
  for (const std::string& s : existing)
    if (SameText(Trim(s), wanted)) return "the file already has a section named \"" + s + "\"";
  return {};
}

TImportResult ImportTable(const TTextTable& table, const TImportRequest& request) {
  TImportResult r;
  const auto fail = [&r](std::string error) {
    r.Error = std::move(error);
    return r;
  };
  if (std::string e = CheckNewModelName(request.Name, {}); !e.empty()) return fail(e);
  if (std::string e = CheckModelLine(request.Line); !e.empty()) return fail("Model line: " + e);

  // Which column holds what.
  int column[ColumnRoleCount];
  std::fill(std::begin(column), std::end(column), -1);
  const auto title = [&](int c) {
    const auto i = static_cast<std::size_t>(c);
    return table.HasHeader && i < table.Header.size() && !table.Header[i].empty()
               ? Format("column %d (%s)", {c + 1, table.Header[i]})
               : Format("column %d", {c + 1});
  };
  const int columns = std::min(table.Columns, static_cast<int>(request.Columns.size()));
  for (int c = 0; c < columns; ++c) {
    const TColumnAssignment& a = request.Columns[static_cast<std::size_t>(c)];
    if (a.Role == crIgnore) {
      if (table.HasHeader && !table.Header[static_cast<std::size_t>(c)].empty())
        r.Notes.push_back("The " + title(c) + " is not imported");
      continue;
    }
    if (a.Role >= ColumnRoleCount) return fail(title(c) + ": unknown quantity");
    if (a.Unit < 0 || a.Unit >= static_cast<int>(RoleUnits(a.Role).size()))
      return fail(title(c) + ": unknown unit");
    if (column[a.Role] >= 0)
      return fail(Format("%s and %s both hold the %s",
                         {title(column[a.Role]), title(c), std::string(ColumnRoleName(a.Role))}));
    const TColumnRole other = a.Role == crStaticPressure  ? crTotalPressure
                              : a.Role == crTotalPressure ? crStaticPressure
                                                          : crIgnore;
    if (other != crIgnore && column[other] >= 0)
      return fail(Format("%s and %s both hold a pressure; a model takes one, static or total",
                         {title(column[other]), title(c)}));
    column[a.Role] = c;
  }
  const bool total = column[crTotalPressure] >= 0;
  const int pressureColumn = total ? column[crTotalPressure] : column[crStaticPressure];
  if (column[crFlow] < 0) return fail("no column holds the flow");
  if (pressureColumn < 0) return fail("no column holds the static or the total pressure");
  if (column[crShaftPower] < 0) return fail("no column holds the shaft power");
  // Eight octave-band columns may stand for the sound power.
  if (column[crSoundPower] < 0 && !HasAllBandColumns(column)) return fail("no column holds the sound power");

  // Every row's values in SI units.
  struct TPoint {
    double Q, P, Pw, Lw;
    std::size_t Row;
  };
  std::vector<TPoint> points;
  for (std::size_t row = 0; row < table.Rows.size(); ++row) {
    const int line = row < table.RowLines.size() ? table.RowLines[row] : static_cast<int>(row) + 1;
    double values[4] = {};
    const int used[4] = {column[crFlow], pressureColumn, column[crShaftPower], column[crSoundPower]};
    for (int k = 0; k < 4; ++k) {
      if (used[k] < 0) continue;  // the sound power, from the bands
      const auto c = static_cast<std::size_t>(used[k]);
      const std::string& cell = c < table.Rows[row].size() ? table.Rows[row][c] : std::string();
      const std::string place = Format("line %d, ", {line}) + title(used[k]) + ": ";
      if (cell.empty()) return fail(place + "the cell is empty");
      double v = 0;
      if (!TryStrToFloat(cell, v))
        return fail(place + "'" + OneLine(cell) +
                    "' is not a number (numbers use \".\" for decimals and no thousands separators)");
      const TColumnAssignment& a = request.Columns[c];
      v /= RoleUnits(a.Role)[static_cast<std::size_t>(a.Unit)].PerSI;
      if (!std::isfinite(v))
        return fail(place + "'" + cell + "' is beyond the range of a number in SI units");
      values[k] = request.Exact ? v : CatalogueValue(v, cell);
    }
    if (values[0] < 0)
      return fail(Format("line %d, ", {line}) + title(column[crFlow]) + ": a flow cannot be negative");
    points.push_back({values[0], values[1], values[2], values[3], row});
  }
  if (points.size() < 2)
    return fail(
        Format("a model needs at least 2 points; the table has %d", {static_cast<int>(points.size())}));
  if (!std::is_sorted(points.begin(), points.end(),
                      [](const TPoint& a, const TPoint& b) { return a.Q < b.Q; })) {
    std::stable_sort(points.begin(), points.end(),
                     [](const TPoint& a, const TPoint& b) { return a.Q < b.Q; });
    r.Notes.push_back("The rows are sorted by increasing flow, as the file needs them");
  }
  if (points.size() < 5)
    r.Notes.push_back(
        Format("Only %d points: verification asks for at least 5", {static_cast<int>(points.size())}));

  // The model as the reader will read it.
  const TModelLine& line = request.Line;
  TFanModel& m = r.Model;
  SetScalars(m, request.Name, line);
  m.Count = static_cast<int>(points.size());
  for (const TPoint& p : points) {
    m.Qa.push_back(p.Q);
    r.Pressure.push_back(p.P);
    m.Pw.push_back(p.Pw);
    m.Lw.push_back(p.Lw);
  }
  std::vector<std::size_t> rows(points.size());
  std::transform(points.begin(), points.end(), rows.begin(), [](const TPoint& p) { return p.Row; });
  if (auto e = ImportBandColumns(table, column, rows, title, column[crSoundPower] < 0, m)) return fail(*e);
  m.QaNom = line.QaNom;
  if (OutsideFlows(m.QaNom, m.Qa)) {
    m.QaNom = FallbackNominalFlow(m.Qa);
    m.QaNomFallBack = true;
    r.Notes.push_back(line.QaNom == kNoNominalFlow
                          ? Format("No nominal flow given: the reader takes %s m³/s, the point two thirds "
                                   "along the curve",
                                   {ShortestDecimal(m.QaNom)})
                          : Format("The nominal flow %s m³/s lies outside the tested flows: the reader takes "
                                   "%s m³/s, the point two thirds along the curve",
                                   {ShortestDecimal(line.QaNom), ShortestDecimal(m.QaNom)}));
  }
  r.TotalPressure = total;
  if (total) {
    const double area = OutletAreaOf(m);
    for (std::size_t j = 0; j < points.size(); ++j) {
      const double v = m.Qa[j] / area;
      m.Ps.push_back(r.Pressure[j] - 0.5 * request.Density * v * v);
    }
  } else {
    m.Ps = r.Pressure;
  }

  std::string comment;
  {
    const auto unitOf = [&](int c) {
      const TColumnAssignment& a = request.Columns[static_cast<std::size_t>(c)];
      return std::string(RoleUnits(a.Role)[static_cast<std::size_t>(a.Unit)].Label);
    };
    const std::string source = request.Source.empty() ? "a pasted table" : OneLine(request.Source);
    comment = "Imported from " + source + ": flow in " + unitOf(column[crFlow]) + ", " +
              (total ? "total" : "static") + " pressure in " + unitOf(pressureColumn) + ", shaft power in " +
              unitOf(column[crShaftPower]) + ", sound power in dB";
  }
  r.Section = SectionText(m.Name, {comment}, line, nullptr, m.Qa, total, r.Pressure, m.Pw, m.Lw);
  if (HasBands(m)) r.Section += BandLinesText(m, ListText);
  return r;
}

std::optional<TEfficiencyStep> FindEfficiencyStep(std::string_view name) {
  if (SameText(Trim(name), "ackeret")) return TEfficiencyStep::Ackeret;
  return std::nullopt;
}

namespace {

// A whole speed from a long double, saturated at the int range (the
// verification then reports a speed beyond its bound).
int WholeSpeed(long double rpm) {
  if (!(rpm < 2147483647.0L)) return 2147483647;
  if (!(rpm > -2147483647.0L)) return -2147483647;
  return static_cast<int>(rpm);
}

// The highest total efficiency over the tested points (a fraction): listed
// total pressures, or static ones plus the velocity pressure at the outlet.
double PeakTotalEfficiency(const TFanModel& m, std::size_t n, const std::vector<double>* totals,
                           double density) {
  const double area = ModelOutletArea(m);
  double best = 0;
  for (std::size_t j = 0; j < n; ++j) {
    const double v = area > 0 ? m.Qa[j] / area : 0;
    const double pt = totals ? (*totals)[j] : m.Ps[j] + 0.5 * density * v * v;
    if (m.Pw[j] > 0) best = std::max(best, m.Qa[j] * pt / (1000 * m.Pw[j]));
  }
  return best;
}

std::string SpeedList(const std::vector<int>& speeds) {
  std::string text;
  for (int s : speeds) text += (text.empty() ? "" : ", ") + Format("%d", {s});
  return text;
}

}  // namespace

TDeriveResult DeriveModel(const TFanModel& source, const std::vector<double>* totalPressures,
                          const TDeriveRequest& request) {
  TDeriveResult r;
  const auto fail = [&r](std::string error) {
    r.Error = std::move(error);
    return r;
  };
  if (std::string e = CheckNewModelName(request.Name, {}); !e.empty()) return fail(e);
  if (SameText(Trim(request.Name), Trim(source.Name))) return fail("the new model needs a name of its own");
  const std::size_t n = std::min({static_cast<std::size_t>(std::max(source.Count, 0)), source.Qa.size(),
                                  source.Ps.size(), source.Pw.size(), source.Lw.size()});
  if (n < 2) return fail("the model \"" + source.Name + "\" has fewer than 2 complete points");
  if (totalPressures && totalPressures->size() < n)
    return fail("the model \"" + source.Name + "\" lists fewer total pressures than flows");
  const double oldDiameter = Millimetres(source.Diameter);
  if (!(oldDiameter > 0) || source.RefSpeed <= 0)
    return fail("the model \"" + source.Name + "\" has no diameter or reference speed to scale from");
  if (request.Diameter <= 0) return fail("the new diameter must be above 0 mm");
  if (request.RefSpeed < 0) return fail("the new reference speed must be above 0 rpm");

  using TLong = long double;
  const TLong d1 = request.Diameter, d0 = oldDiameter;
  // The impeller's tip speed limits: the speeds scale with 1 / k, whatever
  // speed the new data are given at. A hair of tolerance keeps 1600 / 0.8
  // at 2000, not 1999.
  constexpr TLong kHair = 1e-9L;
  TModelLine line;
  line.Diameter = request.Diameter;
  line.MaxSpeed = WholeSpeed(std::floor(source.MaxSpeed * d0 / d1 + kHair));
  line.MinSpeed = WholeSpeed(std::ceil(source.MinSpeed * d0 / d1 - kHair));
  // A fan of one speed (MinSpeed = MaxSpeed) keeps one: the whole speed at
  // or below its tip speed.
  if (line.MinSpeed > line.MaxSpeed && source.MinSpeed <= source.MaxSpeed) line.MinSpeed = line.MaxSpeed;
  int newSpeed = request.RefSpeed;
  if (newSpeed == 0) {
    newSpeed = source.RefSpeed;
    if (line.MinSpeed <= line.MaxSpeed && (newSpeed < line.MinSpeed || newSpeed > line.MaxSpeed)) {
      const int moved = std::clamp(newSpeed, line.MinSpeed, line.MaxSpeed);
      r.Notes.push_back(
          Format("The reference speed %d rpm lies outside the new speed limits %d..%d rpm: the "
                 "data are given at %d rpm",
                 {newSpeed, line.MinSpeed, line.MaxSpeed, moved}));
      newSpeed = moved;
    }
  }
  line.RefSpeed = newSpeed;

  // The factors as ratios of products of the diameters and speeds, in
  // extended precision, and every value scaled in it: k = 0.8 scales by
  // exactly 0.512, 0.64 and 0.32768 (to the double), and 1.75 becomes 0.896,
  // not 0.8960000000000002.
  const TLong n1 = newSpeed, n0 = source.RefSpeed;
  const TLong flowFactor = (d1 * d1 * d1 * n1) / (d0 * d0 * d0 * n0);
  const TLong pressureFactor = (d1 * d1 * n1 * n1) / (d0 * d0 * n0 * n0);
  TLong powerFactor = (d1 * d1 * d1 * d1 * d1 * n1 * n1 * n1) / (d0 * d0 * d0 * d0 * d0 * n0 * n0 * n0);
  const TLong soundStep = 70 * std::log10(d1 / d0) + 50 * std::log10(n1 / n0);
  // A scaled value as a catalogue maker writes it, unless the exact double is asked for.
  const auto written = [&request](long double scaled, double from) {
    const auto v = static_cast<double>(scaled);
    return request.Exact ? v : CatalogueValue(v, from);
  };
  const auto scale = [&](double value, TLong factor) { return written(value * factor, value); };
  const double k = static_cast<double>(d1 / d0);
  const double sn = static_cast<double>(n1 / n0);
  r.K = k;
  r.N = sn;

  std::vector<std::string> comments;
  comments.push_back(
      "Derived from " + OneLine(source.Name) + " by the fan laws: diameter " + ShortestDecimal(oldDiameter) +
      " mm -> " + Format("%d", {request.Diameter}) + " mm (k = " + FormatGeneral(k, 6) + "), speed " +
      Format("%d rpm -> %d rpm", {source.RefSpeed, newSpeed}) + " (n = " + FormatGeneral(sn, 6) +
      "); flow * k^3*n, pressure * k^2*n^2, power * k^5*n^3, sound + 70 log10(k) + 50 log10(n)");
  comments.push_back(Format("Speed limits / k (the same tip speed): %d..%d rpm -> %d..%d rpm",
                            {source.MinSpeed, source.MaxSpeed, line.MinSpeed, line.MaxSpeed}));

  // The efficiency of the new size.
  if (request.EfficiencyStep == TEfficiencyStep::Ackeret) {
    const TLong reRatio = (n0 * d0 * d0) / (n1 * d1 * d1);  // Re1 / Re2
    if (reRatio > 1) {
      const double eta1 = PeakTotalEfficiency(source, n, totalPressures, request.Density);
      if (!(eta1 > 0 && eta1 < 1))
        return fail(
            Format("the model \"%s\" has no peak total efficiency between 0 and 100 %% (%0.1f %%) to "
                   "step down from",
                   {source.Name, 100 * eta1}));
      const double ratio = 0.5 + 0.5 * std::pow(static_cast<double>(reRatio), 0.2);
      const double eta2 = 1 - (1 - eta1) * ratio;
      if (!(eta2 > 0))
        return fail(Format("the efficiency step leaves no efficiency (%0.1f %% -> %0.1f %%)",
                           {100 * eta1, 100 * eta2}));
      r.PowerFactor = eta1 / eta2;
      powerFactor *= r.PowerFactor;
      const std::string step = Format(
          "Efficiency stepped down by Ackeret's formula (1 - eta2)/(1 - eta1) = 0.5 + 0.5 (Re1/Re2)^0.2 "
          "with Re1/Re2 = %s: peak total efficiency %0.1f %% -> %0.1f %%, shaft power * %s",
          {FormatGeneral(static_cast<double>(reRatio), 6), 100 * eta1, 100 * eta2,
           FormatGeneral(r.PowerFactor, 6)});
      comments.push_back(step);
      r.Notes.push_back(step);
    } else {
      const std::string kept =
          "No efficiency step: the new size runs at a Reynolds number not below the model's, and the "
          "efficiency is never stepped up";
      comments.push_back(kept);
      r.Notes.push_back(kept);
    }
  } else if (k < 1) {
    const std::string smaller = Format(
        "Smaller than %s (k = %s): a smaller size usually has a lower efficiency; the shaft powers are "
        "scaled by the fan laws only",
        {OneLine(source.Name), FormatGeneral(k, 6)});
    comments.push_back(smaller);
    r.Warnings.push_back(smaller + " (--efficiency-step ackeret steps them down)");
  }

  line.OutletWidth = scale(Millimetres(source.OutletWidth), d1 / d0);
  line.OutletHeight = scale(Millimetres(source.OutletHeight), d1 / d0);
  line.QaNom = scale(source.QaNom, flowFactor);

  TFanModel& m = r.Model;
  SetScalars(m, request.Name, line);
  m.Count = static_cast<int>(n);
  std::vector<double> listed;
  for (std::size_t j = 0; j < n; ++j) {
    m.Qa.push_back(scale(source.Qa[j], flowFactor));
    m.Ps.push_back(scale(source.Ps[j], pressureFactor));
    m.Pw.push_back(scale(source.Pw[j], powerFactor));
    m.Lw.push_back(written(source.Lw[j] + soundStep, source.Lw[j]));
    listed.push_back(totalPressures ? scale((*totalPressures)[j], pressureFactor) : m.Ps.back());
  }
  m.QaNomFallBack = OutsideFlows(line.QaNom, m.Qa);
  m.QaNom = m.QaNomFallBack ? FallbackNominalFlow(m.Qa) : line.QaNom;

  // Motor speeds stay what they are; those beyond the new limits go.
  m.HasSpeeds = source.HasSpeeds;
  std::vector<int> dropped;
  // Without a "Speed" key the list is an earlier model's: not this one's.
  for (int speed : source.HasSpeeds ? source.Speeds : std::vector<int>()) {
    if (speed >= line.MinSpeed && speed <= line.MaxSpeed)
      m.Speeds.push_back(speed);
    else
      dropped.push_back(speed);
  }
  if (m.HasSpeeds && !dropped.empty()) {
    if (m.Speeds.empty()) {
      r.Unverifiable = true;
      return fail(Format("none of the listed speeds (%s rpm) lies within the new speed limits %d..%d rpm",
                         {SpeedList(dropped), line.MinSpeed, line.MaxSpeed}));
    }
    const std::string note = Format("Listed speeds %s rpm dropped: outside the new speed limits %d..%d rpm",
                                    {SpeedList(dropped), line.MinSpeed, line.MaxSpeed});
    comments.push_back(note);
    r.Notes.push_back(note);
  }

  // What the reader and the verification will make of it.
  TFanHeader header;
  header.Density = request.Density;
  const std::vector<std::string> errors = VerifyModelData(header, m, fsReady, "", true);
  if (!errors.empty()) {
    r.Unverifiable = true;
    std::string text = "the derived model would not verify:";
    for (const std::string& e : errors) text += "\n  " + e;
    return fail(text);
  }
  r.Section = SectionText(m.Name, comments, line, source.HasSpeeds ? &m.Speeds : nullptr, m.Qa,
                          totalPressures != nullptr, listed, m.Pw, m.Lw);
  // Octave bands move as the total does.
  if (HasBands(source)) r.Section += DerivedBandLines(source, soundStep, m, ListText);
  r.Section += DerivedRatingLines(source.Rating, OneLine(source.Name), k);
  return r;
}

std::optional<std::string> AppendSection(std::string_view fileBytes, std::string_view section,
                                         std::string& error) {
  const TDecodedText decoded = DecodeText(fileBytes);
  const std::string_view eol = DetectLineEnding(decoded.Utf8);
  std::string added;
  const bool empty = fileBytes.empty() || fileBytes == "\xEF\xBB\xBF";
  if (!empty) {
    const char last = fileBytes.back();
    if (last != '\n' && last != '\r') added += eol;
    // An empty line before the new section, unless the file ends with one.
    const std::string_view text = decoded.Utf8;
    const bool blankEnd = text.size() >= 2 * eol.size() && (last == '\n' || last == '\r') &&
                          text.substr(text.size() - 2 * eol.size()) == std::string(eol) + std::string(eol);
    if (!blankEnd) added += eol;
  }
  for (char c : section) {
    if (c == '\n')
      added += eol;
    else
      added += c;
  }
  // The file keeps its encoding; a byte-order mark is at its start already.
  const TTextEncoding encoding =
      decoded.Encoding == TTextEncoding::teWindows1252 ? TTextEncoding::teWindows1252 : TTextEncoding::teUtf8;
  std::string bad;
  std::optional<std::string> encoded = EncodeText(added, encoding, &bad);
  if (!encoded) {
    error = "the file is written in Windows-1252, which cannot hold the character \"" + bad + "\"";
    return std::nullopt;
  }
  return std::string(fileBytes) + *encoded;
}

std::vector<std::string> SectionNames(std::string_view fileBytes) {
  return TIniFile(DecodeText(fileBytes).Utf8).ReadSections();
}

std::optional<std::vector<double>> ListedTotalPressures(std::string_view fileBytes, std::string_view model,
                                                        std::string& error) {
  const TIniFile ini(DecodeText(fileBytes).Utf8);
  const std::optional<std::string_view> pt = ini.FindValue(model, "Pt");
  if (!pt) return std::nullopt;
  std::vector<std::string_view> items;
  SplitList(*pt, items);
  std::vector<double> values;
  for (std::string_view item : items) {
    double v = 0;
    if (!TryStrToFloat(item, v)) {
      error = "the Pt list holds '" + std::string(item) + "', which is not a number";
      return std::nullopt;
    }
    values.push_back(v);
  }
  return values;
}

}  // namespace blowden
