#include "core/sound/play_sequence.h"

#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "core/sound/media_port.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace morvelin {

// ---- the spoken names through the media port ----

MediaNameSpeaker::~MediaNameSpeaker() {
    stop();
}

bool MediaNameSpeaker::start(const std::string& path) {
    stop();
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return false;
    MciOpenParameters parameters;
    parameters.element = path;
    std::uint32_t id = 0;
    if (media_port().open(parameters, id) != mci::no_error) return false;
    device_ = id;
    if (media_port().play(device_, std::nullopt, std::nullopt, true) != mci::no_error) {
        stop();
        return false;
    }
    return true;
}

bool MediaNameSpeaker::speaking() {
    if (device_ == 0) return false;
    std::uint32_t mode = 0;
    if (media_port().status(device_, mci::status_mode, mode) == mci::no_error &&
        (mode == mci::mode_play || mode == mci::mode_seek))
        return true;
    stop();
    return false;
}

void MediaNameSpeaker::stop() {
    if (device_ == 0) return;
    media_port().stop(device_);
    media_port().close(device_);
    device_ = 0;
}

// ---- the demo's draw ----

SoundDemoSource::SoundDemoSource(const Tdata& data, const TClassVisibleSpeciesAndRecordings& visibility,
                                 int order_kind, int mode, RandomSource random)
    : data_(data), visibility_(visibility), order_kind_(std::clamp(order_kind, 1, order_kinds - 1)),
      mode_(mode), random_(std::move(random)) {}

NextEntry SoundDemoSource::next() {
    // The eligible species are listed and drawn among, so the draw ends whatever their number.
    std::vector<const Tspecies*> eligible;
    for (const Tfamily* family = data_.first_family[static_cast<std::size_t>(order_kind_)]; family;
         family = family->next_family) {
        for (const Tspecies* s = family->first_species; s; s = s->next_in_order[static_cast<std::size_t>(order_kind_)]) {
            if (s->scientific_name == "?? ??" || !visibility_.species_visible(*s)) continue;
            if (visibility_.playable_item_count(*s, mode_) > 0) eligible.push_back(s);
        }
    }
    NextEntry next;
    if (eligible.empty()) {
        none_eligible_ = true;
        std::string text = language_texts().get_line("SOUND_DEMO", 2); // line 1
        if (text.empty()) text = "No species with a recording that can be played is shown.";
        show_message(text, mb::icon_information);
        return next;
    }
    if (eligible.size() > 1) std::erase(eligible, current_);
    const auto pick = [&](int n) { return std::clamp(random_ ? random_(n) : 0, 0, n - 1); };
    const Tspecies& species = *eligible[static_cast<std::size_t>(pick(static_cast<int>(eligible.size())))];
    current_ = &species;

    const int playable = visibility_.playable_item_count(species, mode_);
    const Tcupaitem* item = visibility_.nth_visible_item(species, pick(playable) + 1, true, mode_);
    if (!item) return next;
    next.recording = item;
    const int visible = visibility_.visible_item_count(species, mode_);
    for (int n = 1; n <= visible; ++n) {
        if (visibility_.nth_visible_item(species, n, false, mode_) == item) {
            next.context = n;
            break;
        }
    }
    return next;
}

// ---- the sequence ----

namespace {
constexpr int bar_poll_ms = 200;
constexpr int name_poll_ms = 50;
constexpr int short_step_ms = 10;
} // namespace

Tsounds_demo_and_play_lists_handler::Tsounds_demo_and_play_lists_handler(
    bool play_list_mode, const settings::BetweenSoundsOptions& options, bool names_offered,
    RecordingSource& source, PlaySequenceHost& host, NameSpeaker& speaker, Clock clock,
    std::function<std::string(const Tspecies&)> spoken_name_path)
    : play_list_mode_(play_list_mode), options_(options), source_(source), host_(host), speaker_(speaker),
      clock_(std::move(clock)), spoken_name_path_(std::move(spoken_name_path)) {
    // Pauses from a file or the settings: two digits, whatever was stored.
    options_.seconds_between_sounds =
        std::clamp(options_.seconds_between_sounds, 0, settings::BetweenSoundsOptions::max_seconds);
    options_.seconds_after_spoken_names =
        std::clamp(options_.seconds_after_spoken_names, 0, settings::BetweenSoundsOptions::max_seconds);
    if (!names_offered) {
        options_.tell_species_names = false;
        options_.tell_names_afterwards = false;
    }
    go(State::waiting_for_end, bar_poll_ms);
}

int Tsounds_demo_and_play_lists_handler::pause_ms(int seconds) const {
    return seconds * 1000 + short_step_ms;
}

void Tsounds_demo_and_play_lists_handler::go(State state, int interval) {
    state_ = state;
    due_ = clock_() + interval;
}

int Tsounds_demo_and_play_lists_handler::interval_ms() const {
    if (state_ == State::stopped) return -1;
    return static_cast<int>(std::max<std::int64_t>(0, due_ - clock_()));
}

void Tsounds_demo_and_play_lists_handler::end() {
    state_ = State::stopped;
    speaker_.stop();
    host_.sequence_ended();
}

void Tsounds_demo_and_play_lists_handler::stop() {
    if (state_ == State::stopped) return;
    state_ = State::stopped;
    speaker_.stop();
}

void Tsounds_demo_and_play_lists_handler::after_name() {
    if (!options_.tell_names_afterwards) {
        go(State::play, pause_ms(options_.seconds_after_spoken_names));
    } else if (play_list_mode_ && current_.is_last) {
        end();
    } else {
        go(State::next_recording, pause_ms(options_.seconds_after_spoken_names));
    }
}

void Tsounds_demo_and_play_lists_handler::tick() {
    if (state_ == State::stopped || clock_() < due_) return;
    const bool names = options_.tell_species_names;
    const bool afterwards = names && options_.tell_names_afterwards;
    switch (state_) {
    case State::waiting_for_end:
        if (current_.recording && host_.recording_open(*current_.recording)) {
            go(State::waiting_for_end, bar_poll_ms);
        } else if (afterwards && !first_) {
            go(State::speak_name, pause_ms(options_.seconds_between_sounds));
        } else {
            go(State::next_recording, short_step_ms);
        }
        break;
    case State::next_recording: {
        current_ = source_.next();
        if (!current_.recording || !current_.recording->species) {
            end();
            return;
        }
        host_.show_recording(*current_.recording);
        const bool repeat = play_list_mode_ && current_.is_repeat;
        if (names && !afterwards && !repeat)
            go(State::speak_name, first_ ? short_step_ms : pause_ms(options_.seconds_between_sounds));
        else
            go(State::play, repeat ? short_step_ms : pause_ms(options_.seconds_between_sounds));
        first_ = false;
        break;
    }
    case State::speak_name:
        if (current_.recording && current_.recording->species && spoken_name_path_ &&
            speaker_.start(spoken_name_path_(*current_.recording->species))) {
            go(State::name_being_spoken, name_poll_ms);
        } else {
            after_name(); // no file: the name is skipped, the pauses stay
        }
        break;
    case State::name_being_spoken:
        if (speaker_.speaking())
            go(State::name_being_spoken, name_poll_ms);
        else
            after_name();
        break;
    case State::play:
        if (host_.toggle_play(*current_.recording)) {
            host_.recording_started(*current_.recording);
            go(State::waiting_for_end, bar_poll_ms);
        } else {
            // The bar has told what went wrong; the sequence ends rather than waiting for ever.
            end();
        }
        break;
    case State::stopped:
        break;
    }
}

} // namespace morvelin
