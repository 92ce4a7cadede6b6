#pragma once
// What a click or a key on a species document asks of other windows. The document only answers with
// requests; the pane that hosts it turns them into its request signals, which the window registry
// connects. A document never calls its pane.

#include <string>
#include <vector>

namespace morvelin {

struct Tspecies;
struct Tsubspecies;
struct Tlocality;
struct TaudioCD;
struct Tperson;

struct SpeciesRequest {
    enum class Kind {
        beep, // nothing can be done here
        species_map,
        locality_map,
        species_pictures,
        literature,
        threatened_status,
        audio_cd,
        persons,
        recordist,
    };
    Kind kind = Kind::beep;
    const Tspecies* species = nullptr;
    const Tsubspecies* subspecies = nullptr;
    bool subspecies_only = false; // pictures of the subspecies alone
    const Tlocality* locality = nullptr;
    const TaudioCD* audio_cd = nullptr;
    const Tperson* person = nullptr;
    std::string text; // Windows-1252: the threat status, or the link text that names the persons
    // The document point next to which a pop-up goes.
    int x = 0;
    int y = 0;
};

// What a mouse click or key asks of the pane besides repainting.
struct DocumentChange {
    bool changed = false;  // lines were added or removed
    int repaint_from = 0;  // document y from which the pane repaints
    int scroll_amount = 0; // added to the scroll position when positive
    std::vector<SpeciesRequest> requests;
};

// The selection moved by a key: where the view must scroll to show it (-1: it is in view), or
// nothing to move to.
struct SelectionMove {
    bool moved = false;
    int scroll_to = -1;
};

} // namespace morvelin
