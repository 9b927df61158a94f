#include "app/ImportDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/Controls.h"
#include "base/Convert.h"
#include "base/Format.h"
#include "base/TextCodec.h"
#include "charts/ChartSupport.h"
#include "charts/widgets/ControlNames.h"
#include "charts/widgets/QmGraphPanel.h"
#include "fan/FanFindings.h"
#include "fan/FanLimits.h"
#include "fan/ModelFits.h"
#include "numeric/Regress.h"
#include "services/Placement.h"
#include "services/TextColours.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {

namespace {

constexpr unsigned PureRed = 0x0000FF;  // $BBGGRR
constexpr unsigned White = 0xFFFFFF;

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

// The measured points' picture: a 6 x 6 maroon ring around a white centre.
QImage RingMarker() {
  static const char* const rows[6] = {"WaMMaW", "aMMMMa", "MMwwMM", "MMwwMM", "aMMMMa", "WaMMaW"};
  QImage image(6, 6, QImage::Format_RGB32);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const char c = rows[y][x];
      image.setPixel(x, y, c == 'M' ? qRgb(128, 0, 0) : c == 'a' ? qRgb(192, 128, 128) : qRgb(255, 255, 255));
    }
  return image;
}

TGraphPanel* MakePanel(QWidget* parent, const char* name, const QString& caption) {
  auto* panel = new TGraphPanel(parent);
  NameControl(panel, QString::fromLatin1(name));
  panel->SetBevelOuter(bvNone);
  panel->SetColor(WindowColor());
  panel->SetAxesColor(WindowTextColor());
  panel->SetGridColor(White);
  panel->SetLeftMargin(44);
  panel->SetRightMargin(12);
  panel->SetTopMargin(22);
  panel->SetBottomMargin(30);
  const QFont scaleFont = ProgramFont(QStringLiteral("Tahoma"), 7);
  panel->SetScaleXFont(scaleFont);
  panel->SetScaleYFont(scaleFont);
  panel->SetScaleXTicks(5);
  panel->SetScaleYTicks(5);
  panel->SetShowXScale(true);
  panel->SetShowYScale(true);
  panel->SetAxisType(xtQuad1);
  panel->SetPlotMode(pmLineMode);
  panel->SetCaption(caption);
  panel->SetCross(RingMarker());
  panel->setMinimumSize(190, 140);
  return panel;
}

// "Static pressure" for "static pressure".
QString Capitalised(std::string_view text) {
  QString q = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
  if (!q.isEmpty()) q[0] = q[0].toUpper();
  return q;
}

QString RoleCaption(TColumnRole role) {
  return role == crIgnore ? QStringLiteral("Not imported") : Capitalised(ColumnRoleName(role));
}

QString Number(double value) { return ToQ(FormatGeneral(value, 6)); }

// The colour of a listed finding by its first word.
QColor LevelColor(const std::string& line) {
  if (line.rfind("error:", 0) == 0) return ErrorTextColour();
  if (line.rfind("warning:", 0) == 0) return WarningTextColour();
  return NoteTextColour();
}

// The physics check of the model, errors first, then warnings, then notes.
std::vector<std::string> PhysicsFindings(const TFanModel& model, double density) {
  std::vector<std::string> lines;
  // Data the verification would refuse come first.
  TFanHeader header;
  header.Density = density;
  for (const std::string& e : DataErrors(header, model)) lines.push_back("error: " + e);
  const TCurveFit fit = FitCurve(model, ckPressure);
  const std::vector<TFinding> findings = CheckModelPhysics(model, density, fit.Coeffs, fit.ErrorCode);
  for (TFindingLevel level : {TFindingLevel::Error, TFindingLevel::Warning, TFindingLevel::Note})
    for (const TFinding& f : findings) {
      if (f.Level != level) continue;
      std::string line = std::string(FindingLevelName(f.Level)) + ": ";
      if (f.Point >= 0) line += Format("point %d: ", {f.Point + 1});
      lines.push_back(line + f.Text);
    }
  return lines;
}

// The "Model" line fields: caption, object name, units type, stored unit
// (index in the type's list), format and the value they start with.
struct TLineField {
  const char* Caption;
  const char* Name;
  TUnitsType Type;
  int Base;
  const char* Format;
  double Start;  // NaN: empty
};
const TLineField kLineFields[7] = {
    {"&Diameter", "DiameterEdit", utDiameter, 1, "%0.1f", 500},
    {"&Reference speed", "RefSpeedEdit", utAngularSpeed, 0, "%0.0f", 1450},
    {"Mi&nimum speed", "MinSpeedEdit", utAngularSpeed, 0, "%0.0f", 1450},
    {"Ma&ximum speed", "MaxSpeedEdit", utAngularSpeed, 0, "%0.0f", 1450},
    {"Outlet &width", "OutletWidthEdit", utDiameter, 1, "%0.1f", 500},
    {"Outlet &height", "OutletHeightEdit", utDiameter, 1, "%0.1f", 500},
    {"Nominal &flow", "NominalFlowEdit", utAirFlowPrim, 0, "%0.4f", std::nan("")},
};

}  // namespace

TImportDialog::TImportDialog(std::vector<std::string> existing, double density, QWidget* parent)
    : QDialog(parent), FExisting(std::move(existing)), FDensity(density) {
  ChooseCsvFile = [](QWidget* owner) {
    return QFileDialog::getOpenFileName(owner, QStringLiteral("Open a table of test points"), QString(),
                                        QStringLiteral("Tables (*.csv *.txt *.tsv);;All files (*)"));
  };
  NameControl(this, QStringLiteral("ImportDialog"));
  setWindowTitle(QStringLiteral("Import table"));
  CreateControls();
  Recompute();
}

TImportDialog::~TImportDialog() = default;

void TImportDialog::CreateControls() {
  const QFont font = ProgramFont(QStringLiteral("Tahoma"), 8);
  setFont(font);

  // Left: the table, its columns and the model's data.
  auto* left = new QWidget(this);
  auto* leftColumn = new QVBoxLayout(left);
  leftColumn->setContentsMargins(0, 0, 0, 0);

  auto* tableHead = new QHBoxLayout;
  auto* tableLabel =
      new QLabel(QStringLiteral("&Table (paste from a spreadsheet, or open a CSV file):"), left);
  auto* openButton = new QPushButton(QStringLiteral("&Open CSV..."), left);
  NameControl(openButton, QStringLiteral("OpenCsvButton"));
  openButton->setAutoDefault(false);
  auto* pasteButton = new QPushButton(QStringLiteral("&Paste"), left);
  NameControl(pasteButton, QStringLiteral("PasteButton"));
  pasteButton->setAutoDefault(false);
  tableHead->addWidget(tableLabel, 1);
  tableHead->addWidget(pasteButton);
  tableHead->addWidget(openButton);
  leftColumn->addLayout(tableHead);

  FTableEdit = new QPlainTextEdit(left);
  NameControl(FTableEdit, QStringLiteral("TableEdit"));
  FTableEdit->setAccessibleName(QStringLiteral("Table"));
  FTableEdit->setFont(ProgramFont(QStringLiteral("Courier New"), 9));
  FTableEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
  FTableEdit->setPlaceholderText(
      QStringLiteral("Q [m3/h]\tPs [Pa]\tPw [kW]\tLw [dB]\n1800\t420\t0.31\t71.2\n..."));
  tableLabel->setBuddy(FTableEdit);
  leftColumn->addWidget(FTableEdit, 2);

  auto* columnsLabel = new QLabel(QStringLiteral("&Columns: what each holds, and its unit"), left);
  leftColumn->addWidget(columnsLabel);
  // One row of real controls per column (caption, what it holds, its unit,
  // first values, note), so that screen readers list the choosers and the
  // keyboard reaches them with Tab, as any other field.
  FColumnsArea = new QScrollArea(left);
  NameControl(FColumnsArea, QStringLiteral("ColumnsArea"));
  FColumnsArea->setAccessibleName(QStringLiteral("Columns"));
  FColumnsArea->setWidgetResizable(true);
  auto* columnsBox = new QWidget(FColumnsArea);
  FColumnsGrid = new QGridLayout(columnsBox);
  FColumnsGrid->setContentsMargins(4, 2, 4, 2);
  FColumnsGrid->setHorizontalSpacing(8);
  FColumnsGrid->setVerticalSpacing(2);
  const char* const titles[] = {"Column", "Holds", "Unit", "First values", "Note"};
  for (int c = 0; c < 5; ++c) {
    auto* title = new QLabel(QString::fromLatin1(titles[c]), columnsBox);
    title->setStyleSheet(QStringLiteral("font-weight: bold"));
    FColumnsGrid->addWidget(title, 0, c);
  }
  FColumnsGrid->setColumnStretch(4, 1);
  FColumnsGrid->setRowStretch(1, 1);
  FColumnsArea->setWidget(columnsBox);
  // Alt+C goes to the first column's chooser once there is a table.
  FColumnsLabel = columnsLabel;
  columnsLabel->setBuddy(FColumnsArea);
  leftColumn->addWidget(FColumnsArea, 1);

  auto* model = new QGroupBox(QStringLiteral("Model"), left);
  auto* grid = new QGridLayout(model);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  auto* nameLabel = new QLabel(QStringLiteral("N&ame"), model);
  FNameEdit = new QLineEdit(model);
  NameControl(FNameEdit, QStringLiteral("ModelNameEdit"));
  FNameEdit->setAccessibleName(QStringLiteral("Model name"));
  FNameEdit->setToolTip(QStringLiteral("The section name of the new model, for example its size"));
  nameLabel->setBuddy(FNameEdit);
  grid->addWidget(nameLabel, 0, 0);
  grid->addWidget(FNameEdit, 0, 1, 1, 4);
  for (int i = 0; i < 7; ++i) {
    const TLineField& f = kLineFields[i];
    auto* caption = new QLabel(QString::fromUtf8(f.Caption), model);
    auto* edit = new TFmtEdit(model);
    auto* unit = new TFmtEditLabel(model);
    NameControl(edit, QString::fromLatin1(f.Name));
    NameControl(unit, QString::fromLatin1(f.Name) + QStringLiteral("Unit"));
    edit->setAccessibleName(QString(QString::fromUtf8(f.Caption)).remove(QLatin1Char('&')));
    unit->setToolTip(QStringLiteral("Click, or press F4 in the field, to choose the unit"));
    edit->SetFormatStr(f.Format);
    edit->SetFormatType(ft_Fixed);
    edit->SetSigDigs(6);
    edit->SetUnitsType(f.Type);
    edit->SetUnitsBase(f.Base);
    edit->SetUnitsValue(f.Base);
    edit->SetUnitsLabel(unit);
    edit->setAlignment(Qt::AlignRight);
    if (std::isnan(f.Start))
      edit->clear();
    else
      edit->SetValue(f.Start);
    caption->setBuddy(edit);
    const int row = 1 + i / 2, col = (i % 2) * 3;
    grid->addWidget(caption, row, col);
    grid->addWidget(edit, row, col + 1);
    grid->addWidget(unit, row, col + 2);
    FLineEdits.push_back(edit);
    connect(edit, &QLineEdit::textChanged, this, [this] { Recompute(); });
    connect(edit, &QmCustomEdit::UnitsEdited, this, [this] { Recompute(); });
  }
  LineEdit(6)->setToolTip(QStringLiteral("Empty: the reader takes the point two thirds along the curve"));
  FDensityLabel = new QLabel(model);
  FDensityLabel->setText(
      QStringLiteral(
          "Air density of the catalogue: %1 kg/m³ (total pressures less the outlet's dynamic pressure)")
          .arg(Number(FDensity)));
  FDensityLabel->setWordWrap(true);
  grid->addWidget(FDensityLabel, 5, 0, 1, 6);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(4, 1);
  leftColumn->addWidget(model);

  // Right: the converted values, the fitted curves and the findings.
  auto* right = new QWidget(this);
  auto* rightColumn = new QVBoxLayout(right);
  rightColumn->setContentsMargins(0, 0, 0, 0);
  FErrorLabel = new QLabel(right);
  NameControl(FErrorLabel, QStringLiteral("ErrorLabel"));
  FErrorLabel->setWordWrap(true);
  {
    QPalette palette = FErrorLabel->palette();
    palette.setColor(QPalette::WindowText, ErrorTextColour());
    FErrorLabel->setPalette(palette);
  }
  rightColumn->addWidget(FErrorLabel);
  rightColumn->addWidget(new QLabel(QStringLiteral("Converted values (SI)"), right));
  FPreviewTable = new QTableWidget(0, 4, right);
  NameControl(FPreviewTable, QStringLiteral("PreviewTable"));
  FPreviewTable->setAccessibleName(QStringLiteral("Converted values"));
  FPreviewTable->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
  FPreviewTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FPreviewTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  rightColumn->addWidget(FPreviewTable, 2);

  auto* plots = new QGridLayout;
  plots->setSpacing(4);
  FPlots = {MakePanel(right, "ImportPlot1", QStringLiteral("Ps vs Q")),
            MakePanel(right, "ImportPlot2", QStringLiteral("Pw vs Q")),
            MakePanel(right, "ImportPlot3", QStringLiteral("Lw vs Q"))};
  for (int c = 0; c < 3; ++c) {
    FPlots[static_cast<std::size_t>(c)]->OnPaint = [this, c](TGraphPanel* panel) { PlotCurve(panel, c); };
    plots->addWidget(FPlots[static_cast<std::size_t>(c)], 0, c);
  }
  rightColumn->addLayout(plots, 2);

  rightColumn->addWidget(new QLabel(QStringLiteral("Physics check and notes"), right));
  FFindingsList = new QListWidget(right);
  NameControl(FFindingsList, QStringLiteral("FindingsList"));
  FFindingsList->setAccessibleName(QStringLiteral("Findings"));
  FFindingsList->setWordWrap(true);
  rightColumn->addWidget(FFindingsList, 2);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->addWidget(left);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
  splitter->setChildrenCollapsible(false);

  auto* buttons = new QDialogButtonBox(this);
  FInsertButton = buttons->addButton(QStringLiteral("&Insert"), QDialogButtonBox::AcceptRole);
  NameControl(FInsertButton, QStringLiteral("InsertButton"));
  FInsertButton->setToolTip(QStringLiteral("Put the model section at the end of the editor's text"));
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  NameControl(cancel, QStringLiteral("CancelButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addWidget(buttons);
  resize(1120, 700);
  FitOnScreen(this);

  connect(openButton, &QPushButton::clicked, this, &TImportDialog::OpenCsv);
  connect(pasteButton, &QPushButton::clicked, this, &TImportDialog::PasteClipboard);
  connect(FTableEdit, &QPlainTextEdit::textChanged, this, &TImportDialog::TableChanged);
  connect(FNameEdit, &QLineEdit::textChanged, this, [this] { Recompute(); });
}

QComboBox* TImportDialog::RoleCombo(int column) const {
  return column >= 0 && column < ColumnCount() ? FColumnRows[std::size_t(column)].Role : nullptr;
}

QComboBox* TImportDialog::UnitCombo(int column) const {
  return column >= 0 && column < ColumnCount() ? FColumnRows[std::size_t(column)].Unit : nullptr;
}

QString TImportDialog::ColumnNote(int column) const {
  return column >= 0 && column < ColumnCount() ? FColumnRows[std::size_t(column)].Note->text() : QString();
}

void TImportDialog::SetTableText(const QString& text) { FTableEdit->setPlainText(text); }

bool TImportDialog::LoadCsvFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    FErrorLabel->setText(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return false;
  }
  const QByteArray bytes = file.readAll();
  // Spreadsheets write UTF-8 or the Windows code page; both read.
  const TDecodedText text =
      DecodeText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  FSource = QFileInfo(path).fileName();
  SetTableText(ToQ(text.Utf8));
  return true;
}

void TImportDialog::OpenCsv() {
  const QString path = ChooseCsvFile ? ChooseCsvFile(this) : QString();
  if (!path.isEmpty()) LoadCsvFile(path);
}

void TImportDialog::PasteClipboard() {
  // The table is no longer the file opened before.
  FSource.clear();
  FTableEdit->setPlainText(QApplication::clipboard()->text());
}

void TImportDialog::TableChanged() {
  const std::vector<std::string> oldHeader = FTable.Header;
  const int oldColumns = FTable.Columns;
  FTableError = ParseTextTable(FTableEdit->toPlainText().toStdString(), FTable);
  if (!FTableError.empty()) {
    FTable = TTextTable();
    FillColumns({});
  } else if (FTable.Columns != oldColumns || FTable.Header != oldHeader || ColumnCount() == 0) {
    FillColumns(GuessColumns(FTable));
  } else {
    // Same columns: keep what the user chose, refresh the values shown.
    for (int c = 0; c < FTable.Columns; ++c) {
      QStringList first;
      for (std::size_t r = 0; r < FTable.Rows.size() && first.size() < 4; ++r)
        first << ToQ(FTable.Rows[r][static_cast<std::size_t>(c)]);
      FColumnRows[std::size_t(c)].First->setText(first.join(QStringLiteral(", ")));
    }
  }
  Recompute();
}

void TImportDialog::FillColumns(const std::vector<TColumnAssignment>& columns) {
  FFilling = true;
  QWidget* box = FColumnsArea->widget();
  for (const TColumnRow& row : FColumnRows)
    for (QWidget* w :
         {static_cast<QWidget*>(row.Title), static_cast<QWidget*>(row.Role), static_cast<QWidget*>(row.Unit),
          static_cast<QWidget*>(row.First), static_cast<QWidget*>(row.Note)})
      delete w;
  FColumnRows.clear();
  QWidget* previous = FTableEdit;
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    const auto i = static_cast<std::size_t>(c);
    const int gridRow = c + 1;
    TColumnRow row;
    QString title = QStringLiteral("%1").arg(c + 1);
    if (FTable.HasHeader && !FTable.Header[i].empty()) title += QStringLiteral(": ") + ToQ(FTable.Header[i]);
    row.Title = new QLabel(title, box);
    row.Role = new QComboBox(box);
    NameControl(row.Role, QStringLiteral("RoleCombo%1").arg(c + 1));
    row.Role->setAccessibleName(QStringLiteral("Column %1 holds").arg(c + 1));
    for (int r = 0; r < ColumnRoleCount; ++r) row.Role->addItem(RoleCaption(static_cast<TColumnRole>(r)));
    row.Role->setCurrentIndex(columns[i].Role);
    row.Title->setBuddy(row.Role);
    row.Unit = new QComboBox(box);
    NameControl(row.Unit, QStringLiteral("UnitCombo%1").arg(c + 1));
    row.Unit->setAccessibleName(QStringLiteral("Column %1 unit").arg(c + 1));
    QStringList first;
    for (std::size_t r = 0; r < FTable.Rows.size() && first.size() < 4; ++r) first << ToQ(FTable.Rows[r][i]);
    row.First = new QLabel(first.join(QStringLiteral(", ")), box);
    // Why a column whose title names a unit was left unassigned.
    row.Note = new QLabel(ToQ(columns[i].Problem), box);
    row.Note->setStyleSheet(TextColourStyle(ErrorTextColour()));
    row.Note->setToolTip(row.Note->text());
    FColumnsGrid->addWidget(row.Title, gridRow, 0);
    FColumnsGrid->addWidget(row.Role, gridRow, 1);
    FColumnsGrid->addWidget(row.Unit, gridRow, 2);
    FColumnsGrid->addWidget(row.First, gridRow, 3);
    FColumnsGrid->addWidget(row.Note, gridRow, 4);
    // Tab goes from the table text through each column's two choosers.
    setTabOrder(previous, row.Role);
    setTabOrder(row.Role, row.Unit);
    previous = row.Unit;
    QComboBox* role = row.Role;
    QComboBox* unit = row.Unit;
    QLabel* note = row.Note;
    FColumnRows.push_back(row);
    FillUnits(c, columns[i].Role, columns[i].Unit);
    connect(role, &QComboBox::currentIndexChanged, this, [this, c, note](int index) {
      if (FFilling) return;
      // The user has said what the column holds: the reason no longer applies.
      note->setText(QString());
      note->setToolTip(QString());
      const auto chosen = static_cast<TColumnRole>(index);
      FillUnits(c, chosen, DefaultRoleUnit(chosen));
      Recompute();
    });
    connect(unit, &QComboBox::currentIndexChanged, this, [this] {
      if (!FFilling) Recompute();
    });
    for (QWidget* w :
         {static_cast<QWidget*>(row.Title), static_cast<QWidget*>(role), static_cast<QWidget*>(unit),
          static_cast<QWidget*>(row.First), static_cast<QWidget*>(note)})
      w->show();
  }
  FColumnsLabel->setBuddy(FColumnRows.empty() ? static_cast<QWidget*>(FColumnsArea)
                                              : FColumnRows.front().Role);
  // The rows stay at the top of the area.
  for (int r = 0; r < FColumnsGrid->rowCount(); ++r) FColumnsGrid->setRowStretch(r, 0);
  FColumnsGrid->setRowStretch(static_cast<int>(columns.size()) + 1, 1);
  FFilling = false;
}

void TImportDialog::FillUnits(int column, TColumnRole role, int unit) {
  QComboBox* combo = UnitCombo(column);
  const bool filling = FFilling;
  FFilling = true;
  combo->clear();
  for (const TQuantityUnit& u : RoleUnits(role))
    combo->addItem(QString::fromUtf8(u.Label.data(), static_cast<int>(u.Label.size())));
  combo->setEnabled(combo->count() > 1);
  if (combo->count() > 0) combo->setCurrentIndex(qBound(0, unit, combo->count() - 1));
  FFilling = filling;
}

TModelLine TImportDialog::ReadModelLine(std::vector<std::string>& notes) const {
  // The fields' values in their stored units: mm, rpm, mm, m³/s.
  double v[7];
  for (int i = 0; i < 7; ++i) {
    // An empty field is no value (the nominal flow then falls back).
    v[i] = std::nan("");
    const TFmtEdit* edit = FLineEdits[static_cast<std::size_t>(i)];
    if (edit->text().trimmed().isEmpty()) continue;
    try {
      v[i] = FmtValueToFloat(edit->Value());
    } catch (const EConvertError&) {
    }
  }
  const auto whole = [&](int i, const char* what, const char* unit) {
    if (!std::isfinite(v[i])) return 0;
    const double rounded = std::round(v[i]);
    if (std::fabs(rounded - v[i]) > 1e-9 * std::max(1.0, std::fabs(v[i])))
      notes.push_back(Format("The %s %s %s is written as %0.0f %s: the Model line holds whole numbers",
                             {what, FormatGeneral(v[i], 8), unit, rounded, unit}));
    return static_cast<int>(std::clamp(rounded, -1e9, 1e9));
  };
  TModelLine line;
  line.Diameter = whole(0, "diameter", "mm");
  line.RefSpeed = whole(1, "reference speed", "rpm");
  line.MinSpeed = whole(2, "minimum speed", "rpm");
  line.MaxSpeed = whole(3, "maximum speed", "rpm");
  line.OutletWidth = v[4];
  line.OutletHeight = v[5];
  line.QaNom = std::isfinite(v[6]) ? v[6] : kNoNominalFlow;
  return line;
}

void TImportDialog::Recompute() {
  FNotes.clear();
  FFindings.clear();
  FCoeffs.assign(3, {});
  FResult = TImportResult();
  FError.clear();

  if (FTableEdit->toPlainText().trimmed().isEmpty()) {
    FError = "Paste a table of test points, or open a CSV file";
  } else if (!FTableError.empty()) {
    FError = "Table: " + FTableError;
  } else {
    TImportRequest request;
    request.Name = FNameEdit->text().toStdString();
    request.Line = ReadModelLine(FNotes);
    for (int c = 0; c < ColumnCount(); ++c) {
      TColumnAssignment column;
      column.Role = static_cast<TColumnRole>(std::max(0, RoleCombo(c)->currentIndex()));
      column.Unit = std::max(0, UnitCombo(c)->currentIndex());
      request.Columns.push_back(column);
    }
    request.Source = FSource.toStdString();
    request.Density = FDensity;
    if (std::string e = CheckNewModelName(request.Name, FExisting); !e.empty()) {
      FError = "Name: " + e;
    } else {
      FResult = ImportTable(FTable, request);
      FError = FResult.Error;
    }
    if (FError.empty()) {
      // The import's own note names the nominal flow the reader takes: the
      // check's note of the same fall-back would say it a second time.
      TFanModel checked = FResult.Model;
      checked.QaNomFallBack = false;
      FFindings = PhysicsFindings(checked, FDensity);
      for (int c = 0; c < 3; ++c)
        FCoeffs[static_cast<std::size_t>(c)] = FitCurve(FResult.Model, static_cast<TCurveKind>(c)).Coeffs;
    }
  }
  ShowResults();
}

std::string TImportDialog::Section() const { return FError.empty() ? FResult.Section : std::string(); }

void TImportDialog::ShowResults() {
  FErrorLabel->setText(ToQ(FError));
  FErrorLabel->setVisible(!FError.empty());
  FInsertButton->setEnabled(FError.empty());

  const TFanModel& m = FResult.Model;
  const bool total = FResult.TotalPressure;
  QStringList heads{QStringLiteral("Q [m³/s]"),
                    total ? QStringLiteral("Pt [Pa]") : QStringLiteral("Ps [Pa]")};
  if (total) heads << QStringLiteral("Ps [Pa]");
  heads << QStringLiteral("Pw [kW]") << QStringLiteral("Lw [dB]");
  FPreviewTable->clear();
  FPreviewTable->setColumnCount(static_cast<int>(heads.size()));
  FPreviewTable->setHorizontalHeaderLabels(heads);
  const int rows = FError.empty() ? m.Count : 0;
  FPreviewTable->setRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    const auto i = static_cast<std::size_t>(r);
    std::vector<double> cells{m.Qa[i], FResult.Pressure[i]};
    if (total) cells.push_back(m.Ps[i]);
    cells.push_back(m.Pw[i]);
    cells.push_back(m.Lw[i]);
    for (std::size_t c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(Number(cells[c]));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      item->setToolTip(ToQ(ShortestDecimal(cells[c])));
      FPreviewTable->setItem(r, static_cast<int>(c), item);
    }
  }

  for (int c = 0; c < 3; ++c) {
    TGraphPanel* panel = FPlots[static_cast<std::size_t>(c)];
    if (FError.empty()) {
      const TCurveFit fit = FitCurve(m, static_cast<TCurveKind>(c));
      if (fit.HasLimits) panel->SetLimits(false, fit.XMin, fit.XMax, fit.YMin, fit.YMax);
    }
    panel->update();
  }

  FFindingsList->clear();
  const auto add = [this](const QString& text, const QColor& color) {
    auto* item = new QListWidgetItem(text, FFindingsList);
    item->setForeground(color);
  };
  for (const std::string& note : FNotes) add(QStringLiteral("note: ") + ToQ(note), LevelColor("note:"));
  for (const std::string& note : FResult.Notes)
    add(QStringLiteral("note: ") + ToQ(note), LevelColor("note:"));
  for (const std::string& line : FFindings) add(ToQ(line), LevelColor(line));
}

void TImportDialog::PlotCurve(TGraphPanel* panel, int curve) {
  if (!FError.empty()) return;
  const auto kind = static_cast<TCurveKind>(curve);
  const auto flows = CurveFlows(FResult.Model, kind);
  const auto values = CurveValues(FResult.Model, kind);
  for (std::size_t i = 0; i < flows.size(); ++i) {
    panel->RestoreBackground = false;
    panel->PlotMarker(flows[i], values[i]);
  }
  const std::vector<double>& coeffs = FCoeffs[static_cast<std::size_t>(curve)];
  if (flows.empty() || coeffs.empty()) return;
  panel->NewLine = true;
  for (int i = 0; i <= 100; ++i) {
    const double x = (flows.back() - flows.front()) * i / 100 + flows.front();
    panel->PlotTo(PureRed, x, PolyValue(coeffs, x));
  }
}

// ---------------------------------------------------------------------------

TDeriveDialog::TDeriveDialog(TFanModel source, std::vector<double> totals, bool hasTotals,
                             std::vector<std::string> existing, double density, QWidget* parent)
    : QDialog(parent),
      FSource(std::move(source)),
      FTotals(std::move(totals)),
      FHasTotals(hasTotals),
      FExisting(std::move(existing)),
      FDensity(density) {
  NameControl(this, QStringLiteral("DeriveDialog"));
  setWindowTitle(QStringLiteral("Derive model from %1").arg(ToQ(FSource.Name)));
  setFont(ProgramFont(QStringLiteral("Tahoma"), 8));

  auto* form = new QGridLayout;
  auto* nameLabel = new QLabel(QStringLiteral("&New model"), this);
  FNameEdit = new QLineEdit(this);
  NameControl(FNameEdit, QStringLiteral("DeriveNameEdit"));
  nameLabel->setBuddy(FNameEdit);
  auto* diameterLabel = new QLabel(QStringLiteral("Impeller &diameter"), this);
  FDiameterEdit = new QSpinBox(this);
  NameControl(FDiameterEdit, QStringLiteral("DeriveDiameterEdit"));
  FDiameterEdit->setRange(1, 100000);
  FDiameterEdit->setSuffix(QStringLiteral(" mm"));
  FDiameterEdit->setValue(static_cast<int>(std::lround(FSource.Diameter * 1000)));
  diameterLabel->setBuddy(FDiameterEdit);
  auto* speedLabel = new QLabel(QStringLiteral("Reference &speed"), this);
  FSpeedEdit = new QSpinBox(this);
  NameControl(FSpeedEdit, QStringLiteral("DeriveSpeedEdit"));
  FSpeedEdit->setRange(1, 1000000);
  FSpeedEdit->setSuffix(QStringLiteral(" rpm"));
  FSpeedEdit->setValue(FSource.RefSpeed > 0 ? FSource.RefSpeed : 1);
  speedLabel->setBuddy(FSpeedEdit);
  form->addWidget(nameLabel, 0, 0);
  form->addWidget(FNameEdit, 0, 1);
  form->addWidget(diameterLabel, 1, 0);
  form->addWidget(FDiameterEdit, 1, 1);
  form->addWidget(speedLabel, 2, 0);
  form->addWidget(FSpeedEdit, 2, 1);
  FAckeretBox = new QCheckBox(QStringLiteral("Step the &efficiency of a smaller size down (Ackeret)"), this);
  NameControl(FAckeretBox, QStringLiteral("DeriveAckeretBox"));
  FAckeretBox->setToolTip(QStringLiteral(
      "(1 - η₂)/(1 - η₁) = 0.5 + 0.5 (Re₁/Re₂)^0.2 with Re ∝ n·D², from the model's peak total "
      "efficiency; never a step up"));
  form->addWidget(FAckeretBox, 3, 0, 1, 2);
  auto* origin = new QLabel(QStringLiteral("From %1: %2 mm at %3 rpm. Flows × k³·n, pressures × k²·n², "
                                           "powers × k⁵·n³, sound + 70·log10(k) + 50·log10(n); speed "
                                           "limits / k (the same tip speed).")
                                .arg(ToQ(FSource.Name), Number(FSource.Diameter * 1000))
                                .arg(FSource.RefSpeed),
                            this);
  origin->setWordWrap(true);

  FErrorLabel = new QLabel(this);
  NameControl(FErrorLabel, QStringLiteral("DeriveErrorLabel"));
  {
    QPalette palette = FErrorLabel->palette();
    palette.setColor(QPalette::WindowText, ErrorTextColour());
    FErrorLabel->setPalette(palette);
  }
  FNotesLabel = new QLabel(this);
  NameControl(FNotesLabel, QStringLiteral("DeriveNotesLabel"));
  FNotesLabel->setWordWrap(true);
  {
    QPalette palette = FNotesLabel->palette();
    palette.setColor(QPalette::WindowText, WarningTextColour());
    FNotesLabel->setPalette(palette);
  }
  FPreview = new QPlainTextEdit(this);
  NameControl(FPreview, QStringLiteral("DerivePreview"));
  FPreview->setReadOnly(true);
  FPreview->setLineWrapMode(QPlainTextEdit::NoWrap);
  FPreview->setFont(ProgramFont(QStringLiteral("Courier New"), 9));

  auto* buttons = new QDialogButtonBox(this);
  FInsertButton = buttons->addButton(QStringLiteral("&Insert"), QDialogButtonBox::AcceptRole);
  NameControl(FInsertButton, QStringLiteral("DeriveInsertButton"));
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(origin);
  layout->addWidget(FErrorLabel);
  layout->addWidget(FNotesLabel);
  layout->addWidget(FPreview, 1);
  layout->addWidget(buttons);
  resize(760, 420);
  FitOnScreen(this);

  connect(FNameEdit, &QLineEdit::textChanged, this, &TDeriveDialog::Recompute);
  connect(FDiameterEdit, &QSpinBox::valueChanged, this, &TDeriveDialog::Recompute);
  connect(FSpeedEdit, &QSpinBox::valueChanged, this, &TDeriveDialog::Recompute);
  connect(FAckeretBox, &QCheckBox::toggled, this, &TDeriveDialog::Recompute);
  Recompute();
}

TDeriveDialog::~TDeriveDialog() = default;

void TDeriveDialog::Recompute() {
  TDeriveRequest request;
  request.Name = FNameEdit->text().toStdString();
  request.Diameter = FDiameterEdit->value();
  request.RefSpeed = FSpeedEdit->value();
  request.EfficiencyStep = FAckeretBox->isChecked() ? TEfficiencyStep::Ackeret : TEfficiencyStep::None;
  request.Density = FDensity;
  FResult = TDeriveResult();
  FError = CheckNewModelName(request.Name, FExisting);
  if (FError.empty()) {
    FResult = DeriveModel(FSource, FHasTotals ? &FTotals : nullptr, request);
    FError = FResult.Error;
  }
  FErrorLabel->setText(ToQ(FError));
  FErrorLabel->setVisible(!FError.empty());
  FInsertButton->setEnabled(FError.empty());
  FPreview->setPlainText(FError.empty() ? ToQ(FResult.Section) : QString());
  QStringList notes;
  for (const std::string& warning : FResult.Warnings) notes << QStringLiteral("warning: ") + ToQ(warning);
  for (const std::string& note : FResult.Notes) notes << QStringLiteral("note: ") + ToQ(note);
  FNotesLabel->setText(notes.join(QLatin1Char('\n')));
  FNotesLabel->setVisible(!notes.isEmpty());
}

std::string TDeriveDialog::Section() const { return FError.empty() ? FResult.Section : std::string(); }

}  // namespace blowden
