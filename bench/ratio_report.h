#pragma once

#include <string>
#include <vector>

namespace quillet::bench {

/// A figure: our benchmark's time divided by its reference's.
struct Ratio {
    std::string name;
    std::string ours;
    std::string reference;
};

/// Runs the registered benchmarks with the usual table, then prints one line
/// "ratio <name> <value>" per figure, so scripts can read them.
int RunWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios);

}  // namespace quillet::bench
