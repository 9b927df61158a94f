// The sound of a selection on the command line: its JSON object and the
// options that say where the sound pressure is given for.
#include "cli/CliSound.h"

#include "base/Convert.h"
#include "base/Format.h"
#include "cli/JsonWriter.h"

namespace blowden {

void WriteSoundJson(TJsonWriter& w, const TSoundFigures* sound) {
  w.Key("sound");
  if (!sound) {
    w.Null();
    return;
  }
  w.BeginObject();
  w.Field("lw", sound->Lw);
  w.Key("lwa");
  if (sound->LwA)
    w.Number(*sound->LwA);
  else
    w.Null();
  w.Key("bands");
  if (sound->Bands) {
    w.BeginObject();
    for (std::size_t i = 0; i < kBandCount; ++i) w.Field(std::to_string(kBandCentres[i]), (*sound->Bands)[i]);
    w.EndObject();
  } else {
    w.Null();
  }
  w.Field("lp", sound->Lp);
  w.Field("lp_weighting", sound->LpWeighted ? "A" : "none");
  w.Field("distance", sound->Listener.Distance);
  w.Field("directivity", sound->Listener.Directivity);
  w.Key("kind");
  if (sound->Kind == TSoundKind::None)
    w.Null();
  else
    w.String(SoundKindName(sound->Kind));
  w.EndObject();
}

std::optional<std::string> ParseListenerOptions(const std::optional<std::string>& distance,
                                                const std::optional<std::string>& directivity,
                                                TListener& listener) {
  if (distance) {
    double r = 0;
    if (!TryStrToFloat(*distance, r)) return Format("'%s' is not a number for --distance", {*distance});
    if (auto e = DistanceError(r, *distance, " for --distance")) return e;
    listener.Distance = r;
  }
  if (directivity) {
    double q = 0;
    if (!TryStrToFloat(*directivity, q))
      return Format("'%s' is not a number for --directivity", {*directivity});
    if (auto e = DirectivityError(q, *directivity, " for --directivity")) return e;
    listener.Directivity = q;
  }
  return std::nullopt;
}

}  // namespace blowden
