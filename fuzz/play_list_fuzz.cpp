// Play list files from the fuzzer: reading never fails badly, every number read is within its range,
// and what was read is written and read back the same.

#include "core/data/data_set.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/sound/play_list.h"
#include "fuzz_folder.h"
#include "fuzz_harness.h"

#include <cstdint>
#include <string>
#include <string_view>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    static const Tdata empty_data;
    static const TClassVisibleSpeciesAndRecordings visibility;
    const PlayListResolver resolver{empty_data, visibility, 3, true};
    const PlayListProduct product{"Sarovan Bird Sounds", "1.0"};

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzzing::write_private_file("list.pl", text);
    const PlayListReadResult result = read_play_list_file(path, resolver, product);
    report_play_list_read(result);
    if (result.status != PlayListLoad::loaded) return 0;

    const auto& options = result.list.options;
    const int max = settings::BetweenSoundsOptions::max_seconds;
    fuzzing::require(options.seconds_between_sounds >= 0 && options.seconds_between_sounds <= max,
                     "a pause outside 0..99");
    fuzzing::require(options.seconds_after_spoken_names >= 0 && options.seconds_after_spoken_names <= max,
                     "a pause after names outside 0..99");
    fuzzing::require(result.list.entries.empty(), "an entry resolved without data");

    const std::string again = fuzzing::private_folder() + "again.pl";
    fuzzing::require(write_play_list_file(again, result.list, product), "a list that cannot be written");
    const PlayListReadResult back = read_play_list_file(again, resolver, product);
    fuzzing::require(back.status == PlayListLoad::loaded && !back.other_version, "a written list is refused");
    fuzzing::require(back.list.options.seconds_between_sounds == options.seconds_between_sounds &&
                         back.list.options.tell_species_names == options.tell_species_names &&
                         back.list.options.tell_names_afterwards == options.tell_names_afterwards &&
                         back.list.options.seconds_after_spoken_names == options.seconds_after_spoken_names &&
                         back.list.endless_loop == result.list.endless_loop,
                     "the options read back otherwise");
    return 0;
}
