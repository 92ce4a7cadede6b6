#include "core/areas/sarovan_area.h"

namespace morvelin {

namespace {

constexpr int first_not_offered = 12;
constexpr int last_not_offered = 15;

AreaScheme make_scheme() {
    AreaScheme scheme;
    scheme.codes = {"IN", "SR", "NE", "BU", "TH", "IC", "MA", "SI", "BO", "SU",
                    "JA", "BA", "LE", "SW", "HA", "MO", "CH", "HK", "TA", "PH"};
    scheme.seed_points = {
        {{78, 180}},
        {{108, 284}},
        {{142, 79}},
        {{257, 159}},
        {{302, 202}},
        {{354, 228}},
        {{315, 315}},
        {{335, 342}},
        {{441, 337}},
        {{314, 364}},
        {{402, 429}, {423, 425}},
        {{443, 438}},
        {{533, 377}, {561, 385}, {593, 389}},
        {{547, 278}},
        {{639, 275}},
        {{649, 319}, {622, 328}, {653, 357}},
        {{230, 50}, {387, 170}},
        {{431, 135}},
        {{494, 126}},
        {{497, 201},
         {499, 228},
         {523, 236},
         {513, 246},
         {521, 253},
         {527, 255},
         {530, 260},
         {537, 254},
         {540, 243},
         {539, 280},
         {482, 256}},
    };
    scheme.names = {"India",      "Sri Lanka", "Nepal",    "Myanmar",   "Thailand", "Indochina",   "Peninsular Malaysia",
                    "Singapore",  "Borneo",    "Sumatra",  "Java",      "Bali",     "Lesser Sundas", "Sulawesi",
                    "Halmahera", "Moluccas",  "China",    "Hong Kong", "Taiwan",   "Philippines"};
    scheme.frame_class = "TFrameSelectSarovanArea";
    scheme.map_resource = "SAROVAN_MAP_BITMAP";
    return scheme;
}

} // namespace

const AreaScheme& TSarovanArea::scheme_description() {
    static const AreaScheme scheme = make_scheme();
    return scheme;
}

TSarovanArea::TSarovanArea() : TArea(scheme_description()) {}

bool TSarovanArea::is_offered(int area) const {
    return TArea::is_offered(area) && (area < first_not_offered || area > last_not_offered);
}

void TSarovanArea::clear_not_offered() {
    for (int i = first_not_offered; i <= last_not_offered; ++i)
        set_selected(i, false);
}

void TSarovanArea::select_default() {
    TArea::select_default();
    clear_not_offered();
}

void TSarovanArea::load_selection(const std::string& stored, const std::string& context) {
    TArea::load_selection(stored, context);
    clear_not_offered();
}

std::unique_ptr<TArea> create_edition_area(int edition_id) {
    if (edition_id == 106) return std::make_unique<TSarovanArea>();
    return nullptr;
}

} // namespace morvelin
