#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QStringList>

#include "base/Format.h"
#include "report/DatasheetLayout.h"

namespace blowden {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QFont SummaryFont(double points, double unit, bool bold = false) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  f.setPointSizeF(points / unit);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferNoShaping);  // the text reads back as written
  return f;
}

}  // namespace

TSummaryTable SummaryTable(const std::vector<TDatasheet>& pages) {
  TSummaryTable t;
  const TResultUnits units = pages.empty() ? TResultUnits() : pages.front().Units;
  const std::string power = units.Power == TResultUnits::kIPPower ? "hp" : std::string(PowerUnitLabel(units));
  t.Headers = {"Page",
               "Tag",
               "Qty",
               "Model",
               "Speed [rpm]",
               "Shaft power [" + power + "]",
               "Electrical power [" + power + "]",
               "FEI",
               "Verdict"};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const TDatasheet& d = pages[i];
    const TSelectionResult& r = d.Result;
    const bool solved = r.Status == 0;
    t.Rows.push_back(
        {std::to_string(i + 2), d.Mark.empty() ? std::string("–") : d.Mark, std::to_string(d.Quantity),
         d.Model, solved ? Format("%0.0f", {r.Speed}) : "–",
         solved ? Format("%0.2f", {PowerInUnits(r.ShaftPower, d.Units)}) : "–",
         r.Energy.Known ? Format("%0.2f", {PowerInUnits(r.Energy.ElectricalPower, d.Units)}) : "–",
         r.Energy.Known ? Format("%0.2f (%s)", {r.Energy.Fei, std::string(FeiBasisName(r.Energy.Basis))})
                        : "–",
         std::string(VerdictName(r.Verdict))});
  }
  return t;
}

void PaintSummaryPage(QPainter& p, const QPaintDevice& device, const std::vector<TDatasheet>& pages,
                      const TPageFrame& frame) {
  p.save();
  const double unit = device.logicalDpiY() / 72.0;
  p.scale(unit, unit);
  const double w = device.width() / unit, h = device.height() / unit;
  const QColor ink(0x1A, 0x1A, 0x1A), muted(0x5F, 0x63, 0x68), accent(0x1F, 0x3A, 0x5F),
      zebra(0xF2, 0xF4, 0xF7);
  const auto text = [&](const QRectF& r, int align, const QString& s, const QFont& f, const QColor& c) {
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, align | Qt::TextSingleLine | Qt::AlignVCenter,
               QFontMetricsF(f, &device).elidedText(s, Qt::ElideRight, r.width()));
  };
  double y = 0;
  text(QRectF(0, y, w, 12), Qt::AlignLeft, QStringLiteral("FAN SELECTION SUMMARY"),
       SummaryFont(7.5, unit, true), muted);
  y += 14;
  const std::string project = pages.empty() ? std::string() : pages.front().Project;
  text(QRectF(0, y, w, 22), Qt::AlignLeft, project.empty() ? QStringLiteral("Selections") : Q(project),
       SummaryFont(17, unit, true), accent);
  y += 26;
  text(QRectF(0, y, w, 11), Qt::AlignLeft,
       QStringLiteral("%1 datasheets follow, one per selection.").arg(pages.size()), SummaryFont(8.5, unit),
       muted);
  y += 16;
  p.fillRect(QRectF(0, y, w, 1.2), accent);
  y += 6;
  const TSummaryTable t = SummaryTable(pages);
  // Column shares of the width: the model takes the most.
  const double shares[] = {0.05, 0.11, 0.05, 0.17, 0.1, 0.14, 0.17, 0.12, 0.09};
  const double row = 13;
  const QFont font = SummaryFont(8, unit), bold = SummaryFont(8, unit, true),
              heading = SummaryFont(7.5, unit, true);
  double x = 0;
  for (std::size_t c = 0; c < t.Headers.size(); ++c) {
    text(QRectF(x + 2, y, shares[c] * w - 4, row * 1.4), Qt::AlignLeft, Q(t.Headers[c]), heading, accent);
    x += shares[c] * w;
  }
  y += row * 1.4;
  p.fillRect(QRectF(0, y, w, 0.6), accent);
  for (std::size_t i = 0; i < t.Rows.size() && y + row < h - 20; ++i) {
    if (i % 2 == 1) p.fillRect(QRectF(0, y, w, row), zebra);
    x = 0;
    for (std::size_t c = 0; c < t.Rows[i].size(); ++c) {
      text(QRectF(x + 2, y, shares[c] * w - 4, row), Qt::AlignLeft, Q(t.Rows[i][c]), c == 3 ? bold : font,
           ink);
      x += shares[c] * w;
    }
    y += row;
  }
  const double top = h - 12;
  p.fillRect(QRectF(0, top, w, 0.6), QColor(0xB0, 0xB7, 0xC0));
  const QFont small = SummaryFont(7, unit);
  if (!pages.empty())
    text(QRectF(0, top + 2, w * 0.6, 10), Qt::AlignLeft,
         Q(pages.front().Program + "  ·  " + pages.front().Date), small, muted);
  text(QRectF(w * 0.6, top + 2, w * 0.4, 10), Qt::AlignRight,
       QStringLiteral("Page %1 of %2").arg(frame.Number).arg(frame.Count), small, muted);
  p.restore();
}

}  // namespace blowden
