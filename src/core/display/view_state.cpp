#include "core/display/view_state.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace morvelin {

std::string TShowStringsViewState::to_text(bool grouped) const {
    std::string out;
    if (grouped) {
        for (int g = 1; g <= 6; ++g)
            out += groups[static_cast<std::size_t>(g)] ? '1' : '0';
        out += ',';
    }
    out += std::to_string(grouped ? top_group : 1);
    for (int v : {top_family, top_species, selected_family, selected_species})
        out += ',' + std::to_string(v);
    for (int f : unfolded_families)
        out += ',' + std::to_string(f);
    return out;
}

namespace {
// An integer with an optional '+', blanks and tabs around it.
bool parse_item(std::string_view item, int& value) {
    const auto first = item.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    std::string_view t = item.substr(first, item.find_last_not_of(" \t") - first + 1);
    if (t.front() == '+') t.remove_prefix(1);
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    return ec == std::errc() && end == t.data() + t.size();
}
} // namespace

TShowStringsViewState TShowStringsViewState::from_text(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    TShowStringsViewState state;
    std::size_t i = 0;
    if (!items.empty() && items[0].size() >= 6) {
        for (int g = 1; g <= 6; ++g)
            state.groups[static_cast<std::size_t>(g)] = items[0][static_cast<std::size_t>(g - 1)] == '1';
        i = 1;
    } else {
        state.groups.fill(true);
        state.groups[0] = false;
    }
    std::array<int, 5> numbers{};
    for (std::size_t n = 0; n < numbers.size(); ++n, ++i) {
        if (i >= items.size() || !parse_item(items[i], numbers[n])) {
            // A damaged value: nothing of it is trusted but the group flags.
            TShowStringsViewState defaults;
            defaults.groups = state.groups;
            return defaults;
        }
    }
    state.top_group = std::clamp(numbers[0], 1, 6);
    state.top_family = numbers[1];
    state.top_species = numbers[2];
    state.selected_family = numbers[3];
    state.selected_species = numbers[4];
    for (int taken = 0; i < items.size() && taken < max_unfolded_families; ++i, ++taken) {
        int family = 0;
        if (parse_item(items[i], family)) state.unfolded_families.push_back(family);
    }
    return state;
}

TShowStringsViewState TShowStringsViewState::initial() {
    TShowStringsViewState state;
    state.groups.fill(true);
    state.groups[0] = false;
    return state;
}

} // namespace morvelin
