#include "ui/sound/sonogram_plot.h"

#include "core/data/records.h"
#include "core/settings/settings_sections.h"
#include "core/sound/players.h"
#include "core/sound/file_locations.h"
#include "core/sound/sound_bar_state.h"
#include "ui/foundation/qt_text.h"
#include "ui/sound/sound_bar.h"
#include "ui/windows/form.h"

#include <algorithm>
#include <cmath>

namespace morvelin {

QString sonogram_line(int line, const char* english) {
    return line_or("SONOGRAM", line, english);
}

bool apply_sonogram_view_key(SonogramRange& range, int key, bool control) {
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        if (control)
            range.zoom_frequency(1.5, range.low_hz);
        else
            range.zoom_time(1.5, range.t0 + range.span_s / 2);
        return true;
    case Qt::Key_Minus:
        if (control)
            range.zoom_frequency(1 / 1.5, range.low_hz);
        else
            range.zoom_time(1 / 1.5, range.t0 + range.span_s / 2);
        return true;
    case Qt::Key_Left:
        range.scroll(-range.span_s / 5);
        return true;
    case Qt::Key_Right:
        range.scroll(range.span_s / 5);
        return true;
    case Qt::Key_PageUp:
        range.scroll(-range.span_s);
        return true;
    case Qt::Key_PageDown:
        range.scroll(range.span_s);
        return true;
    case Qt::Key_Home:
        range.t0 = 0;
        return true;
    case Qt::Key_End:
        range.t0 = range.length_s;
        return true;
    case Qt::Key_F:
        range.low_hz = 0;
        range.high_hz = range.top_hz;
        return true;
    default:
        return false;
    }
}

void apply_listening_settings(SonogramLook& look, SonogramRange& range) {
    const settings::GeneralSettings general = settings::read_general_settings();
    look.colour_map = general.sonogram_colour_map;
    range.low_hz = 0;
    range.high_hz = general.sonogram_top_khz * 1000.0;
}

void store_listening_colour_map(const SonogramLook& look) {
    using G = settings::GeneralSettings;
    G general = settings::read_general_settings();
    if (general.sonogram_colour_map == look.colour_map) return;
    general.sonogram_colour_map = look.colour_map;
    settings::write_general(&G::sonogram_colour_map, general);
}

double sound_bar_seconds(const Tsound_bar& bar) {
    int ms = 0;
    if (bar.is_playing() && bar.state().player().GetPosition(ms)) return ms / 1000.0;
    return bar.state().slider_position() / 10.0;
}

double seek_sound_bar(Tsound_bar& bar, double seconds) {
    const int step = std::clamp(int(std::lround(seconds * 10)), 0, bar.state().slider_maximum());
    bar.slider().setValue(step);
    return step / 10.0;
}

QString sonogram_axis_text(double value, double step) {
    const int decimals = step >= 1 ? 0 : step >= 0.1 ? 1 : 2;
    return QString::number(value, 'f', decimals);
}

SonogramHandle open_sound_bar_sonogram(const Tsound_bar& bar) {
    const Tcutpart& part = *bar.recording().cut_part;
    const SoundBarState& state = bar.state();
    std::string path;
    std::int64_t start_ms = 0;
    std::int64_t length_ms = -1;
    if (has_a_file(part, state.files_instead_of_cd())) path = state.sound_file_path();
    if (!part.is_sound_file) {
        start_ms = part.offset;
        length_ms = part.length;
    }
    if (!path.empty()) return open_sonogram(path, start_ms, length_ms);
    SonogramHandle handle;
    handle.error = disc_text(sonogram_line(12, "The sonogram cannot be made:")) + " " + disc_text(qt_path(part.key));
    return handle;
}

QImage render_sonogram(const Sonogram* sonogram, const SonogramRange& range, const std::vector<std::uint32_t>& palette,
                       int colour_map, QSize device_size) {
    QImage image(device_size, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(sonogram_colour(0, colour_map)));
    if (!sonogram || device_size.isEmpty()) return image;
    const Sonogram& s = *sonogram;
    const int w = device_size.width();
    const int h = device_size.height();
    std::vector<std::pair<int, int>> rows(static_cast<std::size_t>(h));
    const double band = range.high_hz - range.low_hz;
    for (int y = 0; y < h; ++y) {
        const double hz_top = range.low_hz + band * (h - y) / h;
        const double hz_bottom = range.low_hz + band * (h - y - 1) / h;
        int b0 = int(std::lround(hz_bottom / s.bin_hz()));
        int b1 = int(std::lround(hz_top / s.bin_hz()));
        b0 = std::clamp(b0, 0, s.bins() - 1);
        b1 = std::clamp(std::max(b1, b0 + 1), 1, s.bins());
        rows[std::size_t(y)] = {b0, b1};
    }
    const double per_column = s.column_seconds();
    for (int x = 0; x < w; ++x) {
        const double t_left = range.t0 + range.span_s * x / w;
        const double t_right = range.t0 + range.span_s * (x + 1) / w;
        const std::int64_t c0 = std::llround(t_left / per_column);
        std::int64_t c1 = std::max<std::int64_t>(std::llround(t_right / per_column), c0 + 1);
        if (c0 >= s.columns() || t_left > s.seconds()) break;
        c1 = std::min(c1, s.columns());
        // At most a few columns per pixel are looked at: enough to keep short sounds.
        const std::int64_t stride = std::max<std::int64_t>((c1 - c0) / 8, 1);
        for (int y = 0; y < h; ++y) {
            const auto [b0, b1] = rows[std::size_t(y)];
            std::uint8_t best = 0;
            bool any = false;
            for (std::int64_t c = c0; c < c1; c += stride) {
                const std::uint8_t* column = s.column(c);
                if (!column) continue;
                any = true;
                for (int b = b0; b < b1; ++b)
                    best = std::max(best, column[b]);
            }
            if (any) reinterpret_cast<QRgb*>(image.scanLine(y))[x] = 0xFF000000u | palette[best];
        }
    }
    return image;
}

} // namespace morvelin
