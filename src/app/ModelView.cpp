#include "app/ModelView.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/Controls.h"
#include "app/ModelBands.h"
#include "base/Convert.h"
#include "base/Format.h"
#include "charts/ChartSupport.h"
#include "charts/widgets/ControlNames.h"
#include "charts/widgets/QmGraphPanel.h"
#include "fan/QmFan.h"
#include "numeric/Regress.h"

namespace blowden {

namespace {

constexpr unsigned PureRed = 0x0000FF;  // $BBGGRR
constexpr unsigned White = 0xFFFFFF;

// The pressure plot's own picture: an 8 x 8 magenta square with white
// corners (white, the bottom-left colour, is transparent).
QImage SquareMarker() {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 255));
  for (const QPoint corner : {QPoint(0, 0), QPoint(7, 0), QPoint(0, 7), QPoint(7, 7)})
    image.setPixel(corner, qRgb(255, 255, 255));
  return image;
}

// The power and sound plots' picture: a 6 x 6 maroon ring with softened
// edges around a white 2 x 2 centre.
QImage RingMarker() {
  static const char* const rows[6] = {"WaMMaW", "aMMMMa", "MMwwMM", "MMwwMM", "aMMMMa", "WaMMaW"};
  QImage image(6, 6, QImage::Format_RGB32);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const char c = rows[y][x];
      image.setPixel(x, y, c == 'M' ? qRgb(128, 0, 0) : c == 'a' ? qRgb(192, 128, 128) : qRgb(255, 255, 255));
    }
  return image;
}

}  // namespace

TModelView::TModelView(TFan& fan, QWidget* parent)
    : QWidget(parent), FFan(fan), FPsCoeffs(6, 0.0), FPwCoeffs(6, 0.0), FLwCoeffs(6, 0.0) {
  FGraphPanel1 = CreatePanel("GraphPanel1", QStringLiteral("Static Pressure"));
  FGraphPanel2 = CreatePanel("GraphPanel2", QStringLiteral("Motor Power"));
  FGraphPanel3 = CreatePanel("GraphPanel3", QStringLiteral("Sound Power"));
  FGraphPanel1->SetCross(SquareMarker());
  FGraphPanel2->SetCross(RingMarker());
  FGraphPanel3->SetCross(RingMarker());
  FGraphPanel1->OnPaint = [this](TGraphPanel* panel) { PlotPressure(panel); };
  FGraphPanel2->OnPaint = [this](TGraphPanel* panel) { PlotPower(panel); };
  FGraphPanel3->OnPaint = [this](TGraphPanel* panel) { PlotSound(panel); };

  // The pressure plot takes the focus so that a point can be picked with
  // the keyboard too.
  FGraphPanel1->setFocusPolicy(Qt::StrongFocus);
  FGraphPanel1->setToolTip(QStringLiteral("Click a point, or use Left/Right, to pick a data point"));
  FGraphPanel1->installEventFilter(this);

  const QFont font = ProgramFont(QStringLiteral("Tahoma"), 8);
  auto makeSummary = [&](const char* name) {
    auto* label = new QLabel(QStringLiteral("..."), this);
    NameControl(label, QString::fromLatin1(name));
    label->setFont(font);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    label->setPalette(palette);
    return label;
  };
  auto makeEquation = [&](const char* name, const QString& caption) {
    auto* label = new TClickLabel(this);
    label->setText(caption);
    NameControl(label, QString::fromLatin1(name));
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setToolTip(QStringLiteral("Click (or press Enter) to copy the equation"));
    return label;
  };
  FLabel5 = makeEquation("Label5", QStringLiteral("Pressure"));
  FLabel2 = makeSummary("Label2");
  FLabel6 = makeEquation("Label6", QStringLiteral("Power"));
  FLabel3 = makeSummary("Label3");
  FLabel7 = makeEquation("Label7", QStringLiteral("Sound"));
  FLabel4 = makeSummary("Label4");
  connect(FLabel5, &TClickLabel::MouseDown, this, &TModelView::Label5MouseDown);
  connect(FLabel6, &TClickLabel::MouseDown, this, &TModelView::Label6MouseDown);
  connect(FLabel7, &TClickLabel::MouseDown, this, &TModelView::Label7MouseDown);

  auto* labels = new QVBoxLayout;
  labels->setContentsMargins(2, 14, 2, 2);
  labels->setSpacing(4);
  for (QLabel* equation :
       {static_cast<QLabel*>(FLabel5), static_cast<QLabel*>(FLabel6), static_cast<QLabel*>(FLabel7)}) {
    QLabel* summary = equation == FLabel5 ? FLabel2 : equation == FLabel6 ? FLabel3 : FLabel4;
    labels->addWidget(equation);
    labels->addWidget(summary);
    labels->addSpacing(14);
  }
  FCBResiduals = new QCheckBox(QStringLiteral("&Residuals"), this);
  NameControl(FCBResiduals, QStringLiteral("CBResiduals"));
  FCBResiduals->setFont(font);
  FCBResiduals->setToolTip(
      QStringLiteral("Show each tested point's residual (tested less fitted value) in place of the curves"));
  connect(FCBResiduals, &QCheckBox::toggled, this, &TModelView::SetShowResiduals);
  // The units of the plots and equations, beside the check box.
  FUnitsBox = new QComboBox(this);
  NameControl(FUnitsBox, QStringLiteral("UnitsBox"));
  FUnitsBox->setAccessibleName(QStringLiteral("Units of the plots and equations"));
  FUnitsBox->setFont(font);
  FUnitsBox->addItem(QString::fromUtf8("SI (m³/s, Pa, kW)"));
  FUnitsBox->addItem(QStringLiteral("IP (cfm, InchWg, HP)"));
  FUnitsBox->setToolTip(QStringLiteral("Units of the plots and equations"));
  auto* unitsLabel = new QLabel(QStringLiteral("&Units"), this);
  unitsLabel->setFont(font);
  unitsLabel->setBuddy(FUnitsBox);
  connect(FUnitsBox, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { SetPlotUnits(index == 1 ? puIP : puSI); });
  auto* options = new QHBoxLayout;
  options->setContentsMargins(0, 0, 0, 0);
  options->addWidget(FCBResiduals);
  options->addSpacing(12);
  options->addWidget(unitsLabel);
  options->addWidget(FUnitsBox);
  options->addStretch(1);
  // The check box above the equations; the table, when shown, below it.
  labels->insertLayout(0, options);
  FResidualTable = new QTableWidget(0, 7, this);
  NameControl(FResidualTable, QStringLiteral("ResidualTable"));
  FResidualTable->setAccessibleName(QStringLiteral("Residuals"));
  FResidualTable->setFont(font);
  FResidualTable->setHorizontalHeaderLabels(
      {QString::fromUtf8("Q m³/s"), QStringLiteral("Ps Pa"), QStringLiteral("%"), QStringLiteral("Pw kW"),
       QStringLiteral("%"), QStringLiteral("Lw dB"), QStringLiteral("%")});
  FResidualTable->setToolTip(
      QStringLiteral("Tested less fitted value of each point; the largest of each fit in bold"));
  FResidualTable->setMinimumHeight(6 * (QFontMetrics(font).height() + 3));
  FResidualTable->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 3);
  FResidualTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  FResidualTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FResidualTable->setVisible(false);
  labels->insertWidget(1, FResidualTable, 100);
  FBandTable = CreateBandTable(this, font);
  labels->insertWidget(2, FBandTable, 100);
  labels->addStretch(1);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(7);
  grid->setVerticalSpacing(10);
  grid->addWidget(FGraphPanel1, 0, 0);
  grid->addWidget(FGraphPanel2, 0, 1);
  grid->addWidget(FGraphPanel3, 1, 0);
  grid->addLayout(labels, 1, 1);
  grid->setRowStretch(0, 1);
  grid->setRowStretch(1, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);

  setTabOrder(FGraphPanel1, FLabel5);
  setTabOrder(FLabel5, FLabel6);
  setTabOrder(FLabel6, FLabel7);
}

TModelView::~TModelView() = default;

TGraphPanel* TModelView::CreatePanel(const char* name, const QString& caption) {
  auto* panel = new TGraphPanel(this);
  NameControl(panel, QString::fromLatin1(name));
  panel->SetBevelOuter(bvNone);
  panel->SetColor(WindowColor());
  panel->SetAxesColor(WindowTextColor());
  panel->SetGridColor(White);
  panel->SetLeftMargin(40);
  panel->SetRightMargin(20);
  panel->SetTopMargin(25);
  panel->SetBottomMargin(40);
  panel->SetLimits(false, 0, 10, 0, 10);
  const QFont scaleFont = ProgramFont(QStringLiteral("Tahoma"), 8);
  panel->SetScaleXFont(scaleFont);
  panel->SetScaleYFont(scaleFont);
  panel->SetScaleXTicks(6);
  panel->SetScaleYTicks(6);
  panel->SetShowXScale(true);
  panel->SetShowYScale(true);
  panel->SetAxisType(xtQuad1);
  panel->SetPlotMode(pmLineMode);
  panel->SetCaption(caption);
  panel->setMinimumSize(225, 158);
  return panel;
}

QImage TModelView::PlainPixelPicture(const TGraphPanel* panel) const {
  // One pixel in the panel's colour between two pixels of the transparent
  // colour: drawn centred, it sets exactly the data point's pixel, as the
  // panel does when it has no picture at all.
  const QColor background = BgrToQColor(panel->Color());
  const QColor key = BgrToQColor(panel->Color() ^ 0xFFFFFFu);
  QImage image(1, 3, QImage::Format_RGB32);
  image.setPixelColor(0, 0, key);
  image.setPixelColor(0, 1, background);
  image.setPixelColor(0, 2, key);
  return image;
}

QStringList TModelView::LoadMarkers(const QString& folder) {
  QStringList missing;
  const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
  auto load = [&](const char* name, QImage& picture) {
    if (!picture.load(base + QLatin1String(name)) || picture.isNull()) {
      picture = PlainPixelPicture(FGraphPanel1);
      missing.append(QString::fromLatin1(name));
    }
  };
  load("normalbmp.bmp", FNormalBmp);
  load("selectbmp.bmp", FSelectBmp);
  load("nominalbmp.bmp", FNominalBmp);
  return missing;
}

void TModelView::ShowModel(const std::string& name) {
  std::exception_ptr failure;
  try {
    FFan.SelectModel(name);
  } catch (const EConvertError&) {
    // The model was only partly read (Status 5): nothing of it is drawn.
    failure = std::current_exception();
  }
  FSelectedPoint = 0;
  ShowFit(ckPressure, FGraphPanel1, FLabel2, FLabel5, FPsCoeffs);
  ShowFit(ckPower, FGraphPanel2, FLabel3, FLabel6, FPwCoeffs);
  ShowFit(ckSound, FGraphPanel3, FLabel4, FLabel7, FLwCoeffs);
  FillResidualTable();
  FillBandTable(FBandTable, FFan.Model());
  if (failure) std::rethrow_exception(failure);
}

void TModelView::ShowFit(TCurveKind kind, TGraphPanel*, QLabel* summary, QLabel* equation,
                         std::vector<double>& coeffs) {
  TCurveFit fit = FitCurve(FFan.Model(), kind);
  coeffs = std::move(fit.Coeffs);
  // The residuals of a model whose read was abandoned are not shown.
  FResiduals[kind] =
      FFan.CurrentModel() ? CurveResiduals(FFan.Model(), kind, coeffs, fit.ErrorCode) : TFitResiduals();
  const std::string largest = LargestResidualText(FResiduals[kind], kind);
  summary->setText(QString::fromStdString(largest.empty() ? fit.Summary : fit.Summary + "; " + largest));
  FSiEquations[kind] = fit.Equation;
  equation->setText(QString::fromStdString(fit.Equation));
  FFitWindows[kind] = {fit.HasLimits, fit.XMin, fit.XMax, fit.YMin, fit.YMax};
  if (FPlotUnits != puSI) ShowEquation(kind);
  ApplyPanelMode(kind);
}

TCurveUnits TModelView::Units(TCurveKind kind) const {
  return FShowResiduals ? CurveUnitsOf(kind, puSI) : CurveUnitsOf(kind, FPlotUnits);
}

void TModelView::ShowEquation(TCurveKind kind) {
  // The same curve with its coefficients for the units shown.
  // SI is the fit's own text.
  QLabel* label = kind == ckPressure ? FLabel5 : kind == ckPower ? FLabel6 : FLabel7;
  const std::vector<double>& coeffs = kind == ckPressure ? FPsCoeffs
                                      : kind == ckPower  ? FPwCoeffs
                                                         : FLwCoeffs;
  if (FPlotUnits == puSI || FSiEquations[kind].empty()) {
    label->setText(QString::fromStdString(FSiEquations[kind]));
    return;
  }
  const TCurveUnits u = CurveUnitsOf(kind, FPlotUnits);
  const TCurveSpec& spec = CurveSpec(kind);
  label->setText(QString::fromStdString(
      PolyToStr(ScaleCoefficients(coeffs, u.XFactor, u.YFactor), spec.Format, spec.YName, "Q")));
}

void TModelView::SetPlotUnits(TPlotUnits units) {
  if (FUnitsBox->currentIndex() != (units == puIP ? 1 : 0)) FUnitsBox->setCurrentIndex(units == puIP ? 1 : 0);
  if (FPlotUnits == units) return;
  FPlotUnits = units;
  for (TCurveKind kind : {ckPressure, ckPower, ckSound}) {
    ShowEquation(kind);
    ApplyPanelMode(kind);
  }
}

TGraphPanel* TModelView::Panel(TCurveKind kind) const {
  return kind == ckPressure ? FGraphPanel1 : kind == ckPower ? FGraphPanel2 : FGraphPanel3;
}

namespace {

// A symmetric residual window: the smallest of 1, 2 and 5 times a power of
// ten that holds a quarter more than the largest residual, so that the
// scale's labels come out round. 3.76 -> 5; 0.13 -> 0.2; 0 -> 1.
double ResidualWindow(double largest) {
  if (!(largest > 0) || !std::isfinite(largest)) return 1;
  const double wanted = 1.25 * largest;
  const double decade = std::pow(10.0, std::floor(std::log10(wanted)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * decade >= wanted) return m * decade;
  return 10 * decade;
}

}  // namespace

double TModelView::ResidualScale(TCurveKind kind) const {
  // Power residuals below a kilowatt read better in watts.
  if (kind != ckPower) return 1;
  double largest = 0;
  for (const TPointResidual& p : FResiduals[kind].Points)
    if (std::isfinite(p.Residual)) largest = std::max(largest, std::fabs(p.Residual));
  return largest < 0.8 ? 1000 : 1;
}

void TModelView::ApplyPanelMode(TCurveKind kind) {
  TGraphPanel* panel = Panel(kind);
  const TFitWindow& w = FFitWindows[kind];
  if (!FShowResiduals) {
    // SI is what the file holds: the caption says nothing more then.
    const TCurveUnits u = Units(kind);
    QString caption = QString::fromLatin1(CurveSpec(kind).Caption);
    if (FPlotUnits == puIP)
      caption +=
          QStringLiteral(" [%1, %2]").arg(QString::fromStdString(u.YLabel), QString::fromStdString(u.XLabel));
    panel->SetCaption(caption);
    if (w.Has)
      panel->SetLimits(true, w.XMin * u.XFactor, w.XMax * u.XFactor, w.YMin * u.YFactor, w.YMax * u.YFactor);
  } else {
    const double scale = ResidualScale(kind);
    double largest = 0;
    for (const TPointResidual& p : FResiduals[kind].Points)
      if (std::isfinite(p.Residual)) largest = std::max(largest, std::fabs(p.Residual) * scale);
    const double half = ResidualWindow(largest);
    panel->SetCaption(QStringLiteral("%1 residuals [%2]")
                          .arg(QString::fromLatin1(CurveSpec(kind).YName),
                               scale == 1 ? QString::fromLatin1(CurveUnit(kind)) : QStringLiteral("W")));
    if (w.Has) panel->SetLimits(true, w.XMin, w.XMax, -half, half);
  }
  panel->repaint();
}

void TModelView::SetShowResiduals(bool on) {
  if (FCBResiduals->isChecked() != on) FCBResiduals->setChecked(on);  // comes back here once
  if (FShowResiduals == on) return;
  FShowResiduals = on;
  // The table takes the place of the equations and summaries (the largest
  // residual of each fit is bold in it).
  FResidualTable->setVisible(on);
  for (QLabel* label : {static_cast<QLabel*>(FLabel5), static_cast<QLabel*>(FLabel6),
                        static_cast<QLabel*>(FLabel7), FLabel2, FLabel3, FLabel4})
    label->setVisible(!on);
  for (TCurveKind kind : {ckPressure, ckPower, ckSound}) ApplyPanelMode(kind);
}

void TModelView::FillResidualTable() {
  const std::size_t rows =
      std::max({FResiduals[0].Points.size(), FResiduals[1].Points.size(), FResiduals[2].Points.size()});
  FResidualTable->setRowCount(static_cast<int>(rows));
  // Power residuals in the unit of their plot (W below a kilowatt).
  const double powerScale = ResidualScale(ckPower);
  FResidualTable->horizontalHeaderItem(3)->setText(powerScale == 1 ? QStringLiteral("Pw kW")
                                                                   : QStringLiteral("Pw W"));
  for (std::size_t i = 0; i < rows; ++i) {
    const int row = static_cast<int>(i);
    const auto put = [&](int column, const QString& text, bool bold) {
      auto* item = new QTableWidgetItem(text);
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (bold) {
        QFont f = FResidualTable->font();
        f.setBold(true);
        item->setFont(f);
      }
      FResidualTable->setItem(row, column, item);
    };
    // The tested flow of the row, from the first fit that has the point.
    QString flow;
    for (const TFitResiduals& r : FResiduals)
      if (i < r.Points.size()) {
        flow = QString::fromStdString(FormatGeneral(r.Points[i].Flow, 4));
        break;
      }
    put(0, flow, false);
    for (int k = 0; k < 3; ++k) {
      const TFitResiduals& r = FResiduals[static_cast<std::size_t>(k)];
      const bool has = i < r.Points.size();
      const bool largest = has && r.Largest == row;
      const double scale = k == ckPower ? powerScale : 1;
      put(1 + 2 * k, has ? QString::fromStdString(FormatGeneral(r.Points[i].Residual * scale, 4)) : QString(),
          largest);
      put(2 + 2 * k,
          has && !std::isnan(r.Points[i].Percent)
              ? QString::fromStdString(FormatFixed(r.Points[i].Percent, 2))
              : QString(),
          largest);
    }
  }
}

void TModelView::PlotResiduals(TGraphPanel* panel, TCurveKind kind) {
  // The zero line, then each point's residual as a stem from it and its marker.
  const TFitResiduals& r = FResiduals[kind];
  if (r.Points.empty()) return;
  const double scale = ResidualScale(kind);
  const unsigned axis = WindowTextColor();
  panel->NewLine = true;
  panel->PlotTo(axis, r.Points.front().Flow, 0);
  panel->PlotTo(axis, r.Points.back().Flow, 0);
  for (const TPointResidual& p : r.Points) {
    panel->NewLine = true;
    panel->PlotTo(PureRed, p.Flow, 0);
    panel->PlotTo(PureRed, p.Flow, p.Residual * scale);
  }
  for (std::size_t i = 0; i < r.Points.size(); ++i) {
    if (kind == ckPressure) panel->SetCross(static_cast<int>(i) == FSelectedPoint ? FSelectBmp : FNormalBmp);
    panel->RestoreBackground = false;
    panel->PlotMarker(r.Points[i].Flow, r.Points[i].Residual * scale);
  }
  if (kind == ckPressure) panel->SetCross(FNormalBmp);
}

void TModelView::RepaintPlots() {
  for (TGraphPanel* panel : {FGraphPanel1, FGraphPanel2, FGraphPanel3}) panel->update();
}

int TModelView::NearestPoint(double x) const {
  return blowden::NearestPoint(FFan.Model().Qa, FFan.Model().Count, x);
}

void TModelView::SetSelectedPoint(int index) {
  FSelectedPoint = index;
  FGraphPanel1->update();
}

void TModelView::PlotPressure(TGraphPanel* panel) {
  // The plots and their points are there while the fan's last operation (a
  // load, a model read, a verification) left a usable model.
  if (!FFan.Outcome()) return;
  if (FShowResiduals) {
    PlotResiduals(panel, ckPressure);
    return;
  }
  const auto flows = CurveFlows(FFan.Model(), ckPressure);
  const auto values = CurveValues(FFan.Model(), ckPressure);
  const int n = int(flows.size());
  const TCurveUnits u = Units(ckPressure);

  panel->SetCross(FNormalBmp);
  for (int i = 0; i < n; ++i) {
    panel->RestoreBackground = false;
    panel->PlotMarker(flows[std::size_t(i)] * u.XFactor, values[std::size_t(i)] * u.YFactor);
  }
  panel->SetCross(FNominalBmp);
  panel->RestoreBackground = false;
  panel->PlotMarker(FFan.Model().QaNom * u.XFactor, PolyValue(FPsCoeffs, FFan.Model().QaNom) * u.YFactor);
  if (FSelectedPoint >= 0 && FSelectedPoint < n) {
    panel->SetCross(FSelectBmp);
    panel->RestoreBackground = false;
    panel->PlotMarker(flows[std::size_t(FSelectedPoint)] * u.XFactor,
                      values[std::size_t(FSelectedPoint)] * u.YFactor);
  }
  panel->SetCross(FNormalBmp);
  PlotCurve(panel, ckPressure, FPsCoeffs);
}

void TModelView::PlotPower(TGraphPanel* panel) {
  if (!FFan.Outcome()) return;
  if (FShowResiduals) {
    PlotResiduals(panel, ckPower);
    return;
  }
  const auto flows = CurveFlows(FFan.Model(), ckPower);
  const auto values = CurveValues(FFan.Model(), ckPower);
  const TCurveUnits u = Units(ckPower);
  for (std::size_t i = 0; i < flows.size(); ++i) {
    panel->RestoreBackground = false;
    panel->PlotMarker(flows[i] * u.XFactor, values[i] * u.YFactor);
  }
  PlotCurve(panel, ckPower, FPwCoeffs);
}

void TModelView::PlotSound(TGraphPanel* panel) {
  if (!FFan.Outcome()) return;
  if (FShowResiduals) {
    PlotResiduals(panel, ckSound);
    return;
  }
  const auto flows = CurveFlows(FFan.Model(), ckSound);
  const auto values = CurveValues(FFan.Model(), ckSound);
  const TCurveUnits u = Units(ckSound);
  for (std::size_t i = 0; i < flows.size(); ++i) {
    panel->RestoreBackground = false;
    panel->PlotMarker(flows[i] * u.XFactor, values[i] * u.YFactor);
  }
  PlotCurve(panel, ckSound, FLwCoeffs);
}

void TModelView::PlotCurve(TGraphPanel* panel, TCurveKind kind, const std::vector<double>& coeffs) {
  // The fit as a red polyline of 101 points across the measured flows.
  const auto flows = CurveFlows(FFan.Model(), kind);
  if (flows.empty()) return;
  const double first = flows.front();
  const double last = flows.back();
  const TCurveUnits u = Units(kind);
  panel->NewLine = true;
  for (int i = 0; i <= 100; ++i) {
    const double x = (last - first) * i / 100 + first;
    panel->PlotTo(PureRed, x * u.XFactor, PolyValue(coeffs, x) * u.YFactor);
  }
}

void TModelView::GraphPanel1MouseDown(int x, int y) {
  if (!FFan.Outcome()) return;
  double flow = 0, pressure = 0;
  FGraphPanel1->PixelToValue(x, y, flow, pressure);
  SetSelectedPoint(NearestPoint(flow / Units(ckPressure).XFactor));
}

void TModelView::CopyEquation(QLabel* label) { QGuiApplication::clipboard()->setText(label->text()); }

void TModelView::Label5MouseDown() { CopyEquation(FLabel5); }
void TModelView::Label6MouseDown() { CopyEquation(FLabel6); }
void TModelView::Label7MouseDown() { CopyEquation(FLabel7); }

bool TModelView::PanelKey(int key) {
  if (!FFan.Outcome()) return false;
  const int n = int(CurveFlows(FFan.Model(), ckPressure).size());
  if (n <= 0) return false;
  int index = qBound(0, FSelectedPoint, n - 1);
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Down:
      index = qMax(0, index - 1);
      break;
    case Qt::Key_Right:
    case Qt::Key_Up:
      index = qMin(n - 1, index + 1);
      break;
    case Qt::Key_Home:
      index = 0;
      break;
    case Qt::Key_End:
      index = n - 1;
      break;
    default:
      return false;
  }
  SetSelectedPoint(index);
  return true;
}

bool TModelView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != FGraphPanel1) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
      FGraphPanel1->setFocus(Qt::MouseFocusReason);
      GraphPanel1MouseDown(at.x(), at.y());
      return true;
    }
    case QEvent::KeyPress:
      return PanelKey(static_cast<QKeyEvent*>(event)->key());
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      FGraphPanel1->update();
      return false;
    case QEvent::Paint: {
      // The panel paints itself; the focus frame goes on top.
      static_cast<QObject*>(FGraphPanel1)->event(event);
      if (FGraphPanel1->hasFocus()) {
        QPainter painter(FGraphPanel1);
        QStyleOptionFocusRect option;
        option.initFrom(FGraphPanel1);
        option.rect = FGraphPanel1->rect().adjusted(1, 1, -1, -1);
        FGraphPanel1->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, FGraphPanel1);
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace blowden
