#include "engine/http/curl_handles.h"
#include "engine/version.h"
#include "ui/form1.h"
#include "ui/qt_translations.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage
    = "Usage: pardovane [-h | --help] [-V | --version] [Qt options]\n"
      "Opens the Pardovane window, which checks the links of the web pages\n"
      "listed in HtmlURL.txt, one URL per line.\n"
      "\n"
      "The list is HtmlURL.txt beside the program when that file exists and you\n"
      "may write it; otherwise ${XDG_CONFIG_HOME:-~/.config}/pardovane/HtmlURL.txt,\n"
      "made from /usr/share/pardovane/HtmlURL.txt the first time. Each check\n"
      "takes its settings from config.toml in that directory when it is there.\n"
      "\n"
      "  -h, --help     show this help and exit\n"
      "  -V, --version  show the version and exit\n"
      "\n"
      "pardovane-check runs the same check from a terminal.\n";

// Answered before Qt starts, which needs a display.
bool AnsweredWithoutWindow(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "-V") == 0 || std::strcmp(argv[i], "--version") == 0) {
            std::printf("pardovane %s\n", PARDOVANE_VERSION);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (AnsweredWithoutWindow(argc, argv))
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;

    // Before Qt starts any thread of its own.
    pardovane::EnsureCurlGlobalInit();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pardovane"));
    QApplication::setApplicationVersion(QStringLiteral(PARDOVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(PARDOVANE_APP_ID));
    pardovane::InstallQtJapanese(app);

    pardovane::Form1 window;
    window.show();
    window.ReportMissingJapaneseFont();
    return QApplication::exec();
}
