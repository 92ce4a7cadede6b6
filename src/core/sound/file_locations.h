#pragma once
// Where the files of recordings and spoken species names lie below the base directory, and when a
// recording counts as having a file. Paths are native; a path built from the data that does not
// exist as spelt is looked up ignoring the case of each component (discs are authored on systems
// that ignore case), and the spelling found on disk is returned.

#include "core/foundation/settings_file.h"

#include <optional>
#include <string>

namespace morvelin {

struct Tcutpart;
struct TaudioCD;
struct Tspecies;

// How a sound-file cut part is stored, by its compression number (0..9).
struct SoundFileForm {
    const char* suffix;    // after the sub-number and variant letter: "", "_R", "_MF", ...
    const char* extension; // "WAV" or "WMA"
    bool mp3;              // MPEG Layer III data inside (2..6)
};
// No value for compression numbers the program does not know.
std::optional<SoundFileForm> sound_file_form(int compression);

// The file name of a sound-file cut part below the base directory, e.g. "tapes/07/A03_MF.WAV" for
// number 7, carrier letter 'A', sub-number 3, no variant letter, compression 2; empty for an unknown
// compression.
std::string cut_part_file_name(const Tcutpart& cut_part);

// The folder of an audio CD's track files, ending with '/'. An always-available CD's tracks lie in
// base directory + "Audio CDs/" + text_6; while that folder is missing the user is asked for the base
// directory, and giving up gives no value. Another CD's tracks lie in its hard_disk_folder (no value
// when it has none).
std::optional<std::string> audio_cd_track_folder(const TaudioCD& cd);

// The first file (by name) in folder whose name contains the track number in two digits ("%.2d").
std::optional<std::string> find_track_file(const std::string& folder, int track);

// The sound file of a cut part: for a sound file its file below the base directory (returned even
// when it does not exist, so that the caller can ask for the base directory); for an audio-CD slice
// the track file (see above; may ask for the base directory). Empty when there is none.
std::string sound_file_path(const Tcutpart& cut_part);

// A sound-file cut part, or an audio-CD slice whose CD is always available or whose sequence is in
// files_instead_of_cd (the CDs played from copies on the hard disk).
bool has_a_file(const Tcutpart& cut_part, const NumberSet& files_instead_of_cd);

// base directory + "voices/lang<n>/" + 8.3 media folder + "/" + unique ID + ".wav", where n is 2 for
// a Spanish, Dutch or Portuguese interface and 1 otherwise. Empty for no species.
std::string spoken_name_path(const Tspecies* species);

} // namespace morvelin
