// Sonograms of synthesised tones through the FFTW port: the energy lies at the tone's frequency, a
// recording's slice is exactly its part of the file, and broken files give a message.

#include "platform/media/sonogram_source.h"
#include "media_test_files.h"
#include "scripted_services.h"
#include "tone_wav.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace morvelin {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;
using testing::TonePart;
using testing::write_tone_wav;

class SonogramTest : public ::testing::Test {
protected:
    SonogramTest() {
        install_sonogram_port(&port_);
        clear_sonogram_cache();
    }
    ~SonogramTest() override {
        set_sonogram_cache_bytes(default_sonogram_cache_bytes);
        clear_sonogram_cache();
        install_sonogram_port(nullptr);
    }
    // Opens and waits until every column is there.
    SonogramHandle complete(const std::string& path, std::int64_t start_ms = 0, std::int64_t length_ms = -1) {
        SonogramHandle handle = open_sonogram(path, start_ms, length_ms);
        if (handle.sonogram) {
            EXPECT_TRUE(testing::wait_until(
                [&] { return handle.sonogram->complete() || (handle.worker && handle.worker->finished()); }, 60s));
        }
        return handle;
    }
    media::FftwSonogramPort port_;
    TempDir dir_;
};

struct Tone {
    double hz;
    int rate;
    int channels;
};

TEST_F(SonogramTest, PureTonePeaksWithinOneBinOfItsFrequency) {
    for (const Tone tone : {Tone{1000, 44100, 1}, Tone{3500, 22050, 2}, Tone{7350, 48000, 1}, Tone{11000, 44100, 2}}) {
        SCOPED_TRACE(tone.hz);
        const std::string path = dir_.file("tone" + std::to_string(int(tone.hz)) + ".wav");
        write_tone_wav(path, {{tone.hz, 2.0}}, tone.rate, tone.channels);
        SonogramHandle handle = complete(path);
        ASSERT_TRUE(handle.sonogram) << handle.error;
        const Sonogram& s = *handle.sonogram;
        EXPECT_TRUE(s.complete());
        EXPECT_EQ(s.sample_rate(), tone.rate);
        EXPECT_EQ(s.columns(), (2 * tone.rate + 255) / 256);
        const int peak = sonogram_peak_bin(s, 0, s.columns() - 1, 0, s.bins() - 1);
        EXPECT_LE(std::abs(peak - tone.hz / s.bin_hz()), 1.0);
        // A half-scale sine reads about -6 dB at its peak, and far from it the floor is low.
        const std::uint8_t* middle = s.column(s.columns() / 2);
        ASSERT_NE(middle, nullptr);
        EXPECT_NEAR(sonogram_db(middle[peak]), -6.0, 2.0);
        EXPECT_LT(sonogram_db(middle[peak > s.bins() / 2 ? 5 : s.bins() - 5]), -70.0);
    }
}

TEST_F(SonogramTest, SliceHoldsExactlyItsPartOfTheFile) {
    const std::string path = dir_.file("two.wav");
    write_tone_wav(path, {{1000, 1.0}, {4000, 1.0}, {2000, 1.0}}, 44100, 2);
    SonogramHandle handle = complete(path, 1000, 1000);
    ASSERT_TRUE(handle.sonogram) << handle.error;
    const Sonogram& s = *handle.sonogram;
    EXPECT_EQ(s.sample_count(), 44100);
    // Away from the edges (half a frame) only the middle tone is heard.
    const int peak = sonogram_peak_bin(s, 4, s.columns() - 5, 0, s.bins() - 1);
    EXPECT_LE(std::abs(peak - 4000 / s.bin_hz()), 1.0);
    const std::uint8_t* column = s.column(s.columns() / 2);
    ASSERT_NE(column, nullptr);
    EXPECT_LT(sonogram_db(column[int(std::lround(1000 / s.bin_hz()))]), -60.0);
    EXPECT_LT(sonogram_db(column[int(std::lround(2000 / s.bin_hz()))]), -60.0);

    // Opened again it comes from the cache, whole.
    SonogramHandle again = open_sonogram(path, 1000, 1000);
    EXPECT_EQ(again.sonogram, handle.sonogram);
    EXPECT_EQ(again.worker, nullptr);
}

TEST_F(SonogramTest, TheCacheKeepsWhatFitsInItsBytesTheNewestFirst) {
    // Many short recordings stay (the strips of a whole family), each opened again without a worker.
    std::vector<SonogramHandle> first;
    for (int i = 0; i < 12; ++i) {
        const std::string path = dir_.file("song" + std::to_string(i) + ".wav");
        write_tone_wav(path, {{1000.0 + 100 * i, 0.5}}, 22050, 1);
        first.push_back(complete(path));
        ASSERT_TRUE(first.back().sonogram) << first.back().error;
    }
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(open_sonogram(dir_.file("song" + std::to_string(i) + ".wav"), 0, -1).sonogram, first[std::size_t(i)].sonogram) << i;

    // A cache of three songs' bytes keeps the three used last; the newest stays even when it alone
    // is larger than the cache.
    const std::uint64_t song = first[0].sonogram->level_bytes();
    set_sonogram_cache_bytes(3 * song);
    for (int i : {11, 10, 9})
        EXPECT_EQ(open_sonogram(dir_.file("song" + std::to_string(i) + ".wav"), 0, -1).sonogram, first[std::size_t(i)].sonogram) << i;
    EXPECT_NE(open_sonogram(dir_.file("song8.wav"), 0, -1).sonogram, first[8].sonogram) << "kept beyond the bytes";
    set_sonogram_cache_bytes(1);
    const SonogramHandle alone = complete(dir_.file("song0.wav"));
    EXPECT_EQ(open_sonogram(dir_.file("song0.wav"), 0, -1).sonogram, alone.sonogram);
}

TEST_F(SonogramTest, BrokenFilesGiveAMessage) {
    dir_.write("garbage.wav", std::string(5000, 'x'));
    write_tone_wav(dir_.file("header_only.wav"), {{1000, 1.0}}, 44100, 1, 30);
    for (const char* name : {"garbage.wav", "header_only.wav", "missing.wav"}) {
        SCOPED_TRACE(name);
        SonogramHandle handle = open_sonogram(dir_.file(name), 0, -1);
        EXPECT_EQ(handle.sonogram, nullptr);
        EXPECT_EQ(handle.worker, nullptr);
        EXPECT_NE(handle.error.find("cannot be read"), std::string::npos) << handle.error;
    }
    // A slice beyond the end of the file holds no sound.
    write_tone_wav(dir_.file("short.wav"), {{1000, 1.0}});
    SonogramHandle beyond = open_sonogram(dir_.file("short.wav"), 5000, 1000);
    EXPECT_EQ(beyond.sonogram, nullptr);
    EXPECT_FALSE(beyond.error.empty());
}

TEST_F(SonogramTest, FileCutShortInItsSoundIsDrawnAsFarAsItGoes) {
    // The header promises two seconds; only the first half second is there.
    const std::string path = dir_.file("cut.wav");
    write_tone_wav(path, {{2000, 2.0}}, 44100, 1, 44 + 44100);
    SonogramHandle handle = complete(path);
    if (!handle.sonogram) {
        EXPECT_FALSE(handle.error.empty());
        return;
    }
    const Sonogram& s = *handle.sonogram;
    const int peak = sonogram_peak_bin(s, 4, 40, 0, s.bins() - 1);
    EXPECT_LE(std::abs(peak - 2000 / s.bin_hz()), 1.0);
}

} // namespace
} // namespace morvelin
