#include "ui/display/child_form.h"
#include "ui/display/top_forms.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "core/settings/settings_sections.h"
#include "scripted_services.h"
#include "ui_application.h"

#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace morvelin;
using namespace morvelin::testing;

namespace {

class ChildFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_application();
        install_language_texts(Ttextfile_handler(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt"));
        determine_edition_from_code(60);
        environment().settings_file_path = dir_.file("Morvelin.ini");
    }
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i) delete top_forms().form(i);
        environment().settings_file_path.clear();
    }
    std::string ini() const { return dir_.file("Morvelin.ini"); }

    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (int i = 0; i < top_forms().count(); ++i) out.push_back(top_forms().form(i)->windowTitle().toStdString());
        return out;
    }

    TempDir dir_;
};

TChildForm* open_main() {
    auto* main = new TChildForm;
    main->window_set_up(WindowSetUp{});
    main->start_up();
    return main;
}

} // namespace

TEST_F(ChildFormTest, StoredWindowCountOpensNumberedWindows) {
    settings_write_integer(ini(), "GENERAL", "Windows", 3);
    settings_write_string(ini(), "WINDOW 2", "Coord", "10,20,410,320");
    settings_write_yes_no(ini(), "WINDOW 2", "Maximized", false);
    settings_write_string(ini(), "WINDOW 3", "Coord", "garbage");
    open_main();
    EXPECT_EQ(captions(), (std::vector<std::string>{"Sarovan Bird Sounds 3.14", "Sarovan Bird Sounds 3.14 : 1",
                                                     "Sarovan Bird Sounds 3.14 : 2"}));
    EXPECT_EQ(top_forms().form(1)->normal_rect(), QRect(10, 20, 400, 300));
    EXPECT_FALSE(top_forms().form(1)->isMaximized());
    // A section without four numbers falls back to the centre of the screen, maximised.
    EXPECT_TRUE(top_forms().form(2)->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(top_forms().form(1)->is_additional());
    EXPECT_TRUE(top_forms().form(2)->windowFlags() & Qt::WindowStaysOnTopHint);
}

// The count comes from a file anyone can edit: a damaged one must not make window after window.
TEST_F(ChildFormTest, StoredWindowCountIsBounded) {
    settings_write_integer(ini(), "GENERAL", "Windows", 100);
    open_main();
    EXPECT_EQ(top_forms().count(), settings::GeneralSettings::max_windows);
}

TEST_F(ChildFormTest, WindowsOpenOnTheScreenWhateverTheStoredPlace) {
    const QRect desktop = QApplication::primaryScreen()->virtualGeometry();
    const char* const stored[] = {
        "2147483647,2147483647,-2147483648,-2147483648", "-2147483648,-2147483648,2147483647,2147483647",
        "2147483000,2147483000,2147483647,2147483647",   "-5000,-5000,-4000,-4000",
        "100000,100,100400,400",
    };
    for (const char* coord : stored) {
        settings_write_integer(ini(), "GENERAL", "Windows", 2);
        settings_write_string(ini(), "WINDOW 2", "Coord", coord);
        settings_write_yes_no(ini(), "WINDOW 2", "Maximized", false);
        open_main();
        ASSERT_EQ(top_forms().count(), 2);
        const QRect r = top_forms().form(1)->normal_rect();
        EXPECT_TRUE(!r.isEmpty() && desktop.contains(r)) << coord;
        // The title bar can be reached (the frame may stick out where the window fills the desktop).
        EXPECT_TRUE(desktop.contains(top_forms().form(1)->geometry().topLeft())) << coord;
        for (int i = top_forms().count() - 1; i >= 0; --i) delete top_forms().form(i);
    }
}

TEST_F(ChildFormTest, ClosingAdditionalWindowWithNoClosesOnlyIt) {
    ScriptedMessages messages;
    auto* main = open_main();
    main->new_window_click();
    main->new_window_click();
    ASSERT_EQ(top_forms().count(), 3);
    messages.answer(id::no);
    EXPECT_TRUE(top_forms().form(1)->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(top_forms().count(), 2);
    EXPECT_TRUE(main->isVisible());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].flags, mb::question_yes_no);
    // The remaining additional window is renumbered.
    EXPECT_EQ(captions()[1], "Sarovan Bird Sounds 3.14 : 1");
    EXPECT_FALSE(settings_key_exists(ini(), "GENERAL", "Windows"));
}

TEST_F(ChildFormTest, ClosingAdditionalWindowWithYesSavesEveryWindowAndClosesAll) {
    ScriptedMessages messages;
    auto* main = open_main();
    main->new_window_click();
    main->new_window_click();
    messages.answer(id::yes);
    EXPECT_FALSE(top_forms().form(2)->close()) << "the main window closes them all instead";
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(messages.shown().size(), 1u) << "no further questions while closing all";
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(top_forms().count(), 1) << "only the main window is left, hidden";
    EXPECT_EQ(settings_read_integer(ini(), "GENERAL", "Windows", 0), 3);
    for (const char* section : {"WINDOW 1", "WINDOW 2", "WINDOW 3"})
        EXPECT_TRUE(settings_key_exists(ini(), section, "Coord")) << section;
}

TEST_F(ChildFormTest, AdditionalWindowMenuHasCloseAndNoPlayLists) {
    auto* main = open_main();
    main->new_window_click();
    auto* extra = top_forms().form(1);
    QStringList main_items, extra_items;
    for (QAction* a : main->menuBar()->actions()[0]->menu()->actions())
        if (a->isVisible()) main_items << a->text();
    for (QAction* a : extra->menuBar()->actions()[0]->menu()->actions())
        if (a->isVisible()) extra_items << a->text();
    EXPECT_TRUE(main_items.contains("E&xit"));
    EXPECT_TRUE(extra_items.contains("&Close"));
    EXPECT_FALSE(extra_items.contains("&Play Lists..."));
    EXPECT_TRUE(main_items.contains("&Play Lists..."));
}

TEST_F(ChildFormTest, CtrlTabCyclesThroughWindows) {
    auto* main = open_main();
    main->new_window_click();
    main->new_window_click();
    QWidget* order[] = {top_forms().form(1), top_forms().form(2), main};
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    QWidget* current = main;
    for (QWidget* expected : order) {
        QTest::keyClick(current, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_TRUE(QTest::qWaitForWindowActive(expected));
        current = expected;
    }
    QTest::keyClick(current, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(QTest::qWaitForWindowActive(top_forms().form(2)));
}

TEST_F(ChildFormTest, ClosingAllWithoutAskingSavesEveryWindow) {
    ScriptedMessages messages;
    auto* main = open_main();
    main->new_window_click();
    top_forms().form(1)->activateWindow();
    top_forms().close_all_without_asking();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(messages.shown().empty()) << "asked: " << messages.shown()[0].text;
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(top_forms().count(), 1) << "only the main window is left, hidden";
    EXPECT_EQ(settings_read_integer(ini(), "GENERAL", "Windows", 0), 2);
    for (const char* section : {"WINDOW 1", "WINDOW 2"})
        EXPECT_TRUE(settings_key_exists(ini(), section, "Coord")) << section;
}

TEST_F(ChildFormTest, MenuCaptionsEndInOneEllipsis) {
    auto* main = open_main();
    ASSERT_FALSE(main->view_menu()->actions().isEmpty());
    EXPECT_EQ(main->view_menu()->actions()[0]->text(), "&Site descriptions etc...");
    for (QAction* menu : main->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            EXPECT_FALSE(item->text().contains("....")) << item->text().toStdString();
}
