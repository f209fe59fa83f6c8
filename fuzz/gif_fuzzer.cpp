// Feeds arbitrary bytes to the GIF reader, then renders and composes what it read, checks that
// writing a read image and reading it back gives the same frames, and that the first frame read
// from a trickling stream is the one read from memory.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <QByteArray>
#include <QIODevice>

#include "gif/GIFImage.h"

namespace {

using pixmarl::EGIFError;
using pixmarl::TGIFImage;

// Larger screens are legal but only slow the fuzzer down; the reader's own limits are tested
// by the unit tests.
constexpr int kMaxComposedPixels = 1 << 22;
constexpr int kMaxComposedFrames = 32;

void Render(const TGIFImage& image)
{
    try {
        image.Bitmap();
    } catch (const EGIFError&) {
    }
    const QSize screen = pixmarl::TGIFComposer::ScreenSize(image);
    if (qint64(screen.width()) * screen.height() > kMaxComposedPixels)
        return;
    try {
        pixmarl::TGIFComposer composer(image);
        for (int i = 0; i < image.Count() && i < kMaxComposedFrames; ++i)
            composer.Compose(i, i % 2 == 0);
    } catch (const EGIFError&) {
    }
}

// A sequential device that gives at most a few bytes per read, so that the reader refills its
// buffer at every possible place.
class TrickleDevice : public QIODevice {
public:
    explicit TrickleDevice(const QByteArray& data) : data_(data) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* dest, qint64 max) override
    {
        const qint64 n = std::min<qint64>({max, 7, data_.size() - pos_});
        std::memcpy(dest, data_.constData() + pos_, std::size_t(n));
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray& data_;
    qint64 pos_ = 0;
};

void CheckRoundTrip(const TGIFImage& image)
{
    if (image.Version() == pixmarl::gvUnknown)
        return;
    TGIFImage again;
    again.LoadFromData(image.SaveToData());  // what we wrote must read back
    if (again.Count() != image.Count())
        std::abort();
    for (int i = 0; i < image.Count(); ++i)
        if (again.Image(i).Data() != image.Image(i).Data())
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TGIFImage image;
    try {
        image.LoadFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const EGIFError&) {
        return 0;
    }
    Render(image);
    CheckRoundTrip(image);
    pixmarl::TQuickGIF quick;
    pixmarl::TQuickGIF streamed;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TrickleDevice device(bytes);
    try {
        quick.LoadFromData(bytes);
        streamed.LoadFromStream(device);
    } catch (const EGIFError&) {
        std::abort();  // the first frame of a readable file is readable
    }
    // Reading the first frame piece by piece gives what reading it from memory gives.
    if (streamed.Count() != quick.Count() || streamed.MoreFollow() != quick.MoreFollow() ||
        (quick.Count() > 0 && streamed.Image(0).Data() != quick.Image(0).Data()))
        std::abort();
    return 0;
}
