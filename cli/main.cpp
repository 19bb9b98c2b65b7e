#include "check_engine.h"
#include "console_window.h"
#include "http_client.h"
#include "utf_convert.h"
#include "version.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace {

constexpr int kExitClean = 0;
constexpr int kExitBroken = 1;
constexpr int kExitUnusable = 2;

constexpr const char* kUsage =
    "Usage: pardovane-check [OPTIONS] [LIST_FILE]\n"
    "\n"
    "Checks the links of every page listed in LIST_FILE, one URL per line\n"
    "(default: HtmlURL.txt beside this program), and prints the report.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Output: the report on stdout (UTF-8, CR LF line ends); messages about\n"
    "unreachable pages and the closing summary on stderr.\n"
    "\n"
    "Exit status: 0 when no listed page and no link was bad, 1 when any was,\n"
    "2 when the list file cannot be read or the arguments are wrong.\n"
    "\n"
    "Limits: http and https only; 10 s to connect, 30 s per probe, 60 s per\n"
    "page download, at most 10 redirects, pages up to 64 MiB.\n";

void WriteUtf8(std::FILE* out, const std::u16string& text)
{
    const std::string bytes = pardovane::Utf16ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
}

}  // namespace

int main(int argc, char** argv)
{
    std::filesystem::path listFile;
    bool listGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitClean;
        }
        if (arg == "-V" || arg == "--version") {
            std::puts("pardovane-check " PARDOVANE_VERSION);
            return kExitClean;
        }
        if (arg.starts_with("-") && arg != "-" && !(arg == "--" && i + 1 < argc)) {
            std::fprintf(stderr, "pardovane-check: unknown option '%s'\n%s", argv[i], kUsage);
            return kExitUnusable;
        }
        if (arg == "--")
            ++i;
        if (listGiven) {
            std::fprintf(stderr, "pardovane-check: only one list file may be given\n");
            return kExitUnusable;
        }
        listFile = argv[i];
        listGiven = true;
    }
    if (!listGiven)
        listFile = pardovane::DefaultListFilePath();

    pardovane::HttpClient http;
    pardovane::ConsoleWindow window(http, stderr, isatty(STDERR_FILENO) == 1);
    pardovane::CheckEngine engine(window, http, listFile);
    engine.RunCheck();
    window.ClearProgress();

    if (engine.lastRun().listFileFailed)
        return kExitUnusable;

    WriteUtf8(stdout, window.report());
    std::fflush(stdout);
    WriteUtf8(stderr, window.statusText() + u"\n");

    const bool anyBad = engine.lastRun().badPages > 0 || engine.state().errorCount > 0;
    return anyBad ? kExitBroken : kExitClean;
}
