#include "demo_disc.h"

#include "scripted_services.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace morvelin::testing {

std::optional<std::string> demo_disc() {
    const std::string tool = std::string(MORVELIN_BINARY_DIR) + "/tools/disc/morvelin-disc";
    const std::string sources = std::string(MORVELIN_SOURCE_DIR) + "/demo";
    const std::string resources = std::string(MORVELIN_SOURCE_DIR) + "/resources";
    if (!fs::exists(tool)) return std::nullopt;
    // FNV-1a over the demo sources and the resources the pictures are drawn from (names and bytes),
    // and the tool's size and time.
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&](const std::string& bytes) {
        for (unsigned char c : bytes)
            hash = (hash ^ c) * 1099511628211ull;
    };
    std::vector<fs::path> files;
    for (const std::string& folder : {sources, resources})
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files)
        mix(file.string() + "\n" + read_file(file.string()));
    mix(std::to_string(fs::file_size(tool)) + "/" +
        std::to_string(fs::last_write_time(tool).time_since_epoch().count()));

    const fs::path cache = std::string(MORVELIN_BINARY_DIR) + "/test-demo-disc";
    fs::create_directories(cache);
    const std::string key = std::to_string(hash);
    const std::string root = (cache / key).string() + "/";
    const int lock = ::open((cache / "lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    if (!fs::exists(root + "complete")) {
        // Discs of an older tool or older sources are of no further use.
        for (const auto& entry : fs::directory_iterator(cache))
            if (entry.is_directory()) fs::remove_all(entry.path());
        const std::string command =
            "'" + tool + "' demo '" + root + "disc' --source '" + sources + "' --resources '" + resources +
            "' >/dev/null 2>&1 </dev/null";
        if (std::system(command.c_str()) == 0) write_file(root + "complete", key);
    }
    if (lock >= 0) ::close(lock); // closing drops the lock
    if (!fs::exists(root + "complete")) return std::nullopt;
    return root + "disc/";
}

} // namespace morvelin::testing
