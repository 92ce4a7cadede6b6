#include "core/sound/wave_memory_stream.h"

#include "core/foundation/editions.h"
#include "scripted_services.h"
#include "sound_fixtures.h"

#include <gtest/gtest.h>

namespace morvelin {
namespace {

using namespace testing;
using namespace std::literals;

struct Parsed {
    bool error = true;
    WaveFormat format;
    std::size_t data_start = 0;
    std::size_t data_length = 0;
};

Parsed parse(const Bytes& file) {
    TWaveMemoryStream stream;
    stream.assign(file);
    Parsed p;
    stream.ReadWaveHeader(p.error, p.format);
    p.data_start = stream.data_start();
    p.data_length = stream.data_length();
    return p;
}

class WaveHeaderTest : public ::testing::Test {
protected:
    void SetUp() override { determine_edition_from_code(60); } // English messages

    ScriptedMessages messages;
};

struct HeaderCase {
    const char* name;
    Bytes file;
    std::uint16_t format_tag; // 0: refused
    std::size_t data_start = 0;
};

// The file with text written over it at offset.
Bytes overwritten(Bytes file, std::size_t offset, std::string_view text) {
    std::copy(text.begin(), text.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
    return file;
}

TEST_F(WaveHeaderTest, FindsTheFormatAndTheDataOrRefusesTheFile) {
    const Bytes data = frames(0, 2);
    const Bytes fmt = chunk("fmt ", mpeg_format());
    const Bytes fact = chunk("fact", {0x10, 0x27, 0, 0});
    const Bytes list = chunk("LIST", bytes_of("INFOISFT\x05\0\0\0abcd"sv));
    const Bytes data_chunk = chunk("data", data);
    Bytes big_fmt_body = mpeg_format();
    big_fmt_body.resize(200, 0xEE);
    const Bytes good = riff_wave(fmt + data_chunk);

    const HeaderCase cases[] = {
        {"PCM", riff_wave(chunk("fmt ", pcm_format()) + data_chunk), wave_format_pcm, 44},
        {"MPEG with fact", riff_wave(fmt + fact + data_chunk), wave_format_mpeg_layer3, 70},
        {"DISP before fmt", riff_wave(chunk("DISP", bytes_of("\x01\0\0\0text"sv)) + fmt + data_chunk),
         wave_format_mpeg_layer3, 74},
        {"odd DISP with pad", riff_wave(chunk("DISP", bytes_of("\x01\0\0\0t"sv)) + fmt + data_chunk),
         wave_format_mpeg_layer3, 72},
        {"LIST before fmt", riff_wave(list + fmt + data_chunk), 0},
        {"chunks between fmt and data", riff_wave(fmt + list + fact + list + data_chunk),
         wave_format_mpeg_layer3, 70 + 2 * list.size()},
        {"odd chunk with pad byte", riff_wave(fmt + chunk("junk", bytes_of("abc")) + data_chunk),
         wave_format_mpeg_layer3, 70},
        {"odd chunk without pad byte", riff_wave(fmt + chunk("junk", bytes_of("abc"), false) + data_chunk),
         wave_format_mpeg_layer3, 69},
        {"fmt larger than the block", riff_wave(chunk("fmt ", big_fmt_body) + data_chunk),
         wave_format_mpeg_layer3, 20 + 200 + 8},
        {"fmt size past the end", overwritten(good, 16, "\xFF\xFF\xFF\x7F"sv), 0},
        {"chunk size 0xFFFFFFFF", riff_wave(fmt + bytes_of("huge\xFF\xFF\xFF\xFF"sv) + data_chunk), 0},
        {"no data chunk", riff_wave(fmt + fact + list), 0},
        {"no fmt chunk", riff_wave(data_chunk), 0},
        {"RIFX", overwritten(good, 0, "RIFX"), 0},
        {"AVI form", overwritten(good, 8, "AVI "), 0},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        Parsed p = parse(c.file);
        if (c.format_tag == 0) {
            EXPECT_TRUE(p.error);
            ASSERT_EQ(messages.shown().size(), 1u);
            EXPECT_EQ(messages.shown()[0].text, "Not a wave file!");
            EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
            continue;
        }
        EXPECT_FALSE(p.error);
        EXPECT_TRUE(messages.shown().empty());
        EXPECT_EQ(p.format.format_tag(), c.format_tag);
        EXPECT_EQ(p.data_start, c.data_start);
        EXPECT_EQ(p.data_length, c.file.size() - c.data_start);
    }
}

TEST_F(WaveHeaderTest, FormatBlockHoldsTheChunkBodyAndNothingBeyondIt) {
    Parsed mpeg = parse(mpeg_wave(frames(0, 1)));
    ASSERT_FALSE(mpeg.error);
    EXPECT_EQ(mpeg.format.channels(), 1);
    EXPECT_EQ(mpeg.format.samples_per_second(), 44100u);
    EXPECT_EQ(mpeg.format.average_bytes_per_second(), 16000u);
    EXPECT_EQ(mpeg.format.block_align(), 1);
    EXPECT_EQ(mpeg.format.block[28], 0x71);
    for (std::size_t i = 30; i < WaveFormat::block_size; ++i)
        ASSERT_EQ(mpeg.format.block[i], 0) << i;

    Bytes big = mpeg_format();
    big.resize(400, 0xEE);
    Parsed large = parse(riff_wave(chunk("fmt ", big) + chunk("data", frames(0, 1))));
    ASSERT_FALSE(large.error);
    EXPECT_EQ(large.format.block[WaveFormat::block_size - 1], 0xEE);
}

TEST_F(WaveHeaderTest, DataRunsToTheEndOfTheFileWhateverItsSizeFieldSays) {
    Bytes data = chunk("data", frames(0, 3), false);
    data[4] = data[5] = data[6] = data[7] = 0; // a writer that never filled in the size
    Bytes file = riff_wave(chunk("fmt ", mpeg_format()) + data) + id3v1();
    Parsed p = parse(file);
    ASSERT_FALSE(p.error);
    EXPECT_EQ(p.data_start, 20u + 30u + 8u);
    EXPECT_EQ(p.data_length, 3 * 417u + 128u);
}

// Every truncation of a good file either still reaches the data or is refused; none reads out of
// bounds or loops.
TEST_F(WaveHeaderTest, EveryTruncatedFileIsRefusedUntilTheDataIdIsWhole) {
    Bytes file = mpeg_wave(frames(0, 1));
    const std::size_t data_id_end = 20 + 30 + 12 + 4;
    for (std::size_t n = 0; n <= file.size(); ++n) {
        Parsed p = parse(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_EQ(p.error, n < data_id_end) << n;
        if (!p.error) {
            EXPECT_EQ(p.data_start, std::min(n, data_id_end + 4)) << n;
        }
    }
}

TEST_F(WaveHeaderTest, MessageNamesTheFileWhenThereIsOne) {
    TempDir dir;
    dir.write("empty.wav", "");
    dir.write("text.wav", "RIFF is not enough");
    for (const char* name : {"empty.wav", "text.wav"}) {
        messages.clear();
        TWaveMemoryStream stream;
        bool error = false;
        stream.LoadSoundFile(dir.file(name), error);
        ASSERT_FALSE(error);
        WaveFormat format;
        stream.ReadWaveHeader(error, format);
        EXPECT_TRUE(error);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "File \"" + dir.file(name) + "\" is not a wave file!");
        EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    }

    messages.clear();
    Parsed empty = parse({});
    EXPECT_TRUE(empty.error);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Not a wave file!");
}

TEST_F(WaveHeaderTest, IsMP3CompressedWaveOfFiles) {
    TempDir dir;
    dir.write("mpeg.wav", as_string(mpeg_wave(frames(0, 2))));
    dir.write("pcm.wav", as_string(riff_wave(chunk("fmt ", pcm_format()) + chunk("data", Bytes(100, 0)))));

    EXPECT_TRUE(IsMP3CompressedWave(dir.file("mpeg.wav")));
    EXPECT_FALSE(IsMP3CompressedWave(dir.file("pcm.wav")));
    EXPECT_TRUE(messages.shown().empty());

    EXPECT_FALSE(IsMP3CompressedWave(dir.file("missing.wav")));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Error reading file " + dir.file("missing.wav"));
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
}

TEST_F(WaveHeaderTest, ReadErrorIsReportedInTheInterfaceLanguage) {
    TempDir dir;
    struct Case {
        int edition_code;
        const char* text;
    };
    for (Case c : {Case{60, "Error reading file "}, Case{40, "Error leyendo archivo "},
                   Case{80, "Error reading file "}}) {
        determine_edition_from_code(c.edition_code);
        messages.clear();
        TWaveMemoryStream stream;
        bool error = false;
        // A folder cannot be read as a sound file.
        stream.LoadSoundFile(dir.path(), error);
        EXPECT_TRUE(error);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, c.text + dir.path());
    }
    determine_edition_from_code(60);
}

} // namespace
} // namespace morvelin
