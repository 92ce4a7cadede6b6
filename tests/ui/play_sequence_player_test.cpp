// The window that plays a play list, offscreen over scripted media: Play opens a show window whose
// text pane unfolds each recording's species and plays the recording on the pane's own bar, selected
// and highlighted; a recording folded away while it plays counts as ended; a recording that cannot be
// opened ends the sequence, which closes the window and gives the list its Play button back.
#include "core/data/records.h"
#include "core/sound/file_locations.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "show_strings_test_fixture.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/show_sound_bars.h"
#include "ui/sound/play_list_form.h"
#include "ui/sound/play_sequence_player.h"
#include "ui/sound/play_sound_options_frame.h"
#include "ui/sound/sound_bar.h"

#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace morvelin::testing {
namespace {

class PlaySequencePlayerTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        install_play_sequence_player();
        gallus = data->find_species(1001);
        pitta = data->find_species(2001);
    }
    void TearDown() override {
        install_play_list_player({});
        environment().base_directory.clear();
        DocumentTest::TearDown();
    }
    // The recordings' files exist (for the scripted media) below a base directory of the test.
    void make_playable(const std::vector<const Tcupaitem*>& recordings) {
        environment().base_directory = base.path();
        for (const Tcupaitem* recording : recordings)
            media.add_wave_file(base.path() + cut_part_file_name(*recording->cut_part), 60000);
    }
    TPlaySequencePlayer* player_of(QWidget* window) const {
        return window ? window->findChild<TPlaySequencePlayer*>() : nullptr;
    }
    static bool unfolded(TShowForm& pane, const Tspecies& species) {
        for (TShowStringsLine* l = pane.strings().head(); l; l = l->next)
            if (l->kind == line_kind::species_fold && l->species == &species) return l->expanded();
        return false;
    }
    static std::vector<Tsound_bar*> highlighted_bars(TShowForm& pane) {
        std::vector<Tsound_bar*> out;
        ShowSoundBars& bars = pane.strings().sound_bars();
        for (int i = 0; i < bars.count(); ++i)
            if (bars.bars().at(i).highlight()) out.push_back(&bars.bars().at(i));
        return out;
    }
    // What a show window's pane shows of the recording that plays: its species unfolded, its bar
    // line selected, its bar the pane's one highlighted bar.
    static void expect_shown(TChildForm& window, const Tcupaitem& recording) {
        TShowForm& pane = *window.pane();
        EXPECT_TRUE(pane.isVisible());
        EXPECT_TRUE(unfolded(pane, *recording.species));
        TShowStringsLine* line = pane.strings().sound_bar_line(recording);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(pane.strings().selected(), line);
        Tsound_bar* bar = pane.recording_bar(recording);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->parentWidget(), pane.viewport());
        EXPECT_EQ(highlighted_bars(pane), std::vector<Tsound_bar*>{bar});
    }

    const Tspecies* gallus = nullptr;
    const Tspecies* pitta = nullptr;
    ScriptedMedia media; // plays only the files a test declares
    ScriptedMessages messages;
    TempDir base;
};

TEST_F(PlaySequencePlayerTest, PlayShowsTheFirstEntryInTheWindowsPaneAndAFailedRecordingEndsIt) {
    TPlayListForm list;
    list.show();
    list.add_entry(*pitta->first_item, 1);
    list.add_entry(*gallus->first_item, 1);
    ASSERT_TRUE(list.play_button()->isEnabled());
    std::vector<QWidget*> attached; // the pane's clicks are connected before the sequence starts
    install_show_window_attacher([&](TChildForm& window) { attached.push_back(&window); });

    list.play_button()->click();
    install_show_window_attacher({});
    QPointer<QWidget> player = list.player_window();
    ASSERT_TRUE(player);
    EXPECT_EQ(attached, std::vector<QWidget*>{player.data()});
    // A show window of the main window class: no menu, its text pane folded to the families.
    auto* show_window = qobject_cast<TChildForm*>(player.data());
    ASSERT_NE(show_window, nullptr);
    EXPECT_TRUE(show_window->is_show_window());
    EXPECT_FALSE(show_window->menuBar()->isVisible());
    EXPECT_TRUE(show_window->pane()->isVisible());
    EXPECT_FALSE(unfolded(*show_window->pane(), *pitta));
    EXPECT_EQ(player->windowTitle().toStdString(), "Play List");
    EXPECT_FALSE(list.grid()->isEnabled());
    // In the pause before the first recording its species is unfolded with its bar selected and
    // highlighted, the caption names it and its row is selected.
    TPlaySequencePlayer* form = player_of(player);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.isNull() || form->bar(); }, 20000));
    ASSERT_FALSE(player.isNull());
    expect_shown(*show_window, *pitta->first_item);
    EXPECT_EQ(form->bar(), show_window->pane()->recording_bar(*pitta->first_item));
    EXPECT_EQ(player->windowTitle().toStdString(), "Blue-winged Pitta  Pitta moluccensis");
    EXPECT_EQ(list.grid()->currentRow(), 0);

    // The recording cannot be opened: the sequence ends and the window closes itself.
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.isNull(); }, 20000));
    EXPECT_FALSE(list.playing());
    EXPECT_TRUE(list.grid()->isEnabled());
}

// The list's recordings are found by recording in a filter that shows them, whatever the filter of
// the window they were added from: here the main window's defaults hide the CD recording.
TEST_F(PlaySequencePlayerTest, TheWindowsFilterShowsEveryRecordingOfTheList) {
    TPlayListForm list;
    const Tcupaitem* on_cd = gallus->first_item->next_item;
    ASSERT_FALSE(on_cd->cut_part->is_sound_file);
    list.add_entry(*on_cd, 7); // a context that no window would give it
    const SHST_TClassShowStringsData defaults = SHST_TClassShowStringsData::create_default(*data);
    ASSERT_FALSE(defaults.visible.shows_recording(*on_cd, TShowStrings::item_mode));
    const SHST_TClassShowStringsData shown = play_list_window_settings(list.list());
    EXPECT_TRUE(shown.visible.shows_recording(*on_cd, TShowStrings::item_mode));

    list.play_button()->click();
    QPointer<QWidget> player = list.player_window();
    ASSERT_TRUE(player);
    TPlaySequencePlayer* form = player_of(player);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.isNull() || form->bar(); }, 20000));
    ASSERT_FALSE(player.isNull());
    expect_shown(*qobject_cast<TChildForm*>(player.data()), *on_cd);
    list.play_button()->click(); // Stop
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.isNull(); }, 20000));
}

TEST_F(PlaySequencePlayerTest, ThePanesBarPlaysAndFoldingItAwayMovesOnToTheNextEntry) {
    const Tcupaitem* pitta_song = pitta->first_item;
    const Tcupaitem* gallus_song = gallus->first_item;
    make_playable({pitta_song, gallus_song});
    TPlayListForm list;
    list.options_frame()->show_options({0, false, false, 0});
    list.add_entry(*pitta_song, 1);
    list.add_entry(*gallus_song, 1);
    list.add_entry(*pitta_song, 1);
    list.play_button()->click();
    QPointer<QWidget> player = list.player_window();
    ASSERT_TRUE(player);
    auto* window = qobject_cast<TChildForm*>(player.data());
    TPlaySequencePlayer* form = player_of(window);
    TShowForm& pane = *window->pane();
    const auto playing = [&](const Tcupaitem* recording) {
        return player.isNull() || (form->sequence().current_recording() == recording && form->bar() &&
                                   form->bar()->is_playing());
    };

    ASSERT_TRUE(QTest::qWaitFor([&] { return playing(pitta_song); }, 20000));
    ASSERT_FALSE(player.isNull());
    expect_shown(*window, *pitta_song);
    EXPECT_EQ(Tsound_bar::currently_playing(), pane.recording_bar(*pitta_song));

    // At its end the next entry plays; the bar before keeps its line but not the highlight.
    media.advance(61000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playing(gallus_song); }, 20000));
    ASSERT_FALSE(player.isNull());
    EXPECT_NE(pane.recording_bar(*pitta_song), nullptr);
    expect_shown(*window, *gallus_song);
    EXPECT_EQ(list.grid()->currentRow(), 1);

    // The user folds the species while it plays: its bar goes, and the next entry plays.
    TShowStringsLine* fold = pane.strings().sound_bar_line(*gallus_song);
    while (fold && fold->kind != line_kind::species_fold)
        fold = fold->prev;
    ASSERT_NE(fold, nullptr);
    ASSERT_TRUE(pane.strings().toggle_fold(fold, false, true, true));
    EXPECT_EQ(pane.recording_bar(*gallus_song), nullptr);
    EXPECT_EQ(Tsound_bar::currently_playing(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playing(pitta_song); }, 20000));
    ASSERT_FALSE(player.isNull());
    expect_shown(*window, *pitta_song);
    EXPECT_EQ(list.grid()->currentRow(), 2);

    // The last recording ends: so does the list, and its window closes.
    media.advance(61000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.isNull(); }, 20000));
    EXPECT_FALSE(list.playing());
}

TEST_F(PlaySequencePlayerTest, StopInTheListOrEscapeClosesTheWindow) {
    make_playable({gallus->first_item});
    TPlayListForm list;
    list.options_frame()->show_options({0, false, false, 0});
    list.add_entry(*gallus->first_item, 1);
    list.play_button()->click();
    QPointer<QWidget> player = list.player_window();
    ASSERT_TRUE(player);
    list.play_button()->click(); // Stop
    EXPECT_FALSE(list.playing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.isNull(); }, 20000));

    // Escape in the pane, on the playing bar or in the window ends it too, and the bar with it.
    for (const char* where : {"pane", "bar", "window"}) {
        SCOPED_TRACE(where);
        list.play_button()->click();
        player = list.player_window();
        ASSERT_TRUE(player);
        auto* window = qobject_cast<TChildForm*>(player.data());
        TPlaySequencePlayer* form = player_of(window);
        QWidget* target = window;
        if (std::string(where) == "pane") target = window->pane();
        if (std::string(where) == "bar") {
            ASSERT_TRUE(QTest::qWaitFor([&] { return form->bar() && form->bar()->is_playing(); }, 20000));
            target = &form->bar()->button();
        }
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return player.isNull(); }, 20000));
        EXPECT_FALSE(list.playing());
        EXPECT_EQ(Tsound_bar::currently_playing(), nullptr);
    }
}

} // namespace
} // namespace morvelin::testing
