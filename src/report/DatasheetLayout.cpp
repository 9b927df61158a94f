#include "report/DatasheetLayout.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "report/DatasheetSound.h"
#include "report/DatasheetStyle.h"

namespace blowden {

using namespace datasheet;

namespace {

// The warnings block's colours (the others are the datasheet's own).
const QColor kWarn(0xB0, 0x00, 0x20);
const QColor kWarnFill(0xFD, 0xEC, 0xEA);
const QColor kGood(0x2E, 0x6B, 0x30);

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The painter works in points (1/72 inch) from the paint rectangle's top
// left; fonts are sized so that they have their size in points under that
// scaling, and are measured on the device (in points, too).
class TPage {
 public:
  TPage(QPainter& p, const QPaintDevice& device) : P(p), Device(device) {
    Unit = device.logicalDpiY() / 72.0;
    Width = device.width() / Unit;
    Height = device.height() / Unit;
  }

  QFont Font(double size, bool bold = false, bool mono = false) const {
    return datasheet::PageFont(size / Unit, bold, mono);
  }
  QFontMetricsF Metrics(const QFont& f) const { return QFontMetricsF(f, &Device); }
  double TextWidth(const QString& text, const QFont& f) const { return Metrics(f).horizontalAdvance(text); }

  // One line of text in `r`, shortened with an ellipsis when it is wider.
  void Text(const QRectF& r, int align, const QString& text, const QFont& f, const QColor& c,
            Qt::TextElideMode elide = Qt::ElideRight) {
    const QString shown = Metrics(f).elidedText(text, elide, r.width());
    P.setFont(f);
    P.setPen(c);
    P.drawText(r, align | Qt::TextSingleLine | Qt::AlignVCenter, shown);
  }

  // Words wrapped to `width`; a word wider than a line is broken.
  QStringList Wrap(const QString& text, const QFont& f, double width) const {
    const QFontMetricsF fm = Metrics(f);
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
      const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
      if (fm.horizontalAdvance(candidate) <= width) {
        line = candidate;
        continue;
      }
      if (!line.isEmpty()) lines << line;
      line = word;
      while (fm.horizontalAdvance(line) > width && line.size() > 1) {
        int n = static_cast<int>(line.size()) - 1;
        while (n > 1 && fm.horizontalAdvance(line.left(n)) > width) --n;
        lines << line.left(n);
        line = line.mid(n);
      }
    }
    if (!line.isEmpty() || lines.isEmpty()) lines << line;
    return lines;
  }

  void Rule(double x, double y, double w, const QColor& c = kRule, double thickness = 0.6) {
    P.fillRect(QRectF(x, y - thickness / 2, w, thickness), c);
  }

  // A section's heading with a rule under it; returns the height used.
  double Heading(double x, double y, double w, const QString& text) {
    Text(QRectF(x, y, w, 12), Qt::AlignLeft, text, Font(9.5, true), kAccent);
    Rule(x, y + 13.5, w, kAccent, 0.8);
    return 17;
  }

  // A table of label, value (right-aligned) and unit; returns its height.
  double Table(double x, double y, double w, const std::vector<TDatasheetRow>& rows,
               double rowHeight = 11.5) {
    // Rows closer than 11.5 points take a smaller font.
    const double size = std::min(8.5, rowHeight * 0.74);
    const QFont font = Font(size), bold = Font(size, true);
    double valueWidth = 0, unitWidth = 0;
    for (const TDatasheetRow& row : rows) {
      if (row.Span) continue;
      valueWidth = std::max(valueWidth, TextWidth(Q(row.Value), bold));
      unitWidth = std::max(unitWidth, TextWidth(Q(row.Unit), font));
    }
    // The label takes what is left, at least half the width.
    valueWidth = std::min(valueWidth, w * 0.3);
    unitWidth = std::min(unitWidth, w * 0.2);
    const double pad = 4, gap = 4;
    const double unitLeft = x + w - pad - unitWidth;
    const double valueRight = unitLeft - gap;
    const double labelWidth = valueRight - valueWidth - 8 - (x + pad);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const TDatasheetRow& row = rows[i];
      const double top = y + static_cast<double>(i) * rowHeight;
      if (i % 2 == 1) P.fillRect(QRectF(x, top, w, rowHeight), kZebra);
      const QColor ink = row.Emphasis ? kWarn : kInk;
      if (row.Span) {
        Text(QRectF(x + pad, top, w - 2 * pad, rowHeight), Qt::AlignLeft, Q(row.Label), bold, ink);
        continue;
      }
      Text(QRectF(x + pad, top, labelWidth, rowHeight), Qt::AlignLeft, Q(row.Label),
           row.Emphasis ? bold : font, row.Emphasis ? kWarn : kMuted);
      Text(QRectF(valueRight - valueWidth - 8, top, valueWidth + 8, rowHeight), Qt::AlignRight, Q(row.Value),
           bold, ink);
      Text(QRectF(unitLeft, top, unitWidth + pad, rowHeight), Qt::AlignLeft, Q(row.Unit), font, kMuted);
    }
    const double height = static_cast<double>(rows.size()) * rowHeight;
    Rule(x, y + height, w);
    return height;
  }

  QPainter& P;
  const QPaintDevice& Device;
  double Unit = 1;
  double Width = 0, Height = 0;
};

// The warnings block: a red frame, a heading and the items wrapped, in the
// largest font (8.5 down to 6 points) and fewest columns (1 or 2) that fit
// `maxHeight`. Items fill a column before the next; the columns are as short
// as they can be. Items that still do not fit are counted in a last line.
struct TWarningsLayout {
  double FontSize = 8.5;
  int Columns = 1;
  std::vector<QStringList> Items;  // wrapped, in order
  double ColumnHeight = 0;         // of the items' area
  int Hidden = 0;
  double Height = 0;
};

constexpr double kWarnHeading = 17, kWarnPadding = 6, kWarnItemGap = 1.5, kWarnColumnGap = 10;

double WarnLine(double fontSize) { return fontSize * 1.25; }

double ItemHeight(const QStringList& item, double fontSize) {
  return static_cast<double>(item.size()) * WarnLine(fontSize) + kWarnItemGap;
}

// How many items, in order, fill `columns` columns of `height` points.
std::size_t ItemsThatFit(const std::vector<QStringList>& items, double fontSize, int columns, double height) {
  int column = 0;
  double used = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const double h = ItemHeight(items[i], fontSize);
    if (used + h > height + 1e-9) {
      if (++column >= columns || h > height + 1e-9) return i;
      used = 0;
    }
    used += h;
  }
  return items.size();
}

TWarningsLayout LayoutWarnings(const TPage& page, const std::vector<std::string>& items, double width,
                               double maxHeight) {
  const double room = maxHeight - kWarnHeading - 2 * kWarnPadding;
  for (int columns = 1; columns <= 2; ++columns)
    for (double size : {8.5, 7.5, 6.5, 6.0}) {
      TWarningsLayout l;
      l.FontSize = size;
      l.Columns = columns;
      const QFont font = page.Font(size);
      const double textWidth = (width - 2 * kWarnPadding - (columns - 1) * kWarnColumnGap) / columns - 10;
      double total = 0;
      for (const std::string& item : items) {
        l.Items.push_back(page.Wrap(Q(item), font, textWidth));
        total += ItemHeight(l.Items.back(), size);
      }
      const bool last = columns == 2 && size == 6.0;
      if (ItemsThatFit(l.Items, size, columns, room) < l.Items.size() && !last) continue;
      if (ItemsThatFit(l.Items, size, columns, room) < l.Items.size()) {
        // Still too many: as many as fit above a line that counts the rest.
        const std::size_t shown = ItemsThatFit(l.Items, size, columns, room - WarnLine(size));
        l.Hidden = static_cast<int>(l.Items.size() - shown);
        l.Items.resize(shown);
        l.ColumnHeight = room - WarnLine(size);
        l.Height = maxHeight;
        return l;
      }
      // The shortest columns that hold every item.
      double height = columns == 1 ? total : total / columns;
      while (ItemsThatFit(l.Items, size, columns, height) < l.Items.size()) height += WarnLine(size) / 4;
      l.ColumnHeight = height;
      l.Height = kWarnHeading + 2 * kWarnPadding + height;
      return l;
    }
  return TWarningsLayout();
}

double PaintWarnings(TPage& page, double y, double width, const TWarningsLayout& l) {
  QPainter& p = page.P;
  const QRectF box(0, y, width, l.Height);
  p.fillRect(box, kWarnFill);
  p.setPen(QPen(kWarn, 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(box);
  const int count = static_cast<int>(l.Items.size()) + l.Hidden;
  page.Text(QRectF(kWarnPadding, y + 3, width - 2 * kWarnPadding, 12), Qt::AlignLeft,
            count == 1 ? QStringLiteral("Warning") : QStringLiteral("Warnings (%1)").arg(count),
            page.Font(9.5, true), kWarn);
  const QFont font = page.Font(l.FontSize);
  const double line = WarnLine(l.FontSize);
  const double columnWidth = (width - 2 * kWarnPadding - (l.Columns - 1) * kWarnColumnGap) / l.Columns;
  const double areaTop = y + kWarnHeading + kWarnPadding;
  int column = 0;
  double used = 0;
  for (const QStringList& item : l.Items) {
    const double h = ItemHeight(item, l.FontSize);
    if (used + h > l.ColumnHeight + 1e-9 && used > 0) {
      ++column;
      used = 0;
    }
    const double left = kWarnPadding + column * (columnWidth + kWarnColumnGap);
    double top = areaTop + used;
    p.setPen(Qt::NoPen);
    p.setBrush(kWarn);
    p.drawEllipse(QPointF(left + 3, top + line / 2), 1.5, 1.5);
    for (const QString& text : item) {
      page.Text(QRectF(left + 10, top, columnWidth - 10, line), Qt::AlignLeft, text, font, kInk);
      top += line;
    }
    used += h;
  }
  if (l.Hidden > 0)
    page.Text(QRectF(kWarnPadding + 10, areaTop + l.ColumnHeight, width - 2 * kWarnPadding - 10, line),
              Qt::AlignLeft, QStringLiteral("… and %1 more not shown here").arg(l.Hidden),
              page.Font(l.FontSize, true), kWarn);
  return l.Height;
}

void PaintDataTable(TPage& page, double y, double width, const TDataTable& t, const TTableFit& fit) {
  QPainter& p = page.P;
  const int columns = static_cast<int>(t.Headers.size());
  const double gap = 12;
  // Columns no wider than their figures need: a short table stays compact.
  const double blockWidth =
      std::min((width - (fit.Blocks - 1) * gap) / fit.Blocks, 22.0 + 80.0 * std::max(1, columns));
  const double indexWidth = std::min(22.0, blockWidth * 0.12);
  const double cellWidth = (blockWidth - indexWidth) / std::max(1, columns);
  const double row = fit.RowHeight;
  const double fontSize = std::clamp(row * 0.74, 5.5, 8.0);
  const QFont font = page.Font(fontSize), bold = page.Font(fontSize, true);
  const double headerHeight = std::max(row, fontSize * 1.5);
  // Headers in a font small enough for the widest to fit its column.
  double widest = 0;
  for (const std::string& header : t.Headers) widest = std::max(widest, page.TextWidth(Q(header), bold));
  const QFont headerFont =
      widest > cellWidth - 4 ? page.Font(std::max(4.5, fontSize * (cellWidth - 4) / widest), true) : bold;
  for (int b = 0; b < fit.Blocks; ++b) {
    const double left = b * (blockWidth + gap);
    page.Text(QRectF(left, y, indexWidth - 3, headerHeight), Qt::AlignRight, QStringLiteral("#"), bold,
              kMuted);
    for (int c = 0; c < columns; ++c)
      page.Text(QRectF(left + indexWidth + c * cellWidth, y, cellWidth - 4, headerHeight), Qt::AlignRight,
                Q(t.Headers[static_cast<std::size_t>(c)]), headerFont, kAccent);
    page.Rule(left, y + headerHeight, blockWidth, kAccent, 0.6);
    for (int r = 0; r < fit.RowsPerBlock; ++r) {
      const std::size_t index = static_cast<std::size_t>(b) * static_cast<std::size_t>(fit.RowsPerBlock) +
                                static_cast<std::size_t>(r);
      if (index >= t.Rows.size()) break;
      const double top = y + headerHeight + r * row;
      if (r % 2 == 1) p.fillRect(QRectF(left, top, blockWidth, row), kZebra);
      page.Text(QRectF(left, top, indexWidth - 3, row), Qt::AlignRight, QString::number(index + 1), font,
                kMuted);
      const std::vector<std::string>& cells = t.Rows[index];
      for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c)
        page.Text(QRectF(left + indexWidth + c * cellWidth, top, cellWidth - 4, row), Qt::AlignRight,
                  Q(cells[static_cast<std::size_t>(c)]), font, kInk);
    }
  }
}

}  // namespace

TTableFit FitDataTable(int rows, double height, int maxBlocks, int minBlocks) {
  TTableFit fit;
  rows = std::max(rows, 0);
  maxBlocks = std::max(maxBlocks, 1);
  for (int blocks = std::clamp(minBlocks, 1, maxBlocks); blocks <= maxBlocks; ++blocks)
    for (double row = 10; row >= 6.5; row -= 0.5) {
      const double header = std::max(row, std::clamp(row * 0.74, 5.5, 8.0) * 1.5);
      const int capacity = static_cast<int>(std::floor((height - header) / row + 1e-9));
      if (capacity <= 0) continue;
      const int perBlock = (rows + blocks - 1) / blocks;
      if (perBlock <= capacity) {
        fit.Blocks = blocks;
        fit.RowsPerBlock = perBlock;
        fit.RowHeight = row;
        return fit;
      }
    }
  // Not even the smallest rows fit: as many as do, in every block.
  fit.Blocks = maxBlocks;
  fit.RowHeight = 6.5;
  const double header = std::max(6.5, 5.5 * 1.5);
  fit.RowsPerBlock = std::max(0, static_cast<int>(std::floor((height - header) / 6.5)));
  fit.Fits = false;
  return fit;
}

void PaintDatasheetPage(QPainter& painter, const QPaintDevice& device, const TDatasheet& d,
                        const TPageFrame& frame) {
  painter.save();
  TPage page(painter, device);
  painter.scale(page.Unit, page.Unit);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  const double W = page.Width, H = page.Height;
  const TSelectionResult& r = d.Result;

  // --- header: model, maker and range, the catalogue's identity
  double y = 0;
  const QString kind = d.Mark.empty() ? QStringLiteral("FAN DATASHEET")
                                      : QStringLiteral("FAN DATASHEET  ·  MARK %1").arg(Q(d.Mark));
  page.Text(QRectF(0, y, W / 2, 10), Qt::AlignLeft, kind, page.Font(7.5, true), kMuted, Qt::ElideRight);
  page.Text(QRectF(W / 2, y, W / 2, 10), Qt::AlignRight, Q(d.Header.Maker), page.Font(10, true), kInk);
  y += 11;
  const QFont modelFont = page.Font(17, true);
  const double rangeWidth = std::min(W * 0.45, page.TextWidth(Q(d.Header.Range), page.Font(10)) + 2);
  page.Text(QRectF(0, y, W - rangeWidth - 12, 22), Qt::AlignLeft, Q(d.Model), modelFont, kAccent);
  page.Text(QRectF(W - rangeWidth, y, rangeWidth, 14), Qt::AlignRight, Q(d.Header.Range), page.Font(10),
            kMuted);
  y += 23;
  if (!d.Header.Description.empty()) {
    page.Text(QRectF(0, y, W, 11), Qt::AlignLeft, Q(d.Header.Description), page.Font(8.5), kMuted);
    y += 12;
  }
  y += 2;
  page.Rule(0, y, W, kAccent, 1.2);
  y += 4;
  {
    const QFont label = page.Font(7.5), value = page.Font(7.5, true), mono = page.Font(7.2, false, true);
    const double lw = 78, line = 10.5;
    page.Text(QRectF(0, y, lw, line), Qt::AlignLeft, QStringLiteral("Catalogue file"), label, kMuted);
    // The file's name: a folder of the machine it was made on tells the reader nothing.
    page.Text(QRectF(lw, y, W - lw, line), Qt::AlignLeft, QFileInfo(Q(d.File)).fileName(), value, kInk,
              Qt::ElideMiddle);
    y += line;
    page.Text(QRectF(0, y, lw, line), Qt::AlignLeft, QStringLiteral("SHA-256"), label, kMuted);
    page.Text(QRectF(lw, y, W - lw, line), Qt::AlignLeft,
              d.Sha256.empty() ? QStringLiteral("–") : Q(d.Sha256), mono, kInk);
    y += line;
    page.Text(QRectF(0, y, lw, line), Qt::AlignLeft, QStringLiteral("Catalogue version"), label, kMuted);
    page.Text(QRectF(lw, y, W / 2 - lw - 8, line), Qt::AlignLeft,
              d.Header.Version.empty() ? QStringLiteral("–") : Q(d.Header.Version), value, kInk);
    page.Text(QRectF(W / 2, y, lw, line), Qt::AlignLeft, QStringLiteral("Program"), label, kMuted);
    page.Text(QRectF(W / 2 + lw, y, W / 2 - lw, line), Qt::AlignLeft, Q(d.Program), value, kInk);
    y += line + 3;
  }
  page.Rule(0, y, W);
  y += 8;

  // --- duty and model (left), results (right)
  {
    const double gap = 16, cw = (W - gap) / 2;
    double left = y, right = y;
    left += page.Heading(0, left, cw, QStringLiteral("Duty"));
    left += page.Table(0, left, cw, DutyRows(d)) + 8;
    left += page.Heading(0, left, cw, QStringLiteral("Model"));
    left += page.Table(0, left, cw, ModelRows(d));
    right +=
        page.Heading(cw + gap, right, cw,
                     r.Status == 0 ? QStringLiteral("Selection") : QStringLiteral("Selection (not met)"));
    // A full selection has many figures: closer rows keep room for the charts.
    const std::vector<TDatasheetRow> results = ResultRows(d);
    right += page.Table(cw + gap, right, cw, results, results.size() > 18 ? 9.2 : 11.5);
    y = std::max(left, right) + 10;
  }
  y += PaintSoundBlock(painter, device, y, W, d);

  // --- what the page keeps for the rest: footer, charts, data table
  const double footer = 16;
  const TDataTable table = DataTable(d);
  const int dataRows = static_cast<int>(table.Rows.size());
  // Charts smaller than this no longer read well: warnings and the data
  // table shrink first.
  const double chartsMin = 200, dataTitle = 19;
  double rest = H - footer - y;

  // --- warnings: every one, framed in red
  const std::vector<std::string> warnings = WarningItems(d);
  if (warnings.empty()) {
    page.Text(QRectF(0, y, W, 11), Qt::AlignLeft, QStringLiteral("No warnings for this selection."),
              page.Font(8.5, true), kGood);
    y += 16;
  } else {
    const double maxHeight = std::max(40.0, rest - chartsMin - dataTitle - 50);
    const TWarningsLayout l = LayoutWarnings(page, warnings, W, maxHeight);
    y += PaintWarnings(page, y, W, l) + 10;
  }
  rest = H - footer - y;

  // --- the model's data: as large as fits beside charts of at least chartsMin
  // Two blocks side by side from 8 rows on: half the height, more for the charts.
  TTableFit fit =
      FitDataTable(dataRows, std::max(0.0, rest - chartsMin - dataTitle - 8), 4, dataRows >= 8 ? 2 : 1);
  const double dataHeight = dataRows == 0
                                ? 0
                                : std::max(fit.RowHeight, std::clamp(fit.RowHeight * 0.74, 5.5, 8.0) * 1.5) +
                                      fit.RowsPerBlock * fit.RowHeight;
  double chartsHeight = std::min(rest - dataTitle - dataHeight - 8, 330.0);
  chartsHeight = std::max(chartsHeight, 60.0);

  // --- charts: the selector's (left), shaft power and efficiency (right)
  {
    const double gap = 10;
    const double leftWidth = std::round(W * 0.58);
    const QRectF selector(0, y, leftWidth, chartsHeight);
    PaintSelector(painter, selector, d);
    const double rw = W - leftWidth - gap, rh = (chartsHeight - gap) / 2;
    PaintCurveChart(painter, QRectF(leftWidth + gap, y, rw, rh), d, true);
    PaintCurveChart(painter, QRectF(leftWidth + gap, y + rh + gap, rw, rh), d, false);
    painter.setPen(QPen(kRule, 0.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(selector);
    painter.drawRect(QRectF(leftWidth + gap, y, rw, rh));
    painter.drawRect(QRectF(leftWidth + gap, y + rh + gap, rw, rh));
    y += chartsHeight + 10;
  }

  // --- the model's data at reference speed
  {
    const QString title = QStringLiteral("Model data at %1 rpm (catalogue air, as tested)")
                              .arg(QString::fromStdString(Format("%0.0f", {d.RefSpeed})));
    page.Heading(0, y, W, title);
    // Rows that do not fit are counted beside the heading, never drawn over.
    const int shownRows = std::min(dataRows, fit.Blocks * fit.RowsPerBlock);
    if (shownRows < dataRows)
      page.Text(QRectF(W / 2, y, W / 2, 12), Qt::AlignRight,
                QStringLiteral("rows 1 to %1 of %2: %3 more rows not shown")
                    .arg(shownRows)
                    .arg(dataRows)
                    .arg(dataRows - shownRows),
                page.Font(7.5, true), kWarn);
    y += dataTitle - 2;
    if (dataRows == 0) {
      page.Text(QRectF(0, y, W, 11), Qt::AlignLeft, QStringLiteral("The model has no data points."),
                page.Font(8.5), kMuted);
    } else {
      PaintDataTable(page, y, W, table, fit);
    }
  }

  // --- footer: program, file, date and page
  {
    const double top = H - footer + 4;
    page.Rule(0, top, W);
    const QFont font = page.Font(7);
    const QString file = QFileInfo(Q(d.File)).fileName();
    page.Text(QRectF(0, top + 2, W * 0.42, 10), Qt::AlignLeft,
              Q(d.Program) + QStringLiteral("  ·  ") + file + QStringLiteral("  ·  ") + Q(d.Model), font,
              kMuted, Qt::ElideMiddle);
    page.Text(QRectF(W * 0.42, top + 2, W * 0.3, 10), Qt::AlignHCenter, Q(d.Date), font, kMuted);
    page.Text(QRectF(W * 0.72, top + 2, W * 0.28, 10), Qt::AlignRight,
              QStringLiteral("Page %1 of %2").arg(frame.Number).arg(frame.Count), font, kMuted);
  }
  painter.restore();
}

}  // namespace blowden
