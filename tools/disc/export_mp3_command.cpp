#include "export_mp3_command.h"

#include "data_commands.h"
#include "disc_commands.h"

#include "core/data/data_set.h"
#include "core/foundation/environment.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/utilities.h"
#include "core/sound/file_locations.h"
#include "core/sound/mp3_export.h"
#include "core/sound/mp3_files.h"
#include "core/sound/recording_tag_texts.h"

#include <cstdio>
#include <filesystem>

namespace morvelin::disc {

namespace {

constexpr const char* arguments = "DIR UNIQUE_ID N OUT.mp3";

int usage(const std::string& problem) {
    std::fprintf(stderr, "morvelin-disc export-mp3: %s\nusage: morvelin-disc export-mp3 %s\n",
                 problem.c_str(), arguments);
    return 2;
}

} // namespace

int export_mp3_command(const std::vector<std::string>& args) {
    const ParsedArguments a = parse_arguments(args, {}, {}, 4);
    if (!a.error.empty()) return usage(a.error);
    const std::string& dir = a.positional[0];
    bool bad = false;
    const int unique_id = parse_integer(a.positional[1], 0, bad);
    if (bad) return usage("UNIQUE_ID \"" + a.positional[1] + "\" is not a number");
    const int n = parse_integer(a.positional[2], 0, bad);
    if (bad || n < 1) return usage("N \"" + a.positional[2] + "\" is not a number of 1 or more");
    const std::string& output = a.positional[3];

    std::string error;
    auto data = load_disc(dir, error);
    if (!data) return tool_failure(cp1252_to_utf8(error));
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::absolute(dir, ec);
    environment().base_directory = ensure_trailing_separator(base.string());

    const Tspecies* species = data->find_species(unique_id);
    if (!species) return tool_failure("no species with unique ID " + std::to_string(unique_id));
    const Tcupaitem* item = nullptr;
    int count = 0;
    for (const Tcupaitem* i = species->first_item; i; i = i->next_item)
        if (++count == n) item = i;
    if (!item || !item->cut_part)
        return tool_failure("species " + std::to_string(unique_id) + " has " + std::to_string(count) +
                            " recording(s), not " + std::to_string(n));
    const Tcutpart& cut = *item->cut_part;
    const std::string path = sound_file_path(cut);
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return tool_failure("the sound file of recording " + std::to_string(n) + " (cut part " +
                            cp1252_to_utf8(cut.key) + ") is not on the disc" +
                            (path.empty() ? std::string() : ": " + path));
    if (!IsMP3CapableSoundFile(path))
        return tool_failure("recording " + std::to_string(n) + " (" + path +
                            ") holds no MPEG Layer III data and cannot be exported");

    Mp3ExportRequest request = recording_export_request(*item, path);
    request.output_file = output;
    request.texts = recording_tag_texts_from_data(*item);
    if (!ExportRecordingToMP3(request)) return 1;
    std::printf("%s: recording %d of %s\n", output.c_str(), n,
                cp1252_to_utf8(species->scientific_name).c_str());
    return 0;
}

} // namespace morvelin::disc
