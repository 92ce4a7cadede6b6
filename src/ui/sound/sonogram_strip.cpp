#include "ui/sound/sonogram_strip.h"

#include "core/sound/sound_bar_state.h"
#include "ui/foundation/qt_text.h"
#include "ui/sound/sonogram_plot.h"
#include "ui/sound/sound_bar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace morvelin {

TSonogramStrip::TSonogramStrip(Tsound_bar& bar, QWidget* owner) : QWidget(owner), bar_(&bar) {
    hide();
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The bar keeps the keyboard: the strip is for the mouse.
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(sonogram_line(17, "Click to play from there; double-click to open the sonogram window."));
    timer_ = new QTimer(this);
    timer_->setInterval(refresh_interval_ms);
    connect(timer_, &QTimer::timeout, this, &TSonogramStrip::refresh);
}

TSonogramStrip::~TSonogramStrip() = default;

Tsound_bar* TSonogramStrip::bar() const {
    return bar_.data();
}

void TSonogramStrip::place(int top) {
    if (Tsound_bar* bar = bar_.data()) {
        const QRect slider = bar->slider().geometry().translated(bar->pos());
        const QRect wanted(slider.left(), top, slider.width(), strip_height);
        if (geometry() != wanted) setGeometry(wanted);
    }
    if (isHidden()) show();
}

double TSonogramStrip::length_seconds() const {
    if (handle_.sonogram) return handle_.sonogram->seconds();
    const Tsound_bar* bar = bar_.data();
    return bar ? bar->state().slider_maximum() / 10.0 : 0;
}

double TSonogramStrip::seconds_at_x(double x) const {
    return std::clamp(x / std::max(width(), 1), 0.0, 1.0) * length_seconds();
}

double TSonogramStrip::x_of_seconds(double seconds) const {
    const double length = length_seconds();
    return length > 0 ? seconds / length * width() : 0;
}

void TSonogramStrip::open() {
    open_pending_ = false;
    Tsound_bar* bar = bar_.data();
    if (opened_ || !bar) return;
    opened_ = true;
    handle_ = open_sound_bar_sonogram(*bar);
    apply_listening_settings(look_, range_);
    palette_ = sonogram_palette(look_);
    if (const Sonogram* s = handle_.sonogram.get()) {
        range_.length_s = s->seconds();
        range_.top_hz = s->sample_rate() / 2.0;
        range_.t0 = 0;
        range_.span_s = s->seconds();
        range_.clamp();
    } else {
        setToolTip(sonogram_line(12, "The sonogram cannot be made:") + " " + qt_text(handle_.error));
    }
    dirty_ = true;
    update();
}

void TSonogramStrip::refresh() {
    if (handle_.sonogram && handle_.sonogram->blocks_done() != blocks_seen_) {
        blocks_seen_ = handle_.sonogram->blocks_done();
        dirty_ = true;
        update();
    }
    const Tsound_bar* bar = bar_.data();
    const double cursor = bar && bar->is_open() ? sound_bar_seconds(*bar) : -1;
    if (cursor != cursor_s_) {
        cursor_s_ = cursor;
        update();
    }
}

void TSonogramStrip::paintEvent(QPaintEvent*) {
    // The sonogram is looked for only once the strip is on screen, and after this paint.
    if (!opened_ && !open_pending_) {
        open_pending_ = true;
        QTimer::singleShot(0, this, &TSonogramStrip::open);
    }
    QPainter painter(this);
    const qreal scale = devicePixelRatioF();
    const QSize device(int(std::lround(width() * scale)), int(std::lround(height() * scale)));
    if (dirty_ || picture_.size() != device) {
        picture_ = render_sonogram(handle_.sonogram.get(), range_, palette_, look_.colour_map, device);
        picture_.setDevicePixelRatio(scale);
        dirty_ = false;
    }
    painter.drawImage(QPoint(0, 0), picture_);
    if (opened_ && !handle_.sonogram) {
        painter.setPen(QColor(120, 120, 120));
        painter.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(sonogram_line(12, "The sonogram cannot be made:") + " " +
                                                              qt_text(handle_.error),
                                                          Qt::ElideRight, width() - 8));
    }
    if (cursor_s_ >= 0) {
        const double x = std::clamp(x_of_seconds(cursor_s_), 0.0, width() - 1.0);
        painter.setPen(QPen(look_.colour_map == 1 ? QColor(Qt::cyan) : QColor(Qt::red), 0));
        painter.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, height()));
    }
    painter.setPen(QPen(QColor(160, 160, 160), 0));
    painter.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
}

void TSonogramStrip::mousePressEvent(QMouseEvent* event) {
    Tsound_bar* bar = bar_.data();
    if (event->button() != Qt::LeftButton || !bar) {
        QWidget::mousePressEvent(event);
        return;
    }
    const double seconds = seek_sound_bar(*bar, seconds_at_x(event->position().x()));
    if (bar->is_open()) cursor_s_ = seconds;
    update();
    event->accept();
}

void TSonogramStrip::mouseDoubleClickEvent(QMouseEvent* event) {
    Tsound_bar* bar = bar_.data();
    if (event->button() != Qt::LeftButton || !bar) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    bar->show_sonogram();
    event->accept();
}

void TSonogramStrip::showEvent(QShowEvent* event) {
    timer_->start();
    QWidget::showEvent(event);
}

void TSonogramStrip::hideEvent(QHideEvent* event) {
    timer_->stop();
    QWidget::hideEvent(event);
}

} // namespace morvelin
