#include "runtime/report_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

namespace quillet {
namespace {

TEST(ReportList, MissingRowsAndColumnsReadEmptyAndIgnoreWrites) {
    ReportList list(8);
    EXPECT_EQ(list.AppendRow(), 0);
    EXPECT_EQ(list.AppendRow(), 1);
    list.SetCell(1, 5, "   点击召唤地址");
    EXPECT_EQ(list.Cell(1, 5), "   点击召唤地址");
    for (auto [row, column] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 8}}) {
        list.SetCell(row, column, "x");
        EXPECT_EQ(list.Cell(row, column), "");
    }
    EXPECT_EQ(list.Cell(0, 0), "");
    list.DeleteAll();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.Cell(1, 5), "");
}

TEST(ReportList, SelectionFollowsRowsAndDeleteAll) {
    ReportList list(8);
    list.SetSelectedRow(0);
    EXPECT_EQ(list.SelectedRow(), -1);  // no such row
    list.AppendRow();
    list.AppendRow();
    list.SetSelectedRow(1);
    EXPECT_EQ(list.SelectedRow(), 1);
    list.DeleteAll();
    EXPECT_EQ(list.SelectedRow(), -1);
}

TEST(ReportList, WritesOfAnOlderListFallOnNoRow) {
    ReportList list(8);
    list.AppendRow();
    list.SetSelectedRow(0);
    ReportList::RowRef ref = list.SelectedRowRef();
    EXPECT_TRUE(list.SetCell(ref, 5, "歌曲获取中..."));
    list.DeleteAll();  // a new search
    list.AppendRow();
    EXPECT_FALSE(list.SetCell(ref, 5, "获取失败"));
    EXPECT_EQ(list.Cell(0, 5), "");
    EXPECT_EQ(list.Cell(ref, 5), "");
}

TEST(ReportList, ObserverHearsEveryChangeInOrder) {
    ReportList list(3);
    std::vector<std::tuple<ReportList::Change, int, int>> heard;
    list.SetObserver([&](ReportList::Change c, int r, int col) { heard.emplace_back(c, r, col); });
    list.AppendRow();
    list.SetCell(0, 2, "x");
    list.SetCell(4, 2, "ignored");
    list.SetSelectedRow(0);
    list.DeleteAll();
    using C = ReportList::Change;
    std::vector<std::tuple<C, int, int>> expected{{C::RowAppended, 0, -1},
                                                  {C::CellChanged, 0, 2},
                                                  {C::SelectionChanged, 0, -1},
                                                  {C::AllDeleted, -1, -1}};
    EXPECT_EQ(heard, expected);
    list.SetObserver({});
    list.AppendRow();
    EXPECT_EQ(heard.size(), expected.size());
}

TEST(ReportList, ProgressAndMarkTravelBesideTheCells) {
    using Progress = ReportList::Progress;
    using C = ReportList::Change;
    ReportList list(8);
    list.AppendRow();
    list.AppendRow();
    list.SetCell(1, 5, "歌曲下载中...");
    std::vector<std::tuple<C, int, int>> heard;
    list.SetObserver([&](C c, int r, int col) { heard.emplace_back(c, r, col); });

    EXPECT_EQ(list.RowProgress(1), std::nullopt);
    EXPECT_FALSE(list.Marked(1));
    list.SetProgress(1, Progress{1024, -1});
    list.SetProgress(1, Progress{4096, 8192});
    list.SetProgress(1, Progress{4096, 8192});  // no change: no news
    list.SetMarked(0, true);
    list.SetMarked(0, true);
    EXPECT_EQ(list.RowProgress(1), (Progress{4096, 8192}));
    EXPECT_EQ(list.RowProgress(0), std::nullopt);
    EXPECT_TRUE(list.Marked(0));
    EXPECT_FALSE(list.Marked(1));
    EXPECT_EQ(list.Cell(1, 5), "歌曲下载中...");  // the texts stay as they were
    list.SetProgress(1, std::nullopt);
    EXPECT_EQ(list.RowProgress(1), std::nullopt);
    EXPECT_EQ(heard, (std::vector<std::tuple<C, int, int>>{{C::ProgressChanged, 1, -1},
                                                           {C::ProgressChanged, 1, -1},
                                                           {C::MarkChanged, 0, -1},
                                                           {C::ProgressChanged, 1, -1}}));

    // Missing rows read as none and ignore writes.
    for (int row : {-1, 2}) {
        list.SetProgress(row, Progress{1, 2});
        list.SetMarked(row, true);
        EXPECT_EQ(list.RowProgress(row), std::nullopt);
        EXPECT_FALSE(list.Marked(row));
    }

    // A worker's row from before a new search writes nowhere; the new rows start bare.
    list.SetSelectedRow(1);
    ReportList::RowRef ref = list.SelectedRowRef();
    EXPECT_TRUE(list.SetProgress(ref, Progress{1, 2}));
    EXPECT_TRUE(list.SetMarked(ref, true));
    list.DeleteAll();
    list.AppendRow();
    list.AppendRow();
    EXPECT_FALSE(list.SetProgress(ref, Progress{2, 2}));
    EXPECT_FALSE(list.SetMarked(ref, true));
    EXPECT_EQ(list.RowProgress(1), std::nullopt);
    EXPECT_FALSE(list.Marked(1));
}

TEST(ReportList, EightThreadsAtOnceKeepEveryCellWhole) {
    ReportList list(8);
    std::atomic<bool> go{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            while (!go) std::this_thread::yield();
            const Text mine(100 + t, static_cast<char>('a' + t));
            for (int i = 0; i < 2000; ++i) {
                if (t == 0 && i % 500 == 0) list.DeleteAll();
                int row = list.AppendRow();
                list.SetCell(row, t % 8, mine);
                Text seen = list.Cell(i % 16, t % 8);
                // Whatever is read is one whole write of some thread, or empty.
                if (!seen.empty() && seen != Text(seen.size(), seen[0])) ++torn;
            }
        });
    }
    go = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(list.RowCount(), 0);
}

}  // namespace
}  // namespace quillet
