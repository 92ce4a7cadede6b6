#include "ui/display/form_with_underlined_items.h"

#include "ui/display/text_drawing.h"
#include "core/foundation/editions.h"
#include "ui/foundation/qt_text.h"

#include <QCloseEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace morvelin {

QCursor clickable_item_cursor() {
    QImage image(QStringLiteral(":/cursors/") + QString::fromStdString(edition().hand_cursor));
    if (image.isNull()) image = QImage(QStringLiteral(":/cursors/HAND_CURSOR"));
    if (image.isNull()) return QCursor(Qt::PointingHandCursor);
    return QCursor(QPixmap::fromImage(image), image.text(QStringLiteral("HotSpotX")).toInt(),
                   image.text(QStringLiteral("HotSpotY")).toInt());
}

TFormWithUnderlinedItems::TFormWithUnderlinedItems(QWidget* owner, Qt::WindowFlags flags)
    : TForm<QWidget>(owner, flags) {
    setMouseTracking(true);
}

bool TFormWithUnderlinedItems::point_on_underlined_item(int x, int y) const {
    const int depth = QFontMetrics(font()).height();
    for (const QRect& u : underlines_) {
        if (x >= u.left() && x <= u.right() && u.top() >= y && u.top() <= y + depth) return true;
    }
    return false;
}

void TFormWithUnderlinedItems::draw_marked_text(QPainter& painter, int x, int baseline, int line_height,
                                                std::string_view text) {
    const TextLayout layout = layout_markup(text, font(), palette().color(QPalette::WindowText));
    draw_text_layout(painter, layout, x, baseline, line_height);
    for (const TextRun& run : layout.runs) {
        if (run.link)
            underlines_.emplace_back(x + run.x, baseline + run.line * line_height + 1, run.width, 1);
    }
}

void TFormWithUnderlinedItems::showEvent(QShowEvent* event) {
    remembered_cursor_ = cursor();
    over_item_ = false;
    QWidget::showEvent(event);
}

void TFormWithUnderlinedItems::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const bool over = point_on_underlined_item(p.x(), p.y() + vertical_scroll_position());
    if (over != over_item_) {
        over_item_ = over;
        setCursor(over ? clickable_item_cursor() : remembered_cursor_);
    }
    QWidget::mouseMoveEvent(event);
}

void TFormWithUnderlinedItems::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (open_web_address_on_click && !web_address.empty() &&
        point_on_underlined_item(p.x(), p.y() + vertical_scroll_position()))
        emit web_address_requested(qt_text(web_address));
    QWidget::mousePressEvent(event);
}

void TFormWithUnderlinedItems::closeEvent(QCloseEvent* event) {
    setCursor(remembered_cursor_);
    over_item_ = false;
    TForm<QWidget>::closeEvent(event);
}

} // namespace morvelin
