#pragma once

// Helpers shared by the fuzz targets: a reader that cuts the fuzzer's bytes into the
// arguments of a call, and a check that ends the run loudly so the engine keeps the input.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace quillet::fuzz {

/// Stops the run when an invariant does not hold; the engine records the input as a crash.
inline void Check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

/// Takes arguments from the front of the input: small numbers byte by byte, texts up to the
/// next separator byte 0xFF 0x00 (so a text can still hold either byte alone).
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t Byte() {
        if (rest_.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    bool Flag() { return (Byte() & 1) != 0; }
    /// A small signed number around 0, for positions and counts.
    int Small() { return static_cast<int>(Byte()) - 64; }

    std::string Text() {
        const std::size_t end = rest_.find(std::string_view("\xFF\0", 2));
        const std::string_view part = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 2);
        return std::string(part);
    }
    std::string Rest() {
        std::string all(rest_);
        rest_ = {};
        return all;
    }

  private:
    std::string_view rest_;
};

}  // namespace quillet::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// One run before the fuzzer starts forking, so that what a first call builds once (the GBK
// table, converters, per-thread state) is built once and not in every child.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const char warmUp[] = "\x02\x02\x02\xD6\xD0\xFF\x00a\xFF\x00rid':'1'";
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(warmUp), sizeof warmUp - 1);
    return 0;
}
