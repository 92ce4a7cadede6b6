#pragma once
// TTooltipForm: a small stay-on-top window that shows a few text lines while the mouse stays inside
// a given rectangle of the screen. It checks the mouse every 100 ms and closes and frees itself as
// soon as the mouse is outside the rectangle, even when the mouse is over the tooltip itself.

#include "ui/windows/form.h"

#include <QElapsedTimer>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <functional>
#include <string>

class QTimer;

namespace morvelin {

// Draws the text (Windows-1252 with the document's markup) with its last line's bottom at
// y + line height; lines are line_height apart.
using TooltipPaintProcedure =
    std::function<void(QPainter& painter, const std::string& text, int x, int y, int line_height)>;

class TTooltipForm : public TForm<QWidget> {
    Q_OBJECT
public:
    static constexpr int check_interval_ms = 100;

    // Shows a tooltip at position (screen coordinates) of client width x (lines x line height + 2).
    // mouse_rect is in screen coordinates. An empty paint procedure draws the lines of the text.
    static TTooltipForm* create(QWidget* owner, const QFont& font, QPoint position, const std::string& text,
                                TooltipPaintProcedure paint, QRect mouse_rect, int lines, int client_width);

    int line_height() const { return line_height_; }
    int lines() const { return lines_; }
    const std::string& text() const { return text_; }
    QRect mouse_rect() const { return mouse_rect_; }
    qint64 shown_for_ms() const { return shown_.elapsed(); }

    // Where the mouse is, in screen coordinates; tests replace it. An empty source restores QCursor::pos.
    static void set_mouse_position_source(std::function<QPoint()> source);

    // Draws the text's lines bottom-aligned (the default paint procedure).
    static void draw_lines(QPainter& painter, const std::string& text, int x, int y, int line_height);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TTooltipForm(QWidget* owner, const QFont& font, const std::string& text, TooltipPaintProcedure paint,
                 QRect mouse_rect, int lines);
    void check_mouse();

    int lines_ = 1;
    int line_height_ = 0;
    TooltipPaintProcedure paint_;
    std::string text_;
    QRect mouse_rect_;
    QElapsedTimer shown_;
    QTimer* timer_ = nullptr;
};

} // namespace morvelin
