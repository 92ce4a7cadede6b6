#include "ui/windows/about_forms.h"

#include "core/data/data_loader.h"
#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/foundation/textfile_handler.h"
#include "core/sound/id3_tag.h"
#include "ui/foundation/bitmap_drawing.h"
#include "ui/foundation/qt_text.h"
#include "ui/pictures/info_forms.h"
#include "ui/windows/window_registry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <set>

namespace morvelin {

namespace {

constexpr FontRef about_font{};

void paint_white(QWidget& form) {
    QPalette p = form.palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, default_text_colour);
    form.setPalette(p);
    form.setAutoFillBackground(true);
}

// A name as one word: wrapping breaks only at blanks, and a credit must stay one link.
std::string unbreakable(std::string text) {
    for (char& c : text) {
        if (c == ' ') c = '\xA0';
        else if (static_cast<unsigned char>(c) < 32) c = '\xA0'; // no markup from the data
    }
    return text;
}

int baseline_of_first_line() {
    const int line_height = TShowFonts::instance().line_height();
    return line_height - TShowFonts::instance().metrics(about_font).descent();
}

} // namespace

// ---------------------------------------------------------------- TIntroductionForm

TIntroductionForm::TIntroductionForm(QWidget* owner)
    : TForm<QWidget>(owner, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("IntroductionForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    paint_white(*this);
    setWindowTitle(QString());
    setFixedSize(client_width, client_height);
    const QRect area = work_area_for(owner ? owner->window()->geometry() : QRect());
    move(area.center() - QPoint(client_width / 2, client_height / 2));
    picture_ = load_jpeg_resource(QStringLiteral("INTRO_JPEG"), devicePixelRatioF());
    setFocusPolicy(Qt::StrongFocus);
}

void TIntroductionForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    int top = 0;
    if (picture_) {
        const QSizeF logical = picture_->deviceIndependentSize();
        const int height = std::min<int>(client_height - 90, static_cast<int>(logical.height() * width() / logical.width()));
        painter.drawImage(QRect(0, 0, width(), height), *picture_);
        top = height;
    }
    const auto lines = texts("QM_INTRO", 3);
    const int line_height = TShowFonts::instance().line_height();
    QRect band(10, top + 8, width() - 20, height() - top - 16);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const FontRef font = i == 0 ? FontRef{font_style::bold, 2, 0} : about_font;
        painter.setFont(TShowFonts::instance().font(font));
        painter.setPen(i == 2 ? QColor(Qt::darkGray) : default_text_colour);
        const QRect used = painter.boundingRect(band, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                                                qt_text(lines[i]));
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, qt_text(lines[i]));
        band.setTop(band.top() + std::max(used.height(), line_height) + line_height / 3);
    }
}

void TIntroductionForm::keyPressEvent(QKeyEvent*) {
    close();
}

void TIntroductionForm::mousePressEvent(QMouseEvent*) {
    close();
}

void TIntroductionForm::mouseDoubleClickEvent(QMouseEvent*) {
    close();
}

void show_introduction(QWidget* main_window) {
    auto* intro = new TIntroductionForm(main_window);
    intro->setWindowModality(Qt::ApplicationModal);
    intro->show();
    intro->raise();
    intro->activateWindow();
    intro->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------- credits

CreditGroups credited_persons(const Tdata& data, std::size_t limit) {
    const auto by_key = [](const Tperson* a, const Tperson* b) { return a->key < b->key; };
    std::set<const Tperson*, decltype(by_key)> authors(by_key), recordists(by_key), photographers(by_key);
    for (std::size_t i = 0; i < data.species_count(); ++i) {
        const Tspecies& species = data.species_at(i);
        if (species.text_author) authors.insert(species.text_author);
        for (const Tbig_picture* p = species.first_picture; p && p->species == &species; p = p->next_picture)
            if (p->copyright_holder) photographers.insert(p->copyright_holder);
    }
    for (const Tcutpart* part : data.cut_parts())
        if (part->recordist) recordists.insert(part->recordist);
    CreditGroups groups;
    std::size_t left = limit;
    const auto take = [&left](const auto& from, std::vector<const Tperson*>& to) {
        for (const Tperson* p : from) {
            if (left == 0) return;
            to.push_back(p);
            --left;
        }
    };
    take(authors, groups.texts);
    take(recordists, groups.recordings);
    take(photographers, groups.photos);
    return groups;
}

// ---------------------------------------------------------------- TAboutForm

namespace {

constexpr int about_width = 640;
constexpr int picture_width = 180;
constexpr int text_left = picture_width + 20;
constexpr int button_room = 100; // the OK button's column at the right

} // namespace

TAboutForm::TAboutForm(QWidget* owner)
    : TFormWithUnderlinedItems(owner ? owner->window() : nullptr, Qt::Dialog) {
    setObjectName(QStringLiteral("AboutForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFont(TShowFonts::instance().font(about_font));
    paint_white(*this);
    const auto lines = texts("QM_ABOUT", 18);
    setWindowTitle(qt_text(lines[0]));
    picture_ = load_jpeg_resource(QStringLiteral("ABOUT_JPEG"), devicePixelRatioF());

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QWidget::close);

    // The edition's notes, then the credits by group, the program, the sources and the rights.
    const auto bold = [](const std::string& s) { return style_bold + s + style_bold; };
    std::string t = bold(lines[0]) + "\n" + lines[1] + "\n\n" + lines[2] + "\n\n" + bold(lines[3]);
    for (int i = 4; i <= 7; ++i)
        if (!lines[i].empty()) t += "\n" + lines[i];
    t += "\n\n" + bold(lines[8]) + "\n";
    credit_persons_.clear();
    if (data_set_loaded()) {
        const CreditGroups groups = credited_persons(data_set());
        const std::pair<const std::string*, const std::vector<const Tperson*>*> rows[] = {
            {&lines[9], &groups.texts}, {&lines[10], &groups.recordings}, {&lines[11], &groups.photos}};
        for (const auto& [label, persons] : rows) {
            if (persons->empty()) continue;
            t += "\n" + bold(*label);
            for (std::size_t i = 0; i < persons->size(); ++i) {
                t += (i == 0 ? " " : ", ");
                t += style_underline + unbreakable((*persons)[i]->key) + style_underline;
                credit_persons_.push_back((*persons)[i]);
            }
        }
    }
    t += "\n" + bold(lines[12]) + " " + lines[13] + "\n\n" + lines[14] + "\n\n" + bold(lines[15]) + " " +
         lines[16] + "\n\n" + style_underline + lines[17] + style_underline;
    source_ = std::move(t);
    web_address = publisher_web_address;
    open_web_address_on_click = false; // a click is sorted out here: credits first

    resize(about_width, 400);
    fit_to_screen();
}

QRect TAboutForm::text_area() const {
    return QRect(text_left, 10, std::max(100, width() - text_left - button_room), height() - 20);
}

void TAboutForm::lay_out() {
    const QRect area = text_area();
    text_ = wrap_markup(source_, about_font, area.width());
    layout_ = layout_markup(text_, about_font);
    const int line_height = TShowFonts::instance().line_height();
    const int baseline = area.top() + baseline_of_first_line();
    credits_.clear();
    publisher_link_ = {};
    std::size_t next = 0;
    for (const TextRun& run : layout_.runs) {
        if (!run.link) continue;
        const QRect r(area.left() + run.x, baseline + run.line * line_height - line_height + 3, run.width,
                      line_height);
        if (next < credit_persons_.size())
            credits_.push_back({credit_persons_[next++], r});
        else
            publisher_link_ = publisher_link_.isNull() ? r : publisher_link_.united(r);
    }
    ok_->setGeometry(width() - 10 - 75, 10, 75, 25);
    update();
}

int TAboutForm::needed_height() const {
    return std::max(text_area().top() + layout_.line_count() * TShowFonts::instance().line_height() + 10,
                    10 + 200 + 10);
}

void TAboutForm::fit_to_screen() {
    // As wide as it takes for all of it to fit the screen's height, within the screen's width.
    const QRect screen = work_area_for(geometry());
    lay_out();
    while (needed_height() > screen.height() - 40 && width() + 80 <= screen.width() - 20) {
        resize(width() + 80, height());
        lay_out();
    }
    resize(width(), std::min(needed_height(), screen.height() - 40));
    lay_out();
}

void TAboutForm::resizeEvent(QResizeEvent* event) {
    TFormWithUnderlinedItems::resizeEvent(event);
    lay_out();
}

void TAboutForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (picture_) painter.drawImage(QRect(10, 10, picture_width, 200), *picture_);
    const QRect area = text_area();
    draw_text_layout(painter, layout_, area.left(), area.top() + baseline_of_first_line(),
                     TShowFonts::instance().line_height());
}

bool TAboutForm::point_on_underlined_item(int x, int y) const {
    const QPoint p(x, y);
    if (publisher_link_.contains(p)) return true;
    return std::any_of(credits_.begin(), credits_.end(), [p](const AboutCredit& c) { return c.name.contains(p); });
}

void TAboutForm::close_person_form() {
    if (person_form_) person_form_->close();
}

void TAboutForm::mousePressEvent(QMouseEvent* event) {
    close_person_form();
    const QPoint p = event->position().toPoint();
    for (const AboutCredit& credit : credits_) {
        if (!credit.name.contains(p)) continue;
        if (!person_form_) person_form_ = new TPersonForm(this);
        person_form_->set_up(mapToGlobal(QPoint(credit.name.left(), credit.name.bottom() + 2)), *credit.person, true);
        return;
    }
    if (publisher_link_.contains(p)) emit web_address_requested(QString::fromUtf8(web_address.c_str()));
}

void TAboutForm::keyPressEvent(QKeyEvent* event) {
    close_person_form();
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        close();
        return;
    }
    TFormWithUnderlinedItems::keyPressEvent(event);
}

WindowFactory about_window_factory() {
    WindowFactory factory;
    factory.create = [](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        return new TAboutForm(request.owner);
    };
    factory.follows_owner = true;
    return factory;
}

} // namespace morvelin
