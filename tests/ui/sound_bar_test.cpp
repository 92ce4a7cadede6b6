#include "ui/sound/sound_bar.h"

#include "core/data/records.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "core/sound/players.h"
#include "core/sound/sound_bar_state.h"
#include "ui_application.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace morvelin {
namespace {

using testing::ScriptedDialogs;
using testing::ScriptedDisc;
using testing::ScriptedMedia;
using testing::ScriptedMessages;
using testing::TempDir;

// The owner window: remembers the keys that reach it.
class Owner : public QWidget {
public:
    Owner() { resize(700, 300); }
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() != Qt::Key_Shift) keys.push_back(event->key());
    }
};

struct Recording {
    TaudioCD cd;
    Tcutpart cut_part;
    Tcupaitem item;
    Recording() { item.cut_part = &cut_part; }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
};

class SoundBarTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testing::ui_application();
        const std::string bytes = testing::read_file(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt");
        install_language_texts(Ttextfile_handler::from_bytes(bytes, "Morvelin.txt"));
    }
    static void TearDownTestSuite() { install_language_texts(Ttextfile_handler()); }

    void SetUp() override {
        saved_ = environment();
        environment().base_directory = base.path();
        environment().settings_file_path = settings.file("Morvelin.ini");
        media.set_cd_drives(1);
        owner.show();
        QApplication::setActiveWindow(&owner);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
    }
    void TearDown() override {
        install_sound_bar_menu_actions({});
        environment() = saved_;
    }

    // A recording in its own sound file, declared to the media port.
    std::unique_ptr<Recording> file_recording(int length_ms, int compression = 0) {
        auto r = std::make_unique<Recording>();
        r->cut_part.is_sound_file = true;
        r->cut_part.number = 12;
        r->cut_part.carrier_letter = 'B';
        r->cut_part.sub_number = ++made_;
        r->cut_part.compression = std::uint8_t(compression);
        r->cut_part.length = length_ms;
        r->cut_part.key = "12B" + std::to_string(made_);
        char name[32];
        std::snprintf(name, sizeof name, "tapes/12/B%02d%s.WAV", made_, compression == 2 ? "_MF" : "");
        media.add_wave_file(base.path() + name, std::uint32_t(length_ms));
        return r;
    }
    // A section of track 1 of an audio CD in the drive.
    std::unique_ptr<Recording> cd_recording(int length_ms) {
        auto r = std::make_unique<Recording>();
        r->cd.sequence = 2;
        r->cd.text_1 = "Marsh";
        r->cd.text_5 = "1;90";
        r->cut_part.audio_cd = &r->cd;
        r->cut_part.track = 1;
        r->cut_part.length = length_ms;
        media.insert_disc(0, ScriptedDisc::of_seconds({90}));
        return r;
    }

    SoundBarSetup setup_for(const Recording& r, int left = 20, int top = 40) {
        SoundBarSetup s;
        s.owner = &owner;
        s.recording = &r.item;
        s.left = left;
        s.top = top;
        return s;
    }

    ScriptedMedia media;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    TempDir base;
    TempDir settings;
    Owner owner;

private:
    Environment saved_;
    int made_ = 0;
};

TEST_F(SoundBarTest, SliderOfOneSecondAndOfOneMinute) {
    auto short_one = file_recording(1000);
    auto long_one = file_recording(60000);
    Tsound_bar a(setup_for(*short_one));
    Tsound_bar b(setup_for(*long_one, 20, 100));
    EXPECT_EQ(a.slider().width(), 50);
    EXPECT_EQ(a.slider().maximum(), 10);
    EXPECT_EQ(a.slider().singleStep(), 5);
    EXPECT_EQ(b.slider().width(), 266);
    EXPECT_EQ(b.slider().maximum(), 600);
    EXPECT_EQ(b.bar_width(), b.button().width() + 266);
}

TEST_F(SoundBarTest, PlacedWithTheSliderRowAtTopAndTheNumbersAbove) {
    auto file = file_recording(5000);
    auto cd = cd_recording(5000);
    Tsound_bar file_bar(setup_for(*file, 30, 60));
    Tsound_bar cd_bar(setup_for(*cd, 30, 160));
    for (Tsound_bar* bar : {&file_bar, &cd_bar}) {
        const QPoint slider = bar->slider().mapTo(&owner, QPoint(0, 0));
        const QPoint button = bar->button().mapTo(&owner, QPoint(0, 0));
        EXPECT_EQ(button, QPoint(30, bar->bar_top()));
        EXPECT_EQ(slider, QPoint(30 + bar->button().width(), bar->bar_top()));
        EXPECT_EQ(bar->geometry().top(), bar->bar_top() - bar->number_line_height() - 1);
    }
    // The frame of audio-CD recordings needs one pixel more above the slider row.
    EXPECT_EQ(cd_bar.number_line_height(), file_bar.number_line_height() + 1);

    cd_bar.move_by(-25);
    EXPECT_EQ(cd_bar.slider().mapTo(&owner, QPoint(0, 0)).y(), 135);
}

TEST_F(SoundBarTest, FrameOnlyAroundAudioCdBars) {
    auto file = file_recording(5000);
    auto cd = cd_recording(5000);
    Tsound_bar file_bar(setup_for(*file, 30, 60));
    Tsound_bar cd_bar(setup_for(*cd, 30, 160));
    auto frame_pixel = [](Tsound_bar& bar) {
        const QImage image = bar.grab().toImage();
        // The left edge, half-way down the slider row.
        const int y = bar.number_line_height() + bar.slider_row_height() / 2;
        return image.pixelColor(int(image.devicePixelRatio() * 0), int(image.devicePixelRatio() * y));
    };
    EXPECT_EQ(frame_pixel(cd_bar), QColor(Qt::black));
    EXPECT_NE(frame_pixel(file_bar), QColor(Qt::black));
}

TEST_F(SoundBarTest, ClickPlaysAndASecondBarClosesTheFirst) {
    auto one = file_recording(10000);
    auto two = file_recording(10000);
    Tsound_bar first(setup_for(*one));
    Tsound_bar second(setup_for(*two, 20, 100));

    QTest::mouseClick(&first.button(), Qt::LeftButton);
    EXPECT_TRUE(first.is_playing());
    EXPECT_TRUE(first.timer().isActive());
    EXPECT_EQ(first.timer().interval(), 200);
    EXPECT_EQ(Tsound_bar::currently_playing(), &first);

    media.advance(2500);
    first.timer_tick();
    EXPECT_EQ(first.slider().value(), 25);

    QTest::mouseClick(&second.button(), Qt::LeftButton);
    EXPECT_FALSE(first.is_open());
    EXPECT_FALSE(first.timer().isActive());
    EXPECT_EQ(first.slider().value(), 25);
    EXPECT_TRUE(second.is_playing());
    EXPECT_EQ(Tsound_bar::currently_playing(), &second);

    QTest::keyClick(&second.button(), Qt::Key_Space); // Space presses the button: pause
    EXPECT_TRUE(second.is_open());
    EXPECT_FALSE(second.is_playing());
}

TEST_F(SoundBarTest, ResumeAtTheEndStartsFromZero) {
    auto r = file_recording(4000);
    Tsound_bar bar(setup_for(*r));
    bar.slider().setValue(39); // the user put it at maximum - 1
    QTest::mouseClick(&bar.button(), Qt::LeftButton);
    EXPECT_TRUE(bar.is_playing());
    EXPECT_EQ(bar.slider().value(), 0);
    EXPECT_TRUE(media.logged("play " + std::to_string(bar.state().player().device_id()) + " 0 4000"));
}

TEST_F(SoundBarTest, ShiftKeysMoveTheSliderOtherKeysGoToTheOwner) {
    auto r = file_recording(8000);
    Tsound_bar bar(setup_for(*r));
    bar.button().setFocus();
    QTest::mouseClick(&bar.button(), Qt::LeftButton);
    media.advance(3000);
    bar.timer_tick();

    QTest::keyClick(&bar.button(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_TRUE(bar.is_playing());
    EXPECT_EQ(bar.slider().value(), 0); // moved to the end, resumed there: from the start
    const std::string id = std::to_string(bar.state().player().device_id());
    EXPECT_EQ(media.log().back(), "play " + id + " 0 8000");

    QTest::keyClick(&bar.button(), Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(bar.slider().value(), 20);
    QTest::keyClick(&bar.button(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(bar.slider().value(), 15);
    EXPECT_TRUE(bar.is_playing());
    EXPECT_EQ(media.log().back(), "play " + id + " 1500 8000");
    EXPECT_TRUE(owner.keys.empty());

    QTest::keyClick(&bar.button(), Qt::Key_Down);
    QTest::keyClick(&bar.button(), Qt::Key_PageUp);
    EXPECT_EQ(owner.keys, (std::vector<int>{Qt::Key_Down, Qt::Key_PageUp}));
    EXPECT_EQ(bar.slider().value(), 15);
}

TEST_F(SoundBarTest, SliderMovedByTheUserTellsTheShowWindowAndFocusesTheButton) {
    auto r = file_recording(8000);
    SoundBarSetup setup = setup_for(*r);
    int told = 0;
    setup.show_window_index = 3;
    setup.select_in_show_window = [&](Tsound_bar&) { ++told; };
    Tsound_bar bar(setup);
    bar.slider().triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar.slider().value(), 20); // the large change
    EXPECT_EQ(bar.state().slider_position(), 20);
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(bar.button().hasFocus());
    QTest::mouseClick(&bar.button(), Qt::LeftButton);
    EXPECT_EQ(told, 2);
    EXPECT_TRUE(media.logged("play " + std::to_string(bar.state().player().device_id()) + " 2000 8000"));
}

TEST_F(SoundBarTest, MenuItemsAreEnabledByTheirRules) {
    auto file = file_recording(5000, 2);
    auto cd = cd_recording(5000);
    bool list_open = false;
    std::vector<std::pair<const Tcupaitem*, int>> added;
    SoundBarMenuActions actions;
    actions.play_list_window_open = [&] { return list_open; };
    actions.add_to_play_list = [&](const Tcupaitem& item, int context) {
        added.emplace_back(&item, context);
    };
    actions.make_mp3_file = [](const Tcupaitem&, const SoundBarTagTexts&) {};
    actions.mp3_capable = [](const std::string& path) { return path.find("_MF") != std::string::npos; };
    actions.show_sonogram = [](Tsound_bar&) {};
    actions.compare = [](Tsound_bar&) {};
    install_sound_bar_menu_actions(actions);

    SoundBarSetup file_setup = setup_for(*file);
    file_setup.play_list_context = 4;
    Tsound_bar file_bar(file_setup);
    Tsound_bar cd_bar(setup_for(*cd, 20, 100));
    auto enabled = [](Tsound_bar& bar) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), bar.mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&bar, &event);
        std::vector<bool> states;
        for (QAction* action : bar.menu().actions())
            states.push_back(action->isEnabled());
        bar.menu().hide();
        return states;
    };
    // After the four items: Speed, loop start, loop end, clearing the loop (none set yet), Compare and
    // the sonogram, which need a file like the sound editing program.
    EXPECT_EQ(enabled(file_bar), (std::vector<bool>{true, true, false, true, true, true, true, false, true, true}));
    EXPECT_EQ(enabled(cd_bar), (std::vector<bool>{true, false, false, false, true, true, true, false, false, false}));
    list_open = true;
    EXPECT_EQ(enabled(file_bar), (std::vector<bool>{true, true, true, true, true, true, true, false, true, true}));

    file_bar.menu().actions()[2]->trigger();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].first, &file->item);
    EXPECT_EQ(added[0].second, 4);

    const auto texts = language_texts().get_line("SOUNDBARS", 2) + "...";
    EXPECT_EQ(file_bar.menu().actions()[0]->text().toStdString(), texts);
    file_bar.menu().actions()[0]->trigger();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].flags, 0);
    // No such file on disk: the path as the data spell it.
    EXPECT_NE(messages.shown()[0].text.find("tapes/12/B01_MF.WAV"), std::string::npos) << messages.shown()[0].text;
}

TEST_F(SoundBarTest, ListeningKeysAndTheSpeedMenuSetTheModeAndTheLoopAndTheBarShowsThem) {
    auto r = file_recording(8000);
    Tsound_bar bar(setup_for(*r));
    bar.button().setFocus();
    QTest::mouseClick(&bar.button(), Qt::LeftButton);
    ASSERT_TRUE(bar.is_playing());
    const std::string id = std::to_string(bar.state().player().device_id());
    auto last_playback = [&] {
        for (auto it = media.log().rbegin(); it != media.log().rend(); ++it)
            if (it->rfind("playback ", 0) == 0) return *it;
        return std::string();
    };
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        PlaybackMode mode;
    };
    for (Case c : {Case{Qt::Key_2, {}, PlaybackMode::tape_half}, Case{Qt::Key_4, {}, PlaybackMode::tape_quarter},
                   Case{Qt::Key_8, {}, PlaybackMode::tape_eighth}, Case{Qt::Key_2, Qt::ControlModifier, PlaybackMode::stretch_half},
                   Case{Qt::Key_4, Qt::ControlModifier, PlaybackMode::stretch_quarter},
                   Case{Qt::Key_O, {}, PlaybackMode::octave_down}, Case{Qt::Key_1, {}, PlaybackMode::normal}}) {
        QTest::keyClick(&bar.button(), c.key, c.modifiers);
        EXPECT_EQ(bar.state().playback_mode(), c.mode);
        EXPECT_TRUE(bar.is_playing());
    }
    EXPECT_EQ(last_playback(), "playback " + id + " 6 - -"); // the octave down went to the port

    // [ and ] at the slider's positions; \ clears; none of these keys reaches the owner.
    media.advance(1000);
    bar.timer_tick();
    QTest::keyClick(&bar.button(), Qt::Key_BracketLeft);
    media.advance(2000);
    bar.timer_tick();
    QTest::keyClick(&bar.button(), Qt::Key_BracketRight);
    EXPECT_EQ(bar.state().loop_start(), 1000);
    EXPECT_EQ(bar.state().loop_end(), 3000);
    EXPECT_EQ(last_playback(), "playback " + id + " 0 1000 3000");
    EXPECT_TRUE(bar.is_playing());
    QTest::keyClick(&bar.button(), Qt::Key_Backslash);
    EXPECT_FALSE(bar.state().looping());
    std::erase(owner.keys, int(Qt::Key_Control)); // the modifier's own press goes on to the owner
    EXPECT_TRUE(owner.keys.empty());

    // The API other windows use, and the menu: its speed item is checked, and it shows on the bar.
    bar.set_loop(2500, 500);
    EXPECT_EQ(bar.state().loop_start(), 500);
    EXPECT_EQ(bar.state().loop_end(), 2500);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), bar.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&bar, &event);
    QMenu* speed = bar.menu().actions()[4]->menu();
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->title().toStdString(), language_texts().get_line("SOUNDBAR_LISTENING", 1));
    ASSERT_EQ(speed->actions().size(), 7);
    EXPECT_TRUE(speed->actions()[0]->isChecked());
    EXPECT_TRUE(bar.menu().actions()[7]->isEnabled());
    speed->actions()[1]->trigger();
    bar.menu().hide();
    EXPECT_EQ(bar.state().playback_mode(), PlaybackMode::tape_half);
    EXPECT_EQ(bar.state().listening_text(), "\xBD\xD7 A-B");
    bar.clear_loop();
    EXPECT_FALSE(bar.state().looping());
    EXPECT_TRUE(messages.shown().empty());
}

// Presses on the slider, moves 30 pixels and lets go.
void press_move_release(QWidget& slider) {
    const QPoint start(slider.width() / 2, slider.height() / 2);
    QTest::mousePress(&slider, Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(0, 30)),
                     slider.mapToGlobal(QPointF(start + QPoint(0, 30))), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&slider, &move);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, start + QPoint(0, 30));
}

TEST_F(SoundBarTest, DraggingOnlyWhenEnabled) {
    auto r = file_recording(30000);
    Tsound_bars bars;
    SoundBarSetup setup = setup_for(*r);
    setup.play_list_context = 7;
    Tsound_bar& bar = bars.make(setup);
    std::vector<std::pair<const Tcupaitem*, int>> drags;
    QObject::connect(&bar, &Tsound_bar::drag_started, [&](const TSoundBarDragObject& data) {
        drags.emplace_back(&data.recording(), data.play_list_context());
    });

    press_move_release(bar.slider());
    EXPECT_TRUE(drags.empty());

    bars.set_dragging_enabled(true);
    press_move_release(bar.slider());
    ASSERT_EQ(drags.size(), 1u);
    EXPECT_EQ(drags[0].first, &r->item);
    EXPECT_EQ(drags[0].second, 7);

    // A click without a move still pages the slider while dragging is on.
    const int before = bar.slider().value();
    QTest::mouseClick(&bar.slider(), Qt::LeftButton, {},
                      QPoint(bar.slider().width() - 20, bar.slider().height() / 2));
    EXPECT_EQ(bar.slider().value(), before + 20);
    EXPECT_EQ(drags.size(), 1u);

    // Bars made later follow the list's switch.
    auto other = file_recording(3000);
    EXPECT_TRUE(bars.make(setup_for(*other, 20, 120)).dragging_enabled());
    bars.set_dragging_enabled(false);
    EXPECT_FALSE(bar.dragging_enabled());
}

TEST_F(SoundBarTest, DragObjectIsRecognisedByItsMimeData) {
    auto r = file_recording(3000);
    TSoundBarDragObject data(r->item, 5);
    EXPECT_EQ(TSoundBarDragObject::from(&data), &data);
    EXPECT_TRUE(data.hasFormat(TSoundBarDragObject::mime_type));
    QMimeData plain;
    plain.setText("12B1");
    EXPECT_EQ(TSoundBarDragObject::from(&plain), nullptr);
}

TEST_F(SoundBarTest, DestroyingWritesTheCallerLinksAndClosesThePlayer) {
    auto r = file_recording(9000);
    Tsound_bar* reference = nullptr;
    int position = 40;
    SoundBarSetup setup = setup_for(*r);
    setup.caller_reference = &reference;
    setup.slider_position = &position;
    auto bar = std::make_unique<Tsound_bar>(setup);
    reference = bar.get();
    EXPECT_EQ(bar->slider().value(), 40);
    QTest::mouseClick(&bar->button(), Qt::LeftButton);
    media.advance(1000);
    bar->timer_tick();
    ASSERT_EQ(media.open_device_count(), 1);
    bar.reset();
    EXPECT_EQ(reference, nullptr);
    EXPECT_EQ(position, 50);
    EXPECT_EQ(media.open_device_count(), 0);
    EXPECT_EQ(Tsound_bar::currently_playing(), nullptr);
}

TEST_F(SoundBarTest, BarsAreRemovedByKeyAndMovedTogether) {
    auto r = file_recording(3000);
    Tsound_bars bars;
    for (std::uint32_t key : {11u, 12u, 11u}) {
        SoundBarSetup setup = setup_for(*r, 10, 50 + int(key) * 10);
        setup.key = key;
        bars.make(setup);
    }
    Tsound_bar* second_eleven = &bars.at(2);
    QTest::mouseClick(&bars.at(0).button(), Qt::LeftButton);
    ASSERT_TRUE(bars.any_playing());

    EXPECT_TRUE(bars.remove_by_key(11)); // the first with that key: the playing one
    EXPECT_FALSE(bars.any_playing());
    EXPECT_EQ(bars.count(), 2);
    EXPECT_EQ(bars.find(11), second_eleven);
    EXPECT_FALSE(bars.remove_by_key(99));

    const int before = bars.at(0).bar_top();
    bars.move_by(-30);
    EXPECT_EQ(bars.at(0).bar_top(), before - 30);
    EXPECT_EQ(bars.at(1).slider().mapTo(&owner, QPoint(0, 0)).y(), 50 + 110 - 30);
}

TEST_F(SoundBarTest, GlyphShowsPlayingAndHighlight) {
    auto r = file_recording(6000);
    Tsound_bar bar(setup_for(*r));
    owner.setFocus();
    auto look = [&] { return bar.button().grab().toImage(); };
    const QImage idle = look();
    bar.set_highlight(true);
    const QImage highlighted = look();
    EXPECT_NE(idle, highlighted);
    bar.set_highlight(false);
    EXPECT_EQ(look(), idle);
    QTest::mouseClick(&bar.button(), Qt::LeftButton);
    bar.button().clearFocus();
    const QImage playing = look();
    EXPECT_NE(playing, idle);
    EXPECT_NE(playing, highlighted);
}

TEST_F(SoundBarTest, SoundOutputsAreCountedThroughTheMediaPort) {
    media.set_sound_outputs(0);
    EXPECT_FALSE(check_sound_output_available());
    EXPECT_FALSE(sound_output_available());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, texts("SOUNDBARS", 0).at(0));
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    EXPECT_NE(std::find(media.log().begin(), media.log().end(), "sysinfo 522"), media.log().end());

    media.set_sound_outputs(2);
    EXPECT_TRUE(check_sound_output_available());
    EXPECT_TRUE(sound_output_available());
    EXPECT_EQ(messages.shown().size(), 1u);
}

} // namespace
} // namespace morvelin
