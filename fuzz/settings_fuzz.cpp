// Settings files from the fuzzer, and the values the program reads from them: every read gives a value
// within its documented range, number sets and area selections read back what they write, and a write
// to the file is read back unchanged without disturbing another section's value.

#include "core/areas/sarovan_area.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/utilities.h"
#include "fuzz_folder.h"
#include "fuzz_harness.h"

#include <cstdint>
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    environment().settings_file_path = fuzzing::write_private_file("Morvelin.ini", text);
    environment().settings_on_cdrom = false;

    for (const auto& [section, key] : keys_of(text)) {
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
        fuzzing::require(again.selection_text() == area.selection_text(), "an area selection reads back otherwise");
    }

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
