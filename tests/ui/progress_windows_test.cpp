// The busy window over a worker procedure and the progress window of a loop on the user-interface
// thread: Cancel, the abort question, a procedure that ends before its window, and a question asked
// from the worker.

#include "ui/foundation/progress_windows.h"

#include "core/foundation/services.h"
#include "scripted_services.h"
#include "ui/foundation/ui_thread.h"
#include "ui_application.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <vector>

namespace morvelin {
namespace {

using testing::ScriptedMessages;

// Waits on the worker until condition (evaluated on the user-interface thread) holds; false when a
// minute goes by first.
template <typename Condition> bool wait_on_worker_until(Condition condition) {
    QDeadlineTimer deadline(60'000);
    while (!call_on_ui_thread(condition)) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(5);
    }
    return true;
}

class BusyWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::ui_application(); }

    ScriptedMessages messages;
    TGlobalShowMessageWhileExecutingObject busy;
};

TEST_F(BusyWindowTest, TheWindowShowsARunningBarAndTheWaitCursorUntilTheProcedureReturns) {
    std::set<int> bar_values;
    bool cursor_was_wait = false;
    QThread* worker = nullptr;
    const QFont font("Sans", 13);
    const bool aborted = busy.run_while_showing_message(
        [&](const std::atomic<bool>&) {
            worker = QThread::currentThread();
            // The bar keeps moving on its own: wait until it has shown several values.
            EXPECT_TRUE(wait_on_worker_until([&] {
                if (busy.window()->isVisible()) bar_values.insert(busy.window()->progress_bar().value());
                return bar_values.size() >= 3;
            }));
            call_on_ui_thread([&] {
                const QCursor* cursor = QGuiApplication::overrideCursor();
                cursor_was_wait = cursor && cursor->shape() == Qt::WaitCursor;
            });
        },
        "Computing the size of the files...", "Cancel", &font);
    EXPECT_FALSE(aborted);
    EXPECT_NE(worker, QThread::currentThread());
    EXPECT_TRUE(cursor_was_wait);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    for (const int value : bar_values) {
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 10);
    }
    const TMessageWhileExecutingForm& window = *busy.window();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.progress_bar().maximum(), 10);
    EXPECT_EQ(window.label().text(), "Computing the size of the files...");
    EXPECT_EQ(window.label().font().pointSize(), 13);
    EXPECT_EQ(window.cancel_button().text(), "Cancel");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(BusyWindowTest, CancelSetsTheFlagAndTheRunWaitsForTheProcedureToReturn) {
    std::atomic<bool> returned{false};
    const bool aborted = busy.run_while_showing_message(
        [&](const std::atomic<bool>& abort) {
            EXPECT_TRUE(wait_on_worker_until([&] { return busy.window()->isVisible(); }));
            call_on_ui_thread([&] { busy.window()->cancel_button().click(); });
            // The window stays up, its button spent, while the procedure finishes what it does.
            EXPECT_TRUE(call_on_ui_thread([&] { return busy.window()->isVisible(); }));
            EXPECT_FALSE(call_on_ui_thread([&] { return busy.window()->cancel_button().isEnabled(); }));
            while (!abort)
                QThread::yieldCurrentThread();
            returned = true;
        },
        "Busy", "Cancel");
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(returned);
    EXPECT_FALSE(busy.window()->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(BusyWindowTest, AProcedureThatEndsAtOnceLeavesNoWindowOpen) {
    for (int run = 0; run < 3; ++run) {
        EXPECT_FALSE(busy.run_while_showing_message({}, "Busy", "Cancel"));
        EXPECT_FALSE(busy.run_while_showing_message([](const std::atomic<bool>&) {}, "Busy", "Cancel"));
        EXPECT_FALSE(busy.window()->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

// A scripted port reached the way the program's port is: through a call onto the user-interface thread.
class PortOnUiThread final : public MessagePort {
public:
    int show(const std::string& text, const std::string&, int) override {
        return call_on_ui_thread([&] {
            asked.push_back(text);
            thread = QThread::currentThread();
            return id::yes;
        });
    }
    std::vector<std::string> asked;
    QThread* thread = nullptr;
};

TEST_F(BusyWindowTest, AQuestionFromTheProcedureIsAskedOnTheUiThread) {
    PortOnUiThread port;
    install_message_port(&port);
    int answer = 0;
    const bool aborted = busy.run_while_showing_message(
        [&](const std::atomic<bool>&) { answer = show_message("Go on?", mb::question_yes_no); }, "Busy",
        "Cancel");
    install_message_port(&messages);
    EXPECT_FALSE(aborted);
    EXPECT_EQ(answer, id::yes);
    EXPECT_EQ(port.asked, (std::vector<std::string>{"Go on?"}));
    EXPECT_EQ(port.thread, QApplication::instance()->thread());
}

class ShowProgressFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::ui_application(); }
    ScriptedMessages messages;
};

// The caller's loop: a Cancel click posted as an event is seen by the next set_position.
TEST_F(ShowProgressFormTest, CancelPressedDuringTheCallersLoopAbortsAfterTheQuestion) {
    struct Case {
        std::string question;
        int answer;
        bool aborts;
    };
    for (const Case& c : {Case{"", 0, true}, Case{"Abort?", id::no, false}, Case{"Abort?", id::yes, true}}) {
        SCOPED_TRACE(c.question + " " + std::to_string(c.answer));
        messages.clear();
        if (c.answer) messages.answer(c.answer);
        TShowProgressForm progress("Making MP3 files", "Counting", "Cancel", c.question, 5);
        EXPECT_TRUE(progress.window().isVisible());
        EXPECT_EQ(progress.window().windowTitle(), "Making MP3 files");
        int steps = 0;
        for (; steps < 5 && !progress.aborted(); ++steps) {
            if (steps == 2)
                QMetaObject::invokeMethod(&progress.window().cancel_button(), "click", Qt::QueuedConnection);
            progress.set_text("File " + std::to_string(steps));
            progress.set_position(steps + 1);
        }
        EXPECT_EQ(progress.aborted(), c.aborts);
        EXPECT_EQ(steps, c.aborts ? 3 : 5);
        EXPECT_EQ(progress.window().progress_bar().maximum(), 5);
        EXPECT_EQ(progress.window().progress_bar().value(), steps);
        EXPECT_EQ(progress.window().label().text(),
                  QString::fromStdString("File " + std::to_string(steps - 1)));
        EXPECT_EQ(messages.shown().size(), c.question.empty() ? 0u : 1u);
    }
}

} // namespace
} // namespace morvelin
