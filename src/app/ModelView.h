#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

#include "app/ModelFits.h"

class QLabel;

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
  // with the fan's Status set to "Data error" (the model is only partly read).
  void ShowModel(const std::string& name);
  // Makes `name` the current model again, without message boxes, after
  // something else (a verification) has walked through the models; the fits
  // and the picked point stay as they are.
  void ReselectModel(const std::string& name);
  // Repaints the three plots.
  void RepaintPlots();
  // The model the view shows and the file it came from (empty before the
  // first ShowModel).
  const std::string& ShownModel() const { return FShownModel; }
  const std::string& ShownFile() const { return FShownFile; }

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

  TFan& FFan;
  std::vector<double> FPsCoeffs;
  std::vector<double> FPwCoeffs;
  std::vector<double> FLwCoeffs;
  int FSelectedPoint = 0;
  std::string FShownModel;
  std::string FShownFile;
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
};

}  // namespace blowden
