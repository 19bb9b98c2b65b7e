#include "ui/run_input_guard.h"

#include <QApplication>
#include <QEvent>

namespace pardovane {
namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

}  // namespace

RunInputGuard::RunInputGuard(QWidget& window, std::initializer_list<QWidget*> controls,
                             std::initializer_list<QWidget*> readable)
    : window_(window), readable_(readable.begin(), readable.end()), focus_(window.focusWidget())
{
    for (QWidget* control : controls) {
        controls_.emplace_back(control);
        control->setEnabled(false);
        control->repaint();
    }
    qApp->installEventFilter(this);
}

RunInputGuard::~RunInputGuard()
{
    // The run is over; nothing delivered here can start another while the
    // filter drops input and the controls are still disabled.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    for (const QPointer<QWidget>& control : controls_) {
        if (control)
            control->setEnabled(true);
    }
    // Disabling the focused button moved the focus on; give it back.
    if (focus_ && focus_->isEnabled())
        focus_->setFocus();
}

bool RunInputGuard::eventFilter(QObject* watched, QEvent* event)
{
    // A message box shown during the run is its own window and stays usable.
    if (IsUserInput(event->type()) && watched->isWidgetType()) {
        const auto& widget = *static_cast<QWidget*>(watched);
        if (widget.window() == &window_ && !Readable(widget))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

bool RunInputGuard::Readable(const QWidget& widget) const
{
    for (const QPointer<QWidget>& area : readable_)
        if (area && (area == &widget || area->isAncestorOf(&widget)))
            return true;
    return false;
}

}  // namespace pardovane
