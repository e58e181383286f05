#include "app/cli/progress_line.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace quillet::cli {

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(100);
// Moves to the start of the line and wipes it.
constexpr std::string_view WipeLine = "\r\x1b[K";

}  // namespace

std::string FormatBytes(std::int64_t bytes) {
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024) return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::string ProgressText(std::int64_t bytes, std::int64_t total, double bytesPerSecond) {
    std::string text = FormatBytes(bytes);
    if (total > 0) {
        const std::int64_t percent = std::min<std::int64_t>(100, bytes * 100 / total);
        text += " / " + FormatBytes(total) + "  " + std::to_string(percent) + "%";
    }
    text += "  " + FormatBytes(static_cast<std::int64_t>(bytesPerSecond)) + "/s";
    return text;
}

void ProgressLine::Update(int key, std::int64_t bytes, std::int64_t total, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (!any_) {
        started_ = now;
        any_ = true;
    }
    transfers_[key] = {bytes, total};
    const bool finished = total > 0 && bytes >= total;
    if (shown_ && !finished && now - drawn_ < RedrawInterval) return;

    std::int64_t sum = 0;
    std::int64_t sumTotal = 0;
    for (const auto& [id, transfer] : transfers_) {
        sum += transfer.bytes;
        // One download without an announced length leaves the whole without a percent.
        sumTotal = transfer.total > 0 && sumTotal >= 0 ? sumTotal + transfer.total : -1;
    }
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double speed = seconds > 0.0 ? static_cast<double>(sum) / seconds : 0.0;
    std::string line = ProgressText(sum, sumTotal, speed);
    if (transfers_.size() > 1) line = std::to_string(transfers_.size()) + " songs  " + line;
    out_ << WipeLine << line << std::flush;
    drawn_ = now;
    shown_ = true;
}

void ProgressLine::Clear() {
    std::lock_guard lock(mutex_);
    if (!shown_) return;
    out_ << WipeLine << std::flush;
    shown_ = false;
}

}  // namespace quillet::cli
