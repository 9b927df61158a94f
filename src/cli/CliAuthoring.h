#pragma once

#include <ostream>
#include <string>

#include "cli/CliCommands.h"

namespace blowden {

// import: a table of test points (CSV or tab separated) becomes a model
// section, printed or appended to a data file (--into). Its options are
// checked here: request.Options holds them as given.
int RunImport(const TCliRequest& request, std::ostream& out, std::ostream& err);
// derive: a new size of a model by the fan laws, printed or appended.
int RunDerive(const TCliRequest& request, std::ostream& out, std::ostream& err);

// The parts of --help that describe the two commands and their options.
std::string AuthoringCommandsHelp();
std::string AuthoringOptionsHelp();

}  // namespace blowden
