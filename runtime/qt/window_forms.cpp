#include "runtime/qt/window_forms.h"

#include <map>
#include <string>

namespace quillet {
namespace {

std::map<std::string, WindowFormBuilder, std::less<>>& Forms() {
    static std::map<std::string, WindowFormBuilder, std::less<>> forms;
    return forms;
}

}  // namespace

bool RegisterWindowForm(std::string_view name, WindowFormBuilder builder) {
    Forms()[std::string(name)] = builder;
    return true;
}

QWidget* BuildWindowForm(std::string_view name, QWidget* parent) {
    const auto found = Forms().find(name);
    return found == Forms().end() ? nullptr : found->second(parent);
}

}  // namespace quillet
