#pragma once

#include "tests/run_command.h"

#include <string>

namespace pardovane::test {

// pardovane-check itself with these arguments (already quoted for the shell),
// for tests built with its path (NEEDS_CHECK_BINARY).
inline CommandResult Check(const std::string& arguments)
{
    return RunCommand(ShellQuote(PARDOVANE_CHECK_BINARY) + " " + arguments);
}

}  // namespace pardovane::test
