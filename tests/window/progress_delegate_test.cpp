#include "runtime/qt/progress_delegate.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTableView>
#include <filesystem>

#include "runtime/file_ops.h"
#include "runtime/qt/report_list_model.h"

namespace quillet {
namespace {

using Progress = ReportList::Progress;

const QColor Bar(0x20, 0xc0, 0x40);
constexpr int StatusColumn = 2;

// A three-column list whose status column draws progress bars, shown offscreen.
class ProgressView : public testing::Test {
  protected:
    ProgressView()
        : model_(list_, {QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("status")}) {
        view_.setModel(&model_);
        view_.setItemDelegateForColumn(StatusColumn, &delegate_);
        view_.setColumnWidth(StatusColumn, 200);
        view_.verticalHeader()->setDefaultSectionSize(24);
        view_.resize(420, 360);
        delegate_.SetBusyPhase([this] { return phase_; });
    }

    void AddRow(std::optional<Progress> progress) {
        const int row = list_.AppendRow();
        list_.SetCell(row, 0, std::to_string(row + 1));
        list_.SetCell(row, StatusColumn, "歌曲下载中...");
        list_.SetProgress(row, progress);
    }

    QImage Render() {
        view_.show();
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        return view_.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    struct Span {
        int pixels = 0;  ///< how many pixels of the line have the bar's colour
        int first = -1;  ///< the first and last of them, in cell coordinates
        int last = -1;
    };
    /// The bar's pixels on the line two pixels below the top of the cell, above the text.
    Span BarLine(const QImage& image, int row) {
        const QRect cell = view_.visualRect(model_.index(row, StatusColumn));
        Span span;
        const int y = cell.top() + 2;
        for (int x = cell.left(); x <= cell.right(); ++x) {
            if (image.pixelColor(x, y) != Bar) continue;
            ++span.pixels;
            if (span.first < 0) span.first = x - cell.left();
            span.last = x - cell.left();
        }
        return span;
    }
    /// The bar's full width: the cell's, less 1 px on each side.
    int Inner() const { return view_.visualRect(model_.index(0, StatusColumn)).width() - 2; }
    /// Whether the cell's text was drawn: dark pixels anywhere in it.
    bool HasText(const QImage& image, int row) {
        const QRect cell = view_.visualRect(model_.index(row, StatusColumn));
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                if (qGray(image.pixel(x, y)) < 100) return true;
            }
        }
        return false;
    }

    ReportList list_{3};
    ReportListModel model_;
    ProgressDelegate delegate_{ReportListModel::ProgressRole, Bar};
    QTableView view_;
    double phase_ = 0;
};

TEST_F(ProgressView, BarsShowTheShareBehindTheText) {
    AddRow(std::nullopt);
    AddRow(Progress{500, 1000});
    AddRow(Progress{0, 1000});
    AddRow(Progress{1500, 1000});  // more than announced
    AddRow(Progress{300, -1});
    AddRow(Progress{300, 0});  // an announced length of 0 tells nothing
    const QImage image = Render();
    const int inner = Inner();
    const int busy = static_cast<int>(std::lround(inner * ProgressDelegate::BusyShare));

    EXPECT_EQ(BarLine(image, 0).pixels, 0);
    const Span half = BarLine(image, 1);
    EXPECT_EQ(half.first, 1);
    EXPECT_NEAR(half.pixels, inner / 2, 1);
    EXPECT_EQ(BarLine(image, 2).pixels, 0);
    EXPECT_EQ(BarLine(image, 3).pixels, inner);
    for (int row : {4, 5}) {
        const Span start = BarLine(image, row);
        EXPECT_EQ(start.first, 1) << row;
        EXPECT_EQ(start.pixels, busy) << row;
    }
    for (int row = 0; row < 6; ++row) EXPECT_TRUE(HasText(image, row)) << row;

    // The busy bar moves with its phase; at the end it touches the right side.
    phase_ = 1;
    view_.viewport()->update();
    const Span end = BarLine(Render(), 4);
    EXPECT_EQ(end.pixels, busy);
    EXPECT_EQ(end.last, inner);
}

TEST_F(ProgressView, SelectedRowKeepsItsBar) {
    AddRow(Progress{500, 1000});
    AddRow(Progress{500, 1000});
    view_.setFocus();
    view_.selectRow(1);
    const QImage image = Render();
    EXPECT_EQ(BarLine(image, 1).pixels, BarLine(image, 0).pixels);
    EXPECT_GT(BarLine(image, 1).pixels, 0);
    EXPECT_TRUE(HasText(image, 1));
}

TEST_F(ProgressView, ProgressNewsFromAWorkerRepaints) {
    AddRow(Progress{0, 1000});
    EXPECT_EQ(BarLine(Render(), 0).pixels, 0);
    std::thread worker([this] { list_.SetProgress(0, Progress{1000, 1000}); });
    worker.join();
    EXPECT_EQ(BarLine(Render(), 0).pixels, Inner());
    list_.SetProgress(0, std::nullopt);
    EXPECT_EQ(BarLine(Render(), 0).pixels, 0);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(ProgressView, BusyBarKeepsMovingWithoutNews) {
    ProgressDelegate clocked(ReportListModel::ProgressRole, Bar);  // on the real clock
    view_.setItemDelegateForColumn(StatusColumn, &clocked);
    AddRow(Progress{300, -1});
    Render();
    PaintCounter counter;
    view_.viewport()->installEventFilter(&counter);
    // No change to the list: only the delegate's own animation can repaint the view.
    QDeadlineTimer deadline(5000);
    while (counter.paints < 3 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_GE(counter.paints, 3);
    view_.viewport()->removeEventFilter(&counter);
}

// Renders a list with a running download, a download of unknown length and a marked row to
// progress_list.png beside this test program, so that anyone can look at it:
// build/tests/progress_list.png.
TEST(ProgressListRender, SavesPictureUnderBuildFolder) {
    ReportList list(4);
    ReportListModel model(list, {QStringLiteral("id"), QStringLiteral(u"歌曲名称"),
                                 QStringLiteral(u"歌手"), QStringLiteral(u"    标准   高品")});
    QPixmap check(16, 16);
    check.fill(Qt::transparent);
    {
        QPainter painter(&check);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x2e, 0x9e, 0x44), 2.5));
        painter.drawPolyline(QPolygonF({{3, 8.5}, {6.5, 12}, {13, 4}}));
    }
    model.SetMarkDecoration(1, QIcon(check));
    ProgressDelegate delegate(ReportListModel::ProgressRole);
    delegate.SetBusyPhase([] { return 0.4; });
    QTableView view;
    view.setModel(&model);
    view.setItemDelegateForColumn(3, &delegate);
    view.verticalHeader()->hide();
    view.setColumnWidth(0, 35);
    view.setColumnWidth(1, 150);
    view.setColumnWidth(2, 100);
    view.setColumnWidth(3, 160);
    view.resize(470, 140);
    const char* rows[][3] = {{"夏日晴天", "林一", "歌曲下载中..."},
                             {"让我们一起微笑吧", "微笑乐队", "歌曲下载中..."},
                             {"微笑的海", "微笑乐队", "下载成功"}};
    for (const auto& cells : rows) {
        const int r = list.AppendRow();
        list.SetCell(r, 0, std::to_string(r + 1));
        for (int c = 0; c < 3; ++c) list.SetCell(r, c + 1, cells[c]);
    }
    list.SetProgress(0, Progress{2'936'012, 4'194'304});
    list.SetProgress(1, Progress{1'048'576, -1});
    list.SetMarked(2, true);
    view.show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();

    const QImage image = view.grab().toImage();
    const std::string path = RunDirectory() + "/progress_list.png";
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quillet
