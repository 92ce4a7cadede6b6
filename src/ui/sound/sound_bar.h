#pragma once
// Sound bars: the control through which the user hears one recording. A bar is a small widget on
// its owner window (the species text pane, the demo picture window) with a play/pause button, a
// position slider (one step = 100 ms), three numbers above the slider (start, position and length
// in seconds) and a right-click menu. Behind it is one player (core/sound). Only one bar in the
// whole program plays at a time: starting a bar closes the one that played before.
//
// Everything here runs on the user-interface thread.

#include "core/foundation/settings_file.h"
#include "core/sound/media_port.h"

#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QTimer;

namespace morvelin {

struct Tcupaitem;
class SoundBarState;
class SoundBarView;
class Tsound_bar;
class TSoundBarDragObject;

// The recording tag texts operation (the species document's), handed through to MP3 making; the
// bar never calls it itself. The texts in order: title, sound description, genre, artist, album,
// publisher, comment, and two more that the tag does not use.
using SoundBarTagTexts = std::function<std::vector<std::string>(const Tcupaitem& recording)>;

// Everything a bar is made with. Only owner and recording are required.
struct SoundBarSetup {
    QWidget* owner = nullptr;             // parents the bar; its font and text colour draw the numbers
    const Tcupaitem* recording = nullptr; // not owned; recording->cut_part must be set
    bool button_visible = true;           // false: the bar has no usable button and never plays
    int left = 0;                         // left of the bar on the owner
    int top = 0;                          // top of the slider row; the numbers sit one line higher
    NumberSet files_instead_of_cd;        // CD sequence numbers whose tracks are played from files
    bool show_numbers = true;
    bool rewind_at_end = false; // at the end of the recording the slider goes back to 0
    std::uint32_t key = 0;      // identifies the bar inside its Tsound_bars
    // Caller links, each may be null. caller_reference is cleared when the bar is destroyed;
    // slider_position gives the starting slider position and receives it when the bar is destroyed;
    // length_not_exact is cleared when the player opens (the length number has no decimal while set).
    Tsound_bar** caller_reference = nullptr;
    int* slider_position = nullptr;
    bool* length_not_exact = nullptr;
    // When not 0, pressing the button or moving the slider first calls select_in_show_window, so the
    // owner show window makes this its selected recording.
    int show_window_index = 0;
    std::function<void(Tsound_bar& bar)> select_in_show_window;
    bool drag_enabled = false; // the slider starts a TSoundBarDragObject drag
    int play_list_context = 0; // the recording's number among its species' visible recordings
    SoundBarTagTexts tag_texts;
};

// Program-wide actions of the right-click menu that belong to other windows; the window registry
// installs them. An action that is not installed leaves its item disabled.
struct SoundBarMenuActions {
    std::function<bool()> play_list_window_open;
    std::function<void(const Tcupaitem& recording, int play_list_context)> add_to_play_list;
    std::function<void(const Tcupaitem& recording, const SoundBarTagTexts& tag_texts)> make_mp3_file;
    // Whether the sound file at path holds MPEG Layer III data that can be made into an MP3 file;
    // when not installed, IsMP3CapableSoundFile on a file that exists.
    std::function<bool(const std::string& path)> mp3_capable;
    // Opens the sonogram window on the bar's recording (the menu's "Sonogram" and the S key).
    std::function<void(Tsound_bar& bar)> show_sonogram;
    // Adds the bar's recording to the comparison window (the menu's "Compare" and the C key).
    std::function<void(Tsound_bar& bar)> compare;
};
void install_sound_bar_menu_actions(SoundBarMenuActions actions);

// The play/pause button: draws one of the four glyphs, keeps a back reference to its bar and
// handles the keys of the bar (Space plays; with Shift the arrows, Page Up/Down, Home and End move
// the slider; without Shift those keys go to the owner window; S opens the sonogram, C compares).
class TBitBtn_sound_bar : public QPushButton {
    Q_OBJECT
public:
    explicit TBitBtn_sound_bar(Tsound_bar& bar, QWidget* parent);
    Tsound_bar& bar() const { return bar_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    Tsound_bar& bar_;
};

// One bar. Made lazily by its owner, usually on the first paint of its line; owned by a
// Tsound_bars (or by the caller). Destroying it from any state closes the player.
class Tsound_bar : public QWidget {
    Q_OBJECT
public:
    explicit Tsound_bar(const SoundBarSetup& setup);
    ~Tsound_bar() override;

    std::uint32_t key() const { return key_; }
    const Tcupaitem& recording() const { return *recording_; }
    int play_list_context() const { return play_list_context_; }

    // Geometry: left and top of the slider row on the owner (the numbers line lies above top).
    void place(int left, int top);
    int bar_left() const { return left_; }
    int bar_top() const { return top_; }
    void move_by(int dy) { place(left_, top_ + dy); }
    int bar_width() const; // button and slider
    // The width a bar for a recording of length_ms will have, before it is made.
    static int width_for(int length_ms, bool button_visible = true);
    int slider_row_height() const;  // the height of the button and slider row
    int number_line_height() const; // 0 when the numbers are not shown

    // What the button does (click or Space). Nothing when the button is not visible.
    void TogglePlay();
    void Pause();
    void Resume();
    void CloseBar();
    bool is_open() const;
    bool is_playing() const;
    // Stops this bar if it plays or is paused (closes the player).
    void stop() { CloseBar(); }

    // Listening: slowed-down, stretched or octave-down playback, and an A-B loop over milliseconds
    // of the recording (other windows set it too, e.g. from a drag on a sonogram).
    void set_playback_mode(PlaybackMode mode);
    PlaybackMode playback_mode() const;
    void set_loop(int a_ms, int b_ms);
    void clear_loop();
    // Opens the sonogram window on the recording (the menu's "Sonogram", the S key, a double click on
    // the bar's sonogram strip); nothing without a file or an installed window.
    void show_sonogram();

    // The play-list sequence marks the bar whose recording it plays.
    void set_highlight(bool highlight);
    bool highlight() const { return highlight_; }

    // Dragging the slider into the play list window.
    void set_dragging_enabled(bool enabled);
    bool dragging_enabled() const { return drag_enabled_; }

    // The selected line of the text is a sound bar: give it the keyboard focus.
    void select_and_focus();

    // The widgets, for the owner and for tests.
    TBitBtn_sound_bar& button() const { return *button_; }
    QScrollBar& slider() const { return *slider_; }
    QMenu& menu() const { return *menu_; }
    QTimer& timer() const { return *timer_; }
    SoundBarState& state() const { return *state_; }

    // The timer's work (also called directly by tests).
    void timer_tick();

    // The currently playing bar of the whole program, or null.
    static Tsound_bar* currently_playing();

signals:
    // The slider starts a drag with this data (before the drag runs).
    void drag_started(const TSoundBarDragObject& data);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TBitBtn_sound_bar;
    void build_menu();
    void update_menu();
    void sync_from_state();
    void slider_moved_by_user();
    void shift_key(int key);
    // The listening keys of a selected bar; false for other keys.
    bool listening_key(int key, Qt::KeyboardModifiers modifiers, bool act);
    void show_information();
    void compare();
    void layout_children();
    void tell_show_window();

    const Tcupaitem* recording_ = nullptr;
    QPointer<QWidget> owner_;
    std::uint32_t key_ = 0;
    bool button_visible_ = true;
    bool show_numbers_ = true;
    bool drag_enabled_ = false;
    bool highlight_ = false;
    int left_ = 0;
    int top_ = 0;
    int play_list_context_ = 0;
    int show_window_index_ = 0;
    Tsound_bar** caller_reference_ = nullptr;
    int* caller_slider_position_ = nullptr;
    bool* length_not_exact_ = nullptr;
    std::function<void(Tsound_bar&)> select_in_show_window_;
    SoundBarTagTexts tag_texts_;
    std::vector<std::string> texts_; // lines 0..19 of SOUNDBARS
    std::unique_ptr<SoundBarView> view_;
    std::unique_ptr<SoundBarState> state_; // after view_: destroyed first
    TBitBtn_sound_bar* button_ = nullptr;
    QScrollBar* slider_ = nullptr;
    QMenu* menu_ = nullptr;
    QMenu* speed_menu_ = nullptr;
    QAction* sonogram_action_ = nullptr;
    QAction* compare_action_ = nullptr;
    QTimer* timer_ = nullptr;
    bool setting_slider_ = false;
    QPoint drag_start_;
    bool drag_pending_ = false;
    bool replaying_press_ = false;
};

// The bars of one window, in the order they were added; owns them.
class Tsound_bars {
public:
    Tsound_bars() = default;
    ~Tsound_bars();
    Tsound_bars(const Tsound_bars&) = delete;
    Tsound_bars& operator=(const Tsound_bars&) = delete;

    // Takes ownership; the new bar gets the list's dragging switch.
    Tsound_bar& add(std::unique_ptr<Tsound_bar> bar);
    // Makes a bar and adds it.
    Tsound_bar& make(const SoundBarSetup& setup);
    // Frees the first bar whose key equals key; false when there is none.
    bool remove_by_key(std::uint32_t key);
    // Frees one bar (found by address); false when it is not in the list.
    bool remove(const Tsound_bar* bar);
    void clear();
    // Moves every bar by dy pixels (the text scrolled).
    void move_by(int dy);
    // Drag enabling of every bar's slider, remembered for bars added later.
    void set_dragging_enabled(bool enabled);
    bool dragging_enabled() const { return dragging_enabled_; }
    Tsound_bar* find(std::uint32_t key) const;
    int count() const { return static_cast<int>(bars_.size()); }
    Tsound_bar& at(int index) const { return *bars_[static_cast<std::size_t>(index)]; }
    // True when one of these bars is playing.
    bool any_playing() const;

private:
    std::vector<std::unique_ptr<Tsound_bar>> bars_;
    bool dragging_enabled_ = false;
};

// The drag data of a sound bar: the recording and its play-list context. Only meaningful inside
// this process (the recording is a pointer into the loaded data set); the text form names the
// recording's cut-part key for anything outside.
class TSoundBarDragObject : public QMimeData {
    Q_OBJECT
public:
    static constexpr const char* mime_type = "application/x-morvelin-sound-bar";

    TSoundBarDragObject(const Tcupaitem& recording, int play_list_context);
    const Tcupaitem& recording() const { return recording_; }
    int play_list_context() const { return play_list_context_; }

    // The drag object behind mime data, or null for any other data.
    static const TSoundBarDragObject* from(const QMimeData* data);

private:
    const Tcupaitem& recording_;
    int play_list_context_ = 0;
};

// Start-up: checks for a waveform output device. Without one, line 0 of SOUNDBARS is shown once
// with the error icon. Returns and remembers whether sound output is available.
bool check_sound_output_available();
bool sound_output_available();

} // namespace morvelin
