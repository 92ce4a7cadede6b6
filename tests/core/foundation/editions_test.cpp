#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

const char* const globs =
    "$[QM_GLOBS]\nMissing file \"\n\"!\nYes\nOK\nNo\nCancel\nWait\n"
    "$[QUESTION_CREATE_DIRECTORY]\nThe folder \"\n\" is missing. It is used\nCreate it?\n";

// A disc folder as current, start-up and program folder, with the language texts installed.
class EditionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_env_ = environment();
        saved_cwd_ = fs::current_path();
        fs::current_path(disc_.path());
        environment().startup_folder = disc_.path();
        environment().program_folder = disc_.path();
        environment().time_separator = ':';
        saved_caption_ = message_caption();
        install_language_texts(Ttextfile_handler::from_bytes(globs, "test.txt"));
    }
    void TearDown() override {
        fs::current_path(saved_cwd_);
        environment() = saved_env_;
        install_language_texts(Ttextfile_handler());
        determine_edition_from_code(0);
        set_message_caption(saved_caption_);
    }

    TempDir disc_;
    std::string saved_caption_;
    Environment saved_env_;
    fs::path saved_cwd_;
};

TEST_F(EditionsTest, ThisProductFromTheEditionFile) {
    disc_.write("PROGR_NM.TXT", read_file(std::string(MORVELIN_SOURCE_DIR) + "/demo/PROGR_NM.TXT"));
    ScriptedMessages messages;
    determine_edition();
    EXPECT_TRUE(messages.shown().empty());
    const EditionSettings& e = edition();
    EXPECT_EQ(e.edition_id, 106);
    EXPECT_TRUE(e.language_english);
    EXPECT_FALSE(e.language_spanish || e.language_dutch || e.language_portuguese);
    EXPECT_EQ(e.title, "Sarovan Bird Sounds");
    EXPECT_EQ(e.version, "3.14");
    EXPECT_EQ(e.version_check_address,
              "https://www.morvelin.example/versions/3/EnterFromDiskProgramEnglish.htm");
    EXPECT_TRUE(e.region_country_1.empty() && e.region_country_2.empty());
    EXPECT_FALSE(is_region_country(""));
    const EditionSwitches& s = e.switches;
    EXPECT_EQ(s.speak_species_names + s.all_species_flag_e + s.species_media_filters + s.show_country_option +
                  s.group_families + s.list_remaining_subspecies + s.hide_sound_files_row,
              2);
    EXPECT_TRUE(s.species_media_filters);
    EXPECT_FALSE(s.speak_species_names || s.all_species_flag_e);

    EXPECT_EQ(program_text(0), "Missing file \"");
    EXPECT_EQ(program_text(3), "OK");
    EXPECT_EQ(program_text(5), "Cancel");
    EXPECT_EQ(program_text(7), "Sarovan Bird Sounds");
    EXPECT_EQ(program_text(8), "Sarovan Bird Sounds");
    EXPECT_EQ(program_text(9), "3.14");
    EXPECT_EQ(program_text(10), "Sarovan Bird Sounds 3");
    EXPECT_EQ(program_text(11), "");
    EXPECT_EQ(program_text(-1), "");
    EXPECT_EQ(message_caption(), "Sarovan Bird Sounds");
}

TEST_F(EditionsTest, MissingEmptyOrUnknownFilesRunAsTheUnknownEdition) {
    struct Case {
        const char* name;
        std::optional<std::string> content;
        std::string message; // "" = no message
    };
    const Case cases[] = {
        {"missing", std::nullopt, "Missing file \"" + disc_.file("PROGR_NM.TXT") + "\"!"},
        {"empty", std::string(), "\"" + disc_.file("PROGR_NM.TXT") + "\" is empty!"},
        {"unknown code", std::string("999\r\n"), ""},
        {"not a number", std::string("sixty\r\n"), ""},
        {"empty first line", std::string("\r\n60\r\n"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(disc_.file("PROGR_NM.TXT"));
        if (c.content) disc_.write("PROGR_NM.TXT", *c.content);
        determine_edition_from_code(60);
        ScriptedMessages messages;
        determine_edition();
        if (c.message.empty()) {
            EXPECT_TRUE(messages.shown().empty());
        } else {
            ASSERT_EQ(messages.shown().size(), 1u);
            EXPECT_EQ(messages.shown()[0].text, c.message);
            EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
        }
        EXPECT_EQ(edition().edition_id, 103);
        EXPECT_EQ(edition().title, "Error: Unknown Natural Sounds Program");
        EXPECT_EQ(edition().version, "1.0");
        EXPECT_TRUE(edition().version_check_address.empty());
        EXPECT_EQ(program_text(7), "Error: Unknown Natural Sounds Program");
        EXPECT_EQ(message_caption(), "Error: Unknown Natural Sounds Program");
    }
}

TEST_F(EditionsTest, TheFileIsFoundWhateverItsCaseAndWithSpacesOrMarks) {
    disc_.write("progr_nm.txt", "\xEF\xBB\xBF 60 \n");
    ScriptedMessages messages;
    determine_edition();
    EXPECT_EQ(edition().edition_id, 106);
    EXPECT_EQ(edition().code, 60);
}

TEST_F(EditionsTest, CodePairsChooseTheLanguageByTheLowestBit) {
    struct Case {
        int code;
        int edition_id;
        bool english;
        const char* page;
        const char* country;
    };
    const Case cases[] = {
        {40, 101, false, "https://www.morvelin.example/delvaro/2/EnterFromDiskProgramSpanish.htm", ""},
        {41, 101, true, "https://www.morvelin.example/delvaro/2/EnterFromDiskProgramEnglish.htm", ""},
        {70, 111, true, "https://www.morvelin.example/corvana/1/EnterFromDiskProgramEnglish.htm", "Corvana"},
        {71, 111, false, "https://www.morvelin.example/corvana/1/EnterFromDiskProgramPortuguese.htm",
         "Corv\xE2nia"},
        {80, 109, false, "", ""},
        {81, 109, true, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        determine_edition_from_code(c.code);
        const EditionSettings& e = edition();
        EXPECT_EQ(e.edition_id, c.edition_id);
        EXPECT_EQ(e.language_english, c.english);
        EXPECT_EQ(e.language_english + e.language_spanish + e.language_dutch + e.language_portuguese, 1);
        EXPECT_EQ(e.title == e.english_title, c.english);
        EXPECT_EQ(program_text(8), e.english_title);
        EXPECT_EQ(e.version_check_address, c.page);
        EXPECT_EQ(is_region_country(c.country), *c.country != 0);
        EXPECT_FALSE(is_region_country("Elsewhere"));
    }
    determine_edition_from_code(61); // 60 is a single code: its neighbour is no product
    EXPECT_EQ(edition().edition_id, 103);
}

TEST_F(EditionsTest, TimesAndDates) {
    const std::pair<int, const char*> times[] = {{930, "09:30h"},  {5, "00:05h"}, {0, "00:00h"},
                                                 {2359, "23:59h"}, {-1, ""},      {-20, ""}};
    for (const auto& [n, text] : times)
        EXPECT_EQ(format_time(n), text) << n;
    environment().time_separator = '.';
    EXPECT_EQ(format_time(1745), "17.45h");

    const std::pair<int, const char*> dates[] = {
        {10100, "01-01-2000"}, {311299, "31-12-1999"}, {150612, "15-06-2012"}, {10182, "01-01-1982"},
        {10139, "01-01-2039"}, {10140, "01-01-1940"},  {0, "00-00-2000"},      {-1, ""}};
    for (const auto& [n, text] : dates)
        EXPECT_EQ(format_date(n), text) << n;
}

TEST_F(EditionsTest, AppendUnlessEndsWithLineFeed) {
    const std::tuple<const char*, const char*> cases[] = {{"", ""}, {"text\n", "text\n"}, {"text", "text, "}};
    for (const auto& [before, after] : cases) {
        std::string text = before;
        append_unless_ends_with_line_feed(text, ", ");
        EXPECT_EQ(text, after);
    }
}

class DataFolderTest : public EditionsTest {
protected:
    void SetUp() override {
        EditionsTest::SetUp();
        for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR"}) {
            const char* value = std::getenv(v);
            saved_vars_.emplace_back(v, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", home_.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_.path() + ".config").c_str(), 1);
        unsetenv("XDG_DOCUMENTS_DIR");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_vars_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        EditionsTest::TearDown();
    }

    TempDir home_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_vars_;
};

TEST_F(DataFolderTest, DefaultDataFolderIsBelowTheDocumentsOrTheHomeFolder) {
    EXPECT_EQ(default_data_folder("Playlists/"), home_.path() + "My Quellmark Files/Playlists/");
    fs::create_directory(home_.file("Documents"));
    EXPECT_EQ(default_data_folder("MP3/"), home_.path() + "Documents/My Quellmark Files/MP3/");
    home_.write(".config/user-dirs.dirs",
                "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    fs::create_directory(home_.file("Papers"));
    EXPECT_EQ(default_data_folder("x/"), home_.path() + "Papers/My Quellmark Files/x/");
}

TEST_F(DataFolderTest, EnsureFolderAsksBeforeCreating) {
    const std::string existing = home_.file("exists");
    fs::create_directory(existing);
    const std::string wanted = home_.file("new/folder");
    {
        ScriptedMessages messages;
        auto r = ensure_folder(existing, "for the MP3 files");
        EXPECT_EQ(r.folder, existing + "/");
        EXPECT_FALSE(r.cancelled);
        EXPECT_TRUE(messages.shown().empty());
    }
    {
        ScriptedMessages messages;
        messages.answer(id::cancel);
        auto r = ensure_folder(wanted, "for the MP3 files");
        EXPECT_TRUE(r.cancelled);
        EXPECT_FALSE(fs::exists(wanted));
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text,
                  "The folder \"" + wanted + "\" is missing. It is used for the MP3 files. Create it?");
        EXPECT_EQ(messages.shown()[0].flags, 35);
    }
    {
        ScriptedMessages messages;
        messages.answer(id::no);
        auto r = ensure_folder(wanted, "for the MP3 files");
        EXPECT_FALSE(r.cancelled);
        EXPECT_EQ(r.folder, home_.path()); // no documents folder: the home folder
        EXPECT_FALSE(fs::exists(wanted));
    }
    {
        ScriptedMessages messages;
        messages.answer(id::yes);
        auto r = ensure_folder(wanted, "for the MP3 files");
        EXPECT_FALSE(r.cancelled);
        EXPECT_EQ(r.folder, wanted + "/");
        EXPECT_TRUE(fs::is_directory(wanted));
    }
    {
        home_.write("a file", "x");
        ScriptedMessages messages;
        messages.answer(id::yes);
        auto r = ensure_folder(home_.file("a file"), "for the MP3 files");
        EXPECT_TRUE(r.cancelled);
        EXPECT_TRUE(messages.any_contains("but a file with the same name already exists."));
    }
}

} // namespace
