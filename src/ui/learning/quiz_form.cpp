#include "ui/learning/quiz_form.h"

#include "core/data/data_loader.h"
#include "core/data/records.h"
#include "core/foundation/editions.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/show_strings.h"
#include "ui/foundation/qt_text.h"
#include "ui/pictures/small_pictures.h"
#include "ui/sound/play_list_form.h"
#include "ui/sound/sound_bar.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <random>
#include <set>

namespace morvelin {

namespace {

// Lines of QUIZ, with English defaults for a language file that does not have them.
QString quiz_text(int line) {
    static const char* const defaults[] = {
        "Quiz: whose voice is this?",
        "Question %1 of %2, %3 right so far",
        "All species of this window",
        "Only the family ",
        "&Replay",
        "&Next",
        "&Show in the main window",
        "Right!",
        "Wrong: it was %1.",
        "Session over: %1 of %2 right.",
        "Species missed: %1",
        "none",
        "Boxes per family, from box 1 (missed, asked often) to box 5 (known)",
        "No species that this window shows has a recording that can be played.",
        "The quiz file %1 was damaged. It was set aside as %2, and the quiz starts afresh.",
        "The quiz file %1 could not be written; the answers of this session are not kept.",
        "New &session",
        "&Quiz...",
        "The species of the open play list",
        "S&lower (half speed)",
    };
    return line_or("QUIZ", line, defaults[line]);
}

QString names_of(const Tspecies& s) {
    return s.vernacular_name.empty() ? qt_text(s.scientific_name)
                                     : qt_text(s.vernacular_name) + QStringLiteral(" (") + qt_text(s.scientific_name) + ")";
}

QuizRandom default_random() {
    return [engine = std::mt19937(std::random_device{}())](std::uint32_t n) mutable {
        return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(engine);
    };
}

// The scope box's data of the play list's species.
constexpr int play_list_scope = -1;

// The list of the play list window when it is open and holds entries.
const PlayList* open_play_list(WindowRegistry* registry) {
    auto* form = registry ? qobject_cast<TPlayListForm*>(registry->find(WindowKind::play_lists)) : nullptr;
    return form && !form->list().empty() ? &form->list() : nullptr;
}

const QColor box_colours[quiz_box_count] = {QColor(0xd7, 0x30, 0x27), QColor(0xfc, 0x8d, 0x59), QColor(0xfe, 0xe0, 0x8b),
                                            QColor(0x91, 0xcf, 0x60), QColor(0x1a, 0x98, 0x50)};

} // namespace

// ---------------------------------------------------------------- TQuizBoxesChart

TQuizBoxesChart::TQuizBoxesChart(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
}

void TQuizBoxesChart::set_rows(std::vector<std::pair<QString, std::vector<int>>> rows) {
    rows_ = std::move(rows);
    updateGeometry();
    update();
}

QSize TQuizBoxesChart::sizeHint() const {
    const int row = fontMetrics().height() + 4;
    return {420, std::max(1, static_cast<int>(rows_.size())) * row + 4};
}

void TQuizBoxesChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int row = fontMetrics().height() + 4;
    int label_width = 0;
    int most = 1;
    for (const auto& [name, counts] : rows_) {
        label_width = std::max(label_width, fontMetrics().horizontalAdvance(name));
        int total = 0;
        for (int c : counts) total += c;
        most = std::max(most, total);
    }
    label_width = std::min(label_width + 8, width() / 2);
    const int bar_width = std::max(10, width() - label_width - 4);
    int y = 2;
    for (const auto& [name, counts] : rows_) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, y, label_width - 6, row), Qt::AlignRight | Qt::AlignVCenter,
                         fontMetrics().elidedText(name, Qt::ElideRight, label_width - 6));
        int x = label_width;
        for (std::size_t b = 0; b < counts.size() && b < std::size(box_colours); ++b) {
            const int w = counts[b] * bar_width / most;
            painter.fillRect(QRect(x, y + 2, w, row - 4), box_colours[b]);
            x += w;
        }
        y += row;
    }
}

// ---------------------------------------------------------------- TQuizForm

TQuizForm::TQuizForm(TChildForm* main, QuizRandom random, WindowRegistry* registry)
    : TForm<QWidget>(main, Qt::Window), main_(main), registry_(registry),
      random_(random ? std::move(random) : default_random()) {
    setWindowTitle(quiz_text(0));
    auto* layout = new QVBoxLayout(this);
    scope_box_ = new QComboBox(this);
    layout->addWidget(scope_box_);
    progress_ = new QLabel(this);
    layout->addWidget(progress_);

    auto* sound_row = new QHBoxLayout;
    bar_holder_ = new QWidget(this);
    bar_holder_->setMinimumSize(320, 40);
    sound_row->addWidget(bar_holder_, 1);
    replay_ = new QPushButton(quiz_text(4), this);
    sound_row->addWidget(replay_);
    slower_ = new QPushButton(quiz_text(19), this);
    sound_row->addWidget(slower_);
    layout->addLayout(sound_row);

    auto* grid = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        choices_[static_cast<std::size_t>(i)] = new QPushButton(this);
        grid->addWidget(choices_[static_cast<std::size_t>(i)], i / 2, i % 2);
        connect(choices_[static_cast<std::size_t>(i)], &QPushButton::clicked, this, [this, i] { answer(i); });
        // Shortcuts, so that the keys answer whichever control has the focus (the scope box would
        // take a digit for its own search).
        auto* key = new QShortcut(QKeySequence(Qt::Key_1 + i), this);
        connect(key, &QShortcut::activated, this, [this, i] { answer(i); });
    }
    layout->addLayout(grid);

    auto* answer_row = new QHBoxLayout;
    picture_ = new QLabel(this);
    picture_->setFixedSize(110, 80);
    answer_row->addWidget(picture_);
    auto* answer_text = new QVBoxLayout;
    result_ = new QLabel(this);
    QFont big = result_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    result_->setFont(big);
    answer_text->addWidget(result_);
    names_ = new QLabel(this);
    names_->setWordWrap(true);
    answer_text->addWidget(names_);
    answer_row->addLayout(answer_text, 1);
    layout->addLayout(answer_row);

    auto* buttons = new QHBoxLayout;
    show_ = new QPushButton(quiz_text(6), this);
    next_ = new QPushButton(quiz_text(5), this);
    next_->setDefault(true);
    buttons->addWidget(show_);
    buttons->addStretch(1);
    buttons->addWidget(next_);
    layout->addLayout(buttons);

    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    chart_ = new TQuizBoxesChart(this);
    layout->addWidget(chart_);
    layout->addStretch(1);

    connect(replay_, &QPushButton::clicked, this, [this] { replay(); });
    // Half the tape speed, an octave lower: a fast trill's notes come apart.
    connect(slower_, &QPushButton::clicked, this, [this] { replay(PlaybackMode::tape_half); });
    connect(show_, &QPushButton::clicked, this, &TQuizForm::show_in_main_window);
    connect(next_, &QPushButton::clicked, this, &TQuizForm::next_question);

    load_boxes();
    // The scope: the window's species, or one of its families with species to ask.
    scope_box_->addItem(quiz_text(2));
    if (open_play_list(registry_)) scope_box_->addItem(quiz_text(18), QVariant(play_list_scope));
    if (main_) {
        const auto& shown = main_->pane()->strings().settings();
        const Tfamily* last = nullptr;
        for (const QuizCandidate& c : quiz_scope(data_set(), shown.systematic_order, shown.visible)) {
            if (c.family == last) continue;
            last = c.family;
            scope_box_->addItem(quiz_text(3) + qt_text(c.family->vernacular_name.empty() ? c.family->scientific_name
                                                                                          : c.family->vernacular_name),
                                QVariant::fromValue(static_cast<const void*>(c.family)));
        }
    }
    connect(scope_box_, &QComboBox::activated, this, [this] { start_session(); });
    resize(560, 420);
    remember_geometry({"QUIZ", "Coord"});
}

TQuizForm::~TQuizForm() = default;

void TQuizForm::load_boxes() {
    boxes_path_ = quiz_boxes_path();
    boxes_.set_edition(edition().edition_id);
    if (read_quiz_boxes(boxes_path_, boxes_) != QuizFileRead::damaged) return;
    const std::string aside = set_damaged_quiz_file_aside(boxes_path_);
    show_message(disc_text(quiz_text(14).arg(qt_path(boxes_path_), qt_path(aside.empty() ? boxes_path_ : aside))),
                 mb::icon_warning);
    boxes_.all().clear();
}

void TQuizForm::save_boxes() {
    if (write_quiz_boxes(boxes_path_, boxes_) || save_failure_told_) return;
    save_failure_told_ = true;
    show_message(disc_text(quiz_text(15).arg(qt_path(boxes_path_))), mb::icon_warning);
}

void TQuizForm::rebuild_scope() {
    scope_.clear();
    if (!main_) return;
    const auto& shown = main_->pane()->strings().settings();
    if (scope_box_->currentData() == QVariant(play_list_scope)) {
        // The species of the list's recordings, as far as this window shows them.
        std::set<const Tspecies*> listed;
        if (const PlayList* list = open_play_list(registry_))
            for (const TPlayListInfo& entry : list->entries())
                if (entry.recording && entry.recording->species) listed.insert(entry.recording->species);
        scope_ = quiz_scope(data_set(), shown.systematic_order, shown.visible);
        std::erase_if(scope_, [&](const QuizCandidate& c) { return !listed.count(c.species); });
        return;
    }
    const auto* family = static_cast<const Tfamily*>(scope_box_->currentData().value<const void*>());
    scope_ = quiz_scope(data_set(), shown.systematic_order, shown.visible, family);
}

void TQuizForm::start_session() {
    rebuild_scope();
    asked_ = 0;
    score_ = 0;
    missed_.clear();
    previous_ = static_cast<std::size_t>(-1);
    summary_->clear();
    chart_->set_rows({});
    if (scope_.empty()) {
        answered_ = false;
        progress_->setText(quiz_text(13));
        for (QPushButton* b : choices_) b->hide();
        next_->setEnabled(false);
        return;
    }
    next_->setEnabled(true);
    answered_ = true; // so that next_question asks
    next_question();
}

void TQuizForm::next_question() {
    if (!answered_) return;
    if (session_over()) {
        next_->setText(quiz_text(5));
        start_session();
        return;
    }
    if (!next_quiz_question(scope_, boxes_, previous_, random_, question_)) return;
    previous_ = question_.candidate;
    ++asked_;
    answered_ = false;
    show_question();
    replay();
}

void TQuizForm::show_question() {
    progress_->setText(quiz_text(1).arg(asked_).arg(session_length).arg(score_));
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        QPushButton* b = choices_[i];
        b->setVisible(i < question_.choices.size());
        b->setEnabled(true);
        if (i < question_.choices.size())
            b->setText(QString::number(i + 1) + QStringLiteral("  ") + literal_ampersands(names_of(*question_.choices[i])));
    }
    result_->clear();
    names_->clear();
    picture_->clear();
    show_->setEnabled(false);
    next_->setEnabled(false);
    if (!question_.choices.empty()) choices_[0]->setFocus();
}

void TQuizForm::replay(PlaybackMode mode) {
    if (!question_.recording || !question_.recording->cut_part) return;
    bar_.reset();
    SoundBarSetup setup;
    setup.owner = bar_holder_;
    setup.recording = question_.recording;
    setup.left = 0;
    setup.top = bar_holder_->fontMetrics().height() + 2;
    if (main_) setup.files_instead_of_cd = main_->pane()->strings().settings().visible.carriers.cds_on_hd;
    setup.show_numbers = true;
    bar_ = std::make_unique<Tsound_bar>(setup);
    bar_->set_playback_mode(mode);
    bar_->show();
    bar_->TogglePlay();
}

void TQuizForm::answer(int choice) {
    if (answered_ || choice < 0 || choice >= static_cast<int>(question_.choices.size())) return;
    answered_ = true;
    const Tspecies& species = *scope_[question_.candidate].species;
    const bool right = static_cast<std::size_t>(choice) == question_.right;
    boxes_.answer(species.unique_id, right);
    save_boxes();
    if (right)
        ++score_;
    else
        missed_.push_back(&species);
    for (std::size_t i = 0; i < choices_.size(); ++i) choices_[i]->setEnabled(i == question_.right);
    QPalette colours = result_->palette();
    colours.setColor(QPalette::WindowText, right ? QColor(0x1a, 0x80, 0x30) : QColor(0xc0, 0x20, 0x20));
    result_->setPalette(colours);
    result_->setText(right ? quiz_text(7) : quiz_text(8).arg(names_of(species)));
    names_->setText(names_of(species));
    picture_->setPixmap(small_picture_pixmap(species, picture_->size(), devicePixelRatioF()));
    show_->setEnabled(main_ != nullptr);
    next_->setEnabled(true);
    progress_->setText(quiz_text(1).arg(asked_).arg(session_length).arg(score_));
    if (session_over()) show_summary();
    next_->setFocus();
}

void TQuizForm::show_summary() {
    QStringList names;
    for (const Tspecies* s : missed_) names << names_of(*s);
    summary_->setText(quiz_text(9).arg(score_).arg(asked_) + "\n" +
                      quiz_text(10).arg(names.isEmpty() ? quiz_text(11) : names.join(QStringLiteral(", "))) + "\n" +
                      quiz_text(12));
    std::vector<std::pair<QString, std::vector<int>>> rows;
    for (const auto& [family, counts] : quiz_boxes_per_family(scope_, boxes_))
        rows.emplace_back(qt_text(family->vernacular_name.empty() ? family->scientific_name : family->vernacular_name),
                          counts);
    chart_->set_rows(std::move(rows));
    next_->setText(quiz_text(16));
}

void TQuizForm::show_in_main_window() {
    if (!main_ || question_.candidate >= scope_.size()) return;
    if (main_->pane()->show_species(*scope_[question_.candidate].species)) {
        main_->raise();
        main_->activateWindow();
    }
}

void TQuizForm::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    switch (key) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        next_question();
        return;
    default:
        TForm<QWidget>::keyPressEvent(event);
    }
}

void TQuizForm::closeEvent(QCloseEvent* event) {
    bar_.reset();
    TForm<QWidget>::closeEvent(event);
}

WindowFactory quiz_window_factory() {
    WindowFactory factory;
    factory.create = [](const WindowRequest& request, WindowRegistry& registry) -> QWidget* {
        auto* main = request.owner ? qobject_cast<TChildForm*>(request.owner->window()) : nullptr;
        if (!main) return nullptr;
        auto* form = new TQuizForm(main, {}, &registry);
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->start_session();
        return form;
    };
    return factory;
}

} // namespace morvelin
