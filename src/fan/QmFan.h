#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fan/FanTypes.h"
#include "fan/ModelData.h"
#include "fan/ModelEval.h"
#include "numeric/Regress.h"

namespace blowden {

class TIniFile;
struct TIniSection;

// The fan model of one fan data file: catalogue header, model names, one
// current model with its fitted static-pressure curve, a status code,
// verification messages, and the fan's performance at other speeds by the fan
// laws. Units: m³/s, Pa, kW, dB, rpm, m, m², m/s, kg/m³.
//
// The facade over the model's data (TModelData, ModelData.h) and its free
// evaluation functions (ModelEval.h) that the windows use: it holds one
// current model and the point its last operation left current (what
// RefPressure, RefPower, RefSound and OutletVelocity read). Code that only
// evaluates models, on any thread, uses the data and functions directly.
//
// Its state is read through the accessors below and changed only by its
// operations. Failures are reported through Status (StatusText), Errors and
// OnMessage; code outside the core reads them as results (Loaded,
// CurrentModel, Outcome, and FanOutcome.h). A number in a data list that cannot be converted throws
// EConvertError ("'x' is not a valid floating point value") and leaves
// Status 5; the object stays usable.
class TFan {
 public:
  TFan();
  ~TFan();
  TFan(const TFan&) = delete;
  TFan& operator=(const TFan&) = delete;

  // --- loading -------------------------------------------------------------
  // Reads the catalogue header and the model names; the current model is not
  // changed. Status 0, 2 "File not found" (Models empty) or 3 "File read error"
  // (the path exists but cannot be read as a file).
  void LoadFromFile(const std::string& fileName);
  // LoadFromFile in two halves, so that a window can read a large file on
  // another thread and only take the result on its own: ReadFile does all
  // the reading (safe on any thread, touches no TFan), TakeFile makes it the
  // loaded file without copying anything. TakeFile leaves the previous
  // file's names and parse in `file`, to be freed wherever the caller likes.
  struct TReadFile {
    std::string FileName;
    int Status = fsNotLoaded;  // as LoadFromFile leaves it
    std::shared_ptr<const TIniFile> Ini;
    TFanHeader Header;
    bool KindNamed = false;  // Header.Kind was named in the file (else the previous kind stays)
    std::vector<std::string> Models;
    std::shared_ptr<void> Previous;  // what TakeFile took out of the TFan
  };
  static TReadFile ReadFile(const std::string& fileName);
  void TakeFile(TReadFile& file);
  // Reads the catalogue section and the model names of FileName again.
  // False (Status 3, Models empty) when the file cannot be read.
  bool ReadHeader();
  // Reads the model section `name` into Model and fits its static pressure.
  // Status afterwards: 0, 4 (fewer than 2 flows), 5 (bad "Model" item, outlet
  // area 0, no or too short pressure list, missing power or sound list, or a
  // number that does not convert: then EConvertError is thrown) or 7 (no such
  // section, or it has no key: Model unchanged).
  void SelectModel(const std::string& name);
  // Cubic least-squares fit of Ps over Qa (Count points) into Coeffs,
  // FitError and FitStats.
  void FitPressure();

  // --- verification --------------------------------------------------------
  // Reads every model and checks the twelve rules; returns the number of
  // lines in Errors ("FX (F400)  Too few volume data points ..."). A file that
  // did not load, or names no model, gives the single line
  // "<file name>  Not a Orvane fan file...". A number that does not convert
  // ends the check with EConvertError; the lines collected so far stay in
  // Errors. Either way the model that was current before (of this file) is
  // made current again, without message boxes.
  int Verify();
  // Verify as the main window, install and the command line report it: a
  // number that does not convert ends the check and becomes one more line of
  // Errors for the model being read ("FX (B)  'x' is not a valid floating
  // point value"); it is returned as well, nothing is thrown.
  std::optional<TConversionStop> VerifyReporting();
  // Appends Header.Range + " (" + Model.Name + ")  " + message.
  void AddError(const std::string& message);
  // The lines Verify gives for the current model as it was read (the rules
  // judged on it alone, nothing read again); Errors is left as it is. Empty
  // for a model that verifies clean.
  std::vector<std::string> ModelVerifyErrors();

  // --- the current model at reference speed --------------------------------
  // FQ := Q; FQRef := RefSpeed * Q / N, located in Qa.
  void SetOperatingPoint(double Q, double N);
  // Static pressure at FQRef: the fitted polynomial, or linear interpolation
  // in the data when the fit failed.
  double RefPressure() const;
  double RefPower() const;        // interpolated in Pw
  double RefSound() const;        // interpolated in Lw
  double OutletArea() const;      // m²; 0 when both outlet dimensions are 0
  double OutletVelocity() const;  // FQ / OutletArea, 0 without an area
  double LowestFlow() const;      // Qa[0]
  double HighestFlow() const;     // Qa[Count-1]
  int MaxPressureIndex() const;   // first index of the highest Ps
  // Starts at 0 and takes each later index whose pressure is above 0 and
  // below the one held: {500, 400, 0, -20} -> 1; {-5, 300, 200} -> 0.
  int MinPositivePressureIndex() const;
  // A list of one value per tested point (an octave band's sound powers)
  // interpolated where RefSound interpolates Lw.
  double RefInterpolated(const std::vector<double>& values) const;

  // Segment i of V[0..n-1] holding x, and the position t of x in it (0 at
  // V[i], 1 at V[i+1], outside 0..1 beyond the data). Rising data when
  // V[0] < V[1], else falling. Fewer than 2 values (n or V's length) give
  // i = 0, t = 0.
  static void LocateSegment(std::span<const double> V, int n, double x, int& i, double& t);

  // --- fan laws --------------------------------------------------------------
  double PressureAtSpeed(double N) const;  // RefPressure * (N / RefSpeed)²
  double PressureAt(double Q, double N);   // SetOperatingPoint, then PressureAtSpeed
  double ShaftPower(double N) const;       // RefPower * (N / RefSpeed)³
  // RefSound + 50 log10(N / RefSpeed); a ratio that is not positive gives
  // Status 5 and 0.
  double SoundPower(double N);
  // FQ := Q; 0.5 * Density * (Q / OutletArea)², 0 without an area.
  double DynamicPressure(double Q);

  // --- duty point ------------------------------------------------------------
  // The speed at which the current model gives static pressure P at flow Q.
  // May move Q and P along their system curve P ∝ Q² (clamped speed, listed
  // speed, or no root: then the nominal point at RefSpeed). RawSpeed is the
  // root itself. Status: 0, 4 (flow beyond the curve by more than
  // kFlowMargin of its span), 5 (no root), 6 (root below kLowSpeedMargin ×
  // MinSpeed or above kHighSpeedMargin × MaxSpeed).
  double SolveSpeed(double& Q, double& P, double& RawSpeed);
  // The current model's nominal point: Q := QaNom, P := its static pressure
  // at RefSpeed; returns RefSpeed. Status 0 (a sound power computed later may
  // still set 5).
  double NominalPoint(double& Q, double& P);
  // Index in Models of the model whose nominal flow at its solved speed lies
  // nearest the duty flow, made current (BestIndex). Only models read to the
  // end whose solve leaves Status 0 compete; ties keep the earlier model; with
  // none the first model is made current. -1 when no file is loaded, the file
  // is missing or names no model, or the re-read of the chosen model does not
  // leave Status 0 (a bad "Model" line, say).
  int FindBestModel(double Q, double P);

  // --- state (read only) -----------------------------------------------------
  const std::string& FileName() const { return FFileName; }
  const TFanHeader& Header() const { return FHeader; }
  const std::vector<std::string>& Models() const { return FModels; }
  const TFanModel& Model() const { return FData.Model; }
  // The current model's data, fit and read ending, as one value.
  const TModelData& Data() const { return FData; }
  // The point the last operation left current, with Status; SetCurrent makes
  // a point computed by the free functions current (Status with it).
  TCurrentPoint Current() const { return {FQ, FPoint, FStatus}; }
  void SetCurrent(const TCurrentPoint& point);
  // The fitted Ps(Q) at RefSpeed, c0 + c1 Q + ...; FitError 0 when Coeffs is
  // valid, -1 for a singular fit.
  const std::vector<double>& Coeffs() const { return FData.Coeffs; }
  int FitError() const { return FData.FitError; }
  const TFitStats& FitStats() const { return FData.FitStats; }
  // The model FindBestModel chose last (index in Models).
  int BestIndex() const { return FBestIndex; }
  // The lines of the last verification.
  const std::vector<std::string>& Errors() const { return FErrors; }
  // Status code (StatusText) of the last operation.
  int Status() const { return FStatus; }
  // Status left by the last LoadFromFile (1 before any load).
  int LoadStatus() const { return FLoadStatus; }
  // The last LoadFromFile as a result: the header, or the error (Code the
  // load status, Text its status text, File the file name).
  TResult<const TFanHeader*> Loaded() const;
  // The last model read as a result: its data when it read with status
  // "Ready", else the error (Code ModelStatus, Text its status text, File
  // and Model the file's and the model's names).
  TResult<const TModelData*> CurrentModel() const;
  // The last operation (a load, a model read, a solve, a search, the model
  // a verification made current again) as a result: the current model's data
  // when it left status "Ready", else the error (Code Status, Text its status
  // text, File the file's name; Model is empty, as the operation may concern
  // the file or its model). What the windows show as "is there a usable
  // model" when any of those may have come last.
  TResult<const TModelData*> Outcome() const;
  // Status left by the last model read (the current model's; 1 before any):
  // what a duty solved since does to Status does not change it.
  int ModelStatus() const { return FData.Status; }
  // True when the last SelectModel read its model to the end (its Status may
  // still be 5 for a bad "Model" item, which uses fall-back values).
  bool ModelReadComplete() const { return FData.Complete; }
  // What ended the last model read with a status other than "Ready", naming
  // the key, the item and its text ("\"Model\" item 3 is 'x9', not a
  // number"); empty after a clean read.
  const std::string& ReadProblem() const { return FData.Problem; }

  // Receives "Bad area specification...", "Not enough data points..." and
  // "Pressure not specified..." while a model is read; none set: ignored.
  std::function<void(const std::string&)> OnMessage;

 private:
  void Message(const char* text);
  const TIniSection* FindSection(std::string_view name);
  void ReadModel(const std::string& name);
  // Verify and VerifyReporting: `stop` receives a conversion error, which
  // `report` (when given) also records as an error line.
  int VerifyModels(std::exception_ptr& stop, TConversionStop* report);
  // The rules on every model. With `goOn` a number that does not convert
  // becomes an error line of its model and the next model is checked; the
  // first such error is returned through `stop` either way.
  void CheckModels(bool goOn, std::exception_ptr& stop, TConversionStop* report);
  void CheckReadModel();
  // Makes the model `name` current again, quietly; an empty name: nothing.
  void RestoreModel(const std::string& name);

  // Keeps what a solve left: its point and status.
  void Keep(const TSpeedSolution& s);
  void SearchBestModel();

  std::string FFileName;
  TFanHeader FHeader;
  std::vector<std::string> FModels;
  TModelData FData;        // the current model
  std::string FModelFile;  // the file the current model was read from
  int FBestIndex = 0;
  std::vector<std::string> FErrors;
  int FStatus = fsNotLoaded;

  // The current point: the flow and its place at reference speed.
  double FQ = 0;
  TRefPoint FPoint;
  double FP = 0;  // the duty pressure of a search
  int FLoadStatus = fsNotLoaded;
  // The key being converted while a model is read, for the message of a number that does not convert.
  const char* FReadKey = "";
  // Set while a search or a verification reads every model from the one
  // reading of the file it started with.
  bool FHoldFile = false;

  // The parsed file, shared with the reader's cache, and the one the models
  // read below came from.
  std::shared_ptr<const TIniFile> FIni;
  std::shared_ptr<const TIniFile> FIndexedIni;
  std::vector<std::string_view> FItems;  // reused by the list reader

  // Models read to the end from the parsed file above, with their fits, by
  // section index: a search or a verification reads every model again, and a
  // model of an unchanged file reads the same every time. Dropped with the
  // section index when the file changes. Reads that stopped early (and so may
  // have shown a message) or failed on a number are never kept.
  std::unordered_map<std::size_t, TModelData> FReadModels;
};

}  // namespace blowden
