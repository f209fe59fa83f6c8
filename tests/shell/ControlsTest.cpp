#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QTest>

#include "shell/Artwork.h"
#include "shell/Btns.h"
#include "shell/Logos.h"

namespace pixmarl {
namespace {

QIcon Solid(Qt::GlobalColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QColor Middle(QWidget& widget)
{
    return widget.grab().toImage().pixelColor(widget.width() / 2, widget.height() / 2);
}

int VisiblePixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y).alpha() > 0 ? 1 : 0;
    }
    return n;
}

void Enter(QWidget* widget)
{
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(widget, &event);
}

void Leave(QWidget* widget, QWidget* pointerOver)
{
    QCursor::setPos(pointerOver ? pointerOver->mapToGlobal(pointerOver->rect().center())
                                : QPoint(-1000, -1000));
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

class ToolbarTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (TBtn* button : {back_, static_cast<TBtn*>(arrow_)}) {
            button->SetGlyph(Solid(Qt::red));
            button->SetColdGlyph(Solid(Qt::blue));
        }
        back_->setGeometry(0, 0, 29, 25);
        arrow_->setGeometry(29, 0, 12, 25);
        back_->SetLinkedBtn(arrow_);
        bar_.resize(140, 25);
        QCursor::setPos(-1000, -1000);
        bar_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar_));
    }

    QWidget bar_;
    TBtn* back_ = new TBtn(&bar_);
    TDropDnBtn* arrow_ = new TDropDnBtn(&bar_);
};

TEST_F(ToolbarTest, ColdGlyphAtRestNormalGlyphWhileHot)
{
    EXPECT_EQ(Middle(*back_), QColor(Qt::blue));
    Enter(back_);
    EXPECT_EQ(Middle(*back_), QColor(Qt::red));
    Leave(back_, nullptr);
    EXPECT_EQ(Middle(*back_), QColor(Qt::blue));
    back_->SetFlat(false);
    EXPECT_EQ(Middle(*back_), QColor(Qt::red));  // only flat buttons rest cold
}

TEST_F(ToolbarTest, LinkedButtonsTurnHotAndColdTogether)
{
    EXPECT_EQ(arrow_->LinkedBtn(), back_);
    Enter(back_);
    EXPECT_TRUE(back_->Hot() && arrow_->Hot());
    Leave(back_, arrow_);  // onto the arrow: both stay
    Enter(arrow_);
    EXPECT_TRUE(back_->Hot() && arrow_->Hot());
    Leave(arrow_, nullptr);
    EXPECT_FALSE(back_->Hot() || arrow_->Hot());

    delete arrow_;
    arrow_ = nullptr;
    EXPECT_EQ(back_->LinkedBtn(), nullptr);
    Enter(back_);
    Leave(back_, nullptr);
    EXPECT_FALSE(back_->Hot());
}

TEST_F(ToolbarTest, GroupedButtonsLatchExclusively)
{
    TBtn* modes[3];
    for (int i = 0; i < 3; ++i) {
        modes[i] = new TBtn(&bar_);
        modes[i]->SetGroupIndex(9);
        modes[i]->setGeometry(41 + 29 * i, 0, 29, 25);
        modes[i]->show();
    }
    modes[0]->SetDown(true);
    QTest::mouseClick(modes[1], Qt::LeftButton);
    EXPECT_FALSE(modes[0]->Down());
    EXPECT_TRUE(modes[1]->Down());
    EXPECT_FALSE(modes[2]->Down());
    QTest::mouseClick(modes[1], Qt::LeftButton);  // stays down without AllowAllUp
    EXPECT_TRUE(modes[1]->Down());
    modes[1]->SetAllowAllUp(true);
    QTest::mouseClick(modes[1], Qt::LeftButton);
    EXPECT_FALSE(modes[1]->Down());
    EXPECT_FALSE(back_->Down());
}

TEST(Logo, OffsetRunsFrom20To47ThenFrom0)
{
    TLogo logo;
    logo.Start();
    EXPECT_TRUE(logo.Animated());
    for (int i = 0; i <= 30; ++i, logo.Tick())
        EXPECT_EQ(logo.Offset(), (20 + i) % 48) << i;
    logo.Stop();
    EXPECT_FALSE(logo.Animated());
}

TEST(Artwork, PicturesAreDrawnAtEveryScale)
{
    for (qreal dpr : {1.0, 2.0}) {
        for (int a = int(TArt::Back); a <= int(TArt::Thumbnails); ++a) {
            const QImage glyph = OwnArtIcon(TArt(a)).pixmap(QSize(16, 16), dpr).toImage();
            EXPECT_EQ(glyph.size(), QSize(16, 16) * dpr) << a;
            EXPECT_GT(VisiblePixels(glyph) * 10, glyph.width() * glyph.height()) << a;
        }
        // The strip repeats every 48 pixels, so the animation loops without a jump.
        const QImage strip = LogoStrip(dpr);
        ASSERT_EQ(strip.size(), QSize(96, 23) * dpr);
        const int period = int(48 * dpr);
        EXPECT_EQ(strip.copy(0, 0, period, strip.height()),
                  strip.copy(period, 0, period, strip.height()));
        EXPECT_FALSE(OverwritePicture(48, dpr).isNull());
    }
}

}  // namespace
}  // namespace pixmarl
