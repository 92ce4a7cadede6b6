#include "core/sound/mp3_memory_stream.h"

#include "core/foundation/editions.h"
#include "scripted_services.h"
#include "sound_fixtures.h"

#include <gtest/gtest.h>

#include <climits>

namespace morvelin {
namespace {

using namespace testing;
using namespace std::literals;

TEST(Mp3FrameHeader, AcceptsOnlyMpeg1LayerIIIWithARealBitrateAndRate) {
    struct Case {
        std::array<std::uint8_t, 4> header;
        int bitrate; // 0: refused
        int rate;
        std::size_t length;
    };
    const Case cases[] = {
        {{0xFF, 0xFB, 0x90, 0x00}, 128, 44100, 417},
        {{0xFF, 0xFB, 0x92, 0x00}, 128, 44100, 418}, // padding
        {{0xFF, 0xFA, 0x90, 0x00}, 128, 44100, 417}, // with CRC
        {{0xFF, 0xFB, 0x94, 0x00}, 128, 48000, 384},
        {{0xFF, 0xFB, 0x98, 0x00}, 128, 32000, 576},
        {{0xFF, 0xFB, 0x10, 0x00}, 32, 44100, 104},
        {{0xFF, 0xFB, 0x14, 0x00}, 32, 48000, 96}, // the shortest frame
        {{0xFF, 0xFB, 0xE2, 0x00}, 320, 44100, 1045},
        {{0xFF, 0xFB, 0x00, 0x00}, 0, 0, 0}, // free format
        {{0xFF, 0xFB, 0xF0, 0x00}, 0, 0, 0}, // bitrate index 15
        {{0xFF, 0xFB, 0x9C, 0x00}, 0, 0, 0}, // sampling-rate index 3
        {{0xFF, 0xF3, 0x90, 0x00}, 0, 0, 0}, // MPEG-2
        {{0xFF, 0xE3, 0x90, 0x00}, 0, 0, 0}, // MPEG-2.5
        {{0xFF, 0xFD, 0x90, 0x00}, 0, 0, 0}, // Layer II
        {{0xFF, 0xFF, 0x90, 0x00}, 0, 0, 0}, // Layer I
        {{0xFF, 0x7B, 0x90, 0x00}, 0, 0, 0}, // broken sync
        {{0xFE, 0xFB, 0x90, 0x00}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        auto h = parse_mp3_frame_header(c.header.data());
        SCOPED_TRACE(::testing::PrintToString(c.header));
        if (c.bitrate == 0) {
            EXPECT_FALSE(h);
            continue;
        }
        ASSERT_TRUE(h);
        EXPECT_EQ(h->bitrate_kbps, c.bitrate);
        EXPECT_EQ(h->sampling_rate, c.rate);
        EXPECT_EQ(h->length, c.length);
    }
}

// Loads bytes as a file would be loaded.
Bytes loaded(const Bytes& file) {
    TMP3MemoryStream stream;
    stream.assign(file);
    stream.strip_to_frames();
    EXPECT_EQ(stream.position(), 0u);
    return stream.bytes();
}

TEST(Mp3Load, KeepsTheFirstUnbrokenRunOfFrames) {
    const Bytes run = frames(0, 5);
    const Bytes next = frame(5);
    const Bytes mixed = frames(0, 2) + frames(2, 2, b2_44100_padded) + frames(4, 1, b2_48000);
    Bytes bad_header = frame(9);
    bad_header[2] = 0xF0; // bitrate index 15
    struct Case {
        const char* name;
        Bytes file;
        Bytes expected;
    };
    const Case cases[] = {
        {"frames only", run, run},
        {"mixed sizes and rates", mixed, mixed},
        {"ID3v2 in front, ID3v1 behind", id3v2(300) + run + id3v1(), run},
        {"ID3v2 with footer", id3v2(50, true) + run, run},
        {"trailing ID3v2", run + id3v2(20), run},
        {"garbage between two runs", run + bytes_of("garbage") + frames(5, 3), run},
        {"frame cut short", run + Bytes(next.begin(), next.begin() + 100), run},
        {"bitrate index 15", run + bad_header + frames(6, 2), run},
        {"garbage first", bytes_of("x") + run, {}},
        {"small tag", id3v2(10) + run, run},
        {"tag header cut short", bytes_of("ID3\x03\0"sv), {}},
        {"empty", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(loaded(c.file), c.expected);
    }
    Bytes huge_tag = id3v2(0);
    huge_tag[6] = huge_tag[7] = huge_tag[8] = huge_tag[9] = 0x7F;
    EXPECT_TRUE(loaded(huge_tag + run).empty());
}

TEST(Mp3Load, LoadSoundFileStripsTheFileAndLeavesItUntouched) {
    determine_edition_from_code(60); // English messages
    ScriptedMessages messages;
    TempDir dir;
    const Bytes run = frames(0, 4);
    const std::string tagged = as_string(id3v2(100) + run + id3v1());
    dir.write("tagged.mp3", tagged);

    TMP3MemoryStream stream;
    bool error = true;
    stream.LoadSoundFile(dir.file("tagged.mp3"), error);
    EXPECT_FALSE(error);
    EXPECT_EQ(stream.bytes(), run);
    EXPECT_EQ(stream.file_name, dir.file("tagged.mp3"));
    EXPECT_EQ(dir.read("tagged.mp3"), tagged);

    stream.LoadSoundFile(dir.file("missing.mp3"), error);
    EXPECT_TRUE(error);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Error reading file " + dir.file("missing.mp3"));
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
}

// The indexes of the frames a stream of index-numbered frames holds.
std::vector<int> frame_indexes(const Bytes& bytes) {
    std::vector<int> out;
    std::size_t p = 0;
    while (p + 4 < bytes.size()) {
        auto h = parse_mp3_frame_header(&bytes[p]);
        if (!h || p + h->length > bytes.size()) {
            ADD_FAILURE() << "no whole frame at " << p;
            break;
        }
        out.push_back(bytes[p + 4] << 8 | bytes[p + 5]);
        p += h->length;
    }
    return out;
}

std::vector<int> range(int first, int last) {
    std::vector<int> out;
    for (int i = first; i <= last; ++i)
        out.push_back(i);
    return out;
}

Bytes cut(const Bytes& data, double start, double length) {
    TMP3MemoryStream stream(data.data(), data.size());
    EXPECT_TRUE(stream.CutSlice(start, length));
    EXPECT_EQ(stream.position(), 0u);
    return stream.bytes();
}

// At 44100 Hz a frame lasts 26.12 ms, at 48000 Hz 24 ms.
TEST(CutSlice, KeepsTheFramesFromTheStartFrameThroughTheFrameStraddlingTheEnd) {
    const Bytes hundred = frames(0, 100);
    struct Case {
        const char* name;
        Bytes data;
        double start, length;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"from 0", hundred, 0, 0.5, range(0, 19)},    // frame 19 ends at 522 ms
        {"inside", hundred, 1.0, 0.5, range(38, 57)}, // 38 holds 1.0 s, 57 straddles 1.5 s
        {"zero length", hundred, 1.0, 0, range(38, 38)},
        {"end past the last frame", hundred, 2.0, 60, range(76, 99)},
        {"start past the last frame", hundred, 10.0, 1, range(0, 99)},
        {"48 kHz", frames(0, 50, b2_48000), 0.1, 0.1, range(4, 8)}, // 4 holds 100 ms, 8 ends at 216 ms
        {"duration of the first frame", frames(0, 1) + frames(1, 50, b2_48000), 0.1, 0.1, range(3, 7)},
        {"garbage after the frames", frames(0, 50) + bytes_of("garbage"), 0.5, 10, range(19, 49)},
        {"cut-off last frame", frames(0, 50) + Bytes(200, 0xFF), 1.0, 10, range(38, 49)},
        {"no frames", bytes_of("garbage"), 0, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes result = cut(c.data, c.start, c.length);
        if (c.expected.empty()) {
            EXPECT_EQ(result, c.data);
            continue;
        }
        EXPECT_EQ(frame_indexes(result), c.expected);
    }
}

TEST(CutSlice, StartsMeasuringAfreshForEverySlice) {
    TMP3MemoryStream stream;
    stream.assign(frames(0, 100, b2_48000));
    stream.CutSlice(0.5, 1.0); // 24 ms frames: 20 .. 62
    EXPECT_EQ(frame_indexes(stream.bytes()), range(20, 62));
    EXPECT_DOUBLE_EQ(stream.frame_duration, 0.024);
    stream.assign(frames(0, 100));
    stream.CutSlice(0.0, 0.1);
    EXPECT_DOUBLE_EQ(stream.frame_duration, 1152.0 / 44100);
    EXPECT_EQ(frame_indexes(stream.bytes()), range(0, 3));
}

TEST(RepeatContents, MakesNPlusOneCopies) {
    const Bytes slice = frames(7, 3);
    struct Case {
        int n;
        int copies;
    };
    for (Case c : {Case{2, 3}, Case{1, 2}, Case{0, 1}, Case{-4, 1}}) {
        TMP3MemoryStream stream(slice.data(), slice.size());
        EXPECT_TRUE(stream.RepeatContents(c.n));
        Bytes expected;
        for (int i = 0; i < c.copies; ++i)
            expected = expected + slice;
        EXPECT_EQ(stream.bytes(), expected) << c.n;
    }
}

TEST(RepeatContents, RefusesAResultBeyondTheLimitAndKeepsTheContents) {
    const Bytes slice = frames(0, 3);
    TMP3MemoryStream stream(slice.data(), slice.size());
    EXPECT_FALSE(stream.RepeatContents(INT_MAX));
    EXPECT_EQ(stream.bytes(), slice);

    TMP3MemoryStream empty;
    EXPECT_TRUE(empty.RepeatContents(INT_MAX));
    EXPECT_EQ(empty.size(), 0u);
}

TEST(WalkFrame, StaysPutWhenTheFrameDoesNotFit) {
    Bytes data = frames(0, 1);
    data.pop_back();
    TMP3MemoryStream stream(data.data(), data.size());
    stream.first_frame = true;
    EXPECT_FALSE(stream.walk_frame());
    EXPECT_EQ(stream.position(), 0u);
    EXPECT_FALSE(stream.first_frame);

    data = frames(0, 2);
    TMP3MemoryStream whole(data.data(), data.size());
    EXPECT_TRUE(whole.walk_frame());
    EXPECT_EQ(whole.position(), 417u);
    EXPECT_TRUE(whole.walk_frame());
    EXPECT_FALSE(whole.walk_frame());
    EXPECT_EQ(whole.position(), 834u);
}

} // namespace
} // namespace morvelin
