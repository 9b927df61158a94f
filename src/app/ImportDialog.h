#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "fan/FanAuthoring.h"
#include "fan/FanTable.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTableWidget;

namespace blowden {

class TFmtEdit;
class TGraphPanel;

// "Import table...": the user pastes a table of test points (or opens a CSV
// file), says what each column holds and in which unit, enters the model's
// name and "Model" line, and sees the values converted to SI, the fitted
// curves and what the physics check finds. Insert accepts the dialog; the
// window then puts Section() into its editor.
//
// All the arithmetic is the core's (ParseTextTable, ImportTable,
// CheckModelPhysics); the dialog gathers its inputs and shows the results.
class TImportDialog : public QDialog {
  Q_OBJECT

 public:
  // `existing`: the section names of the text the model goes into; `density`:
  // that catalogue's air density (kg/m³), for total pressures.
  TImportDialog(std::vector<std::string> existing, double density, QWidget* parent = nullptr);
  ~TImportDialog() override;

  // The table as text (what the paste field holds).
  void SetTableText(const QString& text);
  // Reads a CSV file into the paste field; false, with the reason shown, when it cannot be read.
  bool LoadCsvFile(const QString& path);
  // Asks for the CSV file to open; tests replace it. Empty: cancelled.
  std::function<QString(QWidget*)> ChooseCsvFile;

  // What the inputs give now: the section (empty while something is wrong),
  // the error, and the physics check's findings as listed ("warning: point 3:
  // Total efficiency 93.1 % is above 90 %"), errors first.
  const TImportResult& Result() const { return FResult; }
  const std::string& Error() const { return FError; }
  const std::vector<std::string>& Findings() const { return FFindings; }
  // The section to insert: Result().Section when there is no error.
  std::string Section() const;

  // The controls, for tests.
  QPlainTextEdit* TableEdit() const { return FTableEdit; }
  // The table's columns, one row of choosers each.
  int ColumnCount() const { return static_cast<int>(FColumnRows.size()); }
  QComboBox* RoleCombo(int column) const;
  QComboBox* UnitCombo(int column) const;
  // Why the column was left unassigned (a unit its title names that the
  // units catalogue does not know); empty when it was not, or once the user
  // chose what it holds.
  QString ColumnNote(int column) const;
  QLineEdit* NameEdit() const { return FNameEdit; }
  // The "Model" line fields in their order: diameter, reference, minimum and
  // maximum speed, outlet width and height, nominal flow.
  TFmtEdit* LineEdit(int item) const { return FLineEdits[static_cast<std::size_t>(item)]; }
  QLabel* ErrorLabel() const { return FErrorLabel; }
  QTableWidget* PreviewTable() const { return FPreviewTable; }
  QListWidget* FindingsList() const { return FFindingsList; }
  TGraphPanel* Plot(int curve) const { return FPlots[static_cast<std::size_t>(curve)]; }
  QPushButton* InsertButton() const { return FInsertButton; }

 private:
  void CreateControls();
  void OpenCsv();
  void PasteClipboard();
  // The table text changed: read it again; the columns are guessed again
  // when their number or titles changed.
  void TableChanged();
  void FillColumns(const std::vector<TColumnAssignment>& columns);
  void FillUnits(int column, TColumnRole role, int unit);
  // Any input changed: build the section and show the results.
  void Recompute();
  TModelLine ReadModelLine(std::vector<std::string>& notes) const;
  void ShowResults();
  void PlotCurve(TGraphPanel* panel, int curve);

  std::vector<std::string> FExisting;
  double FDensity;
  QString FSource;  // the CSV file's name, for the section's comment line
  TTextTable FTable;
  std::string FTableError;
  TImportResult FResult;
  std::string FError;
  std::vector<std::string> FNotes;
  std::vector<std::string> FFindings;
  std::vector<std::vector<double>> FCoeffs;  // the three fits of the preview
  bool FFilling = false;                     // controls being filled from code

  QPlainTextEdit* FTableEdit = nullptr;
  // One row of the columns area.
  struct TColumnRow {
    QLabel* Title = nullptr;
    QComboBox* Role = nullptr;
    QComboBox* Unit = nullptr;
    QLabel* First = nullptr;
    QLabel* Note = nullptr;
  };
  QLabel* FColumnsLabel = nullptr;
  QScrollArea* FColumnsArea = nullptr;
  QGridLayout* FColumnsGrid = nullptr;
  std::vector<TColumnRow> FColumnRows;
  QLineEdit* FNameEdit = nullptr;
  std::vector<TFmtEdit*> FLineEdits;
  QLabel* FErrorLabel = nullptr;
  QLabel* FDensityLabel = nullptr;
  QTableWidget* FPreviewTable = nullptr;
  std::vector<TGraphPanel*> FPlots;
  QListWidget* FFindingsList = nullptr;
  QPushButton* FInsertButton = nullptr;
};

// "Derive model...": a new size of the selected model by the fan laws. The
// user gives the new name, impeller diameter and reference speed, may step
// the efficiency of a smaller size down by Ackeret's formula, and sees the
// section with its notes and warnings; Insert accepts the dialog. A result
// that would not verify cannot be inserted.
class TDeriveDialog : public QDialog {
  Q_OBJECT

 public:
  // `source`: the model read to the end; `totals`: its listed total
  // pressures when its section gives them; `existing`: the section names of
  // the text the new model goes into; `density`: the catalogue's test
  // density (kg/m³).
  TDeriveDialog(TFanModel source, std::vector<double> totals, bool hasTotals,
                std::vector<std::string> existing, double density, QWidget* parent = nullptr);
  ~TDeriveDialog() override;

  const TDeriveResult& Result() const { return FResult; }
  const std::string& Error() const { return FError; }
  std::string Section() const;

  QLineEdit* NameEdit() const { return FNameEdit; }
  QSpinBox* DiameterEdit() const { return FDiameterEdit; }
  QSpinBox* SpeedEdit() const { return FSpeedEdit; }
  QCheckBox* AckeretBox() const { return FAckeretBox; }
  // The notes and warnings of the result, one a line ("warning: ...").
  QLabel* NotesLabel() const { return FNotesLabel; }
  QPlainTextEdit* Preview() const { return FPreview; }
  QLabel* ErrorLabel() const { return FErrorLabel; }
  QPushButton* InsertButton() const { return FInsertButton; }

 private:
  void Recompute();

  TFanModel FSource;
  std::vector<double> FTotals;
  bool FHasTotals;
  std::vector<std::string> FExisting;
  double FDensity;
  TDeriveResult FResult;
  std::string FError;

  QLineEdit* FNameEdit = nullptr;
  QSpinBox* FDiameterEdit = nullptr;
  QSpinBox* FSpeedEdit = nullptr;
  QCheckBox* FAckeretBox = nullptr;
  QLabel* FNotesLabel = nullptr;
  QPlainTextEdit* FPreview = nullptr;
  QLabel* FErrorLabel = nullptr;
  QPushButton* FInsertButton = nullptr;
};

}  // namespace blowden
