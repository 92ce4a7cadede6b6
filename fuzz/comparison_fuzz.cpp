// Comparison files from the fuzzer: reading never fails badly, never holds more than six recordings,
// and a set that was read is written and read back the same.

#include "core/data/data_set.h"
#include "core/sound/comparison.h"
#include "fuzz_folder.h"
#include "fuzz_harness.h"

#include <cstdint>
#include <string>
#include <string_view>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    static const Tdata empty_data;
    const PlayListProduct product{"Sarovan Bird Sounds", "1.0"};

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzzing::write_private_file("set.cmp", text);
    const ComparisonReadResult result = read_comparison_file(path, empty_data, product);
    fuzzing::require(result.set.size() <= ComparisonSet::max_recordings, "more than six recordings");
    fuzzing::require(result.set.empty(), "a recording resolved without data");
    if (result.status != ComparisonLoad::loaded) return 0;
    for (const std::string& entry : result.unresolved) {
        fuzzing::require(entry.size() <= 60, "an unresolved entry shown whole");
        for (const char c : entry)
            fuzzing::require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a control character shown");
    }

    const std::string again = fuzzing::private_folder() + "again.cmp";
    fuzzing::require(write_comparison_file(again, result.set, product), "a set that cannot be written");
    const ComparisonReadResult back = read_comparison_file(again, empty_data, product);
    fuzzing::require(back.status == ComparisonLoad::loaded && !back.other_version && back.unresolved.empty(),
                     "a written set is refused");
    return 0;
}
