#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace blowden {

// Exit codes of blowden-cli.
enum TCliExitCode : int {
  ecSuccess = 0,  // every file verified clean / installed; the selection ended with status 0
  ecFailure = 1,  // verification errors, an install refused, a selection whose status is not 0,
                  // a number in a data file that does not convert
  ecUsage = 2,    // unknown command or option, a number or unit on the command line that does not
                  // parse, a file that cannot be read at all, a picture that cannot be written
};

// blowden-cli as a function over streams. `args` are the arguments after the
// program name: {"verify", "--json", "a.qfn"}. Results go to `out` (with
// --json exactly one JSON document), diagnostics and the fan model's message
// boxes to `err`. Returns the exit code.
//
// The database folder is computed on every call from the environment, as the
// desktop program installed beside this one computes it (XDG_DATA_HOME or
// HOME, and the program's own folder): a caller that sets XDG_DATA_HOME
// before the call points install, list and delete at
// $XDG_DATA_HOME/Orvane/Common Files/. Nothing is created at start-up.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The database folder used by install, list and delete (ends in "/"); empty
// only when no folder can be found at all.
std::string CliDatabaseFolder();

// The complete --help text.
std::string CliHelpText();

}  // namespace blowden
