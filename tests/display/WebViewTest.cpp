#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>

#include "display/DisplayFiles.h"
#include "display/WebView.h"
#include "display/WebViewTexts.h"
#include "support/EventWait.h"

namespace pixmarl {
namespace {

TEST(WebViewTexts, TitlesAndInfo)
{
    EXPECT_EQ(PreviewTitle("/", true, "File System (/)"), "File \nSystem (/)");
    EXPECT_EQ(PreviewTitle("/media/usb", true, "USB"), "USB");
    EXPECT_EQ(PreviewTitle("/media/usb", true, ""), "/media/usb");
    EXPECT_EQ(PreviewTitle("/home/ann/Bilder", false, ""), "Bilder");
    EXPECT_EQ(PreviewInfoText({}), "unsupported or invalid");
}

class WebViewTest : public ::testing::Test {
protected:
    WebViewTest()
    {
        pane_.resize(200, 500);
        pane_.show();
        pane_.ShowFolder(dir_.path(), false);
    }
    QString Text(const char* label) const
    {
        for (QLabel* l : pane_.findChildren<QLabel*>())
            if (l->isVisible() && l->text().contains(QLatin1String(label)))
                return l->text();
        return QString();
    }
    bool WaitInfo()
    {
        return test::RunEventsUntil(
            [&] { return !Text(" x ").isEmpty() || !Text("unsup").isEmpty(); });
    }

    QTemporaryDir dir_;
    TWebView pane_;
};

// Keyboard scrolling through a list decodes nothing: only the file the focus rests on.
TEST_F(WebViewTest, TenFocusMovesInASecondGiveOnePreviewOfTheLast)
{
    QStringList files;
    for (int i = 0; i < 10; ++i)
        files << test::PatternJpeg(dir_.path(), QStringLiteral("p%1.jpg").arg(i), {64 + i, 48});
    QElapsedTimer clock;
    clock.start();
    for (const QString& file : files) {
        pane_.ShowFile(file, 1000);
        test::RunEventsFor(90);
    }
    ASSERT_LT(clock.elapsed(), 1000);
    ASSERT_TRUE(WaitInfo());
    EXPECT_EQ(pane_.PreviewsMade(), 1);
    EXPECT_EQ(Text("p9.jpg"), "p9.jpg");
    EXPECT_EQ(Text(" x "), "73 x 48");
    EXPECT_EQ(Text("Bytes"), "1000 Bytes");
}

TEST_F(WebViewTest, ReportsTheImagesOwnSizeOrThatItCannotBeShown)
{
    pane_.ShowFile(test::PatternJpeg(dir_.path(), "big.jpg", {1600, 1200}), 5);
    ASSERT_TRUE(WaitInfo());
    EXPECT_EQ(Text(" x "), "1600 x 1200");
    EXPECT_EQ(pane_.findChild<QLabel*>("Preview")->pixmap().size(), QSize(128, 96));

    pane_.ShowFile(test::WriteFile(dir_.path(), "notes.xyz", "text"), 4);
    ASSERT_TRUE(test::RunEventsUntil([&] { return !Text("unsup").isEmpty(); }));
    EXPECT_EQ(Text("notes"), "notes.xyz");
    EXPECT_EQ(Text("Bytes"), "4 Bytes");
    EXPECT_FALSE(pane_.findChild<QLabel*>("Preview")->isVisible());
}

}  // namespace
}  // namespace pixmarl
