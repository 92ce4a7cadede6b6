#pragma once
// morvelin-disc export-mp3 DIR UNIQUE_ID N OUT.mp3: the tagged MP3 file of the N-th recording (1-based,
// in the order of the species' recording items) of the species with that unique ID on the disc in DIR,
// made as the program makes it, with the tag texts the data give. DIR is the base directory of the
// media files. Only recordings stored as MPEG Layer III (MP3 files, WAVE files with MPEG Layer III
// inside) can be exported; the file is written whole or not at all. Exit code 0 done, 1 failure (the
// reason on stderr), 2 bad usage.

#include <string>
#include <vector>

namespace morvelin::disc {

int export_mp3_command(const std::vector<std::string>& args);

} // namespace morvelin::disc
