#include "ui/foundation/program_resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void register_resources() { Q_INIT_RESOURCE(resources); }

namespace morvelin {

void init_program_resources() {
    static const bool done = (register_resources(), true);
    (void)done;
}

} // namespace morvelin
