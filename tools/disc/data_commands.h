#pragma once
// Inspection of a disc's data set with the program's own loader:
//   check DIR       loads the disc in DIR and prints a summary, or the program's fatal message (exit 1);
//   dump DIR [--output FILE]  writes the loaded data set as JSON (UTF-8) to FILE or standard output.
// The edition comes from DIR/PROGR_NM.TXT and the language texts from DIR/Morvelin.txt when present.

#include "core/data/data_set.h"

#include <memory>
#include <string>
#include <vector>

namespace morvelin::disc {

// Loads the disc in folder like the program does. Returns no data set and sets error to the message
// the program would have shown when loading stops. Leaves the tool's fatal handler installed.
std::unique_ptr<Tdata> load_disc(const std::string& folder, std::string& error);

// The summary check prints: families per order, species, recordings, cut parts by kind, photos,
// localities, persons, audio CDs, maps, then the loader's notes.
std::string data_summary(const Tdata& data);

// The whole data set as JSON: orders with their families and species, every species with its fields,
// subspecies, recording items (each with its cut part) and photos, then localities, persons, audio
// CDs, maps and the general literature list. Texts are converted from Windows-1252 to UTF-8; style
// characters and line feeds appear as JSON escapes.
std::string data_json(const Tdata& data);

// The commands (arguments after the command name); 0 done, 1 failure, 2 bad usage.
int cmd_check(const std::vector<std::string>& args);
int cmd_dump(const std::vector<std::string>& args);
// register-cd-copies DIR SETTINGS: what an installer writes for the regular audio CDs of a disc. The
// copies in its folder "Audio CD copies" (one sub-folder per CD, named like the CD's first text): the
// CD's short name and the copy's folder (a native path) in section AUDIO CDS. The CD sets of every
// window section: all CDs visible and playable, on hard disk only those with a copy, so that the
// others play from a drive.
int cmd_register_cd_copies(const std::vector<std::string>& args);

} // namespace morvelin::disc
