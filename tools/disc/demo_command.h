#pragma once
// `morvelin-disc demo OUT [--source DIR] [--resources DIR]`: builds the complete demo disc (edition 106)
// from the editable sources in the repository's demo/ folder. The same sources always give the same
// bytes. The disc is built beside OUT and moved into place only when complete; an existing OUT is
// replaced only when it is empty or an earlier demo disc.

#include <optional>
#include <string>
#include <vector>

namespace morvelin::demo {

struct BuildOptions {
    std::string output;
    std::string source;    // demo/ folder; empty: found next to the program or the current folder
    std::string resources; // resources/ folder; empty: beside the demo/ folder
};

struct BuildSummary {
    int families = 0, species = 0, localities = 0, persons = 0, photos = 0, recordings = 0, cut_parts = 0,
        cds = 0;
};

// Where the demo sources are: explicit, else the first "demo" folder holding species.rec found going up
// from the program's folder, from the current folder, and from this source file's own place.
std::optional<std::string> find_demo_sources(const std::string& explicit_folder);

bool build_demo_disc(const BuildOptions& options, std::string& error, BuildSummary* summary = nullptr);

// The command: arguments after "demo". Prints a summary; errors go to stderr with exit code 1.
int demo_command(const std::vector<std::string>& args);

// The file that marks a folder as a demo disc made by this command.
inline constexpr const char* demo_marker_file = "DEMO-DISC.TXT";

} // namespace morvelin::demo
