#pragma once

// A fan model as data: what reading one model section gives (TModelData),
// and what reading a whole fan data file gives (TFanFile). Both are plain
// values; evaluating them is left to the free functions of ModelEval.h, which
// remember nothing between calls, so any thread may evaluate any model.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/IniFile.h"
#include "base/Result.h"
#include "fan/FanTypes.h"
#include "numeric/Regress.h"

namespace blowden {

// One model as read: its data, its fitted static pressure (once read to the
// end) and how the read ended.
struct TModelData {
  TFanModel Model;
  // The fitted Ps(Q) at RefSpeed, c0 + c1 Q + ...; FitError 0 when Coeffs is
  // valid, -1 for a singular fit.
  std::vector<double> Coeffs;
  int FitError = 0;
  TFitStats FitStats;
  int Status = fsNotLoaded;  // how the read ended (a fan status code)
  // What ended the read with a status other than "Ready", naming the key,
  // the item and its text; empty after a clean read.
  std::string Problem;
  // The read went to the end (its Status may still be 5 for a bad "Model"
  // item, which uses fall-back values). A read that stopped early holds the
  // lists of whatever model the data held before.
  bool Complete = false;
  // +1 when the flows Qa[0..Count-1] rise strictly, -1 when they fall
  // strictly, 0 otherwise: a strictly ordered table is searched by halving.
  int FlowOrder = 0;
};

// What a model read says besides its data.
struct TModelReadLog {
  // The message boxes' texts, in order ("Bad area specification...").
  std::vector<const char*> Messages;
  // A number that did not convert ended the read: its error text, and the
  // key it was read from.
  std::optional<std::string> Conversion;
  const char* Key = "";
};

// Reads the model of `section` into `data`, over what `data` holds: a read
// that stops early leaves the fields it did not reach as they were (and a
// model without a "Speed" key keeps the speed list). Status, Problem and
// Complete say how it ended; a number that does not convert ends it with
// Status 5, its Problem and log.Conversion. `items` is scratch space for the
// lists, reused between reads.
void ReadModelData(const TIniFile& ini, const TIniFile::TSection& section, const TFanHeader& header,
                   TModelData& data, TModelReadLog& log, std::vector<std::string_view>& items);

// The catalogue header and the model names (every section but the first
// "Catalog") of a parsed file. False when "Kind" names no kind: `header`
// then keeps the kind it had.
bool ReadCatalogue(const TIniFile& ini, TFanHeader& header, std::vector<std::string>& models);

// A fan data file read to the end: its header, and every model read in file
// order as a TFan reading them in turn reads them. Immutable once made;
// shared between threads as it is.
struct TFanFile {
  struct TModel {
    std::string Name;
    TModelData Data;
    std::vector<std::string> Messages;  // the read's message boxes
  };
  std::string FileName;
  TFanHeader Header;
  std::vector<TModel> Models;

  // The model `index` when it was read to the end with status "Ready",
  // else why not: Code its read status, Text "data error: " and its
  // problem, or the status text.
  TResult<const TModelData*> Usable(std::size_t index) const;
};

// Reads `fileName` and every model of it. An error when the file is not
// found (Code 2), cannot be read (3) or names no model (7, "the file names
// no model"); Text is the reason as a ranking reports it.
TResult<std::shared_ptr<const TFanFile>> ReadFanFile(const std::string& fileName);

}  // namespace blowden
