#include "app/termination_signals.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <csignal>

using namespace morvelin;

namespace {

// Runs in the death-test child: exit code 0 when SIGTERM ended the loop and closed the window.
[[noreturn]] void run_loop_and_raise_sigterm() {
    int argc = 1;
    char name[] = "app_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    quit_on_termination_signals(app);
    QWidget window;
    window.show();
    QTimer::singleShot(50, [] { std::raise(SIGTERM); });
    // Without the handler SIGTERM kills the child; a hang ends through this fallback.
    QTimer::singleShot(10000, [] { std::_Exit(3); });
    app.exec();
    std::_Exit(window.isVisible() ? 4 : 0);
}

} // namespace

TEST(TerminationSignals, SigtermEndsTheMessageLoopAndClosesWindows) {
    // A fresh process: the other tests of this program may already own the application object.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(run_loop_and_raise_sigterm(), ::testing::ExitedWithCode(0), "");
}
