#include "core/foundation/scrambled_stream.h"

#include "scripted_services.h"

#include <gtest/gtest.h>

#include <random>

namespace morvelin {
namespace {

Bytes to_bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes random_bytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

TEST(ScrambledStream, ShortOrUnmarkedFilesLoadUnchanged) {
    const std::string cases[] = {"",          "Scramble",           "Scrambled",
                                 "Scramble2", "Scrambler and more", "\xFF\xD8\xFF jpeg"};
    for (const std::string& content : cases) {
        TOptionallyScrambleMemoryStream stream;
        stream.load_from_memory(to_bytes(content));
        EXPECT_EQ(stream.data(), to_bytes(content)) << content;
        EXPECT_FALSE(stream.was_scrambled()) << content;
    }
}

TEST(ScrambledStream, ScrambledMarkerXorsByPositionFromTheFileStart) {
    Bytes file = to_bytes("Scrambled");
    file.resize(4098, 0);
    TOptionallyScrambleMemoryStream stream;
    stream.load_from_memory(file);
    EXPECT_TRUE(stream.was_scrambled());
    ASSERT_EQ(stream.data().size(), 4098u - 9u);
    // Positions 9..14 use table entries 0, 29, 60, 29, 0, 37; position 4096 starts over at q = 0.
    EXPECT_EQ(Bytes(stream.data().begin(), stream.data().begin() + 6),
              (Bytes{0xAC, 0xD3, 0x79, 0xD3, 0xAC, 0x6F}));
    EXPECT_EQ(stream.data()[4096 - 9], 0x78);
    EXPECT_EQ(stream.data()[4097 - 9], 0x84);
}

TEST(ScrambledStream, Scramble2XorsWithDigitTextsUsedTwice) {
    // A 20-byte file seeds the generator with the constant minus 20; its first number is 475337871.
    Bytes file = to_bytes("Scramble2");
    file.resize(20, 0);
    TOptionallyScrambleMemoryStream stream;
    stream.load_from_memory(file);
    EXPECT_FALSE(stream.was_scrambled());
    EXPECT_EQ(stream.data(), to_bytes("47533787147"));

    // A 26-byte file: its first number 71010432 is used twice, then the next one, 328478341, begins.
    file.resize(26, 0);
    stream.load_from_memory(file);
    EXPECT_EQ(stream.data(), to_bytes("71010432710104323"));
}

TEST(ScrambledStream, ScramblingRoundTripsWithBothMarkers) {
    for (PictureScrambling scrambling : {PictureScrambling::scrambled, PictureScrambling::scramble2}) {
        for (std::size_t size : {1u, 2u, 17u, 4096u, 10000u}) {
            Bytes picture = random_bytes(size, static_cast<unsigned>(size));
            Bytes stored = scramble_picture(picture, scrambling);
            ASSERT_EQ(stored.size(), size + 9);
            EXPECT_NE(Bytes(stored.begin() + 9, stored.end()), picture);
            TOptionallyScrambleMemoryStream stream;
            stream.load_from_memory(stored);
            EXPECT_EQ(stream.data(), picture) << size;
            EXPECT_EQ(stream.was_scrambled(), scrambling == PictureScrambling::scrambled);
        }
    }
    EXPECT_TRUE(scramble_picture({}, PictureScrambling::scrambled).empty());
}

TEST(ScrambledStream, LoadsFilesAndReportsMissingOnes) {
    testing::TempDir dir;
    Bytes picture = random_bytes(300, 7);
    Bytes stored = scramble_picture(picture, PictureScrambling::scramble2);
    dir.write("photo.jpg", std::string(stored.begin(), stored.end()));
    TOptionallyScrambleMemoryStream stream;
    ASSERT_TRUE(stream.load_from_file(dir.file("photo.jpg")));
    EXPECT_EQ(stream.data(), picture);
    EXPECT_FALSE(stream.load_from_file(dir.file("missing.jpg")));
    EXPECT_TRUE(stream.data().empty());
    EXPECT_FALSE(stream.load_from_file(dir.path()));
}

} // namespace
} // namespace morvelin
