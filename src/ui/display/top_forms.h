#pragma once
// The open main windows in opening order; index 0 is always the main window.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace morvelin {

class TChildForm;

// Caption of the window at `index`: the title, the version unless it is "1.0", " : index" for every
// window after the first, and " and " for every " & " (the desktop would take "&" as a mnemonic).
std::string window_caption(const std::string& title, const std::string& version, int index);

class Ttop_forms {
public:
    void add_form(TChildForm* form);
    void delete_form(TChildForm* form);
    TChildForm* main_child_form() const { return forms_.empty() ? nullptr : forms_.front(); }
    // Window switching wraps around in both directions.
    TChildForm* next(const TChildForm* form) const;
    TChildForm* previous(const TChildForm* form) const;
    void rewrite_captions() const;
    int count() const { return static_cast<int>(forms_.size()); }
    // Writes `Windows` and the section of every window, numbered from 1 in list order.
    void write_data_to_ini_file() const;
    // Set while the program closes every window, so that additional windows close without asking.
    bool closing_all() const { return closing_all_; }
    void set_closing_all(bool value) { closing_all_ = value; }
    TChildForm* form(int index) const { return forms_.at(static_cast<std::size_t>(index)); }
    // Ends the way the program ends at a termination signal: the main window saves every window's
    // section and closes them all, with no question to anyone.
    void close_all_without_asking();

    // Asked before the main window closes the program (the save questions of the play list and the
    // comparison), one per asker; an empty question removes the asker's. False from any keeps the
    // program running, and the askers after it are not asked.
    void set_exit_question(const void* asker, std::function<bool()> question);
    bool ask_exit_question() const;

private:
    int index_of(const TChildForm* form) const;
    std::vector<TChildForm*> forms_;
    bool closing_all_ = false;
    std::vector<std::pair<const void*, std::function<bool()>>> exit_questions_;
};

Ttop_forms& top_forms();

} // namespace morvelin
