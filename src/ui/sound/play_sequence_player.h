#pragma once
// TPlaySequencePlayer: plays a play list or the sound demo (the sounds-only show) in a show window of
// the main window class. It drives the play sequence from a timer; the window's text pane shows each
// recording's species unfolded with its sound bar selected, in view and highlighted, and that bar is
// the one that plays. The player never keeps a bar: it looks the recording's bar up in the pane each
// time, so a bar folded away while it plays counts as ended. The list's rows are selected as they
// come. Closing the window (or Stop in the list, or Escape) ends the sequence, a name being spoken
// included.

#include "core/sound/play_sequence.h"
#include "ui/sound/play_list_form.h"

#include <QObject>

#include <functional>
#include <memory>

class QTimer;

namespace morvelin {

class SHST_TClassShowStringsData;
class TChildForm;
class TShowForm;
class Tsound_bar;

class TPlaySequencePlayer : public QObject, public PlaySequenceHost {
    Q_OBJECT
public:
    // A play list. The speaker is the program's unless given (tests).
    TPlaySequencePlayer(TChildForm& window, const PlayListPlayRequest& request,
                        std::unique_ptr<NameSpeaker> speaker = {});
    // The sound demo: the recordings of source, with the between-sounds options.
    TPlaySequencePlayer(TChildForm& window, const settings::BetweenSoundsOptions& options,
                        std::unique_ptr<RecordingSource> source, std::unique_ptr<NameSpeaker> speaker = {});
    ~TPlaySequencePlayer() override;

    // Starts the sequence; it runs from the player's timer.
    void start();
    const Tsounds_demo_and_play_lists_handler& sequence() const { return *handler_; }
    // The bar of the recording being played (or about to be), or null when the pane has none.
    Tsound_bar* bar() const;

    // PlaySequenceHost
    void show_recording(const Tcupaitem& recording) override;
    bool recording_open(const Tcupaitem& recording) override;
    bool toggle_play(const Tcupaitem& recording) override;
    void sequence_ended() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class RowSource;
    void build();
    void run_due_state();
    void stop();
    TShowForm& pane() const;
    // The bar gets the highlight; the pane's other bars lose it.
    void highlight(Tsound_bar* bar);

    TChildForm& window_;
    PlayListPlayRequest request_;
    std::unique_ptr<NameSpeaker> speaker_;
    std::unique_ptr<RecordingSource> source_;
    bool play_list_mode_ = true;
    std::unique_ptr<Tsounds_demo_and_play_lists_handler> handler_;
    QTimer* timer_ = nullptr;
    bool finished_told_ = false;
};

// Opens a show window of the main window class owned by owner, whose text pane has the display
// settings given (a copy), makes its player with make, shows the window and starts the player. The
// window closes when the sequence ends.
TChildForm* open_play_sequence_window(QWidget& owner, const SHST_TClassShowStringsData& settings,
                                      const std::function<TPlaySequencePlayer*(TChildForm& window)>& make);

// Connects a show window's pane to the windows its clicks ask for (maps, pictures, pop-ups). Start-up
// installs the window registry's; without one those clicks go unanswered.
void install_show_window_attacher(std::function<void(TChildForm& window)> attach);

// The display settings of a window that plays the list: the main window's (the defaults without one),
// the filter widened so that it shows every recording of the list.
SHST_TClassShowStringsData play_list_window_settings(const PlayList& list);

// The play list window's player: a show window with the player above.
void install_play_sequence_player();

} // namespace morvelin
