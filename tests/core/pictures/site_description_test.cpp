#include "core/pictures/site_description.h"

#include "core/data/records.h"

#include <gtest/gtest.h>

namespace morvelin {
namespace {

TEST(SiteDescription, OnlyTheLocalitysTextIsSplitAtTheHash) {
    Tlocality maipo;
    maipo.text_7 = "hongkong.html#maipo";
    const SiteDescriptionPage page = site_description_page(maipo, "/media/disc #2/");
    EXPECT_EQ(page.file, "/media/disc #2/localities/hongkong.html");
    EXPECT_EQ(page.anchor, "maipo");
    EXPECT_EQ(site_description_path(maipo, "/media/disc #2/"), "/media/disc #2/localities/hongkong.html#maipo");

    Tlocality keoladeo;
    keoladeo.text_7 = "keoladeo.html";
    EXPECT_EQ(site_description_page(keoladeo, "/d/").file, "/d/localities/keoladeo.html");
    EXPECT_EQ(site_description_page(keoladeo, "/d/").anchor, "");

    Tlocality two;
    two.text_7 = "a.html#b#c"; // everything after the first "#" is the anchor
    EXPECT_EQ(site_description_page(two, "/d/").file, "/d/localities/a.html");
    EXPECT_EQ(site_description_page(two, "/d/").anchor, "b#c");
}

} // namespace
} // namespace morvelin
