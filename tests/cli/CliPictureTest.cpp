#include <QColor>
#include <QImage>
#include <QSet>

#include "CliTestSupport.h"

namespace blowden::test {
namespace {

class CliPictureTest : public TCliTest {
 protected:
  TCliRun SelectWithPicture(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"select", "--model", "E1", "--flow", "2", "--pressure", "500"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(CliDataFile("exact.qfn"));
    return RunCliArgs(args);
  }
};

int DistinctColours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  return static_cast<int>(colours.size());
}

TEST_F(CliPictureTest, WritesTheChartAsPng) {
  const std::string png = Work().File("chart.png");
  const TCliRun run = SelectWithPicture({"--png", png});
  ASSERT_EQ(run.Code, ecSuccess) << run.Err;
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(SplitLines(run.Out).at(0), "[Exact]  E1");  // the results are printed as well

  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(png), "PNG"));
  EXPECT_EQ(image.size(), QSize(640, 480));
  // Background, grid, axes, text and curves: far more than a blank picture.
  EXPECT_GT(DistinctColours(image), 4);
  // Nothing else is left beside it (no temporary file).
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Work().Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(CliPictureTest, SizeOptionAndReplacingAnOldPicture) {
  // An earlier picture: it begins with the PNG signature.
  const std::string png = WriteFile("chart.png", std::string("\x89PNG\r\n\x1a\nold bytes", 17));
  const TCliRun run = SelectWithPicture({"--json", "--png", png, "--size", "320x200"});
  ASSERT_EQ(run.Code, ecSuccess) << run.Err;
  EXPECT_EQ(ParsedJson(run)["status"].Number, 0);  // stdout holds the JSON only
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(png), "PNG"));
  EXPECT_EQ(image.size(), QSize(320, 200));
}

TEST_F(CliPictureTest, PictureThatCannotBeWrittenExitsWith2) {
  const std::string png = Work().File("no/such/folder/chart.png");
  const TCliRun run = SelectWithPicture({"--png", png});
  EXPECT_EQ(run.Code, ecUsage);
  EXPECT_NE(run.Err.find("cannot write " + png), std::string::npos) << run.Err;
  EXPECT_FALSE(std::filesystem::exists(png));
  EXPECT_EQ(SplitLines(run.Out).size(), 18u);  // the selection is reported all the same

  // A folder in the picture's place is left alone.
  const std::string folder = Work().File("taken.png");
  std::filesystem::create_directory(folder);
  EXPECT_EQ(SelectWithPicture({"--png", folder}).Code, ecUsage);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(CliPictureTest, StatusOtherThanReadyStillDrawsTheChart) {
  const std::string png = Work().File("range.png");
  const TCliRun run = RunCliArgs({"select", "--model", "E1", "--flow", "10", "--pressure", "400", "--png",
                                  png, CliDataFile("exact.qfn")});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_TRUE(QImage(QString::fromStdString(png)).size() == QSize(640, 480));
}

TEST_F(CliPictureTest, NoPictureWithoutAnEvaluation) {
  const std::string png = Work().File("none.png");
  const TCliRun run = RunCliArgs({"select", "--model", "E9", "--flow", "2", "--pressure", "400", "--png", png,
                                  CliDataFile("exact.qfn")});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_NE(run.Err.find("not written"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace blowden::test
