#include "runtime/qt/progress_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "runtime/report_list.h"

namespace quillet {
namespace {

constexpr int AnimationMs = 50;
constexpr double BusyPeriodMs = 1600.0;  // once across and back

}  // namespace

ProgressDelegate::ProgressDelegate(int progressRole, QColor barColor, QObject* parent)
    : QStyledItemDelegate(parent), progressRole_(progressRole), barColor_(barColor) {
    clock_.start();
    busyPhase_ = [this] {
        // A triangle wave: left to right, then back.
        const double t =
            std::fmod(static_cast<double>(clock_.elapsed()), BusyPeriodMs) / BusyPeriodMs;
        return t < 0.5 ? t * 2 : 2 - t * 2;
    };
    animation_.setInterval(AnimationMs);
    connect(&animation_, &QTimer::timeout, this, &ProgressDelegate::Animate);
}

void ProgressDelegate::SetBusyPhase(std::function<double()> phase) {
    busyPhase_ = std::move(phase);
}

void ProgressDelegate::Animate() {
    // A viewport that no longer paints a busy bar stops the animation after one more frame.
    const auto* view = qobject_cast<const QAbstractItemView*>(busyViewport_.data());
    busyViewport_ = nullptr;
    if (view) {
        view->viewport()->update();
    } else {
        animation_.stop();
    }
}

void ProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QVariant value = index.data(progressRole_);
    if (!value.canConvert<ReportList::Progress>()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const ReportList::Progress progress = value.value<ReportList::Progress>();

    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();

    // The cell's background and selection first, the bar on it, the text on top.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);

    const QRect area = option.rect.adjusted(1, 1, -1, -1);
    QRect bar;
    if (progress.total > 0) {
        const double share = std::clamp(
            static_cast<double>(progress.bytes) / static_cast<double>(progress.total), 0.0, 1.0);
        bar = QRect(area.left(), area.top(), static_cast<int>(std::lround(area.width() * share)),
                    area.height());
    } else {
        const int width = std::max(1, static_cast<int>(std::lround(area.width() * BusyShare)));
        const double phase = std::clamp(busyPhase_ ? busyPhase_() : 0.0, 0.0, 1.0);
        const int left =
            area.left() + static_cast<int>(std::lround((area.width() - width) * phase));
        bar = QRect(left, area.top(), width, area.height());
        if (widget) {
            busyViewport_ = widget;
            if (!animation_.isActive()) animation_.start();
        }
    }
    if (bar.width() > 0) painter->fillRect(bar, barColor_);

    QStyleOptionViewItem text = item;
    text.backgroundBrush = Qt::NoBrush;
    if (text.state & QStyle::State_Selected) {
        // The selection is already painted; keep its text colour over the bar.
        const QPalette::ColorGroup group =
            text.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        text.palette.setColor(QPalette::Text, text.palette.color(group, QPalette::HighlightedText));
        text.state &= ~QStyle::State_Selected;
    }
    text.state &= ~QStyle::State_MouseOver;
    style->drawControl(QStyle::CE_ItemViewItem, &text, painter, widget);
}

}  // namespace quillet
