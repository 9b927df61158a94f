#pragma once

#include <QImage>
#include <QRect>

#include "charts/ChartSupport.h"

namespace blowden::test {

// The colour of one pixel as a $BBGGRR value.
inline unsigned PixelBgr(const QImage& image, int x, int y) {
  return QColorToBgr(QColor::fromRgb(image.pixel(x, y)));
}

// Pixels inside `area` that are darker than mid-grey in every channel (text,
// axis lines).
inline int DarkPixels(const QImage& image, const QRect& area) {
  int count = 0;
  const QRect r = area & image.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (qRed(c) < 128 && qGreen(c) < 128 && qBlue(c) < 128) ++count;
    }
  return count;
}

// Pixels inside `area` whose colour differs from `bgr`.
inline int PixelsOtherThan(const QImage& image, const QRect& area, unsigned bgr) {
  int count = 0;
  const QRect r = area & image.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (PixelBgr(image, x, y) != bgr) ++count;
  return count;
}

}  // namespace blowden::test
