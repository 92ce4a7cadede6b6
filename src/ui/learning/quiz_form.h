#pragma once
// TQuizForm: learning the voices (File > Quiz). Each question plays a recording of a species the main
// window shows and offers up to four names, answered with a click or the keys 1 to 4; the answer shows
// right or wrong, the species' thumbnail and names, and a button that shows the species in the main
// window. Ten questions make a session, which ends with the score, the species missed and a chart of
// the boxes per family. The boxes are kept in the user's quiz file after every answer.

#include "core/learning/quiz.h"
#include "core/sound/media_port.h"
#include "ui/windows/form.h"
#include "ui/windows/window_registry.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace morvelin {

class TChildForm;
class Tsound_bar;

// The summary's picture: one row per family, its species split by box from box 1 (red: missed) to the
// last box (green: known).
class TQuizBoxesChart : public QWidget {
public:
    explicit TQuizBoxesChart(QWidget* parent = nullptr);
    void set_rows(std::vector<std::pair<QString, std::vector<int>>> rows);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::pair<QString, std::vector<int>>> rows_;
};

class TQuizForm : public TForm<QWidget> {
    Q_OBJECT
public:
    static constexpr int session_length = 10;

    // Over the main window main, whose filter and order decide the scope; random draws the questions.
    // With a registry, the species of the open play list are a scope too.
    TQuizForm(TChildForm* main, QuizRandom random = {}, WindowRegistry* registry = nullptr);
    ~TQuizForm() override;

    // Starts a session of session_length questions over the chosen scope.
    void start_session();
    // Answers the current question with choice 0..3; ignored once answered.
    void answer(int choice);
    void next_question();
    // Plays the question's recording again from its start, slowed down with a slower mode.
    void replay(PlaybackMode mode = PlaybackMode::normal);

    const QuizQuestion& question() const { return question_; }
    const std::vector<QuizCandidate>& scope() const { return scope_; }
    const QuizBoxes& boxes() const { return boxes_; }
    int asked() const { return asked_; }
    int score() const { return score_; }
    bool answered() const { return answered_; }
    bool session_over() const { return asked_ >= session_length && answered_; }
    QPushButton* choice_button(int i) const { return choices_[static_cast<std::size_t>(i)]; }
    QPushButton* next_button() const { return next_; }
    QPushButton* slower_button() const { return slower_; }
    QPushButton* show_button() const { return show_; }
    QLabel* result_label() const { return result_; }
    QLabel* summary_label() const { return summary_; }
    QComboBox* scope_box() const { return scope_box_; }
    Tsound_bar* bar() const { return bar_.get(); }
    TQuizBoxesChart* chart() const { return chart_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void load_boxes();
    void save_boxes();
    void rebuild_scope();
    void show_question();
    void show_summary();
    void show_in_main_window();

    QPointer<TChildForm> main_;
    WindowRegistry* registry_ = nullptr;
    QuizRandom random_;
    QuizBoxes boxes_;
    std::string boxes_path_;
    bool save_failure_told_ = false;
    std::vector<QuizCandidate> scope_;
    QuizQuestion question_;
    std::size_t previous_ = static_cast<std::size_t>(-1);
    int asked_ = 0;
    int score_ = 0;
    bool answered_ = false;
    std::vector<const Tspecies*> missed_;

    QComboBox* scope_box_ = nullptr;
    QLabel* progress_ = nullptr;
    QWidget* bar_holder_ = nullptr;
    std::unique_ptr<Tsound_bar> bar_;
    QPushButton* replay_ = nullptr;
    QPushButton* slower_ = nullptr;
    std::array<QPushButton*, 4> choices_{};
    QLabel* result_ = nullptr;
    QLabel* picture_ = nullptr;
    QLabel* names_ = nullptr;
    QPushButton* show_ = nullptr;
    QPushButton* next_ = nullptr;
    QLabel* summary_ = nullptr;
    TQuizBoxesChart* chart_ = nullptr;
};

// The registry's factory of WindowKind::quiz: one quiz for each main window.
WindowFactory quiz_window_factory();

} // namespace morvelin
