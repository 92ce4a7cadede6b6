#include "ui/areas/select_area_frame.h"

#include "core/areas/sarovan_area.h"
#include "core/foundation/textfile_handler.h"
#include "ui/foundation/program_resources.h"
#include "ui/foundation/qt_text.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cstring>

namespace morvelin {

namespace {

MapPixels to_pixels(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    MapPixels out;
    out.width = rgb.width();
    out.height = rgb.height();
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y)
        std::memcpy(out.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width),
                    rgb.constScanLine(y), static_cast<std::size_t>(out.width) * 4);
    return out;
}

QImage to_image(const MapPixels& pixels) {
    // Copied, so that the image outlives the next change of the pixels.
    return QImage(reinterpret_cast<const uchar*>(pixels.pixels.data()), pixels.width, pixels.height,
                  pixels.width * 4, QImage::Format_RGB32)
        .copy();
}

} // namespace

// The map, drawn at one logical pixel per image pixel; a left click goes to the frame in image pixels.
class TFrameSelectArea::MapView final : public QWidget {
public:
    explicit MapView(TFrameSelectArea* frame) : QWidget(frame), frame_(frame) {}
    void set_image(QImage image) {
        image_ = std::move(image);
        setFixedSize(image_.size());
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(QRect(QPoint(0, 0), image_.size()), image_);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const QPointF p = event->position();
        frame_->click_map(QPoint(static_cast<int>(p.x()), static_cast<int>(p.y())));
    }

private:
    TFrameSelectArea* frame_;
    QImage image_;
};

TFrameSelectArea::TFrameSelectArea(const TArea& scheme, const QImage& map, QWidget* parent)
    : QWidget(parent), selection_(scheme, to_pixels(map)) {
    const auto lines = texts("SELECT AREA", 2);
    title_ = new QLabel(qt_text(lines[0]), this);
    title_->move(0, 0);
    title_->adjustSize();
    image_ = new MapView(this);
    image_->move(0, title_->height() + 4);
    clear_all_ = new QPushButton(lines[1].empty() ? QStringLiteral("Clear All") : qt_text(lines[1]), this);
    select_all_ = new QPushButton(lines[2].empty() ? QStringLiteral("Select All") : qt_text(lines[2]), this);
    connect(clear_all_, &QPushButton::clicked, this, &TFrameSelectArea::clear_all_click);
    connect(select_all_, &QPushButton::clicked, this, &TFrameSelectArea::select_all_click);
    selection_.repaint();
    image_->set_image(to_image(selection_.pixels()));
    const int buttons_top = image_->y() + image_->height() - 50;
    const int width = std::max(clear_all_->sizeHint().width(), select_all_->sizeHint().width());
    clear_all_->setGeometry(8, buttons_top, width, 25);
    select_all_->setGeometry(16 + width, buttons_top, width, 25);
    setFixedSize(std::max(image_->width(), title_->width()), image_->y() + image_->height());
}

TFrameSelectArea::~TFrameSelectArea() = default;

void TFrameSelectArea::take_from(const TArea& set) {
    if (selection_.take_flags(set.flags())) map_changed();
}

void TFrameSelectArea::store_in(TArea& set) const {
    set.set_flags(selection_.flags());
}

QImage TFrameSelectArea::map_image() const {
    return to_image(selection_.pixels());
}

QRect TFrameSelectArea::map_rect() const {
    return image_->geometry();
}

void TFrameSelectArea::click_map(QPoint image_point) {
    selection_.click(image_point.x(), image_point.y());
    map_changed();
}

void TFrameSelectArea::clear_all_click() {
    selection_.set_all(false);
    map_changed();
}

void TFrameSelectArea::select_all_click() {
    selection_.set_all(true);
    map_changed();
}

void TFrameSelectArea::map_changed() {
    image_->set_image(to_image(selection_.pixels()));
    emit selection_changed();
}

QImage sarovan_map_image() {
    init_program_resources();
    return QImage(QStringLiteral(":/bitmaps/SAROVAN_MAP_BITMAP")).convertToFormat(QImage::Format_RGB32);
}

TFrameSelectSarovanArea::TFrameSelectSarovanArea(const TArea& scheme, QWidget* parent)
    : TFrameSelectArea(scheme, sarovan_map_image(), parent) {}

TFrameSelectArea* create_area_frame(const TArea& set, QWidget* parent, int left_offset) {
    if (set.frame_class() != "TFrameSelectSarovanArea") return nullptr;
    auto* frame = new TFrameSelectSarovanArea(set, parent);
    const QSize room = parent ? parent->contentsRect().size() : frame->size();
    const int left = left_offset != 0 ? left_offset : std::max(0, (room.width() - frame->width()) / 2);
    frame->move(left, std::max(0, (room.height() - frame->height()) / 2));
    frame->take_from(set);
    return frame;
}

} // namespace morvelin
