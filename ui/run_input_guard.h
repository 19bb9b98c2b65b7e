#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <initializer_list>
#include <vector>

namespace pardovane {

// Holds the user off a window while a run has the thread. The controls are
// disabled, which also shows the window is busy. The run hands its waits to
// the event loop, so clicks and keys arrive meanwhile and are dropped here;
// painting, resizing and closing go on. The guard's end delivers what is
// still queued while it drops it, so nothing presses a button that is
// enabled again.
class RunInputGuard : public QObject {
public:
    // Input to what is readable (a list to scroll, the tabs to reach it)
    // still goes through; whatever would start something there must check
    // for itself that no run is on.
    RunInputGuard(QWidget& window, std::initializer_list<QWidget*> controls,
                  std::initializer_list<QWidget*> readable = {});
    ~RunInputGuard() override;
    RunInputGuard(const RunInputGuard&) = delete;
    RunInputGuard& operator=(const RunInputGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Readable(const QWidget& widget) const;

    QWidget& window_;
    std::vector<QPointer<QWidget>> controls_;
    std::vector<QPointer<QWidget>> readable_;
    QPointer<QWidget> focus_;
};

}  // namespace pardovane
