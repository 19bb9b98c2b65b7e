#include "tests/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace pardovane::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "pardovane-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& bytes) const
{
    auto file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

}  // namespace pardovane::test
