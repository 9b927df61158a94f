#pragma once

#include <filesystem>
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

// The source tree's data/samples folder.
std::filesystem::path SamplesDir();

}  // namespace blowden::test
