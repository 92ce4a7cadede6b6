#include "ui/pictures/info_forms.h"

#include "core/data/data_loader.h"
#include "core/data/records.h"
#include "core/foundation/editions.h"
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

// Escape closes a pop-up; other keys go to its owner.
void close_on_escape(QWidget& form, QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        form.close();
    else
        forward_key(form, event);
}

// Paints a pop-up's one text from x = 10 and its frame.
void paint_text(TFormWithUnderlinedItems& form, std::string_view text) {
    QPainter painter(&form);
    form.clear_underlines();
    const int line_height = TShowFonts::instance().line_height();
    const int baseline = line_height - TShowFonts::instance().metrics(info_font).descent() + line_height / 4;
    form.draw_marked_text(painter, 10, baseline, line_height, text);
    draw_frame(form, painter);
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
    close_on_escape(*this, event);
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
    paint_text(*this, text_);
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

// ---------------------------------------------------------------- the text pop-ups

TTextPopUpForm::TTextPopUpForm(QWidget* owner) : TFormWithUnderlinedItems(owner, pop_up_flags) {
    set_up_pop_up(*this);
}

void TTextPopUpForm::show_text(QPoint at, std::string text, int width) {
    text_ = std::move(text);
    lines_ = text_.empty() ? 0 : markup_line_count(text_);
    update();
    show_at(*this, at, QSize(width, (lines_ + 1) * TShowFonts::instance().line_height()));
}

void TTextPopUpForm::paintEvent(QPaintEvent*) {
    paint_text(*this, text_);
}

void TTextPopUpForm::keyPressEvent(QKeyEvent* event) {
    close_on_escape(*this, event);
}

TLiteratureReferencesForm::TLiteratureReferencesForm(QWidget* owner) : TTextPopUpForm(owner) {
    setObjectName(QStringLiteral("LiteratureReferencesForm"));
}

void TLiteratureReferencesForm::set_up(QPoint at, const Tspecies& species) {
    const std::vector<std::string>& titles = data_set().literature_references;
    const std::string in = edition().language_spanish ? " en " : " in ";
    std::string text;
    int widest = 10;
    for (const auto& [number, place] : species.literature) {
        if (number < 1 || static_cast<std::size_t>(number) > titles.size()) break;
        const std::string line =
            plain_field(place) + in + plain_field(titles[static_cast<std::size_t>(number) - 1]);
        widest = std::max(widest, widest_line(line));
        if (!text.empty()) text += '\n';
        text += line;
    }
    open_web_address_on_click = false;
    show_text(at, std::move(text), widest + 20);
}

TThreatenedStatusExplicationForm::TThreatenedStatusExplicationForm(QWidget* owner) : TTextPopUpForm(owner) {
    setObjectName(QStringLiteral("ThreatenedStatusExplicationForm"));
}

void TThreatenedStatusExplicationForm::set_up(QPoint at, const std::array<std::string, 3>& category_names) {
    const auto lines = texts("THREATENEDBIRDS", 7);
    const auto line = [&lines](std::size_t i) { return i < lines.size() ? lines[i] : std::string(); };
    std::string text;
    for (std::size_t i = 0; i < 3; ++i)
        text += std::string{markup::bold, markup::red} + plain_field(category_names[i]) +
                std::string{markup::red, markup::bold} + "\n" + line(i) + "\n\n";
    text += line(3) + " " + markup::bold + "Threatened Birds of the World 2004" + markup::bold + line(4) +
            " " + markup::link + "Birdlife International" + markup::link + ".";
    web_address = threatened_birds_publisher_address;
    open_web_address_on_click = true;
    show_text(at, wrap_markup(text, info_font, 300 - 20), 300);
}

TAboutAudioCDForm::TAboutAudioCDForm(QWidget* owner) : TTextPopUpForm(owner) {
    setObjectName(QStringLiteral("AboutAudioCDForm"));
}

void TAboutAudioCDForm::set_up(QPoint at, const TaudioCD& cd) {
    setWindowTitle(qt_text(cd.text_1));
    std::string text = plain_field(cd.text_3);
    web_address.clear();
    open_web_address_on_click = false;
    // An always-available CD's sixth line is its folder, not an address.
    if (const auto url = cd.always_available ? std::nullopt : web_link(qt_text(cd.text_6))) {
        const auto lines = texts("AUDIO_CD_3", 9);
        const auto line = [&lines](std::size_t i) { return i < lines.size() ? lines[i] : std::string(); };
        text += "\n" + line(0) + " " + markup::link + markup::bold + line(1) + markup::bold + markup::link +
                " " + line(2);
        web_address = disc_text(url->toString());
        open_web_address_on_click = true;
    }
    show_text(at, wrap_markup(text, info_font, 300 - 20), 300);
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

namespace {

QWidget* pop_up_owner(const WindowRequest& request) {
    return request.owner ? request.owner->window() : nullptr;
}

} // namespace

WindowFactory literature_window_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest& request) {
        return request.species && !request.species->literature.empty();
    };
    factory.create = [](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        return new TLiteratureReferencesForm(pop_up_owner(request));
    };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        static_cast<TLiteratureReferencesForm&>(window).set_up(request.global_point, *request.species);
    };
    return factory;
}

WindowFactory threatened_status_window_factory() {
    WindowFactory factory;
    factory.create = [](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        return new TThreatenedStatusExplicationForm(pop_up_owner(request));
    };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        // The three categories the explanation covers, as the species list names them.
        const Ttextfile_handler& t = language_texts();
        static_cast<TThreatenedStatusExplicationForm&>(window).set_up(
            request.global_point,
            {t.get_line("QM_SHSTR", 16), t.get_line("QM_SHSTR", 17), t.get_line("QM_SHSTR", 18)});
    };
    return factory;
}

WindowFactory audio_cd_window_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest& request) { return request.audio_cd != nullptr; };
    factory.create = [](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        return new TAboutAudioCDForm(pop_up_owner(request));
    };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        static_cast<TAboutAudioCDForm&>(window).set_up(request.global_point, *request.audio_cd);
    };
    return factory;
}

} // namespace morvelin
