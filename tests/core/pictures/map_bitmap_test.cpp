#include "core/pictures/map_bitmap.h"

#include "core/data/records.h"
#include "core/foundation/bitmap.h"
#include "core/foundation/lzw.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

namespace morvelin {
namespace {

using testing::ScriptedMessages;
using testing::TempDir;

constexpr std::uint32_t sea = 0xFF5A8CD2;  // (90, 140, 210): grey 146
constexpr std::uint32_t land = 0xFFF0E6C8; // (240, 230, 200)

std::uint32_t rgb(int r, int g, int b) {
    return 0xFF000000u | static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 |
           static_cast<std::uint32_t>(b);
}

TEST(MapMerge, EachOverlayColourOnHatchAndPlainPixels) {
    const std::uint32_t hatched_sea = rgb(73, 73, 200); // grey 146: 146 / 2 and (146 + 255) / 2
    struct Case {
        std::uint32_t overlay;
        int x, y;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {map_colour::red, 0, 0, hatched_sea}, // x + y = 0
        {map_colour::red, 2, 1, hatched_sea}, // x + y = 3
        {map_colour::red, 5, 1, hatched_sea}, // x + y = 6
        {map_colour::red, 4, 1, hatched_sea}, // x - y = 3
        {map_colour::red, 1, 4, hatched_sea}, // x - y = -3
        {map_colour::red, 1, 0, sea},         // 1 and 1
        {map_colour::red, 2, 0, sea},         // 2 and 2
        {map_colour::red, 0, 2, sea},         // 2 and -2
        {map_colour::blue, 1, 0, map_colour::blue},
        {map_colour::blue, 0, 0, map_colour::blue},
        {map_colour::white, 0, 0, sea},
        {map_colour::white, 1, 0, sea},
        {rgb(254, 0, 0), 0, 0, sea}, // only pure red and pure blue mark a range
        {rgb(0, 0, 254), 0, 0, sea},
        {rgb(0, 0, 0), 0, 0, sea},
    };
    for (const Case& c : cases)
        EXPECT_EQ(merged_pixel(sea, c.overlay, c.x, c.y), c.expected)
            << std::hex << c.overlay << std::dec << " at " << c.x << ", " << c.y;
    // The hatch is the grey of the map pixel, tinted blue: white land and black borders alike.
    EXPECT_EQ(merged_pixel(map_colour::white, map_colour::red, 0, 0), rgb(127, 127, 255));
    EXPECT_EQ(merged_pixel(0xFF000000, map_colour::red, 3, 0), rgb(0, 0, 127));
}

TEST(MapMerge, AWholeOverlayHatchesEveryThirdDiagonal) {
    RgbImage map(6, 6, land), overlay(6, 6, map_colour::red);
    merge_distribution_overlay(map, overlay);
    const std::uint32_t hatched = merged_pixel(land, map_colour::red, 0, 0);
    int count = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool hatch = (x + y) % 3 == 0 || (x - y) % 3 == 0;
            EXPECT_EQ(map.pixel(x, y), hatch ? hatched : land) << x << ", " << y;
            count += hatch;
        }
    EXPECT_EQ(count, 20);
}

TEST(MapStretch, RepeatsWholePixelsAndLeavesOutWhatFallsOutside) {
    RgbImage source(2, 2, 0);
    source.set_pixel(0, 0, rgb(1, 0, 0));
    source.set_pixel(1, 0, rgb(2, 0, 0));
    source.set_pixel(0, 1, rgb(3, 0, 0));
    source.set_pixel(1, 1, rgb(4, 0, 0));
    RgbImage dest(5, 5, map_colour::white);
    stretch_nearest(source, dest, {-2, 1, 8, 4}); // 4 x 2 per source pixel, half of it left of the image
    EXPECT_EQ(dest.pixel(0, 0), map_colour::white);
    EXPECT_EQ(dest.pixel(0, 1), rgb(1, 0, 0));
    EXPECT_EQ(dest.pixel(1, 2), rgb(1, 0, 0));
    EXPECT_EQ(dest.pixel(2, 1), rgb(2, 0, 0));
    EXPECT_EQ(dest.pixel(4, 4), rgb(4, 0, 0));
    EXPECT_EQ(dest.pixel(1, 3), rgb(3, 0, 0));

    const RgbImage doubled = scaled_nearest(source, 2);
    ASSERT_EQ(doubled.width, 4);
    EXPECT_EQ(doubled.pixel(1, 1), rgb(1, 0, 0));
    EXPECT_EQ(doubled.pixel(2, 1), rgb(2, 0, 0));
    EXPECT_EQ(doubled.pixel(3, 3), rgb(4, 0, 0));
}

// The marker's shape at scale 1 around (cx, cy): 'r' red, 'w' white, '.' untouched.
char marker_cell(int dx, int dy) {
    if (std::abs(dx) <= 2 && std::abs(dy) <= 2 && !(std::abs(dx) == 2 && std::abs(dy) == 2)) return 'r';
    if (std::abs(dx) <= 3 && std::abs(dy) <= 3 && std::abs(dx) + std::abs(dy) < 6) return 'w';
    return '.';
}

TEST(MapMarker, RedSquareWithoutCornersInAWhiteRing) {
    RgbImage image(15, 15, sea);
    draw_locality_marker(image, 7, 7);
    int red = 0, white = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x) {
            const char cell = marker_cell(x - 7, y - 7);
            const std::uint32_t expected = cell == 'r' ? map_colour::red : cell == 'w' ? map_colour::white : sea;
            EXPECT_EQ(image.pixel(x, y), expected) << x << ", " << y;
            red += cell == 'r';
            white += cell == 'w';
        }
    EXPECT_EQ(red, 21);
    EXPECT_EQ(white, 24); // 45 pixels with |dx| + |dy| < 6, less the red ones
}

TEST(MapMarker, RedAlreadyOnTheMapStaysRed) {
    RgbImage image(9, 9, sea);
    image.set_pixel(1, 1, map_colour::red); // (-3, -3) from the centre: outside the ring anyway
    image.set_pixel(1, 4, map_colour::red); // (-3, 0): in the ring
    draw_locality_marker(image, 4, 4);
    EXPECT_EQ(image.pixel(1, 4), map_colour::red);
    EXPECT_EQ(image.pixel(1, 3), map_colour::white);
    EXPECT_EQ(image.pixel(1, 1), map_colour::red);
}

TEST(MapMarker, NearTheEdgeEveryWriteIsClipped) {
    // The on-map tolerance lets a marker stand 10 pixels outside the image; nothing may be written
    // outside it (the sanitizer build checks the writes).
    for (int scale : {1, 2}) {
        for (const MapPixel at : {MapPixel{0, 0}, MapPixel{-2, 3}, MapPixel{9, 9}, MapPixel{10, 0}, MapPixel{-10, -10},
                                  MapPixel{20, 20}, MapPixel{std::numeric_limits<int>::max(), 0},
                                  MapPixel{std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}}) {
            RgbImage image(10 * scale, 10 * scale, sea);
            draw_locality_marker(image, at.x, at.y, scale);
            ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(100 * scale * scale));
        }
    }
    RgbImage image(10, 10, sea);
    draw_locality_marker(image, -2, 3); // the right column of the red square is inside
    EXPECT_EQ(image.pixel(0, 3), map_colour::red);
    EXPECT_EQ(image.pixel(0, 1), map_colour::white); // (2, -2): a corner of the square
    EXPECT_EQ(image.pixel(1, 3), map_colour::white);
    EXPECT_EQ(image.pixel(2, 3), sea);
}

TEST(MapMarker, AtScaleTwoEveryPixelIsABlock) {
    RgbImage once(15, 15, sea), twice(30, 30, sea);
    draw_locality_marker(once, 7, 7);
    draw_locality_marker(twice, 7, 7, 2);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(twice.pixel(x, y), once.pixel(x / 2, y / 2)) << x << ", " << y;
}

TEST(MapMaskBounds, CornersProjectOntoTheRectangle) {
    std::string message;
    const auto rect = mask_rectangle(whole_region_map(), "MASK_INDIA", {66, 36, 98, 5}, message);
    ASSERT_TRUE(rect.has_value());
    // (66, 36) -> (-12.0, 8.6), (98, 5) -> (277.0, 307.8)
    EXPECT_EQ(*rect, (MapRect{-12, 9, 289, 299}));
    EXPECT_TRUE(message.empty());
    // The corners may come in either order.
    EXPECT_EQ(mask_rectangle(whole_region_map(), "MASK_INDIA", {98, 5, 66, 36}, message), rect);
}

TEST(MapMaskBounds, NotFiniteEmptyOrHugeAreRefusedNamingTheMap) {
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    const std::array<double, 4> refused[] = {
        {nan, 36, 98, 5}, {66, inf, 98, 5}, {66, 36, 66, 36}, // a point
        {66, 36, 98, 36},                                       // no height
        {-1e12, 36, 1e12, 5},                                   // a giant
        {66, 36, 98, 1e7},
    };
    for (const auto& bounds : refused) {
        std::string message;
        EXPECT_FALSE(mask_rectangle(whole_region_map(), "MASK_BROKEN", bounds, message).has_value())
            << bounds[0] << " " << bounds[1] << " " << bounds[2] << " " << bounds[3];
        EXPECT_NE(message.find("\"MASK_BROKEN\""), std::string::npos) << message;
    }
}

// A species with its distribution files in a temporary base directory.
class MapDistribution : public ::testing::Test {
protected:
    void SetUp() override {
        species_.media_folder = "Anatidae";
        species_.unique_id = 1234;
        mask_india_.name = "MASK_INDIA";
        mask_india_.bounds = {66, 36, 98, 5};
        mask_china_.name = "MASK_CHINA";
        mask_china_.bounds = {97, 34, 123.5, 18};
    }
    void write(int number, const Bytes& file) {
        const std::string name = "distmaps/Anatidae/1234-" + std::to_string(number) + ".bmp";
        std::filesystem::create_directories(base_.path() + "distmaps/Anatidae");
        base_.write(name, std::string(file.begin(), file.end()));
    }
    // A w x h mask of one colour index (0 white, 1 red, 2 blue).
    static Bytes mask(int w, int h, std::uint8_t index, bool rle8) {
        return make_bmp_file_8bit(w, h, {0xFFFFFF, 0xFF0000, 0x0000FF},
                                  Bytes(static_cast<std::size_t>(w * h), index), rle8);
    }
    void set_slots(bool first_mask, Tmap_data* first, bool second_mask, Tmap_data* second) {
        species_.map_count = second ? 2 : 1;
        species_.map_slot[1] = {first_mask, first};
        species_.map_slot[2] = {second_mask, second};
    }
    RgbImage region() const { return RgbImage(574, 472, sea); }

    TempDir base_;
    Tspecies species_;
    Tmap_data whole_{"SAROVAN", 1, {69, 40, 129, -12}};
    Tmap_data mask_india_, mask_china_;
};

TEST_F(MapDistribution, AFlatBitmapIsDrawnAtTheCorner) {
    set_slots(false, &whole_, false, nullptr);
    const Bytes pixels(4 * 3, 1);
    write(1, make_compressed_container(make_bmp_file_8bit(4, 3, {0x000000, 0x123456}, pixels, true)));
    const MapView view = choose_map_view(&species_, nullptr);
    RgbImage image = region();
    ScriptedMessages messages;
    EXPECT_TRUE(draw_distribution(image, view, species_, base_.path()));
    EXPECT_EQ(image.pixel(0, 0), 0xFF123456);
    EXPECT_EQ(image.pixel(3, 2), 0xFF123456);
    EXPECT_EQ(image.pixel(4, 2), sea);
    EXPECT_EQ(image.pixel(3, 3), sea);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(MapDistribution, EveryMaskSlotHasItsOwnRectangleAndFileNumber) {
    set_slots(true, &mask_india_, true, &mask_china_);
    write(1, mask(4, 4, 1, false)); // red: hatched
    write(2, mask(4, 4, 2, true));  // blue
    const MapView view = choose_map_view(&species_, nullptr);
    ASSERT_STREQ(view.map->resource_name, "SAROVAN_MAP_BITMAP");
    RgbImage image = region();
    EXPECT_TRUE(draw_distribution(image, view, species_, base_.path()));
    std::string message;
    const MapRect india = *mask_rectangle(*view.map, "", mask_india_.bounds, message);
    const MapRect china = *mask_rectangle(*view.map, "", mask_china_.bounds, message);
    const std::uint32_t hatched = merged_pixel(sea, map_colour::red, 0, 0);
    // Inside India's rectangle and outside China's: the hatch; inside China's: blue.
    EXPECT_EQ(image.pixel(30, 30), hatched);
    EXPECT_EQ(image.pixel(31, 30), sea);
    EXPECT_EQ(image.pixel(china.left + 3, china.top + 3), map_colour::blue);
    EXPECT_EQ(image.pixel(china.left + china.width - 1, china.top + china.height - 1), map_colour::blue);
    EXPECT_EQ(image.pixel(china.left + china.width, china.top + china.height), sea);
    EXPECT_EQ(image.pixel(india.left + india.width, india.top + 3), sea);
    EXPECT_EQ(image.pixel(india.left + india.width - 1, india.top + 3), hatched); // 276 + 12
}

TEST_F(MapDistribution, AMaskAfterAFlatMapIsMergedIntoIt) {
    set_slots(false, &whole_, true, &mask_china_);
    write(1, make_bmp_file_8bit(2, 2, {0x00FF00}, Bytes(4, 0), false));
    write(2, mask(2, 2, 2, false));
    RgbImage image = region();
    EXPECT_TRUE(draw_distribution(image, choose_map_view(&species_, nullptr), species_, base_.path()));
    EXPECT_EQ(image.pixel(1, 1), 0xFF00FF00);
    std::string message;
    const MapRect china = *mask_rectangle(whole_region_map(), "", mask_china_.bounds, message);
    EXPECT_EQ(image.pixel(china.left + 1, china.top + 1), map_colour::blue);
}

TEST_F(MapDistribution, MissingFilesLeaveTheMapQuietlyDamagedOnesSayItOnce) {
    set_slots(true, &mask_india_, false, nullptr);
    RgbImage image = region();
    {
        ScriptedMessages messages;
        EXPECT_FALSE(draw_distribution(image, choose_map_view(&species_, nullptr), species_, base_.path()));
        EXPECT_TRUE(messages.shown().empty());
    }
    write(1, Bytes{'B', 'M', 1, 2, 3});
    ScriptedMessages messages;
    EXPECT_FALSE(draw_distribution(image, choose_map_view(&species_, nullptr), species_, base_.path()));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_NE(messages.shown()[0].text.find("1234-1.bmp"), std::string::npos) << messages.shown()[0].text;
    EXPECT_EQ(image.pixels, region().pixels);
}

TEST_F(MapDistribution, UnusableBoundsAreToldAndTheMapStaysWhole) {
    mask_india_.bounds = {66, 36, 66, 36};
    set_slots(true, &mask_india_, false, nullptr);
    write(1, mask(4, 4, 1, false));
    RgbImage image = region();
    ScriptedMessages messages;
    EXPECT_FALSE(draw_distribution(image, choose_map_view(&species_, nullptr), species_, base_.path()));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_NE(messages.shown()[0].text.find("\"MASK_INDIA\""), std::string::npos);
    EXPECT_EQ(image.pixels, region().pixels);
}

TEST_F(MapDistribution, TheMapFollowsTheLocalityUnlessTheDistributionCoversTheWholeRegion) {
    Tlocality keoladeo;
    keoladeo.name = "Keoladeo National Park";
    keoladeo.country = "India";
    keoladeo.position_1 = 27 * 6000 + 1020;
    keoladeo.position_2 = 77 * 6000 + 3120;

    const MapView alone = choose_map_view(nullptr, &keoladeo);
    EXPECT_STREQ(alone.map->resource_name, "INDIA_MAP");
    EXPECT_EQ(bitmap_pixel(*alone.map, alone.pixel), (MapPixel{150, 58}));
    EXPECT_TRUE(alone.marked);

    // A flat distribution is a whole-region picture: the marker goes onto that map.
    set_slots(false, &whole_, false, nullptr);
    const MapView flat = choose_map_view(&species_, &keoladeo);
    EXPECT_STREQ(flat.map->resource_name, "SAROVAN_MAP_BITMAP");
    EXPECT_EQ(bitmap_pixel(*flat.map, flat.pixel), (MapPixel{90, 94}));
    EXPECT_TRUE(flat.has_distribution_map);

    // A mask is projected onto whichever map the locality has.
    set_slots(true, &mask_india_, false, nullptr);
    EXPECT_STREQ(choose_map_view(&species_, &keoladeo).map->resource_name, "INDIA_MAP");

    Tlocality nowhere = keoladeo;
    nowhere.position_1 = nowhere.position_2 = 0;
    const MapView unknown = choose_map_view(nullptr, &nowhere);
    EXPECT_FALSE(unknown.position.has_value());
    EXPECT_FALSE(unknown.marked);

    Tlocality far = keoladeo;
    far.position_1 = -40 * 6000; // far south of India's frame
    EXPECT_FALSE(choose_map_view(nullptr, &far).marked);
}

TEST(MapBitmap, TheImageSitsAtTheLeftMarginOfTheWholeWidth) {
    const DATA_Tmap_data& india = *find_map_row("INDIA_MAP"); // margins 10 and 50
    const RgbImage image(402 * 2, 340 * 2, sea);
    const RgbImage bitmap = map_bitmap(image, india, map_colour::white, 2);
    EXPECT_EQ(bitmap.width, 462 * 2);
    EXPECT_EQ(bitmap.height, 680);
    EXPECT_EQ(bitmap.pixel(19, 0), map_colour::white);
    EXPECT_EQ(bitmap.pixel(20, 0), sea);
    EXPECT_EQ(bitmap.pixel(20 + 803, 679), sea);
    EXPECT_EQ(bitmap.pixel(20 + 804, 679), map_colour::white);
}

TEST(MapHitTest, ReachAndOrder) {
    EXPECT_TRUE(marker_hit(0, 0));
    EXPECT_TRUE(marker_hit(2, 1));   // 4 + 1 = 5
    EXPECT_FALSE(marker_hit(2, 2));  // 8
    EXPECT_TRUE(marker_hit(-1, -2)); // 1 + 4
    EXPECT_FALSE(marker_hit(0, 3));  // 9
    EXPECT_FALSE(marker_hit(3, 0));  // |dx| = 3

    const std::vector<std::optional<MapPixel>> markers = {
        std::nullopt, MapPixel{100, 100}, MapPixel{102, 101}, MapPixel{200, 50}};
    EXPECT_EQ(hit_marker(markers, 102, 101), 1); // both within reach: the earlier wins
    EXPECT_EQ(hit_marker(markers, 104, 102), 2);
    EXPECT_EQ(hit_marker(markers, 202, 51), 3);
    EXPECT_EQ(hit_marker(markers, 202, 52), -1);
    EXPECT_EQ(hit_marker(markers, std::numeric_limits<int>::min(), 0), -1);
}

} // namespace
} // namespace morvelin
