#pragma once
// The main window class: the first instance is the program's main window; later ones are additional
// windows onto the same data.

#include <QMainWindow>

class QLabel;

namespace morvelin {

class TChildForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TChildForm(bool is_additional, QWidget* parent = nullptr);
    ~TChildForm() override;

    bool is_additional() const { return is_additional_; }

    // Runs once after creation: joins the window list and takes its caption.
    void window_set_up();

private:
    bool is_additional_;
    QLabel* pane_ = nullptr;
};

} // namespace morvelin
