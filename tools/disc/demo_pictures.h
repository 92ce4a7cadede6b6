#pragma once
// Pictures of the demo disc, all drawn here: photos (big_pict/, JPEG, some stored scrambled),
// thumbnails (smalpict/), distribution maps (distmaps/: plain and RLE8 bitmaps, LZW containers, mask
// maps with red and blue ranges) and the site description pages (localities/).
// Drawing needs a QGuiApplication (fonts); ensure_gui_application() makes an offscreen one if the
// process has none.

#include "demo_sources.h"

#include <QImage>

#include <string>

namespace morvelin::demo {

void ensure_gui_application();

// A drawn "photo": a stylised bird in the species' colours on its habitat, or the nest or habitat
// alone for those poses. With a caption the picture says what it is and that it is a drawing.
QImage draw_picture(const Content& content, const Species& species, const std::string& pose, int width,
                    int height, std::uint32_t seed, bool caption);

// The pixel on SAROVAN_MAP_BITMAP of a position, by the map's corner projection (rounded).
void project_on_region_map(double longitude, double latitude, int& x, int& y);

// resources: the repository's resources/ folder (region map and its area labels).
bool write_pictures(const Content& content, const std::string& root, const std::string& demo_folder,
                    const std::string& resources, std::string& error);

} // namespace morvelin::demo
