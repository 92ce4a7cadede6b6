#include "core/sound/mp3_export.h"

#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/sound/mp3_memory_stream.h"
#include "core/sound/wave_memory_stream.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace morvelin {

namespace {

std::string upper_extension(const std::string& path) {
    return to_upper_ascii(std::filesystem::path(path).extension().string());
}

void show_format_error(const std::string& path) {
    show_message("Format error inside \"" + message_text_from_path(path) + "\".", mb::icon_error);
}

// The MPEG data of a WAVE file with MPEG Layer III inside, from its "data" chunk to the end.
std::unique_ptr<TMP3MemoryStream> load_wave_mpeg_data(const std::string& path) {
    TWaveMemoryStream wave;
    bool error = false;
    wave.LoadSoundFile(path, error);
    if (error || !IsMP3CompressedWave(wave)) {
        show_format_error(path);
        return nullptr;
    }
    return std::make_unique<TMP3MemoryStream>(wave.memory() + wave.data_start(), wave.data_length());
}

std::unique_ptr<TMP3MemoryStream> load_mp3_frames(const std::string& path) {
    auto mp3 = std::make_unique<TMP3MemoryStream>();
    bool error = false;
    mp3->LoadSoundFile(path, error);
    if (error) return nullptr;
    // Without a single frame the file is no MPEG-1 Layer III file (a renamed file, other MPEG
    // versions); a tag alone would be written as an empty MP3 file.
    if (mp3->size() == 0) {
        show_format_error(path);
        return nullptr;
    }
    return mp3;
}

bool is_reserved_in_file_names(unsigned char c) {
    switch (c) {
    case '/':
    case '\\':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
        return true;
    default:
        return c < 0x20;
    }
}

constexpr std::size_t max_file_name_bytes = 255;

// prefix + the text made safe + suffix, the text shortened to keep the whole within the limit.
// prefix and suffix are plain ASCII.
std::string compose_file_name(std::string_view prefix, std::string_view text, std::string_view suffix) {
    std::string name(prefix);
    const std::size_t budget =
        max_file_name_bytes - std::min(max_file_name_bytes, prefix.size() + suffix.size());
    std::size_t used = 0;
    for (char c : text) {
        char safe = is_reserved_in_file_names(static_cast<unsigned char>(c)) ? '_' : c;
        std::string utf8 = cp1252_to_utf8(std::string_view(&safe, 1));
        if (used + utf8.size() > budget) break;
        name += utf8;
        used += utf8.size();
    }
    name += suffix;
    // "." and ".." would name the folder itself or its parent.
    if (name.find_first_not_of('.') == std::string::npos) name.assign(name.size(), '_');
    return name;
}

} // namespace

bool IsMP3CapableSoundFile(const std::string& sound_file_path) {
    std::string extension = upper_extension(sound_file_path);
    if (extension == ".MP3") return true;
    if (extension == ".WAV") return IsMP3CompressedWave(sound_file_path);
    return false;
}

bool ExportRecordingToMP3(const Mp3ExportRequest& request) {
    const std::string& path = request.sound_file;
    std::unique_ptr<TMP3MemoryStream> mp3 =
        upper_extension(path) == ".MP3" ? load_mp3_frames(path) : load_wave_mpeg_data(path);
    if (!mp3) return false;

    if (request.slice) mp3->CutSlice(request.slice->offset_ms / 1000.0, request.slice->length_ms / 1000.0);
    if (request.repeat_count >= 2 && !mp3->RepeatContents(request.repeat_count - 1)) {
        show_message(environment().out_of_memory_text, mb::icon_error);
        return false;
    }
    if (!mp3->WriteID3v2Tag(request.texts, request.language, request.species_number) ||
        !mp3->save_to_file(request.output_file)) {
        show_message((edition().language_spanish ? "Error escribiendo archivo " : "Error writing file ") +
                         message_text_from_path(request.output_file),
                     mb::icon_error);
        return false;
    }
    return true;
}

std::string file_name_from_text(std::string_view text) {
    return compose_file_name("", text, "");
}

std::string recording_mp3_file_name(std::string_view title, int number) {
    return compose_file_name("", title, " #" + std::to_string(number) + ".mp3");
}

std::string audio_cd_mp3_file_name(int entry, std::string_view title_text) {
    char number[16];
    std::snprintf(number, sizeof number, "%.3d", entry);
    return compose_file_name(number, title_text, ".mp3");
}

} // namespace morvelin
