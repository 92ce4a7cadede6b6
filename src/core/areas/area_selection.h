#pragma once
// The state of an area selection frame on plain pixels: the map image the user clicks, one selected
// flag per area, and the flood fills that colour every region of an area. The frame widget only shows
// the pixels and passes clicks in image coordinates.

#include "core/areas/area.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace morvelin {

// An RGB32 image: one 0xffRRGGBB word per pixel, rows top to bottom. Only the colour bits count.
struct MapPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    std::uint32_t colour(int x, int y) const { return pixels[index(x, y)] & 0xffffffu; }
    void set(int x, int y, std::uint32_t rgb) { pixels[index(x, y)] = 0xff000000u | (rgb & 0xffffffu); }

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
};

// Colours of the selection map (0xRRGGBB).
namespace area_colour {
constexpr std::uint32_t white = 0xffffff;      // not selected
constexpr std::uint32_t green = 0x00ff00;      // selected
constexpr std::uint32_t grey = 0xc8c8c8;       // not selected, alternate pair
constexpr std::uint32_t green_blue = 0x3ba887; // selected, alternate pair
} // namespace area_colour

// Fills the 4-connected surface of colour `replaced` that holds (x, y) with `target`. Returns the
// number of pixels filled: none when the point is outside the image or has another colour.
int flood_fill(MapPixels& image, int x, int y, std::uint32_t target, std::uint32_t replaced);

class AreaSelectionMap {
public:
    // scheme: a set of the scheme, copied (which areas are offered and their colour pairs; its flags
    // are not used). map: the scheme's map image as loaded.
    AreaSelectionMap(const TArea& scheme, MapPixels map);

    // The flags become the selected state and the initial selection, and the map is drawn again. A
    // count that is not the scheme's is a programming error: it is shown and the state kept.
    bool take_flags(const std::vector<bool>& flags);
    std::vector<bool> flags() const { return selected_; }
    bool any_selected() const;
    // The selection differs from the one taken last.
    bool changed() const { return selected_ != initial_; }

    // The map as loaded, with every offered area drawn in its state.
    void repaint();
    // A click on the image: the surface under the point changes colour, and every offered area whose
    // seed points now disagree with its state flips and is drawn again (all its regions follow).
    void click(int x, int y);
    // Every offered area takes the state; areas not offered keep theirs.
    void set_all(bool selected);

    const MapPixels& pixels() const { return image_; }
    int count() const { return static_cast<int>(selected_.size()); }

private:
    void draw(int area);
    bool seed_disagrees(int area) const;

    std::unique_ptr<TArea> scheme_;
    MapPixels map_;
    MapPixels image_;
    std::vector<bool> selected_;
    std::vector<bool> initial_;
};

} // namespace morvelin
