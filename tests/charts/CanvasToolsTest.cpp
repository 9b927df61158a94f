#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "ChartTestHelpers.h"
#include "charts/CanvasTools.h"

namespace blowden {
namespace {

using test::PixelBgr;
using test::PixelsOtherThan;

constexpr unsigned Cream = 0xF4FDFF;

QImage CreamImage() {
  QImage image(80, 80, QImage::Format_RGB32);
  image.fill(BgrToQColor(Cream));
  return image;
}

// Line ends all around a centre, 120 directions, 30 pixels long.
std::vector<QPoint> Directions() {
  std::vector<QPoint> ends;
  for (int i = 0; i < 120; ++i) {
    const double angle = i * 3.0 * M_PI / 180;
    ends.emplace_back(40 + static_cast<int>(std::lround(30 * std::cos(angle))),
                      40 + static_cast<int>(std::lround(30 * std::sin(angle))));
  }
  return ends;
}

TEST(CanvasToolsTest, NotXorLineLeavesTheEndPixelAndErasesItself) {
  const QPoint a(40, 40);
  for (const QPoint& b : Directions()) {
    SCOPED_TRACE(testing::Message() << "to " << b.x() << "," << b.y());
    QImage image = CreamImage();
    QPainter p;
    canvas::Begin(p, image);
    canvas::NotXorLine(p, a, b, BgrToQColor(0x0000FF ^ Cream ^ 0xFFFFFFu));
    p.end();
    EXPECT_EQ(PixelBgr(image, a.x(), a.y()), 0x0000FFu);
    EXPECT_EQ(PixelBgr(image, b.x(), b.y()), Cream);
    // One pixel for every step along the longer axis, each painted once.
    const int steps = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
    EXPECT_EQ(PixelsOtherThan(image, image.rect(), Cream), steps);
    EXPECT_EQ(PixelsOtherThan(image, image.rect(), 0x0000FF), image.width() * image.height() - steps);
    canvas::Begin(p, image);
    canvas::NotXorLine(p, a, b, BgrToQColor(0x0000FF ^ Cream ^ 0xFFFFFFu));
    p.end();
    EXPECT_EQ(PixelsOtherThan(image, image.rect(), Cream), 0);
  }
}

TEST(CanvasToolsTest, CopyLineLeavesTheEndPixel) {
  const QPoint a(40, 40);
  for (const QPoint& b : Directions()) {
    SCOPED_TRACE(testing::Message() << "to " << b.x() << "," << b.y());
    QImage image = CreamImage();
    QPainter p;
    canvas::Begin(p, image);
    canvas::CopyLine(p, image, a, b, QColor(255, 0, 0));
    p.end();
    EXPECT_EQ(PixelBgr(image, a.x(), a.y()), 0x0000FFu);
    EXPECT_EQ(PixelBgr(image, b.x(), b.y()), Cream);
    EXPECT_EQ(PixelsOtherThan(image, image.rect(), Cream),
              std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y())));
  }
}

TEST(CanvasToolsTest, ALineToItsOwnStartPaintsNothing) {
  QImage image = CreamImage();
  QPainter p;
  canvas::Begin(p, image);
  canvas::NotXorLine(p, QPoint(10, 10), QPoint(10, 10), Qt::black);
  canvas::CopyLine(p, image, QPoint(20, 20), QPoint(20, 20), Qt::black);
  p.end();
  EXPECT_EQ(PixelsOtherThan(image, image.rect(), Cream), 0);
}

TEST(CanvasToolsTest, DiskRunsAreSymmetric) {
  EXPECT_EQ(canvas::DiskRuns(QPoint(5, 5), -1).size(), 0u);
  const auto dot = canvas::DiskRuns(QPoint(5, 5), 0);
  ASSERT_EQ(dot.size(), 1u);
  EXPECT_EQ(dot[0], QRect(5, 5, 1, 1));
  for (int r = 1; r <= 8; ++r) {
    SCOPED_TRACE(r);
    const auto runs = canvas::DiskRuns(QPoint(20, 30), r);
    ASSERT_EQ(runs.size(), std::size_t(2 * r + 1));
    EXPECT_EQ(runs[std::size_t(r)].width(), 2 * r + 1);  // the middle row spans the diameter
    for (std::size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].left() + runs[i].right(), 40);  // centred on x = 20
      EXPECT_EQ(runs[i], runs[runs.size() - 1 - i].translated(0, int(2 * i) - 2 * r));
    }
  }
}

TEST(CanvasToolsTest, RingAndFramePaintEachPixelOnce) {
  QImage image = CreamImage();
  QPainter p;
  canvas::Begin(p, image);
  const QColor ink = BgrToQColor(0x008000 ^ Cream ^ 0xFFFFFFu);
  canvas::NotXorRing(p, QPoint(20, 20), 5, 2, ink);
  canvas::NotXorRing(p, QPoint(20, 20), 2, -1, ink);  // fills the hole exactly
  canvas::NotXorFrame(p, QRect(40, 40, 9, 9), QRect(42, 42, 5, 5), ink);
  canvas::NotXorFill(p, QRect(42, 42, 5, 5), ink);
  p.end();
  int disk = 0;  // 97 pixels
  for (const QRect& run : canvas::DiskRuns(QPoint(20, 20), 5)) disk += run.width();
  EXPECT_EQ(disk, 97);
  EXPECT_EQ(PixelsOtherThan(image, QRect(10, 10, 21, 21), 0x008000), 21 * 21 - disk);
  EXPECT_EQ(PixelsOtherThan(image, QRect(40, 40, 9, 9), 0x008000), 0);
  canvas::Begin(p, image);
  canvas::NotXorRing(p, QPoint(20, 20), 5, -1, ink);
  canvas::NotXorFill(p, QRect(40, 40, 9, 9), ink);
  p.end();
  EXPECT_EQ(PixelsOtherThan(image, image.rect(), Cream), 0);
}

}  // namespace
}  // namespace blowden
