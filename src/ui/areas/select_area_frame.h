#pragma once
// The area selection frame: the scheme's map, on which a click selects or clears the area under the
// pointer, with Clear All and Select All. One image pixel is one logical pixel at every scale factor,
// so the seed points and the clicks share the map's coordinates.

#include "core/areas/area_selection.h"

#include <QImage>
#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;

namespace morvelin {

class TFrameSelectArea : public QWidget {
    Q_OBJECT
public:
    // scheme: a set of the frame's scheme (copied). map: the map image.
    TFrameSelectArea(const TArea& scheme, const QImage& map, QWidget* parent = nullptr);
    ~TFrameSelectArea() override;

    // The set's flags become the frame's state and its initial selection.
    void take_from(const TArea& set);
    // The set takes the frame's state.
    void store_in(TArea& set) const;
    bool any_area_selected() const { return selection_.any_selected(); }
    bool changed() const { return selection_.changed(); }

    // The map as drawn, in image pixels, and where it lies in the frame.
    QImage map_image() const;
    QRect map_rect() const;
    // A click at an image pixel (what a mouse click on the map does).
    void click_map(QPoint image_point);
    void clear_all_click();
    void select_all_click();

    QPushButton* clear_all_button() const { return clear_all_; }
    QPushButton* select_all_button() const { return select_all_; }

signals:
    void selection_changed();

private:
    class MapView;
    void map_changed();

    AreaSelectionMap selection_;
    QLabel* title_ = nullptr;
    MapView* image_ = nullptr;
    QPushButton* clear_all_ = nullptr;
    QPushButton* select_all_ = nullptr;
};

// This edition's frame on SAROVAN_MAP_BITMAP.
class TFrameSelectSarovanArea final : public TFrameSelectArea {
    Q_OBJECT
public:
    explicit TFrameSelectSarovanArea(const TArea& scheme, QWidget* parent = nullptr);
};

// The map of SAROVAN_MAP_BITMAP as RGB32 pixels.
QImage sarovan_map_image();

// The selection frame of the set's scheme, placed in parent: at left_offset when it is not 0, else
// centred; none for a scheme without a frame.
TFrameSelectArea* create_area_frame(const TArea& set, QWidget* parent, int left_offset = 0);

} // namespace morvelin
