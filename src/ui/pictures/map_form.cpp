#include "ui/pictures/map_form.h"

#include "core/data/data_loader.h"
#include "core/data/data_texts.h"
#include "core/data/records.h"
#include "core/foundation/base_directory.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "core/pictures/site_description.h"
#include "ui/display/text_drawing.h"
#include "ui/foundation/bitmap_drawing.h"
#include "ui/foundation/program_fonts.h"
#include "ui/foundation/qt_text.h"
#include "ui/windows/web_browser_form.h"
#include "ui/windows/window_registry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <map>
#include <utility>

namespace morvelin {

namespace {

// Lines 1 to 3 of QM_MAPWN label the distribution, region and locality; 11 and 12 make the
// site-description mark.
const std::vector<std::string>& map_window_texts() {
    static const std::vector<std::string> lines = texts("QM_MAPWN", 11);
    return lines;
}
std::string map_window_text(int line) {
    const auto& lines = map_window_texts();
    return line >= 1 && static_cast<std::size_t>(line) <= lines.size()
               ? lines[static_cast<std::size_t>(line - 1)]
               : std::string();
}

constexpr FontRef legend_font{};
constexpr int frame_width = 4;

int title_height(const QWidget* widget) {
    return widget->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, widget);
}

int text_width(std::string_view text) {
    const TextLayout layout = layout_markup(text, legend_font);
    return layout.line_widths.empty()
               ? 0
               : *std::max_element(layout.line_widths.begin(), layout.line_widths.end());
}

QString local_path(const std::string& native_base, const std::string& cp1252_rest) {
    return qt_path(native_base) + qt_text(cp1252_rest);
}

} // namespace

RgbImage rgb_image(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    RgbImage result(rgb.width(), rgb.height(), 0);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            result.set_pixel(x, y, line[x] | 0xFF000000u);
    }
    return result;
}

QImage qimage(const RgbImage& image) {
    QImage result(image.width, image.height, QImage::Format_RGB32);
    for (int y = 0; y < image.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < image.width; ++x)
            line[x] = image.pixel(x, y);
    }
    return result;
}

RgbImage load_map_image(const DATA_Tmap_data& map, int wanted_scale, int& scale) {
    // Decoded once per map and scale: every request of a map window starts from one of them.
    struct Decoded {
        RgbImage image;
        int scale = 1;
    };
    static std::map<std::pair<const DATA_Tmap_data*, int>, Decoded> decoded;
    const auto key = std::make_pair(&map, wanted_scale);
    if (const auto it = decoded.find(key); it != decoded.end()) {
        scale = it->second.scale;
        return it->second.image;
    }
    const QString name = QString::fromLatin1(map.resource_name);
    std::optional<QImage> image;
    if (map.is_jpeg)
        image = load_jpeg_resource(name, wanted_scale);
    else
        image = QImage(QStringLiteral(":/bitmaps/") + name);
    // A missing resource gives a blank map rather than no window; it is not remembered.
    if (!image || image->isNull()) {
        scale = 1;
        return RgbImage(map.image_width, map.image_height, map_colour::white);
    }
    Decoded& entry = decoded[key];
    entry.scale = std::max(1, qRound(image->devicePixelRatio()));
    entry.image = rgb_image(*image);
    scale = entry.scale;
    return entry.image;
}

bool open_site_description(QWidget* owner, const Tlocality& locality) {
    if (locality.text_7.empty()) return false;
    QString file;
    SiteDescriptionPage page;
    for (;;) {
        const std::string base = environment().base_directory;
        page = site_description_page(locality, base);
        file = local_path(base, page.file.substr(base.size()));
        if (QFileInfo(file).isFile()) break;
        if (!select_base_directory()) return false;
    }
    if (owner) owner->activateWindow();
    QUrl address = QUrl::fromLocalFile(file);
    if (!page.anchor.empty()) address.setFragment(qt_text(page.anchor));
    if (open_web_address(owner, address)) return true;
    show_message("No program was found to show \"" + page.file + "\".", mb::icon_error);
    return false;
}

WindowFactory map_window_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest& request) { return request.species || request.locality; };
    factory.create = [](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        return new TMapForm(request.owner ? request.owner->window() : nullptr);
    };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        auto& form = static_cast<TMapForm&>(window);
        // A photo's locality comes with the photo window's caption.
        const std::string caption = !request.text.isEmpty() ? disc_text(request.text)
                                    : request.species      ? request.species->vernacular_name
                                                           : std::string();
        form.set_up(request.species, request.locality, false, caption);
        form.show();
        form.raise();
        form.activateWindow();
    };
    return factory;
}

// ---------------------------------------------------------------- TMapForm

TMapForm::TMapForm(QWidget* owner)
    : TFormWithUnderlinedItems(owner, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("MapForm"));
    setFont(TShowFonts::instance().font(legend_font));
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Base));
    setPalette(p);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    ok_button_ = new QPushButton(QStringLiteral("OK"), this);
    ok_button_->setObjectName(QStringLiteral("OK_Button"));
    ok_button_->setDefault(true);
    ok_button_->installEventFilter(this);
    connect(ok_button_, &QPushButton::clicked, this, &QWidget::close);

    vertical_ = new QScrollBar(Qt::Vertical, this);
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    vertical_->hide();
    horizontal_->hide();
    for (QScrollBar* bar : {vertical_, horizontal_})
        connect(bar, &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(scroll_timer_ms);
    connect(timer_, &QTimer::timeout, this, &TMapForm::timer_fired);
}

TMapForm::~TMapForm() = default;

void TMapForm::set_up(const Tspecies* species, const Tlocality* locality, bool free_on_close,
                      const std::string& caption_text) {
    const MapView view = choose_map_view(species, locality);
    set_up_with_map(*view.map, species, locality, free_on_close, caption_text);
}

void TMapForm::set_up_with_map(const DATA_Tmap_data& map, const Tspecies* species, const Tlocality* locality,
                               bool free_on_close, const std::string& caption_text) {
    timer_->stop();
    species_ = species;
    locality_ = locality;
    free_on_close_ = free_on_close;
    setAttribute(Qt::WA_DeleteOnClose, free_on_close);
    view_ = choose_map_view(species, locality);
    if (view_.map != &map) {
        view_.map = &map;
        if (view_.position) {
            view_.pixel = map.project(*view_.position);
            view_.marked = map.on_map(view_.pixel);
        }
    }

    std::string caption = view_.has_distribution_map ? caption_text : std::string();
    if (locality) {
        if (!caption.empty()) caption += ", ";
        caption += locality->name;
    }
    if (!caption.empty()) setWindowTitle(qt_text(caption));

    size_and_place();
    build_picture();

    const bool big = frameGeometry().height() >= 0.95 * work_area().height() ||
                     height() + title_height(this) + 2 * frame_width >= 0.95 * work_area().height();
    setWindowState(big ? Qt::WindowMaximized : Qt::WindowNoState);

    painting_suspended_ = false;
    if (vertical_->isVisibleTo(this) && !legend_.empty()) {
        painting_suspended_ = true;
        timer_->start();
    }
    update();
}

void TMapForm::build_legend(int width) {
    legend_.clear();
    auto add = [&](std::string label, const std::string& text) {
        const int available = std::max(40, width - 10 - text_width(label));
        LegendLine line{std::move(label), wrap_markup(text, legend_font, available), 1};
        line.lines = markup_line_count(line.text);
        legend_.push_back(std::move(line));
    };
    if (species_ && !species_->text_4.empty()) add(map_window_text(1), species_->text_4);
    if (locality_) {
        std::string name = locality_->name;
        if (!locality_->text_7.empty())
            name += "   (" + map_window_text(11) + " " + std::string(1, markup::link) + map_window_text(12) +
                    std::string(1, markup::link) + ")";
        add(map_window_text(3), name);
        add(map_window_text(2), locality_->region);
        if (view_.position && data_set_loaded()) add(std::string(), coordinate_text(*locality_, data_set()));
    }
    const int line_height = TShowFonts::instance().line_height();
    legend_height_ = 0;
    for (const LegendLine& line : legend_)
        legend_height_ += line.lines * line_height;
    if (!legend_.empty()) legend_height_ += 6;
}

void TMapForm::size_and_place() {
    const DATA_Tmap_data& map = *view_.map;
    const QRect area = work_area();
    const int max_width = area.width() - 2 * frame_width;
    const int max_height = area.height() - 2 * frame_width - title_height(this);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);

    map_height_ = map.top_margin + map.image_height + map.bottom_margin - 1 +
                  (view_.has_distribution_map && locality_ ? 7 : 0);
    content_width_ = map.left_margin + map.image_width + map.right_margin;
    build_legend(std::min(content_width_, max_width));
    content_height_ = map_height_ + legend_height_;

    // The map first; then legend lines while they fit.
    int client_height = std::min(map_height_, max_height);
    if (map_height_ <= max_height) {
        const int line_height = TShowFonts::instance().line_height();
        int added = legend_.empty() ? 0 : 6;
        for (const LegendLine& line : legend_)
            for (int i = 0; i < line.lines && client_height + added + line_height <= max_height; ++i)
                added += line_height;
        client_height = std::min(max_height, client_height + added);
    }
    const bool needs_vertical = content_height_ > client_height;
    const bool needs_horizontal = content_width_ + (needs_vertical ? bar : 0) > max_width;
    const int client_width = std::min(content_width_ + (needs_vertical ? bar : 0), max_width);
    if (needs_horizontal) client_height = std::min(client_height + bar, max_height);
    vertical_->setVisible(needs_vertical);
    horizontal_->setVisible(needs_horizontal);
    vertical_->setValue(0);
    horizontal_->setValue(0);

    setWindowState(Qt::WindowNoState);
    resize(client_width, client_height);
    const int outer_width = client_width + 2 * frame_width;
    move(std::max(area.left(), area.right() + 1 - outer_width), area.top());
    layout_children();
}

void TMapForm::layout_children() {
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int visible_width = width() - (vertical_->isVisibleTo(this) ? bar : 0);
    const int visible_height = height() - (horizontal_->isVisibleTo(this) ? bar : 0);
    const int step = TShowFonts::instance().line_height();
    vertical_->setGeometry(visible_width, 0, bar, visible_height);
    vertical_->setRange(0, std::max(0, content_height_ - visible_height));
    vertical_->setPageStep(visible_height);
    vertical_->setSingleStep(step);
    horizontal_->setGeometry(0, visible_height, visible_width, bar);
    horizontal_->setRange(0, std::max(0, content_width_ - visible_width));
    horizontal_->setPageStep(visible_width);
    horizontal_->setSingleStep(step);
    ok_button_->adjustSize();
    ok_button_->move(visible_width - 10 - ok_button_->width(), 10);
}

void TMapForm::build_picture() {
    const DATA_Tmap_data& map = *view_.map;
    const int wanted = devicePixelRatioF() >= 1.5 ? 2 : 1;
    int scale = 1;
    RgbImage image = load_map_image(map, 1, scale);
    const bool overlay = species_ && draw_distribution(image, view_, *species_, environment().base_directory);
    if (wanted > 1) {
        int twin_scale = 1;
        RgbImage twin = overlay ? RgbImage() : load_map_image(map, wanted, twin_scale);
        image = twin_scale == wanted ? std::move(twin) : scaled_nearest(image, wanted);
    }
    scale_ = wanted;
    unmarked_ = morvelin::map_bitmap(image, map, palette().color(QPalette::Base).rgb(), scale_);
    std::vector<MapPixel> markers;
    if (view_.marked) markers.push_back(bitmap_pixel(map, view_.pixel));
    draw_markers_into_picture(markers);
}

void TMapForm::draw_markers_into_picture(const std::vector<MapPixel>& bitmap_pixels) {
    RgbImage marked = unmarked_;
    for (const MapPixel& p : bitmap_pixels)
        draw_locality_marker(marked, p.x, p.y, scale_);
    picture_ = qimage(marked);
    picture_.setDevicePixelRatio(scale_);
    update();
}

QPoint TMapForm::map_origin() const {
    int x = 0;
    if (isMaximized()) {
        const int visible = width() - (vertical_->isVisibleTo(this) ? vertical_->width() : 0);
        x = std::max(0, (visible - content_width_) / 2);
    }
    return {x, view_.map ? view_.map->top_margin : 0};
}

int TMapForm::vertical_scroll_position() const {
    return vertical_->isVisibleTo(this) ? vertical_->value() : 0;
}
int TMapForm::horizontal_scroll_position() const {
    return horizontal_->isVisibleTo(this) ? horizontal_->value() : 0;
}

QPoint TMapForm::to_content(QPoint point) const {
    return point + QPoint(horizontal_scroll_position(), vertical_scroll_position());
}

bool TMapForm::point_on_underlined_item(int x, int y) const {
    return TFormWithUnderlinedItems::point_on_underlined_item(x + horizontal_scroll_position(), y);
}

void TMapForm::paintEvent(QPaintEvent*) {
    if (painting_suspended_ || !view_.map) return;
    QPainter painter(this);
    painter.translate(-horizontal_scroll_position(), -vertical_scroll_position());
    painter.drawImage(map_origin(), picture_);
    clear_underlines();
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const int line_height = TShowFonts::instance().line_height();
    const int descent = TShowFonts::instance().metrics(legend_font).descent();
    int row = map_height_ + 3;
    for (const LegendLine& line : legend_) {
        const int baseline = row + line_height - descent;
        draw_marked_text(painter, 5, baseline, line_height, line.label);
        draw_marked_text(painter, 5 + text_width(line.label), baseline, line_height, line.text);
        row += line.lines * line_height;
    }
}

bool TMapForm::handle_key(int key, Qt::KeyboardModifiers modifiers) {
    // Only a shown bar scrolls: its range then exceeds the client size.
    auto scroll = [this](QScrollBar* bar, int steps) {
        if (bar->isVisibleTo(this)) bar->setValue(bar->value() + steps * bar->singleStep());
    };
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Escape:
        close();
        return true;
    case Qt::Key_Up:
        scroll(vertical_, -1);
        return true;
    case Qt::Key_Down:
        scroll(vertical_, 1);
        return true;
    case Qt::Key_PageUp:
        scroll(vertical_, -10);
        return true;
    case Qt::Key_PageDown:
        scroll(vertical_, 10);
        return true;
    case Qt::Key_Left:
        scroll(horizontal_, -1);
        return true;
    case Qt::Key_Right:
        scroll(horizontal_, 1);
        return true;
    case Qt::Key_H:
        if (!ctrl) return false;
        if (locality_ && !locality_->text_7.empty()) {
            QWidget* main = parentWidget() ? parentWidget()->window() : this;
            open_site_description(main, *locality_);
        }
        return true;
    default:
        return false;
    }
}

bool TMapForm::eventFilter(QObject* watched, QEvent* event) {
    // Key preview: the window's keys act while the OK button has the focus.
    if (watched == ok_button_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && key->key() != Qt::Key_Space &&
            handle_key(key->key(), key->modifiers()))
            return true;
    }
    return TFormWithUnderlinedItems::eventFilter(watched, event);
}

void TMapForm::keyPressEvent(QKeyEvent* event) {
    if (!handle_key(event->key(), event->modifiers())) TFormWithUnderlinedItems::keyPressEvent(event);
}

void TMapForm::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && locality_ && !locality_->text_7.empty() &&
        point_on_underlined_item(p.x(), p.y() + vertical_scroll_position())) {
        open_site_description(parentWidget() ? parentWidget() : this, *locality_);
        return;
    }
    TFormWithUnderlinedItems::mousePressEvent(event);
}

void TMapForm::wheelEvent(QWheelEvent* event) {
    if (!vertical_->isVisibleTo(this)) return TFormWithUnderlinedItems::wheelEvent(event);
    const int steps = event->angleDelta().y() / 120;
    vertical_->setValue(vertical_->value() - 3 * steps * vertical_->singleStep());
    event->accept();
}

void TMapForm::resizeEvent(QResizeEvent* event) {
    TFormWithUnderlinedItems::resizeEvent(event);
    layout_children();
}

void TMapForm::closeEvent(QCloseEvent* event) {
    timer_->stop();
    painting_suspended_ = false;
    unmarked_ = RgbImage();
    picture_ = QImage();
    setWindowState(Qt::WindowNoState);
    TFormWithUnderlinedItems::closeEvent(event);
}

void TMapForm::timer_fired() {
    timer_->stop();
    vertical_->setValue(vertical_->maximum());
    painting_suspended_ = false;
    update();
}

} // namespace morvelin
