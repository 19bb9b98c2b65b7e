#pragma once

#include <filesystem>

namespace pardovane {

// The directory holding the running executable; the current directory when
// the system cannot tell.
std::filesystem::path ExecutableDirectory();

}  // namespace pardovane
