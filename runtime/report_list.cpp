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
    rows_.emplace_back(static_cast<std::size_t>(columnCount_));
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

Text ReportList::Cell(int row, int column) const {
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= columnCount_) {
        return {};
    }
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void ReportList::SetCell(int row, int column, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= columnCount_) {
        return;
    }
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = UpToNul(text);
    Notify(Change::CellChanged, row, column);
}

bool ReportList::SetCell(const RowRef& ref, int column, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (ref.generation != generation_ || ref.row < 0 || ref.row >= static_cast<int>(rows_.size()) ||
        column < 0 || column >= columnCount_) {
        return false;
    }
    rows_[static_cast<std::size_t>(ref.row)][static_cast<std::size_t>(column)] = UpToNul(text);
    Notify(Change::CellChanged, ref.row, column);
    return true;
}

Text ReportList::Cell(const RowRef& ref, int column) const {
    std::lock_guard lock(mutex_);
    if (ref.generation != generation_ || ref.row < 0 || ref.row >= static_cast<int>(rows_.size()) ||
        column < 0 || column >= columnCount_) {
        return {};
    }
    return rows_[static_cast<std::size_t>(ref.row)][static_cast<std::size_t>(column)];
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
