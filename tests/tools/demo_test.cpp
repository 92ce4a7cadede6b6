// The demo disc: built twice from the repository's demo/ sources, it must be the same bytes both times,
// load with the program's own loader, keep every locality on the region map, reference only media that
// exist, hold every storage kind the program reads, and carry every language text key.

#include "data_commands.h"
#include "demo_command.h"
#include "demo_sources.h"
#include "scripted_services.h"

#include "core/data/data_texts.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/bitmap.h"
#include "core/foundation/codec.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "core/sound/file_locations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;
using morvelin::testing::read_file;
using morvelin::testing::TempDir;
using morvelin::testing::write_file;

namespace {

const std::string demo_sources = std::string(MORVELIN_SOURCE_DIR) + "/demo";
const std::string resources = std::string(MORVELIN_SOURCE_DIR) + "/resources";

// A fingerprint of everything a build reads: the sources, the region map and the program that builds.
std::string build_fingerprint() {
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&](const std::string& bytes) {
        for (unsigned char c : bytes) {
            hash ^= c;
            hash *= 1099511628211ull;
        }
    };
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(demo_sources))
        if (entry.is_regular_file()) files.push_back(entry.path());
    files.push_back(resources + "/bitmaps/SAROVAN_MAP_BITMAP.png");
    files.push_back(resources + "/masks/SAROVAN_MAP_BITMAP.areas.png");
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        mix(file.string());
        mix(read_file(file.string()));
    }
    const fs::path self = fs::read_symlink("/proc/self/exe");
    mix(std::to_string(fs::file_size(self)) + "/" +
        std::to_string(fs::last_write_time(self).time_since_epoch().count()));
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// Two builds of the disc. CTest runs every test in a process of its own, so the builds are kept in the
// build tree under a fingerprint of their inputs and made only by the first process that needs them
// (the others wait on a lock).
class DemoDisc : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const fs::path cache = std::string(MORVELIN_BINARY_DIR) + "/demo-test-discs";
        fs::create_directories(cache);
        const int lock = ::open((cache / "lock").c_str(), O_CREAT | O_RDWR, 0644);
        ::flock(lock, LOCK_EX);
        const std::string key = build_fingerprint();
        root_ = (cache / key).string();
        if (!fs::exists(fs::path(root_) / "complete")) {
            for (const auto& entry : fs::directory_iterator(cache))
                if (entry.is_directory()) fs::remove_all(entry.path());
            for (const char* name : {"a", "b"}) {
                morvelin::demo::BuildOptions options;
                options.output = root_ + "/" + name;
                options.source = demo_sources;
                options.resources = resources;
                if (!morvelin::demo::build_demo_disc(options, error_)) break;
            }
            if (error_.empty()) write_file(root_ + "/complete", key);
        }
        ::flock(lock, LOCK_UN);
        ::close(lock);
    }
    void SetUp() override { ASSERT_TRUE(error_.empty()) << error_; }

    static std::string disc() { return root_ + "/a/"; }
    static std::string second_disc() { return root_ + "/b/"; }
    static std::vector<std::string> plain_lines(const std::string& name) {
        auto lines = morvelin::read_data_file_lines(disc() + name);
        if (!lines) return {};
        morvelin::decode_data_file_lines(*lines, morvelin::data_file_seed(name));
        return *lines;
    }
    // Entries of a data file made of anonymous "@#[]" blocks.
    static std::vector<std::vector<std::string>> entries(const std::string& name) {
        std::vector<std::vector<std::string>> result;
        for (const auto& line : plain_lines(name)) {
            if (line.rfind("@#[", 0) == 0)
                result.emplace_back();
            else if (!result.empty())
                result.back().push_back(line);
        }
        return result;
    }

    static std::string root_;
    static std::string error_;
};
std::string DemoDisc::root_;
std::string DemoDisc::error_;

std::map<std::string, std::uintmax_t> tree(const fs::path& root) {
    std::map<std::string, std::uintmax_t> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), root).string()] = entry.file_size();
    return files;
}

TEST_F(DemoDisc, IsTheSameBytesEveryBuild) {
    const auto a = tree(disc()), b = tree(second_disc());
    ASSERT_EQ(a, b);
    ASSERT_GT(a.size(), 1000u);
    for (const auto& [name, size] : a)
        ASSERT_EQ(read_file(disc() + name), read_file(second_disc() + name)) << name;
    std::uintmax_t total = 0;
    for (const auto& [name, size] : a)
        total += size;
    EXPECT_LT(total, 100u << 20) << "the demo disc should stay well under 100 MB";
}

TEST_F(DemoDisc, LoadsWithTheProgramsLoaderAndHasTheExpectedContent) {
    morvelin::testing::ScriptedMessages messages;
    std::string error;
    const auto data = morvelin::disc::load_disc(disc(), error);
    ASSERT_TRUE(data) << error;
    EXPECT_TRUE(messages.shown().empty()) << messages.shown().front().text;

    EXPECT_GE(data->species_count(), 200u);
    EXPECT_GE(data->localities().size(), 60u);
    EXPECT_GE(data->localities_by_name().size(), 5u);
    EXPECT_EQ(data->order_count, 3);
    EXPECT_FALSE(data->order_complete[morvelin::order_kind::sibley_monroe]);
    EXPECT_TRUE(data->order_complete[morvelin::order_kind::clements]);
    EXPECT_TRUE(data->order_complete[morvelin::order_kind::other]);
    ASSERT_EQ(data->audio_cd_count(), 3u);
    EXPECT_EQ(data->regular_cd_count, 2);

    std::set<std::uint8_t> threats, compressions;
    std::set<char> classes;
    int not_real = 0, with_p = 0, without_p = 0, shared_sources = 0, text_authors = 0, many_photos = 0,
        nss = 0, subspecies_photos = 0, masks = 0;
    for (std::size_t i = 0; i < data->species_count(); ++i) {
        const auto& species = data->species_at(i);
        threats.insert(species.threat_status);
        text_authors += species.text_author != nullptr;
        many_photos += species.picture_count >= 10;
        masks += species.map_count > 0 && species.map_slot[1].is_mask;
        for (auto* s = species.first_subspecies; s; s = s->next_subspecies)
            not_real += s->not_real;
        for (auto* item = species.first_item; item; item = item->next_item) {
            classes.insert(item->class_letter);
            (item->is_p ? with_p : without_p)++;
            if (item->cut_part->is_sound_file) compressions.insert(item->cut_part->compression);
        }
        for (auto* photo = species.first_picture; photo; photo = photo->next_picture) {
            nss += !photo->counts_as_photo;
            subspecies_photos += photo->subspecies && photo->subspecies->subspecies;
        }
    }
    for (const auto* cut : data->cut_parts())
        shared_sources += cut->value_9 > 0;
    EXPECT_EQ(threats, (std::set<std::uint8_t>{0, 1, 2, 3}));
    EXPECT_EQ(compressions.size(), 10u) << "every compression number 0 to 9";
    for (char letter : {'X', 'A', 'B', 'C', ' '})
        EXPECT_TRUE(classes.count(letter)) << "class letter '" << letter << "'";
    EXPECT_GT(not_real, 0);
    EXPECT_GT(with_p, 0);
    EXPECT_GT(without_p, 0);
    EXPECT_GE(shared_sources, 4);
    EXPECT_EQ(text_authors, static_cast<int>(data->species_count()));
    EXPECT_GE(many_photos, 1);
    EXPECT_GT(nss, 0);
    EXPECT_GT(subspecies_photos, 0);
    EXPECT_GT(masks, 0);
}

TEST_F(DemoDisc, EveryLocalityLiesInsideTheRegionFrameOrHasNoKnownPlace) {
    // The program's degrees: |v| div 6000 + (|v| mod 6000) / 6000, south and west negative.
    auto degrees = [](long v) {
        const long a = v < 0 ? -v : v;
        const double d = a / 6000 + (a % 6000) / 6000.0;
        return v < 0 ? -d : d;
    };
    const auto localities = entries("locality.txt");
    ASSERT_GE(localities.size(), 60u);
    int unknown = 0;
    for (const auto& lines : localities) {
        ASSERT_GE(lines.size(), 7u);
        const std::string& coordinates = lines[6];
        if (coordinates.empty() || lines[1] == "ZERO LOCATION") {
            ++unknown;
            continue;
        }
        ASSERT_EQ(coordinates.size(), 18u) << lines[0];
        const double latitude = degrees(std::stol(coordinates.substr(0, 8)));
        const double longitude = degrees(std::stol(coordinates.substr(9, 8)));
        if (latitude == 0 && longitude == 0) {
            ++unknown;
            continue;
        }
        EXPECT_TRUE(longitude >= 69 && longitude <= 129 && latitude >= -12 && latitude <= 40)
            << lines[0] << " at " << latitude << ", " << longitude;
    }
    EXPECT_GE(unknown, 1) << "one locality is deliberately without a known place";
}

TEST_F(DemoDisc, MediaOfTheDataExist) {
    std::string error;
    const auto data = morvelin::disc::load_disc(disc(), error);
    ASSERT_TRUE(data) << error;
    int photos = 0, thumbnails = 0, maps = 0, voices = 0;
    for (std::size_t i = 0; i < data->species_count(); ++i) {
        const auto& species = data->species_at(i);
        for (auto* photo = species.first_picture; photo; photo = photo->next_picture) {
            EXPECT_TRUE(fs::is_regular_file(morvelin::species_media_path(
                species, disc() + "big_pict/", morvelin::photo_suffix(photo->number))))
                << species.scientific_name << " photo " << photo->number;
            ++photos;
        }
        thumbnails += fs::is_regular_file(morvelin::thumbnail_path(species, disc()));
        if (species.map_count > 0) {
            const std::string file = morvelin::species_media_path(species, disc() + "distmaps/", "-1.bmp");
            const auto bitmap = morvelin::load_bitmap(file, false);
            EXPECT_FALSE(bitmap.dib.empty()) << file << " error " << bitmap.error;
            ++maps;
        }
        if (species.first_item) {
            const std::string name = morvelin::species_media_path(species, disc() + "Voices/lang1/", ".wav");
            EXPECT_TRUE(fs::is_regular_file(name)) << name;
            ++voices;
        }
    }
    EXPECT_GE(thumbnails, 200);
    EXPECT_GT(photos, thumbnails);
    EXPECT_GE(maps, 200);

    static const char* suffixes[] = {"", "_R", "_MF", "_MC", "_MT", "_M4", "_M2", "_WM", "_WH", "_MH"};
    for (const auto* cut : data->cut_parts()) {
        if (!cut->is_sound_file) {
            const auto* cd = cut->audio_cd;
            ASSERT_TRUE(cd);
            if (cd->always_available) {
                char track[3];
                std::snprintf(track, sizeof track, "%02d", cut->track);
                bool found = false;
                for (const auto& entry : fs::directory_iterator(disc() + "Audio CDs/" + cd->text_6))
                    found = found || entry.path().filename().string().find(track) != std::string::npos;
                EXPECT_TRUE(found) << cut->key;
            }
            continue;
        }
        char path[96];
        std::snprintf(
            path, sizeof path, "tapes/%02d/%c%02d%s%s.%s", cut->number, cut->carrier_letter, cut->sub_number,
            cut->variant_letter == ' ' ? "" : std::string(1, cut->variant_letter).c_str(),
            suffixes[cut->compression], cut->compression == 7 || cut->compression == 8 ? "WMA" : "WAV");
        EXPECT_TRUE(fs::is_regular_file(disc() + path)) << cut->key << " -> " << path;
    }
    for (const auto& [name, locality] : data->localities_by_name()) {
        const std::string page = locality->text_7.substr(0, locality->text_7.find('#'));
        EXPECT_TRUE(fs::is_regular_file(disc() + "localities/" + page)) << name;
    }
}

TEST_F(DemoDisc, AudioCdIdentitiesMatchTheirImages) {
    const auto cds = entries("othermedia.txt");
    int images = 0;
    for (const auto& cd : cds) {
        ASSERT_GE(cd.size(), 7u);
        if (cd[4] == "TRUE") continue;
        // The identity as a drive reports it: track count, then each track's whole seconds.
        std::string cue_path, bin_path;
        for (const auto& entry : fs::directory_iterator(disc() + "Audio CD images"))
            if (entry.path().extension() == ".cue" &&
                read_file(entry.path()).find("TRACK") != std::string::npos) {
                const std::string cue = read_file(entry.path());
                std::vector<long> starts;
                for (std::size_t at = cue.find("INDEX 01 "); at != std::string::npos;
                     at = cue.find("INDEX 01 ", at + 1))
                    starts.push_back(std::stol(cue.substr(at + 9, 2)) * 4500 +
                                     std::stol(cue.substr(at + 12, 2)) * 75 +
                                     std::stol(cue.substr(at + 15, 2)));
                fs::path bin = entry.path();
                bin.replace_extension(".bin");
                starts.push_back(static_cast<long>(fs::file_size(bin) / 2352));
                std::string identity = std::to_string(starts.size() - 1);
                for (std::size_t i = 0; i + 1 < starts.size(); ++i)
                    identity += ";" + std::to_string((starts[i + 1] - starts[i]) / 75);
                if (identity == cd[5]) ++images;
            }
    }
    EXPECT_EQ(images, 2) << "both regular CDs have an image whose identity matches";
}

// What an installer writes for the disc's regular CDs is what the program reads back: the copy becomes
// its CD's hard-disk folder, a native path even below a folder whose name is not ASCII, and the
// window's CD sets play that CD from the hard disk and the CD without a copy from a drive.
TEST_F(DemoDisc, RegisteredCdCopiesGiveTheFoldersAndCdSetsOfAnInstall) {
    TempDir dir;
    const std::string ini = dir.file("Morvelin.ini");
    const std::string home = dir.file("zo\xC3\xAB"); // "zoë", as the file system spells it
    fs::create_directory_symlink(fs::path(disc()).parent_path(), home);
    ASSERT_EQ(morvelin::settings_write_string(ini, "GENERAL", "Windows", "2"), true);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(morvelin::disc::cmd_register_cd_copies({home, ini}), 0);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Wetland Birds of Asia"), std::string::npos) << out;

    const morvelin::Environment saved = morvelin::environment();
    morvelin::environment().settings_file_path = ini;
    std::string error;
    const auto data = morvelin::disc::load_disc(disc(), error);
    ASSERT_TRUE(data) << error;
    std::vector<morvelin::TClassVisibleSpeciesAndRecordings> windows;
    for (const char* section : {"WINDOW 1", "WINDOW 2"})
        windows.push_back(morvelin::TClassVisibleSpeciesAndRecordings::create_from_settings(*data, section));
    morvelin::environment() = saved;

    int copies = 0, from_drive = 0;
    for (const morvelin::TaudioCD* cd : data->audio_cds()) {
        SCOPED_TRACE(cd->text_2);
        for (const auto& window : windows) {
            EXPECT_TRUE(window.carriers.visible_cds.contains(cd->sequence));
            EXPECT_TRUE(window.carriers.playable_cds.contains(cd->sequence));
        }
        if (cd->always_available) continue;
        const bool on_hard_disk = windows[0].carriers.cds_on_hd.contains(cd->sequence);
        EXPECT_EQ(windows[1].carriers.cds_on_hd.contains(cd->sequence), on_hard_disk);
        EXPECT_EQ(on_hard_disk, !cd->hard_disk_folder.empty());
        if (cd->hard_disk_folder.empty()) {
            ++from_drive;
            continue;
        }
        ++copies;
        EXPECT_EQ(cd->hard_disk_folder.rfind(home + "/Audio CD copies/", 0), 0u) << cd->hard_disk_folder;
        const fs::path folder(cd->hard_disk_folder);
        EXPECT_EQ(folder.parent_path().filename().string(), cd->text_1);
        EXPECT_FALSE(fs::is_empty(folder)) << "the copy holds the CD's tracks";
        EXPECT_TRUE(morvelin::find_track_file(cd->hard_disk_folder, 1)) << cd->hard_disk_folder;
    }
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(from_drive, 1);
}

bool starts_with(const std::string& bytes, const std::string& prefix) {
    return bytes.rfind(prefix, 0) == 0;
}

TEST_F(DemoDisc, HoldsEveryStorageKindThatTheProgramReads) {
    std::map<std::string, int> kinds;
    for (const auto& entry : fs::recursive_directory_iterator(disc() + "big_pict")) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = read_file(entry.path());
        kinds[starts_with(bytes, "Scrambled")   ? "photo Scrambled"
              : starts_with(bytes, "Scramble2") ? "photo Scramble2"
              : starts_with(bytes, "\xFF\xD8")  ? "photo JPEG"
                                                : "photo unknown"]++;
    }
    int red_and_blue_masks = 0;
    for (const auto& entry : fs::recursive_directory_iterator(disc() + "distmaps")) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = read_file(entry.path());
        if (starts_with(bytes, "Tobran's compression format"))
            kinds["map container"]++;
        else if (starts_with(bytes, "BM") && bytes.size() > 34)
            kinds[bytes[30] == 1 ? "map RLE8" : bytes[30] == 0 ? "map plain" : "map unknown"]++;
        // Mask maps: only white, pure red and pure blue.
        const auto bitmap = morvelin::load_bitmap(entry.path().string(), false);
        ASSERT_FALSE(bitmap.dib.empty()) << entry.path();
        int width = 0, height = 0;
        const auto pixels =
            morvelin::packed_dib_to_rgb32(bitmap.dib.data(), bitmap.dib.size(), width, height);
        const std::set<std::uint32_t> colours(pixels.begin(), pixels.end());
        if (colours.count(0xFFFF0000) && colours.count(0xFF0000FF) && colours.size() == 3)
            ++red_and_blue_masks;
    }
    for (const auto& entry : fs::recursive_directory_iterator(disc() + "tapes")) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = read_file(entry.path());
        if (starts_with(bytes, "RIFF") && bytes.size() > 22) {
            const int tag = static_cast<unsigned char>(bytes[20]) | static_cast<unsigned char>(bytes[21])
                                                                        << 8;
            kinds[tag == 1    ? "wave PCM"
                  : tag == 85 ? "wave MPEG Layer III"
                  : tag == 2  ? "wave ADPCM"
                              : "wave other"]++;
        } else if (starts_with(bytes, "\x30\x26\xB2\x75")) {
            kinds["WMA"]++;
        } else {
            kinds["sound unknown"]++;
        }
    }
    for (const char* kind : {"photo Scrambled", "photo Scramble2", "photo JPEG", "map container", "map RLE8",
                             "map plain", "wave PCM", "wave MPEG Layer III", "wave ADPCM", "WMA"})
        EXPECT_GT(kinds[kind], 0) << kind;
    for (const char* kind : {"photo unknown", "map unknown", "wave other", "sound unknown"})
        EXPECT_EQ(kinds[kind], 0) << kind;
    EXPECT_GT(red_and_blue_masks, 0);
    EXPECT_FALSE(fs::is_empty(disc() + "Audio CD copies"));
    EXPECT_FALSE(fs::is_empty(disc() + "Audio CDs"));
}

// Every key the program reads, with the number of lines it reads.
TEST_F(DemoDisc, LanguageFileHasEveryKeyWithItsLines) {
    const auto texts =
        morvelin::Ttextfile_handler::from_bytes(read_file(disc() + "Morvelin.txt"), "Morvelin.txt");
    const std::pair<const char*, int> keys[] = {{"MESSAGES_CAPTION", 1},
                                                {"OUT_OF_MEMORY", 1},
                                                {"OTHER_INSTANCE", 2},
                                                {"BASEDIR", 1},
                                                {"FILE_OPEN_AND_SAVE_DIALOGS", 4},
                                                {"QM_GLOBS", 7},
                                                {"QUESTION_CREATE_DIRECTORY", 3},
                                                {"QM_DATA", 5},
                                                {"DEPARTMENT ETC", 10},
                                                {"AUDIO CD PLAYER", 10},
                                                {"TELL ABOUT COPYING TO HD", 1},
                                                {"AUDIO_CD_2", 3},
                                                {"SOUNDBARS", 20},
                                                {"PLAY_LISTS", 30},
                                                {"SOUND_DEMO", 1},
                                                {"PLAY_SOUND_OPTIONS_FRAME", 10},
                                                {"MAKE ALL MP3s", 10},
                                                {"PREPARE_FOR_AUDIO_CD", 25},
                                                {"PREPARE_FOR_AUDIO_CD_SELECT_DIR_DIALOG", 12},
                                                {"AUDIO CD PLAYER FRAME", 3},
                                                {"MY AUDIO CDS FRAME", 10},
                                                {"AUDIO CDS FRAME", 1},
                                                {"VOLUME CONTROL", 3},
                                                {"VOLUME CONTROL SETTINGS FRAME", 1},
                                                {"MENUS", 35},
                                                {"QM_CHILD", 3},
                                                {"QM_SHSTR", 30},
                                                {"FIND_DB", 2},
                                                {"SELECT AREA FRAME", 1},
                                                {"SETTINGS FRAME", 3},
                                                {"NAMES FRAME", 4},
                                                {"SYSTEMATIC ORDERS FRAME", 5},
                                                {"WITH OR WITHOUT SOUNDS PHOTOS FRAME", 5},
                                                {"SHOW DEPARTMENT AND OR COUNTRY FRAME", 3},
                                                {"BROWSER SETTINGS FRAME", 3},
                                                {"SOUND EDITOR PROGRAM FRAME", 1},
                                                {"COPY_TO_HARD_DISK", 25},
                                                {"COPY_TO_HARD_DISK_SELECT_DIR_DIALOG", 12},
                                                {"QM_PICTURES", 10},
                                                {"QM_MAPWN", 12},
                                                {"SITE DESCRIPTIONS", 2},
                                                {"PERSONAL", 3},
                                                {"THREATENEDBIRDS", 8},
                                                {"AUDIO_CD_3", 10},
                                                {"SELECT AREA", 3},
                                                {"QM_INTRO", 3},
                                                {"QM_ABOUT", 18},
                                                {"SHOW_SETTINGS_DB", 15},
                                                {"SOUNDBAR_LISTENING", 11},
                                                {"COMPARISON", 16},
                                                {"QM_LISTS", 2},
                                                {"QM_SHOW_LISTS", 3}};
    for (const auto& [key, lines] : keys) {
        EXPECT_GE(texts.line_count(key), lines) << key;
        EXPECT_FALSE(texts.get_line(key, 1).empty()) << key;
    }
    // The directions of coordinates and the threat statuses are where the program takes them from.
    EXPECT_EQ(texts.get_line("QM_MAPWN", 7), "N");
    EXPECT_EQ(texts.get_line("QM_MAPWN", 10), "W");
    EXPECT_EQ(texts.get_line("QM_SHSTR", 16), "Vulnerable");
    EXPECT_EQ(texts.get_line("QM_SHSTR", 19), "Extinct");
}

TEST(DemoBuild, RefusesToReplaceAFolderItDidNotMake) {
    TempDir dir;
    dir.write("keep.txt", "user data");
    morvelin::demo::BuildOptions options;
    options.output = dir.path();
    options.source = demo_sources;
    options.resources = resources;
    std::string error;
    EXPECT_FALSE(morvelin::demo::build_demo_disc(options, error));
    EXPECT_NE(error.find("left alone"), std::string::npos) << error;
    EXPECT_EQ(dir.read("keep.txt"), "user data");
    EXPECT_FALSE(fs::exists(dir.path().substr(0, dir.path().size() - 1) + ".partial"));
}

// Wrong arguments are usage errors, like those of every other command: exit code 2, nothing built.
TEST(DemoBuild, WrongArgumentsAreUsageErrors) {
    TempDir dir;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(morvelin::demo::demo_command({}), 2);
    EXPECT_EQ(morvelin::demo::demo_command({dir.file("out"), "--frobnicate"}), 2);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("usage: morvelin-disc demo OUT"), std::string::npos) << err;
    EXPECT_NE(err.find("unexpected argument \"--frobnicate\""), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir.file("out")));
}

// A copy of the sources with one edit; problems must name the file and the line of the edit.
struct SourceEdit {
    const char* name;
    const char* file;
    const char* from;
    const char* to;
    const char* message;
};

// Test listings show the edit's name instead of the struct's bytes.
void PrintTo(const SourceEdit& edit, std::ostream* out) {
    *out << edit.name;
}

class DemoSourceProblems : public ::testing::TestWithParam<SourceEdit> {};

TEST_P(DemoSourceProblems, NameTheFileAndLine) {
    const SourceEdit edit = GetParam();
    TempDir dir;
    const std::string copy = dir.file("demo");
    fs::copy(demo_sources, copy, fs::copy_options::recursive);
    std::string text = read_file(copy + "/" + edit.file);
    const auto at = text.find(edit.from);
    ASSERT_NE(at, std::string::npos) << edit.from;
    const int line =
        1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
    text.replace(at, std::strlen(edit.from), edit.to);
    write_file(copy + "/" + edit.file, text);

    std::vector<std::string> problems;
    EXPECT_FALSE(morvelin::demo::load_content(copy, problems));
    const std::string place = std::string(edit.file) + ":" + std::to_string(line) + ": ";
    const bool named = std::any_of(problems.begin(), problems.end(), [&](const std::string& problem) {
        return problem.rfind(place, 0) == 0 && problem.find(edit.message) != std::string::npos;
    });
    EXPECT_TRUE(named) << "expected \"" << place << "..." << edit.message
                       << "\", got: " << (problems.empty() ? std::string("nothing") : problems.front());
}

INSTANTIATE_TEST_SUITE_P(
    Edits, DemoSourceProblems,
    ::testing::Values(SourceEdit{"UnknownAreaCode", "species.rec", "areas: IN-SR-NE\n", "areas: IN-XX\n",
                                 "area code \"XX\" unknown"},
                      SourceEdit{"AreaCodeTwice", "species.rec", "areas: TA\n", "areas: TA-TA\n",
                                 "area code \"TA\" unknown or given twice"},
                      SourceEdit{"LookWithTwoColours", "species.rec", "look: firebrick/black/gold",
                                 "look: firebrick/black", "three colours"},
                      SourceEdit{"TextWithoutWindows1252Form", "species.rec", "text: The wild ancestor",
                                 "text: The \xE2\x98\x83 wild ancestor", "Windows-1252 cannot store"},
                      SourceEdit{"UnknownMap", "species.rec", "map: MASK_INDIA mask main",
                                 "map: MASK_MARS mask main", "is not in maps.rec"},
                      SourceEdit{"LocalityOutsideTheFrame", "localities.rec", "lon: 77.52", "lon: 140.52",
                                 "outside the region's map frame"},
                      SourceEdit{"MissingSitePage", "localities.rec", "site: keoladeo.html",
                                 "site: nowhere.html", "not in sites/"},
                      SourceEdit{"UnknownLocality", "recordings.rec", "loc: DARJEELING", "loc: NOWHERE",
                                 "locality \"NOWHERE\" is not in"},
                      SourceEdit{"SliceBeyondItsTrack", "recordings.rec", "cd: 2; track=6; offset=4.5",
                                 "cd: 2; track=6; offset=7.5", "does not fit its track"},
                      SourceEdit{"UnknownPose", "photos.rec", "pose: flight", "pose: upside-down",
                                 "pose \"upside-down\" unknown"}),
    [](const ::testing::TestParamInfo<SourceEdit>& info) { return std::string(info.param.name); });

} // namespace
