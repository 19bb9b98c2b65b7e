#include "ui/qt_translations.h"

#include <QApplication>

#include <gtest/gtest.h>

// The window tests need an application object. Without a platform chosen
// they draw offscreen, so they never need a display.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does: Qt's own menus and buttons in Japanese.
    pardovane::InstallQtJapanese(app);
    return RUN_ALL_TESTS();
}
