#pragma once

// The cells of a report list, held apart from any widget so that every operation is safe from
// any thread: each one takes the lock once and so acts as one indivisible step. A view shows
// the cells through an observer, which learns of every change.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>
#include <vector>

#include "text/text_types.h"

namespace quillet {

class ReportList {
  public:
    enum class Change { RowAppended, AllDeleted, CellChanged, SelectionChanged };
    /// Called with the list locked, on the thread that made the change: it must not call
    /// back into the list (a view posts the news to its own thread).
    using Observer = std::function<void(Change change, int row, int column)>;

    /// A row as a worker saw it when it started: writes through it land only while the list
    /// still holds the rows of that moment.
    struct RowRef {
        std::uint64_t generation = 0;
        int row = -1;
    };

    explicit ReportList(int columnCount);

    int ColumnCount() const { return columnCount_; }
    int RowCount() const;

    /// The row count with the count of DeleteAll calls so far, read in one step.
    struct Shape {
        std::uint64_t generation = 0;
        int rows = 0;
    };
    Shape CurrentShape() const;

    /// Appends a row of empty cells and yields its index.
    int AppendRow();
    /// Deletes every row; the selection becomes -1.
    void DeleteAll();

    /// The cell's text; empty for a missing row or column.
    Text Cell(int row, int column) const;
    /// Writes the cell; does nothing for a missing row or column.
    void SetCell(int row, int column, std::string_view text);
    /// Writes the cell only when no DeleteAll came between `ref`'s making and now.
    bool SetCell(const RowRef& ref, int column, std::string_view text);
    Text Cell(const RowRef& ref, int column) const;

    /// The selected row, 0-based, -1 when none.
    int SelectedRow() const;
    RowRef SelectedRowRef() const;
    /// Selects a row; an index outside the rows selects none.
    void SetSelectedRow(int row);

    /// Installs the one observer (an empty function removes it).
    void SetObserver(Observer observer);

  private:
    void Notify(Change change, int row, int column) const;

    const int columnCount_;
    mutable std::mutex mutex_;
    std::vector<std::vector<Text>> rows_;
    std::uint64_t generation_ = 0;
    int selected_ = -1;
    Observer observer_;
};

}  // namespace quillet
