#include "runtime/qt/report_list_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QIcon>
#include <QPixmap>
#include <QSignalSpy>
#include <QTableView>
#include <atomic>
#include <thread>
#include <vector>

#include "runtime/qt/gbk_qt.h"
#include "tests/window/window_fixture.h"

namespace quillet {
namespace {

using testing_support::DeliverPosted;

TEST(ReportListModel, EightThreadsAtOnceWhileTheGuiThreadRuns) {
    ReportList list(8);
    ReportListModel model(list, QStringList{});
    QTableView view;
    view.setModel(&model);
    view.resize(400, 300);
    view.show();

    std::atomic<int> running{8};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 400; ++i) {
                if (t == 0 && i % 100 == 50) list.DeleteAll();
                int row = list.AppendRow();
                list.SetCell(row, t, "歌曲获取中...");
                list.SetCell(row + 1000, t, "nowhere");  // a missing row: nothing happens
                (void)list.Cell(i % 7, t);
            }
            --running;
        });
    }
    // The GUI thread keeps painting and answering the view meanwhile.
    while (running > 0) {
        QCoreApplication::processEvents();
        view.viewport()->repaint();
    }
    for (auto& thread : threads) thread.join();
    DeliverPosted();

    ASSERT_EQ(model.rowCount(), list.RowCount());
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int c = 0; c < 8; ++c) {
            EXPECT_EQ(model.data(model.index(r, c), Qt::DisplayRole).toString(),
                      GbkToQString(list.Cell(r, c)));
        }
    }
}

// Qt's own checks of a model's answers and signals, over appends, writes and a clear; any
// breach ends the program.
TEST(ReportListModel, PassesTheItemModelTester) {
    ReportList list(3);
    ReportListModel model(list, QStringList{u"a"_qs, u"b"_qs, u"c"_qs});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (int i = 0; i < 4; ++i) list.SetCell(list.AppendRow(), i % 3, "歌");
    DeliverPosted();
    EXPECT_EQ(model.rowCount(), 4);
    list.SetSelectedRow(2);
    list.SetCell(1, 2, "变");
    DeliverPosted();
    list.DeleteAll();
    list.AppendRow();
    DeliverPosted();
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.columnCount(), 3);
}

TEST(ReportListModel, DeletedRowsReadEmptyUntilTheViewHears) {
    ReportList list(8);
    ReportListModel model(list, QStringList{});
    list.SetCell(list.AppendRow(), 1, "晴天");
    QCoreApplication::processEvents();
    ASSERT_EQ(model.rowCount(), 1);
    list.DeleteAll();  // on "another thread": the news is still queued
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), QString());
    QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 0);
}

QIcon MarkIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::green);
    return QIcon(pixmap);
}

// The dataChanged signals a spy heard that name `role`, as (first row, last row, first
// column, last column).
using Range = std::tuple<int, int, int, int>;
std::vector<Range> ChangesWithRole(const QSignalSpy& spy, int role) {
    std::vector<Range> found;
    for (const QList<QVariant>& signal : spy) {
        const auto roles = signal[2].value<QList<int>>();
        if (!roles.contains(role)) continue;
        const auto from = signal[0].value<QModelIndex>();
        const auto to = signal[1].value<QModelIndex>();
        found.emplace_back(from.row(), to.row(), from.column(), to.column());
    }
    return found;
}

TEST(ReportListModel, ProgressAndMarkHaveRolesOfTheirOwn) {
    using Progress = ReportList::Progress;
    constexpr int ProgressRole = ReportListModel::ProgressRole;
    ReportList list(8);
    ReportListModel model(list, QStringList{});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetMarkDecoration(1, MarkIcon());
    for (int r = 0; r < 3; ++r) {
        list.AppendRow();
        list.SetCell(r, 1, "晴天");
        list.SetCell(r, 5, "歌曲下载中...");
    }
    QCoreApplication::processEvents();
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);

    // A download's burst of progress from a worker: one announcement for the row, whole.
    std::thread worker([&] {
        for (std::int64_t bytes = 0; bytes <= 1000; bytes += 10) {
            list.SetProgress(1, Progress{bytes, 1000});
        }
        list.SetMarked(2, true);
    });
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(ChangesWithRole(changes, ProgressRole), (std::vector<Range>{{1, 1, 0, 7}}));
    EXPECT_EQ(ChangesWithRole(changes, Qt::DecorationRole), (std::vector<Range>{{2, 2, 1, 1}}));
    EXPECT_TRUE(ChangesWithRole(changes, Qt::DisplayRole).empty());

    for (int c : {1, 5}) {
        const QVariant progress = model.data(model.index(1, c), ProgressRole);
        ASSERT_TRUE(progress.canConvert<Progress>());
        EXPECT_EQ(progress.value<Progress>(), (Progress{1000, 1000}));
        EXPECT_FALSE(model.data(model.index(0, c), ProgressRole).isValid());
    }
    EXPECT_EQ(model.data(model.index(1, 5), Qt::DisplayRole).toString(), u"歌曲下载中...");
    EXPECT_EQ(model.data(model.index(2, 1), Qt::DisplayRole).toString(), u"晴天");

    const QVariant mark = model.data(model.index(2, 1), Qt::DecorationRole);
    ASSERT_TRUE(mark.canConvert<QIcon>());
    EXPECT_FALSE(mark.value<QIcon>().isNull());
    EXPECT_FALSE(model.data(model.index(2, 0), Qt::DecorationRole).isValid());
    EXPECT_FALSE(model.data(model.index(1, 1), Qt::DecorationRole).isValid());

    // Moving the mark to no column announces the old one and shows it nowhere.
    changes.clear();
    model.SetMarkDecoration(-1, QIcon());
    EXPECT_EQ(ChangesWithRole(changes, Qt::DecorationRole), (std::vector<Range>{{0, 2, 1, 1}}));
    EXPECT_FALSE(model.data(model.index(2, 1), Qt::DecorationRole).isValid());
    model.SetMarkDecoration(1, MarkIcon());

    // Progress ended, and a new search: nothing of the old rows is left.
    list.SetProgress(1, std::nullopt);
    QCoreApplication::processEvents();
    EXPECT_FALSE(model.data(model.index(1, 5), ProgressRole).isValid());
    list.SetProgress(0, Progress{5, -1});
    list.DeleteAll();
    list.AppendRow();
    QCoreApplication::processEvents();
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_FALSE(model.data(model.index(0, 5), ProgressRole).isValid());
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::DecorationRole).isValid());
}

TEST(ReportListModel, NewsAfterTheModelIsGoneIsDropped) {
    ReportList list(8);
    {
        ReportListModel model(list, QStringList{});
        list.AppendRow();
    }
    list.AppendRow();  // no observer left
    QCoreApplication::processEvents();
    EXPECT_EQ(list.RowCount(), 2);
}

}  // namespace
}  // namespace quillet
