#pragma once
// The play sequence: plays recordings one after another without the user pressing buttons, for a
// play list or as the sound demo (random recordings of random species). A plain object driven by
// tick(): the window calls it from a timer after interval_ms(), tests call it with a clock of their
// own. Pauses are timed with the injected clock, species are drawn with the injected random source
// and names are spoken through the injected speaker, which never blocks: the sequence waits in a
// state of its own until the name has been heard.
//
// The sequence holds no sound bar. It names the recording to its host (the playing window), which
// finds or creates the bar of that recording when asked; a bar that has gone counts as ended.

#include "core/settings/settings_sections.h"
#include "core/sound/play_list.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace morvelin {

struct Tcupaitem;
struct Tspecies;
class Tdata;
class TClassVisibleSpeciesAndRecordings;

// The window that plays: shows the species text, and owns the sound bars.
class PlaySequenceHost {
public:
    virtual ~PlaySequenceHost() = default;
    // Shows the recording's species with its recordings, selects the recording so that its bar is in
    // view, creating the bar when it does not exist yet; the bar gets the highlight.
    virtual void show_recording(const Tcupaitem& recording) = 0;
    // True while the recording's bar is playing or paused; false when it has no bar (any more).
    virtual bool recording_open(const Tcupaitem& recording) = 0;
    // Toggles the recording's bar; true when it is open afterwards (then it is highlighted again).
    virtual bool toggle_play(const Tcupaitem& recording) = 0;
    // The demo shows the species' picture while its recording plays.
    virtual void recording_started(const Tcupaitem& recording) { (void)recording; }
    // The sequence is over: the window closes itself.
    virtual void sequence_ended() = 0;
};

// Plays a spoken name; polled until it has been heard.
class NameSpeaker {
public:
    virtual ~NameSpeaker() = default;
    // False when the file does not exist or cannot be played (the name is then skipped).
    virtual bool start(const std::string& path) = 0;
    virtual bool speaking() = 0;
    virtual void stop() = 0;
};

// The speaker of the program: the file plays through the media port like any recording, on its
// own device, which is closed when the name has ended.
class MediaNameSpeaker : public NameSpeaker {
public:
    ~MediaNameSpeaker() override;
    bool start(const std::string& path) override;
    bool speaking() override;
    void stop() override;

private:
    std::uint32_t device_ = 0;
};

// Where the next recording comes from.
class RecordingSource {
public:
    virtual ~RecordingSource() = default;
    // No recording: the sequence is over.
    virtual NextEntry next() = 0;
};

// A play list; the list is not owned and must outlive the source.
class PlayListSource : public RecordingSource {
public:
    PlayListSource(PlayList& list, bool endless_loop) : list_(list), endless_loop_(endless_loop) {}
    NextEntry next() override { return list_.next_entry(endless_loop_); }

private:
    PlayList& list_;
    bool endless_loop_;
};

// 0..n-1, uniform.
using RandomSource = std::function<int(int n)>;

// The demo: a random species of the order with playable visible recordings, other than the last one
// and never "?? ??", then a random playable recording of it. With one such species it is played
// again; with none the demo ends with a message (SOUND_DEMO line 1, or its English default).
class SoundDemoSource : public RecordingSource {
public:
    SoundDemoSource(const Tdata& data, const TClassVisibleSpeciesAndRecordings& visibility, int order_kind, int mode,
                    RandomSource random);
    NextEntry next() override;
    bool none_eligible() const { return none_eligible_; }

private:
    const Tdata& data_;
    const TClassVisibleSpeciesAndRecordings& visibility_;
    int order_kind_;
    int mode_;
    RandomSource random_;
    const Tspecies* current_ = nullptr;
    bool none_eligible_ = false;
};

using Clock = std::function<std::int64_t()>; // milliseconds, never going back

class Tsounds_demo_and_play_lists_handler {
public:
    enum class State {
        waiting_for_end = 1,
        next_recording = 2,
        speak_name = 3,
        play = 4,
        name_being_spoken = 5, // waits for the speaker, then goes on as after state 3
        stopped = 0,
    };

    // play_list_mode false: the demo. names_offered false turns both name options off.
    Tsounds_demo_and_play_lists_handler(bool play_list_mode, const settings::BetweenSoundsOptions& options,
                                        bool names_offered, RecordingSource& source, PlaySequenceHost& host,
                                        NameSpeaker& speaker, Clock clock,
                                        std::function<std::string(const Tspecies&)> spoken_name_path);

    // Runs the state that is due, if any. Returns at once whatever the state does.
    void tick();
    // Milliseconds until the next state is due (from now); -1 when the sequence has stopped.
    int interval_ms() const;
    State state() const { return state_; }
    bool running() const { return state_ != State::stopped; }
    // The window closes: the sequence ends; a name being spoken is cut off.
    void stop();
    const Tcupaitem* current_recording() const { return current_.recording; }

private:
    void go(State state, int interval);
    void end();
    int pause_ms(int seconds) const;
    void after_name();

    bool play_list_mode_;
    settings::BetweenSoundsOptions options_;
    RecordingSource& source_;
    PlaySequenceHost& host_;
    NameSpeaker& speaker_;
    Clock clock_;
    std::function<std::string(const Tspecies&)> spoken_name_path_;

    State state_ = State::waiting_for_end;
    std::int64_t due_ = 0;
    bool first_ = true;
    NextEntry current_;
};

} // namespace morvelin
