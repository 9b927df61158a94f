#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QList>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "fan/FanRanking.h"
#include "fan/FanSelection.h"
#include "report/Datasheet.h"
#include "selector/ExportCommands.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace blowden {

// The ranked candidates of a duty and, below them, the rejected models with
// their reasons, one row each. Flow, pressure and power are shown in the
// selector's units; every cell's number is also given unrounded in SortRole.
// The columns are those of CandidateColumns(), in its order; each header
// gives the order that puts the best first as its Qt::InitialSortOrderRole.
class TCandidatesModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum TColumn {
    cFile,
    cMaker,
    cRange,
    cModel,
    cSpeed,
    cSpeedMargin,
    cFlow,
    cStaticPressure,
    cTotalPressure,
    cShaftPower,
    cStaticEfficiency,
    cEfficiency,
    cSoundPower,
    cStallMargin,
    cBepRatio,
    cFei,
    cElectricalPower,
    cMotor,
    cLwA,
    cLp,
    cVerdict,
    cWarnings,
    ColumnCount
  };
  static constexpr int SortRole = Qt::UserRole + 1;      // the number, or the text
  static constexpr int RejectedRole = Qt::UserRole + 2;  // true on a rejected model's row
  static constexpr int PathRole = Qt::UserRole + 3;      // the file's full path

  explicit TCandidatesModel(QObject* parent = nullptr);

  void SetRanking(TRanking ranking, const TResultUnits& units);
  void SetShowRejected(bool show);
  bool ShowRejected() const { return FShowRejected; }
  const TRanking& Ranking() const { return FRanking; }
  const TResultUnits& Units() const { return FUnits; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  QVariant CandidateData(const TCandidate& c, int column, int role) const;
  QVariant RejectedData(const TRejected& r, int column, int role) const;

  TRanking FRanking;
  TResultUnits FUnits;
  bool FShowRejected = true;
};

// Sorts by SortRole in either direction; rejected models stay below the
// candidates in their own order, and equal values keep the ranking's order.
class TCandidatesProxy : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

// A model's rows as tab-separated text: the header line, then one line per
// row in the model's order.
QString TableAsTabSeparated(const QAbstractItemModel& model);

// The candidates view of the fan selector: the table, a caption naming the
// duty and the air, "Show rejected", "Copy", "Export CSV" and "Export
// datasheets". Enter or a double-click on a row names its file and model
// through Chosen and closes the view.
class TCandidatesView : public QDialog {
  Q_OBJECT

 public:
  explicit TCandidatesView(QWidget* parent = nullptr);

  // `caption` names the duty and the air; the view adds the order the table
  // is in ("Ranked by shaft power, lowest first", the ranking's own `key`
  // until a column is clicked) and the counts, and follows every new sort.
  void SetRanking(TRanking ranking, const TResultUnits& units, const QString& caption,
                  TRankKey key = TRankKey::Power);
  // Ranks `duty` on the catalogue's models with the view's minimum FEI in
  // its energy options and shows the ranking as SetRanking does; a new
  // minimum ranks again.
  void SetCatalogue(std::shared_ptr<const TRankCatalogue> catalogue, const TDuty& duty,
                    const TResultUnits& units, const QString& caption, TRankKey key = TRankKey::Power);
  // The duty the ranking was made for; the datasheets are of it.
  void SetDuty(const TDuty& duty) { FDuty = duty; }
  const TDuty& Duty() const { return FDuty; }

  QTableView* Table() const { return FTable; }
  QCheckBox* ShowRejectedCheck() const { return FShowRejected; }
  // "Minimum FEI": models below it are rejected (0: off); remembered as
  // "Show rejected" is. It takes effect with a catalogue to rank.
  QDoubleSpinBox* MinFeiBox() const { return FMinFei; }
  QPushButton* CopyBtn() const { return FCopyBtn; }
  QPushButton* ExportCsvBtn() const { return FExportCsvBtn; }
  QPushButton* ExportDatasheetsBtn() const { return FExportDatasheetsBtn; }
  QLabel* Caption() const { return FCaption; }
  // The line above the table that says in counts why no model fits (hidden
  // while some model does).
  QLabel* CountsLine() const { return FCounts; }
  // The header's menu of columns to show; every choice is remembered, as
  // "Show rejected" is.
  QMenu* ColumnMenu();
  void ShowColumn(int column, bool show);
  TCandidatesModel* Model() const { return FModel; }
  TCandidatesProxy* Proxy() const { return FProxy; }

  // The table in its shown order on the clipboard.
  void CopyTable();
  // Chooses the current row (what Enter and a double-click do).
  void ChooseCurrent();

  // The table as shown (its columns, order and rows, rejected models when
  // shown) as a CSV file; false when cancelled or not written.
  bool ExportCsv();
  // One PDF with a datasheet page per selected candidate, in the shown
  // order; with no candidate selected, of every candidate. Rejected models
  // have no page. False when cancelled or nothing was written.
  bool ExportDatasheetsPdf();
  // The pages ExportDatasheetsPdf writes, each model read again from its
  // file; `skipped` gets a line for each row that gave no page.
  std::vector<TDatasheet> DatasheetPages(QStringList& skipped) const;
  // The candidate rows the datasheets are made of, in the shown order.
  QList<int> DatasheetRows() const;

  // Where the exports go (a file dialog when unset; tests answer here).
  TAskSavePath AskSavePath;

 signals:
  void Chosen(const QString& filePath, const QString& model);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString SortCaptionText() const;
  void UpdateCaption();
  void FitColumns();
  void RestoreChoices();
  void SaveChoices();
  void Rerank();

  QLabel* FCaption = nullptr;
  QLabel* FCounts = nullptr;
  QMenu* FColumnMenu = nullptr;
  QString FDutyCaption;
  TRankKey FRankKey = TRankKey::Power;
  bool FRestoring = false;
  QTableView* FTable = nullptr;
  QCheckBox* FShowRejected = nullptr;
  QDoubleSpinBox* FMinFei = nullptr;
  std::shared_ptr<const TRankCatalogue> FCatalogue;
  QPushButton* FCopyBtn = nullptr;
  QPushButton* FExportCsvBtn = nullptr;
  QPushButton* FExportDatasheetsBtn = nullptr;
  QLabel* FMessages = nullptr;
  TCandidatesModel* FModel = nullptr;
  TCandidatesProxy* FProxy = nullptr;
  TDuty FDuty;
};

}  // namespace blowden
