#include "copy_media_command.h"

#include "core/display/copy_to_hard_disk.h"

#include <cstdio>

namespace morvelin::disc {

int copy_media_command(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0].empty() || args[1].empty()) {
        std::fprintf(stderr, "usage: morvelin-disc copy-media SOURCE TARGET\n");
        return 2;
    }
    JobControl control;
    MediaCopyProgress progress;
    std::int64_t files = 0;
    progress.counted = [&files](std::int64_t n) { files = n; };
    MediaCopy copy(args[0], args[1]);
    if (copy.run(control, progress) != MediaCopyResult::completed) {
        std::fprintf(stderr, "copy-media: %s\n", copy.failure().c_str());
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(files));
    return 0;
}

} // namespace morvelin::disc
