#pragma once

// One JSON object per line, for scripts reading quillet-cli's output.

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet::cli {

/// `text` as a JSON string, quotes included: quotes, backslashes and control characters
/// escaped; a byte that does not belong to well-formed UTF-8 becomes U+FFFD.
std::string JsonString(std::string_view text);

/// Builds {"key":value,...} in the order the fields are added.
class JsonObject {
  public:
    JsonObject& Add(std::string_view key, std::string_view utf8);
    JsonObject& Add(std::string_view key, const char* utf8) {
        return Add(key, std::string_view(utf8));
    }
    JsonObject& Add(std::string_view key, std::int64_t number);
    JsonObject& Add(std::string_view key, int number) {
        return Add(key, static_cast<std::int64_t>(number));
    }
    JsonObject& Add(std::string_view key, bool value);
    /// The object, without a newline.
    std::string Str() const { return "{" + fields_ + "}"; }

  private:
    void Key(std::string_view key);
    std::string fields_;
};

}  // namespace quillet::cli
