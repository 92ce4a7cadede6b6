// Edition files (PROGR_NM.TXT) from the fuzzer: every file gives an edition with a title and the
// program texts, the unknown edition for anything that is no known code.

#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "fuzz_folder.h"
#include "fuzz_harness.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <unistd.h>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        fuzzing::install_harness();
        // The program's texts come from the demo disc's language file, as on a real start.
        install_language_texts(Ttextfile_handler::from_bytes(
            fuzzing::read_source_file("demo/Morvelin.txt"), "Morvelin.txt"));
        environment().program_folder = fuzzing::private_folder();
        environment().startup_folder = fuzzing::private_folder();
        return ::chdir(fuzzing::private_folder().c_str()) == 0;
    }();
    fuzzing::require(ready, "no private folder");
    fuzzing::write_private_file("PROGR_NM.TXT", std::string_view(reinterpret_cast<const char*>(data), size));
    determine_edition();
    fuzzing::require(!edition().title.empty() && !edition().version.empty(), "an edition without title or version");
    fuzzing::require(!program_text(7).empty(), "no product title among the program texts");
    return 0;
}
