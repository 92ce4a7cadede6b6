#include "settings_commands.h"

#include "core/foundation/settings_file.h"
#include "core/foundation/text_encoding.h"

#include <cstdio>

namespace morvelin::disc {

const char* const ini_set_help =
    "ini-set FILE SECTION KEY VALUE\n"
    "  Writes VALUE under KEY in SECTION of the settings file FILE (created when missing), replacing\n"
    "  the file whole. VALUE is stored as given, so a path stays the native path the program reads.\n"
    "  Installers use it to write the base directory, e.g.\n"
    "  morvelin-disc ini-set Morvelin.ini GENERAL \"Base Directory\" /media/cdrom/\n";

int cmd_ini_set(const std::vector<std::string>& args) {
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: morvelin-disc %s", ini_set_help);
        return 2;
    }
    if (args[0].empty()) {
        std::fprintf(stderr, "ini-set: the settings file name is empty\n");
        return 1;
    }
    // Section and key names are the program's own (Windows-1252) texts; the values an installer writes
    // are paths, which the settings hold native, as the command line gives them.
    if (!settings_write_string(args[0], utf8_to_cp1252(args[1]), utf8_to_cp1252(args[2]), args[3])) {
        std::fprintf(stderr, "ini-set: could not write \"%s\"\n", args[0].c_str());
        return 1;
    }
    return 0;
}

} // namespace morvelin::disc
