#pragma once

#include <QLayout>
#include <QRect>
#include <QSize>

#include <memory>
#include <vector>

namespace pardovane {

// Puts every widget exactly at its rectangle in the design when the parent
// has the design size. When the parent grows, a widget tied to both opposite
// edges stretches with it, one tied only to the far edge moves with it, and
// one tied only to the near edge stays; below the design size the same
// widgets shrink instead, down to the minimum size.
class AnchorLayout : public QLayout {
    Q_OBJECT

public:
    enum Edge { Left = 0x1, Top = 0x2, Right = 0x4, Bottom = 0x8 };
    Q_DECLARE_FLAGS(Edges, Edge)

    AnchorLayout(QSize designSize, QSize minimumSize, QWidget* parent = nullptr);
    ~AnchorLayout() override;

    void addWidget(QWidget* widget, QRect designRect, Edges edges);

    // Items added without a rectangle stay at the top left with their hint.
    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Entry {
        std::unique_ptr<QLayoutItem> item;
        QRect designRect;
        Edges edges;
    };

    static QRect Place(const Entry& entry, QSize growth);

    QSize designSize_;
    QSize minimumSize_;
    std::vector<Entry> entries_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(AnchorLayout::Edges)

}  // namespace pardovane
