#pragma once
// TVolume_control_form: a small tool window that stays on top with a vertical slider for the
// output volume of the sound server's default output (full volume at the top). It follows changes
// made elsewhere (the desktop's mixer) while it is visible, keeps the balance between the channels,
// and keeps its place on screen.

#include "core/sound/volume_control.h"
#include "ui/windows/form.h"

#include <QWidget>

class QSlider;
class QTimer;

namespace morvelin {

struct WindowFactory;

class TVolume_control_form final : public TForm<QWidget> {
    Q_OBJECT
public:
    static constexpr int follow_interval_ms = 500;

    explicit TVolume_control_form(QWidget* parent = nullptr);
    // Writes `Show Volume Control` and `Volume Control Coordinates`.
    ~TVolume_control_form() override;

    // Shows the window when the device check passes; otherwise the check's message is shown once and
    // `Show Volume Control` is written as No. Returns whether the window is shown.
    bool show_if_possible();
    void hide_by_user();
    // Reads the system volume into the slider (not while the user drags it).
    void refresh_from_system();
    // Moves the slider by steps (positive: towards higher positions, i.e. quieter) and sets the volume.
    void step(int steps);

    QSlider* slider() const { return slider_; }
    bool stereo() const { return stereo_; }
    // What the settings will say: whether the user wants the window shown.
    bool wanted() const { return wanted_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The capability check of the output; false with its message shown.
    bool device_check();
    void slider_moved(int position);
    void report(const char* call, int code);

    QSlider* slider_ = nullptr;
    QTimer* follow_ = nullptr;
    VolumeBalance balance_;
    bool stereo_ = false;
    bool wanted_ = false;
    bool refreshing_ = false;
    bool error_shown_ = false;
};

// The registry's factory: a request without steps shows the window, one with steps moves the slider
// of a window that exists.
WindowFactory volume_control_factory();

} // namespace morvelin
