#include "ui/display/text_drawing.h"

#include "ui/foundation/bitmap_drawing.h"
#include "core/foundation/environment.h"
#include "ui/foundation/program_fonts.h"
#include "core/foundation/services.h"
#include "core/settings/settings_sections.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/textfile_handler.h"
#include "ui/foundation/qt_text.h"

#include <QFile>
#include <QPainter>

#include <algorithm>

namespace morvelin {

// ---------------------------------------------------------------- fonts

TShowFonts& TShowFonts::instance() {
    static TShowFonts fonts;
    return fonts;
}

TShowFonts::TShowFonts() {
    rebuild(settings::read_general_settings().text_size);
}

void TShowFonts::rebuild(int text_size) {
    text_size_ = std::max(1, text_size);
    // The family name goes through the program fonts' substitution of "Arial".
    (void)program_font(ProgramFont::arial_15);
    static constexpr int size_steps[5] = {-2, -1, 0, 2, 4};
    entries_.clear();
    entries_.reserve(15);
    for (int style = 0; style < 3; ++style) {
        for (int size = 0; size < 5; ++size) {
            QFont font(QString::fromLatin1(program_font_family));
            int height = std::max(1, text_size_ + size_steps[size]);
            if (style == font_style::bold) height = std::max(14, height);
            font.setPixelSize(height);
            font.setItalic(style == font_style::italic);
            font.setBold(style == font_style::bold);
            font.setKerning(false); // runs are measured piece by piece and must add up
            entries_.push_back(Entry{font, QFontMetrics(font), QFontMetricsF(font)});
        }
    }
    const QFontMetrics& normal = metrics(FontRef{});
    line_height_ = normal.height();
    average_char_width_ = normal.averageCharWidth();
    ++generation_;
}

void TShowFonts::write_text_size() const {
    settings::GeneralSettings general;
    general.text_size = text_size_;
    settings::write_general(&settings::GeneralSettings::text_size, general);
}

const TShowFonts::Entry& TShowFonts::entry(FontRef ref) const {
    const int style = std::clamp<int>(ref.style, 0, 2);
    const int size = std::clamp<int>(ref.size, -2, 2) + 2;
    return entries_[static_cast<std::size_t>(style * 5 + size)];
}

QColor TShowFonts::colour(FontRef ref) const {
    return ref.colour ? red_text_colour : default_text_colour;
}

QColor link_colour() {
    // Screens here show 2^24 colours, so pure green comes back as it was set.
    return QColor(0, 255, 0);
}

bool is_link_colour(const QColor& colour) {
    const QColor link = link_colour();
    return (colour.red() & 0xF0) == (link.red() & 0xF0) && (colour.green() & 0xF0) == (link.green() & 0xF0) &&
           (colour.blue() & 0xF0) == (link.blue() & 0xF0);
}

// ---------------------------------------------------------------- bitmaps

namespace {

struct BitmapEntry {
    const char* name;
    QPoint offset;
};

constexpr int bitmap_count = 11;

const std::array<BitmapEntry, bitmap_count + 1>& bitmap_table() {
    static const std::array<BitmapEntry, bitmap_count + 1> table{{
        {"", {0, 0}},
        {"PLUS_BITMAP", {0, -6}},
        {"MINUS_BITMAP", {0, -6}},
        {"PLUS_BITMAP", {0, -6}},
        {"MINUS_BITMAP", {0, -6}},
        {"INVISIBLE_STANDIN_FOR_MINUS_AND_PLUS_BITMAPS", {0, -6}},
        {"PICS_PRESENT_BITMAP", {5, -2}},
        {"RECS_PRESENT_BITMAP", {5, -2}},
        {"PICS_AND_RECS_PRESENT_BITMAP", {5, -2}},
        {"LITTLE_PLUS_BITMAP", {0, -4}},
        {"LITTLE_MINUS_BITMAP", {0, -4}},
        {"LITTLE_MAP_BITMAP", {5, -6}},
    }};
    return table;
}

std::array<ShowBitmap, bitmap_count + 1> load_bitmaps() {
    std::array<ShowBitmap, bitmap_count + 1> out;
    for (int i = 1; i <= bitmap_count; ++i) {
        const BitmapEntry& entry = bitmap_table()[static_cast<std::size_t>(i)];
        ShowBitmap& b = out[static_cast<std::size_t>(i)];
        b.offset = entry.offset;
        QImage image(QStringLiteral(":/bitmaps/") + QString::fromLatin1(entry.name));
        if (image.isNull()) {
            show_message(std::string("Bitmap ") + entry.name + " resource missing", mb::icon_error);
            continue;
        }
        b.image = image.convertToFormat(QImage::Format_RGB32);
        b.width = image.width();
        b.height = image.height();
    }
    return out;
}

} // namespace

const ShowBitmap& show_bitmap_entry(int index) {
    static const std::array<ShowBitmap, bitmap_count + 1> bitmaps = load_bitmaps();
    return bitmaps[static_cast<std::size_t>(std::clamp(index, 0, bitmap_count))];
}

int draw_show_bitmap(QPainter* painter, int index, QPoint pen) {
    const ShowBitmap& b = show_bitmap_entry(index);
    if (painter && !b.image.isNull())
        draw_bitmap_image(*painter, pen.x() + b.offset.x(), pen.y() + b.offset.y(), b.image, true);
    return b.offset.x() + b.width + 5;
}

// ---------------------------------------------------------------- text

namespace {

bool is_break(char c) {
    return c == markup::line_break || c == markup::soft_break;
}
bool is_markup(char c) {
    return c >= markup::line_break && c <= markup::soft_break;
}

// The running style of a marked-up text.
struct TextState {
    FontRef font;
    QColor colour;
    bool link = false;

    explicit TextState(FontRef start) : font(start), colour(TShowFonts::instance().colour(start)) {
        font.colour = 0;
    }
    void apply(char c) {
        switch (c) {
        case markup::italic:
            font.style = font.style == font_style::italic ? font_style::normal : font_style::italic;
            break;
        case markup::bold:
            font.style = font.style == font_style::bold ? font_style::normal : font_style::bold;
            break;
        case markup::link:
            link = !link;
            break;
        case markup::smaller:
            font.size = static_cast<std::int8_t>(std::max(-2, font.size - 1));
            break;
        case markup::larger:
            font.size = static_cast<std::int8_t>(std::min(2, font.size + 1));
            break;
        case markup::red:
            colour = colour == default_text_colour ? red_text_colour : default_text_colour;
            break;
        case markup::green:
            colour = colour == green_text_colour ? default_text_colour : green_text_colour;
            break;
        default:
            break;
        }
    }
};

double advance_f(FontRef font, std::string_view piece) {
    if (piece.empty()) return 0;
    return TShowFonts::instance().metrics_f(font).horizontalAdvance(qt_text(piece));
}

} // namespace

namespace {

// Fonts of a style and size for a layout: from the table, or made from a base font.
class FontSource {
public:
    explicit FontSource(const QFont* base) : base_(base) {}
    QFont font(FontRef ref) const {
        if (!base_) return TShowFonts::instance().font(ref);
        static constexpr int steps[5] = {-2, -1, 0, 2, 4};
        QFont f(*base_);
        const int base_size = base_->pixelSize() > 0 ? base_->pixelSize() : QFontMetrics(*base_).height();
        f.setPixelSize(std::max(1, base_size + steps[std::clamp<int>(ref.size, -2, 2) + 2]));
        f.setItalic(ref.style == font_style::italic || (ref.style == font_style::normal && base_->italic()));
        f.setBold(ref.style == font_style::bold);
        return f;
    }
    int width(FontRef ref, const QString& text) const {
        if (!base_) return TShowFonts::instance().metrics(ref).horizontalAdvance(text);
        return QFontMetrics(font(ref)).horizontalAdvance(text);
    }

private:
    const QFont* base_;
};

TextLayout layout_with(std::string_view text, FontRef start, const QColor* colour, const FontSource& fonts) {
    TextLayout layout;
    layout.line_widths.push_back(0);
    TextState state(start);
    if (colour) state.colour = *colour;
    std::size_t i = 0;
    int line = 0;
    int x = 0;
    while (i <= text.size()) {
        std::size_t j = i;
        while (j < text.size() && !is_markup(text[j]))
            ++j;
        if (j > i) {
            TextRun run;
            run.source = std::string(text.substr(i, j - i));
            run.text = qt_text(run.source);
            run.font = state.font;
            run.qfont = fonts.font(state.font);
            run.colour = state.colour;
            run.link = state.link;
            run.line = line;
            run.x = x;
            run.width = fonts.width(run.font, run.text);
            x += run.width;
            layout.line_widths.back() = x;
            layout.runs.push_back(std::move(run));
        }
        if (j >= text.size()) break;
        const char c = text[j];
        if (is_break(c)) {
            ++line;
            x = 0;
            layout.line_widths.push_back(0);
        } else {
            state.apply(c);
        }
        i = j + 1;
    }
    return layout;
}

} // namespace

TextLayout layout_markup(std::string_view text, FontRef start) {
    return layout_with(text, start, nullptr, FontSource(nullptr));
}

TextLayout layout_markup(std::string_view text, const QFont& base, const QColor& colour) {
    const FontRef start{base.bold() ? font_style::bold : font_style::normal, 0, 0};
    return layout_with(text, start, &colour, FontSource(&base));
}

void draw_text_layout(QPainter& painter, const TextLayout& layout, int x, int baseline, int line_height) {
    for (const TextRun& run : layout.runs) {
        const int y = baseline + run.line * line_height;
        painter.setFont(run.qfont);
        painter.setPen(run.colour);
        painter.drawText(QPoint(x + run.x, y), run.text);
        if (run.link) painter.fillRect(QRect(x + run.x, y + 1, run.width, 1), link_colour());
    }
}

std::string wrap_markup(std::string_view source, FontRef start, int width) {
    std::string text(source);
    for (char& c : text) {
        if (c == markup::soft_break) c = ' ';
    }
    TextState state(start);
    double x = 0;                                  // width of the current line so far
    std::size_t pending_blank = std::string::npos; // the blank before the current word
    double blank_width = 0;
    // Advances add up without rounding; a line may end within half a pixel of the width.
    const double limit = width + 0.5;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == markup::line_break) {
            x = 0;
            pending_blank = std::string::npos;
            ++i;
            continue;
        }
        if (is_markup(c)) {
            state.apply(c);
            ++i;
            continue;
        }
        if (c == ' ') {
            pending_blank = i;
            blank_width = advance_f(state.font, " ");
            ++i;
            continue;
        }
        // A word: measured piece by piece across style changes inside it.
        double word_width = 0;
        std::size_t j = i;
        TextState word_state = state;
        std::size_t piece_start = i;
        while (j < text.size() && text[j] != ' ' && text[j] != markup::line_break) {
            if (is_markup(text[j])) {
                word_width +=
                    advance_f(word_state.font, std::string_view(text).substr(piece_start, j - piece_start));
                word_state.apply(text[j]);
                piece_start = j + 1;
            }
            ++j;
        }
        word_width += advance_f(word_state.font, std::string_view(text).substr(piece_start, j - piece_start));
        if (pending_blank != std::string::npos) {
            if (x > 0 && x + blank_width + word_width > limit) {
                text[pending_blank] = markup::soft_break;
                x = word_width;
            } else {
                x += blank_width + word_width;
            }
        } else {
            x += word_width;
        }
        pending_blank = std::string::npos;
        state = word_state;
        i = j;
    }
    return text;
}

int markup_line_count(std::string_view text) {
    return 1 + static_cast<int>(std::count_if(text.begin(), text.end(), is_break));
}

std::string plain_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == markup::soft_break)
            out += ' ';
        else if (c == markup::line_break || !is_markup(c))
            out += c;
    }
    return out;
}

} // namespace morvelin
