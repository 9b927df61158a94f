#pragma once

#include <string>
#include <vector>

#include "report/Datasheet.h"

class QPainter;
class QPaintDevice;

namespace blowden {

// The datasheet's octave-band table: a header row of band centres and rows
// of sound power, A-weighting and A-weighted sound power per band, with the
// totals in a last column. Empty when the selection has no bands.
//   {"Band [Hz]", "63", "125", ..., "8000", "Total"},
//   {"Lw [dB]", "70.1", ..., "80.2"}, {"A-weighting [dB]", "-26.2", ..., ""},
//   {"LwA [dB(A)]", "43.9", ..., "78.4"}
std::vector<std::vector<std::string>> SoundBandRows(const TDatasheet& d);

// Paints the sound block at `y` across `width` points of a page whose
// painter is already scaled to points: a heading, the band table (left) and
// a bar chart of the bands (right). Returns the height used; 0 (nothing
// painted) when the selection has no bands.
double PaintSoundBlock(QPainter& p, const QPaintDevice& device, double y, double width, const TDatasheet& d);

}  // namespace blowden
