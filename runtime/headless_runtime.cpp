#include "runtime/headless_runtime.h"

#include <thread>

#include "text/code_pages.h"

namespace quillet {

HeadlessRuntime::HeadlessRuntime(Text runDirectory, Text desktopFolder, std::ostream* messageStream)
    : runDirectory_(std::move(runDirectory)),
      desktop_(std::move(desktopFolder)),
      messageStream_(messageStream),
      list_(8) {}

void HeadlessRuntime::ShowMessage(std::string_view text, int flags) {
    std::lock_guard lock(mutex_);
    messages_.push_back({Text(UpToNul(text)), flags});
    if (messageStream_) {
        *messageStream_ << GbkToUtf8("信息：") << GbkToUtf8(UpToNul(text)) << '\n';
        messageStream_->flush();
    }
}

Text HeadlessRuntime::ChooseFolder(std::string_view title) {
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

void HeadlessRuntime::StartWorker(std::function<void()> routine) {
    std::thread(std::move(routine)).detach();
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
