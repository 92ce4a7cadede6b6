#pragma once
// Making the tagged MP3 file of one recording from MPEG data already on the disc (an MP3 file or a
// WAVE file with MPEG Layer III inside), and the names of the files made. Independent of the data
// model: the caller takes the paths, the slice and the tag texts from its recording.

#include "core/sound/id3_tag.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvelin {

// ".MP3" (any case): true. ".WAV": IsMP3CompressedWave of the file (whose messages show when it is
// unreadable or no wave file). Anything else: false.
bool IsMP3CapableSoundFile(const std::string& sound_file_path);

// Milliseconds within the sound file.
struct Mp3Slice {
    int offset_ms = 0;
    int length_ms = 0;
};

struct Mp3ExportRequest {
    std::string sound_file;        // native path of the recording's sound file
    std::optional<Mp3Slice> slice; // none for a recording that is a whole sound file of its own
    int repeat_count = 1;          // 2 or more: the slice that many times over
    std::string output_file;       // native path of the ".mp3" file, created or replaced
    Mp3TagTexts texts;
    LanguageFlags language = interface_language();
    int species_number = 0; // its position in the Clements order
};

// Loads the sound file (a WAVE file: its data from the "data" chunk to the end of the file; an MP3
// file: its frames without tags), cuts the slice, repeats it, puts the tag in front and writes the
// output file whole or not at all. Failures are shown with the error icon and give false with no
// file written:
//   - unreadable file: "Error reading file <path>" (Spanish: "Error leyendo archivo <path>"), and
//     for a WAVE file also the format error below;
//   - a WAVE file that is no wave file ('File "<path>" is not a wave file!') or holds no MPEG Layer
//     III data, and an MP3 file without a single MPEG-1 Layer III frame:
//     'Format error inside "<path>".';
//   - the repeated slice passing the memory limit: the environment's out-of-memory text;
//   - the output cannot be written: "Error writing file <output>" (Spanish: "Error escribiendo
//     archivo <output>").
bool ExportRecordingToMP3(const Mp3ExportRequest& request);

// File names made from data texts (Windows-1252) for the native file system (UTF-8). Characters
// that cannot stand in a file name here or on the systems a copy may go to ('/', '\', ':', '*', '?',
// '"', '<', '>', '|' and control characters) become '_', so a name never leaves its folder; a name
// longer than 255 bytes is shortened in its text part at a character boundary.
std::string file_name_from_text(std::string_view text);
// One recording: "<title> #<number>.mp3".
std::string recording_mp3_file_name(std::string_view title, int number);
// An audio-CD entry: the entry number with three digits, the title text, ".mp3" ("001Wren.mp3").
std::string audio_cd_mp3_file_name(int entry, std::string_view title_text);

} // namespace morvelin
