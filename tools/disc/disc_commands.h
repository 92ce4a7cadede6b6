#pragma once
// The command table of morvelin-disc and the helpers its commands share. Each command is a function
// taking the arguments after its name and returning the exit code (0 done, 1 failure, 2 bad usage);
// main.cpp lists them, one line per command.

#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace morvelin::disc {

using CommandFunction = int (*)(const std::vector<std::string>& args);

struct DiscCommand {
    const char* name;
    CommandFunction run;
    const char* usage; // the arguments, e.g. "IN OUT [--scheme-b] [--name NAME]"
    const char* help;  // one line
};

// Runs the command named by args[0] with the rest of args. "--help" (or no arguments) lists the
// commands; "COMMAND --help" shows that command's usage. Unknown commands fail with exit code 2.
int run_disc_tool(std::span<const DiscCommand> commands, const std::vector<std::string>& args);

// Makes fatal errors print "morvelin-disc: <text>" to stderr and exit with code 1.
void install_tool_fatal_handler();

// Prints "morvelin-disc: <message>" (UTF-8) to stderr and returns 1.
int tool_failure(const std::string& message);

// Command-line arguments split into positional ones and options. Options are given as "--name"; those
// in valued take the next argument as their value.
struct ParsedArguments {
    std::vector<std::string> positional;
    std::set<std::string> flags;
    std::map<std::string, std::string> values;
    std::string error; // not empty when the arguments are not usable
};
ParsedArguments parse_arguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
                                const std::set<std::string>& valued, std::size_t positional_count);

// Reads a whole input file; on failure error names the file.
bool read_input(const std::string& path, std::string& bytes, std::string& error);
// Writes an output file whole or not at all; on failure error names the file.
bool write_output(const std::string& path, const std::string& bytes, std::string& error);

} // namespace morvelin::disc
