#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pardovane {

enum class OutputFormat { Text, Json, Junit };

struct CliOptions {
    std::filesystem::path listFile;  // empty: the list beside the executable
    int jobs = 0;                    // 0: the default
    int maxPerHost = 0;              // 0: the default
    OutputFormat format = OutputFormat::Text;
    bool showHelp = false;
    bool showVersion = false;
};

// Parses the arguments after the program name; on a mistake, returns nullopt
// and sets error to a one-line explanation.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments,
                                          std::string& error);

extern const char* const kCliUsage;

}  // namespace pardovane
