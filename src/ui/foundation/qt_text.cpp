#include "ui/foundation/qt_text.h"

#include "core/foundation/text_encoding.h"

#include <array>

namespace morvelin {

QString qt_text(std::string_view cp1252) {
    // Built once from the core's table, which is the one definition of Windows-1252.
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const QString one = QString::fromStdString(cp1252_to_utf8(std::string(1, static_cast<char>(b))));
            t[static_cast<std::size_t>(b)] = one.size() == 1 ? one.at(0).unicode() : u'?';
        }
        return t;
    }();
    QString out(static_cast<qsizetype>(cp1252.size()), Qt::Uninitialized);
    for (std::size_t i = 0; i < cp1252.size(); ++i)
        out[static_cast<qsizetype>(i)] = QChar(table[static_cast<unsigned char>(cp1252[i])]);
    return out;
}

std::string disc_text(const QString& text) {
    return utf8_to_cp1252(text.toStdString());
}

QString qt_path(std::string_view native) {
    return QString::fromUtf8(native.data(), static_cast<qsizetype>(native.size()));
}

std::string native_path(const QString& path) {
    return path.toStdString();
}

} // namespace morvelin
