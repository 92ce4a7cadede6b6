#pragma once
// The state machine behind a sound bar (ui/sound/sound_bar.h): which player plays the recording,
// opening it (with the data-folder question for missing files), play, pause, resume, close, the
// slider (one step = 100 ms) and the 200 ms tick that follows the position and detects the end.
// The widget owns one SoundBarState, drives tick() from its QTimer and redraws itself when told
// through its SoundBarView; tests drive it directly.
//
// Only one bar of the whole program plays at a time: starting or resuming a bar closes the bar
// that played before (currently_playing()). User-interface thread only.

#include "core/foundation/settings_file.h"
#include "core/sound/media_port.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morvelin {

struct Tcupaitem;
struct Tcutpart;
class TMCIDevicePlayer;

// What the bar's widgets are told. Every call comes after the state has changed, so the view
// reads the new values from the state.
class SoundBarView {
public:
    virtual ~SoundBarView() = default;
    // The 200 ms timer runs while the bar plays.
    virtual void set_timer_running(bool running) = 0;
    // Slider maximum or position, the numbers or the glyph changed.
    virtual void state_changed() = 0;
};

enum class SoundBarPlayerKind {
    cut_part_file, // the recording's own sound file
    section_file,  // a section of an audio-CD track copied to a file
    audio_cd,      // a section of a track on an audio CD in a drive
};

// The player kind for a cut part: its own file; a CD that is always available or whose sequence
// is in files_instead_of_cd plays from the track files; any other CD from the drive.
SoundBarPlayerKind sound_bar_player_kind(const Tcutpart& cut_part, const NumberSet& files_instead_of_cd);

// Rounding of this module: to the nearest integer, ties to even.
int round_half_even(double value);
// value / 100 rounded to the nearest integer, ties to even (positions and lengths in ms to slider
// steps); negative values give 0.
int ms_to_slider_steps(int ms);
// The slider width in pixels for a recording of length_ms: the larger of 50 and
// ln(seconds) x 60 + 20, rounded.
int sound_bar_slider_width(int length_ms);

class SoundBarState {
public:
    struct Setup {
        const Tcupaitem* recording = nullptr; // not owned; its cut_part must be set
        NumberSet files_instead_of_cd;
        bool button_visible = true;
        bool rewind_at_end = false;
        int slider_position = 0;          // the starting position (from the caller's link)
        bool* length_not_exact = nullptr; // cleared when the player opens; may be null
        // Lines 0..19 of SOUNDBARS; empty: read from the language texts.
        std::vector<std::string> texts;
    };

    SoundBarState(const Setup& setup, SoundBarView& view);
    // Closes the player; stops being the currently playing bar.
    ~SoundBarState();
    SoundBarState(const SoundBarState&) = delete;
    SoundBarState& operator=(const SoundBarState&) = delete;

    // What the button does: opens the player when not open (StartPlaying), then pauses a playing
    // bar and resumes a paused one. Nothing when the button is not visible.
    void TogglePlay();
    // Opens the player (closing the currently playing bar first). True when it is open.
    bool StartPlaying();
    // Plays from the slider position (from 0 when the slider is at its end). Open bars only.
    void Resume();
    // Stops a playing bar; the device stays open and the slider shows where it stopped.
    void Pause();
    // Closes the player (open bars only).
    void CloseBar();
    // The timer's work: follows the position and closes the bar at the end of the recording.
    void tick();

    // The user moved the slider to position (clamped to 0..maximum). A playing bar continues from
    // there.
    void slider_moved(int position);
    // Keys with Shift on the button: move the slider by delta steps, or to 0 (to_start) or to the
    // maximum (to_end); a playing bar is paused first and resumed afterwards.
    enum class ShiftMove { small_back, small_forward, large_back, large_forward, to_start, to_end };
    void shift_move(ShiftMove move);

    // Slowed-down, time-stretched or octave-down playback (normal until chosen). A playing bar goes on
    // in the new mode from where it is; positions and the slider stay in recording time.
    void set_playback_mode(PlaybackMode mode);
    PlaybackMode playback_mode() const { return playback_mode_; }
    // An A-B loop over [a_ms, b_ms) of the recording (the ends in either order, kept within it): a
    // play runs through it over and over, at any speed, until stopped. An empty section clears it.
    void set_loop(int a_ms, int b_ms);
    void clear_loop();
    // A or B at the slider position; the loop plays once both are set with A before B.
    void set_loop_start_here();
    void set_loop_end_here();
    std::optional<int> loop_start() const { return loop_start_; }
    std::optional<int> loop_end() const { return loop_end_; }
    bool looping() const { return loop_start_ && loop_end_ && *loop_start_ < *loop_end_; }
    // What the bar shows of the mode and the loop (Windows-1252): the speed ("1/2x" with the fraction
    // and times signs, "S" added when stretched), "8vb" an octave down, "A-B" (or the end set so far);
    // empty at the normal speed without a loop.
    std::string listening_text() const;

    bool is_open() const { return open_; }
    bool is_playing() const { return playing_; }
    bool button_visible() const { return button_visible_; }
    const NumberSet& files_instead_of_cd() const { return files_instead_of_cd_; }
    SoundBarPlayerKind player_kind() const { return kind_; }
    TMCIDevicePlayer& player() const { return *player_; }

    const Tcupaitem& recording() const { return *recording_; }
    Tcutpart& cut_part() const;
    int slider_position() const { return slider_position_; }
    int slider_maximum() const { return slider_maximum_; }
    int small_change() const { return small_change_; }
    int large_change() const { return large_change_; }
    int slider_width() const { return slider_width_; }
    // "0.0", the position and the length in seconds as the numbers above the slider show them
    // (the length without decimals while the length is not yet exact).
    std::string position_text() const;
    std::string length_text() const;
    bool length_not_exact() const;

    // The file the recording plays from: the cut part's file or the CD track's file; empty for a
    // CD played from the drive or when no file is found. May ask for the data folder.
    std::string sound_file_path() const;
    // The text of the information item of the right-click menu.
    std::string information_text() const;
    // Line n (0..19) of SOUNDBARS.
    const std::string& text(int line) const;

    // The bar that plays now, or null.
    static SoundBarState* currently_playing();

    // The number (1-based) of the CD audio device that plays audio CDs. The default: the only
    // device, or the first of several (0 when there is none). Start-up installs the option's value.
    static void set_audio_cd_drive_provider(std::function<int()> provider);
    static int audio_cd_drive();

private:
    bool open_player();
    bool open_cut_part_file();
    bool open_section_file();
    bool open_audio_cd();
    void set_timer(bool running);
    void set_slider(int position);
    void update_position_from_player();
    void changed() { view_.state_changed(); }
    // Gives the mode and the loop to the player and lets a playing bar go on with them.
    void playback_changed();
    int length_ms() const;

    SoundBarView& view_;
    const Tcupaitem* recording_ = nullptr;
    NumberSet files_instead_of_cd_;
    SoundBarPlayerKind kind_ = SoundBarPlayerKind::cut_part_file;
    std::unique_ptr<TMCIDevicePlayer> player_;
    std::vector<std::string> texts_;
    bool* length_not_exact_ = nullptr;
    bool button_visible_ = true;
    bool rewind_at_end_ = false;
    bool open_ = false;
    bool playing_ = false;
    bool busy_ = false;
    int slider_position_ = 0;
    int slider_maximum_ = 0;
    int small_change_ = 10;
    int large_change_ = 1;
    int slider_width_ = 50;
    PlaybackMode playback_mode_ = PlaybackMode::normal;
    std::optional<int> loop_start_;
    std::optional<int> loop_end_;
};

// Start-up: with no waveform output device, line 0 of SOUNDBARS is shown once with the error icon.
// Remembers and returns whether sound output is available.
bool check_sound_output(int output_devices);
bool sound_output_is_available();

} // namespace morvelin
