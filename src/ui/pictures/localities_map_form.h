#pragma once
// TLocalitiesMapForm: every locality that has a site description as a red marker on the map of the
// whole region. The mouse over a marker shows the locality's name and page in a tooltip; a click opens
// the page. One instance serves the program; it never blocks the window it was opened from.

#include "ui/pictures/map_form.h"

#include <QPointer>

#include <optional>
#include <vector>

namespace morvelin {

class TTooltipForm;
struct WindowFactory;

// The localities map for the window registry: offered only when some locality has a site description.
WindowFactory localities_map_factory();

struct Txy {
    bool on_map = false;
    bool on_inset = false; // no inset map in this edition
    int x = 0, y = 0;      // content coordinates of the marker (image position included)
    int inset_x = 0, inset_y = 0;
};

class TLocalitiesMapForm : public TMapForm {
    Q_OBJECT
public:
    explicit TLocalitiesMapForm(QWidget* owner = nullptr);
    ~TLocalitiesMapForm() override;

    // Sets the form up on the whole-region map (caption: line 1 of SITE DESCRIPTIONS), centres it on the
    // desktop, shows it without blocking any other window and brings it to the front.
    void show_localities();

    // The plotted points, one per locality with a site description in the data set's order (built on
    // the first show).
    const std::vector<Txy>& points() const { return points_; }
    const std::vector<const Tlocality*>& point_localities() const { return localities_; }
    // The locality whose marker lies under a content point: first in list order, -1 for none.
    int hit_test(QPoint content_point) const;
    int index_under_mouse() const { return index_under_mouse_; }
    TTooltipForm* tooltip() const;

    // The tooltip text of a locality: its full name, then one size smaller SITE DESCRIPTIONS line 2 and
    // the page's path.
    static std::string tooltip_text(const Tlocality& locality);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build_points();
    void close_tooltip();
    // The drawing origin of the markers in content coordinates.
    QPoint marker_origin() const;

    std::vector<Txy> points_;
    std::vector<const Tlocality*> localities_;
    bool points_built_ = false;
    int index_under_mouse_ = -1;
    QPointer<TTooltipForm> tooltip_;
};

} // namespace morvelin
