#pragma once
// TFormWithUnderlinedItems: the base of the small information windows (person, picture information,
// maps, literature references, threatened statuses, audio CDs, about) whose underlined parts can be
// clicked. A derived form draws its texts with draw_marked_text(), which remembers where the links
// are; the hand cursor shows over them, and a click on one opens the form's web address when the form
// has one. Pop-ups place themselves with place_pop_up (inside the owner and the screen).

#include "ui/windows/form.h"

#include <QCursor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <string>
#include <string_view>
#include <vector>

namespace morvelin {

class TFormWithUnderlinedItems : public TForm<QWidget> {
    Q_OBJECT
public:
    explicit TFormWithUnderlinedItems(QWidget* owner = nullptr, Qt::WindowFlags flags = {});

    // Whether (x, y) of the form (scroll position added) lies on an underlined item: an underline is
    // looked for from y down to y + the font's height.
    virtual bool point_on_underlined_item(int x, int y) const;

    bool open_web_address_on_click = false;
    std::string web_address;

    // Draws a marked-up Windows-1252 text (markup of the species document) in the form's font with
    // its first baseline at (x, baseline), lines line_height apart, and remembers its links.
    void draw_marked_text(QPainter& painter, int x, int baseline, int line_height, std::string_view text);
    // Forgets the remembered links (call at the start of each paint).
    void clear_underlines() { underlines_.clear(); }
    const std::vector<QRect>& underlines() const { return underlines_; }
    // The hand cursor is showing.
    bool over_item() const { return over_item_; }

signals:
    // A click on an underlined item of a form with a web address; the web information window opens it.
    void web_address_requested(const QString& address);

protected:
    // The vertical scroll position added to mouse points (forms that scroll override it).
    virtual int vertical_scroll_position() const { return 0; }
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::vector<QRect> underlines_; // one-pixel-high underline rectangles in form coordinates
    bool over_item_ = false;
    QCursor remembered_cursor_;
};

// The cursor for clickable items of this edition.
QCursor clickable_item_cursor();

} // namespace morvelin
