// The play list window offscreen: rows and counts, the menus and the save question, drops and the
// bar's menu, and the play button's states.

#include "show_strings_test_fixture.h"
#include "scripted_services.h"

#include "core/data/records.h"
#include "core/foundation/settings_file.h"
#include "ui/display/top_forms.h"
#include "ui/sound/play_list_form.h"
#include "ui/sound/play_sound_options_frame.h"
#include "ui/sound/sound_bar.h"
#include "ui/windows/window_registry.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <fstream>
#include <sstream>

namespace morvelin::testing {
namespace {

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class PlayListFormTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        gallus = data->find_species(1001);
        song = gallus->first_item;
        call = song->next_item;
        window = std::make_unique<TPlayListForm>();
    }
    void TearDown() override {
        install_play_list_player({});
        window.reset();
        DocumentTest::TearDown();
    }
    QString cell(int row, int column) const { return window->grid()->item(row, column)->text(); }
    void type_count(int row, const QString& text) { window->grid()->item(row, 2)->setText(text); }

    const Tspecies* gallus = nullptr;
    const Tcupaitem* song = nullptr;
    const Tcupaitem* call = nullptr;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    TempDir lists;
    std::unique_ptr<TPlayListForm> window;
};

TEST_F(PlayListFormTest, AddFillsTheEmptyRowThenAppendsAndDeleteKeepsOneRow) {
    ASSERT_EQ(window->grid()->rowCount(), 1);
    window->add_entry(*song, 1);
    ASSERT_EQ(window->grid()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), " 1");
    EXPECT_EQ(cell(0, 1).toStdString(), gallus->vernacular_name + " # 1");
    EXPECT_EQ(cell(0, 2), "");
    window->add_entry(*call, 2);
    ASSERT_EQ(window->grid()->rowCount(), 2);
    EXPECT_EQ(cell(1, 0), " 2");
    EXPECT_TRUE(window->modified());

    for (int i = 0; i < 2; ++i) {
        window->grid()->setCurrentCell(0, 2);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(window->grid(), &del);
    }
    EXPECT_TRUE(window->list().empty());
    ASSERT_EQ(window->grid()->rowCount(), 1);
    EXPECT_EQ(cell(0, 1), "");
    // The empty row cannot be edited.
    EXPECT_FALSE(window->grid()->item(0, 2)->flags() & Qt::ItemIsEditable);
}

TEST_F(PlayListFormTest, OnlyTheCountIsEditedAndItIsKeptBetweenOneAndNinetyNine) {
    window->add_entry(*song, 1);
    EXPECT_FALSE(window->grid()->item(0, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(window->grid()->item(0, 2)->flags() & Qt::ItemIsEditable);
    const struct {
        const char* typed;
        int count;
        const char* shown;
    } cases[] = {{"3", 3, "3"}, {"abc", 3, "3"}, {" 150 ", 99, "99"}, {"0", 1, ""}, {"7", 7, "7"}, {"", 1, ""}};
    for (const auto& c : cases) {
        type_count(0, c.typed);
        EXPECT_EQ(window->list().entries()[0].repeat_count, c.count) << c.typed;
        EXPECT_EQ(cell(0, 2).toStdString(), c.shown) << c.typed;
    }
}

TEST_F(PlayListFormTest, MovingARowReordersTheListAndRenumbers) {
    window->add_entry(*song, 1);
    window->add_entry(*call, 2);
    window->grid()->verticalHeader()->moveSection(1, 0);
    EXPECT_EQ(window->list().entries()[0].recording, call);
    EXPECT_EQ(window->list().entries()[1].recording, song);
    EXPECT_EQ(cell(0, 0), " 1");
    EXPECT_EQ(cell(0, 1).toStdString(), gallus->vernacular_name + " # 2");
    // The header shows the rows in their own order again.
    EXPECT_EQ(window->grid()->verticalHeader()->visualIndex(0), 0);
}

TEST_F(PlayListFormTest, SaveAsAddsTheExtensionStoresCurrentAndTheListReopens) {
    window->add_entry(*song, 1);
    type_count(0, "2");
    window->endless_loop()->setChecked(true);
    dialogs.answer(lists.file("birds"));
    ASSERT_TRUE(window->save_as_click());
    EXPECT_FALSE(window->modified());
    EXPECT_EQ(window->list_name(), "birds");
    EXPECT_EQ(window->file_name(), lists.file("birds.pl"));
    const std::string text = file_text(lists.file("birds.pl"));
    EXPECT_NE(text.find("Endless Loop=Yes"), std::string::npos) << text;
    EXPECT_NE(text.find("R1=1001,"), std::string::npos) << text;
    EXPECT_NE(text.find(",2\r\n"), std::string::npos) << text;

    // A new window (the next start) opens the list shown last.
    window.reset();
    window = std::make_unique<TPlayListForm>();
    EXPECT_EQ(window->list_name(), "birds");
    EXPECT_FALSE(window->modified());
    ASSERT_EQ(window->list().entries().size(), 1u);
    EXPECT_EQ(window->list().entries()[0].recording, song);
    EXPECT_EQ(window->list().entries()[0].repeat_count, 2);
    EXPECT_TRUE(window->endless_loop()->isChecked());
}

TEST_F(PlayListFormTest, DeletingTheOnlyEntryIsSavedAsAnEmptyRow) {
    window->add_entry(*song, 1);
    dialogs.answer(lists.file("one.pl"));
    ASSERT_TRUE(window->save_as_click());
    window->grid()->setCurrentCell(0, 2);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(window->grid(), &del);
    EXPECT_TRUE(window->modified());
    ASSERT_TRUE(window->save_click());
    EXPECT_NE(file_text(lists.file("one.pl")).find("R1=x"), std::string::npos);
    EXPECT_EQ(dialogs.calls().size(), 1u); // Save of a titled list asks for no name
}

TEST_F(PlayListFormTest, TheSaveQuestionBeforeNewAndOpen) {
    window->add_entry(*song, 1);
    messages.answer(id::cancel);
    window->new_click();
    EXPECT_EQ(window->list().entries().size(), 1u);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].flags, mb::question_yes_no_cancel);
    EXPECT_TRUE(messages.any_contains("New play list"));

    messages.answer(id::no);
    window->new_click();
    EXPECT_TRUE(window->list().empty());
    EXPECT_FALSE(window->modified());
    EXPECT_TRUE(window->untitled());

    // Yes saves first; a cancelled save dialog stops the open.
    window->add_entry(*song, 1);
    messages.answer(id::yes);
    dialogs.cancel();
    window->open_click();
    ASSERT_EQ(dialogs.calls().size(), 1u);
    EXPECT_EQ(dialogs.calls()[0].kind, "save");
    EXPECT_TRUE(window->modified());

    // Without changes Open asks nothing and a refused file keeps the open list.
    dialogs.answer(lists.file("saved.pl"));
    ASSERT_TRUE(window->save_as_click());
    lists.write("foreign.pl", "[GENERAL]\r\nCDROM=Another Product\r\nVersion=1.0\r\n[RECORDINGS]\r\nR1=x\r\n");
    messages.clear();
    dialogs.answer(lists.file("foreign.pl"));
    window->open_click();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    EXPECT_EQ(window->list().entries().size(), 1u);
    EXPECT_EQ(window->list_name(), "saved");
}

TEST_F(PlayListFormTest, CloseAndExitAskAndCancelKeepsTheList) {
    window->show();
    window->add_entry(*song, 1);
    messages.answer(id::cancel);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    messages.answer(id::cancel);
    EXPECT_FALSE(top_forms().ask_exit_question());
    messages.answer(id::no);
    EXPECT_TRUE(top_forms().ask_exit_question());
    // Changes let go at exit are not asked about again when the window closes.
    messages.clear();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PlayListFormTest, DropsOfSoundBarsAndTheBarMenuAddEntries) {
    window->show();
    auto* drag = new TSoundBarDragObject(*call, 2);
    const QPoint at = window->grid()->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, drag, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->grid()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, drag, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->grid()->viewport(), &drop);
    delete drag;
    ASSERT_EQ(window->list().entries().size(), 1u);
    EXPECT_EQ(window->list().entries()[0].recording, call);
    EXPECT_EQ(window->list().entries()[0].context, 2);

    // Any other data is refused.
    QMimeData other;
    other.setText("x");
    QDragEnterEvent foreign(at, Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->grid()->viewport(), &foreign);
    EXPECT_FALSE(foreign.isAccepted());

    // The bar's menu goes through the registry to the shown window.
    window.reset();
    WindowRegistry registry;
    registry.register_window(WindowKind::play_lists, play_list_factory());
    WindowRequest show;
    show.kind = WindowKind::play_lists;
    auto* form = qobject_cast<TPlayListForm*>(registry.open(show));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(registry.is_shown(WindowKind::play_lists));
    WindowRequest add = show;
    add.recording = song;
    add.play_list_context = 1;
    registry.deliver(add);
    registry.deliver(add);
    ASSERT_EQ(form->list().entries().size(), 2u);
    EXPECT_EQ(form->list().entries()[1].recording, song);
    messages.answer(id::no);
    form->close();
}

TEST_F(PlayListFormTest, CopyToClipboard) {
    window->add_entry(*song, 1);
    window->add_entry(*call, 2);
    type_count(1, "4");
    window->copy_click();
    const std::string name = gallus->vernacular_name;
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "1:  " + name + " # 1\r\n2:  " + name + " # 2, times=4");
}

TEST_F(PlayListFormTest, PlayStartsThePlayerAndStopOrItsEndResetsTheWindow) {
    window->add_entry(*song, 1);
    window->show();
    EXPECT_FALSE(window->play_button()->isEnabled()); // nothing can play yet
    PlayListPlayRequest seen;
    QWidget* player_window = nullptr;
    install_play_list_player([&](QWidget&, const PlayListPlayRequest& request) {
        seen = request;
        player_window = new QWidget;
        return player_window;
    });
    window->hide();
    window->show();
    ASSERT_TRUE(window->play_button()->isEnabled());
    window->start_at_selected()->setChecked(true);
    window->grid()->setCurrentCell(0, 2);
    window->play_click();
    EXPECT_TRUE(window->playing());
    EXPECT_EQ(seen.start_row, 0);
    EXPECT_EQ(window->play_button()->text(), "Stop");
    EXPECT_FALSE(window->grid()->isEnabled());
    EXPECT_FALSE(window->file_menu()->isEnabled());
    EXPECT_FALSE(window->extra_menu()->isEnabled());
    EXPECT_EQ(window->play_button()->font().bold(), true);

    seen.finished(); // the playing window closed by itself
    EXPECT_FALSE(window->playing());
    EXPECT_EQ(window->play_button()->text(), "Play");
    EXPECT_TRUE(window->grid()->isEnabled());
    EXPECT_TRUE(window->file_menu()->isEnabled());
    delete player_window;
}

// Play/Stop is the default button: Return presses it from the grid and the check boxes, while a
// count being edited keeps its Return.
TEST_F(PlayListFormTest, ReturnPressesPlayUnlessACountIsEdited) {
    window->add_entry(*song, 1);
    int started = 0;
    std::vector<QWidget*> players;
    PlayListPlayRequest seen;
    install_play_list_player([&](QWidget&, const PlayListPlayRequest& request) {
        ++started;
        seen = request;
        players.push_back(new QWidget);
        return players.back();
    });
    window->show();
    window->grid()->setCurrentCell(0, 2);
    window->grid()->editItem(window->grid()->item(0, 2));
    auto* editor = window->grid()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("3"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor commits and closes from a queued call
    EXPECT_EQ(started, 0) << "Return in the count's editor played the list";
    EXPECT_EQ(cell(0, 2), "3");

    QTest::keyClick(window->grid(), Qt::Key_Return);
    EXPECT_EQ(started, 1) << "Return in the grid did not press Play";
    EXPECT_TRUE(window->playing());
    seen.finished();
    QTest::keyClick(window->endless_loop(), Qt::Key_Enter);
    EXPECT_EQ(started, 2) << "Enter on the check box did not press Play";
    seen.finished();
    for (QWidget* w : players) delete w;
}

} // namespace
} // namespace morvelin::testing
