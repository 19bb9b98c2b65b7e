#pragma once

#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace pardovane::test {

// Runs a Python 3 script over a document, both written to a fresh temporary
// directory: `python3 script document`. Tests use Python's own JSON and XML
// parsers, and Debian's html5lib, as independent judges of what the program
// writes and reads. Debian's own interpreter comes first, as the modules
// setup.sh installs are its; a version manager's python3 on PATH lacks them.
inline CommandResult RunPython(const std::string& script, const std::string& document)
{
    TempDir dir;
    const auto scriptPath = dir.Write("check.py", script);
    const auto documentPath = dir.Write("document", document);
    std::error_code error;
    const std::string python
        = std::filesystem::exists("/usr/bin/python3", error) ? "/usr/bin/python3" : "python3";
    return RunCommand(python + " " + ShellQuote(scriptPath.string()) + " "
                      + ShellQuote(documentPath.string()));
}

// Python that prints a string's code points as upper-case hex, space-separated,
// so a test can compare them with the UTF-16 it started from.
inline constexpr const char* kPythonCodePoints = "def code_points(text):\n"
                                                 "    return ' '.join('%04X' % ord(c) for c in text)\n";

// The same rendering in C++. A surrogate pair is one code point; a lone
// surrogate is U+FFFD, as the writers make it.
inline std::string CodePoints(std::u16string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        char digits[16];
        std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(c));
        out += (out.empty() ? "" : " ") + std::string(digits);
    }
    return out;
}

}  // namespace pardovane::test
