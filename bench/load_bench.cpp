// Loading of a full-size disc against its floor, in one run:
//   BM_DescrambleFloor  reads and descrambles the ten data files and does nothing else (the same
//                       bytes with the same reading and descrambling code as the loader);
//   BM_LoadDataSet      builds the whole data set from the same files with the program's loader;
//   BM_ResidentMemory   loads once and reports the resident memory the data set holds against the
//                       descrambled byte count (run it alone, in a fresh process, for a clean figure).
// The disc folder comes from MORVELIN_BENCH_DISC (bench/compare_load.sh makes one with
// `morvelin-disc synth`).

#include "core/data/data_loader.h"
#include "core/foundation/codec.h"
#include "core/foundation/editions.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace morvelin;

const char* const data_files[] = {"mapsdata.txt", "people.txt",   "names_sc.txt",   "taxa.txt",
                                  "locality.txt", "big_pict.txt", "othermedia.txt", "cutparts.txt",
                                  "cupaitem.txt", "syst_ord.txt"};

std::string disc_folder() {
    const char* folder = std::getenv("MORVELIN_BENCH_DISC");
    if (!folder || !*folder) {
        std::fprintf(stderr, "Set MORVELIN_BENCH_DISC to a disc folder (morvelin-disc synth OUT).\n");
        std::exit(2);
    }
    std::string f = folder;
    if (f.back() != '/') f += '/';
    return f;
}

void prepare() {
    static bool done = false;
    if (done) return;
    done = true;
    determine_edition_from_code(60);
    install_language_texts(Ttextfile_handler(disc_folder() + "Morvelin.txt", false));
}

// Every data file read into its lines and descrambled with the loader's own primitives, and nothing
// else: the header line stays where it is (the loader does not remove it either).
std::uint64_t descramble_all(const std::string& folder, std::uint64_t* plain_bytes = nullptr) {
    std::uint64_t lines_read = 0;
    for (const char* name : data_files) {
        auto lines = read_data_file_lines(folder + name);
        if (!lines || lines->empty()) continue;
        const DataLineDecoder decoder(*lines, data_file_seed(name));
        for (std::size_t i = 1; i < lines->size(); ++i) {
            std::string& line = (*lines)[i];
            decoder.decode(line, i - 1);
            if (plain_bytes) *plain_bytes += line.size() + 1;
        }
        lines_read += lines->size() - 1;
        benchmark::DoNotOptimize(lines->data());
    }
    return lines_read;
}

long resident_bytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

void BM_DescrambleFloor(benchmark::State& state) {
    const std::string folder = disc_folder();
    for (auto _ : state)
        benchmark::DoNotOptimize(descramble_all(folder));
}

void BM_LoadDataSet(benchmark::State& state) {
    prepare();
    const std::string folder = disc_folder();
    for (auto _ : state) {
        auto data = load_data({folder});
        benchmark::DoNotOptimize(data.get());
        // The program keeps its data set to the end; freeing it is not part of loading.
        state.PauseTiming();
        data.reset();
        state.ResumeTiming();
    }
}

void BM_ResidentMemory(benchmark::State& state) {
    prepare();
    const std::string folder = disc_folder();
    std::uint64_t plain = 0;
    descramble_all(folder, &plain);
    for (auto _ : state) {
        state.PauseTiming();
        const long before = resident_bytes();
        state.ResumeTiming();
        auto data = load_data({folder});
        state.PauseTiming();
        const long after = resident_bytes();
        state.counters["resident_bytes"] = static_cast<double>(after - before);
        state.counters["plain_bytes"] = static_cast<double>(plain);
        state.counters["memory_ratio"] = static_cast<double>(after - before) / static_cast<double>(plain);
        data.reset();
        state.ResumeTiming();
    }
}

// The machine is shared: the least time of the repetitions is the one least disturbed by others.
double least(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

BENCHMARK(BM_DescrambleFloor)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", least);
BENCHMARK(BM_LoadDataSet)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", least);
BENCHMARK(BM_ResidentMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
