// The folder chooser: drives with their free space, the tree walked to the proposed folder, the files
// of the chosen folder, New folder, and OK only while there is room enough.

#include "ui/windows/select_folder_form.h"

#include "scripted_services.h"
#include "ui_application.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace morvelin {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedDialogs;
using testing::ScriptedMessages;
using testing::TempDir;

class SelectFolderFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::ui_application(); }

    SelectFolderFormTest() {
        fs::create_directories(dir.path() + "Music/Birds");
        dir.write("Music/song.mp3", "x");
        dir.write("Music/list.pl", "y");
        request.texts = {"Choose a Folder",
                         "Drive:",
                         "Folder:",
                         "Files in the folder:",
                         "Space needed:",
                         "MB",
                         "OK",
                         "Cancel",
                         "",
                         "Choose an empty folder.",
                         "New folder",
                         "Not enough free space."};
        request.existing_part = dir.path() + "Music";
        request.rest = "Copies/Disc";
        request.needed_mb = 10;
        source.drives = [this] {
            return std::vector<DriveVolume>{{"/", "vda", false, 1},
                                            {root(), "sdb1", false, free_mb * 1048576}};
        };
        source.free = [this](const std::string& path) -> std::optional<std::uint64_t> {
            asked_free.push_back(path);
            return free_mb * 1048576;
        };
    }
    ~SelectFolderFormTest() override { install_modal_script({}); }

    std::string root() const { return dir.path().substr(0, dir.path().size() - 1); }

    TempDir dir;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    SelectFolderRequest request;
    DriveSource source;
    std::uint64_t free_mb = 20;
    std::vector<std::string> asked_free;
};

TEST_F(SelectFolderFormTest, TheProposedFolderIsShownOnItsDriveWithItsFiles) {
    TSelectFolderForm form(request, source);
    EXPECT_EQ(form.windowTitle(), "Choose a Folder");
    ASSERT_EQ(form.drive_box().count(), 2);
    EXPECT_EQ(form.drive_box().currentIndex(), 1); // the longer mount point holds the folder
    EXPECT_EQ(form.drive_box().itemText(1).toStdString(), root() + ": sdb1 - 20 MB free");
    ASSERT_NE(form.folder_tree().currentItem(), nullptr);
    EXPECT_EQ(form.folder_tree().currentItem()->text(0), "Music");
    EXPECT_EQ(form.folder_tree().topLevelItem(0)->text(0).toStdString(), root());
    ASSERT_EQ(form.file_list().count(), 2);
    EXPECT_EQ(form.file_list().item(0)->text(), "list.pl");
    EXPECT_EQ(form.file_list().item(1)->text(), "song.mp3");
    EXPECT_EQ(form.chosen_folder(), dir.path() + "Music/Copies/Disc");
    EXPECT_EQ(asked_free.back(), dir.path() + "Music/Copies/Disc");
    EXPECT_TRUE(form.ok_button().isEnabled());
    EXPECT_TRUE(form.shortage_label().isHidden());
}

TEST_F(SelectFolderFormTest, OkIsOnlyEnabledWhileTheFreeSpaceCoversTheSpaceNeeded) {
    struct Case {
        std::uint64_t free_mb;
        bool enabled;
    };
    for (const Case c : {Case{9, false}, Case{10, true}, Case{0, false}, Case{5000000, true}}) {
        free_mb = c.free_mb;
        TSelectFolderForm form(request, source);
        EXPECT_EQ(form.ok_button().isEnabled(), c.enabled) << c.free_mb;
        EXPECT_EQ(form.shortage_label().isHidden(), c.enabled) << c.free_mb;
    }
    // A drive that cannot be measured never enables OK.
    source.free = [](const std::string&) { return std::optional<std::uint64_t>{}; };
    TSelectFolderForm form(request, source);
    EXPECT_FALSE(form.ok_button().isEnabled());
}

TEST_F(SelectFolderFormTest, NewFolderIsMadeInsideTheChosenFolderAndChosen) {
    TSelectFolderForm form(request, source);
    dialogs.answer("Field trip");
    form.make_new_folder();
    EXPECT_TRUE(fs::is_directory(dir.path() + "Music/Field trip"));
    EXPECT_EQ(form.chosen_folder(), dir.path() + "Music/Field trip");
    EXPECT_EQ(form.folder_tree().currentItem()->text(0), "Field trip");
    EXPECT_EQ(form.file_list().count(), 0);
    // A name that leaves the folder is refused with a message; Cancel makes nothing.
    dialogs.answer("../escape");
    form.make_new_folder();
    EXPECT_FALSE(fs::exists(dir.path() + "Music/escape"));
    ASSERT_EQ(messages.shown().size(), 1u);
    dialogs.cancel();
    form.make_new_folder();
    EXPECT_EQ(form.chosen_folder(), dir.path() + "Music/Field trip");
}

TEST_F(SelectFolderFormTest, ChooseFolderReturnsTheFolderOnOkAndNothingOnCancel) {
    install_modal_script([this](QDialog& dialog) {
        auto& form = dynamic_cast<TSelectFolderForm&>(dialog);
        form.select_folder(dir.path() + "Music/Birds");
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(choose_folder(request, source), std::optional<std::string>(dir.path() + "Music/Birds"));
    install_modal_script([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_EQ(choose_folder(request, source), std::nullopt);
}

} // namespace
} // namespace morvelin
