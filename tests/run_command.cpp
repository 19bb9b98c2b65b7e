#include "tests/run_command.h"

#include "tests/temp_dir.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pardovane::test {
namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CommandResult RunCommand(const std::string& command, int timeoutSeconds)
{
    TempDir dir;
    const auto out = dir.path() / "out";
    const auto err = dir.path() / "err";
    const std::string line = "timeout -k 5 " + std::to_string(timeoutSeconds) + " " + command
        + " </dev/null >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string());
    const int status = std::system(line.c_str());
    CommandResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    return result;
}

}  // namespace pardovane::test
