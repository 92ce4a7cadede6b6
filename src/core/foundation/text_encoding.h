#pragma once
// Windows-1252 is the encoding of every text on the disc and in the language file; Unicode appears
// only at the drawing edge.

#include <string>
#include <string_view>

namespace morvelin {

std::string cp1252_to_utf8(std::string_view text);
// Characters without a Windows-1252 form become '?'; invalid UTF-8 bytes are taken as Latin-1.
std::string utf8_to_cp1252(std::string_view text);

// Texts that become paths. Paths are native (UTF-8) everywhere, settings values that are paths
// included. A disc text used as a path component (a CD's folder, a family's media folder) is converted
// before it is looked up; a native path inside a message (messages are Windows-1252) is converted back.
inline std::string path_from_disc_text(std::string_view cp1252) {
    return cp1252_to_utf8(cp1252);
}
inline std::string message_text_from_path(std::string_view native) {
    return utf8_to_cp1252(native);
}

// ASCII-only case mapping: the disc's keys and names compare like the original's upper-casing.
std::string to_upper_ascii(std::string_view text);
bool equals_ignore_case(std::string_view a, std::string_view b);
int compare_ignore_case(std::string_view a, std::string_view b);

} // namespace morvelin
