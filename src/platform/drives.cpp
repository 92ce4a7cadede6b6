#include "platform/drives.h"

#include "core/foundation/environment.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace morvelin {

std::vector<std::string> cdrom_mount_points(std::istream& mountinfo) {
    std::vector<std::string> points;
    for (const auto& m : read_mounts(mountinfo)) {
        if (!is_cdrom_file_system(m.fs_type)) continue;
        std::string p = m.mount_point == "/" ? "/" : m.mount_point + "/";
        if (std::find(points.begin(), points.end(), p) == points.end()) points.push_back(p);
    }
    return points;
}

std::vector<std::string> cdrom_mount_points() {
    std::ifstream in("/proc/self/mountinfo");
    if (!in) return {};
    return cdrom_mount_points(in);
}

std::vector<std::string> optical_devices(const std::string& dev_folder) {
    std::vector<std::pair<int, std::string>> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dev_folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() < 3 || name.compare(0, 2, "sr") != 0) continue;
        if (!std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
        if (name.size() > 9) continue;
        found.emplace_back(std::stoi(name.substr(2)), it->path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> devices;
    for (auto& f : found)
        devices.push_back(std::move(f.second));
    return devices;
}

// A drive is a device that can hold a disc, or a mounted disc file system: on a machine without an
// optical drive, a disc image mounted by the user still counts, since the program can run from it.
int count_cdrom_drives() {
    return static_cast<int>(std::max(optical_devices().size(), cdrom_mount_points().size()));
}

int count_audio_cd_devices() {
    return static_cast<int>(optical_devices().size());
}

} // namespace morvelin
