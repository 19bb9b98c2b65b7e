#pragma once

#include <string>

namespace pardovane::test {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a shell command with stdout and stderr captured, killed after
// timeoutSeconds so no test can hang on it.
CommandResult RunCommand(const std::string& command, int timeoutSeconds = 60);

// Quotes text for a POSIX shell.
std::string ShellQuote(const std::string& text);

}  // namespace pardovane::test
