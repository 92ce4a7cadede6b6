#pragma once
// The species document of one main window: a doubly linked list of typed lines built from the data
// set, filtered by the window's display settings, unfolded and folded level by level (groups,
// families, species, recording details), measured, painted and operated with the mouse and the
// keyboard. The text pane (TShowForm) owns it and hosts its drawing and its sound bars; what a click
// or key asks of other windows comes back as SpeciesRequest values, which the pane acts on.
//
// Names: "show" is an old word here for four things. TShowForm is the pane, TShowStrings this
// document, SHST_TClassShowStringsData the window's display settings (core/display/display_settings.h)
// and the slide show is none of them. Files and helper types say which: species_document_view.cpp
// (painting, hit testing, keys of this document), text_drawing.h (fonts, bitmaps, marked-up text),
// core/display/ (the plain parts: line kinds, view state, requests, display settings).
//
// Coordinates are document coordinates: y = 0 is the top of the first line; the pane shifts them by
// its scroll position. Texts are Windows-1252 with the markup of text_drawing.h.
// Use from the user-interface thread only.

#include "core/data/data_set.h"
#include "core/display/document_lines.h"
#include "core/display/species_request.h"
#include "core/display/view_state.h"
#include "core/display/display_settings.h"
#include "ui/display/text_drawing.h"
#include "core/sound/id3_tag.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QPainter;
class QWidget;

namespace morvelin {

class TShowForm;
class ShowSoundBars;
class Tsound_bar;
class TSonogramStrip;

namespace line_flag {
constexpr std::uint8_t second_name_follows = 1; // ". " is drawn after this name
constexpr std::uint8_t connecting_line = 2;     // a recording number joined to the one above
} // namespace line_flag

// The record behind a sound-bar line.
struct TSoundBarRecord {
    const Tcupaitem* recording = nullptr;
    int number = 0;            // the recording's number within its species
    std::uint32_t key = 0;     // (family number x 400 + species number) x 500 + recording number
    Tsound_bar* bar = nullptr; // made on first paint; owned by the window's sound bars
    int slider_position = 0;   // kept while the bar does not exist, so a new bar starts where the old one was
};

// A picture drawn beside the species text (the species' thumbnail). The photos code supplies it
// through a factory; without one no pictures lines are made.
class TextPicture {
public:
    virtual ~TextPicture() = default;
    virtual QSize size() const = 0;
    virtual void draw(QPainter& painter, QPoint top_left) const = 0;
    virtual std::unique_ptr<TextPicture> clone() const = 0;
};
// Returns the species' text picture, or none when it has none (or it cannot be loaded).
using TextPictureFactory = std::function<std::unique_ptr<TextPicture>(const Tspecies& species)>;
void set_text_picture_factory(TextPictureFactory factory);
// Whether a species has a text picture, without making one (content icons, the fold box).
using TextPictureTest = std::function<bool(const Tspecies& species)>;
void set_text_picture_test(TextPictureTest test);

struct TShowStringsLine {
    std::uint8_t kind = 0;
    FontRef font;
    std::uint8_t flags = 0;
    int x = 0;
    int painted_x = 0;
    int painted_y = 0; // top of the line's slot when last laid out
    int height = 0;    // 0: shares the row of the line before
    std::string text;
    int extra_indent = 0;       // added to the kind's indent (wrapped lines)
    std::uint32_t laid_out = 0; // the paint pass that last positioned the line
    int number = 0;             // group, family, species or recording number; percentage value
    // Folds: [0] expanded. Content icons: [0] pictures, [1] text pictures, [2] visible recordings.
    std::array<std::uint8_t, 3> state{};
    const Tfamily* family = nullptr;
    const Tspecies* species = nullptr;
    const Tcupaitem* recording = nullptr;
    const TaudioCD* audio_cd = nullptr;
    const Tsubspecies* subspecies = nullptr;
    std::unique_ptr<TSoundBarRecord> sound_bar;
    std::unique_ptr<TextPicture> picture;
    TShowStringsLine* next = nullptr;
    TShowStringsLine* prev = nullptr;

    bool expanded() const { return state[0] != 0; }
    int bottom() const { return painted_y + height; }
};

class TShowStrings {
public:
    // The class test of the recordings a document lists (item_class_passes): every class.
    static constexpr int item_mode = 3;

    explicit TShowStrings(TShowForm* owner);
    ~TShowStrings();
    TShowStrings(const TShowStrings&) = delete;
    TShowStrings& operator=(const TShowStrings&) = delete;

    // ---- building ----
    // Copies the settings (or makes the defaults), builds the first level and selects the first line.
    void build(const SHST_TClassShowStringsData* settings);
    // Duplicates every line of source with its folding (texts copied, pictures duplicated, sound-bar
    // records without their bar) and the settings; the copy starts at the top with its first
    // selectable line selected.
    void copy_from(const TShowStrings& source);

    // ---- folding ----
    // Unfolds or folds at a fold line, a header or a name (the fold line is the line before the
    // header). Returns whether the document changed; scroll_amount() then holds the scroll after
    // unfolding. With paint_now the pane repaints from the fold line down.
    bool toggle_fold(TShowStringsLine* line, bool unfold_only, bool fold_only, bool paint_now);
    int scroll_amount() const { return scroll_amount_; }
    // Folds every group and family, selects the first line.
    void fold_all();
    // Re-creates the name lines of every family and species shown (the options dialog).
    void apply_name_settings(bool scientific, bool other_language, int main_name);
    // Wraps every wrapped line again for the pane's width and the font table (after a resize or a
    // text size change).
    void relayout();

    // ---- view state ----
    TShowStringsViewState capture_view_state() const;
    void restore_view_state(const TShowStringsViewState& state);
    // The line of a family header (species 0) or species header by numbers, or none.
    TShowStringsLine* find_header(int family_number, int species_number) const;

    // ---- queries ----
    TShowStringsLine* head() const { return head_; }
    TShowStringsLine* last() const;
    TShowStringsLine* selected() const { return selected_; }
    TShowStringsLine* current_family() const { return current_family_; }
    TShowStringsLine* current_species() const { return current_species_; }
    const SHST_TClassShowStringsData& settings() const { return settings_; }
    SHST_TClassShowStringsData& settings() { return settings_; }
    int line_count() const { return line_count_; }
    // The sum of the heights of all lines.
    int total_height() const;
    // The sum of the heights of the lines before line.
    int line_top(const TShowStringsLine* line) const;
    // Distances of the selected line's top from the top and the bottom of the view; 10 and 10 when
    // nothing is selected.
    std::pair<int, int> selection_margins() const;
    // The record of the nearest sound-bar line at or before the selection.
    TSoundBarRecord* sound_bar_at_selection() const;
    // The sound-bar line of the recording, or none while its species is folded.
    TShowStringsLine* sound_bar_line(const Tcupaitem& recording) const;
    // The first name line of the current family, and ", " and that of the current species.
    std::string status_text() const;
    // Texts of the recording for an MP3 tag, with this window's name settings: the trimmed title,
    // the cut part's remark, the main name, the recordist and "Quellmark" with the program's title as
    // album for the maker's own recordings (those kept as sound files on the disc), the CD's title
    // as album for the others, and the detail texts joined by CR LF.
    Mp3TagTexts recording_tag_texts(const Tcupaitem& recording) const;
    bool pictures_painted() const { return pictures_painted_; }
    // The text a line shows: "12. " for a species header, a name with ". " when a second follows, ...
    std::string drawn_text(const TShowStringsLine& line) const;
    // The bitmap a line shows (show_bitmap::...), none for lines without one.
    int bitmap_of(const TShowStringsLine& line) const;

    // ---- selection ----
    // Selects the line and makes its family and species the current ones; none clears the selection.
    void set_selected(TShowStringsLine* line) { select(line); }
    void set_current(TShowStringsLine* family_header, TShowStringsLine* species_header);
    // The first selectable line (a group header or the first name of the first family).
    TShowStringsLine* first_selectable() const;
    TShowStringsLine* last_selectable() const;
    // Whether the selected line counts as visible in the last painted view.
    bool selection_visible() const;

    // ---- find ----
    // Searches the names from the current family (or the top) in the window's order; when found the
    // matching name line is selected and its family (and group) unfolded. With all_name_kinds, names
    // that are not shown are searched too. Returns whether something was found.
    bool find(const std::string& text, bool from_top, bool all_name_kinds = false);
    // Unfolds the species (its group and family first) and selects its first name line. False when
    // the window's filter hides it.
    bool show_species(const Tspecies& species);

    // ---- painting and hit testing (species_document_view.cpp) ----
    // Paints the lines that meet rect (document coordinates) onto painter, whose origin the caller
    // has shifted by the scroll position; view is the visible part of the document. With a null
    // painter only the positions are laid out (for hit tests before the first paint).
    void paint(QPainter* painter, const QRect& rect, const QRect& view, bool active);
    // The line whose row contains y, searching from the first visible line; none below the end.
    TShowStringsLine* line_at(QPoint point) const;
    // What lies under the point: for the cursor and for clicks.
    bool is_clickable(QPoint point) const;
    // A left click at a document point: folds and selects, and asks for the windows it opens.
    DocumentChange click(QPoint point);
    const QRect& last_painted() const { return last_painted_; }
    TShowStringsLine* first_visible() const { return first_visible_; }
    void reset_first_visible() {
        first_visible_ = nullptr;
        first_visible_top_ = 0;
    }

    // ---- keyboard (species_document_view.cpp) ----
    // Moves the selection to the previous or next selectable line, and says whether the view must
    // scroll to show it; nothing moves when there is no such line.
    SelectionMove move_selection(bool down, int client_height);
    // Enter, Space, numeric plus and minus on the selection.
    DocumentChange toggle_selection(bool unfold_only, bool fold_only);
    // Ctrl+M, Ctrl+P, Ctrl+R on the selection: the window to open, or a beep when there is none.
    SpeciesRequest map_of_selection() const;
    SpeciesRequest pictures_of_selection() const;
    SpeciesRequest literature_of_selection() const;

    // ---- sound bars ----
    ShowSoundBars& sound_bars() { return *sound_bars_; }
    void set_sound_bar_dragging(bool enabled);
    // Sonogram strips under the sound bars of recordings with a file: the listening setting, read by
    // build(); changing it lays the document out again (the rows below a bar move by the strip's slot).
    bool sonogram_strips() const { return strips_; }
    void set_sonogram_strips(bool shown);
    bool has_strip(const Tcupaitem* recording) const;

    TShowForm* owner() const { return owner_; }

private:
    friend class ShowStringsTestAccess;

    using Line = TShowStringsLine;
    void select(Line* line);
    Line* append_after(Line* after, std::unique_ptr<Line> line);
    void remove_line(Line* line);
    void remove_after_until(Line* from, const std::function<bool(const Line&)>& stop);
    void clear();

    std::unique_ptr<Line> make_line(std::uint8_t kind) const;
    Line* append_names(Line* after, const std::string& scientific, const std::string& other, bool species);
    Line* append_families(Line* after, int group);
    Line* append_species(Line* after, const Line& family_header);
    Line* append_species_lines(Line* after, const Tspecies& species, int family_number, int species_number);
    Line* unfold_species(Line* fold);
    Line* unfold_details(Line* fold);
    void adjust_following_fold(Line* species_fold);
    Line* block_end(Line* fold) const;
    void wrap_line(Line& line) const;
    int available_width(const Line& line) const;
    // The row of the recording's code and title, below its bar (and its strip).
    int code_row_height(const Tcupaitem* recording) const;
    std::string subspecies_header_text(const Tspecies& species, const Tsubspecies* subspecies) const;
    std::string recording_title_text(const Tcupaitem& item, int stars) const;
    std::array<std::string, 3> detail_texts(const Tcupaitem& item) const;
    std::string main_name_of(const Tspecies& species) const;
    bool species_has_text(const Tspecies& species) const;
    bool species_unfoldable(const Tspecies& species) const;
    void fold_at(Line* fold);
    Line* header_of(Line* fold) const;
    Line* first_name_after(Line* header) const;
    Line* owning_header(const Line* line, std::uint8_t header_kind) const;
    void unfold_group_of(const Tfamily& family);
    Line* unfold_family_number(int family_number);

    // Painting helpers (species_document_view.cpp).
    struct Pen {
        int x = 0;
        int y = 0;
    };
    void lay_out_line(Line& line, Pen& pen, QPainter* painter);
    void draw_line_text(QPainter* painter, const Line& line, Pen& pen, bool highlight) const;
    Line* start_line_for(int top);
    bool link_at(const Line& line, QPoint point, std::string* link_text) const;
    bool bitmap_hit(const Line& line, QPoint point, bool* left_half) const;
    bool picture_hit(const Line& line, QPoint point) const;
    Line* picture_at(QPoint point) const;
    void select_after_click(Line* clicked);
    bool in_visible_test(const Line* line) const;

    TShowForm* owner_;
    SHST_TClassShowStringsData settings_;
    std::unique_ptr<ShowSoundBars> sound_bars_;
    Line* head_ = nullptr;
    Line* tail_ = nullptr;
    int line_count_ = 0;
    Line* selected_ = nullptr;
    Line* current_family_ = nullptr;
    Line* current_species_ = nullptr;
    Line* first_visible_ = nullptr;
    int first_visible_top_ = 0;
    QRect last_painted_;
    int scroll_amount_ = 0;
    bool pictures_painted_ = false;
    int layout_width_ = 0;
    std::uint32_t pass_ = 1;
    bool line_is_highlighted_ = false;
    bool strips_ = false;
    std::vector<TSonogramStrip*> placed_strips_; // in this paint pass
};

} // namespace morvelin
