#include "show_strings_test_fixture.h"

#include "core/foundation/utilities.h"
#include "ui/display/child_form.h"
#include "ui/display/top_forms.h"
#include "ui/learning/quiz_form.h"
#include "ui/sound/sound_bar.h"
#include "ui/sound/play_list_form.h"
#include "ui/windows/window_registry.h"
#include "scripted_media.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstdlib>

namespace morvelin::testing {
namespace {

// A main window over the mini disc, whose species with playable recordings are Gallus gallus and
// Pitta moluccensis; the quiz file lives in a scratch data folder.
class QuizFormTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        const char* old = std::getenv("XDG_DATA_HOME");
        saved_data_home_ = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_DATA_HOME", data_home_.path().c_str(), 1);
        window = new TChildForm;
        window->window_set_up(WindowSetUp{});
        window->show();
    }
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i) delete top_forms().form(i);
        if (saved_data_home_)
            setenv("XDG_DATA_HOME", saved_data_home_->c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        DocumentTest::TearDown();
    }
    std::unique_ptr<TQuizForm> open_quiz() {
        auto form = std::make_unique<TQuizForm>(window, [state = std::uint64_t{7}](std::uint32_t n) mutable {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            return static_cast<std::uint32_t>((state >> 33) % n);
        });
        form->show();
        QApplication::setActiveWindow(form.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->start_session();
        return form;
    }
    std::string quiz_file() const { return data_home_.path() + "Morvelin/quiz-boxes.txt"; }

    ScriptedMedia media;
    ScriptedMessages messages;
    TChildForm* window = nullptr;

private:
    TempDir data_home_;
    std::optional<std::string> saved_data_home_;
};

TEST_F(QuizFormTest, ASessionOfTenAnsweredWithTheKeysIsScoredAndItsBoxesAreKept) {
    auto quiz = open_quiz();
    ASSERT_EQ(quiz->scope().size(), 2u);
    for (int q = 0; q < TQuizForm::session_length; ++q) {
        ASSERT_FALSE(quiz->answered());
        ASSERT_EQ(quiz->asked(), q + 1);
        ASSERT_NE(quiz->bar(), nullptr);
        const auto& question = quiz->question();
        ASSERT_EQ(question.choices.size(), 2u);
        const bool right = q % 2 == 0;
        const std::size_t key = right ? question.right : 1 - question.right;
        QTest::keyClick(quiz.get(), static_cast<Qt::Key>(Qt::Key_1 + key));
        ASSERT_TRUE(quiz->answered());
        EXPECT_EQ(quiz->result_label()->text().startsWith(right ? "Right!" : "Wrong: it was "), true) << q;
        // A second key does not answer again.
        QTest::keyClick(quiz.get(), static_cast<Qt::Key>(Qt::Key_1 + (1 - key)));
        EXPECT_EQ(quiz->score(), q / 2 + 1);
        if (q + 1 < TQuizForm::session_length) QTest::keyClick(quiz.get(), Qt::Key_Return);
    }
    EXPECT_TRUE(quiz->session_over());
    EXPECT_TRUE(quiz->summary_label()->text().startsWith("Session over: 5 of 10 right.")) << quiz->summary_label()->text().toStdString();
    EXPECT_GT(quiz->chart()->sizeHint().height(), 0);

    QuizBoxes stored;
    ASSERT_EQ(read_quiz_boxes(quiz_file(), stored), QuizFileRead::read);
    EXPECT_EQ(stored.all(), quiz->boxes().all());
    EXPECT_FALSE(stored.all().empty());
    // Another quiz (a restart) starts from the boxes kept.
    const auto before = quiz->boxes().all();
    quiz.reset();
    auto again = open_quiz();
    EXPECT_EQ(again->boxes().all(), before);
    // The scripted media has no sound files, so the bars tell of missing tracks; nothing about the quiz file.
    for (const auto& m : messages.shown()) EXPECT_EQ(m.text.find("quiz file"), std::string::npos) << m.text;
}

TEST_F(QuizFormTest, ADamagedQuizFileIsSetAsideWithAMessageAndAFreshOneStarts) {
    std::filesystem::create_directories(std::filesystem::path(quiz_file()).parent_path());
    ASSERT_TRUE(write_file_atomically(quiz_file(), "Morvelin quiz boxes 1\n106 1001 seven\n"));
    auto quiz = open_quiz();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_NE(messages.shown()[0].text.find("was damaged"), std::string::npos) << messages.shown()[0].text;
    EXPECT_EQ(read_whole_file(quiz_file() + ".damaged").value_or(""), "Morvelin quiz boxes 1\n106 1001 seven\n");
    QTest::keyClick(quiz.get(), static_cast<Qt::Key>(Qt::Key_1 + quiz->question().right));
    QuizBoxes stored;
    EXPECT_EQ(read_quiz_boxes(quiz_file(), stored), QuizFileRead::read);
}

TEST_F(QuizFormTest, TheAnswerShowsTheSpeciesInTheMainWindow) {
    auto quiz = open_quiz();
    EXPECT_FALSE(quiz->show_button()->isEnabled());
    QTest::keyClick(quiz.get(), static_cast<Qt::Key>(Qt::Key_1 + quiz->question().right));
    ASSERT_TRUE(quiz->show_button()->isEnabled());
    quiz->show_button()->click();
    TShowStringsLine* shown = window->pane()->strings().current_species();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->species, quiz->scope()[quiz->question().candidate].species);
    EXPECT_TRUE(shown->prev->expanded());
}

// Slower plays the same recording at half the tape speed; Replay plays it as it is again.
TEST_F(QuizFormTest, SlowerReplaysTheQuestionAtHalfSpeedAndReplayAtTheNormalSpeed) {
    auto quiz = open_quiz();
    ASSERT_NE(quiz->bar(), nullptr);
    const Tcupaitem* recording = quiz->question().recording;
    EXPECT_EQ(quiz->bar()->playback_mode(), PlaybackMode::normal);
    quiz->slower_button()->click();
    ASSERT_NE(quiz->bar(), nullptr);
    EXPECT_EQ(quiz->bar()->playback_mode(), PlaybackMode::tape_half);
    EXPECT_EQ(quiz->question().recording, recording);
    EXPECT_FALSE(quiz->answered());
    quiz->replay();
    EXPECT_EQ(quiz->bar()->playback_mode(), PlaybackMode::normal);
}

// With the play list window open, its species are a scope of their own.
TEST_F(QuizFormTest, TheSpeciesOfTheOpenPlayListAreAScope) {
    WindowRegistry registry;
    registry.register_window(WindowKind::play_lists, play_list_factory());
    WindowRequest request;
    request.kind = WindowKind::play_lists;
    request.owner = window;
    auto* list = qobject_cast<TPlayListForm*>(registry.open(request));
    ASSERT_NE(list, nullptr);
    const Tspecies* pitta = data->find_species(2001);
    ASSERT_NE(pitta, nullptr);
    list->add_entry(*pitta->first_item, 1);

    TQuizForm quiz(window, {}, &registry);
    const int item = quiz.scope_box()->findText("The species of the open play list");
    ASSERT_GT(item, 0);
    quiz.scope_box()->setCurrentIndex(item);
    quiz.start_session();
    ASSERT_EQ(quiz.scope().size(), 1u);
    EXPECT_EQ(quiz.scope()[0].species, pitta);
    quiz.close();
}

} // namespace
} // namespace morvelin::testing
