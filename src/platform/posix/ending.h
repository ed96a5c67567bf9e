#pragma once

namespace sortwell {

// A descriptor that turns readable, and stays so, once the program is told
// to end: for a wait on the world (poll) that must stop then. -1 when none
// could be made; `told_to_end` still tells.
int ending_fd();

}  // namespace sortwell
