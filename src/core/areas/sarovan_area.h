#pragma once
// This edition's area scheme: 20 areas. Areas 12 to 15 belong to the scheme (species data may name
// them) but are not offered: the default selection leaves them out and a selection read from the
// settings has them cleared again.

#include "core/areas/area.h"

namespace morvelin {

class TSarovanArea final : public TArea {
public:
    static constexpr int area_count = 20;
    static constexpr int map_width = 574;
    static constexpr int map_height = 472;

    // Codes "IN" "SR" "NE" "BU" "TH" "IC" "MA" "SI" "BO" "SU" "JA" "BA" "LE" "SW" "HA" "MO" "CH" "HK"
    // "TA" "PH" in this order, with the seed points of the selection map SAROVAN_MAP_BITMAP.
    static const AreaScheme& scheme_description();

    TSarovanArea();
    std::unique_ptr<TArea> clone() const override { return std::make_unique<TSarovanArea>(*this); }

    bool is_offered(int area) const override;
    void select_default() override;
    void load_selection(const std::string& stored, const std::string& context) override;

    // Clears the areas that are not offered.
    void clear_not_offered();
};

// The area set of the running edition's scheme (all flags cleared), or none for editions without
// area filtering.
std::unique_ptr<TArea> create_edition_area(int edition_id);

} // namespace morvelin
