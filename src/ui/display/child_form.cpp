#include "display/child_form.h"

#include "display/top_forms.h"

#include <QLabel>
#include <QStatusBar>

namespace morvelin {

TChildForm::TChildForm(bool is_additional, QWidget* parent) : QMainWindow(parent), is_additional_(is_additional) {
    setAttribute(Qt::WA_DeleteOnClose, is_additional);
    pane_ = new QLabel(this);
    pane_->setAlignment(Qt::AlignCenter);
    setCentralWidget(pane_);
    statusBar();
    resize(900, 700);
}

TChildForm::~TChildForm() {
    top_forms().delete_form(this);
    top_forms().rewrite_captions();
}

void TChildForm::window_set_up() {
    top_forms().add_form(this);
    top_forms().rewrite_captions();
}

} // namespace morvelin
