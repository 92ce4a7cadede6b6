#include "ui/sound/comparison_form.h"

#include "core/data/data_loader.h"
#include "core/data/records.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/settings/settings_sections.h"
#include "core/sound/players.h"
#include "core/sound/recording_tag_texts.h"
#include "core/sound/sound_bar_state.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/show_strings.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/qt_text.h"
#include "ui/sound/sonogram_plot.h"
#include "ui/sound/sound_bar.h"
#include "ui/windows/window_registry.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace morvelin {

namespace {

const char* const texts_key = "COMPARISON";

QString line(int n, const char* english) {
    return line_or(texts_key, n, english);
}

std::string message_line(int n, const char* english) {
    return disc_text(line(n, english));
}

// Margins of a row's plot: the kHz labels at the left, the seconds below.
constexpr int margin_left = 44;
constexpr int margin_right = 10;
constexpr int plot_minimum_height = 90;

// The CDs that the first main window plays from the hard disk: for recordings that come from a file
// and not from a bar.
NumberSet main_window_cds_on_hd() {
    TChildForm* main = top_forms().main_child_form();
    return main && main->pane() ? main->pane()->strings().settings().visible.carriers.cds_on_hd : NumberSet{};
}

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::vector<FileFilter> comparison_filters() {
    return {{message_line(6, "Comparison files"), "*.cmp"}};
}

} // namespace

// ---- a row ----

TComparisonRow::TComparisonRow(TComparisonForm& form, const Tcupaitem& recording, const NumberSet& files_instead_of_cd)
    : form_(form), recording_(recording) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    SoundBarSetup setup;
    setup.owner = this;
    setup.recording = &recording;
    setup.files_instead_of_cd = files_instead_of_cd;
    bar_ = std::make_unique<Tsound_bar>(setup);
    bar_->place(margin_left, bar_->number_line_height() + 2);
    bar_->show();

    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    label_->setText(label_text());
    QFont bold = label_->font();
    bold.setBold(true);
    label_->setFont(bold);

    remove_ = new QToolButton(this);
    remove_->setText(line(4, "Remove"));
    remove_->setToolTip(line(5, "Remove this recording from the comparison"));
    // Queued: the row, and with it the button, is deleted once the click has been handled.
    connect(
        remove_, &QToolButton::clicked, &form_,
        [form = &form_, item = &recording_] { form->remove_row(form->set().index_of(*item)); }, Qt::QueuedConnection);

    setMinimumHeight(header_height() + plot_minimum_height + fontMetrics().height() + 10);
    setToolTip(line(14, "Click a sonogram to play from there. Wheel or + and -: time zoom, with Ctrl: frequency zoom; "
                        "Shift+wheel, arrows, Home and End: scroll; F: the full band."));
    handle_ = open_sound_bar_sonogram(*bar_);
}

TComparisonRow::~TComparisonRow() = default;

QString TComparisonRow::label_text() const {
    const Mp3TagTexts tags = recording_tag_texts_from_data(recording_);
    QString text = qt_text(tags.genre);
    if (!tags.title.empty()) text += (text.isEmpty() ? "" : ": ") + qt_text(tags.title);
    if (recording_.cut_part) text += "  [" + qt_text(recording_.cut_part->key) + "]";
    return text;
}

int TComparisonRow::header_height() const {
    return bar_->number_line_height() + bar_->slider_row_height() + 4;
}

QRect TComparisonRow::plot_rect() const {
    const int top = header_height() + 2;
    const int bottom_margin = fontMetrics().height() + 8;
    return QRect(margin_left, top, std::max(width() - margin_left - margin_right, 10),
                 std::max(height() - top - bottom_margin, 10));
}

double TComparisonRow::x_of_seconds(double seconds) const {
    const QRect plot = plot_rect();
    const SonogramRange& r = form_.range();
    return plot.left() + (seconds - r.t0) / std::max(r.span_s, 1e-6) * plot.width();
}

double TComparisonRow::seconds_at_x(double x) const {
    const QRect plot = plot_rect();
    const SonogramRange& r = form_.range();
    return r.t0 + (x - plot.left()) / plot.width() * r.span_s;
}

double TComparisonRow::y_of_hz(double hz) const {
    const QRect plot = plot_rect();
    const SonogramRange& r = form_.range();
    return plot.top() + plot.height() * (1 - (hz - r.low_hz) / std::max(r.high_hz - r.low_hz, 1.0));
}

void TComparisonRow::view_changed() {
    plot_dirty_ = true;
    if (handle_.worker && handle_.sonogram)
        handle_.worker->want_from(std::int64_t(form_.range().t0 / handle_.sonogram->column_seconds()));
    update();
}

void TComparisonRow::refresh() {
    if (handle_.sonogram && handle_.sonogram->blocks_done() != blocks_seen_) {
        blocks_seen_ = handle_.sonogram->blocks_done();
        plot_dirty_ = true;
        update();
    }
    const double seconds = sound_bar_seconds(*bar_);
    if (std::abs(seconds - cursor_s_) > 1e-9) {
        cursor_s_ = seconds;
        if (bar_->is_playing()) form_.follow(seconds);
        update();
    }
}

void TComparisonRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRect plot = plot_rect();
    const qreal scale = devicePixelRatioF();
    const QSize device(int(std::lround(plot.width() * scale)), int(std::lround(plot.height() * scale)));
    if (plot_dirty_ || plot_cache_.size() != device) {
        plot_cache_ = render_sonogram(handle_.sonogram.get(), form_.range(), form_.level_colours(), form_.colour_map(), device);
        plot_cache_.setDevicePixelRatio(scale);
        plot_dirty_ = false;
    }
    painter.drawImage(plot.topLeft(), plot_cache_);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    const QFontMetrics metrics = painter.fontMetrics();
    const SonogramRange& r = form_.range();

    const double khz_step = sonogram_axis_step((r.high_hz - r.low_hz) / 1000, std::max(plot.height() / 30, 2));
    for (double khz = std::ceil(r.low_hz / 1000 / khz_step) * khz_step; khz <= r.high_hz / 1000 + 1e-6; khz += khz_step) {
        const double y = y_of_hz(khz * 1000);
        painter.drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, plot.left() - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, sonogram_axis_text(khz, khz_step));
    }
    const double step = sonogram_axis_step(r.span_s, std::max(plot.width() / 80, 2));
    const double first_t = std::ceil(r.t0 / step) * step;
    for (double t = first_t; t <= r.t0 + r.span_s + 1e-9; t += step) {
        const double x = x_of_seconds(t);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        painter.drawText(QRectF(x - 40, plot.bottom() + 5, 80, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         sonogram_axis_text(t, step));
    }
    // The unit ends clear of the first label, which is centred on its tick.
    const double first_label_left = x_of_seconds(first_t) - metrics.horizontalAdvance(sonogram_axis_text(first_t, step)) / 2.0;
    painter.drawText(QRectF(0, plot.bottom() + 5, std::min<double>(plot.left(), first_label_left) - 6, metrics.height()),
                     Qt::AlignRight | Qt::AlignTop, sonogram_line(3, "s"));

    std::string problem = handle_.sonogram ? handle_.sonogram->error() : handle_.error;
    if (!problem.empty()) {
        painter.drawText(plot.adjusted(6, 4, -6, -4), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         sonogram_line(12, "The sonogram cannot be made:") + " " + qt_text(problem));
    }
    if (cursor_s_ >= r.t0 && cursor_s_ <= r.t0 + r.span_s) {
        const double x = x_of_seconds(cursor_s_);
        painter.setPen(QPen(form_.colour_map() == 1 ? QColor(Qt::cyan) : QColor(Qt::red), 1));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
}

void TComparisonRow::resizeEvent(QResizeEvent* event) {
    const int header = header_height();
    const int bar_right = bar_->bar_left() + bar_->bar_width() + 12;
    const QSize button = remove_->sizeHint();
    remove_->setGeometry(width() - margin_right - button.width(), (header - button.height()) / 2, button.width(),
                         button.height());
    label_->setGeometry(bar_right, 0, std::max(remove_->x() - bar_right - 8, 10), header);
    plot_dirty_ = true;
    QWidget::resizeEvent(event);
}

void TComparisonRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !plot_rect().contains(event->position().toPoint())) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    // As if the bar's slider were moved: a playing bar continues there.
    cursor_s_ = seek_sound_bar(*bar_, seconds_at_x(event->position().x()));
    update();
    event->accept();
}

void TComparisonRow::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    const double factor = std::pow(1.25, notches);
    const QPointF at = event->position();
    if (event->modifiers() & Qt::ControlModifier) {
        const QRect plot = plot_rect();
        const SonogramRange& r = form_.range();
        form_.zoom_frequency(factor, r.low_hz + (1 - (at.y() - plot.top()) / plot.height()) * (r.high_hz - r.low_hz));
    } else if (event->modifiers() & Qt::ShiftModifier) {
        form_.scroll_time(-notches * form_.range().span_s / 10);
    } else {
        form_.zoom_time(factor, seconds_at_x(at.x()));
    }
    event->accept();
}

// ---- the window ----

TComparisonForm::TComparisonForm(QWidget* parent) : TForm<QWidget>(parent, Qt::Window) {
    setWindowTitle(line(0, "Comparison"));
    // A tool window: it neither keeps the program running after the last main window closes nor
    // outlives being closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose, true);
    resize(900, 520);

    const settings::SonogramSettings stored = settings::read_sonogram_settings();
    look_ = {0, stored.brightness, stored.contrast};
    apply_listening_settings(look_, range_);
    palette_ = sonogram_palette(look_);

    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    open_button_ = new QPushButton(line(2, "Open comparison") + "...", this);
    save_button_ = new QPushButton(line(3, "Save comparison") + "...", this);
    connect(open_button_, &QPushButton::clicked, this, &TComparisonForm::open_click);
    connect(save_button_, &QPushButton::clicked, this, &TComparisonForm::save_click);
    buttons->addWidget(open_button_);
    buttons->addWidget(save_button_);
    buttons->addStretch();
    layout->addLayout(buttons);

    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    rows_widget_ = new QWidget(scroll_);
    rows_layout_ = new QVBoxLayout(rows_widget_);
    rows_layout_->setContentsMargins(0, 0, 0, 0);
    empty_hint_ = new QLabel(line(13, "\"Compare\" in a sound bar's menu (or the C key on a selected bar) adds its "
                                      "recording here."),
                             rows_widget_);
    empty_hint_->setWordWrap(true);
    rows_layout_->addWidget(empty_hint_);
    rows_layout_->addStretch();
    scroll_->setWidget(rows_widget_);
    layout->addWidget(scroll_, 1);

    remember_geometry({settings::SonogramSettings::section, "Comparison Coord"});
    timer_ = new QTimer(this);
    timer_->setInterval(refresh_interval_ms);
    connect(timer_, &QTimer::timeout, this, &TComparisonForm::refresh);
    timer_->start();
    rows_changed();
    top_forms().set_exit_question(this, [this] {
        if (!ask_save()) return false;
        set_modified(false); // a set the user chose not to keep is not asked about again
        return true;
    });
}

TComparisonForm::~TComparisonForm() {
    top_forms().set_exit_question(this, {});
    // The bars go with their rows before the window's other children.
    for (TComparisonRow* row : rows_)
        delete row;
}

bool TComparisonForm::add_from_bar(const Tsound_bar& bar) {
    return add_recording(bar.recording(), bar.state().files_instead_of_cd());
}

bool TComparisonForm::add_recording(const Tcupaitem& recording, const NumberSet& files_instead_of_cd) {
    switch (set_.add(recording)) {
    case ComparisonSet::Added::already_there:
        scroll_->ensureWidgetVisible(&row(set_.index_of(recording)));
        return false;
    case ComparisonSet::Added::full:
        show_message(message_line(7, "At most six recordings can be compared. Remove one of them first."),
                     mb::icon_warning);
        return false;
    case ComparisonSet::Added::added:
        break;
    }
    add_row(recording, files_instead_of_cd);
    rows_changed();
    set_modified(true);
    return true;
}

void TComparisonForm::add_row(const Tcupaitem& recording, const NumberSet& files_instead_of_cd) {
    auto* row = new TComparisonRow(*this, recording, files_instead_of_cd);
    rows_layout_->insertWidget(static_cast<int>(rows_.size()), row, 1);
    rows_.push_back(row);
    row->show();
}

void TComparisonForm::remove_row(int row) {
    if (!set_.remove(row)) return;
    TComparisonRow* removed = rows_[static_cast<std::size_t>(row)];
    rows_.erase(rows_.begin() + row);
    delete removed;
    rows_changed();
    set_modified(true);
}

void TComparisonForm::remove_all() {
    while (!rows_.empty())
        remove_row(row_count() - 1);
}

void TComparisonForm::rows_changed() {
    // Every row to one scale: the longest recording across the plot, the highest frequency any holds.
    double length = 0;
    double top = 0;
    for (const TComparisonRow* row : rows_) {
        if (const auto& s = row->handle().sonogram) {
            length = std::max(length, s->seconds());
            top = std::max(top, s->sample_rate() / 2.0);
        }
    }
    range_.length_s = length;
    if (top > 0) range_.top_hz = top;
    range_.t0 = 0;
    range_.span_s = length;
    range_.clamp();
    empty_hint_->setVisible(rows_.empty());
    save_button_->setEnabled(!rows_.empty());
    view_changed();
}

void TComparisonForm::view_changed() {
    range_.clamp();
    for (TComparisonRow* row : rows_)
        row->view_changed();
}

void TComparisonForm::zoom_time(double factor, double anchor_s) {
    range_.zoom_time(factor, anchor_s);
    view_changed();
}

void TComparisonForm::zoom_frequency(double factor, double anchor_hz) {
    range_.zoom_frequency(factor, anchor_hz);
    view_changed();
}

void TComparisonForm::scroll_time(double seconds) {
    range_.scroll(seconds);
    view_changed();
}

void TComparisonForm::follow(double seconds) {
    const double t0 = range_.t0;
    range_.follow(seconds);
    if (range_.t0 != t0) view_changed();
}

void TComparisonForm::refresh() {
    for (TComparisonRow* row : rows_)
        row->refresh();
}

bool TComparisonForm::save_to(const std::string& path) {
    if (write_comparison_file(path, set_, PlayListProduct::running())) {
        folder_ = folder_of(path);
        set_modified(false);
        return true;
    }
    show_message(message_line(10, "The comparison could not be saved:") + " " + message_text_from_path(path),
                 mb::icon_error);
    return false;
}

bool TComparisonForm::save_click() {
    if (set_.empty()) return false;
    auto path = dialog_port().save_file(message_line(3, "Save comparison"), folder_, "comparison.cmp",
                                        comparison_filters());
    if (!path || path->empty()) return false;
    if (path->substr(path->find_last_of('/') + 1).find('.') == std::string::npos) *path += ".cmp";
    return save_to(*path);
}

void TComparisonForm::set_modified(bool modified) {
    modified_ = modified && !rows_.empty();
    setWindowTitle(line(0, "Comparison") + (modified_ ? QStringLiteral(" *") : QString()));
}

bool TComparisonForm::ask_save() {
    if (!modified_) return true;
    const int answer = show_message(message_line(16, "Save the recordings of this comparison?"),
                                    mb::question_yes_no_cancel);
    if (answer == id::cancel) return false;
    if (answer == id::yes) return save_click();
    return true;
}

void TComparisonForm::closeEvent(QCloseEvent* event) {
    if (!top_forms().closing_all() && !ask_save()) {
        event->ignore();
        return;
    }
    TForm<QWidget>::closeEvent(event);
}

void TComparisonForm::open_click() {
    if (!ask_save()) return;
    const auto path = dialog_port().open_file(message_line(2, "Open comparison"), folder_, comparison_filters());
    if (path && !path->empty()) load(*path);
}

bool TComparisonForm::load(const std::string& path) {
    const ComparisonReadResult result = read_comparison_file(path, data_set(), PlayListProduct::running());
    switch (result.status) {
    case ComparisonLoad::not_a_comparison:
        show_message(message_line(8, "This is not a comparison file:") + "\n" + message_text_from_path(path),
                     mb::icon_error);
        return false;
    case ComparisonLoad::other_product:
        show_message(message_line(9, "This comparison was made on another disc and cannot be opened here:") + "\n" +
                         message_text_from_path(path),
                     mb::icon_error);
        return false;
    case ComparisonLoad::loaded:
        break;
    }
    folder_ = folder_of(path);
    if (result.other_version)
        show_message(message_line(11, "This comparison was made with another version of the disc; its recordings "
                                      "may differ."),
                     mb::icon_warning);
    remove_all();
    const NumberSet cds = main_window_cds_on_hd();
    for (const Tcupaitem* recording : result.set.recordings()) {
        set_.add(*recording);
        add_row(*recording, cds);
    }
    rows_changed();
    set_modified(false);
    if (!result.unresolved.empty()) {
        std::string text = message_line(12, "These entries name no recording on this disc and were left out:");
        for (const std::string& entry : result.unresolved)
            text += "\n" + entry;
        show_message(text, mb::icon_warning);
    }
    if (result.beyond_limit > 0)
        show_message(message_line(15, "Only the first six recordings of the file were opened."), mb::icon_warning);
    return true;
}

void TComparisonForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (apply_sonogram_view_key(range_, event->key(), event->modifiers() & Qt::ControlModifier)) {
        view_changed();
        return;
    }
    QWidget::keyPressEvent(event);
}

WindowFactory comparison_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest& request) { return request.sound_bar != nullptr; };
    factory.create = [](const WindowRequest&, WindowRegistry&) -> QWidget* { return new TComparisonForm; };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        auto& form = static_cast<TComparisonForm&>(window);
        if (request.sound_bar) form.add_from_bar(*request.sound_bar);
        form.show();
        form.raise();
        form.activateWindow();
    };
    return factory;
}

} // namespace morvelin
