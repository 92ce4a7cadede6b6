// The comparison window offscreen on the demo disc: recordings added from a sound bar's menu and key
// into one window, at most six and each once, rows drawn to one scale, a row removed, and the set
// saved and opened again, with foreign and damaged files refused and the rows kept.

#include "ui/sound/comparison_form.h"

#include "core/data/data_loader.h"
#include "core/data/records.h"
#include "core/foundation/utilities.h"
#include "core/sound/file_locations.h"
#include "core/sound/sonogram_view.h"
#include "demo_disc_fixture.h"
#include "platform/media/sonogram_source.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/qt_text.h"
#include "ui/sound/sound_bar.h"
#include "ui/windows/window_registry.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace morvelin {
namespace {

using testing::ScriptedDialogs;
using testing::ScriptedMessages;
using testing::TempDir;

class ComparisonFormTest : public testing::DemoDiscUiTest {
protected:
    void SetUp() override {
        DemoDiscUiTest::SetUp();
        install_sonogram_port(&port_);
        clear_sonogram_cache();
        // The disc's recordings that come from sound files, shortest first.
        for (const Tspecies* species : data_set().species_by_id())
            for (const Tcupaitem* item = species->first_item; item; item = item->next_item)
                if (item->cut_part && item->cut_part->is_sound_file && has_a_file(*item->cut_part, {}))
                    sounds_.push_back(item);
        ASSERT_GE(sounds_.size(), 7u) << "the demo disc has too few recordings";
        form_ = std::make_unique<TComparisonForm>();
        form_->resize(800, 700);
    }
    void TearDown() override {
        form_.reset();
        clear_sonogram_cache();
        install_sonogram_port(nullptr);
        DemoDiscUiTest::TearDown();
    }
    void wait_complete(TComparisonForm& form) {
        for (int i = 0; i < form.row_count(); ++i) {
            const auto& s = form.row(i).handle().sonogram;
            ASSERT_TRUE(s) << form.row(i).handle().error;
            EXPECT_TRUE(QTest::qWaitFor([&] { return s->complete(); }, 60000));
        }
        // What the window's timer does next: the rows take the last columns into their pictures.
        form.refresh();
    }
    std::vector<const Tcupaitem*> shown(const TComparisonForm& form) const {
        std::vector<const Tcupaitem*> rows;
        for (int i = 0; i < form.row_count(); ++i)
            rows.push_back(&form.row(i).recording());
        EXPECT_EQ(rows, form.set().recordings());
        return rows;
    }

    ScriptedMessages messages_;
    ScriptedDialogs dialogs_;
    TempDir files_;
    media::FftwSonogramPort port_;
    std::vector<const Tcupaitem*> sounds_;
    std::unique_ptr<TComparisonForm> form_;
};

TEST_F(ComparisonFormTest, BarMenuAndKeyAddToOneWindowThatClosesForGood) {
    WindowRegistry registry;
    registry.register_window(WindowKind::comparison, comparison_factory());
    QWidget owner;
    SoundBarSetup setup;
    setup.owner = &owner;
    setup.recording = sounds_[0];
    setup.top = 30;
    Tsound_bar first(setup);
    setup.recording = sounds_[1];
    Tsound_bar second(setup);

    QAction* compare = nullptr;
    for (QAction* action : first.menu().actions())
        if (action->text().startsWith("Compare")) compare = action;
    ASSERT_NE(compare, nullptr);
    compare->trigger();
    QPointer<QWidget> window = registry.find(WindowKind::comparison);
    auto* form = qobject_cast<TComparisonForm*>(window.data());
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    QTest::keyClick(&second.button(), Qt::Key_C);
    compare->trigger(); // the same recording again: not a second row
    EXPECT_EQ(registry.find(WindowKind::comparison), form);
    EXPECT_EQ(shown(*form), (std::vector<const Tcupaitem*>{sounds_[0], sounds_[1]}));
    EXPECT_TRUE(messages_.shown().empty());

    // Closed (its rows not kept), the window is gone with them; the next Compare starts a new one.
    messages_.answer(id::no);
    form->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 10000));
    compare->trigger();
    form = qobject_cast<TComparisonForm*>(registry.find(WindowKind::comparison));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(shown(*form), std::vector<const Tcupaitem*>{sounds_[0]});
    delete form;
    install_sound_bar_menu_actions({});
}

TEST_F(ComparisonFormTest, AnUnsavedSetIsAskedAboutWhenTheWindowOrTheProgramCloses) {
    QPointer<TComparisonForm> form = new TComparisonForm;
    form->add_recording(*sounds_[0], {});
    form->add_recording(*sounds_[1], {});
    form->show();
    EXPECT_TRUE(form->modified());
    EXPECT_TRUE(form->windowTitle().endsWith(" *")) << qPrintable(form->windowTitle());

    // Cancel, and Yes with the file dialog cancelled, keep the window and its rows.
    messages_.answer(id::cancel);
    form->close();
    messages_.answer(id::yes);
    dialogs_.cancel();
    EXPECT_FALSE(top_forms().ask_exit_question());
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(messages_.shown().size(), 2u);

    // Yes at the program's end saves the set; then nothing is asked any more.
    messages_.answer(id::yes);
    dialogs_.answer(files_.file("kept"));
    EXPECT_TRUE(top_forms().ask_exit_question());
    EXPECT_TRUE(std::filesystem::exists(files_.file("kept.cmp")));
    EXPECT_FALSE(form->modified());
    EXPECT_FALSE(form->windowTitle().endsWith(" *"));
    messages_.clear();
    EXPECT_TRUE(top_forms().ask_exit_question());

    // A removal is a change again: Open asks first (Cancel opens no file dialog); No closes without
    // saving, and the window's question goes with it.
    form->remove_row(0);
    EXPECT_TRUE(form->modified());
    const std::size_t dialogs = dialogs_.calls().size();
    messages_.answer(id::cancel);
    form->open_button().click();
    EXPECT_EQ(dialogs_.calls().size(), dialogs);
    messages_.clear();
    messages_.answer(id::no);
    form->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isNull(); }, 10000));
    EXPECT_EQ(messages_.shown().size(), 1u);
    EXPECT_TRUE(top_forms().ask_exit_question());
    EXPECT_EQ(messages_.shown().size(), 1u);
    EXPECT_EQ(read_comparison_file(files_.file("kept.cmp"), data_set(), PlayListProduct::running()).set.recordings().size(), 2u);
}

TEST_F(ComparisonFormTest, KeysZoomAndScrollEveryRow) {
    form_->add_recording(*sounds_[0], {});
    form_->add_recording(*sounds_[1], {});
    form_->show();
    wait_complete(*form_);
    const SonogramRange full = form_->range();
    QTest::keyClick(form_.get(), Qt::Key_Plus);
    EXPECT_NEAR(form_->range().span_s, full.span_s / 1.5, 1e-9);
    QTest::keyClick(form_.get(), Qt::Key_End);
    EXPECT_NEAR(form_->range().t0 + form_->range().span_s, full.length_s, 1e-9);
    EXPECT_NEAR(form_->row(0).x_of_seconds(full.length_s), form_->row(0).plot_rect().left() + form_->row(0).plot_rect().width(), 0.5);
    EXPECT_NEAR(form_->row(1).x_of_seconds(full.length_s), form_->row(1).plot_rect().left() + form_->row(1).plot_rect().width(), 0.5);
    QTest::keyClick(form_.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_GT(form_->range().high_hz - form_->range().low_hz, full.high_hz - full.low_hz);
    QTest::keyClick(form_.get(), Qt::Key_F);
    EXPECT_EQ(form_->range().high_hz, form_->range().top_hz);
}

TEST_F(ComparisonFormTest, SixAtMostEachOnceAndARowIsRemovedByItsButton) {
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(form_->add_recording(*sounds_[std::size_t(i)], {})) << i;
    EXPECT_TRUE(messages_.shown().empty());
    EXPECT_FALSE(form_->add_recording(*sounds_[6], {}));
    ASSERT_EQ(messages_.shown().size(), 1u);
    EXPECT_NE(messages_.shown()[0].text.find("six"), std::string::npos) << messages_.shown()[0].text;
    EXPECT_FALSE(form_->add_recording(*sounds_[2], {}));
    EXPECT_EQ(messages_.shown().size(), 1u) << "a recording shown already is no error";
    EXPECT_EQ(form_->row_count(), 6);

    form_->row(1).remove_button().click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form_->row_count() == 5; }, 10000));
    EXPECT_EQ(shown(*form_), (std::vector<const Tcupaitem*>{sounds_[0], sounds_[2], sounds_[3], sounds_[4], sounds_[5]}));
    EXPECT_TRUE(form_->add_recording(*sounds_[6], {}));
    EXPECT_EQ(form_->row_count(), 6);
    EXPECT_TRUE(form_->row(1).label_text().contains(qt_text(sounds_[2]->cut_part->key)));
}

TEST_F(ComparisonFormTest, RowsShareOneTimeAndFrequencyScale) {
    // Two recordings of clearly different lengths.
    const auto seconds = [&](int row) { return form_->row(row).handle().sonogram->seconds(); };
    form_->add_recording(*sounds_[0], {});
    ASSERT_TRUE(form_->row(0).handle().sonogram);
    for (std::size_t i = 1; i < sounds_.size() && form_->row_count() < 2; ++i) {
        form_->add_recording(*sounds_[i], {});
        if (!form_->row(1).handle().sonogram || std::max(seconds(0), seconds(1)) < 1.2 * std::min(seconds(0), seconds(1)))
            form_->remove_row(1);
    }
    ASSERT_EQ(form_->row_count(), 2) << "the demo recordings are all about as long";
    form_->show();
    wait_complete(*form_);
    const int longer = seconds(0) > seconds(1) ? 0 : 1;
    TComparisonRow& long_row = form_->row(longer);
    TComparisonRow& short_row = form_->row(1 - longer);
    const double long_s = seconds(longer);
    const double short_s = seconds(1 - longer);

    for (TComparisonRow* row : {&long_row, &short_row}) {
        EXPECT_EQ(row->plot_rect().width(), long_row.plot_rect().width());
        EXPECT_NEAR(row->x_of_seconds(long_s), row->plot_rect().left() + row->plot_rect().width(), 0.5);
        EXPECT_NEAR(row->y_of_hz(4000) - row->plot_rect().top(), long_row.y_of_hz(4000) - long_row.plot_rect().top(), 1e-9);
    }
    // The shorter sonogram ends where its recording ends: background after it, somewhere not before.
    const QImage picture = short_row.grab().toImage();
    const qreal dpr = picture.devicePixelRatio();
    const QRect plot = short_row.plot_rect();
    const QRgb background = 0xFF000000u | sonogram_colour(0, form_->colour_map());
    const int end_x = int(std::lround(short_row.x_of_seconds(short_s)));
    bool drawn_before = false;
    for (int y = plot.top() + 2; y < plot.bottom() - 1; y += 2) {
        EXPECT_EQ(picture.pixel(QPoint(end_x + 3, y) * dpr), background) << y;
        drawn_before = drawn_before || picture.pixel(QPoint(plot.left() + (end_x - plot.left()) / 2, y) * dpr) != background;
    }
    EXPECT_TRUE(drawn_before);

    // A zoom on one row zooms both, and a click seeks that row's bar.
    QWheelEvent wheel(QPointF(plot.center()), short_row.mapToGlobal(QPointF(plot.center())), {}, {0, 240},
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&short_row, &wheel);
    EXPECT_LT(form_->range().span_s, long_s);
    EXPECT_NEAR(long_row.x_of_seconds(1) - long_row.x_of_seconds(0), short_row.x_of_seconds(1) - short_row.x_of_seconds(0), 1e-9);
    const double at = std::min(form_->range().t0 + form_->range().span_s / 2, short_s);
    QTest::mouseClick(&short_row, Qt::LeftButton, Qt::NoModifier, QPoint(int(std::lround(short_row.x_of_seconds(at))), plot.center().y()));
    EXPECT_NEAR(short_row.bar().slider().value(), at * 10, 1);
    EXPECT_EQ(long_row.bar().slider().value(), 0);
}

TEST_F(ComparisonFormTest, SavedSetOpensAgainAndRefusedFilesKeepTheRows) {
    for (int i : {3, 0, 5})
        form_->add_recording(*sounds_[std::size_t(i)], {});
    const std::vector<const Tcupaitem*> saved = shown(*form_);
    dialogs_.answer(files_.file("birds"));
    form_->save_button().click();
    ASSERT_TRUE(std::filesystem::exists(files_.file("birds.cmp")));

    form_->remove_all();
    dialogs_.answer(files_.file("birds.cmp"));
    form_->open_button().click();
    EXPECT_EQ(shown(*form_), saved);
    EXPECT_TRUE(messages_.shown().empty());

    struct Refused {
        std::string bytes;
        std::string message;
    };
    std::string binary(3000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 37 % 256);
    const Refused refused[] = {
        {"[GENERAL]\r\nCDROM=Another Guide\r\nVersion=1\r\n[RECORDINGS]\r\nR1=1,1A1\r\n", "another disc"},
        {binary, "not a comparison file"},
    };
    for (const Refused& r : refused) {
        messages_.clear();
        files_.write("refused.cmp", r.bytes);
        EXPECT_FALSE(form_->load(files_.file("refused.cmp")));
        ASSERT_EQ(messages_.shown().size(), 1u);
        EXPECT_NE(messages_.shown()[0].text.find(r.message), std::string::npos) << messages_.shown()[0].text;
        EXPECT_EQ(shown(*form_), saved);
    }

    // An entry this disc lacks is told and left out; of seven recordings the first six are opened.
    std::string text = *read_whole_file(files_.file("birds.cmp"));
    text = text.substr(0, text.find("R1="));
    text += "R1=" + play_list_recording_value(*sounds_[6]) + "\r\nR2=424242,00001A00001 \r\n";
    for (int i = 0; i < 6; ++i)
        text += "R" + std::to_string(i + 3) + "=" + play_list_recording_value(*sounds_[std::size_t(i)]) + "\r\n";
    files_.write("more.cmp", text);
    messages_.clear();
    EXPECT_TRUE(form_->load(files_.file("more.cmp")));
    EXPECT_EQ(shown(*form_), (std::vector<const Tcupaitem*>{sounds_[6], sounds_[0], sounds_[1], sounds_[2], sounds_[3], sounds_[4]}));
    ASSERT_EQ(messages_.shown().size(), 2u);
    EXPECT_NE(messages_.shown()[0].text.find("R2=424242,00001A00001"), std::string::npos) << messages_.shown()[0].text;
    EXPECT_NE(messages_.shown()[1].text.find("first six"), std::string::npos) << messages_.shown()[1].text;
}

} // namespace
} // namespace morvelin
