// The photo logic without a window: names from the disc that could leave their media folder, the
// picture search with the subspecies filter, the information text with its date, the caption, the zoom
// steps, the scroll bars and the size of a window that leaves the maximised state.

#include "core/pictures/photos.h"

#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvelin {
namespace {

namespace fs = std::filesystem;

TEST(MediaNames, NamesThatCouldLeaveTheFolderAreRefused) {
    struct Case {
        const char* name;
        bool safe;
    } cases[] = {
        {"Phasiani.dae/12.007", true},
        {"Phasiani.dae\\12.007", true},
        {"a/b/c.jpg", true},
        {"", false},
        {"/etc/passwd", false},
        {"\\x\\y.jpg", false},
        {"C:\\x.jpg", false},
        {"c:x.jpg", false},
        {"http://host/x.jpg", false},
        {"file:x.jpg", false},
        {"../x.jpg", false},
        {"a\\..\\..\\x.jpg", false},
        {"a/./x.jpg", false},
        {"a//x.jpg", false},
        {"a/", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(safe_media_name(c.name), c.safe) << c.name;
}

TEST(MediaNames, FilesAreFoundIgnoringCaseAndNeverOutsideTheirFolder) {
    testing::TempDir dir;
    fs::create_directories(dir.path() + "BIG_PICT/Phasiani.DAE");
    dir.write("BIG_PICT/Phasiani.DAE/12.007", "x");
    dir.write("secret.jpg", "s");
    fs::create_symlink(dir.file("secret.jpg"), dir.file("BIG_PICT/Phasiani.DAE/13.001"));

    const MediaFile found = find_media_file(dir.path() + "big_pict/", "phasiani.dae\\12.007");
    ASSERT_TRUE(found.found());
    EXPECT_EQ(found.path, dir.path() + "BIG_PICT/Phasiani.DAE/12.007");
    EXPECT_EQ(find_media_file(dir.path() + "big_pict/", "Phasiani.dae/99.007").status,
              MediaFile::Status::missing);
    EXPECT_EQ(find_media_file(dir.path() + "big_pict/", "..\\secret.jpg").status, MediaFile::Status::refused);
    EXPECT_EQ(find_media_file(dir.path() + "big_pict/", "Phasiani.dae/13.001").status,
              MediaFile::Status::refused);
    EXPECT_EQ(find_media_file(dir.path() + "big_pict/", "Phasiani.dae").status, MediaFile::Status::missing);
}

TEST(MediaNames, ADiscFolderWithDotsIsRefusedAsAPhotoName) {
    Tspecies species;
    species.unique_id = 7;
    species.media_folder = "..";
    Tbig_picture picture;
    picture.species = &species;
    picture.number = 1;
    testing::TempDir dir;
    EXPECT_EQ(find_big_picture_file(picture, dir.path()).status, MediaFile::Status::refused);
    species.media_folder = "Phasianidae";
    EXPECT_EQ(big_picture_name(picture), "Phasiani.dae/7.001");
    EXPECT_EQ(small_picture_name(species), "Phasiani.dae/7.jpg");
}

// A species with five photos: none, subspecies a, b, an unknown name, a.
class PictureSearch : public ::testing::Test {
protected:
    void SetUp() override {
        a_.name = "a";
        b_.name = "b";
        refs_[0].subspecies = &a_;
        refs_[1].subspecies = &b_;
        refs_[2].subspecies = nullptr; // a name that was not found
        const Tssp_data* of[] = {nullptr, &refs_[0], &refs_[1], &refs_[2], &refs_[0]};
        for (int i = 0; i < 5; ++i) {
            pictures_[i].species = &species_;
            pictures_[i].number = i + 1;
            pictures_[i].subspecies = of[i];
            if (i > 0) pictures_[i].previous_picture = &pictures_[i - 1];
            if (i < 4) pictures_[i].next_picture = &pictures_[i + 1];
        }
        species_.first_picture = &pictures_[0];
    }
    int number(const Tbig_picture* p) const { return p ? p->number : 0; }

    Tspecies species_;
    Tsubspecies a_, b_;
    Tssp_data refs_[3];
    Tbig_picture pictures_[5];
};

TEST_F(PictureSearch, WithoutTheFilterNeighboursAreTheAnswer) {
    EXPECT_EQ(number(FindBigPicture(species_, false, nullptr, false, nullptr)), 1);
    EXPECT_EQ(number(FindBigPicture(species_, false, &a_, false, &pictures_[1])), 3);
    EXPECT_EQ(number(FindBigPicture(species_, false, nullptr, true, &pictures_[1])), 1);
    EXPECT_EQ(number(FindBigPicture(species_, false, nullptr, true, &pictures_[0])), 0);
    EXPECT_EQ(number(FindBigPicture(species_, false, nullptr, false, &pictures_[4])), 0);
}

TEST_F(PictureSearch, TheSubspeciesFilterSkipsOthersInBothDirections) {
    EXPECT_EQ(number(FindBigPicture(species_, true, &a_, false, nullptr)), 2);
    EXPECT_EQ(number(FindBigPicture(species_, true, &a_, false, &pictures_[1])), 5);
    EXPECT_EQ(number(FindBigPicture(species_, true, &a_, true, &pictures_[4])), 2);
    EXPECT_EQ(number(FindBigPicture(species_, true, &a_, true, &pictures_[1])), 0);
    EXPECT_EQ(number(FindBigPicture(species_, true, &b_, false, nullptr)), 3);
    // No subspecies given: photos without one and those whose name is unknown.
    EXPECT_EQ(number(FindBigPicture(species_, true, nullptr, false, nullptr)), 1);
    EXPECT_EQ(number(FindBigPicture(species_, true, nullptr, false, &pictures_[0])), 4);
    EXPECT_EQ(number(FindBigPicture(species_, true, nullptr, true, &pictures_[3])), 1);
    EXPECT_EQ(number(FindBigPicture(species_, true, nullptr, false, &pictures_[3])), 0);
}

TEST(PictureInformation, DatesArePaddedAndGetTheirCentury) {
    struct Case {
        int date;
        const char* text;
    } cases[] = {
        {31299, "03-12-1999"},
        {10105, "01-01-2005"},
        {281201, "28-12-2001"},
        {250790, "25-07-1990"},
        {11239, "01-12-2039"},
        {11240, "01-12-1940"},
        {-1, ""},
        {0, ""},
        {321299, ""},
        {311399, ""},
        {1000000, ""},
        {-5, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(picture_date_text(c.date), c.text) << c.date;
}

TEST(PictureInformation, TextHasSubspeciesDescriptionLocalityLinkAndDate) {
    Tspecies species;
    Tsubspecies ssp;
    ssp.name = "indicus";
    Tssp_data ref;
    ref.subspecies = &ssp;
    Tlocality locality;
    locality.name = "Sinharaja";
    locality.country = "Sri Lanka";
    Tbig_picture picture;
    picture.species = &species;
    EXPECT_FALSE(picture_has_information(picture));
    picture.description = "In flight.";
    picture.subspecies = &ref;
    picture.locality = &locality;
    picture.date = 31299;
    EXPECT_TRUE(picture_has_information(picture));
    EXPECT_EQ(picture_information_text(picture, false), "In flight. \rSinharaja (Sri Lanka).\r 03-12-1999.");
    EXPECT_EQ(picture_information_text(picture, true),
              "\vindicus\v In flight. \rSinharaja (Sri Lanka).\r 03-12-1999.");
    picture.description = "Line\n";
    picture.locality = nullptr;
    EXPECT_EQ(picture_information_text(picture, false), "Line\n03-12-1999.");
}

TEST(PictureCaption, NamesFollowTheWindowsSettingsAndTheHolderFollows) {
    Tspecies species;
    species.scientific_name = "Pavo cristatus";
    species.vernacular_name = "Indian Peafowl";
    const std::string s8 = "subspecies", s11 = "P";
    EXPECT_EQ(picture_names_caption(species, nullptr, {true, true, 2}, s8, s11),
              "  Indian Peafowl (Pavo cristatus)");
    EXPECT_EQ(picture_names_caption(species, nullptr, {true, true, 1}, s8, s11),
              "  Pavo cristatus (Indian Peafowl)");
    EXPECT_EQ(picture_names_caption(species, nullptr, {false, true, 2}, s8, s11), "  Indian Peafowl");
    Tssp_data ref;
    ref.p_mark = true;
    EXPECT_EQ(picture_names_caption(species, &ref, {false, true, 2}, s8, s11), "  Indian Peafowl");
    species.flag_e = true;
    EXPECT_EQ(picture_names_caption(species, &ref, {false, true, 2}, s8, s11),
              "  Indian Peafowl, subspecies error with subspecies name (P)");

    Tperson holder;
    holder.key = "Lise Ombrell";
    Tbig_picture picture;
    EXPECT_EQ(picture_window_caption("  Name", picture), "  Name");
    picture.copyright_holder = &holder;
    EXPECT_EQ(picture_window_caption("  Name", picture), "  Name      \xA9 Lise Ombrell");
    EXPECT_EQ(picture_window_caption("", picture), "\xA9 Lise Ombrell");
}

TEST(ColourWarning, DueOnFewColoursOnceTheStoredMonthIsReached) {
    EXPECT_TRUE(colour_warning_due(256, 5, 0));
    EXPECT_TRUE(colour_warning_due(299, 5, 5));
    EXPECT_FALSE(colour_warning_due(256, 5, 6));
    EXPECT_FALSE(colour_warning_due(300, 5, 0));
    EXPECT_FALSE(colour_warning_due(1 << 24, 12, 1));
    EXPECT_EQ(next_colour_warning_month(5), 6);
    EXPECT_EQ(next_colour_warning_month(12), 1);
}

TEST(PhotoWindowArithmetic, ZoomStepsSnapToOneAndTwoAndStayInRange) {
    struct Case {
        double old;
        bool enlarge;
        double expected;
    } cases[] = {
        {0.5, true, 2.0 / 3.0}, {0.9, true, 1.0}, {1.3333, false, 1.0},          {1.6, true, 2.0},
        {2.5, false, 2.0},      {1.2, true, 1.6}, {1.0, true, 4.0 / 3.0},        {2.0, false, 1.5},
        {0.06, false, 0.05},    {7.0, true, 8.0}, {0.0, true, 0.05 * 4.0 / 3.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(zoomed_factor(c.old, c.enlarge), c.expected, 1e-4) << c.old << (c.enlarge ? " +" : " -");
    EXPECT_EQ(zoomed_factor(0.9, true), 1.0);
    EXPECT_EQ(zoomed_factor(2.5, false), 2.0);
    // Shrinking without end never reaches 0; enlarging without end never passes the limit.
    double f = 1.0;
    for (int i = 0; i < 200; ++i)
        f = zoomed_factor(f, false);
    EXPECT_EQ(f, min_zoom_factor);
    EXPECT_GT(zoomed_factor(f, true), f);
    for (int i = 0; i < 200; ++i)
        f = zoomed_factor(f, true);
    EXPECT_EQ(f, max_zoom_factor);
}

TEST(PhotoWindowArithmetic, ScrollBarsOnlyForMoreThanTenPixels) {
    // 10 pixels larger in each direction: no bars; 11: bars (and the other bar follows when the first
    // one takes its room).
    ScrollRanges r = scroll_ranges(810, 610, 1.0, 800, 600, 16, 16);
    EXPECT_FALSE(r.horizontal);
    EXPECT_FALSE(r.vertical);
    EXPECT_EQ(r.horizontal_range, 10);
    r = scroll_ranges(811, 500, 1.0, 800, 600, 16, 16);
    EXPECT_TRUE(r.horizontal);
    EXPECT_FALSE(r.vertical);
    EXPECT_EQ(r.horizontal_range, 811);
    r = scroll_ranges(700, 611, 1.0, 800, 600, 16, 16);
    EXPECT_FALSE(r.horizontal);
    EXPECT_TRUE(r.vertical);
    EXPECT_EQ(r.vertical_range, 611);
    r = scroll_ranges(800, 611, 1.0, 800, 600, 16, 16);
    EXPECT_TRUE(r.horizontal); // the vertical bar took 16 of the 800
    EXPECT_TRUE(r.vertical);
    r = scroll_ranges(400, 300, 2.5, 800, 600, 16, 16);
    EXPECT_EQ(r.horizontal_range, 1000);
    EXPECT_EQ(r.vertical_range, 750);
    EXPECT_DOUBLE_EQ(fitting_factor(1600, 600, 800, 600), 0.5);
    EXPECT_DOUBLE_EQ(fitting_factor(400, 300, 800, 600), 1.0);
}

TEST(PhotoWindowArithmetic, NormalWindowStaysInsideTheWorkAreaOnAWideScreen) {
    const PixelRect work{0, 0, 3840, 1040};
    // A tall picture on a wide, low screen: 3/5 of the width (2304) would pass the screen's height.
    const PixelRect r = initial_normal_rect(1000, 2000, true, 3840, work, 100, 100, 10, 30);
    EXPECT_LE(r.height + 30, work.height);
    EXPECT_EQ(r.width, 500);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.top + r.height + 30, work.height);
    // A small picture that fits keeps its size and is moved inside the work area.
    const PixelRect small = initial_normal_rect(400, 300, true, 1920, {0, 0, 1920, 1050}, 1800, 900, 10, 30);
    EXPECT_EQ(small, (PixelRect{1920 - 410 - 5, 1050 - 330 - 10, 400, 300}));
    // A large picture that does not fit takes half the screen's width.
    const PixelRect half = initial_normal_rect(2400, 1200, false, 1920, {0, 0, 1920, 1050}, 0, 0, 10, 30);
    EXPECT_EQ(half.width, 960);
    EXPECT_EQ(half.height, 480);
    // The work area's own left and top count.
    const PixelRect shifted = initial_normal_rect(400, 300, true, 1920, {100, 50, 1820, 1000}, 0, 0, 10, 30);
    EXPECT_EQ(shifted.left, 100);
    EXPECT_EQ(shifted.top, 50);
}

TEST(PhotoWindowArithmetic, DisplayInfosAreKeptPerFileUntilReset) {
    PictureDisplayInfos infos;
    bool created = false;
    infos.entry("a", &created).factor = 2.0;
    EXPECT_TRUE(created);
    infos.entry("a").scroll_x = 40;
    EXPECT_EQ(infos.entry("a", &created).factor, 2.0);
    EXPECT_FALSE(created);
    EXPECT_EQ(infos.entry("a").scroll_x, 40);
    infos.reset_all();
    EXPECT_EQ(infos.entry("a").factor, -1.0);
    EXPECT_EQ(infos.entry("a").scroll_x, -1);
}

} // namespace
} // namespace morvelin
