#pragma once
// The folder chooser shared by copying to the hard disk and preparing an audio CD: the drives with
// their free space, the folders of the chosen drive as a tree, the files of the chosen folder, the
// space needed, New folder, and OK only while the chosen folder's drive has room enough.

#include "core/foundation/drive_space.h"
#include "ui/windows/form.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace morvelin {

struct SelectFolderRequest {
    // 0 caption, 1 "Drive:", 2 "Folder:", 3 "Files in the folder:", 4 "Space needed:", 5 "MB", 6 OK,
    // 7 Cancel, 8 to 9 notes, 10 "New folder", 11 the warning shown when space is short.
    std::vector<std::string> texts;
    std::string existing_part; // an existing folder
    std::string rest;          // below it, not made yet (may be empty)
    std::uint64_t needed_mb = 0;
};

// Where the drives and the free space come from; the defaults measure this system.
struct DriveSource {
    std::function<std::vector<DriveVolume>()> drives = drive_volumes;
    std::function<std::optional<std::uint64_t>(const std::string&)> free = free_space;
};

class TSelectFolderForm : public TForm<QDialog> {
public:
    TSelectFolderForm(const SelectFolderRequest& request, DriveSource source = {}, QWidget* owner = nullptr);

    // The folder the user chose: the tree's folder with the typed rest, no trailing '/'.
    std::string chosen_folder() const;
    // Shows folder (made absolute) in the tree, its drive in the drive list.
    void select_folder(const std::string& folder);
    // Asks for a name and makes the folder inside the chosen existing one.
    void make_new_folder();

    QComboBox& drive_box() const { return *drives_; }
    QTreeWidget& folder_tree() const { return *tree_; }
    QListWidget& file_list() const { return *files_; }
    QLineEdit& folder_edit() const { return *folder_; }
    QPushButton& ok_button() const { return *ok_; }
    QLabel& shortage_label() const { return *shortage_; }

private:
    std::string text(int line) const;
    void drive_chosen(int index);
    void fill_children(QTreeWidgetItem* item);
    void folder_chosen();
    void update_space();

    SelectFolderRequest request_;
    DriveSource source_;
    std::vector<DriveVolume> volumes_;
    std::string current_; // the existing folder selected in the tree
    QComboBox* drives_;
    QTreeWidget* tree_;
    QListWidget* files_;
    QLineEdit* folder_;
    QLabel* free_label_;
    QLabel* shortage_;
    QPushButton* ok_;
};

// The chooser run modally (scripted in tests through install_modal_script); no value on Cancel.
std::optional<std::string> choose_folder(const SelectFolderRequest& request, DriveSource source = {},
                                         QWidget* owner = nullptr);

} // namespace morvelin
