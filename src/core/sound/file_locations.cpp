#include "core/sound/file_locations.h"

#include "core/data/data_texts.h"
#include "core/data/records.h"
#include "core/foundation/base_directory.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/file_search.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace morvelin {

namespace {

constexpr std::array<SoundFileForm, 10> forms{{
    {"", "WAV", false},
    {"_R", "WAV", false},
    {"_MF", "WAV", true},
    {"_MC", "WAV", true},
    {"_MT", "WAV", true},
    {"_M4", "WAV", true},
    {"_M2", "WAV", true},
    {"_WM", "WMA", false},
    {"_WH", "WMA", false},
    {"_MH", "WAV", false},
}};

// The path as found on disk, or the path as built when nothing matches.
std::string on_disk(const std::string& path) {
    return find_path_case_insensitive(path).value_or(path);
}

bool folder_exists(const std::string& folder) {
    std::optional<std::string> found = find_path_case_insensitive(folder);
    std::error_code error;
    return found && std::filesystem::is_directory(*found, error);
}

std::string with_one_separator(std::string folder) {
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder + '/';
}

} // namespace

std::optional<SoundFileForm> sound_file_form(int compression) {
    if (compression < 0 || compression >= int(forms.size())) return std::nullopt;
    return forms[std::size_t(compression)];
}

std::string cut_part_file_name(const Tcutpart& cut_part) {
    std::optional<SoundFileForm> form = sound_file_form(cut_part.compression);
    if (!form) return {};
    char number[16];
    std::snprintf(number, sizeof number, "%.2d", cut_part.number);
    char sub_number[16];
    std::snprintf(sub_number, sizeof sub_number, "%2d", cut_part.sub_number);
    if (sub_number[0] == ' ') sub_number[0] = '0';
    std::string name = std::string("tapes/") + number + "/";
    if (cut_part.carrier_letter != ' ') name += cut_part.carrier_letter;
    name += sub_number;
    if (cut_part.variant_letter != ' ') name += cut_part.variant_letter;
    return name + form->suffix + "." + form->extension;
}

std::optional<std::string> audio_cd_track_folder(const TaudioCD& cd) {
    if (!cd.always_available) {
        if (cd.hard_disk_folder.empty()) return std::nullopt;
        return on_disk(with_one_separator(cd.hard_disk_folder));
    }
    for (;;) {
        std::string folder =
            with_one_separator(environment().base_directory + "Audio CDs/" + path_from_disc_text(cd.text_6));
        if (folder_exists(folder)) return on_disk(folder);
        if (!select_base_directory()) return std::nullopt;
    }
}

std::optional<std::string> find_track_file(const std::string& folder, int track) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%.2d", track);
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::error_code type_error;
        if (entry.is_regular_file(type_error)) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (name.find(digits) != std::string::npos) return with_one_separator(folder) + name;
    return std::nullopt;
}

std::string sound_file_path(const Tcutpart& cut_part) {
    if (cut_part.is_sound_file) {
        std::string name = cut_part_file_name(cut_part);
        if (name.empty()) return {};
        return on_disk(environment().base_directory + name);
    }
    if (!cut_part.audio_cd) return {};
    std::optional<std::string> folder = audio_cd_track_folder(*cut_part.audio_cd);
    if (!folder) return {};
    return find_track_file(*folder, cut_part.track).value_or(std::string());
}

bool has_a_file(const Tcutpart& cut_part, const NumberSet& files_instead_of_cd) {
    if (cut_part.is_sound_file) return true;
    if (!cut_part.audio_cd) return false;
    return cut_part.audio_cd->always_available || files_instead_of_cd.contains(cut_part.audio_cd->sequence);
}

std::string spoken_name_path(const Tspecies* species) {
    if (!species) return {};
    const EditionSettings& e = edition();
    const char* language = e.language_spanish || e.language_dutch || e.language_portuguese ? "2" : "1";
    return on_disk(
        species_media_path(*species, environment().base_directory + "voices/lang" + language + "/", ".wav"));
}

} // namespace morvelin
