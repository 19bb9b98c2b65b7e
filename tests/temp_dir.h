#pragma once

#include <filesystem>
#include <string>

namespace pardovane::test {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes as they stand to name inside the directory, making the
    // folders it names.
    std::filesystem::path Write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

}  // namespace pardovane::test
