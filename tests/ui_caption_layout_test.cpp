#include "ui/caption_layout.h"
#include "ui/japanese_font.h"
#include "ui/qt_text.h"
#include "ui/window_texts.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace pardovane {
namespace {

QFont WindowFont()
{
    return JapaneseCapableFont(QApplication::font());
}

TEST(CaptionLayoutTest, ShortCaptionInWideAreaIsOneCentredLineInTheSameFont)
{
    const QRectF area(0, 0, 400, 40);
    const CaptionLayout caption = LayOutCaption(ToQString(texts::kCheckButton), WindowFont(), area);
    EXPECT_EQ(caption.lines, QStringList{ToQString(texts::kCheckButton)});
    EXPECT_EQ(caption.font, WindowFont());
    EXPECT_NEAR(caption.ink.center().x(), area.center().x(), 2.0);
    EXPECT_NEAR(caption.ink.center().y(), area.center().y(), 2.0);
}

TEST(CaptionLayoutTest, JapaneseWithoutSpacesBreaksBetweenCharacters)
{
    const QString text = ToQString(texts::kEditButton);
    const CaptionLayout caption = LayOutCaption(text, WindowFont(), QRectF(0, 0, 111, 31));
    ASSERT_EQ(caption.lines.size(), 2);
    EXPECT_EQ(caption.lines.join(QString()), text);
    EXPECT_TRUE(QRectF(0, 0, 111, 31).contains(caption.ink));
}

TEST(CaptionLayoutTest, ShrinksTheFontRatherThanOverflowTheArea)
{
    const QRectF area(0, 0, 60, 24);
    const CaptionLayout caption = LayOutCaption(ToQString(texts::kEditButton), WindowFont(), area);
    EXPECT_LT(caption.font.pointSizeF(), WindowFont().pointSizeF());
    EXPECT_TRUE(area.contains(caption.ink));
}

TEST(CaptionLayoutTest, LinesKeepTheirOrderTopToBottom)
{
    const CaptionLayout caption
        = LayOutCaption(ToQString(texts::kEditButton), WindowFont(), QRectF(0, 0, 60, 80));
    ASSERT_GE(caption.baselines.size(), 2u);
    for (std::size_t i = 1; i < caption.baselines.size(); ++i)
        EXPECT_GT(caption.baselines[i].y(), caption.baselines[i - 1].y());
}

}  // namespace
}  // namespace pardovane
