#pragma once
// TFindInShowStringsDialog: the modal find dialog of the main windows: a text field and a
// "search from the top" check box, with OK and Cancel.

#include "ui/windows/form.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace morvelin {

class TFindInShowStringsDialog : public TForm<QDialog> {
    Q_OBJECT
public:
    explicit TFindInShowStringsDialog(QWidget* parent = nullptr);

    // Shows the dialog modally (run_modal: a test's modal script answers it) with the search text (all
    // selected) and the from-top flag; on OK both are written back. Returns the modal result
    // (QDialog::Accepted or Rejected). Texts are Windows-1252.
    int execute(std::string& search_text, bool& from_top);

    // For tests and callers that drive the dialog without running it modally.
    void load(const std::string& search_text, bool from_top);
    void store(std::string& search_text, bool& from_top) const;

    QLineEdit* edit() const { return edit_; }
    QCheckBox* from_top_box() const { return from_top_; }
    QPushButton* ok_button() const { return ok_; }
    QPushButton* cancel_button() const { return cancel_; }

private:
    QLineEdit* edit_;
    QCheckBox* from_top_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace morvelin
