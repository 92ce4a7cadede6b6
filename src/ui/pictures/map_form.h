#pragma once
// TMapForm: the map window. It shows a species' distribution map, a locality's place, or both, on one
// of the edition's region maps, with a legend underneath (distribution text, locality, region,
// coordinates). The map picture is built once per set-up; on a screen with two device pixels per
// pixel it uses the twice-as-large JPEG maps, and bitmaps are enlarged by repeating pixels, so the
// distribution's red and blue stay exact.

#include "core/pictures/map_bitmap.h"
#include "ui/display/form_with_underlined_items.h"

#include <QImage>
#include <QPoint>

#include <string>

class QPushButton;
class QScrollBar;
class QTimer;

namespace morvelin {

struct Tspecies;
struct Tlocality;
struct WindowFactory;

// Opens a locality's site description for owner: asks for the data folder while the page is missing
// (false when the user cancels), then gives owner the focus and hands the page with its anchor to
// open_web_address().
bool open_site_description(QWidget* owner, const Tlocality& locality);

// The map image of a row at a device pixel ratio (the @2x JPEG at 2 and above), as pixels; null
// pixels when the resource is missing. scale receives the factor the image is drawn at.
RgbImage load_map_image(const DATA_Tmap_data& map, int wanted_scale, int& scale);

// Pixels and images, both ways (0xFFRRGGBB).
RgbImage rgb_image(const QImage& image);
QImage qimage(const RgbImage& image);

// The map window of a main window for the window registry: a species' distribution (captioned with its
// name) or a recording's locality.
WindowFactory map_window_factory();

class TMapForm : public TFormWithUnderlinedItems {
    Q_OBJECT
public:
    static constexpr int scroll_timer_ms = 100;

    explicit TMapForm(QWidget* owner = nullptr);
    ~TMapForm() override;

    // Stores the request, chooses and projects, sizes and places the window and builds the map picture;
    // the caller shows the window. Caption: caption_text when the species has a distribution map, then
    // ", " and the locality's name; an empty result leaves the caption as it is.
    void set_up(const Tspecies* species, const Tlocality* locality, bool free_on_close,
                const std::string& caption_text);

    const MapView& view() const { return view_; }
    const Tspecies* species() const { return species_; }
    const Tlocality* locality() const { return locality_; }
    // The map picture (map-bitmap coordinates times the device pixel ratio it was built for).
    const QImage& map_picture() const { return picture_; }
    // Where the map picture's top left lies in the content (scroll positions not subtracted).
    QPoint map_origin() const;
    QPushButton* ok_button() const { return ok_button_; }
    QScrollBar* vertical_bar() const { return vertical_; }
    QScrollBar* horizontal_bar() const { return horizontal_; }
    QTimer* scroll_timer() const { return timer_; }
    bool painting_suspended() const { return painting_suspended_; }
    // Height of the map part (the legend starts below it) and of the whole content.
    int map_height() const { return map_height_; }
    int content_height() const { return content_height_; }
    int content_width() const { return content_width_; }

    // Esc, arrows, Page Up/Down, Ctrl+H; also reachable for tests without a window system.
    bool handle_key(int key, Qt::KeyboardModifiers modifiers);

    bool point_on_underlined_item(int x, int y) const override;

protected:
    // For the localities map: the map is chosen by the form itself.
    void set_up_with_map(const DATA_Tmap_data& map, const Tspecies* species, const Tlocality* locality,
                         bool free_on_close, const std::string& caption_text);
    // Rebuilds the picture with markers drawn at map-bitmap pixels (localities map).
    void draw_markers_into_picture(const std::vector<MapPixel>& bitmap_pixels);
    int vertical_scroll_position() const override;
    int horizontal_scroll_position() const;
    // Content coordinates of a widget point.
    QPoint to_content(QPoint point) const;
    int device_scale() const { return scale_; }

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct LegendLine {
        std::string label;
        std::string text; // wrapped
        int lines = 1;
    };
    void build_picture();
    void build_legend(int width);
    void size_and_place();
    void layout_children();
    void timer_fired();

    const Tspecies* species_ = nullptr;
    const Tlocality* locality_ = nullptr;
    bool free_on_close_ = false;
    MapView view_;
    RgbImage unmarked_; // the picture before markers, at scale_
    QImage picture_;    // with the locality marker, device pixel ratio scale_
    int scale_ = 1;
    std::vector<LegendLine> legend_;
    int legend_height_ = 0;
    int map_height_ = 0;
    int content_width_ = 0;
    int content_height_ = 0;
    bool painting_suspended_ = false;
    QPushButton* ok_button_ = nullptr;
    QScrollBar* vertical_ = nullptr;
    QScrollBar* horizontal_ = nullptr;
    QTimer* timer_ = nullptr;
};

} // namespace morvelin
