#include "fan/FanOutcome.h"

#include "fan/FanSelection.h"
#include "fan/QmFan.h"

namespace blowden {

namespace {

TError StatusError(int code, const std::string& file, const std::string& model) {
  return TError{code, std::string(StatusTextOf(code)), file, model};
}

}  // namespace

TResult<const TModelData*> CompleteModel(const TFan& fan) {
  TResult<const TModelData*> model = fan.CurrentModel();
  if (model && fan.ModelReadComplete()) return model;
  return StatusError(StatusCodeOf(model), fan.FileName(), fan.Model().Name);
}

TError UnusableModel(const TFan& fan) {
  const bool noModels = fan.Models().empty();
  int code = noModels ? StatusCodeOf(fan.Loaded()) : StatusCodeOf(fan.CurrentModel());
  if (code == fsReady) code = fsModelNotFound;
  return StatusError(code, fan.FileName(), noModels ? std::string() : fan.Model().Name);
}

TError NoEvaluation(const TFan& fan, bool stopped) {
  const TResult<const TModelData*> last = fan.Outcome();
  if (!last) return last.Error();
  return StatusError(stopped ? fsDataError : fsModelNotFound, fan.FileName(), "");
}

bool ModelReadFailed(const TFan& fan) {
  const TResult<const TModelData*> model = fan.CurrentModel();
  return !model && model.Error().Code != fsNotLoaded;
}

bool HasOperatingPoint(const TSelectionResult& r) { return r.Status == fsReady; }

}  // namespace blowden
