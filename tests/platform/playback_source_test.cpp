// Slowed, stretched and octave-down playback of a recording, and loops, on a pure tone: lengths,
// heard frequencies and the mapping of played frames back to recording time.

#include "platform/media/playback_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace morvelin {
namespace {

using media::PcmSource;
using media::PlaybackSource;

constexpr int rate = 44100;

// Frames [from, to) of a recording held in memory (interleaved, `channels` per frame).
class MemorySource final : public PcmSource {
public:
    MemorySource(const std::vector<std::int16_t>& samples, int channels, std::int64_t from, std::int64_t to)
        : samples_(samples), channels_(channels), next_(from), to_(to) {}
    int sample_rate() const override { return rate; }
    int channels() const override { return channels_; }
    std::int64_t read(std::int16_t* frames, std::int64_t max_frames) override {
        const std::int64_t size = std::int64_t(samples_.size()) / channels_;
        const std::int64_t n = std::max<std::int64_t>(0, std::min({max_frames, to_ - next_, size - next_}));
        std::copy_n(samples_.begin() + next_ * channels_, n * channels_, frames);
        next_ += n;
        return n;
    }

private:
    const std::vector<std::int16_t>& samples_;
    int channels_;
    std::int64_t next_;
    std::int64_t to_;
};

std::vector<std::int16_t> tone(double hz, std::int64_t frames, int channels) {
    std::vector<std::int16_t> samples;
    for (std::int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples.push_back(std::int16_t(std::lround(12000 * std::sin(2 * std::numbers::pi * hz * double(i) / rate))));
    return samples;
}

PlaybackSource::Opener opener(const std::vector<std::int16_t>& samples, int channels) {
    return [&samples, channels](std::int64_t from, std::int64_t to) {
        return std::make_unique<MemorySource>(samples, channels, from, to);
    };
}

// Reads a source to its end (or `limit` frames) in uneven pieces, as an output does.
std::vector<std::int16_t> read_all(PcmSource& source, std::int64_t limit = 10'000'000) {
    std::vector<std::int16_t> out;
    std::vector<std::int16_t> buffer(std::size_t(3001 * source.channels()));
    std::int64_t total = 0;
    for (std::int64_t piece = 257; total < limit; piece = (piece * 7 + 613) % 3000 + 1) {
        const std::int64_t n = source.read(buffer.data(), std::min(piece, limit - total));
        if (n == 0) break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n * source.channels());
        total += n;
    }
    return out;
}

// The frequency of the first channel from its rising zero crossings, over the middle of the sound
// (where stretchers have settled).
double frequency(const std::vector<std::int16_t>& samples, int channels) {
    const std::size_t frames = samples.size() / std::size_t(channels);
    const std::size_t begin = frames / 4, end = frames * 3 / 4;
    std::optional<double> first, last;
    int crossings = 0;
    for (std::size_t i = begin + 1; i < end; ++i) {
        const double a = samples[(i - 1) * std::size_t(channels)], b = samples[i * std::size_t(channels)];
        if (a < 0 && b >= 0) {
            const double at = double(i - 1) + a / (a - b);
            if (!first) first = at;
            else ++crossings;
            last = at;
        }
    }
    return first && crossings > 0 ? crossings * double(rate) / (*last - *first) : 0.0;
}

double rms(const std::vector<std::int16_t>& samples) {
    double sum = 0;
    for (auto s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

TEST(PlaybackSourceTest, EachModeGivesItsLengthAndFrequency) {
    struct Case {
        PlaybackMode mode;
        int channels;
        double length_factor;
        double frequency_factor;
    };
    const std::int64_t frames = rate; // one second of 1 kHz
    for (Case c : {Case{PlaybackMode::normal, 2, 1, 1}, Case{PlaybackMode::tape_half, 2, 2, 0.5},
                   Case{PlaybackMode::tape_quarter, 1, 4, 0.25}, Case{PlaybackMode::tape_eighth, 2, 8, 0.125},
                   Case{PlaybackMode::stretch_half, 2, 2, 1}, Case{PlaybackMode::stretch_quarter, 1, 4, 1},
                   Case{PlaybackMode::octave_down, 2, 1, 0.5}}) {
        SCOPED_TRACE(int(c.mode));
        const auto samples = tone(1000, frames, c.channels);
        PlaybackSource source(opener(samples, c.channels), 0, frames, c.mode, std::nullopt);
        ASSERT_TRUE(source.ok());
        EXPECT_EQ(source.sample_rate(), rate);
        EXPECT_EQ(source.channels(), c.channels);
        const auto out = read_all(source);
        const double length = double(out.size()) / c.channels;
        const bool tape = c.mode != PlaybackMode::stretch_half && c.mode != PlaybackMode::stretch_quarter &&
                          c.mode != PlaybackMode::octave_down;
        // Tape speed is exact; a stretcher's last blocks may come short by up to its latency.
        EXPECT_NEAR(length, frames * c.length_factor, tape ? 0 : 8000);
        EXPECT_NEAR(frequency(out, c.channels), 1000 * c.frequency_factor, 1000 * c.frequency_factor * 0.02);
        // The tone keeps its loudness (nothing dropped out or clipped).
        EXPECT_NEAR(rms(out), 12000 / std::sqrt(2.0), 12000 / std::sqrt(2.0) * (tape ? 0.05 : 0.35));
    }
}

TEST(PlaybackSourceTest, PlayedFramesMapBackToRecordingTime) {
    const auto samples = tone(440, 5 * rate, 1);
    struct Case {
        PlaybackMode mode;
        std::int64_t played;
        std::int64_t position;
    };
    for (Case c : {Case{PlaybackMode::normal, 1000, 11000}, Case{PlaybackMode::tape_half, 44100, 32050},
                   Case{PlaybackMode::tape_eighth, 8000, 11000}, Case{PlaybackMode::stretch_quarter, 4000, 11000},
                   Case{PlaybackMode::octave_down, 44100, 54100}, Case{PlaybackMode::tape_half, 10'000'000, 60000}}) {
        SCOPED_TRACE(int(c.mode));
        PlaybackSource source(opener(samples, 1), 10000, 60000, c.mode, std::nullopt);
        EXPECT_EQ(source.recording_position(0), 10000);
        EXPECT_EQ(source.recording_position(c.played), c.position);
    }
}

TEST(PlaybackSourceTest, ALoopPlaysItsSectionOverAndOverAndPositionsFollowIt) {
    // Each frame holds its own number, so the order of what is given shows.
    std::vector<std::int16_t> numbers(30000);
    for (std::size_t i = 0; i < numbers.size(); ++i)
        numbers[i] = std::int16_t(i);
    struct Case {
        const char* name;
        std::int64_t from;
        std::int64_t first; // the first frame given
    };
    for (Case c : {Case{"a start inside the loop plays on to its end", 15000, 15000},
                   Case{"a start before the loop begins at A", 2000, 10000},
                   Case{"a start after the loop begins at A", 25000, 10000}}) {
        SCOPED_TRACE(c.name);
        PlaybackSource source(opener(numbers, 1), c.from, 30000, PlaybackMode::normal, PlaybackSource::Loop{10000, 20000});
        const auto out = read_all(source, 45000);
        ASSERT_EQ(out.size(), 45000u); // a loop never ends by itself
        std::int64_t expected = c.first;
        for (std::size_t i = 0; i < out.size(); ++i) {
            ASSERT_EQ(out[i], std::int16_t(expected)) << "frame " << i;
            ASSERT_EQ(source.recording_position(std::int64_t(i)), expected) << "frame " << i;
            expected = expected + 1 == 20000 ? 10000 : expected + 1;
        }
    }
    // Slowed down, a turn of the loop takes twice as many frames.
    PlaybackSource slow(opener(numbers, 1), 10000, 30000, PlaybackMode::tape_half, PlaybackSource::Loop{10000, 20000});
    read_all(slow, 50000);
    EXPECT_EQ(slow.recording_position(19998), 19999);
    EXPECT_EQ(slow.recording_position(20000), 10000);
    EXPECT_EQ(slow.recording_position(45000), 12500);
}

TEST(PlaybackSourceTest, ASourceThatCannotBeOpenedOrGivesNothingEnds) {
    PlaybackSource none([](std::int64_t, std::int64_t) { return std::unique_ptr<PcmSource>(); }, 0, 100,
                        PlaybackMode::tape_half, std::nullopt);
    EXPECT_FALSE(none.ok());
    std::int16_t frame[2];
    EXPECT_EQ(none.read(frame, 1), 0);

    const auto samples = tone(440, 1000, 1);
    // An empty loop is no loop; a loop past the recording's end gives nothing and ends instead of
    // turning for ever.
    PlaybackSource empty_loop(opener(samples, 1), 0, 1000, PlaybackMode::normal, PlaybackSource::Loop{500, 500});
    EXPECT_EQ(read_all(empty_loop).size(), 1000u);
    for (PlaybackMode mode : all_playback_modes) {
        SCOPED_TRACE(int(mode));
        PlaybackSource dry(opener(samples, 1), 0, 1000, mode, PlaybackSource::Loop{5000, 6000});
        const auto out = read_all(dry);
        EXPECT_LT(out.size(), 100000u); // a stretcher may flush a little silence
        EXPECT_EQ(rms(out), 0.0);
    }
}

} // namespace
} // namespace morvelin
