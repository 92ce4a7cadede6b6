#pragma once
// Editions: which product the program runs as, decided by the code in PROGR_NM.TXT, plus the program
// text values, the default data folder and two small number formatters.

#include <string>
#include <string_view>

namespace morvelin {

constexpr int unknown_edition_id = 103;
constexpr const char* unknown_edition_title = "Error: Unknown Natural Sounds Program";

// Edition options read by other parts of the program.
struct EditionSwitches {
    bool speak_species_names = false;       // species names can be spoken before the recordings
    bool all_species_flag_e = false;        // every species gets flag_e while loading
    bool species_media_filters = false;     // the "only with sounds / photos" filters are offered and stored
    bool show_country_option = false;       // "Show country on first line of recording data" is offered
    bool group_families = false;            // families are grouped (birds, mammals, reptiles, frogs)
    bool list_remaining_subspecies = false; // a closing line lists the subspecies without recordings
    bool hide_sound_files_row = false;      // the audio-CD frame has no row for the sound files on the disc
};

struct EditionSettings {
    int code = 0;                        // first line of PROGR_NM.TXT; 0 when missing or not a number
    int edition_id = unknown_edition_id; // 101..120
    bool language_english = true;
    bool language_spanish = false;
    bool language_dutch = false;
    bool language_portuguese = false;
    std::string title = unknown_edition_title; // in the user's language
    std::string english_title = unknown_edition_title;
    std::string version = "1.0";
    std::string region_country_1; // in the user's language; empty when none
    std::string region_country_2;
    std::string version_check_address; // complete page address, or empty when the edition has none
    EditionSwitches switches;
    std::string hand_cursor = "HAND_CURSOR"; // resource name of the cursor for clickable items
};

// Start-up step 5 (after the language texts): locates PROGR_NM.TXT, fills the edition settings and the
// program text values and sets the message caption to the product title. A missing, empty or unknown
// file gives the unknown edition; missing and empty are reported with flags 16, the program goes on.
void determine_edition();
// The edition code held by the contents of a PROGR_NM.TXT: the number on its first line, after a
// byte-order mark; 0 when it is not a number. The program and the disc tool both decide by it.
int edition_code(std::string_view contents);
// The same from a code directly (tools and tests); the QM_GLOBS texts are read as well.
void determine_edition_from_code(int code);
const EditionSettings& edition();

// Program text values 0..10: 0..6 QM_GLOBS lines 0..6, 7 title in the user's language, 8 English title,
// 9 version, 10 product folder name (English title, ' ', first character of the version).
// Any other index gives an empty text.
const std::string& program_text(int index);

// True when region country 1 is set and equals the name exactly.
bool is_region_country(const std::string& name);

// Personal documents folder (or the home folder when there is none) + "My Quellmark Files/" + sub_folder.
std::string default_data_folder(const std::string& sub_folder);

struct EnsuredFolder {
    std::string folder; // ends with '/' when not cancelled
    bool cancelled = false;
};
// An existing folder is used as it is. Otherwise asks QUESTION_CREATE_DIRECTORY (line 0, folder, line 1,
// ' ', purpose, ". ", line 2; flags 35): Yes creates it (a failure is reported and counts as cancelled),
// No falls back to the personal documents folder (or the home folder), Cancel reports cancelled.
EnsuredFolder ensure_folder(const std::string& folder, const std::string& purpose);

// Appends addition unless text is empty or ends with a line feed.
void append_unless_ends_with_line_feed(std::string& text, const std::string& addition);

// 930 -> "09:30h" with the environment's time separator; negative numbers (-1 = no time) give "".
std::string format_time(int number);
// DDMMYY -> "DD-MM-20YY" for year digits 00..39, "DD-MM-19YY" otherwise; fewer than six digits are
// padded with leading zeros (10100 -> "01-01-2000"); negative numbers (-1 = no date) give "".
std::string format_date(int number);

} // namespace morvelin
