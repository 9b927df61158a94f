#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QWidget>

#include "charts/ChartSupport.h"
#include "charts/widgets/ControlNames.h"

namespace blowden {
namespace {

TEST(ChartSupportTest, ColoursAreBgrValues) {
  struct Case {
    unsigned bgr;
    QColor color;
  } cases[] = {
      {0x0000FF, QColor(255, 0, 0)},
      {0xFF0000, QColor(0, 0, 255)},
      {0xE6D8AD, QColor(173, 216, 230)},
      {0xEBE2E0, QColor(224, 226, 235)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bgr);
    EXPECT_EQ(BgrToQColor(c.bgr), c.color);
    EXPECT_EQ(QColorToBgr(c.color), c.bgr);
  }
  EXPECT_EQ(BgrToQColor(0xFF123456).rgb(), BgrToQColor(0x123456).rgb());  // the high byte is ignored
}

TEST(ChartSupportTest, ProgramFontsResolveToTheirFacesOrAFallBack) {
  EnsureProgramFonts();
  EnsureProgramFonts();  // idempotent
  const QFont tahoma = ProgramFont(QStringLiteral("Tahoma"), 8);
  EXPECT_EQ(tahoma.pixelSize(), 11);
  const QString tahomaFace = QFontInfo(tahoma).family();
  if (QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")))
    EXPECT_EQ(tahomaFace, QStringLiteral("Tahoma"));
  else
    EXPECT_EQ(tahomaFace, QStringLiteral("DejaVu Sans"));

  const QFont courier = ProgramFont(QStringLiteral("courier new"), 8);
  const QFontInfo courierInfo(courier);
  EXPECT_TRUE(courierInfo.fixedPitch()) << courierInfo.family().toStdString();
  EXPECT_EQ(ProgramFont(QStringLiteral("Courier New"), 10).pixelSize(), 13);

  const QFont unknown = ProgramFont(QStringLiteral("No Such Face"), 8);
  EXPECT_EQ(QFontInfo(unknown).family(), QStringLiteral("DejaVu Sans"));
}

TEST(ChartSupportTest, NameControlSetsObjectNameAndDescription) {
  QWidget widget;
  NameControl(&widget, QStringLiteral("FansListBox"));
  EXPECT_EQ(widget.objectName(), QStringLiteral("FansListBox"));
  EXPECT_EQ(widget.accessibleDescription(), QStringLiteral("FansListBox"));
}

}  // namespace
}  // namespace blowden
