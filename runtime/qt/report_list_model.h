#pragma once

// A Qt item model over a ReportList. The list may change on any thread; the model hears of
// it through the list's observer, posts the news to its own (GUI) thread and brings the
// views up to date there, so a view only ever sees row counts announced on its thread.
// Cells show their texts; a row's progress is offered through ProgressRole and its mark as
// an icon in one chosen column.

#include <QAbstractTableModel>
#include <QFont>
#include <QIcon>
#include <QStringList>
#include <mutex>
#include <set>

#include "runtime/report_list.h"

namespace quillet {

class ReportListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    /// Every cell of a row with a progress holds it here as a ReportList::Progress; cells of
    /// other rows hold nothing.
    static constexpr int ProgressRole = Qt::UserRole + 1;

    ReportListModel(ReportList& list, QStringList headers, QObject* parent = nullptr);
    ~ReportListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// The font the header texts are drawn in.
    void SetHeaderFont(const QFont& font) { headerFont_ = font; }
    /// Marked rows show `icon` in `column` (Qt::DecorationRole); -1 shows the mark nowhere.
    void SetMarkDecoration(int column, const QIcon& icon);

    /// Brings the shown rows up to the list's current rows (GUI thread).
    void Sync();

  signals:
    /// The list's selected row was changed by the program (GUI thread).
    void selectedRowChanged(int row);

  private:
    void QueueProgress(int row);
    void FlushProgress();

    ReportList& list_;
    QStringList headers_;
    QVariant headerFont_;
    std::uint64_t shownGeneration_ = 0;
    int shownRows_ = 0;
    int markColumn_ = -1;
    QIcon markIcon_;
    // Progress news comes in bursts (every block of a download): rows are gathered here and
    // announced with one posted event.
    std::mutex progressMutex_;
    std::set<int> progressRows_;
    bool progressPosted_ = false;
};

}  // namespace quillet
