#include "core/sound/sound_bar_state.h"

#include "core/data/records.h"
#include "core/foundation/base_directory.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "core/sound/audio_cd_key_checker.h"
#include "core/sound/audio_cd_player.h"
#include "core/sound/file_locations.h"
#include "core/sound/media_port.h"
#include "core/sound/players.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace morvelin {

namespace {

constexpr int soundbars_lines = 20;

SoundBarState* currently_playing_bar = nullptr;
std::function<int()> audio_cd_drive_provider;
bool output_available = true;

std::string format_seconds(int ms, int decimals) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, ms / 1000.0);
    return buffer;
}

// Clears a flag for the length of a scope, even when the scope is left early.
class BusyGuard {
public:
    explicit BusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyGuard() { flag_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& flag_;
};

} // namespace

SoundBarPlayerKind sound_bar_player_kind(const Tcutpart& cut_part, const NumberSet& files_instead_of_cd) {
    if (cut_part.is_sound_file) return SoundBarPlayerKind::cut_part_file;
    const TaudioCD* cd = cut_part.audio_cd;
    if (cd && (cd->always_available || files_instead_of_cd.contains(cd->sequence)))
        return SoundBarPlayerKind::section_file;
    return SoundBarPlayerKind::audio_cd;
}

int round_half_even(double value) {
    // nearbyint follows the current rounding mode, which the program never changes from nearest-even;
    // set it here anyway so that a library that changed it cannot shift the slider sizes.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    return static_cast<int>(rounded);
}

int ms_to_slider_steps(int ms) {
    if (ms <= 0) return 0;
    int steps = ms / 100;
    const int rest = ms % 100;
    if (rest > 50 || (rest == 50 && steps % 2 == 1)) ++steps;
    return steps;
}

int sound_bar_slider_width(int length_ms) {
    // ln of a length of 0 or less has no value; such a recording gets the narrowest slider.
    if (length_ms <= 0) return 50;
    return std::max(50, round_half_even(std::log(length_ms / 1000.0) * 60.0 + 20.0));
}

// ---- SoundBarState ----

SoundBarState::SoundBarState(const Setup& setup, SoundBarView& view)
    : view_(view), recording_(setup.recording), files_instead_of_cd_(setup.files_instead_of_cd),
      texts_(setup.texts), length_not_exact_(setup.length_not_exact), button_visible_(setup.button_visible),
      rewind_at_end_(setup.rewind_at_end) {
    if (texts_.empty()) texts_ = texts("SOUNDBARS", soundbars_lines - 1);
    texts_.resize(soundbars_lines);

    Tcutpart& part = cut_part();
    kind_ = sound_bar_player_kind(part, files_instead_of_cd_);
    switch (kind_) {
    case SoundBarPlayerKind::cut_part_file:
        player_ = std::make_unique<TCutPartFilePlayer>();
        small_change_ = 5;
        break;
    case SoundBarPlayerKind::section_file:
        player_ = std::make_unique<TSoundFilePlayer>();
        break;
    case SoundBarPlayerKind::audio_cd:
        player_ = std::make_unique<TAudioCDTrackPlayer>();
        break;
    }
    slider_width_ = sound_bar_slider_width(part.length);
    slider_maximum_ = ms_to_slider_steps(part.length);
    // A recording shorter than 50 ms has a maximum of 0; a page step of 0 would make Page Up/Down
    // do nothing at all, so it is at least 1.
    large_change_ = std::max(1, std::min(20, slider_maximum_));
    slider_position_ = std::clamp(setup.slider_position, 0, slider_maximum_);
}

SoundBarState::~SoundBarState() {
    if (currently_playing_bar == this) currently_playing_bar = nullptr;
    // The view may already be half destroyed: close without telling it.
    if (open_) player_->Close();
}

Tcutpart& SoundBarState::cut_part() const {
    return *recording_->cut_part;
}

const std::string& SoundBarState::text(int line) const {
    static const std::string empty;
    if (line < 0 || line >= static_cast<int>(texts_.size())) return empty;
    return texts_[static_cast<std::size_t>(line)];
}

bool SoundBarState::length_not_exact() const {
    return length_not_exact_ && *length_not_exact_;
}

std::string SoundBarState::position_text() const {
    // Slider steps are tenths of a second: no floating point needed.
    return std::to_string(slider_position_ / 10) + "." + std::to_string(slider_position_ % 10);
}

std::string SoundBarState::length_text() const {
    return format_seconds(cut_part().length, length_not_exact() ? 0 : 1);
}

SoundBarState* SoundBarState::currently_playing() {
    return currently_playing_bar;
}

void SoundBarState::set_audio_cd_drive_provider(std::function<int()> provider) {
    audio_cd_drive_provider = std::move(provider);
}

int SoundBarState::audio_cd_drive() {
    if (audio_cd_drive_provider) return audio_cd_drive_provider();
    std::uint32_t devices = 0;
    if (media_port().system_info_quantity(mci::devtype_cd_audio, devices) != mci::no_error) return 0;
    return devices == 0 ? 0 : 1;
}

void SoundBarState::set_timer(bool running) {
    playing_ = running;
    view_.set_timer_running(running);
}

void SoundBarState::set_slider(int position) {
    slider_position_ = std::clamp(position, 0, slider_maximum_);
}

void SoundBarState::update_position_from_player() {
    int ms = 0;
    if (player_->GetPosition(ms)) set_slider(ms_to_slider_steps(ms));
}

void SoundBarState::TogglePlay() {
    if (!button_visible_) return;
    if (!open_) StartPlaying();
    if (open_) {
        if (playing_)
            Pause();
        else
            Resume();
    }
}

bool SoundBarState::StartPlaying() {
    if (currently_playing_bar && currently_playing_bar != this) currently_playing_bar->CloseBar();
    if (!open_player()) {
        changed();
        return false;
    }
    open_ = true;
    if (length_not_exact_) *length_not_exact_ = false;
    // The player gave back the length it can play and wrote it into the cut part.
    slider_maximum_ = std::max(0, ms_to_slider_steps(cut_part().length));
    large_change_ = std::max(1, std::min(20, slider_maximum_));
    set_slider(slider_position_);
    if (slider_position_ != 0) player_->Seek(slider_position_ * 100);
    changed();
    return true;
}

bool SoundBarState::open_player() {
    if (!player_) return false;
    switch (kind_) {
    case SoundBarPlayerKind::cut_part_file:
        return open_cut_part_file();
    case SoundBarPlayerKind::section_file:
        return open_section_file();
    case SoundBarPlayerKind::audio_cd:
        return open_audio_cd();
    }
    return false;
}

bool SoundBarState::open_cut_part_file() {
    Tcutpart& part = cut_part();
    auto& player = static_cast<TCutPartFilePlayer&>(*player_);
    const auto form = sound_file_form(part.compression);
    const bool mp3 = form && form->mp3;
    if (!form) {
        // No file name exists for this compression number: asking for another data folder would
        // never help.
        show_message(text(16) + " \"" + part.key + "\" " + text(17), mb::icon_error);
        return false;
    }
    for (;;) {
        // The path starts at the base directory, so it is formed again after every change of it.
        const std::string path = morvelin::sound_file_path(part);
        bool file_problem = false;
        if (player.OpenCutPartFile(path, mp3, part.length, file_problem)) return true;
        if (!file_problem) return false; // the player has shown why
        // A file that is there but cannot be played (damaged, or shorter than a playable section)
        // stays so in any data folder: say so instead of asking for another folder.
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            show_message(text(16) + " \"" + message_text_from_path(path) + "\" " + text(17), mb::icon_error);
            return false;
        }
        if (!select_base_directory()) return false;
    }
}

bool SoundBarState::open_section_file() {
    Tcutpart& part = cut_part();
    auto& player = static_cast<TSoundFilePlayer&>(*player_);
    const std::string path = morvelin::sound_file_path(part);
    if (path.empty()) {
        const TaudioCD* cd = part.audio_cd;
        show_message(text(5) + " " + std::to_string(part.track) + " " + text(6) +
                         message_text_from_path(cd ? cd->hard_disk_folder : std::string()) + text(7),
                     mb::icon_error);
        return false;
    }
    bool file_problem = false;
    if (player.OpenSection(path, part.offset, part.length, file_problem)) return true;
    if (file_problem)
        show_message(text(16) + " \"" + message_text_from_path(path) + "\" " + text(17), mb::icon_error);
    return false;
}

bool SoundBarState::open_audio_cd() {
    Tcutpart& part = cut_part();
    // A cut part of neither kind cannot be played; the data loader should never make one.
    if (!part.audio_cd) return false;
    auto& player = static_cast<TAudioCDTrackPlayer&>(*player_);
    return player.OpenTrack(audio_cd_drive(), part.length, audio_cd_key_checker().callback(), part);
}

void SoundBarState::Resume() {
    if (!open_) return;
    std::optional<TMCIDevicePlayer::Loop> loop;
    if (looping()) loop = TMCIDevicePlayer::Loop{*loop_start_, *loop_end_};
    player_->SetPlayback(playback_mode_, loop);
    if (currently_playing_bar && currently_playing_bar != this) currently_playing_bar->CloseBar();
    bool from_start = false;
    if (slider_position_ >= slider_maximum_ - 1) {
        set_slider(0);
        from_start = true;
        changed();
    }
    if (!player_->Seek(slider_position_ * 100) || !player_->Play(from_start, false)) {
        CloseBar();
        return;
    }
    currently_playing_bar = this;
    set_timer(true);
    changed();
}

void SoundBarState::Pause() {
    if (!open_ || !playing_) return;
    player_->Stop();
    set_timer(false);
    if (!player_->is_open()) {
        // A stop the device refused closed the player: the bar is closed too.
        open_ = false;
        if (currently_playing_bar == this) currently_playing_bar = nullptr;
    } else {
        update_position_from_player();
    }
    changed();
}

void SoundBarState::CloseBar() {
    if (!open_) return;
    if (playing_) set_timer(false);
    player_->Close();
    open_ = false;
    if (currently_playing_bar == this) currently_playing_bar = nullptr;
    changed();
}

void SoundBarState::tick() {
    if (busy_ || !open_ || !playing_) return;
    BusyGuard guard(busy_);
    if (!player_->IsReady()) {
        set_timer(false);
        changed();
        return;
    }
    int ms = 0;
    const int p = player_->GetPosition(ms) ? ms_to_slider_steps(ms) : slider_position_;
    set_slider(p);
    changed();

    int mode = 0;
    const bool mode_known = player_->GetMode(mode);
    bool ended = false;
    switch (kind_) {
    case SoundBarPlayerKind::cut_part_file:
        ended = p >= slider_maximum_ - 1;
        break;
    case SoundBarPlayerKind::section_file:
        ended = p >= slider_maximum_;
        break;
    case SoundBarPlayerKind::audio_cd:
        ended = !mode_known || mode != mci::mode_play;
        break;
    }
    // A file device that stopped short of the end (a file whose data ends before its header says)
    // would otherwise leave the bar playing for ever.
    if (!ended && kind_ != SoundBarPlayerKind::audio_cd && mode_known && mode != mci::mode_play) ended = true;
    // Slowed down, the last steps before the end last long; a loop never reaches it. Both end when
    // the device stops.
    if ((looping() || playback_mode_ != PlaybackMode::normal) && mode_known && mode == mci::mode_play) ended = false;
    if (!ended) return;

    set_timer(false);
    if (rewind_at_end_) set_slider(0);
    changed();
    CloseBar();
}

void SoundBarState::slider_moved(int position) {
    set_slider(position);
    changed();
    if (!open_ || !playing_) return;
    set_timer(false);
    if (player_->Stop()) {
        if (player_->Seek(slider_position_ * 100)) Resume();
    } else if (!player_->is_open()) {
        open_ = false;
        if (currently_playing_bar == this) currently_playing_bar = nullptr;
    }
    changed();
}

void SoundBarState::shift_move(ShiftMove move) {
    const bool was_playing = open_ && playing_;
    if (was_playing) Pause();
    int position = slider_position_;
    switch (move) {
    case ShiftMove::small_back:
        position -= small_change_;
        break;
    case ShiftMove::small_forward:
        position += small_change_;
        break;
    case ShiftMove::large_back:
        position -= large_change_;
        break;
    case ShiftMove::large_forward:
        position += large_change_;
        break;
    case ShiftMove::to_start:
        position = 0;
        break;
    case ShiftMove::to_end:
        position = slider_maximum_;
        break;
    }
    set_slider(position);
    changed();
    if (was_playing) Resume();
}

void SoundBarState::playback_changed() {
    if (open_ && playing_) {
        Pause();
        Resume();
    }
    changed();
}

int SoundBarState::length_ms() const {
    return std::max(0, open_ ? slider_maximum_ * 100 : cut_part().length);
}

void SoundBarState::set_playback_mode(PlaybackMode mode) {
    if (mode == playback_mode_) return;
    playback_mode_ = mode;
    playback_changed();
}

void SoundBarState::set_loop(int a_ms, int b_ms) {
    const int length = length_ms();
    a_ms = std::clamp(a_ms, 0, length);
    b_ms = std::clamp(b_ms, 0, length);
    if (a_ms == b_ms) {
        clear_loop();
        return;
    }
    loop_start_ = std::min(a_ms, b_ms);
    loop_end_ = std::max(a_ms, b_ms);
    playback_changed();
}

void SoundBarState::clear_loop() {
    if (!loop_start_ && !loop_end_) return;
    loop_start_.reset();
    loop_end_.reset();
    playback_changed();
}

void SoundBarState::set_loop_start_here() {
    loop_start_ = slider_position_ * 100;
    if (loop_end_ && *loop_end_ <= *loop_start_) loop_end_.reset();
    playback_changed();
}

void SoundBarState::set_loop_end_here() {
    loop_end_ = slider_position_ * 100;
    if (loop_start_ && *loop_start_ >= *loop_end_) loop_start_.reset();
    playback_changed();
}

std::string SoundBarState::listening_text() const {
    std::string out;
    switch (playback_mode_) {
    case PlaybackMode::normal:
        break;
    case PlaybackMode::tape_half:
    case PlaybackMode::stretch_half:
        out = "\xBD\xD7";
        break;
    case PlaybackMode::tape_quarter:
    case PlaybackMode::stretch_quarter:
        out = "\xBC\xD7";
        break;
    case PlaybackMode::tape_eighth:
        out = "1/8\xD7";
        break;
    case PlaybackMode::octave_down:
        out = "8vb";
        break;
    }
    if (playback_mode_ == PlaybackMode::stretch_half || playback_mode_ == PlaybackMode::stretch_quarter) out += " S";
    const char* loop = looping() ? "A-B" : loop_start_ ? "A-" : loop_end_ ? "-B" : "";
    if (*loop) out += (out.empty() ? "" : " ") + std::string(loop);
    return out;
}

std::string SoundBarState::sound_file_path() const {
    if (kind_ == SoundBarPlayerKind::audio_cd) return {};
    return morvelin::sound_file_path(cut_part());
}

std::string SoundBarState::information_text() const {
    const Tcutpart& part = cut_part();
    if (kind_ == SoundBarPlayerKind::cut_part_file) return text(8) + ": " + sound_file_path();

    const TaudioCD* cd = part.audio_cd;
    std::string message = text(9) + " \"" + (cd ? cd->text_1 : std::string()) + "\"\n" + text(10) + " " +
                          std::to_string(part.track);
    if (part.offset > 0) message += ", " + text(11) + " " + format_seconds(part.offset, 1) + " " + text(12);
    message += ", " + text(13) + " " + format_seconds(part.length, 1) + " " + text(12) + ".";
    if (kind_ == SoundBarPlayerKind::section_file) {
        const std::string path = sound_file_path();
        const bool on_cdrom = cd && cd->always_available && !path.empty() && is_cdrom_path(path);
        message += "\n" + text(on_cdrom ? 15 : 14) + " '" + path + "'.";
    }
    return message;
}

// ---- start-up ----

bool check_sound_output(int output_devices) {
    output_available = output_devices > 0;
    if (!output_available) show_message(texts("SOUNDBARS", 0).at(0), mb::icon_error);
    return output_available;
}

bool sound_output_is_available() {
    return output_available;
}

} // namespace morvelin
