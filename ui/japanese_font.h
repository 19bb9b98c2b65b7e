#pragma once

#include <QFont>

namespace pardovane {

// The base font if it can show Japanese, otherwise the same size in a
// Japanese font, so kana and kanji do not fall back to Chinese glyph shapes.
QFont JapaneseCapableFont(const QFont& base);

bool JapaneseFontInstalled();

}  // namespace pardovane
