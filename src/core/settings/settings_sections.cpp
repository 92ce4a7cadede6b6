#include "core/settings/settings_sections.h"

#include "core/foundation/environment.h"
#include "core/foundation/utilities.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace morvelin::settings {

namespace {

using G = GeneralSettings;
using W = WindowSettings;
using P = PlaylistSettings;
using S = ShowSettings;
constexpr auto as_default = OutOfRange::use_default;

// The four between-sounds rows, for any section that holds the options.
template <class T> std::vector<Field<T>> between_sounds_rows() {
    return {
        IntField<T>{"Seconds between Sounds", &T::seconds_between_sounds, 1, 0, T::max_seconds},
        BoolField<T>{"Tell Species Names", &T::tell_species_names, true},
        BoolField<T>{"Tell names Afterwards", &T::tell_names_afterwards, false},
        IntField<T>{"Seconds after Spoken Names", &T::seconds_after_spoken_names, 1, 0, T::max_seconds},
    };
}

template <class T> std::vector<Field<T>> joined(std::vector<Field<T>> a, const std::vector<Field<T>>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

// ---- GENERAL ----

FieldTable<GeneralSettings> GeneralSettings::fields() {
    static const Field<G> table[] = {
        TextField<G>{"Base Directory", &G::base_directory, ""},
        BoolField<G>{"Just Installed", &G::just_installed, false},
        TextField<G>{"Text File", &G::text_file, ""},
        IntField<G>{"Windows", &G::windows, 1, 1, max_windows},
        IntField<G>{"Text Size", &G::text_size, 15, min_text_size, max_text_size},
        TextField<G>{"Sound Editing Program", &G::sound_editing_program,
                     "c:\\Program Files\\Cool2000\\Cool2000.exe"},
        BoolField<G>{"Maximize Sound Editing Program", &G::maximize_sound_editing_program, false},
        IntField<G>{"CD-ROM drive used for audio CDs", &G::audio_cd_device, 1, 0, 99, as_default},
        BoolField<G>{"Show Volume Control", &G::show_volume_control, true},
        TextField<G>{"Volume Control Coordinates", &G::volume_control_coordinates, ""},
        BoolField<G>{"Use Integrated Web Browser", &G::use_integrated_web_browser, false},
        BoolField<G>{"Use Only One Web Browser Window", &G::use_only_one_web_browser_window, true},
        IntField<G>{"Last accessed tab page in options dialog", &G::last_options_page, 0, 0, 15, as_default},
        IntField<G>{"Pictures Background Color", &G::pictures_background_color, 0, 0, 0xFFFFFF, as_default},
        IntField<G>{"Next Month for Colors Warning", &G::next_month_for_colors_warning, 0, 0, 12, as_default},
        BoolField<G>{"Sonogram Strips", &G::sonogram_strips, false},
        IntField<G>{"Sonogram Colour Map", &G::sonogram_colour_map, 0, 0, 1, as_default},
        IntField<G>{"Sonogram Top kHz", &G::sonogram_top_khz, 12, min_top_khz, max_top_khz},
    };
    return table;
}

const std::string& GeneralSettings::section() {
    return program_config().general_section;
}

GeneralSettings read_general_settings(const SettingsReader& reader) {
    GeneralSettings s = GeneralSettings::defaults();
    read_fields(reader, GeneralSettings::section(), GeneralSettings::fields(), s);
    return s;
}

// ---- WINDOW n ----

FieldTable<WindowSettings> WindowSettings::fields() {
    // The order is the order of writing: new keys are appended to a section in this order.
    static const Field<W> table[] = {
        TextField<W>{"Coord", &W::coord, "", placement},
        BoolField<W>{"Maximized", &W::maximized, true, placement},
        BoolField<W>{"Other Language", &W::other_language, true, names},
        BoolField<W>{"Scientific", &W::scientific, true, names},
        TextField<W>{"Main", &W::main, "Other Language", names},
        IntField<W>{"Systematic Order", &W::systematic_order, 1, 1, 4, as_default, names},
        BoolField<W>{"Show Threatened Bird Indications", &W::show_threatened, true, names},
        BoolField<W>{"Show department on first line of recording data", &W::show_department, true, names},
        BoolField<W>{"Show country on first line of recording data", &W::show_country, true, country},
        TextField<W>{"Selected Area", &W::selected_area, "", area},
        BoolField<W>{"Show Only Specs With Sounds Or Photos", &W::only_with_sounds_or_photos, false,
                     media_filters},
        BoolField<W>{"Show Only Specs With Sounds", &W::only_with_sounds, false, media_filters},
        BoolField<W>{"Show Only Specs With Photos", &W::only_with_photos, false, media_filters},
        SetField<W>{"Visible Audio CDs", &W::visible_cds, audio_cds},
        SetField<W>{"Playable Audio CDs", &W::playable_cds, audio_cds},
        SetField<W>{"Audio CDs on HD", &W::cds_on_hd, audio_cds},
        BoolField<W>{"Show Native Recordings", &W::show_native, true, audio_cds},
        TextField<W>{"Visible", &W::visible, "", view},
    };
    return table;
}

std::optional<std::array<int, 4>> stored_rectangle(const std::string& text) {
    bool error = false;
    auto values = parse_four_integers(text, error);
    if (error) return std::nullopt;
    for (int& v : values)
        v = std::clamp(v, -max_coordinate, max_coordinate);
    return values;
}

std::optional<std::array<int, 2>> stored_position(const std::string& text) {
    std::string rest = text;
    bool error = false;
    const int left = parse_integer(take_comma_field(rest), 0, error);
    const int top = parse_integer(rest, 0, error);
    if (error) return std::nullopt;
    return std::array<int, 2>{std::clamp(left, -max_coordinate, max_coordinate),
                              std::clamp(top, -max_coordinate, max_coordinate)};
}

std::optional<std::array<int, 4>> WindowSettings::rectangle() const {
    return stored_rectangle(coord);
}

void WindowSettings::set_rectangle(const std::array<int, 4>& r) {
    coord = render_four_integers(r);
}

std::string window_section(int number) {
    return "WINDOW " + std::to_string(number);
}

WindowSettings read_window_settings(const std::string& section, int audio_cd_count,
                                    const SettingsReader& reader) {
    WindowSettings s = WindowSettings::defaults();
    for (int i = 1; i <= audio_cd_count; ++i) {
        s.visible_cds.insert(i);
        s.playable_cds.insert(i);
        s.cds_on_hd.insert(i);
    }
    read_fields(reader, section, WindowSettings::fields(), s);
    return s;
}

void write_window_settings(SettingsChanges& changes, const std::string& section, const WindowSettings& s,
                           Groups groups) {
    write_fields(changes, section, WindowSettings::fields(), s, groups);
}

ScreenRect place_on_screen(const std::array<int, 4>& r, const ScreenRect& screen, int min_width, int min_height) {
    // In 64 bits: the stored numbers may be anything an int holds.
    auto span = [](long long from, long long to, long long least, long long limit) {
        return static_cast<int>(std::clamp(to - from, std::min(least, limit), std::max(1LL, limit)));
    };
    ScreenRect out;
    out.width = span(r[0], r[2], std::max(1, min_width), screen.width);
    out.height = span(r[1], r[3], std::max(1, min_height), screen.height);
    auto start = [](long long at, int size, int screen_start, int screen_size) {
        const long long last = static_cast<long long>(screen_start) + screen_size - size;
        return static_cast<int>(std::clamp(at, static_cast<long long>(screen_start),
                                           std::max(static_cast<long long>(screen_start), last)));
    };
    out.left = start(r[0], out.width, screen.left, screen.width);
    out.top = start(r[1], out.height, screen.top, screen.height);
    return out;
}

FieldTable<BetweenSoundsOptions> between_sounds_fields() {
    static const std::vector<Field<BetweenSoundsOptions>> table = between_sounds_rows<BetweenSoundsOptions>();
    return table;
}

// ---- PLAYLISTS ----

FieldTable<PlaylistSettings> PlaylistSettings::fields() {
    static const std::vector<Field<P>> table = joined<P>(
        {
            TextField<P>{"Coord", &P::coord, ""},
            TextField<P>{"Current", &P::current, ""},
            BoolField<P>{"Open at Startup", &P::open_at_startup, false},
        },
        between_sounds_rows<P>());
    return table;
}

PlaylistSettings read_playlist_settings(const SettingsReader& reader) {
    PlaylistSettings s = PlaylistSettings::defaults();
    read_fields(reader, PlaylistSettings::section, PlaylistSettings::fields(), s);
    return s;
}

// ---- SLIDES AND SOUNDS SHOW ----

FieldTable<ShowSettings> ShowSettings::fields() {
    static const std::vector<Field<S>> table = joined<S>(
        {
            TextField<S>{"Show Type", &S::show_type, "Slides and Sounds"},
            IntField<S>{"Slide Show Speed", &S::slide_show_speed, 10, 1, max_slide_show_speed},
        },
        between_sounds_rows<S>());
    return table;
}

bool ShowSettings::show_slides() const {
    return show_type != "Sounds Only";
}

bool ShowSettings::play_sounds() const {
    return show_type != "Slides Only";
}

ShowSettings read_show_settings(const SettingsReader& reader) {
    ShowSettings s = ShowSettings::defaults();
    read_fields(reader, ShowSettings::section, ShowSettings::fields(), s);
    return s;
}

// ---- SONOGRAM ----

FieldTable<SonogramSettings> SonogramSettings::fields() {
    using N = SonogramSettings;
    static const Field<N> table[] = {
        TextField<N>{"Coord", &N::coord, ""},
        IntField<N>{"Seconds Shown", &N::seconds_shown, 10, 1, 3600},
        IntField<N>{"Brightness", &N::brightness, 0, -40, 40},
        IntField<N>{"Contrast", &N::contrast, 70, 20, 120},
    };
    return table;
}

SonogramSettings read_sonogram_settings(const SettingsReader& reader) {
    SonogramSettings s = SonogramSettings::defaults();
    read_fields(reader, SonogramSettings::section, SonogramSettings::fields(), s);
    return s;
}

// ---- AUDIO CDS ----

namespace {
std::string short_name_key(int n) {
    return "Part of short name CD " + std::to_string(n);
}
std::string folder_key(int n) {
    return "Directory on hard disk CD " + std::to_string(n);
}
} // namespace

AudioCdCopy read_audio_cd_copy(int cd_number, const SettingsReader& reader) {
    return {reader.read_string(audio_cds_section, short_name_key(cd_number), ""),
            reader.read_string(audio_cds_section, folder_key(cd_number), "")};
}

void write_audio_cd_copy(SettingsChanges& changes, int cd_number, const AudioCdCopy& copy) {
    changes.write_string(audio_cds_section, short_name_key(cd_number), copy.short_name);
    changes.write_string(audio_cds_section, folder_key(cd_number), copy.folder);
}

} // namespace morvelin::settings
