#pragma once

// Runs a piece of work for each of several rows on a few threads at once and hands the
// results over in row order, each as soon as the rows before it are done.

#include <functional>
#include <vector>

namespace quillet::cli {

/// Calls `work(i)` for every index in [0, count), at most `jobs` at a time, each on a thread
/// of its own; calls `report(i)` on the calling thread in index order, once work i and every
/// work before it have returned. Returns when all are reported.
void RunInOrder(int count, int jobs, const std::function<void(int index)>& work,
                const std::function<void(int index)>& report);

}  // namespace quillet::cli
