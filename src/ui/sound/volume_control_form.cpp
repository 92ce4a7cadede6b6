#include "ui/sound/volume_control_form.h"

#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "core/settings/settings_sections.h"
#include "core/sound/media_port.h"
#include "ui/display/top_forms.h"
#include "ui/display/child_form.h"
#include "ui/foundation/qt_text.h"
#include "ui/windows/window_registry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSlider>
#include <QTimer>

namespace morvelin {

TVolume_control_form::TVolume_control_form(QWidget* parent) : TForm<QWidget>(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_QuitOnClose, false);
    set_caption_from_text("VOLUME CONTROL");
    slider_ = new QSlider(Qt::Vertical, this);
    slider_->setRange(0, 100);
    // The slider's top is full volume: position 0 at the top.
    slider_->setInvertedAppearance(true);
    slider_->setInvertedControls(true);
    slider_->setTickPosition(QSlider::TicksBothSides);
    slider_->setTickInterval(10);
    slider_->setPageStep(10);
    slider_->setFixedSize(45, 112);
    slider_->move(0, 0);
    setFixedSize(slider_->size());
    connect(slider_, &QSlider::valueChanged, this, &TVolume_control_form::slider_moved);

    const QScreen* screen = QApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
    const ScreenPlace place = volume_window_place(settings::read_general_settings().volume_control_coordinates,
                                                  frameGeometry().width(), frameGeometry().height(), area.left(),
                                                  area.top(), area.width(), area.height());
    move(place.left, place.top);

    // Another program (the desktop's mixer) may change the volume at any time: follow it while shown.
    follow_ = new QTimer(this);
    follow_->setInterval(follow_interval_ms);
    connect(follow_, &QTimer::timeout, this, &TVolume_control_form::refresh_from_system);
}

TVolume_control_form::~TVolume_control_form() {
    using G = settings::GeneralSettings;
    G general;
    general.show_volume_control = wanted_;
    general.volume_control_coordinates = std::to_string(x()) + "," + std::to_string(y());
    SettingsChanges changes;
    settings::write_field(changes, G::section(), G::fields(), general, &G::show_volume_control);
    settings::write_field(changes, G::section(), G::fields(), general, &G::volume_control_coordinates);
    changes.commit();
}

void TVolume_control_form::report(const char* call, int code) {
    const auto lines = texts("VOLUME CONTROL", 2);
    const auto error = volume_port().error_text(code);
    show_message(lines[1] + " '" + call + "()'.\n" + (error ? *error : "No Error Text could be found"),
                 mb::icon_error);
}

bool TVolume_control_form::device_check() {
    WaveOutCapabilities caps;
    if (const int code = volume_port().capabilities(mci::wave_mapper, caps); code != mci::mmsyserr_noerror) {
        report("waveOutGetDevCaps", code);
        return false;
    }
    stereo_ = caps.channels == 2;
    std::uint16_t left = 0, right = 0;
    if (!caps.supports_volume || volume_port().get_volume(0, left, right) != mci::mmsyserr_noerror) {
        show_message(texts("VOLUME CONTROL", 2)[2], mb::icon_error);
        return false;
    }
    return true;
}

bool TVolume_control_form::show_if_possible() {
    if (!device_check()) {
        wanted_ = false;
        hide();
        follow_->stop();
        settings::GeneralSettings general;
        general.show_volume_control = false;
        settings::write_general(&settings::GeneralSettings::show_volume_control, general);
        return false;
    }
    wanted_ = true;
    error_shown_ = false;
    refresh_from_system();
    show();
    follow_->start();
    return true;
}

void TVolume_control_form::hide_by_user() {
    wanted_ = false;
    follow_->stop();
    hide();
}

void TVolume_control_form::refresh_from_system() {
    if (slider_->isSliderDown()) return;
    VolumeHalves volume;
    if (const int code = volume_port().get_volume(0, volume.left, volume.right); code != mci::mmsyserr_noerror) {
        // A server that went away is told once, and no longer asked until the window is shown again:
        // each question to a server that does not answer holds the window for up to two seconds.
        if (!error_shown_) report("waveOutGetVolume", code);
        error_shown_ = true;
        follow_->stop();
        return;
    }
    error_shown_ = false;
    balance_.remember(volume);
    refreshing_ = true;
    slider_->setValue(volume_slider_position(volume, stereo_));
    refreshing_ = false;
}

void TVolume_control_form::slider_moved(int position) {
    if (refreshing_) return;
    const VolumeHalves halves = balance_.halves_for(position, stereo_);
    volume_port().set_volume(0, halves.left, halves.right);
}

void TVolume_control_form::step(int steps) {
    slider_->setValue(slider_->value() + steps);
}

void TVolume_control_form::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (TChildForm* main = top_forms().main_child_form()) main->activateWindow();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

WindowFactory volume_control_factory() {
    WindowFactory factory;
    factory.create = [](const WindowRequest&, WindowRegistry&) -> QWidget* { return new TVolume_control_form; };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        auto& form = static_cast<TVolume_control_form&>(window);
        if (request.steps != 0)
            form.step(request.steps);
        else
            form.show_if_possible();
    };
    return factory;
}

} // namespace morvelin
