#include "core/data/data_loader.h"

#include "core/data/data_texts.h"
#include "core/foundation/settings_file.h"
#include "mini_disc.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvelin {
namespace {

using testing::DataTest;
using testing::literally;
using testing::ScriptedMessages;

std::vector<std::string> species_names(const Tfamily& family, int kind) {
    std::vector<std::string> names;
    for (const Tspecies* s = family.first_species; s; s = s->next_in_order[kind])
        names.push_back(s->scientific_name);
    return names;
}

TEST_F(DataTest, LoadsFamiliesSpeciesAndTheirTexts) {
    auto data = load();
    ASSERT_EQ(data->family_count[1], 2);
    const Tfamily& pheasants = *data->first_family[1];
    EXPECT_EQ(pheasants.scientific_name, "Phasianidae");
    EXPECT_EQ(pheasants.vernacular_name, "Pheasants and allies");
    EXPECT_EQ(species_names(pheasants, 1), (std::vector<std::string>{"Gallus gallus", "Pavo cristatus"}));
    EXPECT_EQ(species_names(*pheasants.next_family, 1), std::vector<std::string>{"Pitta moluccensis"});
    EXPECT_EQ(data->literature_references, (std::vector<std::string>{"Reference one.", "Reference two."}));

    const Tspecies& gallus = *data->find_species(1001);
    EXPECT_EQ(gallus.vernacular_name, "Red Junglefowl");
    EXPECT_EQ(gallus.order_position[1], 101);
    EXPECT_EQ(gallus.family[1], &pheasants);
    EXPECT_EQ(gallus.media_folder, "Phasianidae");
    EXPECT_EQ(gallus.text_2, "The \x0bwild\x0b ancestor\nof the chicken.");
    EXPECT_EQ(gallus.text_3, "\x0cVoice\x0c");
    EXPECT_EQ(gallus.text_4, "\x0dRange\x0d");
    EXPECT_TRUE(gallus.flag_a && gallus.flag_c && !gallus.flag_r && !gallus.flag_n);
    EXPECT_EQ(gallus.threat_status, threat::vu);
    ASSERT_EQ(gallus.map_count, 1);
    EXPECT_TRUE(gallus.map_slot[1].is_mask);
    EXPECT_EQ(gallus.map_slot[1].map, data->find_map("sarovan"));
    ASSERT_NE(gallus.text_author, nullptr);
    EXPECT_EQ(gallus.text_author->key, "KESTOVAR, ANNA");
    EXPECT_EQ(gallus.literature,
              (std::vector<std::pair<int, std::string>>{{12, "Author 2001"}, {13, "Other, 1999"}}));
    ASSERT_NE(gallus.area, nullptr);
    EXPECT_EQ(gallus.area->selection_text(), "IN-SR-TH");
    EXPECT_TRUE(gallus.in_region);

    const Tspecies& pavo = *data->find_species(1002);
    EXPECT_TRUE(pavo.flag_n);
    EXPECT_EQ(pavo.area->selection_text(), "IN-SR");
    EXPECT_EQ(pavo.text_author, nullptr);
    EXPECT_EQ(pavo.subspecies_count, 0);
    EXPECT_EQ(pavo.first_subspecies, nullptr);
    EXPECT_EQ(pavo.text_2, "Peafowl text");

    const Tspecies& pitta = *data->find_species(2001);
    EXPECT_EQ(pitta.vernacular_name, "Blue-winged Pitta");
    EXPECT_EQ(pitta.text_2, "");
    ASSERT_NE(pitta.text_author, nullptr);
    EXPECT_EQ(pitta.text_author->key, "LINDQVAL, ERIK");
    EXPECT_EQ(data->find_species(9999), nullptr);
}

TEST_F(DataTest, SubspeciesEndAtTheFirstEmptyLine) {
    auto data = load();
    const Tspecies& gallus = *data->find_species(1001);
    ASSERT_EQ(gallus.subspecies_count, 3);
    std::vector<std::tuple<int, std::string, bool>> found;
    for (const Tsubspecies* s = gallus.first_subspecies; s; s = s->next_subspecies)
        found.emplace_back(s->ordinal, s->name, s->not_real);
    EXPECT_EQ(found, (std::vector<std::tuple<int, std::string, bool>>{
                         {1, "gallus", false}, {2, "spadiceus", false}, {3, "murghi", true}}));
}

TEST_F(DataTest, MapsPersonsAndLocalities) {
    auto data = load();
    const Tmap_data& india = *data->find_map("INDIA");
    EXPECT_EQ(india.kind, 2);
    EXPECT_EQ(india.bounds, (std::array<double, 4>{68, 36, 98, 6.5}));
    EXPECT_EQ(data->find_map("SAROVAN")->bounds, (std::array<double, 4>{66.5, 38.0, 104.0, -11.25}));

    EXPECT_EQ(data->first_person->key, "KESTOVAR, ANNA");
    EXPECT_EQ(data->find_person("brask, tomas")->text_2, "Sound recordist");
    EXPECT_EQ(data->find_person("NOBODY"), nullptr);
    EXPECT_EQ(data->find_person_containing("a", 0)->key, "BRASK, TOMAS");
    EXPECT_EQ(data->find_person_containing("a", 2)->key, "LINDQVAL, ERIK");
    EXPECT_EQ(data->find_person_containing("a", 3), nullptr);

    const Tlocality& khao = *data->find_locality("khaoyai");
    EXPECT_EQ(khao.name, "Khao Yai");
    EXPECT_EQ(khao.text, "Site \x0ctext\x0c");
    EXPECT_EQ(khao.position_1, 86415);
    EXPECT_TRUE(khao.position_1_flag);
    EXPECT_EQ(khao.position_2, 608400);
    EXPECT_FALSE(khao.position_2_flag);
    EXPECT_EQ(data->find_locality_by_name("Khao Yai (Nakhon Ratchasima, Thailand)."), &khao);
    ASSERT_EQ(data->localities_by_name().size(), 1u); // ZERO has no text_7
    EXPECT_FALSE(has_known_place(*data->find_locality("ZERO")));
    EXPECT_TRUE(has_known_place(khao));
}

TEST_F(DataTest, PhotosAreNumberedPerSpeciesAndNssIsNotCounted) {
    ScriptedMessages messages;
    auto data = load();
    const Tspecies& gallus = *data->find_species(1001);
    ASSERT_EQ(gallus.picture_count, 2);
    EXPECT_TRUE(gallus.has_photo);
    const Tbig_picture& first = *gallus.first_picture;
    const Tbig_picture& second = *first.next_picture;
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(second.number, 2);
    EXPECT_EQ(species_media_path(gallus, "bigpict/", photo_suffix(first.number)),
              "bigpict/Phasiani.dae/1001.001");
    EXPECT_EQ(photo_suffix(second.number), ".002");
    EXPECT_EQ(second.previous_picture, &first);
    EXPECT_EQ(second.next_picture, nullptr);
    EXPECT_TRUE(first.counts_as_photo);
    EXPECT_FALSE(second.counts_as_photo);
    EXPECT_EQ(first.date, 150398);
    EXPECT_EQ(second.date, -1);
    EXPECT_EQ(first.copyright_holder, data->find_person("KESTOVAR, ANNA"));
    EXPECT_EQ(second.copyright_holder, nullptr);
    EXPECT_EQ(first.locality, data->find_locality("KHAOYAI"));
    EXPECT_EQ(first.description, "Male \x0b"
                                 "displaying\x0b");
    ASSERT_NE(first.subspecies, nullptr);
    EXPECT_TRUE(first.subspecies->p_mark);
    EXPECT_EQ(first.subspecies->subspecies, gallus.first_subspecies);
    EXPECT_EQ(second.subspecies, nullptr);

    // A species whose only photo is marked NSS has a picture but no counted photo.
    const Tspecies& pavo = *data->find_species(1002);
    EXPECT_EQ(pavo.picture_count, 1);
    EXPECT_FALSE(pavo.has_photo);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(DataTest, MissingPhotoFileMeansNoPhotos) {
    disc.remove("big_pict.txt");
    auto data = load();
    for (std::size_t i = 0; i < data->species_count(); ++i) {
        EXPECT_EQ(data->species_at(i).picture_count, 0);
        EXPECT_FALSE(data->species_at(i).has_photo);
    }
    EXPECT_EQ(data->photo_count(), 0u);
}

TEST_F(DataTest, AudioCdsAndCutParts) {
    auto data = load();
    ASSERT_EQ(data->audio_cd_count(), 2u);
    EXPECT_EQ(data->regular_cd_count, 1);
    const TaudioCD& seven = *data->find_audio_cd(7);
    const TaudioCD& ten = *data->find_audio_cd(10);
    EXPECT_EQ(seven.sequence, 1);
    EXPECT_EQ(ten.sequence, 2);
    EXPECT_FALSE(seven.always_available);
    EXPECT_TRUE(ten.always_available);
    // Keyed by the number's text: "10" sorts before "7".
    EXPECT_EQ(data->audio_cds().front(), &ten);

    const Tcutpart& file_part = *data->find_cut_part("1001a0001");
    EXPECT_TRUE(file_part.is_sound_file);
    EXPECT_TRUE(file_part.length_is_seconds);
    EXPECT_EQ(file_part.number, 1001);
    EXPECT_EQ(file_part.carrier_letter, 'A');
    EXPECT_EQ(file_part.sub_number, 1);
    EXPECT_EQ(file_part.variant_letter, ' ');
    EXPECT_EQ(file_part.compression, 3);
    EXPECT_EQ(file_part.length, 45000);
    EXPECT_EQ(file_part.value_3, 5);
    EXPECT_EQ(file_part.value_4, -1);
    EXPECT_EQ(file_part.value_9, 9);
    EXPECT_EQ(file_part.recordist, data->find_person("BRASK, TOMAS"));
    EXPECT_EQ(file_part.text_7, "Dawn \x0b"
                                "chorus\x0b");

    const Tcutpart& cd_part = *data->find_cut_part("7C0002b");
    EXPECT_FALSE(cd_part.is_sound_file);
    EXPECT_EQ(cd_part.audio_cd, &seven);
    EXPECT_EQ(cd_part.track, 3);
    EXPECT_EQ(cd_part.offset, 0); // negative offsets count as 0
    EXPECT_EQ(cd_part.length, 42000);
    EXPECT_TRUE(cd_part.cd_selected);
    EXPECT_EQ(cd_part.variant_letter, 'b');
    EXPECT_EQ(cd_part.sub_number, 2);
    EXPECT_EQ(cd_part.recordist, nullptr);

    const Tcutpart& unselected = *data->find_cut_part("10C0001");
    EXPECT_EQ(unselected.offset, 2000);
    EXPECT_FALSE(unselected.cd_selected);

    // A sound file whose length is below 1 second plays 99 seconds.
    EXPECT_EQ(data->find_cut_part("1001A0002")->length, 99000);
}

TEST_F(DataTest, RecordingItemsAreChainedPerSpeciesAndPerCutPart) {
    ScriptedMessages messages;
    auto data = load();
    const Tspecies& gallus = *data->find_species(1001);
    std::vector<const Tcupaitem*> items;
    for (const Tcupaitem* i = gallus.first_item; i; i = i->next_item)
        items.push_back(i);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0]->previous_item, nullptr);
    EXPECT_EQ(items[1]->previous_item, items[0]);
    EXPECT_EQ(items[0]->item_number, 1);
    EXPECT_EQ(items[0]->class_letter, 'A');
    EXPECT_EQ(items[0]->number_3, number_3_d);
    EXPECT_EQ(items[1]->number_3, number_3_d);
    EXPECT_EQ(items[2]->number_3, 55);
    EXPECT_EQ(items[2]->item_number, empty_item_number);
    EXPECT_EQ(items[0]->text_7, "first half second half");
    EXPECT_EQ(items[1]->text_7, "only");
    EXPECT_EQ(items[2]->text_5, "\x0c"
                                "alarm\x0c");
    EXPECT_TRUE(items[0]->is_p);
    EXPECT_FALSE(items[2]->is_p);
    EXPECT_EQ(items[1]->subspecies->subspecies->name, "spadiceus");
    EXPECT_FALSE(items[1]->subspecies->p_mark);
    EXPECT_EQ(items[2]->subspecies, nullptr);
    EXPECT_EQ(items[0]->species, &gallus);
    EXPECT_TRUE(gallus.has_sound_file_item);

    const Tcutpart& cd_part = *data->find_cut_part("7C0002b");
    EXPECT_EQ(cd_part.first_item, items[1]);
    EXPECT_EQ(cd_part.first_item->next_item_of_cut_part, nullptr);
    EXPECT_FALSE(data->find_species(1002)->has_sound_file_item);
    EXPECT_EQ(data->item_count(), 4u);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(DataTest, TenLineRecordingSectionHoldsOneItem) {
    disc.replace("cupaitem.txt", "1001A0002\n", "1001A0002\nthe tenth line\n");
    auto data = load();
    const Tspecies& pitta = *data->find_species(2001);
    ASSERT_NE(pitta.first_item, nullptr);
    EXPECT_EQ(pitta.first_item->next_item, nullptr);
    ASSERT_EQ(data->notes.size(), 1u);
    EXPECT_NE(data->notes[0].find("\"2_1\""), std::string::npos);
}

TEST_F(DataTest, OddFamiliesLineCountIgnoresTheLastLine) {
    disc.replace("names_sc.txt", "Pittidae\nPittidae\n", "Pittidae\nPittidae\nLonelyidae\n");
    auto data = load();
    EXPECT_EQ(data->family_count[1], 2);
    EXPECT_EQ(data->notes.size(), 1u);
}

TEST_F(DataTest, SpeciesSectionWithoutEntriesGivesAFamilyWithoutSpecies) {
    disc.replace("names_sc.txt", "Pittidae\nPittidae\n", "Pittidae\nPittidae\nEmptyidae\nEmptyidae\n");
    disc["names_sc.txt"] += "@#[SPECIES 3]\n";
    disc["taxa.txt"] += "@#[SPECIES 3]\n";
    auto data = load();
    ASSERT_EQ(data->family_count[1], 3);
    const Tfamily& empty = *data->first_family[1]->next_family->next_family;
    EXPECT_EQ(empty.scientific_name, "Emptyidae");
    EXPECT_EQ(empty.first_species, nullptr);
}

TEST_F(DataTest, SecondaryOrdersDropEmptyFamiliesAndKnowWhetherTheyAreComplete) {
    ScriptedMessages messages;
    auto data = load();
    EXPECT_EQ(data->order_count, 2);
    EXPECT_EQ(data->order_kind[1], order_kind::clements);
    EXPECT_EQ(data->order_kind[2], order_kind::sibley_monroe);
    ASSERT_EQ(data->family_count[2], 2); // Emptyidae is dropped
    const Tfamily& pittas = *data->first_family[2];
    EXPECT_EQ(pittas.vernacular_name, "Pittas");
    EXPECT_EQ(pittas.order_kind, order_kind::clements);
    EXPECT_EQ(species_names(*pittas.next_family, 2),
              (std::vector<std::string>{"Pavo cristatus", "Gallus gallus"}));
    EXPECT_EQ(pittas.next_family->vernacular_name, "Pheasants, partridges");
    EXPECT_EQ(pittas.next_family->next_family, nullptr);
    EXPECT_TRUE(data->order_complete[2]);
    EXPECT_FALSE(data->order_complete[3]);
    EXPECT_TRUE(data->order_complete[1]);
    const Tspecies& gallus = *data->find_species(1001);
    EXPECT_EQ(gallus.order_position[2], 2);
    EXPECT_EQ(gallus.order_position[3], -1);
    EXPECT_EQ(gallus.family[3], nullptr);
    EXPECT_EQ(data->find_species(1002)->order_position[3], 0);

    data->order_warning(order_kind::clements);
    EXPECT_TRUE(messages.shown().empty());
    data->order_warning(order_kind::sibley_monroe);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "There is at least one species not in the Sibley and Monroe order.");
    EXPECT_EQ(messages.shown()[0].caption, "Warning");
    EXPECT_EQ(messages.shown()[0].flags, 0);
}

// Two orders of one kind: the first is loaded, the later one is left out with a note on standard error.
TEST_F(DataTest, LaterOrderOfAKindAlreadyListedIsIgnoredWithANote) {
    struct Case {
        const char* orders;
        int kind;
    };
    for (const Case& c : {Case{"Clements 2000\nClements 2000\n", order_kind::clements},
                          Case{"Howard and Moore\nDickinson 2003\n", order_kind::other}}) {
        SCOPED_TRACE(c.orders);
        disc = testing::MiniDisc();
        disc.replace("syst_ord.txt", "Clements 2000\nSibley&Monroe\n", c.orders);
        ::testing::internal::CaptureStderr();
        auto data = load();
        const std::string errors = ::testing::internal::GetCapturedStderr();
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->order_count, 2);
        EXPECT_EQ(data->order_kind[1], c.kind);
        EXPECT_EQ(data->order_kind[2], 0);
        // The first order's families and positions, untouched by the second's sections.
        ASSERT_EQ(data->family_count[c.kind], 2);
        EXPECT_EQ(data->first_family[c.kind]->vernacular_name, "Pittas");
        EXPECT_EQ(data->find_species(1002)->order_position[c.kind], 1);
        ASSERT_EQ(data->notes.size(), 1u);
        EXPECT_NE(data->notes[0].find("syst_ord.txt, line 3"), std::string::npos) << data->notes[0];
        EXPECT_NE(errors.find(data->notes[0]), std::string::npos) << errors;
    }
}

TEST_F(DataTest, UnknownSubspeciesIsReportedAndLoadingGoesOn) {
    ScriptedMessages messages;
    disc.replace("cupaitem.txt", "spadiceus\n", "jabouillei\n");
    auto data = load();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Error occured with a subspecies \"jabouillei\"");
    EXPECT_EQ(messages.shown()[0].flags, 16);
    const Tcupaitem& item = *data->find_species(1001)->first_item->next_item;
    ASSERT_NE(item.subspecies, nullptr);
    EXPECT_EQ(item.subspecies->subspecies, nullptr);
}

TEST_F(DataTest, HardDiskFolderIsTakenWhenTheStoredShortNameMatches) {
    TaudioCD probe;
    probe.text_2 = "SAROVAN BIRD SOUNDS: VOLUME ONE OF THREE";
    settings_write_string("", "AUDIO CDS", "Part of short name CD 7", audio_cd_short_name(probe));
    settings_write_string("", "AUDIO CDS", "Directory on hard disk CD 7", "/data/cd7/");
    settings_write_string("", "AUDIO CDS", "Part of short name CD 10", "*another disc*");
    settings_write_string("", "AUDIO CDS", "Directory on hard disk CD 10", "/data/cd10/");
    auto data = load();
    EXPECT_EQ(data->find_audio_cd(7)->hard_disk_folder, "/data/cd7/");
    EXPECT_EQ(data->find_audio_cd(10)->hard_disk_folder, "");
}

TEST_F(DataTest, EditionRulesWhileLoading) {
    determine_edition_from_code(52); // every species gets flag_e
    auto data = load();
    EXPECT_TRUE(data->find_species(1002)->flag_e);
    EXPECT_FALSE(data->find_species(1002)->flag_n);
    EXPECT_EQ(data->find_species(1001)->area, nullptr);

    determine_edition_from_code(70); // "D" is a flag of its own
    disc.replace("names_sc.txt", "D(\"SAROVAN\" MaskMain)", "D(\"NO SUCH MAP\" MaskMain)");
    data = load();
    EXPECT_TRUE(data->find_species(1001)->map_flag);
    EXPECT_EQ(data->find_species(1001)->map_count, 0);
}

TEST_F(DataTest, SecondMapMarkedMainIsSwappedIntoTheFirstSlot) {
    disc.replace("names_sc.txt", "D(\"SAROVAN\" MaskMain)", "D(\"SAROVAN\" Mask----,\"INDIA\" ----Main)");
    auto data = load();
    const Tspecies& gallus = *data->find_species(1001);
    ASSERT_EQ(gallus.map_count, 2);
    EXPECT_EQ(gallus.map_slot[1].map->name, "INDIA");
    EXPECT_FALSE(gallus.map_slot[1].is_mask);
    EXPECT_EQ(gallus.map_slot[2].map->name, "SAROVAN");
    EXPECT_TRUE(gallus.map_slot[2].is_mask);
}

TEST_F(DataTest, FilesAreFoundIgnoringCaseAndTheBusyHookBracketsLoading) {
    std::vector<bool> calls;
    set_load_busy_hook([&](bool busy) { calls.push_back(busy); });
    disc["PEOPLE.TXT"] = disc["people.txt"];
    disc.remove("people.txt");
    auto data = load();
    set_load_busy_hook(nullptr);
    EXPECT_EQ(data->find_person("BRASK, TOMAS")->text_1, "Tomas Brask");
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

TEST_F(DataTest, StartUpLoadsFromTheCurrentFolder) {
    disc.write(disc_dir());
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path(disc_dir().path());
    load_data_set();
    std::filesystem::current_path(saved);
    ASSERT_TRUE(data_set_loaded());
    EXPECT_EQ(data_set().species_count(), 3u);
    install_data_set(nullptr);
    EXPECT_FALSE(data_set_loaded());
}

// ---- fatal errors ----

struct FatalCase {
    const char* name;
    const char* file;
    const char* from; // replaced in file; an empty from removes the file
    const char* to;
    const char* message;
};

class DataFatalTest : public DataTest, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(DataFatalTest, StopsWithTheMessage) {
    const FatalCase& c = GetParam();
    if (*c.from == 0) {
        disc.remove(c.file);
    } else {
        disc.replace(c.file, c.from, c.to);
    }
    std::string message = c.message;
    const std::size_t path = message.find("<dir>");
    if (path != std::string::npos) message.replace(path, 5, disc_dir().path());
    EXPECT_EXIT(load(), ::testing::ExitedWithCode(1), literally(message));
}

const FatalCase fatal_cases[] = {
    {"MissingFile", "people.txt", "", "", "File \"people.txt\" could not be loaded!"},
    {"MissingCupaitem", "cupaitem.txt", "", "", "File \"cupaitem.txt\" could not be loaded!"},
    {"MissingSection", "taxa.txt", "@#[SPECIES 2]", "@#[SPECIES 3]",
     "The data file <dir>taxa.txt\ndoes not hold the section \"SPECIES 2\" and cannot be used."},
    {"SectionsOutOfOrder", "names_sc.txt",
     "@#[FAMILIES]\nPhasianidae\nPhasianidae\nPittidae\nPittidae\n@#[LIT. REFERENCES]\n",
     "@#[LIT. REFERENCES]\n@#[FAMILIES]\nPhasianidae\nPhasianidae\nPittidae\nPittidae\n",
     "does not hold the section \"LIT. REFERENCES\""},
    {"SpeciesId", "names_sc.txt", "101 1001", "1o1 1001", "Error occured when converting species ID!"},
    {"UniqueId", "names_sc.txt", "102 1002", "102", "Error occured when converting unique ID!"},
    {"UnknownMap", "names_sc.txt", "\"SAROVAN\"", "\"NEPAL\"",
     "Inconsistency in the file with scientific names: can't find map!"},
    {"InvalidArea", "names_sc.txt", "IN-SR-TH", "IN-XX",
     "Error in distribution data for Gallus gallus: item \"XX\" is invalid!"},
    {"AreaTwice", "names_sc.txt", "IN-SR-TH", "IN-IN",
     "Error in distribution data for Gallus gallus: item \"IN\" occurs twice!"},
    {"AreaWithoutDash", "names_sc.txt", "IN-SR-TH", "INSR",
     "Error in distribution data for Gallus gallus: missing \"-\""},
    {"PhotoOfUnknownSpecies", "big_pict.txt", "1002\n", "1003\n",
     "Serious error when reading data, unique ID in big_pict.txt not found in species list!"},
    {"PhotoByUnknownPerson", "big_pict.txt", "KESTOVAR, ANNA", "NOBODY",
     "Inconsistency in file \"big_pict.txt\"!"},
    {"PhotoAtUnknownLocality", "big_pict.txt", "KHAOYAI", "NOWHERE",
     "big_pict.txt corrupt! Error 1\nhint: \"NOWHERE\""},
    {"CdNumber", "othermedia.txt", "10\n", "ten\n",
     "Error occured when converting audio CD \"tape\" number!"},
    {"CutPartOnUnknownCd", "cutparts.txt", "7C0002b", "8C0002b",
     "cutparts.txt corrupt! Error 3\nhint: \"8C0002b\""},
    {"CdSliceWithoutTrack", "cutparts.txt", "CD track 03", "CD trak 03",
     "cutparts.txt corrupt! Error 4\nhint: \"7C0002b\""},
    {"TrackNumber", "cutparts.txt", "track 03", "track xx",
     "Error occured when converting audio CD track number!"},
    {"OffsetNumber", "cutparts.txt", "offset -0015", "offset ?",
     "Error occured when converting offset on audio CD track!"},
    {"LengthNumber", "cutparts.txt", "length 00420", "length ",
     "Error occured when converting length of recording on audio CD track!"},
    {"SelectedNumber", "cutparts.txt", "selected 1", "selected=y",
     "Error occured when converting cutpart selected on audio CD track!"},
    {"Compression", "cutparts.txt", "1001A0001\n3\n", "1001A0001\nthree\n",
     "Error occured when converting compression number!"},
    {"EmptyLocality", "cutparts.txt", "\nKHAOYAI\nBRASK", "\n\nBRASK", "Locality is empty string!?"},
    {"UnknownLocality", "cutparts.txt", "\nKHAOYAI\nBRASK", "\nKHAO\nBRASK",
     "cutparts.txt corrupt! Error 1\nhint: \"KHAO\""},
    {"UnknownRecordist", "cutparts.txt", "BRASK, TOMAS", "BRASK",
     "cutparts.txt corrupt! Error 5\nhint: \"BRASK\""},
    {"EmptyItemSection", "cupaitem.txt", "@#[2_1]\n1\nA\n7\n\nsong\nP\n\n\n1001A0002\n", "@#[2_1]\n",
     "cupaitem.txt corrupt! Error 1\nhint: \"2001\""},
    {"ItemSectionWithoutAWholeItem", "cupaitem.txt", "@#[2_1]\n1\nA\n7\n\nsong\nP\n\n\n1001A0002\n",
     "@#[2_1]\n1\nA\n7\n\nsong\nP\n\n\n", "cupaitem.txt corrupt! Error 1\nhint: \"2001\""},
    {"MissingItemSection", "cupaitem.txt", "@#[2_1]", "@#[2_2]", "does not hold the section \"2_1\""},
    {"UnknownCutPart", "cupaitem.txt", "1001A0002", "1001A0003",
     "cupaitem.txt corrupt! Error 2\nhint: \"2001\""},
    {"FamilyNumber", "syst_ord.txt", "1002,2", "1002,two",
     "Error in file \"<dir>syst_ord.txt\": error converting family nr"},
    // The loader's own messages for inconsistencies that would otherwise give wrong data.
    {"DuplicatePerson", "people.txt", "LINDQVAL, ERIK", "brask, tomas",
     "File \"people.txt\", line 12: the person key occurs twice"},
    {"DuplicateUniqueId", "names_sc.txt", "201 2001", "201 1002", "the species unique ID occurs twice"},
    {"DuplicateCutPart", "cutparts.txt", "1001A0002", "1001a0001",
     "File \"cutparts.txt\", line 33: the cut-part key occurs twice"},
    {"SpeciesTwiceInOrder", "syst_ord.txt", "1001,2\n", "1001,2\n1001,1\n",
     "File \"syst_ord.txt\", line 12: the species is listed twice in this order"},
    {"UnknownSpeciesInOrder", "syst_ord.txt", "1001,2", "1003,2", "no species has the unique ID \"1003\""},
    {"FamilyOutOfRange", "syst_ord.txt", "1001,2", "1001,4",
     "there is no family number 4 in section \"1_FAMILIES\""},
    {"MapBound", "mapsdata.txt", "68,98,36,6.5", "68,98,36",
     "File \"mapsdata.txt\", line 8: the map bound \"\" is not a number"},
    {"ThreatStatus", "names_sc.txt", "T(VU)", "T(LC)", "the threat status must be"},
    {"MapReferenceForm", "names_sc.txt", "D(\"SAROVAN\" MaskMain)", "D(SAROVAN)",
     "a map reference must be written"},
    {"TextAuthor", "names_sc.txt", "TH-MA-SI\n2", "TH-MA-SI\n5", "the text author must be 1, 2, 3 or 4"},
    {"Coordinates", "locality.txt", "   86415D", "  86 415D", "the coordinate \"  86 415\" is not a number"},
    {"CutPartKey", "cutparts.txt", "1001A0001", "A0001", "the cut-part key \"A0001\" is not digits"},
    {"ItemNumber", "cupaitem.txt", "2\nB\n", "two\nB\n", "line 11: the item number \"two\" is not a number"},
};

INSTANTIATE_TEST_SUITE_P(Data, DataFatalTest, ::testing::ValuesIn(fatal_cases),
                         [](const ::testing::TestParamInfo<FatalCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace morvelin
