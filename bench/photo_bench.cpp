// Opening a photo: reading the file, removing the scrambling, decoding the JPEG and the first paint of
// the photo window (maximised on an offscreen screen, painted into an image). bench/compare_photo.sh
// runs it side by side with djpeg decoding the same JPEG.
//
//   photo_bench --write-inputs DIR      writes photo.jpg (a 2000 x 1500 photograph-like picture) and
//                                       photo.scrambled (the same, stored "Scramble2")
//   photo_bench --open FILE [N]         opens FILE in the photo window N times (default 20), prints the
//                                       best seconds
//   photo_bench                         the Google Benchmark cases below

#include "core/foundation/environment.h"
#include "core/foundation/scrambled_stream.h"
#include "core/pictures/photos.h"
#include "ui/foundation/program_resources.h"
#include "ui/pictures/big_picture_form.h"
#include "ui/pictures/small_pictures.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include <unistd.h>

namespace {

using namespace morvelin;
namespace fs = std::filesystem;

// Soft gradients, a few shapes and fine noise: JPEG's work on a photograph rather than on a flat
// drawing.
QByteArray photo_jpeg() {
    QImage image(2000, 1500, QImage::Format_RGB32);
    QPainter painter(&image);
    QRadialGradient sky(600, 400, 1600);
    sky.setColorAt(0, QColor(170, 200, 230));
    sky.setColorAt(1, QColor(40, 90, 60));
    painter.fillRect(image.rect(), sky);
    painter.setRenderHint(QPainter::Antialiasing);
    std::mt19937 random(7);
    for (int i = 0; i < 60; ++i) {
        painter.setBrush(QColor::fromHsv(static_cast<int>(random() % 360), 120, 160, 140));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(static_cast<int>(random() % 2000), static_cast<int>(random() % 1500)),
                            static_cast<int>(20 + random() % 200), static_cast<int>(20 + random() % 150));
    }
    painter.end();
    std::normal_distribution<double> noise(0.0, 6.0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = static_cast<int>(noise(random));
            const auto c = [n](int v) { return std::clamp(v + n, 0, 255); };
            line[x] = qRgb(c(qRed(line[x])), c(qGreen(line[x])), c(qBlue(line[x])));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

int write_inputs(const std::string& folder) {
    const QByteArray jpeg = photo_jpeg();
    const Bytes plain(jpeg.begin(), jpeg.end());
    const Bytes scrambled = scramble_picture(plain, PictureScrambling::scramble2);
    std::ofstream(folder + "/photo.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(plain.data()), static_cast<std::streamsize>(plain.size()));
    std::ofstream(folder + "/photo.scrambled", std::ios::binary)
        .write(reinterpret_cast<const char*>(scrambled.data()),
               static_cast<std::streamsize>(scrambled.size()));
    return 0;
}

// A one-photo species whose photo is the given file, below a base directory of its own.
struct OnePhoto {
    explicit OnePhoto(const std::string& file) {
        base = (fs::temp_directory_path() / ("photo_bench." + std::to_string(::getpid()))).string() + "/";
        fs::create_directories(base + "big_pict/Bench");
        species.media_folder = "Bench";
        species.unique_id = 1;
        species.picture_count = 1;
        picture.species = &species;
        picture.number = 1;
        species.first_picture = &picture;
        fs::copy_file(file, base + "big_pict/" + big_picture_name(picture),
                      fs::copy_options::overwrite_existing);
        environment().base_directory = base;
    }
    ~OnePhoto() { fs::remove_all(base); }
    std::string base;
    Tspecies species;
    Tbig_picture picture;
};

// Opens the window and paints it once; returns whether the photo showed.
bool open_and_paint(const OnePhoto& photo, QImage& target) {
    TBigPictureForm form(nullptr, nullptr);
    TBigPictureForm::SetUp setup;
    setup.species = &photo.species;
    if (!form.set_up(setup)) return false;
    form.show_photos();
    if (target.size() != form.size()) target = QImage(form.size(), QImage::Format_RGB32);
    form.render(&target);
    return !form.image().isNull();
}

int open_file(const std::string& file, int repeats) {
    OnePhoto photo(file);
    QImage target;
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const bool shown = open_and_paint(photo, target);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!shown) {
            std::fprintf(stderr, "photo_bench: %s could not be shown\n", file.c_str());
            return 1;
        }
        best = std::min(best, s);
    }
    std::printf("%.6f\n", best);
    return 0;
}

void BM_DecodeScrambledPhoto(benchmark::State& state) {
    const QByteArray jpeg = photo_jpeg();
    const Bytes stored = scramble_picture(Bytes(jpeg.begin(), jpeg.end()), PictureScrambling::scramble2);
    for (auto _ : state) {
        TOptionallyScrambleMemoryStream stream;
        stream.load_from_memory(stored);
        QImage image = decode_jpeg(stream.data());
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DecodeScrambledPhoto)->Unit(benchmark::kMillisecond);

void BM_Descramble(benchmark::State& state) {
    const QByteArray jpeg = photo_jpeg();
    const auto kind = state.range(0) ? PictureScrambling::scramble2 : PictureScrambling::scrambled;
    const Bytes stored = scramble_picture(Bytes(jpeg.begin(), jpeg.end()), kind);
    for (auto _ : state) {
        TOptionallyScrambleMemoryStream stream;
        stream.load_from_memory(stored);
        benchmark::DoNotOptimize(stream.data().data());
    }
}
BENCHMARK(BM_Descramble)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecodePlainPhoto(benchmark::State& state) {
    const QByteArray jpeg = photo_jpeg();
    const Bytes plain(jpeg.begin(), jpeg.end());
    for (auto _ : state) {
        QImage image = decode_jpeg(plain);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DecodePlainPhoto)->Unit(benchmark::kMillisecond);

// The window's paint alone, the photo decoded.
void BM_PaintFittedPhoto(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / ("photo_bench_paint." + std::to_string(::getpid()));
    fs::create_directories(folder);
    write_inputs(folder.string());
    {
        OnePhoto photo((folder / "photo.jpg").string());
        TBigPictureForm form(nullptr, nullptr);
        TBigPictureForm::SetUp setup;
        setup.species = &photo.species;
        if (form.set_up(setup)) {
            form.show_photos();
            QImage target(form.size(), QImage::Format_RGB32);
            for (auto _ : state)
                form.render(&target);
        }
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_PaintFittedPhoto)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    init_program_resources();
    if (argc >= 3 && std::strcmp(argv[1], "--write-inputs") == 0) return write_inputs(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "--open") == 0)
        return open_file(argv[2], argc >= 4 ? std::max(1, std::atoi(argv[3])) : 20);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
