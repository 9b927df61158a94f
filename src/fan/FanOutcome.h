#pragma once

// How the fan model's operations ended, read as results: what the windows
// and the command line show or print of a load, a model read or an
// evaluation, built on TFan's results (Loaded, CurrentModel, Outcome) so
// that no caller compares status codes itself. The codes themselves stay
// what the user sees: the command line prints them in its "status" fields.

#include "base/Result.h"
#include "fan/FanTypes.h"
#include "fan/ModelData.h"

namespace blowden {

struct TSelectionResult;

// The fan status code a result stands for: 0 ("Ready") for a value, else
// its error's Code.
template <class T>
int StatusCodeOf(const TResult<T>& result) {
  return result ? static_cast<int>(fsReady) : result.Error().Code;
}

// The current model when its last read went to the end with status
// "Ready"; else the error: Code the read's status, Text its status text
// ("Ready" for a read that stopped short without a status of its own),
// File and Model the file's and the model's names.
TResult<const TModelData*> CompleteModel(const TFan& fan);

// Why the fan has no model to show: for a file that names no model the
// load's error, for one that does the current model read's. A load or a
// read that reported no failure gives "Fan model not found" (Code 7): the
// file names no model, or not the one asked for.
TError UnusableModel(const TFan& fan);

// Why a command that reads and evaluates one model has no evaluation: the
// error the fan's last operation left. When that left none, "Data error"
// (Code 5) if a number that did not convert stopped the work (`stopped`),
// else "Fan model not found" (Code 7): there was no model to evaluate.
TError NoEvaluation(const TFan& fan, bool stopped);

// A model was read and its read did not end "Ready" (false before any
// model was read).
bool ModelReadFailed(const TFan& fan);

// The evaluation ended with status "Ready": its operating point (in browse
// mode the nominal point) stands.
bool HasOperatingPoint(const TSelectionResult& r);

}  // namespace blowden
