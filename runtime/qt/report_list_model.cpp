#include "runtime/qt/report_list_model.h"

#include <QMetaObject>

#include "runtime/qt/gbk_qt.h"

namespace quillet {

ReportListModel::ReportListModel(ReportList& list, QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), list_(list), headers_(std::move(headers)) {
    ReportList::Shape shape = list_.CurrentShape();
    shownGeneration_ = shape.generation;
    shownRows_ = shape.rows;
    list_.SetObserver([this](ReportList::Change change, int row, int column) {
        if (change == ReportList::Change::ProgressChanged) {
            QueueProgress(row);
            return;
        }
        // Queued with this model as context: dropped once the model is gone.
        QMetaObject::invokeMethod(
            this,
            [this, change, row, column] {
                switch (change) {
                    case ReportList::Change::RowAppended:
                    case ReportList::Change::AllDeleted:
                        Sync();
                        break;
                    case ReportList::Change::CellChanged:
                        if (row < shownRows_) {
                            QModelIndex cell = index(row, column);
                            emit dataChanged(cell, cell, {Qt::DisplayRole});
                        }
                        break;
                    case ReportList::Change::SelectionChanged:
                        emit selectedRowChanged(list_.SelectedRow());
                        break;
                    case ReportList::Change::MarkChanged:
                        if (row < shownRows_ && markColumn_ >= 0 &&
                            markColumn_ < list_.ColumnCount()) {
                            QModelIndex cell = index(row, markColumn_);
                            emit dataChanged(cell, cell, {Qt::DecorationRole});
                        }
                        break;
                    case ReportList::Change::ProgressChanged:
                        break;  // gathered by QueueProgress
                }
            },
            Qt::QueuedConnection);
    });
}

ReportListModel::~ReportListModel() {
    list_.SetObserver({});
}

void ReportListModel::QueueProgress(int row) {
    std::lock_guard lock(progressMutex_);
    progressRows_.insert(row);
    if (progressPosted_) return;
    progressPosted_ = true;
    QMetaObject::invokeMethod(
        this, [this] { FlushProgress(); }, Qt::QueuedConnection);
}

void ReportListModel::FlushProgress() {
    std::set<int> rows;
    {
        std::lock_guard lock(progressMutex_);
        rows.swap(progressRows_);
        progressPosted_ = false;
    }
    const int lastColumn = list_.ColumnCount() - 1;
    for (int row : rows) {
        if (row >= shownRows_ || lastColumn < 0) continue;
        emit dataChanged(index(row, 0), index(row, lastColumn), {ProgressRole});
    }
}

void ReportListModel::SetMarkDecoration(int column, const QIcon& icon) {
    const int old = markColumn_;
    markColumn_ = column;
    markIcon_ = icon;
    for (int changed : {old, column}) {
        if (shownRows_ > 0 && changed >= 0 && changed < list_.ColumnCount()) {
            emit dataChanged(index(0, changed), index(shownRows_ - 1, changed),
                             {Qt::DecorationRole});
        }
    }
}

void ReportListModel::Sync() {
    ReportList::Shape shape = list_.CurrentShape();
    if (shape.generation != shownGeneration_ || shape.rows < shownRows_) {
        beginResetModel();
        shownGeneration_ = shape.generation;
        shownRows_ = shape.rows;
        endResetModel();
    } else if (shape.rows > shownRows_) {
        beginInsertRows({}, shownRows_, shape.rows - 1);
        shownRows_ = shape.rows;
        endInsertRows();
    }
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.ColumnCount();
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    // A row deleted meanwhile on another thread reads as empty until the reset arrives.
    switch (role) {
        case Qt::DisplayRole:
            return GbkToQString(list_.Cell(index.row(), index.column()));
        case ProgressRole:
            if (auto progress = list_.RowProgress(index.row())) {
                return QVariant::fromValue(*progress);
            }
            return {};
        case Qt::DecorationRole:
            if (index.column() == markColumn_ && list_.Marked(index.row())) return markIcon_;
            return {};
        default:
            return {};
    }
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers_.size()) {
        return headers_[section];
    }
    if (orientation == Qt::Horizontal && role == Qt::FontRole && headerFont_.isValid()) {
        return headerFont_;
    }
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace quillet
