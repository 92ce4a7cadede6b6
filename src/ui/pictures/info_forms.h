#pragma once
// The person pop-up (a photographer, recordist or text author with the contact fields of the
// language text "PERSONAL") and the picture-information pop-up of the photo window (subspecies,
// description, the locality as a link to its map, the date). Both are borderless windows of their
// owner, placed at a point inside the owner and the screen. The species text's literature,
// threatened-status and audio CD links open the three text pop-ups below, placed the same way.

#include "ui/display/form_with_underlined_items.h"

#include <array>
#include <string>

namespace morvelin {

struct Tperson;
struct Tspecies;
struct Tlocality;
struct TaudioCD;
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

// A pop-up showing one marked-up text, wrapped, drawn from x = 10 inside a thin frame.
class TTextPopUpForm : public TFormWithUnderlinedItems {
    Q_OBJECT
public:
    explicit TTextPopUpForm(QWidget* owner);
    const std::string& text() const { return text_; }
    int line_count() const { return lines_; }

protected:
    // Takes the text (already wrapped), sizes the form to width and the lines, and shows it at the
    // global point.
    void show_text(QPoint at, std::string text, int width);
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string text_;
    int lines_ = 0;
};

// A species' literature: one line per reference, "place in title"; a reference number outside the
// data set's list ends the list.
class TLiteratureReferencesForm : public TTextPopUpForm {
    Q_OBJECT
public:
    explicit TLiteratureReferencesForm(QWidget* owner);
    void set_up(QPoint at, const Tspecies& species);
};

// What the threat categories mean, and their source with a link to its publisher.
class TThreatenedStatusExplicationForm : public TTextPopUpForm {
    Q_OBJECT
public:
    explicit TThreatenedStatusExplicationForm(QWidget* owner);
    void set_up(QPoint at, const std::array<std::string, 3>& category_names);
};

// An audio CD's description under its title, with a link to its publisher's page when it has one.
class TAboutAudioCDForm : public TTextPopUpForm {
    Q_OBJECT
public:
    explicit TAboutAudioCDForm(QWidget* owner);
    void set_up(QPoint at, const TaudioCD& cd);
};

// The publisher of the threat categories' source.
inline constexpr const char* threatened_birds_publisher_address = "https://www.birdlife.org/";

// The pop-ups of a main window's species text for the window registry.
WindowFactory literature_window_factory();
WindowFactory threatened_status_window_factory();
WindowFactory audio_cd_window_factory();

// The person pop-up of a main window for the window registry: a recordist, or the persons a species
// text names (its author when the link names no person by key).
WindowFactory person_window_factory();

} // namespace morvelin
