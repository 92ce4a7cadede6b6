#include "ui/foundation/qt_text.h"

#include "core/foundation/text_encoding.h"

#include <gtest/gtest.h>

namespace morvelin {
namespace {

TEST(QtText, EveryByteIsOneCharacterAndComesBack) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const QString text = qt_text(all);
    ASSERT_EQ(text.size(), static_cast<qsizetype>(all.size()));
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string one(1, all[i]);
        EXPECT_EQ(QString(text.at(static_cast<qsizetype>(i))).toStdString(), cp1252_to_utf8(one)) << i + 1;
    }
    EXPECT_EQ(disc_text(text), all);
    EXPECT_EQ(qt_text("\x93quoted\x94 \x80"), QString::fromUtf8("\u201Cquoted\u201D \u20AC"));
    EXPECT_EQ(disc_text(QString::fromUtf8("Caf\u00E9 \u4E2D")), "Caf\xE9 ?");
}

TEST(QtText, PathsAreUtf8BothWays) {
    const std::string native = "/home/zo\xC3\xAB/M\xC3\xBAsica7/";
    EXPECT_EQ(qt_path(native), QString::fromUtf8("/home/zo\u00EB/M\u00FAsica7/"));
    EXPECT_EQ(native_path(qt_path(native)), native);
}

} // namespace
} // namespace morvelin
