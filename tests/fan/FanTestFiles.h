#pragma once

#include <charconv>
#include <string>
#include <vector>

#include "fan/QmFan.h"
#include "support/TestSupport.h"

namespace blowden::test {

// Shortest text that reads back as the same double.
inline std::string Num(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

inline std::string List(const std::vector<double>& values) {
  std::string s;
  for (std::size_t i = 0; i < values.size(); ++i) s += (i ? "," : "") + Num(values[i]);
  return s;
}

// The test fan's reference curve: a cubic the fit reproduces, falling over
// the flows of the table.
inline double CurvePs(double q) { return 800 + 50 * q - 60 * q * q - 4 * q * q * q; }
inline double CurvePw(double q) { return 1 + 0.5 * q; }
inline double CurveLw(double q) { return 80 + q; }

// Flows 0.5, 0.75, ... 3.0 (11 points, exact in binary).
inline std::vector<double> CurveQa() {
  std::vector<double> q;
  for (int i = 0; i <= 10; ++i) q.push_back(0.5 + 0.25 * i);
  return q;
}

inline std::vector<double> Map(const std::vector<double>& x, double (*f)(double)) {
  std::vector<double> y;
  for (double v : x) y.push_back(f(v));
  return y;
}

// A model section with the test curves; `head` holds the lines before the data.
inline std::string CurveModel(const std::string& name, const std::string& head) {
  const auto qa = CurveQa();
  return "[" + name + "]\n" + head + "Qa=" + List(qa) + "\nPs=" + List(Map(qa, CurvePs)) +
         "\nPw=" + List(Map(qa, CurvePw)) + "\nLw=" + List(Map(qa, CurveLw)) + "\n";
}

inline const char* kCatalog = "[Catalog]\nMaker=Orvane\nRange=FX\nDensity=1.2\n";

// Writes `text` as a fan file in `dir` and loads it.
inline std::string LoadText(TFan& fan, const TTempDir& dir, const std::string& text,
                            const std::string& name = "fan.qfn") {
  const std::string path = dir.Write(name, text);
  fan.LoadFromFile(path);
  return path;
}

// Loads a file of one model "T" with these lists (speeds all `refSpeed`,
// outlet `outlet` in mm, nominal flow the first flow, density 1.2) into
// `fan` and selects the model. Each call writes a file of its own.
inline void LoadModel(TFan& fan, const TTempDir& dir, const std::vector<double>& qa,
                      const std::vector<double>& ps, const std::vector<double>& pw,
                      const std::vector<double>& lw, int refSpeed = 1450,
                      const std::string& outlet = "500,500") {
  static int files = 0;
  const std::string speed = std::to_string(refSpeed);
  LoadText(fan, dir,
           "[Catalog]\nRange=T\nDensity=1.2\n[T]\nModel=500," + speed + "," + speed + "," + speed + "," +
               outlet + "," + (qa.empty() ? std::string("0") : Num(qa.front())) + "\nQa=" + List(qa) +
               "\nPs=" + List(ps) + "\nPw=" + List(pw) + "\nLw=" + List(lw) + "\n",
           "model" + std::to_string(++files) + ".qfn");
  fan.SelectModel("T");
}

}  // namespace blowden::test
