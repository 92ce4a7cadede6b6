#include "show_strings_test_fixture.h"

#include "ui/display/show_sound_bars.h"

#include <QApplication>
#include <QStyle>

namespace morvelin::testing {
namespace {

using K = std::vector<std::uint8_t>;
namespace lk = line_kind;

class ShowStringsTest : public DocumentTest {
protected:
    // Unfolds family n and returns its header.
    TShowStringsLine* unfold_family(int n) {
        TShowStringsLine* header = doc().find_header(n, 0);
        EXPECT_NE(header, nullptr);
        EXPECT_TRUE(doc().toggle_fold(header->prev, true, false, false));
        return header;
    }
    TShowStringsLine* unfold_species(const std::string& scientific) {
        TShowStringsLine* fold = species_fold(scientific);
        EXPECT_NE(fold, nullptr);
        EXPECT_TRUE(doc().toggle_fold(fold, true, false, false));
        return fold;
    }
    // Kinds of the lines after a line, up to the next line of one of the stop kinds.
    K kinds_after(TShowStringsLine* line, std::initializer_list<std::uint8_t> stop) {
        K out;
        for (TShowStringsLine* l = line->next; l; l = l->next) {
            if (std::find(stop.begin(), stop.end(), l->kind) != stop.end()) break;
            out.push_back(l->kind);
        }
        return out;
    }
    std::vector<std::string> row_names(TShowStringsLine* header) {
        std::vector<std::string> names;
        for (TShowStringsLine* l = header->next; l && is_name_kind(l->kind); l = l->next)
            names.push_back(doc().drawn_text(*l));
        return names;
    }
};

TEST_F(ShowStringsTest, FirstLevelListsEachVisibleFamilyWithItsNames) {
    build();
    EXPECT_EQ(kinds(), (K{lk::family_fold, lk::family_header, lk::family_other, lk::family_scientific,
                          lk::family_fold, lk::family_header, lk::family_other, lk::family_scientific}));
    TShowStringsLine* header = doc().find_header(2, 0);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->family->scientific_name, "Pittidae");
    EXPECT_EQ(row_names(header), (std::vector<std::string>{"Pittas. ", "Pittidae"}));
    EXPECT_EQ(header->next->font, (FontRef{font_style::normal, 0, 0}));
    EXPECT_EQ(header->next->next->font, (FontRef{font_style::italic, 0, 0}));
    // The first family's first name is selected; the fold lines are collapsed spacers.
    EXPECT_EQ(doc().selected(), doc().head()->next->next);
    EXPECT_EQ(doc().head()->height, TShowFonts::instance().spacer_height());
    EXPECT_FALSE(doc().head()->expanded());
}

TEST_F(ShowStringsTest, FamiliesWithoutVisibleSpeciesAreLeftOut) {
    settings.visible.only_with_sounds_or_photos =
        true; // the extra pittas have no media, Pitta has a recording
    settings.visible.carriers.visible_cds = {};
    settings.visible.carriers.show_native = false; // no recording is visible now
    build();
    // Only Pavo and Gallus have photos: the pitta family disappears.
    EXPECT_EQ(kinds(), (K{lk::family_fold, lk::family_header, lk::family_other, lk::family_scientific}));
}

struct NameCase {
    bool scientific;
    bool other;
    int main;
    std::vector<std::string> species_row;
};
void PrintTo(const NameCase& c, std::ostream* os) {
    *os << "scientific " << c.scientific << ", other " << c.other << ", main " << c.main;
}

class NameSettingsTest : public ShowStringsTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameSettingsTest, SpeciesRowNamesFollowTheSettings) {
    const NameCase& c = GetParam();
    settings.scientific = c.scientific;
    settings.other_language = c.other;
    settings.main_name = c.main;
    build();
    unfold_family(1);
    TShowStringsLine* gallus = species_fold("Gallus gallus")->next;
    EXPECT_EQ(row_names(gallus), c.species_row);

    // Changing the settings on a built document gives the same rows.
    settings.scientific = settings.other_language = true;
    settings.main_name = main_name::other_language;
    build();
    unfold_family(1);
    doc().apply_name_settings(c.scientific, c.other, c.main);
    EXPECT_EQ(row_names(species_fold("Gallus gallus")->next), c.species_row);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameSettingsTest,
    ::testing::Values(NameCase{true, true, main_name::other_language, {"Red Junglefowl. ", "Gallus gallus"}},
                      NameCase{true, true, main_name::scientific, {"Gallus gallus. ", "Red Junglefowl"}},
                      NameCase{true, false, main_name::other_language, {"Gallus gallus"}},
                      NameCase{false, true, main_name::other_language, {"Red Junglefowl"}},
                      NameCase{false, true, main_name::scientific, {"Red Junglefowl"}},
                      // With both kinds off the scientific name is still shown.
                      NameCase{false, false, main_name::other_language, {"Gallus gallus"}}));

TEST_F(ShowStringsTest, SpeciesRowLinesAndTheirExtras) {
    build();
    unfold_family(1);
    TShowStringsLine* gallus = species_fold("Gallus gallus");
    // Fold, header, two names, map button, content icons, literature, threatened status, other names.
    EXPECT_EQ(kinds_after(gallus, {lk::species_fold}),
              (K{lk::species_header, lk::species_other, lk::species_scientific, lk::map_button,
                 lk::content_icons, lk::literature_link, lk::threatened_status, lk::other_names}));
    TShowStringsLine* icons = find_line(lk::content_icons, "", gallus);
    EXPECT_EQ(icons->state[0], 1); // photos
    EXPECT_EQ(icons->state[2], 1); // recordings
    EXPECT_EQ(find_line(lk::threatened_status, "", gallus)->text, "  \x0dVulnerable\x0d");
    EXPECT_EQ(find_line(lk::other_names, "", gallus)->x, 145);
    // Without threatened statuses and vernacular names, neither line is made.
    settings.show_threatened = false;
    settings.other_language = false;
    build();
    unfold_family(1);
    EXPECT_EQ(kinds_after(species_fold("Gallus gallus"), {lk::species_fold}),
              (K{lk::species_header, lk::species_scientific, lk::map_button, lk::content_icons,
                 lk::literature_link}));
}

TEST_F(ShowStringsTest, SpeciesHeaderShowsItsNumberAndNamesAreSeparated) {
    build();
    unfold_family(2);
    TShowStringsLine* header = doc().find_header(2, 12);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->species->scientific_name, "Pitta extra12");
    EXPECT_EQ(doc().drawn_text(*header), "12. ");
    EXPECT_EQ(row_names(header), (std::vector<std::string>{"Extra Pitta 12. ", "Pitta extra12"}));
    // Painted on one row: each part starts where the one before it ended.
    form->set_scroll_position(0);
    doc().paint(nullptr, QRect(0, 0, 800, 20000), QRect(0, 0, 800, 20000), false);
    const auto width = [](FontRef f, const char* text) {
        return TShowFonts::instance().metrics(f).horizontalAdvance(QString::fromLatin1(text));
    };
    TShowStringsLine* first = header->next;
    TShowStringsLine* second = first->next;
    EXPECT_EQ(first->painted_y, header->painted_y);
    EXPECT_EQ(second->painted_y, header->painted_y);
    EXPECT_EQ(first->painted_x, header->painted_x + width(FontRef{}, "12. "));
    EXPECT_EQ(second->painted_x, first->painted_x + width(FontRef{}, "Extra Pitta 12. "));
}

TEST_F(ShowStringsTest, UnfoldingASpeciesAddsTextRecordingsAndSubspecies) {
    build();
    TShowStringsLine* family = unfold_family(1);
    TShowStringsLine* fold = unfold_species("Gallus gallus");
    TShowStringsLine* end = fold->next;
    while (end->next->kind > lk::species_header && end->next->kind <= lk::other_names)
        end = end->next;
    EXPECT_EQ(
        kinds_after(end, {lk::species_fold}),
        (K{lk::species_text, lk::subspecies_header, lk::subspecies_pictures, // gallus has a photo of its own
           lk::recording_number, lk::sound_bar, lk::recording_fold, lk::recording_code, lk::recording_title,
           lk::subspecies_header, lk::recording_number, lk::sound_bar, lk::cd_line, lk::recording_fold,
           lk::recording_code, lk::recording_title, lk::subspecies_header})); // murghi has no recording
    TShowStringsLine* text = find_line(lk::species_text, "", fold);
    EXPECT_EQ(plain_text(text->text), "Voice\nRange");
    EXPECT_EQ(text->x, 145);
    EXPECT_EQ(text->height, 2 * TShowFonts::instance().line_height());

    TShowStringsLine* header = find_line(lk::subspecies_header, "", fold);
    EXPECT_EQ(header->text, "\x0bGallus gallus gallus\x0b");
    TShowStringsLine* bar = find_line(lk::sound_bar, "", fold);
    ASSERT_NE(bar->sound_bar, nullptr);
    EXPECT_EQ(bar->sound_bar->key, static_cast<std::uint32_t>((family->number * 400 + 1) * 500 + 1));
    EXPECT_EQ(bar->sound_bar->number, 1);
    EXPECT_EQ(bar->sound_bar->bar, nullptr); // made on first paint
    EXPECT_EQ(find_line(lk::cd_line, "", fold)->text, "       CD \x0dSounds of Sarovan 1\x0d");
    EXPECT_EQ(find_line(lk::cd_line, "", fold)->x, 0);
    TShowStringsLine* code = find_line(lk::recording_code, "", fold);
    EXPECT_EQ(code->text, "A");
    EXPECT_EQ(code->height, 0); // on the row of the recording fold before it
    EXPECT_EQ(code->prev->height,
              std::max(19, TShowFonts::instance().metrics(FontRef{font_style::bold, 1, 0}).height() * 7 / 6));
    EXPECT_EQ(plain_text(find_line(lk::recording_title, "", fold)->text), "song, Nakhon Ratchasima");
    // At least a scroll bar and a line high, and room for the bar's numbers line above the slider.
    const int lh = TShowFonts::instance().line_height();
    EXPECT_GE(find_line(lk::recording_number, "", fold)->height,
              QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) + lh - 3);
    EXPECT_GE(find_line(lk::recording_number, "", fold)->height, lh + 1 + 15);

    // Folding takes everything away again.
    const int lines = doc().line_count();
    EXPECT_TRUE(doc().toggle_fold(fold->next, false, true, false));
    EXPECT_EQ(doc().line_count(), lines - 16);
    EXPECT_FALSE(fold->expanded());
}

TEST_F(ShowStringsTest, SpeciesWithNothingToUnfoldShowsTheInvisibleBox) {
    build();
    unfold_family(1);
    TShowStringsLine* pavo = species_fold("Pavo cristatus");
    EXPECT_EQ(doc().bitmap_of(*pavo), show_bitmap::invisible);
    const int lines = doc().line_count();
    EXPECT_FALSE(doc().toggle_fold(pavo, false, false, false));
    EXPECT_FALSE(doc().toggle_fold(pavo->next->next, false, false, false)); // by its name
    EXPECT_EQ(doc().line_count(), lines);
    EXPECT_EQ(doc().bitmap_of(*species_fold("Gallus gallus")), show_bitmap::species_plus);
}

TEST_F(ShowStringsTest, UnfoldOnlyAndFoldOnlyLeaveTheOtherStateAlone) {
    build();
    TShowStringsLine* fold = doc().head();
    EXPECT_FALSE(doc().toggle_fold(fold, false, true, false)); // folding a folded family
    EXPECT_TRUE(doc().toggle_fold(fold, true, false, false));
    EXPECT_FALSE(doc().toggle_fold(fold, true, false, false)); // unfolding an unfolded one
    EXPECT_TRUE(fold->expanded());
    EXPECT_TRUE(doc().toggle_fold(fold->next->next, false, false, false)); // by the name: folds
    EXPECT_FALSE(fold->expanded());
}

TEST_F(ShowStringsTest, RecordingDetailsUnfoldAndFoldAlone) {
    build();
    unfold_family(1);
    TShowStringsLine* species = unfold_species("Gallus gallus");
    TShowStringsLine* rf = find_line(lk::recording_fold, "", species);
    const int before = doc().line_count();
    EXPECT_TRUE(doc().toggle_fold(rf->next, false, false, false)); // by the recording code
    EXPECT_EQ(kinds_after(rf->next->next, {lk::subspecies_header}),
              (K{lk::detail_recordist, lk::detail_locality, lk::detail_audible}));
    const TShowStringsLine* recordist = find_line(lk::detail_recordist, "", rf);
    EXPECT_EQ(recordist->text, "Recorded by \x0d"
                               "BRASK, TOMAS\x0d on 00-00-2005.");
    EXPECT_EQ(plain_text(find_line(lk::detail_locality, "", rf)->text),
              "Locality: Khao Yai (Nakhon Ratchasima, Thailand).");
    EXPECT_EQ(plain_text(find_line(lk::detail_audible, "", rf)->text), "first half second half\nDawn chorus");
    EXPECT_EQ(recordist->x, 235);
    EXPECT_EQ(doc().bitmap_of(*rf), show_bitmap::little_minus);

    EXPECT_TRUE(doc().toggle_fold(rf, false, false, false));
    EXPECT_EQ(doc().line_count(), before);
    EXPECT_EQ(doc().bitmap_of(*rf), show_bitmap::little_plus);
}

TEST_F(ShowStringsTest, FoldingRemovesTheSelectionAndTheCurrentLines) {
    build();
    TShowStringsLine* family = unfold_family(1);
    TShowStringsLine* fold = unfold_species("Gallus gallus");
    TShowStringsLine* code = find_line(lk::recording_code, "", fold);
    doc().set_selected(code);
    doc().set_current(family, fold->next);
    EXPECT_EQ(doc().status_text(), "Pheasants and allies, Red Junglefowl");
    EXPECT_TRUE(doc().toggle_fold(family->prev, false, true, false));
    EXPECT_EQ(doc().selected(), nullptr);
    EXPECT_EQ(doc().current_species(), nullptr);
    EXPECT_EQ(doc().current_family(), family);
    EXPECT_EQ(doc().status_text(), "Pheasants and allies");
}

TEST_F(ShowStringsTest, FoldAllReturnsToTheFirstLevel) {
    build();
    const K first_level = kinds();
    unfold_family(2);
    unfold_species("Pitta moluccensis");
    doc().fold_all();
    EXPECT_EQ(kinds(), first_level);
    EXPECT_EQ(doc().selected(), doc().head()->next->next);
}

TEST_F(ShowStringsTest, SelectionMarginsAndTheBarAtTheSelection) {
    build();
    doc().set_selected(nullptr);
    EXPECT_EQ(doc().selection_margins(), std::make_pair(10, 10));
    unfold_family(1);
    TShowStringsLine* fold = unfold_species("Gallus gallus");
    form->update_scroll_range();
    form->set_scroll_position(20);
    paint();
    TShowStringsLine* first_code = find_line(lk::recording_code, "", fold);
    TShowStringsLine* second_code = find_line(lk::recording_code, "", first_code->next);
    doc().set_selected(second_code);
    ASSERT_NE(doc().sound_bar_at_selection(), nullptr);
    EXPECT_EQ(doc().sound_bar_at_selection()->number, 2);
    const int top = doc().line_top(second_code);
    EXPECT_EQ(
        doc().selection_margins(),
        std::make_pair(top - form->scroll_position(), form->scroll_position() + form->client_height() - top));
    doc().set_selected(doc().head()->next->next);
    EXPECT_EQ(doc().sound_bar_at_selection(), nullptr);
}

TEST_F(ShowStringsTest, TextSizeIsStoredFromTheNormalFont) {
    TShowFonts& fonts = TShowFonts::instance();
    const int saved = fonts.text_size();
    build();
    const int old_spacer = doc().head()->height;
    fonts.rebuild(20);
    EXPECT_EQ(fonts.pixel_height(FontRef{}), 20);
    EXPECT_GE(fonts.line_height(), 20);
    EXPECT_EQ(fonts.spacer_height(), std::max(30, fonts.line_height() * 3 / 2));
    fonts.write_text_size();
    EXPECT_EQ(settings_read_integer("", "GENERAL", "Text Size", 0), 20);
    // Lines already made take the new heights when laid out again.
    form->fonts_changed();
    EXPECT_EQ(doc().head()->height, fonts.spacer_height());
    EXPECT_NE(doc().head()->height, old_spacer);
    fonts.rebuild(saved);
}

class SharedSourceTest : public ShowStringsTest {
protected:
    // Both shown recordings of Gallus are cut from source 9.
    void prepare_disc() override {
        disc.replace("cutparts.txt", "KHAOYAI\n\n\n\n@#[]\n10C0001", "KHAOYAI\n\n\n\n9\n@#[]\n10C0001");
    }
};

TEST_F(SharedSourceTest, RecordingsFromOneSourceGetStars) {
    build();
    unfold_family(1);
    TShowStringsLine* fold = unfold_species("Gallus gallus");
    TShowStringsLine* first = find_line(lk::recording_title, "", fold);
    TShowStringsLine* second = find_line(lk::recording_title, "", first->next);
    const std::string stars = std::string(" ") + "\x0c\x0f\x0f* \x0e\x0e\x0c";
    EXPECT_EQ(first->text.substr(first->text.size() - stars.size()), stars);
    EXPECT_EQ(second->text.substr(second->text.size() - stars.size()), stars);
}

TEST_F(ShowStringsTest, SharedRecordingGetsAPercentageLine) {
    build();
    unfold_family(2);
    TShowStringsLine* fold = unfold_species("Pitta moluccensis");
    TShowStringsLine* title = find_line(lk::recording_title, "", fold);
    EXPECT_EQ(title->x, 235);
    TShowStringsLine* pct = find_line(lk::percentage, "", fold);
    ASSERT_NE(pct, nullptr);
    EXPECT_EQ(pct->number, 7);
    EXPECT_EQ(doc().drawn_text(*pct), "Share of this species: 7%");
}

// ---------------------------------------------------------------- view state

struct StateCase {
    const char* text;
    std::array<bool, 7> groups;
    std::array<int, 5> numbers; // top group, family, species, selected family, species
    std::vector<int> unfolded;
};
void PrintTo(const StateCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

constexpr std::array<bool, 7> all_groups{false, true, true, true, true, true, true};

class ViewStateTextTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(ViewStateTextTest, Reads) {
    const StateCase& c = GetParam();
    const TShowStringsViewState s = TShowStringsViewState::from_text(c.text);
    EXPECT_EQ(s.groups, c.groups);
    EXPECT_EQ(
        (std::array<int, 5>{s.top_group, s.top_family, s.top_species, s.selected_family, s.selected_species}),
        c.numbers);
    EXPECT_EQ(s.unfolded_families, c.unfolded);
}

std::vector<int> one_to(int n) {
    std::vector<int> v;
    for (int i = 1; i <= n; ++i)
        v.push_back(i);
    return v;
}
std::string with_families(int n) {
    std::string text = "1,1,0,1,0";
    for (int i = 1; i <= n; ++i)
        text += "," + std::to_string(i);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewStateTextTest,
    ::testing::Values(
        StateCase{"1,3,2,4,5,7,9", all_groups, {1, 3, 2, 4, 5}, {7, 9}},
        StateCase{
            "101000,3,2,0,2,0,12", {false, true, false, true, false, false, false}, {3, 2, 0, 2, 0}, {12}},
        // A malformed number among the first five restores the defaults only.
        StateCase{"1,x,0,1,0,5", all_groups, {1, 1, 0, 1, 0}, {}},
        StateCase{"1,3,2,4", all_groups, {1, 1, 0, 1, 0}, {}},
        StateCase{"110000,2,x,1,7,1,3", {false, true, true, false, false, false, false}, {1, 1, 0, 1, 0}, {}},
        StateCase{"", all_groups, {1, 1, 0, 1, 0}, {}},
        StateCase{"9,1,0,1,0", all_groups, {6, 1, 0, 1, 0}, {}},
        StateCase{"1,2,0,1,0,a,4,,5", all_groups, {1, 2, 0, 1, 0}, {4, 5}},
        StateCase{" 1, 2 ,0,+1,0", all_groups, {1, 2, 0, 1, 0}, {}}));

TEST(ViewStateTextTest, AtMostTwentyUnfoldedFamiliesAreRead) {
    EXPECT_EQ(TShowStringsViewState::from_text(with_families(25)).unfolded_families, one_to(20));
}

TEST(ViewStateTextTest, WritesWithGroupFlagsOnlyWhenGrouped) {
    TShowStringsViewState s;
    s.groups = {false, false, false, true, false, false, true};
    s.top_group = 3;
    s.top_family = 12;
    s.top_species = 4;
    s.selected_family = 12;
    s.selected_species = 5;
    s.unfolded_families = {12, 3};
    EXPECT_EQ(s.to_text(true), "001001,3,12,4,12,5,12,3");
    EXPECT_EQ(s.to_text(false), "1,12,4,12,5,12,3");
    const TShowStringsViewState back = TShowStringsViewState::from_text(s.to_text(true));
    EXPECT_EQ(back.to_text(true), s.to_text(true));
}

TEST_F(ShowStringsTest, ViewStateSurvivesASaveAndRestore) {
    form->resize(800, 300);
    build();
    TShowStringsLine* pittas = unfold_family(2);
    unfold_family(1);
    TShowStringsLine* species = doc().find_header(2, 5);
    doc().set_selected(species->next);
    doc().set_current(pittas, species);
    form->update_scroll_range();
    const int top = doc().line_top(doc().find_header(2, 3));
    form->set_scroll_position(top);
    ASSERT_EQ(form->scroll_position(), top);
    paint();
    const TShowStringsViewState state = doc().capture_view_state();
    EXPECT_EQ(state.to_text(false), "1,2,3,2,5,2,1");

    TShowForm restored;
    restored.resize(800, 300);
    restored.set_up(nullptr, TShowStringsViewState::from_text(state.to_text(false)), &settings);
    TShowStrings& r = restored.strings();
    EXPECT_TRUE(r.find_header(1, 0)->prev->expanded());
    EXPECT_TRUE(r.find_header(2, 0)->prev->expanded());
    ASSERT_NE(r.selected(), nullptr);
    EXPECT_EQ(r.selected()->text, "Extra Pitta 5");
    EXPECT_EQ(restored.scroll_to_apply(), top);
    EXPECT_EQ(restored.status_text(), "Pittas, Extra Pitta 5");
}

TEST_F(ShowStringsTest, MalformedVisibleValueRestoresOnlyTheDefaults) {
    form->set_up(nullptr, TShowStringsViewState::from_text("1,2,x,2,5,2,1"), &settings);
    EXPECT_FALSE(doc().find_header(1, 0)->prev->expanded());
    EXPECT_FALSE(doc().find_header(2, 0)->prev->expanded());
    EXPECT_EQ(doc().selected(), doc().find_header(1, 0)->next);
    EXPECT_EQ(form->scroll_to_apply(), 0);
}

// ---------------------------------------------------------------- settings

TEST_F(ShowStringsTest, DisplaySettingsDefaultsAndStoredValues) {
    const SHST_TClassShowStringsData fresh =
        SHST_TClassShowStringsData::read_from_settings(*data, "WINDOW 1");
    EXPECT_TRUE(fresh.scientific && fresh.other_language && fresh.show_threatened && fresh.show_department);
    EXPECT_TRUE(fresh.show_country); // offered by this edition, default yes
    EXPECT_EQ(fresh.main_name, main_name::other_language);
    EXPECT_EQ(fresh.systematic_order, 1);

    SHST_TClassShowStringsData d = settings;
    d.main_name = main_name::scientific;
    d.systematic_order = 3;
    d.show_threatened = false;
    d.show_department = false;
    d.show_country = false;
    d.write_to_settings(*data, "WINDOW 2");
    EXPECT_EQ(settings_read_string("", "WINDOW 2", "Main", ""), "Scientific");
    const SHST_TClassShowStringsData back = SHST_TClassShowStringsData::read_from_settings(*data, "WINDOW 2");
    EXPECT_EQ(back.main_name, main_name::scientific);
    EXPECT_EQ(back.systematic_order, 3);
    EXPECT_FALSE(back.show_threatened || back.show_department || back.show_country);
    EXPECT_FALSE(back.visible.only_with_sounds_or_photos);
}

struct StoredCase {
    std::vector<std::pair<const char*, const char*>> keys;
    bool scientific;
    bool other;
    int main;
    int order;
};
void PrintTo(const StoredCase& c, std::ostream* os) {
    for (const auto& [key, value] : c.keys)
        *os << key << '=' << value << ' ';
}

class StoredSettingsTest : public ShowStringsTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredSettingsTest, Reads) {
    for (const auto& [key, value] : GetParam().keys)
        settings_write_string("", "WINDOW 1", key, value);
    const SHST_TClassShowStringsData d = SHST_TClassShowStringsData::read_from_settings(*data, "WINDOW 1");
    EXPECT_EQ(d.scientific, GetParam().scientific);
    EXPECT_EQ(d.other_language, GetParam().other);
    EXPECT_EQ(d.main_name, GetParam().main);
    EXPECT_EQ(d.systematic_order, GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredSettingsTest,
    ::testing::Values(
        StoredCase{{{"Main", "sCIENTIFIC"}}, true, true, main_name::scientific, 1},
        StoredCase{{{"Main", "Latin"}}, true, true, main_name::other_language, 1},
        // Without vernacular names the scientific one is forced on.
        StoredCase{
            {{"Other Language", "No"}, {"Scientific", "No"}}, true, false, main_name::other_language, 1},
        StoredCase{{{"Scientific", "No"}}, false, true, main_name::other_language, 1},
        StoredCase{{{"Systematic Order", "2"}}, true, true, main_name::other_language, 2},
        // Kind 4 is not among the orders of this disc; 7 is no kind at all.
        StoredCase{{{"Systematic Order", "4"}}, true, true, main_name::other_language, 1},
        StoredCase{{{"Systematic Order", "7"}}, true, true, main_name::other_language, 1}));

// ---------------------------------------------------------------- copy, tags

TEST_F(ShowStringsTest, NewWindowCopiesLinesAndSettings) {
    build();
    unfold_family(1);
    TShowStringsLine* fold = unfold_species("Gallus gallus");
    find_line(lk::sound_bar, "", fold)->sound_bar->slider_position = 33;
    doc().set_selected(find_line(lk::recording_code, "", fold));

    TShowForm copy;
    copy.resize(800, 600);
    copy.set_up(&doc(), TShowStringsViewState::initial(), nullptr);
    TShowStrings& c = copy.strings();
    std::vector<std::pair<std::uint8_t, std::string>> a, b;
    for (TShowStringsLine* l = doc().head(); l; l = l->next)
        a.emplace_back(l->kind, l->text);
    for (TShowStringsLine* l = c.head(); l; l = l->next)
        b.emplace_back(l->kind, l->text);
    EXPECT_EQ(a, b);
    TShowStringsLine* bar = nullptr;
    for (TShowStringsLine* l = c.head(); l && !bar; l = l->next)
        if (l->kind == lk::sound_bar) bar = l;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->sound_bar->key, find_line(lk::sound_bar, "", fold)->sound_bar->key);
    EXPECT_EQ(bar->sound_bar->slider_position, 0);
    EXPECT_EQ(bar->sound_bar->bar, nullptr);
    EXPECT_EQ(c.selected(), c.head()->next->next);
    EXPECT_EQ(copy.scroll_position(), 0);
    EXPECT_EQ(c.settings().main_name, doc().settings().main_name);
}

TEST_F(ShowStringsTest, RecordingTagTexts) {
    build();
    const Tspecies* gallus = data->find_species(1001);
    const Tcupaitem& own = *gallus->first_item;
    const Mp3TagTexts tags = doc().recording_tag_texts(own);
    EXPECT_EQ(tags.title, "song");
    EXPECT_EQ(tags.genre, "Red Junglefowl");
    EXPECT_EQ(tags.publisher, "Quellmark");
    EXPECT_EQ(tags.album, "Sarovan Bird Sounds 3.14 (1999-2009)");
    EXPECT_EQ(tags.artist, "BRASK, TOMAS");
    EXPECT_EQ(tags.comment,
              "Recorded by BRASK, TOMAS on 00-00-2005.\r\nLocality: Khao Yai (Nakhon Ratchasima, "
              "Thailand).\r\nfirst half second half\nDawn chorus");
    const Mp3TagTexts cd = doc().recording_tag_texts(*own.next_item);
    EXPECT_EQ(cd.publisher, "");
    EXPECT_EQ(cd.artist, "");
    EXPECT_EQ(cd.album, "Sounds of Sarovan 1");
}

// ---------------------------------------------------------------- grouped editions

class GroupedTest : public ShowStringsTest {
protected:
    void SetUp() override {
        ShowStringsTest::SetUp();
        determine_edition_from_code(81); // groups its families
        set_family_group_classifier([](const Tfamily& f) { return f.scientific_name == "Pittidae" ? 4 : 3; });
    }
    void TearDown() override {
        set_family_group_classifier(nullptr);
        ShowStringsTest::TearDown();
    }
};

TEST_F(GroupedTest, GroupsFoldAndTheirStateIsSaved) {
    ASSERT_TRUE(edition().switches.group_families);
    form->set_up(nullptr, TShowStringsViewState::from_text("000000,1,1,0,1,0"), &settings);
    EXPECT_EQ(kinds(), (K{lk::group_fold, lk::group_header, lk::group_fold, lk::group_header}));
    EXPECT_EQ(doc().head()->next->text, "Birds");
    EXPECT_EQ(doc().head()->next->font, (FontRef{font_style::bold, 1, 0}));
    EXPECT_EQ(doc().selected(), doc().head()->next);
    TShowStringsLine* mammals = doc().head()->next->next;
    EXPECT_TRUE(doc().toggle_fold(mammals, true, false, false));
    EXPECT_EQ(kinds_after(mammals->next, {}),
              (K{lk::family_fold, lk::family_header, lk::family_other, lk::family_scientific}));
    EXPECT_EQ(doc().find_header(2, 0)->number, 2); // numbered in the whole order
    EXPECT_EQ(doc().capture_view_state().to_text(true).substr(0, 7), "000100,");

    // Only the flagged groups unfold: a listed family in a folded group stays out of sight.
    TShowForm restored;
    restored.resize(800, 600);
    restored.set_up(nullptr, TShowStringsViewState::from_text("001000,3,1,0,1,0,2"), &settings);
    TShowStrings& r = restored.strings();
    EXPECT_TRUE(r.head()->expanded());
    ASSERT_NE(r.find_header(1, 0), nullptr);
    EXPECT_EQ(r.find_header(2, 0), nullptr); // group 4 stays folded

    // Without a classifier the families are in this edition's own group, the frogs and toads.
    set_family_group_classifier(nullptr);
    EXPECT_EQ(family_group(*data->first_family[1]), 6);
}

} // namespace
} // namespace morvelin::testing
