#pragma once
// Starting other programs: the program starter of core/sound/program_starter.h for Linux.

#include <string>
#include <vector>

namespace morvelin {

// Starts arguments[0] (a path, or a name looked up in PATH) with the other arguments as they are (no
// shell), as a process of its own that outlives us. True when the program was started. A Linux
// desktop decides window placement itself, so maximised is not acted on.
bool start_detached_program(const std::vector<std::string>& arguments, bool maximised);

} // namespace morvelin
