#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fan/FanAuthoring.h"

namespace blowden {
namespace {

TFanModel Source() {
  TFanModel m;
  m.Name = "F500";
  m.Diameter = 0.5;
  m.RefSpeed = 1450;
  m.MinSpeed = 900;
  m.MaxSpeed = 1600;
  m.OutletWidth = 0.5;
  m.OutletHeight = 0.4;
  m.Qa = {1.2, 1.75, 2.3, 2.85, 3.4};
  m.Ps = {700, 650, 560, 430, 260};
  m.Pw = {1.26, 1.52, 1.71, 1.83, 1.88};
  m.Lw = {81, 81.5, 82.25, 83.125, 84};
  m.Count = 5;
  m.QaNom = 2.3;
  return m;
}

// Derived values keep their source's digits and two more, at least six; the
// exact doubles on request.
TEST(AuthoringNumbers, DerivedValuesAsACatalogueMakerWritesThem) {
  struct Case {
    const char* name;
    int diameter, speed;
    bool exact;
    std::vector<std::string> lines;  // in the section
  } cases[] = {
      {"k = 0.8",
       400,
       0,
       false,
       {"Qa=0.6144,0.896,1.1776,1.4592,1.7408", "Pw=0.412877,0.498074,0.560333,0.599654,0.616038",
        "Lw=74.2163,74.7163,75.4663,76.3413,77.2163"}},
      {"k = 0.8, exact",
       400,
       0,
       true,
       {"Pw=0.4128768,0.4980736,0.5603328,0.5996544,0.6160384",
        "Lw=74.21629908943605,74.71629908943605,75.46629908943605,76.34129908943605,77.21629908943605"}},
      {"another speed",
       560,
       1160,
       false,
       {"Qa=1.34873,1.9669,2.58507,3.20324,3.8214", "Lw=79.5998,80.0998,80.8498,81.72476,82.5998"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDeriveRequest request;
    request.Name = "NEW";
    request.Diameter = c.diameter;
    request.RefSpeed = c.speed;
    request.Exact = c.exact;
    const TDeriveResult r = DeriveModel(Source(), nullptr, request);
    ASSERT_EQ(r.Error, "");
    for (const std::string& line : c.lines)
      EXPECT_NE(r.Section.find("\n" + line + "\n"), std::string::npos) << line << "\n" << r.Section;
  }
}

}  // namespace
}  // namespace blowden
