#pragma once
// The programs end with std::_Exit once everything is saved and closed, which skips LeakSanitizer's
// check at exit: sanitizer builds run it just before. A leak ends the program with LeakSanitizer's
// report and its exit code.

#if defined(MORVELIN_SANITIZE)
#include <sanitizer/lsan_interface.h>
#endif

namespace morvelin {

inline void check_leaks_before_exit() {
#if defined(MORVELIN_SANITIZE)
    __lsan_do_leak_check();
#endif
}

} // namespace morvelin
