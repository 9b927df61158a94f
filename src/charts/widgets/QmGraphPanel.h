#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "charts/ChartTypes.h"

class QPainter;

namespace blowden {

// How PlotTo joins the points of a curve.
enum TPlotMode { pmDotMode, pmLineMode, pmBarMode };

// A small x-y plot: a plot area inside fixed margins with a light grid and
// tick labels, axis lines, a title (the caption), and two drawing primitives
// for the owner's OnPaint: a marker picture centred at a data point
// (PlotMarker) and a curve built point by point (PlotTo). The panel keeps no
// data: every paint draws the frame from the properties and then calls
// OnPaint, and nothing drawn before survives it.
//
// The panel paints into its own image (Format_RGB32, no antialiasing) and
// paintEvent copies that image to the screen. Paint() renders the image
// without a screen (tests, benchmarks). Colours are $BBGGRR values.
//
// Writing a property stores it and schedules a repaint; SetLimits(false, ...)
// stores the four limits without one. The caption is published as the
// accessible name; objectName, when set, also becomes the accessible
// description.
class TGraphPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TGraphPanel(QWidget* parent = nullptr);
  ~TGraphPanel() override;

  // Published properties, defaults in brackets.
  unsigned AxesColor() const { return FAxesColor; }  // [window text]
  void SetAxesColor(unsigned value);
  unsigned GridColor() const { return FGridColor; }  // plot fill [window]
  void SetGridColor(unsigned value);
  int LeftMargin() const { return FLeftMargin; }  // [40]
  void SetLeftMargin(int value);
  int RightMargin() const { return FRightMargin; }  // [20]
  void SetRightMargin(int value);
  int TopMargin() const { return FTopMargin; }  // [25]
  void SetTopMargin(int value);
  int BottomMargin() const { return FBottomMargin; }  // [40]
  void SetBottomMargin(int value);
  double XMin() const { return FXMin; }  // [0]
  void SetXMin(double value);
  double XMax() const { return FXMax; }  // [10]
  void SetXMax(double value);
  double YMin() const { return FYMin; }  // [0]
  void SetYMin(double value);
  double YMax() const { return FYMax; }  // [10]
  void SetYMax(double value);
  bool ShowXScale() const { return FShowXScale; }  // [true]
  void SetShowXScale(bool value);
  const QFont& ScaleXFont() const { return FScaleXFont; }  // ["Tahoma" 8 pt]
  void SetScaleXFont(const QFont& value);
  int ScaleXTicks() const { return FScaleXTicks; }  // [6]; values below 2 are stored as 2
  void SetScaleXTicks(int value);
  const QString& ScaleXLabel() const { return FScaleXLabel; }
  void SetScaleXLabel(const QString& value);
  bool ShowYScale() const { return FShowYScale; }  // [true]
  void SetShowYScale(bool value);
  const QFont& ScaleYFont() const { return FScaleYFont; }  // ["Tahoma" 8 pt]
  void SetScaleYFont(const QFont& value);
  int ScaleYTicks() const { return FScaleYTicks; }  // [6]; values below 2 are stored as 2
  void SetScaleYTicks(int value);
  const QString& ScaleYLabel() const { return FScaleYLabel; }
  void SetScaleYLabel(const QString& value);
  TAxisType AxisType() const { return FAxisType; }  // [xtQuad1]
  void SetAxisType(TAxisType value);
  TPlotMode PlotMode() const { return FPlotMode; }  // [pmLineMode]
  void SetPlotMode(TPlotMode value);

  // The marker picture. Reading it creates an empty picture when there is
  // none; writing copies the given picture (no repaint). Its bottom-left
  // pixel's colour is transparent.
  QImage& Cross();
  void SetCross(const QImage& picture);
  bool HasCross() const { return FCross.has_value(); }

  // Inherited panel properties: caption (drawn as the title, and published
  // as the accessible name), background colour [window], outer bevel [lowered].
  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  unsigned Color() const { return FColor; }
  void SetColor(unsigned value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);

  // Called at the end of every paint with the panel; draw with PlotMarker and PlotTo.
  std::function<void(TGraphPanel*)> OnPaint;

  // The next PlotTo starts a new polyline (cleared when it does).
  bool NewLine = false;
  // The next PlotMarker first puts back the background saved under the
  // previous marker (set by PlotMarker, cleared by every paint).
  bool RestoreBackground = false;

  // Sets the four limits at once; repaints only when redraw is true.
  void SetLimits(bool redraw, double xMin, double xMax, double yMin, double yMax);
  // Draws the Cross picture centred at a data point inside the limits
  // (limits included); with no picture, one pixel in the background colour.
  void PlotMarker(double x, double y);
  // The next point of a curve in PlotMode and the given $BBGGRR colour; points
  // outside the limits are skipped and the next point inside joins the last
  // one drawn.
  void PlotTo(unsigned color, double x, double y);
  // Data coordinates of a pixel: x = (px - plot left) / XScale + XMin, ...
  void PixelToValue(int px, int py, double& x, double& y) const;

  // Renders the panel into its image now: frame, then OnPaint. PlotMarker and
  // PlotTo called outside a paint draw into the image and show at once.
  void Paint();
  const QImage& Image() const { return FImage; }
  QRect PlotRect() const { return FPlotRect; }
  double XScale() const { return FXScale; }  // pixels per data unit, last paint
  double YScale() const { return FYScale; }

  QSize sizeHint() const override { return QSize(250, 200); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Changed();
  void ComputeScale();
  void DrawFrame(QPainter& p);
  void DrawXScale(QPainter& p);
  void DrawYScale(QPainter& p);
  void DrawAxes(QPainter& p);
  void DrawTitle(QPainter& p);
  QPoint ToPixel(double x, double y) const;
  bool InLimits(double x, double y) const;
  // Runs a drawing call with the paint's painter, or with a temporary one
  // outside a paint (then the touched rectangle is shown at once).
  template <class F>
  void WithCanvas(const QRect& touched, F&& draw);

  unsigned FAxesColor;
  unsigned FGridColor;
  int FLeftMargin = 40, FRightMargin = 20, FTopMargin = 25, FBottomMargin = 40;
  double FXMin = 0, FXMax = 10, FYMin = 0, FYMax = 10;
  bool FShowXScale = true;
  QFont FScaleXFont;
  int FScaleXTicks = 6;
  QString FScaleXLabel;
  bool FShowYScale = true;
  QFont FScaleYFont;
  int FScaleYTicks = 6;
  QString FScaleYLabel;
  TAxisType FAxisType = xtQuad1;
  TPlotMode FPlotMode = pmLineMode;
  std::optional<QImage> FCross;
  QImage FCrossMasked;   // FCross with its transparent colour cleared, for drawing
  qint64 FCrossKey = 0;  // cacheKey of the picture FCrossMasked was made from
  QString FCaption;
  unsigned FColor;
  TBevelCut FBevelOuter = bvLowered;

  QImage FImage;
  QPainter* FCanvas = nullptr;  // the painter of the paint in progress
  QRegion FDirectRegion;        // drawn outside a paint, waiting to be shown
  QRect FPlotRect;
  int FPlotWidth = 0, FPlotHeight = 0;
  double FXScale = 1, FYScale = 1;
  bool FLineStarted = false;
  QPoint FLastPoint;
};

}  // namespace blowden
