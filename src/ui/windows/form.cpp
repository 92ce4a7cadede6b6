#include "ui/windows/form.h"

#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/settings/settings_sections.h"
#include "ui/foundation/qt_text.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace morvelin {

namespace {

ModalScript& modal_script() {
    static ModalScript script;
    return script;
}

} // namespace

QString caption_text(const std::string& key, int line) {
    return qt_text(texts(key, line)[static_cast<std::size_t>(line)]);
}

QString line_or(const std::string& key, int line, const char* english) {
    const std::string text = language_texts().get_line(key, line + 1);
    return text.empty() ? QString::fromLatin1(english) : qt_text(text);
}

QString literal_ampersands(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

std::optional<QRect> read_geometry(const GeometryKey& where, QSize size) {
    const std::string text = settings_read_string("", where.section, where.key, "");
    if (where.position_only) {
        const auto p = settings::stored_position(text);
        if (!p || size.isEmpty()) return std::nullopt;
        return QRect(QPoint((*p)[0], (*p)[1]), size);
    }
    const auto v = settings::stored_rectangle(text);
    if (!v || (*v)[2] <= (*v)[0] || (*v)[3] <= (*v)[1]) return std::nullopt;
    return QRect(QPoint((*v)[0], (*v)[1]), QPoint((*v)[2] - 1, (*v)[3] - 1));
}

void write_geometry(const GeometryKey& where, const QRect& r) {
    const std::string text =
        where.position_only
            ? std::to_string(r.left()) + "," + std::to_string(r.top())
            : render_four_integers({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
    settings_write_string("", where.section, where.key, text);
}

QRect moved_inside(QRect r, const QRect& area) {
    if (r.right() > area.right()) r.moveRight(area.right());
    if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
    if (r.left() < area.left()) r.moveLeft(area.left());
    if (r.top() < area.top()) r.moveTop(area.top());
    return r;
}

QRect kept_inside(QRect r, const QRect& area) {
    r.setWidth(std::min(r.width(), area.width()));
    r.setHeight(std::min(r.height(), area.height()));
    return moved_inside(r, area);
}

QRect work_area_for(const QRect& r) {
    QScreen* screen = QGuiApplication::screenAt(r.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
}

QPoint pop_up_position(QSize size, QPoint at, const QRect& owner_area, const QRect& work_area) {
    QRect r(at, size);
    if (owner_area.isValid()) r = moved_inside(r, owner_area);
    return moved_inside(r, work_area).topLeft();
}

QPoint pop_up_position(QSize size, QPoint at, const QWidget* owner) {
    const QRect owner_area = owner ? QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size()) : QRect();
    return pop_up_position(size, at, owner_area, work_area_for(QRect(at, size)));
}

void install_modal_script(ModalScript script) {
    modal_script() = std::move(script);
}

int run_modal(QDialog& dialog) {
    if (modal_script()) {
        const int result = modal_script()(dialog);
        dialog.setResult(result);
        return result;
    }
    return dialog.exec();
}

} // namespace morvelin
