#pragma once

// The handles one page request opened, closed in reverse order of opening whatever way the
// request ends. Internal to web/.

#include <vector>

namespace quillet {

template <class Layer>
class OpenHandles {
  public:
    explicit OpenHandles(Layer& layer) : layer_(layer) {}
    ~OpenHandles() { CloseAll(); }
    OpenHandles(const OpenHandles&) = delete;
    OpenHandles& operator=(const OpenHandles&) = delete;

    typename Layer::Handle Keep(typename Layer::Handle handle) {
        if (handle != nullptr) handles_.push_back(handle);
        return handle;
    }
    void CloseAll() {
        while (!handles_.empty()) {
            layer_.CloseHandle(handles_.back());
            handles_.pop_back();
        }
    }

  private:
    Layer& layer_;
    std::vector<typename Layer::Handle> handles_;
};

}  // namespace quillet
