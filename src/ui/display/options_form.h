#pragma once
// TOptionsForm: the options of the main window it is opened from (names, systematic order, species
// filters, recording lines, areas, audio CDs) and the program's own (text size, web pages, sound
// editing program, volume control, listening), on up to four pages. Names apply at once and come
// back on Cancel; everything else applies on OK, which may be refused by the area and audio-CD pages.

#include "core/settings/settings_sections.h"
#include "core/settings/settings_table.h"
#include "ui/windows/form.h"

#include <QDialog>
#include <QGroupBox>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScreen;
class QSpinBox;
class QTabWidget;

namespace morvelin {

class TChildForm;
class TArea;
class TFrameSelectArea;
class TFrameAudioCDsSettings;
class WindowRegistry;
struct WindowFactory;

// The web page settings: open pages in the program's own window, and keep to one such window. The
// second box can be changed only while the first is ticked, and keeps its value meanwhile.
class TFrameWebBrowserSettings : public QGroupBox {
    Q_OBJECT
public:
    explicit TFrameWebBrowserSettings(QWidget* parent);
    void load(const settings::GeneralSettings& general);
    void save(settings::GeneralSettings& general) const;
    QCheckBox* use_integrated_browser() const { return use_integrated_browser_; }
    QCheckBox* use_only_one_window() const { return use_only_one_window_; }

private:
    QCheckBox* use_integrated_browser_ = nullptr;
    QCheckBox* use_only_one_window_ = nullptr;
};

class TOptionsForm final : public TForm<QDialog> {
    Q_OBJECT
public:
    enum Page { settings_page = 0, area_page = 1, audio_cds_page = 2, listening_page = 3 };
    static constexpr int frame_gap = 10;

    // registry: where the volume control window is found (none: the volume frame is hidden).
    explicit TOptionsForm(QWidget* parent = nullptr, WindowRegistry* registry = nullptr);
    // Writes the page shown last.
    ~TOptionsForm() override;

    // Loads every page from the window, runs the dialog and, on OK, applies what changed.
    int run(TChildForm& window);

    // ---- controls, for the scripted runs of the tests ----
    QTabWidget* pages() const { return pages_; }
    QPushButton* ok_button() const { return ok_; }
    QPushButton* cancel_button() const { return cancel_; }
    QCheckBox* other_language_box() const { return other_language_; }
    QCheckBox* scientific_box() const { return scientific_; }
    QRadioButton* main_name_button(int item) const;
    QGroupBox* systematic_order_frame() const { return order_frame_; }
    QRadioButton* systematic_order_button(int kind) const;
    QGroupBox* only_with_frame() const { return only_with_frame_; }
    QRadioButton* only_with_button(int item) const;
    QCheckBox* threatened_box() const { return threatened_; }
    QCheckBox* department_box() const { return department_; }
    QCheckBox* country_box() const { return country_; }
    QSpinBox* text_size_box() const { return text_size_; }
    TFrameWebBrowserSettings* browser_frame() const { return browser_frame_; }
    QCheckBox* integrated_browser_box() const { return browser_frame_->use_integrated_browser(); }
    QCheckBox* one_browser_window_box() const { return browser_frame_->use_only_one_window(); }
    QLineEdit* sound_editor_edit() const { return sound_editor_; }
    QPushButton* sound_editor_button() const { return sound_editor_button_; }
    QCheckBox* volume_control_box() const { return volume_control_; }
    TFrameSelectArea* area_frame() const { return area_frame_; }
    TFrameAudioCDsSettings* audio_cds_frame() const { return audio_cds_; }
    QWidget* listening_page_widget() const { return listening_; }
    QCheckBox* sonogram_strips_box() const { return strips_; }
    QRadioButton* colour_map_button(int colour_map) const;
    QSpinBox* top_khz_box() const { return top_khz_; }
    // The frames of the settings page in their order, visible or not.
    std::vector<QWidget*> settings_frames() const;

    // Whether the pages accept their input (audio-CD folders, at least one area); a page that does
    // not shows its message.
    bool close_query();

public slots:
    void done(int result) override;

private:
    void build_settings_page();
    // Sonogram strips, colours and band: program-wide, applied on OK.
    void build_listening_page();
    void lay_out_settings_page();
    // A dialog larger than the screen's free area shrinks to it; the settings page then scrolls.
    void fit_on_screen(const QScreen* screen);
    void name_clicked(QWidget* source);
    void show_names(bool other_language, bool scientific, int main_name);
    void apply_names();
    void choose_sound_editor();
    bool apply(TChildForm& window);
    bool name_rules_running() const { return name_guard_; }

    WindowRegistry* registry_ = nullptr;
    TChildForm* window_ = nullptr;
    settings::SettingsModel<settings::GeneralSettings> general_;
    QTabWidget* pages_ = nullptr;
    QWidget* settings_ = nullptr;
    QWidget* area_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;

    QGroupBox* names_frame_ = nullptr;
    QCheckBox* other_language_ = nullptr;
    QCheckBox* scientific_ = nullptr;
    QButtonGroup* main_name_ = nullptr;
    QGroupBox* order_frame_ = nullptr;
    QButtonGroup* order_ = nullptr;
    QGroupBox* only_with_frame_ = nullptr;
    QButtonGroup* only_with_ = nullptr;
    QWidget* threatened_frame_ = nullptr;
    QCheckBox* threatened_ = nullptr;
    QGroupBox* department_frame_ = nullptr;
    QCheckBox* department_ = nullptr;
    QCheckBox* country_ = nullptr;
    QWidget* text_size_frame_ = nullptr;
    QSpinBox* text_size_ = nullptr;
    TFrameWebBrowserSettings* browser_frame_ = nullptr;
    QGroupBox* sound_editor_frame_ = nullptr;
    QLineEdit* sound_editor_ = nullptr;
    QPushButton* sound_editor_button_ = nullptr;
    QGroupBox* volume_frame_ = nullptr;
    QCheckBox* volume_control_ = nullptr;
    TFrameSelectArea* area_frame_ = nullptr;
    TFrameAudioCDsSettings* audio_cds_ = nullptr;
    QWidget* listening_ = nullptr;
    QCheckBox* strips_ = nullptr;
    QButtonGroup* colour_map_ = nullptr;
    QSpinBox* top_khz_ = nullptr;

    // The window's names when the dialog opened, for Cancel.
    bool old_other_language_ = true;
    bool old_scientific_ = true;
    int old_main_name_ = 0;
    bool name_guard_ = false;
    std::unique_ptr<TArea> area_copy_;
};

// The registry's factory: Options from a main window runs the dialog over that window.
WindowFactory options_factory();

} // namespace morvelin
