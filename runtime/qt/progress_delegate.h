#pragma once

// Draws a progress bar behind a cell's text when the cell's progress role holds a
// ReportList::Progress: filled to the share of the known total, or a busy bar that moves to
// and fro when the total is unknown. Cells without progress are drawn as usual.

#include <QColor>
#include <QElapsedTimer>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>
#include <functional>

namespace quillet {

class ProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    /// Reads the progress from `progressRole`; the bar is drawn in `barColor`.
    explicit ProgressDelegate(int progressRole, QColor barColor = QColor(0x9c, 0xd0, 0xf4),
                              QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    /// The busy bar's place, from 0 (left) to 1 (right); by default it follows the clock.
    void SetBusyPhase(std::function<double()> phase);

    /// How much of the cell's width the busy bar covers.
    static constexpr double BusyShare = 0.3;

  private:
    void Animate();

    int progressRole_;
    QColor barColor_;
    std::function<double()> busyPhase_;
    QElapsedTimer clock_;
    // Repaints the view that showed a busy bar, for as long as it shows one.
    mutable QTimer animation_;
    mutable QPointer<const QWidget> busyViewport_;
};

}  // namespace quillet
