// morvelin-disc: authoring and inspection of Morvelin discs. One line per command in the table below.

#include "disc_commands.h"
#include "settings_commands.h"
#include "stream_commands.h"

#include <string>
#include <vector>

namespace {

using namespace morvelin::disc;

const DiscCommand commands[] = {
    {"pack", pack_command, "IN OUT [--scheme-b] [--name NAME]",
     "scramble a plain data file (seed from OUT's name or NAME)"},
    {"unpack", unpack_command, "IN OUT [--name NAME]", "descramble a data file (seed from IN's name or NAME)"},
    {"scramble-picture", scramble_picture_command, "IN OUT [--scramble2]",
     "store a picture behind the \"Scrambled\" or \"Scramble2\" marker"},
    {"compress", compress_command, "IN OUT", "LZW-compress a file into the container of the disc's maps"},
    {"decode", decode_command, "FILE OUT [--name NAME]",
     "write the plain content of a data file, scrambled picture, container or bitmap"},
    {"ini-set", cmd_ini_set, "FILE SECTION KEY VALUE", "write one value into a settings file"},
};

} // namespace

int main(int argc, char** argv) {
    install_tool_fatal_handler();
    return run_disc_tool(commands, std::vector<std::string>(argv + 1, argv + argc));
}
