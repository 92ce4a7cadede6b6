#include "ui/foundation/qt_services.h"

#include "ui/foundation/qt_text.h"
#include "ui/foundation/ui_thread.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace morvelin {

namespace {

QWidget* owner() { return QApplication::activeWindow(); }

QString filter_text(const std::vector<FileFilter>& filters) {
    QStringList parts;
    for (const auto& f : filters) parts << qt_text(f.description) + " (" + qt_text(f.pattern) + ")";
    return parts.join(";;");
}

struct ButtonEntry {
    QMessageBox::StandardButton button;
    int result;
};

std::vector<ButtonEntry> buttons_for(int flags) {
    switch (flags & 15) {
    case mb::ok_cancel:
        return {{QMessageBox::Ok, id::ok}, {QMessageBox::Cancel, id::cancel}};
    case mb::yes_no_cancel:
        return {{QMessageBox::Yes, id::yes}, {QMessageBox::No, id::no}, {QMessageBox::Cancel, id::cancel}};
    case mb::yes_no:
        return {{QMessageBox::Yes, id::yes}, {QMessageBox::No, id::no}};
    default:
        return {{QMessageBox::Ok, id::ok}};
    }
}

QMessageBox::Icon icon_for(int flags) {
    switch (flags & 0xF0) {
    case mb::icon_error:
        return QMessageBox::Critical;
    case mb::icon_question:
        return QMessageBox::Question;
    case mb::icon_warning:
        return QMessageBox::Warning;
    case mb::icon_information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int show_box(const std::string& text, const std::string& caption, int flags) {
    QMessageBox box(icon_for(flags), qt_text(caption), qt_text(text), QMessageBox::NoButton, owner());
    const auto entries = buttons_for(flags);
    for (const auto& e : entries) box.addButton(e.button);
    const std::size_t default_index = static_cast<std::size_t>((flags >> 8) & 3);
    if (default_index < entries.size()) box.setDefaultButton(entries[default_index].button);
    // Escape answers with the last button (Cancel or No) like the desktop's own boxes.
    box.setEscapeButton(entries.back().button);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const auto& e : entries)
        if (e.button == clicked) return e.result;
    return entries.back().result;
}

} // namespace

int QtMessagePort::show(const std::string& text, const std::string& caption, int flags) {
    return call_on_ui_thread([&] { return show_box(text, caption, flags); });
}

std::optional<std::string> QtDialogPort::select_folder(const std::string& caption, const std::string& start) {
    return call_on_ui_thread([&]() -> std::optional<std::string> {
        QString dir = QFileDialog::getExistingDirectory(owner(), qt_text(caption), qt_path(start));
        if (dir.isEmpty()) return std::nullopt;
        return native_path(dir);
    });
}

std::optional<std::string> QtDialogPort::open_file(const std::string& caption, const std::string& folder,
                                                   const std::vector<FileFilter>& filters) {
    return call_on_ui_thread([&]() -> std::optional<std::string> {
        QString f =
            QFileDialog::getOpenFileName(owner(), qt_text(caption), qt_path(folder), filter_text(filters));
        if (f.isEmpty()) return std::nullopt;
        return native_path(f);
    });
}

std::optional<std::string> QtDialogPort::save_file(const std::string& caption, const std::string& folder,
                                                   const std::string& file_name,
                                                   const std::vector<FileFilter>& filters) {
    return call_on_ui_thread([&]() -> std::optional<std::string> {
        QString start = qt_path(folder);
        if (!file_name.empty()) start = QDir(start).filePath(qt_path(file_name));
        QString f = QFileDialog::getSaveFileName(owner(), qt_text(caption), start, filter_text(filters));
        if (f.isEmpty()) return std::nullopt;
        return native_path(f);
    });
}

std::optional<std::string> QtDialogPort::input_box(const std::string& caption, const std::string& prompt,
                                                   const std::string& initial) {
    return call_on_ui_thread([&]() -> std::optional<std::string> {
        bool ok = false;
        QString s = QInputDialog::getText(owner(), qt_text(caption), qt_text(prompt), QLineEdit::Normal,
                                          qt_text(initial), &ok);
        if (!ok) return std::nullopt;
        return disc_text(s);
    });
}

std::optional<std::uint32_t> QtDialogPort::choose_colour(std::uint32_t initial) {
    return call_on_ui_thread([&]() -> std::optional<std::uint32_t> {
        const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
        QColor c = QColorDialog::getColor(start, owner());
        if (!c.isValid()) return std::nullopt;
        return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
               (static_cast<std::uint32_t>(c.blue()) << 16);
    });
}

} // namespace morvelin
