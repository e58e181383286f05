#pragma once

// A Qt item model over a ReportList. The list may change on any thread; the model hears of
// it through the list's observer, posts the news to its own (GUI) thread and brings the
// views up to date there, so a view only ever sees row counts announced on its thread.

#include <QAbstractTableModel>
#include <QFont>
#include <QStringList>

#include "runtime/report_list.h"

namespace quillet {

class ReportListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    ReportListModel(ReportList& list, QStringList headers, QObject* parent = nullptr);
    ~ReportListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// The font the header texts are drawn in.
    void SetHeaderFont(const QFont& font) { headerFont_ = font; }

    /// Brings the shown rows up to the list's current rows (GUI thread).
    void Sync();

  signals:
    /// The list's selected row was changed by the program (GUI thread).
    void selectedRowChanged(int row);

  private:
    ReportList& list_;
    QStringList headers_;
    QVariant headerFont_;
    std::uint64_t shownGeneration_ = 0;
    int shownRows_ = 0;
};

}  // namespace quillet
