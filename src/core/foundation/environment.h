#pragma once
// Program-wide values taken once during start-up and read everywhere afterwards.
// Folders are native paths that end with the separator '/'.

#include <string>

namespace morvelin {

// Constants fixed at build time.
struct ProgramConfig {
    std::string general_section = "GENERAL";
    std::string text_file_name = "Morvelin.txt";
    std::string settings_file_name = "Morvelin.ini";
    bool settings_file_must_exist = false;
    bool load_caption_and_memory_texts = true;
    bool load_file_dialog_texts = false;
    std::string help_file = "Morvelin.hlp";
    std::string icon_resource = "PROGRAM_ICON_2";
};
const ProgramConfig& program_config();

struct Environment {
    std::string startup_folder;
    std::string program_folder;
    std::string settings_file_path;
    bool settings_on_cdrom = false;
    // The display is always true colour on the desktops we run on.
    bool palette_display = false;
    int display_colours = 1 << 24;
    bool windows_9x_family = false;
    bool nt_family = true;
    char time_separator = ':';
    std::string out_of_memory_text = "Out of Memory";
    // Empty or ending with '/': the root of every media path.
    std::string base_directory;
};

// The one instance; tests may change it freely.
Environment& environment();

} // namespace morvelin
