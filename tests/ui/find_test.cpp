#include "show_strings_test_fixture.h"

#include "ui/display/find_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace morvelin::testing {
namespace {

namespace lk = line_kind;

class FindTest : public DocumentTest {
protected:
    // What the selection shows: its kind and plain text.
    std::pair<std::uint8_t, std::string> selection() {
        TShowStringsLine* s = doc().selected();
        return {s->kind, plain_text(s->text)};
    }
};

struct FindCase {
    const char* text;
    std::uint8_t kind;
    const char* selected;
    bool family_unfolded;
};
void PrintTo(const FindCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class FindFromTopTest : public FindTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(FindFromTopTest, SelectsTheMatchingName) {
    build();
    const FindCase& c = GetParam();
    ASSERT_TRUE(doc().find(c.text, true));
    EXPECT_EQ(selection(), std::make_pair(c.kind, std::string(c.selected)));
    TShowStringsLine* family = doc().current_family();
    ASSERT_NE(family, nullptr);
    EXPECT_EQ(family->prev->expanded(), c.family_unfolded);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindFromTopTest,
    ::testing::Values(FindCase{"junglefowl", lk::species_other, "Red Junglefowl", true},
                      // The second name of the row.
                      FindCase{"GALLUS G", lk::species_scientific, "Gallus gallus", true},
                      // The other names of a species, shown below its row.
                      FindCase{"jewel thrush 4", lk::other_names, "Also called Jewel Thrush 4", true},
                      // A family name selects the family without unfolding it.
                      FindCase{"pitt", lk::family_other, "Pittas", false},
                      FindCase{"idae", lk::family_scientific, "Phasianidae", false}));

TEST_F(FindTest, FindAgainGoesOnFromTheCurrentPlace) {
    build();
    std::vector<std::string> found;
    ASSERT_TRUE(doc().find("pitt", true));
    found.push_back(selection().second);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(doc().find("pitt", false)) << i;
        found.push_back(selection().second);
    }
    EXPECT_EQ(found,
              (std::vector<std::string>{"Pittas", "Blue-winged Pitta", "Extra Pitta 2", "Extra Pitta 3"}));
    // From the top again, whatever the current place.
    ASSERT_TRUE(doc().find("pitt", true));
    EXPECT_EQ(selection().second, "Pittas");
}

TEST_F(FindTest, TheLastMatchIsFollowedByNotFound) {
    build();
    ASSERT_TRUE(doc().find("extra pitta 13", true));
    TShowStringsLine* last = doc().selected();
    EXPECT_FALSE(doc().find("extra pitta 13", false));
    EXPECT_EQ(doc().selected(), last);
}

TEST_F(FindTest, NamesThatAreNotShownAreSearchedOnlyWhenAsked) {
    settings.scientific = false;
    build();
    EXPECT_FALSE(doc().find("gallus gallus", true));
    EXPECT_EQ(doc().selected(), doc().head()->next->next);
    ASSERT_TRUE(doc().find("gallus gallus", true, true));
    EXPECT_EQ(selection(), std::make_pair(lk::species_other, std::string("Red Junglefowl")));
    // Without vernacular names the other names are not searched.
    settings.scientific = true;
    settings.other_language = false;
    build();
    EXPECT_FALSE(doc().find("jewel thrush", true));
}

TEST_F(FindTest, EmptyTextFindsNothing) {
    build();
    EXPECT_FALSE(doc().find("", true));
}

// ---------------------------------------------------------------- dialog

TEST_F(FindTest, DialogShowsAndReturnsTheTextAndTheFlag) {
    TFindInShowStringsDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Find");
    EXPECT_EQ(dialog.from_top_box()->text(), "Search from the top");
    EXPECT_EQ(dialog.size(), QSize(313, 147));
    EXPECT_EQ(dialog.edit()->geometry().topLeft(), QPoint(16, 25));
    EXPECT_EQ(dialog.ok_button()->geometry().topLeft(), QPoint(74, 115));
    EXPECT_TRUE(dialog.ok_button()->isDefault());

    std::string text = "Gr\xFCn";
    bool from_top = true;
    QTimer::singleShot(0, [&dialog] {
        EXPECT_EQ(dialog.edit()->selectedText(), QString::fromUtf8("Grün"));
        EXPECT_EQ(dialog.font().pixelSize(), TShowFonts::instance().font(FontRef{}).pixelSize());
        dialog.edit()->setText(QString::fromUtf8("Möwe"));
        dialog.from_top_box()->setChecked(false);
        dialog.ok_button()->click();
    });
    EXPECT_EQ(dialog.execute(text, from_top), QDialog::Accepted);
    EXPECT_EQ(text, "M\xF6we");
    EXPECT_FALSE(from_top);

    QTimer::singleShot(0, [&dialog] {
        dialog.edit()->setText(QStringLiteral("ignored"));
        dialog.cancel_button()->click();
    });
    EXPECT_EQ(dialog.execute(text, from_top), QDialog::Rejected);
    EXPECT_EQ(text, "M\xF6we");
}

} // namespace
} // namespace morvelin::testing
