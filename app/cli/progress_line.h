#pragma once

// The progress line quillet-cli keeps on a terminal while songs download: bytes so far, the
// percent of the announced length and the speed, redrawn in place.

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <ostream>
#include <string>

namespace quillet::cli {

/// "3.5 MB" and the like (1024 per step).
std::string FormatBytes(std::int64_t bytes);

/// "1.2 MB / 3.5 MB  34%  820.0 KB/s"; without a known total (total < 0) the percent is left
/// out and the bytes stand alone.
std::string ProgressText(std::int64_t bytes, std::int64_t total, double bytesPerSecond);

/// Gathers the progress of the downloads running at once (told apart by a key) into one line.
/// Thread-safe. Redraws at most every 100 ms, and when a download reaches its total.
class ProgressLine {
  public:
    using Clock = std::chrono::steady_clock;

    explicit ProgressLine(std::ostream& out) : out_(out) {}

    void Update(int key, std::int64_t bytes, std::int64_t total) {
        Update(key, bytes, total, Clock::now());
    }
    void Update(int key, std::int64_t bytes, std::int64_t total, Clock::time_point now);
    /// Wipes the line (before other output); the next update draws it again.
    void Clear();

  private:
    struct Transfer {
        std::int64_t bytes = 0;
        std::int64_t total = -1;
    };

    std::ostream& out_;
    std::mutex mutex_;
    std::map<int, Transfer> transfers_;
    Clock::time_point started_{};
    Clock::time_point drawn_{};
    bool shown_ = false;
    bool any_ = false;
};

}  // namespace quillet::cli
