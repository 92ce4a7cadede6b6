#include "platform/drives.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace morvelin;
using namespace morvelin::testing;

namespace {

TEST(Drives, OpticalDevicesAreSrNumbersInNumericOrder) {
    TempDir dev;
    for (const char* name : {"sr10", "sr1", "sda", "sr0", "srx", "sr", "sr1a"})
        dev.write(name, "");
    EXPECT_EQ(optical_devices(dev.path()),
              (std::vector<std::string>{dev.file("sr0"), dev.file("sr1"), dev.file("sr10")}));
    EXPECT_TRUE(optical_devices(dev.file("missing/")).empty());
}

TEST(Drives, DiscMountPointsComeFromTheMountTable) {
    std::istringstream table("28 1 254:1 / / rw - ext4 /dev/vda rw\n"
                             "40 28 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
                             "41 28 7:0 / /mnt/my\\040image ro - udf /dev/loop0 ro\n"
                             "42 28 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n");
    EXPECT_EQ(cdrom_mount_points(table), (std::vector<std::string>{"/media/cd/", "/mnt/my image/"}));
}

} // namespace
