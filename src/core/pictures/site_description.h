#pragma once
// Where a locality's site description lies: an HTML page in the folder localities/ below the base
// directory, named by the locality's text_7, which may end in "#" and an anchor.

#include <string>

namespace morvelin {

struct Tlocality;

struct SiteDescriptionPage {
    std::string file;   // base directory + "localities/" + the part of text_7 before "#"
    std::string anchor; // the part after the first "#", or empty
};

// Only the locality's own text is split at "#": a base directory may hold "#" itself.
SiteDescriptionPage site_description_page(const Tlocality& locality, const std::string& base_directory);

// base directory + "localities/" + text_7, anchor included (the path the tooltip shows).
std::string site_description_path(const Tlocality& locality, const std::string& base_directory);

} // namespace morvelin
