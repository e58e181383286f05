#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace quillet {

/// A text: GBK bytes (UTF-8 where a routine says so). An absent text is the empty text.
using Text = std::string;
/// A counted byte sequence that may hold zero bytes.
using Bytes = std::string;
/// A 1-based byte position in a text, or -1 for "not found".
using TextPos = std::int64_t;

/// Bytes in an encoding other than GBK, as a type of its own: it converts neither from nor to
/// a `Text`, so passing one where the other is expected does not compile. Each crossing is a
/// conversion routine or an explicit construction that names the encoding.
template <class Encoding>
class EncodedBytes {
  public:
    EncodedBytes() = default;
    explicit EncodedBytes(std::string bytes) : bytes_(std::move(bytes)) {}
    explicit EncodedBytes(std::string_view bytes) : bytes_(bytes) {}
    explicit EncodedBytes(const char* bytes) : bytes_(bytes) {}

    const std::string& str() const& { return bytes_; }
    std::string str() && { return std::move(bytes_); }
    std::string_view view() const { return bytes_; }
    const char* c_str() const { return bytes_.c_str(); }
    const char* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }

    friend bool operator==(const EncodedBytes&, const EncodedBytes&) = default;
    friend bool operator==(const EncodedBytes& a, std::string_view b) { return a.bytes_ == b; }

  private:
    std::string bytes_;
};

/// UTF-8 bytes: the service's replies before conversion, the terminal, file-system names.
using Utf8Bytes = EncodedBytes<struct Utf8Encoding>;
/// UTF-16 data as little-endian 16-bit units, two bytes each.
using Utf16Bytes = EncodedBytes<struct Utf16Encoding>;

/// UTF-8 is what a terminal or a log takes as it is.
inline std::ostream& operator<<(std::ostream& out, const Utf8Bytes& utf8) {
    return out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
}

/// The text a NUL-terminated reading sees: everything before the first zero byte.
inline std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace quillet
