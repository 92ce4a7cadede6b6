#pragma once
// CD and DVD drives. A "drive" is a mounted file system; a CD-ROM drive is one of type iso9660 or udf.

#include <istream>
#include <string>
#include <vector>

namespace morvelin {

// Mount points (ending with '/') of the mounted CD and DVD file systems, in mount-table order; the
// stream form reads a mount table in the form of /proc/self/mountinfo.
std::vector<std::string> cdrom_mount_points();
std::vector<std::string> cdrom_mount_points(std::istream& mountinfo);

// Number of CD/DVD drives: the optical devices present (/dev/sr*), or the number of mounted CD/DVD
// file systems when that is larger (loop-mounted disc images count as drives too).
int count_cdrom_drives();

// Number of devices that can play audio CDs: the optical devices present (/dev/sr*).
int count_audio_cd_devices();

// The optical devices present: /dev/sr<number> (or <dev_folder>/sr<number>), sorted by number.
std::vector<std::string> optical_devices(const std::string& dev_folder = "/dev/");

} // namespace morvelin
