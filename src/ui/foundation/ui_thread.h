#pragma once
// Calls onto the user-interface thread. Widgets live on that thread only; a worker that needs one (a
// message box, a dialog) hands the call over and waits for its result.

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <type_traits>

namespace morvelin {

inline bool on_ui_thread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

// Runs call on the user-interface thread and returns its result: directly when already there, else
// through a blocking queued call, so the calling thread waits until the user has answered. The
// user-interface thread must not be waiting for the calling thread meanwhile.
template <typename Call> auto call_on_ui_thread(Call call) -> std::invoke_result_t<Call> {
    using Result = std::invoke_result_t<Call>;
    if (on_ui_thread()) return call();
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), call, Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { result = call(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

} // namespace morvelin
