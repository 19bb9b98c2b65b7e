#pragma once

#include <QRect>
#include <QWidget>

#include <ostream>
#include <stdexcept>
#include <string>

// Rectangles in failure messages as x,y width x height rather than bytes.
inline void PrintTo(const QRect& rect, std::ostream* out)
{
    *out << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height();
}

namespace pardovane::test {

// A control of the window by its design name. A missing control, or one of
// another kind, ends the test with an exception that GoogleTest reports.
template <typename Control>
Control& FindControl(const QWidget& window, const char* name)
{
    auto* control = window.findChild<Control*>(QLatin1String(name));
    if (control == nullptr)
        throw std::runtime_error(std::string("no control of that kind named ") + name);
    return *control;
}

}  // namespace pardovane::test
