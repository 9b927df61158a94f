// import, derive and the residuals of show --json.
#include <algorithm>
#include <cmath>

#include "CliTestSupport.h"

namespace blowden::test {
namespace {

const char* const kModelLine = "610,1750,900,2100,700,600,2.5";

// The catalogue's factors, written out by hand (see bd24-ip.csv).
const double kCfm = 0.3048 * 0.3048 * 0.3048 / 60, kInWg = 249.08891, kHp = 0.7457;

void ExpectScaled(const TJson& values, const std::vector<double>& table, double factor, const char* what) {
  ASSERT_EQ(values.Size(), table.size()) << what;
  for (std::size_t i = 0; i < table.size(); ++i)
    EXPECT_LE(std::fabs(values[i].Number - table[i] * factor), 1e-12 * std::fabs(table[i] * factor))
        << what << " point " << i;
}

class CliAuthoringTest : public TCliTest {
 protected:
  std::string Catalogue(const char* name = "cat.qfn") const {
    return WriteFile(name, "[Catalog]\nMaker=Test\nRange=BD\nDensity=1.2\n");
  }
};

TEST_F(CliAuthoringTest, ImportSaveShowGivesBackTheTable) {
  const std::string cat = Catalogue();
  // --exact: the converted doubles themselves, to compare with the hand products.
  const TCliRun import = RunCliArgs({"import", "--exact", "--model", "BD24", "--model-line", kModelLine,
                                     "--into", cat, CliDataFile("bd24-ip.csv")});
  ASSERT_EQ(import.Code, ecSuccess) << import.Err;
  EXPECT_EQ(import.Out, "Model \"BD24\" appended to " + cat + "\n");

  EXPECT_EQ(RunCliArgs({"verify", cat}).Code, ecSuccess);
  const TCliRun show = RunCliArgs({"show", "--json", "--model", "BD24", cat});
  ASSERT_EQ(show.Code, ecSuccess) << show.Err;
  const TJson doc = ParsedJson(show);
  const TJson& m = doc["model"];
  ExpectScaled(m["qa"], {2000, 4000, 6000, 8000, 10000, 12000}, kCfm, "flow");
  ExpectScaled(m["ps"], {3.10, 2.95, 2.60, 2.05, 1.25, 0.30}, kInWg, "static pressure");
  ExpectScaled(m["pw"], {2.75, 3.35, 3.85, 4.20, 4.40, 4.45}, kHp, "shaft power");
  EXPECT_EQ(m["lw"].Numbers(), (std::vector<double>{89, 90, 91.5, 93, 95, 97.5}));
  EXPECT_EQ(m["diameter"].Number, 0.61);
  EXPECT_EQ(m["max_speed"].Number, 2100);
  EXPECT_EQ(m["qa_nom"].Number, 2.5);

  // The same section printed, not appended; the file keeps its bytes.
  const std::string before = ReadFileBytes(cat);
  const TCliRun printed = RunCliArgs(
      {"import", "--exact", "--model", "BD24B", "--model-line", kModelLine, CliDataFile("bd24-ip.csv")});
  ASSERT_EQ(printed.Code, ecSuccess);
  EXPECT_EQ(printed.Out.substr(0, 8), "[BD24B]\n");
  EXPECT_NE(before.find(printed.Out.substr(printed.Out.find("\nModel="))), std::string::npos);
  EXPECT_EQ(ReadFileBytes(cat), before);
}

TEST_F(CliAuthoringTest, OptionsChooseKindsAndUnits) {
  const std::string noHeader = WriteFile("plain.csv", "1000\t400\t500\t70\n2000\t300\t800\t72\n");
  const std::string both = WriteFile("both.csv", "Q,Ps,Pt,Pw,Lw\n1,300,320,2,80\n2,250,290,3,81\n");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> lines;  // expected among the printed lines
  } cases[] = {
      {"positional columns with units from the options",
       {"--flow-units", "m3/h", "--pressure-units", "mm wg", "--power-units", "W", noHeader},
       {"Qa=0.277778,0.555556", "Ps=3922.66,2941.99", "Pw=0.5,0.8", "Lw=70,72"}},
      {"the same, exact",
       {"--exact", "--flow-units", "m3/h", "--pressure-units", "mm wg", noHeader},
       {"Qa=0.2777777777777778,0.5555555555555556", "Ps=3922.66,2941.995"}},
      {"total pressure of a plain table", {"--pressure-kind", "total", noHeader}, {"Pt=400,300"}},
      {"static chosen of two pressure columns", {both}, {"Ps=300,250"}},
      {"total chosen of two pressure columns", {"--pressure-kind", "TOTAL", both}, {"Pt=320,290"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"import", "--model", "N1", "--model-line",
                                  "500,1450,1450,1450,500,500,-99"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TCliRun run = RunCliArgs(args);
    ASSERT_EQ(run.Code, ecSuccess) << run.Err;
    const auto lines = SplitLines(run.Out);
    for (const std::string& line : c.lines)
      EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << "\n" << run.Out;
  }
}

TEST_F(CliAuthoringTest, RefusalsAndUsageErrors) {
  const std::string cat = Catalogue();
  ASSERT_EQ(RunCliArgs({"import", "--model", "BD24", "--model-line", kModelLine, "--into", cat,
                        CliDataFile("bd24-ip.csv")})
                .Code,
            ecSuccess);
  const std::string before = ReadFileBytes(cat);
  const std::string table = CliDataFile("bd24-ip.csv");
  const std::string bad = WriteFile("bad.csv", "Q,Ps,Pw,Lw\n1,300,2,80\n2,\"2,5\",3,81\n");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
    const char* err;
  } cases[] = {
      {"name in the file, another case",
       {"import", "--model", "bd24", "--model-line", kModelLine, "--into", cat, table},
       ecFailure,
       "the file already has a section named \"BD24\""},
      {"no model name", {"import", "--model-line", kModelLine, table}, ecUsage, "'--model NAME'"},
      {"no model line", {"import", "--model", "X", table}, ecUsage, "'--model-line D,REF,MIN,MAX,W,H,QNOM'"},
      {"short model line", {"import", "--model", "X", "--model-line", "1,2,3", table}, ecUsage, "it has 3"},
      {"reference speed outside",
       {"import", "--model", "X", "--model-line", "610,800,900,2100,700,600,2.5", table},
       ecFailure,
       "the reference speed must lie between"},
      {"unknown unit",
       {"import", "--model", "X", "--model-line", kModelLine, "--power-units", "PS", table},
       ecUsage,
       "unknown power unit 'PS' (known: kW, W, HP)"},
      {"unknown pressure kind",
       {"import", "--model", "X", "--model-line", kModelLine, "--pressure-kind", "dynamic", table},
       ecUsage,
       "'--pressure-kind' takes 'static' or 'total'"},
      {"table missing",
       {"import", "--model", "X", "--model-line", kModelLine, Work().File("none.csv")},
       ecUsage,
       "cannot read"},
      {"bad cell",
       {"import", "--model", "X", "--model-line", kModelLine, bad},
       ecFailure,
       "line 3, column 2 (Ps): '2,5' is not a number"},
      {"target file missing",
       {"import", "--model", "X", "--model-line", kModelLine, "--into", Work().File("no.qfn"), table},
       ecUsage,
       "cannot read"},
      {"derive: no such model",
       {"derive", "--model", "BD99", "--as", "N", "--diameter", "500", cat},
       ecFailure,
       "Fan model not found"},
      {"derive: name taken",
       {"derive", "--model", "BD24", "--as", "bd24", "--diameter", "500", cat},
       ecFailure,
       "the file already has a section named \"BD24\""},
      {"derive: diameter not whole",
       {"derive", "--model", "BD24", "--as", "N", "--diameter", "500.5", cat},
       ecUsage,
       "'500.5' is not a diameter in whole millimetres above 0"},
      {"derive: no diameter", {"derive", "--model", "BD24", "--as", "N", cat}, ecUsage, "'--diameter MM'"},
      {"derive: bad speed",
       {"derive", "--model", "BD24", "--as", "N", "--diameter", "500", "--speed", "0", cat},
       ecUsage,
       "'0' is not a speed in whole rpm above 0"},
      {"derive: file missing",
       {"derive", "--model", "BD24", "--as", "N", "--diameter", "500", Work().File("x.qfn")},
       ecUsage,
       "cannot read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TCliRun run = RunCliArgs(c.args);
    EXPECT_EQ(run.Code, c.code);
    EXPECT_NE(run.Err.find(c.err), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(cat), before);
  }
}

TEST_F(CliAuthoringTest, DeriveAppendsTheScaledModel) {
  // A CRLF file whose model gives total pressures.
  const std::string cat = WriteFile(
      "crlf.qfn",
      "[Catalog]\r\nRange=T\r\n\r\n[T500]\r\nModel=500,1450,900,1600,500,400,1.5\r\nQa=0.5,1,1.5,2,2.5,3\r\n"
      "Pt=620,610,590,560,520,470\r\nPw=1,1.2,1.4,1.6,1.8,2\r\nLw=80,81,82,83,84,85\r\n");
  const TCliRun run =
      RunCliArgs({"derive", "--model", "t500", "--as", "T400", "--diameter", "400", "--into", cat, cat});
  ASSERT_EQ(run.Code, ecSuccess) << run.Err;
  const std::string bytes = ReadFileBytes(cat);
  EXPECT_NE(bytes.find(
                "\r\n\r\n[T400]\r\n; Derived from T500 by the fan laws: diameter 500 mm -> 400 mm (k = 0.8)"),
            std::string::npos);
  EXPECT_NE(bytes.find("\r\nModel=400,1450,1125,2000,400,320,0.768\r\n"), std::string::npos);
  EXPECT_NE(
      run.Err.find("warning: Smaller than T500 (k = 0.8): a smaller size usually has a lower efficiency"),
      std::string::npos)
      << run.Err;
  EXPECT_NE(bytes.find("\r\nPt=396.8,390.4,377.6,358.4,332.8,300.8\r\n"), std::string::npos);
  EXPECT_EQ(bytes.find("\n\n"), std::string::npos);  // no bare line ends

  const TJson source = ParsedJson(RunCliArgs({"show", "--json", "--model", "T500", cat}))["model"];
  const TJson derived = ParsedJson(RunCliArgs({"show", "--json", "--model", "T400", cat}))["model"];
  ExpectScaled(derived["qa"], source["qa"].Numbers(), 0.512, "flow");
  ExpectScaled(derived["ps"], source["ps"].Numbers(), 0.64, "static pressure");
  ExpectScaled(derived["pw"], source["pw"].Numbers(), 0.32768, "power");
  EXPECT_EQ(RunCliArgs({"verify", cat}).Code, ecSuccess);
}

// A unit the catalogue does not know stops the import (exit 2, nothing
// written) unless the command line names it.
TEST_F(CliAuthoringTest, ImportNeverGuessesAUnit) {
  const std::string cat = Catalogue();
  const std::string before = ReadFileBytes(cat);
  const std::string rows = "\n1000,400,0.5,70\n2000,300,0.8,72\n";
  struct Case {
    const char* title;  // of the one column at fault
    std::vector<std::string> options;
    int code;
    const char* text;  // on standard error, or among the printed lines
  } cases[] = {
      {"Flow (cfn),Ps,Pw,Lw",
       {},
       ecUsage,
       "column 1: the title \"Flow (cfn)\" gives the flow in 'cfn', a unit the units catalogue does not know "
       "(flow units: m³/s, m³/min, m³/hr, l/s, cfm); give the unit with --flow-units"},
      {"Q,SP (in wq),Pw,Lw",
       {},
       ecUsage,
       "column 2: the title \"SP (in wq)\" gives the static pressure in 'in wq'"},
      {"Q [m^3/h],Ps,Pw,Lw", {}, ecUsage, "column 1: the title \"Q [m^3/h]\" gives the flow in 'm^3/h'"},
      {"Q,Ps,Pw (PS),Lw", {}, ecUsage, "give the unit with --power-units"},
      {"Flow (cfn),Ps,Pw,Lw", {"--flow-units", "cfm"}, ecSuccess, "Qa=0.471947,0.943895"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const std::string table = WriteFile("t.csv", std::string(c.title) + rows);
    std::vector<std::string> args{"import", "--model", "N1", "--model-line", "500,1450,1450,1450,500,500,-99",
                                  "--into", cat};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(table);
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, c.code) << run.Err;
    if (c.code == ecSuccess) {
      EXPECT_NE(ReadFileBytes(cat).find(c.text), std::string::npos);
      break;
    }
    EXPECT_NE(run.Err.find(c.text), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(cat), before);
  }
}

// derive keeps the impeller within its tip speed and refuses what would not
// verify, writing nothing.
TEST_F(CliAuthoringTest, DeriveKeepsTheImpellerSafe) {
  const std::string bc =
      WriteFile("bc.qfn", ReadFileBytes((SamplesDir() / "orvane-bc-centrifugal.qfn").string()));
  const std::string ax = WriteFile("ax.qfn", ReadFileBytes((SamplesDir() / "orvane-ax-axial.qfn").string()));
  const std::string bcBefore = ReadFileBytes(bc);
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
    std::vector<std::string> out;  // printed lines (exit 0) or parts of standard error
  } cases[] = {
      // 1800 rpm at 500 mm is 1607 rpm at 560 mm (the sample BC560 has 1600).
      {"larger",
       {"--model", "BC500", "--diameter", "560", bc},
       ecSuccess,
       {"Model=560,1450,581,1607,448,392,"}},
      {"larger, another speed",
       {"--model", "BC500", "--diameter", "560", "--speed", "960", bc},
       ecSuccess,
       {"Model=560,960,581,1607,448,392,"}},
      {"axial doubled: the speeds move into the new limits",
       {"--model", "AX500", "--diameter", "1000", ax},
       ecSuccess,
       {"Model=1000,720,235,720,1000,0,", "Speed=470,710",
        "; Listed speeds 960, 1440 rpm dropped: outside the new speed limits 235..720 rpm"}},
      {"speed overflowing",
       {"--model", "BC500", "--diameter", "560", "--speed", "2147483647", "--into", bc, bc},
       ecUsage,
       {"would not verify:\n  Ref speed must be less than MaxSpeed"}},
      {"speed 1",
       {"--model", "BC500", "--diameter", "560", "--speed", "1", "--into", bc, bc},
       ecUsage,
       {"Ref speed must be greater than MinSpeed"}},
      {"diameter 1",
       {"--model", "BC500", "--diameter", "1", "--into", bc, bc},
       ecUsage,
       {"Speeds must not exceed 100000 rpm"}},
      {"smaller: a warning",
       {"--model", "BC500", "--diameter", "400", bc},
       ecSuccess,
       {"; Smaller than BC500 (k = 0.8): a smaller size usually has a lower efficiency; the shaft powers are "
        "scaled by the fan laws only"}},
      {"smaller, stepped down",
       {"--model", "BC500", "--diameter", "400", "--efficiency-step", "Ackeret", bc},
       ecSuccess,
       {"; Efficiency stepped down by Ackeret's formula"}},
      {"unknown step",
       {"--model", "BC500", "--diameter", "400", "--efficiency-step", "moody", bc},
       ecUsage,
       {"'--efficiency-step' takes 'ackeret', not 'moody'"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"derive", "--as", "NEW"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, c.code) << run.Err;
    const std::vector<std::string> lines = SplitLines(run.Out);
    for (const std::string& part : c.out) {
      if (c.code != ecSuccess) {
        EXPECT_NE(run.Err.find(part), std::string::npos) << run.Err;
        continue;
      }
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                              [&](const std::string& l) { return l.rfind(part, 0) == 0; }))
          << part << "\n"
          << run.Out;
    }
    EXPECT_EQ(run.Err.find("warning: Smaller") != std::string::npos,
              std::string(c.name) == "smaller: a warning");
    EXPECT_EQ(ReadFileBytes(bc), bcBefore);
  }
}

TEST_F(CliAuthoringTest, ShowGivesEveryPointsResidual) {
  // E1 lies exactly on its curves: every residual is zero to rounding.
  const TJson doc = ParsedJson(RunCliArgs({"show", "--json", CliDataFile("exact.qfn")}));
  for (const char* key : {"ps", "pw", "lw"}) {
    SCOPED_TRACE(key);
    const TJson& fit = doc["view"][key];
    ASSERT_EQ(fit["residuals"].Size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
      const TJson& p = fit["residuals"][i];
      EXPECT_EQ(p.Keys(),
                (std::vector<std::string>{"point", "flow", "measured", "fitted", "residual", "percent"}));
      EXPECT_EQ(p["point"].Number, static_cast<double>(i));
      EXPECT_EQ(p["flow"].Number, doc["model"]["qa"][i].Number);
      EXPECT_LE(std::fabs(p["residual"].Number), 1e-10 * std::fabs(p["measured"].Number));
    }
    EXPECT_TRUE(fit["largest_residual"].IsInteger);
  }

  // A line through points that do not lie on one.
  const std::string file = WriteFile("r.qfn", "[R]\nQa=1,2,3\nPs=100,300,0\nPw=1\nLw=80\n");
  const TJson r = ParsedJson(RunCliArgs({"show", "--json", file}))["view"]["ps"];
  ASSERT_EQ(r["residuals"].Size(), 3u);
  // Three points give a straight line: 700/3 - 50 Q.
  EXPECT_NEAR(r["residuals"][0]["residual"].Number, -250.0 / 3, 1e-9);
  EXPECT_NEAR(r["residuals"][1]["residual"].Number, 500.0 / 3, 1e-9);
  EXPECT_NEAR(r["residuals"][2]["residual"].Number, -250.0 / 3, 1e-9);
  EXPECT_EQ(r["residuals"][2]["percent"].Kind, TJson::jNull);  // measured 0
  EXPECT_EQ(r["largest_residual"].Number, 1);
}

}  // namespace
}  // namespace blowden::test
