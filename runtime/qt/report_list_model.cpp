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
                }
            },
            Qt::QueuedConnection);
    });
}

ReportListModel::~ReportListModel() {
    list_.SetObserver({});
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
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    // A row deleted meanwhile on another thread reads as empty until the reset arrives.
    return GbkToQString(list_.Cell(index.row(), index.column()));
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
