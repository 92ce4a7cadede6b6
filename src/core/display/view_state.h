#pragma once
// Where a main window's species document stands: unfolded groups and families, the line at the top
// and the selected line, as numbers that survive a restart.

#include <array>
#include <string>
#include <vector>

namespace morvelin {

// Where a window's view stands, saved as `Visible` of the window's section.
struct TShowStringsViewState {
    static constexpr int max_unfolded_families = 20;
    std::array<bool, 7> groups{}; // [1..6]: the group is unfolded
    int top_group = 1;
    int top_family = 1;
    int top_species = 0; // 0 = none
    int selected_family = 1;
    int selected_species = 0;
    std::vector<int> unfolded_families;

    // "gggggg," in grouped editions, then top group, top family, top species, selected family,
    // selected species and the unfolded families, joined by ",".
    std::string to_text(bool grouped) const;
    // The group flags come from the first item when it has six characters or more (else every group
    // counts as unfolded); the next five items must be integers, or everything but the group flags
    // keeps its default; then up to 20 unfolded families, items that are no integers skipped.
    static TShowStringsViewState from_text(const std::string& text);
    // A state with every group unfolded and nothing else: where a new window starts.
    static TShowStringsViewState initial();
};

} // namespace morvelin
