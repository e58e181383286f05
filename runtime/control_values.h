#pragma once

// The values of a window's controls (texts and checked states), kept apart from the widgets
// so that any thread may read and write them. A window mirrors its widgets into this store
// and applies the writes made from code through the observer.

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "text/text_types.h"

namespace quillet {

class ControlValues {
  public:
    enum class Kind { TextValue, CheckedState };
    /// Called after the store took the value, on the writing thread, for writes made from
    /// code (not with the store locked: it may read and mirror values).
    using Observer = std::function<void(Kind kind, const std::string& control)>;

    Text GetText(std::string_view control) const;
    bool IsChecked(std::string_view control) const;

    /// Writes made by the program: the observer hears of them.
    void SetText(std::string_view control, std::string_view text);
    void SetChecked(std::string_view control, bool checked);

    /// Writes that record what a widget already shows: nobody is told.
    void MirrorText(std::string_view control, std::string_view text);
    void MirrorChecked(std::string_view control, bool checked);

    void SetObserver(Observer observer);

  private:
    struct Value {
        Text text;
        bool checked = false;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Value, std::less<>> values_;
    Observer observer_;
};

}  // namespace quillet
