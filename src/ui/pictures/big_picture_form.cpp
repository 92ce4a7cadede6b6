#include "ui/pictures/big_picture_form.h"

#include "core/data/data_set.h"
#include "core/foundation/base_directory.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/textfile_handler.h"
#include "core/settings/settings_sections.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/show_strings.h"
#include "ui/foundation/qt_text.h"
#include "ui/pictures/info_forms.h"
#include "ui/pictures/small_pictures.h"
#include "ui/windows/window_registry.h"

#include <QApplication>
#include <QColorDialog>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <optional>

namespace morvelin {

namespace {

std::string picture_text(int line) {
    return language_texts().get_line("QM_PICTURES", line);
}

QPixmap button_pixmap(const QString& resource, qreal ratio) {
    QPixmap pixmap;
    if (ratio > 1.0 && pixmap.load(resource + QStringLiteral("@2x"))) {
        pixmap.setDevicePixelRatio(2.0);
        return pixmap;
    }
    pixmap.load(resource);
    return pixmap;
}

std::optional<QColor>& background_colour_cache() {
    static std::optional<QColor> colour;
    return colour;
}

int round_int(double v) {
    return static_cast<int>(std::lround(v));
}

} // namespace

// ---------------------------------------------------------------- TBitBtn_picture

TBitBtn_picture::TBitBtn_picture(const char* resource_name, QWidget* parent)
    : QAbstractButton(parent), resource_(QStringLiteral(":/bitmaps/") + QLatin1String(resource_name)) {
    setObjectName(QLatin1String(resource_name));
    setFixedSize(20, 20);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
}

void TBitBtn_picture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap pixmap = button_pixmap(resource_, devicePixelRatioF());
    const QPoint offset = isDown() ? QPoint(1, 1) : QPoint(0, 0);
    painter.drawPixmap(QRect(offset, QSize(20, 20)), pixmap);
}

void TBitBtn_picture::keyPressEvent(QKeyEvent* event) {
    if (parentWidget()) QApplication::sendEvent(parentWidget(), event);
}

void TBitBtn_picture::keyReleaseEvent(QKeyEvent* event) {
    if (parentWidget()) QApplication::sendEvent(parentWidget(), event);
}

// ---------------------------------------------------------------- background colour

QColor pictures_background_colour() {
    auto& cached = background_colour_cache();
    if (!cached) {
        const int bgr = settings::read_general_settings().pictures_background_color;
        cached = QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    }
    return *cached;
}

void set_pictures_background_colour(const QColor& colour) {
    background_colour_cache() = colour;
    settings::GeneralSettings general = settings::read_general_settings();
    general.pictures_background_color = colour.red() | (colour.green() << 8) | (colour.blue() << 16);
    settings::write_general(&settings::GeneralSettings::pictures_background_color, general);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TBigPictureForm*>(w)) w->update();
}

// ---------------------------------------------------------------- TBigPictureForm

TBigPictureForm::TBigPictureForm(QWidget* owner, WindowRegistry* registry)
    : TForm<QWidget>(owner, Qt::Window), registry_(registry) {
    setObjectName(QStringLiteral("BigPictureForm"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(230, 150);

    static const char* const names[] = {"PREVIOUS_PICTURE_BUTTON", "NEXT_PICTURE_BUTTON", "SHRINK_BUTTON",
                                        "ENLARGE_BUTTON",          "INFORMATION_BUTTON",  "COPYRIGHT_BUTTON"};
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i] = new TBitBtn_picture(names[i], this);
        std::string hint = picture_text(static_cast<int>(i) + 3);
        if (i == information_button) hint += "   Ctrl+I";
        if (i == copyright_button) hint += "   Ctrl+C";
        buttons_[i]->setToolTip(qt_text(hint));
        buttons_[i]->hide();
    }
    buttons_[shrink_button]->offered = buttons_[enlarge_button]->offered = true;
    connect(buttons_[previous_button], &QAbstractButton::clicked, this, [this] { step(true); });
    connect(buttons_[next_button], &QAbstractButton::clicked, this, [this] { step(false); });
    connect(buttons_[shrink_button], &QAbstractButton::clicked, this, [this] { zoom(false); });
    connect(buttons_[enlarge_button], &QAbstractButton::clicked, this, [this] { zoom(true); });
    connect(buttons_[information_button], &QAbstractButton::clicked, this, [this] { show_information(); });
    connect(buttons_[copyright_button], &QAbstractButton::clicked, this, [this] { show_copyright(); });

    colour_button_ = new QPushButton(qt_text(picture_text(9)), this);
    colour_button_->setObjectName(QStringLiteral("background_color_button"));
    colour_button_->setToolTip(qt_text(picture_text(10)));
    colour_button_->setFocusPolicy(Qt::NoFocus);
    colour_button_->adjustSize();
    colour_button_->hide();
    connect(colour_button_, &QPushButton::clicked, this, &TBigPictureForm::choose_background_colour);

    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("Label_resize_factor"));
    label_->setAutoFillBackground(true);
    label_->hide();

    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    vertical_ = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {horizontal_, vertical_}) {
        bar->hide();
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setSingleStep(20);
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            remember_scroll();
            update();
        });
    }

    timer_ = new QTimer(this);
    timer_->setInterval(controls_interval_ms);
    connect(timer_, &QTimer::timeout, this, &TBigPictureForm::update_controls);

    info_form_ = new TPictureInfoForm(this);
    person_form_ = new TPersonForm(this);
    connect(info_form_, &TPictureInfoForm::locality_map_requested, this,
            [this](const Tspecies* species, const Tlocality* locality, const QString& caption) {
                if (!registry_ || !locality) return;
                WindowRequest request;
                request.kind = WindowKind::map;
                request.owner = parentWidget() ? parentWidget() : this;
                request.species = species;
                request.locality = locality;
                request.text = caption;
                registry_->open(request);
            });
    connect(person_form_, &TFormWithUnderlinedItems::web_address_requested, this,
            [this](const QString& address) {
                if (!registry_) return;
                WindowRequest request;
                request.kind = WindowKind::web;
                request.owner = this;
                request.text = address;
                registry_->open(request);
            });
}

TBigPictureForm::~TBigPictureForm() = default;

bool TBigPictureForm::maximised() const {
    return isMaximized() || isFullScreen();
}

bool TBigPictureForm::set_up(const SetUp& setup) {
    if (!setup.species) return false;
    const Tbig_picture* first = setup.first_picture ? setup.first_picture
                                                    : FindBigPicture(*setup.species, setup.subspecies_only,
                                                                     setup.subspecies, false, nullptr);
    if (!first) return false;
    for (;;) {
        const MediaFile file = find_big_picture_file(*first, environment().base_directory);
        if (file.found()) {
            const SetUp before = setup_;
            setup_ = setup;
            if (show_picture(*first, file.path)) {
                return_focus_ = setup.return_focus;
                return true;
            }
            setup_ = before;
            return false;
        }
        if (file.status == MediaFile::Status::refused || !select_base_directory()) return false;
    }
}

bool TBigPictureForm::show_found_picture(const Tbig_picture& picture, const CaptionNames& names) {
    if (!picture.species) return false;
    const MediaFile file = find_big_picture_file(picture, environment().base_directory);
    if (!file.found()) return false;
    setup_.species = picture.species;
    setup_.subspecies_only = false;
    setup_.subspecies = nullptr;
    setup_.names = names;
    setup_.show_information = false;
    setup_.no_navigation = true;
    setup_.first_picture = &picture;
    return show_picture(picture, file.path);
}

void TBigPictureForm::show_photos() {
    was_maximised_ = false;
    timer_->start();
    // Without a window manager a maximised state alone would leave the window small.
    if (QScreen* s = screen() ? screen() : QApplication::primaryScreen()) setGeometry(s->availableGeometry());
    showMaximized();
    raise();
    activateWindow();
    set_caption();
    layout_controls();
    update_controls();
}

bool TBigPictureForm::show_picture(const Tbig_picture& picture, const std::string& path) {
    QImage image = load_big_picture(path);
    if (image.isNull()) {
        show_message("Error when reading file \"" + message_text_from_path(path) +
                         "\", can not show picture.",
                     mb::icon_error);
        return false;
    }
    image_ = std::move(image);
    // At 100 % one pixel of the photo is one pixel of the screen, also where a point has several.
    image_.setDevicePixelRatio(devicePixelRatioF());
    current_ = &picture;
    file_name_ = big_picture_name(picture);
    aspect_ = static_cast<double>(picture_height()) / picture_width();
    const QSize screen_size = screen() ? screen()->geometry().size() : QSize(1024, 768);
    fits_ = 1.5 * picture_width() < screen_size.width() && 1.5 * picture_height() < screen_size.height();
    bool created = false;
    TPictureDisplayInfoClass& info = infos_.entry(file_name_, &created);
    if (created && maximised()) {
        const QSize a = available_size();
        info.factor = fitting_factor(picture_width(), picture_height(), a.width(), a.height());
    }
    factor_ = info.factor;
    if (maximised()) update_scroll_ranges(false);
    set_caption();
    set_controls_visible(false);
    layout_controls();
    update_controls();
    update();
    return true;
}

std::string TBigPictureForm::names_caption(const Tbig_picture& picture) const {
    return picture_names_caption(*setup_.species, picture.subspecies, setup_.names,
                                 language_texts().get_line("QM_SHSTR", 9),
                                 language_texts().get_line("QM_SHSTR", 12));
}

void TBigPictureForm::set_caption() {
    if (!current_) return;
    setWindowTitle(qt_text(picture_window_caption(names_caption(*current_), *current_)));
}

int TBigPictureForm::picture_width() const {
    return std::max(1, round_int(image_.deviceIndependentSize().width()));
}

int TBigPictureForm::picture_height() const {
    return std::max(1, round_int(image_.deviceIndependentSize().height()));
}

QSize TBigPictureForm::available_size() const {
    return size();
}

QRect TBigPictureForm::picture_rect() const {
    if (image_.isNull()) return {};
    const QSize a = available_size();
    const int W = a.width(), H = a.height();
    if (maximised()) {
        const double f = factor_ > 0 ? factor_ : fitting_factor(picture_width(), picture_height(), W, H);
        const int w = round_int(picture_width() * f), h = round_int(picture_height() * f);
        int left = std::max(0, (W - w) / 2), top = std::max(0, (H - h) / 2);
        if (!horizontal_->isHidden()) left -= horizontal_->value();
        if (!vertical_->isHidden()) top -= vertical_->value();
        return {left, top, w, h};
    }
    if (W <= 0 || H <= 0) return {};
    if (static_cast<double>(H) / W > aspect_) {
        const int h = round_int(W * aspect_);
        return {0, (H - h) / 2, W, h};
    }
    const int w = round_int(H / aspect_);
    return {(W - w) / 2, 0, w, H};
}

void TBigPictureForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), pictures_background_colour());
    const QRect r = picture_rect();
    if (!r.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(r, image_);
    }
}

void TBigPictureForm::update_factor_label() {
    const QRect r = picture_rect();
    if (!maximised() && !r.isEmpty()) factor_ = static_cast<double>(r.width()) / picture_width();
    const QString percent = QString::number(round_int(100 * factor_)) + QLatin1Char('%');
    if (label_->text() != percent) {
        label_->setText(percent);
        label_->adjustSize();
    }
}

bool TBigPictureForm::neighbour_offered(bool backwards) const {
    if (setup_.no_navigation || !current_ || !setup_.species) return false;
    const Tbig_picture* p =
        FindBigPicture(*setup_.species, setup_.subspecies_only, setup_.subspecies, backwards, current_);
    return p && find_big_picture_file(*p, environment().base_directory).found();
}

void TBigPictureForm::layout_controls() {
    const int R = width() - (!vertical_->isHidden() ? vertical_->width() : 0);
    const int B = height() - (!horizontal_->isHidden() ? horizontal_->height() : 0);
    const bool information = current_ && picture_has_information(*current_);
    const int i = information ? 1 : 0;
    buttons_[previous_button]->offered = neighbour_offered(true);
    buttons_[next_button]->offered = neighbour_offered(false);
    buttons_[information_button]->offered = setup_.show_information && information;
    buttons_[copyright_button]->offered = current_ && current_->copyright_holder;
    const int lefts[] = {R - 10 - (i + 7) * 25, R - 10 - (i + 6) * 25, R - 110, R - 85, R - 60, R - 35};
    for (std::size_t b = 0; b < buttons_.size(); ++b)
        buttons_[b]->move(lefts[b], B - 30);
    colour_button_->move(10, B - 10 - colour_button_->height());
    label_->move(colour_button_->geometry().right() + 11,
                 colour_button_->geometry().bottom() + 1 - label_->height());
    if (!horizontal_->isHidden()) horizontal_->setGeometry(0, B, R, horizontal_->sizeHint().height());
    if (!vertical_->isHidden()) vertical_->setGeometry(R, 0, vertical_->sizeHint().width(), B);
}

void TBigPictureForm::set_controls_visible(bool visible) {
    const QRect r = picture_rect();
    const bool colour_room = (width() - r.width()) / 3 > colour_button_->width() ||
                             (height() - r.height()) / 4 > colour_button_->height();
    for (TBitBtn_picture* b : buttons_)
        b->setVisible(visible && b->offered);
    colour_button_->setVisible(visible && colour_room);
    label_->setVisible(visible);
}

void TBigPictureForm::update_controls() {
    const bool hold = maximised() && (mouse_captured_ || !arrows_held_.empty());
    update_factor_label();
    layout_controls();
    set_controls_visible(!hold);
}

void TBigPictureForm::update_scroll_ranges(bool keep_centre) {
    if (!maximised() || image_.isNull()) {
        horizontal_->hide();
        vertical_->hide();
        return;
    }
    const QSize a = available_size();
    if (factor_ < 0) {
        factor_ = fitting_factor(picture_width(), picture_height(), a.width(), a.height());
        infos_.entry(file_name_).factor = factor_;
    }
    // The centre of the view as a fraction of each range, before the ranges change.
    const auto fraction = [](const QScrollBar* bar, int view) {
        const int range = !bar->isHidden() ? bar->maximum() + view : 10;
        return range < 100 ? 0.5 : (bar->value() + view / 2.0) / range;
    };
    const int old_view_w = width() - (!vertical_->isHidden() ? vertical_->width() : 0);
    const int old_view_h = height() - (!horizontal_->isHidden() ? horizontal_->height() : 0);
    const double fx = fraction(horizontal_, old_view_w), fy = fraction(vertical_, old_view_h);

    const int bar_w = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const ScrollRanges r =
        scroll_ranges(picture_width(), picture_height(), factor_, a.width(), a.height(), bar_w, bar_w);
    adjusting_ = true;
    horizontal_->setVisible(r.horizontal);
    vertical_->setVisible(r.vertical);
    horizontal_->setFixedHeight(bar_w);
    vertical_->setFixedWidth(bar_w);
    const int view_w = a.width() - (r.vertical ? bar_w : 0), view_h = a.height() - (r.horizontal ? bar_w : 0);
    horizontal_->setRange(0, std::max(0, r.horizontal_range - view_w));
    vertical_->setRange(0, std::max(0, r.vertical_range - view_h));
    horizontal_->setPageStep(std::max(1, view_w));
    vertical_->setPageStep(std::max(1, view_h));
    const TPictureDisplayInfoClass& info = infos_.entry(file_name_);
    if (keep_centre) {
        horizontal_->setValue(round_int(r.horizontal_range * fx - view_w / 2.0));
        vertical_->setValue(round_int(r.vertical_range * fy - view_h / 2.0));
    } else if (info.scroll_x != -1 && info.scroll_y != -1) {
        horizontal_->setValue(info.scroll_x);
        vertical_->setValue(info.scroll_y);
    } else {
        horizontal_->setValue(r.horizontal ? (r.horizontal_range - view_w) / 2 : 0);
        vertical_->setValue(r.vertical ? (r.vertical_range - view_h) / 2 : 0);
    }
    adjusting_ = false;
    layout_controls();
    remember_scroll();
}

void TBigPictureForm::remember_scroll() {
    if (adjusting_ || file_name_.empty() || !maximised()) return;
    TPictureDisplayInfoClass& info = infos_.entry(file_name_);
    info.scroll_x = !horizontal_->isHidden() ? horizontal_->value() : 0;
    info.scroll_y = !vertical_->isHidden() ? vertical_->value() : 0;
}

void TBigPictureForm::changeEvent(QEvent* event) {
    TForm<QWidget>::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    close_side_windows();
    if (maximised()) {
        if (!was_maximised_) {
            infos_.reset_all();
            factor_ = -1.0;
            was_maximised_ = true;
        }
    } else if (!isMinimized()) {
        horizontal_->hide();
        vertical_->hide();
        if (was_maximised_) {
            was_maximised_ = false;
            leave_maximised();
        }
    }
    layout_controls();
    update();
}

void TBigPictureForm::resizeEvent(QResizeEvent* event) {
    TForm<QWidget>::resizeEvent(event);
    close_side_windows();
    if (maximised()) update_scroll_ranges(false);
    layout_controls();
    update_controls();
    update();
}

void TBigPictureForm::leave_maximised() {
    if (image_.isNull()) return;
    QScreen* s = screen() ? screen() : QApplication::primaryScreen();
    if (!s) return;
    const QRect work = s->availableGeometry();
    const QRect frame = frameGeometry(), client = geometry();
    const int frame_w = std::max(0, frame.width() - client.width());
    const int frame_h = std::max(0, frame.height() - client.height());
    const PixelRect r = initial_normal_rect(picture_width(), picture_height(), fits_, s->geometry().width(),
                                            {work.left(), work.top(), work.width(), work.height()},
                                            frame.left(), frame.top(), frame_w, frame_h);
    resize(r.width, r.height);
    move(r.left, r.top);
}

void TBigPictureForm::zoom(bool enlarge) {
    if (image_.isNull()) return;
    const double f = zoomed_factor(factor_ > 0 ? factor_ : 1.0, enlarge);
    if (maximised()) {
        factor_ = f;
        infos_.entry(file_name_).factor = f;
        close_side_windows();
        set_controls_visible(false);
        update_scroll_ranges(true);
        update();
        update_controls();
        return;
    }
    QScreen* s = screen() ? screen() : QApplication::primaryScreen();
    const QRect desktop = s ? s->virtualGeometry() : QRect(0, 0, 1024, 768);
    const QRect frame = frameGeometry();
    if (enlarge && frame.width() >= desktop.width() && frame.height() >= desktop.height()) {
        showMaximized();
        return;
    }
    factor_ = f;
    const int extra_w = frame.width() - width(), extra_h = frame.height() - height();
    const int w = std::clamp(round_int(picture_width() * f), 230, std::max(230, desktop.width() - extra_w));
    const int h = std::clamp(round_int(picture_height() * f), 150, std::max(150, desktop.height() - extra_h));
    const int left = std::clamp(frame.left() + (width() - w) / 2, desktop.left(),
                                std::max(desktop.left(), desktop.right() + 1 - (w + extra_w)));
    const int top = std::clamp(frame.top() + (height() - h) / 2, desktop.top(),
                               std::max(desktop.top(), desktop.bottom() + 1 - (h + extra_h)));
    resize(w, h);
    move(left, top);
    update();
}

void TBigPictureForm::step(bool backwards) {
    if (!current_ || !setup_.species || setup_.no_navigation) return;
    const Tbig_picture* p =
        FindBigPicture(*setup_.species, setup_.subspecies_only, setup_.subspecies, backwards, current_);
    if (!p) return;
    const MediaFile file = find_big_picture_file(*p, environment().base_directory);
    if (!file.found()) return;
    close_side_windows();
    show_picture(*p, file.path);
}

void TBigPictureForm::show_information() {
    if (!current_ || !buttons_[information_button]->offered || info_form_->isVisible()) return;
    close_side_windows();
    const int R = width() - (!vertical_->isHidden() ? vertical_->width() : 0);
    const int B = height() - (!horizontal_->isHidden() ? horizontal_->height() : 0);
    info_form_->set_up(mapToGlobal(QPoint(R - 80, B - 25)),
                       picture_information_text(*current_, setup_.species->flag_e), current_->locality,
                       names_caption(*current_), setup_.species);
}

void TBigPictureForm::show_copyright() {
    if (!current_ || !current_->copyright_holder || person_form_->isVisible()) return;
    close_side_windows();
    const int R = width() - (!vertical_->isHidden() ? vertical_->width() : 0);
    const int B = height() - (!horizontal_->isHidden() ? horizontal_->height() : 0);
    person_form_->set_up(mapToGlobal(QPoint(R - 75, B - 40)), *current_->copyright_holder, true);
}

void TBigPictureForm::choose_background_colour() {
    QColorDialog::setCustomColor(0, QColor(0xEE, 0xFF, 0xFF));
    QColorDialog::setCustomColor(1, QColor(0xFF, 0xFF, 0xEE));
    const QColor current = pictures_background_colour();
    const auto chosen = dialog_port().choose_colour(
        static_cast<std::uint32_t>(current.red() | (current.green() << 8) | (current.blue() << 16)));
    if (!chosen) return;
    set_pictures_background_colour(QColor(*chosen & 0xFF, (*chosen >> 8) & 0xFF, (*chosen >> 16) & 0xFF));
}

void TBigPictureForm::close_side_windows() {
    if (info_form_ && info_form_->isVisible()) info_form_->close();
    if (person_form_ && person_form_->isVisible()) person_form_->close();
}

void TBigPictureForm::scroll_by(int dx, int dy) {
    if (dx && !horizontal_->isHidden()) horizontal_->setValue(horizontal_->value() + dx);
    if (dy && !vertical_->isHidden()) vertical_->setValue(vertical_->value() + dy);
}

bool TBigPictureForm::handle_key(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const int view_w = width() - (!vertical_->isHidden() ? vertical_->width() : 0);
    const int view_h = height() - (!horizontal_->isHidden() ? horizontal_->height() : 0);
    switch (key) {
    case Qt::Key_Escape:
        if (info_form_->isVisible() || person_form_->isVisible())
            close_side_windows();
        else
            close();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (shift) {
            close_side_windows();
            const bool back = key == Qt::Key_Left;
            if (buttons_[back ? previous_button : next_button]->offered) step(back);
            return true;
        }
        scroll_by((key == Qt::Key_Left ? -1 : 1) * horizontal_->singleStep(), 0);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        scroll_by(0, (key == Qt::Key_Up ? -1 : 1) * vertical_->singleStep());
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int sign = key == Qt::Key_PageUp ? -1 : 1;
        if (ctrl)
            scroll_by(sign * view_w, 0);
        else
            scroll_by(0, sign * view_h);
        return true;
    }
    case Qt::Key_I:
        if (!ctrl) break;
        show_information();
        return true;
    case Qt::Key_C:
        if (!ctrl) break;
        show_copyright();
        return true;
    case Qt::Key_M:
        if (!ctrl) break;
        if (info_form_->isVisible()) info_form_->open_locality_map();
        return true;
    case Qt::Key_Plus:
        zoom(true);
        return true;
    case Qt::Key_Minus:
        zoom(false);
        return true;
    default:
        break;
    }
    if (text == QLatin1String("+")) {
        zoom(true);
        return true;
    }
    if (text == QLatin1String("-")) {
        zoom(false);
        return true;
    }
    return false;
}

namespace {
bool is_arrow(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}
} // namespace

void TBigPictureForm::keyPressEvent(QKeyEvent* event) {
    if (is_arrow(event->key()) && !event->modifiers().testFlag(Qt::ShiftModifier)) {
        arrows_held_.insert(event->key());
        update_controls();
    }
    if (!handle_key(event->key(), event->modifiers(), event->text())) TForm<QWidget>::keyPressEvent(event);
}

void TBigPictureForm::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) arrows_held_.erase(event->key());
    TForm<QWidget>::keyReleaseEvent(event);
}

void TBigPictureForm::mousePressEvent(QMouseEvent* event) {
    close_side_windows();
    mouse_captured_ = true;
    update_controls();
    TForm<QWidget>::mousePressEvent(event);
}

void TBigPictureForm::mouseReleaseEvent(QMouseEvent* event) {
    mouse_captured_ = false;
    TForm<QWidget>::mouseReleaseEvent(event);
}

void TBigPictureForm::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta() / 120;
    scroll_by(-steps.x() * horizontal_->singleStep() * 3, -steps.y() * vertical_->singleStep() * 3);
    event->accept();
}

void TBigPictureForm::closeEvent(QCloseEvent* event) {
    close_side_windows();
    timer_->stop();
    TForm<QWidget>::closeEvent(event);
    if (return_focus_ && event->isAccepted()) {
        return_focus_->activateWindow();
        return_focus_->setFocus();
    }
}

// ---------------------------------------------------------------- the registry's photo window

namespace {

void warn_of_few_colours() {
    static bool warned = false;
    if (warned) return;
    settings::GeneralSettings general = settings::read_general_settings();
    const int month = QDate::currentDate().month();
    if (!colour_warning_due(environment().display_colours, month, general.next_month_for_colors_warning)) return;
    warned = true;
    show_message(picture_text(2) + " " + std::to_string(environment().display_colours) + " " + picture_text(1),
                 mb::icon_information);
    general.next_month_for_colors_warning = next_colour_warning_month(month);
    settings::write_general(&settings::GeneralSettings::next_month_for_colors_warning, general);
}

CaptionNames names_of(const QWidget* owner) {
    CaptionNames names;
    const auto* window = owner ? qobject_cast<const TChildForm*>(owner->window()) : nullptr;
    if (window && window->pane()) {
        const auto& settings = window->pane()->strings().settings();
        names.scientific = settings.scientific;
        names.other_language = settings.other_language;
        names.main_name = settings.main_name;
    }
    return names;
}

} // namespace

WindowFactory photo_window_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest& request) {
        if (!request.species || request.species->picture_count <= 0 || !request.species->first_picture) return false;
        warn_of_few_colours();
        return true;
    };
    factory.create = [](const WindowRequest& request, WindowRegistry& registry) -> QWidget* {
        auto* form = new TBigPictureForm(request.owner ? request.owner->window() : nullptr, &registry);
        form->setAttribute(Qt::WA_DeleteOnClose);
        return form;
    };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        auto& form = static_cast<TBigPictureForm&>(window);
        TBigPictureForm::SetUp setup;
        setup.species = request.species;
        setup.subspecies_only = request.subspecies_only;
        setup.subspecies = request.subspecies;
        setup.return_focus = QApplication::focusWidget();
        setup.names = names_of(request.owner);
        if (!form.set_up(setup)) {
            if (!form.isVisible()) form.deleteLater();
            return;
        }
        form.show_photos();
    };
    return factory;
}

} // namespace morvelin
