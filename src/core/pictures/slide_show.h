#pragma once
// The slide-and-sound show without a window: which species, photo and recording come next, when, and
// the record of what was shown. A plain object driven by tick() like the play sequence: the show
// window calls it from a timer after interval_ms(), tests call it with a clock of their own.
//
// One step: photo, then [name] recording pause [name] as the between-sounds options say, then the
// next species. A recording lasts its length + 10 ms and as long as its bar still plays after that.
// A slides-only show changes the photo every slide interval.

#include "core/settings/settings_sections.h"
#include "core/data/records.h"
#include "core/sound/play_sequence.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <vector>
#include <string>

namespace morvelin {

// ---- the record of what was shown ----

class TRecordingsAndOrPicturesList {
public:
    struct Entry {
        const Tspecies* species = nullptr;
        const Tbig_picture* picture = nullptr;
        const Tcupaitem* recording = nullptr;
        std::string text;
    };
    static constexpr std::size_t max_entries = 200;

    // photo_word and recording_word are the two lines of QM_LISTS (English defaults when empty).
    void set_words(std::string photo_word, std::string recording_word);
    // Adds "n: names photo (...) & recording (...)"; when full the oldest entry goes, numbers run on.
    void add(const Tspecies& species, const std::string& names, const Tbig_picture* picture,
             const Tcupaitem* recording);
    const std::deque<Entry>& entries() const { return entries_; }
    // Every entry's text, one a line.
    std::string text() const;
    // Called after each change (the list's window refreshes itself).
    std::function<void()> changed;

private:
    std::deque<Entry> entries_;
    int last_number_ = 0;
    std::string photo_word_ = "photo";
    std::string recording_word_ = "recording";
};

// The details of a photo and of a recording in an entry, without brackets.
std::string picture_details(const Tbig_picture& picture);
std::string recording_details(const Tcupaitem& recording);

// "Vernacular (Scientific)", or the scientific name alone: how an entry names its species.
std::string shown_species_names(const Tspecies& species);

// Hands on the recordings of another source and records each one, so that a sounds-only show can
// be looked up in the record too. The list must outlive the source.
class RecordedRecordingSource : public RecordingSource {
public:
    RecordedRecordingSource(std::unique_ptr<RecordingSource> source, TRecordingsAndOrPicturesList& list)
        : source_(std::move(source)), list_(list) {}
    NextEntry next() override;

private:
    std::unique_ptr<RecordingSource> source_;
    TRecordingsAndOrPicturesList& list_;
};

// ---- the show ----

class SlideShowHost {
public:
    virtual ~SlideShowHost() = default;
    // Shows the photo; false when its file cannot be shown (the show skips that photo from then on).
    virtual bool show_picture(const Tbig_picture& picture) = 0;
    // Makes a sound bar for the recording and starts it; false when it does not play.
    virtual bool play_recording(const Tcupaitem& recording) = 0;
    // True while the bar of the recording plays.
    virtual bool recording_playing(const Tcupaitem& recording) = 0;
    virtual void stop_recording() = 0;
    // What is shown and heard now, for the record.
    virtual void shown(const Tspecies& species, const Tbig_picture* picture, const Tcupaitem* recording) = 0;
    // Nothing (more) to show: the message has been given, the window closes itself.
    virtual void show_ended() = 0;
};

struct SlideShowOptions {
    bool slides = true;
    bool sounds = true;
    int slide_seconds = 10; // 1..999
    int order_kind = 1;
    int sound_mode = 3; // the recording classes played
    settings::BetweenSoundsOptions between;
};

class TSlideShow {
public:
    enum class State { next = 1, speak = 2, name_being_spoken = 3, play = 4, recording = 5, stopped = 0 };

    TSlideShow(const Tdata& data, const TClassVisibleSpeciesAndRecordings& visibility, SlideShowOptions options,
               SlideShowHost& host, NameSpeaker& speaker, Clock clock, RandomSource random,
               std::function<std::string(const Tspecies&)> spoken_name_path);

    void tick();
    int interval_ms() const; // -1 once stopped
    State state() const { return state_; }
    bool running() const { return state_ != State::stopped; }
    // The window closes: the name is cut off and the bar stopped.
    void stop();
    const Tspecies* current_species() const { return species_; }
    const Tbig_picture* current_picture() const { return picture_; }
    const Tcupaitem* current_recording() const { return recording_; }

private:
    void go(State state, std::int64_t interval);
    void end(bool with_message);
    void next_step();
    void after_name();
    void after_recording();
    void next_not_before(std::int64_t pause);
    bool eligible(const Tspecies& species) const;
    std::vector<const Tbig_picture*> photos_of(const Tspecies& species) const;
    int pick(int n);

    const Tdata& data_;
    const TClassVisibleSpeciesAndRecordings& visibility_;
    SlideShowOptions options_;
    SlideShowHost& host_;
    NameSpeaker& speaker_;
    Clock clock_;
    RandomSource random_;
    std::function<std::string(const Tspecies&)> spoken_name_path_;

    State state_ = State::next;
    std::int64_t due_ = 0;
    std::int64_t slide_shown_at_ = 0;
    bool name_before_ = true; // which name is being spoken
    const Tspecies* species_ = nullptr;
    const Tbig_picture* picture_ = nullptr;
    const Tcupaitem* recording_ = nullptr;
    std::set<const Tbig_picture*> unshowable_;
};

} // namespace morvelin
