// Reading fan data files: catalogue, model names, model sections.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <thread>

#include "base/Convert.h"
#include "base/IniFile.h"
#include "fan/FanTestFiles.h"
#include "fan/QmFan.h"
#include "numeric/Regress.h"

using namespace blowden;
using namespace blowden::test;

namespace {

constexpr double kQuarterPi = 0.7853981633974483;

// A fan whose model-read messages are collected.
struct TFanFixture : testing::Test {
  TFanFixture() {
    fan.OnMessage = [this](const std::string& m) { messages.push_back(m); };
  }
  void Load(const std::string& text) { LoadText(fan, dir, text); }

  TTempDir dir;
  TFan fan;
  std::vector<std::string> messages;
};

using FanReader = TFanFixture;

}  // namespace

TEST(SplitList, Items) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<std::string> items;
  } cases[] = {
      {"plain", "1,2,3", {"1", "2", "3"}},
      {"blanks before items skipped", "1,  2,\t3", {"1", "2", "3"}},
      {"blank before a comma stays", "1 ,2", {"1 ", "2"}},
      {"trailing comma adds nothing", "1,2,", {"1", "2"}},
      {"two commas make an empty item", "1,,2", {"1", "", "2"}},
      {"empty item before a trailing comma", "1,2,,", {"1", "2", ""}},
      {"single item", "2.2", {"2.2"}},
      {"empty", "", {}},
      {"only blanks", "   ", {}},
      {"only a comma", ",", {""}},
      {"leading comma", ",5", {"", "5"}},
  };
  std::vector<std::string_view> items;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SplitList(c.text, items);
    EXPECT_EQ(std::vector<std::string>(items.begin(), items.end()), c.items);
  }
}

TEST(FanLoad, NewFanIsNotLoaded) {
  TFan fan;
  EXPECT_EQ(fan.Status(), 1);
  EXPECT_EQ(StatusText[static_cast<std::size_t>(fan.Status())], "Data file not loaded");
  EXPECT_TRUE(fan.Models().empty());
  EXPECT_EQ(fan.Header().Kind, fkNone);
}

TEST_F(FanReader, CatalogueOnly) {
  Load("[Catalog]\nMaker=Orvane\nRange=FX\nDescription=Test range\nVersion=2.1\nDensity=1.19\nKind=BCC\n");
  EXPECT_EQ(fan.Status(), fsReady);
  EXPECT_TRUE(fan.Models().empty());
  EXPECT_EQ(fan.Header().Maker, "Orvane");
  EXPECT_EQ(fan.Header().Range, "FX");
  EXPECT_EQ(fan.Header().Description, "Test range");
  EXPECT_EQ(fan.Header().Version, "2.1");
  EXPECT_DOUBLE_EQ(fan.Header().Density, 1.19);
  EXPECT_EQ(fan.Header().Kind, fkBCC);
}

TEST_F(FanReader, HeaderDefaultsAndTolerance) {
  struct Case {
    const char* name;
    const char* text;
    double density;
    TFanKind kind;
  } cases[] = {
      {"no catalogue", "[F1]\nQa=1,2\n", 1.2, fkNone},
      {"kind in lower case", "[catalog]\nKind=axial\n", 1.2, fkAxial},
      {"density not a number", "[Catalog]\nDensity=heavy\nKind=MIXED\n", 1.2, fkMixed},
      {"empty density", "[Catalog]\nDensity=\nKind=Radial\n", 1.2, fkRadial},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFan f;
    LoadText(f, dir, c.text, std::string(c.name) + ".qfn");
    EXPECT_EQ(f.Status(), fsReady);
    EXPECT_EQ(f.Header().Maker, "");
    EXPECT_DOUBLE_EQ(f.Header().Density, c.density);
    EXPECT_EQ(f.Header().Kind, c.kind);
  }
}

TEST_F(FanReader, UnknownKindKeepsTheKindHeld) {
  Load("[Catalog]\nKind=Prop\n");
  EXPECT_EQ(fan.Header().Kind, fkProp);
  LoadText(fan, dir, "[Catalog]\nKind=Turbine\n", "other.qfn");
  EXPECT_EQ(fan.Header().Kind, fkProp);
}

TEST_F(FanReader, ModelNamesInFileOrderWithoutCatalog) {
  Load("[F400]\nQa=1,2\n[Catalog]\nMaker=M\n[f500]\nQa=1\n[Empty]\n[F630]\nX=1\n");
  EXPECT_EQ(fan.Status(), fsReady);
  EXPECT_EQ(fan.Models(), (std::vector<std::string>{"F400", "f500", "Empty", "F630"}));
  EXPECT_EQ(fan.Header().Maker, "M");
}

TEST_F(FanReader, MissingFile) {
  Load(std::string(kCatalog) + CurveModel("F1", ""));
  ASSERT_EQ(fan.Models().size(), 1u);
  fan.LoadFromFile(dir.File("missing.qfn"));
  EXPECT_EQ(fan.Status(), fsFileNotFound);
  EXPECT_EQ(fan.Models().size(), 0u);
  EXPECT_EQ(fan.FileName(), dir.File("missing.qfn"));
}

TEST_F(FanReader, FolderIsAReadError) {
  std::filesystem::create_directory(dir.Path() / "folder.qfn");
  fan.LoadFromFile(dir.File("folder.qfn"));
  EXPECT_EQ(fan.Status(), fsReadError);
  EXPECT_EQ(StatusTextOf(fan.Status()), "File read error");
  EXPECT_TRUE(fan.Models().empty());
}

TEST_F(FanReader, EmptyOrMissingSectionKeepsThePreviousModel) {
  Load(std::string(kCatalog) + CurveModel("F1", "QaNom=1.5\n") + "[Empty]\n");
  fan.SelectModel("F1");
  ASSERT_EQ(fan.Status(), fsReady);
  const TFanModel before = fan.Model();
  for (const char* name : {"Empty", "Nowhere"}) {
    SCOPED_TRACE(name);
    fan.SelectModel(name);
    EXPECT_EQ(fan.Status(), fsModelNotFound);
    EXPECT_EQ(StatusTextOf(fan.Status()), "Fan model not found");
    EXPECT_EQ(fan.Model().Name, "F1");
    EXPECT_EQ(fan.Model().Qa, before.Qa);
    EXPECT_EQ(fan.Model().QaNom, 1.5);
  }
  fan.SelectModel("f1");  // section names match without regard to case
  EXPECT_EQ(fan.Status(), fsReady);
}

TEST_F(FanReader, DefaultsWithoutModelLine) {
  Load("[F1]\nQa=0.5,1,1.5,2,2.5\nPs=500,480,450,400,300\nPw=1\nLw=80\n");
  fan.SelectModel("F1");
  ASSERT_EQ(fan.Status(), fsReady);
  const TFanModel& m = fan.Model();
  EXPECT_EQ(m.Name, "F1");
  EXPECT_DOUBLE_EQ(m.Diameter, 0.5);
  EXPECT_DOUBLE_EQ(m.OutletWidth, 0.5);
  EXPECT_DOUBLE_EQ(m.OutletHeight, 0.5);
  EXPECT_DOUBLE_EQ(fan.OutletArea(), 0.25);  // the diameter squared, not a circle
  EXPECT_EQ(m.RefSpeed, 1360);
  EXPECT_EQ(m.MinSpeed, 1360);
  EXPECT_EQ(m.MaxSpeed, 1360);
  EXPECT_EQ(m.QaNom, 1.5);  // -99 falls back to point 2*5/3 = 3
  EXPECT_FALSE(m.HasSpeeds);
  EXPECT_EQ(m.Count, 5);
}

TEST_F(FanReader, ScalarKeys) {
  struct Case {
    const char* name;
    const char* lines;
    double diameter;
    int refSpeed;
    double qaNom;
  } cases[] = {
      {"given", "Diameter=630.5\nRefSpeed=1450\nQaNom=2.25\n", 0.6305, 1450, 2.25},
      {"unreadable numbers default", "Diameter=big\nRefSpeed=1450.0\nQaNom=x\n", 0.5, 1360, 2.0},
      {"blanks around values are trimmed", "RefSpeed=1450 \nDiameter= 400 \n", 0.4, 1450, 2.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFan f;
    LoadText(f, dir, std::string("[F]\n") + c.lines + "Qa=1,1.5,2,2.5,3\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
             std::string(c.name) + ".qfn");
    f.SelectModel("F");
    EXPECT_EQ(f.Status(), fsReady);
    EXPECT_DOUBLE_EQ(f.Model().Diameter, c.diameter);
    EXPECT_DOUBLE_EQ(f.Model().OutletWidth, c.diameter);
    EXPECT_EQ(f.Model().RefSpeed, c.refSpeed);
    EXPECT_EQ(f.Model().MinSpeed, c.refSpeed);
    EXPECT_DOUBLE_EQ(f.Model().QaNom, c.qaNom);
  }
}

TEST_F(FanReader, ModelLine) {
  Load(
      "[F]\nDiameter=999\nRefSpeed=999\nQaNom=9\nModel=500,1450,900,1600,0,400,2.5\n"
      "Qa=1,2,3,4\nPs=4,3,2,1\nPw=1\nLw=1\n");
  fan.SelectModel("F");
  ASSERT_EQ(fan.Status(), fsReady);
  const TFanModel& m = fan.Model();
  EXPECT_DOUBLE_EQ(m.Diameter, 0.5);
  EXPECT_EQ(m.RefSpeed, 1450);
  EXPECT_EQ(m.MinSpeed, 900);
  EXPECT_EQ(m.MaxSpeed, 1600);
  EXPECT_DOUBLE_EQ(m.OutletWidth, 0);
  EXPECT_DOUBLE_EQ(m.OutletHeight, 0.4);
  EXPECT_DOUBLE_EQ(m.QaNom, 2.5);
  EXPECT_DOUBLE_EQ(fan.OutletArea(), kQuarterPi * 0.16);
}

TEST_F(FanReader, BadModelLineUsesFallBacksAndReadsOn) {
  struct Case {
    const char* name;
    const char* line;
  } cases[] = {
      {"not a number", "500,14x0,900,1600,500,400,2.5"},
      {"decimal diameter", "500.0,1450,900,1600,500,400,2.5"},
      {"blank before an integer's comma", "500 ,1450,900,1600,500,400,2.5"},
      {"six items", "500,1450,900,1600,500,400"},
      {"empty item", "500,,900,1600,500,400,2.5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFan f;
    LoadText(f, dir,
             std::string("[F]\nModel=") + c.line + "\nQa=1,2,3,4,5,6\nPs=6,5,4,3,2,1\nPw=1,2\nLw=70\n",
             std::string(c.name) + ".qfn");
    f.SelectModel("F");
    EXPECT_EQ(f.Status(), fsDataError);
    EXPECT_TRUE(f.ModelReadComplete());
    const TFanModel& m = f.Model();
    EXPECT_DOUBLE_EQ(m.Diameter, 0.5);
    EXPECT_EQ(m.RefSpeed, 1360);
    EXPECT_EQ(m.MinSpeed, 1360);
    EXPECT_EQ(m.MaxSpeed, 1360);
    EXPECT_DOUBLE_EQ(m.OutletWidth, 0.5);
    EXPECT_DOUBLE_EQ(m.OutletHeight, 0.5);
    EXPECT_DOUBLE_EQ(m.QaNom, 4);                              // -99 fell back to point 2*6/3 = 4
    EXPECT_EQ(m.Pw, (std::vector<double>{1, 2, 2, 2, 2, 2}));  // read to the end
    EXPECT_EQ(f.FitError(), 0);
  }
}

TEST_F(FanReader, DecimalModelItemsTolerateBlanks) {
  Load("[F]\nModel=500,1450,900,1600, 500 ,400 , 2.5\nQa=1,2,3\nPs=3,2,1\nPw=1\nLw=1\n");
  fan.SelectModel("F");
  EXPECT_EQ(fan.Status(), fsReady);
  EXPECT_DOUBLE_EQ(fan.OutletArea(), 0.2);
}

TEST_F(FanReader, ZeroOutletStopsTheRead) {
  Load(std::string(kCatalog) + CurveModel("Good", "Model=500,1450,900,1600,500,400,1.5\n") +
       "[Flat]\nModel=630,960,500,1200,0,0,2\nQa=5,6,7\nPs=1,1,1\nPw=1\nLw=1\n");
  fan.SelectModel("Good");
  const std::vector<double> goodQa = fan.Model().Qa;
  const std::vector<double> goodCoeffs = fan.Coeffs();
  fan.SelectModel("Flat");
  EXPECT_EQ(fan.Status(), fsDataError);
  EXPECT_EQ(messages, std::vector<std::string>{"Bad area specification..."});
  // Name and scalar data of the new model; curves and fit of the previous one.
  EXPECT_EQ(fan.Model().Name, "Flat");
  EXPECT_EQ(fan.Model().RefSpeed, 960);
  EXPECT_DOUBLE_EQ(fan.Model().Diameter, 0.63);
  EXPECT_DOUBLE_EQ(fan.Model().QaNom, 2);
  EXPECT_EQ(fan.Model().Qa, goodQa);
  EXPECT_EQ(fan.Coeffs(), goodCoeffs);
  EXPECT_FALSE(fan.ModelReadComplete());
}

TEST_F(FanReader, TooFewFlows) {
  struct Case {
    const char* line;
    int count;
  } cases[] = {{"Qa=1.5\n", 1}, {"Qa=\n", 0}, {"", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    messages.clear();
    TTempDir d;
    LoadText(fan, d, std::string("[F]\nRefSpeed=1450\n") + c.line + "Ps=1\nPw=1\nLw=1\n");
    fan.SelectModel("F");
    EXPECT_EQ(fan.Status(), fsVolumeRange);
    EXPECT_EQ(messages, std::vector<std::string>{"Not enough data points..."});
    EXPECT_EQ(fan.Model().RefSpeed, 1450);
    EXPECT_EQ(fan.Model().Count, c.count);
  }
}

TEST_F(FanReader, NoPressureList) {
  Load("[F]\nQa=1,2,3\nPw=1\nLw=1\n");
  fan.SelectModel("F");
  EXPECT_EQ(fan.Status(), fsDataError);
  EXPECT_EQ(messages, std::vector<std::string>{"Pressure not specified..."});
  EXPECT_EQ(fan.Model().Qa, (std::vector<double>{1, 2, 3}));
}

TEST_F(FanReader, MessagesWithoutHandlerAreIgnored) {
  TFan quiet;
  LoadText(quiet, dir, "[F]\nModel=500,1450,900,1600,0,0,2\nQa=1,2\n");
  quiet.SelectModel("F");
  EXPECT_EQ(quiet.Status(), fsDataError);
}

TEST_F(FanReader, TotalPressureBecomesStatic) {
  // Outlet 400 mm × 400 mm (no "Model" line): area 0.16 m²; density 1.25.
  Load("[Catalog]\nDensity=1.25\n[F]\nDiameter=400\nQa=0.8,1.6,2.4\nPt=900,800,600\nPs=1,1,1\nPw=1\nLw=1\n");
  fan.SelectModel("F");
  ASSERT_EQ(fan.Status(), fsReady);
  const double qa[] = {0.8, 1.6, 2.4}, pt[] = {900, 800, 600};
  ASSERT_EQ(fan.Model().Ps.size(), 3u);
  for (int j = 0; j < 3; ++j) {
    const double v = qa[j] / 0.16;
    EXPECT_NEAR(fan.Model().Ps[static_cast<std::size_t>(j)], pt[j] - 0.5 * 1.25 * v * v, 1e-9) << j;
  }
  EXPECT_NEAR(fan.Model().Ps[0], 900 - 15.625, 1e-9);
}

TEST_F(FanReader, PressureListLengths) {
  struct Case {
    const char* name;
    const char* lists;
    int status;
    std::size_t psSize;
  } cases[] = {
      {"Ps longer than Qa is kept whole", "Ps=5,4,3,2,1,0,-1\n", fsReady, 7},
      {"Ps shorter than Qa", "Ps=5,4,3,2\n", fsDataError, 4},
      {"Pt shorter than Qa", "Pt=5,4,3,2\n", fsDataError, 4},
      {"Pt longer than Qa is cut", "Pt=5,4,3,2,1,0,-1\n", fsReady, 5},
      {"empty Ps", "Ps=\n", fsDataError, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFan f;
    std::vector<std::string> shown;
    f.OnMessage = [&](const std::string& m) { shown.push_back(m); };
    LoadText(f, dir, std::string("[F]\nQa=1,2,3,4,5\n") + c.lists + "Pw=1\nLw=1\n",
             std::string(c.name) + ".qfn");
    f.SelectModel("F");
    EXPECT_EQ(f.Status(), c.status);
    EXPECT_EQ(f.Model().Ps.size(), c.psSize);
    EXPECT_EQ(f.ModelReadComplete(), c.status == fsReady);
    EXPECT_TRUE(shown.empty());  // a short list stops the read without a message
  }
}

TEST_F(FanReader, PowerAndSoundExpansion) {
  struct Case {
    const char* name;
    const char* qa;
    const char* pw;
    std::vector<double> expected;
  } cases[] = {
      {"one value fills all", "1,2,3,4,5,6,7,8", "2.2", std::vector<double>(8, 2.2)},
      {"short list repeats its last", "1,2,3,4,5", "1,2,3", {1, 2, 3, 3, 3}},
      {"long list is cut", "1,2,3", "1,2,3,4,5", {1, 2, 3}},
      {"unused bad item is not read", "1,2,3", "1,2,3,oops", {1, 2, 3}},
      {"exact length", "1,2,3", "3,2,1", {3, 2, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFan f;
    const std::string text =
        std::string("[F]\nQa=") + c.qa + "\nPs=" + c.qa + "\nPw=" + c.pw + "\nLw=" + c.pw + "\n";
    LoadText(f, dir, text, std::string(c.name) + ".qfn");
    f.SelectModel("F");
    EXPECT_EQ(f.Status(), fsReady);
    EXPECT_EQ(f.Model().Pw, c.expected);
    EXPECT_EQ(f.Model().Lw, c.expected);
  }
}

TEST_F(FanReader, MissingPowerOrSoundIsADataError) {
  struct Case {
    const char* name;
    const char* lists;
  } cases[] = {
      {"no Pw", "Lw=1\n"},
      {"empty Pw", "Pw=\nLw=1\n"},
      {"no Lw", "Pw=1\n"},
      {"empty Lw", "Pw=1\nLw=\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFan f;
    LoadText(f, dir, std::string("[F]\nQa=1,2,3\nPs=3,2,1\n") + c.lists, std::string(c.name) + ".qfn");
    f.SelectModel("F");
    EXPECT_EQ(f.Status(), fsDataError);
    EXPECT_FALSE(f.ModelReadComplete());
  }
}

TEST_F(FanReader, NominalFlowFallBack) {
  struct Case {
    const char* name;
    const char* qaNom;
    const char* qa;
    double expected;
  } cases[] = {
      {"ten points: the 6th", "", "1,2,3,4,5,6,7,8,9,10", 6},
      {"six points: the 4th", "QaNom=-1\n", "1,2,3,4,5,6", 4},
      {"two points: the 1st", "QaNom=99\n", "1,2", 1},
      {"inside stays", "QaNom=2.75\n", "1,2,3,4,5", 2.75},
      {"the lowest flow stays", "QaNom=1\n", "1,2,3,4,5", 1},
      {"the highest flow stays", "QaNom=5\n", "1,2,3,4,5", 5},
      {"just above falls back", "QaNom=5.0001\n", "1,2,3,4,5", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFan f;
    const std::string text =
        std::string("[F]\n") + c.qaNom + "Qa=" + c.qa + "\nPs=" + c.qa + "\nPw=1\nLw=1\n";
    LoadText(f, dir, text, std::string(c.name) + ".qfn");
    f.SelectModel("F");
    EXPECT_EQ(f.Status(), fsReady);
    EXPECT_DOUBLE_EQ(f.Model().QaNom, c.expected);
  }
}

TEST_F(FanReader, SpeedList) {
  struct Case {
    const char* name;
    const char* line;
    bool has;
    std::vector<int> speeds;
  } cases[] = {
      {"none", "", false, {}},
      {"two speeds", "Speed=960,1450\n", true, {960, 1450}},
      {"bad middle item reads 0", "Speed=960 ,1450\n", true, {0, 1450}},
      {"empty list", "Speed=\n", true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFan f;
    LoadText(f, dir, std::string("[F]\n") + c.line + "Qa=1,2,3\nPs=3,2,1\nPw=1\nLw=1\n",
             std::string(c.name) + ".qfn");
    f.SelectModel("F");
    EXPECT_EQ(f.Status(), fsReady);
    EXPECT_EQ(f.Model().HasSpeeds, c.has);
    if (c.has) {
      EXPECT_EQ(f.Model().Speeds, c.speeds);
    }
  }
}

TEST_F(FanReader, ConversionErrors) {
  struct Case {
    const char* name;
    const char* lists;
    const char* message;
  } cases[] = {
      {"bad flow", "Qa=1,x2,3\nPs=3,2,1\nPw=1\nLw=1\n", "'x2' is not a valid floating point value"},
      {"empty flow", "Qa=1,,3\nPs=3,2,1\nPw=1\nLw=1\n", "'' is not a valid floating point value"},
      {"bad last pressure", "Qa=1,2,3\nPs=3,2,1a\nPw=1\nLw=1\n", "'1a' is not a valid floating point value"},
      {"bad last total pressure", "Qa=1,2,3\nPt=3,2,z\nPw=1\nLw=1\n",
       "'z' is not a valid floating point value"},
      {"bad used power", "Qa=1,2,3\nPs=3,2,1\nPw=1,kW,3\nLw=1\n", "'kW' is not a valid floating point value"},
      {"bad single sound", "Qa=1,2,3\nPs=3,2,1\nPw=1\nLw=loud\n",
       "'loud' is not a valid floating point value"},
      {"bad last speed", "Speed=960,1450x\nQa=1,2,3\nPs=3,2,1\nPw=1\nLw=1\n",
       "'1450x' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFan f;
    LoadText(f, dir, std::string("[F]\n") + c.lists, std::string(c.name) + ".qfn");
    try {
      f.SelectModel("F");
      ADD_FAILURE() << "no conversion error";
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    // The model is only partly read.
    EXPECT_EQ(f.Status(), fsDataError);
    EXPECT_EQ(f.ModelStatus(), fsDataError);
  }
}

TEST_F(FanReader, BadMiddlePressureReadsZero) {
  Load("[F]\nQa=1,2,3,4\nPs=4,x,2,1\nPt=\n");
  // "Pt" exists (empty): it is used instead of "Ps", and it is too short.
  fan.SelectModel("F");
  EXPECT_EQ(fan.Status(), fsDataError);
  TFan other;
  LoadText(other, dir, "[F]\nQa=1,2,3,4\nPs=4,x,2,1\nPw=1\nLw=1\n", "ps.qfn");
  other.SelectModel("F");
  EXPECT_EQ(other.Status(), fsReady);
  EXPECT_EQ(other.Model().Ps, (std::vector<double>{4, 0, 2, 1}));
}

TEST_F(FanReader, FitOrderFollowsThePointCount) {
  struct Case {
    const char* qa;
    std::size_t coeffs;
  } cases[] = {{"1,2", 1}, {"1,2,3", 2}, {"1,2,3,4", 3}, {"1,2,3,4,5", 4}, {"1,2,3,4,5,6,7,8", 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.qa);
    TFan f;
    LoadText(f, dir, std::string("[F]\nQa=") + c.qa + "\nPs=" + c.qa + "\nPw=1\nLw=1\n",
             std::string("fit") + c.qa + ".qfn");
    f.SelectModel("F");
    EXPECT_EQ(f.FitError(), 0);
    EXPECT_EQ(f.Coeffs().size(), c.coeffs);
  }
  TFan two;
  LoadText(two, dir, "[F]\nQa=1,2\nPs=300,100\nPw=1\nLw=1\n", "two.qfn");
  two.SelectModel("F");
  ASSERT_EQ(two.Coeffs().size(), 1u);
  EXPECT_DOUBLE_EQ(two.Coeffs()[0], 200);  // the mean pressure
}

TEST_F(FanReader, SeesAFileChangedOnDisk) {
  const std::string path = dir.Write("fan.qfn", "[F]\nQa=1,2,3\nPs=3,2,1\nPw=1\nLw=1\n");
  fan.LoadFromFile(path);
  fan.SelectModel("F");
  EXPECT_EQ(fan.Model().Count, 3);
  dir.Write("fan.qfn", "[F]\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n[G]\nQa=1,2\n");
  fan.SelectModel("F");
  EXPECT_EQ(fan.Model().Count, 5);
  EXPECT_EQ(fan.Models().size(), 1u);  // the names are those of the last load
  fan.SelectModel("G");
  EXPECT_EQ(fan.Model().Name, "G");
}

TEST_F(FanReader, LongListsAreReadInFull) {
  std::vector<double> qa, ps;
  for (int i = 0; i < 400; ++i) {
    qa.push_back(1 + i * 0.0123456789);
    ps.push_back(1000 - i * 1.23456789);
  }
  const std::string qaText = List(qa);
  ASSERT_GT(qaText.size(), 2047u);
  Load("[F]\nQa=" + qaText + "\nPs=" + List(ps) + "\nPw=1\nLw=1\n");
  fan.SelectModel("F");
  EXPECT_EQ(fan.Status(), fsReady);
  EXPECT_EQ(fan.Model().Count, 400);
  EXPECT_EQ(fan.Model().Qa.back(), qa.back());
}

// A model read once is not read again while the file is unchanged, but an
// edit saved to disk is seen by the next read, also of the same size.
TEST(FanReaderCache, ModelsChangedOnDiskAreReadAgain) {
  test::TTempDir dir;
  const auto write = [&](const char* ps) {
    return dir.Write("c.qfn", std::string("[M]\nQa=1,2,3,4,5\nPs=") + ps +
                                  "\nPw=1\nLw=80\n[N]\nQa=1,2\nPs=5,4\nPw=1\nLw=2\n");
  };
  const std::string path = write("500,400,300,200,100");
  TFan fan;
  fan.LoadFromFile(path);
  fan.SelectModel("M");
  EXPECT_DOUBLE_EQ(fan.Model().Ps[0], 500);
  fan.SelectModel("N");
  fan.SelectModel("m");              // again, from the kept reading
  EXPECT_EQ(fan.Model().Name, "M");  // the section name as written in the file
  EXPECT_EQ(fan.Model().Count, 5);
  EXPECT_DOUBLE_EQ(fan.Model().Ps[0], 500);
  EXPECT_NEAR(PolyValue(fan.Coeffs(), 1.0), 500, 1e-9);

  write("600,400,300,200,100");  // same size: only the modification time tells
  std::filesystem::last_write_time(path,
                                   std::filesystem::file_time_type::clock::now() + std::chrono::seconds(3));
  fan.SelectModel("M");
  EXPECT_DOUBLE_EQ(fan.Model().Ps[0], 600);
  EXPECT_GT(PolyValue(fan.Coeffs(), 1.0), 590);  // the fit follows the new data
}

// A window reads a large file on another thread and takes the reading on its
// own: the result is LoadFromFile's, and the previous file's parse (also the
// one its models were read from) leaves with the reading, to be freed there.
TEST(FanReaderTakeFile, AReadingFromAnotherThreadIsLoadFromFileAndTakesThePreviousAlong) {
  test::TTempDir dir;
  const std::string a = dir.Write("a.qfn", std::string(kCatalog) + "Kind=Axial\n" + CurveModel("A1", ""));
  const std::string b = dir.Write(
      "b.qfn", "[Catalog]\nMaker=Other\nKind=Turbine\n" + CurveModel("B1", "") + CurveModel("B2", ""));
  struct Case {
    const char* name;
    std::string path;
  } cases[] = {{"another file", b}, {"the same file", a}, {"a missing file", dir.File("none.qfn")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFan loaded, taken;
    for (TFan* fan : {&loaded, &taken}) {
      fan->LoadFromFile(a);
      fan->SelectModel("A1");
    }
    loaded.LoadFromFile(c.path);
    TFan::TReadFile file;
    std::thread([&] { file = TFan::ReadFile(c.path); }).join();
    std::weak_ptr<const TIniFile> previous = TIniFile::Open(a);
    TIniFile::ClearCache();  // only the fans hold a's parse now
    taken.TakeFile(file);

    EXPECT_EQ(taken.FileName(), loaded.FileName());
    EXPECT_EQ(taken.Status(), loaded.Status());
    EXPECT_EQ(taken.LoadStatus(), loaded.LoadStatus());
    EXPECT_EQ(taken.Models(), loaded.Models());
    EXPECT_EQ(taken.Header().Maker, loaded.Header().Maker);
    EXPECT_EQ(taken.Header().Kind, fkAxial) << "a kind not named keeps the one held";
    ASSERT_NE(file.Previous, nullptr);
    file.Previous.reset();
    EXPECT_EQ(previous.expired(), c.path != a) << "the same file's parse stays in use";
    if (!taken.Models().empty()) {
      taken.SelectModel(taken.Models().back());
      loaded.SelectModel(loaded.Models().back());
      EXPECT_EQ(taken.Model().Name, loaded.Model().Name);
      EXPECT_EQ(taken.Coeffs(), loaded.Coeffs());
    }
  }
}
