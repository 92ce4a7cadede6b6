#pragma once
// The play list window: one for the program, on top of the others. It collects recordings dropped
// from sound bars or added from a bar's menu, lets the user order them and set how often each plays,
// keeps the list in a ".pl" file and plays it in a show window of the main window class.
// Messages and file dialogs go through the service ports.

#include "core/settings/settings_sections.h"
#include "core/sound/play_list.h"
#include "ui/windows/form.h"

#include <QWidget>

#include <functional>
#include <string>

class QAction;
class QCheckBox;
class QMenu;
class QPushButton;
class QTableWidget;

namespace morvelin {

class TPlaySoundOptionsFrame;
struct WindowFactory;
class WindowRegistry;

// Starts the window that plays a list; it calls finished once when it stops for any reason. Returns
// the window, or null when it could not start (then finished is not called).
struct PlayListPlayRequest {
    PlayList* list = nullptr; // the list's own rows; the player hands them out with next_entry
    settings::BetweenSoundsOptions options;
    bool endless_loop = false;
    int start_row = -1; // 0-based, or -1 for the first
    std::function<void(int row)> select_row;
    std::function<void()> finished;
};
using PlayListPlayer = std::function<QWidget*(QWidget& owner, const PlayListPlayRequest& request)>;
// Installed by the main window's play mode; without one the Play button stays disabled.
void install_play_list_player(PlayListPlayer player);

class TPlayListForm : public TForm<QWidget> {
    Q_OBJECT
public:
    enum class Column { number = 0, description = 1, times = 2 };

    explicit TPlayListForm(QWidget* parent = nullptr, WindowRegistry* registry = nullptr);
    ~TPlayListForm() override;

    // Adds the recording: fills the empty last row or appends one, and scrolls it into view.
    void add_entry(const Tcupaitem& recording, int context);

    void new_click();
    void open_click();
    bool save_click();
    bool save_as_click();
    void copy_click();
    void play_click();
    // Extra > Prepare for audio CD: the numbered MP3 files of the entries in a folder.
    void prepare_cd_click();
    // The save question for a modified list; false when the user cancels (or a save failed).
    bool ask_save();
    // Loads a list file with its messages; the open list is kept when the file is refused.
    bool load(const std::string& path);

    const PlayList& list() const { return list_; }
    bool modified() const { return modified_; }
    bool untitled() const { return untitled_; }
    const std::string& list_name() const { return list_name_; }
    const std::string& file_name() const { return file_name_; }
    bool playing() const { return player_ != nullptr; }
    QWidget* player_window() const { return player_; }

    QTableWidget* grid() const { return grid_; }
    QPushButton* play_button() const { return play_button_; }
    QCheckBox* endless_loop() const { return endless_loop_; }
    QCheckBox* start_at_selected() const { return start_at_selected_; }
    TPlaySoundOptionsFrame* options_frame() const { return options_frame_; }
    QMenu* file_menu() const { return file_menu_; }
    QMenu* extra_menu() const { return extra_menu_; }
    QAction* prepare_cd_action() const { return prepare_cd_; }

    // Column 1 of an entry: the species' name as the main window names it, " # " and the context.
    static std::string description(const TPlayListInfo& entry);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void create_menu();
    void refresh_rows();
    void set_modified(bool modified);
    void update_caption();
    void set_playing_controls(bool playing);
    void player_finished();
    void cell_changed(int row, int column);
    void row_moved(int logical, int old_visual, int new_visual);
    void delete_selected_row();
    PlayListFile file_contents() const;
    std::string dialog_folder() const;
    void set_dragging_everywhere(bool enabled);

    PlayList list_;
    std::string list_name_;
    std::string file_name_;
    std::string dialog_folder_;
    bool untitled_ = true;
    bool modified_ = false;
    bool first_show_ = true;
    bool filling_ = false;
    QWidget* player_ = nullptr;
    WindowRegistry* registry_ = nullptr;

    TPlaySoundOptionsFrame* options_frame_ = nullptr;
    QCheckBox* endless_loop_ = nullptr;
    QCheckBox* start_at_selected_ = nullptr;
    QPushButton* play_button_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QMenu* file_menu_ = nullptr;
    QMenu* extra_menu_ = nullptr;
    QAction* prepare_cd_ = nullptr;
};

// The registry's factory: File > Play Lists shows the window; a request with a recording adds it
// (the bar's "Add to the play list").
WindowFactory play_list_factory();

} // namespace morvelin
