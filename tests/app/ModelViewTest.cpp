#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <cmath>

#include "AppTestSupport.h"
#include "app/Controls.h"
#include "app/Main.h"
#include "app/ModelView.h"
#include "charts/ChartSupport.h"
#include "charts/widgets/QmGraphPanel.h"
#include "fan/PlotUnits.h"
#include "fan/QmFan.h"
#include "numeric/Regress.h"

namespace blowden {
namespace {

using test::GoodFanFile;
using test::OpenMainForm;
using test::TAppWorld;
using test::ToQ;

const QRgb Red = qRgb(255, 0, 0);
const QRgb Navy = qRgb(0, 0, 128);      // normalbmp.bmp
const QRgb Green = qRgb(0, 140, 0);     // nominalbmp.bmp
const QRgb Orange = qRgb(230, 110, 0);  // selectbmp.bmp

// The pixel of a data point, as the panel maps it after a paint.
QPoint PixelOf(const TGraphPanel* panel, double x, double y) {
  return QPoint(panel->PlotRect().left() + int(std::trunc(std::fabs(x - panel->XMin()) * panel->XScale())),
                panel->PlotRect().bottom() - int(std::trunc(std::fabs(y - panel->YMin()) * panel->YScale())));
}

// Pixels of `colour` within `radius` of `at`.
int CountNear(const QImage& image, QPoint at, int radius, QRgb colour) {
  int count = 0;
  for (int y = at.y() - radius; y <= at.y() + radius; ++y)
    for (int x = at.x() - radius; x <= at.x() + radius; ++x)
      if (image.rect().contains(x, y) && (image.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu)) ++count;
  return count;
}

int CountColour(const QImage& image, QRgb colour) {
  return CountNear(image, image.rect().center(), 2000, colour);
}

class ModelView : public testing::Test {
 protected:
  void SetUp() override {
    Path = World.WriteFan("fx.qfn", GoodFanFile());
    Form = OpenMainForm(World.FansFolder());
    test::ClickRow(Form->FileListBox1(), 0);
    Form->PageControl1()->setCurrentIndex(1);
    View = Form->ModelView();
  }
  TAppWorld World;
  QString Path;
  std::unique_ptr<TBlowdenForm> Form;
  TModelView* View = nullptr;
};

TEST_F(ModelView, ShowsTheThreeFits) {
  const TFanModel& model = Form->Fan().Model();
  ASSERT_EQ(model.Name, "F400");
  struct Case {
    const char* name;
    TGraphPanel* panel;
    QLabel* summary;
    QLabel* equation;
    TCurveKind kind;
    const std::vector<double>& coeffs;
  };
  const Case cases[] = {
      {"pressure", View->GraphPanel1(), View->Label2(), View->Label5(), ckPressure, View->PsCoeffs()},
      {"power", View->GraphPanel2(), View->Label3(), View->Label6(), ckPower, View->PwCoeffs()},
      {"sound", View->GraphPanel3(), View->Label4(), View->Label7(), ckSound, View->LwCoeffs()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TCurveFit fit = FitCurve(model, c.kind);
    EXPECT_EQ(c.panel->Caption(), QString::fromLatin1(CurveSpec(c.kind).Caption));
    // The fit's summary, then its largest residual.
    EXPECT_EQ(c.summary->text(),
              ToQ(fit.Summary + "; " +
                  LargestResidualText(CurveResiduals(model, c.kind, fit.Coeffs, fit.ErrorCode), c.kind)));
    EXPECT_TRUE(c.summary->text().startsWith(c.kind == ckSound ? QStringLiteral("order=2, points=8, r")
                                                               : QStringLiteral("order=3, points=8, r")));
    EXPECT_EQ(c.equation->text(), ToQ(fit.Equation));
    EXPECT_EQ(c.coeffs.size(), c.kind == ckSound ? 3u : 4u);
    EXPECT_DOUBLE_EQ(c.panel->XMin(), 0.5);
    EXPECT_DOUBLE_EQ(c.panel->XMax(), 2.6);
  }
  EXPECT_NEAR(View->GraphPanel1()->YMin(), 0.1 * 270, 1e-9);
  EXPECT_NEAR(View->GraphPanel1()->YMax(), 1.5 * 620, 1e-9);
  EXPECT_NEAR(View->GraphPanel2()->YMin(), 0.5 * 0.60, 1e-12);
  EXPECT_NEAR(View->GraphPanel2()->YMax(), 1.5 * 1.14, 1e-12);
  EXPECT_NEAR(View->GraphPanel3()->YMin(), 0.9 * 79, 1e-9);
  EXPECT_NEAR(View->GraphPanel3()->YMax(), 1.1 * 84.8, 1e-9);
  EXPECT_TRUE(View->Label5()->text().startsWith(QStringLiteral("Ps = ")));
  EXPECT_TRUE(View->Label7()->text().startsWith(QStringLiteral("Lw = ")));
}

// IP units: the same curves and points, in cfm, InchWg and HP; the equations
// are those of the curves in these units; the choice survives a restart.
TEST_F(ModelView, PlotsAndEquationsInIpUnits) {
  const std::string siEquation = View->Label5()->text().toStdString();
  const std::vector<double> ps = View->PsCoeffs();
  View->UnitsBox()->setCurrentIndex(1);
  emit View->UnitsBox()->activated(1);
  EXPECT_EQ(View->PlotUnits(), puIP);
  const double cfm = CurveUnitsOf(ckPressure, puIP).XFactor;
  const double inchWgPerPa = CurveUnitsOf(ckPressure, puIP).YFactor;
  const double hp = CurveUnitsOf(ckPower, puIP).YFactor;
  EXPECT_NEAR(cfm, 2118.88, 0.01);
  EXPECT_NEAR(inchWgPerPa, 0.0040146, 1e-7);
  EXPECT_NEAR(hp, 1.34102, 1e-5);
  EXPECT_EQ(View->GraphPanel1()->Caption(), "Ps vs Q [InchWg, cfm]");
  EXPECT_EQ(View->GraphPanel2()->Caption(), "Pw vs Q [HP, cfm]");
  EXPECT_EQ(View->GraphPanel3()->Caption(), "Lw vs Q [dB, cfm]");
  EXPECT_NEAR(View->GraphPanel1()->XMax(), 2.6 * cfm, 1e-6);
  EXPECT_NEAR(View->GraphPanel1()->YMax(), 1.5 * 620 * inchWgPerPa, 1e-9);
  EXPECT_NEAR(View->GraphPanel2()->YMax(), 1.5 * 1.14 * hp, 1e-9);
  EXPECT_NEAR(View->GraphPanel3()->YMax(), 1.1 * 84.8, 1e-9);
  const std::vector<double> ip = ScaleCoefficients(ps, cfm, inchWgPerPa);
  EXPECT_EQ(View->Label5()->text(), ToQ(PolyToStr(ip, "%0.4g", "Ps", "Q")));
  // The curve is the same one: at 1.5 m³/s both give the same pressure.
  EXPECT_NEAR(PolyValue(ip, 1.5 * cfm), PolyValue(ps, 1.5) * inchWgPerPa, 1e-9);
  // A click picks by the flow shown.
  View->GraphPanel1()->Paint();
  const QPoint at = PixelOf(View->GraphPanel1(), 2.5 * cfm, 1.0);
  View->GraphPanel1MouseDown(at.x(), at.y());
  EXPECT_EQ(View->SelectedPoint(), 7);

  Form->Exit1()->trigger();
  Form.reset();
  auto again = OpenMainForm(World.FansFolder());
  EXPECT_EQ(again->ModelView()->PlotUnits(), puIP);
  again->ModelView()->SetPlotUnits(puSI);
  test::ClickRow(again->FileListBox1(), 0);
  EXPECT_EQ(again->ModelView()->Label5()->text().toStdString(), siEquation);
  EXPECT_EQ(again->ModelView()->GraphPanel1()->Caption(), "Ps vs Q");
}

TEST_F(ModelView, PlotsDrawMarkersAndTheRedCurve) {
  TGraphPanel* panel = View->GraphPanel1();
  panel->Paint();
  const QImage& image = panel->Image();
  const TFanModel& model = Form->Fan().Model();
  // The red fit runs inside the plot area.
  const int red = CountColour(image, Red);
  EXPECT_GT(red, 100);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) == (Red & 0xFFFFFF)) {
        ASSERT_TRUE(panel->PlotRect().contains(x, y));
      }
    }
  }
  // Point 0 carries the picked-point ring, the others the data marker.
  EXPECT_GT(CountNear(image, PixelOf(panel, model.Qa[0], model.Ps[0]), 6, Orange), 10);
  for (int i = 1; i < model.Count; ++i) {
    SCOPED_TRACE(i);
    EXPECT_GT(CountNear(image, PixelOf(panel, model.Qa[std::size_t(i)], model.Ps[std::size_t(i)]), 3, Navy),
              6);
  }
  // The nominal point sits on the fitted curve at QaNom (1.5 m³/s).
  const QPoint nominal = PixelOf(panel, model.QaNom, PolyValue(View->PsCoeffs(), model.QaNom));
  EXPECT_GT(CountNear(image, nominal, 4, Green), 20);

  // The power and sound plots carry the maroon ring and their own fit.
  for (TGraphPanel* other : {View->GraphPanel2(), View->GraphPanel3()}) {
    other->Paint();
    EXPECT_GT(CountColour(other->Image(), Red), 100);
    EXPECT_GT(CountColour(other->Image(), qRgb(128, 0, 0)), 8 * 10);
  }
}

TEST_F(ModelView, AClickPicksTheNearestPoint) {
  TGraphPanel* panel = View->GraphPanel1();
  panel->Paint();
  const TFanModel& model = Form->Fan().Model();
  struct Case {
    const char* name;
    double flow;
    int expected;
  };
  const Case cases[] = {
      {"on point 5", model.Qa[5], 5},
      {"a little right of point 2", model.Qa[2] + 0.1, 2},
      {"left of the first", model.Qa[0] - 1, 0},
      {"right of the last", model.Qa[7] + 1, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int x = panel->PlotRect().left() + int(std::lround((c.flow - panel->XMin()) * panel->XScale()));
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(qBound(0, x, panel->width() - 1), 40));
    EXPECT_EQ(View->SelectedPoint(), c.expected);
  }
  panel->Paint();
  EXPECT_GT(CountNear(panel->Image(), PixelOf(panel, model.Qa[7], model.Ps[7]), 6, Orange), 10);
  EXPECT_EQ(CountNear(panel->Image(), PixelOf(panel, model.Qa[0], model.Ps[0]), 6, Orange), 0);
}

TEST_F(ModelView, TheKeyboardMovesThePick) {
  TGraphPanel* panel = View->GraphPanel1();
  QTest::keyClick(panel, Qt::Key_Right);
  QTest::keyClick(panel, Qt::Key_Right);
  EXPECT_EQ(View->SelectedPoint(), 2);
  QTest::keyClick(panel, Qt::Key_Left);
  EXPECT_EQ(View->SelectedPoint(), 1);
  QTest::keyClick(panel, Qt::Key_End);
  EXPECT_EQ(View->SelectedPoint(), 7);
  QTest::keyClick(panel, Qt::Key_Right);
  EXPECT_EQ(View->SelectedPoint(), 7);
  QTest::keyClick(panel, Qt::Key_Home);
  EXPECT_EQ(View->SelectedPoint(), 0);
}

TEST_F(ModelView, AnotherModelStartsAtThFirstPoint) {
  View->SetSelectedPoint(6);
  test::ClickRow(Form->FansListBox(), 1);
  EXPECT_EQ(Form->Fan().Model().Name, "F500");
  EXPECT_EQ(View->SelectedPoint(), 0);
}

TEST_F(ModelView, EquationsAreCopiedToTheClipboard) {
  QGuiApplication::clipboard()->clear();
  QTest::mouseClick(View->Label5(), Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), View->Label5()->text());
  QTest::mouseClick(View->Label6(), Qt::RightButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), View->Label6()->text());
  QTest::keyClick(View->Label7(), Qt::Key_Return);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), View->Label7()->text());
  EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Lw = ")));
}

TEST_F(ModelView, AModelThatCannotBeReadLeavesEmptyFrames) {
  World.WriteFan(
      "fx.qfn",
      "[Catalog]\nRange=X\n[M]\nModel=400,1450,900,1600,0,0,1\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n");
  test::ClickRow(Form->FileListBox1(), 0);
  EXPECT_EQ(World.Boxes(), QStringList{QStringLiteral("Blowden: Bad area specification...")});
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Not a Orvane fan file..."));
  View->GraphPanel1()->Paint();
  EXPECT_EQ(CountColour(View->GraphPanel1()->Image(), Red), 0);
  const int before = View->SelectedPoint();
  View->SetSelectedPoint(before);
  QTest::mouseClick(View->GraphPanel1(), Qt::LeftButton, {}, QPoint(200, 40));
  EXPECT_EQ(View->SelectedPoint(), before);
}

TEST_F(ModelView, VerificationShowsTheSelectedModelAgain) {
  ASSERT_EQ(Form->Fan().Model().Name, "F400");
  Form->ActionVerifyFan()->trigger();
  EXPECT_EQ(Form->Fan().Model().Name, "F400");
  EXPECT_EQ(Form->Fan().Status(), fsReady);
}

TEST(ModelViewMarkers, AMissingPictureDrawsThePlainPixel) {
  TAppWorld world;
  QFile::remove(world.ProgramFolder() + QStringLiteral("normalbmp.bmp"));
  world.WriteFan("fx.qfn", GoodFanFile());
  auto form = test::OpenMainForm(world.FansFolder());
  TModelView* view = form->ModelView();
  // A background the plot fill does not share, so the pixel can be seen.
  view->GraphPanel1()->SetColor(0x00FFFF);
  EXPECT_EQ(view->LoadMarkers(world.ProgramFolder()), QStringList{QStringLiteral("normalbmp.bmp")});
  test::ClickRow(form->FileListBox1(), 0);
  TGraphPanel* panel = view->GraphPanel1();
  panel->Paint();
  const TFanModel& model = form->Fan().Model();
  for (int i = 0; i < model.Count; ++i)
    EXPECT_EQ(CountNear(panel->Image(), PixelOf(panel, model.Qa[std::size_t(i)], model.Ps[std::size_t(i)]), 3,
                        Navy),
              0);
  // The marker the plot draws for a data point, at an empty place of the plot.
  const double x = panel->XMin() + 0.1 * (panel->XMax() - panel->XMin());
  const double y = panel->YMax() * 0.95;
  panel->SetCross(view->NormalBmp());
  panel->RestoreBackground = false;
  panel->PlotMarker(x, y);
  const QPoint at = PixelOf(panel, x, y);
  EXPECT_EQ(panel->Image().pixel(at) & 0xFFFFFF, qRgb(255, 255, 0) & 0xFFFFFF);
  EXPECT_EQ(panel->Image().pixel(at + QPoint(0, 1)) & 0xFFFFFF, 0xFFFFFFu) << "the plot's white stays";
  EXPECT_EQ(panel->Image().pixel(at - QPoint(0, 1)) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(CountNear(panel->Image(), at, 3, qRgb(255, 255, 0)), 1);
}

}  // namespace
}  // namespace blowden
