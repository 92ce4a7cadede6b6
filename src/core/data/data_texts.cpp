#include "core/data/data_texts.h"

#include "core/foundation/text_encoding.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace morvelin {

namespace {

char style_of(char letter) {
    switch (letter) {
    case 'I':
    case 'i':
        return style_italic;
    case 'B':
    case 'b':
        return style_bold;
    case 'U':
    case 'u':
        return style_underline;
    default:
        return 0;
    }
}

// Copy(text, index, count) with 1-based index; an index below 1 counts from the start.
std::string copy_1based(const std::string& text, long index, long count) {
    if (index < 1) index = 1;
    if (index > static_cast<long>(text.size()) || count <= 0) return {};
    return text.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

std::string two_digits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

std::string position_text(std::int32_t value, bool seconds, const std::string& direction) {
    const long v = std::labs(static_cast<long>(value));
    std::string text = std::to_string(v / 6000) + static_cast<char>(176) +
                       two_digits(static_cast<int>((v / 100) % 60)) + "'";
    if (seconds) text += two_digits(static_cast<int>(v % 100)) + "''";
    return text + " " + direction;
}

} // namespace

void convert_markup_in_place(std::string& text) {
    std::size_t open = text.find('<');
    if (open == std::string::npos) return;
    // A tag never becomes longer, so the text is rewritten front to back: the bytes kept move down
    // over the tags already replaced.
    char* const bytes = text.data();
    std::size_t out = open;  // where the next kept byte goes
    std::size_t done = open; // the first byte not yet kept
    auto keep_up_to = [&](std::size_t end) {
        std::copy(bytes + done, bytes + end, bytes + out);
        out += end - done;
    };
    while (open != std::string::npos) {
        char style = 0;
        std::size_t tag_length = 0;
        if (open + 2 < text.size() && text[open + 2] == '>') {
            style = style_of(text[open + 1]);
            tag_length = 3;
        } else if (open + 3 < text.size() && text[open + 1] == '/' && text[open + 3] == '>') {
            style = style_of(text[open + 2]);
            tag_length = 4;
        }
        if (style) {
            keep_up_to(open);
            bytes[out++] = style;
            done = open + tag_length;
            open = text.find('<', done);
        } else {
            open = text.find('<', open + 1);
        }
    }
    keep_up_to(text.size());
    text.resize(out);
}

std::string convert_markup(std::string_view text) {
    std::string result(text);
    convert_markup_in_place(result);
    return result;
}

bool has_known_place(const Tlocality& locality) {
    return to_upper_ascii(locality.name) != "ZERO LOCATION" &&
           (locality.position_1 != 0 || locality.position_2 != 0);
}

std::string display_name(const Tlocality& locality) {
    std::string name = locality.name;
    if (locality.region.empty() && locality.country.empty()) return name;
    name += " (";
    name += locality.region;
    if (!locality.region.empty() && !locality.country.empty()) name += ", ";
    name += locality.country;
    name += ").";
    return name;
}

std::string coordinate_text(const Tlocality& locality, const Tdata& data) {
    const auto& words = data.direction_words;
    return position_text(locality.position_1, locality.position_1_flag,
                         words[locality.position_1 < 0 ? 1 : 0]) +
           ", " +
           position_text(locality.position_2, locality.position_2_flag,
                         words[locality.position_2 < 0 ? 3 : 2]);
}

std::string region_label(const Tlocality& locality, const Tdata& data, int edition_id) {
    if (locality.region.empty()) return {};
    auto line = [&](std::size_t i) {
        return i < data.department_texts.size() ? data.department_texts[i] : std::string();
    };
    const std::string& country = locality.country;
    if (equals_ignore_case(country, "Argentina") || equals_ignore_case(country, "Ecuador")) return line(1);
    for (const char* c : {"Brazil", "Brasil", "Mexico", "Venezuela"}) {
        if (equals_ignore_case(country, c)) return line(2);
    }
    return line(edition_id == 106 ? 3 : 0);
}

std::string subspecies_display_name(const Tsubspecies& subspecies, bool spanish) {
    std::string name = subspecies.name;
    if (spanish && equals_ignore_case(name, "undescribed taxon")) name = "taxon no descrito";
    if (name.find("unnamed") == std::string::npos) name = style_italic + name + style_italic;
    return name;
}

std::string media_folder_8_3(std::string_view folder) {
    std::string result(folder);
    if (result.size() > 8) result.insert(8, 1, '.');
    if (result.size() > 12) result.resize(12);
    return result;
}

std::string species_media_path(const Tspecies& species, const std::string& prefix,
                               const std::string& suffix) {
    // Cut to 8.3 in Windows-1252 characters, then made a native path component.
    return prefix + path_from_disc_text(media_folder_8_3(species.media_folder)) + "/" +
           std::to_string(species.unique_id) + suffix;
}

std::string photo_suffix(int number) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, ".%03d", number);
    return buffer;
}

std::string thumbnail_path(const Tspecies& species, const std::string& base_directory) {
    return species_media_path(species, base_directory + "smalpict/", ".jpg");
}

std::string audio_cd_short_name(const TaudioCD& cd) {
    const std::string& t = cd.text_2;
    return "*" + copy_1based(t, 5, 15) + copy_1based(t, static_cast<long>(t.size()) - 15, 15) + "*";
}

std::string group_name(int group, const std::string& current, bool spanish) {
    static const char* const english[] = {"Birds", "Mammals", "Reptiles", "Frogs and Toads"};
    static const char* const spanish_names[] = {"Aves",
                                                ("Mam\xED"
                                                 "feros"),
                                                "Reptiles", "Ranas y Sapos"};
    if (group < 3 || group > 6) return current;
    return (spanish ? spanish_names : english)[group - 3];
}

} // namespace morvelin
