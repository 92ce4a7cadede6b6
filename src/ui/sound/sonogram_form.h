#pragma once
// TSonogramForm: the sonogram of the recording of a sound bar, time across and frequency up, with a
// kHz axis, a seconds axis that counts like the bar's numbers, the bar's play position as a cursor and
// a click that moves the bar there and a drag that loops the bar over the stretch dragged across. The columns come from core (core/sound/sonogram.h) as the worker
// makes them; the window draws what has arrived and asks for what is on screen first. One window for
// the program: a bar's "Sonogram" shows that bar's recording in it.

#include "core/settings/settings_sections.h"
#include "core/sound/sonogram.h"
#include "core/sound/sonogram_view.h"
#include "ui/windows/form.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <optional>

class QMenu;
class QTimer;

namespace morvelin {

class Tsound_bar;
struct Tcupaitem;
struct WindowFactory;

class TSonogramForm final : public TForm<QWidget> {
    Q_OBJECT
public:
    static constexpr int refresh_interval_ms = 50;

    explicit TSonogramForm(QWidget* parent = nullptr);
    ~TSonogramForm() override;

    // Shows the sonogram of the bar's recording (from the bar's file and slice). False, with a
    // message, when the recording has no file or the file cannot be read.
    bool show_recording(Tsound_bar& bar);

    // For tests and the picture: the plot's rectangle in the window and the mapping of its axes.
    QRect plot_rect() const;
    double y_of_hz(double hz) const;
    double x_of_seconds(double seconds) const;
    double seconds_at_x(double x) const;
    double hz_at_y(double y) const;
    // The kHz axis' labels: each label's frequency and the height of its tick.
    std::vector<std::pair<double, double>> frequency_ticks() const;
    double cursor_seconds() const { return cursor_s_; }

    const SonogramHandle& handle() const { return handle_; }
    SonogramRange& range() { return range_; }
    const SonogramLook& look() const { return look_; }
    void set_look(const SonogramLook& look);
    QMenu& menu() const { return *menu_; }

    // The whole window (title, axes, sonogram) as a picture at the given scale; save_png writes it
    // whole or not at all. False with the reason in error.
    QImage picture(qreal scale) const;
    bool save_png(const std::string& path, std::string& error) const;
    // Asks for a file and saves; tells the user when saving fails.
    void save_as_png();

    // The timer's work: new columns, the cursor, what the worker should do next.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void draw(QPainter& painter, const QRect& plot, qreal scale) const;
    QImage render_plot(QSize device_size) const;
    void view_changed();
    void store_settings();
    void seek_to(double seconds);
    // A drag across the plot loops the bar over that stretch of the recording.
    void loop_over(double from_s, double to_s);
    void clear_loop();
    // Pixels the mouse must travel before a press counts as a drag and not a click.
    static constexpr int drag_threshold = 4;
    QString title_text() const;

    settings::SettingsModel<settings::SonogramSettings> settings_;
    QPointer<Tsound_bar> bar_;
    const Tcupaitem* recording_ = nullptr;
    SonogramHandle handle_;
    SonogramRange range_;
    SonogramLook look_;
    std::vector<std::uint32_t> palette_;
    mutable QImage plot_cache_;
    mutable bool plot_dirty_ = true;
    std::uint64_t blocks_seen_ = 0;
    double cursor_s_ = 0;
    std::optional<double> press_x_; // a left press in the plot, until released
    double drag_x_ = 0;
    bool dragging_ = false;
    QTimer* timer_ = nullptr;
    QMenu* menu_ = nullptr;
};

// The registry's factory: a request with a sound bar shows its recording.
WindowFactory sonogram_factory();

} // namespace morvelin
