#include "ui/pictures/localities_map_form.h"

#include "core/data/data_loader.h"
#include "core/data/data_texts.h"
#include "core/data/records.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "core/pictures/site_description.h"
#include "ui/display/text_drawing.h"
#include "ui/display/tooltip_form.h"
#include "ui/foundation/program_fonts.h"
#include "ui/foundation/qt_text.h"
#include "ui/windows/window_registry.h"

#include <QMouseEvent>

#include <algorithm>

namespace morvelin {

namespace {
std::string site_descriptions_text(std::size_t line) {
    const auto lines = texts("SITE DESCRIPTIONS", 1);
    return line < lines.size() ? lines[line] : std::string();
}
} // namespace

WindowFactory localities_map_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest&) {
        return data_set_loaded() && !data_set().localities_by_name().empty();
    };
    factory.create = [](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        return new TLocalitiesMapForm(request.owner ? request.owner->window() : nullptr);
    };
    factory.take = [](QWidget& window, const WindowRequest&) {
        static_cast<TLocalitiesMapForm&>(window).show_localities();
    };
    return factory;
}

TLocalitiesMapForm::TLocalitiesMapForm(QWidget* owner) : TMapForm(owner) {
    setObjectName(QStringLiteral("LocalitiesMapForm"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setMouseTracking(true);
}

TLocalitiesMapForm::~TLocalitiesMapForm() {
    close_tooltip();
}

void TLocalitiesMapForm::show_localities() {
    // The map of a country no row names: the whole region.
    set_up_with_map(map_for_country("Bolivia"), nullptr, nullptr, false, std::string());
    setWindowTitle(qt_text(site_descriptions_text(0)));
    const QRect area = work_area();
    const QSize outer = frameGeometry().size().expandedTo(size());
    move(area.left() + std::max(0, (area.width() - outer.width()) / 2),
         area.top() + std::max(0, (area.height() - outer.height()) / 2));
    if (!points_built_) build_points();
    std::vector<MapPixel> markers;
    for (const Txy& point : points_)
        if (point.on_map) markers.push_back({point.x, point.y - view().map->top_margin});
    draw_markers_into_picture(markers);
    // Modeless: a modal window here would leave the web window without input.
    setWindowModality(Qt::NonModal);
    show();
    raise();
    activateWindow();
}

void TLocalitiesMapForm::build_points() {
    points_built_ = true;
    points_.clear();
    localities_.clear();
    if (!data_set_loaded()) return;
    const DATA_Tmap_data& map = *view().map;
    for (const auto& [name, locality] : data_set().localities_by_name()) {
        Txy point;
        if (const auto position = locality_position(*locality)) {
            const MapPixel pixel = map.project(*position);
            point.on_map = map.on_map(pixel);
            point.x = pixel.x + map.left_margin;
            point.y = pixel.y + map.top_margin;
        }
        points_.push_back(point);
        localities_.push_back(locality);
    }
}

TTooltipForm* TLocalitiesMapForm::tooltip() const {
    return tooltip_.data();
}

QPoint TLocalitiesMapForm::marker_origin() const {
    return {map_origin().x(), 0};
}

int TLocalitiesMapForm::hit_test(QPoint content_point) const {
    std::vector<std::optional<MapPixel>> markers;
    markers.reserve(points_.size());
    for (const Txy& point : points_)
        markers.push_back(point.on_map ? std::optional<MapPixel>(MapPixel{point.x, point.y}) : std::nullopt);
    const QPoint p = content_point - marker_origin();
    return hit_marker(markers, p.x(), p.y());
}

std::string TLocalitiesMapForm::tooltip_text(const Tlocality& locality) {
    return display_name(locality) + std::string(1, markup::line_break) + std::string(1, markup::smaller) +
           site_descriptions_text(1) + " " + site_description_path(locality, environment().base_directory);
}

void TLocalitiesMapForm::mouseMoveEvent(QMouseEvent* event) {
    TMapForm::mouseMoveEvent(event);
    const int hit = hit_test(to_content(event->position().toPoint()));
    if (hit == index_under_mouse_) return;
    close_tooltip();
    index_under_mouse_ = hit;
    if (hit < 0) return;
    const Txy& point = points_[static_cast<std::size_t>(hit)];
    const QPoint marker = mapToGlobal(QPoint(point.x, point.y) + marker_origin() -
                                      QPoint(horizontal_scroll_position(), vertical_scroll_position()));
    const FontRef normal{};
    const std::string text = wrap_markup(tooltip_text(*localities_[static_cast<std::size_t>(hit)]), normal,
                                         work_area().width() / 2);
    const TextLayout layout = layout_markup(text, normal);
    const int widest = *std::max_element(layout.line_widths.begin(), layout.line_widths.end());
    tooltip_ = TTooltipForm::create(this, TShowFonts::instance().font(normal), marker + QPoint(15, -3), text,
                                    {}, QRect(marker - QPoint(3, 3), marker + QPoint(3, 3)),
                                    layout.line_count(), widest + 10);
}

void TLocalitiesMapForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int hit = hit_test(to_content(event->position().toPoint()));
        if (hit >= 0) {
            close_tooltip();
            open_site_description(this, *localities_[static_cast<std::size_t>(hit)]);
            return;
        }
    }
    TMapForm::mousePressEvent(event);
}

void TLocalitiesMapForm::closeEvent(QCloseEvent* event) {
    TMapForm::closeEvent(event);
    close_tooltip();
}

void TLocalitiesMapForm::close_tooltip() {
    if (tooltip_) tooltip_->close();
    tooltip_.clear();
}

} // namespace morvelin
