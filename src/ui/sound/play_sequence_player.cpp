#include "ui/sound/play_sequence_player.h"

#include "core/data/data_loader.h"
#include "core/data/records.h"
#include "core/display/display_settings.h"
#include "core/foundation/editions.h"
#include "core/sound/file_locations.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/show_sound_bars.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/qt_text.h"
#include "ui/sound/sound_bar.h"
#include "ui/windows/form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace morvelin {

// The list's entries, each selecting its row in the list window as it comes.
class TPlaySequencePlayer::RowSource : public RecordingSource {
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
    return s.vernacular_name.empty()
               ? qt_text(s.scientific_name)
               : qt_text(s.vernacular_name) + QStringLiteral("  ") + qt_text(s.scientific_name);
}

} // namespace

TPlaySequencePlayer::TPlaySequencePlayer(TChildForm& window, const PlayListPlayRequest& request,
                                         std::unique_ptr<NameSpeaker> speaker)
    : QObject(&window), window_(window), request_(request),
      speaker_(speaker ? std::move(speaker) : std::make_unique<MediaNameSpeaker>()) {
    if (request_.list) request_.list->start_sequence(request_.start_row);
    source_ = std::make_unique<RowSource>(request_);
    build();
}

TPlaySequencePlayer::TPlaySequencePlayer(TChildForm& window, const settings::BetweenSoundsOptions& options,
                                         std::unique_ptr<RecordingSource> source,
                                         std::unique_ptr<NameSpeaker> speaker)
    : QObject(&window), window_(window),
      speaker_(speaker ? std::move(speaker) : std::make_unique<MediaNameSpeaker>()),
      source_(std::move(source)), play_list_mode_(false) {
    request_.options = options;
    build();
}

void TPlaySequencePlayer::build() {
    window_.setWindowTitle(play_list_mode_ ? caption_text("PLAY_LISTS", 0) : caption_text("SOUND_DEMO", 0));
    window_.installEventFilter(this);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &TPlaySequencePlayer::run_due_state);
    handler_ = std::make_unique<Tsounds_demo_and_play_lists_handler>(
        play_list_mode_, request_.options, edition().switches.speak_species_names, *source_, *this, *speaker_,
        steady_ms, [](const Tspecies& species) { return spoken_name_path(&species); });
}

TPlaySequencePlayer::~TPlaySequencePlayer() {
    // The window's children (the pane with its bars) may be gone already: nothing here touches them.
    stop();
}

void TPlaySequencePlayer::stop() {
    timer_->stop();
    if (handler_) handler_->stop();
    if (!finished_told_ && request_.finished) {
        finished_told_ = true;
        request_.finished();
    }
}

void TPlaySequencePlayer::start() {
    if (play_list_mode_ && !request_.list) return;
    run_due_state();
}

void TPlaySequencePlayer::run_due_state() {
    handler_->tick();
    if (!handler_->running()) return;
    timer_->start(std::max(0, handler_->interval_ms()));
}

TShowForm& TPlaySequencePlayer::pane() const {
    return *window_.pane();
}

Tsound_bar* TPlaySequencePlayer::bar() const {
    const Tcupaitem* recording = handler_->current_recording();
    return recording ? pane().recording_bar(*recording) : nullptr;
}

void TPlaySequencePlayer::highlight(Tsound_bar* bar) {
    ShowSoundBars& bars = pane().strings().sound_bars();
    for (int i = 0; i < bars.count(); ++i)
        bars.bars().at(i).set_highlight(&bars.bars().at(i) == bar);
}

void TPlaySequencePlayer::show_recording(const Tcupaitem& recording) {
    if (recording.species) window_.setWindowTitle(species_names(*recording.species));
    highlight(pane().show_recording(recording));
}

bool TPlaySequencePlayer::recording_open(const Tcupaitem& recording) {
    const Tsound_bar* bar = pane().recording_bar(recording);
    return bar && bar->is_open();
}

bool TPlaySequencePlayer::toggle_play(const Tcupaitem& recording) {
    // Folded away during the pause: the species is shown again.
    Tsound_bar* found = pane().recording_bar(recording);
    if (!found) found = pane().show_recording(recording);
    if (!found) return false;
    // Starting may ask for the data folder; the bar may be gone when the question returns.
    QPointer<Tsound_bar> bar = found;
    bar->TogglePlay();
    if (!bar || !bar->is_open()) return false;
    highlight(bar);
    return true;
}

void TPlaySequencePlayer::sequence_ended() {
    timer_->stop();
    // Closed once the sequence has returned from the state that ended it.
    QTimer::singleShot(0, &window_, &QWidget::close);
}

bool TPlaySequencePlayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close) stop();
    return QObject::eventFilter(watched, event);
}

namespace {
std::function<void(TChildForm&)>& show_window_attacher() {
    static std::function<void(TChildForm&)> attach;
    return attach;
}
} // namespace

void install_show_window_attacher(std::function<void(TChildForm& window)> attach) {
    show_window_attacher() = std::move(attach);
}

TChildForm* open_play_sequence_window(QWidget& owner, const SHST_TClassShowStringsData& settings,
                                      const std::function<TPlaySequencePlayer*(TChildForm& window)>& make) {
    auto* window = new TChildForm(&owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    WindowSetUp setup;
    setup.is_show_window = true;
    setup.show_settings = &settings;
    window->window_set_up(setup);
    if (show_window_attacher()) show_window_attacher()(*window);
    TPlaySequencePlayer* player = make(*window);
    // Room for a species text beside its picture and a few recordings, on any screen.
    const QScreen* screen = owner.screen() ? owner.screen() : QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    window->resize(std::min(640, area.width() * 9 / 10), std::min(560, area.height() * 9 / 10));
    window->remember_geometry({"PLAYLISTS", "Player Coord"});
    window->show();
    window->pane()->setFocus();
    player->start();
    return window;
}

SHST_TClassShowStringsData play_list_window_settings(const PlayList& list) {
    const TChildForm* main = top_forms().main_child_form();
    SHST_TClassShowStringsData settings = main && main->pane()
                                              ? main->pane()->strings().settings()
                                              : SHST_TClassShowStringsData::create_default(data_set());
    std::vector<const Tcupaitem*> recordings;
    for (const TPlayListInfo& entry : list.entries())
        if (entry.recording) recordings.push_back(entry.recording);
    settings.visible.admit_recordings(recordings, TShowStrings::item_mode);
    return settings;
}

void install_play_sequence_player() {
    install_play_list_player([](QWidget& owner, const PlayListPlayRequest& request) -> QWidget* {
        if (!request.list || !data_set_loaded()) return nullptr;
        const SHST_TClassShowStringsData settings = play_list_window_settings(*request.list);
        return open_play_sequence_window(
            owner, settings, [&](TChildForm& window) { return new TPlaySequencePlayer(window, request); });
    });
}

} // namespace morvelin
