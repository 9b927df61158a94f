#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanTable.h"
#include "fan/FanTypes.h"

namespace blowden {

// Writing fan data files: model sections built from a table of test points,
// and new sizes derived from a model by the fan laws. Nothing here touches a
// file; callers append the section text (see AppendSection).

// The shortest decimal text that reads back as the same double, as a data
// file's numbers are written:
//   0.1 -> "0.1";  1450.0 -> "1450";  0.47194744320000003 stays all its digits;  2.5e-7 -> "2.5e-07"
std::string ShortestDecimal(double value);

// The seven items of a model's "Model" line, in the file's units.
struct TModelLine {
  int Diameter = 0;               // mm (the line holds whole millimetres)
  int RefSpeed = 0;               // rpm
  int MinSpeed = 0;               // rpm
  int MaxSpeed = 0;               // rpm
  double OutletWidth = 0;         // mm
  double OutletHeight = 0;        // mm; one of the two 0: a circular outlet of the other's diameter
  double QaNom = kNoNominalFlow;  // m³/s
};

// "500,1450,900,1600,500,500,2.5" -> the line; an empty text when it reads,
// else why not ("item 2 (reference speed): '1450.5' is not a whole number").
std::string ParseModelLine(std::string_view text, TModelLine& line);
// The line as the file holds it: "500,1450,900,1600,500,500,2.5".
std::string ModelLineText(const TModelLine& line);
// Why a model with this line would not read or not verify, or an empty text:
// a diameter or speed not above 0, the reference speed outside the minimum
// and maximum speed, a negative outlet side, both outlet sides 0.
std::string CheckModelLine(const TModelLine& line);

// Why `name` cannot name a new model section beside the sections `existing`
// (all section names of the target file), or an empty text. Names match as
// the reader matches them, without regard to case and surrounding blanks;
// "Catalog" is the header's; a name that the "[Name]" line cannot carry
// ("]", a line break, an empty name) is refused too.
std::string CheckNewModelName(std::string_view name, const std::vector<std::string>& existing);

// What to build from a table.
struct TImportRequest {
  std::string Name;  // the model (section) name
  TModelLine Line;
  std::vector<TColumnAssignment> Columns;  // one per column of the table
  // Named in the section's comment line with the table's units ("; Imported
  // from fan.csv: flow in cfm, ..."); empty: "; Imported from a pasted table: ...".
  std::string Source;
  // Density of the target catalogue (kg/m³), for the static pressures that
  // the reader derives from total ones.
  double Density = kDefaultDensity;
  // Each value is written with the significant digits of its cell plus two,
  // at least six (CatalogueValue): 1000 cfm -> 0.471947. Exact: the
  // converted double itself, 0.4719474432.
  bool Exact = false;
};

// A model section built from a table.
struct TImportResult {
  // Why no section can be built, with the table's line and column where a
  // cell is at fault ("line 4, column 2 (Ps): '1,2' is not a number ..."); empty on success.
  std::string Error;
  // The model as the reader will read the section: SI values, points in
  // increasing flow, static pressures (derived from total ones as the reader
  // does), the nominal flow after the reader's fall-back.
  TFanModel Model;
  bool TotalPressure = false;    // the section lists "Pt", not "Ps"
  std::vector<double> Pressure;  // Pa, the values listed under "Ps" or "Pt"
  // What the user should know: rows sorted, columns ignored, a nominal
  // flow that the reader replaces, fewer points than verification wants.
  std::vector<std::string> Notes;
  std::string Section;  // the section text, "\n" line ends, ending with a line end
};

// Converts the assigned columns of every row to SI, sorts the points by
// flow and writes the section: "[Name]", the comment line, "Model=", "Qa=",
// "Ps=" or "Pt=", "Pw=", "Lw=", numbers by ShortestDecimal. One column each
// must hold the flow, a pressure (static or total), the shaft power and the
// sound power; further columns must be ignored. The name and the Model line
// are checked (CheckNewModelName against no sections, CheckModelLine).
TImportResult ImportTable(const TTextTable& table, const TImportRequest& request);

// A new size of a model by the fan laws, with k = new diameter / old
// diameter and n = new reference speed / old one:
//   flow × k³·n, pressure × k²·n², shaft power × k⁵·n³,
//   sound power + 70·log10(k) + 50·log10(n), diameter and outlet sides × k,
//   the nominal flow as a flow.
//   k = 0.8, n = 1: flow × 0.512, pressure × 0.64, power × 0.32768, sound - 6.78 dB
// The impeller keeps its tip speed limits, whatever the new reference speed:
// MaxSpeed / k (whole rpm, rounded down) and MinSpeed / k (rounded up).
// Listed speeds (motor speeds) are kept where they lie within the new limits.
//   500 mm, 900..1600 rpm -> 400 mm: 1125..2000 rpm

// How the efficiency of a smaller size is stepped down.
enum class TEfficiencyStep {
  None,  // the fan laws alone: the efficiency stays as measured
  // Ackeret's formula, (1 - eta2) / (1 - eta1) = 0.5 + 0.5 (Re1 / Re2)^0.2 with
  // Re ∝ n·D², applied when the new size runs at a lower Reynolds number:
  // from the model's peak total efficiency, every shaft power × eta1 / eta2.
  Ackeret,
};

// "ackeret" (any case) -> Ackeret; nullopt for anything else.
std::optional<TEfficiencyStep> FindEfficiencyStep(std::string_view name);

struct TDeriveRequest {
  std::string Name;  // the new section
  int Diameter = 0;  // mm
  // rpm; 0 keeps the model's, moved into the new speed limits when it lies
  // outside them (a note says so).
  int RefSpeed = 0;
  TEfficiencyStep EfficiencyStep = TEfficiencyStep::None;
  // The catalogue's test density (kg/m³): the total efficiencies of a model
  // given by static pressures, and the verification of the result.
  double Density = kDefaultDensity;
  // Each scaled value keeps the significant digits of the model's value plus
  // two, at least six (CatalogueValue). Exact: the scaled double itself.
  bool Exact = false;
};

struct TDeriveResult {
  // Why nothing can be derived; empty on success.
  std::string Error;
  // The error is a result that was built but would not verify (the lines
  // follow in Error): nothing may be written.
  bool Unverifiable = false;
  double K = 1;     // diameter ratio
  double N = 1;     // speed ratio
  TFanModel Model;  // the new model as the reader will read it (static pressures)
  std::string Section;
  // What the user should know: listed speeds dropped, the reference speed
  // moved into the new limits, the efficiency step taken.
  std::vector<std::string> Notes;
  // A smaller size without an efficiency step: its efficiency is most likely lower.
  std::vector<std::string> Warnings;
  double PowerFactor = 1;  // the efficiency step's factor on every shaft power
};

// `source` is a model read to the end (its pressures static, as the reader
// derived them). When its section gives total pressures, `totalPressures`
// holds the listed values and the new section lists scaled total pressures
// too. The section starts with comment lines naming the source, the ratios,
// the speed limits and what the notes and warnings say. A result that would
// not verify (VerifyModelData: overflow, a speed below 1 rpm or beyond the
// bounds, a sound power below 0 dB, the reference speed outside the new
// limits, ...) is refused with Unverifiable set.
TDeriveResult DeriveModel(const TFanModel& source, const std::vector<double>* totalPressures,
                          const TDeriveRequest& request);

// The bytes of a data file with `section` (UTF-8, "\n" line ends) appended:
// the file's own bytes unchanged, a line end added when its last line has
// none, an empty line, then the section in the file's line ends and text
// encoding. Empty, with `error` set, when the section holds a character the
// file's encoding (Windows-1252) cannot hold.
std::optional<std::string> AppendSection(std::string_view fileBytes, std::string_view section,
                                         std::string& error);

// The section names of a data file's bytes, in file order (the header's included).
std::vector<std::string> SectionNames(std::string_view fileBytes);

// The values a model section of a data file's bytes lists under "Pt", for
// DeriveModel: nullopt when the section has no "Pt" key, or, with `error`
// set, when an item is not a number.
std::optional<std::vector<double>> ListedTotalPressures(std::string_view fileBytes, std::string_view model,
                                                        std::string& error);

}  // namespace blowden
