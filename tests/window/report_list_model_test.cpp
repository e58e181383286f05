#include "runtime/qt/report_list_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCoreApplication>
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
