#include "charts/ChartSupport.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

namespace blowden {

QColor BgrToQColor(unsigned bgr) {
  return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                static_cast<int>((bgr >> 16) & 0xFFu));
}

unsigned QColorToBgr(const QColor& color) {
  const QRgb rgb = color.rgb();
  return static_cast<unsigned>(qRed(rgb)) | (static_cast<unsigned>(qGreen(rgb)) << 8) |
         (static_cast<unsigned>(qBlue(rgb)) << 16);
}

namespace {

unsigned PaletteColor(QPalette::ColorRole role, unsigned fallback) {
  if (!qGuiApp) return fallback;
  return QColorToBgr(QGuiApplication::palette().color(QPalette::Active, role));
}

}  // namespace

unsigned WindowColor() { return PaletteColor(QPalette::Base, 0xFFFFFF); }
unsigned WindowTextColor() { return PaletteColor(QPalette::Text, 0x000000); }
unsigned ButtonFaceColor() { return PaletteColor(QPalette::Button, 0xF0F0F0); }
unsigned ButtonShadowColor() { return PaletteColor(QPalette::Dark, 0xA0A0A0); }
unsigned ButtonHighlightColor() { return PaletteColor(QPalette::Light, 0xFFFFFF); }

void EnsureProgramFonts() {
  static bool done = false;
  if (done || !qGuiApp) return;
  done = true;
  for (const char* path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
    if (QFile::exists(QString::fromLatin1(path)))
      QFontDatabase::addApplicationFont(QString::fromLatin1(path));
}

namespace {

bool IsMonospacedName(const QString& family) {
  const QString f = family.toLower();
  return f.contains(QLatin1String("courier")) || f.contains(QLatin1String("mono")) ||
         f.contains(QLatin1String("consol")) || f.contains(QLatin1String("fixed"));
}

// The installed family whose name equals `family` without regard to case, or
// an empty text.
QString InstalledFamily(const QString& family) {
  for (const QString& installed : QFontDatabase::families())
    if (installed.compare(family, Qt::CaseInsensitive) == 0) return installed;
  return QString();
}

}  // namespace

QFont ProgramFont(const QString& family, int pointSize) {
  EnsureProgramFonts();
  const bool mono = IsMonospacedName(family);
  QStringList families;
  const QString installed = InstalledFamily(family);
  if (!installed.isEmpty()) {
    families << installed;
  } else if (family.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0) {
    // fontconfig's own alias of Courier New, metric-compatible
    families << QStringLiteral("Liberation Mono");
  }
  families << (mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));

  QFont font(families.first());
  font.setFamilies(families);
  font.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif);
  // 96 dpi points: 8 pt -> 11 px, as the program's windows were laid out.
  font.setPixelSize(qMax(1, (pointSize * 96 + 36) / 72));
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

}  // namespace blowden
