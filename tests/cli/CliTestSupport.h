#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "JsonCheck.h"
#include "cli/Cli.h"
#include "support/TestSupport.h"

namespace blowden::test {

// What one run of blowden-cli gave.
struct TCliRun {
  int Code = -1;
  std::string Out;
  std::string Err;
};

inline TCliRun RunCliArgs(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  TCliRun run;
  run.Code = RunCli(args, out, err);
  run.Out = out.str();
  run.Err = err.str();
  return run;
}

// The lines of a text, without their line breaks.
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// The fixture files of these tests.
inline std::string CliDataFile(const char* name) { return (SourceDir() / "tests/cli/data" / name).string(); }

// Every test runs with HOME, XDG_DATA_HOME and XDG_CONFIG_HOME in a fresh
// temporary folder, so the database folder is private to it; the previous
// values come back afterwards.
class TCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FHome.Set((FEnv.Path() / "home").string());
    FDataHome.Set((FEnv.Path() / "data").string());
    FConfigHome.Set((FEnv.Path() / "config").string());
  }

  // Writes a fan file of these contents into the work folder.
  std::string WriteFile(const char* name, const std::string& text) const { return FWork.Write(name, text); }
  const TTempDir& Work() const { return FWork; }
  const TTempDir& Env() const { return FEnv; }

  // The database folder the commands use here.
  std::filesystem::path Database() const { return FEnv.Path() / "data" / "Orvane" / "Common Files"; }

 private:
  TTempDir FEnv;   // HOME and the XDG folders
  TTempDir FWork;  // files the test makes
  TEnvVar FHome{"HOME"}, FDataHome{"XDG_DATA_HOME"}, FConfigHome{"XDG_CONFIG_HOME"};
};

// A parsed JSON document printed by a run; a failure when it does not parse.
inline TJson ParsedJson(const TCliRun& run) {
  std::string error;
  auto doc = ParseJson(run.Out, &error);
  EXPECT_TRUE(doc.has_value()) << error << "\n" << run.Out;
  return doc ? *doc : TJson{};
}

}  // namespace blowden::test
