// Import table, Derive model and the residual view in the windows.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <cmath>

#include "AppTestSupport.h"
#include "app/Controls.h"
#include "app/ImportDialog.h"
#include "app/Main.h"
#include "app/ModelView.h"
#include "app/SourceEditor.h"
#include "charts/widgets/QmGraphPanel.h"
#include "fan/QmFan.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {
namespace {

using test::ClickRow;
using test::GoodFanFile;
using test::OpenMainForm;
using test::TAppWorld;
using test::ToQ;

// A maker's table as a spreadsheet copies it: tab separated, IP units.
const char* const kIpTable =
    "CFM\tSP (in. wg)\tBHP\tLw (dB)\n"
    "2000\t3.10\t2.75\t89\n"
    "4000\t2.95\t3.35\t90\n"
    "6000\t2.60\t3.85\t91.5\n"
    "8000\t2.05\t4.20\t93\n"
    "10000\t1.25\t4.40\t95\n"
    "12000\t0.30\t4.45\t97.5\n";

const double kCfm = 0.3048 * 0.3048 * 0.3048 / 60;

// Every object in the accessibility tree under `iface`, depth first.
void AccessibleObjects(QAccessibleInterface* iface, QList<QObject*>& objects) {
  if (!iface) return;
  objects << iface->object();
  for (int i = 0; i < iface->childCount(); ++i) AccessibleObjects(iface->child(i), objects);
}

// The column choosers are ordinary controls: in the accessibility tree
// (a role chooser labelled by its column's caption), and reached with Tab
// from the table text, a column's role then its unit.
TEST(ImportDialog, ColumnChoosersAreInTheAccessibilityTreeAndTheTabChain) {
  TAppWorld world;
  TImportDialog dialog({"Catalog", "F400"}, 1.2);
  dialog.SetTableText(kIpTable);
  dialog.show();
  ASSERT_EQ(dialog.ColumnCount(), 4);
  QList<QObject*> objects;
  AccessibleObjects(QAccessible::queryAccessibleInterface(&dialog), objects);
  for (int c = 0; c < 4; ++c) {
    EXPECT_TRUE(objects.contains(dialog.RoleCombo(c))) << c;
    EXPECT_TRUE(objects.contains(dialog.UnitCombo(c))) << c;
  }
  QAccessibleInterface* role = QAccessible::queryAccessibleInterface(dialog.RoleCombo(0));
  const auto labels = role->relations(QAccessible::Label);
  ASSERT_FALSE(labels.isEmpty());
  EXPECT_EQ(labels.front().first->text(QAccessible::Name), "1: CFM");
  QStringList chain;
  QWidget* w = dialog.TableEdit();
  for (int i = 0; i < 200 && chain.size() < 4; ++i) {
    w = w->nextInFocusChain();
    if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&dialog)) chain << w->accessibleName();
  }
  EXPECT_EQ(chain, (QStringList{"Column 1 holds", "Column 1 unit", "Column 2 holds", "Column 2 unit"}));
  // Keys choose: the first column made the sound power's.
  dialog.RoleCombo(0)->setFocus();
  const int before = dialog.RoleCombo(0)->currentIndex();
  QTest::keyClick(dialog.RoleCombo(0), Qt::Key_Down);
  EXPECT_EQ(dialog.RoleCombo(0)->currentIndex(), before + 1);
}

TEST(ImportDialog, GuessesConvertsChecksAndRefuses) {
  TAppWorld world;
  TImportDialog dialog({"Catalog", "F400"}, 1.2);
  dialog.SetTableText(kIpTable);
  const char* const expected[][2] = {
      {"Flow", "cfm"}, {"Static pressure", "InchWg"}, {"Shaft power", "HP"}, {"Sound power", "dB"}};
  ASSERT_EQ(dialog.ColumnCount(), 4);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(dialog.RoleCombo(c)->currentText(), QString::fromUtf8(expected[c][0]));
    EXPECT_EQ(dialog.UnitCombo(c)->currentText(), QString::fromUtf8(expected[c][1]));
  }
  EXPECT_EQ(dialog.Error(), "Name: the model needs a name");
  EXPECT_FALSE(dialog.InsertButton()->isEnabled());

  dialog.NameEdit()->setText(QStringLiteral("BD24"));
  ASSERT_EQ(dialog.Error(), "");
  EXPECT_TRUE(dialog.InsertButton()->isEnabled());
  EXPECT_EQ(dialog.PreviewTable()->rowCount(), 6);
  // Converted and written with the table's digits plus two, at least six.
  EXPECT_EQ(dialog.Result().Model.Qa[0], 0.943895);
  EXPECT_EQ(dialog.Result().Model.Ps[5], 74.7267);
  EXPECT_NE(dialog.Section().find("\nQa=0.943895,1.88779,2.83168,3.77558,4.719474,5.663369\n"),
            std::string::npos)
      << dialog.Section();
  // A pasted table's units are named in the comment line.
  EXPECT_EQ(
      dialog.Section().substr(0, dialog.Section().find("\nQa=")),
      "[BD24]\n; Imported from a pasted table: flow in cfm, static pressure in InchWg, shaft power in HP, "
      "sound power in dB\nModel=500,1450,1450,1450,500,500,-99");
  // The nominal flow the reader takes is named once, not by the import and the check both.
  EXPECT_EQ(dialog.FindingsList()->findItems(QStringLiteral("ominal flow"), Qt::MatchContains).size(), 1);
  // The physics check ran on the model and its findings are listed.
  ASSERT_FALSE(dialog.Findings().empty());
  // A plausible fan: no error, and a note for every tested point.
  EXPECT_EQ(dialog.Findings().front().rfind("error:", 0), std::string::npos) << dialog.Findings().front();
  EXPECT_FALSE(
      dialog.FindingsList()->findItems(QStringLiteral("note: point 6: "), Qt::MatchStartsWith).isEmpty());
  EXPECT_GE(dialog.FindingsList()->count(), static_cast<int>(dialog.Findings().size()));

  // Another flow unit converts again.
  dialog.UnitCombo(0)->setCurrentText(QStringLiteral("m³/hr"));
  EXPECT_EQ(dialog.Result().Model.Qa[0], 0.555556);
  // A diameter in inches is written in whole millimetres, with a note.
  dialog.LineEdit(0)->SetUnitsValue(2);
  dialog.LineEdit(0)->setText(QStringLiteral("24"));
  ASSERT_EQ(dialog.Error(), "");
  EXPECT_NE(dialog.Section().find("\nModel=610,1450,"), std::string::npos);
  EXPECT_FALSE(dialog.FindingsList()
                   ->findItems(QStringLiteral("609.6 mm is written as 610 mm"), Qt::MatchContains)
                   .isEmpty());

  struct Refusal {
    const char* name;
    std::function<void()> change;
    const char* error;
  } refusals[] = {
      {"name taken", [&] { dialog.NameEdit()->setText(QStringLiteral("f400")); },
       "Name: the file already has a section named \"F400\""},
      {"no sound column",
       [&] {
         dialog.NameEdit()->setText(QStringLiteral("BD24"));
         dialog.RoleCombo(3)->setCurrentIndex(crIgnore);
       },
       "no column holds the sound power"},
      {"decimal comma",
       [&] { dialog.SetTableText(QStringLiteral("Q\tPs\tPw\tLw\n1\t2,5\t1\t80\n2\t3\t1\t80\n")); },
       "line 2, column 2 (Ps): '2,5' is not a number (numbers use \".\" for decimals and no thousands "
       "separators)"},
      {"unclosed quote", [&] { dialog.SetTableText(QStringLiteral("Q,Ps\n1,\"2\n")); },
       "Table: line 2, column 2: the quoted cell is not closed"},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    r.change();
    EXPECT_EQ(dialog.Error(), r.error);
    EXPECT_FALSE(dialog.InsertButton()->isEnabled());
    EXPECT_EQ(dialog.Section(), "");
  }
}

// A title naming a unit the catalogue does not know: the column stays
// unassigned with the reason beside it until the user says what it holds.
TEST(ImportDialog, AColumnWithAnUnknownUnitStaysUnassigned) {
  TAppWorld world;
  TImportDialog dialog({"Catalog", "F400"}, 1.2);
  QString table = QString::fromUtf8(kIpTable);
  table.replace(QStringLiteral("CFM\t"), QStringLiteral("Flow (cfn)\t"));
  dialog.SetTableText(table);
  dialog.NameEdit()->setText(QStringLiteral("BD24"));
  EXPECT_EQ(dialog.RoleCombo(0)->currentIndex(), crIgnore);
  EXPECT_TRUE(dialog.ColumnNote(0).startsWith(
      QStringLiteral("the title \"Flow (cfn)\" gives the flow in 'cfn', a unit the units catalogue does not "
                     "know")))
      << dialog.ColumnNote(0).toStdString();
  for (int c = 1; c < 4; ++c) EXPECT_EQ(dialog.ColumnNote(c), QString());
  EXPECT_EQ(dialog.Error(), "no column holds the flow");
  EXPECT_FALSE(dialog.InsertButton()->isEnabled());

  dialog.RoleCombo(0)->setCurrentIndex(crFlow);
  dialog.UnitCombo(0)->setCurrentText(QStringLiteral("cfm"));
  EXPECT_EQ(dialog.ColumnNote(0), QString());
  ASSERT_EQ(dialog.Error(), "");
  EXPECT_EQ(dialog.Result().Model.Qa[0], 0.943895);
}

TEST(ImportDialog, ReadsAWindows1252CsvFile) {
  TAppWorld world;
  const QString csv = ToQ(
      world.Dir().Write("table.csv", "\"Q (m\xB3/h)\",Pt [Pa],Pw,Lw\n1800,420,0.31,71\n3600,350,0.43,73\n"));
  TImportDialog dialog({}, 1.2);
  ASSERT_TRUE(dialog.LoadCsvFile(csv));
  EXPECT_EQ(dialog.RoleCombo(0)->currentText(), QStringLiteral("Flow"));
  EXPECT_EQ(dialog.UnitCombo(0)->currentText(), QStringLiteral("m³/hr"));
  EXPECT_EQ(dialog.RoleCombo(1)->currentText(), QStringLiteral("Total pressure"));
  dialog.NameEdit()->setText(QStringLiteral("T1"));
  ASSERT_EQ(dialog.Error(), "");
  EXPECT_EQ(dialog.Section().substr(0, dialog.Section().find('\n', 5)),
            "[T1]\n; Imported from table.csv: flow in m³/hr, total pressure in Pa, shaft power in kW, sound "
            "power in dB");
  EXPECT_NE(dialog.Section().find("\nPt=420,350\n"), std::string::npos);
  EXPECT_FALSE(dialog.LoadCsvFile(ToQ(world.Dir().File("missing.csv"))));
}

class AuthoringWindow : public testing::Test {
 protected:
  void SetUp() override {
    Path = World.WriteFan("fx.qfn", GoodFanFile());
    Form = OpenMainForm(World.FansFolder());
    ClickRow(Form->FileListBox1(), 0);
  }
  TAppWorld World;
  QString Path;
  std::unique_ptr<TBlowdenForm> Form;
};

TEST_F(AuthoringWindow, ImportInsertsTheSectionAsOneUndoStep) {
  const QString before = Form->SynEdit1()->toPlainText();
  ASSERT_TRUE(before.endsWith(QStringLiteral("Lw=82,82.5,83,83.6,84.3,85.1,86,87\n")));
  Form->RunDialog = [](QDialog& d) {
    auto& dialog = static_cast<TImportDialog&>(d);
    dialog.SetTableText(kIpTable);
    dialog.NameEdit()->setText(QStringLiteral("BD24"));
    return dialog.Section().empty() ? int(QDialog::Rejected) : int(QDialog::Accepted);
  };
  Form->ActionImport()->trigger();
  const QString after = Form->SynEdit1()->toPlainText();
  EXPECT_TRUE(after.startsWith(before +
                               QStringLiteral("\n[BD24]\n; Imported from a pasted table: flow in cfm, static "
                                              "pressure in InchWg, shaft power in HP, sound power in "
                                              "dB\nModel=500,1450,1450,1450,500,500,-99\nQa=")));
  EXPECT_TRUE(Form->SynEdit1()->Modified());
  EXPECT_EQ(Form->PageControl1()->currentIndex(), 2);

  Form->SynEdit1()->undo();
  EXPECT_EQ(Form->SynEdit1()->toPlainText(), before);
  Form->SynEdit1()->redo();
  EXPECT_EQ(Form->SynEdit1()->toPlainText(), after);

  // Saved, the file holds the model with the converted values.
  Form->ActionSave()->trigger();
  TFan fan;
  fan.LoadFromFile(Path.toStdString());
  fan.SelectModel("BD24");
  ASSERT_EQ(fan.Status(), fsReady);
  EXPECT_EQ(fan.Model().Qa[5], 5.663369);
  EXPECT_EQ(fan.Models(), (std::vector<std::string>{"F400", "F500", "BD24"}));
}

TEST_F(AuthoringWindow, DeriveInsertsTheScaledModel) {
  ClickRow(Form->FansListBox(), 0);
  std::string refused;
  Form->RunDialog = [&](QDialog& d) {
    auto& dialog = static_cast<TDeriveDialog&>(d);
    dialog.NameEdit()->setText(QStringLiteral("F500"));
    refused = dialog.Error();
    EXPECT_FALSE(dialog.InsertButton()->isEnabled());
    dialog.NameEdit()->setText(QStringLiteral("F320"));
    dialog.DiameterEdit()->setValue(320);
    // A smaller size: a warning, until its efficiency is stepped down.
    EXPECT_TRUE(
        dialog.NotesLabel()->text().startsWith(QStringLiteral("warning: Smaller than F400 (k = 0.8)")))
        << dialog.NotesLabel()->text().toStdString();
    dialog.AckeretBox()->setChecked(true);
    EXPECT_TRUE(dialog.NotesLabel()->text().startsWith(
        QStringLiteral("note: Efficiency stepped down by Ackeret's formula")))
        << dialog.NotesLabel()->text().toStdString();
    dialog.AckeretBox()->setChecked(false);
    // A speed beyond the new limits would not verify: nothing to insert.
    dialog.SpeedEdit()->setValue(2100);
    EXPECT_TRUE(dialog.Result().Unverifiable);
    EXPECT_FALSE(dialog.InsertButton()->isEnabled());
    EXPECT_NE(dialog.Error().find("Ref speed must be less than MaxSpeed"), std::string::npos)
        << dialog.Error();
    dialog.SpeedEdit()->setValue(1450);
    return int(QDialog::Accepted);
  };
  Form->ActionDerive()->trigger();
  EXPECT_EQ(refused, "the file already has a section named \"F500\"");
  const QString text = Form->SynEdit1()->toPlainText();
  EXPECT_TRUE(
      text.contains(QStringLiteral("\n\n[F320]\n; Derived from F400 by the fan laws: diameter 400 mm -> 320 "
                                   "mm (k = 0.8), speed 1450 rpm -> "
                                   "1450 rpm (n = 1); ")));
  EXPECT_TRUE(text.contains(QStringLiteral("\nModel=320,1450,1125,2000,360,304,0.768\nQa=0.256,")));
}

TEST(AuthoringWindowNoFile, CommandsNeedALoadedFile) {
  TAppWorld world;
  auto form = OpenMainForm();
  form->ActionImport()->trigger();
  form->ActionDerive()->trigger();
  const QStringList boxes = world.Boxes();
  ASSERT_EQ(boxes.size(), 2);
  for (const QString& box : boxes)
    EXPECT_TRUE(box.contains(QStringLiteral("Load a fan data file first"))) << box.toStdString();
}

TEST_F(AuthoringWindow, ResidualsInPlaceOfTheCurves) {
  Form->PageControl1()->setCurrentIndex(1);
  TModelView* view = Form->ModelView();
  const TFanModel& model = Form->Fan().Model();
  EXPECT_TRUE(view->Label2()->text().contains(QStringLiteral("; largest residual ")));
  EXPECT_FALSE(view->ResidualTable()->isVisibleTo(view));

  view->CBResiduals()->setChecked(true);
  ASSERT_TRUE(view->ShowResiduals());
  EXPECT_TRUE(view->ResidualTable()->isVisibleTo(view));
  ASSERT_EQ(view->ResidualTable()->rowCount(), model.Count);
  struct Case {
    TCurveKind kind;
    TGraphPanel* panel;
    const char* caption;
    double scale;  // residuals below 1 kW are plotted in W
  } cases[] = {{ckPressure, view->GraphPanel1(), "Ps residuals [Pa]", 1},
               {ckPower, view->GraphPanel2(), "Pw residuals [W]", 1000},
               {ckSound, view->GraphPanel3(), "Lw residuals [dB]", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    const TFitResiduals& r = view->Residuals(c.kind);
    ASSERT_EQ(r.Points.size(), static_cast<std::size_t>(model.Count));
    const double largest = c.scale * std::fabs(r.Points[static_cast<std::size_t>(r.Largest)].Residual);
    EXPECT_EQ(c.panel->Caption(), QString::fromLatin1(c.caption));
    // A round window about zero holding a quarter more than the largest residual.
    const double half = c.panel->YMax();
    EXPECT_EQ(c.panel->YMin(), -half);
    EXPECT_GE(half, 1.25 * largest);
    EXPECT_LE(half, 2.5 * 1.25 * largest);
    const double mantissa = half / std::pow(10.0, std::floor(std::log10(half) + 1e-12));
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                std::fabs(mantissa - 5) < 1e-9)
        << half;
    // The largest residual's cells are bold, the others not; the table
    // gives each residual in the unit of its plot, beside the point's flow.
    const int column = 1 + 2 * static_cast<int>(c.kind);
    const QString unit = c.caption;
    EXPECT_TRUE(unit.endsWith(
        "[" + view->ResidualTable()->horizontalHeaderItem(column)->text().section(' ', 1) + "]"))
        << view->ResidualTable()->horizontalHeaderItem(column)->text().toStdString();
    for (int row = 0; row < model.Count; ++row) {
      const auto i = static_cast<std::size_t>(row);
      EXPECT_EQ(view->ResidualTable()->item(row, column)->font().bold(), row == r.Largest);
      EXPECT_NEAR(view->ResidualTable()->item(row, column)->text().toDouble(), c.scale * r.Points[i].Residual,
                  1e-3 * std::max(1.0, std::fabs(c.scale * r.Points[i].Residual)));
      EXPECT_NEAR(view->ResidualTable()->item(row, 0)->text().toDouble(), r.Points[i].Flow,
                  1e-3 * r.Points[i].Flow);
    }
    c.panel->Paint();
    int red = 0;
    for (int y = 0; y < c.panel->Image().height(); ++y)
      for (int x = 0; x < c.panel->Image().width(); ++x)
        if ((c.panel->Image().pixel(x, y) & 0xFFFFFFu) == 0xFF0000u) ++red;
    EXPECT_GT(red, 10);  // the stems
  }

  EXPECT_FALSE(view->Label5()->isVisibleTo(view));  // the table takes the labels' place
  EXPECT_FALSE(view->Label2()->isVisibleTo(view));
  view->CBResiduals()->setChecked(false);
  EXPECT_TRUE(view->Label5()->isVisibleTo(view));
  EXPECT_EQ(view->GraphPanel1()->Caption(), QStringLiteral("Ps vs Q"));
  EXPECT_NEAR(view->GraphPanel1()->YMax(), 1.5 * 620, 1e-9);
  EXPECT_FALSE(view->ResidualTable()->isVisibleTo(view));
}

}  // namespace
}  // namespace blowden
