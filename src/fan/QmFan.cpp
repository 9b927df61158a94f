#include "fan/QmFan.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>

#include "base/Convert.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "fan/FanLimits.h"
#include "numeric/QmRoot.h"

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

constexpr double kQuarterPi = 0.7853981633974483;

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

double Interpolate(const std::vector<double>& v, int count, int i, double t) {
  const std::size_t n = std::min(v.size(), static_cast<std::size_t>(std::max(count, 0)));
  if (n == 0 || i < 0) return 0;
  const std::size_t ui = static_cast<std::size_t>(i);
  if (ui + 1 >= n) return ui < n ? v[ui] : v[n - 1];
  return v[ui] + (v[ui + 1] - v[ui]) * t;
}

// Keeps a flag set for the life of the object.
class THold {
 public:
  explicit THold(bool& flag) : FFlag(flag), FOld(flag) { flag = true; }
  ~THold() { FFlag = FOld; }
  THold(const THold&) = delete;
  THold& operator=(const THold&) = delete;

 private:
  bool& FFlag;
  bool FOld;
};

}  // namespace

std::string_view StatusTextOf(int code) {
  return (code >= 0 && code < static_cast<int>(StatusText.size()))
             ? StatusText[static_cast<std::size_t>(code)]
             : std::string_view();
}

double SignOf(double x) { return x >= 0 ? 1.0 : -1.0; }

double SafeDivide(double Num, double Den, double Alt) {
  if (Den == 0) return SignOf(Num) * Alt;
  const double r = Num / Den;
  if (!std::isfinite(r)) return SignOf(Num) * Alt / SignOf(Den);
  return r;
}

void SplitList(std::string_view text, std::vector<std::string_view>& items) {
  items.clear();
  std::size_t pos = 0;
  const std::size_t n = text.size();
  while (true) {
    while (pos < n && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos >= n) break;  // nothing, or only a trailing comma, left
    // Items are short: a plain scan beats a library search call per item.
    std::size_t comma = pos;
    while (comma < n && text[comma] != ',') ++comma;
    items.push_back(text.substr(pos, comma - pos));
    if (comma == n) break;
    pos = comma + 1;
  }
}

TFan::TFan() = default;
TFan::~TFan() = default;

void TFan::Message(const char* text) {
  if (OnMessage) OnMessage(text);
}

// --- loading -----------------------------------------------------------------

namespace {

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

}  // namespace

void TFan::LoadFromFile(const std::string& fileName) {
  TReadFile file = ReadFile(fileName);
  TakeFile(file);
}

TFan::TReadFile TFan::ReadFile(const std::string& fileName) {
  TReadFile r;
  r.FileName = fileName;
  // Only a path that surely names nothing is "not found"; one whose state
  // cannot be learnt (a folder without access rights, say) is a read error.
  std::error_code ec;
  const auto state = std::filesystem::status(std::filesystem::path(fileName), ec);
  if (fileName.empty() || state.type() == std::filesystem::file_type::not_found) {
    r.Status = fsFileNotFound;
    return r;
  }
  r.Ini = TIniFile::Open(fileName);
  if (!r.Ini) {
    r.Status = fsReadError;
    return r;
  }
  r.KindNamed = ReadCatalogue(*r.Ini, r.Header, r.Models);
  r.Status = fsReady;
  return r;
}

void TFan::TakeFile(TReadFile& file) {
  // What the TFan lets go of: the names, the parse and, for another parse,
  // the models read from the old one. A catalogue of millions of models
  // takes a while to free, so the caller chooses where.
  struct TPrevious {
    std::vector<std::string> Models;
    std::shared_ptr<const TIniFile> Ini, IndexedIni;
    std::unordered_map<std::size_t, TReadModel> ReadModels;
  };
  auto previous = std::make_shared<TPrevious>();
  FFileName = file.FileName;
  previous->Models.swap(FModels);
  FModels.swap(file.Models);
  previous->Ini = std::move(FIni);
  FIni = std::move(file.Ini);
  if (FIndexedIni && FIndexedIni != FIni) {
    previous->IndexedIni = std::move(FIndexedIni);
    FIndexedIni.reset();
    previous->ReadModels.swap(FReadModels);
  }
  if (file.Status == fsReady) {
    const TFanKind kind = FHeader.Kind;
    FHeader = std::move(file.Header);
    if (!file.KindNamed) FHeader.Kind = kind;
  }
  FStatus = file.Status;
  FLoadStatus = FStatus;
  file.Previous = std::move(previous);
}

bool TFan::ReadHeader() {
  FStatus = fsNotLoaded;
  FIni = TIniFile::Open(FFileName);
  if (!FIni) {
    FModels.clear();
    FStatus = fsReadError;
    return false;
  }
  ReadCatalogue(*FIni, FHeader, FModels);
  FStatus = fsReady;
  return true;
}

const TIniSection* TFan::FindSection(std::string_view name) {
  if (!FIni) return nullptr;
  if (FIndexedIni != FIni) {
    FReadModels.clear();
    FIndexedIni = FIni;
  }
  // The parse's own name index: no second one to build (a catalogue of
  // 300,000 models took 0.2 s to index again, on the window's thread).
  return FIni->FindSection(name);
}

void TFan::SelectModel(const std::string& name) {
  try {
    ReadModel(name);
  } catch (const EConvertError& e) {
    // The read was abandoned: the model is only partly read.
    FStatus = fsDataError;
    FModelStatus = FStatus;
    FReadProblem = std::string("\"") + FReadKey + "\": " + e.what();
    throw;
  }
  FModelStatus = FStatus;
}

void TFan::ReadModel(const std::string& name) {
  FStatus = fsReady;
  FModelComplete = false;
  FReadProblem.clear();
  FReadKey = "";
  // Open again so that a file changed on disk is seen; an unchanged file
  // comes from the reader's cache after one look at its size and time. A
  // search or verification in progress keeps the reading it started with.
  if (!FHoldFile && !FFileName.empty()) {
    if (auto ini = TIniFile::Open(FFileName))
      FIni = std::move(ini);
    else
      FIni.reset();
  }
  const TIniFile::TSection* section = FindSection(name);
  if (!section || section->Count == 0) {
    FStatus = fsModelNotFound;
    FReadProblem = "the file has no section \"" + name + "\" with keys";
    return;
  }
  const std::size_t sectionIndex = static_cast<std::size_t>(section - FIni->Sections().data());
  FModelFile = FFileName;
  if (const auto cached = FReadModels.find(sectionIndex); cached != FReadModels.end()) {
    const TReadModel& r = cached->second;
    // Without a "Speed" key the reader leaves the speed list as it was.
    std::vector<int> speeds = std::move(FModel.Speeds);
    FModel = r.Model;
    if (!r.Model.HasSpeeds) FModel.Speeds = std::move(speeds);
    FCoeffs = r.Coeffs;
    FFitError = r.FitError;
    FFitStats = r.FitStats;
    FStatus = r.Status;
    FReadProblem = r.Problem;
    FModelComplete = true;
    return;
  }
  const TSectionReader sec(*FIni, *section);
  TFanModel& m = FModel;

  m.Name = std::string(section->Name);  // as written in the file, whatever case was asked
  m.Diameter = sec.ReadFloat("Diameter", kFallbackDiameterMm) * 0.001;
  m.OutletWidth = m.OutletHeight = m.Diameter;
  m.RefSpeed = sec.ReadInteger("RefSpeed", kFallbackSpeed);
  m.MinSpeed = m.MaxSpeed = m.RefSpeed;
  m.QaNom = sec.ReadFloat("QaNom", kNoNominalFlow);

  const std::string_view modelLine = sec.ReadString("Model");
  if (!modelLine.empty()) {
    SplitList(modelLine, FItems);
    std::int32_t diameter = 0, ref = 0, lo = 0, hi = 0;
    double width = 0, height = 0, nominal = 0;
    const bool ok = FItems.size() >= 7 && TryStrToInt(FItems[0], diameter) && TryStrToInt(FItems[1], ref) &&
                    TryStrToInt(FItems[2], lo) && TryStrToInt(FItems[3], hi) &&
                    TryStrToFloat(FItems[4], width) && TryStrToFloat(FItems[5], height) &&
                    TryStrToFloat(FItems[6], nominal);
    if (ok) {
      m.Diameter = diameter * 0.001;
      m.RefSpeed = ref;
      m.MinSpeed = lo;
      m.MaxSpeed = hi;
      m.OutletWidth = width * 0.001;
      m.OutletHeight = height * 0.001;
      m.QaNom = nominal;
    } else {
      FStatus = fsDataError;
      FReadProblem = DescribeModelLine(FItems);
      m.Diameter = kFallbackDiameterMm * 0.001;
      m.RefSpeed = m.MinSpeed = m.MaxSpeed = kFallbackSpeed;
      m.OutletWidth = m.OutletHeight = m.Diameter;
      m.QaNom = kNoNominalFlow;
    }
  }

  ReadModelRating(*FIni, *section, FHeader.Rating, FHeader.MaxTipSpeed, m.Rating);
  const double area = OutletArea();
  if (area == 0) {
    FStatus = fsDataError;
    FReadProblem = "the outlet area is 0 (outlet width and height both 0)";
    Message("Bad area specification...");
    return;
  }

  m.HasSpeeds = sec.Exists("Speed");
  if (m.HasSpeeds) {
    FReadKey = "Speed";
    SplitList(sec.ReadString("Speed"), FItems);
    m.Speeds.resize(FItems.size());
    for (std::size_t i = 0; i < FItems.size(); ++i) m.Speeds[i] = ListInteger(FItems, i);
  }

  FReadKey = "Qa";
  SplitList(sec.ReadString("Qa"), FItems);
  m.Count = static_cast<int>(FItems.size());
  if (m.Count < 2) {
    FStatus = fsVolumeRange;
    FReadProblem = Format("\"Qa\" holds %d flow(s), at least 2 are needed", {m.Count});
    Message("Not enough data points...");
    return;
  }
  const std::size_t count = FItems.size();
  m.Qa.resize(count);
  m.Ps.resize(count);
  m.Pw.resize(count);
  m.Lw.resize(count);
  for (std::size_t i = 0; i < count; ++i) m.Qa[i] = StrToFloat(FItems[i]);

  m.QaNomFallBack = m.QaNom < m.Qa[0] || m.QaNom > m.Qa[count - 1];
  if (m.QaNomFallBack) m.QaNom = m.Qa[static_cast<std::size_t>(2 * m.Count / 3) - 1];

  if (const std::string_view* pt = sec.Find("Pt")) {
    FReadKey = "Pt";
    SplitList(*pt, FItems);
    // A short list has no pressure for the last points: the model is not usable.
    const std::size_t used = std::min(FItems.size(), count);
    m.Ps.resize(used);
    for (std::size_t j = 0; j < used; ++j) {
      const double v = m.Qa[j] / area;
      m.Ps[j] = ListFloat(FItems, j) - 0.5 * FHeader.Density * v * v;
    }
    if (FItems.size() < count) {
      FStatus = fsDataError;
      FReadProblem =
          Format("\"Pt\" holds %d value(s) for %d flows", {static_cast<int>(FItems.size()), m.Count});
      return;
    }
  } else if (const std::string_view* ps = sec.Find("Ps")) {
    FReadKey = "Ps";
    SplitList(*ps, FItems);
    m.Ps.resize(FItems.size());
    for (std::size_t j = 0; j < FItems.size(); ++j) m.Ps[j] = ListFloat(FItems, j);
    if (FItems.size() < count) {
      FStatus = fsDataError;
      FReadProblem =
          Format("\"Ps\" holds %d value(s) for %d flows", {static_cast<int>(FItems.size()), m.Count});
      return;
    }
  } else {
    FStatus = fsDataError;
    FReadProblem = "neither \"Pt\" nor \"Ps\" is given";
    Message("Pressure not specified...");
    return;
  }

  FReadKey = "Pw";
  SplitList(sec.ReadString("Pw"), FItems);
  if (FItems.empty()) {
    FStatus = fsDataError;
    FReadProblem = "\"Pw\" is missing or empty";
    return;
  }
  ExpandList(FItems, m.Count, m.Pw);

  FReadKey = "Lw";
  SplitList(sec.ReadString("Lw"), FItems);
  if (FItems.empty()) {
    FStatus = fsDataError;
    FReadProblem = "\"Lw\" is missing or empty";
    return;
  }
  ExpandList(FItems, m.Count, m.Lw);

  FitPressure();
  FModelComplete = true;
  FReadKey = "";
  FReadModels[sectionIndex] = TReadModel{m, FCoeffs, FFitError, FFitStats, FStatus, FReadProblem};
}

void TFan::FitPressure() {
  std::string summary;
  FitPolynomial(FModel.Qa, FModel.Ps, FModel.Count, 3, FCoeffs, FFitError, FFitStats, summary);
}

// --- verification --------------------------------------------------------------

void TFan::AddError(const std::string& message) {
  FErrors.push_back(FHeader.Range + " (" + FModel.Name + ")  " + message);
}

std::vector<std::string> TFan::ModelVerifyErrors() {
  std::vector<std::string> kept;
  kept.swap(FErrors);
  CheckReadModel();
  kept.swap(FErrors);
  return kept;
}

int TFan::Verify() {
  std::exception_ptr stop;
  const int count = VerifyModels(stop, nullptr);
  if (stop) std::rethrow_exception(stop);
  return count;
}

std::optional<TConversionStop> TFan::VerifyReporting() {
  std::exception_ptr stopped;
  TConversionStop stop;
  VerifyModels(stopped, &stop);
  if (!stopped) return std::nullopt;
  return stop;
}

int TFan::VerifyModels(std::exception_ptr& stop, TConversionStop* report) {
  FErrors.clear();
  if (FLoadStatus != fsReady || FModels.empty()) {
    FErrors.push_back(std::filesystem::path(FFileName).filename().string() + "  Not a Orvane fan file...");
    return static_cast<int>(FErrors.size());
  }
  // The model current before, if it came from this file, is made current again.
  const std::string current = FModelFile == FFileName ? FModel.Name : std::string();
  CheckModels(report != nullptr, stop, report);
  RestoreModel(current);
  return static_cast<int>(FErrors.size());
}

void TFan::CheckModels(bool goOn, std::exception_ptr& stop, TConversionStop* report) {
  // Every model is checked against one reading of the file as it is now.
  FIni = TIniFile::Open(FFileName);
  const THold hold(FHoldFile);
  for (const std::string& name : FModels) {
    try {
      SelectModel(name);
    } catch (const EConvertError& e) {
      if (!stop) {
        stop = std::current_exception();
        if (report) *report = TConversionStop{e.what(), FModel.Name};
      }
      if (!goOn) return;
      // The partly read model is named in the line; its rules are not judged
      // on what it holds, which may be the previous model's data.
      FModel.Name = name;
      AddError(std::string(e.what()) + " in \"" + FReadKey + "\"");
      continue;
    }
    CheckReadModel();
  }
}

void TFan::CheckReadModel() {
  for (const std::string& line : VerifyModelData(FHeader, FModel, FModelStatus, FReadProblem, FModelComplete))
    AddError(line);
}

void TFan::RestoreModel(const std::string& name) {
  if (name.empty()) return;
  // Its message boxes were shown when it was read before.
  std::function<void(const std::string&)> message = std::move(OnMessage);
  OnMessage = nullptr;
  try {
    SelectModel(name);
  } catch (const EConvertError&) {
    // Read as far as it was before; Status 5 says so.
  } catch (...) {
    OnMessage = std::move(message);
    throw;
  }
  OnMessage = std::move(message);
}

// --- the current model at reference speed ------------------------------------

void TFan::LocateSegment(std::span<const double> V, int n, double x, int& i, double& t) {
  const int count =
      std::min(n, static_cast<int>(std::min<std::size_t>(V.size(), std::numeric_limits<int>::max())));
  i = 0;
  t = 0;
  if (count < 2) return;
  const bool rising = V[0] < V[1];
  std::size_t k = 0;
  const std::size_t last = static_cast<std::size_t>(count) - 2;
  while (k < last) {
    if (rising) {
      if (x < V[k] || (V[k] <= x && x <= V[k + 1])) break;
    } else {
      if (x > V[k] || (V[k + 1] <= x && x <= V[k])) break;
    }
    ++k;
  }
  i = static_cast<int>(k);
  t = SafeDivide(x - V[k], V[k + 1] - V[k], 0);
}

void TFan::SetOperatingPoint(double Q, double N) {
  FQ = Q;
  FQRef = FModel.RefSpeed * Q / N;
  LocateSegment(FModel.Qa, FModel.Count, FQRef, FSegment, FFraction);
}

double TFan::RefPressure() const {
  if (FFitError == 0) return PolyValue(FCoeffs, FQRef);
  return Interpolate(FModel.Ps, FModel.Count, FSegment, FFraction);
}

double TFan::RefPower() const { return Interpolate(FModel.Pw, FModel.Count, FSegment, FFraction); }

double TFan::RefSound() const { return Interpolate(FModel.Lw, FModel.Count, FSegment, FFraction); }

double TFan::OutletArea() const {
  const double w = FModel.OutletWidth, h = FModel.OutletHeight;
  if (w != 0 && h != 0) return w * h;
  if (w == 0 && h != 0) return kQuarterPi * h * h;
  if (w != 0 && h == 0) return kQuarterPi * w * w;
  return 0;
}

double TFan::OutletVelocity() const {
  const double area = OutletArea();
  return area == 0 ? 0 : FQ / area;
}

double TFan::LowestFlow() const { return FModel.Qa.empty() || FModel.Count < 1 ? 0 : FModel.Qa[0]; }

double TFan::HighestFlow() const {
  const std::size_t n = std::min(FModel.Qa.size(), static_cast<std::size_t>(std::max(FModel.Count, 0)));
  return n == 0 ? 0 : FModel.Qa[n - 1];
}

int TFan::MaxPressureIndex() const {
  const std::size_t n = std::min(FModel.Ps.size(), static_cast<std::size_t>(std::max(FModel.Count, 0)));
  std::size_t best = 0;
  for (std::size_t i = 1; i < n; ++i)
    if (FModel.Ps[i] > FModel.Ps[best]) best = i;
  return static_cast<int>(best);
}

int TFan::MinPositivePressureIndex() const {
  const std::size_t n = std::min(FModel.Ps.size(), static_cast<std::size_t>(std::max(FModel.Count, 0)));
  std::size_t held = 0;
  for (std::size_t i = 1; i < n; ++i)
    if (FModel.Ps[i] > 0 && FModel.Ps[i] < FModel.Ps[held]) held = i;
  return static_cast<int>(held);
}

// --- fan laws ------------------------------------------------------------------

double TFan::PressureAtSpeed(double N) const {
  const double r = N / FModel.RefSpeed;
  return RefPressure() * (r * r);
}

double TFan::PressureAt(double Q, double N) {
  SetOperatingPoint(Q, N);
  return PressureAtSpeed(N);
}

double TFan::ShaftPower(double N) const {
  const double r = N / FModel.RefSpeed;
  return RefPower() * (r * r * r);
}

double TFan::SoundPower(double N) {
  const double r = N / FModel.RefSpeed;
  if (!(r > 0)) {
    FStatus = fsDataError;
    return 0;
  }
  return RefSound() + 50 * std::log10(r);
}

double TFan::DynamicPressure(double Q) {
  FQ = Q;
  const double v = OutletVelocity();
  return OutletArea() == 0 ? 0 : 0.5 * FHeader.Density * v * v;
}

// --- duty point ------------------------------------------------------------------

double TFan::SpeedFunction(double N) {
  const double nRef = FModel.RefSpeed;
  FQRef = nRef * FQ / N;
  LocateSegment(FModel.Qa, FModel.Count, FQRef, FSegment, FFraction);
  const double r = nRef / N;
  return RefPressure() - (r * r) * FP;
}

void TFan::ScaleDuty(double& Q, double& P, double NNew, double NOld) {
  const double c = NNew / NOld;
  P = c * c * P;
  Q = c * Q;
}

bool TFan::FlowInRange(double Margin, double N, double Q) const {
  const double lo = LowestFlow(), hi = HighestFlow();
  const double span = hi - lo;
  const double qRef = FModel.RefSpeed * Q / N;
  return lo - Margin * span <= qRef && qRef <= hi + Margin * span;
}

double TFan::SolveSpeed(double& Q, double& P, double& RawSpeed) {
  FStatus = fsReady;
  FQ = Q;
  FP = P;
  const TFanModel& m = FModel;
  const double nRef = m.RefSpeed;
  TRoot root([this](double n) { return SpeedFunction(n); });
  root.SetControl(100, 1e-6);

  double n = root.Secant(nRef * Q / m.QaNom, (static_cast<double>(m.MaxSpeed) - m.MinSpeed) * 0.1);
  if (n < 0 || root.Status != rsConverged) n = root.Newton(nRef);
  if (n < 0 || root.Status != rsConverged)
    n = root.Bracketed(kLowSpeedMargin * m.MinSpeed, kHighSpeedMargin * m.MaxSpeed);
  RawSpeed = n;

  if (root.Status != rsConverged) {
    // No speed meets the duty: describe the fan at its nominal point instead.
    FStatus = fsDataError;
    Q = m.QaNom;
    FQRef = m.QaNom;
    LocateSegment(m.Qa, m.Count, FQRef, FSegment, FFraction);
    P = RefPressure();
    return nRef;
  }
  if (n < kLowSpeedMargin * m.MinSpeed) {
    ScaleDuty(Q, P, m.MinSpeed, n);
    FStatus = fsSpeedRange;
    return m.MinSpeed;
  }
  if (n > kHighSpeedMargin * m.MaxSpeed) {
    ScaleDuty(Q, P, m.MaxSpeed, n);
    FStatus = fsSpeedRange;
    return m.MaxSpeed;
  }
  // A model with a speed list runs at the first listed speed not below the
  // root, or at the last one. An empty list is treated as no list.
  if (m.HasSpeeds && !m.Speeds.empty()) {
    int listed = m.Speeds.back();
    for (int s : m.Speeds)
      if (s >= n) {
        listed = s;
        break;
      }
    ScaleDuty(Q, P, listed, n);
    n = listed;
  }
  if (!FlowInRange(kFlowMargin, n, Q)) FStatus = fsVolumeRange;
  return n;
}

double TFan::NominalPoint(double& Q, double& P) {
  FStatus = fsReady;
  const double n = FModel.RefSpeed;
  Q = FModel.QaNom;
  P = PressureAt(Q, n);
  return n;
}

double TFan::Mismatch() {
  double q = FQ, p = FP, raw = 0;
  const double n = SolveSpeed(q, p, raw);
  return std::fabs(FModel.QaNom * n / FModel.RefSpeed - q);
}

void TFan::SearchBestModel() {
  if (!ReadHeader()) return;
  // The models are read from the reading that gave their names.
  const THold hold(FHoldFile);
  double best = 1.7e308;
  std::size_t chosen = 0;
  bool found = false;
  for (std::size_t i = 0; i < FModels.size(); ++i) {
    SelectModel(FModels[i]);
    // A model whose read stopped early holds data of an earlier model.
    if (!FModelComplete) continue;
    const double d = Mismatch();
    if (d < best && FStatus == fsReady) {
      best = d;
      chosen = i;
      found = true;
    }
  }
  FBestIndex = static_cast<int>(chosen);
  if (found) FStatus = fsReady;
  if (!FModels.empty()) SelectModel(FModels[chosen]);
}

int TFan::FindBestModel(double Q, double P) {
  FQ = Q;
  FQRef = Q;
  FP = P;
  if (FStatus == fsNotLoaded || FStatus == fsFileNotFound) return -1;
  SearchBestModel();
  if (FModels.empty()) return -1;
  return FStatus == fsReady ? FBestIndex : -1;
}

// --- keeping read models ---------------------------------------------------------

TFan::TReadState TFan::ReadState() const {
  return TReadState{FModel, FCoeffs, FFitError, FFitStats, FModelStatus, FReadProblem};
}

void TFan::RestoreReadState(const TFanHeader& header, const TReadState& state) {
  // Assignments keep the capacity of the lists: a fan that evaluates one
  // kept model after another allocates nothing for them.
  FHeader = header;
  FModel = state.Model;
  FCoeffs = state.Coeffs;
  FFitError = state.FitError;
  FFitStats = state.FitStats;
  FStatus = FModelStatus = state.Status;
  FReadProblem = state.Problem;
  FModelComplete = true;
  FReadKey = "";
}

}  // namespace blowden
