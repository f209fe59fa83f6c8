// Feeds arbitrary bytes to the GIF reader, then renders and composes what it read, and checks
// that writing a read image and reading it back gives the same frames.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>

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
    try {
        quick.LoadFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const EGIFError&) {
        std::abort();  // the first frame of a readable file is readable
    }
    return 0;
}
