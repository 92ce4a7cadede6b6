#pragma once
// Settings-file commands for installers and scripts.

#include <string>
#include <vector>

namespace morvelin::disc {

// ini-set FILE SECTION KEY VALUE: writes one value with the program's own settings writer.
int cmd_ini_set(const std::vector<std::string>& args);
extern const char* const ini_set_help;

} // namespace morvelin::disc
