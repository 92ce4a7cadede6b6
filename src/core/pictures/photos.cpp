#include "core/pictures/photos.h"

#include "core/data/data_texts.h"
#include "core/foundation/file_search.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace morvelin {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- media files

bool safe_media_name(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
    // A drive letter or a scheme: a ':' before the first separator (no file name of a disc has one).
    const auto separator = name.find_first_of("/\\");
    if (name.substr(0, separator).find(':') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        const auto end = std::min(name.find_first_of("/\\", start), name.size());
        const std::string_view part = name.substr(start, end - start);
        if (part == "." || part == ".." || (part.empty() && end < name.size())) return false;
        start = end + 1;
    }
    return name.back() != '/' && name.back() != '\\';
}

MediaFile find_media_file(const std::string& folder, std::string_view name) {
    MediaFile result;
    if (!safe_media_name(name)) {
        result.status = MediaFile::Status::refused;
        return result;
    }
    std::string relative(name);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const auto root = find_path_case_insensitive(folder);
    if (!root) return result;
    std::string joined = *root;
    if (!joined.empty() && joined.back() != '/') joined += '/';
    const auto found = find_path_case_insensitive(joined + relative);
    if (!found) return result;
    std::error_code error;
    if (!fs::is_regular_file(*found, error)) return result;
    // Links may still lead elsewhere: the file must lie inside the folder once both are resolved.
    const fs::path real_root = fs::canonical(*root, error);
    if (error) return result;
    const fs::path real_file = fs::canonical(*found, error);
    if (error) return result;
    const auto [root_end, file_it] =
        std::mismatch(real_root.begin(), real_root.end(), real_file.begin(), real_file.end());
    if (root_end != real_root.end()) {
        result.status = MediaFile::Status::refused;
        return result;
    }
    result.status = MediaFile::Status::found;
    result.path = *found;
    return result;
}

std::string big_picture_name(const Tbig_picture& picture) {
    return species_media_path(*picture.species, "", photo_suffix(picture.number));
}

std::string small_picture_name(const Tspecies& species) {
    return species_media_path(species, "", ".jpg");
}

MediaFile find_big_picture_file(const Tbig_picture& picture, const std::string& base_directory) {
    return find_media_file(base_directory + "big_pict/", big_picture_name(picture));
}

MediaFile find_small_picture_file(const Tspecies& species, const std::string& base_directory) {
    return find_media_file(base_directory + "smalpict/", small_picture_name(species));
}

// ---------------------------------------------------------------- which photo

namespace {

bool subspecies_matches(const Tbig_picture& picture, const Tsubspecies* subspecies) {
    const Tsubspecies* own = picture.subspecies ? picture.subspecies->subspecies : nullptr;
    return own == subspecies;
}

} // namespace

const Tbig_picture* FindBigPicture(const Tspecies& species, bool subspecies_only,
                                   const Tsubspecies* subspecies, bool backwards,
                                   const Tbig_picture* current) {
    const Tbig_picture* start = !current    ? species.first_picture
                                : backwards ? current->previous_picture
                                            : current->next_picture;
    if (!subspecies_only) return start;
    const bool go_back = backwards && current;
    for (const Tbig_picture* p = start; p; p = go_back ? p->previous_picture : p->next_picture)
        if (subspecies_matches(*p, subspecies)) return p;
    return nullptr;
}

bool picture_has_information(const Tbig_picture& picture) {
    return picture.locality || picture.date != -1 || !picture.description.empty();
}

std::string picture_date_text(int date) {
    if (date < 10100 || date > 311299) return {};
    const int day = date / 10000, month = date / 100 % 100, year = date % 100;
    if (day < 1 || day > 31 || month < 1 || month > 12) return {};
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d-%02d-%04d", day, month, year < 40 ? 2000 + year : 1900 + year);
    return buffer;
}

std::string picture_information_text(const Tbig_picture& picture, bool subspecies_names) {
    std::string text;
    const auto separate = [&text] {
        if (!text.empty() && text.back() != '\n') text += ' ';
    };
    if (subspecies_names && picture.subspecies && picture.subspecies->subspecies)
        text = subspecies_display_name(*picture.subspecies->subspecies);
    separate();
    text += picture.description;
    separate();
    if (picture.locality) text += style_underline + display_name(*picture.locality) + style_underline;
    const std::string date = picture_date_text(picture.date);
    if (!date.empty()) {
        separate();
        text += date + ".";
    }
    return text;
}

std::string picture_names_caption(const Tspecies& species, const Tssp_data* subspecies,
                                  const CaptionNames& names, const std::string& shstr_8,
                                  const std::string& shstr_11) {
    const std::string* first = names.main_name == 1 ? &species.scientific_name : &species.vernacular_name;
    const std::string* second = nullptr;
    if (names.scientific && names.main_name != 1)
        second = &species.scientific_name;
    else if (names.other_language && names.main_name != 2)
        second = &species.vernacular_name;
    std::string text = "  " + *first;
    if (second) {
        if (text.find_first_not_of(' ') != std::string::npos)
            text += " (" + *second + ")";
        else
            text += *second;
    }
    if (species.flag_e && subspecies) {
        text += ", " + shstr_8 + " ";
        text += subspecies->subspecies ? subspecies_display_name(*subspecies->subspecies)
                                       : std::string("error with subspecies name");
        if (subspecies->p_mark) text += " (" + shstr_11 + ")";
    }
    return text;
}

std::string picture_window_caption(const std::string& names_text, const Tbig_picture& picture) {
    std::string text = names_text;
    if (picture.copyright_holder) {
        if (!text.empty()) text += "      ";
        text += "\xA9 " + picture.copyright_holder->key;
    }
    return text;
}

// ---------------------------------------------------------------- colour warning

bool colour_warning_due(int display_colours, int current_month, int stored_month) {
    return display_colours < 300 && current_month >= stored_month;
}

int next_colour_warning_month(int current_month) {
    return current_month % 12 + 1;
}

// ---------------------------------------------------------------- window arithmetic

double zoomed_factor(double old_factor, bool enlarge) {
    const double old = std::clamp(old_factor, min_zoom_factor, max_zoom_factor);
    double factor = old * (enlarge ? 4.0 / 3.0 : 0.75);
    if ((old < 0.99 && factor > 0.95) || (factor < 1.05 && old > 1.01))
        factor = 1.0;
    else if ((old < 1.9999 && factor > 1.9) || (factor < 2.1 && old > 2.0001))
        factor = 2.0;
    return std::clamp(factor, min_zoom_factor, max_zoom_factor);
}

double fitting_factor(int picture_width, int picture_height, int area_width, int area_height) {
    if (picture_width <= 0 || picture_height <= 0) return 1.0;
    const double f = std::min({static_cast<double>(area_width) / picture_width,
                               static_cast<double>(area_height) / picture_height, 1.0});
    return std::clamp(f, min_zoom_factor, 1.0);
}

ScrollRanges scroll_ranges(int picture_width, int picture_height, double factor, int available_width,
                           int available_height, int vertical_bar_width, int horizontal_bar_height) {
    ScrollRanges r;
    const double w = factor * picture_width, h = factor * picture_height;
    r.vertical = h > available_height + 10;
    r.horizontal = w > available_width - (r.vertical ? vertical_bar_width : 0) + 10;
    r.vertical = h > available_height - (r.horizontal ? horizontal_bar_height : 0) + 10;
    if (r.horizontal) r.horizontal_range = static_cast<int>(std::lround(w));
    if (r.vertical) r.vertical_range = static_cast<int>(std::lround(h));
    return r;
}

PixelRect initial_normal_rect(int picture_width, int picture_height, bool fits, int screen_width,
                              const PixelRect& work_area, int left, int top, int frame_width,
                              int frame_height) {
    PixelRect r;
    if (picture_width <= 0 || picture_height <= 0) return {work_area.left, work_area.top, 230, 150};
    const double aspect = static_cast<double>(picture_height) / picture_width;
    double width = fits ? picture_width : std::min(screen_width / 2, picture_width);
    double height = std::round(width * aspect);
    const double cap = screen_width * 3 / 5;
    if (height > cap) {
        height = cap;
        width = std::round(height / aspect);
    }
    // On a screen wider than it is high the cap above still leaves the window taller than the screen.
    const double room_w = std::max(230, work_area.width - frame_width - 5);
    const double room_h = std::max(150, work_area.height - frame_height - 10);
    if (height > room_h) {
        height = room_h;
        width = std::round(height / aspect);
    }
    if (width > room_w) {
        width = room_w;
        height = std::round(width * aspect);
    }
    r.width = std::max(230, static_cast<int>(width));
    r.height = std::max(150, static_cast<int>(height));
    const int outer_w = r.width + frame_width, outer_h = r.height + frame_height;
    r.left = std::max(work_area.left, std::min(left, work_area.left + work_area.width - outer_w - 5));
    r.top = std::max(work_area.top, std::min(top, work_area.top + work_area.height - outer_h - 10));
    return r;
}

TPictureDisplayInfoClass& PictureDisplayInfos::entry(const std::string& file_name, bool* created) {
    const auto [it, made] = infos_.try_emplace(file_name);
    if (created) *created = made;
    return it->second;
}

void PictureDisplayInfos::reset_all() {
    for (auto& [name, info] : infos_)
        info = TPictureDisplayInfoClass{};
}

} // namespace morvelin
