#include "core/display/species_search.h"

#include "core/data/visible_species_and_recordings.h"
#include "../data/mini_disc.h"

#include <gtest/gtest.h>

namespace morvelin {
namespace {

using Visibility = TClassVisibleSpeciesAndRecordings;

TEST(SearchFolded, CaseAccentsMarkupAndPunctuationFold) {
    const struct {
        const char* text;
        const char* folded;
    } cases[] = {
        {"M\xE9sange charbonni\xE8re", "mesange charbonniere"},
        {"Martin-p\xEA" "cheur d'Europe", "martin pecheur d europe"},
        {"\xC6GIR \xD8ST \xDF \x8Cuvre \x9A" "ara", "aegir ost ss oeuvre sara"},
        {"  \x0b" "Bold\x0b  (formerly)  ", "bold formerly"},
        {"Brown Fish-Owl 2", "brown fish owl 2"},
        {"--  ", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(search_folded(c.text), c.folded) << c.text;
}

TEST(OtherNames, SplitAtCommasAndSemicolonsWithoutMarkup) {
    EXPECT_EQ(other_names_of("Pekin Robin, Peking Nightingale"),
              (std::vector<std::string>{"Pekin Robin", "Peking Nightingale"}));
    EXPECT_EQ(other_names_of(" \x0b" "Coq\x0b bankiva ;; ,Bankivahuhn\n"),
              (std::vector<std::string>{"Coq bankiva", "Bankivahuhn"}));
    EXPECT_TRUE(other_names_of(" , ").empty());
}

// The mini disc in order 1: Gallus gallus (photos, recordings), Pavo cristatus (an uncounted photo),
// Pitta moluccensis (a recording; areas TH-MA-SI), with other names in their second text line.
class SpeciesSearchTest : public testing::DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        disc["taxa.txt"] = "@#[FAMILIES]\n"
                           "Pheasants and allies\n"
                           "Pittas\n"
                           "@#[SPECIES 1]\n"
                           "Red Junglefowl\n"
                           "Coq bankiva; Bankivahuhn\n"
                           "\n"
                           "\n"
                           "Indian Peafowl\n"
                           "Paon bleu, Blauer Pfau\n"
                           "\n"
                           "\n"
                           "@#[SPECIES 2]\n"
                           "Blue-winged Pitta\n"
                           "Br\xE8ve \xE0 ailes bleues\n";
        data = load();
        index = SpeciesSearchIndex(*data, 1);
        everything = Visibility::create_default(*data);
        everything.only_with_sounds_or_photos = false;
    }
    std::vector<std::string> found(const char* query, const Visibility& v) const {
        std::vector<std::string> out;
        for (const SpeciesMatch& m : index.find(query, v, 10))
            out.push_back(m.species->scientific_name + ": " + m.name);
        return out;
    }

    std::unique_ptr<Tdata> data;
    SpeciesSearchIndex index;
    Visibility everything;
};

TEST_F(SpeciesSearchTest, EveryNameKindFoundAndNameStartsRankFirst) {
    using V = std::vector<std::string>;
    const struct {
        const char* query;
        V expected;
    } cases[] = {
        {"GAL", V{"Gallus gallus: Gallus gallus"}},
        {"bankivah", V{"Gallus gallus: Bankivahuhn"}},
        {"breve a ailes", V{"Pitta moluccensis: Br\xE8ve \xE0 ailes bleues"}},
        {"Br\xC8VE", V{"Pitta moluccensis: Br\xE8ve \xE0 ailes bleues"}},
        // Inside words only: systematic order.
        {"owl", V{"Gallus gallus: Red Junglefowl", "Pavo cristatus: Indian Peafowl"}},
        // A word start beats a match inside a word, whatever the systematic order.
        {"w", V{"Pitta moluccensis: Blue-winged Pitta", "Gallus gallus: Red Junglefowl",
                "Pavo cristatus: Indian Peafowl"}},
        // Two name starts: systematic order.
        {"bl", V{"Pavo cristatus: Blauer Pfau", "Pitta moluccensis: Blue-winged Pitta"}},
        // One entry per species, with its best name: "pavo" starts the scientific name.
        {"pa", V{"Pavo cristatus: Pavo cristatus"}},
        {"blue winged", V{"Pitta moluccensis: Blue-winged Pitta"}},
        {"no such bird", V{}},
        {"", V{}},
        {"-- ", V{}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(found(c.query, everything), c.expected) << c.query;
    EXPECT_EQ(index.find("a", everything, 2).size(), 2u);
}

TEST_F(SpeciesSearchTest, HiddenSpeciesComeLastWithTheirReason) {
    Visibility photos = everything;
    photos.only_with_photos = true;
    auto matches = index.find("a", photos, 10);
    ASSERT_EQ(matches.size(), 3u);
    EXPECT_EQ(matches[2].species->scientific_name, "Pitta moluccensis");
    EXPECT_EQ(matches[2].hidden, SearchHidden::without_photos);
    EXPECT_EQ(matches[0].hidden, SearchHidden::shown);

    Visibility sounds = everything;
    sounds.only_with_sounds = true;
    EXPECT_EQ(search_hidden_reason(*data->find_species(1002), sounds), SearchHidden::without_recordings);

    Visibility sri_lanka = everything;
    sri_lanka.area_selection->set_flags(std::vector<bool>(20, false));
    sri_lanka.area_selection->set_selected(1, true);
    matches = index.find("pitta", sri_lanka, 10);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].hidden, SearchHidden::outside_areas);
    EXPECT_EQ(search_hidden_reason(*data->find_species(1001), sri_lanka), SearchHidden::shown);
}

} // namespace
} // namespace morvelin
