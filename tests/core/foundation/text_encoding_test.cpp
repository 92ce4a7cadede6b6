#include "core/foundation/text_encoding.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <optional>
#include <string>

using namespace morvelin;

namespace {

// One byte converted by the C library's own CP1252 table, the reference the program's table is pinned
// to; no value when iconv has no character for it.
std::optional<std::string> iconv_cp1252_to_utf8(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* in_at = in;
    char* out_at = out;
    std::size_t in_left = 1, out_left = sizeof out;
    const std::size_t done = iconv(cd, &in_at, &in_left, &out_at, &out_left);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1)) return std::nullopt;
    return std::string(out, sizeof out - out_left);
}

} // namespace

TEST(TextEncoding, RoundTripsEveryAssignedCp1252Byte) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(one)), one) << b;
    }
    EXPECT_EQ(cp1252_to_utf8("\x80"), "\xE2\x82\xAC");   // euro sign
    EXPECT_EQ(cp1252_to_utf8("Caf\xE9"), "Caf\xC3\xA9"); // e acute
}

TEST(TextEncoding, HighBlockMatchesTheCLibraryCp1252) {
    ASSERT_TRUE(iconv_cp1252_to_utf8('A')) << "iconv has no CP1252 converter";
    int compared = 0;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string one(1, static_cast<char>(b));
        const auto expected = iconv_cp1252_to_utf8(static_cast<unsigned char>(b));
        if (!expected) {
            // The five bytes Windows leaves unassigned stand for the control character of their value.
            const char32_t cp = static_cast<char32_t>(b);
            const std::string control{static_cast<char>(0xC0 | (cp >> 6)),
                                      static_cast<char>(0x80 | (cp & 0x3F))};
            EXPECT_EQ(cp1252_to_utf8(one), control) << std::hex << b;
            continue;
        }
        ++compared;
        EXPECT_EQ(cp1252_to_utf8(one), *expected) << std::hex << b;
        EXPECT_EQ(utf8_to_cp1252(*expected), one) << std::hex << b;
    }
    EXPECT_GE(compared, 0x80 - 5) << "iconv left more than the five unassigned bytes out";
}

TEST(TextEncoding, UnmappableAndBrokenUtf8DoNotLoseBytes) {
    EXPECT_EQ(utf8_to_cp1252("\xE4\xB8\xAD"), "?");   // a Chinese character has no 1252 form
    EXPECT_EQ(utf8_to_cp1252("a\xC3"), "a\xC3");      // truncated sequence kept as Latin-1
    EXPECT_EQ(utf8_to_cp1252("\xC3(x"), "\xC3(x");    // invalid continuation
}

TEST(TextEncoding, CaseInsensitiveCompareIsAsciiOnly) {
    EXPECT_TRUE(equals_ignore_case("Passer montanus", "PASSER MONTANUS"));
    EXPECT_FALSE(equals_ignore_case("\xE9", "\xC9"));
    EXPECT_LT(compare_ignore_case("abc", "ABD"), 0);
    EXPECT_LT(compare_ignore_case("ab", "ABC"), 0);
    EXPECT_EQ(compare_ignore_case("ABC", "abc"), 0);
}
