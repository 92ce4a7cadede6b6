#include "core/foundation/editions.h"

#include "core/foundation/environment.h"
#include "core/foundation/file_search.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/foundation/text_encoding.h"

#include <array>
#include <filesystem>

namespace morvelin {

namespace {

enum class Language { english, spanish, dutch, portuguese };

struct Countries {
    const char* first = "";
    const char* second = "";
};

// One product. A product with two codes runs in English for the code whose lowest bit equals
// english_bit and in its second language for the other one.
struct EditionRow {
    int code = 0;
    bool pair = false;
    int english_bit = 1;
    int edition_id = unknown_edition_id;
    Language second_language = Language::english;
    const char* english_title = "";
    const char* second_title = "";
    const char* version = "1.0";
    const char* version_page = ""; // base address, or "" when the product has none
    Countries english_countries{};
    Countries second_countries{};
    EditionSwitches switches{};
};

EditionSwitches make_switches(std::initializer_list<bool EditionSwitches::*> on) {
    EditionSwitches s;
    for (auto member : on)
        s.*member = true;
    return s;
}

const std::vector<EditionRow>& edition_table() {
    static const std::vector<EditionRow> rows = {
        {.code = 40,
         .pair = true,
         .english_bit = 1,
         .edition_id = 101,
         .second_language = Language::spanish,
         .english_title = "Delvaro Bird Voices",
         .second_title = "Voces de Aves de Delvaro",
         .version = "2.0",
         .version_page = "https://www.morvelin.example/delvaro/",
         .switches = make_switches({&EditionSwitches::species_media_filters})},
        {.code = 52,
         .edition_id = 104,
         .english_title = "Voices of the Tarn Marshes",
         .version = "1.0",
         .switches =
             make_switches({&EditionSwitches::speak_species_names, &EditionSwitches::all_species_flag_e})},
        // This product.
        {.code = 60,
         .edition_id = 106,
         .english_title = "Sarovan Bird Sounds",
         .version = "3.14",
         .version_page = "https://www.morvelin.example/versions/",
         .switches =
             make_switches({&EditionSwitches::species_media_filters, &EditionSwitches::show_country_option})},
        // Here the even code is the English one.
        {.code = 70,
         .pair = true,
         .english_bit = 0,
         .edition_id = 111,
         .second_language = Language::portuguese,
         .english_title = "Birds of Corvana",
         .second_title = "Aves de Corv\xE2nia",
         .version = "1.2",
         .version_page = "https://www.morvelin.example/corvana/",
         .english_countries = {"Corvana", ""},
         .second_countries = {"Corv\xE2nia", ""},
         .switches = make_switches(
             {&EditionSwitches::show_country_option, &EditionSwitches::list_remaining_subspecies})},
        {.code = 80,
         .pair = true,
         .english_bit = 1,
         .edition_id = 109,
         .second_language = Language::dutch,
         .english_title = "Frogs and Toads of the Lowlands",
         .second_title = "Kikkers en Padden van de Lage Landen",
         .version = "1.0",
         .switches =
             make_switches({&EditionSwitches::group_families, &EditionSwitches::hide_sound_files_row})},
    };
    return rows;
}

const EditionRow* find_row(int code) {
    for (const auto& row : edition_table()) {
        if (row.code == code) return &row;
        if (row.pair && (row.code ^ 1) == code) return &row;
    }
    return nullptr;
}

const char* page_name(Language language) {
    switch (language) {
    case Language::spanish:
        return "EnterFromDiskProgramSpanish.htm";
    case Language::dutch:
        return "EnterFromDiskProgramDutch.htm";
    case Language::portuguese:
        return "EnterFromDiskProgramPortuguese.htm";
    case Language::english:
        break;
    }
    return "EnterFromDiskProgramEnglish.htm";
}

EditionSettings& settings() {
    static EditionSettings s;
    return s;
}

std::array<std::string, 11>& program_texts() {
    static std::array<std::string, 11> t{"", "", "", "", "", "", "", "", "", "1.0", ""};
    return t;
}

void read_globs() {
    auto globs = texts("QM_GLOBS", 6);
    for (std::size_t i = 0; i < 7; ++i)
        program_texts()[i] = globs[i];
}

void apply_code(int code) {
    EditionSettings s;
    s.code = code;
    if (const EditionRow* row = find_row(code)) {
        bool english = !row->pair || (code & 1) == row->english_bit;
        Language language = english ? Language::english : row->second_language;
        s.edition_id = row->edition_id;
        s.language_english = language == Language::english;
        s.language_spanish = language == Language::spanish;
        s.language_dutch = language == Language::dutch;
        s.language_portuguese = language == Language::portuguese;
        s.english_title = row->english_title;
        s.title = english ? row->english_title : row->second_title;
        s.version = row->version;
        const Countries& countries = english ? row->english_countries : row->second_countries;
        s.region_country_1 = countries.first;
        s.region_country_2 = countries.second;
        if (*row->version_page)
            s.version_check_address =
                std::string(row->version_page) + s.version.substr(0, 1) + "/" + page_name(language);
        s.switches = row->switches;
    }
    settings() = s;
    auto& t = program_texts();
    t[7] = s.title;
    t[8] = s.english_title;
    t[9] = s.version;
    t[10] = s.english_title + " " + s.version.substr(0, 1);
    set_message_caption(s.title);
}

} // namespace

int edition_code(std::string_view contents) {
    if (contents.starts_with("\xEF\xBB\xBF")) contents.remove_prefix(3); // an editor that adds a BOM
    bool error = false;
    const int code = parse_integer(std::string(contents.substr(0, contents.find_first_of("\r\n"))), 0, error);
    return error ? 0 : code;
}

void determine_edition() {
    read_globs();
    const std::string name = "PROGR_NM.TXT";
    auto path = locate_file(name);
    auto bytes = path ? read_whole_file(*path) : std::nullopt;
    int code = 0;
    if (!bytes) {
        std::string shown = environment().program_folder.empty() ? name : environment().program_folder + name;
        show_message(program_texts()[0] + message_text_from_path(shown) + program_texts()[1], mb::icon_error);
    } else if (bytes->empty()) {
        show_message("\"" + message_text_from_path(*path) + "\" is empty!", mb::icon_error);
    } else {
        code = edition_code(*bytes);
    }
    apply_code(code);
}

void determine_edition_from_code(int code) {
    read_globs();
    apply_code(code);
}

const EditionSettings& edition() {
    return settings();
}

const std::string& program_text(int index) {
    static const std::string empty;
    if (index < 0 || index >= static_cast<int>(program_texts().size())) return empty;
    return program_texts()[static_cast<std::size_t>(index)];
}

bool is_region_country(const std::string& name) {
    return !settings().region_country_1.empty() && settings().region_country_1 == name;
}

std::string default_data_folder(const std::string& sub_folder) {
    std::string base = documents_folder();
    if (base.empty()) base = home_folder();
    return base + "My Quellmark Files/" + sub_folder;
}

EnsuredFolder ensure_folder(const std::string& folder, const std::string& purpose) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return {ensure_trailing_separator(folder), false};
    auto lines = texts("QUESTION_CREATE_DIRECTORY", 2);
    int answer =
        show_message(lines[0] + message_text_from_path(folder) + lines[1] + " " + purpose + ". " + lines[2],
                     mb::question_yes_no_cancel);
    if (answer == id::yes) {
        if (!create_directory(folder)) return {{}, true};
        return {ensure_trailing_separator(folder), false};
    }
    if (answer == id::no) {
        std::string documents = documents_folder();
        return {documents.empty() ? home_folder() : documents, false};
    }
    return {{}, true};
}

void append_unless_ends_with_line_feed(std::string& text, const std::string& addition) {
    if (text.empty() || text.back() == '\n') return;
    text += addition;
}

std::string format_time(int number) {
    if (number < 0) return {};
    std::string digits = std::to_string(number);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return digits.substr(0, 2) + environment().time_separator + digits.substr(2) + "h";
}

std::string format_date(int number) {
    if (number < 0) return {};
    std::string digits = std::to_string(number);
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
    std::string year = digits.substr(4);
    const char* century = (year[0] >= '0' && year[0] <= '3') ? "20" : "19";
    return digits.substr(0, 2) + "-" + digits.substr(2, 2) + "-" + century + year;
}

} // namespace morvelin
