#pragma once
// morvelin-disc copy-media SOURCE TARGET: copies the media folders of the disc in SOURCE into the folder
// TARGET as the program's Options > Copy to HD does (the same folders, found ignoring case, put in place
// only when every file is copied and on disk), and prints the number of files. Exit code 0 done, 1
// failure (the reason on stderr; TARGET is as it was), 2 bad usage.

#include <string>
#include <vector>

namespace morvelin::disc {

int copy_media_command(const std::vector<std::string>& args);

} // namespace morvelin::disc
