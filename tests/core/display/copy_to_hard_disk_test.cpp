#include "core/display/copy_to_hard_disk.h"

#include "core/foundation/new_file_copy.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

namespace fs = std::filesystem;

namespace morvelin {
namespace {

using testing::TempDir;

// Every file below folder (relative path -> contents) and every folder (relative path -> "/").
std::map<std::string, std::string> tree_of(const std::string& folder) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(folder)) return tree;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string relative = fs::relative(e.path(), folder).string();
        tree[relative] = e.is_directory() ? "/" : testing::read_file(e.path().string());
    }
    return tree;
}

void make_file(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    testing::write_file(path, bytes);
}

class MediaCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A disc made on a system that ignores case: the folders as they happen to be spelled, one of
        // them twice, a folder that is not copied, and a file named like a media folder.
        make_file(disc_.file("BIG_PICT/a.jpg"), "photo a");
        make_file(disc_.file("BIG_PICT/sub/b.jpg"), "photo b");
        fs::create_directories(disc_.file("distmaps/empty"));
        make_file(disc_.file("tapes/t1.wav"), std::string(3000, 't'));
        make_file(disc_.file("tapes/t2.wav"), "t2");
        make_file(disc_.file("VOICES/v.wav"), "voice");
        make_file(disc_.file("voices/w.wav"), "voice w");
        make_file(disc_.file("Audio CD copies/x.wav"), "not copied");
        make_file(disc_.file("smalpict"), "a file, not a folder");
        make_file(disc_.file("taxa.txt"), "data, not media");
    }

    std::map<std::string, std::string> expected_copy() {
        std::map<std::string, std::string> tree;
        for (const auto& folder : {"BIG_PICT", "distmaps", "tapes", "VOICES", "voices"})
            for (auto& [path, bytes] : tree_of(disc_.file(folder)))
                tree[std::string(folder) + "/" + path] = bytes;
        for (const auto& folder : {"BIG_PICT", "distmaps", "tapes", "VOICES", "voices"})
            tree[folder] = "/";
        return tree;
    }

    TempDir disc_;
    TempDir hd_;
};

TEST_F(MediaCopyTest, FoldersFoundIgnoringCaseInCopyOrder) {
    EXPECT_EQ(media_folders_in(disc_.path()),
              (std::vector<std::string>{"BIG_PICT", "distmaps", "tapes", "VOICES", "voices"}));
    EXPECT_EQ(media_size(disc_.path()), 7 + 7 + 3000 + 2 + 5 + 7);
    std::atomic<bool> abort{true};
    EXPECT_EQ(media_size(disc_.path(), &abort), 0);
}

TEST_F(MediaCopyTest, CopiesTheMediaFoldersIntoANewFolderAndNothingElse) {
    const std::string target = hd_.file("Copies/Edition 1/");
    JobControl control;
    std::int64_t counted = -1;
    std::vector<std::string> files;
    MediaCopyProgress progress;
    progress.counted = [&](std::int64_t n) { counted = n; };
    progress.copying = [&](const std::string& file) { files.push_back(fs::relative(file, disc_.path()).string()); };

    ASSERT_EQ(MediaCopy(disc_.path(), target).run(control, progress), MediaCopyResult::completed);
    EXPECT_EQ(tree_of(target), expected_copy());
    EXPECT_EQ(counted, 6);
    EXPECT_EQ(files, (std::vector<std::string>{"BIG_PICT/a.jpg", "BIG_PICT/sub/b.jpg", "tapes/t1.wav",
                                               "tapes/t2.wav", "VOICES/v.wav", "voices/w.wav"}));
    EXPECT_EQ(fs::last_write_time(target + "tapes/t1.wav"), fs::last_write_time(disc_.file("tapes/t1.wav")));
}

TEST_F(MediaCopyTest, RefreshReplacesTheMediaFoldersAndKeepsTheRest) {
    make_file(hd_.file("tapes/old.wav"), "gone after the refresh");
    make_file(hd_.file("Voices/old.wav"), "replaced by VOICES and voices");
    make_file(hd_.file("localities/map.bmp"), "not on the disc: stays");
    make_file(hd_.file("Morvelin.ini"), "stays");
    JobControl control;
    ASSERT_EQ(MediaCopy(disc_.path(), hd_.path()).run(control), MediaCopyResult::completed);

    auto expected = expected_copy();
    expected["localities"] = "/";
    expected["localities/map.bmp"] = "not on the disc: stays";
    expected["Morvelin.ini"] = "stays";
    EXPECT_EQ(tree_of(hd_.path()), expected);
}

// What the hard disk holds before a copy that does not complete; it must hold exactly that afterwards.
struct UnfinishedCopy {
    const char* name;
    bool target_exists;
    bool abort; // else a source file vanishes, which fails the copy
    MediaCopyResult result;
};

TEST_F(MediaCopyTest, AFailedOrAbortedCopyLeavesTheTargetAsItWas) {
    const UnfinishedCopy cases[] = {
        {"abort into a new folder", false, true, MediaCopyResult::aborted},
        {"abort a refresh", true, true, MediaCopyResult::aborted},
        {"failure into a new folder", false, false, MediaCopyResult::failed},
        {"failure of a refresh", true, false, MediaCopyResult::failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir disc;
        fs::copy(disc_.path(), disc.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        TempDir hd;
        const std::string target = c.target_exists ? hd.path() : hd.file("new/copy/");
        if (c.target_exists) {
            make_file(hd.file("tapes/old.wav"), "old");
            make_file(hd.file("BIG_PICT/a.jpg"), "old photo");
        }
        const auto before = tree_of(hd.path());
        JobControl control;
        MediaCopyProgress progress;
        progress.copying = [&](const std::string& file) {
            if (file.find("t1.wav") == std::string::npos) return;
            if (c.abort) control.abort();
            else fs::remove(disc.file("tapes/t2.wav"));
        };
        MediaCopy copy(disc.path(), target);
        EXPECT_EQ(copy.run(control, progress), c.result);
        EXPECT_EQ(tree_of(hd.path()), before);
        if (!c.abort) {
            EXPECT_NE(copy.failure().find("t2.wav"), std::string::npos) << copy.failure();
        }
    }
}

TEST_F(MediaCopyTest, TheLeftoversOfAKilledCopyAreRemoved) {
    make_file(hd_.file(std::string(staging_folder_name) + "/tapes/half.wav"), "half");
    make_file(hd_.file(std::string(replaced_folder_name) + "/tapes/old.wav"), "old");
    JobControl control;
    ASSERT_EQ(MediaCopy(disc_.path(), hd_.path()).run(control), MediaCopyResult::completed);
    EXPECT_EQ(tree_of(hd_.path()), expected_copy());
}

TEST_F(MediaCopyTest, NoCopyIntoItsOwnSource) {
    for (const std::string& target : {disc_.path(), disc_.file("tapes/copy/"), disc_.file("VOICES")}) {
        const auto before = tree_of(disc_.path());
        JobControl control;
        MediaCopy copy(disc_.path(), target);
        EXPECT_EQ(copy.run(control), MediaCopyResult::failed) << target;
        EXPECT_EQ(tree_of(disc_.path()), before) << target;
    }
}

TEST_F(MediaCopyTest, NoFileIsCopiedWhilePaused) {
    JobControl control;
    MediaCopyProgress progress;
    int started = 0;
    progress.copying = [&](const std::string&) {
        if (++started == 2) control.pause(); // the copy holds before the next block
    };
    MediaCopyResult result = MediaCopyResult::failed;
    std::thread worker([&] { result = MediaCopy(disc_.path(), hd_.path()).run(control, progress); });
    while (!control.holding())
        std::this_thread::yield();
    EXPECT_EQ(started, 2);
    const std::string held = hd_.file(std::string(staging_folder_name) + "/BIG_PICT/sub/b.jpg");
    EXPECT_TRUE(!fs::exists(held) || fs::file_size(held) == 0);
    EXPECT_FALSE(fs::exists(hd_.file(std::string(staging_folder_name) + "/tapes")));
    control.resume();
    worker.join();
    EXPECT_EQ(result, MediaCopyResult::completed);
    EXPECT_EQ(tree_of(hd_.path()), expected_copy());
}

TEST(NewFileCopy, ALargeFileStopsBetweenBlocksAndLeavesNoTarget) {
    TempDir dir;
    std::string big(9u << 20, 'x');
    big[5u << 20] = 'y';
    testing::write_file(dir.file("big"), big);
    int blocks = 0;
    EXPECT_EQ(copy_new_file(dir.file("big"), dir.file("stopped"), [&] { return ++blocks < 2; }), NewFileCopy::stopped);
    EXPECT_FALSE(fs::exists(dir.file("stopped")));
    EXPECT_EQ(copy_new_file(dir.file("big"), dir.file("copy")), NewFileCopy::copied);
    EXPECT_EQ(testing::read_file(dir.file("copy")), big);
    // The target must be new, and a missing source fails without leaving anything.
    EXPECT_EQ(copy_new_file(dir.file("big"), dir.file("copy")), NewFileCopy::failed);
    EXPECT_EQ(testing::read_file(dir.file("copy")), big);
    EXPECT_EQ(copy_new_file(dir.file("missing"), dir.file("other")), NewFileCopy::failed);
    EXPECT_FALSE(fs::exists(dir.file("other")));
}

TEST(ShortenedFileLine, CutsFromTheFrontUntilItFitsOrNothingIsLeft) {
    const struct {
        const char* path;
        std::size_t width; // the longest text that fits
        const char* shown;
    } cases[] = {
        {"/media/cd/tapes/t1.wav", 100, "Copying: /media/cd/tapes/t1.wav"},
        {"/media/cd/tapes/t1.wav", 22, "Copying: ....es/t1.wav"},
        {"C:\\Data\\tapes\\t1.wav", 24, "Copying: C:\\....s\\t1.wav"},
        // Nothing fits: the shortening stops with all of the path cut.
        {"/media/cd/tapes/t1.wav", 0, "Copying: ...."},
        {"C:\\Data\\tapes\\t1.wav", 0, "Copying: C:\\...."},
        // Too short to cut at all.
        {"ab", 0, "Copying: ab"},
        {"", 0, "Copying: "},
    };
    for (const auto& c : cases) {
        int asked = 0;
        const std::string shown = shortened_file_line("Copying: ", c.path, [&](const std::string& text) {
            ++asked;
            return text.size() <= c.width;
        });
        EXPECT_EQ(shown, c.shown) << c.path << " in " << c.width;
        EXPECT_LE(asked, static_cast<int>(std::string(c.path).size()) + 1);
    }
}

} // namespace
} // namespace morvelin
