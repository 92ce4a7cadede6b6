#include "core/foundation/codec.h"

#include "scripted_services.h"

#include <gtest/gtest.h>

#include <utility>

namespace morvelin {
namespace {

std::vector<std::string> bytes_lines(std::initializer_list<std::initializer_list<int>> lines) {
    std::vector<std::string> result;
    for (const auto& line : lines) {
        std::string text;
        for (int b : line)
            text += static_cast<char>(b);
        result.push_back(text);
    }
    return result;
}

TEST(ScrambleGenerator, DrawsTheReferenceSequence) {
    ScrambleGenerator generator(12345);
    EXPECT_EQ(generator.draw(), 827533966u);
    EXPECT_EQ(generator.draw(), 621383883u);
    EXPECT_EQ(generator.draw(), 171229689u);
    EXPECT_EQ(generator.draw(), 1188868577u);
}

// Seed 209 draws 1199170570, then 927932471: a 0 inside the first text skips the 5 after it, and the
// final 0 skips past the end of the text, so the next digit is the first of the next number.
TEST(Tcodec, SkipsZeroAndTheDigitAfterIt) {
    Tcodec codec(209);
    const std::vector<std::pair<int, std::uint32_t>> expected = {
        {1, 1199170570u}, {1, 1199170570u}, {9, 1199170570u}, {9, 1199170570u}, {1, 1199170570u},
        {7, 1199170570u}, {7, 1199170570u}, {9, 927932471u},  {2, 927932471u},  {7, 927932471u},
    };
    for (const auto& [digit, number] : expected) {
        EXPECT_EQ(codec.next_digit(), digit);
        EXPECT_EQ(codec.current_number(), number);
    }
}

TEST(DataFileLineKeys, SchemeAMarksLinesAtDigitSums) {
    std::vector<std::uint32_t> keys = data_file_line_keys(30, 209, false);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        bool special = i == 1 || i == 2 || i == 11 || i == 20 || i == 21 || i == 28;
        EXPECT_EQ(keys[i], special ? 1199170570u : i * i) << "line " << i;
    }
}

TEST(DataFileLineKeys, SchemeBSquaresTheLineNumberModulo1111) {
    std::vector<std::uint32_t> keys = data_file_line_keys(1115, 209, true);
    EXPECT_EQ(keys[0], 0u);
    EXPECT_EQ(keys[1], 1u);
    EXPECT_EQ(keys[1110], 1110u * 1110u);
    EXPECT_EQ(keys[1111], 0u);
    EXPECT_EQ(keys[1114], 9u);
}

// These values are what every authored disc was scrambled with; a change here breaks the discs.
TEST(DataFileSeeds, SpecialLinesOfEachSeedStayFixed) {
    struct Case {
        const char* file;
        std::vector<std::pair<std::size_t, std::uint32_t>> special;
    };
    const Case cases[] = {
        {"taxa.txt",
         {{7, 739130080u},
          {10, 739130080u},
          {19, 739130080u},
          {20, 739130080u},
          {23, 739130080u},
          {31, 739130080u},
          {33, 296430181u}}},
        {"cutparts.txt",
         {{1, 157778927u},
          {6, 157778927u},
          {13, 157778927u},
          {20, 157778927u},
          {27, 157778927u},
          {35, 157778927u}}},
        {"CUPAITEM.TXT",
         {{1, 1940935830u},
          {10, 1940935830u},
          {14, 1940935830u},
          {17, 1940935830u},
          {22, 1940935830u},
          {30, 1940935830u},
          {33, 1940935830u},
          {34, 180847347u}}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> keys = data_file_line_keys(40, data_file_seed(c.file), false);
        std::vector<std::pair<std::size_t, std::uint32_t>> special;
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] != i * i) special.emplace_back(i, keys[i]);
        EXPECT_EQ(special, c.special) << c.file;
    }
}

TEST(DataFileSeeds, EightFilesShareOneSeedAndNamesIgnoreCaseAndFolders) {
    const char* shared[] = {"mapsdata.txt", "people.txt",   "names_sc.txt",   "taxa.txt",
                            "locality.txt", "big_pict.txt", "othermedia.txt", "syst_ord.txt"};
    for (const char* name : shared) {
        EXPECT_EQ(data_file_seed(name), data_file_seed("taxa.txt")) << name;
        EXPECT_TRUE(is_data_file_name(name)) << name;
    }
    EXPECT_NE(data_file_seed("cutparts.txt"), data_file_seed("taxa.txt"));
    EXPECT_NE(data_file_seed("cupaitem.txt"), data_file_seed("taxa.txt"));
    EXPECT_NE(data_file_seed("cupaitem.txt"), data_file_seed("cutparts.txt"));
    EXPECT_EQ(data_file_seed("/media/disc/DATA/CutParts.TXT"), data_file_seed("cutparts.txt"));
    EXPECT_TRUE(is_data_file_name("/media/disc/People.Txt"));
    EXPECT_FALSE(is_data_file_name("people.txt.bak"));
    EXPECT_FALSE(is_data_file_name("/media/people.txt/readme"));
}

TEST(DecodeDataFileLines, SchemeBLineZeroUsesKeyZero) {
    std::vector<std::string> lines = {"12FGH31", bytes_lines({{85, 41, 21}})[0]};
    decode_data_file_lines(lines, 1);
    EXPECT_EQ(lines, bytes_lines({{65, 21, 236}}));
}

TEST(DecodeDataFileLines, TransformsEveryByteIntoTheHighRange) {
    // Scheme B, so line i has key (i mod 1111)^2: {line, stored byte, decoded byte}.
    const int cases[][3] = {
        {0, 255, 235}, {0, 20, 235}, {0, 0, 215}, {2, 10, 221}, {1110, 255, 240}, {1111, 85, 65},
    };
    std::vector<std::string> lines(1113);
    lines[0] = "12FGH31";
    std::vector<std::size_t> positions;
    for (const auto& c : cases) {
        positions.push_back(lines[c[0] + 1].size());
        lines[c[0] + 1] += static_cast<char>(c[1]);
    }
    decode_data_file_lines(lines, 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(static_cast<unsigned char>(lines[c[0]].at(positions[i])), c[2])
            << "line " << c[0] << " byte " << c[1];
    }
}

TEST(DecodeDataFileLines, SchemeAWithTheCommonSeed) {
    std::vector<std::string> lines = {"Morvelin", "hello", "ABC~", "xyz", "", "qqq", "Zz"};
    decode_data_file_lines(lines, data_file_seed("people.txt"));
    EXPECT_EQ(
        lines,
        bytes_lines({{84, 81, 88, 88, 91}, {44, 45, 46, 105}, {96, 97, 98}, {}, {77, 77, 77}, {45, 77}}));
}

TEST(DecodeDataFileLines, SchemeAKeysComeFromTheSeed) {
    // Seed 209 makes lines 1 and 2 special with key 1199170570 (1199170570 mod 235 = 115).
    std::vector<std::string> lines = {"x", "U", "U", "U", "U"};
    decode_data_file_lines(lines, 209);
    EXPECT_EQ(lines, bytes_lines({{65}, {185}, {185}, {56}}));
}

TEST(DecodeDataFileLines, HeaderOnlyAndEmptyFilesGiveNoLines) {
    std::vector<std::string> empty;
    decode_data_file_lines(empty, 1);
    EXPECT_TRUE(empty.empty());
    std::vector<std::string> header = {"12FGH31"};
    decode_data_file_lines(header, 1);
    EXPECT_TRUE(header.empty());
}

TEST(EncodeDataFileLines, RoundTripsEveryRepresentableByteInBothSchemes) {
    std::vector<std::string> plain;
    for (int i = 0; i < 1300; ++i) {
        std::string line;
        for (int b = 21; b <= 255; ++b)
            if ((b + i) % 3 != 0) line += static_cast<char>(b);
        plain.push_back(i % 17 == 0 ? std::string() : line);
    }
    for (bool scheme_b : {false, true}) {
        for (std::uint32_t seed : {data_file_seed("taxa.txt"), data_file_seed("cutparts.txt"), 209u}) {
            auto stored = encode_data_file_lines(plain, seed, scheme_b);
            ASSERT_TRUE(stored);
            ASSERT_EQ(stored->size(), plain.size() + 1);
            EXPECT_EQ((*stored)[0] == "12FGH31", scheme_b);
            for (const std::string& line : *stored)
                for (char ch : line)
                    ASSERT_GE(static_cast<unsigned char>(ch), 21) << "stored byte below 21";
            decode_data_file_lines(*stored, seed);
            EXPECT_EQ(*stored, plain) << "scheme_b " << scheme_b << " seed " << seed;
        }
    }
}

TEST(EncodeDataFileLines, RefusesBytesBelow21AndNamesTheLine) {
    const std::pair<std::size_t, char> cases[] = {{0, '\t'}, {3, '\0'}, {2, '\x14'}, {4, '\r'}};
    for (const auto& [line, byte] : cases) {
        std::vector<std::string> plain = {"one", "two", "three", "four", "five"};
        plain[line].insert(1, 1, byte);
        LineEncodeProblem problem;
        EXPECT_FALSE(encode_data_file_lines(plain, 1, false, &problem));
        EXPECT_EQ(problem.line, line);
        EXPECT_EQ(problem.byte, static_cast<unsigned char>(byte));
    }
}

TEST(TextLines, SplitKeepsEachBreakSoJoiningGivesTheBytesBack) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
        std::vector<std::string> endings;
    };
    const Case cases[] = {
        {"", {}, {}},
        {"x", {"x"}, {""}},
        {"x\n", {"x"}, {"\n"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}, {"\r\n", "\n", "\r", ""}},
        {"\n\n", {"", ""}, {"\n", "\n"}},
        {"a\r\n\r\n", {"a", ""}, {"\r\n", "\r\n"}},
        {"a\n\rb", {"a", "", "b"}, {"\n", "\r", ""}},
    };
    for (const Case& c : cases) {
        TextLines text = split_text_lines(c.bytes);
        EXPECT_EQ(text.lines, c.lines) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(text.endings, c.endings) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(join_text_lines(text), c.bytes);
    }
}

TEST(ReadDataFileLines, ReadsEightBitLinesAndRefusesWhatIsNoFile) {
    testing::TempDir dir;
    dir.write("taxa.txt", std::string("12FGH31\r\n\xE9t\xE9\r\nlast\n", 19));
    auto lines = read_data_file_lines(dir.file("taxa.txt"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"12FGH31", "\xE9t\xE9", "last"}));
    EXPECT_FALSE(read_data_file_lines(dir.file("missing.txt")));
    EXPECT_FALSE(read_data_file_lines(dir.path()));
}

} // namespace
} // namespace morvelin
