#pragma once
// TPlaySequenceForm: the player of a play list or of the sounds-only show, shown in a show window of
// the main window class. It drives the play sequence from a timer, shows the species of the recording
// that plays with its picture, and plays each recording on a sound bar of its own; the list's rows are
// selected as they come. Closing its window (or Stop in the list) ends the sequence, a name being
// spoken included.

#include "core/sound/play_sequence.h"
#include "ui/sound/play_list_form.h"
#include "ui/windows/form.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QTimer;

namespace morvelin {

class Tsound_bar;

class TPlaySequenceForm : public TForm<QWidget>, public PlaySequenceHost {
    Q_OBJECT
public:
    // The speaker and clock are the program's unless given (tests).
    TPlaySequenceForm(QWidget& owner, const PlayListPlayRequest& request, std::unique_ptr<NameSpeaker> speaker = {});
    // The sound demo (the sounds-only show): the recordings of source, with the between-sounds options.
    TPlaySequenceForm(QWidget& owner, const settings::BetweenSoundsOptions& options, const NumberSet& files_instead_of_cd,
                      std::unique_ptr<RecordingSource> source, std::unique_ptr<NameSpeaker> speaker = {});
    ~TPlaySequenceForm() override;

    // Starts the sequence; it runs from the window's timer.
    void start();
    const Tsounds_demo_and_play_lists_handler& sequence() const { return *handler_; }
    Tsound_bar* bar() const { return bar_.get(); }
    QLabel* names_label() const { return names_; }

    // PlaySequenceHost
    void show_recording(const Tcupaitem& recording) override;
    bool recording_open(const Tcupaitem& recording) override;
    bool toggle_play(const Tcupaitem& recording) override;
    void sequence_ended() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class RowSource;
    void build();
    void run_due_state();

    PlayListPlayRequest request_;
    std::unique_ptr<NameSpeaker> speaker_;
    std::unique_ptr<RecordingSource> source_;
    bool play_list_mode_ = true;
    std::unique_ptr<Tsounds_demo_and_play_lists_handler> handler_;
    std::unique_ptr<Tsound_bar> bar_;
    const Tcupaitem* bar_recording_ = nullptr;
    QTimer* timer_ = nullptr;
    QLabel* names_ = nullptr;
    QLabel* picture_ = nullptr;
    QWidget* bar_holder_ = nullptr;
    bool finished_told_ = false;
};

// Opens the player in a show window of the main window class (no menu, no text pane) owned by owner,
// shown and started. make builds the player with the show window as its owner. The show window
// closes when the sequence ends and is returned.
QWidget* open_in_show_window(QWidget& owner, const std::function<TPlaySequenceForm*(QWidget& window)>& make);

// The play list window's player: a show window holding the player above.
void install_play_sequence_player();

} // namespace morvelin
