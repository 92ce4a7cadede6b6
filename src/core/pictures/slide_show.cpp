#include "core/pictures/slide_show.h"

#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"

#include <algorithm>
#include <vector>

namespace morvelin {

// ---- the record ----

void TRecordingsAndOrPicturesList::set_words(std::string photo_word, std::string recording_word) {
    if (!photo_word.empty()) photo_word_ = std::move(photo_word);
    if (!recording_word.empty()) recording_word_ = std::move(recording_word);
}

std::string shown_species_names(const Tspecies& species) {
    if (species.vernacular_name.empty()) return species.scientific_name;
    return species.vernacular_name + " (" + species.scientific_name + ")";
}

NextEntry RecordedRecordingSource::next() {
    NextEntry entry = source_->next();
    if (entry.recording && entry.recording->species)
        list_.add(*entry.recording->species, shown_species_names(*entry.recording->species), nullptr, entry.recording);
    return entry;
}

std::string picture_details(const Tbig_picture& picture) {
    std::string text = std::to_string(picture.number);
    // The holder as the photo window's caption names them.
    if (picture.copyright_holder && !picture.copyright_holder->key.empty())
        text += ", \xA9 " + picture.copyright_holder->key;
    return text;
}

std::string recording_details(const Tcupaitem& recording) {
    std::string text;
    if (recording.cut_part) {
        text = recording.cut_part->key;
        if (recording.cut_part->recordist && !recording.cut_part->recordist->key.empty())
            text += ", " + recording.cut_part->recordist->key;
    }
    return text;
}

void TRecordingsAndOrPicturesList::add(const Tspecies& species, const std::string& names,
                                       const Tbig_picture* picture, const Tcupaitem* recording) {
    Entry entry{&species, picture, recording, {}};
    entry.text = std::to_string(++last_number_) + ": " + (names.empty() ? species.scientific_name : names);
    if (picture) entry.text += " " + photo_word_ + " (" + picture_details(*picture) + ")";
    if (picture && recording) entry.text += " &";
    if (recording) entry.text += " " + recording_word_ + " (" + recording_details(*recording) + ")";
    entries_.push_back(std::move(entry));
    while (entries_.size() > max_entries)
        entries_.pop_front();
    if (changed) changed();
}

std::string TRecordingsAndOrPicturesList::text() const {
    std::string out;
    for (const Entry& e : entries_)
        out += e.text + "\n";
    return out;
}

// ---- the show ----

namespace {
constexpr int short_step_ms = 10;
constexpr int poll_ms = 200;
constexpr int name_poll_ms = 50;
} // namespace

TSlideShow::TSlideShow(const Tdata& data, const TClassVisibleSpeciesAndRecordings& visibility,
                       SlideShowOptions options, SlideShowHost& host, NameSpeaker& speaker, Clock clock,
                       RandomSource random, std::function<std::string(const Tspecies&)> spoken_name_path)
    : data_(data), visibility_(visibility), options_(options), host_(host), speaker_(speaker),
      clock_(std::move(clock)), random_(std::move(random)), spoken_name_path_(std::move(spoken_name_path)) {
    // Values from the settings file or a caller: kept in their ranges here as well.
    options_.slide_seconds = std::clamp(options_.slide_seconds, 1, settings::ShowSettings::max_slide_show_speed);
    options_.order_kind = std::clamp(options_.order_kind, 1, order_kinds - 1);
    auto& b = options_.between;
    b.seconds_between_sounds = std::clamp(b.seconds_between_sounds, 0, settings::BetweenSoundsOptions::max_seconds);
    b.seconds_after_spoken_names =
        std::clamp(b.seconds_after_spoken_names, 0, settings::BetweenSoundsOptions::max_seconds);
    if (!options_.sounds) {
        options_.slides = true;
        b.tell_species_names = false;
    }
    if (!b.tell_species_names) b.tell_names_afterwards = false;
    go(State::next, short_step_ms);
}

void TSlideShow::go(State state, std::int64_t interval) {
    state_ = state;
    due_ = clock_() + interval;
}

int TSlideShow::interval_ms() const {
    if (state_ == State::stopped) return -1;
    return static_cast<int>(std::max<std::int64_t>(0, due_ - clock_()));
}

int TSlideShow::pick(int n) {
    return std::clamp(random_ ? random_(n) : 0, 0, n - 1);
}

void TSlideShow::stop() {
    if (state_ == State::stopped) return;
    state_ = State::stopped;
    speaker_.stop();
    if (options_.sounds) host_.stop_recording();
}

void TSlideShow::end(bool with_message) {
    stop();
    if (with_message) {
        const int line = options_.sounds ? 2 : 1;
        std::string text = language_texts().get_line("SLIDE_SHOW", line);
        if (text.empty())
            text = options_.sounds ? "No species with a photo and a recording that can be played is shown."
                                   : "No species with a photo is shown.";
        show_message(text, mb::icon_information);
    }
    host_.show_ended();
}

std::vector<const Tbig_picture*> TSlideShow::photos_of(const Tspecies& species) const {
    std::vector<const Tbig_picture*> photos;
    for (const Tbig_picture* p = species.first_picture; p; p = p->next_picture)
        if (p->counts_as_photo && !unshowable_.count(p)) photos.push_back(p);
    return photos;
}

bool TSlideShow::eligible(const Tspecies& species) const {
    if (species.scientific_name == "?? ??" || !species.has_photo || !visibility_.species_visible(species))
        return false;
    if (photos_of(species).empty()) return false;
    return !options_.sounds || visibility_.playable_item_count(species, options_.sound_mode) > 0;
}

void TSlideShow::next_step() {
    const auto kind = static_cast<std::size_t>(options_.order_kind);
    for (;;) {
        // Drawn from a list, so the draw ends whatever the number of eligible species.
        std::vector<const Tspecies*> candidates;
        for (const Tfamily* f = data_.first_family[kind]; f; f = f->next_family)
            for (const Tspecies* s = f->first_species; s; s = s->next_in_order[kind])
                if (eligible(*s)) candidates.push_back(s);
        if (candidates.empty()) {
            end(true);
            return;
        }
        if (candidates.size() > 1) std::erase(candidates, species_);
        const Tspecies& species = *candidates[static_cast<std::size_t>(pick(static_cast<int>(candidates.size())))];
        const std::vector<const Tbig_picture*> photos = photos_of(species);
        const Tbig_picture& picture = *photos[static_cast<std::size_t>(pick(static_cast<int>(photos.size())))];
        if (!host_.show_picture(picture)) {
            // A file that is not there stays away for the rest of the show; the draw goes on.
            unshowable_.insert(&picture);
            continue;
        }
        species_ = &species;
        picture_ = &picture;
        slide_shown_at_ = clock_();
        break;
    }
    if (!options_.sounds) {
        recording_ = nullptr;
        host_.shown(*species_, picture_, nullptr);
        go(State::next, options_.slide_seconds * 1000LL);
        return;
    }
    const int playable = visibility_.playable_item_count(*species_, options_.sound_mode);
    recording_ = visibility_.nth_visible_item(*species_, pick(playable) + 1, true, options_.sound_mode);
    if (!recording_) {
        end(false);
        return;
    }
    host_.shown(*species_, options_.slides ? picture_ : nullptr, recording_);
    const auto& b = options_.between;
    if (b.tell_species_names && !b.tell_names_afterwards) {
        name_before_ = true;
        go(State::speak, short_step_ms);
    } else {
        go(State::play, short_step_ms);
    }
}

void TSlideShow::after_name() {
    const std::int64_t pause = options_.between.seconds_after_spoken_names * 1000LL + short_step_ms;
    if (name_before_)
        go(State::play, pause);
    else
        next_not_before(pause);
}

void TSlideShow::next_not_before(std::int64_t pause) {
    // The photo stays at least the slide interval.
    const std::int64_t slide_end = slide_shown_at_ + options_.slide_seconds * 1000LL;
    go(State::next, std::max(pause, slide_end - clock_()));
}

void TSlideShow::after_recording() {
    host_.stop_recording();
    const auto& b = options_.between;
    const std::int64_t pause = b.seconds_between_sounds * 1000LL + short_step_ms;
    if (b.tell_names_afterwards) {
        name_before_ = false;
        go(State::speak, pause);
    } else {
        next_not_before(pause);
    }
}

void TSlideShow::tick() {
    if (state_ == State::stopped || clock_() < due_) return;
    switch (state_) {
    case State::next:
        next_step();
        break;
    case State::speak:
        if (species_ && spoken_name_path_ && speaker_.start(spoken_name_path_(*species_)))
            go(State::name_being_spoken, name_poll_ms);
        else
            after_name(); // no name file: only its short step is spent
        break;
    case State::name_being_spoken:
        if (speaker_.speaking())
            go(State::name_being_spoken, name_poll_ms);
        else
            after_name();
        break;
    case State::play:
        if (!recording_ || !host_.play_recording(*recording_)) {
            end(false); // the bar has told what went wrong
            return;
        }
        go(State::recording,
           (recording_->cut_part ? std::max(0, recording_->cut_part->length) : 0) + static_cast<std::int64_t>(short_step_ms));
        break;
    case State::recording:
        if (recording_ && host_.recording_playing(*recording_))
            go(State::recording, poll_ms);
        else
            after_recording();
        break;
    case State::stopped:
        break;
    }
}

} // namespace morvelin
