#include "ui/sound/sonogram_form.h"

#include "core/data/records.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/utilities.h"
#include "core/sound/players.h"
#include "core/sound/recording_tag_texts.h"
#include "core/sound/sound_bar_state.h"
#include "ui/foundation/qt_text.h"
#include "ui/sound/sonogram_plot.h"
#include "ui/sound/sound_bar.h"
#include "ui/windows/window_registry.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace morvelin {

namespace {

QString line(int n, const char* english) {
    return sonogram_line(n, english);
}

// Margins of the plot inside the window, in logical pixels: the title above, the kHz labels at the
// left, the seconds below.
constexpr int margin_left = 52;
constexpr int margin_right = 12;
constexpr int margin_top = 26;
constexpr int margin_bottom = 40;

} // namespace

TSonogramForm::TSonogramForm(QWidget* parent)
    : TForm<QWidget>(parent, Qt::Window),
      settings_(settings::SonogramSettings::section, settings::SonogramSettings::defaults()) {
    setWindowTitle(line(0, "Sonogram"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Like the other tool windows: an open sonogram does not keep the program running after its last
    // main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(line(15, "Click to play from there; drag to loop. Wheel: time zoom; Ctrl+wheel: frequency zoom."));
    resize(900, 420);
    settings_.load();
    const auto& s = settings_.stored();
    look_ = {0, s.brightness, s.contrast};
    apply_listening_settings(look_, range_);
    palette_ = sonogram_palette(look_);
    range_.span_s = s.seconds_shown;
    remember_geometry({settings::SonogramSettings::section, "Coord"});

    menu_ = new QMenu(this);
    menu_->addAction(line(1, "Save sonogram as PNG") + "...", this, &TSonogramForm::save_as_png);
    menu_->addSeparator();
    menu_->addAction(line(4, "Grey on white"), this, [this] { set_look({0, look_.brightness, look_.contrast}); });
    menu_->addAction(line(5, "Colour"), this, [this] { set_look({1, look_.brightness, look_.contrast}); });
    menu_->addAction(line(6, "Brighter") + "\tB", this,
                     [this] { set_look({look_.colour_map, look_.brightness + 5, look_.contrast}); });
    menu_->addAction(line(7, "Darker") + "\tD", this,
                     [this] { set_look({look_.colour_map, look_.brightness - 5, look_.contrast}); });
    menu_->addAction(line(8, "More contrast") + "\tC", this,
                     [this] { set_look({look_.colour_map, look_.brightness, look_.contrast - 10}); });
    menu_->addAction(line(9, "Less contrast") + "\tV", this,
                     [this] { set_look({look_.colour_map, look_.brightness, look_.contrast + 10}); });
    menu_->addAction(line(10, "Full frequency band") + "\tF", this, [this] {
        range_.low_hz = 0;
        range_.high_hz = range_.top_hz;
        view_changed();
    });
    menu_->addSeparator();
    menu_->addAction(line(16, "Clear the loop") + "\t\\", this, &TSonogramForm::clear_loop);

    timer_ = new QTimer(this);
    timer_->setInterval(refresh_interval_ms);
    connect(timer_, &QTimer::timeout, this, &TSonogramForm::refresh);
    timer_->start();
}

TSonogramForm::~TSonogramForm() {
    store_settings();
}

void TSonogramForm::store_settings() {
    auto& s = settings_.edited();
    s.brightness = look_.brightness;
    s.contrast = look_.contrast;
    settings_.apply();
    store_listening_colour_map(look_);
}

bool TSonogramForm::show_recording(Tsound_bar& bar) {
    const Tcupaitem& recording = bar.recording();
    SonogramHandle handle = open_sound_bar_sonogram(bar);
    if (!handle.sonogram) {
        show_message(disc_text(line(12, "The sonogram cannot be made:")) + "\n" + handle.error, mb::icon_error);
        return false;
    }
    store_settings();
    bar_ = &bar;
    recording_ = &recording;
    handle_ = std::move(handle);
    const Sonogram& s = *handle_.sonogram;
    const auto& stored = settings_.stored();
    range_ = SonogramRange{};
    range_.length_s = s.seconds();
    range_.top_hz = s.sample_rate() / 2.0;
    apply_listening_settings(look_, range_);
    palette_ = sonogram_palette(look_);
    range_.span_s = stored.seconds_shown;
    range_.clamp();
    blocks_seen_ = 0;
    cursor_s_ = 0;
    setWindowTitle(line(0, "Sonogram") + " - " + title_text());
    view_changed();
    refresh();
    return true;
}

QString TSonogramForm::title_text() const {
    if (!recording_) return {};
    const Mp3TagTexts tags = recording_tag_texts_from_data(*recording_);
    QString text = qt_text(tags.genre);
    if (!tags.title.empty()) text += (text.isEmpty() ? "" : ": ") + qt_text(tags.title);
    return text;
}

void TSonogramForm::set_look(const SonogramLook& look) {
    look_.colour_map = std::clamp(look.colour_map, 0, 1);
    look_.brightness = std::clamp(look.brightness, -40, 40);
    look_.contrast = std::clamp(look.contrast, 20, 120);
    palette_ = sonogram_palette(look_);
    plot_dirty_ = true;
    update();
}

QRect TSonogramForm::plot_rect() const {
    return QRect(margin_left, margin_top, std::max(width() - margin_left - margin_right, 10),
                 std::max(height() - margin_top - margin_bottom, 10));
}

double TSonogramForm::y_of_hz(double hz) const {
    const QRect plot = plot_rect();
    const double band = std::max(range_.high_hz - range_.low_hz, 1.0);
    return plot.top() + plot.height() * (1 - (hz - range_.low_hz) / band);
}

double TSonogramForm::hz_at_y(double y) const {
    const QRect plot = plot_rect();
    return range_.low_hz + (1 - (y - plot.top()) / plot.height()) * (range_.high_hz - range_.low_hz);
}

double TSonogramForm::x_of_seconds(double seconds) const {
    const QRect plot = plot_rect();
    return plot.left() + (seconds - range_.t0) / std::max(range_.span_s, 1e-6) * plot.width();
}

double TSonogramForm::seconds_at_x(double x) const {
    const QRect plot = plot_rect();
    return range_.t0 + (x - plot.left()) / plot.width() * range_.span_s;
}

std::vector<std::pair<double, double>> TSonogramForm::frequency_ticks() const {
    std::vector<std::pair<double, double>> ticks;
    const double step = sonogram_axis_step(range_.high_hz - range_.low_hz, std::max(plot_rect().height() / 40, 2));
    for (double hz = std::ceil(range_.low_hz / step) * step; hz <= range_.high_hz + 1e-6; hz += step)
        ticks.emplace_back(hz, y_of_hz(hz));
    return ticks;
}

void TSonogramForm::view_changed() {
    range_.clamp();
    plot_dirty_ = true;
    if (handle_.worker && handle_.sonogram)
        handle_.worker->want_from(std::int64_t(range_.t0 / handle_.sonogram->column_seconds()));
    update();
}

void TSonogramForm::refresh() {
    if (handle_.sonogram) {
        const std::uint64_t done = handle_.sonogram->blocks_done();
        if (done != blocks_seen_) {
            blocks_seen_ = done;
            plot_dirty_ = true;
            update();
        }
    }
    if (Tsound_bar* bar = bar_.data()) {
        const double seconds = sound_bar_seconds(*bar);
        if (std::abs(seconds - cursor_s_) > 1e-9) {
            cursor_s_ = seconds;
            if (bar->is_playing()) {
                const double t0 = range_.t0;
                range_.follow(seconds);
                if (range_.t0 != t0) view_changed();
            }
            update();
        }
    }
}

void TSonogramForm::seek_to(double seconds) {
    Tsound_bar* bar = bar_.data();
    if (!bar) return;
    cursor_s_ = seek_sound_bar(*bar, seconds);
    update();
}

void TSonogramForm::loop_over(double from_s, double to_s) {
    Tsound_bar* bar = bar_.data();
    if (!bar) return;
    const double end_s = range_.length_s > 0 ? range_.length_s : bar->state().slider_maximum() / 10.0;
    const auto ms = [&](double s) { return int(std::lround(std::clamp(s, 0.0, end_s) * 1000)); };
    const int a = ms(std::min(from_s, to_s));
    const int b = ms(std::max(from_s, to_s));
    if (a < b) bar->set_loop(a, b);
    update();
}

void TSonogramForm::clear_loop() {
    if (Tsound_bar* bar = bar_.data()) bar->clear_loop();
    update();
}

QImage TSonogramForm::render_plot(QSize device_size) const {
    return render_sonogram(handle_.sonogram.get(), range_, palette_, look_.colour_map, device_size);
}

void TSonogramForm::draw(QPainter& painter, const QRect& plot, qreal scale) const {
    painter.fillRect(QRect(0, 0, width(), height()), Qt::white);
    const QSize device(int(std::lround(plot.width() * scale)), int(std::lround(plot.height() * scale)));
    if (plot_dirty_ || plot_cache_.size() != device) {
        plot_cache_ = render_plot(device);
        plot_cache_.setDevicePixelRatio(scale);
        plot_dirty_ = false;
    }
    painter.drawImage(plot.topLeft(), plot_cache_);
    painter.setPen(Qt::black);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    const QFontMetrics metrics = painter.fontMetrics();

    // The kHz axis.
    const double khz_step = sonogram_axis_step((range_.high_hz - range_.low_hz) / 1000, std::max(plot.height() / 40, 2));
    for (const auto& [hz, y] : frequency_ticks()) {
        painter.drawLine(QPointF(plot.left() - 5, y), QPointF(plot.left(), y));
        const QString label = sonogram_axis_text(hz / 1000, khz_step);
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, plot.left() - 8, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label);
    }
    painter.drawText(QRect(2, 2, margin_left, margin_top - 4), Qt::AlignLeft | Qt::AlignVCenter, line(2, "kHz"));

    // The seconds axis, counted from the start of the recording like the bar's numbers.
    const double step = sonogram_axis_step(range_.span_s, std::max(plot.width() / 90, 2));
    for (double t = std::ceil(range_.t0 / step) * step; t <= range_.t0 + range_.span_s + 1e-9; t += step) {
        const double x = x_of_seconds(t);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 5));
        painter.drawText(QRectF(x - 40, plot.bottom() + 6, 80, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         sonogram_axis_text(t, step));
    }
    painter.drawText(QRect(plot.left(), plot.bottom() + 6 + metrics.height(), plot.width(), metrics.height()),
                     Qt::AlignRight | Qt::AlignTop, line(3, "s"));

    // Title: species and recording; what is still missing.
    QString title = title_text();
    if (handle_.sonogram && !handle_.sonogram->complete()) {
        const std::string error = handle_.sonogram->error();
        title += "   " + (error.empty() ? line(11, "Computing the sonogram") + "..."
                                        : line(12, "The sonogram cannot be made:") + " " + qt_text(error));
    }
    painter.drawText(QRect(margin_left, 2, plot.width(), margin_top - 4), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(title, Qt::ElideRight, plot.width()));
}

void TSonogramForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect plot = plot_rect();
    draw(painter, plot, devicePixelRatioF());
    // The loop, or the stretch being dragged, as a band over the plot.
    std::optional<std::pair<double, double>> band;
    if (dragging_ && press_x_)
        band = std::pair{std::min(*press_x_, drag_x_), std::max(*press_x_, drag_x_)};
    else if (const Tsound_bar* bar = bar_.data(); bar && bar->state().looping())
        band = std::pair{x_of_seconds(*bar->state().loop_start() / 1000.0),
                         x_of_seconds(*bar->state().loop_end() / 1000.0)};
    if (band) {
        const double left = std::max<double>(band->first, plot.left());
        const double right = std::min<double>(band->second, plot.right() + 1);
        if (right > left) {
            QColor shade = look_.colour_map == 1 ? QColor(255, 255, 255) : QColor(40, 110, 220);
            shade.setAlpha(60);
            painter.fillRect(QRectF(left, plot.top(), right - left, plot.height()), shade);
        }
    }
    if (bar_ && cursor_s_ >= range_.t0 && cursor_s_ <= range_.t0 + range_.span_s) {
        const double x = x_of_seconds(cursor_s_);
        painter.setPen(QPen(look_.colour_map == 1 ? QColor(Qt::cyan) : QColor(Qt::red), 1));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
}

void TSonogramForm::resizeEvent(QResizeEvent* event) {
    plot_dirty_ = true;
    QWidget::resizeEvent(event);
}

void TSonogramForm::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    const double factor = std::pow(1.25, notches);
    const QPointF at = event->position();
    if (event->modifiers() & Qt::ControlModifier)
        range_.zoom_frequency(factor, hz_at_y(at.y()));
    else if (event->modifiers() & Qt::ShiftModifier)
        range_.scroll(-notches * range_.span_s / 10);
    else
        range_.zoom_time(factor, seconds_at_x(at.x()));
    view_changed();
    event->accept();
}

void TSonogramForm::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (apply_sonogram_view_key(range_, event->key(), control)) {
        view_changed();
        return;
    }
    switch (event->key()) {
    case Qt::Key_B:
        set_look({look_.colour_map, look_.brightness + 5, look_.contrast});
        return;
    case Qt::Key_D:
        set_look({look_.colour_map, look_.brightness - 5, look_.contrast});
        return;
    case Qt::Key_C:
        set_look({look_.colour_map, look_.brightness, look_.contrast - 10});
        return;
    case Qt::Key_V:
        set_look({look_.colour_map, look_.brightness, look_.contrast + 10});
        return;
    case Qt::Key_M:
        set_look({1 - look_.colour_map, look_.brightness, look_.contrast});
        return;
    case Qt::Key_Backslash:
        clear_loop();
        return;
    case Qt::Key_S:
        if (control) {
            save_as_png();
            return;
        }
        [[fallthrough]];
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    view_changed();
}

void TSonogramForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && plot_rect().contains(event->position().toPoint())) {
        // A click seeks when released; moving first makes it a drag that loops.
        press_x_ = event->position().x();
        drag_x_ = *press_x_;
        dragging_ = false;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TSonogramForm::mouseMoveEvent(QMouseEvent* event) {
    if (press_x_ && (event->buttons() & Qt::LeftButton)) {
        const QRect plot = plot_rect();
        drag_x_ = std::clamp<double>(event->position().x(), plot.left(), plot.right() + 1);
        if (std::abs(drag_x_ - *press_x_) >= drag_threshold) dragging_ = true;
        if (dragging_) update();
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TSonogramForm::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && press_x_) {
        const double from = *press_x_;
        const QRect plot = plot_rect();
        const double to = std::clamp<double>(event->position().x(), plot.left(), plot.right() + 1);
        const bool drag = dragging_ || std::abs(to - from) >= drag_threshold;
        press_x_.reset();
        dragging_ = false;
        if (drag)
            loop_over(seconds_at_x(from), seconds_at_x(to));
        else
            seek_to(seconds_at_x(from));
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TSonogramForm::contextMenuEvent(QContextMenuEvent* event) {
    menu_->popup(event->globalPos());
    event->accept();
}

QImage TSonogramForm::picture(qreal scale) const {
    QImage image(QSize(int(std::lround(width() * scale)), int(std::lround(height() * scale))), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    painter.setFont(font());
    const bool dirty = plot_dirty_;
    plot_dirty_ = true; // rendered at the picture's scale
    draw(painter, plot_rect(), scale);
    plot_dirty_ = dirty || scale != devicePixelRatioF();
    return image;
}

bool TSonogramForm::save_png(const std::string& path, std::string& error) const {
    const QImage image = picture(2);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        error = "PNG";
        return false;
    }
    if (!write_file_atomically(path, bytes.toStdString())) {
        error = path;
        return false;
    }
    return true;
}

void TSonogramForm::save_as_png() {
    if (!handle_.sonogram) return;
    QString name = title_text();
    name.replace(QRegularExpression("[^A-Za-z0-9 _-]+"), " ");
    name = name.simplified();
    if (name.isEmpty()) name = "sonogram";
    const auto path = dialog_port().save_file(disc_text(line(1, "Save sonogram as PNG")), {},
                                              native_path(name + ".png"),
                                              {{disc_text(line(13, "PNG pictures")), "*.png"}});
    if (!path) return;
    std::string error;
    if (!save_png(*path, error))
        show_message(disc_text(line(14, "The picture could not be saved:")) + " " + message_text_from_path(*path),
                     mb::icon_error);
}

WindowFactory sonogram_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest& request) { return request.sound_bar != nullptr; };
    factory.create = [](const WindowRequest&, WindowRegistry&) -> QWidget* { return new TSonogramForm; };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        auto& form = static_cast<TSonogramForm&>(window);
        if (!request.sound_bar || !form.show_recording(*request.sound_bar)) {
            if (!form.handle().sonogram) form.close();
            return;
        }
        form.show();
        form.raise();
        form.activateWindow();
    };
    return factory;
}

} // namespace morvelin
