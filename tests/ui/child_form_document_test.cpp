#include "show_strings_test_fixture.h"

#include "display/child_form.h"
#include "display/top_forms.h"

namespace morvelin::testing {
namespace {

class ChildFormDocumentTest : public DocumentTest {
protected:
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i) delete top_forms().form(i);
        DocumentTest::TearDown();
    }
};

// What one session leaves in the settings file, the next one shows again: the filter of each window,
// the unfolded families and the selected species (species themselves come back folded).
TEST_F(ChildFormDocumentTest, FilterAndFoldingComeBackInTheNextSession) {
    settings_write_string("", "WINDOW 1", "Selected Area", "MA-TH");
    int lines = 0;
    TShowStringsViewState before;
    {
        TChildForm main;
        main.window_set_up(WindowSetUp{});
        EXPECT_EQ(main.area_panel_text(), "       TH-MA       ");
        TShowStrings& doc = main.pane()->strings();
        TShowStringsLine* family = doc.find_header(1, 0);
        ASSERT_TRUE(family);
        ASSERT_TRUE(doc.toggle_fold(family->prev, true, false, false));
        TShowStringsLine* fold = nullptr;
        for (TShowStringsLine* l = family; l; l = l->next)
            if (l->kind == line_kind::species_fold && l->species->scientific_name == "Gallus gallus") fold = l;
        ASSERT_TRUE(fold);
        lines = doc.line_count();
        ASSERT_TRUE(doc.toggle_fold(fold, true, false, false));
        doc.set_selected(fold->next);
        before = main.pane()->view_state();
        ASSERT_GT(before.selected_species, 0);
        top_forms().write_data_to_ini_file();
    }
    EXPECT_EQ(settings_read_integer("", "GENERAL", "Windows", 0), 1);

    TChildForm again;
    again.window_set_up(WindowSetUp{});
    EXPECT_EQ(again.area_panel_text(), "       TH-MA       ");
    EXPECT_EQ(again.pane()->strings().line_count(), lines);
    const TShowStringsViewState after = again.pane()->view_state();
    EXPECT_EQ(after.unfolded_families, std::vector<int>{1});
    EXPECT_EQ(after.selected_family, 1);
    EXPECT_EQ(after.selected_species, before.selected_species);
}

} // namespace
} // namespace morvelin::testing
