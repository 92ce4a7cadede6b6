#pragma once
// Drawing the packed bitmaps of the map loader, and the program's JPEG resources.

#include "core/foundation/byte_files.h"

#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

class QPainter;

namespace morvelin {

// The image of a bitmap block: a packed device-independent bitmap, a bitmap file, or the compressed
// reader's block ("C", "F", bitmap file). Run-length encoding is expanded. A null image when the block
// holds nothing drawable.
QImage image_from_bitmap_block(const std::uint8_t* block, std::size_t size);
inline QImage image_from_bitmap_block(const Bytes& block) {
    return image_from_bitmap_block(block.data(), block.size());
}

// Draws a bitmap block with its top left corner at (left, top), stretched to width × height, or at its
// own size when either is not positive. Stretching drops or repeats whole pixels, never blends them.
// In mask mode each result pixel is source AND destination (white leaves the destination, black
// blackens it); otherwise the source replaces the destination. False, and nothing drawn, when the
// block holds nothing drawable.
bool draw_bitmap(QPainter& painter, int left, int top, const std::uint8_t* block, std::size_t size,
                 bool mask_mode, int width = 0, int height = 0);
inline bool draw_bitmap(QPainter& painter, int left, int top, const Bytes& block, bool mask_mode,
                        int width = 0, int height = 0) {
    return draw_bitmap(painter, left, top, block.data(), block.size(), mask_mode, width, height);
}
// The same for an image already made (for bitmaps drawn often).
void draw_bitmap_image(QPainter& painter, int left, int top, const QImage& image, bool mask_mode,
                       int width = 0, int height = 0);

// The program resource ":/jpeg/<name>" as an image; no value when there is none or it is no JPEG.
// With a device pixel ratio above 1, the resource's twice-as-large twin "<name>@2x" is preferred when
// present; the image then carries ratio 2, so it covers the same logical size.
std::optional<QImage> load_jpeg_resource(const QString& name, qreal device_pixel_ratio = 1.0);
// A JPEG file or resource path as an image; no value when it cannot be read as JPEG.
std::optional<QImage> load_jpeg_image(const QString& path);

} // namespace morvelin
