// Decoding throughput of the LZW container reader on the two kinds of data it meets: a distribution
// map (574 × 472, 8 bits per pixel) and a few megabytes of text.
//
// Besides the Google Benchmark cases, two modes serve bench/compare_lzw.sh:
//   lzw_bench --write-inputs DIR        writes map.bmp and text.txt and their containers (.lzw)
//   lzw_bench --decode-file FILE [N]    decodes FILE N times (default 20), prints the best seconds

#include "core/foundation/bitmap.h"
#include "core/foundation/lzw.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using namespace morvelin;

// A map like those on the disc: sea, a coastline with bays, land, two kinds of range, a border line
// and scattered marks.
Bytes map_bitmap() {
    const int w = 574, h = 472;
    Bytes pixels(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int coast = 180 + (y * 37 % 53) + (y / 9 % 7) * 5;
            std::uint8_t v = x > coast ? 1 : 0;
            if ((x - 320) * (x - 320) + (y - 240) * (y - 240) < 9000) v = 2;
            if (x > 400 && x < 470 && y > 60 && y < 140 && (x + y) % 2 == 0) v = 3;
            if (y == 300 && x > coast && x % 4 < 2) v = 4;
            if ((x * 131 + y * 71) % 997 == 0) v = 5;
            pixels[static_cast<std::size_t>(y) * w + x] = v;
        }
    return make_bmp_file_8bit(w, h, {0x3060C0, 0xE8E4D0, 0xFF0000, 0x0000FF, 0x000000, 0x208020}, pixels,
                              false);
}

// Species texts: sentences of bird words in varying order, about size bytes.
Bytes text(std::size_t size) {
    static const char* const words[] = {
        "bulbul",   "the",
        "of",       "breeds",
        "in",       "forest",
        "edges",    "and",
        "scrub",    "song",
        "a",        "rich",
        "warble",   "call",
        "harsh",    "notes",
        "lowland",  "hills",
        "up",       "to",
        "2000",     "m",
        "common",   "resident",
        "winter",   "visitor",
        "flocks",   "feeds",
        "on",       "insects",
        "fruit",    "nests",
        "low",      "bushes",
        "magpie",   "robin",
        "shama",    "laughingthrush",
        "sunbird",  "minivet",
        "drongo",   "with",
        "long",     "tail",
        "white",    "rump",
        "black",    "crest",
        "female",   "duller",
        "juvenile", "browner",
        "India",    "Myanmar",
    };
    constexpr std::size_t word_count = sizeof words / sizeof words[0];
    Bytes out;
    out.reserve(size + 64);
    std::uint32_t x = 12345;
    std::size_t in_sentence = 0;
    while (out.size() < size) {
        x = x * 1103515245u + 12345u;
        const char* word = words[(x >> 16) % word_count];
        out.insert(out.end(), word, word + std::strlen(word));
        if (++in_sentence > 6 + (x >> 8) % 12) {
            out.insert(out.end(), {'.', '\r', '\n'});
            in_sentence = 0;
        } else {
            out.push_back(' ');
        }
    }
    out.resize(size);
    return out;
}

constexpr std::size_t text_size = 4u << 20;

void decode(benchmark::State& state, const Bytes& data) {
    Bytes container = make_compressed_container(data);
    for (auto _ : state) {
        CompressedRead read = read_compressed_data_into_memory(container.data(), container.size(), false);
        if (read.error != lzw::error_none || read.block.size() != data.size() + 2)
            state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(read.block.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(container.size()) / static_cast<double>(data.size());
}

void BM_DecodeMap(benchmark::State& state) {
    static const Bytes map = map_bitmap();
    decode(state, map);
}
BENCHMARK(BM_DecodeMap)->Unit(benchmark::kMicrosecond);

void BM_DecodeText(benchmark::State& state) {
    static const Bytes words = text(text_size);
    decode(state, words);
}
BENCHMARK(BM_DecodeText)->Unit(benchmark::kMillisecond);

void BM_CompressMap(benchmark::State& state) {
    static const Bytes map = map_bitmap();
    for (auto _ : state)
        benchmark::DoNotOptimize(make_compressed_container(map));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * map.size()));
}
BENCHMARK(BM_CompressMap)->Unit(benchmark::kMicrosecond);

bool write(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int write_inputs(const std::string& folder) {
    const Bytes map = map_bitmap(), words = text(text_size);
    bool ok = write(folder + "/map.bmp", map) &&
              write(folder + "/map.bmp.lzw", make_compressed_container(map)) &&
              write(folder + "/text.txt", words) &&
              write(folder + "/text.txt.lzw", make_compressed_container(words));
    if (!ok) std::fprintf(stderr, "lzw_bench: cannot write into %s\n", folder.c_str());
    return ok ? 0 : 1;
}

int decode_file(const std::string& path, int repeats) {
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        auto start = std::chrono::steady_clock::now();
        CompressedRead read = read_compressed_file_into_memory(path, false);
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (read.error != lzw::error_none) {
            std::fprintf(stderr, "lzw_bench: %s: error %d\n", path.c_str(), read.error);
            return 1;
        }
        benchmark::DoNotOptimize(read.block.data());
        best = std::min(best, took.count());
    }
    std::printf("%.6f\n", best);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--write-inputs") == 0) return write_inputs(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "--decode-file") == 0)
        return decode_file(argv[2], argc >= 4 ? std::max(1, std::atoi(argv[3])) : 20);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
