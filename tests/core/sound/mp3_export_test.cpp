#include "core/sound/mp3_export.h"

#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "scripted_services.h"
#include "core/sound/mp3_memory_stream.h"
#include "sound_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

namespace morvelin {
namespace {

using namespace testing;
using namespace std::literals;

// The standard output of a shell command line.
std::string output_of(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    std::string out;
    if (!pipe) return out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        out.append(buffer, n);
    return out;
}

// How many MPEG audio packets ffprobe finds in the file; -1 when it cannot read it.
int ffprobe_packets(const std::string& path) {
    std::string out = output_of("ffprobe -v error -select_streams a:0 -count_packets -show_entries "
                                "stream=nb_read_packets -of csv=p=0 " +
                                quoted(path));
    return out.empty() ? -1 : std::stoi(out);
}

// The tags ffprobe reads from the file, by their lower-case names.
std::map<std::string, std::string> ffprobe_tags(const std::string& path) {
    std::istringstream out(
        output_of("ffprobe -v error -show_entries format_tags -of default=nw=1 " + quoted(path)));
    std::map<std::string, std::string> tags;
    for (std::string line; std::getline(out, line);) {
        if (line.rfind("TAG:", 0) != 0) continue;
        auto eq = line.find('=');
        std::string key = line.substr(4, eq - 4);
        for (char& c : key)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        tags[key] = line.substr(eq + 1);
    }
    return tags;
}

Mp3TagTexts texts() {
    Mp3TagTexts t;
    t.title = "Dawn chorus";
    t.sound_description = "song";
    t.genre = "Rufous Wren";
    t.artist = "A. Tarvel";
    t.album = "Birds of Sarova";
    t.publisher = "Quellmark";
    t.comment = "Recorded at dawn";
    return t;
}

class Mp3ExportTest : public ::testing::Test {
protected:
    void SetUp() override { determine_edition_from_code(60); }

    Mp3ExportRequest request(const std::string& source, std::optional<Mp3Slice> slice = std::nullopt,
                             int repeat = 1) {
        Mp3ExportRequest r;
        r.sound_file = dir.file(source);
        r.slice = slice;
        r.repeat_count = repeat;
        r.output_file = dir.file("out.mp3");
        r.texts = texts();
        r.language = {};
        r.species_number = 42;
        return r;
    }
    Bytes tag() const { return *build_id3v2_tag(texts(), {}, 42); }
    Bytes output() const { return bytes_of(dir.read("out.mp3")); }
    bool output_exists() const { return std::filesystem::exists(dir.file("out.mp3")); }

    ScriptedMessages messages;
    TempDir dir;
};

TEST_F(Mp3ExportTest, TagsAnEncodedFileThatOtherProgramsRead) {
    make_mp3_with_ffmpeg(dir.file("song.mp3"), 3.0,
                         "-id3v2_version 3 -write_id3v1 1 -metadata title=Old -metadata artist=Someone");
    const Bytes source = bytes_of(dir.read("song.mp3"));
    ASSERT_GT(source.size(), 138u);
    ASSERT_EQ(as_string(Bytes(source.end() - 128, source.end() - 125)), "TAG");
    const Bytes frames_only(source.begin() + 10 + read_synchsafe(source.data() + 6), source.end() - 128);

    ASSERT_TRUE(ExportRecordingToMP3(request("song.mp3")));
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(output(), tag() + frames_only);
    EXPECT_EQ(ffprobe_packets(dir.file("out.mp3")), ffprobe_packets(dir.file("song.mp3")));

    auto tags = ffprobe_tags(dir.file("out.mp3"));
    EXPECT_EQ(tags["title"], "Dawn chorus. song");
    EXPECT_EQ(tags["artist"], "A. Tarvel");
    EXPECT_EQ(tags["album"], "Birds of Sarova");
    EXPECT_EQ(tags["publisher"], "Quellmark");
    EXPECT_EQ(tags["comment"], "Recorded at dawn");
    EXPECT_EQ(tags["grouping"], "00042");
    EXPECT_EQ(tags["copyright"], " A. Tarvel");
    EXPECT_EQ(tags["genre"], "Other"); // genre 12 of the ID3v1 list; readers drop the text after it
    EXPECT_EQ(tags["species number in fennoral 3"], "00042");
}

TEST_F(Mp3ExportTest, SliceOfAnEncodedFileHoldsTheFramesOfItsTime) {
    make_mp3_with_ffmpeg(dir.file("song.mp3"), 3.0);
    // 38 holds 1.0 s, 57 straddles 1.5 s (26.12 ms frames).
    ASSERT_TRUE(ExportRecordingToMP3(request("song.mp3", Mp3Slice{1000, 500})));
    EXPECT_EQ(ffprobe_packets(dir.file("out.mp3")), 20);
    const Bytes out = output();
    const Bytes source = bytes_of(dir.read("song.mp3"));
    ASSERT_GT(out.size(), 4096u);
    EXPECT_NE(std::search(source.begin(), source.end(), out.begin() + 4096, out.end()), source.end())
        << "the slice is no run of the source's bytes";
}

TEST_F(Mp3ExportTest, SliceFromHandBuiltFramesRepeatedThreeTimes) {
    dir.write("clip.mp3", as_string(id3v2(100) + frames(0, 100) + id3v1()));
    ASSERT_TRUE(ExportRecordingToMP3(request("clip.mp3", Mp3Slice{1000, 500}, 3)));
    const Bytes slice = frames(38, 20);
    EXPECT_EQ(output(), tag() + slice + slice + slice);

    ASSERT_TRUE(ExportRecordingToMP3(request("clip.mp3", Mp3Slice{1000, 500}, 1)));
    EXPECT_EQ(output(), tag() + slice);
}

TEST_F(Mp3ExportTest, TwoExportsOfTheSameRecordingAreIdentical) {
    make_mp3_with_ffmpeg(dir.file("song.mp3"), 2.0, "-id3v2_version 4");
    ASSERT_TRUE(ExportRecordingToMP3(request("song.mp3", Mp3Slice{250, 1000})));
    const Bytes first = output();
    ASSERT_TRUE(ExportRecordingToMP3(request("song.mp3", Mp3Slice{250, 1000})));
    EXPECT_EQ(output(), first);
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 10), (Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0x1F, 0x76}));
}

TEST_F(Mp3ExportTest, WaveFileGivesItsDataToTheEndOrItsSlice) {
    const Bytes data = frames(0, 100);
    dir.write("tape.wav", as_string(mpeg_wave(data) + bytes_of("LIST\4\0\0\0info"sv)));

    // A recording that is the whole file keeps the data as it is, up to the end of the file.
    ASSERT_TRUE(ExportRecordingToMP3(request("tape.wav")));
    EXPECT_EQ(output(), tag() + data + bytes_of("LIST\4\0\0\0info"sv));

    ASSERT_TRUE(ExportRecordingToMP3(request("tape.wav", Mp3Slice{0, 500}, 2)));
    EXPECT_EQ(output(), tag() + frames(0, 20) + frames(0, 20));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(Mp3ExportTest, FailuresAreShownAndWriteNothing) {
    dir.write("pcm.wav", as_string(riff_wave(chunk("fmt ", pcm_format()) + chunk("data", Bytes(800, 0)))));
    dir.write("text.wav", "just text");
    dir.write("text.mp3", "just text, no frames");
    dir.write("tag_only.mp3", as_string(id3v2(200) + id3v1()));
    Bytes mpeg2 = frames(0, 10);
    mpeg2[1] = 0xF3;
    dir.write("mpeg2.mp3", as_string(mpeg2));
    struct Case {
        const char* source;
        std::vector<std::string> messages; // "%" stands for the source path
    };
    const Case cases[] = {
        {"missing.mp3", {"Error reading file %"}},
        {"missing.wav", {"Error reading file %", "Format error inside \"%\"."}},
        {"pcm.wav", {"Format error inside \"%\"."}},
        {"text.wav", {"File \"%\" is not a wave file!", "Format error inside \"%\"."}},
        {"text.mp3", {"Format error inside \"%\"."}},
        {"tag_only.mp3", {"Format error inside \"%\"."}},
        {"mpeg2.mp3", {"Format error inside \"%\"."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        messages.clear();
        EXPECT_FALSE(ExportRecordingToMP3(request(c.source, Mp3Slice{0, 1000})));
        std::vector<std::string> shown;
        for (const ShownMessage& m : messages.shown()) {
            shown.push_back(m.text);
            EXPECT_EQ(m.flags, mb::icon_error);
        }
        std::vector<std::string> expected;
        for (std::string text : c.messages) {
            for (auto at = text.find('%'); at != std::string::npos; at = text.find('%'))
                text.replace(at, 1, dir.file(c.source));
            expected.push_back(text);
        }
        EXPECT_EQ(shown, expected);
        EXPECT_FALSE(output_exists());
    }
}

TEST_F(Mp3ExportTest, AFailedWriteLeavesTheOldFileAndSaysSo) {
    dir.write("clip.mp3", as_string(frames(0, 50)));
    dir.write("out.mp3", "old contents");

    Mp3ExportRequest r = request("clip.mp3");
    r.output_file = dir.file("no such folder/out.mp3");
    EXPECT_FALSE(ExportRecordingToMP3(r));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Error writing file " + r.output_file);
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);

    messages.clear();
    determine_edition_from_code(40);
    EXPECT_FALSE(ExportRecordingToMP3(r));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Error escribiendo archivo " + r.output_file);

    // A symbolic link at the output that loops is a failed write, not endless resolving.
    messages.clear();
    std::filesystem::create_symlink("loop.mp3", dir.file("loop.mp3"));
    r.output_file = dir.file("loop.mp3");
    EXPECT_FALSE(ExportRecordingToMP3(r));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Error escribiendo archivo " + r.output_file);

    messages.clear();
    EXPECT_FALSE(ExportRecordingToMP3(request("missing.mp3")));
    EXPECT_EQ(messages.shown()[0].text, "Error leyendo archivo " + dir.file("missing.mp3"));
    EXPECT_EQ(dir.read("out.mp3"), "old contents");

    // A successful export replaces it.
    ASSERT_TRUE(ExportRecordingToMP3(request("clip.mp3")));
    EXPECT_EQ(output(), tag() + frames(0, 50));
}

TEST_F(Mp3ExportTest, ARepeatBeyondTheMemoryLimitIsRefused) {
    dir.write("clip.mp3", as_string(frames(0, 50)));
    EXPECT_FALSE(ExportRecordingToMP3(request("clip.mp3", std::nullopt, INT_MAX)));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, environment().out_of_memory_text);
    EXPECT_FALSE(output_exists());
}

TEST_F(Mp3ExportTest, MP3CapableSoundFiles) {
    dir.write("a.mp3", "");
    dir.write("b.MP3", "");
    dir.write("mpeg.wav", as_string(mpeg_wave(frames(0, 2))));
    dir.write("MPEG.WAV", as_string(mpeg_wave(frames(0, 2))));
    dir.write("pcm.wav", as_string(riff_wave(chunk("fmt ", pcm_format()) + chunk("data", Bytes(8, 0)))));
    dir.write("song.wma", "");
    dir.write("mp3", "");
    struct Case {
        const char* name;
        bool capable;
    };
    for (Case c :
         {Case{"a.mp3", true}, Case{"b.MP3", true}, Case{"not-there.Mp3", true}, Case{"mpeg.wav", true},
          Case{"MPEG.WAV", true}, Case{"pcm.wav", false}, Case{"song.wma", false}, Case{"mp3", false}}) {
        EXPECT_EQ(IsMP3CapableSoundFile(dir.file(c.name)), c.capable) << c.name;
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST(Mp3FileNames, NamesNeverLeaveTheirFolder) {
    struct Case {
        std::string_view text;
        const char* expected;
    };
    const Case cases[] = {
        {"Dawn chorus", "Dawn chorus"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i"},
        {"tab\there\nnul\0x"sv, "tab_here_nul_x"},
        {"..", "__"},
        {".", "_"},
        {"R\xFCppell's \x93Warbler\x94", "R\xC3\xBCppell's \xE2\x80\x9CWarbler\xE2\x80\x9D"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(file_name_from_text(c.text), c.expected) << ::testing::PrintToString(std::string(c.text));

    EXPECT_EQ(recording_mp3_file_name("Wren/song", 2), "Wren_song #2.mp3");
    EXPECT_EQ(recording_mp3_file_name("..", 1), ".. #1.mp3");
    EXPECT_EQ(audio_cd_mp3_file_name(1, "Wren"), "001Wren.mp3");
    EXPECT_EQ(audio_cd_mp3_file_name(12, "a/b"), "012a_b.mp3");
    EXPECT_EQ(audio_cd_mp3_file_name(1234, ""), "1234.mp3");
}

TEST(Mp3FileNames, LongTitlesAreShortenedAtACharacterBoundary) {
    const std::string title(300, '\xE9'); // two bytes each in UTF-8
    std::string name = recording_mp3_file_name(title, 7);
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(name.size(), 2 * ((255 - 7) / 2) + 7);
    EXPECT_TRUE(name.ends_with(" #7.mp3"));
    EXPECT_EQ(name.substr(0, 2), "\xC3\xA9");

    name = audio_cd_mp3_file_name(3, std::string(400, 'a'));
    EXPECT_EQ(name.size(), 255u);
    EXPECT_TRUE(name.starts_with("003a"));
    EXPECT_TRUE(name.ends_with("a.mp3"));
}

} // namespace
} // namespace morvelin
