#include "core/foundation/text_encoding.h"

#include <gtest/gtest.h>

using namespace morvelin;

TEST(TextEncoding, RoundTripsEveryAssignedCp1252Byte) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(one)), one) << b;
    }
    EXPECT_EQ(cp1252_to_utf8("\x80"), "\xE2\x82\xAC");   // euro sign
    EXPECT_EQ(cp1252_to_utf8("Caf\xE9"), "Caf\xC3\xA9"); // e acute
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
