#pragma once
// Shared by the fuzz targets: messages are swallowed, and a fatal error unwinds back into the harness
// as a FatalError instead of ending the run. A property that does not hold aborts, which libFuzzer
// reports as a finding.

#include "core/foundation/services.h"

#include <cstdio>
#include <cstdlib>

namespace morvelin::fuzzing {

class SilentMessages final : public MessagePort {
public:
    int show(const std::string&, const std::string&, int flags) override {
        return (flags & 15) == mb::yes_no || (flags & 15) == mb::yes_no_cancel ? id::yes : id::ok;
    }
};

inline void install_harness() {
    static SilentMessages messages;
    static bool installed = false;
    if (installed) return;
    installed = true;
    install_message_port(&messages);
    set_fatal_handler([](const std::string& text) { throw FatalError{text}; });
}

inline void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

} // namespace morvelin::fuzzing
