#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

namespace pardovane {

// A caption broken into lines that fit a button face. Japanese has no spaces,
// so lines break between characters where the language allows it. Lines are
// stacked by the ink of their glyphs rather than the font's line spacing,
// which CJK fonts make generous, so two lines fit a single-height button.
struct CaptionLayout {
    QFont font;
    QStringList lines;
    std::vector<QPointF> baselines;  // where each line starts on its baseline
    QRectF ink;                      // the glyphs of all lines together
};

// Keeps the given font when the caption fits the area, otherwise the largest
// smaller size that does (down to a floor below which text is unreadable).
CaptionLayout LayOutCaption(const QString& text, const QFont& font, const QRectF& area);

}  // namespace pardovane
