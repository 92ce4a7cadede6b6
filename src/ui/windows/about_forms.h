#pragma once
// The introduction shown at start (frameless, white, the intro picture and three texts; any key or
// click closes it) and the About window (the program picture, the edition's notes, the credits taken
// from the data, whose names open the person pop-up, and the publisher's link).

#include "ui/display/form_with_underlined_items.h"
#include "ui/display/text_drawing.h"
#include "ui/windows/form.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QPushButton;

namespace morvelin {

struct Tperson;
struct WindowFactory;
class Tdata;
class TPersonForm;

class TIntroductionForm : public TForm<QWidget> {
    Q_OBJECT
public:
    // Client 630 x 465, centred in the work area of the owner's screen; no caption, so that nothing
    // takes it for a main window. It frees itself when closed.
    explicit TIntroductionForm(QWidget* owner = nullptr);

    static constexpr int client_width = 630;
    static constexpr int client_height = 465;
    bool has_picture() const { return picture_.has_value(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::optional<QImage> picture_;
};

// Shows the introduction over the main window (modal for the program while it shows).
void show_introduction(QWidget* main_window);

// One credit of the About window: a person named in the data, and where its underlined name lies.
struct AboutCredit {
    const Tperson* person = nullptr;
    QRect name; // in form coordinates
};

// The persons the data credits, each group in key order and without repeats: the species texts'
// authors, the recordists, the photographers; at most `limit` in all.
struct CreditGroups {
    std::vector<const Tperson*> texts, recordings, photos;
};
CreditGroups credited_persons(const Tdata& data, std::size_t limit = 100);

class TAboutForm : public TFormWithUnderlinedItems {
    Q_OBJECT
public:
    // A dialog window of owner's window, modal for that window only, so that a web window it opens
    // stays usable. It frees itself when closed.
    explicit TAboutForm(QWidget* owner);

    const std::string& text() const { return text_; } // wrapped, markup as in the species text
    const std::vector<AboutCredit>& credits() const { return credits_; }
    QRect publisher_link() const { return publisher_link_; }
    QPushButton* ok_button() const { return ok_; }
    TPersonForm* person_form() const { return person_form_; }
    QRect text_area() const;

    bool point_on_underlined_item(int x, int y) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void lay_out();
    int needed_height() const;
    void fit_to_screen();
    void close_person_form();

    std::string source_; // unwrapped
    std::string text_;
    TextLayout layout_;
    std::vector<const Tperson*> credit_persons_; // in the order of their links in the text
    std::vector<AboutCredit> credits_;
    QRect publisher_link_;
    std::optional<QImage> picture_;
    QPushButton* ok_ = nullptr;
    QPointer<TPersonForm> person_form_;
};

// The About window for the window registry: one for the program, brought to the front when it shows.
WindowFactory about_window_factory();

} // namespace morvelin
