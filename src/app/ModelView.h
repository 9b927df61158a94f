#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "fan/FanResiduals.h"
#include "fan/ModelFits.h"
#include "fan/PlotUnits.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;

namespace blowden {

class TClickLabel;
class TFan;
class TGraphPanel;

// The "Plot" page of the main window: for the model shown, the fits of its
// static pressure, power and sound power with their summaries and
// equations, and three plots of the measured points (marker pictures) with
// the fitted curve in red. The pressure plot also marks the nominal point
// and a picked point: a click picks the data point whose flow is nearest,
// and with the keyboard focus on the plot Left/Right, Home/End move the pick.
// A press on an equation (or Enter, Space or Ctrl+C on it) copies it to the
// clipboard.
//
// Each fit's summary line ends with its largest residual (the tested value
// less the fitted one). The "Residuals" check box shows, in place of the
// curves, every tested point's residual against the flow, and a table of
// them (in Pa, kW, dB and %) in place of the equations.
//
// The "Units" choice shows the fitted curves and their equations in SI (m³/s,
// Pa, kW, dB, as the file holds them) or IP (cfm, InchWg, HP, dB); the
// residuals stay in the file's units.
//
// The view works on the window's fan model and draws from its current model
// at every paint; it keeps the fitted coefficients itself.
class TModelView : public QWidget {
  Q_OBJECT

 public:
  explicit TModelView(TFan& fan, QWidget* parent = nullptr);
  ~TModelView() override;

  // Loads "normalbmp.bmp", "selectbmp.bmp" and "nominalbmp.bmp" from
  // `folder`. A picture that cannot be read is replaced by one that draws
  // the single pixel the plot draws without a picture. Returns the names
  // of the pictures that could not be read.
  QStringList LoadMarkers(const QString& folder);

  // Makes `name` the current model (SelectModel), fits its three curves,
  // writes summaries and equations, sets the plot titles and limits and
  // repaints. The picked point goes back to the first point. A conversion
  // error of the model read is passed on after the view has been updated,
  // with the fan's Status "Data error" (the model is only partly read).
  void ShowModel(const std::string& name);
  // Repaints the three plots.
  void RepaintPlots();

  // Index of the data point whose flow is nearest x (ties: the lower index).
  int NearestPoint(double x) const;
  int SelectedPoint() const { return FSelectedPoint; }
  void SetSelectedPoint(int index);

  // The OnPaint handlers of the three panels.
  void PlotPressure(TGraphPanel* panel);
  void PlotPower(TGraphPanel* panel);
  void PlotSound(TGraphPanel* panel);
  // A mouse press at pixel (x, y) of GraphPanel1.
  void GraphPanel1MouseDown(int x, int y);
  // Copy the equations to the clipboard.
  void Label5MouseDown();
  void Label6MouseDown();
  void Label7MouseDown();

  TGraphPanel* GraphPanel1() const { return FGraphPanel1; }
  TGraphPanel* GraphPanel2() const { return FGraphPanel2; }
  TGraphPanel* GraphPanel3() const { return FGraphPanel3; }
  QLabel* Label2() const { return FLabel2; }
  QLabel* Label3() const { return FLabel3; }
  QLabel* Label4() const { return FLabel4; }
  TClickLabel* Label5() const { return FLabel5; }
  TClickLabel* Label6() const { return FLabel6; }
  TClickLabel* Label7() const { return FLabel7; }
  const std::vector<double>& PsCoeffs() const { return FPsCoeffs; }
  const std::vector<double>& PwCoeffs() const { return FPwCoeffs; }
  const std::vector<double>& LwCoeffs() const { return FLwCoeffs; }
  const QImage& NormalBmp() const { return FNormalBmp; }
  const QImage& SelectBmp() const { return FSelectBmp; }
  const QImage& NominalBmp() const { return FNominalBmp; }

  // Residuals in place of the fitted curves (the "Residuals" check box).
  bool ShowResiduals() const { return FShowResiduals; }
  void SetShowResiduals(bool on);
  // The residuals of a fit of the model shown (none before a model is shown).
  const TFitResiduals& Residuals(TCurveKind kind) const { return FResiduals[kind]; }
  QCheckBox* CBResiduals() const { return FCBResiduals; }

  // The units of the plots and equations (SI at first).
  TPlotUnits PlotUnits() const { return FPlotUnits; }
  void SetPlotUnits(TPlotUnits units);
  QComboBox* UnitsBox() const { return FUnitsBox; }
  QTableWidget* ResidualTable() const { return FResidualTable; }
  // The octave bands of the tested points; shown for a model that gives them.
  QTableWidget* BandTable() const { return FBandTable; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TGraphPanel* CreatePanel(const char* name, const QString& caption);
  void ShowFit(TCurveKind kind, TGraphPanel* panel, QLabel* summary, QLabel* equation,
               std::vector<double>& coeffs);
  void PlotCurve(TGraphPanel* panel, TCurveKind kind, const std::vector<double>& coeffs);
  void CopyEquation(QLabel* label);
  bool PanelKey(int key);
  QImage PlainPixelPicture(const TGraphPanel* panel) const;
  // The panel's caption and limits for the fit or for its residuals.
  void ApplyPanelMode(TCurveKind kind);
  // 1, or 1000 when a fit's residuals are plotted in W instead of kW.
  double ResidualScale(TCurveKind kind) const;
  void PlotResiduals(TGraphPanel* panel, TCurveKind kind);
  void FillResidualTable();
  TGraphPanel* Panel(TCurveKind kind) const;
  // The fitted curves' axes in the chosen units (residuals: always SI).
  TCurveUnits Units(TCurveKind kind) const;
  void ShowEquation(TCurveKind kind);

  TFan& FFan;
  std::vector<double> FPsCoeffs;
  std::vector<double> FPwCoeffs;
  std::vector<double> FLwCoeffs;
  int FSelectedPoint = 0;
  QImage FNormalBmp;
  QImage FSelectBmp;
  QImage FNominalBmp;

  TGraphPanel* FGraphPanel1 = nullptr;
  TGraphPanel* FGraphPanel2 = nullptr;
  TGraphPanel* FGraphPanel3 = nullptr;
  QLabel* FLabel2 = nullptr;
  QLabel* FLabel3 = nullptr;
  QLabel* FLabel4 = nullptr;
  TClickLabel* FLabel5 = nullptr;
  TClickLabel* FLabel6 = nullptr;
  TClickLabel* FLabel7 = nullptr;

  // Per fit: its residuals and the plot window of the fitted curve.
  struct TFitWindow {
    bool Has = false;
    double XMin = 0, XMax = 10, YMin = 0, YMax = 10;
  };
  std::array<TFitResiduals, 3> FResiduals;
  std::array<TFitWindow, 3> FFitWindows;
  bool FShowResiduals = false;
  TPlotUnits FPlotUnits = puSI;
  std::array<std::string, 3> FSiEquations;  // each fit's equation as fitted (SI)
  QComboBox* FUnitsBox = nullptr;
  QCheckBox* FCBResiduals = nullptr;
  QTableWidget* FResidualTable = nullptr;
  QTableWidget* FBandTable = nullptr;
};

}  // namespace blowden
