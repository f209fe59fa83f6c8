#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "filelist/IGrids.h"

namespace pixmarl {
namespace {

QImage PlainImage(QSize size, const QColor& colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class ImgGridTest : public testing::Test {
protected:
    void SetUp() override
    {
        thumb_ = QImage(96, 72, QImage::Format_RGB32);
        thumb_.fill(Qt::red);
        oversized_ = QImage(300, 300, QImage::Format_RGB32);
        oversized_.fill(Qt::red);
        grid_.OnNeedBmp = [this](int i) {
            return TCellBitmap{i == 0 ? &thumb_ : i == 5 ? &oversized_ : nullptr, i == 1};
        };
        grid_.resize(500 + grid_.frameWidth() * 2, 400);
        grid_.show();
        grid_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&grid_));
    }
    QImage Picture()
    {
        return grid_.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    QColor Base() const { return grid_.palette().color(QPalette::Base); }

    TImgGrid grid_;
    QImage thumb_;
    QImage oversized_;  // made for a larger size: shown within its own cell only
};

TEST_F(ImgGridTest, CellsAreDrawnAroundTheThumbnail)
{
    grid_.Reset(7);
    const QImage picture = Picture();
    EXPECT_EQ(grid_.ColCount(), 3);
    EXPECT_EQ(picture.pixelColor(16, 28), QColor(Qt::red));
    EXPECT_EQ(picture.pixelColor(111, 99), QColor(Qt::red));
    for (QPoint outside : {QPoint(15, 28), QPoint(16, 27), QPoint(112, 99), QPoint(111, 100)})
        EXPECT_NE(picture.pixelColor(outside), QColor(Qt::red))
            << outside.x() << "," << outside.y();
    EXPECT_EQ(picture.pixelColor(5, 5), Base());  // the 10-pixel margin of an unselected cell
    EXPECT_EQ(picture.pixelColor(20, 20), grid_.palette().color(QPalette::Button));
    // The failed thumbnail's cell says so on its panel; the cells after the last item are empty.
    const QImage failed = picture.copy(128 + 14, 14, 100, 100);
    EXPECT_NE(failed, PlainImage(failed.size(), grid_.palette().color(QPalette::Button)));
    EXPECT_EQ(picture.copy(128, 256, 256, 128), PlainImage({256, 128}, Base()));
    EXPECT_EQ(picture.pixelColor(256 + 16, 128 + 16), QColor(Qt::red));
    EXPECT_NE(picture.pixelColor(256 + 15, 128 + 16), QColor(Qt::red));
    EXPECT_NE(picture.pixelColor(256 + 112, 128 + 112), QColor(Qt::red));
}

TEST_F(ImgGridTest, EmptyGridIsPlainEvenWithFocus)
{
    grid_.setFocus();
    grid_.Reset(0);
    const QImage picture = Picture();
    EXPECT_EQ(picture, PlainImage(picture.size(), Base()));
}

TEST_F(ImgGridTest, SelectionAndFocusShowOnTheCellFrame)
{
    grid_.Reset(7);
    grid_.SetIndex(4);
    grid_.SetSelected(2, true);
    grid_.setFocus();
    const QImage picture = Picture();
    EXPECT_EQ(picture.pixelColor(256 + 5, 5), grid_.palette().color(QPalette::Highlight));
    EXPECT_EQ(picture.pixelColor(128 + 5, 128 + 5), grid_.palette().color(QPalette::Highlight));
    grid_.ClearSelection();
    EXPECT_NE(Picture().copy(128, 128, 128, 128), Picture().copy(0, 128, 128, 128))
        << "the focused cell shows a focus frame";
}

TEST_F(ImgGridTest, PressesInTheMarginAreIgnored)
{
    grid_.Reset(7);
    QSignalSpy downs(&grid_, &TImgGrid::OnMouseDown);
    QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, QPoint(128 + 5, 60));
    EXPECT_EQ(downs.count(), 0);
    EXPECT_FALSE(grid_.IsSelected(1));
    QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, QPoint(128 + 60, 60));
    EXPECT_EQ(downs.count(), 1);
    EXPECT_TRUE(grid_.IsSelected(1));
    EXPECT_EQ(grid_.Index(), 1);
}

TEST_F(ImgGridTest, HintsNameTheFileUnderThePointer)
{
    grid_.Reset(7);
    grid_.OnNeedFileName = [](int i) { return QStringLiteral("f%1.jpg").arg(i); };
    grid_.OnNeedFileInfo = [](int) { return QStringLiteral("96 x 72"); };
    const auto hint = [this](QPoint pos) {
        QHelpEvent event(QEvent::ToolTip, pos, grid_.viewport()->mapToGlobal(pos));
        QApplication::sendEvent(grid_.viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(hint({128 + 60, 256 + 60}), "");  // past the last item
    EXPECT_EQ(hint({128 + 60, 60}), "f1.jpg\n96 x 72");
}

TEST_F(ImgGridTest, ScrollingAndGrowingTellTheNewWindow)
{
    grid_.Reset(40);
    QSignalSpy changes(&grid_, &TImgGrid::OnTopLeftChanged);
    grid_.resize(grid_.width(), grid_.height() + 130);  // one more row of cells
    EXPECT_EQ(changes.count(), 1);
    QTest::keyClick(&grid_, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(grid_.Index(), 39);
    EXPECT_EQ(grid_.TopRow(), grid_.Cells().MaxTopRow());
}

}  // namespace
}  // namespace pixmarl
