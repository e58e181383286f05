#include "runtime/control_values.h"

namespace quillet {

Text ControlValues::GetText(std::string_view control) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(control);
    return it == values_.end() ? Text() : it->second.text;
}

bool ControlValues::IsChecked(std::string_view control) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(control);
    return it != values_.end() && it->second.checked;
}

void ControlValues::SetText(std::string_view control, std::string_view text) {
    Observer observer;
    {
        std::lock_guard lock(mutex_);
        values_[std::string(control)].text = UpToNul(text);
        observer = observer_;
    }
    if (observer) observer(Kind::TextValue, std::string(control));
}

void ControlValues::SetChecked(std::string_view control, bool checked) {
    Observer observer;
    {
        std::lock_guard lock(mutex_);
        values_[std::string(control)].checked = checked;
        observer = observer_;
    }
    if (observer) observer(Kind::CheckedState, std::string(control));
}

void ControlValues::MirrorText(std::string_view control, std::string_view text) {
    std::lock_guard lock(mutex_);
    values_[std::string(control)].text = UpToNul(text);
}

void ControlValues::MirrorChecked(std::string_view control, bool checked) {
    std::lock_guard lock(mutex_);
    values_[std::string(control)].checked = checked;
}

void ControlValues::SetObserver(Observer observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

}  // namespace quillet
