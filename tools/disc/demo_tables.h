#pragma once
// The plain (descrambled) lines of the ten data files of the demo disc, in Windows-1252, built from the
// checked content model. Writing them scrambled is the caller's step.

#include "demo_sources.h"

#include <map>
#include <string>
#include <vector>

namespace morvelin::demo {

// File name (e.g. "names_sc.txt") -> plain lines.
using DataTables = std::map<std::string, std::vector<std::string>>;

DataTables build_data_tables(const Content& content, const std::map<int, std::string>& cd_identities);

// The number written into a locality's coordinate group: 8 characters, right-aligned, and the mark.
std::string coordinate_group(int value, bool seconds);

// The identity of an audio CD as the program computes it from the disc: the track count, then for
// each of the first 25 tracks ";" and its length in whole seconds.
std::string cd_identity(const std::vector<long>& track_sectors);

} // namespace morvelin::demo
