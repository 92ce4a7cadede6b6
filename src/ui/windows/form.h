#pragma once
// TForm: what every window and dialog of the program shares, over the Qt class it is built on
// (QWidget, QDialog, QMainWindow): the caption from a language text, a place on screen remembered in
// the settings file and kept visible, pop-ups placed inside their owner and the screen, and a modal
// run whose result a test scripts. The free functions do the same for code that is not a TForm.

#include <QCloseEvent>
#include <QDialog>
#include <QRect>
#include <QString>
#include <QWidget>

#include <concepts>
#include <functional>
#include <optional>
#include <string>

namespace morvelin {

// Line `line` of the language text `key`, for the screen.
QString caption_text(const std::string& key, int line = 0);
// Line `line` of the language text `key`, or its English default where the language file has none
// (texts that older language files lack).
QString line_or(const std::string& key, int line, const char* english);
// A text for a button or menu that must show its "&" as it is, not take it as a mnemonic.
QString literal_ampersands(QString text);

// Where a window's place is kept in the settings file. A rectangle is stored as "left,top,right,bottom"
// with right and bottom one past the last pixel (the main windows' `Coord`); a position as "left,top".
struct GeometryKey {
    std::string section;
    std::string key;
    bool position_only = false;
};

// The stored place, or none when the value is missing or malformed or its size is not positive;
// coordinates beyond any screen are clamped (settings::stored_rectangle). A position takes the size given.
std::optional<QRect> read_geometry(const GeometryKey& where, QSize size = {});
void write_geometry(const GeometryKey& where, const QRect& rect);

// r moved so that it lies inside area; where it is wider or higher than area, its left or top is the
// area's (the part that does not fit hangs out at the right or bottom, never at the left or top).
QRect moved_inside(QRect r, const QRect& area);
// r shrunk to area's size where it is larger, then moved inside it: a window wholly on screen.
QRect kept_inside(QRect r, const QRect& area);
// The work area of the screen that holds r's centre (the primary screen's when none does).
QRect work_area_for(const QRect& r);
// The top-left corner (global) of a pop-up of the given size opened at the global point `at`: inside the
// owner's client area, then inside the screen's work area. Without an owner only the screen counts.
QPoint pop_up_position(QSize size, QPoint at, const QWidget* owner);
QPoint pop_up_position(QSize size, QPoint at, const QRect& owner_area, const QRect& work_area);

// Runs a dialog modally and returns its result (QDialog::Accepted, Rejected or a done() code). A test
// installs a script that is called with the dialog, loaded and not shown, instead of the modal loop:
// it sets the dialog's controls and returns the result, so the dialog's own load and store run. An
// empty script brings the modal loop back.
using ModalScript = std::function<int(QDialog& dialog)>;
void install_modal_script(ModalScript script);
int run_modal(QDialog& dialog);

template <class QtWindow> class TForm : public QtWindow {
public:
    using QtWindow::QtWindow;
    ~TForm() override { store_geometry(); }

    void set_caption_from_text(const std::string& key, int line = 0) {
        this->setWindowTitle(caption_text(key, line));
    }

    // Takes the place stored under where (kept inside the screen's work area); when none is stored, the
    // window keeps the place it has, its size shrunk to the work area where it is larger (a default
    // size at a large scale factor). The place is stored again when the window closes or is destroyed.
    void remember_geometry(GeometryKey where) {
        geometry_key_ = std::move(where);
        if (auto stored = read_geometry(*geometry_key_, this->size())) {
            this->setGeometry(kept_inside(*stored, work_area_for(*stored)));
        } else {
            const QRect here(this->pos(), this->size());
            const QSize fitting = kept_inside(here, work_area_for(here)).size();
            if (fitting != here.size()) this->resize(fitting);
        }
    }
    void store_geometry() const {
        if (!geometry_key_) return;
        const bool normal = !this->isMaximized() && !this->isMinimized() && !this->isFullScreen();
        write_geometry(*geometry_key_, normal ? this->geometry() : this->normalGeometry());
    }

    // Moves the pop-up to the global point at, kept inside its owner and the screen.
    void place_pop_up(QPoint at, const QWidget* owner) {
        this->move(pop_up_position(this->frameGeometry().size(), at, owner));
    }

    // The modal run of a dialog (scripted in tests).
    int execute() requires std::derived_from<QtWindow, QDialog> { return run_modal(*this); }

protected:
    void closeEvent(QCloseEvent* event) override {
        QtWindow::closeEvent(event);
        if (event->isAccepted()) store_geometry();
    }

private:
    std::optional<GeometryKey> geometry_key_;
};

} // namespace morvelin
