// blowden-cli: the fan model, verification, selection and database commands
// of Blowden without a window. Everything happens in RunCli.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const int code = blowden::RunCli(args, std::cout, std::cerr);
  std::cout.flush();
  // A full disk or a closed pipe on stdout is a failure, not a success.
  if (!std::cout) return code == 0 ? 2 : code;
  return code;
}
