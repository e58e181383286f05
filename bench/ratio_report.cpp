#include "bench/ratio_report.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace quillet::bench {
namespace {

class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int RunWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // The table may end in a colour reset without a line end; the figures start on lines of
    // their own so that a script can read them.
    std::fflush(stdout);
    std::printf("\n");
    for (const Ratio& ratio : ratios) {
        const auto ours = reporter.times.find(ratio.ours);
        const auto reference = reporter.times.find(ratio.reference);
        if (ours == reporter.times.end() || reference == reporter.times.end() ||
            reference->second <= 0) {
            continue;
        }
        std::printf("ratio %s %.3f\n", ratio.name.c_str(), ours->second / reference->second);
    }
    return 0;
}

}  // namespace quillet::bench
