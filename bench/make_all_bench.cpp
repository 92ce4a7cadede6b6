// Making every MP3 file of a disc's visible recordings with the make-all run (MakeAllMp3Files, the
// logic behind File > Make ALL MP3 Files), for bench/compare_make_all.sh:
//   make_all_bench --make-all DISC OUTPUT_FOLDER JOBS_FILE
//       loads the disc as the program does, runs make-all into OUTPUT_FOLDER (which must exist), prints
//       "<seconds of the run> <files made>" and writes one line per file made to JOBS_FILE:
//       "<sound file>\t<offset ms or -1>\t<length ms or -1>\t<file made>", so that the same slices
//       can be cut by another tool.
// Without --make-all the Google Benchmark cases run (none need a disc: the file naming of a run).

#include "core/data/data_loader.h"
#include "core/data/records.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/sound/file_locations.h"
#include "core/sound/mp3_files.h"
#include "core/sound/recording_tag_texts.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using namespace morvelin;

// No to every question (the stop question after a recording that cannot be made); errors fail the run.
class Answers final : public MessagePort {
public:
    int show(const std::string& text, const std::string&, int flags) override {
        if ((flags & mb::icon_error) == mb::icon_error) {
            std::fprintf(stderr, "make_all_bench: message: %s\n", text.c_str());
            failed = true;
        }
        return id::no;
    }
    bool failed = false;
};

int make_all(const std::string& disc, const std::string& output, const std::string& jobs_file) {
    Answers answers;
    install_message_port(&answers);
    environment().settings_file_path = output + "/../make_all_bench.ini";
    environment().base_directory = ensure_trailing_separator(disc);
    install_language_texts(Ttextfile_handler(environment().base_directory + "Morvelin.txt"));
    determine_edition_from_code(60);
    std::unique_ptr<Tdata> data = load_data({environment().base_directory});
    if (!data) return 1;
    const TClassVisibleSpeciesAndRecordings selection = TClassVisibleSpeciesAndRecordings::create_default(*data);
    Mp3Folder folder(output);
    MakeAllMp3Files run(*data, 2, selection, recording_tag_texts_from_data, texts("MAKE ALL MP3s", 9), folder);

    const auto start = std::chrono::steady_clock::now();
    run.start();
    while (run.running()) run.tick();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (answers.failed) return 1;

    std::ofstream jobs(jobs_file);
    std::size_t made = 0;
    for (const Tcupaitem* item : run.items()) {
        const std::string sound = mp3_capable_sound_file(*item->cut_part);
        if (sound.empty()) continue;
        const Tcutpart& cut = *item->cut_part;
        if (made >= run.files().size()) return 1;
        jobs << sound << '\t' << (cut.is_sound_file ? -1 : cut.offset) << '\t' << (cut.is_sound_file ? -1 : cut.length)
             << '\t' << run.files()[made++] << '\n';
    }
    if (made != run.files().size()) return 1;
    std::printf("%.6f %zu\n", seconds, made);
    install_message_port(nullptr);
    return 0;
}

void BM_RunNames(benchmark::State& state) {
    for (auto _ : state) {
        Mp3RunNames names;
        for (int i = 0; i < 300; ++i) benchmark::DoNotOptimize(names.take("Song", "Species " + std::to_string(i % 7), i % 5));
    }
}
BENCHMARK(BM_RunNames);

} // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "--make-all") == 0) return make_all(argv[2], argv[3], argv[4]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
