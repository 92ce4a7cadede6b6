#include "ui/display/find_dialog.h"

#include "ui/display/text_drawing.h"
#include "core/foundation/editions.h"
#include "ui/foundation/program_fonts.h"
#include "core/foundation/textfile_handler.h"
#include "ui/foundation/qt_text.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace morvelin {

namespace {
QString text_or(const std::string& text, const char* fallback) {
    return text.empty() ? QString::fromLatin1(fallback) : qt_text(text);
}
} // namespace

TFindInShowStringsDialog::TFindInShowStringsDialog(QWidget* parent)
    : TForm<QDialog>(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    const std::vector<std::string> lines = texts("FIND_DB", 1);
    set_caption_from_text("FIND_DB", 0);
    setFixedSize(313, 147);
    edit_ = new QLineEdit(this);
    edit_->setGeometry(16, 25, 281, 24);
    from_top_ = new QCheckBox(qt_text(lines[1]), this);
    from_top_->setGeometry(20, 75, 181, 17);
    ok_ = new QPushButton(text_or(program_text(3), "OK"), this);
    ok_->setGeometry(74, 115, 75, 25);
    ok_->setDefault(true);
    cancel_ = new QPushButton(text_or(program_text(5), "Cancel"), this);
    cancel_->setGeometry(154, 115, 75, 25);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TFindInShowStringsDialog::load(const std::string& search_text, bool from_top) {
    // The dialog speaks in the document's main text font.
    setFont(TShowFonts::instance().font(FontRef{}));
    edit_->setText(qt_text(search_text));
    edit_->selectAll();
    edit_->setFocus();
    from_top_->setChecked(from_top);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TFindInShowStringsDialog::store(std::string& search_text, bool& from_top) const {
    search_text = disc_text(edit_->text());
    from_top = from_top_->isChecked();
}

int TFindInShowStringsDialog::execute(std::string& search_text, bool& from_top) {
    load(search_text, from_top);
    const int result = run_modal(*this);
    if (result == QDialog::Accepted) store(search_text, from_top);
    return result;
}

} // namespace morvelin
