// The map windows on the demo disc: distribution maps of every storage kind, a recording's locality
// on its country's map, the legend's site-description link, the keys and the scroll timer, and the
// localities map with its markers, tooltips and clicks. Pixels are read from the map picture.

#include "ui/pictures/localities_map_form.h"
#include "ui/pictures/map_form.h"

#include "core/data/data_loader.h"
#include "core/data/data_texts.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "demo_disc.h"
#include "scripted_services.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/text_drawing.h"
#include "ui/display/tooltip_form.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/program_fonts.h"
#include "ui/windows/window_registry.h"
#include "ui_application.h"
#include "url_catcher.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace morvelin {
namespace {

using testing::ScriptedDialogs;
using testing::ScriptedMessages;
using testing::TempDir;

class MapFormTest : public ::testing::Test {
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
        QDesktopServices::setUrlHandler("file", &catcher_, "open");
    }
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i)
            delete top_forms().form(i);
        QDesktopServices::unsetUrlHandler("file");
        TTooltipForm::set_mouse_position_source({});
        install_data_set(nullptr);
        environment() = saved_;
    }

    static const Tlocality& locality(const std::string& name) {
        for (const Tlocality* l : data_set().localities())
            if (l->name == name) return *l;
        ADD_FAILURE() << "no locality " << name;
        return *data_set().localities().front();
    }
    // A picture pixel at map-bitmap coordinates.
    static QRgb at(const TMapForm& form, MapPixel p) {
        const QImage& picture = form.map_picture();
        const int scale = qRound(picture.devicePixelRatio());
        return picture.pixel(p.x * scale, p.y * scale) | 0xFF000000u;
    }
    static void expect_marker(const TMapForm& form, MapPixel p) {
        EXPECT_EQ(at(form, p), qRgb(255, 0, 0)) << p.x << ", " << p.y;
        EXPECT_EQ(at(form, {p.x + 2, p.y + 1}), qRgb(255, 0, 0));
        EXPECT_EQ(at(form, {p.x + 2, p.y + 2}), qRgb(255, 255, 255)); // a corner of the square
        EXPECT_EQ(at(form, {p.x - 3, p.y}), qRgb(255, 255, 255));
        EXPECT_EQ(at(form, {p.x, p.y + 3}), qRgb(255, 255, 255));
    }

    std::string disc_;
    Environment saved_;
    TempDir settings_;
    testing::UrlCatcher catcher_;
    const std::vector<QUrl>& opened_ = catcher_.urls;
};

// The storage of a distribution file: 0 plain bitmap, 1 run-length encoded, 2 compressed container.
int storage_kind(const std::string& path) {
    const std::string bytes = testing::read_file(path);
    if (bytes.size() < 34 || bytes.compare(0, 2, "BM") != 0) return 2;
    return bytes[30] == 1 ? 1 : 0;
}

TEST_F(MapFormTest, EveryDistributionMapOfTheDemoShowsItsRange) {
    ScriptedMessages messages;
    TMapForm form;
    int scale = 1;
    const QImage region = qimage(load_map_image(whole_region_map(), 1, scale));
    std::set<int> kinds;
    int flat = 0, with_masks = 0, second_masks = 0;
    for (std::size_t i = 0; i < data_set().species_count(); ++i) {
        const Tspecies& species = data_set().species_at(i);
        if (species.map_count == 0) continue;
        SCOPED_TRACE(species.scientific_name);
        form.set_up(&species, nullptr, false, species.vernacular_name);
        EXPECT_EQ(form.windowTitle().toStdString(), species.vernacular_name);
        ASSERT_STREQ(form.view().map->resource_name, "SAROVAN_MAP_BITMAP");
        const QImage picture = form.map_picture().scaled(574, 472).convertToFormat(QImage::Format_RGB32);
        int changed = 0, range = 0;
        for (int y = 0; y < 472; ++y) {
            const auto* shown = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
            const auto* plain = reinterpret_cast<const QRgb*>(region.constScanLine(y));
            for (int x = 0; x < 574; ++x) {
                const QRgb p = shown[x] & 0xFFFFFF;
                changed += p != (plain[x] & 0xFFFFFF);
                range += p == 0xD8553B || p == 0x5B7FD6;
            }
        }
        // A flat map shows its range colours; a mask changes the map wherever it marks a range.
        if (!species.map_slot[1].is_mask) {
            ++flat;
            EXPECT_GT(range, 0) << "no range colours";
        }
        EXPECT_GT(changed, 0) << "the map shows no distribution";
        bool has_mask = false;
        for (int slot = 1; slot <= species.map_count; ++slot) {
            kinds.insert(storage_kind(distribution_file(species, slot, disc_)));
            has_mask = has_mask || species.map_slot[static_cast<std::size_t>(slot)].is_mask;
            second_masks += slot == 2 && species.map_slot[2].is_mask;
        }
        with_masks += has_mask;
    }
    EXPECT_TRUE(messages.shown().empty()) << messages.shown().front().text;
    EXPECT_EQ(kinds, (std::set<int>{0, 1, 2}));
    EXPECT_GE(flat, 270);
    EXPECT_EQ(with_masks, 13); // 14 mask slots: 11 first slots, 3 second ones
    EXPECT_GE(second_masks, 3);
}

TEST_F(MapFormTest, ARecordingsLocalityIsMarkedOnItsCountrysMap) {
    TMapForm form;
    const Tlocality& keoladeo = locality("Keoladeo National Park");
    form.set_up(nullptr, &keoladeo, false, "");
    EXPECT_STREQ(form.view().map->resource_name, "INDIA_MAP");
    EXPECT_EQ(form.windowTitle().toStdString(), keoladeo.name);
    EXPECT_EQ(bitmap_pixel(*form.view().map, form.view().pixel), (MapPixel{150, 58}));
    expect_marker(form, {150, 58});
    // The map sits at the right of the work area, the OK button at the window's top right.
    EXPECT_EQ(form.geometry().right() + 2 * 4, work_area().right()); // and its frame, 4 pixels a side
    EXPECT_EQ(form.ok_button()->geometry().right(), form.width() - 11);

    const Tlocality& mai_po = locality("Mai Po Marshes");
    form.set_up(nullptr, &mai_po, false, "");
    EXPECT_STREQ(form.view().map->resource_name, "CHINA_MAP");
    expect_marker(form, bitmap_pixel(*form.view().map, form.view().pixel));
}

TEST_F(MapFormTest, TheLegendLinksTheSiteDescriptionAtItsAnchor) {
    TMapForm form;
    const Tlocality& mai_po = locality("Mai Po Marshes");
    form.set_up(nullptr, &mai_po, false, "");
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.painting_suspended(); }, 5000));
    QImage shown(form.size(), QImage::Format_RGB32);
    form.render(&shown);
    ASSERT_EQ(form.underlines().size(), 1u);
    const QRect link = form.underlines().front();
    QTest::mouseClick(&form, Qt::LeftButton, {},
                      QPoint(link.center().x(), link.top() - 4 - form.vertical_bar()->value()));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].toLocalFile().toStdString(), disc_ + "localities/hongkong.html");
    EXPECT_EQ(opened_[0].fragment(), "maipo");

    EXPECT_TRUE(form.handle_key(Qt::Key_H, Qt::ControlModifier));
    ASSERT_EQ(opened_.size(), 2u);
    EXPECT_EQ(opened_[1], opened_[0]);
}

TEST_F(MapFormTest, ATallLegendScrollsIntoViewAfterTheTimerAndKeysScroll) {
    struct TextSize {
        TextSize() { TShowFonts::instance().rebuild(60); }
        ~TextSize() { TShowFonts::instance().rebuild(TShowFonts::default_text_size); }
    } large;
    const Tspecies* species = nullptr;
    for (std::size_t i = 0; i < data_set().species_count() && !species; ++i)
        if (data_set().species_at(i).map_count > 0 && !data_set().species_at(i).text_4.empty())
            species = &data_set().species_at(i);
    ASSERT_NE(species, nullptr);
    TMapForm form;
    form.set_up(species, &locality("Keoladeo National Park"), false, "Map");
    ASSERT_TRUE(form.vertical_bar()->isVisibleTo(&form));
    EXPECT_TRUE(form.painting_suspended());
    EXPECT_TRUE(form.scroll_timer()->isActive());
    EXPECT_EQ(form.scroll_timer()->interval(), 100);
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.painting_suspended(); }, 5000));
    QScrollBar* bar = form.vertical_bar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    const int step = bar->singleStep();
    form.handle_key(Qt::Key_Up, {});
    EXPECT_EQ(bar->value(), bar->maximum() - step);
    form.handle_key(Qt::Key_PageUp, {});
    EXPECT_EQ(bar->value(), std::max(0, bar->maximum() - 11 * step));
    form.handle_key(Qt::Key_Down, {});
    EXPECT_EQ(bar->value(), std::max(0, bar->maximum() - 11 * step) + step);

    // Closing right after a set-up stops the timer, so it never scrolls a closed window.
    form.set_up(species, &locality("Keoladeo National Park"), false, "Map");
    ASSERT_TRUE(form.scroll_timer()->isActive());
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.scroll_timer()->isActive());
}

TEST_F(MapFormTest, AMissingPageAsksForTheDataFolderAndABaseFolderMayHoldAHash) {
    const Tlocality& mai_po = locality("Mai Po Marshes");
    TempDir elsewhere;
    environment().base_directory = elsewhere.path();
    {
        ScriptedDialogs dialogs;
        dialogs.cancel();
        EXPECT_FALSE(open_site_description(nullptr, mai_po));
        EXPECT_EQ(dialogs.calls().size(), 1u);
        EXPECT_TRUE(opened_.empty());
    }
    const std::string base = elsewhere.path() + "disc #2/";
    std::filesystem::create_directories(base + "localities");
    std::filesystem::copy_file(disc_ + "localities/hongkong.html", base + "localities/hongkong.html");
    ScriptedDialogs dialogs;
    dialogs.answer(base);
    EXPECT_TRUE(open_site_description(nullptr, mai_po));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].toLocalFile().toStdString(), base + "localities/hongkong.html");
    EXPECT_EQ(opened_[0].fragment(), "maipo");
}

TEST_F(MapFormTest, TheMainWindowsPaneOpensItsMapWindow) {
    WindowRegistry registry;
    registry.register_window(WindowKind::map, map_window_factory());
    TChildForm main;
    main.window_set_up(WindowSetUp{});
    registry.attach(main);
    const Tspecies* species = nullptr;
    for (std::size_t i = 0; i < data_set().species_count() && !species; ++i)
        if (data_set().species_at(i).map_count > 0) species = &data_set().species_at(i);
    ASSERT_NE(species, nullptr);
    emit main.pane()->species_map_requested(species);
    auto* form = qobject_cast<TMapForm*>(registry.find(WindowKind::map, &main));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->species(), species);
    EXPECT_EQ(form->windowTitle().toStdString(), species->vernacular_name);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);

    // A recording's locality: the same window, on the locality's country.
    const Tlocality& keoladeo = locality("Keoladeo National Park");
    emit main.pane()->locality_map_requested(&keoladeo);
    EXPECT_EQ(registry.find(WindowKind::map, &main), form);
    EXPECT_EQ(form->locality(), &keoladeo);
    EXPECT_EQ(form->species(), nullptr);
    EXPECT_STREQ(form->view().map->resource_name, "INDIA_MAP");
}

TEST_F(MapFormTest, TheLocalitiesMapMarksEverySiteWithTooltipsAndClicks) {
    WindowRegistry registry;
    registry.register_window(WindowKind::localities_map, localities_map_factory());
    auto* main = new TChildForm;
    main->window_set_up(WindowSetUp{});
    registry.attach(*main);
    QAction* command = main->window_action(WindowKind::localities_map);
    ASSERT_NE(command, nullptr);
    ASSERT_TRUE(command->isEnabled());
    command->trigger();
    auto* form = qobject_cast<TLocalitiesMapForm*>(registry.find(WindowKind::localities_map));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(form->windowTitle(), "Site descriptions");
    EXPECT_STREQ(form->view().map->resource_name, "SAROVAN_MAP_BITMAP");

    const auto& points = form->points();
    ASSERT_EQ(points.size(), data_set().localities_by_name().size());
    ASSERT_EQ(points.size(), 15u);
    for (std::size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE(form->point_localities()[i]->name);
        ASSERT_TRUE(points[i].on_map);
        EXPECT_EQ(at(*form, {points[i].x, points[i].y}), qRgb(255, 0, 0));
        // The first marker in the list within reach wins.
        const int hit = form->hit_test(QPoint(points[i].x + 2, points[i].y + 1));
        EXPECT_GE(hit, 0);
        EXPECT_LE(hit, static_cast<int>(i));
    }

    // Keoladeo stands alone: its ring and its reach.
    std::size_t k = 0;
    while (form->point_localities()[k]->name != "Keoladeo National Park")
        ++k;
    const QPoint marker(points[k].x, points[k].y);
    expect_marker(*form, {marker.x(), marker.y()});
    EXPECT_EQ(form->hit_test(marker + QPoint(2, 1)), static_cast<int>(k));
    EXPECT_EQ(form->hit_test(marker + QPoint(2, 2)), -1);

    // The mouse over the marker: a tooltip with the name and the page, right of and above the marker.
    const QPoint global = form->mapToGlobal(marker);
    // The mouse is where the events say (a window shown under it gets a move at the cursor position).
    TTooltipForm::set_mouse_position_source([global] { return global; });
    QCursor::setPos(global);
    QTest::mouseMove(form, marker);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->tooltip() != nullptr; }, 5000));
    TTooltipForm* tooltip = form->tooltip();
    const Tlocality& keoladeo = *form->point_localities()[k];
    EXPECT_EQ(tooltip->text().substr(0, display_name(keoladeo).size()), display_name(keoladeo));
    // The second line one size smaller; lines wrap at half the work area.
    EXPECT_NE(tooltip->text().find('\x0E'), std::string::npos);
    EXPECT_NE(plain_text(tooltip->text()).find("Site description: " + disc_ + "localities/keoladeo.html"),
              std::string::npos)
        << plain_text(tooltip->text());
    EXPECT_EQ(tooltip->pos(), global + QPoint(15, -3));
    EXPECT_EQ(tooltip->mouse_rect(), QRect(global - QPoint(3, 3), global + QPoint(3, 3)));
    // Moving within the same marker keeps the tooltip.
    QCursor::setPos(global + QPoint(1, 0));
    QTest::mouseMove(form, marker + QPoint(1, 0));
    EXPECT_EQ(form->tooltip(), tooltip);

    QTest::mouseClick(form, Qt::LeftButton, {}, marker + QPoint(1, 1));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].toLocalFile().toStdString(), disc_ + "localities/keoladeo.html");
    EXPECT_FALSE(opened_[0].hasFragment());
    EXPECT_EQ(form->tooltip(), nullptr);

    // Made once: the command shows the same window again.
    form->close();
    command->trigger();
    EXPECT_EQ(registry.find(WindowKind::localities_map), form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(at(*form, {marker.x(), marker.y()}), qRgb(255, 0, 0));
}

TEST_F(MapFormTest, TwiceAsLargeScreensTakeTheTwinJpegAndRepeatBitmapPixels) {
    int scale = 0;
    const RgbImage china = load_map_image(*find_map_row("CHINA_MAP"), 2, scale);
    EXPECT_EQ(scale, 2);
    EXPECT_EQ(china.width, 2 * 473);
    const RgbImage region = load_map_image(whole_region_map(), 2, scale);
    EXPECT_EQ(scale, 1); // no twin: the form repeats its pixels
    EXPECT_EQ(region.width, 574);
}

} // namespace
} // namespace morvelin
