#pragma once
// The open main windows in opening order; index 0 is always the main window.

#include <string>
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
    TChildForm* form(int index) const { return forms_.at(static_cast<std::size_t>(index)); }

private:
    int index_of(const TChildForm* form) const;
    std::vector<TChildForm*> forms_;
};

Ttop_forms& top_forms();

} // namespace morvelin
