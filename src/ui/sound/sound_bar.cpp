#include "ui/sound/sound_bar.h"

#include "core/data/records.h"
#include "core/foundation/services.h"
#include "core/foundation/utilities.h"
#include "core/sound/file_locations.h"
#include "core/sound/media_port.h"
#include "core/sound/mp3_export.h"
#include "core/sound/sound_bar_state.h"
#include "core/sound/sound_editor.h"
#include "ui/foundation/qt_text.h"
#include "ui/windows/form.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>

#include <algorithm>
#include <array>
#include <filesystem>

namespace morvelin {

namespace {

constexpr int button_width = 22;
constexpr int minimum_row_height = 18;
constexpr int timer_interval_ms = 200;

SoundBarMenuActions menu_actions;
std::vector<Tsound_bar*> all_bars;

enum class Glyph { not_playing, playing, not_playing_cursor, playing_cursor };

// The four glyphs, loaded once per pixel ratio; on a high-density screen the drawn twins at twice
// the size are used so the glyph stays sharp.
const QPixmap& glyph_pixmap(Glyph glyph, qreal ratio) {
    static const std::array<const char*, 4> names = {"SOUNDBAR_BUTTON_NOT_PLAYING", "SOUNDBAR_BUTTON_PLAYING",
                                                     "SOUNDBAR_BUTTON_NOT_PLAYING_CURSOR",
                                                     "SOUNDBAR_BUTTON_PLAYING_CURSOR"};
    static std::array<QPixmap, 4> normal;
    static std::array<QPixmap, 4> doubled;
    const auto index = static_cast<std::size_t>(glyph);
    const bool high = ratio > 1.0;
    QPixmap& slot = high ? doubled[index] : normal[index];
    if (slot.isNull()) {
        const QString name = QStringLiteral(":/bitmaps/") + QLatin1String(names[index]);
        if (high && slot.load(name + QStringLiteral("@2x")))
            slot.setDevicePixelRatio(2.0);
        else
            slot.load(name);
    }
    return slot;
}

bool is_bar_key(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

void install_sound_bar_menu_actions(SoundBarMenuActions actions) {
    menu_actions = std::move(actions);
}

// ---- TBitBtn_sound_bar ----

TBitBtn_sound_bar::TBitBtn_sound_bar(Tsound_bar& bar, QWidget* parent) : QPushButton(parent), bar_(bar) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
}

void TBitBtn_sound_bar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The focus is shown by the glyph and a grey rectangle, not by the style's focus frame.
    option.state &= ~QStyle::State_HasFocus;
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const bool focused = hasFocus() || bar_.slider().hasFocus();
    const bool marked = focused || bar_.highlight();
    const bool playing = bar_.is_playing();
    const Glyph glyph = playing ? (marked ? Glyph::playing_cursor : Glyph::playing)
                                : (marked ? Glyph::not_playing_cursor : Glyph::not_playing);
    QPixmap pixmap = glyph_pixmap(glyph, devicePixelRatioF());
    if (!isEnabled()) pixmap = style()->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
    const QSizeF logical = pixmap.deviceIndependentSize();
    QPointF at((width() - logical.width()) / 2.0, (height() - logical.height()) / 2.0);
    if (isDown()) at += QPointF(1, 1);
    painter.drawPixmap(at, pixmap);
    if (focused) {
        painter.setPen(QColor(128, 128, 128));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

bool TBitBtn_sound_bar::event(QEvent* event) {
    // The slider keys belong to the bar even where a window shortcut uses the same key.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (is_bar_key(key->key()) || key->key() == Qt::Key_Space) {
            event->accept();
            return true;
        }
    }
    return QPushButton::event(event);
}

void TBitBtn_sound_bar::keyPressEvent(QKeyEvent* event) {
    if (bar_.listening_key(event->key(), event->modifiers(), true)) {
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_S || event->key() == Qt::Key_C) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (event->key() == Qt::Key_S)
            bar_.show_sonogram();
        else
            bar_.compare();
        event->accept();
        return;
    }
    if (!is_bar_key(event->key())) {
        QPushButton::keyPressEvent(event);
        return;
    }
    if (event->modifiers() & Qt::ShiftModifier) {
        bar_.shift_key(event->key());
        event->accept();
        return;
    }
    // Without Shift these keys scroll the text of the owner window.
    if (QWidget* owner = bar_.owner_.data()) {
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                       static_cast<ushort>(event->count()));
        QCoreApplication::sendEvent(owner, &copy);
    }
    event->accept();
}

// ---- Tsound_bar ----

namespace {

class BarView final : public SoundBarView {
public:
    BarView(std::function<void(bool)> timer, std::function<void()> changed)
        : timer_(std::move(timer)), changed_(std::move(changed)) {}
    void set_timer_running(bool running) override { timer_(running); }
    void state_changed() override { changed_(); }

private:
    std::function<void(bool)> timer_;
    std::function<void()> changed_;
};

} // namespace

Tsound_bar::Tsound_bar(const SoundBarSetup& setup)
    : QWidget(setup.owner), recording_(setup.recording), owner_(setup.owner), key_(setup.key),
      button_visible_(setup.button_visible), show_numbers_(setup.show_numbers),
      drag_enabled_(setup.drag_enabled), play_list_context_(setup.play_list_context),
      show_window_index_(setup.show_window_index), caller_reference_(setup.caller_reference),
      caller_slider_position_(setup.slider_position), length_not_exact_(setup.length_not_exact),
      select_in_show_window_(setup.select_in_show_window), tag_texts_(setup.tag_texts) {
    timer_ = new QTimer(this);
    timer_->setInterval(timer_interval_ms);
    connect(timer_, &QTimer::timeout, this, &Tsound_bar::timer_tick);

    view_ = std::make_unique<BarView>(
        [this](bool running) {
            if (running)
                timer_->start();
            else
                timer_->stop();
        },
        [this] { sync_from_state(); });
    SoundBarState::Setup state_setup;
    state_setup.recording = recording_;
    state_setup.files_instead_of_cd = setup.files_instead_of_cd;
    state_setup.button_visible = button_visible_;
    state_setup.rewind_at_end = setup.rewind_at_end;
    state_setup.slider_position = caller_slider_position_ ? *caller_slider_position_ : 0;
    state_setup.length_not_exact = length_not_exact_;
    state_ = std::make_unique<SoundBarState>(state_setup, *view_);

    button_ = new TBitBtn_sound_bar(*this, this);
    button_->setVisible(button_visible_);
    connect(button_, &QPushButton::clicked, this, [this] {
        tell_show_window();
        state_->TogglePlay();
    });
    button_->installEventFilter(this);

    slider_ = new QScrollBar(Qt::Horizontal, this);
    slider_->setFocusPolicy(Qt::ClickFocus);
    slider_->setContextMenuPolicy(Qt::NoContextMenu); // the bar's own menu instead of "Scroll here"
    slider_->setSingleStep(state_->small_change());
    // The thumb keeps one size whatever the length; track clicks step by the large change below.
    slider_->setPageStep(0);
    slider_->setTracking(true);
    slider_->installEventFilter(this);
    connect(slider_, &QAbstractSlider::actionTriggered, this, [this](int action) {
        const int step = state_->large_change();
        if (action == QAbstractSlider::SliderPageStepAdd)
            slider_->setSliderPosition(std::min(slider_->maximum(), slider_->value() + step));
        else if (action == QAbstractSlider::SliderPageStepSub)
            slider_->setSliderPosition(std::max(0, slider_->value() - step));
    });
    connect(slider_, &QAbstractSlider::valueChanged, this, [this](int) {
        if (setting_slider_) return;
        if (slider_->isSliderDown()) {
            update(); // the position number follows the thumb; the player follows on release
            return;
        }
        slider_moved_by_user();
    });
    connect(slider_, &QAbstractSlider::sliderReleased, this, [this] {
        if (slider_->value() != state_->slider_position()) slider_moved_by_user();
    });

    menu_ = new QMenu(this);
    build_menu();

    setAttribute(Qt::WA_NoSystemBackground, false);
    setAutoFillBackground(false);
    all_bars.push_back(this);
    place(setup.left, setup.top);
    sync_from_state();
    if (parentWidget()) show(); // without an owner the bar would become a window of its own
}

Tsound_bar::~Tsound_bar() {
    timer_->stop();
    if (caller_reference_ && *caller_reference_ == this) *caller_reference_ = nullptr;
    if (caller_slider_position_) *caller_slider_position_ = state_->slider_position();
    // The focus goes back to the owner rather than to whatever widget Qt would pick next.
    if (owner_ && (button_->hasFocus() || slider_->hasFocus())) owner_->setFocus(Qt::OtherFocusReason);
    state_.reset(); // closes the player
    all_bars.erase(std::remove(all_bars.begin(), all_bars.end(), this), all_bars.end());
}

Tsound_bar* Tsound_bar::currently_playing() {
    SoundBarState* state = SoundBarState::currently_playing();
    if (!state) return nullptr;
    for (Tsound_bar* bar : all_bars)
        if (bar->state_.get() == state) return bar;
    return nullptr;
}

bool Tsound_bar::is_open() const {
    return state_->is_open();
}

bool Tsound_bar::is_playing() const {
    return state_->is_playing();
}

void Tsound_bar::TogglePlay() {
    state_->TogglePlay();
}

void Tsound_bar::Pause() {
    state_->Pause();
}

void Tsound_bar::Resume() {
    state_->Resume();
}

void Tsound_bar::CloseBar() {
    state_->CloseBar();
}

void Tsound_bar::timer_tick() {
    state_->tick();
}

int Tsound_bar::slider_row_height() const {
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, slider_);
    return std::max(minimum_row_height, extent);
}

int Tsound_bar::number_line_height() const {
    if (!show_numbers_) return 0;
    QFontMetrics metrics(owner_ ? owner_->font() : font());
    int height = metrics.height() + 1;
    if (!recording_->cut_part->is_sound_file) ++height; // room for the frame
    return height;
}

int Tsound_bar::bar_width() const {
    return (button_visible_ ? button_width : 0) + state_->slider_width();
}

int Tsound_bar::width_for(int length_ms, bool button_visible) {
    return (button_visible ? button_width : 0) + sound_bar_slider_width(length_ms);
}

void Tsound_bar::place(int left, int top) {
    left_ = left;
    top_ = top;
    layout_children();
}

void Tsound_bar::layout_children() {
    // One pixel of margin all round holds the frame of audio-CD recordings.
    const int numbers = number_line_height();
    const int row = slider_row_height();
    const int button = button_visible_ ? button_width : 0;
    setGeometry(left_ - 1, top_ - numbers - 1, bar_width() + 2, numbers + row + 2);
    button_->setGeometry(1, numbers + 1, button, row);
    slider_->setGeometry(1 + button, numbers + 1, state_->slider_width(), row);
}

void Tsound_bar::sync_from_state() {
    setting_slider_ = true;
    slider_->setRange(0, state_->slider_maximum());
    if (!slider_->isSliderDown()) slider_->setValue(state_->slider_position());
    setting_slider_ = false;
    button_->update();
    update();
}

void Tsound_bar::tell_show_window() {
    if (show_window_index_ != 0 && select_in_show_window_) select_in_show_window_(*this);
}

void Tsound_bar::slider_moved_by_user() {
    state_->slider_moved(slider_->value());
    tell_show_window();
    if (button_visible_) button_->setFocus(Qt::OtherFocusReason);
}

void Tsound_bar::shift_key(int key) {
    using Move = SoundBarState::ShiftMove;
    Move move = Move::small_back;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        move = Move::small_back;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        move = Move::small_forward;
        break;
    case Qt::Key_PageUp:
        move = Move::large_back;
        break;
    case Qt::Key_PageDown:
        move = Move::large_forward;
        break;
    case Qt::Key_Home:
        move = Move::to_start;
        break;
    case Qt::Key_End:
        move = Move::to_end;
        break;
    default:
        return;
    }
    state_->shift_move(move);
    tell_show_window();
}

void Tsound_bar::set_playback_mode(PlaybackMode mode) {
    state_->set_playback_mode(mode);
    update();
}

PlaybackMode Tsound_bar::playback_mode() const { return state_->playback_mode(); }

void Tsound_bar::set_loop(int a_ms, int b_ms) {
    state_->set_loop(a_ms, b_ms);
    update();
}

void Tsound_bar::clear_loop() {
    state_->clear_loop();
    update();
}

bool Tsound_bar::listening_key(int key, Qt::KeyboardModifiers modifiers, bool act) {
    // 1, 2, 4 and 8: tape speeds (1 the normal speed); Ctrl+2 and Ctrl+4 time-stretch; O an octave
    // down; [ and ] set A and B at the position; \ clears the loop. A window's own shortcut on one
    // of these keys (the quiz answers with digits) comes first.
    const Qt::KeyboardModifiers held = modifiers & ~(Qt::KeypadModifier | Qt::ShiftModifier | Qt::GroupSwitchModifier);
    const bool control = held == Qt::ControlModifier;
    if (held != Qt::NoModifier && !control) return false;
    std::function<void()> action;
    auto mode = [this](PlaybackMode m) { return [this, m] { set_playback_mode(m); }; };
    switch (key) {
    case Qt::Key_1:
        if (!control) action = mode(PlaybackMode::normal);
        break;
    case Qt::Key_2:
        action = mode(control ? PlaybackMode::stretch_half : PlaybackMode::tape_half);
        break;
    case Qt::Key_4:
        action = mode(control ? PlaybackMode::stretch_quarter : PlaybackMode::tape_quarter);
        break;
    case Qt::Key_8:
        if (!control) action = mode(PlaybackMode::tape_eighth);
        break;
    case Qt::Key_O:
        if (!control) action = mode(PlaybackMode::octave_down);
        break;
    case Qt::Key_BracketLeft:
        if (!control) action = [this] { state_->set_loop_start_here(); };
        break;
    case Qt::Key_BracketRight:
        if (!control) action = [this] { state_->set_loop_end_here(); };
        break;
    case Qt::Key_Backslash:
        if (!control) action = [this] { clear_loop(); };
        break;
    default:
        break;
    }
    if (!action || !button_visible_) return false;
    if (act) {
        tell_show_window();
        action();
        update();
    }
    return true;
}

void Tsound_bar::set_highlight(bool highlight) {
    if (highlight_ == highlight) return;
    highlight_ = highlight;
    button_->update();
}

void Tsound_bar::set_dragging_enabled(bool enabled) {
    drag_enabled_ = enabled;
    drag_pending_ = false;
}

void Tsound_bar::select_and_focus() {
    if (button_visible_)
        button_->setFocus(Qt::OtherFocusReason);
    else
        slider_->setFocus(Qt::OtherFocusReason);
}

void Tsound_bar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int numbers = number_line_height();
    const int row = slider_row_height();
    const int button = button_visible_ ? button_width : 0;
    const int slider_left = 1 + button;
    const int slider_width = state_->slider_width();

    if (show_numbers_) {
        QWidget* source = owner_ ? owner_.data() : this;
        painter.setFont(source->font());
        painter.setPen(source->palette().color(source->foregroundRole()));
        // The thumb may be held by the user: the middle number follows it.
        const int position = slider_->value();
        const QString middle =
            QString::number(position / 10) + QLatin1Char('.') + QString::number(position % 10);
        const QString start = QStringLiteral("0.0");
        QString length = qt_text(state_->length_text());
        if (const std::string listening = state_->listening_text(); !listening.empty())
            length = qt_text(listening) + QLatin1Char(' ') + length;
        const QRect band(slider_left, 0, slider_width, numbers);
        const int flags = Qt::AlignTop | Qt::TextDontClip;
        const QFontMetrics metrics(painter.font());
        const int gap = metrics.horizontalAdvance(QLatin1Char(' '));
        const int middle_width = metrics.horizontalAdvance(middle);
        const int middle_left = (slider_width - middle_width) / 2;
        const bool room =
            metrics.horizontalAdvance(start) + gap <= middle_left &&
            middle_left + middle_width + gap <= slider_width - metrics.horizontalAdvance(length);
        if (room) {
            painter.drawText(band, flags | Qt::AlignLeft, start);
            painter.drawText(band, flags | Qt::AlignHCenter, middle);
        } else {
            // A short slider has no room for three numbers; the start is always 0.0 and gives way
            // to the position.
            painter.drawText(band, flags | Qt::AlignLeft, middle);
        }
        painter.drawText(band, flags | Qt::AlignRight, length);
    }
    if (!recording_->cut_part->is_sound_file) {
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(0, numbers, button + slider_width + 1, row + 1));
    }
    if (!button_visible_ && slider_->hasFocus()) {
        painter.setPen(QPen(QColor(0, 255, 255), 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(0, numbers, slider_width + 1, row + 1));
    }
}

void Tsound_bar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) layout_children();
    QWidget::changeEvent(event);
}

bool Tsound_bar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == slider_) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            button_->update();
            update();
            break;
        case QEvent::KeyPress: {
            // The slider's own keys move it; Space plays as on the button.
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Space && button_visible_ && !key->isAutoRepeat()) {
                tell_show_window();
                state_->TogglePlay();
                return true;
            }
            break;
        }
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!drag_enabled_ || mouse->button() != Qt::LeftButton || replaying_press_) break;
            // Held back: a move turns it into a drag, a release without a move replays the click.
            drag_start_ = mouse->position().toPoint();
            drag_pending_ = true;
            return true;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!drag_pending_ || !(mouse->buttons() & Qt::LeftButton)) break;
            if ((mouse->position().toPoint() - drag_start_).manhattanLength() <
                QApplication::startDragDistance())
                return true;
            drag_pending_ = false;
            auto* drag = new QDrag(slider_);
            auto* data = new TSoundBarDragObject(*recording_, play_list_context_);
            drag->setMimeData(data);
            emit drag_started(*data);
            drag->setPixmap(glyph_pixmap(Glyph::not_playing, devicePixelRatioF()));
            drag->exec(Qt::CopyAction);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!drag_pending_ || mouse->button() != Qt::LeftButton) break;
            drag_pending_ = false;
            replaying_press_ = true;
            QMouseEvent press(QEvent::MouseButtonPress, mouse->position(), mouse->globalPosition(),
                              Qt::LeftButton, Qt::LeftButton, mouse->modifiers());
            QCoreApplication::sendEvent(slider_, &press);
            replaying_press_ = false;
            return false; // the release itself follows
        }
        default:
            break;
        }
    } else if (watched == button_ &&
               (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        button_->update();
    }
    return QWidget::eventFilter(watched, event);
}

void Tsound_bar::build_menu() {
    menu_->addAction(qt_text(with_ellipsis(state_->text(1))), this, &Tsound_bar::show_information);
    menu_->addAction(qt_text(state_->text(2)), this, [this] {
        open_in_sound_editing_program(*recording_->cut_part);
        select_and_focus();
    });
    menu_->addAction(qt_text(state_->text(3)), this, [this] {
        if (menu_actions.add_to_play_list) menu_actions.add_to_play_list(*recording_, play_list_context_);
    });
    menu_->addAction(qt_text(with_ellipsis(state_->text(4))), this, [this] {
        if (menu_actions.make_mp3_file) menu_actions.make_mp3_file(*recording_, tag_texts_);
    });

    // Listening: the speed and the A-B loop, with their keys.
    constexpr const char* key = "SOUNDBAR_LISTENING";
    speed_menu_ = menu_->addMenu(line_or(key, 0, "Speed"));
    static constexpr std::pair<PlaybackMode, const char*> speeds[] = {
        {PlaybackMode::normal, "Normal speed\t1"},
        {PlaybackMode::tape_half, "\xBD\xD7 tape speed, an octave lower\t2"},
        {PlaybackMode::tape_quarter, "\xBC\xD7 tape speed, two octaves lower\t4"},
        {PlaybackMode::tape_eighth, "1/8\xD7 tape speed, three octaves lower\t8"},
        {PlaybackMode::stretch_half, "\xBD\xD7 time-stretched, same pitch (S)\tCtrl+2"},
        {PlaybackMode::stretch_quarter, "\xBC\xD7 time-stretched, same pitch (S)\tCtrl+4"},
        {PlaybackMode::octave_down, "An octave lower, normal speed (8vb)\tO"}};
    auto* group = new QActionGroup(speed_menu_);
    for (int i = 0; i < int(std::size(speeds)); ++i) {
        const PlaybackMode mode = speeds[i].first;
        QAction* action = speed_menu_->addAction(line_or(key, 1 + i, speeds[i].second), this,
                                                 [this, mode] { set_playback_mode(mode); });
        action->setCheckable(true);
        action->setData(int(mode));
        group->addAction(action);
    }
    menu_->addAction(line_or(key, 8, "Loop start (A) here\t["), this, [this] {
        state_->set_loop_start_here();
        update();
    });
    menu_->addAction(line_or(key, 9, "Loop end (B) here\t]"), this, [this] {
        state_->set_loop_end_here();
        update();
    });
    menu_->addAction(line_or(key, 10, "Clear the loop\t\\"), this, [this] { clear_loop(); });
    compare_action_ = menu_->addAction(line_or("COMPARISON", 1, "Compare") + "\tC", this, &Tsound_bar::compare);
    sonogram_action_ = menu_->addAction(line_or("SONOGRAM", 0, "Sonogram") + "\tS", this, &Tsound_bar::show_sonogram);
}

void Tsound_bar::show_sonogram() {
    if (menu_actions.show_sonogram && has_a_file(*recording_->cut_part, state_->files_instead_of_cd()))
        menu_actions.show_sonogram(*this);
}

void Tsound_bar::compare() {
    if (menu_actions.compare && has_a_file(*recording_->cut_part, state_->files_instead_of_cd()))
        menu_actions.compare(*this);
}

void Tsound_bar::update_menu() {
    const auto actions = menu_->actions();
    const Tcutpart& part = *recording_->cut_part;
    actions[1]->setEnabled(has_a_file(part, state_->files_instead_of_cd()));
    actions[2]->setEnabled(menu_actions.add_to_play_list && menu_actions.play_list_window_open &&
                           menu_actions.play_list_window_open());
    bool mp3 = false;
    if (menu_actions.make_mp3_file && has_a_file(part, state_->files_instead_of_cd())) {
        const std::string path = state_->sound_file_path();
        if (menu_actions.mp3_capable)
            mp3 = !path.empty() && menu_actions.mp3_capable(path);
        else // a missing file is simply not capable: no read-error message before the menu opens
            mp3 = !path.empty() && std::filesystem::is_regular_file(path) && IsMP3CapableSoundFile(path);
    }
    actions[3]->setEnabled(mp3);
    for (QAction* speed : speed_menu_->actions())
        speed->setChecked(speed->data().toInt() == int(state_->playback_mode()));
    speed_menu_->setEnabled(button_visible_);
    for (int i = 5; i < 8; ++i)
        actions[i]->setEnabled(button_visible_ && (i < 7 || state_->loop_start() || state_->loop_end()));
    sonogram_action_->setEnabled(menu_actions.show_sonogram && has_a_file(part, state_->files_instead_of_cd()));
    compare_action_->setEnabled(menu_actions.compare && has_a_file(part, state_->files_instead_of_cd()));
}

void Tsound_bar::contextMenuEvent(QContextMenuEvent* event) {
    update_menu();
    menu_->popup(event->globalPos());
    event->accept();
}

void Tsound_bar::show_information() {
    show_message(state_->information_text(), mb::ok);
}

// ---- Tsound_bars ----

Tsound_bars::~Tsound_bars() {
    clear();
}

Tsound_bar& Tsound_bars::add(std::unique_ptr<Tsound_bar> bar) {
    bar->set_dragging_enabled(dragging_enabled_);
    bars_.push_back(std::move(bar));
    return *bars_.back();
}

Tsound_bar& Tsound_bars::make(const SoundBarSetup& setup) {
    SoundBarSetup with_dragging = setup;
    with_dragging.drag_enabled = dragging_enabled_;
    return add(std::make_unique<Tsound_bar>(with_dragging));
}

bool Tsound_bars::remove_by_key(std::uint32_t key) {
    auto it = std::find_if(bars_.begin(), bars_.end(), [key](const auto& bar) { return bar->key() == key; });
    if (it == bars_.end()) return false;
    // Out of the list first: the bar's destructor may run code that looks at the list.
    std::unique_ptr<Tsound_bar> bar = std::move(*it);
    bars_.erase(it);
    return true;
}

bool Tsound_bars::remove(const Tsound_bar* bar) {
    auto it =
        std::find_if(bars_.begin(), bars_.end(), [bar](const auto& entry) { return entry.get() == bar; });
    if (it == bars_.end()) return false;
    std::unique_ptr<Tsound_bar> removed = std::move(*it);
    bars_.erase(it);
    return true;
}

void Tsound_bars::clear() {
    while (!bars_.empty()) {
        std::unique_ptr<Tsound_bar> bar = std::move(bars_.back());
        bars_.pop_back();
    }
}

void Tsound_bars::move_by(int dy) {
    for (auto& bar : bars_)
        bar->move_by(dy);
}

void Tsound_bars::set_dragging_enabled(bool enabled) {
    dragging_enabled_ = enabled;
    for (auto& bar : bars_)
        bar->set_dragging_enabled(enabled);
}

Tsound_bar* Tsound_bars::find(std::uint32_t key) const {
    for (const auto& bar : bars_)
        if (bar->key() == key) return bar.get();
    return nullptr;
}

bool Tsound_bars::any_playing() const {
    return std::any_of(bars_.begin(), bars_.end(), [](const auto& bar) { return bar->is_playing(); });
}

// ---- TSoundBarDragObject ----

TSoundBarDragObject::TSoundBarDragObject(const Tcupaitem& recording, int play_list_context)
    : recording_(recording), play_list_context_(play_list_context) {
    const QString key = recording.cut_part ? qt_text(recording.cut_part->key) : QString();
    setData(QLatin1String(mime_type), key.toUtf8());
    setText(key);
}

const TSoundBarDragObject* TSoundBarDragObject::from(const QMimeData* data) {
    return qobject_cast<const TSoundBarDragObject*>(data);
}

// ---- start-up ----

bool check_sound_output_available() {
    std::uint32_t outputs = 0;
    if (media_port().system_info_quantity(mci::devtype_waveform_audio, outputs) != mci::no_error) outputs = 0;
    return check_sound_output(static_cast<int>(std::min<std::uint32_t>(outputs, 1000)));
}

bool sound_output_available() {
    return sound_output_is_available();
}

} // namespace morvelin
