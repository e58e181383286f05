#pragma once

// The cells of a report list, held apart from any widget so that every operation is safe from
// any thread: each one takes the lock once and so acts as one indivisible step. Besides its
// texts a row may carry a progress (of a transfer) and a mark; neither touches the texts. A
// view shows the rows through an observer, which learns of every change.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "text/text_types.h"

namespace quillet {

class ReportList {
  public:
    enum class Change {
        RowAppended,
        AllDeleted,
        CellChanged,
        SelectionChanged,
        ProgressChanged,  ///< column -1
        MarkChanged,      ///< column -1
    };
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

    /// How far a row's transfer has come: `bytes` of `total`, or of an unknown total (-1).
    struct Progress {
        std::int64_t bytes = 0;
        std::int64_t total = -1;
        bool operator==(const Progress&) const = default;
    };
    /// The row's progress; none for a row without one or a missing row.
    std::optional<Progress> RowProgress(int row) const;
    /// Sets or (with nullopt) removes the row's progress; nothing for a missing row.
    void SetProgress(int row, std::optional<Progress> progress);
    /// The same, only while no DeleteAll came between `ref`'s making and now.
    bool SetProgress(const RowRef& ref, std::optional<Progress> progress);

    /// Whether the row carries the mark; false for a missing row.
    bool Marked(int row) const;
    /// Sets or clears the row's mark; nothing for a missing row.
    void SetMarked(int row, bool marked);
    /// The same, only while no DeleteAll came between `ref`'s making and now.
    bool SetMarked(const RowRef& ref, bool marked);

    /// The selected row, 0-based, -1 when none.
    int SelectedRow() const;
    RowRef SelectedRowRef() const;
    /// Selects a row; an index outside the rows selects none.
    void SetSelectedRow(int row);

    /// Installs the one observer (an empty function removes it).
    void SetObserver(Observer observer);

  private:
    struct Row {
        std::vector<Text> cells;
        std::optional<Progress> progress;
        bool marked = false;
    };

    void Notify(Change change, int row, int column) const;
    // The row, or null when missing; the lock must be held.
    Row* Find(int row);
    const Row* Find(int row) const;
    Row* Find(const RowRef& ref);
    void SetProgressLocked(Row& row, int index, std::optional<Progress> progress);
    void SetMarkedLocked(Row& row, int index, bool marked);

    const int columnCount_;
    mutable std::mutex mutex_;
    std::vector<Row> rows_;
    std::uint64_t generation_ = 0;
    int selected_ = -1;
    Observer observer_;
};

}  // namespace quillet
