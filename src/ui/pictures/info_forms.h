#pragma once
// The person pop-up (a photographer, recordist or text author with the contact fields of the
// language text "PERSONAL") and the picture-information pop-up of the photo window (subspecies,
// description, the locality as a link to its map, the date). Both are borderless windows of their
// owner, placed at a point inside the owner and the screen.

#include "ui/display/form_with_underlined_items.h"

#include <string>

namespace morvelin {

struct Tperson;
struct Tspecies;
struct Tlocality;
struct WindowFactory;

class TPersonForm : public TFormWithUnderlinedItems {
    Q_OBJECT
public:
    explicit TPersonForm(QWidget* owner);

    // Sizes the form for the person, places it at the global point and shows it. With copyright the
    // title is "\xA9 " and the name. A web field that is a web or mail address becomes a link.
    void set_up(QPoint at, const Tperson& person, bool copyright);

    const std::string& title() const { return title_; }
    const std::string& fields_text() const { return fields_; } // wrapped, markup as in the species text
    int field_lines() const { return field_lines_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string title_;
    std::string fields_;
    int field_lines_ = 0;
};

class TPictureInfoForm : public TFormWithUnderlinedItems {
    Q_OBJECT
public:
    explicit TPictureInfoForm(QWidget* owner);

    // Sizes the form for the text (wrapped; one line narrows the form to it), places it at the global
    // point and shows it. caption names the map window the locality link opens.
    void set_up(QPoint at, const std::string& text, const Tlocality* locality, const std::string& caption,
                const Tspecies* species);

    const std::string& text() const { return text_; }
    int line_count() const { return lines_; }
    const Tlocality* locality() const { return locality_; }
    // Asks for the locality's map (the link, or Ctrl+M in the photo window); nothing without a locality.
    void open_locality_map();

signals:
    void locality_map_requested(const morvelin::Tspecies* species, const morvelin::Tlocality* locality,
                                const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string text_;
    int lines_ = 0;
    const Tlocality* locality_ = nullptr;
    const Tspecies* species_ = nullptr;
    std::string caption_;
};

// The person pop-up of a main window for the window registry: a recordist, or the persons a species
// text names (its author when the link names no person by key).
WindowFactory person_window_factory();

} // namespace morvelin
