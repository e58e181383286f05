#pragma once

// A fresh folder under the system's temporary folder, removed with everything in it.

#include <filesystem>
#include <string>
#include <string_view>

namespace quillet::testing_support {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    /// The folder's path joined with `name`, as a string.
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
/// "<size> bytes, fnv1a <hash>": compares large bodies without printing them into the log.
std::string SizeAndHash(std::string_view bytes);

}  // namespace quillet::testing_support
