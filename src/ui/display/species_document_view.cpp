// The species document's painting, hit testing and keyboard half: where each line goes on the pane,
// what a click or a key on it means. The building and folding half is in show_strings.cpp.

#include "ui/display/show_strings.h"

#include "core/data/data_texts.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "ui/display/show_form.h"
#include "ui/display/show_sound_bars.h"
#include "ui/display/text_drawing.h"
#include "ui/sound/sonogram_strip.h"

#include <QPainter>

#include <algorithm>

namespace morvelin {

namespace {

// The rows of the document put text baselines a fixed distance below the row (12 pixels with the
// default size). Bitmaps keep their offsets relative to a row moved down so that they stand level
// with the capitals of the text.
int baseline_offset() {
    return TShowFonts::instance().metrics(FontRef{}).ascent() - 2;
}
int bitmap_shift() {
    const QFontMetrics& m = TShowFonts::instance().metrics(FontRef{});
    return baseline_offset() - (m.capHeight() + 1) / 2;
}

} // namespace

// ---------------------------------------------------------------- painting

namespace {

using Line = TShowStringsLine;

bool is_bitmap_kind(std::uint8_t kind) {
    switch (kind) {
    case line_kind::group_fold:
    case line_kind::family_fold:
    case line_kind::species_fold:
    case line_kind::map_button:
    case line_kind::content_icons:
    case line_kind::subspecies_pictures:
    case line_kind::recording_fold:
        return true;
    default:
        return false;
    }
}

// The sound-bar line of the row above a recording's code row, when the bar was laid out in this pass:
// its strip lies between the two rows.
TSoundBarRecord* bar_above_code_row(const Line& line, std::uint32_t pass) {
    if (line.height == 0 || (line.kind != line_kind::recording_fold && line.kind != line_kind::recording_code))
        return nullptr;
    for (const Line* l = line.prev; l; l = l->prev) {
        if (l->kind == line_kind::sound_bar) return l->laid_out == pass ? l->sound_bar.get() : nullptr;
        if (l->kind != line_kind::cd_line) return nullptr;
    }
    return nullptr;
}

bool is_text_kind(std::uint8_t kind) {
    return !is_bitmap_kind(kind) && kind != line_kind::sound_bar && kind != line_kind::pictures &&
           kind != line_kind::family_header;
}

} // namespace

int TShowStrings::bitmap_of(const Line& line) const {
    switch (line.kind) {
    case line_kind::group_fold:
    case line_kind::family_fold:
        return line.expanded() ? show_bitmap::minus : show_bitmap::plus;
    case line_kind::species_fold:
        if (!species_unfoldable(*line.species)) return show_bitmap::invisible;
        return line.expanded() ? show_bitmap::species_minus : show_bitmap::species_plus;
    case line_kind::map_button:
        return show_bitmap::little_map;
    case line_kind::content_icons: {
        const bool pictures = line.state[0] != 0;
        const bool recordings = line.state[2] != 0;
        if (pictures && recordings) return show_bitmap::pictures_and_recordings;
        if (pictures) return show_bitmap::pictures;
        if (recordings) return show_bitmap::recordings;
        return show_bitmap::none;
    }
    case line_kind::subspecies_pictures:
        return show_bitmap::pictures;
    case line_kind::recording_fold:
        return line.expanded() ? show_bitmap::little_minus : show_bitmap::little_plus;
    default:
        return show_bitmap::none;
    }
}

std::string TShowStrings::drawn_text(const Line& line) const {
    switch (line.kind) {
    case line_kind::family_header:
        return {};
    case line_kind::species_header:
    case line_kind::recording_number:
        return std::to_string(line.number) + ". ";
    case line_kind::percentage: {
        std::string label = language_texts().get_line("QM_SHSTR", 3);
        if (!label.empty() && label[0] >= 'a' && label[0] <= 'z') label[0] = static_cast<char>(label[0] - 32);
        return label + std::to_string(line.number) + "%";
    }
    default:
        if (is_name_kind(line.kind) && (line.flags & line_flag::second_name_follows)) return line.text + ". ";
        return line.text;
    }
}

void TShowStrings::draw_line_text(QPainter* painter, const Line& line, Pen& pen, bool highlight) const {
    const std::string text = drawn_text(line);
    if (text.empty()) return;
    const TShowFonts& fonts = TShowFonts::instance();
    const TextLayout layout = layout_markup(text, line.font);
    const int lh = fonts.line_height();
    const int n = layout.line_count();
    int baseline = pen.y + baseline_offset();
    if (line.kind == line_kind::recording_number && (line.flags & line_flag::connecting_line)) {
        if (painter) {
            painter->setPen(QPen(Qt::black, 1));
            painter->drawLine(pen.x, pen.y - 15, pen.x + 25, pen.y);
        }
        baseline += 15;
    }
    if (painter) {
        if (highlight) {
            const QFontMetrics& m = fonts.metrics(line.font);
            const int width = *std::max_element(layout.line_widths.begin(), layout.line_widths.end());
            painter->fillRect(
                QRect(pen.x, baseline - (n - 1) * lh - m.ascent(), width, (n - 1) * lh + m.height()),
                selection_colour);
        }
        for (const TextRun& run : layout.runs) {
            const int y = baseline - (n - 1 - run.line) * lh;
            painter->setFont(run.qfont);
            painter->setPen(run.colour);
            painter->drawText(QPoint(pen.x + run.x, y), run.text);
            if (run.link) painter->fillRect(QRect(pen.x + run.x, y + 1, run.width, 1), link_colour());
        }
    }
    pen.x += layout.line_widths.back();
}

void TShowStrings::lay_out_line(Line& line, Pen& pen, QPainter* painter) {
    if (line.x != 0) pen.x = line.x;
    line.painted_x = pen.x;
    line.painted_y = pen.y;
    line.laid_out = pass_;
    pen.y += line.height;
    if (environment().windows_9x_family && line.painted_y > 31000) painter = nullptr;
    if (painter && strips_) {
        TSoundBarRecord* record = bar_above_code_row(line, pass_);
        if (record && record->bar && has_strip(record->recording)) {
            // The strip takes the top of the code row's slot, the text its usual place below it.
            const int top = line.bottom() - TSonogramStrip::slot_height - last_painted_.top();
            if (TSonogramStrip* strip = sound_bars_->place_strip(*record, top)) placed_strips_.push_back(strip);
        }
    }
    const bool highlight = painter && line_is_highlighted_ && &line == selected_;
    if (is_bitmap_kind(line.kind)) {
        const int index = bitmap_of(line);
        if (index != show_bitmap::none)
            pen.x += draw_show_bitmap(painter, index, QPoint(pen.x, pen.y + bitmap_shift()));
        return;
    }
    if (line.kind == line_kind::sound_bar) {
        if (!line.sound_bar) return;
        // The bars are widgets on the pane's drawing area, which does not scroll with the document.
        pen.x += painter ? sound_bars_->place(*line.sound_bar, pen.x, pen.y - last_painted_.top())
                         : sound_bars_->width(*line.sound_bar);
        return;
    }
    if (line.kind == line_kind::pictures) {
        if (!line.picture) return;
        if (painter) {
            line.picture->draw(*painter, QPoint(pen.x, pen.y));
            pictures_painted_ = true;
        }
        pen.x += line.picture->size().width() + 5;
        return;
    }
    draw_line_text(painter, line, pen, highlight);
}

bool TShowStrings::in_visible_test(const Line* line) const {
    if (!line || line->laid_out != pass_ || last_painted_.isNull()) return false;
    if (line->bottom() < last_painted_.top() - 10) return false;
    const int limit = last_painted_.bottom() + 1 - 5;
    for (const Line* l = first_visible_ ? first_visible_ : head_; l && l != line; l = l->next) {
        if (l->laid_out != pass_ || l->bottom() > limit) return false;
    }
    return true;
}

bool TShowStrings::selection_visible() const {
    return in_visible_test(selected_);
}

TShowStringsLine* TShowStrings::start_line_for(int top) {
    Line* line = first_visible_;
    int line_top = first_visible_top_;
    if (!line) {
        line = head_;
        line_top = 0;
    }
    if (!line) return nullptr;
    // Back while the line's bottom lies less than 150 pixels above the top...
    while (line->prev && line_top + line->height >= top - 150) {
        line = line->prev;
        line_top -= line->height;
    }
    // ...forward to the first line whose bottom does.
    while (line->next && line_top + line->height < top - 150) {
        line_top += line->height;
        line = line->next;
    }
    // Rows are laid out from a line that sets its own x.
    while (line->prev && line->x == 0) {
        line = line->prev;
        line_top -= line->height;
    }
    first_visible_ = line;
    first_visible_top_ = line_top;
    return line;
}

void TShowStrings::paint(QPainter* painter, const QRect& rect, const QRect& view, bool active) {
    ++pass_;
    last_painted_ = view;
    if (owner_ && owner_->client_width() != layout_width_ && head_) relayout();
    Line* line = start_line_for(std::min(rect.top(), view.top()));
    if (!line) return;
    line_is_highlighted_ = false;
    // The visibility test of the selection needs the positions of this pass: lay out the view first.
    Pen pen{0, first_visible_top_};
    const int end = std::max(rect.bottom(), view.bottom()) + 15;
    std::vector<Line*> laid;
    for (Line* l = line; l && pen.y <= end; l = l->next) {
        lay_out_line(*l, pen, nullptr);
        laid.push_back(l);
    }
    line_is_highlighted_ = active && selection_visible() && selected_->kind != line_kind::sound_bar;
    std::vector<TSoundBarRecord*> placed;
    if (painter) {
        pen = Pen{0, first_visible_top_};
        placed_strips_.clear();
        for (Line* l : laid) {
            if (l->sound_bar) placed.push_back(l->sound_bar.get());
            lay_out_line(*l, pen, painter);
        }
        sound_bars_->hide_others(placed, placed_strips_);
        if (active && selected_ && selected_->kind == line_kind::sound_bar && selection_visible())
            sound_bars_->focus(*selected_->sound_bar);
    }
}

// ---------------------------------------------------------------- hit testing

TShowStringsLine* TShowStrings::line_at(QPoint point) const {
    // Rows: a line with a height and the lines of height 0 after it. A row reaches from its top to
    // 15 pixels below its bottom, where its text ends.
    Line* found = nullptr;
    for (Line* l = first_visible_ ? first_visible_ : head_; l; l = l->next) {
        if (l->laid_out != pass_) break;
        if (l->height == 0 && l->prev) continue;
        if (point.y() < l->painted_y) break;
        if (point.y() <= l->bottom() + 15) {
            found = l;
            break;
        }
    }
    return found;
}

bool TShowStrings::bitmap_hit(const Line& line, QPoint point, bool* left_half) const {
    const int index = bitmap_of(line);
    if (index == show_bitmap::none) return false;
    const ShowBitmap& b = show_bitmap_entry(index);
    const QRect r(line.painted_x + b.offset.x(), line.bottom() + bitmap_shift() + b.offset.y(), b.width,
                  b.height);
    if (!r.contains(point)) return false;
    if (left_half) *left_half = point.x() < r.left() + b.width / 2;
    return true;
}

bool TShowStrings::picture_hit(const Line& line, QPoint point) const {
    if (!line.picture) return false;
    const QSize size = line.picture->size();
    const int dx = point.x() - line.painted_x;
    const int dy = point.y() - line.bottom();
    return dx >= 0 && dx <= size.width() && dy >= 0 && dy <= size.height();
}

bool TShowStrings::link_at(const Line& line, QPoint point, std::string* link_text) const {
    if (!is_text_kind(line.kind)) return false;
    const std::string text = drawn_text(line);
    if (text.find(markup::link) == std::string::npos) return false;
    const TShowFonts& fonts = TShowFonts::instance();
    const TextLayout layout = layout_markup(text, line.font);
    const int n = layout.line_count();
    const int baseline = line.bottom() + baseline_offset();
    // The underline is looked for below the point, as far as one text height and never further than
    // 20 pixels below the line.
    const int depth_end = std::min(point.y() + fonts.metrics(line.font).height(), line.bottom() + 20);
    for (std::size_t i = 0; i < layout.runs.size(); ++i) {
        const TextRun& run = layout.runs[i];
        if (!run.link) continue;
        const int underline = baseline - (n - 1 - run.line) * fonts.line_height() + 1;
        const int left = line.painted_x + run.x;
        if (point.x() < left || point.x() >= left + run.width) continue;
        if (underline < point.y() || underline > depth_end) continue;
        if (link_text) {
            // The whole link: the runs of the same link around this one.
            std::size_t a = i, b = i;
            while (a > 0 && layout.runs[a - 1].link &&
                   layout.runs[a - 1].x + layout.runs[a - 1].width == layout.runs[a].x &&
                   layout.runs[a - 1].line == layout.runs[a].line)
                --a;
            while (b + 1 < layout.runs.size() && layout.runs[b + 1].link &&
                   layout.runs[b].x + layout.runs[b].width == layout.runs[b + 1].x)
                ++b;
            link_text->clear();
            for (std::size_t k = a; k <= b; ++k)
                *link_text += layout.runs[k].source;
        }
        if (line.kind == line_kind::literature_link && point.x() > left + 10) return false;
        return true;
    }
    return false;
}

TShowStringsLine* TShowStrings::picture_at(QPoint point) const {
    // Pictures reach over the rows beside them, so they are looked for apart from the rows.
    for (Line* l = first_visible_ ? first_visible_ : head_; l && l->laid_out == pass_; l = l->next) {
        if (l->kind == line_kind::pictures && picture_hit(*l, point)) return l;
    }
    return nullptr;
}

bool TShowStrings::is_clickable(QPoint point) const {
    if (picture_at(point)) return true;
    Line* row = line_at(point);
    if (!row) return false;
    for (Line* l = row; l && (l == row || l->height == 0); l = l->next) {
        switch (l->kind) {
        case line_kind::group_fold:
        case line_kind::family_fold:
        case line_kind::species_fold:
        case line_kind::recording_fold:
            if (bitmap_of(*l) != show_bitmap::invisible && bitmap_hit(*l, point, nullptr)) return true;
            break;
        case line_kind::map_button:
        case line_kind::content_icons:
        case line_kind::subspecies_pictures:
            if (bitmap_hit(*l, point, nullptr)) return true;
            break;
        case line_kind::literature_link:
        case line_kind::threatened_status:
        case line_kind::cd_line:
        case line_kind::species_text:
        case line_kind::detail_recordist:
        case line_kind::detail_locality:
            if (link_at(*l, point, nullptr)) return true;
            break;
        default:
            break;
        }
    }
    return false;
}

void TShowStrings::select_after_click(Line* clicked) {
    if (clicked) {
        select(clicked);
    } else if (current_species_) {
        select(first_name_after(current_species_));
    } else if (current_family_) {
        select(first_name_after(current_family_));
    }
}

namespace {
SpeciesRequest request(SpeciesRequest::Kind kind, const Tspecies* species, QPoint at = {}) {
    SpeciesRequest r;
    r.kind = kind;
    r.species = species;
    r.x = at.x();
    r.y = at.y();
    return r;
}
} // namespace

DocumentChange TShowStrings::click(QPoint point) {
    using Kind = SpeciesRequest::Kind;
    DocumentChange change;
    scroll_amount_ = 0;
    if (Line* pictures = picture_at(point)) {
        if (pictures->species->picture_count > 0)
            change.requests.push_back(request(Kind::species_pictures, pictures->species));
        return change;
    }
    Line* row = line_at(point);
    if (!row) return change;
    change.repaint_from = row->painted_y;
    std::vector<Line*> lines;
    for (Line* l = row; l && (l == row || l->height == 0); l = l->next)
        lines.push_back(l);

    Line* to_select = nullptr;
    for (Line* l : lines) {
        if (l->kind == line_kind::group_header) {
            to_select = l;
        } else if (l->kind == line_kind::family_header) {
            set_current(l, nullptr);
            to_select = first_name_after(l);
        } else if (l->kind == line_kind::species_header) {
            set_current(owning_header(l, line_kind::family_header), l);
            to_select = first_name_after(l);
        } else if (l->kind == line_kind::recording_code) {
            set_current(owning_header(l, line_kind::family_header),
                        owning_header(l, line_kind::species_header));
        }
    }

    bool left = false;
    std::string link;
    for (Line* l : lines) {
        switch (l->kind) {
        case line_kind::group_fold:
        case line_kind::family_fold:
        case line_kind::species_fold:
        case line_kind::recording_fold:
            if (bitmap_of(*l) != show_bitmap::invisible && bitmap_hit(*l, point, nullptr)) {
                if (l->kind == line_kind::recording_fold && l->next &&
                    l->next->kind == line_kind::recording_code)
                    to_select = l->next;
                change.changed = toggle_fold(l, false, false, false);
                change.scroll_amount = scroll_amount_;
            }
            break;
        case line_kind::content_icons:
            if (bitmap_hit(*l, point, &left)) {
                const bool pictures = l->state[0] != 0, recordings = l->state[2] != 0;
                if (pictures && (!recordings || left)) {
                    change.requests.push_back(request(Kind::species_pictures, l->species));
                } else if (recordings) {
                    Line* fold = owning_header(l, line_kind::species_header);
                    if (fold && fold->prev) {
                        change.changed = toggle_fold(fold->prev, true, false, false);
                        change.scroll_amount = scroll_amount_;
                    }
                }
            }
            break;
        case line_kind::map_button:
            if (bitmap_hit(*l, point, nullptr)) change.requests.push_back(request(Kind::species_map, l->species));
            break;
        case line_kind::subspecies_pictures:
            if (bitmap_hit(*l, point, nullptr)) {
                SpeciesRequest r = request(Kind::species_pictures, l->species);
                r.subspecies = l->subspecies;
                r.subspecies_only = true;
                change.requests.push_back(r);
            }
            break;
        case line_kind::literature_link:
            if (link_at(*l, point, nullptr))
                change.requests.push_back(request(Kind::literature, l->species, point + QPoint(0, 4)));
            break;
        case line_kind::threatened_status:
            if (link_at(*l, point, &link)) {
                SpeciesRequest r = request(Kind::threatened_status, l->species, point);
                r.text = link;
                change.requests.push_back(r);
            }
            break;
        case line_kind::cd_line:
            if (link_at(*l, point, nullptr)) {
                SpeciesRequest r = request(Kind::audio_cd, nullptr, point);
                r.audio_cd = l->audio_cd;
                change.requests.push_back(r);
            }
            break;
        case line_kind::species_text:
            if (link_at(*l, point, &link)) {
                SpeciesRequest r = request(Kind::persons, l->species, point);
                r.text = plain_text(link);
                change.requests.push_back(r);
            }
            break;
        case line_kind::detail_recordist:
            if (link_at(*l, point, nullptr) && l->recording->cut_part) {
                SpeciesRequest r = request(Kind::recordist, nullptr, point);
                r.person = l->recording->cut_part->recordist;
                change.requests.push_back(r);
            }
            break;
        case line_kind::detail_locality:
            if (link_at(*l, point, nullptr)) {
                const Tlocality* locality =
                    l->recording->cut_part ? l->recording->cut_part->locality : nullptr;
                SpeciesRequest r;
                if (locality && has_known_place(*locality)) {
                    r.kind = Kind::locality_map;
                    r.locality = locality;
                }
                change.requests.push_back(r);
            }
            break;
        default:
            break;
        }
    }
    select_after_click(to_select);
    return change;
}

// ---------------------------------------------------------------- keyboard

namespace {
bool is_selectable_kind(std::uint8_t kind) {
    return kind == line_kind::group_header || kind == line_kind::family_header ||
           kind == line_kind::species_header || kind == line_kind::sound_bar ||
           kind == line_kind::recording_code;
}
} // namespace

SelectionMove TShowStrings::move_selection(bool down, int client_height) {
    Line* from = selected_;
    if (!from) {
        select(first_selectable());
        return {selected_ != nullptr, selected_ ? 0 : -1};
    }
    // A name stands for its header.
    if (is_name_kind(from->kind) || from->kind == line_kind::other_names) {
        Line* h = owning_header(from, from->kind <= line_kind::family_other ? line_kind::family_header
                                                                            : line_kind::species_header);
        if (h) from = h;
    }
    Line* target = nullptr;
    for (Line* l = down ? from->next : from->prev; l; l = down ? l->next : l->prev) {
        if (is_selectable_kind(l->kind)) {
            target = l;
            break;
        }
    }
    if (!target) return {};
    if (target->kind == line_kind::family_header || target->kind == line_kind::species_header)
        target = first_name_after(target);
    select(target);
    if (target->kind == line_kind::sound_bar && target->sound_bar) sound_bars_->focus(*target->sound_bar);
    if (selection_visible()) return {true, -1};
    const int top = line_top(target);
    return {true, down ? top - 4 * (client_height / 4) + 28 : top - 7};
}

DocumentChange TShowStrings::toggle_selection(bool unfold_only, bool fold_only) {
    DocumentChange change;
    scroll_amount_ = 0;
    Line* s = selected_;
    if (!s || !selection_visible()) return change;
    if (!(is_name_kind(s->kind) || s->kind == line_kind::group_header ||
          s->kind == line_kind::recording_code))
        return change;
    change.repaint_from = s->painted_y - 10;
    change.changed = toggle_fold(s, unfold_only, fold_only, false);
    change.scroll_amount = scroll_amount_;
    return change;
}

namespace {
const Tspecies* species_of_selection(const Line* s, bool* on_recording) {
    *on_recording = false;
    if (!s) return nullptr;
    if (s->kind == line_kind::sound_bar || s->kind == line_kind::recording_code) {
        *on_recording = true;
        return s->recording ? s->recording->species : nullptr;
    }
    if (s->kind == line_kind::species_scientific || s->kind == line_kind::species_other ||
        s->kind == line_kind::other_names) {
        for (const Line* l = s; l; l = l->prev) {
            if (l->kind == line_kind::species_header) return l->species;
        }
    }
    return nullptr;
}
} // namespace

SpeciesRequest TShowStrings::map_of_selection() const {
    bool on_recording = false;
    const Tspecies* species = species_of_selection(selected_, &on_recording);
    if (on_recording) {
        const Tcutpart* cut = selected_->recording ? selected_->recording->cut_part : nullptr;
        if (cut && cut->locality && has_known_place(*cut->locality)) {
            SpeciesRequest r;
            r.kind = SpeciesRequest::Kind::locality_map;
            r.locality = cut->locality;
            return r;
        }
    }
    if (species && (species->map_count > 0 || species->map_flag))
        return request(SpeciesRequest::Kind::species_map, species);
    return {};
}

SpeciesRequest TShowStrings::pictures_of_selection() const {
    bool on_recording = false;
    const Tspecies* species = species_of_selection(selected_, &on_recording);
    if (species && species->picture_count > 0) return request(SpeciesRequest::Kind::species_pictures, species);
    return {};
}

SpeciesRequest TShowStrings::literature_of_selection() const {
    bool on_recording = false;
    const Tspecies* species = species_of_selection(selected_, &on_recording);
    if (!species || species->literature.empty()) return {};
    // Next to the species' literature link when it is laid out, else at the selection.
    QPoint at(0, 0);
    const Line* header = selected_;
    while (header && header->kind != line_kind::species_header)
        header = header->prev;
    for (const Line* l = header; l && l->kind >= line_kind::species_header && l->kind <= line_kind::other_names;
         l = l->next) {
        if (l->kind == line_kind::literature_link && l->laid_out == pass_) {
            at = QPoint(l->painted_x, l->bottom() + 4 + TShowFonts::instance().line_height());
            break;
        }
    }
    if (at.isNull()) at = QPoint(selected_->painted_x, selected_->bottom() + TShowFonts::instance().line_height());
    return request(SpeciesRequest::Kind::literature, species, at);
}

} // namespace morvelin
