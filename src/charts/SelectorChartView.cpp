#include "charts/SelectorChartView.h"

#include <QGuiApplication>

#include "charts/ChartSupport.h"
#include "charts/QmChartPanel.h"

namespace blowden {

void ApplySelectorChartDesign(TChartPicture& panel) {
  panel.SetLeftMargin(50);
  panel.SetRightMargin(20);
  panel.SetTopMargin(25);
  panel.SetBottomMargin(40);
  panel.SetAxisType(xtQuad1);
  panel.SetScaleType(stXY);
  panel.SetTitleAlignment(taCenter);
  panel.SetShowXYPos(false);
  panel.SetShowXScale(true);
  panel.SetShowYScale(true);
  panel.SetScaleXTicks(6);
  panel.SetScaleYTicks(6);
  panel.SetScaleXLabel(QStringLiteral("Airflow [m³/s]"));
  panel.SetScaleYLabel(QStringLiteral("Static pressure [Pa]"));
  panel.SetAxesColor(WindowTextColor());
  panel.SetColor(WindowColor());
  const QFont courier = ProgramFont(QStringLiteral("courier new"), 8);
  const QFont tahoma = ProgramFont(QStringLiteral("Tahoma"), 8);
  panel.SetFontLabels(courier);
  panel.SetFontXYPos(courier);
  panel.SetScaleXFont(tahoma);
  panel.SetScaleYFont(tahoma);
  panel.SetGridColor(0xF4FDFF);  // last: it redraws
}

namespace {

void AddMarker(TChartPicture& panel, const TSelectorChartMarker& marker) {
  TChartPoint& point = panel.AddPoint(marker.Color, marker.Kind, marker.X, marker.Y, marker.Size);
  point.SetStyle(marker.Color, marker.BrushColor, psSolid, marker.PenWidth, true);
  point.Movable = false;
}

}  // namespace

void DrawSelectorChart(TChartPicture& panel, const TSelectorChart& chart) {
  panel.Clear();
  panel.SetTitle(QString::fromStdString(chart.Title));
  panel.SetScale(chart.XMin, chart.XMax, chart.YMin, chart.YMax);
  for (const TSelectorChartLine& curve : chart.Lines) {
    TChartLine& line = panel.AddLine(curve.Color, 0, QString(), 3, QImage());
    for (const TSelectorChartPoint& vertex : curve.Points) line.AddPoint(vertex.X, vertex.Y);
  }
  AddMarker(panel, chart.Duty);
  if (chart.Operating) AddMarker(panel, *chart.Operating);
  panel.Redraw();
}

QImage RenderSelectorChart(const TSelectorChart& chart, QSize size) {
  // Fonts cannot be measured before the application object exists.
  if (!qGuiApp || size.isEmpty()) return QImage();
  TChartPicture picture;
  picture.SetBevelOuter(bvNone);
  picture.SetPictureSize(size);
  ApplySelectorChartDesign(picture);
  DrawSelectorChart(picture, chart);
  return picture.Picture();
}

}  // namespace blowden
