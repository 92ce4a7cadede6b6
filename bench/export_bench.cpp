// Making the MP3 file of a recording: a 20-second slice of a 3-minute MP3 recording, loaded, cut,
// tagged and written whole with ExportRecordingToMP3.
//
// Besides the Google Benchmark cases (on a synthetic recording of hand-built frames), two modes
// serve bench/compare_export.sh:
//   export_bench --export SOURCE START_MS LENGTH_MS OUTPUT [N]
//       exports N times (default 20) and prints the best seconds and the frame count of OUTPUT
//   export_bench --count-frames FILE
//       prints the number of MPEG-1 Layer III frames behind FILE's ID3v2 tag

#include "core/foundation/services.h"
#include "core/sound/mp3_export.h"
#include "core/sound/mp3_memory_stream.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using namespace morvelin;

// A message goes to stderr and fails the run: an export that shows one has failed.
class FailingMessages final : public MessagePort {
public:
    int show(const std::string& text, const std::string&, int) override {
        std::fprintf(stderr, "export_bench: message: %s\n", text.c_str());
        failed = true;
        return id::ok;
    }
    bool failed = false;
};

Mp3TagTexts tag_texts() {
    Mp3TagTexts t;
    t.title = "Dawn chorus";
    t.sound_description = "song, two birds";
    t.genre = "Rufous Wren";
    t.artist = "A. Tarvel";
    t.album = "Birds of Sarova 3.14 (1999-2009)";
    t.publisher = "Quellmark";
    t.comment = "Recorded at dawn\r\nNear the river";
    return t;
}

Mp3ExportRequest request(const std::string& source, int start_ms, int length_ms, const std::string& output) {
    Mp3ExportRequest r;
    r.sound_file = source;
    r.slice = Mp3Slice{start_ms, length_ms};
    r.output_file = output;
    r.texts = tag_texts();
    r.language = {};
    r.species_number = 412;
    return r;
}

// Frames behind the ID3v2 tag of a file; -1 when it cannot be read.
long count_frames(const std::string& path) {
    TSoundMemoryStream file;
    if (!file.load_from_file(path)) return -1;
    const Bytes& b = file.bytes();
    std::uint64_t p = id3v2_audio_start(b.data(), b.size());
    long frames = 0;
    while (p + 4 <= b.size()) {
        auto header = parse_mp3_frame_header(&b[p]);
        if (!header || header->length > b.size() - p) break;
        p += header->length;
        ++frames;
    }
    return frames;
}

// Three minutes at 128 kbit/s, 44100 Hz, with the padding pattern of a CBR encoder, behind a
// small ID3v2 tag, like the recordings on the discs.
std::string synthetic_recording(const std::string& folder) {
    std::string path = folder + "/recording.mp3";
    Bytes data = {'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0};
    data.resize(data.size() + 128, 0);
    const int frame_count = 180 * 44100 / 1152;
    const double exact_length = 128.0 * 144000 / 44100;
    for (int i = 0; i < frame_count; ++i) {
        std::size_t length =
            static_cast<std::size_t>((i + 1) * exact_length) - static_cast<std::size_t>(i * exact_length);
        bool padded = length == 418;
        std::size_t at = data.size();
        data.resize(at + length, static_cast<std::uint8_t>(i * 31));
        data[at] = 0xFF;
        data[at + 1] = 0xFB;
        data[at + 2] = padded ? 0x92 : 0x90;
        data[at + 3] = 0x64;
    }
    TSoundMemoryStream out;
    out.assign(std::move(data));
    if (!out.save_to_file(path)) std::fprintf(stderr, "export_bench: cannot write %s\n", path.c_str());
    return path;
}

void BM_ExportSlice(benchmark::State& state) {
    static FailingMessages messages;
    install_message_port(&messages);
    const std::string folder = std::filesystem::temp_directory_path().string() + "/export_bench." +
                               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    std::filesystem::create_directories(folder);
    const std::string source = synthetic_recording(folder);
    const Mp3ExportRequest r = request(source, 60000, 20000, folder + "/slice.mp3");
    for (auto _ : state)
        if (!ExportRecordingToMP3(r)) state.SkipWithError("export failed");
    state.counters["frames"] = static_cast<double>(count_frames(r.output_file));
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(source)));
    std::filesystem::remove_all(folder);
    install_message_port(nullptr);
}
BENCHMARK(BM_ExportSlice)->Unit(benchmark::kMillisecond);

void BM_CutSliceInMemory(benchmark::State& state) {
    const std::string folder = std::filesystem::temp_directory_path().string() + "/export_bench_cut." +
                               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    std::filesystem::create_directories(folder);
    TMP3MemoryStream loaded;
    bool error = false;
    loaded.LoadSoundFile(synthetic_recording(folder), error);
    std::filesystem::remove_all(folder);
    for (auto _ : state) {
        TMP3MemoryStream stream(loaded.memory(), loaded.size());
        stream.CutSlice(60.0, 20.0);
        benchmark::DoNotOptimize(stream.memory());
    }
}
BENCHMARK(BM_CutSliceInMemory)->Unit(benchmark::kMicrosecond);

int export_file(int argc, char** argv) {
    FailingMessages messages;
    install_message_port(&messages);
    const Mp3ExportRequest r = request(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), argv[5]);
    const int repeats = argc >= 7 ? std::max(1, std::atoi(argv[6])) : 20;
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        auto start = std::chrono::steady_clock::now();
        bool ok = ExportRecordingToMP3(r);
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (!ok || messages.failed) return 1;
        best = std::min(best, took.count());
    }
    std::printf("%.6f %ld\n", best, count_frames(r.output_file));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 6 && std::strcmp(argv[1], "--export") == 0) return export_file(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--count-frames") == 0) {
        long frames = count_frames(argv[2]);
        std::printf("%ld\n", frames);
        return frames < 0 ? 1 : 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
