#include "foundation/environment.h"

namespace morvelin {

const ProgramConfig& program_config() {
    static const ProgramConfig config;
    return config;
}

Environment& environment() {
    static Environment env;
    return env;
}

} // namespace morvelin
