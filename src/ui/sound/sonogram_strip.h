#pragma once
// TSonogramStrip: a small sonogram of a sound bar's recording under the bar's slider, for the species
// text when the listening settings ask for strips. It opens the sonogram (through the cache and worker
// the sonogram window uses) only after it was first painted, so unfolding a species, or starting the
// program, never waits for it. It shows where the bar plays; a click moves the bar there and a double
// click opens the sonogram window.

#include "core/sound/sonogram.h"
#include "core/sound/sonogram_view.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

class QTimer;

namespace morvelin {

class Tsound_bar;

class TSonogramStrip final : public QWidget {
    Q_OBJECT
public:
    static constexpr int strip_height = 40; // logical pixels
    static constexpr int gap = 4;           // between the strip and the text below it
    static constexpr int slot_height = strip_height + gap;
    static constexpr int refresh_interval_ms = 100;

    // A child of owner (the bar's owner), hidden until placed.
    TSonogramStrip(Tsound_bar& bar, QWidget* owner);
    ~TSonogramStrip() override;

    Tsound_bar* bar() const;
    // Under the bar's slider and as wide, with its top at top on the owner; shows the strip.
    void place(int top);

    bool opened() const { return opened_; }
    const SonogramHandle& handle() const { return handle_; }
    const SonogramLook& look() const { return look_; }
    const SonogramRange& range() const { return range_; }
    // The seconds across the strip: the sonogram's once opened, the bar's length before.
    double length_seconds() const;
    double seconds_at_x(double x) const;
    double x_of_seconds(double seconds) const;
    // The play cursor's seconds, or a negative number while the bar is closed.
    double cursor_seconds() const { return cursor_s_; }

    // The timer's work: new columns and the play cursor.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void open();

    QPointer<Tsound_bar> bar_;
    bool open_pending_ = false;
    bool opened_ = false;
    SonogramHandle handle_;
    SonogramRange range_;
    SonogramLook look_;
    std::vector<std::uint32_t> palette_;
    QImage picture_;
    bool dirty_ = true;
    std::uint64_t blocks_seen_ = 0;
    double cursor_s_ = -1;
    QTimer* timer_ = nullptr;
};

} // namespace morvelin
