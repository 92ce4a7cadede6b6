#pragma once
// Program-wide values taken once during start-up and read everywhere afterwards.
// Folders are native paths that end with the separator '/'.

#include <istream>
#include <optional>
#include <string>
#include <vector>

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

// Start-up step 2. executable_path is the program's own path (argv[0] or the application's file path;
// empty or a bare name: /proc/self/exe). Sets the start-up folder (the current folder), the program
// folder, the settings file path (program folder + Morvelin.ini when that folder is writable, else
// the per-user file of settings_file_location()),
// settings_on_cdrom and the time separator of the user's locale. When the settings path exists but is
// not a readable ordinary file, shows "There is a problem with the file " + the path in capitals
// (flags 16); a settings file that does not exist yet (a first start) is no problem.
void init_environment(const std::string& executable_path);

// The settings file of a program folder: there when the folder is writable, else
// $XDG_CONFIG_HOME/Morvelin/Morvelin.ini (~/.config by default; the folder is made when missing), which
// a first start makes a copy of the program folder's Morvelin.ini when there is one (an installer's or a
// read-only disc's settings).
std::string settings_file_location(const std::string& program_folder, bool program_folder_writable);

// One line of /proc/self/mountinfo that matters to us.
struct MountEntry {
    std::string mount_point; // no trailing '/', except the root "/"
    std::string fs_type;     // "ext4", "iso9660", "udf", ...
    std::string source;      // "/dev/sr0", ...
};
// The mount that holds the path: the entry with the longest mount point that is a whole-component
// prefix of the path (made absolute and, as far as it exists, free of symbolic links); the last such
// entry wins, as later mounts hide earlier ones. No value when nothing matches or the table is empty.
std::optional<MountEntry> find_mount(const std::string& path, std::istream& mountinfo);
std::optional<MountEntry> find_mount(const std::string& path); // reads /proc/self/mountinfo
std::vector<MountEntry> read_mounts(std::istream& mountinfo);
std::vector<MountEntry> read_mounts(); // /proc/self/mountinfo; empty when unreadable

// True when the path lies on an iso9660 or udf file system (a CD or DVD).
bool is_cdrom_file_system(const std::string& fs_type);
bool is_cdrom_path(const std::string& path);

// The separator between hours and minutes in a time formatted by the user's locale, ':' when that
// cannot be told. time_separator_of() takes such a formatted time ("13.45.56", "01:45:56 PM").
char locale_time_separator();
char time_separator_of(const std::string& formatted_time);

} // namespace morvelin
