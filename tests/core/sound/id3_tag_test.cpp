#include "core/sound/id3_tag.h"

#include "core/sound/mp3_memory_stream.h"
#include "sound_fixtures.h"

#include <gtest/gtest.h>

namespace morvelin {
namespace {

using namespace testing;
using namespace std::literals;

struct Frame {
    std::string id;
    std::string body;
    bool operator==(const Frame&) const = default;
};

void PrintTo(const Frame& f, std::ostream* os) {
    *os << f.id << " " << ::testing::PrintToString(f.body);
}

// The frames of a tag as a reader of version 2.3 sees them; padding must be zeros to the end.
std::vector<Frame> frames_of(const Bytes& tag) {
    std::vector<Frame> out;
    std::size_t p = 10;
    while (p + 10 <= tag.size() && tag[p] != 0) {
        std::size_t size = std::size_t{tag[p + 4]} << 24 | tag[p + 5] << 16 | tag[p + 6] << 8 | tag[p + 7];
        EXPECT_EQ(tag[p + 8], 0);
        EXPECT_EQ(tag[p + 9], 0);
        if (p + 10 + size > tag.size()) {
            ADD_FAILURE() << "frame past the end of the tag";
            break;
        }
        out.push_back({std::string(tag.begin() + p, tag.begin() + p + 4),
                       std::string(tag.begin() + p + 10, tag.begin() + p + 10 + size)});
        p += 10 + size;
    }
    for (; p < tag.size(); ++p)
        if (tag[p] != 0) {
            ADD_FAILURE() << "padding byte " << p << " is not zero";
            break;
        }
    return out;
}

Mp3TagTexts full_texts() {
    Mp3TagTexts t;
    t.title = "Dawn chorus";
    t.sound_description = "song";
    t.genre = "Rufous Wren";
    t.artist = "A. Tarvel";
    t.album = "Birds of Sarova 3.14 (1999-2009)";
    t.publisher = "Quellmark";
    t.comment = "Recorded at dawn\r\nNear the river";
    return t;
}

TEST(Id3v2Tag, HoldsTheFramesInTheirOrderAndIsPaddedTo4096) {
    auto tag = build_id3v2_tag(full_texts(), {}, 42);
    ASSERT_TRUE(tag);
    ASSERT_EQ(tag->size(), 4096u);
    EXPECT_EQ(Bytes(tag->begin(), tag->begin() + 10), (Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0x1F, 0x76}));
    EXPECT_EQ(read_synchsafe(tag->data() + 6), 4086u);

    const std::vector<Frame> expected = {
        {"TCON", "\0(12)Rufous Wren\0"s},
        {"TPE1", "\0A. Tarvel\0"s},
        {"TALB", "\0Birds of Sarova 3.14 (1999-2009)\0"s},
        {"TCOP", "\0 A. Tarvel\0"s},
        {"TIT1", "\0"
                 "00042\0"s},
        {"TIT2", "\0Dawn chorus. song\0"s},
        {"TOWN", "\0A. Tarvel\0"s},
        {"TPUB", "\0Quellmark\0"s},
        {"WPUB", publisher_web_address},
        {"TXXX", "\0Species number in Fennoral 3\0"
                 "00042\0"s},
        {"COMM", "\0eng\0Recorded at dawn\r\nNear the river\0"s},
    };
    EXPECT_EQ(frames_of(*tag), expected);
}

TEST(Id3v2Tag, LeavesOutTheOwnerFramesWithoutArtistOrPublisher) {
    Mp3TagTexts t = full_texts();
    t.artist.clear();
    t.publisher.clear();
    t.comment.clear();
    auto tag = build_id3v2_tag(t, {}, 123456);
    ASSERT_TRUE(tag);
    const std::vector<Frame> expected = {
        {"TCON", "\0(12)Rufous Wren\0"s},
        {"TPE1", "\0\0"s},
        {"TALB", "\0Birds of Sarova 3.14 (1999-2009)\0"s},
        {"TIT1", "\0"
                 "123456\0"s},
        {"TIT2", "\0Dawn chorus. song\0"s},
        {"TXXX", "\0Species number in Fennoral 3\0"
                 "123456\0"s},
        {"COMM", "\0eng\0\0"s},
    };
    EXPECT_EQ(frames_of(*tag), expected);
    EXPECT_EQ(tag->size(), 4096u);
}

TEST(Id3v2Tag, CommentLanguageFollowsTheInterface) {
    struct Case {
        LanguageFlags language;
        const char* code;
    };
    for (Case c : {Case{{}, "eng"}, Case{{.spanish = true}, "spa"}, Case{{.portuguese = true}, "por"},
                   Case{{.dutch = true}, "dut"}}) {
        auto tag = build_id3v2_tag(full_texts(), c.language, 1);
        ASSERT_TRUE(tag);
        auto frames = frames_of(*tag);
        ASSERT_EQ(frames.back().id, "COMM");
        EXPECT_EQ(frames.back().body.substr(1, 3), c.code);
    }
}

TEST(Id3v2Tag, LongTextsMakeALongerTagWithoutPadding) {
    Mp3TagTexts t = full_texts();
    t.comment.assign(5000, 'c');
    auto tag = build_id3v2_tag(t, {}, 1);
    ASSERT_TRUE(tag);
    EXPECT_GT(tag->size(), 4096u);
    EXPECT_EQ(read_synchsafe(tag->data() + 6), tag->size() - 10);
    auto frames = frames_of(*tag);
    ASSERT_EQ(frames.back().id, "COMM");
    EXPECT_EQ(frames.back().body, "\0eng\0"s + t.comment + '\0');
    EXPECT_EQ(tag->back(), 0);
}

TEST(Id3v2Tag, TextsTooLongForTheSizeFieldAreRefused) {
    Mp3TagTexts t;
    t.artist.assign(synchsafe_max / 3 + 1, 'a'); // written three times
    EXPECT_FALSE(build_id3v2_tag(t, {}, 1));

    const Bytes audio = frames(0, 2);
    TMP3MemoryStream stream(audio.data(), audio.size());
    EXPECT_FALSE(stream.WriteID3v2Tag(t, {}, 1));
    EXPECT_EQ(stream.bytes(), audio);
}

TEST(Id3v2Tag, WriteID3v2TagPutsTheTagInFrontOfTheAudio) {
    const Bytes audio = frames(0, 3);
    TMP3MemoryStream stream(audio.data(), audio.size());
    stream.seek(0, SeekOrigin::end);
    ASSERT_TRUE(stream.WriteID3v2Tag(full_texts(), {}, 42));
    EXPECT_EQ(stream.position(), 0u);
    EXPECT_EQ(stream.bytes(), *build_id3v2_tag(full_texts(), {}, 42) + audio);
}

TEST(Synchsafe, SevenBitsPerByte) {
    struct Case {
        std::uint32_t value;
        std::array<std::uint8_t, 4> bytes;
    };
    for (Case c : {Case{0, {0, 0, 0, 0}}, Case{4086, {0, 0, 0x1F, 0x76}}, Case{128, {0, 0, 1, 0}},
                   Case{synchsafe_max, {0x7F, 0x7F, 0x7F, 0x7F}}}) {
        std::array<std::uint8_t, 4> out{};
        write_synchsafe(out.data(), c.value);
        EXPECT_EQ(out, c.bytes) << c.value;
        EXPECT_EQ(read_synchsafe(c.bytes.data()), c.value);
    }
}

TEST(Id3v2AudioStart, BehindTheTagAndItsFooter) {
    EXPECT_EQ(id3v2_audio_start(nullptr, 0), 0u);
    Bytes plain = frames(0, 1);
    EXPECT_EQ(id3v2_audio_start(plain.data(), plain.size()), 0u);
    Bytes tag = id3v2(300);
    EXPECT_EQ(id3v2_audio_start(tag.data(), tag.size()), 310u);
    Bytes footer = id3v2(300, true);
    EXPECT_EQ(id3v2_audio_start(footer.data(), footer.size()), 320u);
    Bytes cut = bytes_of("ID3\x03\0\0"sv);
    EXPECT_EQ(id3v2_audio_start(cut.data(), cut.size()), cut.size());
}

} // namespace
} // namespace morvelin
