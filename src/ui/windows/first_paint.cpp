#include "ui/windows/first_paint.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace morvelin {

namespace {

// Watches the application's paint events for one of the window's and then hands the window's actions
// to the event loop, after that paint has been finished. One watcher per window, so that the filter on
// every event of the application is there once however many actions wait.
class FirstPaintWatcher : public QObject {
public:
    FirstPaintWatcher(QWidget& window, std::function<void()> action) : QObject(&window), window_(&window) {
        actions_.push_back(std::move(action));
        qApp->installEventFilter(this);
        // A window that never paints (covered on a display that keeps no contents) still gets its work done.
        QTimer::singleShot(2000, this, &FirstPaintWatcher::fire);
    }

    // False once the paint has come: the action then waits for the next one.
    bool add(std::function<void()>& action) {
        if (fired_) return false;
        actions_.push_back(std::move(action));
        return true;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !fired_) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window() == window_) fire();
        }
        return false;
    }

    void fire() {
        if (fired_) return;
        fired_ = true;
        qApp->removeEventFilter(this);
        // Run from the application, not from this watcher or the window: an action may close or delete
        // the window, which ends the rest.
        QTimer::singleShot(0, qApp, [actions = std::move(actions_), window = window_] {
            for (const auto& action : actions) {
                if (!window) return;
                if (action) action();
            }
        });
        deleteLater();
    }

private:
    QPointer<QWidget> window_;
    std::vector<std::function<void()>> actions_;
    bool fired_ = false;
};

} // namespace

void after_first_paint(QWidget& window, std::function<void()> action) {
    for (QObject* child : window.children())
        if (auto* watcher = dynamic_cast<FirstPaintWatcher*>(child); watcher && watcher->add(action)) return;
    new FirstPaintWatcher(window, std::move(action));
}

} // namespace morvelin
