#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

Lines lines_of(const Ttextfile_handler& t, const std::string& key, int last_index) {
    Lines out{"stale"};
    t.get_lines(key, last_index, out);
    return out;
}

TEST(TextfileHandlerFormat, SectionsCommentsAndEscapes) {
    const std::string file = "Free header line\r\n"
                             "[NOT_A_SECTION]\r\n"
                             "$ [FIRST]\r\n"
                             "word # a comment\r\n"
                             "100%$@ birds\r\n"
                             "*skipped line\r\n"
                             " *kept line\r\n"
                             "\f form feed line\r\n"
                             "\r\n"
                             "no trimming  \r\n"
                             "$ [ a ] text after the key\r\n"
                             "spaced key\r\n"
                             "$]wrong[ order\r\n"
                             "belongs to no section\r\n"
                             "$ [Lower]\r\n"
                             "$ [EMPTY]\r\n"
                             "$ [LF]\n"
                             "one\n"
                             "two\r"
                             "three";
    auto t = Ttextfile_handler::from_bytes(file, "test.txt");
    EXPECT_EQ(lines_of(t, "FIRST", 5),
              (Lines{"word ", "100# birds", " *kept line", "", "no trimming  ", ""}));
    EXPECT_EQ(lines_of(t, " A ", 0), (Lines{"spaced key"}));
    EXPECT_FALSE(t.has_key("A"));
    EXPECT_FALSE(t.has_key("NOT_A_SECTION"));
    EXPECT_TRUE(t.has_key("lower"));
    EXPECT_EQ(t.line_count("LOWER"), 0);
    EXPECT_EQ(t.line_count("EMPTY"), 0);
    EXPECT_EQ(lines_of(t, "lf", 2), (Lines{"one", "two", "three"}));
}

TEST(TextfileHandlerFormat, AnInvalidDollarLineEndsTheSection) {
    auto t = Ttextfile_handler::from_bytes("$[ONE]\nkept\n$ no brackets\nlost\n$[TWO]\nsecond\n", "x");
    EXPECT_EQ(lines_of(t, "ONE", 2), (Lines{"kept", "", ""}));
    EXPECT_EQ(lines_of(t, "TWO", 0), (Lines{"second"}));
}

TEST(TextfileHandlerLookup, LinesBeyondTheSectionAreEmpty) {
    auto t = Ttextfile_handler::from_bytes("$[OTHER_INSTANCE]\nfirst\nsecond\n", "x");
    EXPECT_EQ(lines_of(t, "OTHER_INSTANCE", 3), (Lines{"first", "second", "", ""}));
    EXPECT_EQ(lines_of(t, "other_instance", 0), (Lines{"first"}));
    EXPECT_EQ(lines_of(t, "MISSING", 1), (Lines{"", ""}));
    EXPECT_EQ(lines_of(t, "OTHER_INSTANCE", -1), Lines{});

    struct Case {
        int number;
        const char* expected;
    };
    for (const Case c : {Case{0, ""}, Case{1, "first"}, Case{2, "second"}, Case{3, ""}, Case{-1, ""}})
        EXPECT_EQ(t.get_line("OTHER_INSTANCE", c.number), c.expected) << c.number;
    EXPECT_EQ(t.get_line("MISSING", 1), "");
}

TEST(TextfileHandlerLookup, PaddedLinesArePaddedAndCut) {
    auto t = Ttextfile_handler::from_bytes("$[K]\nab\nabcdefgh\n", "x");
    Lines out;
    t.get_lines_padded("K", out, 4, 6, 2);
    EXPECT_EQ(out, (Lines{"ab  ", "abcdef", ""}));
    t.get_lines_padded("K", out, 0, 0, 1);
    EXPECT_EQ(out, (Lines{"ab", "abcdefgh"}));
}

TEST(TextfileHandlerLookup, JoinedTextTakesAtMostAHundredLines) {
    std::string file = "$[LONG]\n";
    std::string expected;
    for (int i = 0; i < 120; ++i) {
        file += std::to_string(i % 10) + "\n";
        if (i < 100) expected += std::to_string(i % 10);
    }
    auto t = Ttextfile_handler::from_bytes(file, "x");
    EXPECT_EQ(t.get_joined_text("LONG"), expected);
    EXPECT_EQ(t.get_joined_text("NONE"), "");
}

TEST(TextfileHandlerDeathTest, DuplicateKeysAreFatal) {
    EXPECT_EXIT(
        {
            install_message_port(nullptr);
            Ttextfile_handler::from_bytes("$[Texts]\na\n$ [TEXTS]\nb\n", "dup.txt");
        },
        ::testing::ExitedWithCode(1), "dup\\.txt.*TEXTS.*more than once");
}

class TextfileHandlerFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_env_ = environment();
        saved_cwd_ = fs::current_path();
        fs::current_path(dir_.path());
        environment().startup_folder = dir_.path();
        environment().program_folder = dir_.path();
        environment().settings_file_path = dir_.file("Morvelin.ini");
        environment().settings_on_cdrom = false;
        saved_caption_ = message_caption();
    }
    void TearDown() override {
        fs::current_path(saved_cwd_);
        environment() = saved_env_;
        set_message_caption(saved_caption_);
        install_language_texts(Ttextfile_handler());
    }

    TempDir dir_;
    Environment saved_env_;
    fs::path saved_cwd_;
    std::string saved_caption_;
};

TEST_F(TextfileHandlerFileTest, MissingFileIsReportedOrFatal) {
    ScriptedMessages messages;
    Ttextfile_handler t("nothing.txt", false);
    EXPECT_FALSE(t.found());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "The text file \"nothing.txt\" was not found!");
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    EXPECT_EQ(lines_of(t, "ANY", 0), (Lines{""}));
    // A native file name is shown with its letters, as a Windows-1252 text.
    Ttextfile_handler named("zo\xC3\xAB.txt", false);
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[1].text, "The text file \"zo\xEB.txt\" was not found!");

    EXPECT_EXIT(
        {
            install_message_port(nullptr);
            Ttextfile_handler fatal("nothing.txt", true);
        },
        ::testing::ExitedWithCode(1), "The text file \"nothing.txt\" was not found!");
}

TEST_F(TextfileHandlerFileTest, LanguageTextsComeFromTheConfiguredFile) {
    dir_.write("Morvelin.txt", "$[MESSAGES_CAPTION]\nDefault file\n");
    dir_.write("Espanol.TXT",
               "$[MESSAGES_CAPTION]\nSonidos\n$[OUT_OF_MEMORY]\nSin memoria\n$[K]\nuno\ndos\n");

    load_language_texts();
    EXPECT_EQ(message_caption(), "Default file");
    EXPECT_EQ(environment().out_of_memory_text, "Out of Memory"); // the key is missing: the default stays

    // The name is found whatever its case, as on the disc's original file system.
    ASSERT_TRUE(settings_write_string("", "GENERAL", "Text File", "espanol.txt"));
    load_language_texts();
    EXPECT_EQ(message_caption(), "Sonidos");
    EXPECT_EQ(environment().out_of_memory_text, "Sin memoria");
    EXPECT_EQ(texts("K", 2), (Lines{"uno", "dos", ""}));
    EXPECT_EQ(language_texts().path(), dir_.file("Espanol.TXT"));
}

// The demo disc's file must load and hold the keys the start-up reads, with their lines filled.
TEST_F(TextfileHandlerFileTest, DemoLanguageFileHasTheStartUpTexts) {
    Ttextfile_handler t(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt", true);
    ASSERT_TRUE(t.found());
    const std::pair<const char*, int> keys[] = {{"MESSAGES_CAPTION", 1},
                                                {"OUT_OF_MEMORY", 1},
                                                {"OTHER_INSTANCE", 2},
                                                {"BASEDIR", 1},
                                                {"QM_GLOBS", 7},
                                                {"QUESTION_CREATE_DIRECTORY", 3},
                                                {"FILE_OPEN_AND_SAVE_DIALOGS", 4}};
    for (const auto& [key, count] : keys) {
        Lines lines;
        t.get_lines(key, count - 1, lines);
        for (int i = 0; i < count; ++i)
            EXPECT_FALSE(lines[i].empty()) << key << " line " << i;
    }
    EXPECT_EQ(t.get_line("QM_GLOBS", 4), "OK");
    EXPECT_EQ(t.get_line("QM_GLOBS", 6), "Cancel");
}

} // namespace
