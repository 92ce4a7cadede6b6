#include "core/data/data_loader.h"

#include "core/areas/sarovan_area.h"
#include "core/data/data_texts.h"
#include "core/data/key_order.h"
#include "core/foundation/codec.h"
#include "core/foundation/editions.h"
#include "core/foundation/file_search.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/settings/settings_sections.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

namespace morvelin {

const char* const text_author_fragments[4] = {"KESTOVAR", "LINDQVAL", "MARROWAY", "TEMBERLY"};

namespace {

LoadBusyHook busy_hook;
std::unique_ptr<Tdata> the_data_set;

constexpr std::string_view section_start = "@#[";
constexpr std::string_view anonymous_start = "@#[]";
constexpr std::string_view linefeed_replacer = "LINEFEED_ONLY_REPLACER";
constexpr std::string_view not_real_marker = "-NOT REAL SSP";
constexpr std::string_view literature_separator = "%$#fgd&";

inline bool starts_with(std::string_view text, std::string_view prefix) {
    // Most lines do not begin with a marker; the first byte settles that cheaply.
    return !prefix.empty() && !text.empty() && text[0] == prefix[0] &&
           text.substr(0, prefix.size()) == prefix;
}
bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// parse_integer's rules (surrounding spaces and control characters ignored, optional sign, the value
// within int) on a view: the tens of thousands of numbers of a disc are converted without a temporary
// string each.
bool to_int(std::string_view text, int& value) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    constexpr std::uint64_t most_negative = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    for (const char c : text) {
        const unsigned digit = static_cast<unsigned char>(c) - static_cast<unsigned>('0');
        if (digit > 9) return false;
        magnitude = magnitude * 10 + digit;
        if (magnitude > most_negative) return false;
    }
    if (!negative && magnitude == most_negative) return false;
    value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
    return true;
}

void replace_line_break_placeholders(std::string& line);

// A section marker line: "@#[NAME]" or, for an entry, "@#[]".
struct Marker {
    std::size_t line = 0;
    bool entry = false;
};

// One data file as stored and the reader's position in it. Lines are descrambled as the reader comes
// to them, each just before it is looked at, while its bytes are at hand: a file descrambled whole
// first would have left the cache by the time its records are built. Positions are those of the
// stored lines: line 0 is the header, so position n is line n of the descrambled text, 1-based.
struct DataFile {
    std::string name; // as the program names it, for messages
    std::string path;
    std::vector<std::string> lines;
    std::optional<DataLineDecoder> decoder;
    std::size_t decoded = 1;     // lines [1, decoded) are descrambled
    std::vector<Marker> markers; // the markers among them, in file order
    std::size_t index = 1;       // the current line: where the next section search starts
    std::size_t next_marker = 0; // the first of markers at or after index

    // The k-th marker of the file, descrambling up to it; none when the file has fewer. Each line is
    // descrambled once, its marker noted and its line-break placeholders replaced; afterwards it never
    // changes, so the views that sections hand out stay valid.
    const Marker* marker(std::size_t k) {
        while (k >= markers.size() && decoded < lines.size()) {
            std::string& line = lines[decoded];
            decoder->decode(line, decoded - 1);
            if (starts_with(line, section_start)) markers.push_back({decoded, starts_with(line, anonymous_start)});
            if (line.size() >= linefeed_replacer.size()) replace_line_break_placeholders(line);
            ++decoded;
        }
        return k < markers.size() ? &markers[k] : nullptr;
    }
};

// Lines [first, first + count) of a file; lines past the end read as empty.
struct Section {
    DataFile* file = nullptr;
    std::size_t first = 0;
    std::size_t count = 0;

    std::string_view operator[](std::size_t i) const {
        return i < count ? std::string_view(file->lines[first + i]) : std::string_view();
    }
    // Line i handed over to a record's empty string that keeps it, which spares a copy of each text: the
    // line reads as empty afterwards, so a line is taken only after its last other use.
    void take(std::size_t i, std::string& into) const {
        if (i >= count) return;
        std::string& line = file->lines[first + i];
        into = std::move(line);
        line.clear();
    }
    // 1-based line number in the descrambled file, for messages.
    std::size_t line_number(std::size_t i) const { return first + i; }
    Section sub(std::size_t from, std::size_t n) const {
        return {file, first + from, std::min(n, count - from)};
    }
};

// Replaces each "LINEFEED_ONLY_REPLACER" of a line by a line feed. The search looks for the
// placeholder's first '_', a byte that texts seldom hold, rather than its first letter.
void replace_line_break_placeholders(std::string& line) {
    constexpr std::size_t underscore = 8;
    static_assert(linefeed_replacer[underscore] == '_' &&
                  linefeed_replacer.find('_') == underscore);
    std::size_t at = line.find('_', underscore);
    while (at != std::string::npos) {
        const std::size_t start = at - underscore;
        if (std::string_view(line).substr(start, linefeed_replacer.size()) == linefeed_replacer) {
            line.replace(start, linefeed_replacer.size(), 1, '\n');
            at = line.find('_', start + 1 + underscore);
        } else {
            at = line.find('_', at + 1);
        }
    }
}

// A record with its key and the line it came from, while its file's list is sorted. The key's prefix
// and bytes sit in the element, so sorting seldom touches the records themselves.
template <typename T> struct Keyed {
    std::uint64_t prefix;
    std::string_view key;
    T* record;
    std::size_t line;
};

template <typename T> Keyed<T> keyed(T& record, std::string_view key, std::size_t line) {
    return {key_prefix(key), key, &record, line};
}

[[noreturn]] void duplicate_key(const std::string& file, std::size_t line, const char* what) {
    fatal_error("File \"" + file + "\", line " + std::to_string(line) + ": the " + what + " occurs twice");
}

class BusyGuard {
public:
    BusyGuard() {
        if (busy_hook) busy_hook(true);
    }
    ~BusyGuard() {
        if (busy_hook) busy_hook(false);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
};

} // namespace

// Builds one Tdata; a friend of Tdata so that it fills the pools and lists directly.
class DataLoader {
public:
    DataLoader(Tdata& data, const DataLoadOptions& options) : d_(data), options_(options) {}
    void load_all();

private:
    // ---- reader operations ----
    bool open(DataFile& file, const std::string& name, bool required);
    std::optional<Section> read_section(DataFile& file, const std::string& name, bool required,
                                        std::size_t max_lines, bool note_overflow = true);
    [[noreturn]] void corrupt(const DataFile& file, int number, std::string_view hint) const;
    [[noreturn]] void fail(const Section& s, std::size_t i, const std::string& what) const;
    int keyed_number(std::string_view line, std::string_view key, const char* description) const;
    int number(const Section& s, std::size_t i, const char* what) const;
    int optional_number(const Section& s, std::size_t i, const char* what, int if_empty) const;

    // ---- files ----
    void load_maps();
    void load_people();
    void load_families_and_species();
    void load_species_entry(const Section& entry, std::size_t family_index, Tspecies*& tail);
    void read_species_flags(const Section& entry, Tspecies& species);
    void read_map_references(const Section& entry, std::string_view parts, Tspecies& species);
    void load_localities();
    void load_photos();
    void load_audio_cds();
    void read_hard_disk_folders();
    void load_cut_parts();
    void load_recording_items();
    void load_orders();

    const Tssp_data* subspecies_reference(std::string_view text, const Tspecies& species);
    template <typename T, typename Key>
    std::vector<T*> sort_unique(std::vector<std::pair<T*, std::size_t>>& list, const DataFile& file, Key key,
                                const char* what);
    template <typename T>
    std::vector<T*> sort_keyed(std::vector<Keyed<T>>& list, const DataFile& file, const char* what);

    Tdata& d_;
    DataLoadOptions options_;
    std::vector<std::string> qm_data_;
    std::array<Tperson*, 4> authors_{};
    std::vector<Tfamily*> families_1_;
    std::vector<std::vector<Tspecies*>> species_of_family_;        // order 1, per family
    std::vector<std::pair<Tspecies*, std::size_t>> species_lines_; // each species with its line
};

// ---------------------------------------------------------------------------------------------------
// Reader operations

bool DataLoader::open(DataFile& file, const std::string& name, bool required) {
    file = DataFile{};
    file.name = name;
    std::optional<std::string> path;
    if (options_.folder.empty()) {
        path = locate_file(name);
    } else {
        path = find_path_case_insensitive(ensure_trailing_separator(options_.folder) + name);
    }
    std::optional<std::vector<std::string>> lines;
    if (path) lines = read_data_file_lines(*path);
    if (!lines) {
        if (required) fatal_error("File \"" + name + "\" could not be loaded!");
        return false;
    }
    file.path = *path;
    file.lines = std::move(*lines);
    file.decoder.emplace(file.lines, data_file_seed(name));
    file.index = std::min<std::size_t>(1, file.lines.size());
    return true;
}

std::optional<Section> DataLoader::read_section(DataFile& file, const std::string& name, bool required,
                                                std::size_t max_lines, bool note_overflow) {
    const bool anonymous = name.empty();
    const std::string marker = anonymous ? std::string() : std::string(section_start) + name + "]";
    std::size_t k = file.next_marker;
    const Marker* start = nullptr;
    while ((start = file.marker(k)) &&
           !(anonymous ? start->entry : !start->entry && starts_with(file.lines[start->line], marker)))
        ++k;
    if (!start) {
        file.index = file.lines.size();
        file.next_marker = k;
        if (required) {
            auto line = [&](std::size_t i) { return i < qm_data_.size() ? qm_data_[i] : std::string(); };
            fatal_error(line(2) + message_text_from_path(file.path) + "\n" + line(3) + " \"" + name + "\" " +
                        line(4));
        }
        return std::nullopt;
    }
    const std::size_t first = start->line + 1;
    // A named section holds entries of its own: it ends only at the next named section.
    std::size_t end_k = k + 1;
    const Marker* end_marker = nullptr;
    while ((end_marker = file.marker(end_k)) && !anonymous && end_marker->entry)
        ++end_k;
    const std::size_t end = end_marker ? end_marker->line : file.lines.size();
    const Section section{&file, first, std::min(end - first, max_lines)};
    file.index = first + section.count;
    file.next_marker = k + 1;
    while (file.next_marker < file.markers.size() && file.markers[file.next_marker].line < file.index)
        ++file.next_marker;
    if (note_overflow && file.index < end) {
        d_.notes.push_back(file.name + ", line " + std::to_string(file.index) + ": lines after the first " +
                           std::to_string(max_lines) + " of " +
                           (anonymous ? std::string("an entry") : "section \"" + name + "\"") + " are ignored");
    }
    return section;
}

void DataLoader::corrupt(const DataFile& file, int number, std::string_view hint) const {
    const EditionSettings& e = edition();
    const char* words = e.language_spanish ? " corrupto! Error "
                        : e.language_dutch ? " corrupt! Fout "
                                           : " corrupt! Error ";
    fatal_error(file.name + words + std::to_string(number) + "\nhint: \"" + std::string(hint) + "\"");
}

void DataLoader::fail(const Section& s, std::size_t i, const std::string& what) const {
    fatal_error("File \"" + s.file->name + "\", line " + std::to_string(s.line_number(i)) + ": " + what);
}

int DataLoader::keyed_number(std::string_view line, std::string_view key, const char* description) const {
    const std::size_t at = line.find(key);
    if (at == std::string_view::npos) return 0;
    std::string_view field = line.substr(std::min(line.size(), at + key.size() + 1), 5);
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    const std::size_t sign = i;
    if (i < field.size() && field[i] == '-') ++i;
    const std::size_t digits = i;
    while (i < field.size() && is_digit(field[i]))
        ++i;
    if (i == digits) fatal_error(std::string("Error occured when converting ") + description + "!");
    int value = 0;
    to_int(field.substr(sign, i - sign), value);
    return value;
}

int DataLoader::number(const Section& s, std::size_t i, const char* what) const {
    int value = 0;
    if (!to_int(s[i], value))
        fail(s, i, std::string(what) + " \"" + std::string(s[i]) + "\" is not a number");
    return value;
}

int DataLoader::optional_number(const Section& s, std::size_t i, const char* what, int if_empty) const {
    return s[i].empty() ? if_empty : number(s, i, what);
}

// Sorts (record, line) pairs by key and stops at the first key that occurs twice: a lookup could only
// ever find one of them, so references would silently go to the wrong record. Data files are mostly
// written in key order; a list already in strictly rising order needs neither sorting nor the check.
template <typename T, typename Key>
std::vector<T*> DataLoader::sort_unique(std::vector<std::pair<T*, std::size_t>>& list, const DataFile& file,
                                        Key key, const char* what) {
    auto less = [&](const std::pair<T*, std::size_t>& a, const std::pair<T*, std::size_t>& b) {
        return key(a.first, b.first) < 0;
    };
    auto not_less = [&](const auto& a, const auto& b) { return !less(a, b); };
    if (std::adjacent_find(list.begin(), list.end(), not_less) != list.end()) {
        std::stable_sort(list.begin(), list.end(), less);
        for (std::size_t i = 1; i < list.size(); ++i) {
            if (key(list[i - 1].first, list[i].first) == 0)
                duplicate_key(file.name, std::max(list[i - 1].second, list[i].second), what);
        }
    }
    std::vector<T*> sorted;
    sorted.reserve(list.size());
    for (auto& [record, line] : list)
        sorted.push_back(record);
    return sorted;
}

template <typename T>
std::vector<T*> DataLoader::sort_keyed(std::vector<Keyed<T>>& list, const DataFile& file, const char* what) {
    auto less = [](const Keyed<T>& a, const Keyed<T>& b) {
        return a.prefix != b.prefix ? a.prefix < b.prefix : compare_keys(a.key, b.key) < 0;
    };
    auto not_less = [&](const Keyed<T>& a, const Keyed<T>& b) { return !less(a, b); };
    if (std::adjacent_find(list.begin(), list.end(), not_less) != list.end()) {
        std::sort(list.begin(), list.end(), less);
        for (std::size_t i = 1; i < list.size(); ++i) {
            if (list[i - 1].prefix == list[i].prefix && compare_keys(list[i - 1].key, list[i].key) == 0)
                duplicate_key(file.name, std::max(list[i - 1].line, list[i].line), what);
        }
    }
    std::vector<T*> sorted;
    sorted.reserve(list.size());
    for (const Keyed<T>& k : list)
        sorted.push_back(k.record);
    return sorted;
}

// ---------------------------------------------------------------------------------------------------
// Files

void DataLoader::load_maps() {
    DataFile file;
    open(file, "mapsdata.txt", true);
    std::vector<Keyed<Tmap_data>> list;
    while (auto e = read_section(file, "", false, 3)) {
        Tmap_data& map = d_.map_pool_.add();
        e->take(0, map.name);
        map.kind = number(*e, 1, "the map kind");
        std::string rest((*e)[2]);
        std::array<double, 4> n{};
        for (double& value : n) {
            bool error = false;
            const std::string field = take_comma_field(rest);
            value = parse_decimal(field, 0.0, error);
            if (error) fail(*e, 2, "the map bound \"" + field + "\" is not a number");
        }
        map.bounds = {n[0], n[2], n[1], n[3]};
        list.push_back(keyed(map, map.name, e->line_number(0)));
    }
    d_.map_data_.assign(sort_keyed(list, file, "map name"));
}

void DataLoader::load_people() {
    DataFile file;
    open(file, "people.txt", true);
    std::vector<Keyed<Tperson>> list;
    while (auto e = read_section(file, "", false, 4)) {
        Tperson& person = d_.person_pool_.add();
        e->take(0, person.key);
        e->take(1, person.text_1);
        e->take(2, person.text_2);
        e->take(3, person.text_3);
        if (!d_.first_person) d_.first_person = &person;
        list.push_back(keyed(person, person.key, e->line_number(0)));
        const std::string upper = to_upper_ascii(person.key);
        for (int i = 0; i < 4; ++i) {
            if (!authors_[i] && contains(upper, text_author_fragments[i])) authors_[i] = &person;
        }
    }
    d_.persons_.assign(sort_keyed(list, file, "person key"));
}

void DataLoader::load_families_and_species() {
    DataFile names;
    DataFile taxa;
    open(names, "names_sc.txt", true);
    open(taxa, "taxa.txt", true);

    const Section families = *read_section(names, "FAMILIES", true, 600);
    const Section vernacular = *read_section(taxa, "FAMILIES", true, 300);
    Tfamily* previous = nullptr;
    for (std::size_t n = 0; n < families.count / 2; ++n) {
        Tfamily& family = d_.family_pool_.add();
        family.order_kind = order_kind::scientific_names;
        families.take(2 * n, family.scientific_name);
        families.take(2 * n + 1, family.media_folder);
        vernacular.take(n, family.vernacular_name);
        (previous ? previous->next_family : d_.first_family[1]) = &family;
        previous = &family;
        families_1_.push_back(&family);
    }
    if (families.count % 2 != 0) {
        d_.notes.push_back("names_sc.txt, line " + std::to_string(families.line_number(families.count - 1)) +
                           ": the odd last line of section \"FAMILIES\" is ignored");
    }
    d_.family_count[1] = static_cast<int>(families_1_.size());

    const Section references = *read_section(names, "LIT. REFERENCES", true, 99);
    for (std::size_t i = 0; i < references.count; ++i)
        d_.literature_references.emplace_back(references[i]);

    species_of_family_.resize(families_1_.size());
    for (std::size_t n = 0; n < families_1_.size(); ++n) {
        const std::string section_name = "SPECIES " + std::to_string(n + 1);
        const Section section = *read_section(names, section_name, true, 1600);
        Tspecies* tail = nullptr;
        std::size_t i = 0;
        while (i < section.count && !starts_with(section[i], anonymous_start))
            ++i;
        while (i < section.count) {
            std::size_t end = i + 1;
            while (end < section.count && !starts_with(section[end], section_start))
                ++end;
            load_species_entry(section.sub(i + 1, end - i - 1), n, tail);
            i = end;
            while (i < section.count && !starts_with(section[i], anonymous_start))
                ++i;
        }
        const auto& species = species_of_family_[n];
        const Section texts = *read_section(taxa, section_name, true, 4 * species.size(), false);
        for (std::size_t k = 0; k < species.size(); ++k) {
            Tspecies& s = *species[k];
            texts.take(4 * k, s.vernacular_name);
            texts.take(4 * k + 1, s.text_2);
            convert_markup_in_place(s.text_2);
            texts.take(4 * k + 2, s.text_3);
            convert_markup_in_place(s.text_3);
            texts.take(4 * k + 3, s.text_4);
            convert_markup_in_place(s.text_4);
        }
    }

    d_.species_by_id_ = sort_unique(
        species_lines_, names,
        [](const Tspecies* a, const Tspecies* b) {
            return a->unique_id < b->unique_id ? -1 : a->unique_id > b->unique_id ? 1 : 0;
        },
        "species unique ID");
    d_.index_species_by_id();
}

void DataLoader::load_species_entry(const Section& e, std::size_t family_index, Tspecies*& tail) {
    Tfamily& family = *families_1_[family_index];
    Tspecies& s = d_.species_pool_.add();
    species_lines_.emplace_back(&s, e.line_number(1));
    e.take(0, s.scientific_name);
    s.family[1] = &family;
    s.media_folder = family.media_folder;
    (tail ? tail->next_in_order[1] : family.first_species) = &s;
    tail = &s;
    species_of_family_[family_index].push_back(&s);

    // line 1: species ID and unique ID
    const std::string_view ids = e[1];
    const std::size_t space = ids.find(' ');
    if (!to_int(ids.substr(0, space), s.order_position[1]))
        fatal_error("Error occured when converting species ID!");
    if (space == std::string_view::npos || !to_int(ids.substr(space + 1), s.unique_id))
        fatal_error("Error occured when converting unique ID!");

    read_species_flags(e, s);

    // line 3: region and areas
    s.in_region = true;
    s.area = create_edition_area(edition().edition_id);
    if (s.area) s.area->set_from_text(std::string(e[3]), s.scientific_name, true);

    // line 4: text author
    if (!e[4].empty()) {
        const int author = number(e, 4, "the text author");
        if (author < 1 || author > 4) fail(e, 4, "the text author must be 1, 2, 3 or 4");
        s.text_author = authors_[author - 1];
    }

    // line 5: literature references "number,text" separated by %$#fgd&
    std::string_view refs = e[5];
    while (!refs.empty()) {
        const std::size_t sep = refs.find(literature_separator);
        const std::string_view one = refs.substr(0, sep);
        refs = sep == std::string_view::npos ? std::string_view()
                                             : refs.substr(sep + literature_separator.size());
        if (one.empty()) continue;
        const std::size_t comma = one.find(',');
        const std::string_view num = one.substr(0, comma);
        int value = 0;
        if (!to_int(num, value))
            fail(e, 5, "the literature reference number \"" + std::string(num) + "\" is not a number");
        s.literature.emplace_back(value, comma == std::string_view::npos ? std::string_view()
                                                                         : one.substr(comma + 1));
    }

    // lines 6 on: subspecies up to the first empty line
    Tsubspecies* previous = nullptr;
    for (std::size_t i = 6; i < e.count && !e[i].empty(); ++i) {
        Tsubspecies& ssp = d_.subspecies_pool_.add();
        ssp.ordinal = ++s.subspecies_count;
        const std::string_view line = e[i];
        const std::size_t marker = line.find(not_real_marker);
        ssp.not_real = marker != std::string_view::npos;
        e.take(i, ssp.name);
        if (ssp.not_real) ssp.name.resize(marker);
        (previous ? previous->next_subspecies : s.first_subspecies) = &ssp;
        previous = &ssp;
    }
}

namespace {

// The text of part "<letter>(" in the flags' parts, outside double-quoted names; npos when absent.
std::size_t find_part(std::string_view parts, char letter) {
    bool quoted = false;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] == '"') quoted = !quoted;
        if (!quoted && parts[i] == letter && parts[i + 1] == '(') return i + 2;
    }
    return std::string_view::npos;
}

} // namespace

void DataLoader::read_species_flags(const Section& e, Tspecies& s) {
    const std::string_view flags = e[2];
    const std::size_t comma = flags.find(',');
    const std::string_view letters = flags.substr(0, comma);
    const std::string_view parts =
        comma == std::string_view::npos ? std::string_view() : flags.substr(comma + 1);
    bool has_n = false, has_d = false, has_t = false;
    for (char c : letters) {
        switch (c) {
        case 'A':
            s.flag_a = true;
            break;
        case 'R':
            s.flag_r = true;
            break;
        case 'M':
            s.flag_m = true;
            break;
        case 'S':
            s.flag_s = true;
            break;
        case 'C':
            s.flag_c = true;
            break;
        case 'E':
            s.flag_e = true;
            break;
        case 'N':
            has_n = true;
            break;
        case 'D':
            has_d = true;
            break;
        case 'T':
            has_t = true;
            break;
        default:
            break;
        }
    }
    const EditionSettings& ed = edition();
    if (ed.switches.all_species_flag_e) s.flag_e = true;
    s.flag_n = has_n && !s.flag_e;
    if (has_d) {
        if (ed.edition_id == 111) {
            s.map_flag = true;
        } else if (ed.edition_id != 112) {
            read_map_references(e, parts, s);
        }
    }
    if (has_t) {
        const std::size_t at = find_part(parts, 'T');
        const std::string_view code = at == std::string_view::npos ? std::string_view() : parts.substr(at, 2);
        static constexpr std::string_view statuses[] = {"VU", "EN", "CR", "EX"};
        const auto it = std::find(std::begin(statuses), std::end(statuses), code);
        if (it == std::end(statuses)) fail(e, 2, "the threat status must be T(VU), T(EN), T(CR) or T(EX)");
        s.threat_status = static_cast<std::uint8_t>(it - std::begin(statuses) + 1);
    }
}

void DataLoader::read_map_references(const Section& e, std::string_view parts, Tspecies& s) {
    auto malformed = [&] {
        fail(e, 2,
             "a map reference must be written D(\"<map name>\" MaskMain): the name in double quotes, "
             "one character, then 8 characters, the first four \"Mask\" or not, the last four \"Main\" or "
             "not");
    };
    std::size_t at = find_part(parts, 'D');
    if (at == std::string_view::npos) malformed();
    for (int slot = 1; slot <= 2; ++slot) {
        // "name", one character, then 8 characters: "Mask" or not, "Main" or not
        if (at >= parts.size() || parts[at] != '"') malformed();
        const std::size_t close = parts.find('"', at + 1);
        if (close == std::string_view::npos || close + 10 > parts.size()) malformed();
        Tmap_data* map = d_.find_map(parts.substr(at + 1, close - at - 1));
        if (!map) fatal_error("Inconsistency in the file with scientific names: can't find map!");
        const std::string_view marks = parts.substr(close + 2, 8);
        s.map_slot[slot] = {equals_ignore_case(marks.substr(0, 4), "Mask"), map};
        s.map_count = slot;
        at = close + 10;
        if (slot == 1 && at < parts.size() && parts[at] == ',') {
            ++at;
            continue;
        }
        if (slot == 2 && equals_ignore_case(marks.substr(4, 4), "Main"))
            std::swap(s.map_slot[1], s.map_slot[2]);
        break;
    }
}

const Tssp_data* DataLoader::subspecies_reference(std::string_view text, const Tspecies& species) {
    if (text.empty()) return nullptr;
    Tssp_data& ref = d_.ssp_data_pool_.add();
    std::string_view name = text;
    const std::size_t p = text.find("(P)");
    if (p != std::string_view::npos) {
        ref.p_mark = true;
        name = text.substr(0, p == 0 ? 0 : p - 1);
    }
    for (Tsubspecies* ssp = species.first_subspecies; ssp; ssp = ssp->next_subspecies) {
        if (ssp->name == name) {
            ref.subspecies = ssp;
            return &ref;
        }
    }
    show_message("Error occured with a subspecies \"" + std::string(name) + "\"", mb::icon_error);
    return &ref;
}

void DataLoader::load_localities() {
    DataFile file;
    open(file, "locality.txt", true);
    const EditionSettings& ed = edition();
    std::vector<Keyed<Tlocality>> list;
    while (auto e = read_section(file, "", false, 9)) {
        Tlocality& l = d_.locality_pool_.add();
        e->take(0, l.key);
        e->take(1, l.name);
        e->take(2, l.region);
        e->take(3, l.country);
        if ((ed.language_spanish || ed.language_portuguese) && l.country == "Brazil") l.country = "Brasil";
        if (ed.language_spanish && l.country == "Peru") l.country = "Per\xFA";
        e->take(4, l.line_4);
        e->take(5, l.text);
        convert_markup_in_place(l.text);
        const std::string_view coordinates = (*e)[6];
        auto position = [&](std::size_t from, std::int32_t& value, bool& flag) {
            const std::string_view group = coordinates.substr(std::min(from, coordinates.size()), 9);
            const std::string_view digits = group.substr(0, 8);
            value = 0;
            if (digits.find_first_not_of(' ') != std::string_view::npos && !to_int(digits, value))
                fail(*e, 6, "the coordinate \"" + std::string(digits) + "\" is not a number");
            flag = group.size() > 8 && group[8] == 'D';
        };
        position(0, l.position_1, l.position_1_flag);
        position(9, l.position_2, l.position_2_flag);
        e->take(7, l.text_7);
        convert_markup_in_place(l.text_7);
        list.push_back(keyed(l, l.key, e->line_number(0)));
    }
    d_.localities_.assign(sort_keyed(list, file, "locality key"));

    // Listed by display name in file order, so that of two equal names the first one is found.
    auto& by_name = d_.localities_by_name_;
    d_.locality_pool_.for_each([&](Tlocality& l) {
        if (!l.text_7.empty()) by_name.emplace_back(display_name(l), &l);
    });
    std::stable_sort(by_name.begin(), by_name.end(),
                     [](const auto& a, const auto& b) { return compare_keys(a.first, b.first) < 0; });
    auto last = std::unique(by_name.begin(), by_name.end(), [&](const auto& a, const auto& b) {
        if (compare_keys(a.first, b.first) != 0) return false;
        d_.notes.push_back("locality.txt: the display name \"" + b.first + "\" of locality \"" +
                           b.second->key + "\" is used before; only the first locality is listed under it");
        return true;
    });
    by_name.erase(last, by_name.end());
}

void DataLoader::load_photos() {
    DataFile file;
    if (!open(file, "big_pict.txt", false)) return;
    while (auto e = read_section(file, "", false, 7)) {
        int id = 0;
        Tspecies* species = to_int((*e)[0], id) ? d_.find_species(id) : nullptr;
        if (!species)
            fatal_error(
                "Serious error when reading data, unique ID in big_pict.txt not found in species list!");
        Tbig_picture& p = d_.picture_pool_.add();
        p.species = species;
        p.subspecies = subspecies_reference((*e)[1], *species);
        if (!(*e)[2].empty()) {
            p.copyright_holder = d_.find_person((*e)[2]);
            if (!p.copyright_holder) fatal_error("Inconsistency in file \"big_pict.txt\"!");
        }
        p.date = optional_number(*e, 3, "the date", -1);
        if (!(*e)[4].empty()) {
            p.locality = d_.find_locality((*e)[4]);
            if (!p.locality) corrupt(file, 1, (*e)[4]);
        }
        p.counts_as_photo = !contains((*e)[5], "NSS");
        e->take(6, p.description);
        convert_markup_in_place(p.description);
        p.number = ++species->picture_count;
        if (p.counts_as_photo) species->has_photo = true;
        Tbig_picture** link = &species->first_picture;
        while (*link) {
            p.previous_picture = *link;
            link = &(*link)->next_picture;
        }
        *link = &p;
    }
}

void DataLoader::load_audio_cds() {
    DataFile file;
    open(file, "othermedia.txt", true);
    std::vector<std::pair<TaudioCD*, std::size_t>> list;
    while (auto e = read_section(file, "", false, 7)) {
        TaudioCD& cd = d_.cd_pool_.add();
        if (!to_int((*e)[0], cd.number))
            fatal_error("Error occured when converting audio CD \"tape\" number!");
        cd.sequence = static_cast<int>(d_.cd_pool_.size());
        e->take(1, cd.text_1);
        e->take(2, cd.text_2);
        e->take(3, cd.text_3);
        cd.always_available = equals_true(std::string((*e)[4]));
        e->take(5, cd.text_5);
        e->take(6, cd.text_6);
        if (!cd.always_available) ++d_.regular_cd_count;
        list.emplace_back(&cd, e->line_number(0));
    }
    // Keyed by the number's decimal text, so the list runs in text order ("10" before "9").
    d_.audio_cds_ = sort_unique(
        list, file,
        [](const TaudioCD* a, const TaudioCD* b) {
            return a->number == b->number                                  ? 0
                   : std::to_string(a->number) < std::to_string(b->number) ? -1
                                                                           : 1;
        },
        "audio CD number");
    d_.cds_by_number_ = d_.audio_cds_;
    std::sort(d_.cds_by_number_.begin(), d_.cds_by_number_.end(),
              [](const TaudioCD* a, const TaudioCD* b) { return a->number < b->number; });
}

void DataLoader::read_hard_disk_folders() {
    const SettingsReader reader;
    for (std::size_t i = 0; i < d_.cd_pool_.size(); ++i) {
        TaudioCD& cd = d_.cd_pool_[i];
        const settings::AudioCdCopy copy = settings::read_audio_cd_copy(cd.number, reader);
        if (copy.short_name == audio_cd_short_name(cd)) cd.hard_disk_folder = copy.folder;
    }
}

void DataLoader::load_cut_parts() {
    DataFile file;
    open(file, "cutparts.txt", true);
    std::vector<Keyed<Tcutpart>> list;
    while (auto e = read_section(file, "", false, 10)) {
        Tcutpart& c = d_.cut_part_pool_.add();
        e->take(0, c.key);
        const std::string_view key = c.key;
        std::size_t digits = 0;
        while (digits < key.size() && is_digit(key[digits]))
            ++digits;
        if (!to_int(key.substr(0, digits), c.number) || key.size() < digits + 5 ||
            !to_int(key.substr(digits + 1, 4), c.sub_number)) {
            fail(*e, 0,
                 "the cut-part key \"" + std::string(key) +
                     "\" is not digits, a carrier letter and a four-digit sub-number");
        }
        c.carrier_letter = key[digits];
        c.variant_letter = key.size() > digits + 5 ? key[digits + 5] : ' ';

        const std::string_view kind = (*e)[1];
        if (starts_with(kind, "CD")) {
            c.audio_cd = d_.find_audio_cd(c.number);
            if (!c.audio_cd) corrupt(file, 3, key);
            if (!contains(kind, "track")) corrupt(file, 4, key);
            c.track = keyed_number(kind, "track", "audio CD track number");
            c.offset = std::max(0, keyed_number(kind, "offset", "offset on audio CD track")) * 100;
            c.length =
                std::max(0, keyed_number(kind, "length", "length of recording on audio CD track")) * 100;
            c.cd_selected = keyed_number(kind, "selected", "cutpart selected on audio CD track") == 1;
        } else {
            c.is_sound_file = true;
            c.length_is_seconds = true;
            int compression = 0;
            if (!to_int(kind, compression) || compression < 0 || compression > 255)
                fatal_error("Error occured when converting compression number!");
            c.compression = static_cast<std::uint8_t>(compression);
            const int seconds = optional_number(*e, 2, "the length", 0);
            if (seconds > 2000000) fail(*e, 2, "the length is too large");
            c.length = (seconds < 1 ? 99 : seconds) * 1000;
        }
        c.value_3 = optional_number(*e, 3, "the number", -1);
        c.value_4 = optional_number(*e, 4, "the number", -1);
        const std::string_view locality = (*e)[5];
        if (locality.empty()) fatal_error("Locality is empty string!?");
        c.locality = d_.find_locality(locality);
        if (!c.locality) corrupt(file, 1, locality);
        if (!(*e)[6].empty()) {
            c.recordist = d_.find_person((*e)[6]);
            if (!c.recordist) corrupt(file, 5, (*e)[6]);
        }
        e->take(7, c.text_7);
        convert_markup_in_place(c.text_7);
        e->take(8, c.text_8);
        convert_markup_in_place(c.text_8);
        c.value_9 = optional_number(*e, 9, "the number", 0);
        list.push_back(keyed(c, c.key, e->line_number(0)));
    }
    d_.cut_parts_.assign(sort_keyed(list, file, "cut-part key"));
}

void DataLoader::load_recording_items() {
    DataFile file;
    open(file, "cupaitem.txt", true);
    for (std::size_t f = 0; f < species_of_family_.size(); ++f) {
        const auto& species = species_of_family_[f];
        for (std::size_t k = 0; k < species.size(); ++k) {
            Tspecies& s = *species[k];
            if (!s.flag_c) continue;
            const std::string name = std::to_string(f + 1) + "_" + std::to_string(k + 1);
            const Section section = *read_section(file, name, true, 4500);
            // A section without one whole item is as empty as one without lines: a species marked as
            // having recordings must have at least one.
            if (section.count < 9) corrupt(file, 1, std::to_string(s.unique_id));
            if (section.count % 9 != 0) {
                d_.notes.push_back(
                    "cupaitem.txt, line " + std::to_string(section.line_number(section.count / 9 * 9)) +
                    ": the last " + std::to_string(section.count % 9) + " line(s) of section \"" + name +
                    "\" do not make a whole item and are ignored");
            }
            Tcupaitem* previous = nullptr;
            for (std::size_t first = 0; first + 9 <= section.count; first += 9) {
                const Section e = section.sub(first, 9);
                Tcupaitem& item = d_.item_pool_.add();
                item.species = &s;
                item.item_number = optional_number(e, 0, "the item number", empty_item_number);
                item.class_letter = e[1].empty() ? ' ' : e[1][0];
                if (e[2].empty() || e[2][0] == '?' || e[2] == "d") {
                    item.number_3 = number_3_d;
                } else {
                    const int n3 = number(e, 2, "the number");
                    if (n3 < 0 || n3 > 255) fail(e, 2, "the number must lie in 0..255");
                    item.number_3 = static_cast<std::uint8_t>(n3);
                }
                item.subspecies = subspecies_reference(e[3], s);
                e.take(4, item.text_5);
                convert_markup_in_place(item.text_5);
                item.is_p = contains(e[5], "P");
                if (e[7].empty()) {
                    e.take(6, item.text_7);
                    convert_markup_in_place(item.text_7);
                } else {
                    item.text_7.reserve(e[6].size() + 1 + e[7].size());
                    item.text_7.append(e[6]).append(1, ' ').append(e[7]);
                    convert_markup_in_place(item.text_7);
                }
                item.cut_part = d_.find_cut_part(e[8]);
                if (!item.cut_part) corrupt(file, 2, std::to_string(s.unique_id));
                if (item.cut_part->is_sound_file) s.has_sound_file_item = true;

                item.previous_item = previous;
                (previous ? previous->next_item : s.first_item) = &item;
                previous = &item;
                Tcupaitem** link = &item.cut_part->first_item;
                while (*link)
                    link = &(*link)->next_item_of_cut_part;
                *link = &item;
            }
        }
    }
}

void DataLoader::load_orders() {
    DataFile file;
    open(file, "syst_ord.txt", true);
    const Section orders = *read_section(file, "ORDERS", true, 300);
    d_.order_count = static_cast<int>(orders.count);
    for (std::size_t i = 1; i <= std::min<std::size_t>(3, orders.count); ++i) {
        const std::string_view name = orders[i - 1];
        const int k = name == "Clements 2000"   ? order_kind::clements
                      : name == "Sibley&Monroe" ? order_kind::sibley_monroe
                                                : order_kind::other;
        // Each kind has one chain in the records, so a later order of a kind already loaded is left
        // out (its kind stays 0) rather than refusing the whole disc.
        bool kind_taken = false;
        for (std::size_t j = 1; j < i; ++j)
            kind_taken = kind_taken || d_.order_kind[j] == k;
        if (kind_taken) {
            const std::string note = "syst_ord.txt, line " + std::to_string(orders.line_number(i - 1)) +
                                     ": the order \"" + std::string(name) +
                                     "\" is of the same kind as an order listed before it and is ignored";
            std::fprintf(stderr, "%s\n", cp1252_to_utf8(note).c_str());
            d_.notes.push_back(note);
            continue;
        }
        d_.order_kind[i] = static_cast<std::uint8_t>(k);

        const Section fam_lines = *read_section(file, std::to_string(i) + "_FAMILIES", true, 300);
        std::vector<Tfamily*> families;
        for (std::size_t j = 0; j < fam_lines.count; ++j) {
            Tfamily& family = d_.family_pool_.add();
            family.order_kind = k;
            const auto [scientific, vernacular] = split_at_first_comma(std::string(fam_lines[j]));
            family.scientific_name = scientific;
            family.vernacular_name = vernacular;
            families.push_back(&family);
        }
        std::vector<Tspecies*> tails(families.size(), nullptr);

        const Section species_lines = *read_section(file, std::to_string(i) + "_SPECIES", true, 5000);
        std::size_t positioned = 0;
        for (std::size_t j = 0; j < species_lines.count; ++j) {
            if (species_lines[j].empty()) continue;
            const std::string_view line = species_lines[j];
            const std::size_t comma = line.find(',');
            const std::string_view id_text = line.substr(0, comma);
            const std::string_view family_text =
                comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1);
            int id = 0;
            Tspecies* s = to_int(id_text, id) ? d_.find_species(id) : nullptr;
            if (!s) fail(species_lines, j, "no species has the unique ID \"" + std::string(id_text) + "\"");
            int family_number = 0;
            if (!to_int(family_text, family_number))
                fatal_error("Error in file \"" + message_text_from_path(file.path) +
                            "\": error converting family nr");
            if (family_number < 1 || static_cast<std::size_t>(family_number) > families.size()) {
                fail(species_lines, j,
                     "there is no family number " + std::to_string(family_number) + " in section \"" +
                         std::to_string(i) + "_FAMILIES\"");
            }
            if (s->order_position[k] >= 0)
                fail(species_lines, j, "the species is listed twice in this order");
            s->order_position[k] = static_cast<int>(j);
            Tfamily* family = families[family_number - 1];
            s->family[k] = family;
            Tspecies*& tail = tails[family_number - 1];
            (tail ? tail->next_in_order[k] : family->first_species) = s;
            tail = s;
            ++positioned;
        }
        Tfamily* previous = nullptr;
        int count = 0;
        for (Tfamily* family : families) {
            if (!family->first_species) continue;
            (previous ? previous->next_family : d_.first_family[k]) = family;
            previous = family;
            ++count;
        }
        d_.family_count[k] = count;
        d_.order_complete[k] = positioned == d_.species_pool_.size();
    }
}

void DataLoader::load_all() {
    qm_data_ = texts("QM_DATA", 4);
    d_.department_texts = texts("DEPARTMENT ETC", 9);
    // Lines 7 to 10 of the map window's texts name the directions N, S, E, W of coordinate texts.
    const auto map_texts = texts("QM_MAPWN", 11);
    for (std::size_t i = 0; i < d_.direction_words.size(); ++i)
        if (6 + i < map_texts.size() && !map_texts[6 + i].empty()) d_.direction_words[i] = map_texts[6 + i];
    load_maps();
    load_people();
    load_families_and_species();
    load_localities();
    load_photos();
    load_audio_cds();
    read_hard_disk_folders();
    load_cut_parts();
    load_recording_items();
    load_orders();
}

// ---------------------------------------------------------------------------------------------------

void set_load_busy_hook(LoadBusyHook hook) {
    busy_hook = std::move(hook);
}

std::unique_ptr<Tdata> load_data(const DataLoadOptions& options) {
    BusyGuard busy;
    auto data = std::make_unique<Tdata>();
    DataLoader(*data, options).load_all();
    return data;
}

void load_data_set() {
    the_data_set = load_data();
}

Tdata& data_set() {
    return *the_data_set;
}
bool data_set_loaded() {
    return the_data_set != nullptr;
}
void install_data_set(std::unique_ptr<Tdata> data) {
    the_data_set = std::move(data);
}

} // namespace morvelin
