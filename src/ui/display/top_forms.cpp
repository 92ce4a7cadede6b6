#include "ui/display/top_forms.h"

#include "ui/display/child_form.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/settings/settings_sections.h"
#include "ui/foundation/qt_services.h"
#include "ui/foundation/qt_text.h"

#include <algorithm>

namespace morvelin {

std::string window_caption(const std::string& title, const std::string& version, int index) {
    std::string caption = title;
    if (version != "1.0") caption += " " + version;
    if (index > 0) caption += " : " + std::to_string(index);
    const std::string amp = " & ";
    for (std::size_t at = caption.find(amp); at != std::string::npos; at = caption.find(amp, at + 5))
        caption.replace(at, amp.size(), " and ");
    return caption;
}

void Ttop_forms::add_form(TChildForm* form) { forms_.push_back(form); }

void Ttop_forms::delete_form(TChildForm* form) { std::erase(forms_, form); }

int Ttop_forms::index_of(const TChildForm* form) const {
    auto it = std::find(forms_.begin(), forms_.end(), form);
    return it == forms_.end() ? -1 : static_cast<int>(it - forms_.begin());
}

TChildForm* Ttop_forms::next(const TChildForm* form) const {
    int i = index_of(form);
    if (i < 0) return nullptr;
    return forms_[static_cast<std::size_t>((i + 1) % count())];
}

TChildForm* Ttop_forms::previous(const TChildForm* form) const {
    int i = index_of(form);
    if (i < 0) return nullptr;
    return forms_[static_cast<std::size_t>((i + count() - 1) % count())];
}

void Ttop_forms::rewrite_captions() const {
    for (int i = 0; i < count(); ++i)
        forms_[static_cast<std::size_t>(i)]->setWindowTitle(qt_text(window_caption(program_text(7), program_text(9), i)));
}

void Ttop_forms::write_data_to_ini_file() const {
    // One replacement of the file for all windows.
    settings::GeneralSettings general;
    general.windows = count();
    SettingsChanges changes;
    settings::write_field(changes, settings::GeneralSettings::section(), settings::GeneralSettings::fields(),
                          general, &settings::GeneralSettings::windows);
    for (int i = 0; i < count(); ++i)
        forms_[static_cast<std::size_t>(i)]->write_window_section(i + 1, changes);
    changes.commit();
}

void Ttop_forms::close_all_without_asking() {
    TChildForm* main = main_child_form();
    if (!main) return;
    // The main window saves first: an additional window closed before it would be missing from the
    // settings, and one closed by itself would ask whether to end the program.
    set_closing_all(true);
    main->close();
    set_closing_all(false);
}

Ttop_forms& top_forms() {
    static Ttop_forms forms;
    return forms;
}

void Ttop_forms::set_exit_question(const void* asker, std::function<bool()> question) {
    std::erase_if(exit_questions_, [asker](const auto& entry) { return entry.first == asker; });
    if (question) exit_questions_.emplace_back(asker, std::move(question));
}

bool Ttop_forms::ask_exit_question() const {
    // An answer may close an asker, which removes its question: each asker is looked up when its turn comes.
    std::vector<const void*> askers;
    for (const auto& entry : exit_questions_)
        askers.push_back(entry.first);
    for (const void* asker : askers) {
        const auto found = std::find_if(exit_questions_.begin(), exit_questions_.end(),
                                        [asker](const auto& entry) { return entry.first == asker; });
        if (found == exit_questions_.end()) continue;
        const auto question = found->second;
        if (!question()) return false;
    }
    return true;
}

} // namespace morvelin
