#pragma once

#include "ui/anchor_layout.h"

#include <QRect>
#include <QScreen>
#include <QSize>

namespace pardovane::form1_design {

// The window was designed in twips; at 96 dpi fifteen make a pixel, and Qt
// scales pixels for other displays. A position that is no whole number of
// pixels does not compile.
consteval int Pixels(int twips)
{
    if (twips % 15 != 0)
        throw "not a whole number of pixels";
    return twips / 15;
}

consteval QRect Design(int left, int top, int width, int height)
{
    return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

constexpr QSize kClientSize(Pixels(9015), Pixels(7020));
// As small as the window goes: both buttons, the bar and both labels whole,
// a few lines of the report between them.
constexpr QSize kMinimumClientSize(Pixels(5400), Pixels(2685));
// What the window manager's frame may take around the client area.
constexpr QSize kFrameAllowance(12, 40);

using Edge = AnchorLayout::Edge;
constexpr AnchorLayout::Edges kTopLeft = Edge::Left | Edge::Top;
constexpr AnchorLayout::Edges kTopRow = Edge::Left | Edge::Top | Edge::Right;
constexpr AnchorLayout::Edges kAllEdges = Edge::Left | Edge::Top | Edge::Right | Edge::Bottom;
constexpr AnchorLayout::Edges kBottomRow = Edge::Left | Edge::Right | Edge::Bottom;

// The design size where the screen has room for it, else what room there is.
inline QSize OpeningSize(const QScreen* screen)
{
    if (screen == nullptr)
        return kClientSize;
    const QSize room = screen->availableGeometry().size() - kFrameAllowance;
    return kClientSize.boundedTo(room).expandedTo(kMinimumClientSize);
}

}  // namespace pardovane::form1_design
