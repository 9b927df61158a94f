#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <filesystem>

#include "ReportTestSupport.h"
#include "charts/ChartPicture.h"
#include "charts/SelectorChartView.h"
#include "fan/FanCurves.h"
#include "fan/QmFan.h"
#include "report/DatasheetLayout.h"
#include "report/PdfStamp.h"
#include "support/TestSupport.h"

namespace blowden::test {
namespace {

std::string ExactFile() { return (blowden::test::SourceDir() / "tests/cli/data/exact.qfn").string(); }

// ---------------------------------------------------------------- the data table's fit

struct TFitCase {
  int Rows;
  double Height;
  int MaxBlocks;
  int Blocks;
  int RowsPerBlock;
  double RowHeight;
  bool Fits;
  int MinBlocks = 1;
};

class FitDataTableTest : public ::testing::TestWithParam<TFitCase> {};

TEST_P(FitDataTableTest, LargestRowsInFewestBlocks) {
  const TFitCase& c = GetParam();
  const TTableFit fit = FitDataTable(c.Rows, c.Height, c.MaxBlocks, c.MinBlocks);
  EXPECT_EQ(fit.Blocks, c.Blocks);
  EXPECT_EQ(fit.RowsPerBlock, c.RowsPerBlock);
  EXPECT_DOUBLE_EQ(fit.RowHeight, c.RowHeight);
  EXPECT_EQ(fit.Fits, c.Fits);
  // Whatever the case, the rows drawn never run past the height given.
  const double header = std::max(fit.RowHeight, std::clamp(fit.RowHeight * 0.74, 5.5, 8.0) * 1.5);
  EXPECT_LE(header + fit.RowsPerBlock * fit.RowHeight, c.Height + 1e-9);
  if (fit.Fits) {
    EXPECT_GE(fit.Blocks * fit.RowsPerBlock, c.Rows);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FitDataTableTest,
                         ::testing::Values(
                             // A short table: one block of full-size rows.
                             TFitCase{6, 200, 4, 1, 6, 10, true},
                             // 40 rows in 200 pt: 18 fit at 10 pt, so two blocks of 20 at 9 pt.
                             TFitCase{40, 200, 4, 2, 20, 9, true},
                             // 20 rows just fit one block once rows shrink to 9 pt.
                             TFitCase{20, 200, 4, 1, 20, 9, true},
                             // Far too many: the smallest rows, every block, as many as fit.
                             TFitCase{500, 100, 4, 4, 14, 6.5, false},
                             // No rows at all.
                             TFitCase{0, 50, 4, 1, 0, 10, true},
                             // One block allowed only: rows shrink to 6.5 pt first.
                             TFitCase{25, 180, 1, 1, 25, 6.5, true},
                             // At least two blocks asked: 12 rows as two of 6.
                             TFitCase{12, 200, 4, 2, 6, 10, true, 2}),
                         [](const ::testing::TestParamInfo<TFitCase>& info) {
                           const TFitCase& c = info.param;
                           return "Rows" + std::to_string(c.Rows) + "In" + TestName(c.Height) + "MaxBlocks" +
                                  std::to_string(c.MaxBlocks) + "MinBlocks" + std::to_string(c.MinBlocks);
                         });

// ---------------------------------------------------------------- paper

struct TPaperCase {
  QLocale::Language Language;
  QLocale::Territory Territory;
  bool Letter;
};

class PaperTest : public ::testing::TestWithParam<TPaperCase> {};

TEST_P(PaperTest, LetterWhereItIsUsedA4Elsewhere) {
  const TPaperCase& c = GetParam();
  const QLocale locale(c.Language, c.Territory);
  EXPECT_EQ(UsesLetterPaper(locale), c.Letter) << locale.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Locales, PaperTest,
                         ::testing::Values(TPaperCase{QLocale::English, QLocale::UnitedStates, true},
                                           TPaperCase{QLocale::English, QLocale::Canada, true},
                                           TPaperCase{QLocale::French, QLocale::Canada, true},
                                           TPaperCase{QLocale::Spanish, QLocale::Mexico, true},
                                           TPaperCase{QLocale::Filipino, QLocale::Philippines, true},
                                           TPaperCase{QLocale::Spanish, QLocale::Chile, true},
                                           TPaperCase{QLocale::Spanish, QLocale::Colombia, true},
                                           TPaperCase{QLocale::Spanish, QLocale::Venezuela, true},
                                           TPaperCase{QLocale::English, QLocale::UnitedKingdom, false},
                                           TPaperCase{QLocale::English, QLocale::Australia, false},
                                           TPaperCase{QLocale::German, QLocale::Germany, false},
                                           TPaperCase{QLocale::Spanish, QLocale::Spain, false},
                                           TPaperCase{QLocale::Portuguese, QLocale::Brazil, false},
                                           TPaperCase{QLocale::Japanese, QLocale::Japan, false},
                                           TPaperCase{QLocale::C, QLocale::AnyTerritory, false}),
                         [](const ::testing::TestParamInfo<TPaperCase>& info) {
                           return TestName(
                               QLocale(info.param.Language, info.param.Territory).name().toStdString());
                         });

// ---------------------------------------------------------------- reproducible stamps

struct TEpochCase {
  const char* Text;
  std::optional<long long> Expected;
};

class SourceDateEpochTest : public ::testing::TestWithParam<TEpochCase> {};

TEST_P(SourceDateEpochTest, WholeSecondsOnly) {
  TEnvVar epoch("SOURCE_DATE_EPOCH");
  epoch.Set(GetParam().Text);
  EXPECT_EQ(SourceDateEpoch(), GetParam().Expected) << "'" << GetParam().Text << "'";
}

INSTANTIATE_TEST_SUITE_P(Values, SourceDateEpochTest,
                         ::testing::Values(TEpochCase{"1700000000", 1700000000LL}, TEpochCase{"0", 0LL},
                                           TEpochCase{"", std::nullopt}, TEpochCase{"abc", std::nullopt},
                                           TEpochCase{"-5", std::nullopt}, TEpochCase{"12x", std::nullopt},
                                           TEpochCase{"1.5", std::nullopt}),
                         [](const ::testing::TestParamInfo<TEpochCase>& info) {
                           return TestName(info.param.Text);
                         });

TEST(SourceDateEpoch, UnsetIsNothing) {
  TEnvVar epoch("SOURCE_DATE_EPOCH");
  epoch.Unset();
  EXPECT_EQ(SourceDateEpoch(), std::nullopt);
}

QByteArray FakePdf(const QByteArray& date, const QByteArray& id) {
  return "%PDF-1.4\n1 0 obj\n<<\n/Producer (Qt)\n/CreationDate (" + date +
         ")\n>>\nendobj\nxref\n0 1\n0000000000 65535 f \ntrailer\n<<\n/Size 2\n/ID [<" + id + "> <" + id +
         ">]\n>>\nstartxref\n40\n%%EOF\n";
}

struct TStampCase {
  QByteArray Date;      // as the writer wrote it
  QByteArray Expected;  // after the stamp at 1700000000
};

class StampPdfTest : public ::testing::TestWithParam<TStampCase> {};

TEST_P(StampPdfTest, SameLengthDateAndDigestId) {
  QByteArray pdf = FakePdf(GetParam().Date, "0123456789abcdef0123456789abcdef");
  const qsizetype size = pdf.size();
  ASSERT_EQ(StampPdf(pdf, 1700000000), "");
  EXPECT_EQ(pdf.size(), size);  // the cross-reference offsets stay valid
  EXPECT_TRUE(pdf.contains("/CreationDate (" + GetParam().Expected + ")")) << pdf.constData();
  EXPECT_FALSE(pdf.contains("0123456789abcdef0123456789abcdef"));
  // The new id is the same whatever the old one was: it depends on the rest only.
  QByteArray other = FakePdf(GetParam().Date, "fedcba9876543210fedcba9876543210");
  ASSERT_EQ(StampPdf(other, 1700000000), "");
  EXPECT_EQ(pdf, other);
}

INSTANTIATE_TEST_SUITE_P(Zones, StampPdfTest,
                         ::testing::Values(TStampCase{"D:20261208025027Z", "D:20231114221320Z"},
                                           TStampCase{"D:20261208035027+01'00'", "D:20231114221320+00'00'"},
                                           TStampCase{"D:20261207205027-06'00'", "D:20231114221320+00'00'"}),
                         [](const ::testing::TestParamInfo<TStampCase>& info) {
                           // The zone after the time: "Z", "+01'00'", "-06'00'".
                           const std::string date = info.param.Date.toStdString();
                           return "Zone" + TestName(date.substr(std::string("D:20261208035027").size()));
                         });

TEST(StampPdf, RefusesWhatItCannotReplaceExactly) {
  QByteArray noDate = "%PDF-1.4\ntrailer\n<< >>\n%%EOF\n";
  EXPECT_NE(StampPdf(noDate, 0), "");
  QByteArray odd = FakePdf("D:2026", "00");
  EXPECT_NE(StampPdf(odd, 0), "");
  // No /ID (PDF 1.4 as Qt writes it): the date alone is replaced.
  QByteArray noId = "%PDF-1.4\n<< /CreationDate (D:20261208025027Z) >>\ntrailer\n<< /Size 2 >>\n%%EOF\n";
  EXPECT_EQ(StampPdf(noId, 86400), "");
  EXPECT_TRUE(noId.contains("(D:19700102000000Z)"));
}

TEST(ReproducibleXmp, DatesTitleAndIdFromTheInputsOnly) {
  const QByteArray a =
      ReproducibleXmp(1700000000, QStringLiteral("Datasheet <A&B>"), QStringLiteral("Blowden"));
  EXPECT_TRUE(a.contains("<xmp:CreateDate>2023-11-14T22:13:20Z</xmp:CreateDate>")) << a.constData();
  EXPECT_TRUE(a.contains("Datasheet &lt;A&amp;B&gt;"));
  EXPECT_EQ(a, ReproducibleXmp(1700000000, QStringLiteral("Datasheet <A&B>"), QStringLiteral("Blowden")));
  EXPECT_NE(a, ReproducibleXmp(1700000001, QStringLiteral("Datasheet <A&B>"), QStringLiteral("Blowden")));
}

// ---------------------------------------------------------------- power curves by the fan laws

class PowerCurvesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Fan.LoadFromFile(ExactFile());
    Fan.SelectModel("E1");
    ASSERT_EQ(Fan.Status(), 0);
  }
  TFan Fan;
};

TEST_F(PowerCurvesTest, AtReferenceSpeedTheTestData) {
  const TPowerCurves c = OperatingPowerCurves(Fan, 1400, 1.0, 11);
  ASSERT_EQ(c.Flow.size(), 11u);
  EXPECT_DOUBLE_EQ(c.Flow.front(), 0.5);
  EXPECT_DOUBLE_EQ(c.Flow.back(), 3.0);
  EXPECT_NEAR(c.Power.front(), 1.25, 1e-12);
  EXPECT_NEAR(c.Power.back(), 2.5, 1e-12);
  // Total efficiency from the file's own figures at its first point:
  // Q × (Ps + ½ρv²) / Pw with the 0.4 × 0.4 m outlet.
  const double v = 0.5 / 0.16;
  EXPECT_NEAR(c.Efficiency.front(), 0.1 * 0.5 * (606.875 + 0.5 * 1.2 * v * v) / 1.25, 1e-6);
  EXPECT_NEAR(TotalEfficiency(0.5, 606.875 + 0.5 * 1.2 * v * v, 1.25), c.Efficiency.front(), 1e-12);
}

struct TLawCase {
  double SpeedRatio;
  double DensityRatio;
};

class FanLawsTest : public PowerCurvesTest, public ::testing::WithParamInterface<TLawCase> {};

TEST_P(FanLawsTest, FlowPowerAndEfficiencyScale) {
  const TLawCase& law = GetParam();
  const TPowerCurves reference = OperatingPowerCurves(Fan, 1400, 1.0, 21);
  const TPowerCurves scaled = OperatingPowerCurves(Fan, 1400 * law.SpeedRatio, law.DensityRatio, 21);
  ASSERT_EQ(scaled.Flow.size(), reference.Flow.size());
  const double n = law.SpeedRatio;
  for (std::size_t i = 0; i < reference.Flow.size(); ++i) {
    EXPECT_NEAR(scaled.Flow[i], reference.Flow[i] * n, 1e-12);
    EXPECT_NEAR(scaled.Power[i], reference.Power[i] * n * n * n * law.DensityRatio, 1e-9);
    // Pressures and power scale alike: the efficiency stays.
    EXPECT_NEAR(scaled.Efficiency[i], reference.Efficiency[i], 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(Laws, FanLawsTest,
                         ::testing::Values(TLawCase{1, 0.8}, TLawCase{0.5, 1}, TLawCase{1.1, 1.05},
                                           TLawCase{0.7, 0.9}),
                         [](const ::testing::TestParamInfo<TLawCase>& info) {
                           return "Speed" + TestName(info.param.SpeedRatio) + "Density" +
                                  TestName(info.param.DensityRatio);
                         });

TEST_F(PowerCurvesTest, NothingToDrawGivesNoCurves) {
  EXPECT_TRUE(OperatingPowerCurves(Fan, 0, 1).Flow.empty());
  EXPECT_TRUE(OperatingPowerCurves(Fan, -100, 1).Flow.empty());
  EXPECT_TRUE(OperatingPowerCurves(Fan, 1400, 1, 1).Flow.empty());
  EXPECT_TRUE(OperatingPowerCurves(Fan, 1400, std::nan(""), 11).Flow.empty());
  EXPECT_EQ(TotalEfficiency(1, 500, 0), 0);
}

// ---------------------------------------------------------------- what the tables hold

TEST(ResultRows, OneRowPerQuantityInThePagesUnits) {
  TDatasheet d;
  d.MinSpeed = 500;
  d.MaxSpeed = 1200;
  d.NominalFlow = 1.5;
  d.Result.Status = 0;
  d.Result.Speed = 1234;
  d.Result.Volume = 2;
  d.Result.PStatic = 500;
  d.Result.PDynamic = 62.5;
  d.Result.PTotal = 562.5;
  d.Result.ShaftPower = 1.5;
  d.Result.Efficiency = 75;
  d.Result.StaticEfficiency = 66.7;
  d.Result.SoundPower = 84.04;
  d.Result.SpeedMargin = 12.34;
  d.Result.StallMargin = -5;
  d.Result.BepRatio = 97.6;
  d.Result.Energy.Known = true;
  d.Result.Energy.Fei = 1.234;
  d.Result.Energy.Basis = TFeiBasis::Static;
  d.Result.Energy.Motor.RatedPower = 2.2;
  d.Result.Energy.Motor.Efficiency = 86.7;
  d.Result.Energy.TipSpeed = 30;
  d.Result.Energy.OutletVelocity = 10;
  const auto find = [](const std::vector<TDatasheetRow>& rows, const std::string& label) {
    for (const TDatasheetRow& row : rows)
      if (row.Label == label) return row;
    ADD_FAILURE() << "no row " << label;
    return TDatasheetRow{};
  };
  std::vector<TDatasheetRow> rows = ResultRows(d);
  // Above MaxSpeed: the limit's message in red, then the speed with its limits.
  EXPECT_TRUE(rows[0].Span && rows[0].Emphasis);
  EXPECT_EQ(rows[0].Label, "Speed exceeds fan limit...");
  EXPECT_EQ(rows[1].Label, "Fan speed (limits 500 – 1200)");
  EXPECT_EQ(rows[1].Value, "1234");
  EXPECT_TRUE(rows[1].Emphasis);
  int efficiencyRows = 0;
  for (const TDatasheetRow& row : rows) efficiencyRows += row.Label.find("fficiency") != std::string::npos;
  EXPECT_EQ(efficiencyRows, 3);  // static, total and the motor's: no duplicate
  const TDatasheetRow sound = find(rows, "Sound power level Lw");
  EXPECT_EQ(sound.Value + " " + sound.Unit, "84.0 dB");
  EXPECT_EQ(find(rows, "FEI (static pressure)").Value, "1.23");
  EXPECT_EQ(find(rows, "Motor rating").Value, "2.2");
  EXPECT_EQ(find(rows, "Motor efficiency (IE3 table)").Value, "86.7");
  EXPECT_EQ(find(rows, "Tip speed").Value + " " + find(rows, "Tip speed").Unit, "30.0 m/s");
  EXPECT_EQ(find(rows, "Speed margin").Value, "12.3");
  EXPECT_EQ(find(rows, "Stall margin").Value, "-5.0");
  EXPECT_EQ(find(rows, "BEP ratio").Value, "98");
  // IP: whole cfm, in. wg with two decimals, hp, ft/min.
  d.Units = TResultUnits::IP();
  rows = ResultRows(d);
  EXPECT_EQ(find(rows, "Volume flow").Value + " " + find(rows, "Volume flow").Unit, "4238 cfm");
  EXPECT_EQ(find(rows, "Static pressure").Value + " " + find(rows, "Static pressure").Unit, "2.01 in. wg");
  EXPECT_EQ(find(rows, "Shaft power").Unit, "hp");
  EXPECT_EQ(find(rows, "Outlet velocity").Value + " " + find(rows, "Outlet velocity").Unit, "1969 ft/min");
  d.Diameter = 0.5;
  d.OutletWidth = 0.5;
  d.OutletHeight = 0;
  EXPECT_EQ(ModelRows(d).front().Value + " " + ModelRows(d).front().Unit, "19.7 in");
}

TEST(ResultRows, FailedSelectionShowsItsStatusAndReasons) {
  TDatasheet d;
  d.Result.Status = 6;
  d.Result.StatusText = "Speed range error";
  d.Result.Lines = {"Speed range error"};
  d.Result.ExtraLines = {"Duty Pressure\tstatic\t"};  // not shown for a failed selection
  d.Result.Warnings = {"Operating point outside the tested flows"};
  const std::vector<TDatasheetRow> rows = ResultRows(d);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(rows[0].Span && rows[0].Emphasis);
  EXPECT_EQ(WarningItems(d), (std::vector<std::string>{"Not selected: Speed range error",
                                                       "Operating point outside the tested flows"}));
}

TEST(SummaryTable, OneRowPerPageWithTagModelFeiAndVerdict) {
  std::vector<TDatasheet> pages(2);
  pages[0].Model = "BC450";
  pages[0].Mark = "EF-1";
  pages[0].Quantity = 3;
  pages[0].Result.Speed = 1670.4;
  pages[0].Result.ShaftPower = 2.2926;
  pages[0].Result.Energy.Known = true;
  pages[0].Result.Energy.Fei = 1.226;
  pages[0].Result.Energy.ElectricalPower = 2.797;
  pages[1].Model = "AX800";
  pages[1].Result.Status = 6;
  pages[1].Result.Verdict = TVerdictKind::Rejected;
  const TSummaryTable t = SummaryTable(pages);
  ASSERT_EQ(t.Rows.size(), 2u);
  EXPECT_EQ(t.Headers[5], "Shaft power [kW]");
  EXPECT_EQ(t.Rows[0], (std::vector<std::string>{"2", "EF-1", "3", "BC450", "1670", "2.29", "2.80",
                                                 "1.23 (total)", "ok"}));
  EXPECT_EQ(t.Rows[1], (std::vector<std::string>{"3", "–", "1", "AX800", "–", "–", "–", "–", "rejected"}));
  pages[0].Units = TResultUnits::IP();
  EXPECT_EQ(SummaryTable(pages).Headers[5], "Shaft power [hp]");
}

TEST(ModelRows, RoundOutletGivesItsDiameter) {
  TDatasheet d;
  d.Diameter = 0.8;
  d.OutletWidth = 0.8;
  d.OutletHeight = 0;
  EXPECT_EQ(ModelRows(d).back().Label, "Outlet diameter");
  EXPECT_EQ(ModelRows(d).back().Value, "800");
  d.OutletHeight = 0.5;
  EXPECT_EQ(ModelRows(d).back().Value, "800 × 500");
}

// ---------------------------------------------------------------- the chart as vectors

TSelectorChart SampleChart() {
  TFan fan;
  fan.LoadFromFile(ExactFile());
  fan.SelectModel("E1");
  return EvaluateDuty(fan, 2, 500, 2, 500).Chart;
}

// Painting on a raster painter runs the very code of the image: the same
// pixels. This is what ties the vector output to the window's drawing.
TEST(ChartPaint, OnAnImageTheSamePixelsAsRedraw) {
  const TSelectorChart chart = SampleChart();
  for (const QSize size : {QSize(640, 480), QSize(300, 200), QSize(1000, 420)}) {
    const QImage expected = RenderSelectorChart(chart, size);
    TChartPicture picture;
    picture.SetBevelOuter(bvNone);
    picture.SetPictureSize(QSize(1, 1));
    ApplySelectorChartDesign(picture);
    DrawSelectorChart(picture, chart);
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    picture.Paint(p, QRectF(QPointF(0, 0), QSizeF(size)), size);
    p.end();
    EXPECT_EQ(image, expected) << size.width() << "x" << size.height();
  }
}

TEST(ChartPaint, LeavesThePictureAndItsMappingAlone) {
  TChartPicture picture;
  picture.SetBevelOuter(bvNone);
  picture.SetPictureSize(QSize(500, 400));
  ApplySelectorChartDesign(picture);
  DrawSelectorChart(picture, SampleChart());
  const QImage before = picture.Image();
  const QRect plot = picture.PlotRect(), legend = picture.LegendRect();
  const QPoint pixel = picture.DataToPixel(1.5, 400);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  QPainter p(&writer);
  picture.Paint(p, QRectF(0, 0, 4000, 2500));
  p.end();
  EXPECT_GT(bytes.size(), 1000);
  EXPECT_EQ(picture.Image(), before);
  EXPECT_EQ(picture.PlotRect(), plot);
  EXPECT_EQ(picture.LegendRect(), legend);
  EXPECT_EQ(picture.DataToPixel(1.5, 400), pixel);
  EXPECT_FALSE(bytes.contains("/Subtype /Image"));
}

// On a vector device a stored (encoded) colour is painted as the colour it
// shows on the plot fill: a red line is red on the page, not its encoding.
TEST(ChartPaint, EncodedColoursArePaintedAsShown) {
  const auto pdftoppm = FindTool("pdftoppm");
  if (!pdftoppm) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed: scripts/deps.sh installs it";
  TChartPicture picture;
  picture.SetBevelOuter(bvNone);
  picture.SetPictureSize(QSize(400, 300));
  ApplySelectorChartDesign(picture);
  picture.Clear();
  picture.SetScale(0, 10, 0, 10);
  TChartLine& line = picture.AddLine(0x0000FF, 0);  // $BBGGRR: red
  line.SetPen(psSolid, 6);
  line.AddPoint(1, 5);
  line.AddPoint(9, 5);
  picture.Redraw();
  TTempDir dir;
  const std::string pdf = dir.File("line.pdf");
  {
    QPdfWriter writer(QString::fromStdString(pdf));
    QPainter p(&writer);
    picture.Paint(p, QRectF(0, 0, writer.width(), writer.width() * 0.75));
  }
  RunCommand(*pdftoppm + " -png -r 40 -singlefile '" + pdf + "' '" + dir.File("line") + "'");
  const QImage page(QString::fromStdString(dir.File("line.png")));
  ASSERT_FALSE(page.isNull());
  const unsigned grid = picture.GridColor();
  const unsigned stored = line.Color;
  ASSERT_EQ(stored, 0x0000FFu ^ grid ^ 0xFFFFFFu);
  const QColor encoded(stored & 0xFF, (stored >> 8) & 0xFF, (stored >> 16) & 0xFF);
  int red = 0, encodedPixels = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QColor c = page.pixelColor(x, y);
      if (c.red() > 240 && c.green() < 15 && c.blue() < 15) ++red;
      if (std::abs(c.red() - encoded.red()) < 6 && std::abs(c.green() - encoded.green()) < 6 &&
          std::abs(c.blue() - encoded.blue()) < 6)
        ++encodedPixels;
    }
  EXPECT_GT(red, 50);
  EXPECT_EQ(encodedPixels, 0);
}

}  // namespace
}  // namespace blowden::test
