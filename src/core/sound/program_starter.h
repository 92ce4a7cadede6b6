#pragma once
// Starting another program without waiting for it (the sound editing program, a decoder installer),
// and ending this one on request. Core makes no system calls for this: the program installs the
// platform's starter (platform/processes.h), tests install scripted ones; with none installed no
// program starts.

#include <functional>
#include <string>
#include <vector>

namespace morvelin {

// arguments[0] is the program (a path, or a name looked up in PATH), the rest its arguments, passed
// as they are (no shell). maximised asks for a maximised window where the desktop lets a program
// say so. True when the program was started. No message.
using ProgramStarter = std::function<bool(const std::vector<std::string>& arguments, bool maximised)>;
void install_program_starter(ProgramStarter starter); // empty: none
bool start_program(const std::vector<std::string>& arguments, bool maximised);

// Ends this program with exit code 0. The desktop program may install a handler that leaves its
// message loop so that settings are written (end_program then returns and the caller should do
// nothing more); the default calls std::exit(0).
void install_program_end_handler(std::function<void()> handler); // empty: the default
void end_program();

} // namespace morvelin
