#pragma once
// TComparisonForm: up to six recordings one above the other, each as a sonogram drawn to the same
// time scale (seconds per pixel) and the same band of frequencies, so that similar voices can be set
// side by side. Each row has the recording's own sound bar (played like any other bar: one plays at
// a time, and the row's cursor follows what is heard), its species and recording as a label and a
// button that removes it. The set is saved to and opened from ".cmp" files
// (core/sound/comparison.h). One window for the program: a bar's "Compare" adds its recording.

#include "core/foundation/settings_file.h"
#include "core/sound/comparison.h"
#include "core/sound/sonogram.h"
#include "core/sound/sonogram_view.h"
#include "ui/windows/form.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;
class QToolButton;
class QVBoxLayout;

namespace morvelin {

class TComparisonForm;
class Tsound_bar;
struct Tcupaitem;
struct WindowFactory;

class TComparisonRow final : public QWidget {
    Q_OBJECT
public:
    TComparisonRow(TComparisonForm& form, const Tcupaitem& recording, const NumberSet& files_instead_of_cd);
    ~TComparisonRow() override;

    const Tcupaitem& recording() const { return recording_; }
    Tsound_bar& bar() const { return *bar_; }
    QToolButton& remove_button() const { return *remove_; }
    QString label_text() const;
    const SonogramHandle& handle() const { return handle_; }

    QRect plot_rect() const;
    double x_of_seconds(double seconds) const;
    double seconds_at_x(double x) const;
    double y_of_hz(double hz) const;
    double cursor_seconds() const { return cursor_s_; }

    // New columns and the cursor; the form's timer calls it.
    void refresh();
    // The shared view changed: draw anew, and ask the worker for what is on screen.
    void view_changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int header_height() const;

    TComparisonForm& form_;
    const Tcupaitem& recording_;
    std::unique_ptr<Tsound_bar> bar_;
    QLabel* label_ = nullptr;
    QToolButton* remove_ = nullptr;
    SonogramHandle handle_;
    QImage plot_cache_;
    bool plot_dirty_ = true;
    std::uint64_t blocks_seen_ = 0;
    double cursor_s_ = 0;
};

class TComparisonForm final : public TForm<QWidget> {
    Q_OBJECT
public:
    static constexpr int refresh_interval_ms = 50;

    explicit TComparisonForm(QWidget* parent = nullptr);
    ~TComparisonForm() override;

    // Adds the recording as the last row, played as the bar plays it (files_instead_of_cd); a
    // recording shown already is scrolled into view instead, and a seventh is refused with a
    // message. True when a row was added.
    bool add_recording(const Tcupaitem& recording, const NumberSet& files_instead_of_cd);
    bool add_from_bar(const Tsound_bar& bar);
    void remove_row(int row);
    void remove_all();

    const ComparisonSet& set() const { return set_; }
    int row_count() const { return static_cast<int>(rows_.size()); }
    TComparisonRow& row(int row) const { return *rows_[static_cast<std::size_t>(row)]; }

    // The view every row shows: seconds and frequencies, the longest recording's length.
    const SonogramRange& range() const { return range_; }
    void zoom_time(double factor, double anchor_s);
    void zoom_frequency(double factor, double anchor_hz);
    void scroll_time(double seconds);
    void follow(double seconds);
    const std::vector<std::uint32_t>& level_colours() const { return palette_; }
    int colour_map() const { return look_.colour_map; }

    // Save comparison... and Open comparison...: the file dialogs, then save_to or load; save_click is
    // true when the set was saved.
    bool save_click();
    void open_click();
    // False with a message when the file could not be written.
    bool save_to(const std::string& path);
    // Replaces the rows with the file's recordings; a file that is refused keeps the rows shown.
    // Entries that name no recording here are told and skipped. False when the file was refused.
    bool load(const std::string& path);

    // Rows added or removed since the set was last saved or opened.
    bool modified() const { return modified_; }
    // The save question of an unsaved set (Yes saves, No forgets it); false for Cancel or a save
    // that did not happen.
    bool ask_save();

    QPushButton& save_button() const { return *save_button_; }
    QPushButton& open_button() const { return *open_button_; }

    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void set_modified(bool modified);
    void add_row(const Tcupaitem& recording, const NumberSet& files_instead_of_cd);
    void rows_changed();
    void view_changed();

    ComparisonSet set_;
    std::vector<TComparisonRow*> rows_; // children of rows_widget_, in the set's order
    SonogramRange range_;
    SonogramLook look_;
    std::vector<std::uint32_t> palette_;
    std::string folder_; // of the last file saved or opened
    bool modified_ = false;
    QScrollArea* scroll_ = nullptr;
    QWidget* rows_widget_ = nullptr;
    QVBoxLayout* rows_layout_ = nullptr;
    QLabel* empty_hint_ = nullptr;
    QPushButton* save_button_ = nullptr;
    QPushButton* open_button_ = nullptr;
    QTimer* timer_ = nullptr;
};

// The registry's factory: a request with a sound bar adds its recording.
WindowFactory comparison_factory();

} // namespace morvelin
