#include "ui/display/options_form.h"

#include "core/areas/sarovan_area.h"
#include "core/data/data_loader.h"
#include "core/display/display_settings.h"
#include "core/foundation/editions.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "ui/areas/select_area_frame.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/show_sound_bars.h"
#include "ui/display/show_strings.h"
#include "ui/display/text_drawing.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/program_documents.h"
#include "ui/foundation/qt_text.h"
#include "ui/sound/audio_cd_frames.h"
#include "ui/sound/volume_control_form.h"
#include "ui/windows/window_registry.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace morvelin {

namespace {

using G = settings::GeneralSettings;

constexpr int button_width = 75;
constexpr int button_height = 25;
// The settings page's room before the area page may widen the dialog.
constexpr QSize settings_page_size(640, 440);

// The settings page places its frames itself, without a layout: its size hint is the size it is
// given, so that the tab widget and the dialog make room for all of it.
class SettingsPage final : public QWidget {
public:
    QSize sizeHint() const override { return minimumSize(); }
};

// Holds the settings page whole when there is room, and scrolls it on a screen too small for it (a
// large text size on a small screen).
class PageScroller final : public QScrollArea {
public:
    PageScroller() {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(false);
    }
    QSize sizeHint() const override { return widget() ? widget()->size() : QScrollArea::sizeHint(); }
};

QString line_of(const std::string& key, int line) {
    return qt_text(texts(key, line)[static_cast<std::size_t>(line)]);
}

QGroupBox* group_box(const QString& title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    new QVBoxLayout(box);
    return box;
}

template <class W> W* add_to(QGroupBox* box, W* widget) {
    box->layout()->addWidget(widget);
    return widget;
}

QWidget* widget_of(QButtonGroup* group, int id) {
    return group ? group->button(id) : nullptr;
}

} // namespace

TFrameWebBrowserSettings::TFrameWebBrowserSettings(QWidget* parent)
    : QGroupBox(line_of("BROWSER SETTINGS FRAME", 0), parent) {
    setObjectName(QStringLiteral("gb"));
    auto* layout = new QVBoxLayout(this);
    use_integrated_browser_ = new QCheckBox(line_of("BROWSER SETTINGS FRAME", 1), this);
    use_integrated_browser_->setObjectName(QStringLiteral("CheckBox_use_integrated_browser"));
    use_only_one_window_ = new QCheckBox(line_of("BROWSER SETTINGS FRAME", 2), this);
    use_only_one_window_->setObjectName(QStringLiteral("CheckBox_use_only_one_window"));
    layout->addWidget(use_integrated_browser_);
    layout->addWidget(use_only_one_window_);
    connect(use_integrated_browser_, &QCheckBox::toggled, use_only_one_window_, &QWidget::setEnabled);
}

void TFrameWebBrowserSettings::load(const settings::GeneralSettings& general) {
    use_integrated_browser_->setChecked(general.use_integrated_web_browser);
    use_only_one_window_->setChecked(general.use_only_one_web_browser_window);
    use_only_one_window_->setEnabled(general.use_integrated_web_browser);
}

void TFrameWebBrowserSettings::save(settings::GeneralSettings& general) const {
    general.use_integrated_web_browser = use_integrated_browser_->isChecked();
    general.use_only_one_web_browser_window = use_only_one_window_->isChecked();
}

TOptionsForm::TOptionsForm(QWidget* parent, WindowRegistry* registry)
    : TForm<QDialog>(parent), registry_(registry), general_(G::section(), G::defaults()) {
    setWindowTitle(edition().language_spanish ? QStringLiteral("Opciones") : QStringLiteral("Options"));
    setFont(TShowFonts::instance().font(FontRef{}));
    pages_ = new QTabWidget(this);
    settings_ = new SettingsPage;
    settings_->setFixedSize(settings_page_size);
    auto* scroller = new PageScroller;
    scroller->setWidget(settings_);
    pages_->addTab(scroller, line_of("SETTINGS FRAME", 0));
    // Built in place, in the dialog's font.
    build_settings_page();
    if (data_set_loaded() && create_edition_area(edition().edition_id)) {
        area_ = new QWidget;
        new QGridLayout(area_);
        pages_->addTab(area_, line_of("SELECT AREA FRAME", 0));
    }
    if (TFrameAudioCDsSettings::offered()) {
        audio_cds_ = new TFrameAudioCDsSettings;
        pages_->addTab(audio_cds_, line_of("AUDIO CDS FRAME", 0));
        // The help window belongs to this dialog, so that it can be used while the dialog is modal.
        connect(audio_cds_->cds(), &TFrameSelectAudioCDs::help_requested, this, [this] {
            if (registry_) registry_->open(program_document_request(this, help_file_name, "audio-cds"));
        });
    }
    build_listening_page();
    ok_ = new QPushButton(qt_text(program_text(3)), this);
    cancel_ = new QPushButton(qt_text(program_text(5)), this);
    ok_->setDefault(true);
    ok_->setFixedSize(button_width, button_height);
    cancel_->setFixedSize(button_width, button_height);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The stored page is a page number; one that this edition or data does not show means page 0.
    general_.load();
    const int stored = general_.stored().last_options_page;
    QWidget* page = stored == area_page        ? area_
                    : stored == audio_cds_page ? static_cast<QWidget*>(audio_cds_)
                    : stored == listening_page ? listening_
                                               : nullptr;
    pages_->setCurrentIndex(page ? pages_->indexOf(page) : 0);
    pages_->adjustSize();
    const QSize tabs = pages_->sizeHint();
    pages_->setGeometry(0, 0, tabs.width(), tabs.height());
    resize(tabs.width(), tabs.height() + button_height + 16);
}

void TOptionsForm::fit_on_screen(const QScreen* screen) {
    if (!screen) return;
    // Room for the window's frame and title bar too.
    const QSize room = screen->availableGeometry().size() - QSize(16, 48);
    const QSize fitted = size().boundedTo(room).expandedTo(QSize(3 * button_width, 4 * button_height));
    if (fitted == size()) return;
    pages_->resize(pages_->size() - (size() - fitted));
    resize(fitted);
}

TOptionsForm::~TOptionsForm() {
    QWidget* page = pages_->currentWidget();
    G general;
    general.last_options_page = page == area_ && area_                 ? area_page
                                : page == audio_cds_ && audio_cds_     ? audio_cds_page
                                : page == listening_ && listening_     ? listening_page
                                                                       : settings_page;
    if (general.last_options_page != general_.stored().last_options_page) settings::write_general(&G::last_options_page, general);
}

void TOptionsForm::build_settings_page() {
    // Names: the two kinds and which comes first, applied to the window at once.
    names_frame_ = new QGroupBox(line_of("NAMES FRAME", 0), settings_);
    auto* names = new QGridLayout(names_frame_);
    other_language_ = new QCheckBox(line_of("NAMES FRAME", 1), names_frame_);
    scientific_ = new QCheckBox(line_of("NAMES FRAME", 2), names_frame_);
    main_name_ = new QButtonGroup(this);
    auto* first = new QLabel(line_of("NAMES FRAME", 3), names_frame_);
    names->addWidget(first, 0, 1);
    for (int item = 0; item < 2; ++item) {
        auto* button = new QRadioButton(names_frame_);
        main_name_->addButton(button, item);
        names->addWidget(button, item + 1, 1, Qt::AlignHCenter);
    }
    names->addWidget(other_language_, 1, 0);
    names->addWidget(scientific_, 2, 0);
    connect(other_language_, &QCheckBox::toggled, this, [this] { name_clicked(other_language_); });
    connect(scientific_, &QCheckBox::toggled, this, [this] { name_clicked(scientific_); });
    connect(main_name_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on) name_clicked(main_name_->button(id));
    });

    order_frame_ = group_box(line_of("SYSTEMATIC ORDERS FRAME", 0), settings_);
    order_ = new QButtonGroup(this);
    const std::vector<int> orders = data_set_loaded() ? offered_systematic_orders(data_set()) : std::vector<int>{};
    // Authors' names ("Sibley & Monroe") carry no mnemonic.
    for (int kind : orders)
        order_->addButton(add_to(order_frame_, new QRadioButton(literal_ampersands(line_of("SYSTEMATIC ORDERS FRAME", kind)))), kind);
    order_frame_->setVisible(orders.size() >= 2);

    only_with_frame_ = group_box(line_of("WITH OR WITHOUT SOUNDS PHOTOS FRAME", 0), settings_);
    only_with_ = new QButtonGroup(this);
    for (int item = 0; item < 4; ++item)
        only_with_->addButton(add_to(only_with_frame_, new QRadioButton(line_of("WITH OR WITHOUT SOUNDS PHOTOS FRAME", item + 1))), item);
    only_with_frame_->setVisible(edition().switches.species_media_filters);

    threatened_frame_ = new QWidget(settings_);
    threatened_ = new QCheckBox(line_of("SETTINGS FRAME", 2), threatened_frame_);
    (new QVBoxLayout(threatened_frame_))->addWidget(threatened_);

    department_frame_ = group_box(line_of("SHOW DEPARTMENT AND OR COUNTRY FRAME", 0), settings_);
    department_ = add_to(department_frame_, new QCheckBox(line_of("SHOW DEPARTMENT AND OR COUNTRY FRAME", 1)));
    country_ = add_to(department_frame_, new QCheckBox(line_of("SHOW DEPARTMENT AND OR COUNTRY FRAME", 2)));
    // Hidden, it takes no room: the group box shrinks by its height.
    country_->setVisible(edition().switches.show_country_option);

    text_size_frame_ = new QWidget(settings_);
    auto* size_row = new QHBoxLayout(text_size_frame_);
    size_row->addWidget(new QLabel(line_of("SETTINGS FRAME", 1), text_size_frame_));
    text_size_ = new QSpinBox(text_size_frame_);
    text_size_->setRange(G::min_text_size, G::max_text_size);
    size_row->addWidget(text_size_);
    size_row->addStretch();

    browser_frame_ = new TFrameWebBrowserSettings(settings_);

    sound_editor_frame_ = new QGroupBox(line_of("SOUND EDITOR PROGRAM FRAME", 0), settings_);
    auto* editor_row = new QHBoxLayout(sound_editor_frame_);
    sound_editor_ = new QLineEdit(sound_editor_frame_);
    sound_editor_->setMinimumWidth(200);
    sound_editor_button_ = new QPushButton(QStringLiteral("..."), sound_editor_frame_);
    sound_editor_button_->setFixedWidth(28);
    editor_row->addWidget(sound_editor_);
    editor_row->addWidget(sound_editor_button_);
    connect(sound_editor_button_, &QPushButton::clicked, this, &TOptionsForm::choose_sound_editor);
    sound_editor_frame_->setVisible(edition().edition_id != 109);

    volume_frame_ = group_box(line_of("VOLUME CONTROL SETTINGS FRAME", 0), settings_);
    volume_control_ = add_to(volume_frame_, new QCheckBox(line_of("VOLUME CONTROL SETTINGS FRAME", 0)));
    volume_frame_->setVisible(registry_ != nullptr);

    lay_out_settings_page();
}

void TOptionsForm::build_listening_page() {
    const auto text = [](int line, const char* english) { return line_or("LISTENING FRAME", line, english); };
    // Frames keep their size; on a small screen the page scrolls.
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    listening_ = scroller;
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(30, 9, 30, 5);

    auto* frame = new QGroupBox(text(1, "Sonograms"), page);
    auto* rows = new QGridLayout(frame);
    strips_ = new QCheckBox(text(2, "Show a sonogram strip under each sound bar of the species text"), frame);
    rows->addWidget(strips_, 0, 0, 1, 3);
    rows->addWidget(new QLabel(text(3, "Colours:"), frame), 1, 0);
    colour_map_ = new QButtonGroup(this);
    auto* maps = new QHBoxLayout;
    const std::pair<int, const char*> names[] = {{4, "Grey on white"}, {5, "Colour"}};
    for (int map = 0; map < 2; ++map) {
        auto* button = new QRadioButton(line_or("SONOGRAM", names[map].first, names[map].second), frame);
        colour_map_->addButton(button, map);
        maps->addWidget(button);
    }
    maps->addStretch();
    rows->addLayout(maps, 1, 1, 1, 2);
    rows->addWidget(new QLabel(text(4, "Top frequency:"), frame), 2, 0);
    top_khz_ = new QSpinBox(frame);
    top_khz_->setRange(G::min_top_khz, G::max_top_khz);
    top_khz_->setSuffix(" " + line_or("SONOGRAM", 2, "kHz"));
    rows->addWidget(top_khz_, 2, 1);
    rows->setColumnStretch(2, 1);
    column->addWidget(frame);
    column->addStretch();
    scroller->setWidget(page);
    pages_->addTab(scroller, text(0, "Listening"));
}

QRadioButton* TOptionsForm::colour_map_button(int colour_map) const {
    return qobject_cast<QRadioButton*>(widget_of(colour_map_, colour_map));
}

std::vector<QWidget*> TOptionsForm::settings_frames() const {
    return {names_frame_,      order_frame_,   only_with_frame_,    threatened_frame_, department_frame_,
            text_size_frame_, browser_frame_, sound_editor_frame_, volume_frame_};
}

void TOptionsForm::lay_out_settings_page() {
    // One below the other from (30, 9), 10 pixels apart; a frame that would end too low starts a second
    // column in the right half. Frames keep their whole size: with a large text size the second column
    // moves right of the first and the page grows to hold them, rather than cutting them off.
    const int width = settings_page_size.width();
    const int height = settings_page_size.height();
    QPoint at(30, 9);
    int first_column_right = 0;
    QRect used;
    for (QWidget* frame : settings_frames()) {
        if (frame->isHidden()) continue;
        frame->adjustSize();
        frame->resize(frame->sizeHint());
        if (at.y() + frame->height() > height - 5 && at.x() < 100)
            at = QPoint(std::max(width / 2 + 30, first_column_right + 30), 10);
        frame->move(at);
        if (at.x() < 100) first_column_right = std::max(first_column_right, frame->geometry().right() + 1);
        used |= frame->geometry();
        at.setY(at.y() + frame->height() + frame_gap);
    }
    settings_->setFixedSize(std::max(width, used.right() + 1 + 30), std::max(height, used.bottom() + 1 + 5));
}

QRadioButton* TOptionsForm::main_name_button(int item) const {
    return qobject_cast<QRadioButton*>(widget_of(main_name_, item));
}
QRadioButton* TOptionsForm::systematic_order_button(int kind) const {
    return qobject_cast<QRadioButton*>(widget_of(order_, kind));
}
QRadioButton* TOptionsForm::only_with_button(int item) const {
    return qobject_cast<QRadioButton*>(widget_of(only_with_, item));
}

void TOptionsForm::show_names(bool other_language, bool scientific, int main_name) {
    name_guard_ = true;
    other_language_->setChecked(other_language);
    scientific_->setChecked(scientific);
    main_name_->button(main_name == main_name::other_language ? 0 : 1)->setChecked(true);
    name_guard_ = false;
}

void TOptionsForm::name_clicked(QWidget* source) {
    if (name_guard_ || !window_) return;
    name_guard_ = true;
    // At least one name kind stays shown, and the name that comes first is one that is shown.
    if (source == other_language_ && !other_language_->isChecked()) {
        scientific_->setChecked(true);
        main_name_->button(1)->setChecked(true);
    } else if (source == scientific_ && !scientific_->isChecked()) {
        other_language_->setChecked(true);
        main_name_->button(0)->setChecked(true);
    } else if (source == main_name_->button(1)) {
        scientific_->setChecked(true);
    } else if (source == main_name_->button(0)) {
        other_language_->setChecked(true);
    }
    name_guard_ = false;
    apply_names();
}

void TOptionsForm::apply_names() {
    window_->pane()->apply_name_settings(scientific_->isChecked(), other_language_->isChecked(),
                                         main_name_->checkedId() == 1 ? main_name::scientific
                                                                      : main_name::other_language);
}

void TOptionsForm::choose_sound_editor() {
    std::string folder = sound_editor_->text().toStdString();
    if (const auto slash = folder.find_last_of('/'); slash != std::string::npos)
        folder.erase(slash + 1);
    else
        folder.clear();
    const auto chosen = dialog_port().open_file(line_of("SOUND EDITOR PROGRAM FRAME", 0).toStdString(), folder,
                                                {{"Programs", "*"}});
    // Shown now, stored on OK.
    if (chosen && !chosen->empty()) sound_editor_->setText(QString::fromStdString(*chosen));
}

bool TOptionsForm::close_query() {
    if (audio_cds_ && !audio_cds_->cds()->check()) {
        pages_->setCurrentWidget(audio_cds_);
        return false;
    }
    if (area_frame_ && !area_frame_->any_area_selected()) {
        show_message(line_or("SELECT AREA", 3, "Please select at least one area on the map.").toStdString(),
                     mb::icon_warning);
        pages_->setCurrentWidget(area_);
        return false;
    }
    return true;
}

void TOptionsForm::done(int result) {
    if (result == QDialog::Accepted && !close_query()) return;
    QDialog::done(result);
}

int TOptionsForm::run(TChildForm& window) {
    window_ = &window;
    const SHST_TClassShowStringsData& shown = window.pane()->strings().settings();

    general_.load();
    const G& general = general_.stored();
    old_other_language_ = shown.other_language;
    old_scientific_ = shown.scientific;
    old_main_name_ = shown.main_name;
    show_names(shown.other_language, shown.scientific, shown.main_name);
    if (QAbstractButton* order = order_->button(shown.systematic_order)) order->setChecked(true);
    const auto& filter = shown.visible;
    only_with_->button(filter.only_with_sounds_or_photos ? 1 : filter.only_with_sounds ? 2 : filter.only_with_photos ? 3 : 0)
        ->setChecked(true);
    threatened_->setChecked(shown.show_threatened);
    department_->setChecked(shown.show_department);
    country_->setChecked(shown.show_country);
    text_size_->setValue(TShowFonts::instance().text_size());
    browser_frame_->load(general);
    sound_editor_->setText(QString::fromStdString(general.sound_editing_program));
    volume_control_->setChecked(registry_ && registry_->is_shown(WindowKind::volume_control));
    strips_->setChecked(general.sonogram_strips);
    colour_map_->button(general.sonogram_colour_map == 1 ? 1 : 0)->setChecked(true);
    top_khz_->setValue(general.sonogram_top_khz);

    // The area page shows this window's areas: it is made anew on every run.
    delete area_frame_;
    area_frame_ = nullptr;
    if (area_ && filter.area_selection) {
        area_copy_ = filter.area_selection->clone();
        area_frame_ = create_area_frame(*area_copy_, area_);
        if (area_frame_) {
            area_frame_->show();
            // Centred in its page; the dialog grows so that the page fits it, and never shrinks.
            static_cast<QGridLayout*>(area_->layout())->addWidget(area_frame_, 0, 0, Qt::AlignCenter);
            area_->layout()->activate();
            const QSize tabs = pages_->size().expandedTo(pages_->minimumSizeHint());
            const QSize grow = tabs - pages_->size();
            pages_->resize(tabs);
            resize(size() + grow);
        }
    }
    if (audio_cds_) {
        audio_cds_->chooser()->load(general);
        audio_cds_->cds()->load(filter.carriers);
    }
    fit_on_screen(window.screen());
    ok_->move((width() - 3 * button_width) / 2, height() - button_height - 8);
    cancel_->move(ok_->x() + 2 * button_width, ok_->y());

    const int result = execute();
    if (result == QDialog::Accepted) {
        apply(window);
    } else {
        const SHST_TClassShowStringsData& now = window.pane()->strings().settings();
        if (now.other_language != old_other_language_ || now.scientific != old_scientific_ ||
            now.main_name != old_main_name_)
            window.pane()->apply_name_settings(old_scientific_, old_other_language_, old_main_name_);
        general_.cancel();
    }
    area_copy_.reset();
    window_ = nullptr;
    return result;
}

bool TOptionsForm::apply(TChildForm& window) {
    G& general = general_.edited();
    browser_frame_->save(general);
    if (!sound_editor_frame_->isHidden()) general.sound_editing_program = sound_editor_->text().toStdString();
    if (audio_cds_) audio_cds_->chooser()->save(general);
    const bool text_size_changed = text_size_->value() != TShowFonts::instance().text_size();
    general.text_size = text_size_->value();
    general.sonogram_strips = strips_->isChecked();
    general.sonogram_colour_map = colour_map_->checkedId() == 1 ? 1 : 0;
    general.sonogram_top_khz = top_khz_->value();
    const bool strip_look_changed = general.sonogram_colour_map != general_.stored().sonogram_colour_map ||
                                    general.sonogram_top_khz != general_.stored().sonogram_top_khz;
    general_.apply();
    if (text_size_changed) {
        TShowFonts::instance().rebuild(text_size_->value());
        for (int i = 0; i < top_forms().count(); ++i) top_forms().form(i)->pane()->fonts_changed();
    }
    for (int i = 0; i < top_forms().count(); ++i) {
        // Strips open with the listening settings: new colours or a new band make them anew.
        TShowForm* pane = top_forms().form(i)->pane();
        if (strip_look_changed) {
            pane->strings().sound_bars().free_strips();
            pane->viewport()->update();
        }
        pane->strings().set_sonogram_strips(general.sonogram_strips);
    }

    if (registry_ && volume_control_->isChecked() != registry_->is_shown(WindowKind::volume_control)) {
        if (volume_control_->isChecked()) {
            WindowRequest request;
            request.kind = WindowKind::volume_control;
            request.owner = &window;
            registry_->open(request);
        } else if (auto* volume = qobject_cast<TVolume_control_form*>(registry_->find(WindowKind::volume_control))) {
            volume->hide_by_user();
        }
    }

    const SHST_TClassShowStringsData& shown = window.pane()->strings().settings();
    SHST_TClassShowStringsData copy = shown;
    copy.show_threatened = threatened_->isChecked();
    copy.show_department = department_->isChecked();
    if (!country_->isHidden()) copy.show_country = country_->isChecked();
    if (!order_frame_->isHidden() && order_->checkedId() > 0) copy.systematic_order = order_->checkedId();
    if (!only_with_frame_->isHidden()) {
        const int item = only_with_->checkedId();
        copy.visible.only_with_sounds_or_photos = item == 1;
        copy.visible.only_with_sounds = item == 2;
        copy.visible.only_with_photos = item == 3;
    }
    bool carriers_changed = false;
    if (audio_cds_) {
        carriers_changed = audio_cds_->cds()->apply_folders();
        audio_cds_->cds()->save(copy.visible.carriers);
        carriers_changed = carriers_changed || !(copy.visible.carriers == shown.visible.carriers);
    }
    const bool area_changed = area_frame_ && area_frame_->changed();
    if (area_changed && copy.visible.area_selection) area_frame_->store_in(*copy.visible.area_selection);

    const bool changed = text_size_changed || carriers_changed || area_changed ||
                         copy.show_threatened != shown.show_threatened ||
                         copy.show_department != shown.show_department || copy.show_country != shown.show_country ||
                         copy.systematic_order != shown.systematic_order ||
                         copy.visible.only_with_sounds_or_photos != shown.visible.only_with_sounds_or_photos ||
                         copy.visible.only_with_sounds != shown.visible.only_with_sounds ||
                         copy.visible.only_with_photos != shown.visible.only_with_photos;
    if (!changed) return false;
    // Rebuilt folded; the selected species stays selected while the order stays.
    const bool same_order = copy.systematic_order == shown.systematic_order;
    const TShowStringsViewState before = window.pane()->view_state();
    TShowStringsViewState state = TShowStringsViewState::initial();
    if (same_order) {
        state.selected_family = before.selected_family;
        state.selected_species = before.selected_species;
        state.top_family = before.selected_family;
    }
    const int new_order = copy.systematic_order;
    window.pane()->set_up(nullptr, state, &copy);
    window.refresh_area_panel();
    if (!same_order) data_set().order_warning(new_order);
    // Stored now, so that a window closed before the program ends keeps its options too.
    for (int i = 0; i < top_forms().count(); ++i) {
        if (top_forms().form(i) != &window) continue;
        SettingsChanges changes;
        window.write_window_section(i + 1, changes);
        changes.commit();
    }
    return true;
}

WindowFactory options_factory() {
    WindowFactory factory;
    factory.create = [](const WindowRequest& request, WindowRegistry& registry) -> QWidget* {
        return new TOptionsForm(request.owner ? request.owner->window() : nullptr, &registry);
    };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        auto* owner = request.owner ? qobject_cast<TChildForm*>(request.owner->window()) : nullptr;
        if (!owner) owner = top_forms().main_child_form();
        if (owner) static_cast<TOptionsForm&>(window).run(*owner);
    };
    // Modal over the window that asked: made anew when another window asks.
    factory.follows_owner = true;
    return factory;
}

} // namespace morvelin
