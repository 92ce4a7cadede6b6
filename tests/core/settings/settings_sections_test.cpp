#include "core/foundation/environment.h"
#include "core/settings/settings_sections.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <climits>

using namespace morvelin;
using namespace morvelin::settings;
using namespace morvelin::testing;

namespace {

class SettingsSectionsTest : public ::testing::Test {
protected:
    std::string ini() const { return settings_.ini(); }

    ScratchSettings settings_;
};

TEST_F(SettingsSectionsTest, AnAbsentFileGivesTheDefaults) {
    const GeneralSettings g = read_general_settings();
    EXPECT_EQ(g.windows, 1);
    EXPECT_EQ(g.text_size, 15);
    EXPECT_FALSE(g.just_installed);
    EXPECT_EQ(g.sound_editing_program, "c:\\Program Files\\Cool2000\\Cool2000.exe");
    EXPECT_TRUE(g.show_volume_control);
    EXPECT_TRUE(g.use_only_one_web_browser_window);
    EXPECT_EQ(g.audio_cd_device, 1);

    const WindowSettings w = read_window_settings("WINDOW 1", 3);
    EXPECT_TRUE(w.maximized);
    EXPECT_EQ(w.main, "Other Language");
    EXPECT_EQ(w.systematic_order, 1);
    EXPECT_EQ(w.visible_cds, (NumberSet{1, 2, 3})) << "every CD of the data";
    EXPECT_EQ(w.cds_on_hd, (NumberSet{1, 2, 3}));
    EXPECT_FALSE(w.rectangle());

    const PlaylistSettings p = read_playlist_settings();
    EXPECT_EQ(p.seconds_between_sounds, 1);
    EXPECT_TRUE(p.tell_species_names);
    EXPECT_FALSE(p.tell_names_afterwards);
    EXPECT_FALSE(p.open_at_startup);

    const ShowSettings s = read_show_settings();
    EXPECT_EQ(s.slide_show_speed, 10);
    EXPECT_TRUE(s.show_slides());
    EXPECT_TRUE(s.play_sounds());
}

// Every number is brought into its range where it is read: sizes and counts to the nearest allowed
// value, choices to their default.
TEST_F(SettingsSectionsTest, NumbersOutsideTheirRangeAreBroughtBack) {
    write_file(ini(), "[GENERAL]\nWindows=2147483647\nText Size=2147483647\n"
                      "CD-ROM drive used for audio CDs=4000\nLast accessed tab page in options dialog=77\n"
                      "Pictures Background Color=99999999\n"
                      "[WINDOW 1]\nSystematic Order=9\nCoord=-2147483648,2147483647,2147483647,-2147483648\n"
                      "[PLAYLISTS]\nSeconds between Sounds=100000\nSeconds after Spoken Names=2147483647\n"
                      "[SLIDES AND SOUNDS SHOW]\nSlide Show Speed=9999999\nShow Type=Sounds Only\n");
    const GeneralSettings g = read_general_settings();
    EXPECT_EQ(g.windows, GeneralSettings::max_windows);
    EXPECT_EQ(g.text_size, GeneralSettings::max_text_size);
    EXPECT_EQ(g.audio_cd_device, 1);
    EXPECT_EQ(g.last_options_page, 0);
    EXPECT_EQ(g.pictures_background_color, 0);

    const WindowSettings w = read_window_settings("WINDOW 1", 0);
    EXPECT_EQ(w.systematic_order, 1);
    const int m = max_coordinate;
    EXPECT_EQ(w.rectangle(), (std::array<int, 4>{-m, m, m, -m}));

    const PlaylistSettings p = read_playlist_settings();
    EXPECT_EQ(p.seconds_between_sounds, BetweenSoundsOptions::max_seconds);
    EXPECT_EQ(p.seconds_after_spoken_names, BetweenSoundsOptions::max_seconds);

    const ShowSettings s = read_show_settings();
    EXPECT_EQ(s.slide_show_speed, ShowSettings::max_slide_show_speed);
    EXPECT_FALSE(s.show_slides());
    EXPECT_TRUE(s.play_sounds());

    write_file(ini(), "[GENERAL]\nWindows=0\nText Size=0\n");
    EXPECT_EQ(read_general_settings().windows, 1);
    EXPECT_EQ(read_general_settings().text_size, GeneralSettings::min_text_size);
}

TEST(PlaceOnScreen, AWindowAlwaysLiesOnTheScreen) {
    const ScreenRect screen{0, 0, 1280, 1024};
    struct Case {
        std::array<int, 4> stored;
        ScreenRect expected;
    };
    const Case cases[] = {
        {{10, 20, 410, 320}, {10, 20, 400, 300}},                   // on the screen: as stored
        {{-500, 100, -100, 400}, {0, 100, 400, 300}},               // left of it
        {{1200, 900, 1600, 1200}, {880, 724, 400, 300}},            // beyond the bottom right corner
        {{-100, -100, 5000, 5000}, {0, 0, 1280, 1024}},             // larger than the screen
        {{400, 300, 100, 100}, {400, 300, 1, 1}},                   // right and left swapped
        {{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, {1279, 1023, 1, 1}}, // the integer limits
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 1280, 1024}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(place_on_screen(c.stored, screen), c.expected) << c.stored[0] << "," << c.stored[1];
    // A window never becomes smaller than it can be.
    EXPECT_EQ(place_on_screen({INT_MAX, INT_MAX, INT_MIN, INT_MIN}, screen, 200, 100),
              (ScreenRect{1080, 924, 200, 100}));
    EXPECT_EQ(place_on_screen({0, 0, 5000, 5000}, screen, 2000, 100), (ScreenRect{0, 0, 1280, 1024}));
    // A desktop whose first screen starts left of and above the origin.
    EXPECT_EQ(place_on_screen({-3000, -3000, -2900, -2900}, {-1920, -200, 3840, 1280}),
              (ScreenRect{-1920, -200, 100, 100}));
}

// The keys, their spelling and their order are those the files already hold: a window written whole
// into an empty file gives exactly these lines.
TEST_F(SettingsSectionsTest, AWindowIsWrittenWithTheKeysOfItsGroupsInTheirOrder) {
    WindowSettings w = read_window_settings("WINDOW 2", 2);
    w.set_rectangle({1, 2, 3, 4});
    w.maximized = false;
    w.selected_area = "IN-SR";
    w.visible = "0,1";
    SettingsChanges changes;
    write_window_settings(changes, "WINDOW 2", w, all_groups & ~WindowSettings::media_filters);
    ASSERT_TRUE(changes.commit());
    EXPECT_EQ(read_file(ini()), "[WINDOW 2]\n"
                                "Coord=1,2,3,4\n"
                                "Maximized=No\n"
                                "Other Language=Yes\n"
                                "Scientific=Yes\n"
                                "Main=Other Language\n"
                                "Systematic Order=1\n"
                                "Show Threatened Bird Indications=Yes\n"
                                "Show department on first line of recording data=Yes\n"
                                "Show country on first line of recording data=Yes\n"
                                "Selected Area=IN-SR\n"
                                "Visible Audio CDs=1-2\n"
                                "Playable Audio CDs=1-2\n"
                                "Audio CDs on HD=1-2\n"
                                "Show Native Recordings=Yes\n"
                                "Visible=0,1\n");
    EXPECT_EQ(read_window_settings("WINDOW 2", 0).selected_area, "IN-SR");
}

// What an options page binds to: apply writes what was edited and only that, cancel forgets the edits.
TEST_F(SettingsSectionsTest, ModelLoadsAppliesTheEditsOnlyAndCancels) {
    const std::string original = "; kept as it is\r\n[GENERAL]\r\nText Size=20\r\n  Windows = 2 \r\n";
    write_file(ini(), original);
    SettingsModel<GeneralSettings> model(GeneralSettings::section(), GeneralSettings::defaults());
    model.load();
    EXPECT_EQ(model.stored().text_size, 20);
    EXPECT_EQ(model.edited().windows, 2);

    EXPECT_FALSE(model.apply()) << "nothing edited";
    EXPECT_EQ(read_file(ini()), original);

    model.edited().text_size = 24;
    model.cancel();
    EXPECT_EQ(model.edited().text_size, 20);
    EXPECT_FALSE(model.apply());
    EXPECT_EQ(read_file(ini()), original);

    model.edited().text_size = 24;
    model.edited().show_volume_control = false;
    EXPECT_TRUE(model.apply());
    EXPECT_EQ(read_file(ini()), "; kept as it is\r\n[GENERAL]\r\nText Size=24\r\n  Windows = 2 \r\n"
                                "Show Volume Control=No\r\n");
    EXPECT_EQ(model.stored().text_size, 24);
}

TEST_F(SettingsSectionsTest, AudioCdCopiesAreKeyedByTheCdNumber) {
    SettingsChanges changes;
    write_audio_cd_copy(changes, 7, {"OWLS", "/home/user/owls/"});
    ASSERT_TRUE(changes.commit());
    EXPECT_EQ(read_file(ini()), "[AUDIO CDS]\nPart of short name CD 7=OWLS\n"
                                "Directory on hard disk CD 7=/home/user/owls/\n");
    EXPECT_EQ(read_audio_cd_copy(7).folder, "/home/user/owls/");
    EXPECT_EQ(read_audio_cd_copy(8).short_name, "");
}

} // namespace

// The listening settings as stored: the top frequency is brought into 1..96 kHz, a colour map other
// than the two is the default, and garbage (text, signs, numbers past an int) is the default.
TEST_F(SettingsSectionsTest, ListeningSettingsAreReadIntoTheirRange) {
    struct Case {
        const char* strips;
        const char* colour_map;
        const char* top_khz;
        bool want_strips;
        int want_colour_map;
        int want_top_khz;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, false, 0, 12}, // absent: the defaults
        {"Yes", "1", "8", true, 1, 8},
        {"No", "0", "96", false, 0, 96},
        {"yes", "2", "97", true, 0, 96},
        {"True", "-1", "0", true, 0, 1},
        {"", "2147483647", "2147483647", false, 0, 96},
        {"maybe", "99999999999999", "99999999999999", false, 0, 12},
        {"Y", "one", "-5", true, 0, 12},
        {"N", " 1 ", "12kHz", false, 1, 12},
        {"\x01\xff", "0x1", "+20", false, 0, 20},
    };
    for (const Case& c : cases) {
        std::string text = "[GENERAL]\n";
        if (c.strips) text += std::string("Sonogram Strips=") + c.strips + "\n";
        if (c.colour_map) text += std::string("Sonogram Colour Map=") + c.colour_map + "\n";
        if (c.top_khz) text += std::string("Sonogram Top kHz=") + c.top_khz + "\n";
        write_file(ini(), text);
        const GeneralSettings g = read_general_settings();
        SCOPED_TRACE(text);
        EXPECT_EQ(g.sonogram_strips, c.want_strips);
        EXPECT_EQ(g.sonogram_colour_map, c.want_colour_map);
        EXPECT_EQ(g.sonogram_top_khz, c.want_top_khz);
    }

    // Written through the model, read back as written.
    write_file(ini(), "");
    SettingsModel<GeneralSettings> model(GeneralSettings::section(), GeneralSettings::defaults());
    model.load();
    model.edited().sonogram_strips = true;
    model.edited().sonogram_colour_map = 1;
    model.edited().sonogram_top_khz = 20;
    ASSERT_TRUE(model.apply());
    EXPECT_EQ(read_file(ini()), "[GENERAL]\nSonogram Strips=Yes\nSonogram Colour Map=1\nSonogram Top kHz=20\n");
    const GeneralSettings g = read_general_settings();
    EXPECT_TRUE(g.sonogram_strips);
    EXPECT_EQ(g.sonogram_colour_map, 1);
    EXPECT_EQ(g.sonogram_top_khz, 20);
}
