#include "runtime/report_list.h"

namespace quillet {

ReportList::ReportList(int columnCount) : columnCount_(columnCount < 0 ? 0 : columnCount) {}

int ReportList::RowCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

ReportList::Shape ReportList::CurrentShape() const {
    std::lock_guard lock(mutex_);
    return {generation_, static_cast<int>(rows_.size())};
}

int ReportList::AppendRow() {
    std::lock_guard lock(mutex_);
    rows_.push_back(Row{std::vector<Text>(static_cast<std::size_t>(columnCount_)), {}, false});
    int row = static_cast<int>(rows_.size()) - 1;
    Notify(Change::RowAppended, row, -1);
    return row;
}

void ReportList::DeleteAll() {
    std::lock_guard lock(mutex_);
    rows_.clear();
    ++generation_;
    selected_ = -1;
    Notify(Change::AllDeleted, -1, -1);
}

ReportList::Row* ReportList::Find(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

const ReportList::Row* ReportList::Find(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

ReportList::Row* ReportList::Find(const RowRef& ref) {
    return ref.generation == generation_ ? Find(ref.row) : nullptr;
}

Text ReportList::Cell(int row, int column) const {
    std::lock_guard lock(mutex_);
    const Row* found = Find(row);
    if (!found || column < 0 || column >= columnCount_) return {};
    return found->cells[static_cast<std::size_t>(column)];
}

void ReportList::SetCell(int row, int column, std::string_view text) {
    std::lock_guard lock(mutex_);
    Row* found = Find(row);
    if (!found || column < 0 || column >= columnCount_) return;
    found->cells[static_cast<std::size_t>(column)] = UpToNul(text);
    Notify(Change::CellChanged, row, column);
}

bool ReportList::SetCell(const RowRef& ref, int column, std::string_view text) {
    std::lock_guard lock(mutex_);
    Row* found = Find(ref);
    if (!found || column < 0 || column >= columnCount_) return false;
    found->cells[static_cast<std::size_t>(column)] = UpToNul(text);
    Notify(Change::CellChanged, ref.row, column);
    return true;
}

Text ReportList::Cell(const RowRef& ref, int column) const {
    std::lock_guard lock(mutex_);
    if (ref.generation != generation_) return {};
    const Row* found = Find(ref.row);
    if (!found || column < 0 || column >= columnCount_) return {};
    return found->cells[static_cast<std::size_t>(column)];
}

std::optional<ReportList::Progress> ReportList::RowProgress(int row) const {
    std::lock_guard lock(mutex_);
    const Row* found = Find(row);
    return found ? found->progress : std::nullopt;
}

void ReportList::SetProgressLocked(Row& row, int index, std::optional<Progress> progress) {
    if (row.progress == progress) return;
    row.progress = progress;
    Notify(Change::ProgressChanged, index, -1);
}

void ReportList::SetProgress(int row, std::optional<Progress> progress) {
    std::lock_guard lock(mutex_);
    if (Row* found = Find(row)) SetProgressLocked(*found, row, progress);
}

bool ReportList::SetProgress(const RowRef& ref, std::optional<Progress> progress) {
    std::lock_guard lock(mutex_);
    Row* found = Find(ref);
    if (!found) return false;
    SetProgressLocked(*found, ref.row, progress);
    return true;
}

bool ReportList::Marked(int row) const {
    std::lock_guard lock(mutex_);
    const Row* found = Find(row);
    return found && found->marked;
}

void ReportList::SetMarkedLocked(Row& row, int index, bool marked) {
    if (row.marked == marked) return;
    row.marked = marked;
    Notify(Change::MarkChanged, index, -1);
}

void ReportList::SetMarked(int row, bool marked) {
    std::lock_guard lock(mutex_);
    if (Row* found = Find(row)) SetMarkedLocked(*found, row, marked);
}

bool ReportList::SetMarked(const RowRef& ref, bool marked) {
    std::lock_guard lock(mutex_);
    Row* found = Find(ref);
    if (!found) return false;
    SetMarkedLocked(*found, ref.row, marked);
    return true;
}

int ReportList::SelectedRow() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

ReportList::RowRef ReportList::SelectedRowRef() const {
    std::lock_guard lock(mutex_);
    return {generation_, selected_};
}

void ReportList::SetSelectedRow(int row) {
    std::lock_guard lock(mutex_);
    int selected = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
    if (selected == selected_) return;
    selected_ = selected;
    Notify(Change::SelectionChanged, selected, -1);
}

void ReportList::SetObserver(Observer observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void ReportList::Notify(Change change, int row, int column) const {
    if (observer_) observer_(change, row, column);
}

}  // namespace quillet
