#include "ui/windows/select_folder_form.h"

#include "core/foundation/services.h"
#include "ui/foundation/qt_text.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace morvelin {

namespace fs = std::filesystem;

namespace {

constexpr int path_role = Qt::UserRole;

std::string item_path(const QTreeWidgetItem* item) {
    return item->data(0, path_role).toString().toStdString();
}

// Sub-folders of folder, sorted; nothing when it cannot be read.
std::vector<fs::path> sub_folders(const std::string& folder) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec)) found.push_back(it->path());
    std::sort(found.begin(), found.end());
    return found;
}

std::string without_trailing_slash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

TSelectFolderForm::TSelectFolderForm(const SelectFolderRequest& request, DriveSource source, QWidget* owner)
    : TForm<QDialog>(owner), request_(request), source_(std::move(source)) {
    request_.texts.resize(12);
    setWindowTitle(qt_text(text(0)));
    auto* grid = new QGridLayout(this);
    drives_ = new QComboBox(this);
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    files_ = new QListWidget(this);
    folder_ = new QLineEdit(this);
    free_label_ = new QLabel(this);
    shortage_ = new QLabel(qt_text(text(11)), this);
    shortage_->setWordWrap(true);
    auto* notes =
        new QLabel(qt_text(text(8) + (text(8).empty() || text(9).empty() ? "" : "\n") + text(9)), this);
    notes->setWordWrap(true);
    auto* new_folder = new QPushButton(qt_text(text(10)), this);
    ok_ = new QPushButton(qt_text(text(6)), this);
    auto* cancel = new QPushButton(qt_text(text(7)), this);
    ok_->setDefault(true);

    grid->addWidget(new QLabel(qt_text(text(1)), this), 0, 0);
    grid->addWidget(drives_, 0, 1);
    grid->addWidget(new QLabel(qt_text(text(2)), this), 1, 0);
    grid->addWidget(folder_, 1, 1);
    grid->addWidget(tree_, 2, 0, 1, 2);
    grid->addWidget(new QLabel(qt_text(text(3)), this), 3, 0, 1, 2);
    grid->addWidget(files_, 4, 0, 1, 2);
    grid->addWidget(
        new QLabel(qt_text(text(4) + " " + std::to_string(request_.needed_mb) + " " + text(5)), this), 5, 0);
    grid->addWidget(free_label_, 5, 1);
    grid->addWidget(shortage_, 6, 0, 1, 2);
    grid->addWidget(notes, 7, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new_folder);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 8, 0, 1, 2);

    volumes_ = source_.drives ? source_.drives() : std::vector<DriveVolume>{};
    for (const DriveVolume& volume : volumes_)
        drives_->addItem(qt_text(drive_entry_text(volume)));

    connect(drives_, &QComboBox::activated, this, &TSelectFolderForm::drive_chosen);
    connect(tree_, &QTreeWidget::itemExpanded, this, &TSelectFolderForm::fill_children);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { folder_chosen(); });
    connect(folder_, &QLineEdit::textChanged, this, [this] { update_space(); });
    connect(new_folder, &QPushButton::clicked, this, &TSelectFolderForm::make_new_folder);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    const std::string rest = request_.rest;
    select_folder(request_.existing_part.empty() ? std::string("/") : request_.existing_part);
    if (!rest.empty())
        folder_->setText(
            QString::fromStdString(without_trailing_slash((fs::path(current_) / rest).string())));
    update_space();
}

std::string TSelectFolderForm::text(int line) const {
    return line >= 0 && line < static_cast<int>(request_.texts.size()) ? request_.texts[line] : std::string();
}

std::string TSelectFolderForm::chosen_folder() const {
    return without_trailing_slash(folder_->text().toStdString());
}

void TSelectFolderForm::select_folder(const std::string& folder) {
    std::error_code ec;
    const fs::path target = fs::absolute(fs::path(folder), ec).lexically_normal();
    const std::string target_text = without_trailing_slash(target.string());
    // The drive that holds the folder: the longest mount point that is a whole-component prefix.
    int best = -1;
    std::size_t best_length = 0;
    for (int i = 0; i < static_cast<int>(volumes_.size()); ++i) {
        const std::string& mount = volumes_[i].mount_point;
        const bool holds = mount == "/" || target_text == mount || (target_text.rfind(mount + "/", 0) == 0);
        if (holds && (best < 0 || mount.size() > best_length)) {
            best = i;
            best_length = mount.size();
        }
    }
    const std::string root = best >= 0 ? volumes_[best].mount_point : std::string("/");
    if (best >= 0) drives_->setCurrentIndex(best);

    tree_->clear();
    auto* item = new QTreeWidgetItem(tree_, QStringList(QString::fromStdString(root)));
    item->setData(0, path_role, QString::fromStdString(root));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    // Walk down from the drive's root, as far as the folders exist.
    const fs::path relative = fs::path(target_text).lexically_relative(root);
    for (const fs::path& part : relative) {
        if (part.empty() || part == ".") continue;
        item->setExpanded(true); // fills the children
        QTreeWidgetItem* next = nullptr;
        for (int c = 0; c < item->childCount() && !next; ++c)
            if (item->child(c)->text(0).toStdString() == part.string()) next = item->child(c);
        if (!next) break;
        item = next;
    }
    tree_->setCurrentItem(item);
    folder_chosen();
}

void TSelectFolderForm::drive_chosen(int index) {
    if (index < 0 || index >= static_cast<int>(volumes_.size())) return;
    select_folder(volumes_[index].mount_point);
}

void TSelectFolderForm::fill_children(QTreeWidgetItem* item) {
    if (!item || item->childCount() > 0) return;
    for (const fs::path& sub : sub_folders(item_path(item))) {
        auto* child = new QTreeWidgetItem(item, QStringList(QString::fromStdString(sub.filename().string())));
        child->setData(0, path_role, QString::fromStdString(sub.string()));
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    if (item->childCount() == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void TSelectFolderForm::folder_chosen() {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!item) return;
    current_ = item_path(item);
    files_->clear();
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(current_, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        files_->addItem(QString::fromStdString(name));
    folder_->setText(QString::fromStdString(current_));
    update_space();
}

void TSelectFolderForm::update_space() {
    const std::string folder = chosen_folder();
    const std::optional<std::uint64_t> free =
        folder.empty() || !source_.free ? std::nullopt : source_.free(folder);
    const bool enough = free && whole_megabytes(*free) >= request_.needed_mb;
    free_label_->setText(free ? QString::number(whole_megabytes(*free)) + " " + qt_text(text(5)) : QString());
    shortage_->setVisible(free && !enough);
    ok_->setEnabled(enough);
}

void TSelectFolderForm::make_new_folder() {
    if (current_.empty()) return;
    const std::optional<std::string> name = dialog_port().input_box(text(10), text(10), "");
    if (!name || name->empty()) return;
    if (*name == "." || *name == ".." || name->find('/') != std::string::npos) {
        show_message("The name " + *name + " cannot be used for a folder.", mb::icon_error);
        return;
    }
    const std::string made = without_trailing_slash(current_) + "/" + *name;
    std::error_code ec;
    fs::create_directory(made, ec);
    if (ec) {
        show_message("The folder " + made + " could not be made: " + ec.message(), mb::icon_error);
        return;
    }
    select_folder(made);
}

std::optional<std::string> choose_folder(const SelectFolderRequest& request, DriveSource source,
                                         QWidget* owner) {
    TSelectFolderForm form(request, std::move(source), owner);
    if (run_modal(form) != QDialog::Accepted) return std::nullopt;
    return form.chosen_folder();
}

} // namespace morvelin
