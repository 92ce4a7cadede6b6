#include "ui/windows/first_paint.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace morvelin {

namespace {

// Watches the application's paint events for one of the window's and then hands the action to the
// event loop, after that paint has been finished.
class FirstPaintWatcher : public QObject {
public:
    FirstPaintWatcher(QWidget& window, std::function<void()> action)
        : QObject(&window), window_(&window), action_(std::move(action)) {
        qApp->installEventFilter(this);
        // A window that never paints (covered on a display that keeps no contents) still gets its work done.
        QTimer::singleShot(2000, this, &FirstPaintWatcher::fire);
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
        QTimer::singleShot(0, this, [this] {
            if (action_) action_();
            deleteLater();
        });
    }

private:
    QPointer<QWidget> window_;
    std::function<void()> action_;
    bool fired_ = false;
};

} // namespace

void after_first_paint(QWidget& window, std::function<void()> action) {
    new FirstPaintWatcher(window, std::move(action));
}

} // namespace morvelin
