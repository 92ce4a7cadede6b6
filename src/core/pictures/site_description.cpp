#include "core/pictures/site_description.h"

#include "core/data/records.h"

namespace morvelin {

SiteDescriptionPage site_description_page(const Tlocality& locality, const std::string& base_directory) {
    const std::string& text = locality.text_7;
    const auto hash = text.find('#');
    SiteDescriptionPage page;
    page.file = base_directory + "localities/" + text.substr(0, hash);
    if (hash != std::string::npos) page.anchor = text.substr(hash + 1);
    return page;
}

std::string site_description_path(const Tlocality& locality, const std::string& base_directory) {
    return base_directory + "localities/" + locality.text_7;
}

} // namespace morvelin
