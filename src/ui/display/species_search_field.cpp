#include "ui/display/species_search_field.h"

#include "core/data/records.h"
#include "core/foundation/textfile_handler.h"
#include "ui/foundation/qt_text.h"
#include "ui/windows/form.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPalette>

#include <algorithm>

namespace morvelin {

namespace {

constexpr int visible_rows = 12;

// Lines of SEARCH FIELD, with English defaults for a language file that does not have them.
QString search_text(int line) {
    static const char* const defaults[] = {
        "Find a species (Ctrl+L)", "not in the chosen areas", "no recordings shown", "no photos shown",
        "no recordings or photos shown", "hidden", "also",
    };
    return line_or("SEARCH FIELD", line, defaults[line]);
}

QString reason_text(SearchHidden hidden) {
    switch (hidden) {
    case SearchHidden::outside_areas:
        return search_text(1);
    case SearchHidden::without_recordings:
        return search_text(2);
    case SearchHidden::without_photos:
        return search_text(3);
    case SearchHidden::without_media:
        return search_text(4);
    case SearchHidden::shown:
        break;
    }
    return {};
}

} // namespace

TSpeciesSearchField::TSpeciesSearchField(QWidget* parent) : QLineEdit(parent) {
    setPlaceholderText(search_text(0));
    setMinimumWidth(fontMetrics().averageCharWidth() * 28);
    connect(this, &QLineEdit::textEdited, this, &TSpeciesSearchField::refresh);
    // The clear button shows only beside a text; its icon (the style's, from the icon theme) is looked up
    // with the first one rather than while the window is made.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty() && !isClearButtonEnabled()) setClearButtonEnabled(true);
    });
}

QSize TSpeciesSearchField::sizeHint() const {
    QSize hint = QLineEdit::sizeHint();
    const QFontMetrics metrics = fontMetrics();
    // The text, the frame and the clear button beside it.
    const int whole = metrics.horizontalAdvance(placeholderText()) + metrics.height() + 4 * metrics.averageCharWidth();
    hint.setWidth(std::max({hint.width(), minimumWidth(), whole}));
    return hint;
}

QString TSpeciesSearchField::entry_text(const SpeciesMatch& match) {
    const Tspecies& s = *match.species;
    QString text = s.vernacular_name.empty() ? qt_text(s.scientific_name)
                                             : qt_text(s.vernacular_name) + QStringLiteral("  ") + qt_text(s.scientific_name);
    if (match.kind == SearchNameKind::other)
        text += QStringLiteral("  (") + search_text(6) + QStringLiteral(": ") + qt_text(match.name) + QLatin1Char(')');
    if (match.hidden != SearchHidden::shown)
        text += QStringLiteral("  \u2014 ") + search_text(5) + QStringLiteral(": ") + reason_text(match.hidden);
    return text;
}

void TSpeciesSearchField::start() {
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
    if (!text().isEmpty()) refresh();
}

void TSpeciesSearchField::refresh() {
    matches_ = search ? search(disc_text(text())) : std::vector<SpeciesMatch>{};
    if (matches_.empty()) {
        hide_list();
        return;
    }
    if (!list_) {
        list_ = new QListWidget(window());
        list_->setFocusPolicy(Qt::NoFocus);
        list_->setSelectionMode(QAbstractItemView::SingleSelection);
        list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { choose(list_->row(item)); });
    }
    list_->clear();
    const QColor greyed = palette().color(QPalette::Disabled, QPalette::Text);
    for (const SpeciesMatch& m : matches_) {
        auto* item = new QListWidgetItem(entry_text(m), list_);
        if (m.hidden != SearchHidden::shown) item->setForeground(greyed);
    }
    list_->setCurrentRow(0);
    place_list();
    list_->show();
    list_->raise();
}

void TSpeciesSearchField::place_list() {
    QWidget* top = window();
    const QPoint below = mapTo(top, QPoint(0, height()));
    const int row = std::max(list_->sizeHintForRow(0), fontMetrics().height());
    const int rows = std::min(static_cast<int>(matches_.size()), visible_rows);
    int width = std::max(this->width(), list_->sizeHintForColumn(0) + 2 * list_->frameWidth() + 24);
    width = std::min(width, top->width());
    const int left = std::clamp(below.x() + this->width() - width, 0, std::max(0, top->width() - width));
    const int height = std::min(rows * row + 2 * list_->frameWidth(), std::max(row, top->height() - below.y()));
    list_->setGeometry(left, below.y(), width, height);
}

void TSpeciesSearchField::choose(int row) {
    if (row < 0 || row >= static_cast<int>(matches_.size())) return;
    const SpeciesMatch match = matches_[static_cast<std::size_t>(row)];
    if (match.hidden != SearchHidden::shown) {
        QApplication::beep();
        return;
    }
    hide_list();
    emit species_chosen(match.species);
}

void TSpeciesSearchField::hide_list() {
    if (list_) list_->hide();
}

void TSpeciesSearchField::keyPressEvent(QKeyEvent* event) {
    const bool open = list_ && list_->isVisible();
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
        if (!open) {
            refresh();
            return;
        }
        const int count = list_->count();
        const int step = event->key() == Qt::Key_Down ? 1 : event->key() == Qt::Key_Up ? -1
                         : event->key() == Qt::Key_PageDown ? visible_rows - 1 : 1 - visible_rows;
        list_->setCurrentRow(std::clamp(list_->currentRow() + step, 0, count - 1));
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!open) refresh();
        if (list_ && list_->isVisible()) choose(list_->currentRow());
        return;
    case Qt::Key_Escape:
        if (open)
            hide_list();
        else
            emit left();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void TSpeciesSearchField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A click into the list keeps it (the list takes no focus); anything else closes it.
    if (event->reason() != Qt::PopupFocusReason) hide_list();
}

} // namespace morvelin
