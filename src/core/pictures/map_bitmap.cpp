#include "core/pictures/map_bitmap.h"

#include "core/data/data_texts.h"
#include "core/data/records.h"
#include "core/foundation/bitmap.h"
#include "core/foundation/services.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace morvelin {

namespace {

constexpr int mask_pixel_limit = static_cast<int>(bitmap::max_dimension);

bool is_red(std::uint32_t colour) { return (colour & 0xFFFFFF) == 0xFF0000; }

// Each logical pixel of a map enlarged scale times is a block of scale x scale pixels.
template <typename Paint>
void for_block(RgbImage& image, int x, int y, int scale, Paint paint) {
    for (int by = 0; by < scale; ++by)
        for (int bx = 0; bx < scale; ++bx) {
            const long px = static_cast<long>(x) * scale + bx, py = static_cast<long>(y) * scale + by;
            if (px < 0 || py < 0 || px >= image.width || py >= image.height) continue;
            paint(static_cast<int>(px), static_cast<int>(py));
        }
}

std::optional<RgbImage> load_distribution(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    const LoadedBitmap loaded = load_bitmap(path, true);
    if (loaded.dib.empty()) return std::nullopt;
    RgbImage image;
    image.pixels = packed_dib_to_rgb32(loaded.dib.data(), loaded.dib.size(), image.width, image.height);
    if (image.pixels.empty()) {
        show_message("\"" + path + "\" is not a Windows bitmap file, can not show picture.", mb::icon_error);
        return std::nullopt;
    }
    return image;
}

} // namespace

RgbImage::RgbImage(int w, int h, std::uint32_t fill)
    : width(std::max(w, 0)), height(std::max(h, 0)),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

void stretch_nearest(const RgbImage& source, RgbImage& dest, MapRect rect) {
    if (source.empty() || rect.width <= 0 || rect.height <= 0) return;
    const long left = std::max<long>(rect.left, 0);
    const long top = std::max<long>(rect.top, 0);
    const long right = std::min<long>(static_cast<long>(rect.left) + rect.width, dest.width);
    const long bottom = std::min<long>(static_cast<long>(rect.top) + rect.height, dest.height);
    for (long y = top; y < bottom; ++y) {
        const long sy = (y - rect.top) * source.height / rect.height;
        for (long x = left; x < right; ++x) {
            const long sx = (x - rect.left) * source.width / rect.width;
            dest.set_pixel(static_cast<int>(x), static_cast<int>(y),
                           source.pixel(static_cast<int>(sx), static_cast<int>(sy)));
        }
    }
}

RgbImage scaled_nearest(const RgbImage& image, int factor) {
    if (factor <= 1) return image;
    RgbImage result(image.width * factor, image.height * factor, 0);
    for (int y = 0; y < result.height; ++y)
        for (int x = 0; x < result.width; ++x)
            result.set_pixel(x, y, image.pixel(x / factor, y / factor));
    return result;
}

std::uint32_t merged_pixel(std::uint32_t map, std::uint32_t overlay, int x, int y) {
    switch (overlay & 0xFFFFFF) {
    case 0xFF0000: {
        if ((x + y) % 3 != 0 && (x - y) % 3 != 0) return map;
        const int grey = static_cast<int>(((map >> 16) & 0xFF) + ((map >> 8) & 0xFF) + (map & 0xFF)) / 3;
        const auto half = static_cast<std::uint32_t>(grey / 2);
        const auto bluish = static_cast<std::uint32_t>((grey + 255) / 2);
        return 0xFF000000u | (half << 16) | (half << 8) | bluish;
    }
    case 0x0000FF:
        return map_colour::blue;
    default:
        return map;
    }
}

void merge_distribution_overlay(RgbImage& map, const RgbImage& overlay) {
    const int width = std::min(map.width, overlay.width), height = std::min(map.height, overlay.height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            map.set_pixel(x, y, merged_pixel(map.pixel(x, y), overlay.pixel(x, y), x, y));
}

void draw_locality_marker(RgbImage& image, int x, int y, int scale) {
    scale = std::max(scale, 1);
    // A marker wholly outside the image draws nothing; one that touches it keeps x + 3 within int.
    const long long columns = (static_cast<long long>(image.width) + scale - 1) / scale;
    const long long rows = (static_cast<long long>(image.height) + scale - 1) / scale;
    if (x < -3LL || y < -3LL || x - 3LL >= columns || y - 3LL >= rows) return;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            if (std::abs(dx) == 2 && std::abs(dy) == 2) continue;
            for_block(image, x + dx, y + dy, scale,
                      [&](int px, int py) { image.set_pixel(px, py, map_colour::red); });
        }
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx) {
            if (std::abs(dx) + std::abs(dy) >= 6) continue;
            for_block(image, x + dx, y + dy, scale, [&](int px, int py) {
                if (!is_red(image.pixel(px, py))) image.set_pixel(px, py, map_colour::white);
            });
        }
}

std::optional<MapRect> mask_rectangle(const DATA_Tmap_data& map, const std::string& map_name,
                                      const std::array<double, 4>& bounds, std::string& message) {
    const MapPoint a = map.project_exact({bounds[0], bounds[1]});
    const MapPoint b = map.project_exact({bounds[2], bounds[3]});
    const bool finite = std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(b.x) && std::isfinite(b.y);
    const double left = std::round(std::min(a.x, b.x)), right = std::round(std::max(a.x, b.x));
    const double top = std::round(std::min(a.y, b.y)), bottom = std::round(std::max(a.y, b.y));
    if (!finite || right - left < 1 || bottom - top < 1 || right - left > mask_pixel_limit ||
        bottom - top > mask_pixel_limit || std::abs(left) > mask_pixel_limit ||
        std::abs(top) > mask_pixel_limit) {
        message = "The bounds of the distribution map \"" + map_name +
                  "\" in mapsdata.txt give no usable rectangle on the map " + map.resource_name +
                  "; its distribution is not shown.";
        return std::nullopt;
    }
    return MapRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                   static_cast<int>(bottom - top)};
}

MapView choose_map_view(const Tspecies* species, const Tlocality* locality) {
    MapView view;
    view.has_distribution_map = species && (species->map_count >= 1 || species->map_flag);
    const bool whole_region_distribution =
        view.has_distribution_map && (species->map_count == 0 || !species->map_slot[1].is_mask);
    view.map = whole_region_distribution ? &whole_region_map()
                                         : &map_for_country(locality ? locality->country : std::string());
    if (locality) view.position = locality_position(*locality);
    if (view.position) {
        view.pixel = view.map->project(*view.position);
        view.marked = view.map->on_map(view.pixel);
    }
    return view;
}

std::string distribution_file(const Tspecies& species, int slot, const std::string& base_directory) {
    return species_media_path(species, base_directory + "distmaps/", "-" + std::to_string(slot) + ".bmp");
}

bool draw_distribution(RgbImage& base, const MapView& view, const Tspecies& species,
                       const std::string& base_directory) {
    if (!view.has_distribution_map || !view.map) return false;
    bool drawn = false;
    const int slots = std::clamp(species.map_count, 0, 2);
    if (slots == 0 || !species.map_slot[1].is_mask) {
        if (const auto flat = load_distribution(distribution_file(species, 1, base_directory))) {
            stretch_nearest(*flat, base, {0, 0, flat->width, flat->height});
            drawn = true;
        }
    }
    for (int slot = 1; slot <= slots; ++slot) {
        const TMapSlot& entry = species.map_slot[static_cast<std::size_t>(slot)];
        if (!entry.is_mask || !entry.map) continue;
        std::string message;
        const auto rect = mask_rectangle(*view.map, entry.map->name, entry.map->bounds, message);
        if (!rect) {
            show_message(message, mb::icon_error);
            continue;
        }
        const auto mask = load_distribution(distribution_file(species, slot, base_directory));
        if (!mask) continue;
        RgbImage overlay(base.width, base.height, map_colour::white);
        stretch_nearest(*mask, overlay, *rect);
        merge_distribution_overlay(base, overlay);
        drawn = true;
    }
    return drawn;
}

RgbImage map_bitmap(const RgbImage& image, const DATA_Tmap_data& map, std::uint32_t background, int scale) {
    scale = std::max(scale, 1);
    const int width = (map.left_margin + map.image_width + map.right_margin) * scale;
    RgbImage result(width, map.image_height * scale, background);
    stretch_nearest(image, result, {map.left_margin * scale, 0, image.width, image.height});
    return result;
}

bool marker_hit(int dx, int dy) { return std::abs(dx) < 3 && dx * dx + dy * dy < 7; }

int hit_marker(const std::vector<std::optional<MapPixel>>& markers, int x, int y) {
    for (std::size_t i = 0; i < markers.size(); ++i) {
        if (!markers[i]) continue;
        const long dx = static_cast<long>(x) - markers[i]->x, dy = static_cast<long>(y) - markers[i]->y;
        if (std::abs(dx) < 3 && std::abs(dy) < 3 && marker_hit(static_cast<int>(dx), static_cast<int>(dy)))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace morvelin
