#include "ui/caption_layout.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace pardovane {
namespace {

constexpr qreal kSmallestPointSize = 6.0;
constexpr qreal kPointStep = 0.5;

QStringList WrapLines(const QString& text, const QFont& font, qreal width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

CaptionLayout LayOutAt(const QString& text, const QFont& font, const QRectF& area)
{
    CaptionLayout result{font, WrapLines(text, font, area.width()), {}, {}};
    const QFontMetricsF metrics(font);

    // The same ink band for every line keeps the baselines evenly spaced.
    qreal inkTop = 0;
    qreal inkBottom = 0;
    for (const QString& line : result.lines) {
        const QRectF glyphs = metrics.tightBoundingRect(line);
        inkTop = std::min(inkTop, glyphs.top());
        inkBottom = std::max(inkBottom, glyphs.bottom());
    }
    const qreal inkHeight = inkBottom - inkTop;
    const qreal gap = std::ceil(metrics.height() * 0.15);
    const qreal pitch = inkHeight + gap;
    const auto count = static_cast<qreal>(result.lines.size());
    const qreal blockHeight = count > 0 ? inkHeight + (count - 1) * pitch : 0;
    const qreal blockTop = std::round(area.center().y() - blockHeight / 2);

    bool first = true;
    for (qsizetype i = 0; i < result.lines.size(); ++i) {
        const qreal advance = metrics.horizontalAdvance(result.lines[i]);
        const QPointF baseline(std::round(area.center().x() - advance / 2),
                               blockTop - inkTop + static_cast<qreal>(i) * pitch);
        result.baselines.push_back(baseline);
        const QRectF glyphs = metrics.tightBoundingRect(result.lines[i]).translated(baseline);
        result.ink = first ? glyphs : result.ink.united(glyphs);
        first = false;
    }
    return result;
}

bool Fits(const CaptionLayout& caption, const QRectF& area)
{
    return area.contains(caption.ink);
}

}  // namespace

CaptionLayout LayOutCaption(const QString& text, const QFont& font, const QRectF& area)
{
    CaptionLayout caption = LayOutAt(text, font, area);
    QFont smaller = font;
    qreal size = font.pointSizeF();
    while (!Fits(caption, area) && size - kPointStep >= kSmallestPointSize) {
        size -= kPointStep;
        smaller.setPointSizeF(size);
        caption = LayOutAt(text, smaller, area);
    }
    return caption;
}

}  // namespace pardovane
