#include "show_strings_test_fixture.h"

#include "ui/display/show_sound_bars.h"
#include "scripted_media.h"
#include "core/sound/file_locations.h"
#include "core/sound/sound_bar_state.h"
#include "ui/sound/sonogram_strip.h"
#include "ui/sound/sound_bar.h"
#include "ui/foundation/qt_text.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

namespace morvelin::testing {
namespace {

namespace lk = line_kind;

int width_of(FontRef font, const std::string& text) {
    return TShowFonts::instance().metrics(font).horizontalAdvance(qt_text(text));
}

// ---------------------------------------------------------------- text layout

struct WrapCase {
    const char* name;
    std::string text;
    std::string fits; // the text that just fits the width
    std::string expected;
};
void PrintTo(const WrapCase& c, std::ostream* os) {
    *os << c.name;
}

class WrapTest : public ::testing::TestWithParam<WrapCase> {
protected:
    void SetUp() override { ui_application(); }
};

TEST_P(WrapTest, BreaksAtBlanks) {
    const WrapCase& c = GetParam();
    const int width = width_of(FontRef{}, c.fits);
    EXPECT_EQ(wrap_markup(c.text, FontRef{}, width), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrapTest,
    ::testing::Values(WrapCase{"two on the first line", "aa bb cc", "aa bb",
                               "aa bb\x12"
                               "cc"},
                      WrapCase{"line feeds stay", "aa\nbb cc dd", "bb cc",
                               "aa\nbb cc\x12"
                               "dd"},
                      WrapCase{"a long word gets its own line", "a verylongword b", "a",
                               "a\x12verylongword\x12"
                               "b"},
                      WrapCase{"soft breaks are undone first",
                               "aa\x12"
                               "bb\x12"
                               "cc",
                               "aa bb cc", "aa bb cc"},
                      // Style characters take no room: italic "bb" is measured in italics.
                      WrapCase{"markup has no width",
                               "aa \x0b"
                               "bb\x0b cc",
                               "aa bb",
                               "aa \x0b"
                               "bb\x0b\x12"
                               "cc"}),
    [](const ::testing::TestParamInfo<WrapCase>& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(MarkupTest, RunsFollowTheStyleCharacters) {
    ui_application();
    const TextLayout layout = layout_markup("a\x0b"
                                            "b\x0b"
                                            "c\x0c"
                                            "d\x0c\x0d"
                                            "e\x0d\x10"
                                            "f\x10\x11"
                                            "g\x11\x0e"
                                            "h\x0f\nI",
                                            FontRef{});
    ASSERT_EQ(layout.runs.size(), 9u);
    const auto& r = layout.runs;
    EXPECT_EQ(r[1].font.style, font_style::italic);
    EXPECT_EQ(r[2].font.style, font_style::normal);
    EXPECT_EQ(r[3].font.style, font_style::bold);
    EXPECT_TRUE(r[4].link);
    EXPECT_FALSE(r[5].link);
    EXPECT_EQ(r[5].colour, red_text_colour);
    EXPECT_EQ(r[6].colour, green_text_colour);
    EXPECT_EQ(r[7].font.size, -1);
    EXPECT_EQ(r[7].colour, default_text_colour);
    EXPECT_EQ(r[8].line, 1);
    EXPECT_EQ(r[8].x, 0);
    EXPECT_EQ(layout.line_count(), 2);
    int sum = 0;
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(r[static_cast<std::size_t>(i)].x, sum);
        sum += r[static_cast<std::size_t>(i)].width;
    }
    EXPECT_EQ(layout.line_widths[0], sum);
    // Bold fonts are never below 14 pixels, sizes step by -1, -2, +2, +4.
    TShowFonts& fonts = TShowFonts::instance();
    EXPECT_EQ(fonts.pixel_height(FontRef{font_style::normal, -2, 0}), fonts.text_size() - 2);
    EXPECT_EQ(fonts.pixel_height(FontRef{font_style::normal, 2, 0}), fonts.text_size() + 4);
    EXPECT_GE(fonts.pixel_height(FontRef{font_style::bold, -2, 0}), 14);
}

TEST(MarkupTest, LinkColourIsComparedWithoutItsLowBits) {
    EXPECT_TRUE(is_link_colour(QColor(0, 255, 0)));
    EXPECT_TRUE(is_link_colour(QColor(15, 240, 12)));
    EXPECT_FALSE(is_link_colour(QColor(0, 170, 0)));
}

// ---------------------------------------------------------------- painting and the mouse

class ShowViewTest : public DocumentTest {
protected:
    TShowStringsLine* unfold_family(int n) {
        TShowStringsLine* header = doc().find_header(n, 0);
        doc().toggle_fold(header->prev, true, false, false);
        form->update_scroll_range();
        return header;
    }
    TShowStringsLine* unfold(const std::string& scientific) {
        TShowStringsLine* fold = species_fold(scientific);
        doc().toggle_fold(fold, true, false, false);
        form->update_scroll_range();
        return fold;
    }
    // A click at a document point, through the pane's mouse event.
    void click_at(QPoint document_point) {
        paint();
        const QPoint p = document_point - QPoint(0, form->scroll_position());
        QMouseEvent press(QEvent::MouseButtonPress, p, form->viewport()->mapToGlobal(p), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->viewport(), &press);
    }
    static int count_colour(const QImage& image, QColor colour) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == colour) ++n;
        return n;
    }
    // The point just above a link's underline, within the run that holds text.
    QPoint on_link(const TShowStringsLine& line, const std::string& link_text) {
        const TextLayout layout = layout_markup(doc().drawn_text(line), line.font);
        const QFontMetrics& m = TShowFonts::instance().metrics(FontRef{});
        for (const TextRun& r : layout.runs) {
            if (r.link && r.source == link_text) {
                const int baseline =
                    line.bottom() + m.ascent() - 2 -
                    (layout.line_count() - 1 - r.line) * TShowFonts::instance().line_height();
                return QPoint(line.painted_x + r.x + 2, baseline - 3);
            }
        }
        ADD_FAILURE() << "no link " << link_text;
        return {};
    }
};

TEST_F(ShowViewTest, PaintingVisitsOnlyTheLinesNearTheView) {
    build();
    unfold_family(1);
    unfold_family(2);
    for (TShowStringsLine* l = doc().head(); l; l = l->next)
        if (l->kind == lk::species_fold && doc().bitmap_of(*l) != show_bitmap::invisible)
            doc().toggle_fold(l, true, false, false);
    form->update_scroll_range();
    paint();
    const std::uint32_t first_pass = doc().head()->laid_out;
    form->set_scroll_position(form->verticalScrollBar()->maximum());
    paint();
    EXPECT_EQ(doc().head()->laid_out, first_pass); // the top was not visited again
    std::uint32_t pass = 0;
    for (TShowStringsLine* l = doc().head(); l; l = l->next)
        pass = std::max(pass, l->laid_out);
    int visited = 0, visible_rows = 0;
    for (TShowStringsLine* l = doc().head(); l; l = l->next) {
        if (l->laid_out != pass) continue;
        ++visited;
        if (l->height > 0) ++visible_rows;
    }
    EXPECT_GT(visible_rows, 5);
    EXPECT_LT(visited, doc().line_count() / 2);
    // Rows lie one below the other.
    int previous_bottom = -1;
    for (TShowStringsLine* l = doc().head(); l; l = l->next) {
        if (l->laid_out != pass) continue;
        if (previous_bottom >= 0) {
            EXPECT_EQ(l->painted_y, previous_bottom);
        }
        previous_bottom = l->bottom();
    }
}

TEST_F(ShowViewTest, SelectionIsHighlightedOnlyInAnActivePane) {
    build();
    EXPECT_GT(count_colour(paint(true), selection_colour), 50);
    EXPECT_EQ(count_colour(paint(false), selection_colour), 0);
    // A selection scrolled out of view is not highlighted.
    unfold_family(1);
    unfold_family(2);
    form->set_scroll_position(form->verticalScrollBar()->maximum());
    EXPECT_EQ(count_colour(paint(true), selection_colour), 0);
    EXPECT_FALSE(doc().selection_visible());
}

TEST_F(ShowViewTest, FoldBoxesAreClickedAndTheInvisibleOneIsNot) {
    build();
    paint();
    TShowStringsLine* family = doc().head();
    const QPoint box = bitmap_centre(*family, show_bitmap::plus);
    EXPECT_TRUE(doc().is_clickable(box));
    EXPECT_FALSE(doc().is_clickable(box + QPoint(40, 0)));
    click_at(box);
    EXPECT_TRUE(family->expanded());
    EXPECT_EQ(doc().selected(), family->next->next); // the clicked row's first name

    paint();
    TShowStringsLine* pavo = species_fold("Pavo cristatus");
    const QPoint invisible = bitmap_centre(*pavo, show_bitmap::invisible);
    EXPECT_FALSE(doc().is_clickable(invisible));
    const int lines = doc().line_count();
    click_at(invisible);
    EXPECT_EQ(doc().line_count(), lines);
    EXPECT_EQ(doc().selected(), pavo->next->next);
    EXPECT_EQ(form->status_text(), "Pheasants and allies, Indian Peafowl");
}

TEST_F(ShowViewTest, LinksAreFoundUnderTheirText) {
    build();
    unfold_family(1);
    paint();
    TShowStringsLine* gallus = species_fold("Gallus gallus");
    TShowStringsLine* threat = find_line(lk::threatened_status, "", gallus);
    TShowStringsLine* literature = find_line(lk::literature_link, "", gallus);
    const QPoint on_threat = on_link(*threat, "Vulnerable");
    EXPECT_TRUE(doc().is_clickable(on_threat));
    EXPECT_FALSE(doc().is_clickable(on_threat - QPoint(6, 0))); // the blanks before the link
    EXPECT_FALSE(doc().is_clickable(on_threat + QPoint(0, 8))); // below the underline
    EXPECT_TRUE(doc().is_clickable(on_link(*literature, "r")));

    QSignalSpy threats(form.get(), &TShowForm::threatened_status_requested);
    QSignalSpy closes(form.get(), &TShowForm::info_windows_close_requested);
    click_at(on_threat);
    ASSERT_EQ(threats.count(), 1);
    EXPECT_EQ(threats[0][1].toString(), "Vulnerable");
    EXPECT_EQ(closes.count(), 1);
}

TEST_F(ShowViewTest, ContentIconsOpenPicturesOnTheLeftAndUnfoldOnTheRight) {
    build();
    unfold_family(1);
    paint();
    TShowStringsLine* gallus = species_fold("Gallus gallus");
    TShowStringsLine* icons = find_line(lk::content_icons, "", gallus);
    ASSERT_EQ(doc().bitmap_of(*icons), show_bitmap::pictures_and_recordings);
    const ShowBitmap& b = show_bitmap_entry(show_bitmap::pictures_and_recordings);
    const QPoint centre = bitmap_centre(*icons, show_bitmap::pictures_and_recordings);
    QSignalSpy pictures(form.get(), &TShowForm::species_pictures_requested);
    click_at(centre - QPoint(b.width / 4, 0));
    EXPECT_EQ(pictures.count(), 1);
    EXPECT_FALSE(gallus->expanded());
    click_at(centre + QPoint(b.width / 4, 0));
    EXPECT_EQ(pictures.count(), 1);
    EXPECT_TRUE(gallus->expanded());
}

TEST_F(ShowViewTest, SoundBarsAreMadeOnPaintAndPlacedOnTheirRow) {
    form->resize(800, 300);
    build();
    unfold_family(1);
    TShowStringsLine* fold = unfold("Gallus gallus");
    TShowStringsLine* bar_line = find_line(lk::sound_bar, "", fold);
    EXPECT_EQ(doc().sound_bars().count(), 0);
    form->set_scroll_position(40);
    paint();
    EXPECT_EQ(doc().sound_bars().count(), 2);
    Tsound_bar* bar = bar_line->sound_bar->bar;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parentWidget(), form->viewport());
    EXPECT_EQ(bar->bar_top(), bar_line->painted_y - 40);
    EXPECT_EQ(bar->bar_left(), bar_line->painted_x);
    EXPECT_GT(bar_line->painted_x, bar_line->prev->painted_x); // right of the recording number
    // Scrolled out of view it is hidden; folding frees it.
    form->set_scroll_position(form->verticalScrollBar()->maximum());
    unfold_family(2);
    form->set_scroll_position(form->verticalScrollBar()->maximum());
    paint();
    EXPECT_TRUE(bar->isHidden());
    doc().toggle_fold(fold, false, true, false);
    EXPECT_EQ(doc().sound_bars().count(), 0);
}

// With the listening setting on, every bar of a recording with a file gets a sonogram strip under
// its slider, the rows below move down by the strip's slot, and a click on a strip moves its bar; with
// it off the same species has no strip and its rows stay where they were. The strip looks for its
// sonogram only after it was painted.
TEST_F(ShowViewTest, SonogramStripsLieUnderTheirBarsAndPushTheTextDown) {
    form->resize(800, 600);
    // The rows of the unfolded species as laid out: each code row's and the next species' top.
    const auto lay_out = [&](bool strips) {
        write_file(environment().settings_file_path,
                   std::string("[GENERAL]\nSonogram Strips=") + (strips ? "Yes" : "No") + "\n");
        build();
        unfold_family(1);
        TShowStringsLine* fold = unfold("Gallus gallus");
        paint();
        std::vector<int> tops;
        for (TShowStringsLine* l = fold->next; l && l->kind != lk::species_fold; l = l->next)
            if (l->kind == lk::recording_code) tops.push_back(l->bottom());
        tops.push_back(species_fold("Pavo cristatus")->bottom());
        return std::pair{fold, tops};
    };
    const auto [fold_off, tops_off] = lay_out(false);
    EXPECT_FALSE(doc().sonogram_strips());
    for (TShowStringsLine* l = fold_off; l; l = l->next) {
        if (!l->sound_bar) continue;
        EXPECT_EQ(doc().sound_bars().strip(*l->sound_bar), nullptr);
    }
    EXPECT_TRUE(form->viewport()->findChildren<TSonogramStrip*>().isEmpty());

    const auto [fold, tops] = lay_out(true);
    EXPECT_TRUE(doc().sonogram_strips());
    ASSERT_EQ(tops.size(), tops_off.size());
    int strips = 0;
    std::size_t row = 0;
    for (TShowStringsLine* l = fold->next; l && l->kind != lk::species_fold; l = l->next) {
        if (l->kind == lk::recording_code) {
            // Each code row has moved down by the slots of the strips above it.
            EXPECT_EQ(tops[row] - tops_off[row], strips * TSonogramStrip::slot_height) << "row " << row;
            ++row;
        }
        if (!l->sound_bar) continue;
        TSonogramStrip* strip = doc().sound_bars().strip(*l->sound_bar);
        if (!doc().has_strip(l->recording)) {
            EXPECT_EQ(strip, nullptr);
            continue;
        }
        ++strips;
        ASSERT_NE(strip, nullptr);
        Tsound_bar* bar = l->sound_bar->bar;
        EXPECT_TRUE(strip->isVisible());
        EXPECT_FALSE(strip->opened()) << "not before its first paint";
        // Under the slider and as wide, clear of the slider above and of the text below.
        const QRect slider = bar->slider().geometry().translated(bar->pos());
        EXPECT_EQ(strip->x(), slider.left());
        EXPECT_EQ(strip->width(), slider.width());
        EXPECT_EQ(strip->height(), TSonogramStrip::strip_height);
        EXPECT_GE(strip->y(), slider.bottom() + 1);
        TShowStringsLine* code = l;
        while (code->kind != lk::recording_code) code = code->next;
        EXPECT_LE(strip->geometry().bottom() + 1 + TSonogramStrip::gap,
                  code->bottom() - form->scroll_position() + 1);
    }
    EXPECT_GE(strips, 1);
    EXPECT_EQ(tops.back() - tops_off.back(), strips * TSonogramStrip::slot_height);

    // Painted, the strip looks for its sonogram (none can be made here) after the paint.
    TShowStringsLine* bar_line = find_line(lk::sound_bar, "", fold);
    while (bar_line && !doc().has_strip(bar_line->recording)) bar_line = find_line(lk::sound_bar, "", bar_line->next);
    ASSERT_NE(bar_line, nullptr);
    TSonogramStrip* strip = doc().sound_bars().strip(*bar_line->sound_bar);
    ASSERT_NE(strip, nullptr);
    strip->grab();
    EXPECT_TRUE(QTest::qWaitFor([&] { return strip->opened(); }, 10000));
    EXPECT_FALSE(strip->handle().sonogram);
    EXPECT_FALSE(strip->handle().error.empty());

    // A click three quarters across moves the bar three quarters along.
    Tsound_bar* bar = bar_line->sound_bar->bar;
    ASSERT_GT(bar->state().slider_maximum(), 4);
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(strip->width() * 3 / 4, strip->height() / 2));
    EXPECT_NEAR(bar->slider().value(), bar->state().slider_maximum() * 3 / 4.0, bar->state().slider_maximum() / 20.0 + 1);

    // Turned off, the strips go and the rows move back.
    doc().set_sonogram_strips(false);
    paint();
    EXPECT_TRUE(form->viewport()->findChildren<TSonogramStrip*>().isEmpty());
    EXPECT_EQ(species_fold("Pavo cristatus")->bottom(), tops_off.back());
}

// A window that plays a sequence shows each recording in its pane: the species unfolded, the bar
// line selected and in view, the bar made at once so that a window that never painted still plays.
TEST_F(ShowViewTest, ShowRecordingUnfoldsTheSpeciesAndMakesTheBarBeforeAnyPaint) {
    form->resize(800, 300);
    build();
    form->hide();
    const Tcupaitem& recording = *data->find_species(2001)->first_item;
    Tsound_bar* bar = form->show_recording(recording);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(&bar->recording(), &recording);
    EXPECT_TRUE(species_fold("Pitta moluccensis")->expanded());
    TShowStringsLine* line = doc().sound_bar_line(recording);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(doc().selected(), line);
    EXPECT_EQ(form->recording_bar(recording), bar);
    EXPECT_EQ(form->show_recording(recording), bar); // shown already: the same bar

    form->show();
    paint();
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->bar_top(), line->painted_y - form->scroll_position());
    EXPECT_GE(bar->bar_top() - bar->number_line_height(), 0);
    EXPECT_LE(bar->bar_top() + bar->slider_row_height(), form->client_height());

    // Folded, the bar is gone; a recording the filter hides is not shown.
    doc().toggle_fold(species_fold("Pitta moluccensis"), false, true, false);
    EXPECT_EQ(form->recording_bar(recording), nullptr);
    settings.visible.carriers.show_native = false;
    build();
    EXPECT_EQ(form->show_recording(recording), nullptr);
}

TEST_F(ShowViewTest, FoldingAFamilyStopsItsPlayingBar) {
    ScriptedMedia media;
    TempDir base;
    environment().base_directory = base.path();
    const Tcutpart* cut = data->find_cut_part("1001A0002");
    media.add_wave_file(base.path() + cut_part_file_name(*cut), 99000);
    build();
    TShowStringsLine* family = unfold_family(2);
    TShowStringsLine* fold = unfold("Pitta moluccensis");
    paint();
    Tsound_bar* bar = find_line(lk::sound_bar, "", fold)->sound_bar->bar;
    ASSERT_NE(bar, nullptr);
    bar->TogglePlay();
    ASSERT_TRUE(bar->is_playing());
    EXPECT_EQ(media.open_device_count(), 1);
    EXPECT_TRUE(doc().toggle_fold(family->next, false, true, false));
    EXPECT_EQ(Tsound_bar::currently_playing(), nullptr);
    EXPECT_EQ(media.open_device_count(), 0);
    EXPECT_EQ(doc().sound_bars().count(), 0);
    environment().base_directory.clear();
}

TEST_F(ShowViewTest, UnfoldingNearTheBottomScrollsTheNewLinesIntoView) {
    form->resize(800, 300);
    build();
    unfold_family(2);
    TShowStringsLine* fold = species_fold("Pitta extra13");
    form->set_scroll_position(doc().line_top(fold) - 250); // the species row near the bottom
    paint();
    const int before = form->scroll_position();
    const int view_top = doc().last_painted().top();
    click_at(bitmap_centre(*fold, show_bitmap::species_plus));
    ASSERT_TRUE(fold->expanded());
    const int moved = form->scroll_position() - before;
    EXPECT_GT(moved, 0);
    // Never so far that the species row goes higher than 10 pixels below the top.
    EXPECT_LE(moved, fold->painted_y - view_top - 10);
    // A fold reports no scroll.
    paint();
    const int at = form->scroll_position();
    click_at(bitmap_centre(*fold, show_bitmap::species_minus));
    EXPECT_FALSE(fold->expanded());
    EXPECT_EQ(form->scroll_position(), std::min(at, form->verticalScrollBar()->maximum()));
}

// A thumbnail of 100 x 120 pixels that remembers where it was drawn.
class FakePicture : public TextPicture {
public:
    explicit FakePicture(std::vector<QPoint>* drawn) : drawn_(drawn) {}
    QSize size() const override { return {100, 120}; }
    void draw(QPainter& painter, QPoint top_left) const override {
        painter.fillRect(QRect(top_left, size()), Qt::darkGreen);
        drawn_->push_back(top_left);
    }
    std::unique_ptr<TextPicture> clone() const override { return std::make_unique<FakePicture>(drawn_); }

private:
    std::vector<QPoint>* drawn_;
};

class PicturesTest : public ShowViewTest {
protected:
    void SetUp() override {
        ShowViewTest::SetUp();
        set_text_picture_test([](const Tspecies& s) { return s.has_photo; });
        set_text_picture_factory([this](const Tspecies& s) -> std::unique_ptr<TextPicture> {
            if (!s.has_photo) return nullptr;
            return std::make_unique<FakePicture>(&drawn);
        });
    }
    void TearDown() override {
        set_text_picture_factory(nullptr);
        set_text_picture_test(nullptr);
        ShowViewTest::TearDown();
    }
    std::vector<QPoint> drawn;
};

TEST_F(PicturesTest, PictureStandsLevelWithTheTextAndTheNextSpeciesBelowIt) {
    build();
    unfold_family(1);
    TShowStringsLine* fold = unfold("Gallus gallus");
    TShowStringsLine* text = find_line(lk::species_text, "", fold);
    TShowStringsLine* pictures = text->next;
    ASSERT_EQ(pictures->kind, lk::pictures);
    const int lh = TShowFonts::instance().line_height();
    EXPECT_EQ(text->x, 145 + 35);
    EXPECT_EQ(pictures->x, 20); // the smaller of 20 and (180 - 100) / 2
    EXPECT_EQ(pictures->height, lh - text->height);
    paint();
    ASSERT_FALSE(drawn.empty());
    EXPECT_TRUE(doc().pictures_painted());
    // Level with the first text line.
    EXPECT_EQ(drawn.back(), QPoint(20, text->painted_y + lh - form->scroll_position()));
    // The subspecies header after it starts below the text, and the next species below the picture.
    TShowStringsLine* header = pictures->next;
    EXPECT_GE(header->bottom() - lh, text->bottom());
    TShowStringsLine* pavo = species_fold("Pavo cristatus");
    EXPECT_GE(pavo->painted_y + TShowFonts::instance().spacer_height() - lh, text->painted_y + lh + 120);
    // A click on the picture opens the species' pictures.
    QSignalSpy opened(form.get(), &TShowForm::species_pictures_requested);
    click_at(QPoint(60, text->painted_y + lh + 60));
    EXPECT_EQ(opened.count(), 1);
    // Folding the species gives the next species its usual height again.
    doc().toggle_fold(fold, false, true, false);
    EXPECT_EQ(species_fold("Pavo cristatus")->height, TShowFonts::instance().spacer_height());
}

TEST_F(PicturesTest, APhotoThatDoesNotCountGivesNoTextPicture) {
    // Pavo has no text and no recordings; its photo does not count, so it stays closed.
    build();
    unfold_family(1);
    EXPECT_EQ(doc().bitmap_of(*species_fold("Pavo cristatus")), show_bitmap::invisible);
    TShowStringsLine* icons = find_line(lk::content_icons, "", species_fold("Gallus gallus"));
    EXPECT_EQ(icons->state[1], 1);
}

// ---------------------------------------------------------------- keys

TEST_F(ShowViewTest, UpAndDownWalkTheSelectableLines) {
    build();
    unfold_family(1);
    unfold("Gallus gallus");
    paint(true);
    std::vector<std::string> walk;
    const auto name = [this] {
        TShowStringsLine* s = doc().selected();
        return s->kind == lk::sound_bar ? std::string("bar") : plain_text(s->text);
    };
    walk.push_back(name());
    for (int i = 0; i < 7; ++i) {
        form->handle_key(Qt::Key_Down, Qt::NoModifier);
        paint(true);
        walk.push_back(name());
    }
    EXPECT_EQ(walk, (std::vector<std::string>{"Pheasants and allies", "Red Junglefowl", "bar", "A", "bar",
                                              "B", "Indian Peafowl", "Pittas"}));
    EXPECT_EQ(form->status_text(), "Pittas");
    const int beeps = form->beep_count();
    form->handle_key(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(form->beep_count(), beeps + 1); // nothing after the last family
    form->handle_key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(name(), "Indian Peafowl");
    form->handle_key(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(name(), "B");
    form->handle_key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(name(), "Pheasants and allies");
    EXPECT_EQ(form->scroll_position(), 0);
    form->handle_key(Qt::Key_Up, Qt::NoModifier);
    EXPECT_EQ(form->beep_count(), beeps + 2);
    form->handle_key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(name(), "Pittas");
}

// One keyboard focus: the selected bar holds it, and the keys it passes on move it with the selection.
TEST_F(ShowViewTest, ArrowKeysOnASelectedBarReachThePane) {
    build();
    unfold_family(1);
    TShowStringsLine* fold = unfold("Gallus gallus");
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->setFocus();
    paint(true);
    doc().set_selected(fold->next->next);
    form->handle_key(Qt::Key_Down, Qt::NoModifier);
    paint(true);
    TShowStringsLine* bar_line = doc().selected();
    ASSERT_EQ(bar_line->kind, lk::sound_bar);
    ASSERT_NE(bar_line->sound_bar->bar, nullptr);
    Tsound_bar* bar = bar_line->sound_bar->bar;
    EXPECT_EQ(QApplication::focusWidget(), &bar->button()) << "the selected bar has the focus";

    // Moving on past the bar takes the focus back to the text: Enter and Space act on the new line.
    QTest::keyClick(&bar->button(), Qt::Key_Down);
    TShowStringsLine* code = doc().selected();
    ASSERT_EQ(code->kind, lk::recording_code);
    EXPECT_EQ(QApplication::focusWidget(), form.get());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(code->prev->expanded()) << "Space unfolds the selected recording";
    EXPECT_FALSE(bar->is_open()) << "Space did not play the bar";

    // A bar that takes the focus (a click) becomes the selected line and names its species.
    bar->button().setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(doc().selected(), bar_line);
    EXPECT_EQ(form->status_text(), "Pheasants and allies, Red Junglefowl");
}

TEST_F(ShowViewTest, MovingDownPastTheViewScrolls) {
    form->resize(800, 200);
    build();
    unfold_family(2);
    paint(true);
    doc().set_selected(doc().find_header(2, 0)->next);
    for (int i = 0; i < 8; ++i) {
        form->handle_key(Qt::Key_Down, Qt::NoModifier);
        paint(true);
        EXPECT_TRUE(doc().selection_visible()) << i;
    }
    EXPECT_GT(form->scroll_position(), 0);
    for (int i = 0; i < 8; ++i) {
        form->handle_key(Qt::Key_Up, Qt::NoModifier);
        paint(true);
        EXPECT_TRUE(doc().selection_visible()) << i;
    }
}

TEST_F(ShowViewTest, EnterTogglesAndTheKeypadKeysOnlyUnfoldOrFold) {
    build();
    paint(true);
    TShowStringsLine* family = doc().head();
    struct Step {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool expanded;
    };
    const std::vector<Step> steps{
        {Qt::Key_Return, Qt::NoModifier, true},     {Qt::Key_Plus, Qt::KeypadModifier, true},
        {Qt::Key_Minus, Qt::KeypadModifier, false}, {Qt::Key_Minus, Qt::KeypadModifier, false},
        {Qt::Key_Plus, Qt::KeypadModifier, true},   {Qt::Key_Space, Qt::NoModifier, false},
        {Qt::Key_Plus, Qt::NoModifier, false}}; // the main keyboard's plus does nothing
    for (const Step& s : steps) {
        form->handle_key(s.key, s.modifiers);
        paint(true);
        EXPECT_EQ(family->expanded(), s.expanded) << s.key;
    }
}

TEST_F(ShowViewTest, MapPicturesAndReferencesOfTheSelection) {
    build();
    unfold_family(1);
    paint(true);
    QSignalSpy maps(form.get(), &TShowForm::species_map_requested);
    QSignalSpy pictures(form.get(), &TShowForm::species_pictures_requested);
    QSignalSpy literature(form.get(), &TShowForm::literature_requested);
    doc().set_selected(species_fold("Gallus gallus")->next->next);
    form->handle_key(Qt::Key_M, Qt::ControlModifier);
    form->handle_key(Qt::Key_P, Qt::ControlModifier);
    form->handle_key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(maps.count(), 1);
    EXPECT_EQ(pictures.count(), 1);
    EXPECT_EQ(literature.count(), 1);
    // Pavo has no map and no references; a family name is none of the three.
    const int beeps = form->beep_count();
    doc().set_selected(species_fold("Pavo cristatus")->next->next);
    form->handle_key(Qt::Key_M, Qt::ControlModifier);
    form->handle_key(Qt::Key_R, Qt::ControlModifier);
    doc().set_selected(doc().head()->next->next);
    form->handle_key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(form->beep_count(), beeps + 3);
}

TEST_F(ShowViewTest, ResizingWrapsTheTextsAgain) {
    build();
    unfold_family(2);
    TShowStringsLine* fold = unfold("Pitta extra13");
    TShowStringsLine* text = find_line(lk::species_text, "", fold);
    const int wide = text->height;
    form->resize(400, 600);
    QApplication::processEvents();
    paint();
    EXPECT_GT(text->height, wide);
    const int available = 400 - 2 * form->style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 145;
    for (const TextRun& r : layout_markup(text->text, text->font).runs)
        EXPECT_LE(r.x + r.width, available);
}

} // namespace
} // namespace morvelin::testing
