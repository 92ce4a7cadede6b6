#pragma once
// TBigPictureForm: the photo window. It shows the photos of one species (or of one subspecies) one at
// a time. Maximised it draws the photo at a scale the user chooses, with scroll bars when the photo is
// larger than the window, and remembers scale and scroll per photo while it stays maximised; in the
// normal state the photo fills the window. Small buttons at the bottom right step through the photos,
// zoom, and open the information and copyright pop-ups; they hide while the user scrolls with the
// arrow keys or drags. The photo is decoded once per change and drawn at device pixels.

#include "core/pictures/photos.h"
#include "ui/windows/form.h"

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPointer>

#include <array>
#include <set>
#include <string>

class QLabel;
class QPushButton;
class QScrollBar;
class QTimer;

namespace morvelin {

class TPersonForm;
class TPictureInfoForm;
class WindowRegistry;
struct WindowFactory;

// A 20 x 20 image button that takes no focus and hands every key to its window.
class TBitBtn_picture : public QAbstractButton {
    Q_OBJECT
public:
    TBitBtn_picture(const char* resource_name, QWidget* parent);
    QSize sizeHint() const override { return {20, 20}; }
    bool offered = false; // the tag: may be shown

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QString resource_;
};

// The background colour of every photo window (GENERAL "Pictures Background Color").
QColor pictures_background_colour();
void set_pictures_background_colour(const QColor& colour);

class TBigPictureForm : public TForm<QWidget> {
    Q_OBJECT
public:
    static constexpr int controls_interval_ms = 500;
    enum Button {
        previous_button,
        next_button,
        shrink_button,
        enlarge_button,
        information_button,
        copyright_button
    };

    // registry: where the locality maps and web addresses are asked for (may be null).
    TBigPictureForm(QWidget* owner, WindowRegistry* registry);
    ~TBigPictureForm() override;

    struct SetUp {
        const Tspecies* species = nullptr;
        bool subspecies_only = false;
        const Tsubspecies* subspecies = nullptr;
        QWidget* return_focus = nullptr;
        CaptionNames names;
        bool show_information = true;
        bool no_navigation = false;
        const Tbig_picture* first_picture = nullptr;
    };
    // Chooses the first photo and finds its file, asking for the data folder while it is missing, and
    // decodes it. False when there is nothing to show, the user cancelled, or the photo cannot be
    // decoded (told to the user); the window is then not to be shown.
    bool set_up(const SetUp& setup);
    // Shows the window maximised with the first photo.
    void show_photos();

    const Tbig_picture* current_picture() const { return current_; }
    const QImage& image() const { return image_; }
    double factor() const { return factor_; }
    QScrollBar* horizontal_bar() const { return horizontal_; }
    QScrollBar* vertical_bar() const { return vertical_; }
    TBitBtn_picture* button(Button b) const { return buttons_[b]; }
    QPushButton* background_colour_button() const { return colour_button_; }
    QLabel* factor_label() const { return label_; }
    QTimer* controls_timer() const { return timer_; }
    TPictureInfoForm* information_form() const { return info_form_; }
    TPersonForm* person_form() const { return person_form_; }
    // The rectangle the photo is drawn into (client coordinates, scroll positions subtracted).
    QRect picture_rect() const;
    // The photo's size in the window's pixels (its pixels divided by the screen's pixels per point).
    int picture_width() const;
    int picture_height() const;
    // The size the photo would have without scroll bars.
    QSize available_size() const;

    void step(bool backwards);
    void zoom(bool enlarge);
    void show_information();
    void show_copyright();
    void choose_background_colour();
    void close_side_windows();
    // Every key of the window and its buttons; true when handled.
    bool handle_key(int key, Qt::KeyboardModifiers modifiers, const QString& text = {});
    // Hides the controls while an arrow key is held or the mouse is captured (maximised only).
    void update_controls();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Shows a photo of any species when its file is there, without asking for the data folder; false
    // otherwise. The window shows neither information nor navigation then.
    bool show_found_picture(const Tbig_picture& picture, const CaptionNames& names);

private:
    bool show_picture(const Tbig_picture& picture, const std::string& path);
    bool neighbour_offered(bool backwards) const;
    void set_caption();
    void update_factor_label();
    void layout_controls();
    void set_controls_visible(bool visible);
    void update_scroll_ranges(bool keep_centre);
    void leave_maximised();
    void scroll_by(int dx, int dy);
    void remember_scroll();
    std::string names_caption(const Tbig_picture& picture) const;
    bool maximised() const;

    WindowRegistry* registry_ = nullptr;
    SetUp setup_;
    const Tbig_picture* current_ = nullptr;
    std::string file_name_; // the current photo's file below big_pict/
    QImage image_;
    double aspect_ = 1.0;
    bool fits_ = true;
    double factor_ = 1.0;
    bool was_maximised_ = false;
    bool mouse_captured_ = false;
    bool adjusting_ = false;
    std::set<int> arrows_held_;
    PictureDisplayInfos infos_;
    std::array<TBitBtn_picture*, 6> buttons_{};
    QPushButton* colour_button_ = nullptr;
    QLabel* label_ = nullptr;
    QTimer* timer_ = nullptr;
    QScrollBar* horizontal_ = nullptr;
    QScrollBar* vertical_ = nullptr;
    TPictureInfoForm* info_form_ = nullptr;
    TPersonForm* person_form_ = nullptr;
    QPointer<QWidget> return_focus_;
};

// The photo window of a main window for the window registry: the pictures of a species or subspecies,
// captioned with the names as the main window shows them.
WindowFactory photo_window_factory();

} // namespace morvelin
