// Where the blowden-cli program of this build is. Kept in a file of its own:
// the path differs between build folders, the other test objects do not.
namespace blowden::test {

const char* CliProgram() { return BLOWDEN_CLI_PROGRAM; }

}  // namespace blowden::test
