#include "ui/windows/window_registry.h"

#include "core/data/records.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "ui/display/child_form.h"
#include "ui/display/form_with_underlined_items.h"
#include "ui/display/show_form.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/program_documents.h"
#include "ui/sound/sound_bar.h"
#include "ui_application.h"
#include "url_catcher.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace morvelin::testing {
namespace {

// Stands in for a window that does not exist yet: remembers every request it is handed.
class StandIn : public QWidget {
public:
    StandIn(WindowKind kind, QWidget* owner) : QWidget(owner, Qt::Window), kind(kind) {}
    WindowKind kind;
    std::vector<WindowRequest> taken;
};

class WindowRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_application();
        install_language_texts(Ttextfile_handler(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt"));
        determine_edition_from_code(60);
        saved_ = environment();
        environment().settings_file_path = dir_.file("Morvelin.ini");
        main = open_main_window();
        second = open_main_window();
    }
    void TearDown() override {
        registry.reset();
        for (int i = top_forms().count() - 1; i >= 0; --i)
            delete top_forms().form(i);
        environment() = saved_;
    }

    TChildForm* open_main_window() {
        auto* window = new TChildForm;
        window->window_set_up(WindowSetUp{top_forms().count() > 0});
        registry->attach(*window);
        return window;
    }

    // A stand-in for kind: parented to the asking window unless it is one for the program.
    void register_stand_in(WindowKind kind) {
        WindowFactory factory;
        factory.create = [this, kind](const WindowRequest& request, WindowRegistry&) -> QWidget* {
            ++made[kind];
            const bool program = WindowRegistry::scope_of(kind) == WindowScope::program;
            return new StandIn(kind, program ? nullptr : request.owner);
        };
        factory.take = [](QWidget& window, const WindowRequest& request) {
            static_cast<StandIn&>(window).taken.push_back(request);
            window.show();
        };
        registry->register_window(kind, factory);
    }
    void register_every_stand_in() {
        for (int k = 0; k < window_kind_count; ++k)
            register_stand_in(static_cast<WindowKind>(k));
    }
    StandIn* stand_in(WindowKind kind, const QWidget* owner = nullptr) {
        return static_cast<StandIn*>(registry->find(kind, owner));
    }

    std::unique_ptr<WindowRegistry> registry = std::make_unique<WindowRegistry>();
    std::map<WindowKind, int> made;
    TChildForm* main = nullptr;
    TChildForm* second = nullptr;
    ScriptedMessages messages;

private:
    TempDir dir_;
    Environment saved_;
};

// The records a request carries; the registry only hands them on.
struct Records {
    Tspecies species;
    Tsubspecies subspecies;
    Tlocality locality;
    TaudioCD cd;
    Tperson person;
} records;

const QPoint at(120, 80);

struct PaneCase {
    const char* name;
    std::function<void(TShowForm& pane)> ask;
    WindowRequest expected; // kind and what the window is handed
};
void PrintTo(const PaneCase& c, std::ostream* os) {
    *os << c.name;
}

void expect_same_request(const WindowRequest& taken, const WindowRequest& expected) {
    EXPECT_EQ(taken.kind, expected.kind);
    EXPECT_EQ(taken.species, expected.species);
    EXPECT_EQ(taken.subspecies, expected.subspecies);
    EXPECT_EQ(taken.subspecies_only, expected.subspecies_only);
    EXPECT_EQ(taken.locality, expected.locality);
    EXPECT_EQ(taken.audio_cd, expected.audio_cd);
    EXPECT_EQ(taken.person, expected.person);
    EXPECT_EQ(taken.text, expected.text);
    EXPECT_EQ(taken.global_point, expected.global_point);
}

class PaneRequestTest : public WindowRegistryTest, public ::testing::WithParamInterface<PaneCase> {};

// Each request of a pane opens its window once for its scope, finds it again with the next request,
// and the window can be closed through the registry.
TEST_P(PaneRequestTest, OpensItsWindowOnceAndFindsItAgain) {
    const PaneCase& c = GetParam();
    const WindowKind kind = c.expected.kind;
    c.ask(*main->pane()); // nothing answers yet: nothing happens, as before the window existed
    EXPECT_EQ(registry->find(kind, main), nullptr);

    register_every_stand_in();
    c.ask(*main->pane());
    c.ask(*main->pane());
    EXPECT_EQ(made[kind], 1);
    StandIn* window = stand_in(kind, main);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->kind, kind);
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(window->taken.size(), 2u);
    EXPECT_EQ(window->taken[0].owner, main);
    expect_same_request(window->taken[0], c.expected);
    EXPECT_EQ(made.size(), 1u) << "no other window was made";

    // A second main window has windows of its own.
    c.ask(*second->pane());
    EXPECT_EQ(made[kind], 2);
    StandIn* other = stand_in(kind, second);
    ASSERT_TRUE(other);
    EXPECT_NE(other, window);
    EXPECT_EQ(other->taken.at(0).owner, second);

    // Pop-ups close when their pane closes its information windows; the others stay.
    emit main->pane()->info_windows_close_requested();
    EXPECT_EQ(window->isVisible(), WindowRegistry::scope_of(kind) != WindowScope::pop_up);
    EXPECT_TRUE(other->isVisible());

    registry->close(kind, main);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(other->isVisible());
    QPointer<StandIn> gone = other;
    delete second; // its windows go with it
    second = nullptr;
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(registry->find(kind, main), window);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, PaneRequestTest,
    ::testing::Values(
        PaneCase{"pictures",
                 [](TShowForm& p) {
                     emit p.species_pictures_requested(&records.species, &records.subspecies, true);
                 },
                 {.kind = WindowKind::photos,
                  .species = &records.species,
                  .subspecies = &records.subspecies,
                  .subspecies_only = true}},
        PaneCase{"distribution_map",
                 [](TShowForm& p) { emit p.species_map_requested(&records.species); },
                 {.kind = WindowKind::map, .species = &records.species}},
        PaneCase{"locality_map",
                 [](TShowForm& p) { emit p.locality_map_requested(&records.locality); },
                 {.kind = WindowKind::map, .locality = &records.locality}},
        PaneCase{"literature",
                 [](TShowForm& p) { emit p.literature_requested(&records.species, at); },
                 {.kind = WindowKind::literature, .species = &records.species, .global_point = at}},
        PaneCase{"threatened_status",
                 [](TShowForm& p) { emit p.threatened_status_requested(&records.species, "VU", at); },
                 {.kind = WindowKind::threatened_status,
                  .species = &records.species,
                  .text = "VU",
                  .global_point = at}},
        PaneCase{"audio_cd",
                 [](TShowForm& p) { emit p.audio_cd_requested(&records.cd, at); },
                 {.kind = WindowKind::audio_cd, .audio_cd = &records.cd, .global_point = at}},
        PaneCase{"persons",
                 [](TShowForm& p) { emit p.persons_requested("A. Person", &records.species, at); },
                 {.kind = WindowKind::person,
                  .species = &records.species,
                  .text = "A. Person",
                  .global_point = at}},
        PaneCase{"recordist",
                 [](TShowForm& p) { emit p.recordist_requested(&records.person, at); },
                 {.kind = WindowKind::person, .person = &records.person, .global_point = at}}),
    [](const ::testing::TestParamInfo<PaneCase>& info) { return std::string(info.param.name); });

// Windows for the whole program answer every main window: one window, its menu item enabled only once
// it exists, and the steps of the volume keys delivered only to a volume control that is there.
TEST_F(WindowRegistryTest, ProgramWindowsOpenFromTheMenusOfEveryMainWindow) {
    const WindowKind menu_kinds[] = {WindowKind::play_lists, WindowKind::localities_map, WindowKind::options};
    for (WindowKind kind : menu_kinds) {
        ASSERT_TRUE(main->window_action(kind));
        EXPECT_FALSE(main->window_action(kind)->isEnabled());
    }
    register_every_stand_in();
    TChildForm* third = open_main_window(); // attached after the registrations
    for (WindowKind kind : menu_kinds) {
        std::vector<TChildForm*> asked;
        for (TChildForm* window : {main, second, third}) {
            QAction* action = window->window_action(kind);
            if (!action->isVisible()) continue; // Play Lists belongs to the main window only
            ASSERT_TRUE(action->isEnabled()) << int(kind);
            action->trigger();
            asked.push_back(window);
        }
        EXPECT_EQ(asked.size(), kind == WindowKind::play_lists ? 1u : 3u);
        EXPECT_EQ(made[kind], 1);
        StandIn* window = stand_in(kind);
        ASSERT_TRUE(window);
        ASSERT_EQ(window->taken.size(), asked.size());
        EXPECT_EQ(window->taken.back().owner, asked.back());
        EXPECT_EQ(stand_in(kind, second), window);
    }
    registry->register_window(WindowKind::options, {});
    EXPECT_FALSE(third->window_action(WindowKind::options)->isEnabled());

    emit main->pane()->volume_step_requested(5);
    EXPECT_EQ(made[WindowKind::volume_control], 0) << "steps go only to a volume control that exists";
    WindowRequest show_volume;
    show_volume.kind = WindowKind::volume_control;
    registry->open(show_volume);
    emit second->pane()->volume_step_requested(-2);
    StandIn* volume = stand_in(WindowKind::volume_control);
    ASSERT_TRUE(volume);
    ASSERT_EQ(volume->taken.size(), 2u);
    EXPECT_EQ(volume->taken[1].steps, -2);

    // The help of the menu: the program document at its contents.
    QMenu* help = main->menuBar()->actions().at(4)->menu();
    help->actions().at(0)->trigger();
    StandIn* help_window = stand_in(WindowKind::help);
    ASSERT_TRUE(help_window);
    EXPECT_EQ(help_window->taken.at(0).text, help_file_name);
    EXPECT_EQ(help_window->taken.at(0).anchor, "contents");
    help->actions().at(1)->trigger();
    EXPECT_EQ(help_window->taken.at(1).text, readme_file_name);
    EXPECT_TRUE(help_window->taken.at(1).desktop_first);
}

// New windows of a main window are attached too.
TEST_F(WindowRegistryTest, MainWindowsOpenedFromAMainWindowAreConnected) {
    register_every_stand_in();
    main->new_window_click();
    TChildForm* added = top_forms().form(top_forms().count() - 1);
    ASSERT_NE(added, second);
    emit added->pane()->species_map_requested(&records.species);
    ASSERT_TRUE(stand_in(WindowKind::map, added));
    EXPECT_TRUE(added->window_action(WindowKind::options)->isEnabled());
}

// The sound bars' menu reaches the play list window only while it is shown, and the MP3 maker.
TEST_F(WindowRegistryTest, SoundBarMenuAddsToTheShownPlayListAndMakesMp3Files) {
    ScriptedMedia media;
    Tcutpart part;
    part.is_sound_file = true;
    part.length = 4000;
    Tcupaitem item;
    item.cut_part = &part;
    QWidget owner;
    SoundBarSetup setup;
    setup.owner = &owner;
    setup.recording = &item;
    setup.play_list_context = 3;
    Tsound_bar bar(setup);
    auto add_enabled = [&bar] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), bar.mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&bar, &event);
        bar.menu().hide();
        return bar.menu().actions()[2]->isEnabled();
    };
    auto make_mp3 = [&bar] {
        QAction* action = bar.menu().actions()[3];
        action->setEnabled(true); // whether the file can become an MP3 file is the bar's own test
        action->trigger();
    };

    EXPECT_FALSE(add_enabled());
    make_mp3();
    register_every_stand_in();
    EXPECT_FALSE(add_enabled()) << "the play list window is not shown";
    WindowRequest show_list;
    show_list.kind = WindowKind::play_lists;
    QWidget* list = registry->open(show_list);
    ASSERT_TRUE(list);
    EXPECT_TRUE(add_enabled());
    bar.menu().actions()[2]->trigger();
    ASSERT_EQ(stand_in(WindowKind::play_lists)->taken.size(), 2u);
    EXPECT_EQ(stand_in(WindowKind::play_lists)->taken[1].recording, &item);
    EXPECT_EQ(stand_in(WindowKind::play_lists)->taken[1].play_list_context, 3);
    list->hide();
    EXPECT_FALSE(add_enabled());

    make_mp3();
    EXPECT_EQ(made[WindowKind::make_mp3_file], 1);
    ASSERT_TRUE(stand_in(WindowKind::make_mp3_file));
    EXPECT_EQ(stand_in(WindowKind::make_mp3_file)->taken.at(0).recording, &item);

    registry.reset();
    EXPECT_FALSE(add_enabled()) << "the actions go with the registry";
}

// A pop-up's web address opens the web window; until the program has one, the desktop's browser gets
// web and mail addresses, and nothing else.
TEST_F(WindowRegistryTest, WebAddressesOfPopUpsOpenTheWebWindowOrTheDesktop) {
    UrlCatcher catcher;
    for (const char* scheme : {"http", "https", "mailto", "javascript", "file"})
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    WindowFactory person;
    person.create = [](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        auto* form = new TFormWithUnderlinedItems(request.owner, Qt::Window);
        form->open_web_address_on_click = true;
        return form;
    };
    registry->register_window(WindowKind::person, person);
    emit main->pane()->recordist_requested(&records.person, at);
    auto* form = qobject_cast<TFormWithUnderlinedItems*>(registry->find(WindowKind::person, main));
    ASSERT_TRUE(form);
    for (const char* address : {"www.example.org", "https://example.org/a b", "mailto:a@example.org",
                                "javascript:alert(1)", "file:///etc/passwd", "example.org"})
        emit form->web_address_requested(address);
    ASSERT_EQ(catcher.urls.size(), 3u);
    EXPECT_EQ(catcher.urls[0], QUrl("http://www.example.org"));
    EXPECT_EQ(catcher.urls[1].host(), "example.org");
    EXPECT_EQ(catcher.urls[2].scheme(), "mailto");

    register_stand_in(WindowKind::web);
    emit form->web_address_requested("https://example.org/");
    StandIn* web = stand_in(WindowKind::web);
    ASSERT_TRUE(web);
    EXPECT_EQ(web->taken.at(0).text, "https://example.org/");
    EXPECT_EQ(web->taken.at(0).owner, main);
    EXPECT_EQ(catcher.urls.size(), 3u);
    for (const char* scheme : {"http", "https", "mailto", "javascript", "file"})
        QDesktopServices::unsetUrlHandler(scheme);
}

// A window that belongs to the window that asked last (the help) is made anew for another owner.
TEST_F(WindowRegistryTest, AWindowThatFollowsItsOwnerIsMadeAnewForAnotherOwner) {
    int made_help = 0;
    WindowFactory help;
    help.create = [&made_help](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        ++made_help;
        return new StandIn(WindowKind::help, request.owner);
    };
    help.follows_owner = true;
    registry->register_window(WindowKind::help, help);
    QPointer<QWidget> first = registry->open(program_document_request(main, help_file_name));
    ASSERT_TRUE(first);
    EXPECT_EQ(registry->open(program_document_request(main, help_file_name)), first.data());
    QWidget* moved = registry->open(program_document_request(second, help_file_name));
    EXPECT_TRUE(first.isNull());
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->parentWidget(), second);
    EXPECT_EQ(made_help, 2);
}

} // namespace
} // namespace morvelin::testing
