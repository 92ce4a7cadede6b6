#include "ui/foundation/bitmap_drawing.h"

#include "core/foundation/bitmap.h"

#include <QFile>
#include <QPainter>

#include <cstring>

namespace morvelin {

QImage image_from_bitmap_block(const std::uint8_t* block, std::size_t size) {
    if (!block) return {};
    Bytes expanded;
    const std::uint8_t* dib = block;
    std::size_t dib_size = size;
    if (packed_dib_start(block, size) > 0) {
        // A file inside the block: let the loader honour its pixel offset and expand its runs. The file
        // starts after the compressed reader's "C" "F"; a block too short for its file header has none.
        const std::size_t file_start = block[0] == 'C' ? 2 : 0;
        if (size < file_start + bitmap::file_header_size) return {};
        LoadedBitmap loaded = load_bitmap_from_memory(block + file_start, size - file_start, "bitmap", false);
        if (loaded.dib.empty()) return {};
        expanded = std::move(loaded.dib);
        dib = expanded.data();
        dib_size = expanded.size();
    } else if (auto layout = parse_dib_header(block, size);
               layout && layout->compression == bitmap::bi_rle8) {
        expanded.assign(block, block + layout->pixel_offset());
        Bytes rows = expand_rle8(block + layout->pixel_offset(), size - layout->pixel_offset(),
                                 static_cast<std::size_t>(layout->width), layout->rows());
        expanded.insert(expanded.end(), rows.begin(), rows.end());
        std::memset(expanded.data() + 16, 0, 4); // compression: none (bitmap::bi_rgb)
        dib = expanded.data();
        dib_size = expanded.size();
    }
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels = packed_dib_to_rgb32(dib, dib_size, width, height);
    if (pixels.empty()) return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels.data() + static_cast<std::size_t>(y) * width,
                    static_cast<std::size_t>(width) * 4);
    return image;
}

void draw_bitmap_image(QPainter& painter, int left, int top, const QImage& image, bool mask_mode, int width,
                       int height) {
    if (image.isNull()) return;
    QRect target(left, top, width > 0 && height > 0 ? width : image.width(),
                 width > 0 && height > 0 ? height : image.height());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (mask_mode) painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.drawImage(target, image);
    painter.restore();
}

bool draw_bitmap(QPainter& painter, int left, int top, const std::uint8_t* block, std::size_t size,
                 bool mask_mode, int width, int height) {
    QImage image = image_from_bitmap_block(block, size);
    if (image.isNull()) return false;
    draw_bitmap_image(painter, left, top, image, mask_mode, width, height);
    return true;
}

std::optional<QImage> load_jpeg_image(const QString& path) {
    QImage image;
    if (!image.load(path, "JPEG")) return std::nullopt;
    return image;
}

std::optional<QImage> load_jpeg_resource(const QString& name, qreal device_pixel_ratio) {
    const QString path = QStringLiteral(":/jpeg/") + name;
    if (device_pixel_ratio > 1.0 && QFile::exists(path + QStringLiteral("@2x"))) {
        if (std::optional<QImage> twin = load_jpeg_image(path + QStringLiteral("@2x"))) {
            twin->setDevicePixelRatio(2.0);
            return twin;
        }
    }
    return load_jpeg_image(path);
}

} // namespace morvelin
