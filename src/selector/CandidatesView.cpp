#include "selector/CandidatesView.h"

#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "base/Format.h"
#include "fan/FigureText.h"
#include "fan/QmFan.h"
#include "selector/CandidateColumns.h"
#include "services/MessageBox.h"
#include "services/Placement.h"
#include "services/Settings.h"
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
  const std::span<const TCandidateColumn> columns = CandidateColumns();
  if (orientation != Qt::Horizontal || section < 0 || static_cast<std::size_t>(section) >= columns.size())
    return QAbstractTableModel::headerData(section, orientation, role);
  const TCandidateColumn& column = columns[static_cast<std::size_t>(section)];
  // The first click on a column puts the best first.
  if (role == Qt::InitialSortOrderRole) return column.HighestFirst ? Qt::DescendingOrder : Qt::AscendingOrder;
  if (role == Qt::ToolTipRole) return ToQ(SortCaption(section, column.HighestFirst));
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  // The unit on a line of its own keeps the columns narrow; copies and
  // exports write the header on one line.
  const std::string header = ColumnHeader(column, FUnits);
  if (column.Unit == TColumnUnit::None) return ToQ(header);
  return ToQ(header.substr(0, column.Title.size())) + QLatin1Char('\n') +
         ToQ(header.substr(column.Title.size() + 1));
}

QVariant TCandidatesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
  const auto row = static_cast<size_t>(index.row());
  if (role == RejectedRole) return row >= FRanking.Candidates.size();
  if (row < FRanking.Candidates.size()) return CandidateData(FRanking.Candidates[row], index.column(), role);
  return RejectedData(FRanking.Rejected[row - FRanking.Candidates.size()], index.column(), role);
}

QVariant TCandidatesModel::CandidateData(const TCandidate& c, int column, int role) const {
  const std::span<const TCandidateColumn> columns = CandidateColumns();
  if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) return {};
  const TCandidateColumn& d = columns[static_cast<std::size_t>(column)];
  if (role == PathRole) return ToQ(c.File.str());
  if (role == Qt::ToolTipRole) {
    if (column == cFile) return ToQ(c.File.str());
    // The model names its file and maker, which are hidden columns at first.
    if (column == cModel) return QStringLiteral("File: %1\nMaker: %2").arg(ToQ(c.File.str()), ToQ(c.Maker));
    if (column == cWarnings) return Joined(c.Warnings());
    // Lp is A-weighted where the model has octave bands, unweighted where not.
    if (column == cLp)
      return ToQ(FormatFixed(c.Sound.Lp, 1) + " " + std::string(PressureLevelUnit(c.Sound)) + " " +
                 ListenerText(c.Sound.Listener));
    return {};
  }
  if (role == Qt::TextAlignmentRole)
    return d.Figure && !d.Text ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
  if (role == Qt::ForegroundRole && column == cWarnings && !c.WarningNotes.empty())
    return QBrush(ErrorTextColour());
  if (role != Qt::DisplayRole && role != SortRole) return {};
  if (role == SortRole && d.Figure) {
    // No figure (no pressure peak inside the tested flows): sorted last.
    const std::optional<double> figure = d.Figure(c, FUnits);
    return figure ? QVariant(*figure) : QVariant();
  }
  if (d.Text) return ToQ(d.Text(c));
  const std::optional<double> figure = d.Figure ? d.Figure(c, FUnits) : std::nullopt;
  if (!figure) return ToQ(d.Missing);
  int decimals = d.Decimals;
  if (decimals < 0) {
    switch (d.Unit) {
      case TColumnUnit::Flow:
        decimals = FlowDecimals(FUnits);
        break;
      case TColumnUnit::Pressure:
        decimals = PressureDecimals(FUnits);
        break;
      case TColumnUnit::Power:
        decimals = PowerDecimals(FUnits);
        break;
      default:
        decimals = 1;
        break;
    }
  }
  return Fixed(*figure, decimals);
}

namespace {

// A rejected model's reasons, then what it would have been warned of.
std::string RejectedText(const TRejected& r) {
  std::string text = r.Reason();
  for (const std::string& w : r.Warnings()) text += "; warning: " + w;
  return text;
}

}  // namespace

QVariant TCandidatesModel::RejectedData(const TRejected& r, int column, int role) const {
  if (role == PathRole) return ToQ(r.File.str());
  // Greyed: a rejected model is there to say why it was left out.
  if (role == Qt::ForegroundRole) return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
  if (role == Qt::ToolTipRole) return column == cFile ? ToQ(r.File.str()) : ToQ(RejectedText(r));
  if (role != Qt::DisplayRole && role != SortRole) return {};
  switch (column) {
    case cFile:
      return QFileInfo(ToQ(r.File.str())).completeBaseName();
    case cModel:
      return ToQ(r.Model);
    case cVerdict:
      return ToQ(VerdictName(TVerdictKind::Rejected));
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
  for (int c = 0; c < model.columnCount(); ++c)
    cells.append(model.headerData(c, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QLatin1Char(' ')));
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

  // Why nothing fits, in counts, when no model is a candidate.
  FCounts = new QLabel(this);
  FCounts->setObjectName(QStringLiteral("CandidatesCounts"));
  FCounts->setWordWrap(true);
  FCounts->setTextInteractionFlags(Qt::TextSelectableByMouse);
  FCounts->setVisible(false);
  QFont bold = FCounts->font();
  bold.setBold(true);
  FCounts->setFont(bold);
  root->addWidget(FCounts);

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
  // The reasons and warnings take exactly what the other columns leave.
  FTable->horizontalHeader()->setSectionResizeMode(TCandidatesModel::cWarnings, QHeaderView::Stretch);
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
  // A minimum FEI ranks the catalogue again: the models below it join the
  // rejected with the core's reason.
  auto* minFeiLabel = new QLabel(QStringLiteral("Minimum &FEI"), this);
  FMinFei = new QDoubleSpinBox(this);
  FMinFei->setObjectName(QStringLiteral("MinFeiBox"));
  FMinFei->setAccessibleName(QStringLiteral("Minimum FEI"));
  FMinFei->setRange(0, 5);
  FMinFei->setSingleStep(0.05);
  FMinFei->setDecimals(2);
  FMinFei->setSpecialValueText(QStringLiteral("off"));
  // One ranking when the number is complete, not one per digit typed.
  FMinFei->setKeyboardTracking(false);
  FMinFei->setToolTip(
      QStringLiteral("Reject the models whose Fan Energy Index is below this (off: no minimum)"));
  FMinFei->setEnabled(false);
  minFeiLabel->setBuddy(FMinFei);
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
  buttons->addSpacing(12);
  buttons->addWidget(minFeiLabel);
  buttons->addWidget(FMinFei);
  buttons->addStretch(1);
  buttons->addWidget(FCopyBtn);
  buttons->addWidget(FExportCsvBtn);
  buttons->addWidget(FExportDatasheetsBtn);
  buttons->addWidget(select);
  buttons->addWidget(close);
  root->addLayout(buttons);

  connect(FShowRejected, &QCheckBox::toggled, FModel, &TCandidatesModel::SetShowRejected);
  connect(FShowRejected, &QCheckBox::toggled, this, [this] { SaveChoices(); });
  connect(FTable->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
          [this](int, Qt::SortOrder) { UpdateCaption(); });
  // Columns beyond the default ones are chosen from the header's menu.
  FTable->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FTable->horizontalHeader(), &QHeaderView::customContextMenuRequested, this,
          [this](const QPoint& at) { ColumnMenu()->popup(FTable->horizontalHeader()->mapToGlobal(at)); });
  RestoreChoices();
  connect(FMinFei, &QDoubleSpinBox::valueChanged, this, [this] {
    SaveChoices();
    Rerank();
  });
  connect(FCopyBtn, &QPushButton::clicked, this, &TCandidatesView::CopyTable);
  connect(FExportCsvBtn, &QPushButton::clicked, this, [this] { ExportCsv(); });
  connect(FExportDatasheetsBtn, &QPushButton::clicked, this, [this] { ExportDatasheetsPdf(); });
  connect(select, &QPushButton::clicked, this, &TCandidatesView::ChooseCurrent);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(FTable, &QTableView::doubleClicked, this, [this](const QModelIndex&) { ChooseCurrent(); });
  resize(1120, 480);
  FitOnScreen(this);  // a smaller screen, or a larger scale, gets it whole
}

void TCandidatesView::SetRanking(TRanking ranking, const TResultUnits& units, const QString& caption,
                                 TRankKey key) {
  QStringList messages;
  for (const std::string& m : ranking.Messages) messages.append(ToQ(m));
  const QString counts = ToQ(NothingFitsLine(ranking));
  FModel->SetRanking(std::move(ranking), units);
  FDutyCaption = caption;
  FRankKey = key;
  FCounts->setText(counts);
  FCounts->setVisible(!counts.isEmpty());
  UpdateCaption();
  FMessages->setText(messages.join(QLatin1Char('\n')));
  FMessages->setVisible(!messages.isEmpty());
  FitColumns();
  if (FProxy->rowCount() > 0) FTable->selectRow(0);
}

void TCandidatesView::SetCatalogue(std::shared_ptr<const TRankCatalogue> catalogue, const TDuty& duty,
                                   const TResultUnits& units, const QString& caption, TRankKey key) {
  FCatalogue = std::move(catalogue);
  FDuty = duty;
  FDutyCaption = caption;
  FRankKey = key;
  FModel->SetRanking(TRanking{}, units);
  FMinFei->setEnabled(FCatalogue != nullptr);
  Rerank();
}

void TCandidatesView::Rerank() {
  if (!FCatalogue) return;
  // The datasheets are judged by the same minimum.
  FDuty.Energy.MinFei = FMinFei->value();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  TRanking ranking = FCatalogue->Rank(FDuty, FRankKey);
  QApplication::restoreOverrideCursor();
  SetRanking(std::move(ranking), FModel->Units(), FDutyCaption, FRankKey);
}

QString TCandidatesView::SortCaptionText() const {
  const QHeaderView* header = FTable->horizontalHeader();
  const int column = header->sortIndicatorSection();
  if (column < 0 || column >= TCandidatesModel::ColumnCount) return ToQ(RankCaption(FRankKey));
  return ToQ(SortCaption(column, header->sortIndicatorOrder() == Qt::DescendingOrder));
}

void TCandidatesView::UpdateCaption() {
  const TRanking& ranking = FModel->Ranking();
  const QString order = QStringLiteral("%1: %2 candidates, %3 rejected.")
                            .arg(SortCaptionText())
                            .arg(ranking.Candidates.size())
                            .arg(ranking.Rejected.size());
  FCaption->setText(FDutyCaption.isEmpty() ? order : FDutyCaption + QLatin1Char(' ') + order);
}

void TCandidatesView::FitColumns() {
  FTable->resizeColumnsToContents();
  // A long name or reason does not push the other columns off the view: the
  // reasons and warnings fill what is left, their whole text in the tooltip.
  QHeaderView* header = FTable->horizontalHeader();
  const int widest = qMax(120, fontMetrics().horizontalAdvance(QLatin1Char('x')) * 32);
  for (int c = 0; c < TCandidatesModel::ColumnCount; ++c)
    if (c != TCandidatesModel::cWarnings && header->sectionSize(c) > widest) header->resizeSection(c, widest);
}

QMenu* TCandidatesView::ColumnMenu() {
  if (!FColumnMenu) {
    FColumnMenu = new QMenu(QStringLiteral("Columns"), this);
    FColumnMenu->setObjectName(QStringLiteral("CandidatesColumnMenu"));
    for (int c = 0; c < TCandidatesModel::ColumnCount; ++c) {
      QAction* action = FColumnMenu->addAction(QString());
      action->setObjectName(
          QStringLiteral("ColumnAction_%1").arg(ToQ(CandidateColumns()[std::size_t(c)].Key)));
      action->setCheckable(true);
      // The model names the row: it stays.
      action->setEnabled(c != TCandidatesModel::cModel);
      connect(action, &QAction::toggled, this, [this, c](bool on) { ShowColumn(c, on); });
    }
  }
  // Titles follow the selector's units; ticks follow the table.
  const QList<QAction*> actions = FColumnMenu->actions();
  for (int c = 0; c < actions.size(); ++c) {
    const QSignalBlocker block(actions[c]);
    actions[c]->setText(
        FModel->headerData(c, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QLatin1Char(' ')));
    actions[c]->setChecked(!FTable->isColumnHidden(c));
  }
  return FColumnMenu;
}

void TCandidatesView::ShowColumn(int column, bool show) {
  if (column < 0 || column >= TCandidatesModel::ColumnCount || column == TCandidatesModel::cModel) return;
  if (FTable->isColumnHidden(column) == !show) return;
  FTable->setColumnHidden(column, !show);
  if (show) FTable->resizeColumnToContents(column);
  SaveChoices();
}

void TCandidatesView::RestoreChoices() {
  // Nothing is written back while the choices are being restored.
  FRestoring = true;
  const auto settings = OpenSettings();
  settings->beginGroup(QStringLiteral("Candidates"));
  const std::vector<bool> shown =
      ShownColumns(settings->value(QStringLiteral("Columns")).toString().toStdString());
  FShowRejected->setChecked(settings->value(QStringLiteral("ShowRejected"), true).toBool());
  // A stored minimum out of the box's range is taken to the nearest end;
  // one that is no number is off.
  const double minFei = settings->value(QStringLiteral("MinFei"), 0.0).toDouble();
  FMinFei->setValue(std::isfinite(minFei) ? minFei : 0.0);
  settings->endGroup();
  for (int c = 0; c < TCandidatesModel::ColumnCount; ++c)
    FTable->setColumnHidden(c, c != TCandidatesModel::cModel && !shown[std::size_t(c)]);
  FRestoring = false;
}

void TCandidatesView::SaveChoices() {
  if (FRestoring) return;
  std::vector<bool> shown(TCandidatesModel::ColumnCount);
  for (int c = 0; c < TCandidatesModel::ColumnCount; ++c) shown[std::size_t(c)] = !FTable->isColumnHidden(c);
  const auto settings = OpenSettings();
  settings->beginGroup(QStringLiteral("Candidates"));
  settings->setValue(QStringLiteral("Columns"), QString::fromStdString(ShownColumnsSetting(shown)));
  settings->setValue(QStringLiteral("ShowRejected"), FShowRejected->isChecked());
  settings->setValue(QStringLiteral("MinFei"), FMinFei->value());
  settings->endGroup();
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
