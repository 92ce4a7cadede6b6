#pragma once

namespace morvelin {

// Registers the compiled-in images, cursors, icons and maps. The ui library is static, so the linker
// keeps the resources only when something calls this; safe to call more than once.
void init_program_resources();

} // namespace morvelin
