#pragma once

// The seam is shared now that portable code silences libraries too.
#include "platform/quiet_stderr.h"
