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
#include "fan/ModelData.h"

namespace blowden {

namespace {

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
    std::unordered_map<std::size_t, TModelData> ReadModels;
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
  ReadModel(name);
  FData.Status = FStatus;
}

void TFan::ReadModel(const std::string& name) {
  FStatus = fsReady;
  FData.Complete = false;
  FData.Problem.clear();
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
    FData.Problem = "the file has no section \"" + name + "\" with keys";
    return;
  }
  const std::size_t sectionIndex = static_cast<std::size_t>(section - FIni->Sections().data());
  FModelFile = FFileName;
  if (const auto cached = FReadModels.find(sectionIndex); cached != FReadModels.end()) {
    const TModelData& r = cached->second;
    // Without a "Speed" key the reader leaves the speed list as it was.
    std::vector<int> speeds = std::move(FData.Model.Speeds);
    FData = r;
    if (!r.Model.HasSpeeds) FData.Model.Speeds = std::move(speeds);
    FStatus = r.Status;
    return;
  }
  TModelReadLog log;
  ReadModelData(*FIni, *section, FHeader, FData, log, FItems);
  FStatus = FData.Status;
  for (const char* text : log.Messages) Message(text);
  if (log.Conversion) {
    FReadKey = log.Key;
    throw EConvertError(*log.Conversion);
  }
  if (FData.Complete) FReadModels[sectionIndex] = FData;
}

void TFan::FitPressure() {
  std::string summary;
  FitPolynomial(FData.Model.Qa, FData.Model.Ps, FData.Model.Count, 3, FData.Coeffs, FData.FitError,
                FData.FitStats, summary);
}

TResult<const TFanHeader*> TFan::Loaded() const {
  if (FLoadStatus == fsReady) return &FHeader;
  return TError{FLoadStatus, std::string(StatusTextOf(FLoadStatus)), FFileName, ""};
}

TResult<const TModelData*> TFan::CurrentModel() const {
  if (FData.Status == fsReady) return &FData;
  return TError{FData.Status, std::string(StatusTextOf(FData.Status)), FFileName, FData.Model.Name};
}

TResult<const TModelData*> TFan::Outcome() const {
  if (FStatus == fsReady) return &FData;
  return TError{FStatus, std::string(StatusTextOf(FStatus)), FFileName, ""};
}

// --- verification --------------------------------------------------------------

void TFan::AddError(const std::string& message) {
  FErrors.push_back(FHeader.Range + " (" + FData.Model.Name + ")  " + message);
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
  const std::string current = FModelFile == FFileName ? FData.Model.Name : std::string();
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
        if (report) *report = TConversionStop{e.what(), FData.Model.Name};
      }
      if (!goOn) return;
      // The partly read model is named in the line; its rules are not judged
      // on what it holds, which may be the previous model's data.
      FData.Model.Name = name;
      AddError(std::string(e.what()) + " in \"" + FReadKey + "\"");
      continue;
    }
    CheckReadModel();
  }
}

void TFan::CheckReadModel() {
  for (const std::string& line :
       VerifyModelData(FHeader, FData.Model, FData.Status, FData.Problem, FData.Complete))
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
  blowden::LocateSegment(V, n, x, i, t);
}

void TFan::SetOperatingPoint(double Q, double N) {
  FQ = Q;
  FPoint = RefPointOf(FData, Q, N);
}

void TFan::SetCurrent(const TCurrentPoint& point) {
  FQ = point.Q;
  FPoint = point.Ref;
  FStatus = point.Status;
}

double TFan::RefPressure() const { return blowden::RefPressure(FData, FPoint); }
double TFan::RefPower() const { return blowden::RefPower(FData, FPoint); }
double TFan::RefSound() const { return blowden::RefSound(FData, FPoint); }
double TFan::OutletArea() const { return blowden::OutletArea(FData.Model); }
double TFan::RefInterpolated(const std::vector<double>& values) const {
  return blowden::RefInterpolated(FData, FPoint, values);
}

double TFan::OutletVelocity() const {
  const double area = OutletArea();
  return area == 0 ? 0 : FQ / area;
}

double TFan::LowestFlow() const { return blowden::LowestFlow(FData.Model); }
double TFan::HighestFlow() const { return blowden::HighestFlow(FData.Model); }
int TFan::MaxPressureIndex() const { return blowden::MaxPressureIndex(FData.Model); }
int TFan::MinPositivePressureIndex() const { return blowden::MinPositivePressureIndex(FData.Model); }

// --- fan laws ------------------------------------------------------------------

double TFan::PressureAtSpeed(double N) const { return blowden::PressureAtSpeed(FData, FPoint, N); }

double TFan::PressureAt(double Q, double N) {
  SetOperatingPoint(Q, N);
  return PressureAtSpeed(N);
}

double TFan::ShaftPower(double N) const { return blowden::ShaftPower(FData, FPoint, N); }

double TFan::SoundPower(double N) {
  const std::optional<double> lw = blowden::SoundPower(FData, FPoint, N);
  if (!lw) {
    FStatus = fsDataError;
    return 0;
  }
  return *lw;
}

double TFan::DynamicPressure(double Q) {
  FQ = Q;
  return blowden::DynamicPressure(FData.Model, FHeader.Density, Q);
}

// --- duty point ------------------------------------------------------------------

void TFan::Keep(const TSpeedSolution& s) { SetCurrent(s.Point); }

double TFan::SolveSpeed(double& Q, double& P, double& RawSpeed) {
  FP = P;
  const TSpeedSolution s = SolveDutySpeed(FData, Q, P);
  Keep(s);
  Q = s.Flow;
  P = s.Pressure;
  RawSpeed = s.RawSpeed;
  return s.Speed;
}

double TFan::NominalPoint(double& Q, double& P) {
  const TSpeedSolution s = blowden::NominalPoint(FData);
  Keep(s);
  Q = s.Flow;
  P = s.Pressure;
  return s.Speed;
}

void TFan::SearchBestModel() {
  if (!ReadHeader()) return;
  // The models are read from the reading that gave their names.
  const THold hold(FHoldFile);
  double best = 1.7e308;
  std::size_t chosen = 0;
  bool found = false;
  const double q = FQ, p = FP;
  for (std::size_t i = 0; i < FModels.size(); ++i) {
    SelectModel(FModels[i]);
    // A model whose read stopped early holds data of an earlier model.
    if (!FData.Complete) continue;
    const TSpeedSolution s = SolveDutySpeed(FData, q, p);
    Keep(s);
    const double d = NominalMismatch(FData, s);
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
  FPoint.QRef = Q;
  FP = P;
  if (FStatus == fsNotLoaded || FStatus == fsFileNotFound) return -1;
  SearchBestModel();
  if (FModels.empty()) return -1;
  return FStatus == fsReady ? FBestIndex : -1;
}

}  // namespace blowden
