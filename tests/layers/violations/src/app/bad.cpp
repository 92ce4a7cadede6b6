#include "startup.h"
#include "platform/processes.h"
