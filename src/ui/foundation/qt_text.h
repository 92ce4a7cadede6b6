#pragma once
// Texts and paths at the edge to Qt. The program's texts (the disc's, the language file's, messages)
// are Windows-1252 bytes; paths are native UTF-8. These are the only conversions to and from QString.

#include <QString>

#include <string>
#include <string_view>

namespace morvelin {

// One character per byte, every byte kept (the five bytes Windows leaves unassigned become the control
// characters of their value), so a position in the text is the same position in its Qt form.
QString qt_text(std::string_view cp1252);
// Characters without a Windows-1252 form become '?'.
std::string disc_text(const QString& text);

QString qt_path(std::string_view native);
std::string native_path(const QString& path);

} // namespace morvelin
