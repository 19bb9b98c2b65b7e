#include "cli_options.h"

#include <charconv>

namespace pardovane {

const char* const kCliUsage =
    "Usage: pardovane-check [OPTIONS] [LIST_FILE]\n"
    "\n"
    "Checks the links of every page listed in LIST_FILE, one URL per line\n"
    "(default: HtmlURL.txt beside this program), and prints the report.\n"
    "\n"
    "Options:\n"
    "  -f, --format FORMAT  text (default), json or junit\n"
    "  -j, --jobs N         requests in flight at once (default 128; 1 checks\n"
    "                       one URL at a time, as the window does)\n"
    "      --max-per-host N requests in flight to one host at once (default 32)\n"
    "  -h, --help           show this help and exit\n"
    "  -V, --version        show the version and exit\n"
    "\n"
    "Formats (stdout holds only the report, UTF-8):\n"
    "  text   the report as the window shows it, with CR LF line ends\n"
    "  json   one document: the counts, then per listed page its verdict and\n"
    "         every link as written, as requested, its verdict and, when bad,\n"
    "         why (HTTP status or failure such as time-out)\n"
    "  junit  JUnit XML: a test case per listed page, a failure per broken\n"
    "         link, an error for a page that cannot be reached or read\n"
    "Messages about unreachable pages and the closing summary go to stderr.\n"
    "\n"
    "Exit status:\n"
    "  0  every listed page and every link was good\n"
    "  1  a listed page or a link was bad\n"
    "  2  the list file cannot be read, or the arguments are wrong\n"
    "\n"
    "Limits: http and https only; 10 s to connect, 30 s per probe, 60 s per\n"
    "page download, at most 10 redirects, pages up to 64 MiB.\n";

namespace {

bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, const std::string& name,
               std::string& value, std::string& error)
{
    const std::string& arg = arguments[i];
    if (arg.size() > name.size() && arg.starts_with(name + "=")) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (i + 1 >= arguments.size()) {
        error = "option " + arg + " needs a value";
        return false;
    }
    value = arguments[++i];
    return true;
}

bool Is(const std::string& arg, const char* shortName, const char* longName)
{
    const std::string longText(longName);
    return arg == shortName || arg == longText || arg.starts_with(longText + "=");
}

}  // namespace

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments,
                                          std::string& error)
{
    CliOptions options;
    bool listGiven = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::string value;
            if (arg == "-h" || arg == "--help") {
                options.showHelp = true;
            } else if (arg == "-V" || arg == "--version") {
                options.showVersion = true;
            } else if (Is(arg, "-j", "--jobs")) {
                if (!TakeValue(arguments, i, arg.starts_with("--") ? "--jobs" : "-j", value, error))
                    return std::nullopt;
                int jobs = 0;
                auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), jobs);
                if (failure != std::errc() || end != value.data() + value.size() || jobs < 1
                    || jobs > 256) {
                    error = "--jobs takes a whole number from 1 to 256";
                    return std::nullopt;
                }
                options.jobs = jobs;
            } else if (arg == "--max-per-host") {
                if (!TakeValue(arguments, i, "--max-per-host", value, error))
                    return std::nullopt;
                int limit = 0;
                auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), limit);
                if (failure != std::errc() || end != value.data() + value.size() || limit < 1
                    || limit > 256) {
                    error = "--max-per-host takes a whole number from 1 to 256";
                    return std::nullopt;
                }
                options.maxPerHost = limit;
            } else if (Is(arg, "-f", "--format")) {
                if (!TakeValue(arguments, i, arg.starts_with("--") ? "--format" : "-f", value, error))
                    return std::nullopt;
                if (value == "text")
                    options.format = OutputFormat::Text;
                else if (value == "json")
                    options.format = OutputFormat::Json;
                else if (value == "junit")
                    options.format = OutputFormat::Junit;
                else {
                    error = "--format takes text, json or junit";
                    return std::nullopt;
                }
            } else {
                error = "unknown option '" + arg + "'";
                return std::nullopt;
            }
            continue;
        }
        if (listGiven) {
            error = "only one list file may be given";
            return std::nullopt;
        }
        options.listFile = arg;
        listGiven = true;
    }
    return options;
}

}  // namespace pardovane
