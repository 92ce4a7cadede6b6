#pragma once
// TSpeciesSearchField: the main window's search as you type. The species whose names match are listed
// below the field while typing; the arrow keys choose, Enter (or a click) shows the species unfolded in
// the window's text, Escape closes the list and then hands the keyboard back to the text. Species the
// window's filter hides are listed greyed, with the reason.

#include "core/display/species_search.h"

#include <QLineEdit>

#include <functional>
#include <string>
#include <vector>

class QListWidget;

namespace morvelin {

class TSpeciesSearchField : public QLineEdit {
    Q_OBJECT
public:
    explicit TSpeciesSearchField(QWidget* parent = nullptr);
    // Wide enough for the whole placeholder: the menu bar places its corner widget by this hint.
    QSize sizeHint() const override;

    // Answers a Windows-1252 query; set by the window that owns the field.
    std::function<std::vector<SpeciesMatch>(const std::string& query)> search;

    // Ctrl+L: the keyboard goes to the field with its text selected.
    void start();
    QListWidget* list() const { return list_; }
    const std::vector<SpeciesMatch>& matches() const { return matches_; }

    // The text a match is listed with.
    static QString entry_text(const SpeciesMatch& match);

signals:
    void species_chosen(const morvelin::Tspecies* species);
    // Escape on a closed list: the keyboard goes back to the window's text.
    void left();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void refresh();
    void place_list();
    void choose(int row);
    void hide_list();

    QListWidget* list_ = nullptr;
    std::vector<SpeciesMatch> matches_;
};

} // namespace morvelin
