// Decoding sound files: formats, lengths, sample-exact seeks and the errors for bad files.

#include "platform/media/sound_decoder.h"
#include "media_test_files.h"
#include "scripted_services.h"
#include "core/sound/media_port.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include <sys/stat.h>

namespace morvelin {
namespace {

using media::SoundDecoder;
using testing::TempDir;

struct Kind {
    const char* name;
    const char* file;
    const char* options;
    bool riff_wave;
    int rate;
    int channels;
};

void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
}

const Kind kinds[] = {
    {"pcm_wav", "pcm.wav", "-c:a pcm_s16le", true, 44100, 2},
    {"mono_22k_wav", "mono.wav", "-c:a pcm_s16le", true, 22050, 1},
    {"mp3_in_wav", "mp3in.wav", "-c:a libmp3lame -b:a 128k -f wav", true, 44100, 2},
    {"mp3", "noise.mp3", "-c:a libmp3lame -b:a 128k -id3v2_version 3 -metadata title=Wren", false, 44100, 2},
    {"vbr_mp3", "vbr.mp3", "-c:a libmp3lame -q:a 4", false, 44100, 2},
    {"wma", "noise.wma", "-c:a wmav2", false, 44100, 2},
};

// The files are made once for all decoder tests.
class DecoderFiles {
public:
    static const DecoderFiles& get() {
        static DecoderFiles files;
        return files;
    }
    std::string path(const Kind& kind) const { return folder.file(kind.file); }
    TempDir folder;

private:
    DecoderFiles() {
        for (const Kind& kind : kinds)
            EXPECT_TRUE(make_sound_file(folder.file(kind.file), kind.options, 3.0, kind.rate, kind.channels))
                << kind.name;
    }
    static bool make_sound_file(const std::string& path, const std::string& options, double seconds, int rate,
                                int channels) {
        return testing::make_sound_file(path, options, seconds, rate, channels);
    }
};

std::vector<std::int16_t> decode_all(SoundDecoder& decoder) {
    std::vector<std::int16_t> all;
    std::vector<std::int16_t> block(std::size_t(1000 * decoder.channels()));
    while (std::int64_t n = decoder.read(block.data(), 1000))
        all.insert(all.end(), block.begin(), block.begin() + n * decoder.channels());
    return all;
}

class DecoderKindTest : public ::testing::TestWithParam<Kind> {};

TEST_P(DecoderKindTest, OpensWithItsFormatAndDecodesItsWholeLength) {
    const Kind& kind = GetParam();
    SoundDecoder decoder;
    ASSERT_EQ(decoder.open(DecoderFiles::get().path(kind), kind.riff_wave), 0);
    EXPECT_EQ(decoder.sample_rate(), kind.rate);
    EXPECT_EQ(decoder.channels(), kind.channels);
    // Three seconds, plus the encoder's delay and padding for the compressed ones.
    EXPECT_GE(decoder.length_samples(), 3 * kind.rate);
    EXPECT_LE(decoder.length_samples(), 3 * kind.rate + kind.rate / 10);
    std::vector<std::int16_t> all = decode_all(decoder);
    EXPECT_EQ(std::int64_t(all.size()), decoder.length_samples() * kind.channels);
    if (std::string(kind.options).find("pcm") != std::string::npos) {
        EXPECT_EQ(decoder.length_samples(), 3 * kind.rate);
    }
}

TEST_P(DecoderKindTest, ReadingAfterASeekGivesTheSamplesOfReadingFromTheStart) {
    const Kind& kind = GetParam();
    SoundDecoder decoder;
    ASSERT_EQ(decoder.open(DecoderFiles::get().path(kind), kind.riff_wave), 0);
    std::vector<std::int16_t> all = decode_all(decoder);
    const std::int64_t length = decoder.length_samples();
    const int ch = decoder.channels();
    // Backwards and forwards, near and far, on and off packet boundaries, up to the last samples.
    for (std::int64_t target : {length / 2, std::int64_t(1), std::int64_t(0), std::int64_t(1152 * 7),
                                std::int64_t(1152 * 7 + 1), std::int64_t(kind.rate + 333), length - 500,
                                std::int64_t(kind.rate / 3), std::int64_t(kind.rate / 3 + 100)}) {
        decoder.seek(target);
        EXPECT_EQ(decoder.position(), target);
        std::vector<std::int16_t> got(std::size_t(2000 * ch));
        std::int64_t n = decoder.read(got.data(), 2000);
        ASSERT_EQ(n, std::min<std::int64_t>(2000, length - target)) << kind.name << " at " << target;
        EXPECT_TRUE(std::equal(got.begin(), got.begin() + n * ch, all.begin() + target * ch))
            << kind.name << ": samples differ after a seek to " << target;
    }
    decoder.seek(length + 100);
    EXPECT_EQ(decoder.position(), length);
    std::int16_t sample[2];
    EXPECT_EQ(decoder.read(sample, 1), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DecoderKindTest, ::testing::ValuesIn(kinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SoundDecoder, BadFilesGiveTheirErrorNumbers) {
    TempDir dir;
    ASSERT_TRUE(testing::make_sound_file(dir.file("short.mp3"), "-c:a libmp3lame", 1.0));
    dir.write("text.wav", "This is not a sound file at all, only some words in a row.\n");
    dir.write("empty.wav", "");
    std::string riff_head = std::string("RIFF") + std::string("\x24\x00\x00\x00", 4) + "WAVE";
    dir.write("riff_garbage.wav", riff_head + std::string(4000, '\x5a'));
    std::string mp3 = dir.read("short.mp3");
    dir.write("mp3_named.wav", mp3);
    ASSERT_EQ(::mkfifo(dir.file("pipe.mp3").c_str(), 0600), 0); // FFmpeg would wait for its writer
    std::filesystem::create_directory(dir.file("folder.wav"));
    struct Case {
        std::string file;
        bool riff_wave;
        int error;
    } cases[] = {
        {"missing.wav", true, mci::err_file_not_found}, {"text.wav", false, mci::err_invalid_file},
        {"empty.wav", true, mci::err_invalid_file},     {"riff_garbage.wav", false, mci::err_invalid_file},
        {"mp3_named.wav", true, mci::err_invalid_file}, // a waveform device plays RIFF WAVE only
        {"mp3_named.wav", false, mci::no_error},        // the automatic device plays it
        {"pipe.mp3", false, mci::err_file_not_found},   {"folder.wav", false, mci::err_file_not_found},
    };
    for (const Case& c : cases) {
        SoundDecoder decoder;
        EXPECT_EQ(decoder.open(dir.file(c.file), c.riff_wave), c.error) << c.file;
    }
}

TEST(SoundDecoder, DamagedStretchInsideAnMp3KeepsTheTimeline) {
    TempDir dir;
    ASSERT_TRUE(testing::make_sound_file(dir.file("a.mp3"), "-c:a libmp3lame -b:a 128k", 3.0));
    std::string bytes = dir.read("a.mp3");
    for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 1500; ++i)
        bytes[i] = char(i * 37);
    dir.write("damaged.mp3", bytes);
    SoundDecoder decoder;
    ASSERT_EQ(decoder.open(dir.file("damaged.mp3"), false), 0);
    std::vector<std::int16_t> all = decode_all(decoder);
    EXPECT_EQ(std::int64_t(all.size()), decoder.length_samples() * 2);
    EXPECT_GT(decoder.length_samples(), 44100); // the first half at least
}

TEST(SoundDecoder, MillisecondsAndSamplesConvertBackToTheSameMillisecond) {
    for (int rate : {8000, 11025, 22050, 32000, 44100, 48000})
        for (std::int64_t ms = 0; ms < 3000; ms += 7)
            ASSERT_EQ(media::ms_of_samples(media::samples_of_ms(ms, rate), rate), ms) << rate;
}

} // namespace
} // namespace morvelin
