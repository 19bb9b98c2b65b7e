#include "curl_handles.h"
#include "form1.h"
#include "version.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Before Qt starts any thread of its own.
    pardovane::EnsureCurlGlobalInit();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pardovane"));
    QApplication::setApplicationVersion(QStringLiteral(PARDOVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("pardovane"));

    pardovane::Form1 window;
    window.show();
    return QApplication::exec();
}
