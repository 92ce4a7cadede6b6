#include "ui/pictures/small_pictures.h"

#include "core/data/data_loader.h"
#include "core/foundation/environment.h"
#include "core/foundation/scrambled_stream.h"
#include "core/pictures/photos.h"
#include "ui/display/show_strings.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>

namespace morvelin {

namespace {

// What a species record keeps of its thumbnail: a weak reference, so the lines that show it own it.
struct SharedSmallPicture : SmallPicture {
    std::weak_ptr<const QImage> image;
};

// The data set's own record, whose cache fields may change (the records are handed out read-only).
Tspecies* cache_record(const Tspecies& species) {
    Tspecies* record = data_set().find_species(species.unique_id);
    return record == &species ? record : nullptr;
}

class SmallPictureLine : public TextPicture {
public:
    explicit SmallPictureLine(std::shared_ptr<const QImage> image) : image_(std::move(image)) {}
    QSize size() const override { return image_->size(); }
    void draw(QPainter& painter, QPoint top_left) const override {
        DrawSmallPicture(painter, *image_, top_left);
    }
    std::unique_ptr<TextPicture> clone() const override { return std::make_unique<SmallPictureLine>(image_); }

private:
    std::shared_ptr<const QImage> image_;
};

} // namespace

QImage decode_jpeg(const Bytes& bytes) {
    if (bytes.empty()) return {};
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAllocationLimit(picture_allocation_limit_mb);
    QImage image = reader.read();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return {};
    return image;
}

QImage load_big_picture(const std::string& path) {
    TOptionallyScrambleMemoryStream stream;
    if (!stream.load_from_file(path)) return {};
    return decode_jpeg(stream.data());
}

std::shared_ptr<const QImage> LoadSmallPicture(const Tspecies& species) {
    Tspecies* record = cache_record(species);
    auto* cached = record ? dynamic_cast<SharedSmallPicture*>(record->small_picture.get()) : nullptr;
    if (cached)
        if (auto image = cached->image.lock()) return image;
    if (species.small_picture_missing) return nullptr;
    const MediaFile file = find_small_picture_file(species, environment().base_directory);
    QImage decoded;
    if (file.found()) {
        const auto bytes = read_byte_file(file.path);
        if (bytes) decoded = decode_jpeg(*bytes);
    }
    if (decoded.isNull()) {
        if (record) record->small_picture_missing = true;
        return nullptr;
    }
    auto image = std::make_shared<const QImage>(std::move(decoded));
    if (record) {
        auto holder = std::make_unique<SharedSmallPicture>();
        holder->image = image;
        record->small_picture = std::move(holder);
    }
    return image;
}

bool has_small_picture(const Tspecies& species) {
    if (species.small_picture_missing) return false;
    if (const Tspecies* record = cache_record(species)) {
        const auto* cached = dynamic_cast<const SharedSmallPicture*>(record->small_picture.get());
        if (cached && !cached->image.expired()) return true;
    }
    if (find_small_picture_file(species, environment().base_directory).found()) return true;
    if (Tspecies* record = cache_record(species)) record->small_picture_missing = true;
    return false;
}

void DrawSmallPicture(QPainter& painter, const QImage& picture, QPoint top_left) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(top_left, picture.size()), picture);
    painter.restore();
}

bool IsPointInSmallPicture(const QImage& picture, QPoint origin, int x, int y) {
    if (picture.isNull()) return false;
    const int dx = x - origin.x(), dy = y - origin.y();
    return dx >= 0 && dx <= picture.width() && dy >= 0 && dy <= picture.height();
}

std::unique_ptr<TextPicture> small_picture_line(const Tspecies& species) {
    auto image = LoadSmallPicture(species);
    if (!image) return nullptr;
    return std::make_unique<SmallPictureLine>(std::move(image));
}

void install_small_pictures() {
    set_text_picture_test([](const Tspecies& species) { return has_small_picture(species); });
    set_text_picture_factory(small_picture_line);
}

void uninstall_small_pictures() {
    set_text_picture_factory(nullptr);
    set_text_picture_test(nullptr);
}

QPixmap small_picture_pixmap(const Tspecies& species, QSize size, qreal pixel_ratio) {
    const auto thumbnail = LoadSmallPicture(species);
    if (!thumbnail) return {};
    QPixmap pixmap =
        QPixmap::fromImage(thumbnail->scaled(size * pixel_ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(pixel_ratio);
    return pixmap;
}

} // namespace morvelin
