#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/top_forms.h"
#include "ui/windows/window_registry.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "ui/sound/volume_control_form.h"
#include "platform/single_instance.h"
#include "synth.h"
#include "app/startup.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace morvelin;
using namespace morvelin::testing;

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// A disc folder made from the demo sources, used as the current folder, with the program "installed"
// in the same folder so that its settings file stays inside the fixture.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A fatal error ends in exit(), whose handlers wait for Qt's worker threads: a forked child has
        // none of them, so the death tests run in a fresh process.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        application();
        old_cwd_ = std::filesystem::current_path();
        const std::string demo = std::string(MORVELIN_SOURCE_DIR) + "/demo/";
        disc::SynthOptions synth;
        synth.output = disc_.path();
        synth.species = 12;
        std::string error;
        ASSERT_TRUE(disc::synthesize_disc(synth, error)) << error;
        disc_.write("PROGR_NM.TXT", read_file(demo + "PROGR_NM.TXT"));
        disc_.write("Morvelin.txt", read_file(demo + "Morvelin.txt"));
        std::filesystem::current_path(disc_.path());
        setenv("XDG_RUNTIME_DIR", locks_.path().c_str(), 1);
    }
    void TearDown() override { std::filesystem::current_path(old_cwd_); }

    std::string program() const { return disc_.file("morvelin"); }
    std::string settings() const { return disc_.file("Morvelin.ini"); }

    TempDir disc_;
    TempDir locks_;
    std::filesystem::path old_cwd_;
    ScriptedVolume volume_; // a sound output with a volume, so that the volume window shows
};

// Runs the event loop until done() holds or a generous minute has passed.
template <typename Done> bool process_events_until(Done done) {
    QDeadlineTimer deadline(60000);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST_F(StartupTest, MainWindowCaptionIsTitleAndVersion) {
    ScriptedMessages messages;
    Startup startup;
    ASSERT_TRUE(startup.start(program()));
    ASSERT_NE(startup.main_window(), nullptr);
    EXPECT_EQ(startup.main_window()->windowTitle().toStdString(), "Sarovan Bird Sounds 3.14");
    EXPECT_TRUE(messages.shown().empty()) << messages.shown().front().text;
    startup.finish();
    EXPECT_EQ(top_forms().count(), 0);
}

// The volume window opens at start as the settings say, once the main window has painted (asking for
// the volume loads the sound code); without a volume to control it says so once and is not shown at
// the next start.
TEST_F(StartupTest, TheVolumeWindowOpensAtStartUnlessThereIsNoVolume) {
    ScriptedMessages messages;
    {
        Startup startup;
        ASSERT_TRUE(startup.start(program()));
        EXPECT_EQ(volume_.capabilities_calls, 0) << "the volume was asked for before the main window painted";
        EXPECT_EQ(startup.window_registry()->find(WindowKind::volume_control), nullptr);
        startup.main_window()->show();
        EXPECT_TRUE(process_events_until([&] { return startup.window_registry()->is_shown(WindowKind::volume_control); }));
        startup.finish();
    }
    EXPECT_EQ(settings_read_string(settings(), "GENERAL", "Show Volume Control", ""), "Yes");
    volume_.caps_error = mci::mmsyserr_nodriver;
    {
        Startup startup;
        ASSERT_TRUE(startup.start(program()));
        startup.main_window()->show();
        EXPECT_TRUE(process_events_until([&] { return messages.shown().size() == 1u; }));
        EXPECT_FALSE(startup.window_registry()->is_shown(WindowKind::volume_control));
        startup.finish();
    }
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    EXPECT_EQ(settings_read_string(settings(), "GENERAL", "Show Volume Control", ""), "No");
    {
        Startup startup;
        ASSERT_TRUE(startup.start(program()));
        EXPECT_EQ(startup.window_registry()->find(WindowKind::volume_control), nullptr);
        startup.finish();
    }
    EXPECT_EQ(messages.shown().size(), 1u);
}

// Start-up makes the window registry and connects the main window to it: a window registered later
// answers the main window's requests.
TEST_F(StartupTest, TheMainWindowsRequestsReachTheWindowRegistry) {
    ScriptedMessages messages;
    Startup startup;
    ASSERT_TRUE(startup.start(program()));
    WindowRegistry* registry = startup.window_registry();
    ASSERT_TRUE(registry);
    QPointer<QWidget> made;
    WindowFactory map;
    map.create = [&made](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        made = new QWidget(request.owner, Qt::Window);
        return made;
    };
    registry->register_window(WindowKind::map, map);
    emit startup.main_window()->pane()->species_map_requested(nullptr);
    ASSERT_TRUE(made);
    EXPECT_EQ(registry->find(WindowKind::map, startup.main_window()), made.data());
    startup.finish();
    EXPECT_TRUE(made.isNull());
    EXPECT_EQ(startup.window_registry(), nullptr);
}

TEST_F(StartupTest, MissingEditionFileRunsAsUnknownEditionWithErrorTitle) {
    std::filesystem::remove(disc_.file("PROGR_NM.TXT"));
    ScriptedMessages messages;
    Startup startup;
    ASSERT_TRUE(startup.start(program()));
    EXPECT_EQ(startup.main_window()->windowTitle().toStdString(), "Error: Unknown Natural Sounds Program");
    ASSERT_FALSE(messages.shown().empty());
    EXPECT_EQ(messages.shown().front().flags, mb::icon_error);
    EXPECT_NE(messages.shown().front().text.find("PROGR_NM.TXT"), std::string::npos);
}

TEST_F(StartupTest, MissingLanguageFileIsFatal) {
    std::filesystem::remove(disc_.file("Morvelin.txt"));
    EXPECT_EXIT(
        {
            ConsoleMessagePort console;
            install_message_port(&console);
            Startup startup;
            startup.start(program());
        },
        ::testing::ExitedWithCode(1), "The text file \"Morvelin.txt\" was not found!");
}

TEST_F(StartupTest, DamagedDiscEndsBeforeAnyWindow) {
    std::filesystem::remove(disc_.file("taxa.txt"));
    EXPECT_EXIT(
        {
            ConsoleMessagePort console;
            install_message_port(&console);
            Startup startup;
            startup.start(program());
            std::fprintf(stderr, "a window was made\n");
        },
        ::testing::ExitedWithCode(1), "taxa.txt");
}

TEST_F(StartupTest, SecondInstanceAsksAndNoEndsWithoutMessageLoop) {
    struct Case {
        int answer;
        bool terminates;
    };
    for (const Case c : {Case{id::no, true}, Case{id::yes, false}}) {
        SingleInstanceLock first(single_instance_mutex_name("Sarovan Bird Sounds", "3.14"));
        ASSERT_TRUE(first.held());
        ScriptedMessages messages;
        messages.answer(c.answer);
        Startup startup;
        EXPECT_EQ(startup.start(program()), !c.terminates);
        EXPECT_EQ(startup.terminate_requested(), c.terminates);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].flags, mb::question_yes_no);
        EXPECT_NE(messages.shown()[0].text.find('\n'), std::string::npos);
        if (c.terminates) {
            EXPECT_EQ(startup.run_message_loop(application()), 0);
        }
    }
}

TEST_F(StartupTest, FinishStoresBaseDirectoryAndClearsJustInstalled) {
    settings_write_string(settings(), "GENERAL", "Base Directory", disc_.path() + "media");
    settings_write_yes_no(settings(), "GENERAL", "Just Installed", false);
    ScriptedMessages messages;
    {
        Startup startup;
        startup.start(program());
        EXPECT_EQ(environment().base_directory, disc_.path() + "media/");
    }
    EXPECT_EQ(settings_read_string(settings(), "GENERAL", "Base Directory", ""), disc_.path() + "media/");
    EXPECT_FALSE(settings_read_yes_no(settings(), "GENERAL", "Just Installed", true));
}

TEST(WindowCaption, FollowsTitleVersionIndexAndAmpersandRules) {
    struct Case {
        const char* title;
        const char* version;
        int index;
        const char* caption;
    } cases[] = {
        {"Sarovan Bird Sounds", "3.14", 0, "Sarovan Bird Sounds 3.14"},
        {"Sarovan Bird Sounds", "3.14", 2, "Sarovan Bird Sounds 3.14 : 2"},
        {"Sounds", "1.0", 0, "Sounds"},
        {"Sounds", "1.0", 1, "Sounds : 1"},
        {"Birds & Frogs & Bats", "2.0", 0, "Birds and Frogs and Bats 2.0"},
        {"R&B", "1.0", 0, "R&B"},
    };
    for (const auto& c : cases) EXPECT_EQ(window_caption(c.title, c.version, c.index), c.caption) << c.title;
}
