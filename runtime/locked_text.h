#pragma once

// A text that one thread replaces while others read it: readers get a copy, whole.

#include <mutex>
#include <string_view>

#include "text/text_types.h"

namespace quillet {

class LockedText {
  public:
    Text Get() const {
        std::lock_guard lock(mutex_);
        return text_;
    }
    void Set(std::string_view text) {
        Text copy(UpToNul(text));
        std::lock_guard lock(mutex_);
        text_.swap(copy);
    }

  private:
    mutable std::mutex mutex_;
    Text text_;
};

}  // namespace quillet
