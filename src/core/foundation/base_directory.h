#pragma once
// The base directory: the root folder of every media file (environment().base_directory, empty or
// ending with '/'), kept in `Base Directory` of GENERAL.

#include <functional>
#include <string>

namespace morvelin {

// Module start (after the data is loaded): reads the BASEDIR caption and `Base Directory`. When
// `Just Installed` is Yes, only the mount point that holds the stored folder is kept (the installer
// stores a folder on the disc; the program starts at the disc's root) and written back at once.
// A '/' is appended; an empty base directory becomes "/".
void init_base_directory();
// The language text file's name: `Text File` of GENERAL, else the program's default.
std::string language_text_file_name();
// A program started away from its disc (from a desktop menu, or installed apart from the disc) finds
// neither its language texts nor its data in the start-up or program folder. When the remembered
// `Base Directory` holds the language text file, that folder becomes the start-up folder, where texts
// and data are looked for. Runs before the language texts are loaded; returns whether it moved.
bool start_in_remembered_disc_folder();
// Module end: writes `Just Installed` = No, then `Base Directory`.
void finalise_base_directory();

// Asks for the base directory with the folder dialog (caption: BASEDIR line 0). OK: the chosen folder
// with a trailing '/' becomes the base directory; when it differs from the previous one it is saved and
// the changed hook runs. Returns true. Cancel: returns false and the previous base directory stays.
// Callers loop: build the media path, test it, select the base directory, until the file exists or
// this returns false.
bool select_base_directory();

// Makes folder (a '/' is appended) the base directory, saves it and runs the changed hook (a copy of
// the media on the hard disk replaces the disc).
void change_base_directory(const std::string& folder);

// True when the base directory lies on a CD or DVD file system.
bool base_directory_on_cdrom();
// Writes `Base Directory` in GENERAL.
void save_base_directory();

// Runs after select_base_directory() changed the base directory (thumbnails are looked for again, the
// main window repaints). Empty function: no hook.
void set_base_directory_changed_hook(std::function<void()> hook);

} // namespace morvelin
