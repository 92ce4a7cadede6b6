#pragma once
// TShowForm: the borderless text pane that fills a main window above its status bar. It hosts one
// species document (TShowStrings), owns the vertical scroll bar and turns window events into document
// operations. Requests that other windows answer (maps, pictures, info pop-ups, find, the volume
// control, window switching) leave as signals; the main window connects them.

#include "core/data/records.h"
#include "ui/display/show_strings.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QString>

#include <memory>
#include <string>

class QTimer;

namespace morvelin {

class Tsound_bar;

class TShowForm : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int line_increment = 15;
    static constexpr int wheel_increments = 3;

    explicit TShowForm(QWidget* parent = nullptr);
    ~TShowForm() override;

    // With a source (New Window) its lines are copied and the first line selected. Otherwise the first
    // level is built from settings (defaults when none), the view state restored, and the view will
    // start at the state's top family and species when shown.
    void set_up(const TShowStrings* source, const TShowStringsViewState& state,
                const SHST_TClassShowStringsData* settings);

    TShowStrings& strings() { return *strings_; }
    const TShowStrings& strings() const { return *strings_; }

    // Width and height of the drawing area (without the scroll bar).
    int client_width() const;
    int client_height() const;
    int quarter_height() const { return quarter_height_; }
    int scroll_position() const;
    void set_scroll_position(int position);
    // The scroll position the pane takes when it is shown.
    int scroll_to_apply() const { return scroll_to_apply_; }

    // Range = total height of the document + 100.
    void update_scroll_range();
    void fold_all();
    // Runs find on the document; when found, repaints and brings the line into view.
    bool find(const std::string& text, bool from_top, bool all_name_kinds = false);
    // Shows the species unfolded and selected, its header a quarter down the view; false when the
    // window's filter hides it.
    bool show_species(const Tspecies& species);
    // Shows the recording's species unfolded with the recording's sound-bar line selected and in view,
    // and returns that line's bar, made now when the line has not been painted yet. Null when the
    // window's filter does not show the recording.
    Tsound_bar* show_recording(const Tcupaitem& recording);
    // The bar of the recording's line, or null while the species is folded or the bar not made.
    Tsound_bar* recording_bar(const Tcupaitem& recording) const;
    // Selects line (none clears the selection) and updates the status text.
    void set_selection(TShowStringsLine* line);
    // Re-creates the name lines with new name settings, then repaints.
    void apply_name_settings(bool scientific, bool other_language, int main_name);
    // Re-lays out every line after a text size change.
    void fonts_changed();

    void repaint_from(int document_y);
    void repaint_all();
    // The view state to save in `Visible`.
    TShowStringsViewState view_state() const { return strings_->capture_view_state(); }

    // Whether the selection is drawn highlighted (the pane's window is active).
    bool is_active_pane() const { return active_; }
    void set_active_pane(bool active);

    // The status text last reported.
    const std::string& status_text() const { return status_text_; }
    void update_status_text();

    // The keys of the pane (also reachable for tests without a window system's key routing).
    bool handle_key(int key, Qt::KeyboardModifiers modifiers);
    void beep();
    int beep_count() const { return beep_count_; }

    // Document coordinates of a point of the drawing area, as of the last paint.
    QPoint to_document(QPoint point) const { return point + QPoint(0, paint_offset_); }

signals:
    void status_text_changed(const QString& text);
    void info_windows_close_requested();
    void species_map_requested(const morvelin::Tspecies* species);
    void species_pictures_requested(const morvelin::Tspecies* species,
                                    const morvelin::Tsubspecies* subspecies, bool subspecies_only);
    // Pop-ups, placed at the global point.
    void literature_requested(const morvelin::Tspecies* species, QPoint global_point);
    void threatened_status_requested(const morvelin::Tspecies* species, const QString& status_text,
                                     QPoint global_point);
    void audio_cd_requested(const morvelin::TaudioCD* cd, QPoint global_point);
    // A link in a species text (persons named by the link text).
    void persons_requested(const QString& link_text, const morvelin::Tspecies* species, QPoint global_point);
    void recordist_requested(const morvelin::Tperson* person, QPoint global_point);
    void locality_map_requested(const morvelin::Tlocality* locality);
    void find_requested();
    void find_again_requested();
    // Steps of the volume control's slider: positive towards higher positions.
    void volume_step_requested(int steps);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void apply_change(const DocumentChange& change);
    // Turns a request of the document into the pane's signal; pop-ups go next to the request's point,
    // a document point shown with the view scrolled by scroll.
    void act_on(const SpeciesRequest& request, int scroll);
    // One keyboard focus: a sound bar holds it only while its line is selected, and a bar that
    // takes it (a click) becomes the selected line.
    void keep_focus_at_selection();
    void focus_changed(QWidget* now);
    void relayout_now();

    std::unique_ptr<TShowStrings> strings_;
    int quarter_height_ = 0;
    int scroll_to_apply_ = 0;
    int paint_offset_ = 0;
    bool active_ = false;
    bool hand_cursor_ = false;
    std::string status_text_;
    int beep_count_ = 0;
    int laid_out_width_ = -1;
    QTimer* relayout_timer_ = nullptr;
    QMetaObject::Connection focus_connection_;
};

} // namespace morvelin
