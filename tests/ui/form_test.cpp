#include "ui/windows/form.h"

#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_modal.h"
#include "scripted_services.h"
#include "ui/display/find_dialog.h"
#include "ui_application.h"

#include <QCheckBox>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace morvelin::testing {
namespace {

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_application();
        install_language_texts(Ttextfile_handler(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt"));
        determine_edition_from_code(60);
        saved_ = environment().settings_file_path;
        environment().settings_file_path = dir_.file("Morvelin.ini");
    }
    void TearDown() override { environment().settings_file_path = saved_; }
    std::string stored(const std::string& section, const std::string& key) {
        return settings_read_string("", section, key, "");
    }

    TempDir dir_;
    std::string saved_;
};

struct StoredCase {
    const char* text;
    bool position_only;
    std::optional<QRect> expected;
};

TEST_F(FormTest, StoredPlacesAreReadBackAndDamagedOnesRefused) {
    const StoredCase cases[] = {
        {"10,20,310,220", false, QRect(10, 20, 300, 200)},
        {"-1200,5,-200,805", false, QRect(-1200, 5, 1000, 800)},
        {"40,50", true, QRect(40, 50, 120, 90)},
        {"", false, std::nullopt},
        {"10,20,310", false, std::nullopt},
        {"10,20,10,220", false, std::nullopt},   // no width
        {"10,20,310,-5", false, std::nullopt},   // bottom above top
        {"0,0,2000000,10", false, QRect(0, 0, 1 << 20, 10)}, // clamped; the window then keeps inside
        {"-2147483648,0,2147483647,10", false, QRect(-(1 << 20), 0, 1 << 21, 10)},
        {"x,20,310,220", false, std::nullopt},
        {"40", true, std::nullopt},
        {"40,-3000000", true, QRect(40, -(1 << 20), 120, 90)},
        {"40,", true, std::nullopt},
    };
    for (const StoredCase& c : cases) {
        settings_write_string("", "TEST", "Place", c.text);
        EXPECT_EQ(read_geometry({"TEST", "Place", c.position_only}, QSize(120, 90)), c.expected) << c.text;
    }
    write_geometry({"TEST", "Coord"}, QRect(10, 20, 300, 200));
    EXPECT_EQ(stored("TEST", "Coord"), "10,20,310,220") << "right and bottom one past the last pixel";
    write_geometry({"TEST", "Place", true}, QRect(-7, 8, 300, 200));
    EXPECT_EQ(stored("TEST", "Place"), "-7,8");
}

struct PlaceCase {
    QRect window;
    QRect expected_moved;
    QRect expected_kept;
};

TEST_F(FormTest, WindowsAreMovedAndShrunkIntoTheirArea) {
    const QRect area(0, 0, 1000, 700);
    const PlaceCase cases[] = {
        {QRect(100, 100, 300, 200), QRect(100, 100, 300, 200), QRect(100, 100, 300, 200)},
        {QRect(900, 650, 300, 200), QRect(700, 500, 300, 200), QRect(700, 500, 300, 200)},
        {QRect(-50, -20, 300, 200), QRect(0, 0, 300, 200), QRect(0, 0, 300, 200)},
        // Larger than the area: the left and top stay visible.
        {QRect(500, 300, 1200, 800), QRect(0, 0, 1200, 800), QRect(0, 0, 1000, 700)},
        {QRect(3000, 100, 300, 200), QRect(700, 100, 300, 200), QRect(700, 100, 300, 200)},
    };
    for (const PlaceCase& c : cases) {
        EXPECT_EQ(moved_inside(c.window, area), c.expected_moved) << c.window.x() << "," << c.window.y();
        EXPECT_EQ(kept_inside(c.window, area), c.expected_kept) << c.window.x() << "," << c.window.y();
    }
}

TEST_F(FormTest, PopUpsStayInsideTheirOwnerAndTheScreen) {
    const QRect owner(100, 100, 600, 400); // right edge 699, bottom 499
    const QRect screen(0, 0, 1000, 700);
    const QSize size(200, 100);
    EXPECT_EQ(pop_up_position(size, {300, 200}, owner, screen), QPoint(300, 200));
    EXPECT_EQ(pop_up_position(size, {650, 480}, owner, screen), QPoint(500, 400))
        << "near the owner's corner";
    EXPECT_EQ(pop_up_position(QSize(800, 100), {300, 200}, owner, screen), QPoint(100, 200))
        << "wider than its owner: at the owner's left, never left of it";
    EXPECT_EQ(pop_up_position(size, {950, 650}, QRect(), screen), QPoint(800, 600)) << "no owner";
    EXPECT_EQ(pop_up_position(size, {1300, 850}, QRect(600, 500, 900, 400), screen), QPoint(800, 600))
        << "an owner partly off screen: the screen wins";
}

// A remembered window comes back where it was, kept on screen, and is stored under the same key.
TEST_F(FormTest, ARememberedWindowComesBackOnScreenAndIsStoredOnClose) {
    const QRect screen = work_area_for(QRect());
    settings_write_string("", "PLAYLISTS", "Coord",
                          std::to_string(screen.right() - 100) + ",20," +
                              std::to_string(screen.right() + 200) + ",220");
    {
        TForm<QWidget> window;
        window.resize(50, 50);
        window.remember_geometry({"PLAYLISTS", "Coord"});
        EXPECT_EQ(window.geometry(), QRect(screen.right() + 1 - 300, 20, 300, 200));
        window.show();
        window.setGeometry(30, 40, 250, 150);
        window.close();
        EXPECT_EQ(stored("PLAYLISTS", "Coord"), "30,40,280,190");
        window.setGeometry(35, 45, 250, 150);
    }
    EXPECT_EQ(stored("PLAYLISTS", "Coord"), "35,45,285,195") << "stored again when destroyed";

    TForm<QWidget> volume;
    volume.resize(40, 120);
    volume.remember_geometry({"GENERAL", "Volume Control Coordinates", true}); // nothing stored yet
    volume.move(12, 34);
    volume.store_geometry();
    EXPECT_EQ(stored("GENERAL", "Volume Control Coordinates"), "12,34");

    // Nothing stored and a default size beyond the screen (as at a large scale factor): it fits.
    TForm<QWidget> large;
    large.resize(screen.width() + 300, screen.height() + 200);
    large.remember_geometry({"SONOGRAM", "Comparison Coord"});
    EXPECT_EQ(large.size(), screen.size());
}

// A modal dialog answered by a script runs its own load and store: the find dialog hands back what
// the script typed, and a rejected dialog changes nothing.
TEST_F(FormTest, AModalScriptAnswersADialogThroughItsControls) {
    std::string text = "Gr\xFCn";
    bool from_top = true;
    QString shown;
    {
        ScriptedModal scripted([&](QDialog& dialog) {
            auto& find = dynamic_cast<TFindInShowStringsDialog&>(dialog);
            EXPECT_EQ(find.windowTitle(), "Find");
            shown = find.edit()->text();
            find.edit()->setText(QString::fromUtf8("Möwe"));
            find.from_top_box()->setChecked(false);
            return int(QDialog::Accepted);
        });
        TFindInShowStringsDialog dialog;
        EXPECT_EQ(dialog.execute(text, from_top), QDialog::Accepted);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(shown, QString::fromUtf8("Grün"));
    EXPECT_EQ(text, "M\xF6we");
    EXPECT_FALSE(from_top);

    ScriptedModal cancel([](QDialog& dialog) {
        dynamic_cast<TFindInShowStringsDialog&>(dialog).edit()->setText("ignored");
        return int(QDialog::Rejected);
    });
    TFindInShowStringsDialog dialog;
    EXPECT_EQ(dialog.execute(text, from_top), QDialog::Rejected);
    EXPECT_EQ(text, "M\xF6we");
}

} // namespace
} // namespace morvelin::testing
