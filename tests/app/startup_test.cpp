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
#include "app/first_start.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

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

namespace {

// A start far from any disc: the current folder, the program's folder and the home folder are empty
// scratch folders. The disc tool is a script that copies a small disc made beforehand, as
// "morvelin-disc demo FOLDER" would make one.
class FirstStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        application();
        old_cwd_ = std::filesystem::current_path();
        disc::SynthOptions synth;
        synth.output = source_.path();
        synth.species = 12;
        std::string error;
        ASSERT_TRUE(disc::synthesize_disc(synth, error)) << error;
        const std::string demo = std::string(MORVELIN_SOURCE_DIR) + "/demo/";
        source_.write("PROGR_NM.TXT", read_file(demo + "PROGR_NM.TXT"));
        source_.write("Morvelin.txt", read_file(demo + "Morvelin.txt"));
        std::filesystem::current_path(nowhere_.path());
        setenv("XDG_RUNTIME_DIR", locks_.path().c_str(), 1);
        if (const char* home = std::getenv("HOME")) old_home_ = home;
        setenv("HOME", home_.path().c_str(), 1);
    }
    void TearDown() override {
        std::filesystem::current_path(old_cwd_);
        setenv("HOME", old_home_.c_str(), 1);
    }

    // A disc tool whose demo command runs the shell commands body with the target folder in $2.
    std::string tool(const std::string& body) const {
        const std::string path = program_.file("morvelin-disc");
        program_.write("morvelin-disc", "#!/bin/sh\n[ \"$1\" = demo ] || exit 2\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    std::string copying_tool() const { return tool("mkdir -p \"$2\" && cp -R '" + source_.path() + ".' \"$2/\""); }
    std::string settings() const { return program_.file("Morvelin.ini"); }
    std::string demo() const { return home_.path() + "Morvelin-demo"; }
    // What the home folder holds besides the settings.
    std::vector<std::string> home_entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(home_.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool start(Startup& startup) {
        environment().startup_folder.clear();
        return startup.start(program_.file("morvelin")) && startup.main_window() != nullptr;
    }

    TempDir source_, nowhere_, program_, home_, locks_;
    std::filesystem::path old_cwd_;
    std::string old_home_;
    ScriptedVolume volume_;
};

} // namespace

// Yes makes the demo disc with the tool and starts on it; the next start finds it without asking.
// The work folder of a program killed while it made one goes.
TEST_F(FirstStartTest, YesMakesTheDemoDiscAndTheProgramStartsOnIt) {
    home_.write(".Morvelin-demo-making-1073741800/disc/taxa.txt", "half");
    ScriptedMessages messages;
    messages.answer(id::yes);
    const std::string made = copying_tool();
    ASSERT_EQ(find_disc_tool(program_.path()), made);
    {
        Startup startup;
        ASSERT_TRUE(start(startup));
        EXPECT_EQ(environment().startup_folder, demo() + "/");
        startup.finish();
    }
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].flags, mb::question_yes_no_cancel);
    EXPECT_NE(messages.shown()[0].text.find("Make the demo disc in \"" + demo() + "\""), std::string::npos)
        << messages.shown()[0].text;
    EXPECT_EQ(home_entries(), std::vector<std::string>{"Morvelin-demo"});
    EXPECT_EQ(settings_read_string(settings(), "GENERAL", "Base Directory", ""), demo() + "/");
    {
        Startup again;
        ASSERT_TRUE(start(again));
        EXPECT_EQ(environment().startup_folder, demo() + "/");
        again.finish();
    }
    EXPECT_EQ(messages.shown().size(), 1u);
}

// A tool that fails says why and leaves nothing behind; a tool stopped with Cancel in the busy window
// leaves nothing either; Cancel in the question ends the start with the stored disc folder kept.
TEST_F(FirstStartTest, AFailedOrCancelledDemoDiscLeavesNothingAndCancelEndsTheStart) {
    ASSERT_TRUE(settings_write_string(settings(), "GENERAL", "Base Directory", "/media/cdrom/"));
    ScriptedMessages messages;
    messages.answer(id::yes);
    messages.answer(id::ok);
    messages.answer(id::cancel);
    tool("mkdir -p \"$2\" && echo half > \"$2/taxa.txt\"\necho 'espeak-ng is missing' >&2\nexit 3");
    Startup failing;
    EXPECT_FALSE(failing.start(program_.file("morvelin")));
    EXPECT_TRUE(failing.terminate_requested());
    ASSERT_GE(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[1].flags, mb::icon_error);
    EXPECT_NE(messages.shown()[1].text.find("espeak-ng is missing"), std::string::npos) << messages.shown()[1].text;
    EXPECT_EQ(messages.shown().size(), 3u);
    EXPECT_TRUE(home_entries().empty());
    failing.finish();
    EXPECT_EQ(settings_read_string(settings(), "GENERAL", "Base Directory", ""), "/media/cdrom/");

    // The tool hangs half way; Cancel in the busy window stops it.
    tool("mkdir -p \"$2\" && echo half > \"$2/taxa.txt\" && exec sleep 600");
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* busy = qobject_cast<QProgressDialog*>(w); busy && busy->isVisible() && !home_entries().empty())
                if (auto* button = busy->findChild<QPushButton*>()) button->click();
    });
    cancel.start(20);
    messages.answer(id::yes);
    messages.answer(id::cancel);
    Startup cancelled;
    EXPECT_FALSE(cancelled.start(program_.file("morvelin")));
    EXPECT_EQ(messages.shown().size(), 5u);
    EXPECT_TRUE(home_entries().empty());
}

// No chooses a folder: one that holds no disc is refused with a word why, a disc is started on.
TEST_F(FirstStartTest, NoChoosesTheDiscFolder) {
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    messages.answer(id::no);
    dialogs.answer(nowhere_.path());
    messages.answer(id::ok);
    messages.answer(id::no);
    dialogs.answer(source_.path());
    Startup startup;
    ASSERT_TRUE(start(startup));
    EXPECT_EQ(environment().startup_folder, source_.path());
    ASSERT_EQ(messages.shown().size(), 3u);
    EXPECT_NE(messages.shown()[1].text.find("holds no disc"), std::string::npos) << messages.shown()[1].text;
    startup.finish();
    EXPECT_EQ(settings_read_string(settings(), "GENERAL", "Base Directory", ""), source_.path());
}

// The demo folder: the first name free, an empty folder or a demo disc made before; never a file or
// a folder of something else.
TEST(DemoDiscFolder, TakesTheFirstNameThatIsFreeOrADemoDisc) {
    application();
    struct Case {
        const char* name;
        std::function<void(const TempDir&)> make;
        const char* folder;
    };
    const std::vector<Case> cases = {
        {"nothing there", [](const TempDir&) {}, "Morvelin-demo"},
        {"an empty folder", [](const TempDir& h) { std::filesystem::create_directory(h.file("Morvelin-demo")); }, "Morvelin-demo"},
        {"a disc made before", [](const TempDir& h) { h.write("Morvelin-demo/Morvelin.txt", "x"); }, "Morvelin-demo"},
        {"a file", [](const TempDir& h) { h.write("Morvelin-demo", "x"); }, "Morvelin-demo-2"},
        {"someone's folder", [](const TempDir& h) {
             h.write("Morvelin-demo/notes.txt", "x");
             h.write("Morvelin-demo-2/notes.txt", "x");
         }, "Morvelin-demo-3"},
    };
    for (const Case& c : cases) {
        TempDir home;
        c.make(home);
        EXPECT_EQ(demo_disc_folder(home.path()), home.path() + c.folder) << c.name;
    }
}
