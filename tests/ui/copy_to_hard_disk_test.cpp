// Options > Copy to HD on the demo disc, with the disc's folder taken for a CD: the copy from the disc
// into a new folder, the refresh of a copy from the disc, the close question with No and Yes, and the
// drive errors; the copy window's file line.

#include "ui/display/copy_to_hard_disk.h"

#include "core/data/records.h"
#include "core/foundation/environment.h"
#include "core/settings/settings_sections.h"
#include "core/sound/file_locations.h"
#include "core/sound/sound_bar_state.h"
#include "demo_disc_fixture.h"
#include "platform/media/linux_media_port.h"
#include "platform/media/pulse_volume.h"
#include "scripted_modal.h"
#include "ui/foundation/ui_thread.h"
#include "ui/sound/sound_bar.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace morvelin {
namespace {

using testing::ScriptedDialogs;
using testing::ScriptedMessages;
using testing::ScriptedModal;
using testing::TempDir;

bool same_tree(const std::string& a, const std::string& b) {
    return std::system(("diff -r '" + a + "' '" + b + "' >/dev/null").c_str()) == 0;
}

// Files and folders below folder, 0 when it does not exist.
int entries_below(const std::string& folder) {
    if (!fs::exists(folder)) return 0;
    int n = 0;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
        ++n;
    return n;
}

TMessageWhileCopyingForm* copy_window() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<TMessageWhileCopyingForm*>(widget)) return window;
    return nullptr;
}

class CopyToHardDiskTest : public testing::DemoDiscUiTest {
protected:
    void SetUp() override {
        DemoDiscUiTest::SetUp();
        disc = environment().base_directory;
        setup.cdroms.is_cdrom = [this](const std::string& path) { return path.rfind(disc, 0) == 0; };
        setup.cdroms.drives = [this] { return std::vector<std::string>{disc}; };
        setup.drives.drives = [this] { return std::vector<DriveVolume>{{hd.path(), "vdb", false, 1ull << 40}}; };
        setup.drives.free = [](const std::string&) -> std::optional<std::uint64_t> { return 1ull << 40; };
    }

    // The disc's media folders and the copy's are equal, file by file.
    void expect_media_copied(const std::string& copy) {
        int folders = 0;
        for (const auto& folder : copied_media_folders()) {
            if (!fs::exists(disc + folder)) continue;
            ++folders;
            EXPECT_TRUE(same_tree(disc + folder, copy + folder)) << folder;
        }
        EXPECT_EQ(folders, 7);
        EXPECT_FALSE(fs::exists(copy + staging_folder_name));
        EXPECT_FALSE(fs::exists(copy + replaced_folder_name));
    }

    std::string disc;
    TempDir hd;
    CopyToHardDiskSetUp setup;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
};

TEST_F(CopyToHardDiskTest, FromTheDiscTheCopyBecomesTheBaseDirectoryAndARecordingPlaysFromIt) {
    const std::string target = hd.file("Copies/Demo 1/");
    SelectFolderRequest asked;
    ScriptedModal chooser([&](QDialog& dialog) {
        auto& form = dynamic_cast<TSelectFolderForm&>(dialog);
        form.folder_edit().setText(QString::fromStdString(target));
        return int(QDialog::Accepted);
    });

    ASSERT_TRUE(copy_to_hard_disk(nullptr, setup)) << (messages.shown().empty() ? "" : messages.shown().back().text);
    expect_media_copied(target);
    EXPECT_EQ(environment().base_directory, target);
    EXPECT_EQ(settings::read_general_settings().base_directory, target);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_information);
    EXPECT_NE(messages.shown()[0].text.find("\"" + target + "\""), std::string::npos) << messages.shown()[0].text;

    // A recording of a sound file is found below the copy and plays from there.
    const Tcutpart* cut_part = nullptr;
    for (const Tcutpart* c : data_set().cut_parts())
        if (c->is_sound_file && fs::exists(sound_file_path(*c))) {
            cut_part = c;
            break;
        }
    ASSERT_NE(cut_part, nullptr);
    EXPECT_EQ(sound_file_path(*cut_part).rfind(target, 0), 0u) << sound_file_path(*cut_part);
    WaveOutCapabilities caps;
    if (PulseVolume().capabilities(0, caps) != mci::mmsyserr_noerror)
        GTEST_SKIP() << "no sound server answers (start one with scripts/pulse start)";
    LinuxMediaPort port{LinuxMediaPort::Options{}};
    install_media_port(&port);
    Tcupaitem item;
    item.cut_part = const_cast<Tcutpart*>(cut_part);
    QWidget owner;
    owner.resize(400, 100);
    owner.show();
    SoundBarSetup bar_setup;
    bar_setup.owner = &owner;
    bar_setup.recording = &item;
    bar_setup.left = 10;
    bar_setup.top = 40;
    {
        Tsound_bar bar(bar_setup);
        QTest::mouseClick(&bar.button(), Qt::LeftButton);
        EXPECT_TRUE(bar.is_playing());
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar.slider().value() >= 2; }, 10000)) << bar.slider().value();
        EXPECT_EQ(messages.shown().size(), 1u) << messages.shown().back().text;
    }
    install_media_port(nullptr);
}

TEST_F(CopyToHardDiskTest, NoToTheCloseQuestionGoesOnAndYesLeavesTheBaseDirectoryAndNoFiles) {
    const std::string target = hd.file("Copies/Demo 1/");
    ScriptedModal chooser([&](QDialog& dialog) {
        dynamic_cast<TSelectFolderForm&>(dialog).folder_edit().setText(QString::fromStdString(target));
        return int(QDialog::Accepted);
    });
    messages.answer(id::no);
    messages.answer(id::yes);
    int files = 0;
    bool went_on = false;
    // Cancel is pressed on the user-interface thread while the copy waits before its 20th and 40th file.
    setup.file_hook = [&](const std::string&) {
        ++files;
        if (files == 21) went_on = true;
        if (files != 20 && files != 40) return;
        call_on_ui_thread([] {
            TMessageWhileCopyingForm* window = copy_window();
            ASSERT_NE(window, nullptr);
            EXPECT_NE(window->file_label().text().indexOf("Copying:"), -1);
            window->cancel_button().click();
        });
    };

    EXPECT_FALSE(copy_to_hard_disk(nullptr, setup));
    EXPECT_TRUE(went_on);
    EXPECT_EQ(files, 40);
    EXPECT_EQ(environment().base_directory, disc);
    EXPECT_EQ(entries_below(hd.path()), 0) << "the copy's folders and files are gone";
    ASSERT_EQ(messages.shown().size(), 3u);
    EXPECT_EQ(messages.shown()[0].flags, mb::question_yes_no);
    EXPECT_EQ(messages.shown()[1].flags, mb::question_yes_no);
    EXPECT_NE(messages.shown()[2].text.find("Copying was stopped."), std::string::npos);
}

TEST_F(CopyToHardDiskTest, FromTheHardDiskTheCopyIsRefreshedFromTheDisc) {
    // An older copy: a sound folder spelled otherwise, a stale file, and the user's own file.
    fs::create_directories(hd.file("voices/old"));
    testing::write_file(hd.file("voices/old/stale.wav"), "stale");
    testing::write_file(hd.file("notes.txt"), "mine");
    environment().base_directory = hd.path();
    dialogs.answer(disc);

    ASSERT_TRUE(copy_to_hard_disk(nullptr, setup)) << messages.shown().back().text;
    ASSERT_EQ(dialogs.calls().size(), 1u);
    EXPECT_EQ(dialogs.calls()[0].kind, "input");
    EXPECT_EQ(dialogs.calls()[0].start, disc) << "the first disc is offered";
    expect_media_copied(hd.path());
    EXPECT_FALSE(fs::exists(hd.file("voices")));
    EXPECT_EQ(testing::read_file(hd.file("notes.txt")), "mine");
    EXPECT_EQ(environment().base_directory, hd.path());
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_NE(messages.shown()[0].text.find("\"" + hd.path() + "\""), std::string::npos);
}

TEST_F(CopyToHardDiskTest, FromTheHardDiskNoAnswerOrAWrongDriveCopiesNothing) {
    environment().base_directory = hd.path();
    testing::write_file(hd.file("notes.txt"), "mine");
    const struct {
        const char* name;
        int question;           // the answer to the refresh question
        std::optional<std::string> drive; // the answer to the drive question
        const char* message;    // the error shown, or nothing
    } cases[] = {
        {"No", id::no, std::nullopt, nullptr},
        {"Cancel", id::yes, std::nullopt, nullptr},
        {"not a disc", id::yes, std::string("/tmp"), "is not a CD-ROM or DVD-ROM drive."},
        {"empty disc", id::yes, std::string("EMPTY"), "There are no files on drive"},
    };
    TempDir empty;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        messages.answer(c.question);
        if (c.drive) dialogs.answer(*c.drive == "EMPTY" ? empty.path() : *c.drive);
        else if (c.question == id::yes) dialogs.cancel();
        if (c.drive && *c.drive == "EMPTY") disc = empty.path(); // the empty folder is a disc too
        EXPECT_FALSE(copy_to_hard_disk(nullptr, setup));
        if (c.message) {
            ASSERT_EQ(messages.shown().size(), 2u);
            EXPECT_EQ(messages.shown()[1].flags, mb::icon_error);
            EXPECT_NE(messages.shown()[1].text.find(c.message), std::string::npos) << messages.shown()[1].text;
        } else {
            EXPECT_EQ(messages.shown().size(), 1u);
        }
        EXPECT_EQ(entries_below(hd.path()), 1);
    }
}

TEST_F(CopyToHardDiskTest, TheFileLineIsShortenedToAboutFourLines) {
    TMessageWhileCopyingForm window;
    const std::string short_path = disc + "tapes/1/A01.WAV";
    EXPECT_EQ(window.file_line(short_path).toStdString(), "Copying: " + short_path);
    const std::string long_path = "/media/cd/" + std::string(2000, 'x') + "/A01.WAV";
    const QString line = window.file_line(long_path);
    EXPECT_TRUE(line.startsWith("Copying: ....x"));
    EXPECT_TRUE(line.endsWith("/A01.WAV"));
    const int room = 4 * (450 - 2 * 20);
    EXPECT_LE(window.file_label().fontMetrics().horizontalAdvance(line), room);
    EXPECT_GT(window.file_label().fontMetrics().horizontalAdvance(QString("x") + line), room);
}

} // namespace
} // namespace morvelin
