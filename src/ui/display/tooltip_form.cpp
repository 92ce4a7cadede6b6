#include "ui/display/tooltip_form.h"

#include "ui/display/text_drawing.h"

#include <QCursor>
#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

#include "ui/foundation/program_fonts.h"

namespace morvelin {

namespace {
std::function<QPoint()>& mouse_source() {
    static std::function<QPoint()> source;
    return source;
}
QPoint mouse_position() {
    return mouse_source() ? mouse_source()() : QCursor::pos();
}
} // namespace

void TTooltipForm::set_mouse_position_source(std::function<QPoint()> source) {
    mouse_source() = std::move(source);
}

TTooltipForm::TTooltipForm(QWidget* owner, const QFont& font, const std::string& text,
                           TooltipPaintProcedure paint, QRect mouse_rect, int lines)
    : TForm<QWidget>(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      lines_(std::max(1, lines)), paint_(std::move(paint)), text_(text), mouse_rect_(mouse_rect) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(font);
    QPalette p = palette();
    const TooltipColours colours = tooltip_colours();
    p.setColor(QPalette::Window, colours.background);
    p.setColor(QPalette::WindowText, colours.text);
    setPalette(p);
    setAutoFillBackground(true);
    line_height_ = QFontMetrics(font).boundingRect(QStringLiteral("abcdefghj")).height() + 2;
    timer_ = new QTimer(this);
    timer_->setInterval(check_interval_ms);
    connect(timer_, &QTimer::timeout, this, &TTooltipForm::check_mouse);
}

TTooltipForm* TTooltipForm::create(QWidget* owner, const QFont& font, QPoint position,
                                   const std::string& text, TooltipPaintProcedure paint, QRect mouse_rect,
                                   int lines, int client_width) {
    auto* form = new TTooltipForm(owner, font, text, std::move(paint), mouse_rect, lines);
    form->setGeometry(position.x(), position.y(), client_width, form->lines_ * form->line_height_ + 2);
    form->show();
    form->shown_.start();
    form->timer_->start();
    return form;
}

void TTooltipForm::check_mouse() {
    if (!mouse_rect_.contains(mouse_position())) {
        timer_->stop();
        close(); // frees the window (delete on close)
    }
}

void TTooltipForm::draw_lines(QPainter& painter, const std::string& text, int x, int y, int line_height) {
    const TextLayout layout = layout_markup(text, painter.font(), painter.pen().color());
    const int n = layout.line_count();
    const int descent = QFontMetrics(painter.font()).descent();
    // The last line's bottom at y + line height, earlier lines above it.
    const int last_baseline = y + line_height - descent - 1;
    draw_text_layout(painter, layout, x, last_baseline - (n - 1) * line_height, line_height);
}

void TTooltipForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QColor(0, 128, 0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const int x = 5;
    const int y = (lines_ - 1) * line_height_ + 2;
    if (paint_)
        paint_(painter, text_, x, y, line_height_);
    else
        draw_lines(painter, text_, x, y, line_height_);
}

} // namespace morvelin
