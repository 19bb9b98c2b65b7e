#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace pardovane {

bool InstallQtJapanese(QCoreApplication& app)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    translator->setParent(&app);  // lives as long as the application
    return QCoreApplication::installTranslator(translator.release());
}

}  // namespace pardovane
