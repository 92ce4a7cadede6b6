// morvelin-disc: authoring and inspection of Morvelin discs. One line per command in the table below.

#include "copy_media_command.h"
#include "data_commands.h"
#include "demo_command.h"
#include "disc_commands.h"
#include "export_mp3_command.h"
#include "settings_commands.h"
#include "stream_commands.h"
#include "synth.h"

#include <string>
#include <vector>

namespace {

using namespace morvelin::disc;

const DiscCommand commands[] = {
    {"pack", pack_command, "IN OUT [--scheme-b] [--name NAME]",
     "scramble a plain data file (seed from OUT's name or NAME)"},
    {"unpack", unpack_command, "IN OUT [--name NAME]",
     "descramble a data file (seed from IN's name or NAME)"},
    {"scramble-picture", scramble_picture_command, "IN OUT [--scramble2]",
     "store a picture behind the \"Scrambled\" or \"Scramble2\" marker"},
    {"compress", compress_command, "IN OUT", "LZW-compress a file into the container of the disc's maps"},
    {"decode", decode_command, "FILE OUT [--name NAME]",
     "write the plain content of a data file, scrambled picture, container or bitmap"},
    {"check", cmd_check, "DIR",
     "load a disc with the program's loader and print a summary, or its fatal message"},
    {"dump", cmd_dump, "DIR [--output FILE]", "write a disc's loaded data set as JSON"},
    {"synth", cmd_synth,
     "OUT [--species N] [--families N] [--recordings N] [--photos N] [--localities N] [--seed N]",
     "write the data files of a synthetic disc of realistic size"},
    {"demo", morvelin::demo::demo_command, "OUT [--source DIR] [--resources DIR]",
     "build the demo disc from the sources in demo/"},
    {"export-mp3", export_mp3_command, "DIR UNIQUE_ID N OUT.mp3", "export a recording as a tagged MP3 file"},
    {"ini-set", cmd_ini_set, "FILE SECTION KEY VALUE", "write one value into a settings file"},
    {"register-cd-copies", cmd_register_cd_copies, "DIR SETTINGS",
     "write the disc's copies of audio CDs into a settings file, as an installer does"},
    {"copy-media", copy_media_command, "SOURCE TARGET",
     "copy a disc's media folders into a folder on the hard disk, as Options > Copy to HD does"},
};

} // namespace

int main(int argc, char** argv) {
    install_tool_fatal_handler();
    return run_disc_tool(commands, std::vector<std::string>(argv + 1, argv + argc));
}
