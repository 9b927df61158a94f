#include "report/DatasheetSound.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "fan/FanSound.h"
#include "report/DatasheetStyle.h"

namespace blowden {

using namespace datasheet;

namespace {

// The bars of the A-weighted levels.
const QColor kWeighted(0x8F, 0xA8, 0xC8);

QFont PageFont(const QPaintDevice& device, double size, bool bold = false) {
  return datasheet::PageFont(size * 72.0 / device.logicalDpiY(), bold);
}

void Text(QPainter& p, const QPaintDevice& device, const QRectF& r, int align, const QString& text,
          const QFont& f, const QColor& c) {
  const QString shown = QFontMetricsF(f, &device).elidedText(text, Qt::ElideRight, r.width());
  p.setFont(f);
  p.setPen(c);
  p.drawText(r, align | Qt::TextSingleLine | Qt::AlignVCenter, shown);
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

std::vector<std::vector<std::string>> SoundBandRows(const TDatasheet& d) {
  const TSoundFigures& s = d.Result.Sound;
  if (!s.Bands || !s.LwA || d.Result.Status != 0) return {};
  std::vector<std::string> head{"Band [Hz]"}, lw{"Lw [dB]"}, weighting{"A-weighting [dB]"},
      lwa{"LwA [dB(A)]"};
  for (std::vector<std::string>* row : {&head, &lw, &weighting, &lwa}) row->reserve(kBandCount + 2);
  for (std::size_t i = 0; i < kBandCount; ++i) {
    head.push_back(std::to_string(kBandCentres[i]));
    lw.push_back(Format("%0.1f", {(*s.Bands)[i]}));
    weighting.push_back(Format("%0.1f", {kAWeighting[i]}));
    lwa.push_back(Format("%0.1f", {(*s.Bands)[i] + kAWeighting[i]}));
  }
  head.emplace_back("Total");
  lw.push_back(Format("%0.1f", {s.Lw}));
  weighting.emplace_back("");
  lwa.push_back(Format("%0.1f", {*s.LwA}));
  return {head, lw, weighting, lwa};
}

double PaintSoundBlock(QPainter& p, const QPaintDevice& device, double y, double width, const TDatasheet& d) {
  const std::vector<std::vector<std::string>> rows = SoundBandRows(d);
  if (rows.empty()) return 0;
  const TSoundFigures& s = d.Result.Sound;
  const double top = y;

  // Heading, as the page's others.
  std::string title = "Sound: octave bands at the operating point";
  if (s.Kind != TSoundKind::None) title += " (" + std::string(SoundKindName(s.Kind)) + ")";
  Text(p, device, QRectF(0, y, width, 12), Qt::AlignLeft, Q(title), PageFont(device, 9.5, true), kAccent);
  p.fillRect(QRectF(0, y + 13.5 - 0.4, width, 0.8), kAccent);
  y += 17;

  // The table (left).
  const double rowHeight = 11.5, tableWidth = std::round(width * 0.6);
  const double labelWidth = 78, cellWidth = (tableWidth - labelWidth) / static_cast<double>(kBandCount + 1);
  const QFont font = PageFont(device, 7.8), bold = PageFont(device, 7.8, true);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const double rowTop = y + static_cast<double>(r) * rowHeight;
    if (r % 2 == 1) p.fillRect(QRectF(0, rowTop, tableWidth, rowHeight), kZebra);
    Text(p, device, QRectF(3, rowTop, labelWidth - 3, rowHeight), Qt::AlignLeft, Q(rows[r][0]),
         r == 0 ? bold : font, kMuted);
    for (std::size_t c = 1; c < rows[r].size(); ++c) {
      const bool total = c + 1 == rows[r].size();
      const QRectF cell(labelWidth + static_cast<double>(c - 1) * cellWidth, rowTop, cellWidth - 3,
                        rowHeight);
      Text(p, device, cell, Qt::AlignRight, Q(rows[r][c]), r == 0 || total ? bold : font,
           r == 0 ? kMuted : kInk);
    }
  }
  const double tableHeight = static_cast<double>(rows.size()) * rowHeight;
  p.fillRect(QRectF(0, y + rowHeight - 0.3, tableWidth, 0.6), kRule);
  p.fillRect(QRectF(0, y + tableHeight - 0.3, tableWidth, 0.6), kRule);
  Text(p, device, QRectF(3, y + tableHeight + 1, tableWidth - 3, 10), Qt::AlignLeft,
       Q(Format("Sound pressure %0.1f ", {s.Lp}) + std::string(PressureLevelUnit(s)) + " " +
         ListenerText(s.Listener) + " (Lp = LwA − 10 lg(4π r² / Q))"),
       PageFont(device, 7), kMuted);

  // The bar chart (right): Lw per band, its A-weighted level in front.
  const double gap = 12, chartLeft = tableWidth + gap, chartWidth = width - chartLeft;
  const double chartHeight = tableHeight + 11, labelsHeight = 9, axisWidth = 20;
  const QRectF plot(chartLeft + axisWidth, y + 2, chartWidth - axisWidth, chartHeight - labelsHeight - 2);
  double hi = -1e9, lo = 1e9;
  for (std::size_t i = 0; i < kBandCount; ++i) {
    hi = std::max(hi, (*s.Bands)[i]);
    lo = std::min(lo, (*s.Bands)[i] + kAWeighting[i]);
  }
  const double yHi = std::ceil(hi / 10) * 10, yLo = std::max(0.0, std::floor((lo - 5) / 10) * 10);
  const auto yOf = [&](double level) {
    return plot.bottom() - (std::clamp(level, yLo, yHi) - yLo) / std::max(1.0, yHi - yLo) * plot.height();
  };
  const QFont small = PageFont(device, 6.5);
  for (double level = yLo; level <= yHi + 1e-9; level += 10) {
    p.fillRect(QRectF(plot.left(), yOf(level) - 0.2, plot.width(), 0.4), kRule);
    Text(p, device, QRectF(chartLeft, yOf(level) - 4, axisWidth - 3, 8), Qt::AlignRight,
         Q(Format("%0.0f", {level})), small, kMuted);
  }
  const double slot = plot.width() / static_cast<double>(kBandCount);
  for (std::size_t i = 0; i < kBandCount; ++i) {
    const double x = plot.left() + static_cast<double>(i) * slot;
    const double level = (*s.Bands)[i], weighted = level + kAWeighting[i];
    p.fillRect(QRectF(x + slot * 0.15, yOf(level), slot * 0.7, plot.bottom() - yOf(level)), kAccent);
    p.fillRect(QRectF(x + slot * 0.3, yOf(weighted), slot * 0.4, plot.bottom() - yOf(weighted)), kWeighted);
    const int centre = kBandCentres[i];
    Text(p, device, QRectF(x, plot.bottom() + 1, slot, labelsHeight - 1), Qt::AlignHCenter,
         centre >= 1000 ? QStringLiteral("%1k").arg(centre / 1000) : QString::number(centre), small, kMuted);
  }
  Text(p, device, QRectF(chartLeft, top, chartWidth, 12), Qt::AlignRight,
       QStringLiteral("■ Lw dB   ■ LwA dB(A)"), PageFont(device, 6.5), kMuted);
  // The legend's squares in the bars' colours.
  {
    const QFont legend = PageFont(device, 6.5);
    const QFontMetricsF fm(legend, &device);
    const double full = fm.horizontalAdvance(QStringLiteral("■ Lw dB   ■ LwA dB(A)"));
    const double second = fm.horizontalAdvance(QStringLiteral("■ Lw dB   "));
    const double x0 = chartLeft + chartWidth - full;
    Text(p, device, QRectF(x0, top, 10, 12), Qt::AlignLeft, QStringLiteral("■"), legend, kAccent);
    Text(p, device, QRectF(x0 + second, top, 10, 12), Qt::AlignLeft, QStringLiteral("■"), legend, kWeighted);
  }
  return 17 + std::max(tableHeight + 12, chartHeight) + 10;
}

}  // namespace blowden
