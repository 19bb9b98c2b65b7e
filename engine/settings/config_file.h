#pragma once

#include "engine/settings/run_settings.h"

#include <filesystem>
#include <optional>
#include <string>

namespace pardovane {

// The user's configuration file, config.toml in the XDG configuration
// directory's pardovane/ beside the list; empty when there is no such
// directory (no HOME).
std::filesystem::path UserConfigFile();

// Reads a configuration file's settings into settings: the file named, or
// with none named the user's when it exists (else nothing, silently). The
// file is TOML with one key per setting, named as its long option. On a
// problem settings are left as they were, and the result is one line naming
// the file and, where the file is at fault, the line and the key.
std::optional<std::string> ReadConfigFile(const std::filesystem::path& named, RunSettings& settings);

}  // namespace pardovane
