#include "core/foundation/drive_space.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

namespace morvelin {

namespace fs = std::filesystem;

namespace {

bool is_pseudo_file_system(std::string_view type) {
    static constexpr std::array<std::string_view, 20> pseudo{
        "proc",     "sysfs",   "devpts",      "devtmpfs", "cgroup",   "cgroup2",    "mqueue",
        "debugfs",  "tracefs", "securityfs",  "pstore",   "bpf",      "autofs",     "hugetlbfs",
        "configfs", "fusectl", "binfmt_misc", "nsfs",     "efivarfs", "rpc_pipefs",
    };
    return std::find(pseudo.begin(), pseudo.end(), type) != pseudo.end();
}

bool under(std::string_view path, std::string_view folder) {
    return path == folder || (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
                              path[folder.size()] == '/');
}

// System folders that hold no user files, whatever is mounted there.
bool is_system_mount(std::string_view mount_point) {
    for (std::string_view folder : {"/proc", "/sys", "/boot/efi", "/snap"})
        if (under(mount_point, folder)) return true;
    // Shared memory is mounted as an ordinary tmpfs.
    if (mount_point.ends_with("/shm")) return true;
    return under(mount_point, "/run") && !under(mount_point, "/run/media");
}

std::string device_name(const MountEntry& mount) {
    const std::size_t slash = mount.source.rfind('/');
    if (!mount.source.empty() && mount.source[0] == '/' && slash + 1 < mount.source.size())
        return mount.source.substr(slash + 1);
    return mount.fs_type;
}

} // namespace

std::vector<DriveVolume> file_volumes(const std::vector<MountEntry>& mounts) {
    std::vector<DriveVolume> volumes;
    for (const MountEntry& mount : mounts) {
        if (mount.mount_point.empty() || is_pseudo_file_system(mount.fs_type) ||
            is_system_mount(mount.mount_point))
            continue;
        std::erase_if(volumes, [&](const DriveVolume& v) { return v.mount_point == mount.mount_point; });
        volumes.push_back({mount.mount_point, device_name(mount), is_cdrom_file_system(mount.fs_type), 0});
    }
    return volumes;
}

std::vector<DriveVolume> drive_volumes() {
    std::vector<DriveVolume> volumes = file_volumes(read_mounts());
    for (DriveVolume& volume : volumes)
        volume.free_bytes = free_space(volume.mount_point).value_or(0);
    return volumes;
}

std::optional<std::uint64_t> free_space(const std::string& path) {
    if (path.empty()) return std::nullopt;
    std::error_code ec;
    fs::path existing = fs::absolute(fs::path(path), ec);
    if (ec) return std::nullopt;
    while (!fs::exists(existing, ec)) {
        if (!existing.has_relative_path()) return std::nullopt;
        existing = existing.parent_path();
    }
    const fs::space_info info = fs::space(existing, ec);
    if (ec || info.available == static_cast<std::uintmax_t>(-1)) return std::nullopt;
    return static_cast<std::uint64_t>(info.available);
}

std::uint64_t whole_megabytes(std::uint64_t bytes) {
    return bytes / 1048576u;
}

std::string drive_entry_text(const DriveVolume& volume) {
    return volume.mount_point + ": " + volume.name + " - " +
           std::to_string(whole_megabytes(volume.free_bytes)) + " MB free";
}

} // namespace morvelin
