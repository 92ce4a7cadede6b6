#include "ui/sound/play_list_form.h"

#include "core/data/data_loader.h"
#include "core/data/records.h"
#include "core/foundation/editions.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/foundation/settings_file.h"
#include "core/sound/recording_tag_texts.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/show_strings.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/program_documents.h"
#include "ui/foundation/qt_text.h"
#include "ui/sound/mp3_files_forms.h"
#include "ui/sound/play_sound_options_frame.h"
#include "ui/sound/sound_bar.h"
#include "ui/windows/window_registry.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace morvelin {

namespace {
constexpr const char* texts_key = "PLAY_LISTS";

PlayListPlayer& installed_player() {
    static PlayListPlayer player;
    return player;
}

std::string text_line(int line) {
    const auto lines = texts(texts_key, 29);
    return lines[static_cast<std::size_t>(line)];
}

// "Play lists (*.pl)|*.pl" -> one filter.
// A menu caption as a dialog caption: without its accelerator.
std::string plain_line(int line) {
    std::string text = text_line(line);
    std::erase(text, '&');
    return text;
}

std::vector<FileFilter> filters_of(int line) {
    const std::string text = text_line(line);
    const auto bar = text.find('|');
    if (bar == std::string::npos) return {{text, "*.pl"}};
    return {{text.substr(0, bar), text.substr(bar + 1)}};
}

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file name without folder and without ".pl".
std::string list_name_of(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".pl") == 0) name.resize(name.size() - 3);
    return name;
}

const SHST_TClassShowStringsData* main_window_settings() {
    TChildForm* main = top_forms().main_child_form();
    return main && main->pane() ? &main->pane()->strings().settings() : nullptr;
}

PlayListResolver resolver_for(const TClassVisibleSpeciesAndRecordings& visibility) {
    return {data_set(), visibility, 3, edition().switches.speak_species_names};
}
} // namespace

void install_play_list_player(PlayListPlayer player) { installed_player() = std::move(player); }

std::string TPlayListForm::description(const TPlayListInfo& entry) {
    if (!entry.recording || !entry.recording->species) return {};
    const Tspecies& species = *entry.recording->species;
    const SHST_TClassShowStringsData* s = main_window_settings();
    const bool scientific_first = s && s->main_name == main_name::scientific;
    const std::string& name =
        scientific_first || species.vernacular_name.empty() ? species.scientific_name : species.vernacular_name;
    return name + " # " + std::to_string(entry.context);
}

TPlayListForm::TPlayListForm(QWidget* parent, WindowRegistry* registry)
    : TForm<QWidget>(parent, Qt::Window | Qt::WindowStaysOnTopHint), registry_(registry) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    set_caption_from_text(texts_key, 0);
    list_name_ = text_line(1);

    auto* layout = new QVBoxLayout(this);
    create_menu();
    const settings::PlaylistSettings stored = settings::read_playlist_settings();
    options_frame_ = new TPlaySoundOptionsFrame(edition().switches.speak_species_names, this);
    options_frame_->show_options(stored);
    auto* top = new QHBoxLayout;
    top->addWidget(options_frame_);
    auto* boxes = new QVBoxLayout;
    endless_loop_ = new QCheckBox(caption_text(texts_key, 13), this);
    start_at_selected_ = new QCheckBox(caption_text(texts_key, 14), this);
    play_button_ = new QPushButton(caption_text(texts_key, 11), this);
    QFont bold = play_button_->font();
    bold.setBold(true);
    play_button_->setFont(bold);
    play_button_->setDefault(true);
    boxes->addWidget(endless_loop_);
    boxes->addWidget(start_at_selected_);
    boxes->addWidget(play_button_);
    top->addLayout(boxes);
    layout->addLayout(top);
    connect(endless_loop_, &QCheckBox::toggled, this, [this] { set_modified(true); });
    connect(options_frame_, &TPlaySoundOptionsFrame::options_edited, this, [this] { set_modified(true); });
    connect(play_button_, &QPushButton::clicked, this, &TPlayListForm::play_click);

    grid_ = new QTableWidget(1, 3, this);
    grid_->setHorizontalHeaderLabels({QString(), QString(), caption_text(texts_key, 15)});
    grid_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    grid_->verticalHeader()->setVisible(true);
    grid_->verticalHeader()->setSectionsMovable(true);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    grid_->setStyleSheet(QStringLiteral("QTableWidget::item:selected { background: aqua; color: black; }"));
    grid_->setAcceptDrops(true);
    grid_->viewport()->setAcceptDrops(true);
    grid_->viewport()->installEventFilter(this);
    grid_->installEventFilter(this);
    layout->addSpacing(10);
    layout->addWidget(grid_, 1);
    connect(grid_, &QTableWidget::cellChanged, this, &TPlayListForm::cell_changed);
    connect(grid_->verticalHeader(), &QHeaderView::sectionMoved, this, &TPlayListForm::row_moved);

    resize(520, 420);
    remember_geometry(GeometryKey{settings::PlaylistSettings::section, "Coord"});
    refresh_rows();
    set_playing_controls(false);
    update_caption();
    // The list shown last opens again, named after its file.
    if (!stored.current.empty()) load(stored.current);
    setAttribute(Qt::WA_QuitOnClose, false);
    top_forms().set_exit_question(this, [this] {
        if (!ask_save()) return false;
        modified_ = false; // changes the user chose not to keep are not asked about again
        return true;
    });
}

TPlayListForm::~TPlayListForm() {
    top_forms().set_exit_question(this, {});
    if (player_) {
        QWidget* player = player_;
        player_ = nullptr;
        delete player;
    }
    set_dragging_everywhere(false);
    settings::PlaylistSettings stored;
    static_cast<settings::BetweenSoundsOptions&>(stored) = options_frame_->take_options();
    SettingsChanges changes;
    settings::write_fields(changes, settings::PlaylistSettings::section, settings::between_sounds_fields(),
                           static_cast<const settings::BetweenSoundsOptions&>(stored));
    changes.commit();
}

void TPlayListForm::create_menu() {
    const auto lines = texts(texts_key, 29);
    auto text = [&](int line, bool dots = false) {
        return qt_text(lines[static_cast<std::size_t>(line)]) + (dots ? QStringLiteral("...") : QString());
    };
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    file_menu_ = bar->addMenu(text(2));
    file_menu_->addAction(text(3), QKeySequence(Qt::CTRL | Qt::Key_N), this, &TPlayListForm::new_click);
    file_menu_->addAction(text(4, true), QKeySequence(Qt::CTRL | Qt::Key_O), this, &TPlayListForm::open_click);
    file_menu_->addAction(text(5), QKeySequence(Qt::CTRL | Qt::Key_S), this, [this] { save_click(); });
    file_menu_->addAction(text(6, true), this, [this] { save_as_click(); });
    extra_menu_ = bar->addMenu(text(7));
    extra_menu_->addAction(text(8), QKeySequence(Qt::CTRL | Qt::Key_C), this, &TPlayListForm::copy_click);
    prepare_cd_ = extra_menu_->addAction(text(9, true), this, &TPlayListForm::prepare_cd_click);
    QAction* help = bar->addAction(text(10));
    connect(help, &QAction::triggered, this, [this] {
        if (registry_) registry_->open(program_document_request(this, help_file_name, "play-lists"));
    });
}

void TPlayListForm::refresh_rows() {
    filling_ = true;
    const int rows = list_.row_count();
    grid_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        auto* number = new QTableWidgetItem(QStringLiteral(" ") + QString::number(row + 1));
        number->setFlags(Qt::ItemIsEnabled);
        auto* text = new QTableWidgetItem(list_.empty() ? QString() : qt_text(description(list_.entries()[static_cast<std::size_t>(row)])));
        text->setFlags(Qt::ItemIsEnabled);
        auto* times = new QTableWidgetItem(qt_text(list_.repeat_text(row)));
        times->setFlags(list_.empty() ? Qt::ItemIsEnabled
                                      : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        grid_->setItem(row, 0, number);
        grid_->setItem(row, 1, text);
        grid_->setItem(row, 2, times);
    }
    filling_ = false;
    if (prepare_cd_) prepare_cd_->setEnabled(!list_.empty());
}

void TPlayListForm::set_modified(bool modified) {
    modified_ = modified;
    update_caption();
}

void TPlayListForm::update_caption() {
    setWindowTitle(caption_text(texts_key, 0) + QStringLiteral(" - ") + qt_text(list_name_) +
                   (modified_ ? QStringLiteral(" *") : QString()));
}

void TPlayListForm::add_entry(const Tcupaitem& recording, int context) {
    const int row = list_.add(TPlayListInfo{&recording, context, 1});
    refresh_rows();
    set_modified(true);
    grid_->scrollToItem(grid_->item(row, 0));
}

void TPlayListForm::cell_changed(int row, int column) {
    if (filling_ || column != static_cast<int>(Column::times)) return;
    if (list_.set_repeat_text(row, disc_text(grid_->item(row, column)->text()))) set_modified(true);
    // Ignored text and clamped counts show what the list holds.
    filling_ = true;
    grid_->item(row, column)->setText(qt_text(list_.repeat_text(row)));
    filling_ = false;
}

void TPlayListForm::row_moved(int logical, int old_visual, int new_visual) {
    (void)logical;
    // The header only reports the move: the list takes it and the rows are drawn anew in order.
    QHeaderView* header = grid_->verticalHeader();
    {
        const QSignalBlocker block(header);
        header->moveSection(new_visual, old_visual);
    }
    if (list_.move(old_visual, new_visual)) {
        refresh_rows();
        grid_->selectRow(new_visual);
        set_modified(true);
    }
}

void TPlayListForm::delete_selected_row() {
    const int row = grid_->currentRow();
    if (row < 0 || !list_.remove(row)) return;
    refresh_rows();
    grid_->selectRow(std::min(row, list_.row_count() - 1));
    set_modified(true);
}

bool TPlayListForm::ask_save() {
    if (!modified_) return true;
    const int answer =
        show_message(text_line(18) + list_name_ + text_line(19), mb::question_yes_no_cancel);
    if (answer == id::cancel) return false;
    if (answer == id::yes) return save_click() && !modified_;
    return true;
}

void TPlayListForm::new_click() {
    if (!ask_save()) return;
    list_.clear();
    refresh_rows();
    untitled_ = true;
    list_name_ = text_line(1);
    file_name_.clear();
    start_at_selected_->setChecked(false);
    set_modified(false);
}

std::string TPlayListForm::dialog_folder() const {
    if (!dialog_folder_.empty()) return dialog_folder_;
    if (!file_name_.empty()) return folder_of(file_name_);
    return default_data_folder("Playlists/" + program_text(10));
}

void TPlayListForm::open_click() {
    if (!ask_save()) return;
    const auto path = dialog_port().open_file(plain_line(4), dialog_folder(), filters_of(16));
    if (!path) return;
    if (load(*path)) dialog_folder_ = folder_of(*path);
}

bool TPlayListForm::load(const std::string& path) {
    const SHST_TClassShowStringsData* s = main_window_settings();
    const TClassVisibleSpeciesAndRecordings visibility =
        s ? s->visible : TClassVisibleSpeciesAndRecordings::create_default(data_set());
    const PlayListReadResult result = read_play_list_file(path, resolver_for(visibility), PlayListProduct::running());
    // Refused files leave the open list as it is.
    if (!report_play_list_read(result, [&] {
            options_frame_->show_options(result.list.options);
            const QSignalBlocker block(endless_loop_);
            endless_loop_->setChecked(result.list.endless_loop);
            list_.clear();
            for (const TPlayListInfo& entry : result.list.entries) list_.add(entry);
            refresh_rows();
        }))
        return false;
    file_name_ = path;
    list_name_ = list_name_of(path);
    untitled_ = false;
    start_at_selected_->setChecked(false);
    set_modified(false);
    remember_current_play_list(path);
    return true;
}

PlayListFile TPlayListForm::file_contents() const {
    PlayListFile file;
    file.options = options_frame_->take_options();
    file.endless_loop = endless_loop_->isChecked();
    file.entries = list_.entries();
    return file;
}

bool TPlayListForm::save_click() {
    if (untitled_ || file_name_.empty()) return save_as_click();
    if (!save_play_list(file_name_, file_contents(), PlayListProduct::running())) return false;
    set_modified(false);
    return true;
}

bool TPlayListForm::save_as_click() {
    std::string folder = dialog_folder();
    if (file_name_.empty() && dialog_folder_.empty()) {
        const EnsuredFolder ensured = ensure_folder(folder, text_line(20));
        if (ensured.cancelled) return false;
        folder = ensured.folder;
    }
    auto path = dialog_port().save_file(plain_line(6), folder,
                                        untitled_ ? std::string() : list_name_ + ".pl", filters_of(17));
    if (!path || path->empty()) return false;
    if (list_name_of(*path) == path->substr(path->find_last_of('/') + 1)) *path += ".pl";
    if (!save_play_list(*path, file_contents(), PlayListProduct::running())) return false;
    file_name_ = *path;
    list_name_ = list_name_of(*path);
    dialog_folder_ = folder_of(*path);
    untitled_ = false;
    set_modified(false);
    return true;
}

void TPlayListForm::copy_click() {
    const std::string text = list_.clipboard_text(&TPlayListForm::description, text_line(15));
    QApplication::clipboard()->setText(qt_text(text));
}

void TPlayListForm::play_click() {
    if (player_) {
        // Closing the playing window ends the sequence; it reports back through finished.
        QWidget* player = player_;
        player->close();
        if (player_) player_finished();
        return;
    }
    if (list_.empty() || !installed_player()) return;
    PlayListPlayRequest request;
    request.list = &list_;
    request.options = options_frame_->take_options();
    request.endless_loop = endless_loop_->isChecked();
    request.start_row = start_at_selected_->isChecked() ? grid_->currentRow() : -1;
    request.select_row = [this](int row) {
        grid_->selectRow(row);
        grid_->scrollToItem(grid_->item(row, 0));
    };
    request.finished = [this] { player_finished(); };
    player_ = installed_player()(*this, request);
    if (player_) set_playing_controls(true);
}

void TPlayListForm::prepare_cd_click() {
    if (list_.empty() || player_) return;
    std::vector<AudioCdEntry> entries;
    for (int row = 0; row < static_cast<int>(list_.entries().size()); ++row) {
        const TPlayListInfo& info = list_.entries()[static_cast<std::size_t>(row)];
        entries.push_back({info.recording, description(info), info.repeat_count});
    }
    const SHST_TClassShowStringsData* shown = main_window_settings();
    TChildForm* main = top_forms().main_child_form();
    RecordingTagTexts tag_texts = recording_tag_texts_from_data;
    if (main && main->pane()) {
        const TShowStrings& strings = main->pane()->strings();
        tag_texts = [&strings](const Tcupaitem& recording) { return strings.recording_tag_texts(recording); };
    }
    prepare_for_audio_cd(entries, shown ? shown->visible.carriers.cds_on_hd : NumberSet{}, tag_texts, this);
}

void TPlayListForm::player_finished() {
    player_ = nullptr;
    set_playing_controls(false);
}

void TPlayListForm::set_playing_controls(bool playing) {
    file_menu_->setEnabled(!playing);
    extra_menu_->setEnabled(!playing);
    file_menu_->menuAction()->setEnabled(!playing);
    extra_menu_->menuAction()->setEnabled(!playing);
    grid_->setEnabled(!playing);
    play_button_->setText(caption_text(texts_key, playing ? 12 : 11));
    play_button_->setEnabled(playing || static_cast<bool>(installed_player()));
}

void TPlayListForm::set_dragging_everywhere(bool enabled) {
    for (int i = 0; i < top_forms().count(); ++i)
        if (TShowForm* pane = top_forms().form(i)->pane()) pane->strings().set_sound_bar_dragging(enabled);
}

void TPlayListForm::showEvent(QShowEvent* event) {
    TForm<QWidget>::showEvent(event);
    set_dragging_everywhere(true);
    set_playing_controls(playing());
}

void TPlayListForm::hideEvent(QHideEvent* event) {
    TForm<QWidget>::hideEvent(event);
    set_dragging_everywhere(false);
}

void TPlayListForm::closeEvent(QCloseEvent* event) {
    if (!ask_save()) {
        event->ignore();
        return;
    }
    if (player_) play_click();
    TForm<QWidget>::closeEvent(event);
}

void TPlayListForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    // Play/Stop is the window's default button: Return not taken by the control with the focus (a
    // cell being edited takes it) presses it, as in a dialog.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && play_button_->isEnabled()) {
        play_button_->click();
        return;
    }
    TForm<QWidget>::keyPressEvent(event);
}

bool TPlayListForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // While a cell is edited its editor has the keys, so Delete here removes the row.
        if (key->key() == Qt::Key_Delete) {
            delete_selected_row();
            return true;
        }
        return false;
    }
    if (watched != grid_->viewport()) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (TSoundBarDragObject::from(drag->mimeData())) {
            drag->acceptProposedAction();
            return true;
        }
        drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (const TSoundBarDragObject* data = TSoundBarDragObject::from(drop->mimeData())) {
            add_entry(data->recording(), data->play_list_context());
            drop->acceptProposedAction();
        }
        return true;
    }
    default:
        return false;
    }
}

WindowFactory play_list_factory() {
    WindowFactory factory;
    factory.create = [](const WindowRequest& request, WindowRegistry& registry) -> QWidget* {
        (void)request;
        return new TPlayListForm(nullptr, &registry);
    };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        auto& form = static_cast<TPlayListForm&>(window);
        if (request.recording) {
            form.add_entry(*request.recording, request.play_list_context);
            return;
        }
        form.show();
        form.raise();
        form.activateWindow();
    };
    return factory;
}

} // namespace morvelin
