#include "core/foundation/services.h"
#include "core/foundation/utilities.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <random>

#include <sys/stat.h>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

std::string random_bytes(std::size_t size) {
    std::mt19937 random(7);
    std::string s(size, '\0');
    for (auto& c : s)
        c = static_cast<char>(random());
    return s;
}

TEST(Utilities, TrailingSeparator) {
    EXPECT_EQ(ensure_trailing_separator(""), "");
    EXPECT_EQ(ensure_trailing_separator("/a"), "/a/");
    EXPECT_EQ(ensure_trailing_separator("/a/"), "/a/");
}

TEST(Utilities, CreateDirectoryReportsAFileInTheWayAndFailures) {
    TempDir dir;
    ScriptedMessages messages;
    EXPECT_TRUE(create_directory(dir.file("a/b/c")));
    EXPECT_TRUE(fs::is_directory(dir.file("a/b/c")));
    EXPECT_TRUE(create_directory(dir.file("a")));
    EXPECT_TRUE(messages.shown().empty());

    dir.write("file", "x");
    EXPECT_FALSE(create_directory(dir.file("file")));
    EXPECT_FALSE(create_directory(dir.file("file/sub")));
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0].text,
              "Procedure \"GLB_create_directory()\" wanted to create subdirectory \"" + dir.file("file") +
                  "\", but a file with the same name already exists.");
    EXPECT_EQ(messages.shown()[1].text,
              "Something went wrong in procedure \"GLB_create_directory()\" when creating subdirectory \"" +
                  dir.file("file/sub") + "\".");
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    EXPECT_EQ(messages.shown()[1].flags, mb::icon_error);
}

TEST(Utilities, DeleteTreeAsksAndNeverFollowsLinks) {
    TempDir dir;
    dir.write("tree/sub/file", "x");
    dir.write("outside/keep", "important");
    fs::create_directory_symlink(dir.file("outside"), dir.file("tree/link"));
    ScriptedMessages messages;
    messages.answer(id::no);
    EXPECT_FALSE(delete_directory_tree_with_confirmation(dir.file("tree")));
    EXPECT_TRUE(fs::exists(dir.file("tree/sub/file")));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Is it OK to delete the subdirectory \"" + dir.file("tree") + "\"?");
    EXPECT_EQ(messages.shown()[0].flags, mb::question_yes_no);

    messages.answer(id::yes);
    EXPECT_TRUE(delete_directory_tree_with_confirmation(dir.file("tree")));
    EXPECT_FALSE(fs::exists(dir.file("tree")));
    EXPECT_EQ(dir.read("outside/keep"), "important");
}

TEST(Utilities, CopyFileCopiesWholeWithTheModificationTime) {
    TempDir dir;
    const std::string data = random_bytes(200001); // several blocks and a partial one
    dir.write("source.wav", data);
    const fs::file_time_type stamp = fs::last_write_time(dir.file("source.wav")) - std::chrono::hours(50);
    fs::last_write_time(dir.file("source.wav"), stamp);
    dir.write("target.wav", "an older, different copy");

    ASSERT_TRUE(copy_file(dir.file("source.wav"), dir.file("target.wav")));
    EXPECT_EQ(dir.read("target.wav"), data);
    EXPECT_EQ(fs::last_write_time(dir.file("target.wav")), stamp);
    EXPECT_TRUE(same_file(dir.file("source.wav"), dir.file("target.wav")));

    EXPECT_FALSE(copy_file(dir.file("missing.wav"), dir.file("new.wav")));
    EXPECT_FALSE(copy_file(dir.file("source.wav"), dir.file("no/folder/new.wav")));
    EXPECT_FALSE(fs::exists(dir.file("new.wav")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "no temporary file is left behind";
}

TEST(Utilities, SameFileNeedsEqualTimeAndSize) {
    TempDir dir;
    dir.write("a", "12345");
    dir.write("b", "54321");
    dir.write("c", "123456");
    auto t = fs::last_write_time(dir.file("a"));
    fs::last_write_time(dir.file("b"), t);
    fs::last_write_time(dir.file("c"), t);
    EXPECT_TRUE(same_file(dir.file("a"), dir.file("b")));  // the contents are not compared
    EXPECT_FALSE(same_file(dir.file("a"), dir.file("c"))); // size
    fs::last_write_time(dir.file("b"), t + std::chrono::seconds(2));
    EXPECT_FALSE(same_file(dir.file("a"), dir.file("b"))); // time
    EXPECT_FALSE(same_file(dir.file("a"), dir.file("missing")));
    EXPECT_FALSE(same_file(dir.path(), dir.path()));
}

TEST(Utilities, ListFolderOptions) {
    TempDir dir;
    dir.write("b.txt", "");
    dir.write("Voices/x", "");
    dir.write("a.jpg", "");
    struct Case {
        ListFolderOptions options;
        Strings expected;
    };
    const std::string p = dir.path();
    const Case cases[] = {
        {{}, {"Voices", "a.jpg", "b.txt"}},
        {{true, false, false}, {"Voices"}},
        {{false, true, false}, {p + "Voices", p + "a.jpg", p + "b.txt"}},
        {{false, true, true}, {p + "VOICES", p + "A.JPG", p + "B.TXT"}}, // sorted by the names as stored
    };
    for (const auto& c : cases)
        EXPECT_EQ(list_folder(dir.path(), c.options), c.expected);
    EXPECT_TRUE(list_folder(dir.file("missing")).empty());
}

TEST(Utilities, CountingAndSizes) {
    TempDir dir;
    dir.write("a", std::string(10, 'x'));
    dir.write("s/b", std::string(20, 'x'));
    dir.write("s/t/c", std::string(30, 'x'));
    EXPECT_EQ(count_files_in_tree(dir.path()), 3);
    EXPECT_EQ(size_of_tree(dir.path()), 60);
    EXPECT_EQ(size_of_listed_files({dir.file("a"), dir.file("s/t/c"), dir.file("missing")}), 40);
    std::atomic<bool> abort{true};
    EXPECT_EQ(size_of_tree(dir.path(), &abort), 0);
    EXPECT_EQ(count_files_in_tree(dir.file("missing")), 0);
}

TEST(Utilities, CopyTreeCallsBackAndStopsOnAbort) {
    TempDir dir;
    dir.write("src/1.wav", "one");
    dir.write("src/sub/2.wav", "two");
    dir.write("src/sub/3.wav", "three");
    Strings seen;
    std::atomic<bool> abort{false};
    ASSERT_TRUE(copy_tree(
        dir.file("src"), dir.file("dst"), [&](const std::string& f) { seen.push_back(f); }, &abort));
    EXPECT_EQ(seen, (Strings{dir.file("src/1.wav"), dir.file("src/sub/2.wav"), dir.file("src/sub/3.wav")}));
    EXPECT_EQ(dir.read("dst/sub/3.wav"), "three");

    int calls = 0;
    EXPECT_TRUE(copy_tree(
        dir.file("src"), dir.file("dst2"),
        [&](const std::string&) {
            if (++calls == 2) abort = true;
        },
        &abort));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(fs::exists(dir.file("dst2/sub/2.wav")));
    EXPECT_FALSE(fs::exists(dir.file("dst2/sub/3.wav")));

    dir.write("blocker", "a file where the target folder should be");
    abort = false;
    EXPECT_FALSE(copy_tree(dir.file("src"), dir.file("blocker"), nullptr, &abort));
}

TEST(Utilities, SplitExistingPath) {
    TempDir dir;
    fs::create_directories(dir.file("a/b"));
    dir.write("a/file", "");
    const std::string p = dir.path();
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {p + "a/b/c/d", p + "a/b/", "c/d"},
        {p + "a/b/", p + "a/b/", ""},
        {p + "a/b", p + "a/", "b"},
        {p + "a/file/x", p + "a/", "file/x"},
        {"relative-missing/x", "", "relative-missing/x"},
    };
    for (const auto& [path, existing, rest] : cases) {
        auto [e, r] = split_existing_path(path);
        EXPECT_EQ(e, existing) << path;
        EXPECT_EQ(r, rest) << path;
        EXPECT_EQ(e + r, path);
    }
}

TEST(Utilities, WriteFileAtomically) {
    TempDir dir;
    ASSERT_TRUE(write_file_atomically(dir.file("new"), "first"));
    EXPECT_EQ(dir.read("new"), "first");
    ::chmod(dir.file("new").c_str(), 0600);
    ASSERT_TRUE(write_file_atomically(dir.file("new"), "second"));
    EXPECT_EQ(dir.read("new"), "second");
    EXPECT_EQ(fs::status(dir.file("new")).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(dir.file("folder"));
    EXPECT_FALSE(write_file_atomically(dir.file("folder"), "x"));
    EXPECT_FALSE(write_file_atomically(dir.file("missing/x"), "x"));
    EXPECT_FALSE(read_whole_file(dir.file("folder")));
    EXPECT_FALSE(read_whole_file(dir.file("missing")));
    EXPECT_EQ(read_whole_file(dir.file("new")), "second");
}

// Writes follow links to the file they replace; links that loop, or a chain longer than the system
// follows, fail with ELOOP instead of recursing without end.
TEST(Utilities, WritesThroughLinksStopAtLoops) {
    TempDir dir;
    dir.write("source", "copied");
    fs::create_symlink("self", dir.file("self"));
    fs::create_symlink("pong", dir.file("ping"));
    fs::create_symlink("ping", dir.file("pong"));
    fs::create_symlink("target", dir.file("chain0"));
    for (int i = 1; i <= 40; ++i)
        fs::create_symlink("chain" + std::to_string(i - 1), dir.file("chain" + std::to_string(i)));
    for (const char* looping : {"self", "ping", "chain40"}) { // chain40: 41 links
        errno = 0;
        EXPECT_FALSE(write_file_atomically(dir.file(looping), "x")) << looping;
        EXPECT_EQ(errno, ELOOP) << looping;
        EXPECT_FALSE(copy_file(dir.file("source"), dir.file(looping))) << looping;
    }
    ASSERT_TRUE(write_file_atomically(dir.file("chain39"), "through forty links"));
    EXPECT_EQ(dir.read("target"), "through forty links");
    EXPECT_TRUE(fs::is_symlink(dir.file("chain39")));
    ASSERT_TRUE(copy_file(dir.file("source"), dir.file("chain3")));
    EXPECT_EQ(dir.read("target"), "copied");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 46) << "temp files left";
}

TEST(Utilities, CommaFields) {
    std::string line = "a,b,,c";
    EXPECT_EQ(take_comma_field(line), "a");
    EXPECT_EQ(line, "b,,c");
    EXPECT_EQ(take_comma_field(line), "b");
    EXPECT_EQ(take_comma_field(line), "");
    EXPECT_EQ(take_comma_field(line), "c");
    EXPECT_EQ(line, "");
    EXPECT_EQ(split_at_first_comma("x,y,z"), (std::pair<std::string, std::string>{"x", "y,z"}));
    EXPECT_EQ(split_at_first_comma("xyz"), (std::pair<std::string, std::string>{"xyz", ""}));

    struct Case {
        const char* text;
        std::array<int, 4> values;
        bool error;
    };
    const Case cases[] = {{"10,20,-30,40", {10, 20, -30, 40}, false},
                          {" 1 , 2 ,3,4,99", {1, 2, 3, 4}, false},
                          {"5,x,7", {5, 1, 7, 1}, true},
                          {"", {1, 1, 1, 1}, true}};
    for (const auto& c : cases) {
        bool error = false;
        EXPECT_EQ(parse_four_integers(c.text, error), c.values) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    EXPECT_EQ(render_four_integers({10, 20, -30, 40}), "10,20,-30,40");
}

TEST(Utilities, IntegerParsing) {
    struct Case {
        const char* text;
        int value;
        bool error;
    };
    const Case cases[] = {{"42", 42, false}, {"  -17 ", -17, false}, {"+8", 8, false},
                          {"", 5, true},     {"4x", 5, true},        {"3.5", 5, true},
                          {"+-1", 5, true},  {"-", 5, true},         {"99999999999", 5, true}};
    for (const auto& c : cases) {
        bool error = false;
        EXPECT_EQ(parse_integer(c.text, 5, error), c.value) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    bool error = true; // success leaves an earlier failure visible
    EXPECT_EQ(parse_integer("1", 0, error), 1);
    EXPECT_TRUE(error);
}

TEST(Utilities, DecimalParsingUsesAPointAndSignsTheWholeNumber) {
    struct Case {
        const char* text;
        double value;
        bool error;
    };
    const Case cases[] = {{"3.25", 3.25, false}, {"-3.25", -3.25, false}, {"-0.5", -0.5, false},
                          {" 12 ", 12, false},   {"+.5", 0.5, false},     {"7.", 7, false},
                          {"3,5", 9, true},      {".", 9, true},          {"1e3", 9, true},
                          {"", 9, true},         {"1.2.3", 9, true},      {"--1", 9, true}};
    for (const auto& c : cases) {
        bool error = false;
        EXPECT_DOUBLE_EQ(parse_decimal(c.text, 9, error), c.value) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(Utilities, SmallPredicates) {
    EXPECT_EQ(clamp(15, 1, 10), 10);
    EXPECT_EQ(clamp(-3, 1, 10), 1);
    EXPECT_EQ(minimum(3, -2), -2);
    EXPECT_EQ(maximum(3, -2), 3);
    EXPECT_TRUE(is_upper_case_letter('q'));
    EXPECT_TRUE(is_upper_case_letter('Q'));
    EXPECT_FALSE(is_upper_case_letter('1'));
    EXPECT_FALSE(is_upper_case_letter('\xE9'));
    EXPECT_TRUE(is_digit('0') && is_digit('9') && !is_digit('a'));
    EXPECT_TRUE(equals_true("TRUE") && equals_true("true"));
    EXPECT_FALSE(equals_true("T") || equals_true(" TRUE") || equals_true("yes"));
}

TEST(Utilities, EllipsisSharesTheFullStopsACaptionEndsWith) {
    const std::pair<const char*, const char*> cases[] = {
        {"&Find", "&Find..."},
        {"Site descriptions etc.", "Site descriptions etc..."},
        {"Wait..", "Wait..."},
        {"More...", "More..."},
        {"Dots....", "Dots...."},
        {"", "..."},
    };
    for (const auto& [text, caption] : cases)
        EXPECT_EQ(with_ellipsis(text), caption) << text;
}

} // namespace
