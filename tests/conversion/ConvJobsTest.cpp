#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "conversion/ConvJobs.h"
#include "platform/Paths.h"
#include "support/EventWait.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

// A job over files of a temporary folder, with what it reported in order: "L name" loading,
// "S name" saving, "E text" errors, "F" the end.
class ConvJobsTest : public testing::Test {
protected:
    QString Bmp(const QString& name, QColor color = Qt::red)
    {
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(color);
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    std::vector<TConvertPair> ToJpeg(const QStringList& sources)
    {
        std::vector<TConvertPair> pairs;
        for (const QString& source : sources)
            pairs.push_back(
                {source, dir_.filePath(ExtractFileName(source).replace(".bmp", ".JPG"))});
        return pairs;
    }
    std::unique_ptr<TConvertJob> Make(std::vector<TConvertPair> pairs, TImageFormat format = ifJPEG)
    {
        TConvertJobEvents events;
        events.OnLoading = [this](const QString& name) { log_ << "L " + name; };
        events.OnSaving = [this](const QString& name) { log_ << "S " + name; };
        events.OnError = [this](const QString& text) { log_ << "E " + text; };
        events.OnFinished = [this] { log_ << "F"; };
        return std::make_unique<TConvertJob>(std::move(pairs), format, TConvertOptions{}, events);
    }
    void RunToEnd(TConvertJob& job)
    {
        job.Start();
        ASSERT_TRUE(test::RunEventsUntil([this] { return log_.contains("F"); }, 20000));
        test::RunEventsFor(20);  // nothing may follow the end
    }
    bool Exists(const QString& name) const { return QFileInfo::exists(dir_.filePath(name)); }

    QTemporaryDir dir_;
    QStringList log_;
};

TEST_F(ConvJobsTest, ReportsEachFileInOrderAndGoesOnAfterASaveError)
{
    QStringList sources;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
        sources << Bmp(name);
    auto pairs = ToJpeg(sources);
    // A folder where c's output should go cannot be replaced by a file.
    test::MakeFolder(dir_.path(), "c.JPG");
    auto job = Make(pairs);
    RunToEnd(*job);
    EXPECT_EQ(log_, (QStringList{"L a.bmp", "S a.JPG", "L b.bmp", "S b.JPG", "L c.bmp", "S c.JPG",
                                 "E Error saving c.JPG", "L d.bmp", "S d.JPG", "F"}));
    for (const char* name : {"a.JPG", "b.JPG", "d.JPG"})
        EXPECT_EQ(QImage(dir_.filePath(name)).size(), QSize(8, 6)) << name;
}

TEST_F(ConvJobsTest, AnUnreadableSourceEndsTheJob)
{
    QStringList sources;
    for (int i = 0; i < 100; ++i) {
        const QString name = QStringLiteral("f%1.bmp").arg(i, 3, 10, QChar(u'0'));
        sources << (i == 50 ? test::WriteFile(dir_.path(), name, "BM broken") : Bmp(name));
    }
    auto job = Make(ToJpeg(sources));
    RunToEnd(*job);
    ASSERT_EQ(log_.size(), 50 * 2 + 3);
    EXPECT_EQ(log_.mid(100), (QStringList{"L f050.bmp", "E Error loading f050.bmp", "F"}));
    EXPECT_TRUE(Exists("f049.JPG"));
    EXPECT_FALSE(Exists("f050.JPG"));
    EXPECT_FALSE(Exists("f051.JPG"));
}

// A source that an earlier pair writes is read after that write, as if one file followed the
// other, although later sources are otherwise decoded while the current one is saved.
TEST_F(ConvJobsTest, ASourceWrittenEarlierInTheJobIsReadAfterTheWrite)
{
    const QString x = Bmp("x.bmp", Qt::red);
    const QString y = Bmp("y.bmp", Qt::blue);
    const QString z = dir_.filePath("z.bmp");
    auto job = Make({{x, y}, {y, z}}, ifBMP);
    RunToEnd(*job);
    EXPECT_EQ(QImage(z).pixel(0, 0), qRgb(255, 0, 0));
}

}  // namespace
}  // namespace pixmarl
