// AVI reading costs, in the same run:
// - the header reader (AviUniInfo) over 500 small MJPEG files with sound and an index, against a
//   plain open / read 4 KiB / close of the same files;
// - the first frame of a 640 x 480 MJPEG file and of a 640 x 480 MPEG-4 file (encoded here with
//   libavcodec's MPEG-4 encoder), open to image.

#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "formats/AVIFile.h"
#include "formats/Avis.h"
#include "platform/FfmpegPtr.h"
#include "support/AviBuilder.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;
using test::AviCodec;
using test::AviParams;

constexpr int kFiles = 500;
constexpr int kRuns = 31;
constexpr int kFirstFrameRuns = 9;
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kClipFrames = 25;

bool Write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

std::vector<QString> MakeFolderOfClips(const QString& folder)
{
    AviParams params = test::MakeAviParams(AviCodec::Mjpeg, 160, 120, 10);
    params.sound = true;
    const QByteArray clip = test::BuildAvi(params);
    std::vector<QString> paths;
    for (int i = 0; i < kFiles; ++i) {
        paths.push_back(QDir(folder).filePath(QString("clip%1.avi").arg(i)));
        if (!Write(paths.back(), clip))
            return {};
    }
    return paths;
}

// The least any header reader must do: open the file, read its head, close it.
int RawHeadReads(const std::vector<QString>& paths)
{
    static char buffer[4096];
    int read = 0;
    for (const QString& path : paths) {
        std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "rbe");
        if (file == nullptr)
            continue;
        std::setvbuf(file, nullptr, _IONBF, 0);
        read += std::fread(buffer, 1, sizeof buffer, file) == sizeof buffer;
        std::fclose(file);
    }
    return read;
}

int HeaderReads(const std::vector<QString>& paths)
{
    int valid = 0;
    for (const QString& path : paths) {
        TUniInfoRec info;
        valid += AviUniInfo(path, info);
    }
    return valid;
}

// A moving gradient, kClipFrames frames of MPEG-4 part 2 without B-frames (one packet a frame).
bool EncodeMpeg4(AviParams& params)
{
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (encoder == nullptr)
        return false;
    TCodecPtr codec(avcodec_alloc_context3(encoder));
    TFramePtr frame(av_frame_alloc());
    TPacketPtr packet(av_packet_alloc());
    codec->width = kWidth;
    codec->height = kHeight;
    codec->time_base = AVRational{1, 25};
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->gop_size = 12;
    codec->max_b_frames = 0;
    codec->bit_rate = 2000000;
    if (avcodec_open2(codec.get(), encoder, nullptr) < 0)
        return false;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = kWidth;
    frame->height = kHeight;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return false;
    for (int n = 0; n <= kClipFrames; ++n) {
        if (n < kClipFrames) {
            av_frame_make_writable(frame.get());
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    frame->data[0][y * frame->linesize[0] + x] = std::uint8_t(x + y + n * 3);
            for (int y = 0; y < kHeight / 2; ++y)
                for (int x = 0; x < kWidth / 2; ++x) {
                    frame->data[1][y * frame->linesize[1] + x] = std::uint8_t(128 + y - n);
                    frame->data[2][y * frame->linesize[2] + x] = std::uint8_t(64 + x + n);
                }
            frame->pts = n;
        }
        if (avcodec_send_frame(codec.get(), n < kClipFrames ? frame.get() : nullptr) < 0)
            return false;
        while (avcodec_receive_packet(codec.get(), packet.get()) == 0) {
            params.frames.emplace_back(reinterpret_cast<const char*>(packet->data), packet->size);
            params.keyFrames.push_back((packet->flags & AV_PKT_FLAG_KEY) != 0);
            av_packet_unref(packet.get());
        }
    }
    return !params.frames.empty();
}

void TimeFirstFrame(const char* name, const QString& path)
{
    QImage bitmap;
    if (!AviFirstFrame(path, bitmap)) {
        std::printf("%s: failed\n", name);
        return;
    }
    PrintFigure(name, 1000 * MedianTime(kFirstFrameRuns, [&] { AviFirstFrame(path, bitmap); }), 2);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const std::vector<QString> paths = MakeFolderOfClips(dir.path());
    if (paths.empty() || HeaderReads(paths) != kFiles) {
        std::fprintf(stderr, "cannot prepare the clips\n");
        return 1;
    }
    // Both start from a warm page cache and take turns, so that load on the machine hits both.
    RawHeadReads(paths);
    std::vector<double> rawTimes;
    std::vector<double> infoTimes;
    for (int run = 0; run < kRuns; ++run) {
        rawTimes.push_back(TimeOnce([&] { RawHeadReads(paths); }));
        infoTimes.push_back(TimeOnce([&] { HeaderReads(paths); }));
    }
    const double raw = Median(rawTimes);
    const double info = Median(infoTimes);
    PrintFigure("aviinfo-500-files-ms", 1000 * info, 2);
    PrintFigure("raw-open-read4k-close-500-files-ms", 1000 * raw, 2);
    PrintRatio("aviinfo", "raw", info, raw);

    const QString mjpeg = dir.filePath("mjpeg640.avi");
    Write(mjpeg,
          test::BuildAvi(test::MakeAviParams(AviCodec::Mjpeg, kWidth, kHeight, kClipFrames)));
    TimeFirstFrame("first-frame-mjpeg-640x480-ms", mjpeg);

    AviParams mpeg4;
    mpeg4.width = kWidth;
    mpeg4.height = kHeight;
    mpeg4.compression = test::AviFourCC("FMP4");
    mpeg4.handler = test::AviFourCC("FMP4");
    mpeg4.rate = 25;
    if (!EncodeMpeg4(mpeg4)) {
        std::printf("first-frame-mpeg4-640x480-ms: no MPEG-4 encoder in this libavcodec\n");
        return 0;
    }
    const QString mpeg4Path = dir.filePath("mpeg4-640.avi");
    Write(mpeg4Path, test::BuildAvi(mpeg4));
    TimeFirstFrame("first-frame-mpeg4-640x480-ms", mpeg4Path);
    return 0;
}
