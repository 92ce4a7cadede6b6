#include "ui/display/child_form.h"

#include "core/data/data_loader.h"
#include "ui/display/copy_to_hard_disk.h"
#include "ui/display/find_dialog.h"
#include "core/display/species_search.h"
#include "ui/pictures/slide_show_forms.h"
#include "ui/display/show_form.h"
#include "ui/display/species_search_field.h"
#include "ui/sound/mp3_files_forms.h"
#include "ui/sound/play_sequence_player.h"
#include "ui/display/top_forms.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "ui/foundation/program_documents.h"
#include "ui/foundation/qt_services.h"
#include "ui/windows/form.h"
#include "ui/windows/window_request.h"
#include "core/foundation/services.h"
#include "core/settings/settings_sections.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/sound/audio_cd_player.h"
#include "core/sound/audio_cd_settings.h"
#include "ui/foundation/qt_text.h"
#include "ui/windows/first_paint.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QKeyEvent>
#include <QStatusBar>
#include <QTimer>

#include <random>

namespace morvelin {

namespace {

using settings::window_section;

// Where windows may open: every screen of the desktop.
settings::ScreenRect desktop_area() {
    const QScreen* screen = QApplication::primaryScreen();
    const QRect r = screen ? screen->virtualGeometry() : QRect(0, 0, 1280, 1024);
    return {r.left(), r.top(), r.width(), r.height()};
}

// The rectangle moved and cut so that the whole window lies on the desktop.
QRect on_desktop(const std::array<int, 4>& left_top_right_bottom, QSize minimum) {
    const auto r =
        settings::place_on_screen(left_top_right_bottom, desktop_area(), minimum.width(), minimum.height());
    return QRect(r.left, r.top, r.width, r.height);
}

QString menu_text(const std::vector<std::string>& menus, int line, bool dots = false) {
    const std::string& text = menus[static_cast<std::size_t>(line)];
    return qt_text(dots ? with_ellipsis(text) : text);
}

} // namespace

TChildForm::TChildForm(QWidget* parent) : TForm<QMainWindow>(parent) {
    pane_ = new TShowForm(this);
    setCentralWidget(pane_);
    connect(pane_, &TShowForm::status_text_changed, this, &TChildForm::set_status_text);
    connect(pane_, &TShowForm::find_requested, this, &TChildForm::find_click);
    connect(pane_, &TShowForm::find_again_requested, this, &TChildForm::find_again_click);
    shown_list_ = std::make_unique<TRecordingsAndOrPicturesList>();

    status_text_ = new QLabel(this);
    status_area_ = new QLabel(this);
    status_drive_ = new QLabel(this);
    statusBar()->addWidget(status_text_);
    statusBar()->addWidget(status_area_);
    statusBar()->addPermanentWidget(status_drive_);
    drive_check_ = new QTimer(this);
    drive_check_->setInterval(drive_check_interval_ms);
    connect(drive_check_, &QTimer::timeout, this, &TChildForm::refresh_drive_panel);
    create_menu();
    create_search_field();
}

void TChildForm::create_search_field() {
    search_field_ = new TSpeciesSearchField(this);
    menuBar()->setCornerWidget(search_field_, Qt::TopRightCorner);
    search_field_->search = [this](const std::string& query) {
        const SHST_TClassShowStringsData& shown = pane_->strings().settings();
        const Tdata& data = data_set();
        if (!search_index_ || search_index_data_ != &data || search_index_->order() != shown.systematic_order) {
            search_index_ = std::make_shared<const SpeciesSearchIndex>(data, shown.systematic_order);
            search_index_data_ = &data;
        }
        return search_index_->find(query, shown.visible, 60);
    };
    connect(search_field_, &TSpeciesSearchField::species_chosen, this, [this](const Tspecies* species) {
        if (species && pane_->show_species(*species)) pane_->setFocus(Qt::OtherFocusReason);
    });
    connect(search_field_, &TSpeciesSearchField::left, this, [this] { pane_->setFocus(Qt::OtherFocusReason); });
    auto* start = new QAction(this);
    start->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    start->setShortcutContext(Qt::WindowShortcut);
    connect(start, &QAction::triggered, search_field_, &TSpeciesSearchField::start);
    addAction(start);
}

TChildForm::~TChildForm() {
    delete shown_list_form_;
    delete demo_form_;
    top_forms().delete_form(this);
    top_forms().rewrite_captions();
}

void TChildForm::create_menu() {
    const auto menus = texts("MENUS", 34);
    QMenu* file = menuBar()->addMenu(menu_text(menus, 0));
    file->addAction(menu_text(menus, 1), this, &TChildForm::new_window_click);
    file->addAction(menu_text(menus, 2), this, &TChildForm::fold_all_click);
    file->addSeparator();
    show_ = file->addAction(menu_text(menus, 3, true), this, &TChildForm::show_click);
    what_was_that_ = file->addAction(menu_text(menus, 4, true), this, &TChildForm::what_was_that_click);
    play_lists_ = file->addAction(menu_text(menus, 5, true));
    file->addAction(line_or("MENUS", 21, "Make &ALL MP3 Files..."), this, [this] {
        if (!data_set_loaded() || is_show_window_) return;
        const TShowStrings& strings = pane_->strings();
        TMakeAllMP3FilesForm form(
            data_set(), strings.settings(),
            [&strings](const Tcupaitem& recording) { return strings.recording_tag_texts(recording); }, this);
        run_modal(form);
    });
    // Not in the language file's menu texts: an English default unless the file has its own line.
    quiz_ = file->addAction(line_or("QUIZ", 17, "&Quiz..."));
    file->addSeparator();
    exit_ = file->addAction(menu_text(menus, 6), this, &TChildForm::exit_click);

    QMenu* search = menuBar()->addMenu(menu_text(menus, 8));
    QAction* find = search->addAction(menu_text(menus, 9, true), this, &TChildForm::find_click);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    QAction* again = search->addAction(menu_text(menus, 10), this, &TChildForm::find_again_click);
    again->setShortcut(QKeySequence(Qt::Key_F3));

    view_menu_ = menuBar()->addMenu(menu_text(menus, 11));
    site_descriptions_ = view_menu_->addAction(menu_text(menus, 12, true));

    QMenu* options = menuBar()->addMenu(menu_text(menus, 13));
    options_ = options->addAction(menu_text(menus, 14, true));
    copy_to_hd_ = options->addAction(menu_text(menus, 15, true), this, [this] {
        if (copy_to_hard_disk(this)) fold_all_click();
    });

    QMenu* help = menuBar()->addMenu(menu_text(menus, 16));
    help->addAction(menu_text(menus, 17, true), this,
                    [this] { emit window_requested(program_document_request(this, help_file_name, "contents")); });
    help->addAction(menu_text(menus, 18, true), this, [this] {
        emit window_requested(program_document_request(this, readme_file_name, "", true));
    });
    recent_info_ = help->addAction(menu_text(menus, 19), this, [this] {
        WindowRequest request;
        request.kind = WindowKind::web;
        request.owner = this;
        request.text = qt_text(edition().version_check_address);
        emit window_requested(request);
    });
    recent_info_->setEnabled(!edition().version_check_address.empty());
    help->addSeparator();
    about_ = help->addAction(menu_text(menus, 20, true));

    for (QAction* action : {play_lists_, site_descriptions_, options_, quiz_, about_}) {
        const WindowKind kind = action == play_lists_          ? WindowKind::play_lists
                                : action == site_descriptions_ ? WindowKind::localities_map
                                : action == quiz_              ? WindowKind::quiz
                                : action == about_             ? WindowKind::about
                                                               : WindowKind::options;
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, [this, kind] {
            WindowRequest request;
            request.kind = kind;
            request.owner = this;
            emit window_requested(request);
        });
    }
}

TBigPictureDemoForm* TChildForm::demo_form() const {
    return qobject_cast<TBigPictureDemoForm*>(demo_form_.data());
}

TRecordingsAndOrPicturesListForm* TChildForm::shown_list_form() const {
    return static_cast<TRecordingsAndOrPicturesListForm*>(shown_list_form_.data());
}

void TChildForm::show_click() {
    if (demo_form_) {
        demo_form_->showNormal();
        demo_form_->raise();
        demo_form_->activateWindow();
        return;
    }
    if (!data_set_loaded()) return;
    static DemoSettings last; // the two choices not stored are kept while the program runs
    last.show = settings::read_show_settings();
    TDemoSettingsDialog dialog(last, this);
    if (run_modal(dialog) != QDialog::Accepted) return;
    last = dialog.values();
    write_show_settings(last.show);
    start_show(last);
}

bool TChildForm::start_show(const DemoSettings& settings) {
    if (demo_form_ || !data_set_loaded() || is_show_window_) return false;
    const auto& display = pane_->strings().settings();
    if (!settings.show.show_slides()) {
        // Sounds only: random recordings of this window's species, shown and played in a show window
        // with a copy of this window's display settings (the draw uses the copy's filter).
        auto generator = std::make_shared<std::mt19937>(std::random_device{}());
        const RandomSource random = [generator](int n) {
            return std::uniform_int_distribution<int>(0, std::max(0, n - 1))(*generator);
        };
        shown_list_->set_words(language_texts().get_line("QM_LISTS", 1), language_texts().get_line("QM_LISTS", 2));
        demo_form_ = open_play_sequence_window(*this, display, [&](TChildForm& window) {
            const SHST_TClassShowStringsData& shown = window.pane()->strings().settings();
            auto source = std::make_unique<RecordedRecordingSource>(
                std::make_unique<SoundDemoSource>(data_set(), shown.visible, shown.systematic_order,
                                                  TShowStrings::item_mode, random),
                *shown_list_);
            return new TPlaySequencePlayer(window, settings.show, std::move(source));
        });
        return true;
    }
    CaptionNames names;
    names.scientific = display.scientific;
    names.other_language = display.other_language;
    names.main_name = display.main_name;
    auto* form = new TBigPictureDemoForm(this, data_set(), display.visible, display.systematic_order, names,
                                         settings, *shown_list_);
    form->setAttribute(Qt::WA_DeleteOnClose);
    demo_form_ = form;
    form->start();
    return true;
}

void TChildForm::what_was_that_click() {
    if (!shown_list_form_) shown_list_form_ = new TRecordingsAndOrPicturesListForm(*shown_list_, this);
    else shown_list_form()->refresh();
    shown_list_form_->show();
    shown_list_form_->raise();
    shown_list_form_->activateWindow();
}

QAction* TChildForm::window_action(WindowKind kind) const {
    switch (kind) {
    case WindowKind::play_lists:
        return play_lists_;
    case WindowKind::localities_map:
        return site_descriptions_;
    case WindowKind::options:
        return options_;
    case WindowKind::quiz:
        return quiz_;
    case WindowKind::about:
        return about_;
    default:
        return nullptr;
    }
}

void TChildForm::window_set_up(const WindowSetUp& setup) {
    is_additional_ = setup.is_additional;
    is_show_window_ = setup.is_show_window;
    if (is_additional_) {
        setAttribute(Qt::WA_DeleteOnClose, true);
        play_lists_->setVisible(false);
        exit_->setText(qt_text(texts("MENUS", 7)[7]));
        // Additional windows float above the main window so that they are not lost behind it.
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    if (is_show_window_) {
        menuBar()->hide();
        setMinimumSize(360, 240);
        if (!setup.show_settings || !data_set_loaded()) pane_->hide();
    } else {
        top_forms().add_form(this);
        top_forms().rewrite_captions();
    }
    const int number = setup.restore_from_settings ? top_forms().count() : 1;
    if (setup.source) {
        const QRect r = setup.source->normal_rect().translated(30, 30);
        normal_rect_ =
            on_desktop({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}, minimumSizeHint());
        setGeometry(normal_rect_);
    }
    // A show window takes its place from its player, not from a window section.
    const bool own_section = !setup.source && !is_show_window_;
    const auto stored = !own_section ? settings::WindowSettings{}
                                     : settings::read_window_settings(window_section(number),
                                                                      data_set_loaded() ? static_cast<int>(data_set().audio_cd_count()) : 0);
    if (own_section) read_window_section(stored);
    if (data_set_loaded() && is_show_window_ && setup.show_settings) {
        // Folded to its first level; the species unfold as they play.
        pane_->set_up(nullptr, TShowStringsViewState::initial(), setup.show_settings);
    } else if (data_set_loaded() && !is_show_window_) {
        if (setup.source) {
            pane_->set_up(&setup.source->pane_->strings(), TShowStringsViewState::initial(),
                          &setup.source->pane_->strings().settings());
        } else {
            const auto settings =
                SHST_TClassShowStringsData::from_window_settings(data_set(), stored, window_section(number));
            const auto state = TShowStringsViewState::from_text(stored.visible);
            pane_->set_up(nullptr, state, &settings);
        }
    }
    // Copying runs from the main window only; edition 109 has nothing to copy.
    copy_to_hd_->setVisible(!is_additional_ && edition().code != 109);
    // The drive is asked once the window has painted: asking loads the media module.
    after_first_paint(*this, [this] { refresh_drive_panel(); });
    view_menu_->menuAction()->setVisible(data_set_loaded() && !data_set().localities_by_name().empty());
    refresh_area_panel();
}

std::string TChildForm::area_panel_text() const {
    if (!data_set_loaded() || is_show_window_) return {};
    const TArea* area = pane_->strings().settings().visible.area_selection.get();
    if (!area) return {};
    std::string name = area->edition_hook_text();
    if (name.empty()) name = area->selection_text();
    return name.empty() ? name : std::string(7, ' ') + name + std::string(7, ' ');
}

void TChildForm::refresh_area_panel() {
    const QString text = qt_text(area_panel_text());
    status_area_->setProperty("full_text", text);
    status_area_->setText(text);
    status_area_->setVisible(!text.isEmpty());
    const TArea* area = data_set_loaded() && !is_show_window_ ? pane_->strings().settings().visible.area_selection.get() : nullptr;
    status_area_->setToolTip(area ? qt_text(area->selection_names()) : QString());
    layout_status_panels();
}

void TChildForm::refresh_drive_panel() {
    const bool wanted =
        data_set_loaded() && data_set().audio_cd_count() > 0 && !is_show_window_ && options_->isEnabled();
    if (!wanted) {
        drive_check_->stop();
        status_drive_->clear();
        return;
    }
    if (!drive_check_->isActive()) drive_check_->start();
    if (isMinimized()) return;
    if (auto text = DescribeDiscInDrive(audio_cd_device_number(), data_set())) status_drive_->setText(qt_text(*text));
}

void TChildForm::layout_status_panels() {
    const int client = width();
    // isVisible() is false until the window is shown, so the text decides. A long list of areas is cut
    // to a third of the window, so that the status text keeps its room.
    const QString full = status_area_->property("full_text").toString();
    const QFontMetrics metrics = status_area_->fontMetrics();
    const int limit = std::max(60, client / 3);
    const QString text = metrics.horizontalAdvance(full) + 8 > limit ? metrics.elidedText(full, Qt::ElideRight, limit - 8) : full;
    status_area_->setText(text);
    const int area = text.isEmpty() ? 0 : metrics.horizontalAdvance(text) + 8;
    status_area_->setFixedWidth(area);
    status_text_->setFixedWidth(std::max(0, std::max(client - 300, client / 2) - area));
}

void TChildForm::read_window_section(const settings::WindowSettings& stored) {
    const auto coord = stored.rectangle();
    bool maximized = true;
    if (!coord) {
        const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->geometry()
                                                           : QRect(0, 0, 1280, 1024);
        normal_rect_ =
            QRect(screen.width() / 8, screen.height() / 8, screen.width() * 6 / 8, screen.height() * 6 / 8);
    } else {
        normal_rect_ = on_desktop(*coord, minimumSizeHint());
        maximized = stored.maximized;
    }
    setGeometry(normal_rect_);
    if (maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TChildForm::write_window_section(int number, SettingsChanges& changes) const {
    using W = settings::WindowSettings;
    W stored;
    const QRect r = normal_rect_;
    // Stored like the desktop's rectangles: right and bottom are one past the last pixel.
    stored.set_rectangle({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
    stored.maximized = isMaximized();
    settings::Groups groups = W::placement;
    if (data_set_loaded() && !is_show_window_) {
        groups |= pane_->strings().settings().store_in(data_set(), stored) | W::view;
        stored.visible = pane_->view_state().to_text(edition().switches.group_families);
    }
    settings::write_window_settings(changes, window_section(number), stored, groups);
}

namespace {
std::function<void(QWidget*)>& introduction() {
    static std::function<void(QWidget*)> show;
    return show;
}
} // namespace

void install_introduction(std::function<void(QWidget* main_window)> show) {
    introduction() = std::move(show);
}

void TChildForm::start_up() {
    show();
    pane_->setFocus();
    if (is_additional_ || is_show_window_) return;
    if (introduction() && edition().edition_id != 105)
        QTimer::singleShot(100, this, [this] {
            if (introduction()) introduction()(this);
        });
    // At most max_windows: the count is range-checked where it is read.
    const int windows = settings::read_general_settings().windows;
    for (int i = 2; i <= windows; ++i) {
        auto* form = new TChildForm;
        WindowSetUp setup;
        setup.is_additional = true;
        setup.restore_from_settings = true;
        form->window_set_up(setup);
        emit additional_window_opened(form);
        form->show();
    }
}

void TChildForm::new_window_click() {
    auto* form = new TChildForm;
    WindowSetUp setup;
    setup.is_additional = true;
    setup.source = this;
    form->window_set_up(setup);
    emit additional_window_opened(form);
    form->start_up();
    form->activateWindow();
}

void TChildForm::exit_click() {
    close();
}

void TChildForm::fold_all_click() {
    pane_->fold_all();
}

void TChildForm::find_click() {
    TFindInShowStringsDialog dialog(this);
    if (dialog.execute(search_text_, search_from_top_) != QDialog::Accepted || search_text_.empty()) return;
    find_again_click();
}

void TChildForm::find_again_click() {
    if (search_text_.empty()) {
        find_click();
        return;
    }
    if (!pane_->find(search_text_, search_from_top_)) {
        const auto lines = texts("QM_CHILD", 1);
        show_message(lines[0] + search_text_ + lines[1], mb::icon_warning);
    }
    search_from_top_ = false;
    pane_->setFocus();
}

void TChildForm::set_status_text(const QString& text) {
    status_text_->setText(" " + text);
}

void TChildForm::closeEvent(QCloseEvent* event) {
    if (is_show_window_) {
        event->accept();
        return;
    }
    if (is_additional_) {
        if (!top_forms().closing_all()) {
            const auto lines = texts("QM_CHILD", 2);
            if (show_message(lines[2], mb::question_yes_no) == id::yes) {
                // Yes ends the program: the main window saves every window, then closes them all.
                // It does so after this close request has returned, so that this window closes too.
                event->ignore();
                top_forms().set_closing_all(true);
                if (TChildForm* main = top_forms().main_child_form())
                    QMetaObject::invokeMethod(main, &QWidget::close, Qt::QueuedConnection);
                return;
            }
        }
        event->accept();
        return;
    }
    if (!top_forms().ask_exit_question()) {
        event->ignore();
        return;
    }
    // The main window saves the state of every window and takes the others with it.
    top_forms().write_data_to_ini_file();
    top_forms().set_closing_all(true);
    for (int i = top_forms().count() - 1; i > 0; --i)
        top_forms().form(i)->close();
    top_forms().set_closing_all(false);
    event->accept();
}

// Window switching goes round the list; show windows do not take part. It is a key of the window
// rather than a shortcut: X delivers Ctrl+Shift+Tab as Backtab with Ctrl and Shift, in a form the
// shortcut map does not match, and the pane passes both keys on to its window.
void TChildForm::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (is_show_window_ && key == Qt::Key_Escape) {
        close();
        return;
    }
    if (!ctrl || (key != Qt::Key_Tab && key != Qt::Key_Backtab)) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    if (is_show_window_) return;
    const bool back = key == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
    activate(back ? top_forms().previous(this) : top_forms().next(this));
}

void TChildForm::remember_normal_rect() {
    if (!isMaximized() && !isMinimized() && !isFullScreen()) normal_rect_ = geometry();
}

void TChildForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    remember_normal_rect();
}

void TChildForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    remember_normal_rect();
    layout_status_panels();
}

void TChildForm::activate(TChildForm* form) {
    if (!form) form = top_forms().main_child_form();
    if (!form) return;
    form->raise();
    form->activateWindow();
    if (form->pane_->isVisible()) form->pane_->setFocus();
}

} // namespace morvelin
