#pragma once
// The main window class. The first instance is the program's main window; "New Window" and the
// windows restored at start-up are additional windows onto the same data, each with its own
// display settings and folding. Every window but a show window stands in top_forms(). A show window
// (a play list playing, the sounds-only show) has no menu; its text pane shows what plays.

#include "core/settings/settings_sections.h"
#include "ui/windows/form.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QTimer;

Q_MOC_INCLUDE("ui/windows/window_request.h")

namespace morvelin {

class SHST_TClassShowStringsData;
class TShowForm;
class TSpeciesSearchField;
class SpeciesSearchIndex;
class TBigPictureDemoForm;
class TRecordingsAndOrPicturesList;
class TRecordingsAndOrPicturesListForm;
struct DemoSettings;
struct WindowRequest;
enum class WindowKind;

struct WindowSetUp {
    bool is_additional = false;
    bool is_show_window = false;
    // Copy the display settings and lines of this window (New Window), or none.
    class TChildForm* source = nullptr;
    // Read the window's section "WINDOW n" of the settings file, n = its place in the list + 1.
    bool restore_from_settings = false;
    // A show window's display settings (copied): its text pane shows the species as they play.
    const SHST_TClassShowStringsData* show_settings = nullptr;
};

// What the main window shows 100 ms after it first shows, except in the edition that has none (the
// introduction); start-up installs it, an empty function removes it.
void install_introduction(std::function<void(QWidget* main_window)> show);

// A main window has its own place rule (`Coord` and `Maximized` of its section, taken as stored),
// so it does not use the form base's remembered geometry.
class TChildForm : public TForm<QMainWindow> {
    Q_OBJECT
public:
    explicit TChildForm(QWidget* parent = nullptr);
    ~TChildForm() override;

    // Runs once after creation: joins the window list, takes its caption, reads or copies its state.
    void window_set_up(const WindowSetUp& setup);
    // Shows the window and, for the main window, opens the windows stored in `Windows`.
    void start_up();

    bool is_additional() const { return is_additional_; }
    bool is_show_window() const { return is_show_window_; }
    // The rectangle of the window when neither minimised nor maximised, kept on every move and resize.
    QRect normal_rect() const { return normal_rect_; }

    // Adds the writes of `Coord`, `Maximized` and the display state to section "WINDOW <number>".
    void write_window_section(int number, SettingsChanges& changes) const;

    // Menu handlers.
    void new_window_click();
    void exit_click();

    // Text of the status bar's first panel.
    void set_status_text(const QString& text);
    // The text pane with this window's species document.
    TShowForm* pane() const { return pane_; }

    // The second panel: the name of this window's area filter with seven blanks on either side, cut
    // short with an ellipsis where it would crowd out the status text; its tooltip names the areas.
    std::string area_panel_text() const;
    void refresh_area_panel();
    QLabel* area_panel() const { return status_area_; }
    // The last panel: what is in the audio-CD drive, refreshed every two seconds while the data has
    // audio CDs, the options exist and the window is not minimised.
    static constexpr int drive_check_interval_ms = 2000;
    void refresh_drive_panel();
    QLabel* drive_panel() const { return status_drive_; }

    void fold_all_click();
    // Show!: the running show of this window comes to the front, else the settings dialog, then the show.
    void show_click();
    // Starts the show with settings already given (the dialog's OK); false when it does not start.
    bool start_show(const DemoSettings& settings);
    // What was that?: the list of what the shows of this window showed.
    void what_was_that_click();
    TRecordingsAndOrPicturesList& shown_list() { return *shown_list_; }
    TBigPictureDemoForm* demo_form() const;
    TRecordingsAndOrPicturesListForm* shown_list_form() const;
    void find_click();
    void find_again_click();

    // The search as you type at the right of the menu bar (Ctrl+L).
    TSpeciesSearchField* search_field() const { return search_field_; }

    // The View menu, which the program hides when no locality has a site description.
    QMenu* view_menu() const { return view_menu_; }
    // The menu item that opens a window of kind, or null. It asks through window_requested and stays
    // disabled until the window registry can answer it.
    QAction* window_action(WindowKind kind) const;

signals:
    // A menu item asks for another window (the window registry answers).
    void window_requested(const morvelin::WindowRequest& request);
    // A main window opened from this one (New Window, or restored at start-up), set up and not yet shown.
    void additional_window_opened(morvelin::TChildForm* window);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void create_menu();
    void create_search_field();
    void read_window_section(const settings::WindowSettings& stored);
    void remember_normal_rect();
    // Panel 0 takes the larger of (width - 300) and half the width, less the area panel.
    void layout_status_panels();
    void activate(TChildForm* form);

    bool is_additional_ = false;
    bool is_show_window_ = false;
    QRect normal_rect_;
    TShowForm* pane_ = nullptr;
    std::string search_text_;
    bool search_from_top_ = true;
    QLabel* status_text_ = nullptr;
    QLabel* status_area_ = nullptr;
    QLabel* status_drive_ = nullptr;
    QTimer* drive_check_ = nullptr;
    QAction* play_lists_ = nullptr;
    QAction* site_descriptions_ = nullptr;
    QAction* options_ = nullptr;
    QAction* quiz_ = nullptr;
    QAction* about_ = nullptr;
    QAction* recent_info_ = nullptr;
    QAction* exit_ = nullptr;
    QAction* copy_to_hd_ = nullptr;
    QAction* show_ = nullptr;
    QAction* what_was_that_ = nullptr;
    // Outlives the shows, so that What was that? answers after a show has closed.
    std::unique_ptr<TRecordingsAndOrPicturesList> shown_list_;
    QPointer<QWidget> demo_form_;      // a TBigPictureDemoForm, or the sounds-only show's window
    QPointer<QWidget> shown_list_form_; // a TRecordingsAndOrPicturesListForm
    QMenu* view_menu_ = nullptr;
    TSpeciesSearchField* search_field_ = nullptr;
    // Built at the first search, again when the window's systematic order or the data changes.
    std::shared_ptr<const SpeciesSearchIndex> search_index_;
    const void* search_index_data_ = nullptr;
};

} // namespace morvelin
