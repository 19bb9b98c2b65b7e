#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace pardovane::test {

// Whether this process may read a file that grants it nothing: root with
// its usual capabilities may, so a test cannot make a file unreadable or
// unwritable to it. scripts/test-unprivileged.sh runs such tests without them.
inline bool FilePermissionsAreIgnored()
{
    std::error_code error;
    const auto probe = std::filesystem::temp_directory_path(error) / ("pardovane-permission-probe-" + std::to_string(getpid()));
    std::FILE* made = std::fopen(probe.c_str(), "w");
    if (made == nullptr)
        return false;
    std::fclose(made);
    std::filesystem::permissions(probe, std::filesystem::perms::none, error);
    std::FILE* read = std::fopen(probe.c_str(), "r");
    if (read != nullptr)
        std::fclose(read);
    std::filesystem::remove(probe, error);
    return read != nullptr;
}

}  // namespace pardovane::test
