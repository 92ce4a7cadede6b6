#include "show_strings_test_fixture.h"

#include "ui/display/form_with_underlined_items.h"
#include "ui/display/tooltip_form.h"

#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

namespace morvelin::testing {
namespace {

class ShowFormTest : public DocumentTest {
protected:
    void wheel(int delta) {
        const QPointF at(100, 100);
        QWheelEvent event(at, form->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form->viewport(), &event);
    }
    void unfold_all_families() {
        for (TShowStringsLine* l = doc().head(); l; l = l->next)
            if (l->kind == line_kind::family_fold) doc().toggle_fold(l, true, false, false);
        form->update_scroll_range();
    }
};

TEST_F(ShowFormTest, MouseWheelMovesThreeIncrementsAndStopsAtTheTop) {
    build();
    unfold_all_families();
    ASSERT_GT(form->verticalScrollBar()->maximum(), 100);
    wheel(120);
    EXPECT_EQ(form->scroll_position(), 0);
    wheel(-120);
    EXPECT_EQ(form->scroll_position(), 45);
    wheel(-120);
    wheel(120);
    EXPECT_EQ(form->scroll_position(), 45);
}

TEST_F(ShowFormTest, ScrollRangeIsTheDocumentAndAHundredPixels) {
    build();
    unfold_all_families();
    EXPECT_EQ(form->verticalScrollBar()->maximum() + form->client_height(), doc().total_height() + 100);
    EXPECT_EQ(form->verticalScrollBar()->singleStep(), 15);
}

TEST_F(ShowFormTest, FindWithoutResultChangesNothing) {
    build();
    unfold_all_families();
    form->set_scroll_position(60);
    paint(true);
    TShowStringsLine* selected = doc().find_header(2, 3)->next;
    form->set_selection(selected);
    EXPECT_FALSE(form->find("no such bird", false));
    EXPECT_FALSE(form->find("no such bird", true));
    EXPECT_EQ(doc().selected(), selected);
    EXPECT_EQ(form->scroll_position(), 60);
}

TEST_F(ShowFormTest, FoundLineComesAQuarterBelowTheTop) {
    form->resize(800, 300);
    build();
    paint(true);
    ASSERT_TRUE(form->find("jewel thrush 5", true));
    TShowStringsLine* s = doc().selected();
    EXPECT_EQ(s->kind, line_kind::other_names);
    EXPECT_EQ(form->scroll_position(), doc().line_top(s) - form->client_height() / 4);
    paint(true);
    EXPECT_TRUE(doc().selection_visible());
    EXPECT_EQ(form->status_text(), "Pittas, Extra Pitta 5");
}

TEST_F(ShowFormTest, FoldAllGoesBackToTheTop) {
    build();
    unfold_all_families();
    form->set_scroll_position(200);
    form->fold_all();
    EXPECT_EQ(form->scroll_position(), 0);
    EXPECT_EQ(doc().selected(), doc().head()->next->next);
    EXPECT_EQ(form->verticalScrollBar()->maximum(), 0);
}

TEST_F(ShowFormTest, StatusTextIsReportedWhenItChanges) {
    build();
    QSignalSpy status(form.get(), &TShowForm::status_text_changed);
    doc().toggle_fold(doc().head(), true, false, false);
    doc().set_current(doc().head()->next, doc().find_header(1, 2));
    form->update_status_text();
    form->update_status_text();
    ASSERT_EQ(status.count(), 1);
    EXPECT_EQ(status[0][0].toString(), "Pheasants and allies, Indian Peafowl");
}

TEST_F(ShowFormTest, StatusAlwaysNamesTheFamilyAndSpeciesOfTheSelectedLine) {
    build();
    unfold_all_families();
    form->handle_key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(form->status_text(), "Pittas, Extra Pitta 13");
    form->handle_key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(form->status_text(), "Pheasants and allies");
    form->set_selection(doc().find_header(2, 1)->next);
    EXPECT_EQ(form->status_text(), "Pittas, Blue-winged Pitta");
    form->fold_all();
    EXPECT_EQ(form->status_text(), "Pheasants and allies");

    // A new window copies the lines and names its first line.
    unfold_all_families();
    TShowForm copy;
    copy.resize(800, 600);
    copy.set_up(&doc(), TShowStringsViewState::initial(), &settings);
    EXPECT_EQ(copy.status_text(), "Pheasants and allies");
}

struct KeySignal {
    int key;
    Qt::KeyboardModifiers modifiers;
    int volume_steps; // 0: a find signal is expected instead
    bool find_again;
};
void PrintTo(const KeySignal& k, std::ostream* os) {
    *os << "key " << k.key << " modifiers " << k.modifiers.toInt();
}

class ShowFormKeyTest : public ShowFormTest, public ::testing::WithParamInterface<KeySignal> {};

TEST_P(ShowFormKeyTest, KeysForOtherWindowsLeaveAsSignals) {
    build();
    const KeySignal& k = GetParam();
    QSignalSpy volume(form.get(), &TShowForm::volume_step_requested);
    QSignalSpy find(form.get(), &TShowForm::find_requested);
    QSignalSpy again(form.get(), &TShowForm::find_again_requested);
    TShowStringsLine* selected = doc().selected();
    EXPECT_TRUE(form->handle_key(k.key, k.modifiers));
    if (k.volume_steps != 0) {
        ASSERT_EQ(volume.count(), 1);
        EXPECT_EQ(volume[0][0].toInt(), k.volume_steps);
    } else {
        EXPECT_EQ(find.count() + again.count(), 1);
        EXPECT_EQ(again.count(), k.find_again ? 1 : 0);
    }
    EXPECT_EQ(doc().selected(), selected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShowFormKeyTest,
    ::testing::Values(KeySignal{Qt::Key_Up, Qt::ControlModifier, -2, false},
                      KeySignal{Qt::Key_Left, Qt::ControlModifier, -2, false},
                      KeySignal{Qt::Key_Down, Qt::ControlModifier, 2, false},
                      KeySignal{Qt::Key_Right, Qt::ControlModifier, 2, false},
                      KeySignal{Qt::Key_PageUp, Qt::ControlModifier, -5, false},
                      KeySignal{Qt::Key_PageDown, Qt::ControlModifier, 5, false},
                      KeySignal{Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, -1, false},
                      KeySignal{Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier, 1, false},
                      KeySignal{Qt::Key_F, Qt::ControlModifier, 0, false},
                      KeySignal{Qt::Key_F3, Qt::NoModifier, 0, true},
                      KeySignal{Qt::Key_F3, Qt::ControlModifier, 0, true}));

TEST_F(ShowFormTest, CtrlTabIsLeftToTheMainWindowAndTabMovesTheSelection) {
    build();
    TShowStringsLine* first = doc().selected();
    EXPECT_FALSE(form->handle_key(Qt::Key_Tab, Qt::ControlModifier));
    EXPECT_EQ(doc().selected(), first);
    paint(true);
    EXPECT_TRUE(form->handle_key(Qt::Key_Tab, Qt::NoModifier));
    EXPECT_EQ(doc().selected(), doc().find_header(2, 0)->next);
    // A Tab from the keyboard reaches the pane instead of moving the focus.
    form->setFocus();
    QTest::keyClick(form.get(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(doc().selected(), first);
}

TEST_F(ShowFormTest, PageKeysScrollByTheClientHeight) {
    form->resize(800, 200);
    build();
    unfold_all_families();
    form->handle_key(Qt::Key_PageDown, Qt::NoModifier);
    EXPECT_EQ(form->scroll_position(), form->client_height());
    form->handle_key(Qt::Key_PageUp, Qt::NoModifier);
    EXPECT_EQ(form->scroll_position(), 0);
}

TEST_F(ShowFormTest, HandCursorOverClickablePlaces) {
    build();
    paint();
    const QPoint box = bitmap_centre(*doc().head(), show_bitmap::plus);
    const auto move_to = [this](QPoint p) {
        QMouseEvent move(QEvent::MouseMove, p, form->viewport()->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(form->viewport(), &move);
    };
    move_to(box);
    EXPECT_EQ(form->viewport()->cursor().shape(), Qt::BitmapCursor);
    move_to(box + QPoint(300, 0));
    EXPECT_EQ(form->viewport()->cursor().shape(), Qt::ArrowCursor);
}

// ---------------------------------------------------------------- tooltip and info-form base

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_application();
        TTooltipForm::set_mouse_position_source([this] { return mouse; });
    }
    void TearDown() override { TTooltipForm::set_mouse_position_source(nullptr); }
    QPoint mouse{50, 50};
};

TEST_F(PopupTest, TooltipClosesSoonAfterTheMouseLeavesItsRectangle) {
    QWidget owner;
    owner.show();
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(15);
    QPointer<TTooltipForm> tip = TTooltipForm::create(
        &owner, font, QPoint(60, 60), "Khao Yai\n\x0esecond line", nullptr, QRect(40, 40, 20, 20), 2, 200);
    ASSERT_TRUE(tip);
    EXPECT_EQ(tip->line_height(), QFontMetrics(font).boundingRect(QStringLiteral("abcdefghj")).height() + 2);
    EXPECT_EQ(tip->height(), 2 * tip->line_height() + 2);
    EXPECT_EQ(tip->width(), 200);
    // Counted in the tooltip's own mouse checks, not in time, so that a slow machine changes nothing.
    auto* timer = tip->findChild<QTimer*>();
    ASSERT_TRUE(timer && timer->isActive());
    QSignalSpy checks(timer, &QTimer::timeout);
    ASSERT_TRUE(checks.wait(10000));
    ASSERT_TRUE(checks.wait(10000));
    ASSERT_TRUE(tip && tip->isVisible()) << "closed while the mouse was inside";
    // Over the tooltip itself, but outside the rectangle: the very next check closes it.
    mouse = tip->geometry().center();
    ASSERT_TRUE(checks.wait(10000));
    ASSERT_TRUE(!tip || !tip->isVisible()) << "still shown after a check with the mouse outside";
    EXPECT_TRUE(QTest::qWaitFor([&] { return tip.isNull(); }, 10000)) << "the closed tooltip was not freed";
}

TEST_F(PopupTest, TooltipDrawsAGreenFrame) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(15);
    std::string painted;
    QPointer<TTooltipForm> tip = TTooltipForm::create(
        nullptr, font, QPoint(10, 10), "one",
        [&painted](QPainter&, const std::string& text, int x, int y, int) {
            painted = text + " " + std::to_string(x) + " " + std::to_string(y);
        },
        QRect(0, 0, 100, 100), 3, 120);
    const QImage image = tip->grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 128, 0));
    EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), QColor(0, 128, 0));
    EXPECT_EQ(painted, "one 5 " + std::to_string(2 * tip->line_height() + 2));
    tip->close();
}

class LinkForm : public TFormWithUnderlinedItems {
public:
    LinkForm() { resize(300, 80); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        clear_underlines();
        draw_marked_text(p, 10, 30, 20, "See \x0dthe publisher\x0d for more.");
    }
};

TEST_F(PopupTest, UnderlinedItemsAreFoundAndOpenTheWebAddress) {
    LinkForm form;
    form.show();
    form.grab();
    ASSERT_EQ(form.underlines().size(), 1u);
    const QRect u = form.underlines()[0];
    EXPECT_EQ(u.top(), 31);
    EXPECT_TRUE(form.point_on_underlined_item(u.left() + 3, u.top() - 5));
    EXPECT_FALSE(form.point_on_underlined_item(u.left() - 5, u.top() - 5));
    EXPECT_FALSE(form.point_on_underlined_item(u.left() + 3, u.top() + 2));

    QSignalSpy opened(&form, &TFormWithUnderlinedItems::web_address_requested);
    QTest::mouseMove(&form, QPoint(u.left() + 3, u.top() - 5));
    EXPECT_TRUE(form.over_item());
    QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(u.left() + 3, u.top() - 5));
    EXPECT_EQ(opened.count(), 0); // no address to open
    form.open_web_address_on_click = true;
    form.web_address = "https://publisher.example/";
    QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(u.left() + 3, u.top() - 5));
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][0].toString(), "https://publisher.example/");
    QTest::mouseMove(&form, QPoint(5, 70));
    EXPECT_FALSE(form.over_item());
}

} // namespace
} // namespace morvelin::testing
