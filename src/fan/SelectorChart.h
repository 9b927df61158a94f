#pragma once

#include <optional>
#include <string>
#include <vector>

namespace blowden {

// What the fan selector puts on its curves chart for one evaluation: plain
// data computed by the core, drawn by the chart panel (window and command line
// alike). Colours are the platform's $BBGGRR values.
struct TSelectorChartPoint {
  double X = 0;  // flow, m³/s
  double Y = 0;  // static pressure, Pa
};

// What a line of the chart shows (its legend entry).
enum TSelectorCurve { scUnnamed, scSpeedLine, scReference, scOperating, scSystem };

struct TSelectorChartLine {
  unsigned Color = 0;                       // $BBGGRR
  std::vector<TSelectorChartPoint> Points;  // in drawing order
  TSelectorCurve Kind = scUnnamed;
};

// Marker kinds of the chart panel.
inline constexpr int kMarkerCircle = 2;  // a circle around the point
inline constexpr int kMarkerSquare = 3;  // a square around the point

struct TSelectorChartMarker {
  double X = 0;
  double Y = 0;
  unsigned Color = 0;        // $BBGGRR, outline
  unsigned BrushColor = 0;   // $BBGGRR, fill
  int Kind = kMarkerCircle;  // kMarkerCircle or kMarkerSquare
  int Size = 6;              // pixels
  int PenWidth = 1;
};

struct TSelectorChart {
  std::string Title;                              // the model's name
  double XMin = 0, XMax = 1, YMin = 0, YMax = 1;  // the chart window (SetChartScale)
  std::vector<TSelectorChartLine> Lines;  // speed lines, reference, operating, system curve, in that order
  TSelectorChartMarker Duty;              // the entered duty point (green circle)
  std::optional<TSelectorChartMarker> Operating;  // the operating point when it differs (blue square)
};

}  // namespace blowden
