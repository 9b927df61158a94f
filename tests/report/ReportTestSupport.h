#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/Datasheet.h"

namespace blowden::test {

// The path of a poppler tool (pdftotext, pdfimages, pdfinfo) on PATH, or
// nothing; the tests that need one skip without it.
std::optional<std::string> FindTool(const std::string& name);

// Runs a shell command and returns what it wrote to standard output; `code`
// gets its exit status.
std::string RunCommand(const std::string& command, int* code = nullptr);

// Text with every run of white space made one space, trimmed.
std::string Squeezed(const std::string& text);

// The datasheet of a catalogue's model at a duty, as the command line builds it.
TDatasheet SampleDatasheet(const std::string& file, const std::string& model, const TDuty& duty,
                           const TResultUnits& units = TResultUnits());

// Writes the PDF of the pages into `folder` as `name` and returns its path;
// fails the test (empty path) when the document cannot be made.
std::string WritePdf(const std::vector<TDatasheet>& pages, const std::string& folder,
                     const std::string& name);

}  // namespace blowden::test
