// CUE sheets from the fuzzer, read as the program reads an audio CD image (the sheet's FILE line, then
// libcdio's reader) over a small BIN file: a sheet either gives no disc or a table of contents whose
// tracks lie in order, and every track's first frames can be asked for. Built with libcdio.

#include "fuzz_folder.h"
#include "fuzz_harness.h"
#include "platform/media/cd_drive.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace morvelin;
using morvelin::media::CdDrive;
using morvelin::media::CdTrack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    static const bool bin_written = [] {
        // Two seconds of a quiet tone, named as the sheet's BIN and under another name.
        std::string bin(2 * 75 * 2352, '\0');
        for (std::size_t i = 0; i < bin.size(); i += 2)
            bin[i] = static_cast<char>((i / 2) % 64);
        fuzzing::write_private_file("disc.bin", bin);
        fuzzing::write_private_file("other.bin", bin);
        return true;
    }();
    (void)bin_written;
    const std::string cue =
        fuzzing::write_private_file("disc.cue", std::string_view(reinterpret_cast<const char*>(data), size));
    CdDrive drive(cue, true);
    if (!drive.refresh()) return 0;
    std::int32_t previous = -1;
    std::vector<std::int16_t> samples(588 * 2 * 4);
    for (const CdTrack& track : drive.tracks()) {
        fuzzing::require(track.start >= previous, "tracks out of order");
        previous = track.start;
        drive.read_frames(track.start, 4, samples.data());
    }
    drive.read_frames(drive.end_frame() - 2, 4, samples.data());
    return 0;
}
