#include "termination_signals.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <csignal>

using namespace morvelin;

TEST(TerminationSignals, SigtermEndsTheMessageLoopAndClosesWindows) {
    EXPECT_EXIT(
        {
            int argc = 1;
            char name[] = "app_tests";
            char* argv[] = {name, nullptr};
            QApplication app(argc, argv);
            quit_on_termination_signals(app);
            QWidget window;
            window.show();
            QTimer::singleShot(50, [] { std::raise(SIGTERM); });
            // Without the handler SIGTERM kills the process; a hang ends through the fallback below.
            QTimer::singleShot(10000, [] { std::_Exit(3); });
            app.exec();
            std::_Exit(window.isVisible() ? 4 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}
