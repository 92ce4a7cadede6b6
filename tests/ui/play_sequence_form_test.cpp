// The window that plays a play list, offscreen over scripted media: Play opens it on the first entry,
// and a recording that cannot be opened ends the sequence, which closes the window and gives the list
// its Play button back.
#include "show_strings_test_fixture.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "core/data/records.h"
#include "ui/sound/play_list_form.h"
#include "ui/sound/play_sequence_form.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QMenuBar>
#include <QTest>

namespace morvelin::testing {
namespace {

class PlaySequenceFormTest : public DocumentTest {
protected:
    void TearDown() override {
        install_play_list_player({});
        DocumentTest::TearDown();
    }
    ScriptedMedia media; // declares no file: every recording fails to open
    ScriptedMessages messages;
};

TEST_F(PlaySequenceFormTest, PlayOpensThePlayerOnTheFirstEntryAndAFailedRecordingEndsIt) {
    install_play_sequence_player();
    TPlayListForm list;
    list.show();
    const Tspecies* gallus = data->find_species(1001);
    const Tspecies* pitta = data->find_species(2001);
    list.add_entry(*pitta->first_item, 1);
    list.add_entry(*gallus->first_item, 1);
    ASSERT_TRUE(list.play_button()->isEnabled());

    list.play_button()->click();
    QPointer<QWidget> player = list.player_window();
    ASSERT_TRUE(player);
    // The player sits in a show window of the main window class: no menu, no text pane.
    auto* show_window = qobject_cast<TChildForm*>(player.data());
    ASSERT_NE(show_window, nullptr);
    EXPECT_TRUE(show_window->is_show_window());
    EXPECT_FALSE(show_window->menuBar()->isVisible());
    EXPECT_FALSE(show_window->pane()->isVisible());
    auto* form = player->findChild<TPlaySequenceForm*>();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(list.grid()->isEnabled());
    // After the pause before the first recording, its species shows and its row is selected.
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.isNull() || !form->names_label()->text().isEmpty(); }, 20000));
    ASSERT_FALSE(player.isNull());
    EXPECT_EQ(form->names_label()->text().toStdString(), "Blue-winged Pitta  Pitta moluccensis");
    EXPECT_EQ(player->windowTitle(), form->names_label()->text());
    EXPECT_EQ(list.grid()->currentRow(), 0);

    // The recording cannot be opened: the sequence ends and the window closes itself.
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.isNull(); }, 20000));
    EXPECT_FALSE(list.playing());
    EXPECT_TRUE(list.grid()->isEnabled());
}

TEST_F(PlaySequenceFormTest, StopInTheListOrEscapeClosesThePlayer) {
    install_play_sequence_player();
    TPlayListForm list;
    list.add_entry(*data->find_species(1001)->first_item, 1);
    list.play_button()->click();
    QPointer<QWidget> player = list.player_window();
    ASSERT_TRUE(player);
    list.play_button()->click(); // Stop
    EXPECT_FALSE(list.playing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.isNull(); }, 20000));

    // Escape in the player, or in its window, ends it too.
    for (const bool in_player : {true, false}) {
        list.play_button()->click();
        player = list.player_window();
        ASSERT_TRUE(player);
        QWidget* target = in_player ? player->findChild<TPlaySequenceForm*>() : player.data();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return player.isNull(); }, 20000));
        EXPECT_FALSE(list.playing());
    }
}

} // namespace
} // namespace morvelin::testing
