#include "ui/wrapping_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace pardovane {

WrappingButton::WrappingButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
}

CaptionLayout WrappingButton::captionLayout() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown())
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    return LayOutCaption(text(), font(), area);
}

void WrappingButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The style draws the face and focus frame; the caption is drawn here.
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const CaptionLayout caption = captionLayout();
    painter.setFont(caption.font);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    for (qsizetype i = 0; i < caption.lines.size(); ++i)
        painter.drawText(caption.baselines[static_cast<std::size_t>(i)], caption.lines[i]);
}

}  // namespace pardovane
