#include "core/foundation/bitmap.h"

#include "core/foundation/lzw.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <cstring>

namespace morvelin {
namespace {

using testing::ScriptedMessages;

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A bitmap file from raw parts, so that any header field can be set, damaged ones included.
struct BmpParts {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 8;
    std::uint32_t compression = bitmap::bi_rgb;
    std::uint32_t colours_used = 0;
    Bytes table;  // masks and colour table, as stored
    Bytes pixels; // as stored
    std::uint32_t header_size = 40;
    std::size_t gap = 0; // bytes between the table and the pixels

    Bytes file() const {
        Bytes f(14 + std::max<std::uint32_t>(header_size, 40), 0);
        f[0] = 'B';
        f[1] = 'M';
        put32(f, 10, static_cast<std::uint32_t>(14 + header_size + table.size() + gap));
        put32(f, 14, header_size);
        put32(f, 18, static_cast<std::uint32_t>(width));
        put32(f, 22, static_cast<std::uint32_t>(height));
        put16(f, 26, 1);
        put16(f, 28, bits);
        put32(f, 30, compression);
        put32(f, 46, colours_used);
        f.insert(f.end(), table.begin(), table.end());
        f.resize(f.size() + gap, 0xEE);
        f.insert(f.end(), pixels.begin(), pixels.end());
        put32(f, 2, static_cast<std::uint32_t>(f.size()));
        return f;
    }
};

Bytes grey_palette(int entries) {
    Bytes t;
    for (int i = 0; i < entries; ++i) {
        auto v = static_cast<std::uint8_t>(i * 255 / std::max(1, entries - 1));
        t.insert(t.end(), {v, v, v, 0});
    }
    return t;
}

LoadedBitmap load(const Bytes& file, bool messages = true) {
    return load_bitmap_from_memory(file.data(), file.size(), "map.bmp", messages);
}

std::vector<std::uint32_t> rgb(const Bytes& dib, int& w, int& h) {
    return packed_dib_to_rgb32(dib.data(), dib.size(), w, h);
}

// A distribution map: sea, land with a coastline, range patches in red and blue, and a dotted
// border, so that the rows mix long runs, short runs and literal stretches.
Bytes map_pixels(int width, int height) {
    Bytes p(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t v = 0;                                                              // sea
            if (x + (y * 7 % 23) > width / 3 && y > height / 5) v = 1;                       // land
            if ((x - 300) * (x - 300) + (y - 250) * (y - 250) < 4000) v = 2;                 // red range
            if (x > 100 && x < 160 && y > 350 && y < 420) v = 3;                             // blue range
            if (y == 200 && x % 3 == 0) v = 4;                                               // border
            if ((x * 31 + y * 17) % 97 == 0) v = static_cast<std::uint8_t>(5 + (x + y) % 3); // specks
            p[static_cast<std::size_t>(y) * width + x] = v;
        }
    return p;
}

const std::vector<std::uint32_t> map_palette = {0x3060C0, 0xE0E0D0, 0xFF0000, 0x0000FF,
                                                0x000000, 0x808080, 0x20A020, 0xFFFF00};

TEST(LoadBitmap, CompressedRle8MapLoadsToThePixelsOfThePlainFile) {
    const int w = 574, h = 472;
    Bytes pixels = map_pixels(w, h);
    Bytes plain = make_bmp_file_8bit(w, h, map_palette, pixels, false);
    Bytes rle = make_bmp_file_8bit(w, h, map_palette, pixels, true);
    ASSERT_LT(rle.size(), plain.size() / 4);
    Bytes compressed = make_compressed_container(rle);

    ScriptedMessages messages;
    LoadedBitmap from_plain = load(plain);
    LoadedBitmap from_rle = load(rle);
    LoadedBitmap from_compressed = load(compressed);
    ASSERT_EQ(from_plain.error, 0);
    ASSERT_EQ(from_rle.error, 0);
    ASSERT_EQ(from_compressed.error, 0);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(from_rle.dib == from_plain.dib);
    EXPECT_TRUE(from_compressed.dib == from_plain.dib);

    // The expanded header says what the rows now are.
    std::optional<DibLayout> layout =
        parse_packed_dib(from_compressed.dib.data(), from_compressed.dib.size());
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->compression, bitmap::bi_rgb);
    EXPECT_EQ(layout->stride, 576u);
    EXPECT_EQ(from_compressed.dib.size(), 40u + 4 * map_palette.size() + 576u * 472u);
    const std::uint8_t* size_image = from_compressed.dib.data() + 20;
    EXPECT_EQ(size_image[0] | size_image[1] << 8 | size_image[2] << 16, 576 * 472);

    int rw, rh;
    std::vector<std::uint32_t> colours = rgb(from_compressed.dib, rw, rh);
    ASSERT_EQ(rw, w);
    ASSERT_EQ(rh, h);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        ASSERT_EQ(colours[i], 0xFF000000u | map_palette[pixels[i]]) << "pixel " << i % w << "," << i / w;
}

TEST(LoadBitmap, CompressedAndPlainFilesLoadFromDisk) {
    testing::TempDir dir;
    Bytes pixels = map_pixels(64, 48);
    Bytes rle = make_bmp_file_8bit(64, 48, map_palette, pixels, true);
    Bytes compressed = make_compressed_container(rle);
    dir.write("1-1.bmp", std::string(compressed.begin(), compressed.end()));
    dir.write("2-1.bmp", std::string(rle.begin(), rle.end()));
    LoadedBitmap a = load_bitmap(dir.file("1-1.bmp"), true);
    LoadedBitmap b = load_bitmap(dir.file("2-1.bmp"), true);
    ASSERT_EQ(a.error, 0);
    EXPECT_FALSE(a.dib.empty());
    EXPECT_TRUE(a.dib == b.dib);
}

// Rows are listed top first; the stream codes them bottom row first.
TEST(ExpandRle8, FollowsTheRunLengthRules) {
    struct Case {
        const char* name;
        Bytes stream;
        std::vector<std::string> rows; // top first, 5 pixels each as hex digits
    };
    const Case cases[] = {
        {"encoded runs and end of line", {3, 1, 2, 2, 0, 0, 5, 7, 0, 1}, {"00000", "77777", "11122"}},
        {"absolute run with padding", {0, 3, 4, 5, 6, 0, 2, 9, 0, 1}, {"00000", "00000", "45699"}},
        {"absolute run of even length", {0, 4, 1, 2, 3, 4, 1, 5, 0, 1}, {"00000", "00000", "12345"}},
        {"delta right and up", {1, 1, 0, 2, 2, 1, 2, 3, 0, 1}, {"00000", "00033", "10000"}},
        {"run past the row end is cut", {9, 8, 0, 0, 1, 6, 0, 1}, {"00000", "60000", "88888"}},
        {"end of bitmap stops early", {2, 4, 0, 1, 5, 5}, {"00000", "00000", "44000"}},
        {"data ending early", {2, 4, 0, 0, 0, 5, 1}, {"00000", "10000", "44000"}},
        {"absolute run cut short", {0, 5, 1, 2}, {"00000", "00000", "12000"}},
        {"rows past the top are dropped", {0, 2, 0, 9, 5, 3, 5, 3}, {"00000", "00000", "00000"}},
        {"end of line without pixels", {0, 0, 0, 0, 1, 1}, {"10000", "00000", "00000"}},
    };
    for (const Case& c : cases) {
        Bytes out = expand_rle8(c.stream.data(), c.stream.size(), 5, 3);
        ASSERT_EQ(out.size(), 24u) << c.name;
        for (std::size_t r = 0; r < 3; ++r) {
            std::string row;
            for (std::size_t x = 0; x < 5; ++x)
                row += "0123456789ABCDEF"[out[(2 - r) * 8 + x] & 15];
            EXPECT_EQ(row, c.rows[r]) << c.name << ", row " << r;
        }
    }
}

TEST(LoadBitmap, OtherPixelFormatsGiveTheirColours) {
    BmpParts mono{.width = 10,
                  .height = 2,
                  .bits = 1,
                  .table = {0, 0, 0, 0, 255, 255, 255, 0},
                  .pixels = {0xA0, 0x40, 0, 0, 0x80, 0x00, 0, 0}};
    BmpParts nibbles{.width = 3,
                     .height = -1,
                     .bits = 4,
                     .colours_used = 3,
                     .table = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0},
                     .pixels = {0x12, 0x00, 0, 0}};
    BmpParts truecolour{.width = 2, .height = 1, .bits = 24, .table = {}, .pixels = {1, 2, 3, 4, 5, 6, 0, 0}};
    BmpParts rgb555{.width = 2, .height = 1, .bits = 16, .table = {}, .pixels = {0x00, 0x7C, 0x1F, 0x00}};
    BmpParts fields{.width = 1,
                    .height = 1,
                    .bits = 32,
                    .compression = bitmap::bi_bitfields,
                    .table = {0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0},
                    .pixels = {0x11, 0x22, 0x33, 0x44}};
    struct Case {
        const char* name;
        BmpParts parts;
        std::vector<std::uint32_t> top_row;
    };
    const Case cases[] = {
        {"1 bit, bottom-up",
         mono,
         {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
          0xFF000000, 0xFF000000}},
        {"4 bit, top-down, short table", nibbles, {0xFFFF0000, 0xFF00FF00, 0xFF000000}},
        {"24 bit", truecolour, {0xFF030201, 0xFF060504}},
        {"16 bit 5-5-5", rgb555, {0xFFFF0000, 0xFF0000FF}},
        {"32 bit bit fields", fields, {0xFF443322}},
    };
    for (const Case& c : cases) {
        LoadedBitmap loaded = load(c.parts.file());
        ASSERT_EQ(loaded.error, 0) << c.name;
        int w, h;
        std::vector<std::uint32_t> colours = rgb(loaded.dib, w, h);
        ASSERT_EQ(w, c.parts.width) << c.name;
        EXPECT_EQ(std::vector<std::uint32_t>(colours.begin(), colours.begin() + w), c.top_row) << c.name;
    }
}

TEST(LoadBitmap, PixelsStartWhereTheFileHeaderSays) {
    BmpParts parts{.width = 2,
                   .height = 1,
                   .bits = 8,
                   .colours_used = 2,
                   .table = grey_palette(2),
                   .pixels = {1, 0, 0, 0},
                   .gap = 6};
    LoadedBitmap loaded = load(parts.file());
    ASSERT_EQ(loaded.error, 0);
    EXPECT_EQ(loaded.dib.size(), 40u + 8u + 4u);
    int w, h;
    EXPECT_EQ(rgb(loaded.dib, w, h), (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFF000000}));
    // The packed bitmap written back as a file loads to the same bitmap.
    Bytes file = bmp_file_from_packed_dib(loaded.dib);
    EXPECT_EQ(load(file).dib, loaded.dib);
}

TEST(LoadBitmap, DamagedFilesAreRefusedWithTheirMessage) {
    const std::string not_bitmap = "\"map.bmp\" is not a Windows bitmap file, can not show picture.";
    const std::string read_error = "Error when reading file \"map.bmp\", can not show picture.";
    const std::string memory = "Error when trying to allocate memory, can not show picture.";
    BmpParts good{.width = 4,
                  .height = 2,
                  .bits = 8,
                  .colours_used = 2,
                  .table = grey_palette(2),
                  .pixels = Bytes(8, 1)};
    auto with = [&](auto change) {
        BmpParts p = good;
        change(p);
        return p.file();
    };
    Bytes truncated = good.file();
    truncated.resize(truncated.size() - 1);
    Bytes short_header = good.file();
    short_header.resize(14 + 39);
    struct Case {
        const char* name;
        Bytes file;
        int error;
        std::string message;
    };
    const Case cases[] = {
        {"no signature", Bytes{'M', 'B', 0, 0}, bitmap::error_not_bitmap, not_bitmap},
        {"only a signature", Bytes{'B', 'M'}, bitmap::error_not_bitmap, not_bitmap},
        {"header cut short", short_header, bitmap::error_not_bitmap, not_bitmap},
        {"core header", with([](BmpParts& p) { p.header_size = 12; }), bitmap::error_not_bitmap, not_bitmap},
        {"zero width", with([](BmpParts& p) { p.width = 0; }), bitmap::error_not_bitmap, not_bitmap},
        {"negative width", with([](BmpParts& p) { p.width = -4; }), bitmap::error_not_bitmap, not_bitmap},
        {"zero height", with([](BmpParts& p) { p.height = 0; }), bitmap::error_not_bitmap, not_bitmap},
        {"most negative height", with([](BmpParts& p) { p.height = INT32_MIN; }), bitmap::error_not_bitmap,
         not_bitmap},
        {"huge width", with([](BmpParts& p) { p.width = 100000; }), bitmap::error_not_bitmap, not_bitmap},
        {"7 bits", with([](BmpParts& p) { p.bits = 7; }), bitmap::error_not_bitmap, not_bitmap},
        {"more colours than 8 bits hold", with([](BmpParts& p) { p.colours_used = 257; }),
         bitmap::error_not_bitmap, not_bitmap},
        {"colour table past the end", with([](BmpParts& p) {
             p.colours_used = 200;
             p.pixels.clear();
         }),
         bitmap::error_not_bitmap, not_bitmap},
        {"4-bit run-length encoding", with([](BmpParts& p) {
             p.bits = 4;
             p.compression = bitmap::bi_rle4;
         }),
         bitmap::error_not_bitmap, not_bitmap},
        {"8-bit encoding of 24-bit pixels", with([](BmpParts& p) {
             p.bits = 24;
             p.compression = bitmap::bi_rle8;
         }),
         bitmap::error_not_bitmap, not_bitmap},
        {"top-down run-length encoding", with([](BmpParts& p) {
             p.height = -2;
             p.compression = bitmap::bi_rle8;
         }),
         bitmap::error_not_bitmap, not_bitmap},
        {"unknown compression", with([](BmpParts& p) { p.compression = 9; }), bitmap::error_not_bitmap,
         not_bitmap},
        {"pixels cut short", truncated, bitmap::error_read, read_error},
        {"expanded pixels too big", with([](BmpParts& p) {
             p.width = 30000;
             p.height = 30000;
             p.compression = bitmap::bi_rle8;
             p.pixels = {0, 1};
         }),
         bitmap::error_memory, memory},
    };
    for (const Case& c : cases) {
        ScriptedMessages messages;
        LoadedBitmap loaded = load(c.file);
        EXPECT_EQ(loaded.error, c.error) << c.name;
        EXPECT_TRUE(loaded.dib.empty()) << c.name;
        ASSERT_EQ(messages.shown().size(), 1u) << c.name;
        EXPECT_EQ(messages.shown()[0].text, c.message) << c.name;
        EXPECT_EQ(messages.shown()[0].flags, 16) << c.name;
    }
}

TEST(LoadBitmap, FileErrorsAndMessagesOnlyWhenAsked) {
    testing::TempDir dir;
    dir.write("text.bmp", "not a bitmap");
    {
        ScriptedMessages messages;
        EXPECT_EQ(load_bitmap(dir.file("missing.bmp"), true).error, bitmap::error_missing);
        EXPECT_EQ(load_bitmap(dir.file("text.bmp"), true).error, bitmap::error_not_bitmap);
        EXPECT_EQ(load_bitmap(dir.path(), true).error, bitmap::error_read);
        ASSERT_EQ(messages.shown().size(), 3u);
        EXPECT_EQ(messages.shown()[0].text,
                  "File \"" + dir.file("missing.bmp") + "\" does not exist, can not show picture.");
        EXPECT_EQ(messages.shown()[1].text,
                  "\"" + dir.file("text.bmp") + "\" is not a Windows bitmap file, can not show picture.");
        EXPECT_EQ(messages.shown()[2].text,
                  "Error when reading file \"" + dir.path() + "\", can not show picture.");
    }
    {
        ScriptedMessages messages;
        Bytes broken_container = make_compressed_container(Bytes{'B', 'M', 1, 2, 3});
        EXPECT_EQ(load(broken_container, false).error, bitmap::error_not_bitmap);
        broken_container.resize(broken_container.size() - 1);
        EXPECT_EQ(load(broken_container, false).error, lzw::error_corrupt);
        EXPECT_EQ(load_bitmap(dir.file("missing.bmp"), false).error, bitmap::error_missing);
        EXPECT_TRUE(messages.shown().empty());
    }
}

TEST(PackedDibStart, SkipsTheCompressedPrefixAndTheFileHeader) {
    Bytes file = make_bmp_file_8bit(2, 2, {0, 0xFFFFFF}, {0, 1, 1, 0}, false);
    Bytes block = {'C', 'F'};
    block.insert(block.end(), file.begin(), file.end());
    LoadedBitmap loaded = load(file);
    EXPECT_EQ(packed_dib_start(block.data(), block.size()), 16u);
    EXPECT_EQ(packed_dib_start(file.data(), file.size()), 14u);
    EXPECT_EQ(packed_dib_start(loaded.dib.data(), loaded.dib.size()), 0u);
    EXPECT_EQ(packed_dib_start(block.data(), 5), 5u);
}

} // namespace
} // namespace morvelin
