#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Csv.h"
#include "fan/FanRanking.h"
#include "report/Datasheet.h"
#include "selector/CandidatesView.h"
#include "selector/ExportCommands.h"
#include "selector/QmFanForm.h"
#include "services/FileChecks.h"
#include "services/MessageBox.h"
#include "services/Settings.h"
#include "support/TestSupport.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {
namespace {

namespace fs = std::filesystem;

// The sample catalogues are installed; the duty is one that many of their
// models meet, in three files.
constexpr double kFlow = 1.0, kPressure = 500.0;
const char* const kFile = "orvane-bc-centrifugal";
const char* const kModel = "BC560";

// Pages of a PDF: its page objects ("/Type /Page", not "/Type /Pages").
int PdfPages(const std::string& pdf) {
  int pages = 0;
  const std::string key = "/Type /Page";
  for (size_t at = pdf.find(key); at != std::string::npos; at = pdf.find(key, at + key.size()))
    if (at + key.size() >= pdf.size() || pdf[at + key.size()] != 's') ++pages;
  return pages;
}

// The files of a folder, by name.
std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMessageBox::SetTestMode(true);
    TStartupValues values = StartupValues();
    FDatabase = std::make_unique<test::TTempDir>();
    values.DatabaseFolder = FDatabase->Path().string() + "/";
    SetStartupValues(values);
    OpenSettings()->clear();
    for (const auto& sample : fs::directory_iterator(test::SamplesDir()))
      if (sample.path().extension() == ".qfn")
        fs::copy_file(sample.path(), FDatabase->Path() / sample.path().filename());
  }

  void TearDown() override {
    OpenSettings()->clear();
    TMessageBox::TakeRecorded();
  }

  // The selector at the duty on kFile's kModel, every save dialog
  // answered with `FAnswer` and the suggestion kept in `FSuggested`.
  std::unique_ptr<TFanForm> OpenForm() {
    auto form = std::make_unique<TFanForm>();
    form->AskSavePath = Answer();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->VolEdit()->SetValue(kFlow);
    form->PStaticEdit()->SetValue(kPressure);
    EXPECT_TRUE(form->ChooseFileAndModel(kFile, kModel));
    return form;
  }

  TAskSavePath Answer() {
    return [this](const QString&, const QString& suggested, const QString& filter) {
      FSuggested = suggested;
      FFilter = filter;
      return FAnswer;
    };
  }

  // Runs "Compare all" and hands the candidates view, answering its save
  // dialogs like the form's, to `use`.
  void WithCandidates(TFanForm& form, const std::function<void(TCandidatesView&)>& use) {
    bool shown = false;
    form.CandidatesViewHook = [&](TCandidatesView& view) {
      shown = true;
      view.AskSavePath = Answer();
      use(view);
    };
    form.CompareBtn()->click();
    EXPECT_TRUE(shown);
  }

  std::unique_ptr<test::TTempDir> FDatabase;
  test::TTempDir FOut;
  QString FAnswer;
  QString FSuggested, FFilter;
};

// --- CSV ----------------------------------------------------------------------

TEST_F(ExportTest, CsvOfAKnownRankingIsTheShownTableQuotedAsSpreadsheetsReadIt) {
  TRanking ranking;
  TCandidate a;
  a.File = "/db/Alpha.qfn";
  a.Maker = "Orvane, Ltd";  // a comma: quoted
  a.Range = "TST";
  a.Model = "T400 \"quiet\"";  // quotes: doubled
  a.Speed = 1234.4;
  a.SpeedMargin = 31.44;
  a.Flow = 0.9;
  a.StaticPressure = 400.4;
  a.TotalPressure = 452.6;
  a.ShaftPower = 0.81234;
  a.StaticEfficiency = 44.36;
  a.Efficiency = 50.24;
  a.SoundPower = 83.26;
  a.StallMargin = 12.5;
  a.BepRatio = 96.4;
  a.WarningNotes = {SaidNote("near stall"), SaidNote("fast")};
  a.Energy.Known = true;
  a.Energy.Fei = 1.234;
  a.Energy.ElectricalPower = 0.95;
  a.Energy.Motor.RatedPower = 1.1;
  a.Sound.LwA = 78.26;
  a.Sound.Lp = 66.71;
  TCandidate b;
  b.File = "/db/Beta.qfn";
  b.Maker = "Beta Fans";
  b.Range = "BF";
  b.Model = "B315";
  b.Speed = 1450;
  b.Flow = 0.9;
  b.StaticPressure = 400;
  b.TotalPressure = 430;
  b.ShaftPower = 1.5;
  ranking.Candidates = {a, b};
  ranking.Rejected = {RejectedFor("/db/Alpha.qfn", "T500", 0, "speed 1840 rpm above the maximum 1600 rpm")};

  TCandidatesView view;
  view.AskSavePath = Answer();
  view.SetRanking(ranking, TResultUnits{}, QStringLiteral("Duty"));
  FAnswer = QString::fromStdString(FOut.File("ranking"));
  ASSERT_TRUE(view.ExportCsv());
  EXPECT_EQ(FFilter, "CSV files (*.csv)");
  EXPECT_TRUE(FSuggested.endsWith("/Candidates.csv")) << FSuggested.toStdString();
  // ".csv" is added to a name without it.
  const std::string header =
      "File,Maker,Range,Model,Speed rpm,Speed margin %,Flow m\xC2\xB3/s,Static pressure Pa,Total pressure Pa,"
      "Shaft power kW,Static eff. %,Total eff. %,Sound power dB(a),Stall margin %,Flow / BEP %,FEI,"
      "Electrical power kW,Motor kW,LwA dB(A),Lp dB,Verdict,"
      "Warnings / reason\r\n";
  EXPECT_EQ(test::ReadFileBytes(FOut.File("ranking.csv")),
            header +
                "Alpha,\"Orvane, Ltd\",TST,\"T400 "
                "\"\"quiet\"\"\",1234,31.4,0.900,400,453,0.812,44.4,50.2,83.3,12.5,"
                "96,1.23,0.950,1.100,78.3,66.7,ok,near stall; fast\r\n"
                "Beta,Beta Fans,BF,B315,1450,0.0,0.900,400,430,1.500,0.0,0.0,0.0,n/a,0,,,,,0.0,ok,\r\n"
                "Alpha,,,T500,,,,,,,,,,,,,,,,,rejected,speed 1840 rpm above the maximum 1600 rpm\r\n");

  // The shown order and rows: sorted by model, without the rejected.
  view.ShowRejectedCheck()->setChecked(false);
  view.Table()->sortByColumn(TCandidatesModel::cModel, Qt::AscendingOrder);
  FAnswer = QString::fromStdString(FOut.File("sorted.csv"));
  ASSERT_TRUE(view.ExportCsv());
  std::vector<TCsvRecord> records;
  std::string error;
  ASSERT_TRUE(ParseCsv(test::ReadFileBytes(FOut.File("sorted.csv")), records, error)) << error;
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].Fields[3], "B315");
  EXPECT_EQ(records[2].Fields[3], "T400 \"quiet\"");
  EXPECT_EQ(records[2].Fields[1], "Orvane, Ltd");
}

TEST_F(ExportTest, CsvColumnsFollowTheSelectorsUnits) {
  auto form = OpenForm();
  form->PowerUnitsBox()->setCurrentIndex(1);
  const TResultUnits units = form->ResultUnits();
  WithCandidates(*form, [&](TCandidatesView& view) {
    FAnswer = QString::fromStdString(FOut.File("units.csv"));
    ASSERT_TRUE(view.ExportCsv());
    std::vector<TCsvRecord> records;
    std::string error;
    ASSERT_TRUE(ParseCsv(test::ReadFileBytes(FOut.File("units.csv")), records, error)) << error;
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[0].Fields[TCandidatesModel::cShaftPower],
              "Shaft power " + std::string(PowerUnitLabel(units)));
    // Every row as the view shows it.
    QAbstractItemModel* shown = view.Table()->model();
    ASSERT_EQ(records.size(), static_cast<size_t>(shown->rowCount() + 1));
    for (int row = 0; row < shown->rowCount(); ++row)
      for (int column = 0; column < shown->columnCount(); ++column)
        EXPECT_EQ(records[row + 1].Fields[column], shown->index(row, column).data().toString().toStdString())
            << row << "," << column;
  });
}

// --- datasheets -----------------------------------------------------------------

TEST_F(ExportTest, DatasheetsOfTheCandidatesViewHaveAPagePerSelectedCandidate) {
  auto form = OpenForm();
  WithCandidates(*form, [&](TCandidatesView& view) {
    QAbstractItemModel* shown = view.Table()->model();
    int candidates = 0;
    while (candidates < shown->rowCount() &&
           !shown->index(candidates, 0).data(TCandidatesModel::RejectedRole).toBool())
      ++candidates;
    ASSERT_GE(candidates, 3) << "the samples must give three candidates";
    QItemSelectionModel* selection = view.Table()->selectionModel();
    auto select = [&](const std::vector<int>& rows) {
      selection->clearSelection();
      for (int row : rows)
        selection->select(shown->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };

    struct TCase {
      std::vector<int> Rows;  // selected
      int Pages;
      const char* Suggested;
    };
    const std::vector<TCase> cases = {
        {{0}, 1, nullptr},                   // one: named after its model
        {{2, 0}, 2, "Datasheets.pdf"},       // in the shown order
        {{}, candidates, "Datasheets.pdf"},  // none selected: every candidate
    };
    for (const TCase& c : cases) {
      SCOPED_TRACE(c.Pages);
      select(c.Rows);
      const QString path = QString::fromStdString(FOut.File("sheets" + std::to_string(c.Pages) + ".pdf"));
      FAnswer = path;
      ASSERT_TRUE(view.ExportDatasheetsPdf());
      EXPECT_EQ(FFilter, "PDF documents (*.pdf)");
      const QString expected = c.Suggested
                                   ? QString::fromLatin1(c.Suggested)
                                   : shown->index(0, TCandidatesModel::cModel).data().toString() + ".pdf";
      EXPECT_EQ(QFileInfo(FSuggested).fileName(), expected);
      const std::string pdf = test::ReadFileBytes(path.toStdString());
      EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
      // Several sheets begin with their summary page.
      EXPECT_EQ(PdfPages(pdf), c.Pages > 1 ? c.Pages + 1 : c.Pages);
    }

    // Each page is of its row's model and file, at the view's duty and units.
    select({2, 0});
    QStringList skipped;
    const std::vector<TDatasheet> pages = view.DatasheetPages(skipped);
    EXPECT_TRUE(skipped.isEmpty()) << skipped.join('\n').toStdString();
    ASSERT_EQ(pages.size(), 2u);
    const int rows[] = {0, 2};
    for (size_t i = 0; i < pages.size(); ++i) {
      const QModelIndex index = shown->index(rows[i], TCandidatesModel::cModel);
      EXPECT_EQ(pages[i].Model, index.data().toString().toStdString());
      const std::string file = index.data(TCandidatesModel::PathRole).toString().toStdString();
      EXPECT_EQ(pages[i].Sha256, FileSha256(file));
      EXPECT_EQ(pages[i].Sha256.size(), 64u);
      EXPECT_DOUBLE_EQ(pages[i].Duty.Flow, kFlow);
      EXPECT_DOUBLE_EQ(pages[i].Duty.Pressure, kPressure);
      EXPECT_EQ(pages[i].Units.Power, view.Model()->Units().Power);
    }

    // Rejected rows have no page: a selection of them alone says so and
    // writes nothing.
    if (candidates < shown->rowCount()) {
      select({candidates});
      FAnswer = QString::fromStdString(FOut.File("rejected.pdf"));
      EXPECT_FALSE(view.ExportDatasheetsPdf());
      EXPECT_FALSE(fs::exists(FOut.File("rejected.pdf")));
      EXPECT_EQ(TMessageBox::TakeRecorded().size(), 1);
    }
  });
}

TEST_F(ExportTest, SelectorExportsAndPrintsTheDatasheetOfTheEvaluatedDuty) {
  auto form = OpenForm();
  ASSERT_EQ(form->FanName(), kModel);
  EXPECT_TRUE(form->ExportBtn()->isEnabled());
  EXPECT_TRUE(form->PrintBtn()->isEnabled());

  FAnswer = QString::fromStdString(FOut.File(kModel));
  ASSERT_TRUE(form->ExportDatasheet());
  EXPECT_EQ(QFileInfo(FSuggested).fileName(), QString(kModel) + ".pdf");
  const std::string pdf = test::ReadFileBytes(FOut.File(std::string(kModel) + ".pdf"));
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_EQ(PdfPages(pdf), 1);

  // The page is of the duty, air and units the window shows.
  TDatasheet sheet;
  QString why;
  ASSERT_TRUE(form->CurrentDatasheet(sheet, why)) << why.toStdString();
  EXPECT_EQ(sheet.Model, kModel);
  EXPECT_DOUBLE_EQ(sheet.Duty.Flow, kFlow);
  EXPECT_DOUBLE_EQ(sheet.Duty.Pressure, kPressure);
  EXPECT_EQ(sheet.Duty.Kind, form->PressureKind());
  EXPECT_EQ(sheet.Units.Pressure, form->ResultUnits().Pressure);
  EXPECT_EQ(sheet.Sha256, FileSha256(FDatabase->File(std::string(kFile) + ".qfn")));
  EXPECT_NEAR(sheet.Result.Speed, form->LastResult().Speed, 1e-9);

  // Print: the preview paints the page on the printer it is given.
  bool previewed = false;
  form->PrintPreviewHook = [&](QPrintPreviewDialog& dialog) {
    previewed = true;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(FOut.File("printed.pdf")));
    emit dialog.paintRequested(&printer);
  };
  form->PrintBtn()->click();
  EXPECT_TRUE(previewed);
  EXPECT_EQ(PdfPages(test::ReadFileBytes(FOut.File("printed.pdf"))), 1);
  EXPECT_TRUE(TMessageBox::TakeRecorded().isEmpty());
}

TEST_F(ExportTest, TheExportAsksForProjectTagAndQuantityAndRemembersThem) {
  auto form = OpenForm();
  int asked = 0;
  form->AskSubmittal = [&](TSubmittalFields& fields) {
    ++asked;
    // The second export starts from the first one's answer.
    if (asked == 2) {
      EXPECT_EQ(fields.Tag, "EF-9");
    }
    fields = {QStringLiteral("Harbour Offices"), QStringLiteral("EF-9"), 4};
    return true;
  };
  FAnswer = QString::fromStdString(FOut.File("submittal"));
  ASSERT_TRUE(form->ExportDatasheet());
  ASSERT_TRUE(form->ExportDatasheet());
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(form->Submittal().Quantity, 4);
  TDatasheet sheet;
  QString why;
  ASSERT_TRUE(form->CurrentDatasheet(sheet, why));
  ApplySubmittalFields(form->Submittal(), sheet);
  EXPECT_EQ(sheet.Project, "Harbour Offices");
  EXPECT_EQ(sheet.Mark, "EF-9");
  // The motor margin box is the selection's margin: a larger one never
  // gives a smaller motor.
  const double before = form->LastResult().Energy.Motor.RatedPower;
  EXPECT_GT(before, 0);
  form->MotorMarginBox()->setValue(100);
  EXPECT_EQ(form->LastResult().Energy.MotorMargin, 100);
  EXPECT_GE(form->LastResult().Energy.Motor.RatedPower, before);
  // Cancelled: nothing is written.
  form->AskSubmittal = [](TSubmittalFields&) { return false; };
  EXPECT_FALSE(form->ExportDatasheet());
}

TEST_F(ExportTest, WithoutAnEvaluatedDutyTheCommandsAreOffAndSayWhy) {
  auto form = OpenForm();
  form->BrowseCheck()->click();
  ASSERT_TRUE(form->BrowseCheck()->isChecked());
  EXPECT_FALSE(form->ExportBtn()->isEnabled());
  EXPECT_FALSE(form->PrintBtn()->isEnabled());
  EXPECT_TRUE(form->ExportBtn()->toolTip().contains("Browse mode"))
      << form->ExportBtn()->toolTip().toStdString();
  // Called anyway (the menu key of a stale menu), it explains and asks nothing.
  FAnswer = QString::fromStdString(FOut.File("browse.pdf"));
  FSuggested.clear();
  EXPECT_FALSE(form->ExportDatasheet());
  EXPECT_TRUE(FSuggested.isEmpty());
  EXPECT_FALSE(fs::exists(FOut.File("browse.pdf")));
  const QStringList boxes = TMessageBox::TakeRecorded();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].contains("Browse mode")) << boxes[0].toStdString();

  form->BrowseCheck()->click();
  EXPECT_TRUE(form->ExportBtn()->isEnabled());
  // A duty the file cannot read leaves no results.
  form->VolEdit()->setText("x");
  form->Evaluate();
  EXPECT_FALSE(form->ExportBtn()->isEnabled());
  EXPECT_FALSE(form->PrintBtn()->isEnabled());
}

TEST_F(ExportTest, CsvTextThatASpreadsheetWouldRunGetsAQuote) {
  TRanking ranking;
  TCandidate a;
  a.File = "/db/Alpha.qfn";
  a.Maker = "=HYPERLINK(\"http://x.example\",\"m\")";
  a.Range = "@SUM(1,2)";
  a.Model = "+1+cmd|x";
  a.Speed = 1200;
  a.Flow = 0.9;
  a.StaticPressure = 400;
  a.StallMargin = -12.5;  // a negative number stays a number
  ranking.Candidates = {a};
  TCandidatesView view;
  view.AskSavePath = Answer();
  view.SetRanking(ranking, TResultUnits{}, QStringLiteral("Duty"));
  FAnswer = QString::fromStdString(FOut.File("hostile.csv"));
  ASSERT_TRUE(view.ExportCsv());
  std::vector<TCsvRecord> records;
  std::string error;
  ASSERT_TRUE(ParseCsv(test::ReadFileBytes(FOut.File("hostile.csv")), records, error)) << error;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].Fields[1], "'=HYPERLINK(\"http://x.example\",\"m\")");
  EXPECT_EQ(records[1].Fields[2], "'@SUM(1,2)");
  EXPECT_EQ(records[1].Fields[3], "'+1+cmd|x");
  EXPECT_EQ(records[1].Fields[13], "-12.5");
}

TEST_F(ExportTest, AnExportNeverReplacesAFanFile) {
  // A catalogue saved under a name an export may choose: the save dialog's
  // question was answered, but the file is still not replaced.
  const std::string catalogue = test::ReadFileBytes(test::SamplesDir() / "orvane-ax-axial.qfn");
  const std::string pdf = FOut.Write("catalogue.pdf", catalogue);
  const std::string csv = FOut.Write("catalogue.csv", catalogue);
  auto form = OpenForm();
  FAnswer = QString::fromStdString(pdf);
  EXPECT_FALSE(form->ExportDatasheet());
  WithCandidates(*form, [&](TCandidatesView& view) {
    EXPECT_FALSE(view.ExportDatasheetsPdf());
    FAnswer = QString::fromStdString(csv);
    EXPECT_FALSE(view.ExportCsv());
  });
  const QStringList boxes = TMessageBox::TakeRecorded();
  ASSERT_EQ(boxes.size(), 3);
  for (const QString& box : boxes) EXPECT_TRUE(box.contains("is a fan data file")) << box.toStdString();
  EXPECT_EQ(test::ReadFileBytes(pdf), catalogue);
  EXPECT_EQ(test::ReadFileBytes(csv), catalogue);
  // Nor a read-only file (root may write it: the access check then goes by
  // the owner's write bit, as for an ordinary user).
  const std::string readOnly = FOut.Write("ro.pdf", "%PDF-1.4\nkept\n");
  fs::permissions(readOnly, fs::perms(0444));
  SetWriteAccessForTesting([](const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
  });
  FAnswer = QString::fromStdString(readOnly);
  EXPECT_FALSE(form->ExportDatasheet());
  SetWriteAccessForTesting(nullptr);
  const QStringList readOnlyBoxes = TMessageBox::TakeRecorded();
  ASSERT_EQ(readOnlyBoxes.size(), 1);
  EXPECT_TRUE(readOnlyBoxes[0].contains("read-only")) << readOnlyBoxes[0].toStdString();
  EXPECT_EQ(test::ReadFileBytes(readOnly), "%PDF-1.4\nkept\n");
  // An earlier export is replaced as before.
  const std::string old = FOut.Write("old.pdf", "%PDF-1.4\nold\n");
  FAnswer = QString::fromStdString(old);
  EXPECT_TRUE(form->ExportDatasheet());
  EXPECT_NE(test::ReadFileBytes(old), "%PDF-1.4\nold\n");
}

// --- failures and the folder ----------------------------------------------------------

TEST_F(ExportTest, AFailedWriteSaysWhereAndWhyAndLeavesNothing) {
  auto form = OpenForm();
  fs::create_directory(FOut.Path() / "taken.pdf");
  struct TCase {
    const char* Name;
    std::string Path;
    const char* Reason;  // a part of the box's text
  };
  const std::vector<TCase> cases = {
      {"a folder", FOut.File("taken.pdf"), "directory"},
      {"a missing folder", FOut.File("missing/sheet.pdf"), "No such file"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FAnswer = QString::fromStdString(c.Path);
    EXPECT_FALSE(form->ExportDatasheet());
    WithCandidates(*form, [&](TCandidatesView& view) {
      EXPECT_FALSE(view.ExportCsv());
      EXPECT_FALSE(view.ExportDatasheetsPdf());
    });
    const QStringList boxes = TMessageBox::TakeRecorded();
    ASSERT_EQ(boxes.size(), 3);
    for (const QString& box : boxes) {
      EXPECT_TRUE(box.contains(QString::fromStdString(c.Path))) << box.toStdString();
      EXPECT_TRUE(box.contains(c.Reason, Qt::CaseInsensitive)) << box.toStdString();
    }
    // Nothing written beside: no temporary file stays.
    EXPECT_EQ(FilesIn(FOut.Path()), std::vector<std::string>{"taken.pdf"});
    EXPECT_TRUE(fs::is_directory(FOut.File("taken.pdf")));
    EXPECT_TRUE(fs::is_empty(FOut.File("taken.pdf")));
    // A failed export does not move the starting folder.
    EXPECT_EQ(LastExportFolder().toStdString() + "/", StartupValues().MyDocumentsFolder);
  }
}

TEST_F(ExportTest, TheLastExportFolderIsSharedByAllFourCommandsAndRemembered) {
  // First use: the documents folder.
  EXPECT_EQ(LastExportFolder().toStdString() + "/", StartupValues().MyDocumentsFolder);
  auto form = OpenForm();
  test::TTempDir second;
  FAnswer = QString::fromStdString(FOut.File("a.pdf"));
  ASSERT_TRUE(form->ExportDatasheet());
  EXPECT_EQ(
      FSuggested,
      QDir(QString::fromStdString(StartupValues().MyDocumentsFolder)).filePath(QString(kModel) + ".pdf"));

  // Each command starts where the one before wrote.
  WithCandidates(*form, [&](TCandidatesView& view) {
    FAnswer = QString::fromStdString(second.File("c.csv"));
    ASSERT_TRUE(view.ExportCsv());
    EXPECT_EQ(QFileInfo(FSuggested).absolutePath().toStdString(), FOut.Path().string());
    FAnswer = QString::fromStdString(FOut.File("d.pdf"));
    ASSERT_TRUE(view.ExportDatasheetsPdf());
    EXPECT_EQ(QFileInfo(FSuggested).absolutePath().toStdString(), second.Path().string());
  });
  // In the settings store, for the next run of the program.
  form.reset();
  EXPECT_EQ(OpenSettings()->value("Settings/ExportFolder").toString().toStdString(), FOut.Path().string());
  auto again = OpenForm();
  FAnswer.clear();  // cancelled
  EXPECT_FALSE(again->ExportDatasheet());
  EXPECT_EQ(QFileInfo(FSuggested).absolutePath().toStdString(), FOut.Path().string());

  // A folder removed since is not offered.
  const std::string gone = second.File("gone");
  fs::create_directory(gone);
  RememberExportFolder(QString::fromStdString(gone + "/x.pdf"));
  EXPECT_EQ(LastExportFolder().toStdString(), gone);
  fs::remove(gone);
  EXPECT_EQ(LastExportFolder().toStdString() + "/", StartupValues().MyDocumentsFolder);
}

TEST(ExportFileName, AModelNameBecomesAFileNameEverySystemTakes) {
  const struct {
    const char* Name;
    const char* File;
  } cases[] = {
      {"T500", "T500"},          {"RH 40/2", "RH 40_2"},     {"a:b*c?d", "a_b_c_d"}, {"x\\y|z", "x_y_z"},
      {"<q>\"r\"", "_q__r_"},    {"  pad  ", "pad"},         {"..", "Datasheet"},    {"", "Datasheet"},
      {"tab\there", "tab_here"}, {"m\xC2\xB3", "m\xC2\xB3"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FileNameOf(QString::fromUtf8(c.Name)).toStdString(), std::string(c.File)) << c.Name;
}

}  // namespace
}  // namespace blowden
