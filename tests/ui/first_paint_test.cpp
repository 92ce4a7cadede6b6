// Work deferred until a window's first paint: it waits for that paint, runs in the order given, and
// work asked for afterwards waits for the next paint.

#include "ui/windows/first_paint.h"

#include "ui_application.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

namespace morvelin::testing {
namespace {

TEST(FirstPaintTest, ActionsWaitForThePaintAndRunInOrderOnce) {
    ui_application();
    QWidget window;
    window.resize(200, 100);
    std::string ran;
    after_first_paint(window, [&] { ran += "a"; });
    after_first_paint(window, [&] { ran += "b"; });
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, "") << "ran before the window painted";

    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 2; }, 10000)) << ran;
    EXPECT_EQ(ran, "ab");

    // Asked for after the paint: the next paint brings it, and the earlier ones do not run again.
    after_first_paint(window, [&] { ran += "c"; });
    window.repaint();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 3; }, 10000)) << ran;
    EXPECT_EQ(ran, "abc");
    window.repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, "abc");
}

TEST(FirstPaintTest, AnActionThatClosesItsWindowEndsTheRest) {
    ui_application();
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    bool second_ran = false;
    bool deleted = false;
    QObject::connect(window, &QObject::destroyed, [&] { deleted = true; });
    after_first_paint(*window, [window] { delete window; });
    after_first_paint(*window, [&] { second_ran = true; });
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return deleted; }, 10000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(second_ran);
}

} // namespace
} // namespace morvelin::testing
