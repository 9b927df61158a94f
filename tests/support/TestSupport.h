#pragma once

#include <filesystem>
#include <locale>
#include <optional>
#include <string>
#include <string_view>

namespace blowden::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // Full path of `name` inside the folder, as a string.
  std::string File(std::string_view name) const;
  // Writes `bytes` to `name` (creating folders) and returns its full path.
  std::string Write(std::string_view name, std::string_view bytes) const;

 private:
  std::filesystem::path FPath;
};

std::string ReadFileBytes(const std::filesystem::path& path);

// A parameterised test's name part made of `text`: letters and digits kept,
// '-' as "minus", '+' as "plus", every other character as "_"; empty as
// "empty". Stable across runs (a parameter printed as bytes is not).
std::string TestName(std::string_view text);
// The same for a number, written as %g writes it: 6.5 -> "6_5", -2 -> "minus2".
std::string TestName(double value);

// The source tree's root and its data/samples folder. Only the support
// library knows where the tree is, so that the test sources compile to the
// same objects in any clone (the compiler cache shares them).
std::filesystem::path SourceDir();
std::filesystem::path SamplesDir();

// One environment variable, set or removed for the object's life; the value
// it had (or its absence) comes back afterwards.
class TEnvVar {
 public:
  explicit TEnvVar(std::string name);
  ~TEnvVar();
  TEnvVar(const TEnvVar&) = delete;
  TEnvVar& operator=(const TEnvVar&) = delete;

  void Set(const std::string& value) const;
  void Unset() const;

 private:
  std::string FName;
  std::optional<std::string> FOld;
};

// Switches the whole process (the C locale and the C++ global locale) to a
// locale that writes numbers with a decimal comma, de_DE.UTF-8 (./test.sh
// generates it), for the object's life. A test that proves output ignores
// the locale asserts Switched(): on a machine without such a locale it fails
// instead of passing without having switched anything.
class TCommaLocale {
 public:
  TCommaLocale();
  ~TCommaLocale();
  TCommaLocale(const TCommaLocale&) = delete;
  TCommaLocale& operator=(const TCommaLocale&) = delete;

  bool Switched() const { return !FName.empty(); }
  const std::string& Name() const { return FName; }  // the locale in use, or empty
  // Why it could not switch, for the failure message.
  static const char* Missing() {
    return "no locale with a decimal comma (de_DE.UTF-8) is installed: run ./test.sh as root, or "
           "localedef -i de_DE -f UTF-8 de_DE.UTF-8";
  }

 private:
  std::string FName;
  std::string FSavedC;
  std::locale FSavedGlobal;
};

}  // namespace blowden::test
