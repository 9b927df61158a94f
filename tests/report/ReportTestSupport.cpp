#include "ReportTestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fan/QmFan.h"

namespace blowden::test {

std::optional<std::string> FindTool(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  std::stringstream folders(path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    const std::filesystem::path candidate = std::filesystem::path(folder) / name;
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
  }
  return std::nullopt;
}

std::string RunCommand(const std::string& command, int* code) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    if (code) *code = -1;
    return output;
  }
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  if (code) *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

std::string Squeezed(const std::string& text) {
  std::string out;
  bool space = false;
  for (const char c : text) {
    if (c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f') {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

TDatasheet SampleDatasheet(const std::string& file, const std::string& model, const TDuty& duty,
                           const TResultUnits& units) {
  TFan fan;
  fan.LoadFromFile(file);
  fan.SelectModel(model);
  EXPECT_EQ(fan.Status(), 0) << file << " " << model;
  return BuildDatasheet(fan, duty, units, FileSha256(file));
}

std::string WritePdf(const std::vector<TDatasheet>& pages, const std::string& folder,
                     const std::string& name) {
  std::string pdf;
  const std::string why = DatasheetPdf(pages, pdf);
  EXPECT_EQ(why, "");
  if (!why.empty()) return std::string();
  const std::string path = (std::filesystem::path(folder) / name).string();
  std::ofstream(path, std::ios::binary) << pdf;
  // BLOWDEN_KEEP_PDF=folder keeps a copy of every document for a look.
  if (const char* keep = std::getenv("BLOWDEN_KEEP_PDF"); keep && *keep) {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::string file = name + "-" + std::filesystem::path(path).filename().string();
    for (char& c : file)
      if (c == '/') c = '_';
    std::ofstream(std::filesystem::path(keep) / file, std::ios::binary) << pdf;
  }
  return path;
}

}  // namespace blowden::test
