#pragma once
// The text-drawing toolkit of the species document and the information pop-ups: the font table, the
// bitmaps of fold boxes and icons, the link colour, and the layout of texts with inline markup. It
// knows nothing of documents or lines.
//
// Texts are Windows-1252 bytes with these markup characters, which are not drawn and take no width:
//   10 line break             14 one size smaller
//   11 italic on/off          15 one size larger
//   12 bold on/off            16 red on/off (red when the colour is black, else black)
//   13 link on/off            17 green on/off (green 0,170,0; black when the colour is that green)
// Wrapping inserts `soft_break` (18) in place of a blank; it breaks like 10 but is turned back into a
// blank when the text is wrapped again for another width.
// Use from the user-interface thread only.

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QPainter;

namespace morvelin {

namespace markup {
constexpr char line_break = 10;
constexpr char italic = 11;
constexpr char bold = 12;
constexpr char link = 13;
constexpr char smaller = 14;
constexpr char larger = 15;
constexpr char red = 16;
constexpr char green = 17;
constexpr char soft_break = 18;
} // namespace markup

namespace font_style {
constexpr std::uint8_t italic = 0;
constexpr std::uint8_t normal = 1;
constexpr std::uint8_t bold = 2;
} // namespace font_style

// One entry of the font table: style 0..2, size -2..+2, colour 0 (default) or 1 (red).
struct FontRef {
    std::uint8_t style = font_style::normal;
    std::int8_t size = 0;
    std::uint8_t colour = 0;
    friend bool operator==(const FontRef&, const FontRef&) = default;
};

// The font table: 3 styles x 5 sizes x 2 colours. Size 0 of the normal style is "Arial" (Liberation
// Sans) with the pixel height `Text Size` of section GENERAL (default 15); sizes +1 and +2 are 2 and 4
// higher, -1 and -2 are 1 and 2 lower; italic and bold copies share the height, bold ones are at
// least 14 high.
class TShowFonts {
public:
    static constexpr int default_text_size = 15;

    // The one table, built from the settings on first use.
    static TShowFonts& instance();

    // Rebuilds every font for a new normal height (at least 1). The caller re-lays out its documents.
    void rebuild(int text_size);
    int text_size() const { return text_size_; }
    // Writes `Text Size` from the normal font's height (at program end).
    void write_text_size() const;

    const QFont& font(FontRef ref) const { return entry(ref).font; }
    const QFontMetrics& metrics(FontRef ref) const { return entry(ref).metrics; }
    const QFontMetricsF& metrics_f(FontRef ref) const { return entry(ref).metrics_f; }
    // The pixel height a font was made with.
    int pixel_height(FontRef ref) const { return entry(ref).font.pixelSize(); }
    QColor colour(FontRef ref) const;

    // The text height of the normal font, and its average character width.
    int line_height() const { return line_height_; }
    int average_char_width() const { return average_char_width_; }
    // Height of a fold line: the larger of 30 and 3/2 of the line height.
    int spacer_height() const { return std::max(30, line_height_ * 3 / 2); }
    // Change counter: layouts made with an older table are stale.
    int generation() const { return generation_; }

private:
    TShowFonts();
    struct Entry {
        QFont font;
        QFontMetrics metrics{QFont()};
        QFontMetricsF metrics_f{QFont()};
    };
    const Entry& entry(FontRef ref) const;

    int text_size_ = default_text_size;
    int line_height_ = 0;
    int average_char_width_ = 0;
    int generation_ = 0;
    std::vector<Entry> entries_; // style * 5 + size + 2
};

inline const QColor default_text_colour{0, 0, 0};
inline const QColor red_text_colour{255, 0, 0};
inline const QColor green_text_colour{0, 170, 0};
inline const QColor selection_colour{0, 255, 255};
// The colour the screen shows for pure green; on the true-colour displays we support it is pure green.
QColor link_colour();
// A colour equals the link colour when each channel, masked with 0xF0, is equal.
bool is_link_colour(const QColor& colour);

// The eleven document bitmaps with their drawing offsets relative to the row.
namespace show_bitmap {
constexpr int none = 0;
constexpr int plus = 1;
constexpr int minus = 2;
constexpr int species_plus = 3;
constexpr int species_minus = 4;
constexpr int invisible = 5;
constexpr int pictures = 6;
constexpr int recordings = 7;
constexpr int pictures_and_recordings = 8;
constexpr int little_plus = 9;
constexpr int little_minus = 10;
constexpr int little_map = 11;
} // namespace show_bitmap

struct ShowBitmap {
    QImage image; // null when the resource is missing
    QPoint offset;
    int width = 0;
    int height = 0;
};

// Loads the bitmaps from the program resources on first use; a missing one is reported once with
// "Bitmap <name> resource missing" and stays empty (nothing drawn, zero size).
const ShowBitmap& show_bitmap_entry(int index);
// Draws bitmap index with its top left at the pen plus its offset (source AND destination) and returns
// the pen advance: offset x + width + 5.
int draw_show_bitmap(QPainter* painter, int index, QPoint pen);

// One piece of a laid-out text: a run of characters in one font, colour and link state on one line.
struct TextRun {
    QString text;
    QFont qfont;
    std::string source; // the run's Windows-1252 bytes
    FontRef font;
    QColor colour;
    bool link = false;
    int line = 0;  // 0-based text line
    int x = 0;     // from the start of its line
    int width = 0; // advance in pixels
};

struct TextLayout {
    std::vector<TextRun> runs;
    std::vector<int> line_widths; // one per text line (at least one)
    int line_count() const { return static_cast<int>(line_widths.size()); }
};

// Splits a marked-up text into runs, starting with the given font of the table. Line breaks are 10
// and 18.
TextLayout layout_markup(std::string_view text, FontRef start);
// The same with any font as the normal one (info windows): italic and bold copies, sizes -2, -1, +2
// and +4 pixels; run.font then only tells style and size.
TextLayout layout_markup(std::string_view text, const QFont& base, const QColor& colour);
// Draws a laid-out text with its first line's baseline at (x, baseline), lines line_height apart;
// links are underlined one pixel below the baseline in the link colour.
void draw_text_layout(QPainter& painter, const TextLayout& layout, int x, int baseline, int line_height);
// The text with each blank at which it must break to fit width pixels replaced by `soft_break`; soft
// breaks already in the text become blanks again first, line feeds stay. A word wider than the whole
// width gets a line of its own.
std::string wrap_markup(std::string_view text, FontRef start, int width);
// Number of text lines (line breaks + 1).
int markup_line_count(std::string_view text);
// The text without markup characters, soft breaks as blanks and line feeds kept (for the clipboard,
// find and messages).
std::string plain_text(std::string_view text);

} // namespace morvelin
