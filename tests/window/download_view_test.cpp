// The main window's song list while downloads run: the progress bar behind the status text
// of column 5 and the mark of a downloaded song in column 1.

#include <gtest/gtest.h>

#include <QImage>
#include <QTableView>
#include <filesystem>

#include "app/main_window.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/file_ops.h"
#include "runtime/qt/progress_delegate.h"
#include "runtime/qt/report_list_model.h"
#include "tests/window/window_fixture.h"

namespace quillet {
namespace {

using testing_support::DeliverPosted;
using testing_support::WindowTest;

using DownloadViewTest = WindowTest;

// Renders the main window with a download at 45%, one of unknown length and a downloaded,
// marked song to download_progress.png beside this test program, so that anyone can look at
// it: build/tests/download_progress.png.
TEST_F(DownloadViewTest, ProgressAndMarkShowInTheSongList) {
    QWidget* window = OpenMain();
    ASSERT_NE(window, nullptr);
    auto* view = Find<QTableView>(QStringLiteral(u"超级列表框1"));
    ASSERT_NE(view, nullptr);
    EXPECT_NE(dynamic_cast<ProgressDelegate*>(view->itemDelegateForColumn(column::Status)),
              nullptr);
    EXPECT_EQ(view->itemDelegateForColumn(column::SongName), nullptr);

    ReportList& list = runtime_.SongList();
    const char* rows[][4] = {{"1", "夏日晴天", "林一", "四季"},
                             {"2", "让我们一起微笑吧", "微笑乐队", "微笑专辑"},
                             {"3", "微笑的海", "微笑乐队", "海边"}};
    for (const auto& row : rows) {
        const int r = list.AppendRow();
        for (int c = 0; c < 4; ++c) list.SetCell(r, c, row[c]);
        list.SetCell(r, column::Status, status::Downloading);
        list.SetCell(r, column::Size, "4.12MB");
    }
    list.SetProgress(0, ReportList::Progress{1945000, 4322000});
    list.SetProgress(1, ReportList::Progress{120000, -1});
    list.SetCell(2, column::Status, status::Downloaded);
    list.SetMarked(2, true);
    DeliverPosted();

    const QAbstractItemModel* model = view->model();
    for (int r = 0; r < 3; ++r) {
        const bool marked = r == 2;
        EXPECT_EQ(model->data(model->index(r, column::SongName), Qt::DecorationRole).isNull(),
                  !marked)
            << r;
        EXPECT_EQ(
            model->data(model->index(r, column::Status), ReportListModel::ProgressRole).isValid(),
            !marked)
            << r;
    }

    // The bar fills the left 45% of the first row's status cell and nothing of the third's.
    const QImage image = window->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    auto barPixelsIn = [&](int row) {
        const QRect cell = view->visualRect(model->index(row, column::Status));
        const QPoint origin = view->viewport()->mapTo(window, cell.topLeft());
        int count = 0;
        // Columns of the cell where the bar shows somewhere between the glyphs.
        for (int x = 0; x < cell.width(); ++x) {
            bool bar = false;
            for (int y = 0; y < cell.height() && !bar; ++y) {
                bar = image.pixelColor((origin + QPoint(x, y)) * ratio) == QColor(0x9c, 0xd0, 0xf4);
            }
            count += bar ? 1 : 0;
        }
        return std::pair{count, cell.width()};
    };
    const auto [filled, width] = barPixelsIn(0);
    EXPECT_NEAR(filled, width * 45 / 100, width / 10);
    EXPECT_EQ(barPixelsIn(2).first, 0);

    const std::string path = RunDirectory() + "/download_progress.png";
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quillet
