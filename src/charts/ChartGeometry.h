#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

namespace blowden {

// Geometry of what a chart draws inside its window, free of any drawing.

// Widens the window lo .. hi so that each finite value lies at least
// `margin` (a share of the window's width) inside it: a marker on the edge is
// drawn inside the frame, not on the title or the scale. A window that starts
// at 0 or above is not widened below 0 (flows and pressures). An empty or
// non-finite window stays as it is.
//   0 .. 4, values {4}, margin 0.04 -> 0 .. 4.16;  0 .. 4, {2} -> unchanged
void KeepInside(double& lo, double& hi, std::initializer_list<double> values, double margin = 0.04);

// A polyline clipped to the rectangle x0 .. x1, y0 .. y1: the pieces of it
// inside, each cut exactly where it crosses the edge, in drawing order. A
// vertex that is not finite breaks the line.
using TPolyline = std::vector<std::pair<double, double>>;
std::vector<TPolyline> ClipPolyline(const TPolyline& line, double x0, double x1, double y0, double y1);

}  // namespace blowden
