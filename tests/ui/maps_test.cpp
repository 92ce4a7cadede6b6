// The region maps in the program's resources: the area-selection map works with the scheme's seed
// points, and well-known places projected with each map's corner frame land on the right land.

#include "core/areas/sarovan_area.h"
#include "core/pictures/map_table.h"

#include "ui_application.h"

#include <QApplication>
#include <QImage>
#include <QPoint>
#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace morvelin {
namespace {

void ensure_application() {
    testing::ui_application();
}

// A map row of the program's table; the projection rounds to the nearest pixel.
using Frame = const DATA_Tmap_data*;

QPoint project(Frame frame, double lon, double lat) {
    const MapPixel p = frame->project({lon, lat});
    return {p.x, p.y};
}

std::vector<Frame> jpeg_maps() {
    std::vector<Frame> rows;
    for (const DATA_Tmap_data& row : map_table())
        if (row.is_jpeg) rows.push_back(&row);
    return rows;
}

struct Place {
    const char* name;
    double lat, lon;
    const char* country; // as named in the maps' country masks
    const char* area;    // area code on the whole-region map, or nullptr when not offered there
};

const std::vector<Place> places = {
    {"Colombo", 6.93, 79.85, "Sri Lanka", "SR"},
    {"Kandy", 7.29, 80.63, "Sri Lanka", "SR"},
    {"Delhi", 28.61, 77.21, "India", "IN"},
    {"Mumbai", 19.08, 72.88, "India", "IN"},
    {"Nagpur", 21.15, 79.09, "India", "IN"},
    {"Multan", 30.20, 71.47, "Pakistan", "IN"},
    {"Dhaka", 23.81, 90.41, "Bangladesh", "IN"},
    {"Thimphu", 27.47, 89.64, "Bhutan", "IN"},
    {"Kathmandu", 27.72, 85.32, "Nepal", "NE"},
    {"Yangon", 16.84, 96.17, "Myanmar", "BU"},
    {"Mandalay", 21.97, 96.08, "Myanmar", "BU"},
    {"Bangkok", 13.76, 100.50, "Thailand", "TH"},
    {"Chiang Mai", 18.79, 98.98, "Thailand", "TH"},
    {"Hat Yai", 7.01, 100.47, "Thailand", "TH"},
    {"Luang Prabang", 19.89, 102.13, "Laos", "IC"},
    {"Phnom Penh", 11.56, 104.93, "Cambodia", "IC"},
    {"Hanoi", 21.03, 105.85, "Vietnam", "IC"},
    {"Ho Chi Minh City", 10.82, 106.63, "Vietnam", "IC"},
    {"Kuala Lumpur", 3.14, 101.69, "Malaysia", "MA"},
    {"Singapore", 1.35, 103.82, "Singapore", "SI"},
    {"Kuching", 1.55, 110.34, "Malaysia", "BO"},
    {"Mount Kinabalu", 6.08, 116.56, "Malaysia", "BO"},
    {"Bandar Seri Begawan", 4.90, 114.94, "Brunei", "BO"},
    {"Palangkaraya", -2.21, 113.92, "Indonesia", "BO"},
    {"Medan", 3.59, 98.67, "Indonesia", "SU"},
    {"Bukittinggi", -0.30, 100.37, "Indonesia", "SU"},
    {"Bogor", -6.60, 106.80, "Indonesia", "JA"},
    {"Yogyakarta", -7.80, 110.36, "Indonesia", "JA"},
    {"Denpasar", -8.65, 115.22, "Indonesia", "BA"},
    {"Makassar", -5.15, 119.43, "Indonesia", nullptr},
    {"Manila", 14.60, 120.98, "Philippines", "PH"},
    {"Davao", 7.19, 125.46, "Philippines", "PH"},
    {"Cebu", 10.32, 123.89, "Philippines", "PH"},
    {"Taipei", 25.03, 121.57, "Taiwan", "TA"},
    {"Kaohsiung", 22.63, 120.30, "Taiwan", "TA"},
    {"Hong Kong", 22.32, 114.17, "Hong Kong", "HK"},
    {"Guangzhou", 23.13, 113.26, "China", "CH"},
    {"Kunming", 25.04, 102.71, "China", "CH"},
    {"Lhasa", 29.65, 91.17, "China", "CH"},
    {"Chengdu", 30.57, 104.07, "China", "CH"},
    {"Hainan", 19.20, 109.70, "China", "CH"},
    {"Beijing", 39.90, 116.40, "China", nullptr},
    {"Ulaanbaatar", 47.89, 106.91, "Mongolia", nullptr},
    // Small islands and narrow land, a few pixels across: a map placed a few pixels off misses them.
    {"Jaffna", 9.66, 80.02, "Sri Lanka", nullptr},
    {"Siliguri", 26.72, 88.40, "India", "IN"},
    {"Port Blair", 11.67, 92.74, "India", nullptr},
    {"Phuket", 7.95, 98.34, "Thailand", nullptr},
    {"Penang", 5.41, 100.31, "Malaysia", nullptr},
    {"Nias", 1.10, 97.55, "Indonesia", nullptr},
    {"Madura", -7.05, 113.40, "Indonesia", "JA"},
    {"Lombok", -8.60, 116.30, "Indonesia", nullptr},
    {"Bohol", 9.80, 124.20, "Philippines", "PH"},
    {"Siquijor", 9.20, 123.55, "Philippines", nullptr},
    // Open water between coasts.
    {"Gulf of Thailand", 10.00, 101.50, "sea", nullptr},
    {"Gulf of Tonkin", 20.00, 107.50, "sea", nullptr},
    {"Taiwan Strait", 24.00, 119.60, "sea", nullptr},
    {"Gulf of Mannar", 8.50, 78.80, "sea", nullptr},
    {"Java Sea", -5.00, 110.00, "sea", nullptr},
    {"Sulu Sea", 8.50, 120.50, "sea", nullptr},
};

constexpr QRgb white = 0xffffffff;

int area_number(const std::string& code) {
    const auto& codes = TSarovanArea::scheme_description().codes;
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == code) return static_cast<int>(i);
    return -1;
}

// The white region around a pixel, as the selection frame's flood fill sees it.
std::vector<QPoint> white_region(const QImage& image, QPoint start, bool diagonals) {
    std::vector<QPoint> region;
    if (image.pixel(start) != white) return region;
    std::vector<bool> seen(static_cast<std::size_t>(image.width() * image.height()));
    std::deque<QPoint> queue{start};
    seen[static_cast<std::size_t>(start.y() * image.width() + start.x())] = true;
    while (!queue.empty()) {
        const QPoint p = queue.front();
        queue.pop_front();
        region.push_back(p);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx == 0 && dy == 0) || (!diagonals && dx != 0 && dy != 0)) continue;
                const QPoint n(p.x() + dx, p.y() + dy);
                if (!image.rect().contains(n) || image.pixel(n) != white) continue;
                const auto index = static_cast<std::size_t>(n.y() * image.width() + n.x());
                if (seen[index]) continue;
                seen[index] = true;
                queue.push_back(n);
            }
    }
    return region;
}

class AreaSelectionMap : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ensure_application();
        map_ = new QImage(QImage(":/bitmaps/SAROVAN_MAP_BITMAP").convertToFormat(QImage::Format_RGB32));
        // Area number + 1 for each pixel of an area's land, from the generator (see tools/maps).
        areas_ = new QImage(QString(MORVELIN_SOURCE_DIR) + "/resources/masks/SAROVAN_MAP_BITMAP.areas.png");
    }
    static void TearDownTestSuite() {
        delete map_;
        delete areas_;
        map_ = areas_ = nullptr;
    }

    // The mask stores area number + 1 as a grey level.
    static int area_at(QPoint p) { return qGray(areas_->pixel(p)) - 1; }
    static bool offered(int area) { return TSarovanArea().is_offered(area); }
    static const std::vector<std::vector<AreaSeedPoint>>& seeds() {
        return TSarovanArea::scheme_description().seed_points;
    }
    // The offered areas whose seeds lie in a region.
    static std::set<int> seeded_areas(const std::vector<QPoint>& region) {
        std::set<QPoint, bool (*)(const QPoint&, const QPoint&)> points([](const QPoint& a, const QPoint& b) {
            return std::pair(a.x(), a.y()) < std::pair(b.x(), b.y());
        });
        points.insert(region.begin(), region.end());
        std::set<int> result;
        for (std::size_t area = 0; area < seeds().size(); ++area)
            for (const AreaSeedPoint& s : seeds()[area])
                if (points.count(QPoint(s.x, s.y))) result.insert(static_cast<int>(area));
        return result;
    }

    static QImage* map_;
    static QImage* areas_;
};

QImage* AreaSelectionMap::map_ = nullptr;
QImage* AreaSelectionMap::areas_ = nullptr;

TEST_F(AreaSelectionMap, HasTheSizeOfTheSelectionFrameAndNoSelectionColours) {
    const QImage stored(":/bitmaps/SAROVAN_MAP_BITMAP");
    ASSERT_FALSE(stored.isNull());
    EXPECT_EQ(stored.size(), QSize(TSarovanArea::map_width, TSarovanArea::map_height));
    EXPECT_EQ(stored.format(), QImage::Format_Indexed8);
    ASSERT_EQ(areas_->size(), stored.size());
    // A fill replaces white with green (and back); any of the frame's colours already on the map would
    // be taken for a selection.
    const std::set<QRgb> selection_colours = {qRgb(0, 255, 0), qRgb(200, 200, 200), qRgb(59, 168, 135)};
    for (QRgb colour : stored.colorTable())
        EXPECT_FALSE(selection_colours.count(colour | 0xff000000u)) << std::hex << colour;
}

TEST_F(AreaSelectionMap, EverySeedOfAnOfferedAreaLiesOnWhiteLandOfThatArea) {
    for (std::size_t area = 0; area < seeds().size(); ++area) {
        if (!offered(static_cast<int>(area))) continue;
        for (const AreaSeedPoint& s : seeds()[area]) {
            const QPoint p(s.x, s.y);
            SCOPED_TRACE(TSarovanArea::scheme_description().codes[area] + " seed (" + std::to_string(s.x) +
                         ", " + std::to_string(s.y) + ")");
            ASSERT_TRUE(map_->rect().contains(p));
            EXPECT_EQ(map_->pixel(p), white);
            EXPECT_EQ(area_at(p), static_cast<int>(area));
        }
    }
}

TEST_F(AreaSelectionMap, AFillFromEachSeedStaysInsideItsAreaAndMeetsNoOtherAreasSeed) {
    // Both neighbourhoods: whichever fill the frame uses must stop at the black borders.
    for (bool diagonals : {false, true}) {
        for (std::size_t area = 0; area < seeds().size(); ++area) {
            if (!offered(static_cast<int>(area))) continue;
            for (const AreaSeedPoint& s : seeds()[area]) {
                SCOPED_TRACE(TSarovanArea::scheme_description().codes[area] + (diagonals ? " 8" : " 4") +
                             "-connected from (" + std::to_string(s.x) + ", " + std::to_string(s.y) + ")");
                const std::vector<QPoint> region = white_region(*map_, QPoint(s.x, s.y), diagonals);
                ASSERT_FALSE(region.empty());
                int outside = 0;
                for (const QPoint& p : region)
                    outside += area_at(p) != static_cast<int>(area);
                EXPECT_EQ(outside, 0);
                EXPECT_EQ(seeded_areas(region), std::set<int>{static_cast<int>(area)});
                // A region reaching the image's edge would not be closed.
                for (const QPoint& p : region)
                    ASSERT_TRUE(p.x() > 0 && p.y() > 0 && p.x() < map_->width() - 1 &&
                                p.y() < map_->height() - 1);
            }
        }
    }
}

TEST_F(AreaSelectionMap, EveryWhiteRegionHoldsASeedOfAnOfferedArea) {
    // A white island without a seed would turn green on a click and never be taken back.
    std::vector<bool> visited(static_cast<std::size_t>(map_->width() * map_->height()));
    int regions = 0;
    for (int y = 0; y < map_->height(); ++y)
        for (int x = 0; x < map_->width(); ++x) {
            if (visited[static_cast<std::size_t>(y * map_->width() + x)] || map_->pixel(x, y) != white)
                continue;
            const std::vector<QPoint> region = white_region(*map_, QPoint(x, y), true);
            for (const QPoint& p : region)
                visited[static_cast<std::size_t>(p.y() * map_->width() + p.x())] = true;
            const std::set<int> seeded = seeded_areas(region);
            EXPECT_EQ(seeded.size(), 1u) << "white region at (" << x << ", " << y << ")";
            for (int area : seeded)
                EXPECT_TRUE(offered(area)) << "white region at (" << x << ", " << y << ")";
            ++regions;
        }
    EXPECT_GE(regions, 16);
}

TEST_F(AreaSelectionMap, SeedsOfAreasNotOfferedLieOffWhiteLand) {
    // Otherwise a click on that land would also select an area the edition does not offer.
    for (std::size_t area = 0; area < seeds().size(); ++area) {
        if (offered(static_cast<int>(area))) continue;
        for (const AreaSeedPoint& s : seeds()[area]) {
            const QPoint p(s.x, s.y);
            if (!map_->rect().contains(p)) continue;
            EXPECT_NE(map_->pixel(p), white)
                << TSarovanArea::scheme_description().codes[area] << " (" << s.x << ", " << s.y << ")";
        }
    }
}

TEST_F(AreaSelectionMap, WellKnownPlacesLandInTheirArea) {
    for (const Place& place : places) {
        const QPoint p = project(&whole_region_map(), place.lon, place.lat);
        if (!map_->rect().contains(p)) continue;
        SCOPED_TRACE(std::string(place.name) + " at (" + std::to_string(p.x()) + ", " +
                     std::to_string(p.y()) + ")");
        if (!place.area) {
            EXPECT_NE(map_->pixel(p), white);
            continue;
        }
        // Coastal places may fall on the black coast: take the nearest white pixel within two pixels.
        std::optional<QPoint> nearest;
        for (int r = 0; r <= 2 && !nearest; ++r)
            for (int dy = -r; dy <= r && !nearest; ++dy)
                for (int dx = -r; dx <= r && !nearest; ++dx)
                    if (map_->rect().contains(p + QPoint(dx, dy)) && map_->pixel(p + QPoint(dx, dy)) == white)
                        nearest = p + QPoint(dx, dy);
        ASSERT_TRUE(nearest.has_value());
        EXPECT_EQ(seeded_areas(white_region(*map_, *nearest, true)), std::set<int>{area_number(place.area)});
    }
}

// The JPEG maps: each row's image, and a country mask from the generator at the same size.
class RegionMaps : public ::testing::TestWithParam<Frame> {
protected:
    static void SetUpTestSuite() { ensure_application(); }

    static std::map<int, std::string> legend(const QImage& mask) {
        std::map<int, std::string> result;
        for (const QString& entry : mask.text("Legend").split(';')) {
            const auto parts = entry.split('=');
            if (parts.size() == 2) result[parts[0].toInt()] = parts[1].toStdString();
        }
        return result;
    }
};

TEST_P(RegionMaps, ImageHasTheRowsSizeAndATwiceAsLargeTwin) {
    const DATA_Tmap_data& frame = *GetParam();
    const QImage image(QString(":/jpeg/") + frame.resource_name);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(frame.image_width, frame.image_height));
    const QImage twin(QString(":/jpeg/") + frame.resource_name + "@2x");
    ASSERT_FALSE(twin.isNull());
    EXPECT_EQ(twin.size(), QSize(2 * frame.image_width, 2 * frame.image_height));
}

TEST_P(RegionMaps, WellKnownPlacesLandOnTheirCountry) {
    const DATA_Tmap_data& frame = *GetParam();
    const QImage image =
        QImage(QString(":/jpeg/") + frame.resource_name).convertToFormat(QImage::Format_RGB32);
    const QImage mask(QString(MORVELIN_SOURCE_DIR) + "/resources/masks/" + frame.resource_name +
                      ".countries.png");
    ASSERT_EQ(mask.size(), image.size());
    const std::map<int, std::string> countries = legend(mask);
    ASSERT_FALSE(countries.empty());
    auto country_at = [&](QPoint p) -> std::string {
        const int index = mask.pixelIndex(p);
        return index == 0 ? std::string("sea") : countries.count(index) ? countries.at(index) : "?";
    };
    int checked = 0;
    for (const Place& place : places) {
        const QPoint p = project(&frame, place.lon, place.lat);
        if (!QRect(2, 2, frame.image_width - 4, frame.image_height - 4).contains(p)) continue;
        SCOPED_TRACE(std::string(place.name) + " at (" + std::to_string(p.x()) + ", " +
                     std::to_string(p.y()) + ")");
        ++checked;
        // A place on the coast may round into the sea by a pixel; it must never land on another country.
        const std::string here = country_at(p);
        if (std::string(place.country) == "sea") {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    EXPECT_EQ(country_at(p + QPoint(dx, dy)), "sea");
            continue;
        }
        if (here == "sea") {
            bool near = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    near = near || country_at(p + QPoint(dx, dy)) == place.country;
            EXPECT_TRUE(near) << "in the sea";
            continue;
        }
        EXPECT_EQ(here, place.country);
        // Inland and away from the degree labels along the edges, the drawn map shows land there: the
        // image agrees with its mask.
        bool inland = QRect(16, 16, frame.image_width - 32, frame.image_height - 32).contains(p);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                inland = inland && country_at(p + QPoint(dx, dy)) != "sea";
        if (inland) {
            const QRgb colour = image.pixel(p);
            EXPECT_GT(qRed(colour), qBlue(colour)) << "sea-coloured pixel " << std::hex << colour;
        }
    }
    EXPECT_GE(checked, 5);
}

INSTANTIATE_TEST_SUITE_P(EachMap, RegionMaps, ::testing::ValuesIn(jpeg_maps()),
                         [](const ::testing::TestParamInfo<Frame>& info) {
                             return std::string(info.param->resource_name);
                         });

} // namespace
} // namespace morvelin
