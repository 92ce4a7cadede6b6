#include "show_strings_test_fixture.h"

#include "scripted_modal.h"
#include "ui/display/child_form.h"
#include "ui/display/find_dialog.h"
#include "ui/display/top_forms.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>

namespace morvelin::testing {
namespace {

class ChildFormDocumentTest : public DocumentTest {
protected:
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i)
            delete top_forms().form(i);
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
            if (l->kind == line_kind::species_fold && l->species->scientific_name == "Gallus gallus")
                fold = l;
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

// Find asks with the find dialog (answered by a modal script); a text that is nowhere is reported with
// the warning icon and leaves the selection where it was.
TEST_F(ChildFormDocumentTest, FindAndFindAgainWalkTheMatchesAndReportATextThatIsNowhere) {
    ScriptedMessages messages;
    std::string answer = "extra pitta";
    int asked = 0;
    ScriptedModal scripted([&](QDialog& dialog) {
        ++asked;
        auto& find = dynamic_cast<TFindInShowStringsDialog&>(dialog);
        find.edit()->setText(QString::fromStdString(answer));
        find.from_top_box()->setChecked(true);
        return int(QDialog::Accepted);
    });
    TChildForm main;
    main.window_set_up(WindowSetUp{});
    TShowStrings& doc = main.pane()->strings();

    main.find_click();
    TShowStringsLine* first = doc.selected();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text, "Extra Pitta 2");
    main.find_again_click(); // F3 goes on below the match without asking again
    TShowStringsLine* second = doc.selected();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->text, "Extra Pitta 3");
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(messages.shown().empty());

    answer = "no such bird";
    main.find_click();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "The text \"no such bird\" was not found.");
    EXPECT_EQ(messages.shown()[0].flags & 0xF0, mb::icon_warning);
    EXPECT_EQ(doc.selected(), second);
}

class NoSiteDescriptionsTest : public ChildFormDocumentTest {
    void prepare_disc() override { disc.replace("locality.txt", "khaoyai.htm#top\n", "\n"); }
};

TEST_F(ChildFormDocumentTest, ViewMenuShowsWhenALocalityHasASiteDescription) {
    TChildForm main;
    main.window_set_up(WindowSetUp{});
    EXPECT_TRUE(main.view_menu()->menuAction()->isVisible());
}

TEST_F(NoSiteDescriptionsTest, ViewMenuIsHiddenWithoutSiteDescriptions) {
    TChildForm main;
    main.window_set_up(WindowSetUp{});
    EXPECT_FALSE(main.view_menu()->menuAction()->isVisible());
}

} // namespace
} // namespace morvelin::testing
