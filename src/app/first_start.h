#pragma once
// A start without a disc. When the language text file lies neither in the start-up folder, nor beside
// the program, nor in the disc folder used last (a program installed from its package and started
// from the desktop menu), the program offers to make the demo disc with the disc tool, or to choose
// the disc's folder, and then starts there as if it had been started in that folder.

#include <string>

namespace morvelin {

// The disc tool beside the program (installed together), in the build tree, or on the search path;
// empty when there is none.
std::string find_disc_tool(const std::string& program_folder);

// The folder the demo disc is made in: home/Morvelin-demo, or the first of Morvelin-demo-2, -3, ...
// that is not a folder of something else already. A demo disc made before is used again.
std::string demo_disc_folder(const std::string& home);

// Nothing happens when the text file or the edition file is found. Otherwise asks: Yes makes the demo disc in
// demo_disc_folder(home) behind a busy window (Cancel stops the tool; a disc is only ever moved into
// place whole), No chooses a folder, Cancel gives up. A disc made or chosen becomes the start-up folder
// and the remembered `Base Directory`. Returns false when the user gave up: the start goes on to the
// text file's own message.
bool offer_a_disc_when_none_is_found(const std::string& disc_tool, const std::string& home);

} // namespace morvelin
