// The sonogram window on a synthesised tone: the tone's darkest row lies at the height of its kHz
// label, a click moves the sound bar there, the picture is saved whole at scale 2, and the bar's menu
// item and S key open it.

#include "ui/sound/sonogram_form.h"
#include "ui/sound/sonogram_strip.h"

#include "core/data/records.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/sound/sound_bar_state.h"
#include "platform/media/sonogram_source.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "tone_wav.h"
#include "ui/sound/sound_bar.h"
#include "ui_application.h"

#include <QImage>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace morvelin {
namespace {

using testing::ScriptedDialogs;
using testing::ScriptedMessages;
using testing::TempDir;

class SonogramFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ui_application();
        saved_ = environment();
        environment().base_directory = base_.path();
        environment().settings_file_path = settings_.file("Morvelin.ini");
        install_sonogram_port(&port_);
        clear_sonogram_cache();
        std::filesystem::create_directories(base_.path() + "tapes/12");
        // Three seconds: silence, a 4 kHz tone, silence.
        testing::write_tone_wav(base_.path() + "tapes/12/B01.WAV", {{0, 1.0}, {4000, 1.0}, {0, 1.0}}, 44100, 2);
        cut_part_.length = 3000;
        cut_part_.is_sound_file = true;
        cut_part_.number = 12;
        cut_part_.carrier_letter = 'B';
        cut_part_.sub_number = 1;
        item_.cut_part = &cut_part_;
        owner_ = std::make_unique<QWidget>();
        owner_->resize(300, 80);
        SoundBarSetup setup;
        setup.owner = owner_.get();
        setup.recording = &item_;
        setup.top = 30;
        bar_ = std::make_unique<Tsound_bar>(setup);
    }
    void TearDown() override {
        bar_.reset();
        owner_.reset();
        clear_sonogram_cache();
        install_sonogram_port(nullptr);
        environment() = saved_;
    }
    // A window showing the bar's recording, complete.
    std::unique_ptr<TSonogramForm> open_window() {
        auto form = std::make_unique<TSonogramForm>();
        form->resize(800, 420);
        EXPECT_TRUE(form->show_recording(*bar_)) << (messages_.shown().empty() ? "" : messages_.shown()[0].text);
        form->show();
        if (form->handle().sonogram) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return form->handle().sonogram->complete(); }, 60000));
        }
        return form;
    }

    // The bars' "Sonogram" action counts the requests for bar_ in asked.
    void count_sonogram_requests(int& asked) {
        SoundBarMenuActions actions;
        actions.show_sonogram = [this, &asked](Tsound_bar& bar) {
            EXPECT_EQ(&bar, bar_.get());
            ++asked;
        };
        install_sound_bar_menu_actions(actions);
    }

    ScriptedMessages messages_;
    ScriptedDialogs dialogs_;
    TempDir base_;
    TempDir settings_;
    media::FftwSonogramPort port_;
    Tcutpart cut_part_;
    Tcupaitem item_;
    std::unique_ptr<QWidget> owner_;
    std::unique_ptr<Tsound_bar> bar_;
    Environment saved_;
};

TEST_F(SonogramFormTest, ToneLiesAtTheHeightOfItsLabel) {
    auto form = open_window();
    const Sonogram& s = *form->handle().sonogram;
    EXPECT_DOUBLE_EQ(form->range().low_hz, 0);
    EXPECT_DOUBLE_EQ(form->range().high_hz, 12000); // the default band
    double label_y = -1;
    for (const auto& [hz, y] : form->frequency_ticks())
        if (std::abs(hz - 4000) < 1e-6) label_y = y;
    ASSERT_GE(label_y, 0) << "no 4 kHz label";

    // The darkest row in the middle of the tone, on the picture as drawn (grey on white), with 0 dB
    // as black so that the peak is darker than its neighbours.
    form->set_look({0, 20, 120});
    const QImage picture = form->picture(1);
    const QRect plot = form->plot_rect();
    const int x = int(std::lround(form->x_of_seconds(1.5)));
    int darkest_y = -1;
    int darkest = 256;
    for (int y = plot.top() + 1; y < plot.bottom(); ++y) {
        const int grey = qGray(picture.pixel(x, y));
        if (grey < darkest) {
            darkest = grey;
            darkest_y = y;
        }
    }
    EXPECT_LT(darkest, 64);
    // One bin in pixels, and half a pixel for the row's own height.
    const double bin_pixels = s.bin_hz() / 12000 * plot.height();
    EXPECT_LE(std::abs(darkest_y + 0.5 - label_y), bin_pixels + 0.5) << darkest_y << " " << label_y;
    // Before and after the tone the same row is white.
    EXPECT_GT(qGray(picture.pixel(int(form->x_of_seconds(0.5)), darkest_y)), 200);
    EXPECT_GT(qGray(picture.pixel(int(form->x_of_seconds(2.5)), darkest_y)), 200);

    // The perceptual map draws the tone light on dark.
    form->set_look({1, 0, 70});
    const QImage colour = form->picture(1);
    EXPECT_GT(qGray(colour.pixel(x, darkest_y)), qGray(colour.pixel(int(form->x_of_seconds(0.5)), darkest_y)) + 100);
}

TEST_F(SonogramFormTest, ClickMovesTheBarAndTheCursor) {
    auto form = open_window();
    const QRect plot = form->plot_rect();
    const QPoint at(int(std::lround(form->x_of_seconds(2.0))), plot.center().y());
    QTest::mouseClick(form.get(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_NEAR(bar_->slider().value(), 20, 1);
    EXPECT_NEAR(form->cursor_seconds(), 2.0, 0.1);
    // Clicking beyond the end of the recording stops at its end.
    form->range().span_s = 100;
    QTest::mouseClick(form.get(), Qt::LeftButton, Qt::NoModifier, QPoint(plot.right() - 2, plot.center().y()));
    EXPECT_EQ(bar_->slider().value(), bar_->slider().maximum());
}

TEST_F(SonogramFormTest, DragLoopsTheBarOverTheStretchAClickStillSeeksAndBackslashClears) {
    auto form = open_window();
    const QRect plot = form->plot_rect();
    const int y = plot.center().y();
    const QPoint from(int(std::lround(form->x_of_seconds(2.5))), y);
    const QPoint to(int(std::lround(form->x_of_seconds(1.0))), y);
    bar_->slider().setValue(5);
    // Right to left: the loop runs from the earlier time to the later.
    QTest::mousePress(form.get(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(form.get(), QPoint(from.x() - 20, y));
    QTest::mouseMove(form.get(), to);
    QTest::mouseRelease(form.get(), Qt::LeftButton, Qt::NoModifier, to);
    const SoundBarState& state = bar_->state();
    ASSERT_TRUE(state.looping());
    const double ms_per_pixel = 1000 / (form->x_of_seconds(1.0) - form->x_of_seconds(0.0));
    EXPECT_NEAR(*state.loop_start(), 1000, ms_per_pixel);
    EXPECT_NEAR(*state.loop_end(), 2500, ms_per_pixel);
    EXPECT_EQ(bar_->slider().value(), 5) << "a drag does not seek";

    // The loop shows as a band: a pixel inside it changes when the loop is cleared, one outside not.
    const QPoint inside(int(std::lround(form->x_of_seconds(1.75))), plot.top() + 4);
    const QPoint outside(int(std::lround(form->x_of_seconds(0.25))), plot.top() + 4);
    const QImage looped = form->grab().toImage();

    // A click seeks and keeps the loop.
    QTest::mouseClick(form.get(), Qt::LeftButton, Qt::NoModifier, QPoint(int(std::lround(form->x_of_seconds(2.0))), y));
    EXPECT_NEAR(bar_->slider().value(), 20, 1);
    EXPECT_TRUE(state.looping());

    QTest::keyClick(form.get(), Qt::Key_Backslash);
    EXPECT_FALSE(state.looping());
    EXPECT_FALSE(state.loop_start());
    const QImage cleared = form->grab().toImage();
    const qreal dpr = looped.devicePixelRatio();
    EXPECT_NE(looped.pixel(inside * dpr), cleared.pixel(inside * dpr));
    EXPECT_EQ(looped.pixel(outside * dpr), cleared.pixel(outside * dpr));

    // Dragging past the plot's end stops at the recording's end.
    form->range().span_s = 100;
    QTest::mousePress(form.get(), Qt::LeftButton, Qt::NoModifier, QPoint(int(std::lround(form->x_of_seconds(1.0))), y));
    QTest::mouseMove(form.get(), QPoint(plot.right() + 40, y));
    QTest::mouseRelease(form.get(), Qt::LeftButton, Qt::NoModifier, QPoint(plot.right() + 40, y));
    ASSERT_TRUE(state.looping());
    EXPECT_EQ(*state.loop_end(), 3000);
}

TEST_F(SonogramFormTest, WheelAndKeysZoomAndThePictureIsSavedWholeAtScaleTwo) {
    auto form = open_window();
    const double span = form->range().span_s;
    QTest::keyClick(form.get(), Qt::Key_Plus);
    EXPECT_LT(form->range().span_s, span);
    QTest::keyClick(form.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_LT(form->range().high_hz, 12000);
    QTest::keyClick(form.get(), Qt::Key_F);
    EXPECT_DOUBLE_EQ(form->range().high_hz, 22050);

    const std::string path = settings_.file("sonogram.png");
    std::string error;
    ASSERT_TRUE(form->save_png(path, error)) << error;
    const QImage saved(QString::fromStdString(path));
    EXPECT_EQ(saved.size(), form->size() * 2);
    // Into a folder that does not exist: refused, nothing written.
    EXPECT_FALSE(form->save_png(settings_.file("missing/sonogram.png"), error));
    EXPECT_FALSE(std::filesystem::exists(settings_.file("missing")));
}

TEST_F(SonogramFormTest, BrokenFileIsToldAndOpensNothing) {
    std::filesystem::resize_file(base_.path() + "tapes/12/B01.WAV", 20);
    TSonogramForm form;
    EXPECT_FALSE(form.show_recording(*bar_));
    ASSERT_EQ(messages_.shown().size(), 1u);
    EXPECT_NE(messages_.shown()[0].text.find("cannot be made"), std::string::npos);
    EXPECT_EQ(form.handle().sonogram, nullptr);
}

TEST_F(SonogramFormTest, BarMenuItemAndKeyAskForTheSonogram) {
    int asked = 0;
    count_sonogram_requests(asked);
    QTest::keyClick(&bar_->button(), Qt::Key_S);
    EXPECT_EQ(asked, 1);
    QAction* item = bar_->menu().actions().back();
    EXPECT_TRUE(item->text().startsWith("Sonogram"));
    item->trigger();
    EXPECT_EQ(asked, 2);
    install_sound_bar_menu_actions({});
    QTest::keyClick(&bar_->button(), Qt::Key_S);
    EXPECT_EQ(asked, 2);
}

// The window opens with the listening settings: their band (brought below half the sample rate) and
// colours; the colours chosen in the window become the listening settings' when it closes.
TEST_F(SonogramFormTest, WindowOpensWithTheListeningSettings) {
    settings_write_string("", "GENERAL", "Sonogram Top kHz", "8");
    settings_write_string("", "GENERAL", "Sonogram Colour Map", "1");
    {
        auto form = open_window();
        EXPECT_DOUBLE_EQ(form->range().low_hz, 0);
        EXPECT_DOUBLE_EQ(form->range().high_hz, 8000);
        EXPECT_EQ(form->look().colour_map, 1);
        QTest::keyClick(form.get(), Qt::Key_M);
        EXPECT_EQ(form->look().colour_map, 0);
    }
    EXPECT_EQ(settings_read_integer("", "GENERAL", "Sonogram Colour Map", -1), 0);
    settings_write_string("", "GENERAL", "Sonogram Top kHz", "96");
    EXPECT_DOUBLE_EQ(open_window()->range().high_hz, 22050);
}

// A strip under the bar opens its sonogram only once painted, through the cache the window uses; it
// draws the tone dark in the middle of the silence, shows the cursor while the bar plays, seeks on a
// click and asks for the window on a double click.
TEST_F(SonogramFormTest, StripDrawsTheToneFollowsTheBarAndSeeks) {
    testing::ScriptedMedia media;
    media.add_wave_file(base_.path() + "tapes/12/B01.WAV", 3000);
    owner_->resize(400, 120);
    owner_->show();
    auto* strip = new TSonogramStrip(*bar_, owner_.get());
    strip->place(60);
    EXPECT_EQ(strip->width(), bar_->slider().width());
    EXPECT_FALSE(strip->opened());
    strip->grab();
    ASSERT_TRUE(QTest::qWaitFor([&] { return strip->handle().sonogram && strip->handle().sonogram->complete(); }, 60000))
        << strip->handle().error;
    auto form = open_window();
    EXPECT_EQ(form->handle().sonogram, strip->handle().sonogram);

    strip->refresh(); // the timer's work: the last block has arrived
    const QImage picture = strip->grab().toImage();
    const qreal dpr = picture.devicePixelRatio();
    const int y = int((TSonogramStrip::strip_height * (1 - 4000.0 / 12000)) * dpr);
    const auto grey_at = [&](double seconds) { return qGray(picture.pixel(int(strip->x_of_seconds(seconds) * dpr), y)); };
    EXPECT_LT(grey_at(1.5), 128);
    EXPECT_GT(grey_at(0.5), 200);
    EXPECT_GT(grey_at(2.5), 200);

    EXPECT_LT(strip->cursor_seconds(), 0);
    bar_->TogglePlay();
    ASSERT_TRUE(bar_->is_playing());
    media.advance(1000);
    strip->refresh();
    EXPECT_NEAR(strip->cursor_seconds(), 1.0, 0.2);
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, QPoint(int(strip->x_of_seconds(2.0)), 10));
    EXPECT_NEAR(bar_->slider().value(), 20, 1);
    bar_->CloseBar();
    strip->refresh();
    EXPECT_LT(strip->cursor_seconds(), 0);

    int asked = 0;
    count_sonogram_requests(asked);
    QTest::mouseDClick(strip, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(asked, 1);
    install_sound_bar_menu_actions({});
}

} // namespace
} // namespace morvelin
