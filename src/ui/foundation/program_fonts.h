#pragma once
// The program's fonts, its work area and the other display values the windows read. The fonts are
// "Arial" at fixed pixel heights; on Linux "Arial" is Liberation Sans, which has the same metrics.
// Call from the user-interface thread once a QApplication exists.

#include <QColor>
#include <QFont>
#include <QRect>

namespace morvelin {

// The eleven program fonts, named by their pixel height and style.
enum class ProgramFont {
    arial_13,
    arial_14,
    arial_14_bold,
    arial_15,
    arial_15_bold,
    arial_16,
    arial_16_italic,
    arial_16_bold,
    arial_17,
    arial_18,
    arial_20,
};

// The family every program font asks for; "Arial" is substituted by it as well.
inline constexpr const char* program_font_family = "Liberation Sans";

const QFont& program_font(ProgramFont font);

// The desktop without the task bar and other reserved areas, of the primary screen.
QRect work_area();

// Screen width / screen height divided by 1.33 (1.0 on a 4:3 screen, about 1.34 on 16:9).
double screen_aspect();

struct TooltipColours {
    QColor background;
    QColor text;
};
// The desktop's tooltip colours.
TooltipColours tooltip_colours();

} // namespace morvelin
