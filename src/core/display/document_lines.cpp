#include "core/display/document_lines.h"

namespace morvelin {

int kind_indent(std::uint8_t kind) {
    switch (kind) {
    case line_kind::group_fold:
        return 10;
    case line_kind::family_fold:
        return 25;
    case line_kind::species_fold:
        return 105;
    case line_kind::other_names:
    case line_kind::species_text:
        return 145;
    case line_kind::pictures:
        return 20;
    case line_kind::subspecies_header:
    case line_kind::recording_number:
        return 180;
    case line_kind::recording_fold:
        return 195;
    case line_kind::recording_code:
        return 215;
    case line_kind::recording_title:
    case line_kind::percentage:
    case line_kind::detail_recordist:
    case line_kind::detail_locality:
    case line_kind::detail_audible:
        return 235;
    default:
        return 0;
    }
}

bool is_name_kind(std::uint8_t kind) {
    return kind == line_kind::family_scientific || kind == line_kind::family_other ||
           kind == line_kind::species_scientific || kind == line_kind::species_other;
}

bool is_wrapped_kind(std::uint8_t kind) {
    return kind == line_kind::other_names || kind == line_kind::species_text ||
           kind == line_kind::subspecies_header || kind == line_kind::cd_line ||
           kind == line_kind::recording_title ||
           (kind >= line_kind::detail_recordist && kind <= line_kind::detail_audible);
}

} // namespace morvelin
