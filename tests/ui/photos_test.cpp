// The photos on the demo disc: thumbnails shared between documents, the photo window (every storage
// kind, previous and next, zoom, scroll and its memory per photo, keys, the background colour), the
// information and person pop-ups with the locality's map, and the failures: a missing file, a photo
// that cannot be decoded, a name that leaves its folder.

#include "ui/pictures/big_picture_form.h"
#include "ui/pictures/info_forms.h"
#include "ui/pictures/map_form.h"
#include "ui/pictures/small_pictures.h"

#include "core/data/data_loader.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/scrambled_stream.h"
#include "core/foundation/textfile_handler.h"
#include "core/settings/settings_sections.h"
#include "demo_disc.h"
#include "scripted_services.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/show_strings.h"
#include "ui/display/text_drawing.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/qt_text.h"
#include "ui/windows/window_registry.h"
#include "ui_application.h"
#include "url_catcher.h"

#include <QApplication>
#include <QDate>
#include <QDesktopServices>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace morvelin {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedDialogs;
using testing::ScriptedMessages;
using testing::TempDir;

class PhotosTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ui_application();
        const auto disc = testing::demo_disc();
        ASSERT_TRUE(disc) << "the demo disc could not be made";
        disc_ = *disc;
        saved_ = environment();
        environment().settings_file_path = settings_.file("Morvelin.ini");
        environment().base_directory = disc_;
        install_language_texts(Ttextfile_handler(disc_ + "Morvelin.txt"));
        determine_edition_from_code(60);
        install_data_set(load_data({disc_}));
        install_small_pictures();
        set_pictures_background_colour(QColor(0, 0, 0));
        QDesktopServices::setUrlHandler("http", &catcher_, "open");
    }
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i)
            delete top_forms().form(i);
        QDesktopServices::unsetUrlHandler("http");
        uninstall_small_pictures();
        install_data_set(nullptr);
        environment() = saved_;
    }

    static const Tspecies& species(const std::string& name) {
        for (std::size_t i = 0; i < data_set().species_count(); ++i)
            if (data_set().species_at(i).scientific_name == name) return data_set().species_at(i);
        ADD_FAILURE() << "no species " << name;
        return data_set().species_at(0);
    }
    static const Tbig_picture* nth_picture(const Tspecies& s, int n) {
        const Tbig_picture* p = s.first_picture;
        for (int i = 1; i < n && p; ++i)
            p = p->next_picture;
        return p;
    }

    std::unique_ptr<TBigPictureForm> open(const Tspecies& s, const Tbig_picture* first = nullptr) {
        auto form = std::make_unique<TBigPictureForm>(nullptr, &registry_);
        TBigPictureForm::SetUp setup;
        setup.species = &s;
        setup.first_picture = first;
        if (!form->set_up(setup)) return nullptr;
        form->show_photos();
        return form;
    }

    std::string disc_;
    Environment saved_;
    TempDir settings_;
    WindowRegistry registry_;
    testing::UrlCatcher catcher_;
};

TEST_F(PhotosTest, AThumbnailSharedByTwoWindowsSurvivesAFoldInOne) {
    const Tspecies& peafowl = species("Pavo cristatus");
    auto in_a = small_picture_line(peafowl); // the line of the first window's document
    auto in_b = small_picture_line(peafowl); // the second window's
    ASSERT_TRUE(in_a && in_b);
    auto copy = in_b->clone(); // a window copied from the second
    const auto shared = LoadSmallPicture(peafowl);
    ASSERT_TRUE(shared);
    std::weak_ptr<const QImage> watch = shared;
    EXPECT_EQ(in_a->size(), shared->size());
    in_a.reset(); // folded in the first window
    const auto draw = [](const TextPicture& line) {
        QImage canvas(line.size(), QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        line.draw(painter, {0, 0});
        return canvas;
    };
    EXPECT_EQ(draw(*in_b), shared->convertToFormat(QImage::Format_RGB32));
    in_b.reset();
    EXPECT_EQ(draw(*copy), shared->convertToFormat(QImage::Format_RGB32));
    copy.reset();
    EXPECT_FALSE(watch.expired()); // still held here
    EXPECT_TRUE(IsPointInSmallPicture(*shared, {10, 10}, 10 + shared->width(), 10 + shared->height()));
    EXPECT_FALSE(IsPointInSmallPicture(*shared, {10, 10}, 11 + shared->width(), 10));
    EXPECT_FALSE(IsPointInSmallPicture(*shared, {10, 10}, 9, 10));
}

TEST_F(PhotosTest, AThumbnailIsFreedWithItsLastLineAndLoadedAgainLater) {
    const Tspecies& peafowl = species("Pavo cristatus");
    auto line = small_picture_line(peafowl);
    std::weak_ptr<const QImage> watch = LoadSmallPicture(peafowl);
    EXPECT_FALSE(watch.expired());
    line.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(small_picture_line(peafowl));
}

TEST_F(PhotosTest, AMissingThumbnailOnlySetsTheMarkUntilTheBaseDirectoryChanges) {
    const Tspecies& peafowl = species("Pavo cristatus");
    TempDir empty;
    environment().base_directory = empty.path();
    ScriptedMessages messages;
    EXPECT_EQ(LoadSmallPicture(peafowl), nullptr);
    EXPECT_TRUE(peafowl.small_picture_missing);
    environment().base_directory = disc_;
    EXPECT_EQ(LoadSmallPicture(peafowl), nullptr); // not looked for again
    data_set().clear_small_picture_missing_marks();
    EXPECT_NE(LoadSmallPicture(peafowl), nullptr);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PhotosTest, EveryPhotoOfTheDemoDecodesInAllThreeStorageKinds) {
    int kinds[3] = {0, 0, 0}, with_locality = 0, count = 0;
    for (std::size_t i = 0; i < data_set().species_count(); ++i) {
        for (const Tbig_picture* p = data_set().species_at(i).first_picture; p; p = p->next_picture) {
            const MediaFile file = find_big_picture_file(*p, disc_);
            ASSERT_TRUE(file.found()) << big_picture_name(*p);
            const std::string head = testing::read_file(file.path).substr(0, 9);
            ++kinds[head == scrambled_marker ? 1 : head == scramble2_marker ? 2 : 0];
            EXPECT_FALSE(load_big_picture(file.path).isNull()) << file.path;
            with_locality += p->locality != nullptr;
            ++count;
        }
    }
    EXPECT_EQ(count, 356);
    EXPECT_EQ(with_locality, 254);
    EXPECT_GT(kinds[0], 0);
    EXPECT_GT(kinds[1], 0);
    EXPECT_GT(kinds[2], 0);
}

TEST_F(PhotosTest, TheWindowOpensMaximisedWithThePhotoFittedAndCentred) {
    const Tspecies& peafowl = species("Pavo cristatus");
    auto form = open(peafowl);
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isMaximized());
    EXPECT_EQ(form->current_picture(), peafowl.first_picture);
    EXPECT_LE(form->factor(), 1.0);
    const QRect r = form->picture_rect();
    EXPECT_NEAR(r.center().x(), form->width() / 2, 1);
    EXPECT_NEAR(r.center().y(), form->height() / 2, 1);
    EXPECT_FALSE(form->horizontal_bar()->isVisible());
    EXPECT_FALSE(form->vertical_bar()->isVisible());
    EXPECT_EQ(form->windowTitle(),
              QStringLiteral("  Indian Peafowl (Pavo cristatus)      \u00A9 Lise Ombrell"));
    // Buttons: next (a second photo), zoom, information, copyright; no previous.
    EXPECT_FALSE(form->button(TBigPictureForm::previous_button)->isVisible());
    EXPECT_TRUE(form->button(TBigPictureForm::next_button)->isVisible());
    EXPECT_TRUE(form->button(TBigPictureForm::shrink_button)->isVisible());
    EXPECT_TRUE(form->button(TBigPictureForm::information_button)->isVisible());
    EXPECT_TRUE(form->button(TBigPictureForm::copyright_button)->isVisible());
    EXPECT_EQ(form->button(TBigPictureForm::copyright_button)->geometry().topLeft(),
              QPoint(form->width() - 35, form->height() - 30));
    // The photo is drawn over the background colour.
    QImage shot = form->grab().toImage();
    EXPECT_EQ(form->factor_label()->text(), QString::number(qRound(100 * form->factor())) + "%");
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(0, 0, 0));
    EXPECT_NE(shot.pixelColor(r.center()), QColor(0, 0, 0));
}

TEST_F(PhotosTest, NextPreviousZoomAndScrollAreRememberedPerPhotoWhileMaximised) {
    const Tspecies& peafowl = species("Pavo cristatus");
    auto form = open(peafowl);
    ASSERT_TRUE(form);
    const Tbig_picture* first = form->current_picture();
    for (int i = 0; i < 6; ++i)
        form->zoom(true);
    ASSERT_TRUE(form->horizontal_bar()->isVisible() || form->vertical_bar()->isVisible());
    const double zoomed = form->factor();
    QScrollBar* bar = form->vertical_bar()->isVisible() ? form->vertical_bar() : form->horizontal_bar();
    QTest::keyClick(form.get(), bar == form->vertical_bar() ? Qt::Key_Down : Qt::Key_Right);
    const int position = bar->value();

    QTest::keyClick(form.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(form->current_picture(), first->next_picture);
    EXPECT_LE(form->factor(), 1.0); // a new photo fits
    EXPECT_TRUE(form->button(TBigPictureForm::previous_button)->offered);
    QTest::keyClick(form.get(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(form->current_picture(), first);
    EXPECT_DOUBLE_EQ(form->factor(), zoomed);
    EXPECT_EQ(bar->value(), position);

    // Leaving and re-entering the maximised state forgets the choices.
    form->showNormal();
    QApplication::processEvents();
    EXPECT_FALSE(form->horizontal_bar()->isVisible());
    const QRect work = form->screen()->availableGeometry();
    EXPECT_TRUE(work.contains(form->frameGeometry())) << form->frameGeometry().x();
    form->showMaximized();
    QApplication::processEvents();
    EXPECT_LE(form->factor(), 1.0);
}

TEST_F(PhotosTest, ControlsHideWhileAnArrowKeyIsHeldAndComeBackWithTheTimer) {
    auto form = open(species("Pavo cristatus"));
    ASSERT_TRUE(form);
    TBitBtn_picture* shrink = form->button(TBigPictureForm::shrink_button);
    ASSERT_TRUE(shrink->isVisible());
    QTest::keyPress(form.get(), Qt::Key_Down);
    EXPECT_FALSE(shrink->isVisible());
    form->update_controls(); // a tick of the timer while the key is down
    EXPECT_FALSE(shrink->isVisible());
    QTest::keyRelease(form.get(), Qt::Key_Down);
    EXPECT_FALSE(shrink->isVisible()); // until the timer shows them again
    EXPECT_TRUE(QTest::qWaitFor([&] { return shrink->isVisible(); }, 10000));
    EXPECT_EQ(form->controls_timer()->interval(), 500);
}

TEST_F(PhotosTest, ZoomKeysSnapAndKeepTheCentre) {
    auto form = open(species("Pavo cristatus"));
    ASSERT_TRUE(form);
    const double fit = form->factor();
    QTest::keyClick(form.get(), Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(form->factor(), zoomed_factor(fit, true));
    QTest::keyClick(form.get(), Qt::Key_Minus);
    QTest::keyClick(form.get(), Qt::Key_Minus);
    EXPECT_LT(form->factor(), fit);
    while (form->factor() < 2.0)
        form->zoom(true);
    EXPECT_EQ(form->factor(), 2.0);
    // The centre stays where it was: the photo's middle is in the middle of the view.
    const QRect r = form->picture_rect();
    const int view_w =
        form->width() - (form->vertical_bar()->isVisible() ? form->vertical_bar()->width() : 0);
    EXPECT_NEAR(r.center().x(), view_w / 2, 2);
    for (int i = 0; i < 100; ++i)
        form->zoom(false);
    EXPECT_EQ(form->factor(), min_zoom_factor);
    form->zoom(true);
    EXPECT_GT(form->factor(), min_zoom_factor);
}

TEST_F(PhotosTest, ANormalWindowShrinksAroundItsCentreButNotBelowItsMinimum) {
    auto form = open(species("Pavo cristatus"));
    ASSERT_TRUE(form);
    form->showNormal();
    QApplication::processEvents();
    for (int i = 0; i < 20; ++i)
        form->zoom(false);
    EXPECT_GE(form->width(), 230);
    EXPECT_GE(form->height(), 150);
}

TEST_F(PhotosTest, InformationAndCopyrightPopUpsWithTheLocalityMap) {
    registry_.register_window(WindowKind::map, map_window_factory());
    const Tspecies& cormorant = species("Phalacrocorax niger");
    const Tbig_picture* keoladeo = nullptr;
    for (const Tbig_picture* p = cormorant.first_picture; p; p = p->next_picture)
        if (p->locality && p->locality->name == "Keoladeo National Park") keoladeo = p;
    ASSERT_NE(keoladeo, nullptr);
    TChildForm main;
    main.window_set_up(WindowSetUp{});
    auto form = std::make_unique<TBigPictureForm>(&main, &registry_);
    TBigPictureForm::SetUp setup;
    setup.species = &cormorant;
    setup.first_picture = keoladeo;
    ASSERT_TRUE(form->set_up(setup));
    form->show_photos();

    QTest::keyClick(form.get(), Qt::Key_I, Qt::ControlModifier);
    TPictureInfoForm* info = form->information_form();
    ASSERT_TRUE(info->isVisible());
    EXPECT_NE(info->text().find(picture_date_text(keoladeo->date) + "."), std::string::npos);
    EXPECT_NE(plain_text(info->text()).find("Keoladeo National Park"), std::string::npos);
    EXPECT_TRUE(form->frameGeometry().contains(info->frameGeometry()));

    QTest::keyClick(form.get(), Qt::Key_M, Qt::ControlModifier);
    auto* map = qobject_cast<TMapForm*>(registry_.find(WindowKind::map, &main));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->locality(), keoladeo->locality);
    EXPECT_EQ(map->species(), &cormorant);
    // On the region's map with the species' range, the marker is at Keoladeo's place on that map.
    ASSERT_TRUE(map->view().marked);
    const MapPixel at = bitmap_pixel(*map->view().map, map->view().pixel);
    EXPECT_EQ(at, (MapPixel{90, 94}));
    map->close();

    // Esc closes the side window first, then the window.
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(info->isVisible());
    QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier);
    TPersonForm* person = form->person_form();
    ASSERT_TRUE(person->isVisible());
    EXPECT_EQ(plain_text(person->title()), "\xA9 " + keoladeo->copyright_holder->key);
    QTest::mouseClick(form.get(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(person->isVisible());
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(PhotosTest, TheBackgroundColourAppliesToEveryPhotoWindowAndIsSaved) {
    auto form = open(species("Pavo cristatus"));
    ASSERT_TRUE(form);
    ScriptedDialogs dialogs;
    dialogs.answer(std::to_string(0xEEFFFF)); // 0x00BBGGRR: light yellow
    form->choose_background_colour();
    ASSERT_EQ(dialogs.calls().size(), 1u);
    EXPECT_EQ(dialogs.calls()[0].kind, "colour");
    EXPECT_EQ(pictures_background_colour(), QColor(0xFF, 0xFF, 0xEE));
    EXPECT_EQ(settings::read_general_settings().pictures_background_color, 0xEEFFFF);
    EXPECT_EQ(form->grab().toImage().pixelColor(2, 2), QColor(0xFF, 0xFF, 0xEE));
    dialogs.cancel();
    form->choose_background_colour();
    EXPECT_EQ(pictures_background_colour(), QColor(0xFF, 0xFF, 0xEE));
}

TEST_F(PhotosTest, AMissingPhotoAsksForTheDataFolderAndCancelOpensNothing) {
    TempDir empty;
    environment().base_directory = empty.path();
    ScriptedDialogs dialogs;
    dialogs.cancel();
    EXPECT_EQ(open(species("Pavo cristatus")), nullptr);
    EXPECT_EQ(dialogs.calls().size(), 1u);
    // Answered with the disc, the photo opens.
    dialogs.answer(disc_);
    auto form = open(species("Pavo cristatus"));
    EXPECT_NE(form, nullptr);
}

TEST_F(PhotosTest, APhotoThatCannotBeDecodedIsToldAndOpensNoWindow) {
    const Tspecies& peafowl = species("Pavo cristatus");
    TempDir copy;
    const std::string name = big_picture_name(*peafowl.first_picture);
    fs::create_directories(fs::path(copy.file("big_pict/" + name)).parent_path());
    copy.write("big_pict/" + name, "Scrambled not a jpeg at all");
    environment().base_directory = copy.path();
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    EXPECT_EQ(open(peafowl), nullptr);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_NE(messages.shown()[0].text.find("can not show picture"), std::string::npos);
    EXPECT_NE(messages.shown()[0].text.find(name), std::string::npos);
    EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(PhotosTest, APhotoNameThatLeavesItsFolderNeverStartsTheQuestion) {
    Tspecies& peafowl = const_cast<Tspecies&>(species("Pavo cristatus"));
    peafowl.media_folder = "..\\..";
    ScriptedDialogs dialogs;
    ScriptedMessages messages;
    EXPECT_EQ(open(peafowl), nullptr);
    EXPECT_TRUE(dialogs.calls().empty());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PhotosTest, TheMainWindowsPaneOpensPhotosAndPersons) {
    registry_.register_window(WindowKind::photos, photo_window_factory());
    registry_.register_window(WindowKind::person, person_window_factory());
    TChildForm main;
    main.window_set_up(WindowSetUp{});
    registry_.attach(main);
    const Tspecies& peafowl = species("Pavo cristatus");
    emit main.pane()->species_pictures_requested(&peafowl, nullptr, false);
    auto* photos = qobject_cast<TBigPictureForm*>(registry_.find(WindowKind::photos, &main));
    ASSERT_NE(photos, nullptr);
    EXPECT_TRUE(photos->isVisible());
    EXPECT_EQ(photos->current_picture(), peafowl.first_picture);
    photos->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A subspecies with no photo of its own: nothing opens, silently.
    Tsubspecies nobody;
    emit main.pane()->species_pictures_requested(&peafowl, &nobody, true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(registry_.find(WindowKind::photos, &main), nullptr);

    const Tperson* recordist = data_set().persons().front();
    emit main.pane()->recordist_requested(recordist, main.mapToGlobal(QPoint(20, 20)));
    auto* person = qobject_cast<TPersonForm*>(registry_.find(WindowKind::person, &main));
    ASSERT_NE(person, nullptr);
    EXPECT_TRUE(person->isVisible());
    EXPECT_EQ(plain_text(person->title()), recordist->key);
}

TEST_F(PhotosTest, FewColoursWarnOnceBeforeTheFirstPhotoWindow) {
    registry_.register_window(WindowKind::photos, photo_window_factory());
    environment().display_colours = 256;
    ScriptedMessages messages;
    WindowRequest request;
    request.kind = WindowKind::photos;
    request.species = &species("Pavo cristatus");
    ASSERT_NE(registry_.open(request), nullptr);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Your screen shows only 256 colours. Photos look best with at least 65536 colours.");
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_information);
    const int month = QDate::currentDate().month();
    EXPECT_EQ(settings::read_general_settings().next_month_for_colors_warning, month % 12 + 1);
    registry_.close(WindowKind::photos);
    ASSERT_NE(registry_.open(request), nullptr);
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST_F(PhotosTest, PersonFormWidthLinksAndPlacement) {
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    TPersonForm form(&owner);
    Tperson person;
    person.key = "Lise Ombrell";
    person.text_1 = "Kandy Road 12";
    person.text_2 = std::string(49, 'x');
    form.set_up(owner.mapToGlobal(QPoint(10, 10)), person, true);
    EXPECT_EQ(form.width(), 300);
    person.text_2 = std::string(50, 'x');
    form.set_up(owner.mapToGlobal(QPoint(10, 10)), person, true);
    EXPECT_EQ(form.width(), 400);

    // Only web and mail addresses become links.
    struct Case {
        const char* field;
        bool link;
    } cases[] = {{"http://example.org", true},   {"https://example.org/x", true},
                 {"mailto:a@example.org", true}, {"www.example.org", true},
                 {"javascript:alert(1)", false}, {"file:///etc/passwd", false},
                 {"example.org", false},         {"ftp://example.org", false}};
    person.text_1.clear();
    person.text_2.clear();
    for (const Case& c : cases) {
        person.text_3 = c.field;
        form.set_up(owner.mapToGlobal(QPoint(10, 10)), person, false);
        EXPECT_EQ(form.open_web_address_on_click, c.link) << c.field;
        EXPECT_EQ(form.fields_text().find(style_underline) != std::string::npos, c.link) << c.field;
    }
    person.text_3 = "www.example.org";
    form.set_up(owner.mapToGlobal(QPoint(10, 10)), person, false);
    EXPECT_EQ(form.web_address, "http://www.example.org");
    // Near the owner's bottom right corner the form ends 5 pixels inside it.
    form.set_up(owner.mapToGlobal(QPoint(590, 390)), person, false);
    const QRect inside = owner.geometry();
    EXPECT_EQ(form.frameGeometry().right(), inside.right() - 5);
    EXPECT_EQ(form.frameGeometry().bottom(), inside.bottom() - 5);
    // A form larger than its owner starts at the owner's left and top, never before them.
    owner.setGeometry(100, 100, 150, 30);
    form.set_up(owner.mapToGlobal(QPoint(100, 20)), person, false);
    EXPECT_EQ(form.frameGeometry().topLeft(), owner.geometry().topLeft());
}

TEST_F(PhotosTest, AOneLineInformationTextNarrowsTheFormToIt) {
    QWidget owner;
    owner.setGeometry(0, 0, 800, 600);
    owner.show();
    TPictureInfoForm form(&owner);
    form.set_up(owner.mapToGlobal(QPoint(10, 10)), "In flight.", nullptr, "", nullptr);
    EXPECT_EQ(form.line_count(), 1);
    const int text_width = layout_markup("In flight.", FontRef{}).line_widths[0];
    EXPECT_EQ(form.width(), text_width + 20);
    form.set_up(owner.mapToGlobal(QPoint(10, 10)), std::string(40, 'w') + " " + std::string(200, 'v'),
                nullptr, "", nullptr);
    EXPECT_GT(form.line_count(), 1);
    EXPECT_EQ(form.width(), 400);
}

} // namespace
} // namespace morvelin
