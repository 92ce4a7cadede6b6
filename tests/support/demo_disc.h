#pragma once
// The demo disc for tests that need a whole disc: made with the built morvelin-disc tool from the
// repository's demo sources, once for all test processes (under a lock, so that parallel test
// programs wait for one build instead of racing), and kept in the build tree under a fingerprint of
// the tool and the sources, so that a changed tool or source builds it anew.

#include <optional>
#include <string>

namespace morvelin::testing {

// The disc folder (ending with '/'); no value when the tool is not built or the build failed. Tests
// share the folder: they must not change it.
std::optional<std::string> demo_disc();

} // namespace morvelin::testing
