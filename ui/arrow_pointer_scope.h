#pragma once

#include <QApplication>

namespace pardovane {

// The user answers a message with the ordinary pointer even in the middle of
// a run; the busy one comes back when the box is gone.
class ArrowPointerScope {
public:
    explicit ArrowPointerScope(bool active) : active_(active)
    {
        if (active_)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowPointerScope()
    {
        if (active_)
            QApplication::restoreOverrideCursor();
    }
    ArrowPointerScope(const ArrowPointerScope&) = delete;
    ArrowPointerScope& operator=(const ArrowPointerScope&) = delete;

private:
    bool active_;
};

}  // namespace pardovane
