#pragma once

#include <sys/types.h>

namespace quillet::bench {

/// The proportional set size in kB of a process and all its descendants; -1 when unreadable.
long ProcessTreePssKb(pid_t root);

}  // namespace quillet::bench
