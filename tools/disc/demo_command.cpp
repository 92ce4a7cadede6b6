#include "demo_command.h"

#include "demo_audio.h"
#include "demo_pictures.h"
#include "demo_sources.h"
#include "demo_tables.h"

#include "core/foundation/codec.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace morvelin::demo {

namespace fs = std::filesystem;

namespace {

bool is_source_folder(const fs::path& folder) {
    std::error_code code;
    return fs::is_regular_file(folder / "species.rec", code) && fs::is_directory(folder / "sites", code);
}

std::optional<fs::path> search_upwards(fs::path start) {
    std::error_code code;
    start = fs::weakly_canonical(start, code);
    for (fs::path folder = start; !folder.empty(); folder = folder.parent_path()) {
        if (is_source_folder(folder / "demo")) return folder / "demo";
        if (folder == folder.parent_path()) break;
    }
    return std::nullopt;
}

fs::path program_folder() {
    std::error_code code;
    const fs::path exe = fs::read_symlink("/proc/self/exe", code);
    return code ? fs::current_path() : exe.parent_path();
}

// An output folder may be replaced only when it holds nothing, or an earlier demo disc.
bool replaceable(const fs::path& folder) {
    std::error_code code;
    if (!fs::exists(folder, code)) return true;
    if (!fs::is_directory(folder, code)) return false;
    return fs::is_empty(folder, code) || fs::is_regular_file(folder / demo_marker_file, code);
}

bool write_text(const fs::path& path, const std::string& bytes, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

const char* marker_text =
    "Morvelin demo disc\r\n"
    "\r\n"
    "Made by \"morvelin-disc demo\" from the sources in the repository's demo/ folder.\r\n"
    "The species, their names, families, threat statuses and the localities are real. The texts are short\r\n"
    "summaries written for this disc. All persons are invented. The pictures are drawings made by the "
    "tool\r\n"
    "and the sounds are synthesised: none of them is a photograph or a recording of a real bird.\r\n"
    "Spoken names are made with espeak-ng.\r\n";

} // namespace

std::optional<std::string> find_demo_sources(const std::string& explicit_folder) {
    if (!explicit_folder.empty()) {
        if (is_source_folder(explicit_folder)) return explicit_folder;
        return std::nullopt;
    }
    if (const auto found = search_upwards(program_folder())) return found->string();
    // An installed tool: the sources beside the program's help, with the resources next to them.
    const fs::path installed = program_folder().parent_path() / "share" / "morvelin" / "demo";
    if (is_source_folder(installed)) return installed.string();
    for (const fs::path& start : {fs::current_path(), fs::path(__FILE__).parent_path()})
        if (const auto found = search_upwards(start)) return found->string();
    return std::nullopt;
}

bool build_demo_disc(const BuildOptions& options, std::string& error, BuildSummary* summary) {
    const auto source = find_demo_sources(options.source);
    if (!source) {
        error = options.source.empty() ? "the demo sources (a demo/ folder with species.rec) were not found; "
                                         "give them with --source"
                                       : options.source + " is not a demo source folder";
        return false;
    }
    const fs::path resources = options.resources.empty() ? fs::path(*source).parent_path() / "resources"
                                                         : fs::path(options.resources);
    std::vector<std::string> problems;
    const auto content = load_content(*source, problems);
    if (!content) {
        error = "the demo sources have problems:";
        for (const auto& problem : problems)
            error += "\n  " + problem;
        return false;
    }
    for (const char* program : {"ffmpeg", "espeak-ng"})
        if (!program_available(program)) {
            error = std::string("the program \"") + program + "\" is needed (Debian package " + program + ")";
            return false;
        }
    if (options.output.empty()) {
        error = "no output folder given";
        return false;
    }
    fs::path output = fs::absolute(options.output).lexically_normal();
    if (output.filename().empty()) output = output.parent_path();
    if (!replaceable(output)) {
        error = output.string() + " exists and is not an earlier demo disc; it is left alone";
        return false;
    }
    const fs::path partial = output.string() + ".partial";
    const fs::path work = output.string() + ".work";
    std::error_code code;
    for (const fs::path& folder : {partial, work}) {
        // Leftovers of an interrupted build carry the marker; anything else there is not ours.
        if (fs::exists(folder, code) && !replaceable(folder)) {
            error = folder.string() + " exists and was not made by this command; it is left alone";
            return false;
        }
        fs::remove_all(folder, code);
        fs::create_directories(folder, code);
        if (code) {
            error = "cannot create " + folder.string() + ": " + code.message();
            return false;
        }
        std::string ignored;
        write_text(folder / demo_marker_file, marker_text, ignored);
    }
    auto clean_up = [&] {
        std::error_code ignored;
        fs::remove_all(work, ignored);
        fs::remove_all(partial, ignored);
    };

    // Sounds run external encoders; the pictures are drawn meanwhile on this thread.
    std::map<int, std::string> identities;
    std::string sound_error;
    bool sounds_ok = false;
    std::thread sounds([&] {
        sounds_ok = write_sounds(*content, partial.string(), work.string(), identities, sound_error);
    });
    const bool pictures_ok = write_pictures(*content, partial.string(), *source, resources.string(), error);
    sounds.join();
    if (!pictures_ok || !sounds_ok) {
        if (!sounds_ok) error = sound_error;
        clean_up();
        return false;
    }

    const DataTables tables = build_data_tables(*content, identities);
    for (const auto& [name, lines] : tables) {
        // Two files use the second scrambling scheme, so that a disc exercises both.
        const bool scheme_b = name == "people.txt" || name == "mapsdata.txt";
        LineEncodeProblem problem;
        const auto encoded = encode_data_file_lines(lines, data_file_seed(name), scheme_b, &problem);
        if (!encoded) {
            error = name + ": line " + std::to_string(problem.line + 1) + " holds the byte " +
                    std::to_string(problem.byte) + ", which a data file cannot store";
            clean_up();
            return false;
        }
        std::string bytes;
        for (const auto& line : *encoded)
            bytes += line + "\r\n";
        if (!write_text(partial / name, bytes, error)) {
            clean_up();
            return false;
        }
    }
    for (const char* name : {"PROGR_NM.TXT", "Morvelin.txt"}) {
        fs::copy_file(fs::path(*source) / name, partial / name, fs::copy_options::overwrite_existing, code);
        if (code) {
            error = std::string("cannot copy ") + name + " from the demo sources: " + code.message();
            clean_up();
            return false;
        }
    }

    // Into place: the old disc goes only once the new one is complete.
    fs::remove_all(work, code);
    const fs::path old = output.string() + ".old";
    fs::remove_all(old, code);
    if (fs::exists(output, code)) fs::rename(output, old, code);
    if (!code) fs::rename(partial, output, code);
    if (code) {
        error = "cannot move the disc into " + output.string() + ": " + code.message();
        return false;
    }
    fs::remove_all(old, code);

    if (summary) {
        summary->families = static_cast<int>(content->families.size());
        summary->species = static_cast<int>(content->species.size());
        summary->localities = static_cast<int>(content->localities.size());
        summary->persons = static_cast<int>(content->persons.size());
        summary->photos = static_cast<int>(content->photos.size());
        summary->cut_parts = static_cast<int>(content->cuts.size());
        summary->cds = static_cast<int>(content->cds.size());
        for (const auto& cut : content->cuts)
            summary->recordings += static_cast<int>(cut.items.size());
    }
    return true;
}

int demo_command(const std::vector<std::string>& args) {
    BuildOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "--source" || args[i] == "--resources") && i + 1 < args.size()) {
            (args[i] == "--source" ? options.source : options.resources) = args[i + 1];
            ++i;
        } else if (args[i] == "--help" || args[i] == "-h") {
            std::cout << "usage: morvelin-disc demo OUT [--source DEMO_DIR] [--resources RESOURCES_DIR]\n"
                         "Builds the demo disc (edition 106) into OUT from the editable sources in demo/.\n";
            return 0;
        } else if (options.output.empty() && args[i].rfind("--", 0) != 0) {
            options.output = args[i];
        } else {
            std::cerr << "morvelin-disc demo: unexpected argument \"" << args[i] << "\"\n";
            return 2;
        }
    }
    if (options.output.empty()) {
        std::cerr << "usage: morvelin-disc demo OUT [--source DEMO_DIR] [--resources RESOURCES_DIR]\n";
        return 2;
    }
    std::string error;
    BuildSummary summary;
    if (!build_demo_disc(options, error, &summary)) {
        std::cerr << "morvelin-disc demo: " << error << "\n";
        return 1;
    }
    std::cout << "demo disc written to " << options.output << ": " << summary.families << " families, "
              << summary.species << " species, " << summary.recordings << " recordings on "
              << summary.cut_parts << " cut parts, " << summary.photos << " photos, " << summary.localities
              << " localities, " << summary.persons << " persons, " << summary.cds << " audio CDs\n";
    return 0;
}

} // namespace morvelin::demo
