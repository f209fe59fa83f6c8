#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include <QFile>
#include <QTemporaryDir>

#include "filelist/DJPEG.h"
#include "formats/Images.h"
#include "formats/JPEGCodec.h"
#include "formats/TIFiles.h"
#include "gif/GIFImage.h"
#include "platform/AviFile.h"
#include "support/BmpBuilder.h"
#include "support/TestFiles.h"
#include "support/TiffBuilder.h"

namespace pixmarl {
namespace {

// Runs read on a thread of its own; nothing when it has not returned within a second (the thread
// is then left behind).
std::optional<bool> ReadWithinASecond(const std::function<bool()>& read)
{
    auto result = std::make_shared<std::promise<bool>>();
    std::future<bool> done = result->get_future();
    std::thread([read, result] { result->set_value(read()); }).detach();
    if (done.wait_for(std::chrono::seconds(1)) != std::future_status::ready)
        return std::nullopt;
    return done.get();
}

template <typename Image>
bool LoadsGif(const QString& path)
{
    try {
        Image().LoadFromFile(path);
        return true;
    } catch (const EGIFError&) {
        return false;
    }
}

// A FIFO or a link to /dev/zero under an image's name: opening the one blocks without a writer,
// reading the other never ends. Every reader must refuse both at once.
TEST(ThumbSources, FifosAndDevicesFailAtOnceInEveryReader)
{
    QTemporaryDir dir;
    QStringList paths;
    for (const char* ext : {"jpg", "gif", "bmp", "ico", "tif", "avi"}) {
        const QString zero = dir.filePath(QStringLiteral("z.") + ext);
        ASSERT_TRUE(QFile::link("/dev/zero", zero));
        paths << test::MakeFifo(dir.path(), QStringLiteral("p.") + ext) << zero;
    }
    const struct {
        const char* name;
        std::function<bool(const QString&)> read;
    } readers[] = {
        {"header",
         [](const QString& p) {
             TUniInfoRec info;
             return GetUniInfo(p, FileNameToFormat(p), info);
         }},
        {"thumbnail",
         [](const QString& p) {
             return !MakeThumbnail({p, 1}, 64, {}).failed;
         }},
        {"jpeg", [](const QString& p) { return DecodeJpegFile(p, {}).Ok(); }},
        {"gif", LoadsGif<TGIFImage>},
        {"quick gif", LoadsGif<TQuickGIF>},
        {"tiff", [](const QString& p) { return !TiffToImage(p).isNull(); }},
        {"avi decoder", [](const QString& p) { return TAviFrameDecoder::Open(p) != nullptr; }},
    };
    for (const QString& path : paths)
        for (const auto& reader : readers)
            EXPECT_EQ(ReadWithinASecond([read = reader.read, path] { return read(path); }), false)
                << reader.name << " " << qPrintable(path);
}

// 6000 x 6000 colour images: as 32-bit pixels more than Qt's own allocation limit (128 MB in Qt
// 6.4), which a TIFF passed through when it was decoded by way of a BMP file.
TEST(ThumbSources, LargeBitmapsAndScansGetAThumbnail)
{
    QTemporaryDir dir;
    test::BmpParams bmp;
    bmp.width = bmp.height = 6000;
    bmp.bitCount = 16;
    bmp.bandRows = 100;
    test::TiffParams tiff;
    tiff.width = tiff.height = 6000;
    tiff.rowsPerStrip = 100;
    tiff.sharedStrips = true;
    for (const QString& path : {test::WriteFile(dir.path(), "large.bmp", test::BuildBmp(bmp)),
                                test::WriteFile(dir.path(), "large.tif", test::BuildTiff(tiff))}) {
        const TThumbResult result = MakeThumbnail({path, 1}, 64, {});
        EXPECT_FALSE(result.failed) << qPrintable(path);
        EXPECT_EQ(result.imageSize, QSize(6000, 6000));
        EXPECT_EQ(result.thumbSize, QSize(64, 64));
    }
}

}  // namespace
}  // namespace pixmarl
