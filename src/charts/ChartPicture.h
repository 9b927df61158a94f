#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "charts/ChartScale.h"
#include "charts/ChartTypes.h"

class QPainter;

namespace blowden {

class TChartPicture;

enum TXYPosPlace { ppTopRight, ppBottomLeft };
// Linear or base-10 logarithmic axes: stlnXY logarithmic x, stXlnY
// logarithmic y, stlnXlnY both.
enum TScaleType { stXY, stlnXY, stXlnY, stlnXlnY };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Marker kinds of points: 0 none, 2 circle, 3 square (others draw nothing).
//
// Colours kept in lines and points are encoded against the panel's GridColor
// at the time they are stored: stored = C xor GridColor xor $FFFFFF. Lines and
// markers are drawn with the not-xor pen, so an encoded colour shows as C on
// the plot fill and drawing the same item twice restores the fill exactly;
// that is how a point is erased and moved without repainting the chart.
//   GridColor $F4FDFF, C $FF0000 -> stored $F40200, shown $FF0000

class TChartPoint {
 public:
  explicit TChartPoint(TChartPicture* panel) : Panel(panel) {}

  // Outline and fill colours (encoded when `encode`, stored as given
  // otherwise), copied into HiPenColor/HiBrushColor, and the outline pen.
  void SetStyle(unsigned penColor, unsigned brushColor, TPenStyle penStyle, int penWidth, bool encode);

  TChartPicture* Panel;
  double X = 0, Y = 0;                    // data units
  unsigned PenColor = 0, BrushColor = 0;  // encoded
  TPenStyle PenStyle = psSolid;
  int PenWidth = 2;
  unsigned HiPenColor = 0, HiBrushColor = 0;  // encoded; used while highlighted
  int Kind = 0;
  int Size = 0;          // diameter or side, pixels
  bool Movable = false;  // may be picked and dragged; set at creation to Kind != 0
};

using TChartPointVec = std::vector<std::unique_ptr<TChartPoint>>;

class TChartLine {
 public:
  explicit TChartLine(TChartPicture* panel) : Panel(panel) {}

  // Appends a vertex with the line's marker kind, size, colours and pens;
  // movable when it has a marker. The reference stays valid until Clear.
  TChartPoint& AddPoint(double x, double y);
  // Segment pen; also the outline pen of every existing vertex.
  void SetPen(TPenStyle style, int width);
  // Encodes and stores the vertex colours and pen, and applies them to every
  // existing vertex.
  void SetMarkerStyle(unsigned penColor, unsigned brushColor, int penWidth, TPenStyle penStyle);

  TChartPicture* Panel;
  TChartPointVec Points;  // vertices in order
  int MarkerKind = 0;
  int MarkerSize = 3;
  unsigned Color = 0;  // encoded segment colour
  TPenStyle PenStyle = psSolid;
  int PenWidth = 1;
  unsigned MarkerPenColor = 0, MarkerBrushColor = 0;  // encoded
  TPenStyle MarkerPenStyle = psSolid;
  int MarkerPenWidth = 2;
};

using TChartLineVec = std::vector<std::unique_ptr<TChartLine>>;

// One row of a chart's legend: a short sample of a line (MarkerKind 0) or a
// marker (2 circle, 3 square) in the colours the chart shows ($BBGGRR, not
// encoded), and the text that names it.
struct TLegendEntry {
  QString Text;
  unsigned Color = 0;
  int MarkerKind = 0;
  unsigned BrushColor = 0xFFFFFF;  // fill of a marker
  int PenWidth = 1;                // outline of a marker
};

// Everything of the chart panel except the widget: properties, lines and
// points, data window, pixel mapping and drawing into an image. It renders
// without a screen or a QApplication (a QGuiApplication is enough), which the
// command-line program uses; TChartPanel puts it on a widget and adds the mouse.
//
// Setting a property does not redraw (except GridColor); call Redraw after
// changes. The pixel mapping is that of the last Redraw or resize.
class TChartPicture {
 public:
  TChartPicture();
  virtual ~TChartPicture();
  TChartPicture(const TChartPicture&) = delete;
  TChartPicture& operator=(const TChartPicture&) = delete;

  // Published properties, defaults in brackets.
  unsigned AxesColor() const { return FAxesColor; }  // [window text]
  void SetAxesColor(unsigned value) { FAxesColor = value; }
  unsigned GridColor() const { return FGridColor; }  // [$FFFFFF]; redraws at once
  void SetGridColor(unsigned value);
  int LeftMargin() const { return FLeftMargin; }  // [40]
  void SetLeftMargin(int value) { FLeftMargin = value; }
  int RightMargin() const { return FRightMargin; }  // [20]
  void SetRightMargin(int value) { FRightMargin = value; }
  int TopMargin() const { return FTopMargin; }  // [25]
  void SetTopMargin(int value) { FTopMargin = value; }
  int BottomMargin() const { return FBottomMargin; }  // [40]
  void SetBottomMargin(int value) { FBottomMargin = value; }
  // The data window [1 .. 10 on both axes], kept transformed (ScaleType).
  double XMin() const;
  void SetXMin(double value);
  double XMax() const;
  void SetXMax(double value);
  double YMin() const;
  void SetYMin(double value);
  double YMax() const;
  void SetYMax(double value);
  const QString& Title() const { return FTitle; }
  virtual void SetTitle(const QString& value) { FTitle = value; }
  TAlignment TitleAlignment() const { return FTitleAlignment; }  // [taCenter]
  void SetTitleAlignment(TAlignment value) { FTitleAlignment = value; }
  bool ShowXYPos() const { return FShowXYPos; }  // [true]
  void SetShowXYPos(bool value) { FShowXYPos = value; }
  TXYPosPlace ShowXYPosPlace() const { return FShowXYPosPlace; }  // [ppBottomLeft]
  void SetShowXYPosPlace(TXYPosPlace value) { FShowXYPosPlace = value; }
  // printf-like formats of the read-out ("%0.3f"); empty = automatic.
  const QString& ShowXPosFmt() const { return FShowXPosFmt; }
  void SetShowXPosFmt(const QString& value) { FShowXPosFmt = value; }
  const QString& ShowYPosFmt() const { return FShowYPosFmt; }
  void SetShowYPosFmt(const QString& value) { FShowYPosFmt = value; }
  bool ShowXScale() const { return FShowXScale; }  // [true]
  void SetShowXScale(bool value) { FShowXScale = value; }
  const QFont& FontLabels() const { return FFontLabels; }  // ["courier new" 8 pt]
  void SetFontLabels(const QFont& value) { FFontLabels = value; }
  const QFont& FontXYPos() const { return FFontXYPos; }  // ["courier new" 8 pt]
  void SetFontXYPos(const QFont& value) { FFontXYPos = value; }
  const QFont& ScaleXFont() const { return FScaleXFont; }  // ["courier new" 8 pt]
  void SetScaleXFont(const QFont& value) { FScaleXFont = value; }
  int ScaleXTicks() const { return FScaleXTicks; }  // [6]; values below 2 are stored as 2
  void SetScaleXTicks(int value);
  const QString& ScaleXLabel() const { return FScaleXLabel; }
  void SetScaleXLabel(const QString& value) { FScaleXLabel = value; }
  bool ShowYScale() const { return FShowYScale; }  // [true]
  void SetShowYScale(bool value) { FShowYScale = value; }
  const QFont& ScaleYFont() const { return FScaleYFont; }  // ["courier new" 8 pt]
  void SetScaleYFont(const QFont& value) { FScaleYFont = value; }
  int ScaleYTicks() const { return FScaleYTicks; }  // [6]; values below 2 are stored as 2
  void SetScaleYTicks(int value);
  const QString& ScaleYLabel() const { return FScaleYLabel; }
  void SetScaleYLabel(const QString& value) { FScaleYLabel = value; }
  // [false] Ticks at the multiples of the step inside the window (RoundTicks),
  // labelled plainly up to 10^7 with the locale's thousands grouping, in
  // place of ticks from the window's lower limit on (ChartTicks).
  bool RoundTicks() const { return FRoundTicks; }
  void SetRoundTicks(bool value) { FRoundTicks = value; }
  TAxisType AxisType() const { return FAxisType; }  // [xtQuad1]
  void SetAxisType(TAxisType value) { FAxisType = value; }
  TScaleType ScaleType() const { return FScaleType; }  // [stXY]; keeps the window's values
  void SetScaleType(TScaleType value);
  unsigned Color() const { return FColor; }  // background [window]
  void SetColor(unsigned value) { FColor = value; }
  TBevelCut BevelOuter() const { return FBevelOuter; }  // [bvLowered]
  void SetBevelOuter(TBevelCut value) { FBevelOuter = value; }
  // The legend [none]: a framed box in the corner of the plot that the lines
  // and points cross least (top right first), drawn over them in copy mode and
  // drawn again after every move of a point, so it always reads cleanly.
  const std::vector<TLegendEntry>& Legend() const { return FLegend; }
  void SetLegend(std::vector<TLegendEntry> entries) { FLegend = std::move(entries); }
  bool ShowLegend() const { return FShowLegend; }  // [true]; with no entries nothing is drawn
  void SetShowLegend(bool value) { FShowLegend = value; }
  // Where the last Redraw put the legend; empty when none was drawn.
  QRect LegendRect() const { return FLegendRect; }

  // Content. References returned stay valid until Clear or destruction.
  // Clear removes the lines, the points and the legend's entries.
  void Clear();
  // A new line; colour $BBGGRR, encoded at once. Marker shape and bitmap are
  // accepted and not drawn.
  TChartLine& AddLine(unsigned color, int markerKind, const QString& markerShape = QString(),
                      int markerSize = 3, const QImage& markerBitmap = QImage());
  // A free point with pen and brush `color` (encoded), pen solid width 2,
  // Movable = kind != 0. Shape and bitmap are accepted and not drawn.
  TChartPoint& AddPoint(unsigned color, int kind, double x, double y, int size,
                        const QString& shape = QString(), const QImage& bitmap = QImage());
  const TChartLineVec& Lines() const { return FLines; }
  const TChartPointVec& Points() const { return FPoints; }

  // Window pairs; Min = Max = v widens: 0 -> 0 .. 1, else v * 0.5 .. v * 1.5
  // (for a negative v: v * 1.5 .. v * 0.5).
  void SetXRange(double min, double max);
  void SetYRange(double min, double max);
  void SetScale(double xMin, double xMax, double yMin, double yMax);

  // Draws everything into the image and shows it.
  void Redraw();
  // Paints the chart onto any painter (a PDF page, a printer) as vectors,
  // filling `target` (in the painter's coordinates): laid out as a picture of
  // `layoutSize` pixels, by default the target's size at 96 dpi, with the
  // drawing code of the image, each line and point in copy mode in the
  // colour it shows on the plot fill (an encoded colour is decoded). The
  // image and its pixel mapping stay as they are.
  void Paint(QPainter& p, const QRectF& target, QSize layoutSize = QSize());

  // Size of the picture off-screen (a panel's picture has the widget's size).
  void SetPictureSize(QSize size);
  QSize PictureSize() const { return FImage.size(); }
  QSize InnerSize() const { return QSize(FInnerWidth, FInnerHeight); }
  // The whole image, bevel included, and the chart's picture (inner size)
  // as CopyToClipboard hands it over.
  const QImage& Image() const { return FImage; }
  QImage Picture() const;

  // The plot's left edge is LeftMargin, moved right only as far as the y tick
  // labels and the rotated y caption beside them need, so that neither is cut
  // nor covers the other (xtQuad2: the right edge likewise); the bottom
  // margin likewise leaves room for the x tick labels above the x caption.
  // Mapping of the last Redraw (or resize): data <-> pixel.
  //   px = plot left + trunc((tX - x min) * kx), py = plot bottom - trunc((tY - y min) * ky)
  QPoint DataToPixel(double x, double y) const;
  QPointF PixelToData(int px, int py) const;
  bool IsInWindow(double x, double y) const;    // limits included
  bool IsPixelInPlot(int px, int py) const;     // edges included
  QRect PlotRect() const { return FPlotRect; }  // left, top to right, bottom (edges of the plot)

  // The last mouse position in data units.
  double MouseX() const { return FMouseX; }
  double MouseY() const { return FMouseY; }
  bool Dragging() const { return FDragging; }
  const TChartPoint* HighlightedPoint() const { return FHighlighted; }
  // The read-out text last written ("[x, y]" or "[]"); empty after Redraw.
  const QString& XYPosText() const { return FXYPosText; }

 protected:
  // Called after drawing into the image: the rectangle to show again.
  virtual void Invalidate(const QRect& rect) { (void)rect; }
  // The size the picture should have at the next Redraw.
  virtual QSize PanelSize() const { return FSize; }

  // Mouse logic shared with the widget; pixel coordinates.
  void UpdateMousePosition(QPoint pixel);
  bool HitTest(QPoint pixel);  // remembers the hit point and its line
  void PickHitPoint();         // highlight the hit point and start dragging
  void MoveHitPoint();         // erase, move to (MouseX, MouseY), draw again
  void EndDragging() { FDragging = false; }
  void UpdateXYPos();

 private:
  double ToT(double v, bool logAxis) const;
  double FromT(double v, bool logAxis) const;
  bool LogX() const { return FScaleType == stlnXY || FScaleType == stlnXlnY; }
  bool LogY() const { return FScaleType == stXlnY || FScaleType == stlnXlnY; }
  int BevelWidth() const { return FBevelOuter == bvNone ? 0 : 1; }
  void Layout();
  // The size being laid out: the panel's, or the vector target's in Paint.
  QSize LayoutSize() const { return FPaintSize.isEmpty() ? PanelSize() : FPaintSize; }
  // Everything Redraw paints, on the image or (in Paint) a vector device.
  void PaintPicture(QPainter& p);
  // A colour as the not-xor pen shows it: on the image the stored colour
  // itself, on a vector device the one it shows on the plot fill.
  QColor Ink(unsigned stored) const;
  void DrawBevel(QPainter& p);
  void DrawXScale(QPainter& p);
  void DrawYScale(QPainter& p);
  void DrawAxes(QPainter& p);
  void DrawTitle(QPainter& p);
  // Width of the widest y tick label, 0 when the y scale is not drawn.
  int WidestYLabel() const;
  // The ticks of an axis over lo .. hi (in T space) and a tick's label.
  TTickSet AxisTicks(double lo, double hi, int wanted) const;
  QString TickLabel(const TTickSet& ticks, int k, bool log) const;
  // Pixel offset of tick k from the axis start, `length` pixels for lo .. hi.
  double TickOffset(const TTickSet& ticks, int k, double lo, double hi, int length) const;
  QSize LegendSize() const;
  QRect PlaceLegend(QSize size) const;
  void DrawLegend(QPainter& p);
  void DrawLegendAt(QPainter& p, const QRect& box);
  QRect RedrawLegendIfTouched(const QRect& touched);
  QRect DrawPoint(QPainter& p, const TChartPoint& point);
  QRect DrawLine(QPainter& p, const TChartLine& line);
  QRect DrawItem(const TChartPoint* point, const TChartLine* line);
  unsigned Encode(unsigned color) const { return color ^ FGridColor ^ 0xFFFFFFu; }

  friend class TChartLine;
  friend class TChartPoint;

  unsigned FAxesColor;
  unsigned FGridColor = 0xFFFFFF;
  int FLeftMargin = 40, FRightMargin = 20, FTopMargin = 25, FBottomMargin = 40;
  double FXMin = 1, FXMax = 10, FYMin = 1, FYMax = 10;  // transformed
  QString FTitle;
  TAlignment FTitleAlignment = taCenter;
  bool FShowXYPos = true;
  TXYPosPlace FShowXYPosPlace = ppBottomLeft;
  QString FShowXPosFmt, FShowYPosFmt;
  bool FShowXScale = true;
  QFont FFontLabels, FFontXYPos, FScaleXFont, FScaleYFont;
  int FScaleXTicks = 6;
  QString FScaleXLabel;
  bool FShowYScale = true;
  int FScaleYTicks = 6;
  QString FScaleYLabel;
  bool FRoundTicks = false;
  TAxisType FAxisType = xtQuad1;
  TScaleType FScaleType = stXY;
  unsigned FColor;
  TBevelCut FBevelOuter = bvLowered;
  std::vector<TLegendEntry> FLegend;
  bool FShowLegend = true;

  TChartLineVec FLines;
  TChartPointVec FPoints;

  QFont FCanvasFont;  // "courier new" 8 pt, the font the four fonts start from
  QSize FSize;
  QSize FPaintSize;      // set while Paint lays out and paints
  bool FVector = false;  // painting on a vector device
  QImage FImage;
  int FInnerWidth = 0, FInnerHeight = 0;
  // Layout of the last Redraw: plot rectangle and window, kx and ky in pixels
  // per transformed unit.
  QRect FPlotRect;
  int FPlotWidth = 0, FPlotHeight = 0;
  long double FKx = 1, FKy = 1;
  double FLayXMin = 1, FLayXMax = 10, FLayYMin = 1, FLayYMax = 10;

  double FMouseX = 0, FMouseY = 0;
  TChartPoint* FHitPoint = nullptr;
  TChartLine* FHitLine = nullptr;
  TChartPoint* FHighlighted = nullptr;
  bool FDragging = false;
  QString FXYPosText;
  QRect FXYPosRect;
  QRect FLegendRect;
};

}  // namespace blowden
