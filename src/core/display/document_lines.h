#pragma once
// The kinds of line a species document is made of, in the order they appear under a species, and
// where each kind starts on the pane.

#include <cstdint>

namespace morvelin {

namespace line_kind {
constexpr std::uint8_t group_fold = 1;
constexpr std::uint8_t group_header = 2;
constexpr std::uint8_t family_fold = 3;
constexpr std::uint8_t family_header = 4;
constexpr std::uint8_t family_scientific = 5;
constexpr std::uint8_t family_other = 6;
constexpr std::uint8_t species_fold = 7;
constexpr std::uint8_t species_header = 8;
constexpr std::uint8_t species_scientific = 9;
constexpr std::uint8_t species_other = 10;
constexpr std::uint8_t map_button = 11;
constexpr std::uint8_t content_icons = 12;
constexpr std::uint8_t literature_link = 13;
constexpr std::uint8_t area_status = 14;
constexpr std::uint8_t threatened_status = 15;
constexpr std::uint8_t other_names = 16;
constexpr std::uint8_t species_text = 17;
constexpr std::uint8_t pictures = 18;
constexpr std::uint8_t subspecies_header = 19;
constexpr std::uint8_t subspecies_pictures = 20;
constexpr std::uint8_t recording_number = 21;
constexpr std::uint8_t sound_bar = 22;
constexpr std::uint8_t cd_line = 23;
constexpr std::uint8_t recording_fold = 24;
constexpr std::uint8_t recording_code = 25;
constexpr std::uint8_t recording_title = 26;
constexpr std::uint8_t percentage = 27;
constexpr std::uint8_t detail_recordist = 28; // recordist, date and time
constexpr std::uint8_t detail_locality = 29;  // the locality
constexpr std::uint8_t detail_audible = 30;   // other species audible, remarks
} // namespace line_kind

// The x at which a line of the kind starts (0: where the previous line's drawing ended).
int kind_indent(std::uint8_t kind);
bool is_name_kind(std::uint8_t kind);
// Lines whose text is wrapped to the pane's width.
bool is_wrapped_kind(std::uint8_t kind);

} // namespace morvelin
