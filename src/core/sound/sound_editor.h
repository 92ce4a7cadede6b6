#pragma once
// Handing a recording to the user's sound editing program. The program is kept in the settings
// (GENERAL: `Sound Editing Program`, `Maximize Sound Editing Program`).

#include <optional>
#include <string>

namespace morvelin {

struct Tcutpart;

// `Sound Editing Program`, or the default, a Windows program that never exists here, so the first use
// asks.
std::string sound_editing_program();
// `Maximize Sound Editing Program` (default No).
bool maximize_sound_editing_program();

// Lets the user pick the program (any file; on Linux programs have no extension) with the open-file
// dialog titled title, starting in the current program's folder. A pick is stored and returned; no
// value when the user cancels.
std::optional<std::string> choose_sound_editing_program(const std::string& title);

// Starts the sound editing program on the cut part's sound file (for an audio-CD slice the whole
// track file) without waiting. While the stored program does not exist the user is asked to pick one;
// cancelling ends quietly. A program that cannot be started is reported ("Error when executing
// program"). True when the program was started.
bool open_in_sound_editing_program(const Tcutpart& cut_part);

} // namespace morvelin
