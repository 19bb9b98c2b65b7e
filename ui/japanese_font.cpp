#include "ui/japanese_font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace pardovane {
namespace {

// Gothic (sans-serif) faces first, as Japanese desktops use for their controls.
const QStringList& PreferredFamilies()
{
    static const QStringList families{
        QStringLiteral("Noto Sans CJK JP"),   QStringLiteral("Noto Sans JP"),
        QStringLiteral("Source Han Sans JP"), QStringLiteral("IPAexGothic"),
        QStringLiteral("IPAPGothic"),         QStringLiteral("VL PGothic"),
        QStringLiteral("TakaoPGothic"),
    };
    return families;
}

}  // namespace

QFont JapaneseCapableFont(const QFont& base)
{
    const QString actual = QFontInfo(base).family();
    if (QFontDatabase::writingSystems(actual).contains(QFontDatabase::Japanese))
        return base;
    const QStringList installed = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& family : PreferredFamilies()) {
        if (installed.contains(family)) {
            QFont font = base;
            font.setFamilies({family});
            return font;
        }
    }
    if (installed.isEmpty())
        return base;
    QFont font = base;
    font.setFamilies({installed.first()});
    return font;
}

bool JapaneseFontInstalled()
{
    return !QFontDatabase::families(QFontDatabase::Japanese).isEmpty();
}

}  // namespace pardovane
