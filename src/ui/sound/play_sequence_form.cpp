#include "ui/sound/play_sequence_form.h"

#include "core/data/data_loader.h"
#include "core/data/records.h"
#include "core/foundation/editions.h"
#include "core/sound/file_locations.h"
#include "ui/display/child_form.h"
#include "ui/foundation/qt_text.h"
#include "ui/pictures/small_pictures.h"
#include "ui/sound/sound_bar.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

namespace morvelin {

// The list's entries, each selecting its row in the list window as it comes.
class TPlaySequenceForm::RowSource : public RecordingSource {
public:
    explicit RowSource(const PlayListPlayRequest& request) : request_(request) {}
    NextEntry next() override {
        NextEntry entry = request_.list->next_entry(request_.endless_loop);
        if (entry.recording && request_.select_row) request_.select_row(entry.row);
        return entry;
    }

private:
    const PlayListPlayRequest& request_;
};

namespace {

std::int64_t steady_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString species_names(const Tspecies& s) {
    return s.vernacular_name.empty() ? qt_text(s.scientific_name)
                                     : qt_text(s.vernacular_name) + QStringLiteral("  ") + qt_text(s.scientific_name);
}

} // namespace

TPlaySequenceForm::TPlaySequenceForm(QWidget& owner, const PlayListPlayRequest& request,
                                     std::unique_ptr<NameSpeaker> speaker)
    : TForm<QWidget>(&owner, Qt::Window), request_(request),
      speaker_(speaker ? std::move(speaker) : std::make_unique<MediaNameSpeaker>()) {
    if (request_.list) request_.list->start_sequence(request_.start_row);
    source_ = std::make_unique<RowSource>(request_);
    build();
}

TPlaySequenceForm::TPlaySequenceForm(QWidget& owner, const settings::BetweenSoundsOptions& options,
                                     const NumberSet& files_instead_of_cd, std::unique_ptr<RecordingSource> source,
                                     std::unique_ptr<NameSpeaker> speaker)
    : TForm<QWidget>(&owner, Qt::Window), speaker_(speaker ? std::move(speaker) : std::make_unique<MediaNameSpeaker>()),
      source_(std::move(source)), play_list_mode_(false) {
    request_.options = options;
    request_.files_instead_of_cd = files_instead_of_cd;
    build();
}

void TPlaySequenceForm::build() {
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QHBoxLayout(this);
    picture_ = new QLabel(this);
    picture_->setFixedSize(110, 80);
    layout->addWidget(picture_);
    auto* column = new QVBoxLayout;
    names_ = new QLabel(this);
    QFont bold = names_->font();
    bold.setBold(true);
    names_->setFont(bold);
    column->addWidget(names_);
    bar_holder_ = new QWidget(this);
    bar_holder_->setMinimumSize(320, 40);
    column->addWidget(bar_holder_);
    layout->addLayout(column, 1);
    resize(480, 110);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &TPlaySequenceForm::run_due_state);
    handler_ = std::make_unique<Tsounds_demo_and_play_lists_handler>(
        play_list_mode_, request_.options, edition().switches.speak_species_names, *source_, *this, *speaker_,
        steady_ms, [](const Tspecies& species) { return spoken_name_path(&species); });
}

TPlaySequenceForm::~TPlaySequenceForm() {
    if (handler_) handler_->stop();
    bar_.reset();
    if (!finished_told_ && request_.finished) {
        finished_told_ = true;
        request_.finished();
    }
}

void TPlaySequenceForm::start() {
    if (play_list_mode_ && !request_.list) return;
    run_due_state();
}

void TPlaySequenceForm::run_due_state() {
    handler_->tick();
    if (!handler_->running()) return;
    timer_->start(std::max(0, handler_->interval_ms()));
}

void TPlaySequenceForm::show_recording(const Tcupaitem& recording) {
    if (recording.species) {
        names_->setText(species_names(*recording.species));
        window()->setWindowTitle(names_->text());
        picture_->clear();
        picture_->setPixmap(small_picture_pixmap(*recording.species, picture_->size(), devicePixelRatioF()));
    }
    if (bar_ && bar_recording_ == &recording) return;
    bar_.reset();
    bar_recording_ = nullptr;
    if (!recording.cut_part) return;
    SoundBarSetup setup;
    setup.owner = bar_holder_;
    setup.recording = &recording;
    setup.top = bar_holder_->fontMetrics().height() + 2;
    setup.files_instead_of_cd = request_.files_instead_of_cd;
    bar_ = std::make_unique<Tsound_bar>(setup);
    bar_->set_highlight(true);
    bar_->show();
    bar_recording_ = &recording;
}

bool TPlaySequenceForm::recording_open(const Tcupaitem& recording) {
    return bar_ && bar_recording_ == &recording && bar_->is_open();
}

bool TPlaySequenceForm::toggle_play(const Tcupaitem& recording) {
    if (!bar_ || bar_recording_ != &recording) show_recording(recording);
    if (!bar_) return false;
    bar_->TogglePlay();
    const bool open = bar_->is_open();
    if (open) bar_->set_highlight(true);
    return open;
}

void TPlaySequenceForm::sequence_ended() {
    timer_->stop();
    // Closed once the sequence has returned from the state that ended it.
    QTimer::singleShot(0, window(), &QWidget::close);
}

void TPlaySequenceForm::closeEvent(QCloseEvent* event) {
    timer_->stop();
    if (handler_) handler_->stop();
    bar_.reset();
    bar_recording_ = nullptr;
    if (!finished_told_ && request_.finished) {
        finished_told_ = true;
        request_.finished();
    }
    TForm<QWidget>::closeEvent(event);
}

void TPlaySequenceForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        window()->close();
        return;
    }
    TForm<QWidget>::keyPressEvent(event);
}

QWidget* open_in_show_window(QWidget& owner, const std::function<TPlaySequenceForm*(QWidget& window)>& make) {
    auto* window = new TChildForm(&owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->window_set_up({.is_show_window = true});
    TPlaySequenceForm* player = make(*window);
    player->setWindowFlags(Qt::Widget);
    window->set_show_content(player);
    window->resize(player->size());
    window->remember_geometry({"PLAYLISTS", "Player Coord", true});
    window->show();
    player->setFocus();
    player->start();
    return window;
}

void install_play_sequence_player() {
    install_play_list_player([](QWidget& owner, const PlayListPlayRequest& request) -> QWidget* {
        return open_in_show_window(owner, [&](QWidget& window) { return new TPlaySequenceForm(window, request); });
    });
}

} // namespace morvelin
