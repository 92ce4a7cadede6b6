// Sonogram timings for bench/sonogram.sh:
//   --whole FILE REPEATS OUT.png   every column of the file, drawn as a grey picture of one pixel per
//                                  column and bin (what `sox -n spectrogram -r` makes); prints
//                                  "<best seconds> <columns> <bins>"
//   --first-screen FILE REPEATS    from opening the file to the columns of the sonogram window's first
//                                  screen (its default span of time); prints the best seconds
// Each repetition opens the file afresh (no cache).

#include "core/settings/settings_sections.h"
#include "core/sound/sonogram.h"
#include "platform/media/sonogram_source.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using namespace morvelin;
using Clock = std::chrono::steady_clock;

struct Opened {
    std::shared_ptr<Sonogram> sonogram;
    std::unique_ptr<SonogramWorker> worker;
};

Opened open(const std::string& path) {
    media::FftwSonogramPort port;
    std::string error;
    auto source = port.open(path, 0, -1, error);
    if (!source) {
        std::fprintf(stderr, "sonogram_bench: %s\n", error.c_str());
        std::exit(1);
    }
    Opened opened;
    opened.sonogram = std::make_shared<Sonogram>(source->sample_rate(), source->sample_count(),
                                                 sonogram_shape_for(source->sample_count()));
    opened.worker = std::make_unique<SonogramWorker>(opened.sonogram, std::move(source));
    return opened;
}

template <class Done> void wait_for(Done done) {
    while (!done()) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

int whole(const std::string& path, int repeats, const std::string& out) {
    double best = 1e300;
    std::int64_t columns = 0;
    int bins = 0;
    for (int r = 0; r < repeats; ++r) {
        const auto start = Clock::now();
        Opened opened = open(path);
        const Sonogram& s = *opened.sonogram;
        wait_for([&] { return opened.worker->finished(); });
        if (!s.complete()) {
            std::fprintf(stderr, "sonogram_bench: %s\n", s.error().c_str());
            return 1;
        }
        columns = s.columns();
        bins = s.bins();
        QImage image(int(columns), bins, QImage::Format_Grayscale8);
        for (std::int64_t c = 0; c < columns; ++c) {
            const std::uint8_t* column = s.column(c);
            for (int b = 0; b < bins; ++b)
                image.scanLine(bins - 1 - b)[c] = std::uint8_t(255 - std::min(255, column[b] * 255 / sonogram_top_level));
        }
        if (!image.save(QString::fromStdString(out), "PNG")) {
            std::fprintf(stderr, "sonogram_bench: cannot write %s\n", out.c_str());
            return 1;
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::printf("%.6f %lld %d\n", best, static_cast<long long>(columns), bins);
    return 0;
}

int first_screen(const std::string& path, int repeats) {
    const int seconds_shown = settings::SonogramSettings::defaults().seconds_shown;
    double best = 1e300;
    for (int r = 0; r < repeats; ++r) {
        const auto start = Clock::now();
        Opened opened = open(path);
        const Sonogram& s = *opened.sonogram;
        opened.worker->want_from(0);
        const std::int64_t last = std::min<std::int64_t>(s.columns() - 1, std::int64_t(seconds_shown / s.column_seconds()));
        wait_for([&] {
            for (std::int64_t c = 0; c <= last; c += Sonogram::block_columns)
                if (!s.column_ready(c)) return opened.worker->finished();
            return s.column_ready(last) || opened.worker->finished();
        });
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
        if (!s.column_ready(last)) {
            std::fprintf(stderr, "sonogram_bench: %s\n", s.error().c_str());
            return 1;
        }
    }
    std::printf("%.6f\n", best);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "--whole") == 0) return whole(argv[2], std::max(1, std::atoi(argv[3])), argv[4]);
    if (argc >= 4 && std::strcmp(argv[1], "--first-screen") == 0)
        return first_screen(argv[2], std::max(1, std::atoi(argv[3])));
    std::fprintf(stderr, "usage: sonogram_bench --whole FILE REPEATS OUT.png | --first-screen FILE REPEATS\n");
    return 2;
}
