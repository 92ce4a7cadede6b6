#include "disc_commands.h"
#include "stream_commands.h"

#include "core/foundation/bitmap.h"
#include "core/foundation/codec.h"
#include "core/foundation/lzw.h"
#include "core/foundation/scrambled_stream.h"
#include "core/foundation/services.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvelin::disc {
namespace {

using morvelin::testing::TempDir;

std::string run_capturing(int expected_code, CommandFunction command, const std::vector<std::string>& args) {
    ::testing::internal::CaptureStderr();
    int code = command(args);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, expected_code) << err;
    return err;
}

std::string as_string(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

TEST(PackCommand, UnpackGivesTheInputBackByteForByte) {
    const std::string latin = "Pycnonotus jocosus \xE9\xFF\x80";
    const std::pair<const char*, std::string> inputs[] = {
        {"CRLF lines", "@#[]\r\nCopsychus saularis\r\n" + latin + "\r\n"},
        {"LF lines", "@#[FAMILIES]\nPycnonotidae\nbulbuls\n"},
        {"no final break", "one\r\ntwo"},
        {"mixed breaks and empty lines", "a\r\n\nb\r\r\n\nLINEFEED_ONLY_REPLACER<I>x</I>\n"},
        {"empty file", ""},
        {"single empty line", "\r\n"},
    };
    TempDir dir;
    for (const auto& [what, plain] : inputs) {
        for (const char* name : {"taxa.txt", "cutparts.txt", "cupaitem.txt"}) {
            for (bool scheme_b : {false, true}) {
                dir.write("plain.txt", plain);
                std::vector<std::string> args = {dir.file("plain.txt"), dir.file(name)};
                if (scheme_b) args.push_back("--scheme-b");
                run_capturing(0, pack_command, args);
                std::string stored = dir.read(name);
                EXPECT_EQ(stored.rfind("12FGH31", 0) == 0, scheme_b) << what;
                run_capturing(0, unpack_command, {dir.file(name), dir.file("back.txt")});
                EXPECT_EQ(dir.read("back.txt"), plain) << what << " " << name << " scheme B " << scheme_b;
            }
        }
    }
}

TEST(PackCommand, PackedFilesReadBackThroughTheLoaderPath) {
    TempDir dir;
    dir.write("plain.txt", "@#[]\r\nCorvus splendens\r\n51001 7\r\n");
    run_capturing(0, pack_command, {dir.file("plain.txt"), dir.file("names.bin"), "--name", "names_sc.txt"});
    auto lines = read_data_file_lines(dir.file("names.bin"));
    ASSERT_TRUE(lines);
    decode_data_file_lines(*lines, data_file_seed("names_sc.txt"));
    EXPECT_EQ(*lines, (std::vector<std::string>{"@#[]", "Corvus splendens", "51001 7"}));
    // The same bytes with another file's seed give something else.
    auto wrong = read_data_file_lines(dir.file("names.bin"));
    decode_data_file_lines(*wrong, data_file_seed("cutparts.txt"));
    EXPECT_NE(*wrong, *lines);
}

TEST(PackCommand, RefusesWhatADataFileCannotHold) {
    TempDir dir;
    dir.write("plain.txt", "first\r\nsecond\r\nthi\trd\r\n");
    std::string err = run_capturing(1, pack_command, {dir.file("plain.txt"), dir.file("taxa.txt")});
    EXPECT_NE(err.find("line 3 of"), std::string::npos) << err;
    EXPECT_NE(err.find("byte 9"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("taxa.txt")));

    dir.write("plain.txt", "fine\r\n");
    err = run_capturing(1, pack_command, {dir.file("plain.txt"), dir.file("species.txt")});
    EXPECT_NE(err.find("\"species.txt\" is not a data file name"), std::string::npos) << err;
    run_capturing(1, pack_command, {dir.file("missing.txt"), dir.file("taxa.txt")});
    run_capturing(2, pack_command, {dir.file("plain.txt")});
    run_capturing(2, pack_command, {dir.file("plain.txt"), dir.file("taxa.txt"), "--scheme-c"});
    run_capturing(2, pack_command, {dir.file("plain.txt"), dir.file("taxa.txt"), "--name"});
}

TEST(ScramblePictureCommand, BothMarkersReadBackAndDecode) {
    TempDir dir;
    std::string picture = "\xFF\xD8\xFF\xE0 a picture of a bulbul, long enough to scramble";
    dir.write("photo.jpg", picture);
    for (bool second : {false, true}) {
        std::vector<std::string> args = {dir.file("photo.jpg"), dir.file("stored.jpg")};
        if (second) args.push_back("--scramble2");
        run_capturing(0, scramble_picture_command, args);
        std::string stored = dir.read("stored.jpg");
        EXPECT_EQ(stored.substr(0, 9), second ? "Scramble2" : "Scrambled");
        TOptionallyScrambleMemoryStream stream;
        ASSERT_TRUE(stream.load_from_file(dir.file("stored.jpg")));
        EXPECT_EQ(as_string(stream.data()), picture);
        run_capturing(0, decode_command, {dir.file("stored.jpg"), dir.file("plain.jpg")});
        EXPECT_EQ(dir.read("plain.jpg"), picture);
    }
    std::string err =
        run_capturing(1, scramble_picture_command, {dir.file("stored.jpg"), dir.file("twice.jpg")});
    EXPECT_NE(err.find("already begins with a scrambling marker"), std::string::npos) << err;
}

// A distribution map with sea, land, ranges and scattered specks.
Bytes map_pixels(int width, int height) {
    Bytes p(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t v = (x + (y * 5 % 19) > width / 2) ? 1 : 0;
            if ((x - 200) * (x - 200) + (y - 150) * (y - 150) < 3000) v = 2;
            if ((x * 13 + y * 7) % 89 == 0) v = 3;
            p[static_cast<std::size_t>(y) * width + x] = v;
        }
    return p;
}

TEST(CompressCommand, CompressedRle8MapLoadsToThePixelsOfThePlainFile) {
    TempDir dir;
    const std::vector<std::uint32_t> palette = {0x2050A0, 0xD0D0C0, 0xFF0000, 0x000000};
    Bytes pixels = map_pixels(574, 472);
    dir.write("plain.bmp", as_string(make_bmp_file_8bit(574, 472, palette, pixels, false)));
    dir.write("rle.bmp", as_string(make_bmp_file_8bit(574, 472, palette, pixels, true)));
    run_capturing(0, compress_command, {dir.file("rle.bmp"), dir.file("1234-1.bmp")});
    ASSERT_TRUE(is_compressed_file(dir.file("1234-1.bmp")));

    LoadedBitmap plain = load_bitmap(dir.file("plain.bmp"), true);
    LoadedBitmap compressed = load_bitmap(dir.file("1234-1.bmp"), true);
    ASSERT_EQ(compressed.error, 0);
    ASSERT_FALSE(plain.dib.empty());
    int w1, h1, w2, h2;
    EXPECT_EQ(packed_dib_to_rgb32(compressed.dib.data(), compressed.dib.size(), w1, h1),
              packed_dib_to_rgb32(plain.dib.data(), plain.dib.size(), w2, h2));
    EXPECT_EQ(w1, 574);
    EXPECT_EQ(h1, 472);

    // Decoding the container gives the plain uncompressed file: same header fields, same rows.
    run_capturing(0, decode_command, {dir.file("1234-1.bmp"), dir.file("decoded.bmp")});
    std::string decoded = dir.read("decoded.bmp");
    EXPECT_TRUE(decoded == dir.read("plain.bmp"));
    // So does decoding the run-length encoded file itself.
    run_capturing(0, decode_command, {dir.file("rle.bmp"), dir.file("decoded2.bmp")});
    EXPECT_EQ(dir.read("decoded2.bmp"), decoded);
}

TEST(CompressCommand, AnOutputLinkThatLoopsIsReported) {
    TempDir dir;
    dir.write("notes.txt", "some notes");
    std::filesystem::create_symlink("b.lzw", dir.file("a.lzw"));
    std::filesystem::create_symlink("a.lzw", dir.file("b.lzw"));
    const std::string err = run_capturing(1, compress_command, {dir.file("notes.txt"), dir.file("a.lzw")});
    EXPECT_NE(err.find("cannot write \"" + dir.file("a.lzw") + "\": Too many levels of symbolic links"),
              std::string::npos)
        << err;
}

TEST(DecodeCommand, RecognisesEachEncoding) {
    TempDir dir;
    dir.write("notes.txt", "plain words, not a bitmap");
    run_capturing(0, compress_command, {dir.file("notes.txt"), dir.file("notes.lzw")});
    run_capturing(0, decode_command, {dir.file("notes.lzw"), dir.file("notes.out")});
    EXPECT_EQ(dir.read("notes.out"), "plain words, not a bitmap");

    dir.write("plain.txt", "@#[]\r\nkey\r\n");
    run_capturing(0, pack_command, {dir.file("plain.txt"), dir.file("People.TXT")});
    run_capturing(0, decode_command, {dir.file("People.TXT"), dir.file("people.out")});
    EXPECT_EQ(dir.read("people.out"), "@#[]\r\nkey\r\n");

    std::string err = run_capturing(1, decode_command, {dir.file("notes.txt"), dir.file("x.out")});
    EXPECT_NE(err.find("is neither a data file"), std::string::npos) << err;

    std::string damaged = dir.read("notes.lzw");
    dir.write("damaged.lzw", damaged.substr(0, damaged.size() - 3));
    run_capturing(1, decode_command, {dir.file("damaged.lzw"), dir.file("x.out")});
    dir.write("damaged.bmp", "BM but nothing more of a bitmap");
    run_capturing(1, decode_command, {dir.file("damaged.bmp"), dir.file("x.out")});
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.out")));
}

TEST(DiscTool, DispatchesByTableWithHelp) {
    static int calls = 0;
    static std::vector<std::string> seen;
    const DiscCommand table[] = {
        {"echo",
         [](const std::vector<std::string>& args) {
             ++calls;
             seen = args;
             return 0;
         },
         "A B", "record the arguments"},
    };
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(run_disc_tool(table, {"--help"}), 0);
    EXPECT_EQ(run_disc_tool(table, {"echo", "--help"}), 0);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("echo  record the arguments"), std::string::npos) << out;
    EXPECT_NE(out.find("usage: morvelin-disc echo A B"), std::string::npos) << out;
    EXPECT_EQ(calls, 0);

    EXPECT_EQ(run_disc_tool(table, {"echo", "x", "--y"}), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"x", "--y"}));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run_disc_tool(table, {"ehco"}), 2);
    EXPECT_EQ(run_disc_tool(table, {}), 2);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("unknown command \"ehco\""), std::string::npos) << err;
    EXPECT_EQ(calls, 1);
}

TEST(DiscToolDeathTest, FatalErrorsPrintAndExitWithCode1) {
    EXPECT_EXIT(
        {
            install_tool_fatal_handler();
            fatal_error("File \"taxa.txt\" could not be loaded!");
        },
        ::testing::ExitedWithCode(1), "morvelin-disc: File \"taxa.txt\" could not be loaded!");
}

} // namespace
} // namespace morvelin::disc
