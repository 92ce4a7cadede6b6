#include "show_strings_test_fixture.h"

#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/species_search_field.h"
#include "ui/display/top_forms.h"

#include <QListWidget>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

namespace morvelin::testing {
namespace {

// A main window over the mini disc showing Thailand: Gallus gallus, Pitta moluccensis and the twelve
// extra pittas are listed, Pavo cristatus (India and Sri Lanka) is hidden.
class SpeciesSearchFieldTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        settings_write_string("", "WINDOW 1", "Selected Area", "TH");
        window = new TChildForm;
        window->window_set_up(WindowSetUp{});
        window->resize(900, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        field = window->search_field();
        field->setFocus();
    }
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i) delete top_forms().form(i);
        DocumentTest::TearDown();
    }
    void type(const char* text) {
        field->clear();
        QTest::keyClicks(field, QString::fromLatin1(text));
    }
    QStringList listed() const {
        QStringList out;
        for (int i = 0; i < field->list()->count(); ++i) out << field->list()->item(i)->text();
        return out;
    }
    TShowStrings& shown_doc() { return window->pane()->strings(); }

    TChildForm* window = nullptr;
    TSpeciesSearchField* field = nullptr;
};

TEST_F(SpeciesSearchFieldTest, TypingListsShownSpeciesFirstAndHiddenOnesGreyedWithTheReason) {
    // Every name found starts with "p"; Pavo comes first in systematic order but is hidden. A text
    // brings the clear button.
    EXPECT_FALSE(field->isClearButtonEnabled());
    type("p");
    EXPECT_TRUE(field->isClearButtonEnabled());
    ASSERT_TRUE(field->list()->isVisible());
    const QStringList rows = listed();
    ASSERT_EQ(rows.size(), 14);
    EXPECT_EQ(rows.first().toStdString(), "Blue-winged Pitta  Pitta moluccensis");
    EXPECT_EQ(rows.last().toStdString(), "Indian Peafowl  Pavo cristatus  \u2014 hidden: not in the chosen areas");
    EXPECT_NE(field->list()->item(13)->foreground().color(), field->list()->item(0)->foreground().color());

    // A hidden species cannot be chosen.
    type("peafowl");
    ASSERT_EQ(listed().size(), 1);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(field->list()->isVisible());
    EXPECT_EQ(shown_doc().current_species(), nullptr);

    // A species found by an other name says so.
    type("JEWEL thrush 13");
    ASSERT_EQ(listed().size(), 1);
    EXPECT_EQ(listed()[0].toStdString(), "Extra Pitta 13  Pitta extra13  (also: Also called Jewel Thrush 13)");

    type("no such bird");
    EXPECT_FALSE(field->list()->isVisible());
}

// The menu bar gives its corner widget the width the widget hints at; a hint below the field's
// minimum pushed the field past the window's right edge, its placeholder cut off.
TEST_F(SpeciesSearchFieldTest, FieldLiesWithinTheMenuBarAndShowsItsWholePlaceholder) {
    for (int width : {900, 640}) {
        window->resize(width, 600);
        QCoreApplication::processEvents();
        const QRect bar = window->menuBar()->rect();
        const QRect place = field->geometry();
        EXPECT_LE(place.right(), bar.right()) << "window width " << width;
        EXPECT_GE(place.width(), field->minimumWidth()) << "window width " << width;
        EXPECT_GT(place.width(), field->fontMetrics().horizontalAdvance(field->placeholderText()))
            << "window width " << width;
    }
}

TEST_F(SpeciesSearchFieldTest, ArrowsChooseAndEnterShowsTheSpeciesUnfolded) {
    type("p");
    ASSERT_EQ(listed().value(1).toStdString(), "Extra Pitta 2  Pitta extra2");
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->list()->currentRow(), 1);
    QTest::keyClick(field, Qt::Key_Up);
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->list()->currentRow(), 0);
    type("gallus");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(field->list()->isVisible());
    TShowStringsLine* species = shown_doc().current_species();
    ASSERT_NE(species, nullptr);
    EXPECT_EQ(species->species->scientific_name, "Gallus gallus");
    EXPECT_TRUE(species->prev->expanded());
    window->pane()->viewport()->repaint();
    EXPECT_TRUE(shown_doc().selection_visible());

    // Escape closes the list, then hands the keyboard back.
    type("pitta");
    QSignalSpy left(field, &TSpeciesSearchField::left);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->list()->isVisible());
    EXPECT_EQ(left.count(), 0);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(left.count(), 1);
}

} // namespace
} // namespace morvelin::testing
