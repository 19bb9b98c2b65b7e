#include "ui/anchor_layout.h"

#include <QWidget>

namespace pardovane {
namespace {

// One axis: the near and far edge decide whether the span moves or stretches.
void Stretch(int& start, int& length, bool nearTied, bool farTied, int growth)
{
    if (nearTied && farTied)
        length += growth;
    else if (farTied)
        start += growth;
}

}  // namespace

AnchorLayout::AnchorLayout(QSize designSize, QSize minimumSize, QWidget* parent)
    : QLayout(parent), designSize_(designSize), minimumSize_(minimumSize)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

AnchorLayout::~AnchorLayout() = default;

void AnchorLayout::addWidget(QWidget* widget, QRect designRect, Edges edges)
{
    addChildWidget(widget);
    entries_.push_back({std::make_unique<QWidgetItem>(widget), designRect, edges});
    invalidate();
}

void AnchorLayout::addItem(QLayoutItem* item)
{
    entries_.push_back(
        {std::unique_ptr<QLayoutItem>(item), QRect(QPoint(0, 0), item->sizeHint()), Edges(Left | Top)});
    invalidate();
}

int AnchorLayout::count() const
{
    return static_cast<int>(entries_.size());
}

QLayoutItem* AnchorLayout::itemAt(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return entries_[static_cast<std::size_t>(index)].item.get();
}

QLayoutItem* AnchorLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    const auto at = entries_.begin() + index;
    QLayoutItem* item = at->item.release();
    entries_.erase(at);
    invalidate();
    return item;
}

QSize AnchorLayout::sizeHint() const
{
    return designSize_;
}

QSize AnchorLayout::minimumSize() const
{
    return minimumSize_;
}

void AnchorLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const QSize growth = rect.size() - designSize_;
    for (const Entry& entry : entries_) {
        const QRect placed = Place(entry, growth).translated(rect.topLeft());
        // Straight to the widget: a widget item would widen some controls by
        // the style's layout margins and move them off the design.
        if (QWidget* widget = entry.item->widget())
            widget->setGeometry(placed);
        else
            entry.item->setGeometry(placed);
    }
}

QRect AnchorLayout::Place(const Entry& entry, QSize growth)
{
    int x = entry.designRect.x();
    int y = entry.designRect.y();
    int width = entry.designRect.width();
    int height = entry.designRect.height();
    Stretch(x, width, entry.edges.testFlag(Left), entry.edges.testFlag(Right), growth.width());
    Stretch(y, height, entry.edges.testFlag(Top), entry.edges.testFlag(Bottom), growth.height());
    return QRect(x, y, width, height);
}

}  // namespace pardovane
