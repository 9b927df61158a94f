#pragma once

#include <QRectF>
#include <string>
#include <vector>

#include "report/Datasheet.h"

class QPainter;
class QPaintDevice;

namespace blowden {

// One row of a datasheet table: a label, a value (right-aligned) and its
// unit; a spanning row is a label alone across the table (a status text).
struct TDatasheetRow {
  std::string Label, Value, Unit;
  bool Span = false;
  bool Emphasis = false;  // bold and red: a status or a speed out of range
};

// The model's data at reference speed: a header per column and text cells.
struct TDataTable {
  std::vector<std::string> Headers;
  std::vector<std::vector<std::string>> Rows;
};

// The page's place in the document.
struct TPageFrame {
  int Number = 1, Count = 1;
};

// What the page's tables and warnings block hold, in the datasheet's units.
std::vector<TDatasheetRow> DutyRows(const TDatasheet& d);
std::vector<TDatasheetRow> ModelRows(const TDatasheet& d);
std::vector<TDatasheetRow> ResultRows(const TDatasheet& d);
// The status text of a selection that failed, then every warning.
std::vector<std::string> WarningItems(const TDatasheet& d);
TDataTable DataTable(const TDatasheet& d);

// The two charts, painted as vectors into `target`.
void PaintSelector(QPainter& p, const QRectF& target, const TDatasheet& d);
void PaintCurveChart(QPainter& p, const QRectF& target, const TDatasheet& d, bool power);

// How the data table is split to fit a height: `Blocks` side by side of
// `RowsPerBlock` rows each, rows `RowHeight` points high.
struct TTableFit {
  int Blocks = 1;
  int RowsPerBlock = 0;
  double RowHeight = 10;
  bool Fits = true;  // false: even the smallest rows in the most blocks do not fit
};
// The largest rows (10 down to 6.5 points) in the fewest blocks (`minBlocks`
// to `maxBlocks`) that show `rows` rows under a header row in `height` points.
TTableFit FitDataTable(int rows, double height, int maxBlocks, int minBlocks = 1);

// The summary page of a document of several selections: one row per page,
// with the tag (or the page's number), model, speed, shaft power, FEI and
// verdict, in the pages' units.
struct TSummaryTable {
  std::vector<std::string> Headers;
  std::vector<std::vector<std::string>> Rows;
};
TSummaryTable SummaryTable(const std::vector<TDatasheet>& pages);
void PaintSummaryPage(QPainter& p, const QPaintDevice& device, const std::vector<TDatasheet>& pages,
                      const TPageFrame& frame);

// Lays out and paints one page on the painter's device (its paint
// rectangle, within the page's margins).
void PaintDatasheetPage(QPainter& p, const QPaintDevice& device, const TDatasheet& d,
                        const TPageFrame& frame);

}  // namespace blowden
