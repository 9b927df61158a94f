#include "fan/ModelData.h"

#include <algorithm>
#include <filesystem>

#include "base/Convert.h"
#include "base/Format.h"
#include "fan/FanSound.h"
#include "fan/ModelEval.h"
#include "fan/QmFan.h"

namespace blowden {

namespace {

// Why a "Model" list could not be read: its first item that is not a
// number, or too few items.
std::string DescribeModelLine(const std::vector<std::string_view>& items) {
  for (std::size_t i = 0; i < items.size() && i < 7; ++i) {
    bool ok;
    if (i < 4) {
      std::int32_t v = 0;
      ok = TryStrToInt(items[i], v);
    } else {
      double v = 0;
      ok = TryStrToFloat(items[i], v);
    }
    if (!ok)
      return "\"Model\" item " + std::to_string(i + 1) + " is '" + std::string(items[i]) + "', not a" +
             (i < 4 ? "n integer" : " number");
  }
  return "\"Model\" holds " + std::to_string(items.size()) + " item(s), 7 are needed";
}

}  // namespace

namespace {

// The keys of one section of the parsed file, looked up without regard to case.
class TSectionReader {
 public:
  TSectionReader(const TIniFile& ini, const TIniFile::TSection& section)
      : FBegin(ini.Entries().data() + section.First), FEnd(FBegin + section.Count) {}

  const std::string_view* Find(std::string_view key) const {
    for (const TIniFile::TEntry* e = FBegin; e != FEnd; ++e)
      if (SameText(e->Key, key)) return &e->Value;
    return nullptr;
  }
  bool Exists(std::string_view key) const { return Find(key) != nullptr; }
  double ReadFloat(std::string_view key, double def) const {
    const std::string_view* v = Find(key);
    double r = def;
    return (v && TryStrToFloat(*v, r)) ? r : def;
  }
  std::int32_t ReadInteger(std::string_view key, std::int32_t def) const {
    const std::string_view* v = Find(key);
    std::int32_t r = def;
    return (v && TryStrToInt(*v, r)) ? r : def;
  }
  std::string_view ReadString(std::string_view key) const {
    const std::string_view* v = Find(key);
    return v ? *v : std::string_view();
  }

 private:
  const TIniFile::TEntry* FBegin;
  const TIniFile::TEntry* FEnd;
};

// An item of a decimal list: an invalid item other than the last reads as 0,
// an invalid last item throws the conversion error.
double ListFloat(const std::vector<std::string_view>& items, std::size_t i) {
  double v = 0;
  if (TryStrToFloat(items[i], v)) return v;
  if (i + 1 == items.size()) return StrToFloat(items[i]);
  return 0;
}

int ListInteger(const std::vector<std::string_view>& items, std::size_t i) {
  std::int32_t v = 0;
  if (TryStrToInt(items[i], v)) return v;
  if (i + 1 == items.size()) return StrToInt(items[i]);
  return 0;
}

// Power and sound lists: one item fills every point; a shorter list repeats
// its last item; extra items are ignored (and not converted).
void ExpandList(const std::vector<std::string_view>& items, int count, std::vector<double>& out) {
  const std::size_t n = static_cast<std::size_t>(count);
  out.resize(n);
  const std::size_t m = items.size();
  if (m == 1) {
    std::fill(out.begin(), out.end(), StrToFloat(items[0]));
    return;
  }
  for (std::size_t j = 0; j < n && j < m; ++j) out[j] = StrToFloat(items[j]);
  if (m < n) {
    const double last = out[m - 1];
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(m), out.end(), last);
  }
}

}  // namespace

namespace {

// The model of one section, over what `data` holds; a number that does not
// convert throws.
void ReadSection(const TIniFile& ini, const TSectionReader& sec, const TIniFile::TSection& section,
                 const TFanHeader& header, TModelData& data, TModelReadLog& log,
                 std::vector<std::string_view>& items) {
  TFanModel& m = data.Model;

  m.Name = std::string(section.Name);  // as written in the file, whatever case was asked
  m.Diameter = sec.ReadFloat("Diameter", kFallbackDiameterMm) * 0.001;
  m.OutletWidth = m.OutletHeight = m.Diameter;
  m.RefSpeed = sec.ReadInteger("RefSpeed", kFallbackSpeed);
  m.MinSpeed = m.MaxSpeed = m.RefSpeed;
  m.QaNom = sec.ReadFloat("QaNom", kNoNominalFlow);

  const std::string_view modelLine = sec.ReadString("Model");
  if (!modelLine.empty()) {
    SplitList(modelLine, items);
    std::int32_t diameter = 0, ref = 0, lo = 0, hi = 0;
    double width = 0, height = 0, nominal = 0;
    const bool ok = items.size() >= 7 && TryStrToInt(items[0], diameter) && TryStrToInt(items[1], ref) &&
                    TryStrToInt(items[2], lo) && TryStrToInt(items[3], hi) &&
                    TryStrToFloat(items[4], width) && TryStrToFloat(items[5], height) &&
                    TryStrToFloat(items[6], nominal);
    if (ok) {
      m.Diameter = diameter * 0.001;
      m.RefSpeed = ref;
      m.MinSpeed = lo;
      m.MaxSpeed = hi;
      m.OutletWidth = width * 0.001;
      m.OutletHeight = height * 0.001;
      m.QaNom = nominal;
    } else {
      data.Status = fsDataError;
      data.Problem = DescribeModelLine(items);
      m.Diameter = kFallbackDiameterMm * 0.001;
      m.RefSpeed = m.MinSpeed = m.MaxSpeed = kFallbackSpeed;
      m.OutletWidth = m.OutletHeight = m.Diameter;
      m.QaNom = kNoNominalFlow;
    }
  }

  ReadModelRating(ini, section, header.Rating, header.MaxTipSpeed, m.Rating);
  const double area = OutletArea(m);
  if (area == 0) {
    data.Status = fsDataError;
    data.Problem = "the outlet area is 0 (outlet width and height both 0)";
    log.Messages.push_back("Bad area specification...");
    return;
  }

  m.HasSpeeds = sec.Exists("Speed");
  if (m.HasSpeeds) {
    log.Key = "Speed";
    SplitList(sec.ReadString("Speed"), items);
    m.Speeds.resize(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) m.Speeds[i] = ListInteger(items, i);
  }

  log.Key = "Qa";
  SplitList(sec.ReadString("Qa"), items);
  m.Count = static_cast<int>(items.size());
  if (m.Count < 2) {
    data.Status = fsVolumeRange;
    data.Problem = Format("\"Qa\" holds %d flow(s), at least 2 are needed", {m.Count});
    log.Messages.push_back("Not enough data points...");
    return;
  }
  const std::size_t count = items.size();
  m.Qa.resize(count);
  m.Ps.resize(count);
  m.Pw.resize(count);
  m.Lw.resize(count);
  // A conversion that stops the loop leaves flows of two models: no order.
  data.FlowOrder = 0;
  for (std::size_t i = 0; i < count; ++i) m.Qa[i] = StrToFloat(items[i]);
  data.FlowOrder = StrictOrder(m.Qa, m.Count);

  m.QaNomFallBack = m.QaNom < m.Qa[0] || m.QaNom > m.Qa[count - 1];
  if (m.QaNomFallBack) m.QaNom = m.Qa[static_cast<std::size_t>(2 * m.Count / 3) - 1];

  if (const std::string_view* pt = sec.Find("Pt")) {
    log.Key = "Pt";
    SplitList(*pt, items);
    // A short list has no pressure for the last points: the model is not usable.
    const std::size_t used = std::min(items.size(), count);
    m.Ps.resize(used);
    for (std::size_t j = 0; j < used; ++j) {
      const double v = m.Qa[j] / area;
      m.Ps[j] = ListFloat(items, j) - 0.5 * header.Density * v * v;
    }
    if (items.size() < count) {
      data.Status = fsDataError;
      data.Problem =
          Format("\"Pt\" holds %d value(s) for %d flows", {static_cast<int>(items.size()), m.Count});
      return;
    }
  } else if (const std::string_view* ps = sec.Find("Ps")) {
    log.Key = "Ps";
    SplitList(*ps, items);
    m.Ps.resize(items.size());
    for (std::size_t j = 0; j < items.size(); ++j) m.Ps[j] = ListFloat(items, j);
    if (items.size() < count) {
      data.Status = fsDataError;
      data.Problem =
          Format("\"Ps\" holds %d value(s) for %d flows", {static_cast<int>(items.size()), m.Count});
      return;
    }
  } else {
    data.Status = fsDataError;
    data.Problem = "neither \"Pt\" nor \"Ps\" is given";
    log.Messages.push_back("Pressure not specified...");
    return;
  }

  log.Key = "Pw";
  SplitList(sec.ReadString("Pw"), items);
  if (items.empty()) {
    data.Status = fsDataError;
    data.Problem = "\"Pw\" is missing or empty";
    return;
  }
  ExpandList(items, m.Count, m.Pw);

  log.Key = "Lw";
  SplitList(sec.ReadString("Lw"), items);
  ReadModelBands(ini, section, header.LwKind, m);
  if (items.empty() && !HasBands(m)) {
    data.Status = fsDataError;
    data.Problem = "\"Lw\" is missing or empty";
    return;
  }
  // A model that gives octave bands without "Lw" has their energy sums as its sound powers.
  if (items.empty())
    m.Lw = BandSums(m);
  else
    ExpandList(items, m.Count, m.Lw);

  std::string summary;
  FitPolynomial(m.Qa, m.Ps, m.Count, 3, data.Coeffs, data.FitError, data.FitStats, summary);
  data.Complete = true;
  log.Key = "";
}

}  // namespace

void ReadModelData(const TIniFile& ini, const TIniFile::TSection& section, const TFanHeader& header,
                   TModelData& data, TModelReadLog& log, std::vector<std::string_view>& items) {
  data.Status = fsReady;
  data.Complete = false;
  data.Problem.clear();
  log = TModelReadLog{};
  try {
    ReadSection(ini, TSectionReader(ini, section), section, header, data, log, items);
  } catch (const EConvertError& e) {
    // The read was abandoned: the model is only partly read.
    data.Status = fsDataError;
    data.Problem = std::string("\"") + log.Key + "\": " + e.what();
    log.Conversion = e.what();
  }
}

// The catalogue header and the model names (every section but the first
// "Catalog") of a parsed file. False when "Kind" names no kind: `header`
// then keeps the kind it had.
bool ReadCatalogue(const TIniFile& ini, TFanHeader& header, std::vector<std::string>& models) {
  header.Maker = ini.ReadString("Catalog", "Maker", "");
  header.Range = ini.ReadString("Catalog", "Range", "");
  header.Description = ini.ReadString("Catalog", "Description", "");
  header.Version = ini.ReadString("Catalog", "Version", "");
  header.Density = ini.ReadFloat("Catalog", "Density", kDefaultDensity);
  header.MaxTipSpeed = ini.ReadFloat("Catalog", "MaxTipSpeed", 0);
  header.LwKind = ini.ReadString("Catalog", "LwKind", "");
  ReadCatalogueRating(ini, header.Rating);
  bool kindNamed = false;
  const std::string kind = ini.ReadString("Catalog", "Kind", "None");
  for (std::size_t k = 0; k < KindNames.size(); ++k)
    if (SameText(kind, KindNames[k])) {
      header.Kind = static_cast<TFanKind>(k);
      kindNamed = true;
      break;
    }
  models.clear();
  models.reserve(ini.Sections().size());
  bool catalogRemoved = false;
  for (const auto& s : ini.Sections()) {
    if (!catalogRemoved && SameText(s.Name, "Catalog")) {
      catalogRemoved = true;
      continue;
    }
    models.emplace_back(s.Name);
  }
  return kindNamed;
}

TResult<const TModelData*> TFanFile::Usable(std::size_t index) const {
  const TModel& m = Models[index];
  if (m.Data.Status == fsReady && m.Data.Complete) return &m.Data;
  std::string text =
      m.Data.Problem.empty() ? std::string(StatusTextOf(m.Data.Status)) : "data error: " + m.Data.Problem;
  return TError{m.Data.Status, std::move(text), FileName, m.Name};
}

TResult<std::shared_ptr<const TFanFile>> ReadFanFile(const std::string& fileName) {
  auto file = std::make_shared<TFanFile>();
  file->FileName = fileName;
  // Read by a TFan, model after model, so that each model reads exactly as
  // the selector reads it (a read that stops early keeps what the model
  // before left).
  TFan fan;
  std::vector<std::string>* messages = nullptr;
  fan.OnMessage = [&](const std::string& text) {
    if (messages) messages->push_back(text);
  };
  fan.LoadFromFile(fileName);
  if (fan.Status() != fsReady)
    return TError{fan.Status(), std::string(StatusTextOf(fan.Status())), fileName, ""};
  if (fan.Models().empty()) return TError{fsModelNotFound, "the file names no model", fileName, ""};
  file->Header = fan.Header();
  file->Models.reserve(fan.Models().size());
  for (const std::string& name : fan.Models()) {
    TFanFile::TModel& m = file->Models.emplace_back();
    m.Name = name;
    messages = &m.Messages;
    try {
      fan.SelectModel(name);
    } catch (const EConvertError&) {
      // Data.Status 5 and the problem say it.
    }
    m.Data = fan.Data();
  }
  return std::shared_ptr<const TFanFile>(std::move(file));
}

}  // namespace blowden
