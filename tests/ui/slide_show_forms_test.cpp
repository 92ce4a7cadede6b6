// The slide-and-sound show on the demo disc: the settings dialog (its refusals and what OK stores),
// the show's photo window driven by its timer, the main window's Show! and What was that?.

#include "ui/pictures/slide_show_forms.h"
#include "ui/sound/play_sound_options_frame.h"
#include "ui/sound/play_sequence_player.h"
#include "scripted_media.h"

#include "core/data/data_loader.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "core/settings/settings_sections.h"
#include "demo_disc_fixture.h"
#include "scripted_modal.h"
#include "scripted_services.h"
#include "core/data/records.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/sound/sound_bar.h"
#include "ui/display/top_forms.h"
#include "ui/pictures/small_pictures.h"
#include "ui_application.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace morvelin {
namespace {

using testing::ScriptedMessages;
using testing::TempDir;

class SlideShowFormsTest : public testing::DemoDiscUiTest {
protected:
    void SetUp() override {
        DemoDiscUiTest::SetUp();
        install_small_pictures();
    }
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i)
            delete top_forms().form(i);
        uninstall_small_pictures();
        DemoDiscUiTest::TearDown();
    }
    std::unique_ptr<TChildForm> main_window() {
        auto window = std::make_unique<TChildForm>();
        window->window_set_up({});
        return window;
    }
    static DemoSettings slides_only(int seconds) {
        DemoSettings s;
        s.show.show_type = "Slides Only";
        s.show.slide_show_speed = seconds;
        return s;
    }

};

TEST_F(SlideShowFormsTest, DialogRefusesSecondsOutsideOneTo999WithItsLine) {
    ScriptedMessages messages;
    TDemoSettingsDialog dialog(DemoSettings{});
    for (const char* text : {"0", "", "  ", "00"}) {
        SCOPED_TRACE(text);
        messages.clear();
        dialog.seconds_edit()->setText(QString::fromLatin1(text));
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "Please enter a number of seconds from 1 to 999.");
    }
    // The field takes three digits at most: 1000 cannot be entered, typed it is "100".
    dialog.seconds_edit()->clear();
    QTest::keyClicks(dialog.seconds_edit(), "1000");
    EXPECT_EQ(dialog.seconds_edit()->text(), "100");
    for (const char* text : {"1", "999"}) {
        messages.clear();
        dialog.seconds_edit()->setText(QString::fromLatin1(text));
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(messages.shown().empty());
        EXPECT_EQ(dialog.values().show.slide_show_speed, QString::fromLatin1(text).toInt());
    }
}

TEST_F(SlideShowFormsTest, ShowOkStoresTheSettingsAndStartsTheShowOnceBroughtToFrontAfter) {
    auto window = main_window();
    int dialogs = 0;
    testing::ScriptedModal modal([&](QDialog& d) {
        ++dialogs;
        auto& dialog = static_cast<TDemoSettingsDialog&>(d);
        dialog.kind_button(0)->setChecked(true);
        dialog.seconds_edit()->setText("1");
        // This edition speaks no names: the frame offers the pause alone.
        TPlaySoundOptionsFrame& between = *dialog.between_sounds_frame();
        EXPECT_FALSE(between.names_offered());
        between.seconds_between()->setText("4");
        dialog.accept();
        return dialog.result();
    });
    window->show_click();
    const settings::ShowSettings stored = settings::read_show_settings();
    EXPECT_EQ(stored.show_type, "Slides Only");
    EXPECT_EQ(stored.slide_show_speed, 1);
    EXPECT_EQ(stored.seconds_between_sounds, 4);
    EXPECT_FALSE(stored.tell_species_names);

    ASSERT_TRUE(window->demo_form());
    QTRY_VERIFY_WITH_TIMEOUT(window->demo_form()->isVisible() && window->demo_form()->current_picture(), 20000);
    // The photo changes after the interval, and every photo is in the list.
    QTRY_VERIFY_WITH_TIMEOUT(window->shown_list().entries().size() >= 2, 20000);
    const auto& entries = window->shown_list().entries();
    EXPECT_NE(entries[0].species, entries[1].species);
    EXPECT_EQ(entries[0].text.rfind("1: ", 0), 0u) << entries[0].text;
    EXPECT_NE(entries[0].text.find(" photo ("), std::string::npos) << entries[0].text;
    EXPECT_TRUE(entries[0].picture->counts_as_photo);
    EXPECT_FALSE(window->demo_form()->button(TBigPictureForm::information_button)->isVisible());
    EXPECT_FALSE(window->demo_form()->button(TBigPictureForm::next_button)->isVisible());

    // A second Show! brings the running show to the front without a dialog.
    window->show_click();
    EXPECT_EQ(dialogs, 1);

    // What was that? lists it after the show has closed; Ctrl+C copies everything.
    window->demo_form()->close();
    QTRY_VERIFY_WITH_TIMEOUT(!window->demo_form(), 20000);
    window->what_was_that_click();
    TRecordingsAndOrPicturesListForm* list = window->shown_list_form();
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(list->memo()->isReadOnly());
    EXPECT_TRUE(list->memo()->toPlainText().startsWith("1: "));
    QApplication::clipboard()->clear();
    list->copy_to_clipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), list->memo()->toPlainText());
    QTest::keyClick(list, Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!window->shown_list_form(), 20000);
}

TEST_F(SlideShowFormsTest, CaptionHoldsTheNamesOnlyWhenAskedFor) {
    for (const bool names : {true, false}) {
        SCOPED_TRACE(names);
        auto window = main_window();
        DemoSettings settings = slides_only(999);
        settings.show_species_names = names;
        ASSERT_TRUE(window->start_show(settings));
        QTRY_VERIFY_WITH_TIMEOUT(window->demo_form() && window->demo_form()->current_picture(), 20000);
        const Tspecies& species = *window->demo_form()->current_picture()->species;
        const QString caption = window->demo_form()->windowTitle();
        EXPECT_EQ(caption.contains(QString::fromLatin1(species.scientific_name.c_str())), names)
            << caption.toStdString();
    }
}

// Sounds only: a show window plays random recordings of the main window's species, each shown
// unfolded in its text pane with the playing bar highlighted; with no sound file to open (scripted
// media) the first one ends the show, and Show! can start again.
TEST_F(SlideShowFormsTest, SoundsOnlyPlaysRandomRecordingsInAShowWindowsPane) {
    testing::ScriptedMedia media;
    ScriptedMessages messages;
    auto window = main_window();
    DemoSettings settings;
    settings.show.show_type = "Sounds Only";
    settings.show.slide_show_speed = 5;
    settings.show.seconds_between_sounds = 1; // the recording is shown a second before it plays
    ASSERT_FALSE(settings.show.show_slides());
    ASSERT_TRUE(window->start_show(settings));
    EXPECT_EQ(window->demo_form(), nullptr);
    const auto players = window->findChildren<TPlaySequencePlayer*>();
    ASSERT_EQ(players.size(), 1);
    QPointer<TPlaySequencePlayer> player = players.front();
    auto* show_window = qobject_cast<TChildForm*>(player->parent());
    ASSERT_NE(show_window, nullptr);
    EXPECT_TRUE(show_window->is_show_window());
    EXPECT_EQ(show_window->windowTitle().toStdString(), "Sound demo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.isNull() || player->bar(); }, 20000));
    ASSERT_FALSE(player.isNull());
    const Tcupaitem* recording = player->sequence().current_recording();
    ASSERT_NE(recording, nullptr);
    TShowForm& pane = *show_window->pane();
    TShowStringsLine* line = pane.strings().sound_bar_line(*recording);
    ASSERT_NE(line, nullptr); // its species is unfolded
    EXPECT_EQ(pane.strings().selected(), line);
    EXPECT_TRUE(player->bar()->highlight());
    EXPECT_EQ(player->bar()->parentWidget(), pane.viewport());
    EXPECT_NE(recording->species->scientific_name, "?? ??");
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.isNull(); }, 20000));
    // What was that? holds the recording.
    ASSERT_FALSE(window->shown_list().entries().empty());
    EXPECT_NE(window->shown_list().entries().front().text.find(" recording ("), std::string::npos);
    EXPECT_TRUE(window->start_show(settings));
}

} // namespace
} // namespace morvelin
