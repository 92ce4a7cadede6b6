// Settings files from the fuzzer, and the values the program reads from them: every read gives a value
// within its documented range, number sets, area selections and view states read back what they write,
// window places land on the screen, and a write to the file is read back unchanged without disturbing
// another section's value.

#include "core/areas/sarovan_area.h"
#include "core/display/view_state.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/utilities.h"
#include "core/settings/settings_sections.h"
#include "fuzz_folder.h"
#include "fuzz_harness.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace morvelin;

namespace {

// The sections and keys of the file, as the reader sees them, with the program's own added.
std::vector<std::pair<std::string, std::string>> keys_of(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> keys = {
        {"GENERAL", "Text Size"}, {"GENERAL", "Windows"},  {"WINDOW 1", "Coord"},
        {"WINDOW 1", "Visible"},  {"WINDOW 1", "Selected Area"}, {"WINDOW 1", "Visible Audio CDs"}};
    std::size_t at = 0;
    while ((at = text.find('[', at)) != std::string_view::npos && keys.size() < 40) {
        const std::size_t end = text.find_first_of("]\r\n", at);
        if (end == std::string_view::npos || text[end] != ']') break;
        const std::string section(text.substr(at + 1, end - at - 1));
        for (const std::string& key : settings_read_section_keys("", section))
            keys.emplace_back(section, key);
        at = end;
    }
    return keys;
}

bool same_state(const TShowStringsViewState& a, const TShowStringsViewState& b) {
    return a.groups == b.groups && a.top_group == b.top_group && a.top_family == b.top_family &&
           a.top_species == b.top_species && a.selected_family == b.selected_family &&
           a.selected_species == b.selected_species && a.unfolded_families == b.unfolded_families;
}

// A main window's section as the window reads it: its numbers in range, its place on the screen, its
// view state read back as written.
void check_window_section(const std::string& section) {
    const settings::WindowSettings w = settings::read_window_settings(section, 5);
    fuzzing::require(w.systematic_order >= 1 && w.systematic_order <= 4, "an order kind outside 1..4");
    if (const auto r = w.rectangle()) {
        for (int v : *r)
            fuzzing::require(v >= -settings::max_coordinate && v <= settings::max_coordinate,
                             "a coordinate beyond the limit");
        const settings::ScreenRect screen{-1920, 0, 3840, 1080};
        const settings::ScreenRect placed = settings::place_on_screen(*r, screen, 400, 300);
        fuzzing::require(placed.width >= 1 && placed.height >= 1 && placed.left >= screen.left &&
                             placed.top >= screen.top &&
                             placed.left + placed.width <= screen.left + screen.width &&
                             placed.top + placed.height <= screen.top + screen.height,
                         "a window placed off the screen");
    }
    for (const TShowStringsViewState& state :
         {TShowStringsViewState::from_text(w.visible), TShowStringsViewState::from_text(w.coord)}) {
        fuzzing::require(state.top_group >= 1 && state.top_group <= 6, "a top group outside 1..6");
        fuzzing::require(state.unfolded_families.size() <= TShowStringsViewState::max_unfolded_families,
                         "more unfolded families than kept");
        fuzzing::require(same_state(TShowStringsViewState::from_text(state.to_text(true)), state),
                         "a view state reads back otherwise");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    environment().settings_file_path = fuzzing::write_private_file("Morvelin.ini", text);
    environment().settings_on_cdrom = false;

    const auto keys = keys_of(text);
    for (const auto& [section, key] : keys) {
        const std::string value = settings_read_string("", section, key, "");
        fuzzing::require(value.size() <= 200, "a value longer than 200 characters");
        fuzzing::require(settings_read_integer("", section, key, 7) >= 0, "a negative number");
        settings_read_yes_no("", section, key, false);

        const NumberSet set = settings_read_number_set("", section, key, NumberSet{});
        for (int n : set.members())
            fuzzing::require(n >= 1 && n <= 255, "a number set member outside 1..255");
        fuzzing::require(NumberSet::from_text(set.to_text()) == set, "a number set reads back otherwise");

        bool error = false;
        parse_four_integers(value, error);

        TSarovanArea area;
        area.set_from_text(value, section, false);
        TSarovanArea again;
        again.set_from_text(area.selection_text(), section, false);
        fuzzing::require(again.selection_text() == area.selection_text(),
                         "an area selection reads back otherwise");
    }

    const settings::GeneralSettings general = settings::read_general_settings();
    fuzzing::require(general.windows >= 1 && general.windows <= settings::GeneralSettings::max_windows,
                     "a window count out of range");
    fuzzing::require(general.text_size >= settings::GeneralSettings::min_text_size &&
                         general.text_size <= settings::GeneralSettings::max_text_size,
                     "a text size out of range");
    if (const auto at = settings::stored_position(general.volume_control_coordinates))
        for (int v : *at)
            fuzzing::require(std::abs(v) <= settings::max_coordinate, "a position beyond the limit");
    const settings::PlaylistSettings lists = settings::read_playlist_settings();
    const settings::ShowSettings show = settings::read_show_settings();
    for (int seconds : {lists.seconds_between_sounds, lists.seconds_after_spoken_names,
                        show.seconds_between_sounds, show.seconds_after_spoken_names})
        fuzzing::require(seconds >= 0 && seconds <= settings::BetweenSoundsOptions::max_seconds,
                         "a pause out of range");
    fuzzing::require(show.slide_show_speed >= 1 &&
                         show.slide_show_speed <= settings::ShowSettings::max_slide_show_speed,
                     "a slide speed out of range");
    // Every section read as a main window's, the first window's too when the file has none.
    std::vector<std::string> sections = {settings::window_section(1)};
    for (const auto& [section, key] : keys)
        if (std::find(sections.begin(), sections.end(), section) == sections.end() && sections.size() < 8)
            sections.push_back(section);
    for (const std::string& section : sections)
        check_window_section(section);

    // A write is read back, and leaves another section's value as it was.
    const std::string before = settings_read_string("", "GENERAL", "Text Size", "none");
    if (settings_write_string("", "WINDOW 1", "Coord", "10,20,300,400")) {
        fuzzing::require(settings_read_string("", "WINDOW 1", "Coord", "") == "10,20,300,400",
                         "a written value reads back otherwise");
        fuzzing::require(settings_read_string("", "GENERAL", "Text Size", "none") == before,
                         "a write changed another section");
    }
    return 0;
}
