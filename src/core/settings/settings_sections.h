#pragma once
// The sections of the settings file as plain structs. Each struct's fields() table is the one place
// that spells its keys, defaults and allowed ranges (see settings_table.h): a struct made with {} is
// zeroed, defaults() gives the table's values, and read_* functions give the defaults overlaid with
// what the file holds, every number brought into its range. Values that are paths are native (UTF-8).

#include "core/settings/settings_table.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace morvelin::settings {

// Window places as stored: "left,top,right,bottom" (right and bottom one past the window) or "left,top".
// Coordinates beyond max_coordinate are damage, not a screen: they are clamped to it, and the window
// that reads them brings itself back onto the screen. None when the text does not hold the numbers.
inline constexpr int max_coordinate = 1 << 20;
std::optional<std::array<int, 4>> stored_rectangle(const std::string& text);
std::optional<std::array<int, 2>> stored_position(const std::string& text);

// ---- GENERAL ----
struct GeneralSettings {
    std::string base_directory;        // Base Directory
    bool just_installed{};             // Just Installed: an installer asks to keep the disc only
    std::string text_file;             // Text File: the language file; empty = the default name
    int windows{};                     // Windows: main windows open at the last exit
    int text_size{};                   // Text Size: pixel height of the normal text
    std::string sound_editing_program; // Sound Editing Program
    bool maximize_sound_editing_program{};
    int audio_cd_device{};                  // CD-ROM drive used for audio CDs (1-based)
    bool show_volume_control{};             // Show Volume Control
    std::string volume_control_coordinates; // "left,top"; empty: the middle of the screen
    bool use_integrated_web_browser{};
    bool use_only_one_web_browser_window{};
    int last_options_page{};         // Last accessed tab page in options dialog
    int pictures_background_color{}; // 0x00BBGGRR
    int next_month_for_colors_warning{}; // 1..12; 0: none stored (the warning is due)
    // Listening: what the sonogram window and the species text's strips open with.
    bool sonogram_strips{};    // a sonogram strip under each sound bar of the species text
    int sonogram_colour_map{}; // 0 grey on white, 1 the perceptual colour map
    int sonogram_top_khz{};    // the top of the band shown, brought below half the sample rate when used

    static constexpr int max_windows = 20;
    static constexpr int min_top_khz = 1;
    static constexpr int max_top_khz = 96; // half of the highest sample rate a sound file may have
    static constexpr int min_text_size = 8;
    static constexpr int max_text_size = 40;

    static FieldTable<GeneralSettings> fields();
    static GeneralSettings defaults() { return defaults_of(fields()); }
    static const std::string& section(); // program_config().general_section
};
GeneralSettings read_general_settings(const SettingsReader& reader = SettingsReader());
// Writes one field of GENERAL now, e.g. write_general(&GeneralSettings::windows, s).
template <class T>
bool write_general(T GeneralSettings::*member, const GeneralSettings& s, const std::string& file = {}) {
    SettingsChanges changes;
    write_field(changes, GeneralSettings::section(), GeneralSettings::fields(), s, member);
    return changes.commit(file);
}

// ---- WINDOW n: one per main window ----
struct WindowSettings {
    // Groups of fields, written together.
    static constexpr Groups placement = 1;      // Coord, Maximized
    static constexpr Groups names = 2;          // names, order, threatened statuses, departments
    static constexpr Groups country = 4;        // editions that offer countries
    static constexpr Groups area = 8;           // editions with an area scheme
    static constexpr Groups media_filters = 16; // editions with the only-with-sounds/photos filters
    static constexpr Groups audio_cds = 32;     // data with audio CDs
    static constexpr Groups view = 64;          // Visible

    std::string coord; // "left,top,right,bottom", right and bottom one past the window
    bool maximized{};
    bool other_language{};
    bool scientific{};
    std::string main;       // "Other Language" or "Scientific": the name that comes first
    int systematic_order{}; // order kind 1..4
    bool show_threatened{};
    bool show_department{};
    bool show_country{};
    std::string selected_area; // area codes joined by '-'; empty: the scheme's default
    bool only_with_sounds_or_photos{};
    bool only_with_sounds{};
    bool only_with_photos{};
    NumberSet visible_cds; // default: every CD of the data
    NumberSet playable_cds;
    NumberSet cds_on_hd;
    bool show_native{};
    std::string visible; // the text pane's view state

    // Coord as four numbers, each within +-max_coordinate; no value when Coord does not hold four.
    std::optional<std::array<int, 4>> rectangle() const;
    void set_rectangle(const std::array<int, 4>& left_top_right_bottom);

    static FieldTable<WindowSettings> fields();
    static WindowSettings defaults() { return defaults_of(fields()); }
};
std::string window_section(int number); // "WINDOW " + number
// The defaults with every CD 1..audio_cd_count in the CD sets, overlaid with the section.
WindowSettings read_window_settings(const std::string& section, int audio_cd_count,
                                    const SettingsReader& reader = SettingsReader());
// Adds the writes of the fields in groups, in the order of the table.
void write_window_settings(SettingsChanges& changes, const std::string& section, const WindowSettings& s,
                           Groups groups);

// A window rectangle (left, top, width, height) that lies on the screen: as stored when it does,
// otherwise at least the window's minimum size, no larger than the screen, and moved inside it.
struct ScreenRect {
    int left{};
    int top{};
    int width{};
    int height{};
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};
ScreenRect place_on_screen(const std::array<int, 4>& left_top_right_bottom, const ScreenRect& screen,
                           int min_width = 1, int min_height = 1);

// ---- the options between two sounds of a play list or a show ----
struct BetweenSoundsOptions {
    int seconds_between_sounds{};
    bool tell_species_names{};
    bool tell_names_afterwards{};
    int seconds_after_spoken_names{};

    static constexpr int max_seconds = 99; // two digits in the options
};
// The four keys of the options, for any file that holds them (the settings file, play list files).
FieldTable<BetweenSoundsOptions> between_sounds_fields();

// ---- PLAYLISTS ----
struct PlaylistSettings : BetweenSoundsOptions {
    std::string coord;   // "left,top,right,bottom" of the play list window
    std::string current; // the list shown last
    bool open_at_startup{};

    static FieldTable<PlaylistSettings> fields();
    static PlaylistSettings defaults() { return defaults_of(fields()); }
    static constexpr const char* section = "PLAYLISTS";
};
PlaylistSettings read_playlist_settings(const SettingsReader& reader = SettingsReader());

// ---- SLIDES AND SOUNDS SHOW ----
struct ShowSettings : BetweenSoundsOptions {
    std::string show_type;  // "Slides and Sounds", "Sounds Only" or "Slides Only"
    int slide_show_speed{}; // seconds per slide

    static constexpr int max_slide_show_speed = 999; // three digits in the show settings
    bool show_slides() const;
    bool play_sounds() const;

    static FieldTable<ShowSettings> fields();
    static ShowSettings defaults() { return defaults_of(fields()); }
    static constexpr const char* section = "SLIDES AND SOUNDS SHOW";
};
ShowSettings read_show_settings(const SettingsReader& reader = SettingsReader());

// ---- AUDIO CDS: the hard-disk copy of an audio CD, keyed by the CD's number ----
struct AudioCdCopy {
    std::string short_name; // Part of short name CD n: the CD the copy was made of
    std::string folder;     // Directory on hard disk CD n
};
constexpr const char* audio_cds_section = "AUDIO CDS";
AudioCdCopy read_audio_cd_copy(int cd_number, const SettingsReader& reader = SettingsReader());
void write_audio_cd_copy(SettingsChanges& changes, int cd_number, const AudioCdCopy& copy);

// ---- SONOGRAM: the sonogram window's place, time scale and shading (its colours and band are
// GENERAL's listening settings) ----
struct SonogramSettings {
    std::string coord;   // "left,top,right,bottom" of the window
    int seconds_shown{}; // the time shown across the window at first
    int brightness{};    // dB added before the colour map: -40 .. 40
    int contrast{};      // the dB range from white to black: 20 .. 120

    static FieldTable<SonogramSettings> fields();
    static SonogramSettings defaults() { return defaults_of(fields()); }
    static constexpr const char* section = "SONOGRAM";
};
SonogramSettings read_sonogram_settings(const SettingsReader& reader = SettingsReader());

} // namespace morvelin::settings
