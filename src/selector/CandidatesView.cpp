#include "selector/CandidatesView.h"

#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <memory>
#include <utility>

#include "base/Format.h"
#include "fan/QmFan.h"
#include "services/MessageBox.h"
#include "services/TextColours.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Fixed(double value, int decimals) { return ToQ(FormatFixed(value, decimals)); }

QString Joined(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& line : lines) list.append(ToQ(line));
  return list.join(QStringLiteral("; "));
}

// Decimals of a unit's default format ("%0.2f" -> 2); at least `least`.
int UnitDecimals(TUnitsType type, int index, int least) {
  const std::string_view format = GetUnitsFormat(type, index);
  const auto dot = format.find('.');
  int decimals = least;
  if (dot != std::string_view::npos && dot + 1 < format.size() && format[dot + 1] >= '0' &&
      format[dot + 1] <= '9')
    decimals = format[dot + 1] - '0';
  return std::max(decimals, least);
}

}  // namespace

// --- model ------------------------------------------------------------------

TCandidatesModel::TCandidatesModel(QObject* parent) : QAbstractTableModel(parent) {}

void TCandidatesModel::SetRanking(TRanking ranking, const TResultUnits& units) {
  beginResetModel();
  FRanking = std::move(ranking);
  FUnits = units;
  endResetModel();
}

void TCandidatesModel::SetShowRejected(bool show) {
  if (show == FShowRejected) return;
  beginResetModel();
  FShowRejected = show;
  endResetModel();
}

int TCandidatesModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(FRanking.Candidates.size() + (FShowRejected ? FRanking.Rejected.size() : 0));
}

int TCandidatesModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TCandidatesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return QAbstractTableModel::headerData(section, orientation, role);
  const QString flow = ToQ(FlowUnitLabel(FUnits)), pressure = ToQ(PressureUnitLabel(FUnits)),
                power = ToQ(PowerUnitLabel(FUnits));
  switch (section) {
    case cFile:
      return QStringLiteral("File");
    case cMaker:
      return QStringLiteral("Maker");
    case cRange:
      return QStringLiteral("Range");
    case cModel:
      return QStringLiteral("Model");
    case cSpeed:
      return QStringLiteral("Speed rpm");
    case cSpeedMargin:
      return QStringLiteral("Speed margin %");
    case cFlow:
      return QStringLiteral("Flow ") + flow;
    case cStaticPressure:
      return QStringLiteral("Static pressure ") + pressure;
    case cTotalPressure:
      return QStringLiteral("Total pressure ") + pressure;
    case cShaftPower:
      return QStringLiteral("Shaft power ") + power;
    case cStaticEfficiency:
      return QStringLiteral("Static eff. %");
    case cEfficiency:
      return QStringLiteral("Total eff. %");
    case cSoundPower:
      return QStringLiteral("Sound power dB(a)");
    case cStallMargin:
      return QStringLiteral("Stall margin %");
    case cBepRatio:
      return QStringLiteral("Flow / BEP %");
    case cWarnings:
      return QStringLiteral("Warnings / reason");
    default:
      return {};
  }
}

QVariant TCandidatesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
  const auto row = static_cast<size_t>(index.row());
  if (role == RejectedRole) return row >= FRanking.Candidates.size();
  if (row < FRanking.Candidates.size()) return CandidateData(FRanking.Candidates[row], index.column(), role);
  return RejectedData(FRanking.Rejected[row - FRanking.Candidates.size()], index.column(), role);
}

QVariant TCandidatesModel::CandidateData(const TCandidate& c, int column, int role) const {
  if (role == PathRole) return ToQ(c.File);
  if (role == Qt::ToolTipRole)
    return column == cFile ? ToQ(c.File) : column == cWarnings ? Joined(c.Warnings) : QVariant();
  if (role == Qt::TextAlignmentRole)
    return column >= cSpeed && column < cWarnings ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
  if (role == Qt::ForegroundRole && column == cWarnings && !c.Warnings.empty())
    return QBrush(ErrorTextColour());
  if (role != Qt::DisplayRole && role != SortRole) return {};
  const bool sort = role == SortRole;
  auto number = [&](double value, int decimals) -> QVariant {
    return sort ? QVariant(value) : Fixed(value, decimals);
  };
  switch (column) {
    case cFile:
      return QFileInfo(ToQ(c.File)).completeBaseName();
    case cMaker:
      return ToQ(c.Maker);
    case cRange:
      return ToQ(c.Range);
    case cModel:
      return ToQ(c.Model);
    case cSpeed:
      return number(c.Speed, 0);
    case cSpeedMargin:
      return number(c.SpeedMargin, 1);
    case cFlow:
      return number(FlowInUnits(c.Flow, FUnits), UnitDecimals(utAirFlowPrim, FUnits.Flow, 2));
    case cStaticPressure:
      return number(PressureInUnits(c.StaticPressure, FUnits),
                    UnitDecimals(utAirPressDrop, FUnits.Pressure, 0));
    case cTotalPressure:
      return number(PressureInUnits(c.TotalPressure, FUnits),
                    UnitDecimals(utAirPressDrop, FUnits.Pressure, 0));
    case cShaftPower:
      return number(PowerInUnits(c.ShaftPower, FUnits), UnitDecimals(utPower, FUnits.Power, 2));
    case cStaticEfficiency:
      return number(c.StaticEfficiency, 1);
    case cEfficiency:
      return number(c.Efficiency, 1);
    case cSoundPower:
      return number(c.SoundPower, 1);
    case cStallMargin:
      // No pressure peak inside the tested flows: no margin, sorted last.
      if (!c.StallMargin) return sort ? QVariant() : QVariant(QStringLiteral("n/a"));
      return number(*c.StallMargin, 1);
    case cBepRatio:
      return number(c.BepRatio, 0);
    case cWarnings:
      return sort ? QVariant(static_cast<int>(c.Warnings.size())) : QVariant(Joined(c.Warnings));
    default:
      return {};
  }
}

namespace {

// A rejected model's reasons, then what it would have been warned of.
std::string RejectedText(const TRejected& r) {
  std::string text = r.Reason;
  for (const std::string& w : r.Warnings) text += "; warning: " + w;
  return text;
}

}  // namespace

QVariant TCandidatesModel::RejectedData(const TRejected& r, int column, int role) const {
  if (role == PathRole) return ToQ(r.File);
  // Greyed: a rejected model is there to say why it was left out.
  if (role == Qt::ForegroundRole) return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
  if (role == Qt::ToolTipRole) return column == cFile ? ToQ(r.File) : ToQ(RejectedText(r));
  if (role != Qt::DisplayRole && role != SortRole) return {};
  switch (column) {
    case cFile:
      return QFileInfo(ToQ(r.File)).completeBaseName();
    case cModel:
      return ToQ(r.Model);
    case cWarnings:
      return ToQ(RejectedText(r));
    default:
      return {};
  }
}

// --- sorting ----------------------------------------------------------------

bool TCandidatesProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  // The view reverses the result for a descending order; what must not turn
  // around is reversed here first.
  const bool descending = sortOrder() == Qt::DescendingOrder;
  const bool leftRejected = left.data(TCandidatesModel::RejectedRole).toBool();
  const bool rightRejected = right.data(TCandidatesModel::RejectedRole).toBool();
  if (leftRejected != rightRejected) return rightRejected != descending;
  if (leftRejected) return (left.row() < right.row()) != descending;
  const QVariant a = left.data(TCandidatesModel::SortRole), b = right.data(TCandidatesModel::SortRole);
  // A figure that does not exist ("n/a") goes last in either direction.
  if (a.isValid() != b.isValid()) return a.isValid() != descending;
  const int order = QVariant::compare(a, b) == QPartialOrdering::Less      ? -1
                    : QVariant::compare(a, b) == QPartialOrdering::Greater ? 1
                                                                           : 0;
  // Equal values keep the ranking's order (best first) in both directions.
  if (order == 0) return (left.row() < right.row()) != descending;
  return order < 0;
}

QString TableAsTabSeparated(const QAbstractItemModel& model) {
  QStringList lines;
  QStringList cells;
  for (int c = 0; c < model.columnCount(); ++c) cells.append(model.headerData(c, Qt::Horizontal).toString());
  lines.append(cells.join(QLatin1Char('\t')));
  for (int r = 0; r < model.rowCount(); ++r) {
    cells.clear();
    for (int c = 0; c < model.columnCount(); ++c) {
      QString text = model.index(r, c).data().toString();
      // A tab or line break inside a cell would break the columns.
      text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
      cells.append(text);
    }
    lines.append(cells.join(QLatin1Char('\t')));
  }
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// --- view -------------------------------------------------------------------

TCandidatesView::TCandidatesView(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CandidatesView"));
  setWindowTitle(QStringLiteral("Compare all"));
  setAccessibleName(QStringLiteral("Candidates"));
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  auto* root = new QVBoxLayout(this);

  FCaption = new QLabel(this);
  FCaption->setObjectName(QStringLiteral("CandidatesCaption"));
  FCaption->setWordWrap(true);
  FCaption->setTextInteractionFlags(Qt::TextSelectableByMouse);
  root->addWidget(FCaption);

  FModel = new TCandidatesModel(this);
  FProxy = new TCandidatesProxy(this);
  FProxy->setSourceModel(FModel);
  FProxy->setSortRole(TCandidatesModel::SortRole);
  FTable = new QTableView(this);
  FTable->setObjectName(QStringLiteral("CandidatesTable"));
  FTable->setAccessibleName(QStringLiteral("Candidates and rejected models"));
  FTable->setModel(FProxy);
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Several rows may be selected for the datasheets; Enter and "Select"
  // take the current one.
  FTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->setAlternatingRowColors(true);
  FTable->verticalHeader()->setVisible(false);
  // One text line per row: a table of many models reads best compact.
  FTable->verticalHeader()->setDefaultSectionSize(FTable->fontMetrics().height() + 6);
  FTable->setWordWrap(false);
  FTable->horizontalHeader()->setStretchLastSection(true);
  // The ranking's own order until the user clicks a column.
  FTable->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  FTable->setSortingEnabled(true);
  FTable->installEventFilter(this);
  root->addWidget(FTable, 1);

  FMessages = new QLabel(this);
  FMessages->setObjectName(QStringLiteral("CandidatesMessages"));
  FMessages->setWordWrap(true);
  FMessages->setVisible(false);
  root->addWidget(FMessages);

  auto* buttons = new QHBoxLayout;
  FShowRejected = new QCheckBox(QStringLiteral("Show &rejected"), this);
  FShowRejected->setObjectName(QStringLiteral("ShowRejectedCheck"));
  FShowRejected->setChecked(true);
  FCopyBtn = new QPushButton(QStringLiteral("&Copy"), this);
  FCopyBtn->setObjectName(QStringLiteral("CopyBtn"));
  FCopyBtn->setToolTip(QStringLiteral("Put the table on the clipboard as tab-separated text"));
  FCopyBtn->setAutoDefault(false);
  FExportCsvBtn = new QPushButton(QStringLiteral("Export CS&V..."), this);
  FExportCsvBtn->setObjectName(QStringLiteral("ExportCsvBtn"));
  FExportCsvBtn->setToolTip(QStringLiteral("Save the table as shown as a CSV file for a spreadsheet"));
  FExportCsvBtn->setAutoDefault(false);
  FExportDatasheetsBtn = new QPushButton(QStringLiteral("Export &datasheets..."), this);
  FExportDatasheetsBtn->setObjectName(QStringLiteral("ExportDatasheetsBtn"));
  FExportDatasheetsBtn->setToolTip(
      QStringLiteral("Save a PDF with a datasheet page for each selected candidate (all candidates when none "
                     "is selected)"));
  FExportDatasheetsBtn->setAutoDefault(false);
  auto* select = new QPushButton(QStringLiteral("&Select"), this);
  select->setObjectName(QStringLiteral("SelectBtn"));
  select->setToolTip(QStringLiteral("Show the model of the current row in the selector (Enter)"));
  select->setAutoDefault(false);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("CloseBtn"));
  close->setAutoDefault(false);
  buttons->addWidget(FShowRejected);
  buttons->addStretch(1);
  buttons->addWidget(FCopyBtn);
  buttons->addWidget(FExportCsvBtn);
  buttons->addWidget(FExportDatasheetsBtn);
  buttons->addWidget(select);
  buttons->addWidget(close);
  root->addLayout(buttons);

  connect(FShowRejected, &QCheckBox::toggled, FModel, &TCandidatesModel::SetShowRejected);
  connect(FCopyBtn, &QPushButton::clicked, this, &TCandidatesView::CopyTable);
  connect(FExportCsvBtn, &QPushButton::clicked, this, [this] { ExportCsv(); });
  connect(FExportDatasheetsBtn, &QPushButton::clicked, this, [this] { ExportDatasheetsPdf(); });
  connect(select, &QPushButton::clicked, this, &TCandidatesView::ChooseCurrent);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(FTable, &QTableView::doubleClicked, this, [this](const QModelIndex&) { ChooseCurrent(); });
  resize(1120, 480);
}

void TCandidatesView::SetRanking(TRanking ranking, const TResultUnits& units, const QString& caption) {
  QStringList messages;
  for (const std::string& m : ranking.Messages) messages.append(ToQ(m));
  FModel->SetRanking(std::move(ranking), units);
  FCaption->setText(caption);
  FMessages->setText(messages.join(QLatin1Char('\n')));
  FMessages->setVisible(!messages.isEmpty());
  FTable->resizeColumnsToContents();
  if (FProxy->rowCount() > 0) FTable->selectRow(0);
}

void TCandidatesView::CopyTable() { QApplication::clipboard()->setText(TableAsTabSeparated(*FProxy)); }

void TCandidatesView::ChooseCurrent() {
  const QModelIndex current = FTable->currentIndex();
  if (!current.isValid()) return;
  const QString path = current.data(TCandidatesModel::PathRole).toString();
  const QString model = FProxy->index(current.row(), TCandidatesModel::cModel).data().toString();
  // A file that could not be used at all names no model.
  if (model.isEmpty()) return;
  emit Chosen(path, model);
  accept();
}

bool TCandidatesView::ExportCsv() {
  const QString path = AskExportPath(this, AskSavePath, QStringLiteral("Export candidates as CSV"),
                                     QStringLiteral("Candidates.csv"), QStringLiteral("CSV files (*.csv)"),
                                     QStringLiteral(".csv"));
  if (path.isEmpty()) return false;
  return WriteExportFile(this, path, TableAsCsv(*FProxy), QStringLiteral("candidates table"));
}

QList<int> TCandidatesView::DatasheetRows() const {
  QList<int> rows;
  auto isCandidate = [this](int row) {
    return !FProxy->index(row, 0).data(TCandidatesModel::RejectedRole).toBool();
  };
  for (const QModelIndex& index : FTable->selectionModel()->selectedRows())
    if (isCandidate(index.row())) rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  if (rows.isEmpty() && FTable->selectionModel()->selectedRows().isEmpty())
    for (int row = 0; row < FProxy->rowCount(); ++row)
      if (isCandidate(row)) rows.append(row);
  return rows;
}

std::vector<TDatasheet> TCandidatesView::DatasheetPages(QStringList& skipped) const {
  std::vector<TDatasheet> pages;
  // Rows of one file in a row read it once.
  std::unique_ptr<TFan> fan;
  QString loaded;
  std::string sha256;
  for (const int row : DatasheetRows()) {
    const QString path =
        FProxy->index(row, TCandidatesModel::cFile).data(TCandidatesModel::PathRole).toString();
    const QString model = FProxy->index(row, TCandidatesModel::cModel).data().toString();
    const QString name = QFileInfo(path).completeBaseName() + QStringLiteral(" ") + model;
    if (!fan || path != loaded) {
      fan = std::make_unique<TFan>();
      // The ranking told of what the file says about its data already.
      fan->OnMessage = [](const std::string&) {};
      const std::string file = QFile::encodeName(path).toStdString();
      fan->LoadFromFile(file);
      sha256 = FileSha256(file);
      loaded = path;
    }
    try {
      // A number that does not convert throws: the row is left out.
      fan->SelectModel(model.toStdString());
      if (const auto read = fan->CurrentModel(); !read) {
        skipped.append(name + QStringLiteral(": ") + ToQ(read.Error().Text));
        continue;
      }
      pages.push_back(BuildDatasheet(*fan, FDuty, FModel->Units(), sha256));
    } catch (const std::exception& error) {
      skipped.append(name + QStringLiteral(": ") + QString::fromUtf8(error.what()));
    }
  }
  return pages;
}

bool TCandidatesView::ExportDatasheetsPdf() {
  const QList<int> rows = DatasheetRows();
  if (rows.isEmpty()) {
    TMessageBox::Information(
        this, QApplication::applicationDisplayName(),
        QStringLiteral("Rejected models have no datasheet: select one or more candidates."));
    return false;
  }
  const QString name =
      rows.size() == 1 ? FileNameOf(FProxy->index(rows.front(), TCandidatesModel::cModel).data().toString()) +
                             QStringLiteral(".pdf")
                       : QStringLiteral("Datasheets.pdf");
  const QString path = AskExportPath(this, AskSavePath, QStringLiteral("Export datasheets as PDF"), name,
                                     QStringLiteral("PDF documents (*.pdf)"), QStringLiteral(".pdf"));
  if (path.isEmpty()) return false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QStringList skipped;
  const std::vector<TDatasheet> pages = DatasheetPages(skipped);
  QApplication::restoreOverrideCursor();
  if (pages.empty()) {
    TMessageBox::Error(this, QApplication::applicationDisplayName(),
                       QStringLiteral("No datasheet could be made, %1 was not written:\n%2")
                           .arg(path, skipped.join(QLatin1Char('\n'))));
    return false;
  }
  if (!ExportDatasheets(this, pages, path)) return false;
  // The file holds the others; the user learns which ones are missing.
  if (!skipped.isEmpty())
    TMessageBox::Information(
        this, QApplication::applicationDisplayName(),
        QStringLiteral("%1 written without these models:\n%2").arg(path, skipped.join(QLatin1Char('\n'))));
  return true;
}

bool TCandidatesView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FTable && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      ChooseCurrent();
      return true;
    }
    if (key->matches(QKeySequence::Copy)) {
      CopyTable();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace blowden
