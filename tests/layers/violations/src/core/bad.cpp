// A core file that breaks every rule once; fork() in a comment is not a call.
#include "core/foundation/services.h"
#include <QString>
#include "platform/drives.h"
#include <unistd.h>
int start() { return fork(); }
void finish(int fd) { ::close(fd); }
const char* drive = "/dev/sr0";
int shell() { return std::system("true"); }
int TStream::read(char*) { return 0; }
