#include "core/foundation/lzw.h"

#include "core/foundation/services.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace morvelin {
namespace {

using testing::ScriptedMessages;

Bytes to_bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes from_hex(const std::string& hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

Bytes container(const std::string& version, const std::string& size, const Bytes& stream,
                const std::string& text = "Tobran's compression format") {
    Bytes c(lzw::header_size, 0);
    std::memcpy(c.data(), text.data(), std::min<std::size_t>(text.size(), 41));
    std::memcpy(c.data() + 41, version.data(), std::min<std::size_t>(version.size(), 11));
    std::memcpy(c.data() + 52, size.data(), std::min<std::size_t>(size.size(), 11));
    c.insert(c.end(), stream.begin(), stream.end());
    return c;
}

Bytes block_of(const Bytes& data) {
    Bytes block = to_bytes("CF");
    block.insert(block.end(), data.begin(), data.end());
    return block;
}

CompressedRead read(const Bytes& c, bool messages = true) {
    return read_compressed_data_into_memory(c.data(), c.size(), messages);
}

// The generator the reference streams below were computed from.
Bytes text_input(std::size_t n) {
    std::uint32_t x = 1;
    Bytes out;
    for (std::size_t i = 0; i < n; ++i) {
        x = (x * 1103515245u + 12345u) & 0x7FFFFFFFu;
        out.push_back(static_cast<std::uint8_t>("abcdefgh "[(x >> 16) % 9]));
    }
    return out;
}

std::uint64_t fnv1a(const Bytes& bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::uint8_t b : bytes)
        h = (h ^ b) * 0x100000001b3ull;
    return h;
}

std::vector<std::string> texts(const ScriptedMessages& messages) {
    std::vector<std::string> result;
    for (const auto& m : messages.shown())
        result.push_back(m.text + " /" + std::to_string(m.flags));
    return result;
}

// Roots sit where the hash puts them ('A' at 64, 'B' at 2178, 'a' at 2192), and new strings too.
TEST(LzwCodeStream, SmallInputsGiveTheReferenceStreams) {
    struct Case {
        std::string input;
        std::string stream;
    };
    const Case cases[] = {
        {"A", "0400"},               // a single code: one byte
        {"AB", "040882"},            // one pair of codes
        {"ABABABA", "0408821ede81"}, // ends with ABA, used while it is being defined
        {"aaaa", "890fcb8900"},      // aa used while being defined, then a lone code
        {"", ""},
    };
    for (const Case& c : cases) {
        Bytes input = to_bytes(c.input);
        EXPECT_EQ(LZW_TCompressor::compress(input.data(), input.size()), from_hex(c.stream)) << c.input;
        CompressedRead r = read(container("100", std::to_string(input.size()), from_hex(c.stream)));
        EXPECT_EQ(r.error, lzw::error_none) << c.input;
        EXPECT_EQ(r.block, block_of(input)) << c.input;
    }
}

TEST(LzwCodeStream, LongTextMatchesTheReferenceAndFillsTheDictionary) {
    Bytes input = text_input(200000);
    Bytes stream = LZW_TCompressor::compress(input.data(), input.size());
    EXPECT_EQ(stream.size(), 89625u);
    EXPECT_EQ(fnv1a(stream), 0xb7c19df4c7382cf7ull);

    LZW_TCompressor decoder;
    Bytes output;
    for (std::size_t at = 0; at < stream.size(); at += lzw::piece_size) {
        ASSERT_TRUE(decoder.begin_piece(stream.data() + at, std::min(lzw::piece_size, stream.size() - at)));
        while (!decoder.piece_done()) {
            auto out = decoder.decode_some();
            output.insert(output.end(), out.begin(), out.end());
        }
        ASSERT_EQ(decoder.error(), lzw::error_none);
    }
    EXPECT_EQ(decoder.free_entries(), 0u);
    EXPECT_EQ(output, input);
}

TEST(LzwCodeStream, DecodingPausesBeforeTheBufferCanOverflow) {
    // Long runs make strings of hundreds of bytes, so one piece yields far more than a buffer.
    Bytes input(300000, 'z');
    for (std::size_t i = 0; i < input.size(); i += 7919)
        input[i] = 'y';
    Bytes stream = LZW_TCompressor::compress(input.data(), input.size());
    ASSERT_LE(stream.size(), lzw::piece_size);
    LZW_TCompressor decoder;
    ASSERT_TRUE(decoder.begin_piece(stream.data(), stream.size()));
    Bytes output;
    int calls = 0;
    while (!decoder.piece_done()) {
        auto out = decoder.decode_some();
        EXPECT_LE(out.size(), lzw::output_buffer_size);
        EXPECT_GT(out.size(), 0u);
        output.insert(output.end(), out.begin(), out.end());
        ++calls;
    }
    EXPECT_GT(calls, 10);
    EXPECT_EQ(decoder.error(), lzw::error_none);
    EXPECT_EQ(output, input);
}

TEST(LzwContainer, RoundTripsAwkwardInputs) {
    std::mt19937 random(5);
    Bytes noise(300000);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    Bytes every_byte;
    for (int round = 0; round < 50; ++round)
        for (int b = 0; b < 256; ++b)
            every_byte.push_back(static_cast<std::uint8_t>(round % 2 ? 255 - b : b));
    const std::pair<const char*, Bytes> cases[] = {
        {"one byte", Bytes{0}},
        {"zeros beyond the longest string", Bytes(700000, 0)},
        {"noise", noise},
        {"every byte value", every_byte},
        {"text", text_input(1500000)},
    };
    for (const auto& [name, input] : cases) {
        Bytes c = make_compressed_container(input);
        ASSERT_TRUE(is_compressed_data(c.data(), c.size())) << name;
        CompressedRead r = read(c);
        EXPECT_EQ(r.error, lzw::error_none) << name;
        EXPECT_TRUE(r.block == block_of(input)) << name;
    }
}

TEST(LzwContainer, ReadsFilesPieceByPiece) {
    ScriptedMessages messages;
    testing::TempDir dir;
    Bytes input = text_input(100000);
    Bytes c = make_compressed_container(input);
    dir.write("map.lzw", std::string(c.begin(), c.end()));
    EXPECT_TRUE(is_compressed_file(dir.file("map.lzw")));
    CompressedRead r = read_compressed_file_into_memory(dir.file("map.lzw"), true);
    EXPECT_EQ(r.error, lzw::error_none);
    EXPECT_TRUE(r.block == block_of(input));
    EXPECT_TRUE(messages.shown().empty());
}

TEST(LzwContainer, VersionAndSizeFields) {
    struct Case {
        std::string version;
        std::string size;
        int error;
        std::vector<std::string> shown;
    };
    const std::string final_error = "read_compressed_file_into_memory(): error /0";
    const Case cases[] = {
        {"1 0 0", "2", 0, {}},
        {"100", "2", 0, {}},
        {" 7", " 2 ", 0, {}},
        {"-3", "2", 0, {}},
        {"101", "2", 992, {"version of compressed file can not be used! /16", final_error}},
        {"1 0 1", "2", 992, {"version of compressed file can not be used! /16", final_error}},
        {"abc", "2", 992, {"strange error in compressed file! /16", final_error}},
        {"", "2", 992, {"strange error in compressed file! /16", final_error}},
        {"100", "two", 992, {"strange error in compressed file! /16", final_error}},
        {"100", "-2", 992, {"strange error in compressed file! /16", final_error}},
    };
    for (const Case& c : cases) {
        ScriptedMessages messages;
        CompressedRead r = read(container(c.version, c.size, from_hex("040882")));
        EXPECT_EQ(r.error, c.error) << "version '" << c.version << "' size '" << c.size << "'";
        EXPECT_EQ(texts(messages), c.shown) << "version '" << c.version << "'";
        EXPECT_EQ(r.block, c.error == 0 ? to_bytes("CFAB") : Bytes{});
    }
}

TEST(LzwContainer, RefusesWhatIsNoContainer) {
    Bytes valid = container("100", "2", from_hex("040882"));
    Bytes wrong_text = container("100", "2", from_hex("040882"), "Tobran's compression form");
    Bytes prefixed = container("100", "2", from_hex("040882"), "Tobran's compression format v2");
    const std::pair<const char*, Bytes> refused[] = {
        {"empty", {}},
        {"short header", Bytes(valid.begin(), valid.begin() + 62)},
        {"wrong text", wrong_text},
    };
    for (const auto& [name, bytes] : refused) {
        ScriptedMessages messages;
        EXPECT_FALSE(is_compressed_data(bytes.data(), bytes.size())) << name;
        EXPECT_EQ(read(bytes).error, lzw::error_header) << name;
        EXPECT_EQ(texts(messages), std::vector<std::string>{"read_compressed_file_into_memory(): error /0"})
            << name;
    }
    EXPECT_TRUE(is_compressed_data(prefixed.data(), prefixed.size()));
}

TEST(LzwContainer, CorruptStreamsAreRefused) {
    struct Case {
        const char* name;
        std::string stream;
        std::string size;
        std::vector<std::string> shown;
    };
    const std::string decompressing = "read_compressed_file_into_memory(): error when decompressing /16";
    const std::string final_error = "read_compressed_file_into_memory(): error /0";
    const Case cases[] = {
        {"first code not in use", "0010", "1", {decompressing, final_error}},
        // After 'A' only entry 324 may be used before it is defined.
        {"unused code", "040001", "2", {decompressing, final_error}},
        {"piece of 3k + 1 bytes", "04088204", "3", {"Compression: error 1 /16", decompressing, final_error}},
        {"more bytes than announced", "040882", "1", {decompressing, final_error}},
        {"fewer bytes than announced",
         "040882",
         "3",
         {"read_compressed_file_into_memory(): less bytes than expected! /16", final_error}},
        {"size no stream could give",
         "040882",
         "99999999999",
         {"read_compressed_file_into_memory(): less bytes than expected! /16", final_error}},
    };
    for (const Case& c : cases) {
        ScriptedMessages messages;
        CompressedRead r = read(container("100", c.size, from_hex(c.stream)));
        EXPECT_EQ(r.error, lzw::error_corrupt) << c.name;
        EXPECT_TRUE(r.block.empty()) << c.name;
        EXPECT_EQ(texts(messages), c.shown) << c.name;
    }
}

TEST(LzwContainer, RefusesStringsLongerThanTheDecodingStack) {
    // A run of zeros makes ever longer strings: 600000 zeros reach about 1095 characters unless the
    // compressor stops them at the 1001 the decoder can unwind.
    Bytes zeros(600000, 0);
    ScriptedMessages messages;
    CompressedRead fine = read(make_compressed_container(zeros));
    EXPECT_EQ(fine.error, lzw::error_none);
    EXPECT_TRUE(fine.block == block_of(zeros));
    EXPECT_TRUE(messages.shown().empty());

    Bytes too_long = LZW_TCompressor::compress(zeros.data(), zeros.size(), 2000);
    CompressedRead r = read(container("100", std::to_string(zeros.size()), too_long));
    EXPECT_EQ(r.error, lzw::error_corrupt);
    EXPECT_EQ(texts(messages),
              (std::vector<std::string>{"Compression Stack full /16",
                                        "read_compressed_file_into_memory(): error when decompressing /16",
                                        "read_compressed_file_into_memory(): error /0"}));
}

TEST(LzwContainer, MessagesOnlyWhenAsked) {
    ScriptedMessages messages;
    EXPECT_EQ(read(container("101", "2", from_hex("040882")), false).error, lzw::error_header);
    EXPECT_EQ(read(container("100", "2", from_hex("0010")), false).error, lzw::error_corrupt);
    EXPECT_EQ(read_compressed_file_into_memory("/nonexistent/map.bmp", false).error, lzw::error_open);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(LzwContainer, FilesThatCannotBeOpened) {
    testing::TempDir dir;
    for (const std::string& path : {dir.file("missing.bmp"), dir.path()}) {
        ScriptedMessages messages;
        EXPECT_FALSE(is_compressed_file(path));
        CompressedRead r = read_compressed_file_into_memory(path, true);
        EXPECT_EQ(r.error, lzw::error_open);
        EXPECT_EQ(texts(messages),
                  (std::vector<std::string>{"read_compressed_file_into_memory(): file open error /0",
                                            "read_compressed_file_into_memory(): error /0"}));
    }
    dir.write("plain.bmp", "BM not compressed at all, but longer than sixty-three bytes of header text");
    EXPECT_FALSE(is_compressed_file(dir.file("plain.bmp")));
}

} // namespace
} // namespace morvelin
