#include "ui/display/show_form.h"

#include "ui/display/show_sound_bars.h"
#include "ui/sound/sound_bar.h"
#include "core/foundation/editions.h"
#include "ui/foundation/qt_text.h"

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

namespace morvelin {

namespace {

QCursor hand_cursor() {
    static const QCursor cursor = [] {
        const QString name = QStringLiteral(":/cursors/") + QString::fromStdString(edition().hand_cursor);
        QImage image(name);
        if (image.isNull()) image = QImage(QStringLiteral(":/cursors/HAND_CURSOR"));
        if (image.isNull()) return QCursor(Qt::PointingHandCursor);
        const int x = image.text(QStringLiteral("HotSpotX")).toInt();
        const int y = image.text(QStringLiteral("HotSpotY")).toInt();
        return QCursor(QPixmap::fromImage(image), x, y);
    }();
    return cursor;
}

} // namespace

TShowForm::TShowForm(QWidget* parent)
    : QAbstractScrollArea(parent), strings_(std::make_unique<TShowStrings>(this)) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(line_increment);
    verticalScrollBar()->setTracking(true);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // The sound bars write their numbers in the pane's font.
    viewport()->setFont(TShowFonts::instance().font(FontRef{}));
    relayout_timer_ = new QTimer(this);
    relayout_timer_->setSingleShot(true);
    relayout_timer_->setInterval(0);
    connect(relayout_timer_, &QTimer::timeout, this, &TShowForm::relayout_now);
    focus_connection_ =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focus_changed(now); });
}

TShowForm::~TShowForm() {
    // QWidget's destructor hands the focus on, which must not reach this half-destroyed pane.
    disconnect(focus_connection_);
    // The document's sound bars are children of the viewport: free them while it exists.
    strings_.reset();
}

// From the pane's own size, which is right even before the first resize event reached the viewport.
int TShowForm::client_width() const {
    return std::max(0, contentsRect().width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

int TShowForm::client_height() const {
    return std::max(0, contentsRect().height());
}

int TShowForm::scroll_position() const {
    return verticalScrollBar()->value();
}

void TShowForm::set_scroll_position(int position) {
    verticalScrollBar()->setValue(position);
}

void TShowForm::set_up(const TShowStrings* source, const TShowStringsViewState& state,
                       const SHST_TClassShowStringsData* settings) {
    laid_out_width_ = client_width();
    if (source) {
        strings_->copy_from(*source);
        update_scroll_range();
        scroll_to_apply_ = 0;
    } else {
        strings_->build(settings);
        strings_->restore_view_state(state);
        update_scroll_range();
        scroll_to_apply_ = 0;
        if (state.top_family != 1 || state.top_species != 0) {
            if (TShowStringsLine* header = strings_->find_header(state.top_family, state.top_species))
                scroll_to_apply_ = strings_->line_top(header);
        }
    }
    set_scroll_position(scroll_to_apply_);
    update_status_text();
    viewport()->update();
}

void TShowForm::update_scroll_range() {
    const int range = strings_->total_height() + 100;
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(std::max(1, client_height()));
    bar->setRange(0, std::max(0, range - client_height()));
}

void TShowForm::repaint_from(int document_y) {
    const int y = std::max(0, document_y - scroll_position());
    if (y < client_height()) viewport()->update(0, y, client_width(), client_height() - y);
}

void TShowForm::repaint_all() {
    viewport()->update();
}

void TShowForm::fold_all() {
    strings_->fold_all();
    update_scroll_range();
    set_scroll_position(0);
    repaint_all();
    update_status_text();
    keep_focus_at_selection();
}

bool TShowForm::find(const std::string& text, bool from_top, bool all_name_kinds) {
    const int before = strings_->total_height();
    if (!strings_->find(text, from_top, all_name_kinds)) return false;
    if (strings_->total_height() != before) update_scroll_range();
    if (!strings_->selection_visible()) {
        const int top = strings_->line_top(strings_->selected());
        set_scroll_position(top - quarter_height_);
    }
    repaint_all();
    update_status_text();
    keep_focus_at_selection();
    return true;
}

bool TShowForm::show_species(const Tspecies& species) {
    if (!strings_->show_species(species)) return false;
    update_scroll_range();
    set_scroll_position(strings_->line_top(strings_->selected()) - quarter_height_);
    repaint_all();
    update_status_text();
    keep_focus_at_selection();
    return true;
}

Tsound_bar* TShowForm::show_recording(const Tcupaitem& recording) {
    TShowStringsLine* line = strings_->sound_bar_line(recording);
    if (!line) {
        if (!recording.species || !show_species(*recording.species)) return nullptr;
        line = strings_->sound_bar_line(recording);
        if (!line) return nullptr;
    }
    strings_->set_selected(line);
    // The bar's row with its numbers above it. When it is out of view, the species header goes a
    // quarter down from the top if the bar then shows, else the bar goes there itself.
    const int bar_top = strings_->line_top(line);
    const int rise = 2 * TShowFonts::instance().line_height();
    const auto in_view = [&](int scroll) {
        return bar_top - rise >= scroll && bar_top + rise <= scroll + client_height();
    };
    if (!in_view(scroll_position())) {
        const TShowStringsLine* header = strings_->current_species();
        const int species_scroll = header ? strings_->line_top(header) - quarter_height_ : 0;
        set_scroll_position(header && in_view(species_scroll) ? species_scroll
                                                              : bar_top - std::max(quarter_height_, rise));
    }
    scroll_to_apply_ = scroll_position(); // also when the pane is shown later
    Tsound_bar* bar = strings_->sound_bars().ensure(*line->sound_bar);
    repaint_all();
    update_status_text();
    keep_focus_at_selection();
    return bar;
}

Tsound_bar* TShowForm::recording_bar(const Tcupaitem& recording) const {
    const TShowStringsLine* line = strings_->sound_bar_line(recording);
    return line ? line->sound_bar->bar : nullptr;
}

void TShowForm::set_selection(TShowStringsLine* line) {
    strings_->set_selected(line);
    repaint_all();
    update_status_text();
    keep_focus_at_selection();
}

namespace {
TShowStringsLine* bar_line_holding(const TShowStrings& document, const QWidget* widget) {
    for (TShowStringsLine* l = document.head(); l; l = l->next) {
        const Tsound_bar* bar = l->sound_bar ? l->sound_bar->bar : nullptr;
        if (bar && (bar == widget || bar->isAncestorOf(widget))) return l;
    }
    return nullptr;
}
} // namespace

void TShowForm::keep_focus_at_selection() {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus == viewport() || !viewport()->isAncestorOf(focus)) return; // no bar has it
    TShowStringsLine* selected = strings_->selected();
    if (selected && bar_line_holding(*strings_, focus) == selected) return;
    if (selected && selected->sound_bar && selected->sound_bar->bar)
        strings_->sound_bars().focus(*selected->sound_bar);
    else
        setFocus(Qt::OtherFocusReason);
}

void TShowForm::focus_changed(QWidget* now) {
    if (!now || now == viewport() || !viewport()->isAncestorOf(now)) return;
    TShowStringsLine* line = bar_line_holding(*strings_, now);
    if (!line || line == strings_->selected()) return;
    strings_->set_selected(line);
    repaint_all();
    update_status_text();
}

void TShowForm::apply_name_settings(bool scientific, bool other_language, int main_name) {
    strings_->apply_name_settings(scientific, other_language, main_name);
    update_scroll_range();
    repaint_all();
    update_status_text();
}

void TShowForm::fonts_changed() {
    viewport()->setFont(TShowFonts::instance().font(FontRef{}));
    strings_->relayout();
    update_scroll_range();
    repaint_all();
}

void TShowForm::relayout_now() {
    if (laid_out_width_ == client_width()) return;
    laid_out_width_ = client_width();
    strings_->relayout();
    update_scroll_range();
    repaint_all();
}

void TShowForm::set_active_pane(bool active) {
    if (active_ == active) return;
    active_ = active;
    repaint_all();
}

void TShowForm::update_status_text() {
    std::string text = strings_->status_text();
    if (text == status_text_) return;
    status_text_ = std::move(text);
    emit status_text_changed(qt_text(status_text_));
}

void TShowForm::beep() {
    ++beep_count_;
    QApplication::beep();
}

void TShowForm::act_on(const SpeciesRequest& request, int scroll) {
    using Kind = SpeciesRequest::Kind;
    const QPoint global = viewport()->mapToGlobal(QPoint(request.x, request.y - scroll));
    switch (request.kind) {
    case Kind::beep:
        beep();
        break;
    case Kind::species_map:
        emit species_map_requested(request.species);
        break;
    case Kind::locality_map:
        emit locality_map_requested(request.locality);
        break;
    case Kind::species_pictures:
        emit species_pictures_requested(request.species, request.subspecies, request.subspecies_only);
        break;
    case Kind::literature:
        emit literature_requested(request.species, global);
        break;
    case Kind::threatened_status:
        emit threatened_status_requested(request.species, qt_text(request.text), global);
        break;
    case Kind::audio_cd:
        emit audio_cd_requested(request.audio_cd, global);
        break;
    case Kind::persons:
        emit persons_requested(qt_text(request.text), request.species, global);
        break;
    case Kind::recordist:
        emit recordist_requested(request.person, global);
        break;
    }
}

void TShowForm::apply_change(const DocumentChange& change) {
    if (!change.changed) return;
    repaint_from(change.repaint_from);
    update_scroll_range();
    if (change.scroll_amount > 0) set_scroll_position(scroll_position() + change.scroll_amount);
}

// ---------------------------------------------------------------- events

void TShowForm::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int scroll = scroll_position();
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    painter.translate(0, -scroll);
    const QRect rect = event->rect().translated(0, scroll);
    const QRect view(0, scroll, client_width(), client_height());
    strings_->paint(&painter, rect, view, active_);
    paint_offset_ = scroll;
    update_status_text();
}

void TShowForm::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    quarter_height_ = client_height() / 4;
    update_scroll_range();
    if (laid_out_width_ >= 0 && laid_out_width_ != client_width()) relayout_timer_->start();
}

void TShowForm::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    update_scroll_range();
    set_scroll_position(scroll_to_apply_);
}

void TShowForm::scrollContentsBy(int, int dy) {
    // Moves the sound bars (children of the viewport) along with the picture.
    viewport()->scroll(0, dy);
}

void TShowForm::mouseMoveEvent(QMouseEvent* event) {
    QAbstractScrollArea::mouseMoveEvent(event);
}

void TShowForm::mousePressEvent(QMouseEvent* event) {
    QAbstractScrollArea::mousePressEvent(event);
}

bool TShowForm::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const bool over = strings_->is_clickable(to_document(e->position().toPoint()));
        if (over != hand_cursor_) {
            hand_cursor_ = over;
            viewport()->setCursor(over ? hand_cursor() : QCursor(Qt::ArrowCursor));
        }
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        setFocus(Qt::MouseFocusReason);
        if (e->button() != Qt::LeftButton) return true;
        const QPoint point = e->position().toPoint();
        emit info_windows_close_requested();
        const int scroll = paint_offset_;
        const DocumentChange change = strings_->click(to_document(point));
        for (const SpeciesRequest& request : change.requests)
            act_on(request, scroll);
        apply_change(change);
        repaint_all();
        update_status_text();
        keep_focus_at_selection();
        return true;
    }
    default:
        return QAbstractScrollArea::viewportEvent(event);
    }
}

void TShowForm::wheelEvent(QWheelEvent* event) {
    if (!verticalScrollBar()->isVisible()) {
        event->ignore();
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0) {
        const int step = wheel_increments * line_increment;
        set_scroll_position(scroll_position() + (delta > 0 ? -step : step));
    }
    event->accept();
}

bool TShowForm::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowActivate:
        set_active_pane(true);
        break;
    case QEvent::WindowDeactivate:
        set_active_pane(false);
        break;
    default:
        break;
    }
    return QAbstractScrollArea::event(event);
}

bool TShowForm::focusNextPrevChild(bool) {
    // Tab moves the selection instead of the focus.
    return false;
}

void TShowForm::keyPressEvent(QKeyEvent* event) {
    if (handle_key(event->key(), event->modifiers()))
        event->accept();
    else
        event->ignore();
}

bool TShowForm::handle_key(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key == Qt::Key_Tab && ctrl) return false; // window switching belongs to the main window
    if (key == Qt::Key_Backtab && ctrl) return false;
    emit info_windows_close_requested();
    bool handled = true;
    const auto move = [this](bool down) {
        const SelectionMove move = strings_->move_selection(down, client_height());
        if (!move.moved)
            beep();
        else if (move.scroll_to >= 0)
            set_scroll_position(move.scroll_to);
        repaint_all();
    };
    const auto toggle = [this](bool unfold_only, bool fold_only) {
        const DocumentChange change = strings_->toggle_selection(unfold_only, fold_only);
        apply_change(change);
        repaint_all();
    };
    const auto end_select = [this](bool last) {
        TShowStringsLine* line = last ? strings_->last_selectable() : strings_->first_selectable();
        // The line becomes the current one, which the status bar names.
        strings_->set_selected(line);
        set_scroll_position(last ? verticalScrollBar()->maximum() : 0);
        repaint_all();
    };
    if (key == Qt::Key_Tab && shift) key = Qt::Key_Backtab;
    switch (key) {
    case Qt::Key_Tab:
        move(true);
        break;
    case Qt::Key_Backtab:
        move(false);
        break;
    case Qt::Key_Up:
    case Qt::Key_Left:
        if (ctrl)
            emit volume_step_requested(-2);
        else
            move(false);
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        if (ctrl)
            emit volume_step_requested(2);
        else
            move(true);
        break;
    case Qt::Key_PageUp:
        if (ctrl)
            emit volume_step_requested(-5);
        else
            set_scroll_position(scroll_position() - client_height());
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            emit volume_step_requested(5);
        else
            set_scroll_position(scroll_position() + client_height());
        break;
    case Qt::Key_Home:
        if (ctrl)
            end_select(false);
        else
            handled = false;
        break;
    case Qt::Key_End:
        if (ctrl)
            end_select(true);
        else
            handled = false;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!ctrl) toggle(false, false);
        break;
    case Qt::Key_Plus:
        if (!keypad)
            handled = false;
        else if (ctrl)
            emit volume_step_requested(-1);
        else
            toggle(true, false);
        break;
    case Qt::Key_Minus:
        if (!keypad)
            handled = false;
        else if (ctrl)
            emit volume_step_requested(1);
        else
            toggle(false, true);
        break;
    case Qt::Key_F:
        if (ctrl)
            emit find_requested();
        else
            handled = false;
        break;
    case Qt::Key_F3:
        emit find_again_requested();
        break;
    case Qt::Key_M:
        if (ctrl)
            act_on(strings_->map_of_selection(), scroll_position());
        else
            handled = false;
        break;
    case Qt::Key_P:
        if (ctrl)
            act_on(strings_->pictures_of_selection(), scroll_position());
        else
            handled = false;
        break;
    case Qt::Key_R:
        if (ctrl)
            act_on(strings_->literature_of_selection(), scroll_position());
        else
            handled = false;
        break;
    default:
        handled = false;
        break;
    }
    update_status_text();
    keep_focus_at_selection();
    return handled;
}

} // namespace morvelin
