#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMouseEvent>

#include "ChartTestHelpers.h"
#include "charts/widgets/QmChartPanel.h"

namespace blowden {
namespace {

using test::PixelBgr;

constexpr unsigned Cream = 0xF4FDFF;
constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Blue = 0xFF0000;
constexpr unsigned Green = 0x008000;

// The chart of ChartPictureTest on a shown widget: plot (40, 25) .. (240, 125),
// window 0 .. 100 both ways, 2 pixels per x unit, 1 per y unit. One movable
// blue square at (50, 50), pixel (140, 75).
class ChartMouseTest : public testing::Test {
 protected:
  void SetUp() override {
    panel.SetBevelOuter(bvNone);
    panel.SetColor(White);
    panel.SetScale(0, 100, 0, 100);
    panel.resize(260, 165);
    panel.SetGridColor(Cream);
    square = &panel.AddPoint(Blue, 3, 50, 50, 6);
    panel.Redraw();
    panel.show();
  }

  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                      ? (pressed ? Qt::MouseButtons(button) : Qt::NoButton)
                                      : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), QPointF(panel.mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
    if (type == QEvent::MouseButtonPress) pressed = true;
    if (type == QEvent::MouseButtonRelease) pressed = false;
    QApplication::sendEvent(&panel, &event);
  }
  void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Send(QEvent::MouseButtonPress, at, button);
  }
  void Move(QPoint at) { Send(QEvent::MouseMove, at); }
  void Release(QPoint at) { Send(QEvent::MouseButtonRelease, at); }

  TChartPanel panel;
  TChartPoint* square = nullptr;
  bool pressed = false;
};

TEST_F(ChartMouseTest, PressWithinThreePixelsPicksAMovablePoint) {
  Press({143, 78});
  EXPECT_TRUE(panel.Dragging());
  EXPECT_EQ(panel.HighlightedPoint(), square);
  Release({143, 78});
  EXPECT_FALSE(panel.Dragging());

  Press({144, 75});  // four pixels away
  EXPECT_FALSE(panel.Dragging());
}

TEST_F(ChartMouseTest, DraggingMovesThePointWithTwoDrawsIntoTheImage) {
  EXPECT_EQ(PixelBgr(panel.Image(), 137, 75), Blue);
  Press({141, 76});
  Move({180, 95});
  EXPECT_DOUBLE_EQ(square->X, 70);
  EXPECT_DOUBLE_EQ(square->Y, 30);
  EXPECT_DOUBLE_EQ(panel.MouseX(), 70);
  EXPECT_DOUBLE_EQ(panel.MouseY(), 30);
  const QImage& image = panel.Image();
  EXPECT_EQ(PixelBgr(image, 137, 75), Cream);  // the old place shows the fill again
  EXPECT_EQ(PixelBgr(image, 140, 75), Cream);
  EXPECT_EQ(PixelBgr(image, 177, 95), Blue);  // the new place
  EXPECT_EQ(PixelBgr(image, 183, 95), Blue);
  Release({180, 95});
  EXPECT_FALSE(panel.Dragging());
}

TEST_F(ChartMouseTest, DraggingAVertexMovesItsSegments) {
  TChartLine& line = panel.AddLine(Green, 3, QString(), 4);
  line.AddPoint(10, 30);  // (60, 95)
  line.AddPoint(30, 30);  // (100, 95): dragged
  line.AddPoint(50, 30);  // (140, 95)
  panel.Redraw();
  EXPECT_EQ(PixelBgr(panel.Image(), 70, 95), Green);
  Press({100, 95});
  Move({100, 110});
  EXPECT_DOUBLE_EQ(line.Points[1]->Y, 15);
  const QImage& image = panel.Image();
  EXPECT_EQ(PixelBgr(image, 70, 95), Cream);       // the old segment is gone
  EXPECT_EQ(PixelBgr(image, 120, 95), 0xE0E0E0u);  // down to the grid line underneath
  int green = 0;                                   // the new segment crosses column 70 once, a little lower
  for (int y = 93; y <= 104; ++y) green += PixelBgr(image, 70, y) == Green;
  EXPECT_EQ(green, 1);
  EXPECT_EQ(PixelBgr(image, 100, 108), Green);  // the vertex's square at its new place
}

TEST_F(ChartMouseTest, RefusedMoveEndsDraggingAndKeepsThePoint) {
  int asked = 0;
  QPoint askedAt;
  panel.OnAllowPointMove = [&](TChartPanel* sender, Qt::KeyboardModifiers, int x, int y, bool& allow) {
    EXPECT_EQ(sender, &panel);
    EXPECT_TRUE(allow);
    ++asked;
    askedAt = QPoint(x, y);
    allow = false;
  };
  Press({140, 75});
  Move({180, 95});
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(askedAt, QPoint(180, 95));
  EXPECT_FALSE(panel.Dragging());
  EXPECT_DOUBLE_EQ(square->X, 50);
  EXPECT_EQ(PixelBgr(panel.Image(), 137, 75), Blue);
  Move({190, 95});
  EXPECT_EQ(asked, 1);
}

TEST_F(ChartMouseTest, DragOutsideThePlotDoesNothingNotEvenTheOwnersEvent) {
  int moves = 0;
  QObject::connect(&panel, &TChartPanel::MouseMove, [&](QMouseEvent*) { ++moves; });
  Press({140, 75});
  Move({250, 75});
  EXPECT_EQ(moves, 0);
  EXPECT_DOUBLE_EQ(square->X, 50);
  EXPECT_TRUE(panel.Dragging());
  Move({150, 75});
  EXPECT_EQ(moves, 1);
  EXPECT_DOUBLE_EQ(square->X, 55);
}

TEST_F(ChartMouseTest, MouseDownComesBeforeTheChartHandlesThePress) {
  double seenX = -1;
  bool seenDragging = true;
  QObject::connect(&panel, &TChartPanel::MouseDown, [&](QMouseEvent*) {
    seenX = panel.MouseX();
    seenDragging = panel.Dragging();
  });
  Move({100, 50});  // x 30
  Press({140, 75});
  EXPECT_DOUBLE_EQ(seenX, 30);
  EXPECT_FALSE(seenDragging);
  EXPECT_DOUBLE_EQ(panel.MouseX(), 50);
  EXPECT_TRUE(panel.Dragging());
}

TEST_F(ChartMouseTest, MouseMoveComesAfterAndMouseUpBeforeDraggingEnds) {
  double seenX = -1;
  bool draggingAtUp = false;
  QObject::connect(&panel, &TChartPanel::MouseMove, [&](QMouseEvent*) { seenX = panel.MouseX(); });
  QObject::connect(&panel, &TChartPanel::MouseUp, [&](QMouseEvent*) { draggingAtUp = panel.Dragging(); });
  Move({100, 50});
  EXPECT_DOUBLE_EQ(seenX, 30);
  Press({140, 75});
  Release({140, 75});
  EXPECT_TRUE(draggingAtUp);
  EXPECT_FALSE(panel.Dragging());
}

TEST_F(ChartMouseTest, HandCursorOverAMovablePointOnly) {
  Move({142, 77});
  EXPECT_EQ(panel.cursor().shape(), Qt::PointingHandCursor);
  Move({60, 100});
  EXPECT_EQ(panel.cursor().shape(), Qt::ArrowCursor);
  square->Movable = false;
  Move({140, 75});
  EXPECT_EQ(panel.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ChartMouseTest, WithoutMovablePointsPressesNeverChangeTheChart) {
  square->Movable = false;
  panel.SetShowXYPos(false);
  const QImage before = panel.Image().copy();
  Press({140, 75});
  Move({180, 95});
  Release({180, 95});
  EXPECT_FALSE(panel.Dragging());
  EXPECT_DOUBLE_EQ(square->X, 50);
  EXPECT_TRUE(panel.Image() == before);
}

TEST_F(ChartMouseTest, HighlightColoursShowWhilePickedAndGoWhenAnotherIsPicked) {
  TChartPoint& other = panel.AddPoint(Green, 3, 25, 75, 6);  // (90, 50)
  square->HiBrushColor = 0x000000 ^ Cream ^ 0xFFFFFFu;       // black while highlighted
  panel.Redraw();
  EXPECT_EQ(PixelBgr(panel.Image(), 140, 75), Blue);
  Press({140, 75});
  Release({140, 75});
  EXPECT_EQ(PixelBgr(panel.Image(), 140, 75), 0x000000u);
  EXPECT_EQ(PixelBgr(panel.Image(), 137, 75), Blue);
  Press({90, 50});
  Release({90, 50});
  EXPECT_EQ(panel.HighlightedPoint(), &other);
  EXPECT_EQ(PixelBgr(panel.Image(), 140, 75), Blue);
  EXPECT_EQ(PixelBgr(panel.Image(), 90, 50), Green);
}

TEST_F(ChartMouseTest, PositionReadOut) {
  Move({180, 95});
  EXPECT_EQ(panel.XYPosText(), QStringLiteral("[70.0, 30.0]"));
  EXPECT_GT(test::DarkPixels(panel.Image(), QRect(0, 147, 120, 18)), 10);  // bottom left
  Move({5, 5});
  EXPECT_EQ(panel.XYPosText(), QStringLiteral("[]"));
  panel.SetShowXPosFmt(QStringLiteral("%0.3f"));
  panel.SetShowYPosFmt(QStringLiteral("%d"));  // does not fit a number: automatic
  Move({180, 95});
  EXPECT_EQ(panel.XYPosText(), QStringLiteral("[70.000, 30.0]"));
  panel.Redraw();
  EXPECT_TRUE(panel.XYPosText().isEmpty());

  panel.SetShowXPosFmt(QString());
  panel.SetShowXYPosPlace(ppTopRight);
  Move({240, 25});  // on the window's corner: bounds included
  EXPECT_EQ(panel.XYPosText(), QStringLiteral("[100, 100]"));
  EXPECT_GT(test::DarkPixels(panel.Image(), QRect(150, 0, 110, 20)), 10);

  panel.SetShowXYPos(false);
  panel.Redraw();
  Move({180, 95});
  EXPECT_TRUE(panel.XYPosText().isEmpty());
}

TEST_F(ChartMouseTest, RightClickAsksForThePopupAndShowsNoMenu) {
  int popups = 0;
  QObject::connect(&panel, &TChartPanel::ContextPopup, [&] { ++popups; });
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 50), panel.mapToGlobal(QPoint(100, 50)));
  QApplication::sendEvent(&panel, &event);
  EXPECT_EQ(popups, 1);
  EXPECT_TRUE(event.isAccepted());
}

TEST_F(ChartMouseTest, CopyToClipboardHandsOverTheInnerPicture) {
  panel.CopyToClipboard();
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(260, 165));
  EXPECT_EQ(PixelBgr(copied, 137, 75), Blue);
  EXPECT_EQ(PixelBgr(copied, 100, 50), Cream);
}

TEST_F(ChartMouseTest, TheScreenShowsTheImageAndAResizeRedraws) {
  const QImage shown = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(PixelBgr(shown, 137, 75), Blue);
  panel.resize(460, 265);  // plot (40, 25) .. (440, 225): 4 pixels per x unit, 2 per y unit
  QApplication::processEvents();
  EXPECT_EQ(panel.Image().size(), QSize(460, 265));
  EXPECT_EQ(panel.DataToPixel(50, 50), QPoint(240, 125));
  EXPECT_EQ(PixelBgr(panel.grab().toImage().convertToFormat(QImage::Format_RGB32), 237, 125), Blue);
}

TEST_F(ChartMouseTest, TitleIsTheAccessibleNameAndObjectNameTheDescription) {
  panel.SetTitle(QStringLiteral("BX-450"));
  panel.setObjectName(QStringLiteral("CurvePanel"));
  EXPECT_EQ(panel.accessibleName(), QStringLiteral("BX-450"));
  EXPECT_EQ(panel.accessibleDescription(), QStringLiteral("CurvePanel"));
}

TEST_F(ChartMouseTest, ClearForgetsHitAndHighlight) {
  Press({140, 75});
  panel.Clear();
  EXPECT_EQ(panel.HighlightedPoint(), nullptr);
  EXPECT_FALSE(panel.Dragging());
  Move({150, 80});  // no stale point is touched
  Release({150, 80});
}

}  // namespace
}  // namespace blowden
