#include "support/TestSupport.h"

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace blowden::test {

TTempDir::TTempDir() {
  std::random_device rd;
  std::mt19937_64 gen(rd());
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("blowden-test-" + std::to_string(gen()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      FPath = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // A test may have made the folder read-only; give the rights back first.
  for (auto it = std::filesystem::recursive_directory_iterator(FPath, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                               ec);
  std::filesystem::remove_all(FPath, ec);
}

std::string TTempDir::File(std::string_view name) const { return (FPath / name).string(); }

std::string TTempDir::Write(std::string_view name, std::string_view bytes) const {
  const auto path = FPath / name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return path.string();
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string TestName(std::string_view text) {
  std::string name;
  for (const char c : text) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
      name += c;
    else if (c == '-')
      name += "minus";
    else if (c == '+')
      name += "plus";
    else
      name += '_';
  }
  return name.empty() ? "empty" : name;
}

std::string TestName(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return TestName(std::string_view(text));
}

std::filesystem::path SourceDir() { return std::filesystem::path(BLOWDEN_SOURCE_DIR); }
std::filesystem::path SamplesDir() { return SourceDir() / "data" / "samples"; }

TEnvVar::TEnvVar(std::string name) : FName(std::move(name)) {
  if (const char* value = std::getenv(FName.c_str())) FOld = value;
}

TEnvVar::~TEnvVar() {
  if (FOld)
    setenv(FName.c_str(), FOld->c_str(), 1);
  else
    unsetenv(FName.c_str());
}

void TEnvVar::Set(const std::string& value) const { setenv(FName.c_str(), value.c_str(), 1); }
void TEnvVar::Unset() const { unsetenv(FName.c_str()); }

TCommaLocale::TCommaLocale() {
  const char* current = std::setlocale(LC_ALL, nullptr);
  FSavedC = current ? current : "C";
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    try {
      std::locale::global(std::locale(name));  // sets the C locale as well
    } catch (const std::runtime_error&) {
      continue;
    }
    // Only a locale that really writes a decimal comma proves anything.
    const std::lconv* conv = std::localeconv();
    if (conv && std::string(conv->decimal_point) == ",") {
      FName = name;
      return;
    }
  }
  std::locale::global(FSavedGlobal);
  std::setlocale(LC_ALL, FSavedC.c_str());
}

TCommaLocale::~TCommaLocale() {
  std::locale::global(FSavedGlobal);
  std::setlocale(LC_ALL, FSavedC.c_str());
}

}  // namespace blowden::test
