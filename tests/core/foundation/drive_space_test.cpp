// The drives the folder chooser offers and the free space it compares with the space needed.

#include "core/foundation/drive_space.h"

#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

TEST(DriveSpace, OnlyMountsThatHoldFilesAreOfferedEachOnce) {
    std::istringstream mountinfo("22 1 0:21 / /proc rw - proc proc rw\n"
                                 "23 1 0:22 / /sys rw - sysfs sysfs rw\n"
                                 "28 1 254:1 / / rw shared:1 - ext4 /dev/vda rw\n"
                                 "29 28 0:5 / /dev/shm rw - tmpfs tmpfs rw\n"
                                 "30 28 0:6 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                                 "31 28 0:7 / /tmp rw - tmpfs tmpfs rw\n"
                                 "40 28 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
                                 "41 28 8:1 / /run/media/ann/STICK rw - vfat /dev/sdb1 rw\n"
                                 "43 28 7:0 / /media/cd2 ro - ext4 /dev/loop0 ro\n"
                                 "44 28 7:1 / /media/cd2 ro - udf /dev/loop1 ro\n");
    const std::vector<DriveVolume> volumes = file_volumes(read_mounts(mountinfo));
    std::vector<std::string> seen;
    for (const DriveVolume& v : volumes)
        seen.push_back(v.mount_point + " " + v.name + (v.is_cdrom ? " cd" : ""));
    EXPECT_EQ(seen, (std::vector<std::string>{"/ vda", "/tmp tmpfs", "/media/cd sr0 cd",
                                              "/run/media/ann/STICK sdb1", "/media/cd2 loop1 cd"}));
}

TEST(DriveSpace, EntryTextShowsWholeMegabytesFree) {
    EXPECT_EQ(drive_entry_text({"/media/cd", "sr0", true, 0}), "/media/cd: sr0 - 0 MB free");
    EXPECT_EQ(drive_entry_text({"/", "vda", false, 3 * 1048576ull - 1}), "/: vda - 2 MB free");
    EXPECT_EQ(whole_megabytes(1048576ull * 5000000), 5000000u);
}

TEST(DriveSpace, AFolderNotYetMadeHasTheFreeSpaceOfItsNearestParent) {
    TempDir dir;
    const auto here = free_space(dir.path());
    ASSERT_TRUE(here);
    // The system's own figure for the same file system; both move with other writers, so compare loosely.
    const auto system = fs::space(dir.path()).available;
    EXPECT_NEAR(static_cast<double>(*here), static_cast<double>(system), 64.0 * 1048576);
    const auto deeper = free_space(dir.path() + "not/made/yet");
    ASSERT_TRUE(deeper);
    EXPECT_NEAR(static_cast<double>(*deeper), static_cast<double>(*here), 64.0 * 1048576);
    EXPECT_FALSE(free_space(""));
    // Every offered drive of this machine has been measured.
    const std::vector<DriveVolume> volumes = drive_volumes();
    ASSERT_FALSE(volumes.empty());
    bool root_seen = false;
    for (const DriveVolume& v : volumes)
        root_seen = root_seen || v.mount_point == "/";
    EXPECT_TRUE(root_seen);
}

} // namespace
