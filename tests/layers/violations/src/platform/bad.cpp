#include "core/foundation/services.h"
#include "ui/display/child_form.h"
