// Throughput of the disc's line descrambling (both schemes) and of picture descrambling, on data of
// the size of the largest data files (about 2 MB, lines of species texts).

#include "core/foundation/codec.h"
#include "core/foundation/scrambled_stream.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace morvelin;

std::vector<std::string> plain_lines(std::size_t count) {
    std::vector<std::string> lines;
    lines.reserve(count);
    std::uint32_t x = 7;
    for (std::size_t i = 0; i < count; ++i) {
        x = x * 1103515245u + 12345u;
        std::string line = i % 9 == 0 ? "@#[]" : "Pycnonotus jocosus, a bulbul of open scrub and gardens";
        line.resize(4 + (x >> 16) % 120, 'e');
        lines.push_back(std::move(line));
    }
    return lines;
}

void descramble_lines(benchmark::State& state, bool scheme_b) {
    const std::uint32_t seed = data_file_seed("taxa.txt");
    const std::vector<std::string> stored = *encode_data_file_lines(plain_lines(30000), seed, scheme_b);
    std::size_t bytes = 0;
    for (const std::string& line : stored)
        bytes += line.size();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> lines = stored;
        state.ResumeTiming();
        decode_data_file_lines(lines, seed);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_DescrambleLinesSchemeA(benchmark::State& state) {
    descramble_lines(state, false);
}
BENCHMARK(BM_DescrambleLinesSchemeA)->Unit(benchmark::kMillisecond);

void BM_DescrambleLinesSchemeB(benchmark::State& state) {
    descramble_lines(state, true);
}
BENCHMARK(BM_DescrambleLinesSchemeB)->Unit(benchmark::kMillisecond);

void descramble_picture(benchmark::State& state, PictureScrambling kind) {
    Bytes picture(2u << 20);
    for (std::size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<std::uint8_t>(i * 31 + (i >> 7));
    const Bytes stored = scramble_picture(picture, kind);
    for (auto _ : state) {
        TOptionallyScrambleMemoryStream stream;
        stream.load_from_memory(stored);
        benchmark::DoNotOptimize(stream.data().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stored.size()));
}

void BM_DescramblePictureScrambled(benchmark::State& state) {
    descramble_picture(state, PictureScrambling::scrambled);
}
BENCHMARK(BM_DescramblePictureScrambled)->Unit(benchmark::kMillisecond);

void BM_DescramblePictureScramble2(benchmark::State& state) {
    descramble_picture(state, PictureScrambling::scramble2);
}
BENCHMARK(BM_DescramblePictureScramble2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
