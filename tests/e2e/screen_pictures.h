#pragma once
// Reading the program's state from screenshots: where its bitmaps (fold boxes, sound-bar buttons)
// stand, whether a region holds anything, which rows carry the selection colour.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <algorithm>
#include <string>
#include <vector>

namespace morvelin::e2e {

// One of the program's bitmap resources as it appears on screen. The program draws them unscaled and
// masked (each pixel ANDed with the background), so on a white background every pixel that is not
// white shows exactly; white and transparent pixels let the background through and are not compared.
class Sprite {
public:
    explicit Sprite(const std::string& png) {
        const QImage image = QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_ARGB32);
        size_ = image.size();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 255 && (pixel & 0xFFFFFF) != 0xFFFFFF)
                    pixels_.push_back({QPoint(x, y), pixel});
            }
    }
    bool loaded() const { return !pixels_.empty(); }
    QSize size() const { return size_; }

    // The top left corners of every exact occurrence inside the area, top to bottom, left to right.
    std::vector<QPoint> find(const QImage& screen, QRect area) const {
        std::vector<QPoint> found;
        if (pixels_.empty() || screen.isNull()) return found;
        area = area.intersected(screen.rect());
        for (int y = area.top(); y + size_.height() <= area.bottom() + 1; ++y)
            for (int x = area.left(); x + size_.width() <= area.right() + 1; ++x)
                if (matches(screen, x, y)) found.emplace_back(x, y);
        return found;
    }

    bool at(const QImage& screen, QPoint corner) const {
        return corner.x() >= 0 && corner.y() >= 0 && corner.x() + size_.width() <= screen.width() &&
               corner.y() + size_.height() <= screen.height() && matches(screen, corner.x(), corner.y());
    }

private:
    struct Pixel {
        QPoint at;
        QRgb colour;
    };
    bool matches(const QImage& screen, int x, int y) const {
        for (const Pixel& p : pixels_) {
            const auto* row = reinterpret_cast<const QRgb*>(screen.constScanLine(y + p.at.y()));
            if (((row[x + p.at.x()] ^ p.colour) & 0xFFFFFF) != 0) return false;
        }
        return true;
    }

    QSize size_;
    std::vector<Pixel> pixels_;
};

// Pixels of the area darker than mid grey: text and lines rather than an empty background.
inline int dark_pixels(const QImage& screen, QRect area) {
    int count = 0;
    area = area.intersected(screen.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(screen.pixel(x, y)) < 128) ++count;
    return count;
}

// The rows of the area holding at least min_count pixels of exactly the colour.
inline std::vector<int> rows_with_colour(const QImage& screen, QRect area, QRgb colour, int min_count = 10) {
    std::vector<int> rows;
    area = area.intersected(screen.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int count = 0;
        for (int x = area.left(); x <= area.right(); ++x)
            if (((screen.pixel(x, y) ^ colour) & 0xFFFFFF) == 0) ++count;
        if (count >= min_count) rows.push_back(y);
    }
    return rows;
}

} // namespace morvelin::e2e
