#include "core/areas/area_selection.h"

#include "core/foundation/services.h"

#include <utility>

namespace morvelin {

int flood_fill(MapPixels& image, int x, int y, std::uint32_t target, std::uint32_t replaced) {
    target &= 0xffffffu;
    replaced &= 0xffffffu;
    if (target == replaced || !image.contains(x, y) || image.colour(x, y) != replaced) return 0;
    // Scan-line fill with an explicit stack: a map of a few hundred thousand pixels must not recurse.
    int filled = 0;
    std::vector<std::pair<int, int>> stack{{x, y}};
    while (!stack.empty()) {
        auto [sx, sy] = stack.back();
        stack.pop_back();
        if (image.colour(sx, sy) != replaced) continue;
        int left = sx;
        while (left > 0 && image.colour(left - 1, sy) == replaced) --left;
        int right = sx;
        while (right + 1 < image.width && image.colour(right + 1, sy) == replaced) ++right;
        for (int i = left; i <= right; ++i) {
            image.set(i, sy, target);
            ++filled;
        }
        for (int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= image.height) continue;
            bool in_run = false;
            for (int i = left; i <= right; ++i) {
                const bool match = image.colour(i, ny) == replaced;
                if (match && !in_run) stack.emplace_back(i, ny);
                in_run = match;
            }
        }
    }
    return filled;
}

AreaSelectionMap::AreaSelectionMap(const TArea& scheme, MapPixels map)
    : scheme_(scheme.clone()), map_(std::move(map)), image_(map_),
      selected_(static_cast<std::size_t>(scheme.count()), false), initial_(selected_) {}

bool AreaSelectionMap::take_flags(const std::vector<bool>& flags) {
    if (flags.size() != selected_.size()) {
        show_message("Programming error 12730, tell Tobran", mb::icon_error);
        return false;
    }
    selected_ = flags;
    initial_ = flags;
    repaint();
    return true;
}

bool AreaSelectionMap::any_selected() const {
    for (bool on : selected_)
        if (on) return true;
    return false;
}

void AreaSelectionMap::repaint() {
    image_ = map_;
    for (int area = 0; area < count(); ++area)
        if (scheme_->is_offered(area)) draw(area);
}

void AreaSelectionMap::draw(int area) {
    const bool alternate = scheme_->uses_alternate_colours(area);
    const std::uint32_t on = alternate ? area_colour::green_blue : area_colour::green;
    const std::uint32_t off = alternate ? area_colour::grey : area_colour::white;
    const bool selected = selected_[static_cast<std::size_t>(area)];
    for (const AreaSeedPoint& seed : scheme_->scheme().seed_points[static_cast<std::size_t>(area)])
        flood_fill(image_, seed.x, seed.y, selected ? on : off, selected ? off : on);
}

bool AreaSelectionMap::seed_disagrees(int area) const {
    const std::uint32_t on = scheme_->uses_alternate_colours(area) ? area_colour::green_blue : area_colour::green;
    const bool selected = selected_[static_cast<std::size_t>(area)];
    for (const AreaSeedPoint& seed : scheme_->scheme().seed_points[static_cast<std::size_t>(area)]) {
        // Seed points of areas that lie outside this map have no pixel to disagree with.
        if (!image_.contains(seed.x, seed.y)) continue;
        if ((image_.colour(seed.x, seed.y) == on) != selected) return true;
    }
    return false;
}

void AreaSelectionMap::click(int x, int y) {
    if (!image_.contains(x, y)) return;
    const std::uint32_t colour = image_.colour(x, y);
    const std::pair<std::uint32_t, std::uint32_t> swaps[] = {{area_colour::white, area_colour::green},
                                                             {area_colour::green, area_colour::white},
                                                             {area_colour::grey, area_colour::green_blue},
                                                             {area_colour::green_blue, area_colour::grey}};
    bool alternate_in_use = false;
    for (int area = 0; area < count(); ++area) alternate_in_use = alternate_in_use || scheme_->uses_alternate_colours(area);
    for (const auto& [from, to] : swaps) {
        if (colour != from) continue;
        // Grey parts of a map without alternate areas are not areas.
        if (!alternate_in_use && (from == area_colour::grey || from == area_colour::green_blue)) break;
        flood_fill(image_, x, y, to, from);
        break;
    }
    for (int area = 0; area < count(); ++area) {
        if (!scheme_->is_offered(area) || !seed_disagrees(area)) continue;
        selected_[static_cast<std::size_t>(area)] = !selected_[static_cast<std::size_t>(area)];
        draw(area);
    }
}

void AreaSelectionMap::set_all(bool selected) {
    for (int area = 0; area < count(); ++area) {
        if (!scheme_->is_offered(area)) continue;
        selected_[static_cast<std::size_t>(area)] = selected;
        draw(area);
    }
}

} // namespace morvelin
