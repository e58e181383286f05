#include "runtime/headless_runtime.h"

#include "text/code_pages.h"

namespace quillet {

HeadlessRuntime::HeadlessRuntime(Text runDirectory, Text desktopFolder, std::ostream* messageStream,
                                 int listColumns)
    : runDirectory_(std::move(runDirectory)),
      desktop_(std::move(desktopFolder)),
      messageStream_(messageStream),
      list_(listColumns) {}

namespace {

Text Lookup(const std::map<std::string, Text, std::less<>>& values, std::string_view key) {
    auto it = values.find(key);
    return it == values.end() ? Text() : it->second;
}

}  // namespace

bool HeadlessRuntime::LoadWindow(const WindowSpec& description) {
    const std::string_view window = description.name;
    std::function<void(int)> created;
    {
        std::lock_guard lock(mutex_);
        for (const Text& open : loadedWindows_) {
            if (open == window) return true;  // open already: only raised
        }
        loadedWindows_.emplace_back(window);
        auto it = handlers_.find({std::string(window), ControlEvent::Created});
        if (it != handlers_.end()) created = it->second;
    }
    if (created) created(0);
    return true;
}

void HeadlessRuntime::SetEventHandler(std::string_view control, ControlEvent event,
                                      std::function<void(int)> handler) {
    std::lock_guard lock(mutex_);
    handlers_[{std::string(control), event}] = std::move(handler);
}

bool HeadlessRuntime::Fire(std::string_view control, ControlEvent event, int argument) {
    std::function<void(int)> handler;
    {
        std::lock_guard lock(mutex_);
        auto it = handlers_.find({std::string(control), event});
        if (it == handlers_.end() || !it->second) return false;
        handler = it->second;
    }
    handler(argument);
    return true;
}

void HeadlessRuntime::SetCaption(std::string_view window, std::string_view caption) {
    std::lock_guard lock(mutex_);
    captions_[std::string(window)] = UpToNul(caption);
}

void HeadlessRuntime::SetPicture(std::string_view control, std::string_view bytes) {
    std::lock_guard lock(mutex_);
    pictures_[std::string(control)] = bytes;
}

std::function<void()> HeadlessRuntime::PreparePicture(std::string_view control,
                                                      std::string_view bytes) {
    return [this, name = std::string(control), copy = Bytes(bytes)] { SetPicture(name, copy); };
}

void HeadlessRuntime::SetBrowserAddress(std::string_view control, std::string_view address) {
    std::lock_guard lock(mutex_);
    addresses_[std::string(control)] = UpToNul(address);
}

void HeadlessRuntime::ShowPopupMenu(std::vector<MenuItem> items) {
    std::lock_guard lock(mutex_);
    lastMenu_ = std::move(items);
}

std::vector<Text> HeadlessRuntime::LoadedWindows() const {
    std::lock_guard lock(mutex_);
    return loadedWindows_;
}

Text HeadlessRuntime::Caption(std::string_view window) const {
    std::lock_guard lock(mutex_);
    return Lookup(captions_, window);
}

Bytes HeadlessRuntime::Picture(std::string_view control) const {
    std::lock_guard lock(mutex_);
    return Lookup(pictures_, control);
}

Text HeadlessRuntime::BrowserAddress(std::string_view control) const {
    std::lock_guard lock(mutex_);
    return Lookup(addresses_, control);
}

std::vector<MenuItem> HeadlessRuntime::LastMenu() const {
    std::lock_guard lock(mutex_);
    return lastMenu_;
}

void HeadlessRuntime::ShowMessage(std::string_view text, int flags) {
    std::lock_guard lock(mutex_);
    messages_.push_back({Text(UpToNul(text)), flags});
    if (messageStream_) {
        *messageStream_ << GbkToUtf8("信息：") << GbkToUtf8(UpToNul(text)) << '\n';
        messageStream_->flush();
    }
}

Text HeadlessRuntime::ChooseFolder(std::string_view title, std::string_view) {
    std::lock_guard lock(mutex_);
    folderTitles_.emplace_back(UpToNul(title));
    if (folderAnswers_.empty()) return {};
    Text answer = folderAnswers_.front();
    folderAnswers_.pop_front();
    return answer;
}

void HeadlessRuntime::SetClipboardText(std::string_view text) {
    std::lock_guard lock(mutex_);
    clipboard_ = UpToNul(text);
}

void HeadlessRuntime::QueueFolderAnswer(std::string_view folder) {
    std::lock_guard lock(mutex_);
    folderAnswers_.emplace_back(folder);
}

std::vector<HeadlessRuntime::Message> HeadlessRuntime::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<Text> HeadlessRuntime::FolderDialogTitles() const {
    std::lock_guard lock(mutex_);
    return folderTitles_;
}

Text HeadlessRuntime::ClipboardText() const {
    std::lock_guard lock(mutex_);
    return clipboard_;
}

}  // namespace quillet
