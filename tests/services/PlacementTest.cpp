#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "services/Placement.h"
#include "services/Settings.h"

namespace blowden {
namespace {

class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Window.setObjectName(QStringLiteral("PlacementTestForm"));
    Window.move(30, 40);
    Window.resize(300, 200);
    const auto settings = OpenSettings();
    settings->remove(Window.objectName());
  }
  void Store(std::initializer_list<std::pair<const char*, QVariant>> values) {
    const auto settings = OpenSettings();
    settings->beginGroup(Window.objectName());
    for (const auto& [key, value] : values) settings->setValue(QString::fromLatin1(key), value);
    settings->endGroup();
  }
  QWidget Window;
};

TEST_F(PlacementTest, NoStoredValuesKeepsDesignPlacement) {
  LoadPlacement(&Window, false, true);
  EXPECT_EQ(Window.pos(), QPoint(30, 40));
  EXPECT_EQ(Window.size(), QSize(300, 200));
  EXPECT_EQ(Window.windowState(), Qt::WindowNoState);
  EXPECT_FALSE(Window.isVisible());
}

TEST_F(PlacementTest, WindowIsKeptWhollyInsideTheAvailableArea) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const int w = area.right() + 1;
  const int h = area.bottom() + 1;
  // The window is 300 x 200.
  struct Case {
    const char* name;
    int left, top;
    int expectedLeft, expectedTop;
  } const cases[] = {
      {"inside", 100, 120, 100, 120},
      {"left of the screen", -50, 10, area.left(), 10},
      {"above the screen", 10, -1, 10, area.top()},
      {"too far right", w - 80, 10, w - 300, 10},
      {"partly beyond the corner", w - 120, h - 120, w - 300, h - 200},
      {"touching the corner", w - 300, h - 200, w - 300, h - 200},
      {"too far down", 10, h + 500, 10, h - 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Store({{"Left", c.left}, {"Top", c.top}});
    LoadPlacement(&Window, false, true);
    EXPECT_EQ(Window.pos(), QPoint(c.expectedLeft, c.expectedTop));
  }
  // A size saved on a larger screen (or at a smaller scale) shrinks to the area.
  Store({{"Left", 0}, {"Top", 0}, {"Width", 2 * w + 1200}, {"Height", 2 * h + 800}});
  LoadPlacement(&Window, false, true);
  EXPECT_EQ(Window.geometry(), area);
}

TEST(FitInsideTest, MovesAndShrinksIntoTheArea) {
  const QRect screen(0, 0, 1600, 1000);
  struct Case {
    const char* name;
    QRect window, area;
    QSize minimum;
    QRect fitted;
  } const cases[] = {
      {"inside stays", QRect(100, 100, 800, 600), screen, QSize(), QRect(100, 100, 800, 600)},
      {"off the right and bottom", QRect(1500, 900, 800, 600), screen, QSize(), QRect(800, 400, 800, 600)},
      {"too large", QRect(0, 0, 2800, 1800), QRect(0, 0, 800, 500), QSize(), QRect(0, 0, 800, 500)},
      {"area with a panel on top", QRect(0, 0, 400, 300), QRect(0, 30, 800, 470), QSize(),
       QRect(0, 30, 400, 300)},
      {"minimum larger than the area keeps the corner", QRect(300, 300, 900, 600), QRect(0, 0, 800, 500),
       QSize(850, 520), QRect(0, 0, 850, 520)},
      {"no area leaves it", QRect(5, 5, 10, 10), QRect(), QSize(), QRect(5, 5, 10, 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FitInside(c.window, c.area, c.minimum), c.fitted);
  }
}

TEST_F(PlacementTest, ValueThatIsNoNumberKeepsTheCurrentOne) {
  Store({{"Left", "wide"}, {"Width", ""}, {"Top", 55}});
  LoadPlacement(&Window, false, true);
  EXPECT_EQ(Window.pos(), QPoint(30, 55));
  EXPECT_EQ(Window.size(), QSize(300, 200));
}

TEST_F(PlacementTest, SizeOnlyWhenAsked) {
  Store({{"Width", 420}, {"Height", 310}});
  LoadPlacement(&Window, false, false);
  EXPECT_EQ(Window.size(), QSize(300, 200));
  LoadPlacement(&Window, false, true);
  EXPECT_EQ(Window.size(), QSize(420, 310));
}

TEST_F(PlacementTest, VisibilityOnlyWhenAsked) {
  Store({{"Visible", true}});
  LoadPlacement(&Window, false, true);
  EXPECT_FALSE(Window.isVisible());
  LoadPlacement(&Window, true, true);
  EXPECT_TRUE(Window.isVisible());
}

TEST_F(PlacementTest, StoredStateTwoReopensMaximized) {
  Store({{"WinState", 2}});
  LoadPlacement(&Window, false, true);
  Window.show();
  EXPECT_TRUE(Window.windowState() & Qt::WindowMaximized);
  Store({{"WinState", 0}});
  LoadPlacement(&Window, false, true);
  EXPECT_FALSE(Window.windowState() & Qt::WindowMaximized);
}

TEST_F(PlacementTest, SaveWritesAllSixValues) {
  Window.show();
  Window.move(50, 60);
  Window.resize(333, 222);
  SavePlacement(&Window);
  const auto settings = OpenSettings();
  settings->beginGroup(Window.objectName());
  EXPECT_EQ(settings->childKeys().size(), 6);
  EXPECT_EQ(settings->value("Left").toInt(), Window.x());
  EXPECT_EQ(settings->value("Top").toInt(), Window.y());
  EXPECT_EQ(settings->value("Width").toInt(), 333);
  EXPECT_EQ(settings->value("Height").toInt(), 222);
  EXPECT_EQ(settings->value("Visible").toBool(), true);
  EXPECT_EQ(settings->value("WinState").toInt(), 0);
}

TEST_F(PlacementTest, SaveWritesCurrentBoundsWhenMaximized) {
  Window.show();
  Window.setWindowState(Qt::WindowMaximized);
  const QRect bounds = Window.geometry();
  SavePlacement(&Window);
  const auto settings = OpenSettings();
  settings->beginGroup(Window.objectName());
  EXPECT_EQ(settings->value("WinState").toInt(), 2);
  EXPECT_EQ(settings->value("Width").toInt(), bounds.width());
  EXPECT_EQ(settings->value("Height").toInt(), bounds.height());
}

TEST_F(PlacementTest, SaveAndLoadRoundTripWithoutGrowing) {
  Window.move(70, 80);
  Window.resize(345, 234);
  SavePlacement(&Window);
  QWidget again;
  again.setObjectName(Window.objectName());
  LoadPlacement(&again, false, true);
  EXPECT_EQ(again.pos(), Window.pos());
  EXPECT_EQ(again.size(), QSize(345, 234));
  SavePlacement(&again);
  LoadPlacement(&again, false, true);
  EXPECT_EQ(again.size(), QSize(345, 234));
}

}  // namespace
}  // namespace blowden
