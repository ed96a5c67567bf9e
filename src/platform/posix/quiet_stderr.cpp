#include "platform/posix/quiet_stderr.h"

#include <fcntl.h>
#include <unistd.h>

namespace sortwell {

int null_device_descriptor() { return open("/dev/null", O_WRONLY | O_CLOEXEC); }

int copy_of_standard_error() { return fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3); }

void point_standard_error_at(int descriptor) { dup2(descriptor, STDERR_FILENO); }

}  // namespace sortwell
