#include "platform/quiet_stderr.h"

#include <fcntl.h>
#include <io.h>

namespace sortwell {

// The C runtime's descriptor 2, which the libraries write to, goes to NUL.
int null_device_descriptor() { return _open("NUL", _O_WRONLY); }

int copy_of_standard_error() { return _dup(2); }

void point_standard_error_at(int descriptor) { _dup2(descriptor, 2); }

}  // namespace sortwell
