#include "data_commands.h"
#include "settings_commands.h"
#include "synth.h"

#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "scripted_services.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <filesystem>

namespace morvelin::disc {
namespace {

using morvelin::testing::read_file;
using morvelin::testing::TempDir;

class SynthDiscTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        SynthOptions o;
        o.output = dir_->path();
        o.species = 120;
        std::string error;
        ASSERT_TRUE(synthesize_disc(o, error, &summary_)) << error;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        saved_ = environment().settings_file_path;
        environment().settings_file_path = settings_.file("Morvelin.ini");
    }
    void TearDown() override { environment().settings_file_path = saved_; }

    static TempDir* dir_;
    static SynthSummary summary_;

private:
    TempDir settings_;
    std::string saved_;
};

TempDir* SynthDiscTest::dir_ = nullptr;
SynthSummary SynthDiscTest::summary_;

TEST_F(SynthDiscTest, LoadsWithTheProportionsAskedFor) {
    std::string error;
    auto data = load_disc(dir_->path(), error);
    ASSERT_NE(data, nullptr) << error;
    EXPECT_EQ(summary_.families, 12);
    EXPECT_EQ(data->family_count[1], 12);
    EXPECT_EQ(data->species_count(), 120u);
    EXPECT_EQ(data->item_count(), 576u);
    EXPECT_EQ(data->cut_parts().size(), 576u);
    EXPECT_EQ(data->photo_count(), 288u);
    EXPECT_EQ(data->localities().size(), 144u);
    EXPECT_EQ(data->audio_cd_count(), 5u);
    EXPECT_EQ(data->order_count, 3);
    EXPECT_TRUE(data->order_complete[2]);
    EXPECT_EQ(data->order_kind[3], order_kind::other);
    EXPECT_TRUE(data->notes.empty());
    // With every area selected and no filter on, every species is listed.
    auto filter = TClassVisibleSpeciesAndRecordings::create_default(*data);
    filter.area_selection->set_flags(std::vector<bool>(20, true));
    filter.only_with_sounds_or_photos = false;
    for (std::size_t i = 0; i < data->species_count(); ++i)
        EXPECT_TRUE(filter.species_visible(data->species_at(i)));
}

TEST_F(SynthDiscTest, SameOptionsGiveTheSameBytes) {
    TempDir again;
    SynthOptions o;
    o.output = again.path();
    o.species = 120;
    std::string error;
    ASSERT_TRUE(synthesize_disc(o, error)) << error;
    for (const char* name : {"names_sc.txt", "cupaitem.txt", "syst_ord.txt"})
        EXPECT_EQ(read_file(again.file(name)), read_file(dir_->file(name))) << name;
}

TEST_F(SynthDiscTest, SummaryCountsWhatWasLoaded) {
    std::string error;
    auto data = load_disc(dir_->path(), error);
    ASSERT_NE(data, nullptr) << error;
    const std::string summary = data_summary(*data);
    for (const char* line :
         {"Edition: 106", "  names_sc.txt: 12\n", "Species: 120\n", "Recordings: 576\n", "Photos: 288 (",
          "Localities: 144 (", "Audio CDs: 5 (1 always available)", "Maps: 4\n", "  Sibley&Monroe: 12"}) {
        EXPECT_NE(summary.find(line), std::string::npos) << line << "\n" << summary;
    }
}

TEST_F(SynthDiscTest, CheckReportsTheProgramsFatalMessage) {
    TempDir broken;
    for (const auto& entry : std::filesystem::directory_iterator(dir_->path()))
        std::filesystem::copy(entry.path(), broken.path());
    std::filesystem::remove(broken.file("cutparts.txt"));
    std::string error;
    EXPECT_EQ(load_disc(broken.path(), error), nullptr);
    EXPECT_EQ(error, "File \"cutparts.txt\" could not be loaded!");
    EXPECT_EQ(cmd_check({broken.path()}), 1);
    EXPECT_EQ(cmd_check({dir_->path()}), 0);
    EXPECT_EQ(cmd_check({}), 2);
}

TEST_F(SynthDiscTest, EditionIsDecidedLikeTheProgramWithAByteOrderMarkOrSpaces) {
    TempDir disc;
    for (const auto& entry : std::filesystem::directory_iterator(dir_->path()))
        std::filesystem::copy(entry.path(), disc.path());
    for (const char* contents : {"60\r\n",
                                 "\xEF\xBB\xBF"
                                 "60\r\n",
                                 "\xEF\xBB\xBF 60 \n"}) {
        SCOPED_TRACE(contents);
        morvelin::testing::write_file(disc.file("PROGR_NM.TXT"), contents);
        EXPECT_EQ(edition_code(contents), 60);
        std::string error;
        const auto data = load_disc(disc.path(), error);
        ASSERT_NE(data, nullptr) << error;
        EXPECT_EQ(edition().code, 60);
        EXPECT_EQ(edition().edition_id, 106);
        EXPECT_NE(data_summary(*data).find("Edition: 106"), std::string::npos);
    }
}

TEST_F(SynthDiscTest, DumpIsValidJsonWithTheWholeGraph) {
    TempDir out;
    ASSERT_EQ(cmd_dump({dir_->path(), "--output", out.file("dump.json")}), 0);
    const std::string bytes = read_file(out.file("dump.json"));
    QJsonParseError parse_error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(bytes), &parse_error);
    ASSERT_EQ(parse_error.error, QJsonParseError::NoError) << parse_error.errorString().toStdString();
    const QJsonObject root = doc.object();
    EXPECT_EQ(root["edition_id"].toInt(), 106);
    const QJsonArray orders = root["orders"].toArray();
    ASSERT_EQ(orders.size(), 4);
    EXPECT_EQ(orders[1].toObject()["name"].toString(), "Clements 2000");
    int listed = 0;
    for (const auto& family : orders[0].toObject()["families"].toArray())
        listed += family.toObject()["species"].toArray().size();
    EXPECT_EQ(listed, 120);

    const QJsonArray species = root["species"].toArray();
    ASSERT_EQ(species.size(), 120);
    int items = 0;
    for (const auto& s : species) {
        for (const auto& item : s.toObject()["items"].toArray()) {
            ++items;
            EXPECT_FALSE(item.toObject()["cut_part"].toObject()["key"].toString().isEmpty());
        }
    }
    EXPECT_EQ(items, 576);
    EXPECT_EQ(root["localities"].toArray().size(), 144);
    EXPECT_EQ(root["audio_cds"].toArray().size(), 5);
    EXPECT_EQ(root["maps"].toArray()[0].toObject()["bounds"].toArray().size(), 4);
}

TEST(DumpJson, TextsAreUtf8WithEscapes) {
    Tdata data;
    data.literature_references = {"Caf\xE9 \"quoted\" back\\slash", std::string("\x0bitalic\x0b\nnext")};
    const std::string json = data_json(data);
    EXPECT_NE(json.find("\"Caf\xC3\xA9 \\\"quoted\\\" back\\\\slash\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"\\u000bitalic\\u000b\\nnext\""), std::string::npos) << json;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    EXPECT_EQ(doc.object()["literature_references"].toArray()[0].toString(),
              QString::fromUtf8("Caf\xC3\xA9 \"quoted\" back\\slash"));
}

TEST(Synth, RefusesImpossibleSizes) {
    TempDir out;
    SynthOptions o;
    o.output = out.path();
    o.species = 50000;
    o.families = 301;
    std::string error;
    EXPECT_FALSE(synthesize_disc(o, error));
    EXPECT_NE(error.find("300 families"), std::string::npos);
    EXPECT_EQ(cmd_synth({out.path(), "--species"}), 2);
    EXPECT_EQ(cmd_synth({out.path(), "--colour", "3"}), 2);
    EXPECT_EQ(cmd_synth({out.path(), "--species", "-4"}), 2);
}

// The program reads path values as native paths, so the installer's tool stores them unchanged.
TEST(IniSet, StoresAPathValueNative) {
    TempDir dir;
    const std::string ini = dir.file("Morvelin.ini");
    const std::string base = "/home/zo\xC3\xAB/M\xC3\xBAsica7/disc/";
    ASSERT_EQ(cmd_ini_set({ini, "GENERAL", "Base Directory", base}), 0);
    EXPECT_EQ(settings_read_string(ini, "GENERAL", "Base Directory", ""), base);
    EXPECT_EQ(cmd_ini_set({ini, "GENERAL", "Base Directory"}), 2);
}

} // namespace
} // namespace morvelin::disc
