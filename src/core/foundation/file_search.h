#pragma once
// Finding the program's text and data files, and tolerating discs authored on case-insensitive systems.

#include <optional>
#include <string>

namespace morvelin {

// Tries, in order, until an existing file (not a folder) is found:
//   1. the name against the current folder (an absolute name stays as it is);
//   2. for a relative name, environment().startup_folder + name;
//   3. for a relative name, environment().program_folder + name.
// Each candidate is tried exactly first and then with find_path_case_insensitive(). Returns the path
// that was found, made absolute, or no value.
std::optional<std::string> locate_file(const std::string& name);

// The path itself when it exists; otherwise the path in which every component that does not exist as
// spelt is replaced by an entry of its folder that equals it ignoring ASCII case (the first such entry
// in byte order when several do). No value when some component has no match. Files and folders alike;
// a trailing '/' is kept.
std::optional<std::string> find_path_case_insensitive(const std::string& path);

} // namespace morvelin
