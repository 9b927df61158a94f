// Writing model sections: tables of test points, units, derived sizes, residuals.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/Convert.h"
#include "fan/FanAuthoring.h"
#include "fan/FanResiduals.h"
#include "fan/FanTable.h"
#include "fan/FanTestFiles.h"
#include "fan/ModelFits.h"
#include "fan/QmFan.h"

using namespace blowden;
using namespace blowden::test;

namespace {

void ExpectRelative(const std::vector<double>& actual, const std::vector<double>& expected, double tolerance,
                    const char* what) {
  ASSERT_EQ(actual.size(), expected.size()) << what;
  for (std::size_t i = 0; i < actual.size(); ++i)
    EXPECT_LE(std::fabs(actual[i] - expected[i]), tolerance * std::fabs(expected[i]))
        << what << " point " << i;
}

std::vector<double> Scaled(const std::vector<double>& values, double factor) {
  std::vector<double> out;
  for (double v : values) out.push_back(v * factor);
  return out;
}

TModelLine Line(int d, int ref, int lo, int hi, double w, double h, double qnom) {
  TModelLine l;
  l.Diameter = d;
  l.RefSpeed = ref;
  l.MinSpeed = lo;
  l.MaxSpeed = hi;
  l.OutletWidth = w;
  l.OutletHeight = h;
  l.QaNom = qnom;
  return l;
}

// A catalogue page of a belt-driven fan at 1750 rpm, as the maker prints it.
constexpr const char* kIpTable =
    "CFM,SP (in. wg),BHP,Lw (dB)\r\n"
    "2000,3.10,2.75,89\r\n"
    "4000,2.95,3.35,90\r\n"
    "6000,2.60,3.85,91.5\r\n"
    "8000,2.05,4.20,93\r\n"
    "10000,1.25,4.40,95\r\n"
    "12000,0.30,4.45,97.5\r\n";

TImportResult ImportIp(const std::string& name = "BD24") {
  TTextTable table;
  EXPECT_EQ(ParseTextTable(kIpTable, table), "");
  TImportRequest request;
  request.Exact = true;  // the converted and scaled doubles themselves
  request.Name = name;
  request.Line = Line(610, 1750, 900, 2100, 700, 600, -99);
  request.Columns = GuessColumns(table);
  request.Source = "bd24.csv";
  return ImportTable(table, request);
}

}  // namespace

TEST(Authoring, IpTableEqualsHandProducts) {
  const TImportResult r = ImportIp();
  ASSERT_EQ(r.Error, "");
  // The catalogue's factors, written out by hand: a cubic foot per minute is
  // 0.3048³/60 m³/s, an inch of water 249.08891 Pa, a horsepower 0.7457 kW.
  const double cfm = 0.3048 * 0.3048 * 0.3048 / 60, inWg = 249.08891, hp = 0.7457;
  ExpectRelative(r.Model.Qa, Scaled({2000, 4000, 6000, 8000, 10000, 12000}, cfm), 1e-12, "flow");
  ExpectRelative(r.Model.Ps, Scaled({3.10, 2.95, 2.60, 2.05, 1.25, 0.30}, inWg), 1e-12, "pressure");
  ExpectRelative(r.Model.Pw, Scaled({2.75, 3.35, 3.85, 4.20, 4.40, 4.45}, hp), 1e-12, "power");
  ExpectRelative(r.Model.Lw, {89, 90, 91.5, 93, 95, 97.5}, 0, "sound");
  EXPECT_FALSE(r.TotalPressure);
  // No nominal flow given: the reader's point two thirds along the curve.
  EXPECT_EQ(r.Model.QaNom, r.Model.Qa[3]);
  EXPECT_TRUE(r.Model.QaNomFallBack);
  EXPECT_EQ(r.Section.substr(0, r.Section.find('\n', r.Section.find('\n') + 1) + 1),
            "[BD24]\n; Imported from bd24.csv: flow in cfm, static pressure in InchWg, shaft power in HP, "
            "sound power in dB\n");
  EXPECT_NE(r.Section.find("\nModel=610,1750,900,2100,700,600,-99\n"), std::string::npos);
}

TEST(Authoring, SectionReadsBackAsTheImportedModel) {
  struct Case {
    const char* name;
    const char* table;
    double density;
  } cases[] = {
      {"static pressure in cfm / in. wg / hp", kIpTable, 1.2},
      {"total pressure, rectangular outlet, other density",
       "Q [m3/h],Pt [Pa],Pw [W],Lw\n"
       "1800,420,310,71.2\n2700,400,380,72\n"
       "3600,350,430,73.1\n4500,260,470,74.9\n",
       1.15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTextTable table;
    ASSERT_EQ(ParseTextTable(c.table, table), "");
    TImportRequest request;
    request.Exact = true;  // the converted and scaled doubles themselves
    request.Name = "M1";
    request.Line = Line(450, 1400, 700, 1800, 400, 320, 0.9);
    request.Columns = GuessColumns(table);
    request.Density = c.density;
    const TImportResult r = ImportTable(table, request);
    ASSERT_EQ(r.Error, "");

    TTempDir dir;
    TFan fan;
    LoadText(fan, dir, "[Catalog]\nDensity=" + Num(c.density) + "\n\n" + r.Section);
    fan.SelectModel("M1");
    ASSERT_EQ(fan.Status(), fsReady);
    const TFanModel& m = fan.Model();
    EXPECT_EQ(m.Qa, r.Model.Qa);
    EXPECT_EQ(m.Ps, r.Model.Ps);
    EXPECT_EQ(m.Pw, r.Model.Pw);
    EXPECT_EQ(m.Lw, r.Model.Lw);
    EXPECT_EQ(m.QaNom, r.Model.QaNom);
    EXPECT_EQ(m.QaNomFallBack, r.Model.QaNomFallBack);
    EXPECT_EQ(m.Diameter, r.Model.Diameter);
    EXPECT_EQ(m.OutletWidth, r.Model.OutletWidth);
    EXPECT_EQ(m.MaxSpeed, 1800);
  }
}

TEST(Authoring, ParseTextTable) {
  struct Case {
    const char* name;
    std::string text;
    char delimiter;
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<int> lines;
  } cases[] = {
      {"comma, header", "Q,Ps\n1,200\n2,150\n", ',', {"Q", "Ps"}, {{"1", "200"}, {"2", "150"}}, {2, 3}},
      {"tab from a spreadsheet, no header, CRLF",
       "1\t200\r\n2.5\t1.5E2\r\n",
       '\t',
       {},
       {{"1", "200"}, {"2.5", "1.5E2"}},
       {1, 2}},
      {"quoted cells with separator, quote and line break",
       "\"Flow, cfm\",\"Note \"\"a\"\"\"\n1,\"x\ny\"\n2,z\n",
       ',',
       {"Flow, cfm", "Note \"a\""},
       {{"1", "x\ny"}, {"2", "z"}},
       {2, 4}},
      {"blank lines and trailing separators dropped, short row filled",
       "\n1,2,,\n\n3,,\n",
       ',',
       {},
       {{"1", "2"}, {"3", ""}},
       {2, 4}},
      {"byte-order mark and blanks around cells",
       "\xEF\xBB\xBF Q , Ps \n 1 , 2 \n",
       ',',
       {"Q", "Ps"},
       {{"1", "2"}},
       {2}},
      {"tab inside quotes does not make tab the separator",
       "\"a\tb\",c\n1,2\n",
       ',',
       {"a\tb", "c"},
       {{"1", "2"}},
       {2}},
      {"CR-only line ends", "Q,P\r1,2\r3,4", ',', {"Q", "P"}, {{"1", "2"}, {"3", "4"}}, {2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTextTable t;
    ASSERT_EQ(ParseTextTable(c.text, t), "");
    EXPECT_EQ(t.Delimiter, c.delimiter);
    EXPECT_EQ(t.HasHeader, !c.header.empty());
    EXPECT_EQ(t.Header, c.header);
    EXPECT_EQ(t.Rows, c.rows);
    EXPECT_EQ(t.RowLines, c.lines);
  }
}

TEST(Authoring, TableErrorsNameTheirPlace) {
  struct Case {
    const char* name;
    const char* text;
    const char* error;
  } cases[] = {
      {"unclosed quote", "Q,Ps\n1,\"200\n", "line 2, column 2: the quoted cell is not closed"},
      {"text after a closing quote", "1,\"2\"x\n", "line 1, column 2: text after the closing quote"},
      {"nothing", "\n \n", "the table is empty"},
      {"header only", "Q,Ps,Pw\n", "the table has no rows of numbers below its header"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTextTable t;
    EXPECT_EQ(ParseTextTable(c.text, t), c.error);
  }
}

TEST(Authoring, ImportErrorsNameLineAndColumn) {
  struct Case {
    const char* name;
    const char* text;
    const char* error;
  } cases[] = {
      {"decimal comma", "Q,Ps,Pw,Lw\n1,200,1,80\n2,\"1,5\",1,80\n",
       "line 3, column 2 (Ps): '1,5' is not a number (numbers use \".\" for decimals and no thousands "
       "separators)"},
      {"empty cell", "1,200,1,80\n2,150,,81\n", "line 2, column 3: the cell is empty"},
      {"missing sound", "Q,Ps,Pw\n1,200,1\n2,150,2\n", "no column holds the sound power"},
      {"two pressures", "Q,Ps,Pt,Pw,Lw\n1,200,210,1,80\n2,150,170,2,81\n",
       "column 2 (Ps) and column 3 (Pt) both hold a pressure; a model takes one, static or total"},
      {"two flows", "Q,Flow,Ps,Pw,Lw\n1,1,200,1,80\n2,2,150,2,81\n",
       "column 1 (Q) and column 2 (Flow) both hold the flow"},
      {"one point", "1,200,1,80\n", "a model needs at least 2 points; the table has 1"},
      {"negative flow", "-1,200,1,80\n2,150,2,81\n", "line 1, column 1: a flow cannot be negative"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTextTable t;
    ASSERT_EQ(ParseTextTable(c.text, t), "");
    TImportRequest request;
    request.Exact = true;  // the converted and scaled doubles themselves
    request.Name = "X";
    request.Line = Line(500, 1450, 1450, 1450, 500, 500, -99);
    request.Columns = GuessColumns(t);
    EXPECT_EQ(ImportTable(t, request).Error, c.error);
  }
}

TEST(Authoring, ImportSortsAndNotes) {
  TTextTable t;
  ASSERT_EQ(ParseTextTable("Q,Ps,Pw,Lw,Remarks\n3,100,3,82,free\n1,300,1,80,\n2,200,2,81,x\n", t), "");
  TImportRequest request;
  request.Exact = true;  // the converted and scaled doubles themselves
  request.Name = "  S1 ";
  request.Line = Line(500, 1450, 1450, 1450, 500, 0, 9);
  request.Columns = GuessColumns(t);
  const TImportResult r = ImportTable(t, request);
  ASSERT_EQ(r.Error, "");
  EXPECT_EQ(r.Model.Qa, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(r.Model.Ps, (std::vector<double>{300, 200, 100}));
  EXPECT_EQ(r.Model.Name, "S1");
  EXPECT_EQ(
      r.Section,
      "[S1]\n; Imported from a pasted table: flow in m³/s, static pressure in Pa, shaft power in kW, sound "
      "power in dB\nModel=500,1450,1450,1450,500,0,9\nQa=1,2,3\nPs=300,200,100\nPw=1,2,3\nLw=80,81,82\n");
  EXPECT_EQ(r.Notes,
            (std::vector<std::string>{
                "The column 5 (Remarks) is not imported",
                "The rows are sorted by increasing flow, as the file needs them",
                "Only 3 points: verification asks for at least 5",
                "The nominal flow 9 m³/s lies outside the tested flows: the reader takes 2 m³/s, the "
                "point two thirds along the curve"}));
}

TEST(Authoring, GuessColumn) {
  struct Case {
    const char* title;
    TColumnRole role;
    const char* unit;
  } cases[] = {
      {"Q", crFlow, "m³/s"},
      {"Flow (cfm)", crFlow, "cfm"},
      {"Air flow [m3/h]", crFlow, "m³/hr"},
      {"CFM", crFlow, "cfm"},
      {"l/s", crFlow, "l/s"},
      {"Ps", crStaticPressure, "Pa"},
      {"SP (in. wg)", crStaticPressure, "InchWg"},
      {"Static pressure mm H2O", crStaticPressure, "mmWg"},
      {"Total pressure (Pa)", crTotalPressure, "Pa"},
      {"Pt [kPa]", crTotalPressure, "kPa"},
      {"BHP", crShaftPower, "HP"},
      {"Shaft power (W)", crShaftPower, "W"},
      {"Pw", crShaftPower, "kW"},
      {"Sound power level (dB)", crSoundPower, "dB"},
      {"Lw", crSoundPower, "dB"},
      {"Efficiency", crIgnore, ""},
      {"Total efficiency (%)", crIgnore, ""},
      {"Remarks", crIgnore, ""},
      {"Remarks (see note)", crIgnore, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const TColumnAssignment a = GuessColumn(c.title);
    EXPECT_EQ(a.Role, c.role);
    if (c.role != crIgnore) {
      EXPECT_EQ(std::string(RoleUnits(a.Role)[static_cast<std::size_t>(a.Unit)].Label), c.unit);
    }
  }
}

// A title naming a unit the catalogue does not know leaves its column
// unassigned, naming the title and the unit; no unit is guessed.
TEST(Authoring, UnknownUnitsAreNeverGuessed) {
  struct Case {
    const char* title;
    TColumnRole named;
    const char* problem;
  } cases[] = {
      {"Flow (cfn)", crFlow,
       "the title \"Flow (cfn)\" gives the flow in 'cfn', a unit the units catalogue does not know (flow "
       "units: "
       "m³/s, m³/min, m³/hr, l/s, cfm)"},
      {"SP (in wq)", crStaticPressure,
       "the title \"SP (in wq)\" gives the static pressure in 'in wq', a unit the units catalogue does not "
       "know "
       "(pressure units: kPa, Pa, Psi, Bar, Atm, InchWg, InchHg, mHead, mmWg)"},
      {"Q [m^3/h]", crFlow, "the title \"Q [m^3/h]\" gives the flow in 'm^3/h', a unit"},
      {"Q m^3/h", crFlow, "the title \"Q m^3/h\" gives the flow in 'm^3/h', a unit"},
      {"Pw (PS)", crShaftPower, "the title \"Pw (PS)\" gives the shaft power in 'PS', a unit"},
      {"Lw (dBA)", crSoundPower, "the title \"Lw (dBA)\" gives the sound power in 'dBA', a unit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const TColumnAssignment a = GuessColumn(c.title);
    EXPECT_EQ(a.Role, crIgnore);
    EXPECT_EQ(a.Named, c.named);
    EXPECT_EQ(a.Problem.rfind(c.problem, 0), 0u) << a.Problem;
  }
  EXPECT_EQ(GuessColumn("Flow (cfm)").Problem, "");
}

TEST(Authoring, RoleUnits) {
  struct Case {
    TColumnRole role;
    const char* text;
    const char* label;  // nullptr: not found
    double siOfOne;     // SI value of 1 in that unit
  } cases[] = {
      {crFlow, "m3/hr", "m³/hr", 1.0 / 3600},
      {crFlow, "M³/H", "m³/hr", 1.0 / 3600},
      {crFlow, "ft3permin", "cfm", 0.3048 * 0.3048 * 0.3048 / 60},
      {crStaticPressure, "in. wg", "InchWg", 249.08891},
      {crTotalPressure, "mmwg", "mmWg", 9.80665},
      {crStaticPressure, "kPa", "kPa", 1000},
      {crShaftPower, "hp", "HP", 0.7457},
      {crShaftPower, "W", "W", 0.001},
      {crSoundPower, "db", "dB", 1},
      {crFlow, "furlong", nullptr, 0},
      {crShaftPower, "Pa", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto index = FindRoleUnit(c.role, c.text);
    ASSERT_EQ(index.has_value(), c.label != nullptr);
    if (!index) continue;
    const TQuantityUnit& u = RoleUnits(c.role)[static_cast<std::size_t>(*index)];
    EXPECT_EQ(u.Label, c.label);
    EXPECT_NEAR(1 / u.PerSI, c.siOfOne, 1e-12 * c.siOfOne);
  }
  EXPECT_EQ(RoleUnits(crFlow)[static_cast<std::size_t>(DefaultRoleUnit(crFlow))].Label, "m³/s");
  EXPECT_EQ(RoleUnits(crStaticPressure)[static_cast<std::size_t>(DefaultRoleUnit(crStaticPressure))].Label,
            "Pa");
  EXPECT_EQ(RoleUnits(crShaftPower)[static_cast<std::size_t>(DefaultRoleUnit(crShaftPower))].Label, "kW");
}

TEST(Authoring, ModelLineAndNames) {
  struct LineCase {
    const char* text;
    const char* parseError;
    const char* checkError;
  } lines[] = {
      {"500,1450,900,1600,500,500,2.5", "", ""},
      {" 500, 1450 ,900,1600,0,400,-99", "", ""},
      {"500,1450.5,900,1600,500,500,2.5", "item 2 (reference speed): '1450.5' is not a whole number", ""},
      {"500,1450,900,1600,500,x,2.5", "item 6 (outlet height): 'x' is not a number", ""},
      {"500,1450,900",
       "the Model line needs 7 items (diameter, reference, minimum and maximum speed, outlet "
       "width and height, nominal flow); it has 3",
       ""},
      {"500,1450,1500,1600,500,500,2.5", "",
       "the reference speed must lie between the minimum and the maximum speed"},
      {"500,1450,900,1600,0,0,2.5", "",
       "the outlet needs a width or a height (0 for both gives no outlet area)"},
      {"0,1450,900,1600,500,500,2.5", "", "the diameter must be above 0 mm"},
  };
  for (const LineCase& c : lines) {
    SCOPED_TRACE(c.text);
    TModelLine l;
    EXPECT_EQ(ParseModelLine(c.text, l), c.parseError);
    if (*c.parseError) continue;
    EXPECT_EQ(CheckModelLine(l), c.checkError);
  }
  TModelLine l;
  ASSERT_EQ(ParseModelLine("500,1450,900,1600,0.1,400,2.5", l), "");
  EXPECT_EQ(ModelLineText(l), "500,1450,900,1600,0.1,400,2.5");

  const std::vector<std::string> existing{"Catalog", "F500", "Big one"};
  struct NameCase {
    const char* name;
    const char* error;
  } names[] = {
      {"F630", ""},
      {"f500", "the file already has a section named \"F500\""},
      {" Big one ", "the file already has a section named \"Big one\""},
      {"CATALOG", "\"Catalog\" is the name of the catalogue header"},
      {"", "the model needs a name"},
      {"a]b", "a model name cannot hold \"]\" or a control character such as a line break"},
      {"a\nb", "a model name cannot hold \"]\" or a control character such as a line break"},
  };
  for (const NameCase& c : names) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CheckNewModelName(c.name, existing), c.error);
  }
}

TEST(Authoring, DeriveByTheFanLaws) {
  TTempDir dir;
  TFan fan;
  LoadText(
      fan, dir,
      std::string(kCatalog) + CurveModel("F500", "Model=500,1450,900,1600,500,400,1.75\nSpeed=960,1450\n"));
  fan.SelectModel("F500");
  ASSERT_EQ(fan.Status(), fsReady);
  const TFanModel& source = fan.Model();

  struct Case {
    const char* name;
    int diameter, speed;
    double k, n;
  } cases[] = {
      {"smaller, same speed", 400, 0, 0.8, 1},
      {"same size, faster", 500, 1600, 1, 1600.0 / 1450},
      {"larger and slower", 630, 960, 1.26, 960.0 / 1450},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDeriveRequest request;
    request.Exact = true;  // the converted and scaled doubles themselves
    request.Name = "D";
    request.Diameter = c.diameter;
    request.RefSpeed = c.speed;
    const TDeriveResult r = DeriveModel(source, nullptr, request);
    ASSERT_EQ(r.Error, "");
    EXPECT_NEAR(r.K, c.k, 1e-15);
    EXPECT_NEAR(r.N, c.n, 1e-15);
    const double k = c.k, n = c.n;
    ExpectRelative(r.Model.Qa, Scaled(source.Qa, k * k * k * n), 1e-14, "flow");
    ExpectRelative(r.Model.Ps, Scaled(source.Ps, k * k * n * n), 1e-14, "pressure");
    ExpectRelative(r.Model.Pw, Scaled(source.Pw, std::pow(k, 5) * n * n * n), 1e-14, "power");
    for (std::size_t i = 0; i < source.Lw.size(); ++i)
      EXPECT_NEAR(r.Model.Lw[i], source.Lw[i] + 70 * std::log10(k) + 50 * std::log10(n), 1e-12);
    EXPECT_NEAR(r.Model.OutletWidth, 0.5 * k, 1e-15);
    EXPECT_NEAR(r.Model.OutletHeight, 0.4 * k, 1e-15);
    EXPECT_NEAR(r.Model.QaNom, 1.75 * k * k * k * n, 1e-14);
  }

  // k = 0.8: flow × 0.512, pressure × 0.64, power × 0.32768; the section
  // reads back as the model.
  TDeriveRequest request;
  request.Exact = true;  // the converted and scaled doubles themselves
  request.Name = "F400";
  request.Diameter = 400;
  const TDeriveResult r = DeriveModel(source, nullptr, request);
  ASSERT_EQ(r.Error, "");
  ExpectRelative(r.Model.Qa, Scaled(source.Qa, 0.512), 1e-15, "flow 0.512");
  ExpectRelative(r.Model.Ps, Scaled(source.Ps, 0.64), 1e-15, "pressure 0.64");
  ExpectRelative(r.Model.Pw, Scaled(source.Pw, 0.32768), 1e-15, "power 0.32768");
  EXPECT_EQ(
      r.Section.substr(0, r.Section.find("\nQa=")),
      "[F400]\n; Derived from F500 by the fan laws: diameter 500 mm -> 400 mm (k = 0.8), speed 1450 rpm -> "
      "1450 rpm (n = 1); flow * k^3*n, pressure * k^2*n^2, power * k^5*n^3, sound + 70 log10(k) + 50 "
      "log10(n)\n; Speed limits / k (the same tip speed): 900..1600 rpm -> 1125..2000 rpm\n; Smaller than "
      "F500 "
      "(k = 0.8): a smaller size usually has a lower efficiency; the shaft powers are scaled by the fan laws "
      "only\n; Listed speeds 960 rpm dropped: outside the new speed limits 1125..2000 rpm\n"
      "Model=400,1450,1125,2000,400,320,0.896\nSpeed=1450");
  EXPECT_EQ(r.Notes, std::vector<std::string>{"Listed speeds 960 rpm dropped: outside the new speed limits "
                                              "1125..2000 rpm"});
  ASSERT_EQ(r.Warnings.size(), 1u);
  EXPECT_EQ(
      r.Warnings[0].rfind("Smaller than F500 (k = 0.8): a smaller size usually has a lower efficiency", 0),
      0u);
  const std::string path = dir.Write("derived.qfn", std::string(kCatalog) + r.Section);
  TFan back;
  back.LoadFromFile(path);
  back.SelectModel("F400");
  ASSERT_EQ(back.Status(), fsReady);
  EXPECT_EQ(back.Model().Qa, r.Model.Qa);
  EXPECT_EQ(back.Model().Ps, r.Model.Ps);
  EXPECT_EQ(back.Model().Pw, r.Model.Pw);
  EXPECT_EQ(back.Model().Lw, r.Model.Lw);

  // Another reference speed leaves the speed limits and the listed speeds
  // as they are; total pressures stay total.
  request.Name = "F500-S";
  request.Diameter = 500;
  request.RefSpeed = 1160;
  const std::vector<double> pt(source.Qa.size(), 100);
  const TDeriveResult slow = DeriveModel(source, &pt, request);
  ASSERT_EQ(slow.Error, "");
  EXPECT_NE(slow.Section.find("\nModel=500,1160,900,1600,500,400,"), std::string::npos);
  EXPECT_NE(slow.Section.find("\nSpeed=960,1450\n"), std::string::npos);
  EXPECT_NE(slow.Section.find("\nPt=64,64,"), std::string::npos);
  EXPECT_TRUE(slow.Notes.empty());
  EXPECT_TRUE(slow.Warnings.empty());

  // A larger size without a speed: the reference speed moves into the new
  // limits (1600 / 1.6 = 1000 rpm) and the data are given there.
  request.Name = "F800";
  request.Diameter = 800;
  request.RefSpeed = 0;
  const TDeriveResult large = DeriveModel(source, nullptr, request);
  ASSERT_EQ(large.Error, "");
  EXPECT_NE(large.Section.find("\nModel=800,1000,563,1000,800,640,"), std::string::npos) << large.Section;
  EXPECT_NE(large.Section.find("\nSpeed=960\n"), std::string::npos);
  EXPECT_EQ(
      large.Notes.front(),
      "The reference speed 1450 rpm lies outside the new speed limits 563..1000 rpm: the data are given "
      "at 1000 rpm");
  EXPECT_NEAR(large.N, 1000.0 / 1450, 1e-15);

  // A fan of one speed keeps one, at or below its tip speed: 1450 rpm at
  // 500 mm is 1294.6 rpm at 560 mm.
  TFanModel fixed = source;
  fixed.MinSpeed = fixed.MaxSpeed = fixed.RefSpeed;
  fixed.HasSpeeds = false;
  fixed.Speeds.clear();
  request.Name = "F560";
  request.Diameter = 560;
  const TDeriveResult one = DeriveModel(fixed, nullptr, request);
  ASSERT_EQ(one.Error, "");
  EXPECT_NE(one.Section.find("\nModel=560,1294,1294,1294,"), std::string::npos) << one.Section;

  // Results that would not verify are refused, whatever speed is asked for.
  struct Unsafe {
    const char* name;
    int diameter, speed;
    bool listedSpeeds;  // the source keeps its listed speeds (else they would be dropped first)
    const char* line;   // a line of the refusal
  } unsafe[] = {
      {"speed overflowing", 500, 2147483647, false, "\n  Ref speed must be less than MaxSpeed"},
      {"speed 1", 500, 1, false, "\n  Ref speed must be greater than MinSpeed"},
      // 1 mm: the same tip speed needs 800,000 rpm.
      {"diameter 1", 1, 450000, false,
       "\n  Speeds must not exceed 100000 rpm (RefSpeed 450000, MinSpeed 450000, MaxSpeed 800000 rpm)"},
      {"no listed speed left", 250, 0, true,
       "none of the listed speeds (960, 1450 rpm) lies within the new speed limits 1800..3200 rpm"},
  };
  for (const Unsafe& c : unsafe) {
    SCOPED_TRACE(c.name);
    TDeriveRequest bad;
    bad.Name = "N";
    bad.Diameter = c.diameter;
    bad.RefSpeed = c.speed;
    TFanModel from = source;
    if (!c.listedSpeeds) {
      from.HasSpeeds = false;
      from.Speeds.clear();
    }
    const TDeriveResult refused = DeriveModel(from, nullptr, bad);
    EXPECT_TRUE(refused.Unverifiable);
    EXPECT_NE(refused.Error.find(c.line), std::string::npos) << refused.Error;
    EXPECT_TRUE(refused.Section.empty());
  }

  struct Refusal {
    const char* name;
    int diameter;
    const char* error;
  } refusals[] = {
      {"F500", 400, "the new model needs a name of its own"},
      {"N", 0, "the new diameter must be above 0 mm"},
      {"Catalog", 400, "\"Catalog\" is the name of the catalogue header"},
  };
  for (const Refusal& c : refusals) {
    SCOPED_TRACE(c.name);
    TDeriveRequest bad;
    bad.Name = c.name;
    bad.Diameter = c.diameter;
    EXPECT_EQ(DeriveModel(source, nullptr, bad).Error, c.error);
  }
}

// Ackeret's step-down: the derived model's peak total efficiency eta2
// satisfies (1 - eta2) / (1 - eta1) = 0.5 + 0.5 (Re1 / Re2)^0.2, Re ∝ n·D².
TEST(Authoring, DeriveStepsTheEfficiencyDown) {
  TTempDir dir;
  TFan fan;
  LoadText(fan, dir, std::string(kCatalog) + CurveModel("F500", "Model=500,1450,900,1600,500,400,1.75\n"));
  fan.SelectModel("F500");
  ASSERT_EQ(fan.Status(), fsReady);
  const TFanModel& source = fan.Model();
  const auto peakEta = [](const TFanModel& m) {
    const double area = m.OutletWidth * m.OutletHeight;
    double best = 0;
    for (std::size_t j = 0; j < m.Qa.size(); ++j) {
      const double v = m.Qa[j] / area;
      best = std::max(best, m.Qa[j] * (m.Ps[j] + 0.6 * v * v) / (1000 * m.Pw[j]));
    }
    return best;
  };
  struct Case {
    const char* name;
    int diameter, speed;
    double reRatio;  // Re1 / Re2; 0: no step
  } cases[] = {
      {"smaller", 400, 0, 1.5625},
      {"smaller and slower", 400, 1160, 1.5625 * 1.25},
      {"larger: never stepped up", 630, 0, 0},
      {"smaller but faster: a higher Reynolds number", 460, 1720, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDeriveRequest request;
    request.Exact = true;  // the converted and scaled doubles themselves
    request.Name = "D";
    request.Diameter = c.diameter;
    request.RefSpeed = c.speed;
    request.EfficiencyStep = TEfficiencyStep::Ackeret;
    const TDeriveResult r = DeriveModel(source, nullptr, request);
    ASSERT_EQ(r.Error, "");
    EXPECT_TRUE(r.Warnings.empty());
    ASSERT_FALSE(r.Notes.empty());
    const double eta1 = peakEta(source), eta2 = peakEta(r.Model);
    if (c.reRatio == 0) {
      EXPECT_EQ(r.PowerFactor, 1);
      EXPECT_NEAR(eta2, eta1, 1e-12);
      EXPECT_EQ(r.Notes.back().rfind("No efficiency step", 0), 0u);
      continue;
    }
    EXPECT_NEAR((1 - eta2) / (1 - eta1), 0.5 + 0.5 * std::pow(c.reRatio, 0.2), 1e-9);
    EXPECT_GT(r.PowerFactor, 1);
    EXPECT_EQ(r.Notes.back().rfind("Efficiency stepped down by Ackeret's formula", 0), 0u);
    EXPECT_NE(r.Section.find("\n; Efficiency stepped down by Ackeret's formula"), std::string::npos);
  }
  EXPECT_EQ(FindEfficiencyStep("Ackeret"), TEfficiencyStep::Ackeret);
  EXPECT_FALSE(FindEfficiencyStep("moody").has_value());
}

TEST(Authoring, ResidualsOfExactCurvesAreZeroToRounding) {
  TFanModel m;
  m.Qa = CurveQa();
  m.Count = static_cast<int>(m.Qa.size());
  // Each curve exactly of its fit's order: cubic pressure and power, quadratic sound.
  for (double q : m.Qa) {
    m.Ps.push_back(CurvePs(q));
    m.Pw.push_back(0.8 + 0.3 * q + 0.05 * q * q - 0.01 * q * q * q);
    m.Lw.push_back(78 + 2 * q - 0.25 * q * q);
  }
  for (TCurveKind kind : {ckPressure, ckPower, ckSound}) {
    SCOPED_TRACE(CurveUnit(kind));
    const TCurveFit fit = FitCurve(m, kind);
    const TFitResiduals r = CurveResiduals(m, kind, fit.Coeffs, fit.ErrorCode);
    ASSERT_EQ(r.Points.size(), m.Qa.size());
    const auto values = CurveValues(m, kind);
    for (std::size_t i = 0; i < r.Points.size(); ++i) {
      EXPECT_EQ(r.Points[i].Flow, m.Qa[i]);
      EXPECT_EQ(r.Points[i].Measured, values[i]);
      EXPECT_LE(std::fabs(r.Points[i].Residual), 1e-10 * std::fabs(values[i]));
      EXPECT_LE(std::fabs(r.Points[i].Percent), 1e-8);
    }
    EXPECT_EQ(LargestResidualText(r, kind), "residuals zero to rounding");
  }
}

TEST(Authoring, ResidualsOfAKnownFit) {
  TFanModel m;
  m.Qa = {1, 2, 3, 4};
  m.Ps = {400, 300, 0, 250};
  m.Pw = m.Lw = m.Ps;
  m.Count = 4;
  const std::vector<double> line{500, -100};  // 400, 300, 200, 100
  const TFitResiduals r = CurveResiduals(m, ckPressure, line, 0);
  ASSERT_EQ(r.Points.size(), 4u);
  EXPECT_EQ(r.Points[2].Residual, -200);
  EXPECT_TRUE(std::isnan(r.Points[2].Percent));  // measured 0: no share
  EXPECT_EQ(r.Points[3].Residual, 150);
  EXPECT_EQ(r.Points[3].Percent, 60);
  EXPECT_EQ(r.Largest, 2);
  EXPECT_EQ(LargestResidualText(r, ckPressure), "largest residual -200 Pa at point 3, Q 3 m³/s");
  m.Ps[2] = 250;
  EXPECT_EQ(LargestResidualText(CurveResiduals(m, ckPressure, line, 0), ckPressure),
            "largest residual 150 Pa (60.00 %) at point 4, Q 4 m³/s");
  EXPECT_TRUE(CurveResiduals(m, ckPressure, line, -1).Points.empty());
  EXPECT_EQ(LargestResidualText(CurveResiduals(m, ckPressure, {}, 0), ckPressure), "");
}

TEST(Authoring, AppendSection) {
  struct Case {
    const char* name;
    std::string file;
    const char* section;
    std::string expected;
  } cases[] = {
      {"LF file ending in a line end", "[Catalog]\nMaker=M\n", "[N]\nQa=1\n",
       "[Catalog]\nMaker=M\n\n[N]\nQa=1\n"},
      {"no line end at the end", "[A]\nQa=1", "[N]\n", "[A]\nQa=1\n\n[N]\n"},
      {"CRLF file keeps CRLF", "[A]\r\nQa=1\r\n", "[N]\nQa=2\n", "[A]\r\nQa=1\r\n\r\n[N]\r\nQa=2\r\n"},
      {"an empty line at the end is enough", "[A]\nQa=1\n\n", "[N]\n", "[A]\nQa=1\n\n[N]\n"},
      {"empty file", "", "[N]\n", "[N]\n"},
      {"Windows-1252 file stays Windows-1252", "[A]\nMaker=M\xFC\n", "[L\xC3\xBC]\n",
       "[A]\nMaker=M\xFC\n\n[L\xFC]\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    const auto bytes = AppendSection(c.file, c.section, error);
    ASSERT_TRUE(bytes.has_value()) << error;
    EXPECT_EQ(*bytes, c.expected);
  }
  std::string error;
  EXPECT_FALSE(AppendSection("[A]\nMaker=M\xFC\n", "[\xE2\x82\xAC\xE2\x86\x92]\n", error).has_value());
  EXPECT_EQ(error, "the file is written in Windows-1252, which cannot hold the character \"\xE2\x86\x92\"");
  EXPECT_EQ(SectionNames("[Catalog]\n[A]\nx=1\n[B]\n"), (std::vector<std::string>{"Catalog", "A", "B"}));
}

TEST(Authoring, ShortestDecimal) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.1, "0.1"}, {1450, "1450"}, {-0.5, "-0.5"}, {2.5e-7, "2.5e-07"}, {0.1 + 0.2, "0.30000000000000004"}};
  for (const Case& c : cases) {
    EXPECT_EQ(ShortestDecimal(c.value), c.text);
    double back = 0;
    EXPECT_TRUE(TryStrToFloat(c.text, back));
    EXPECT_EQ(back, c.value);
  }
}
