#pragma once
// Which processes have a node of the testbed open, as the kernel knows it: umockdev tells
// neither which process a client is nor when it closed its node.

#include <sys/types.h>

#include <string>
#include <vector>

namespace testbed {

// One entry for each fd open on the file at `realPath` (the node's path in the testbed's
// folder), found as fuser finds them: through the links in /proc/PID/fd.
std::vector<pid_t> OpenersOf(const std::string& realPath);

}  // namespace testbed
