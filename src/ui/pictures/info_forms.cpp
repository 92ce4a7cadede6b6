#include "ui/pictures/info_forms.h"

#include "core/data/data_loader.h"
#include "core/data/records.h"
#include "core/foundation/textfile_handler.h"
#include "ui/display/text_drawing.h"
#include "ui/foundation/qt_text.h"
#include "ui/foundation/web_address.h"
#include "ui/windows/window_registry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace morvelin {

namespace {

constexpr FontRef info_font{};

int widest_line(std::string_view text) {
    const TextLayout layout = layout_markup(text, info_font);
    return *std::max_element(layout.line_widths.begin(), layout.line_widths.end());
}

// A text from the disc shown as it is: control characters would be taken for markup.
std::string plain_field(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return text;
}

void set_up_pop_up(TFormWithUnderlinedItems& form) {
    form.setFont(TShowFonts::instance().font(info_font));
    QPalette p = form.palette();
    p.setColor(QPalette::Window, p.color(QPalette::Base));
    p.setColor(QPalette::WindowText, default_text_colour);
    form.setPalette(p);
    form.setAutoFillBackground(true);
}

void draw_frame(QWidget& form, QPainter& painter) {
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(form.rect().adjusted(0, 0, -1, -1));
}

// Shows a pop-up of size at the global point, moved to end at least 5 pixels inside its owner's window
// (never before the owner's left and top when it is the larger) and inside the screen.
void show_at(TFormWithUnderlinedItems& form, QPoint at, QSize size) {
    form.resize(size);
    const QWidget* owner = form.parentWidget() ? form.parentWidget()->window() : nullptr;
    QRect owner_area;
    if (owner) owner_area = QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size() - QSize(5, 5));
    form.move(pop_up_position(size, at, owner_area, work_area_for(QRect(at, size))));
    form.show();
    form.raise();
}

void forward_key(QWidget& form, QKeyEvent* event) {
    if (QWidget* owner = form.parentWidget())
        QApplication::sendEvent(owner, event);
    else
        event->ignore();
}

constexpr auto pop_up_flags = Qt::Tool | Qt::FramelessWindowHint;

} // namespace

// ---------------------------------------------------------------- TPersonForm

TPersonForm::TPersonForm(QWidget* owner) : TFormWithUnderlinedItems(owner, pop_up_flags) {
    setObjectName(QStringLiteral("PersonForm"));
    set_up_pop_up(*this);
}

void TPersonForm::set_up(QPoint at, const Tperson& person, bool copyright) {
    const std::string* fields[] = {&person.text_1, &person.text_2, &person.text_3};
    const auto labels = texts("PERSONAL", 3);
    int width = 300;
    for (const std::string* f : fields)
        if (f->size() >= 50) width = 400;
    title_ = std::string(1, style_bold) + (copyright ? "\xA9 " : "") + plain_field(person.key) + style_bold;

    open_web_address_on_click = false;
    web_address.clear();
    fields_.clear();
    field_lines_ = 0;
    bool one_line_each = true;
    int widest = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (fields[i]->empty()) continue;
        std::string value = plain_field(*fields[i]);
        if (i == 2) {
            if (const auto url = web_link(qt_text(value))) {
                web_address = disc_text(url->toString());
                open_web_address_on_click = true;
                value = style_underline + value + style_underline;
            }
        }
        const std::string field = labels[i] + " " + value;
        const std::string wrapped = wrap_markup(field, info_font, width - 20);
        const int lines = markup_line_count(wrapped);
        one_line_each = one_line_each && lines == 1;
        widest = std::max(widest, widest_line(wrapped));
        if (!fields_.empty()) fields_ += '\n';
        fields_ += wrapped;
        field_lines_ += lines;
    }
    if (one_line_each) width = std::max(widest + 20, widest_line(title_) + 20);
    const int line_height = TShowFonts::instance().line_height();
    const int height = static_cast<int>(std::lround((1 + field_lines_ + 0.5) * line_height));
    update();
    show_at(*this, at, QSize(width, height));
}

void TPersonForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    clear_underlines();
    const int line_height = TShowFonts::instance().line_height();
    const int baseline = line_height - TShowFonts::instance().metrics(info_font).descent() + line_height / 4;
    draw_marked_text(painter, 10, baseline, line_height, title_);
    if (!fields_.empty()) draw_marked_text(painter, 10, baseline + line_height, line_height, fields_);
    draw_frame(*this, painter);
}

void TPersonForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    forward_key(*this, event);
}

// ---------------------------------------------------------------- TPictureInfoForm

TPictureInfoForm::TPictureInfoForm(QWidget* owner) : TFormWithUnderlinedItems(owner, pop_up_flags) {
    setObjectName(QStringLiteral("PictureInfoForm"));
    set_up_pop_up(*this);
}

void TPictureInfoForm::set_up(QPoint at, const std::string& text, const Tlocality* locality,
                              const std::string& caption, const Tspecies* species) {
    locality_ = locality;
    species_ = species;
    caption_ = caption;
    int width = text.size() >= 150 ? 400 : 300;
    text_ = wrap_markup(text, info_font, width - 10);
    lines_ = markup_line_count(text_);
    if (lines_ == 1) width = widest_line(text_) + 20;
    const int height = (lines_ + 1) * TShowFonts::instance().line_height();
    update();
    show_at(*this, at, QSize(width, height));
}

void TPictureInfoForm::open_locality_map() {
    if (!locality_) return;
    emit locality_map_requested(species_, locality_, qt_text(caption_));
}

void TPictureInfoForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    clear_underlines();
    const int line_height = TShowFonts::instance().line_height();
    const int baseline = line_height - TShowFonts::instance().metrics(info_font).descent() + line_height / 4;
    draw_marked_text(painter, 10, baseline, line_height, text_);
    draw_frame(*this, painter);
}

void TPictureInfoForm::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (point_on_underlined_item(p.x(), p.y())) {
        open_locality_map();
        return;
    }
    TFormWithUnderlinedItems::mousePressEvent(event);
}

void TPictureInfoForm::keyPressEvent(QKeyEvent* event) {
    forward_key(*this, event);
}

// ---------------------------------------------------------------- the registry's person pop-up

namespace {

// The person a species text's link names: by key, else the first person whose key holds the link's
// text, else the text's author.
const Tperson* person_of_link(const QString& link_text, const Tspecies* species) {
    const std::string text = disc_text(link_text.trimmed());
    if (!text.empty()) {
        if (const Tperson* p = data_set().find_person(text)) return p;
        if (const Tperson* p = data_set().find_person_containing(text, 0)) return p;
    }
    return species ? species->text_author : nullptr;
}

} // namespace

WindowFactory person_window_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest& request) {
        if (!request.person) request.person = person_of_link(request.text, request.species);
        return request.person != nullptr;
    };
    factory.create = [](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        return new TPersonForm(request.owner ? request.owner->window() : nullptr);
    };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        static_cast<TPersonForm&>(window).set_up(request.global_point, *request.person, false);
    };
    return factory;
}

} // namespace morvelin
