#pragma once
// The drives the folder chooser offers: the mounted file systems that hold files (not /proc, /sys and
// the like), each with its free space, and the free space of any path.

#include "core/foundation/environment.h"

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace morvelin {

struct DriveVolume {
    std::string mount_point;
    std::string name;      // the device's last path component ("sda1", "sr0"), else the file system type
    bool is_cdrom = false; // iso9660 or udf
    std::uint64_t free_bytes = 0;
};

// The mounts of the table that can hold a user's files, in table order, a mount point only once (the
// last mount of it wins). free_bytes is left 0; drive_volumes() fills it.
std::vector<DriveVolume> file_volumes(const std::vector<MountEntry>& mounts);
// The volumes of this system with their free space (bytes available to this user).
std::vector<DriveVolume> drive_volumes();

// Bytes available to this user on the file system of path, or of its nearest existing parent when path
// does not exist yet; no value when none can be measured.
std::optional<std::uint64_t> free_space(const std::string& path);

// Whole megabytes (1048576 bytes), rounded down.
std::uint64_t whole_megabytes(std::uint64_t bytes);

// "mount point: name - n MB free".
std::string drive_entry_text(const DriveVolume& volume);

} // namespace morvelin
