#include "show_strings_test_fixture.h"

#include "scripted_modal.h"
#include "core/areas/sarovan_area.h"
#include "core/data/data_loader.h"
#include "core/settings/settings_sections.h"
#include "ui/areas/select_area_frame.h"
#include "ui/display/child_form.h"
#include "ui/display/options_form.h"
#include "ui/display/text_drawing.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/program_documents.h"
#include "ui/sound/audio_cd_frames.h"
#include "ui/windows/window_registry.h"

#include <QCheckBox>
#include <QKeySequence>
#include <QLabel>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace morvelin::testing {
namespace {

// A main window over the mini disc (edition 106: areas, media filters, one audio CD that is not always
// available), with the options dialog answered by a script.
class OptionsFormTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        window = new TChildForm;
        window->window_set_up(WindowSetUp{});
    }
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i) delete top_forms().form(i);
        TShowFonts::instance().rebuild(TShowFonts::default_text_size);
        DocumentTest::TearDown();
    }
    // Runs the dialog over w with the script; returns the dialog's result.
    int run(TChildForm& w, std::function<int(TOptionsForm&)> script) {
        ScriptedModal scripted([&](QDialog& dialog) { return script(dynamic_cast<TOptionsForm&>(dialog)); });
        TOptionsForm options;
        return options.run(w);
    }
    static int press_ok(TOptionsForm& f) {
        f.ok_button()->click();
        return f.result();
    }
    const SHST_TClassShowStringsData& shown() const { return window->pane()->strings().settings(); }
    std::string general(const char* key) const { return settings_read_string("", "GENERAL", key, "<none>"); }

    TChildForm* window = nullptr;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
};

TEST_F(OptionsFormTest, BothNameKindsCannotBeUntickedAndNamesApplyAtOnce) {
    run(*window, [&](TOptionsForm& f) {
        EXPECT_TRUE(f.other_language_box()->isChecked());
        EXPECT_TRUE(f.scientific_box()->isChecked());
        EXPECT_TRUE(f.main_name_button(0)->isChecked());
        f.other_language_box()->click();
        EXPECT_FALSE(f.other_language_box()->isChecked());
        EXPECT_TRUE(f.scientific_box()->isChecked());
        EXPECT_TRUE(f.main_name_button(1)->isChecked());
        EXPECT_FALSE(shown().other_language); // applied to the window at once
        EXPECT_EQ(shown().main_name, main_name::scientific);
        f.scientific_box()->click();
        EXPECT_TRUE(f.other_language_box()->isChecked());
        EXPECT_FALSE(f.scientific_box()->isChecked());
        EXPECT_TRUE(f.main_name_button(0)->isChecked());
        EXPECT_EQ(shown().main_name, main_name::other_language);
        // Choosing the scientific name first shows it again.
        f.main_name_button(1)->click();
        EXPECT_TRUE(f.scientific_box()->isChecked());
        EXPECT_TRUE(shown().scientific);
        EXPECT_EQ(shown().main_name, main_name::scientific);
        return press_ok(f);
    });
    EXPECT_EQ(shown().main_name, main_name::scientific);
    EXPECT_TRUE(shown().other_language && shown().scientific);
}

TEST_F(OptionsFormTest, CancelRestoresTheNamesAndTheEditorPath) {
    dialogs.answer("/usr/local/bin/sound-editor");
    const int result = run(*window, [&](TOptionsForm& f) {
        f.scientific_box()->click();
        EXPECT_FALSE(shown().scientific);
        f.sound_editor_button()->click();
        EXPECT_EQ(f.sound_editor_edit()->text(), "/usr/local/bin/sound-editor");
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(shown().scientific);
    EXPECT_TRUE(shown().other_language);
    EXPECT_EQ(general("Sound Editing Program"), "<none>");

    // The same on OK is stored.
    dialogs.answer("/usr/local/bin/sound-editor");
    run(*window, [&](TOptionsForm& f) {
        f.sound_editor_button()->click();
        return press_ok(f);
    });
    EXPECT_EQ(general("Sound Editing Program"), "/usr/local/bin/sound-editor");
}

TEST_F(OptionsFormTest, TextSizeAloneRebuildsTheFontsAndFoldsTheText) {
    TShowStrings& doc = window->pane()->strings();
    ASSERT_TRUE(doc.toggle_fold(doc.find_header(1, 0)->prev, true, false, false));
    ASSERT_FALSE(window->pane()->view_state().unfolded_families.empty());
    const int generation = TShowFonts::instance().generation();
    run(*window, [&](TOptionsForm& f) {
        EXPECT_EQ(f.text_size_box()->value(), TShowFonts::default_text_size);
        EXPECT_EQ(f.text_size_box()->minimum(), 8);
        EXPECT_EQ(f.text_size_box()->maximum(), 40);
        f.text_size_box()->setValue(22);
        return press_ok(f);
    });
    EXPECT_EQ(TShowFonts::instance().text_size(), 22);
    EXPECT_GT(TShowFonts::instance().generation(), generation);
    EXPECT_TRUE(window->pane()->view_state().unfolded_families.empty());
    EXPECT_EQ(settings_read_integer("", "GENERAL", "Text Size", 0), 22);

    // Nothing changed: no rebuild.
    const int after = TShowFonts::instance().generation();
    run(*window, [&](TOptionsForm& f) { return press_ok(f); });
    EXPECT_EQ(TShowFonts::instance().generation(), after);
}

// With a large text size the frames keep their whole size: none is cut off by the page or overlaps
// another, and the dialog grows to hold the page.
TEST_F(OptionsFormTest, FramesAreWholeAndApartAtEveryTextSize) {
    for (int size : {TShowFonts::default_text_size, 24, 40}) {
        TShowFonts::instance().rebuild(size);
        TOptionsForm f;
        QWidget* page = dynamic_cast<QScrollArea&>(*f.pages()->widget(0)).widget();
        std::vector<QRect> frames;
        for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isHidden()) continue;
            frames.push_back(child->geometry());
            EXPECT_TRUE(page->rect().contains(child->geometry())) << "text size " << size;
            EXPECT_GE(child->width(), child->sizeHint().width()) << "text size " << size;
        }
        ASSERT_GE(frames.size(), 5u);
        for (std::size_t i = 0; i < frames.size(); ++i)
            for (std::size_t j = i + 1; j < frames.size(); ++j)
                EXPECT_FALSE(frames[i].intersects(frames[j])) << "text size " << size << ", frames " << i << " and " << j;
        EXPECT_GE(f.height(), f.pages()->geometry().bottom()) << "text size " << size;
        EXPECT_GE(f.width(), page->width()) << "text size " << size;
    }
}

// On a screen too small for the dialog it shrinks to the screen's free area, OK and Cancel stay in
// it, and the settings page scrolls.
TEST_F(OptionsFormTest, OnASmallScreenTheDialogFitsAndTheSettingsPageScrolls) {
    TShowFonts::instance().rebuild(40);
    const QSize screen = window->screen()->availableGeometry().size();
    run(*window, [&](TOptionsForm& f) {
        EXPECT_LE(f.width(), screen.width());
        EXPECT_LE(f.height(), screen.height());
        EXPECT_TRUE(f.rect().contains(f.ok_button()->geometry()));
        auto& scroller = dynamic_cast<QScrollArea&>(*f.pages()->widget(0));
        f.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        EXPECT_GT(scroller.verticalScrollBar()->maximum() + scroller.horizontalScrollBar()->maximum(), 0)
            << "page " << scroller.widget()->height() << " high in a dialog " << f.height() << " high";
        return press_ok(f);
    });
}

// The orders' names are authors' names: "Sibley & Monroe" shows its ampersand, no mnemonic.
TEST_F(OptionsFormTest, AnAmpersandInAnOrderNameIsShownAsItIs) {
    TOptionsForm f;
    int names = 0;
    for (int kind = 1; kind <= 4; ++kind)
        if (QRadioButton* b = f.systematic_order_button(kind)) {
            ++names;
            EXPECT_TRUE(QKeySequence::mnemonic(b->text()).isEmpty()) << b->text().toStdString();
        }
    EXPECT_GE(names, 2);
    const QRadioButton* sibley = f.systematic_order_button(order_kind::sibley_monroe);
    ASSERT_NE(sibley, nullptr);
    EXPECT_EQ(sibley->text().replace(QStringLiteral("&&"), QStringLiteral("&")).toStdString(),
              language_texts().get_line("SYSTEMATIC ORDERS FRAME", order_kind::sibley_monroe + 1));
}

TEST_F(OptionsFormTest, DisplaySettingsApplyOnOkAndComeBackAfterARestart) {
    run(*window, [&](TOptionsForm& f) {
        EXPECT_FALSE(f.systematic_order_frame()->isHidden());
        EXPECT_TRUE(f.systematic_order_button(1)->isChecked());
        f.threatened_box()->setChecked(!shown().show_threatened);
        f.only_with_button(2)->setChecked(true);
        // The second browser box only while the first is ticked, keeping its value.
        const bool one = f.one_browser_window_box()->isChecked();
        EXPECT_FALSE(f.integrated_browser_box()->isChecked());
        EXPECT_FALSE(f.one_browser_window_box()->isEnabled());
        f.integrated_browser_box()->setChecked(true);
        EXPECT_TRUE(f.one_browser_window_box()->isEnabled());
        EXPECT_EQ(f.one_browser_window_box()->isChecked(), one);
        return press_ok(f);
    });
    EXPECT_TRUE(shown().visible.only_with_sounds);
    EXPECT_FALSE(shown().visible.only_with_sounds_or_photos);
    const bool threatened = shown().show_threatened;
    EXPECT_EQ(general("Use Integrated Web Browser"), "Yes");

    delete window;
    window = nullptr;
    TChildForm* restarted = new TChildForm;
    restarted->window_set_up(WindowSetUp{});
    EXPECT_TRUE(restarted->pane()->strings().settings().visible.only_with_sounds);
    EXPECT_EQ(restarted->pane()->strings().settings().show_threatened, threatened);
}

TEST_F(OptionsFormTest, OkWithNoAreaKeepsTheDialogOpen) {
    const auto& seed = TSarovanArea::scheme_description().seed_points[4][0]; // TH
    int refused = -1;
    run(*window, [&](TOptionsForm& f) {
        EXPECT_EQ(f.pages()->count(), 4);
        TFrameSelectArea* frame = f.area_frame();
        EXPECT_TRUE(frame);
        if (!frame) return int(QDialog::Rejected);
        frame->clear_all_click();
        refused = press_ok(f);
        frame->click_map(QPoint(seed.x, seed.y));
        return press_ok(f);
    });
    EXPECT_EQ(refused, QDialog::Rejected);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_warning);
    EXPECT_EQ(shown().visible.area_selection->selection_text(), "TH");
    EXPECT_EQ(window->area_panel_text(), "       TH       ");
    EXPECT_EQ(window->area_panel()->toolTip(), "Thailand");
    EXPECT_EQ(settings_read_string("", "WINDOW 1", "Selected Area", ""), "TH");
}

TEST_F(OptionsFormTest, OptionsFromTheSecondWindowShowTheSecondWindowsAreas) {
    settings_write_string("", "WINDOW 2", "Selected Area", "BO-JA");
    settings_write_integer("", "GENERAL", "Windows", 2);
    window->start_up();
    ASSERT_EQ(top_forms().count(), 2);
    TChildForm& second = *top_forms().form(1);
    const auto selected_in_frame = [](TOptionsForm& f) {
        TSarovanArea set;
        f.area_frame()->store_in(set);
        return set.selection_text();
    };
    std::string expected;
    int runs = 0;
    ScriptedModal scripted([&](QDialog& dialog) {
        auto& f = dynamic_cast<TOptionsForm&>(dialog);
        EXPECT_EQ(selected_in_frame(f), expected);
        ++runs;
        return int(QDialog::Rejected);
    });
    // One dialog run over either window shows the areas of the window it runs for.
    TOptionsForm options;
    expected = "BO-JA";
    options.run(second);
    expected = "IN-SR-NE-BU-TH-IC-MA-SI-BO-SU-JA-BA-CH-HK-TA-PH";
    options.run(*window);
    expected = "BO-JA";
    options.run(second);
    EXPECT_EQ(runs, 3);
}

TEST_F(OptionsFormTest, TheLastPageComesBackAndAHiddenOneMeansTheFirst) {
    {
        TOptionsForm options;
        options.pages()->setCurrentWidget(options.audio_cds_frame());
    }
    EXPECT_EQ(settings_read_integer("", "GENERAL", "Last accessed tab page in options dialog", -1), 2);
    {
        TOptionsForm options;
        EXPECT_EQ(options.pages()->currentWidget(), options.audio_cds_frame());
    }
    settings_write_integer("", "GENERAL", "Last accessed tab page in options dialog", 7);
    TOptionsForm options;
    EXPECT_EQ(options.pages()->currentIndex(), 0);
}

// The listening page shows the stored listening settings, writes them on OK (and nothing on Cancel),
// turns the strips on in the open windows at once, and comes back as the last page.
TEST_F(OptionsFormTest, ListeningSettingsRoundTrip) {
    settings_write_string("", "GENERAL", "Sonogram Top kHz", "500"); // damaged: shown clamped
    run(*window, [&](TOptionsForm& f) {
        EXPECT_FALSE(f.sonogram_strips_box()->isChecked());
        EXPECT_TRUE(f.colour_map_button(0)->isChecked());
        EXPECT_EQ(f.top_khz_box()->value(), settings::GeneralSettings::max_top_khz);
        f.pages()->setCurrentWidget(f.listening_page_widget());
        f.sonogram_strips_box()->setChecked(true);
        f.colour_map_button(1)->setChecked(true);
        f.top_khz_box()->setValue(8);
        f.cancel_button()->click();
        return f.result();
    });
    EXPECT_EQ(general("Sonogram Strips"), "<none>");
    EXPECT_FALSE(window->pane()->strings().sonogram_strips());

    run(*window, [&](TOptionsForm& f) {
        f.sonogram_strips_box()->setChecked(true);
        f.colour_map_button(1)->setChecked(true);
        f.top_khz_box()->setValue(8);
        return press_ok(f);
    });
    EXPECT_EQ(general("Sonogram Strips"), "Yes");
    EXPECT_EQ(general("Sonogram Colour Map"), "1");
    EXPECT_EQ(general("Sonogram Top kHz"), "8");
    EXPECT_TRUE(window->pane()->strings().sonogram_strips());

    run(*window, [&](TOptionsForm& f) {
        EXPECT_EQ(f.pages()->currentWidget(), f.listening_page_widget());
        EXPECT_TRUE(f.sonogram_strips_box()->isChecked());
        EXPECT_TRUE(f.colour_map_button(1)->isChecked());
        EXPECT_EQ(f.top_khz_box()->value(), 8);
        f.sonogram_strips_box()->setChecked(false);
        return press_ok(f);
    });
    EXPECT_EQ(general("Sonogram Strips"), "No");
    EXPECT_FALSE(window->pane()->strings().sonogram_strips());
}

// The audio-CD page's help button asks for the help file at its section, which the file has.
TEST_F(OptionsFormTest, TheAudioCdHelpOpensTheHelpAtItsSection) {
    WindowRegistry registry;
    std::vector<WindowRequest> asked;
    WindowFactory help;
    help.create = [](const WindowRequest& request, WindowRegistry&) { return new QWidget(request.owner, Qt::Window); };
    help.take = [&](QWidget&, const WindowRequest& request) { asked.push_back(request); };
    registry.register_window(WindowKind::help, help);
    TOptionsForm options(nullptr, &registry);
    options.audio_cds_frame()->cds()->help_button()->click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, QString(help_file_name));
    EXPECT_EQ(asked[0].owner, &options);
    std::ifstream file(std::string(MORVELIN_SOURCE_DIR) + "/help/" + help_file_name);
    const std::string page((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(page.find("id=\"" + asked[0].anchor.toStdString() + "\""), std::string::npos) << asked[0].anchor.toStdString();
}

// Column 3 needs a folder; the folder chosen goes to AUDIO CDS on OK only and is there after a restart.
TEST_F(OptionsFormTest, TheCdFolderIsCheckedStoredOnOkAndSurvivesARestart) {
    const std::string folder = settings_dir_.path() + "copy7";
    std::filesystem::create_directories(folder);
    // The CD plays from the drive.
    run(*window, [&](TOptionsForm& f) {
        TFrameSelectAudioCDs* cds = f.audio_cds_frame()->cds();
        EXPECT_EQ(cds->row_count(), 1); // CD 10 is always available
        cds->button(0, 2)->setChecked(true);
        return press_ok(f);
    });
    EXPECT_FALSE(shown().visible.carriers.cds_on_hd.contains(1));
    EXPECT_TRUE(shown().visible.carriers.playable_cds.contains(1));
    EXPECT_TRUE(messages.shown().empty());

    dialogs.answer(folder + "/");
    run(*window, [&](TOptionsForm& f) {
        TFrameSelectAudioCDs* cds = f.audio_cds_frame()->cds();
        EXPECT_TRUE(cds->button(0, 2)->isChecked());
        cds->button(0, 3)->setChecked(true);
        EXPECT_NE(press_ok(f), QDialog::Accepted);
        EXPECT_TRUE(messages.any_contains("\"SAROVAN BIRD SOUNDS: VOLUME ONE OF THREE\""));
        cds->folder_button(0)->click();
        return int(QDialog::Rejected); // Cancel forgets the folder
    });
    EXPECT_TRUE(data_set().audio_cd_by_sequence(1).hard_disk_folder.empty());
    EXPECT_TRUE(settings::read_audio_cd_copy(7).folder.empty());

    dialogs.answer(folder);
    run(*window, [&](TOptionsForm& f) {
        TFrameSelectAudioCDs* cds = f.audio_cds_frame()->cds();
        cds->button(0, 3)->setChecked(true);
        cds->folder_button(0)->click();
        EXPECT_TRUE(cds->name_label(0)->text().endsWith(QString::fromStdString(folder)));
        return press_ok(f);
    });
    EXPECT_EQ(data_set().audio_cd_by_sequence(1).hard_disk_folder, folder);
    EXPECT_TRUE(shown().visible.carriers.cds_on_hd.contains(1));
    EXPECT_EQ(settings::read_audio_cd_copy(7).folder, folder);
    // A restart reads the folder back with the data.
    const auto restarted = load_data({disc_dir_.path()});
    EXPECT_EQ(restarted->audio_cd_by_sequence(1).hard_disk_folder, folder);
}

// The data offers one systematic order: its frame is hidden and the next frames move up.
class OneOrderOptionsTest : public OptionsFormTest {
    void prepare_disc() override { disc["syst_ord.txt"] = "@#[ORDERS]\n"; }
};

TEST_F(OneOrderOptionsTest, OneSystematicOrderHidesItsFrame) {
    TOptionsForm options;
    EXPECT_TRUE(options.systematic_order_frame()->isHidden());
    const auto frames = options.settings_frames();
    // Names at (30, 9); the only-with frame follows the names frame directly.
    EXPECT_EQ(frames[0]->pos(), QPoint(30, 9));
    EXPECT_EQ(frames[2]->y(), frames[0]->y() + frames[0]->height() + TOptionsForm::frame_gap);
}

} // namespace
} // namespace morvelin::testing
