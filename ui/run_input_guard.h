#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <initializer_list>
#include <vector>

namespace pardovane {

// Holds the user off a window while a synchronous run has the thread. The
// controls are disabled, which also shows the window is busy. Clicks and
// keys that arrive meanwhile wait unseen in the queues until the run ends;
// the guard's end delivers them while it still drops them, so none presses
// a button that is enabled again.
class RunInputGuard : public QObject {
public:
    RunInputGuard(QWidget& window, std::initializer_list<QWidget*> controls);
    ~RunInputGuard() override;
    RunInputGuard(const RunInputGuard&) = delete;
    RunInputGuard& operator=(const RunInputGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    std::vector<QPointer<QWidget>> controls_;
    QPointer<QWidget> focus_;
};

}  // namespace pardovane
