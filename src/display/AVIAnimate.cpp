#include "AVIAnimate.h"

#include <algorithm>
#include <climits>

namespace pixmarl {

namespace {

constexpr int kFallbackFrameDelayMs = 100;
const char* const kOpenFileError = "Can not open AVI file.";
const char* const kOpenStreamError = "Can not opn AVI stream.";

}  // namespace

TAVIImage::TAVIImage(const QString& fileName) : fileName_(fileName)
{
    TAviHeaders headers;
    switch (ReadAviHeaders(fileName, headers)) {
    case TAviParseResult::apOk:
        break;
    case TAviParseResult::apNotAvi:
        throw EAVIError(kOpenFileError);
    case TAviParseResult::apNoVideo:
        throw EAVIError(kOpenStreamError);
    }
    decoder_ = TAviFrameDecoder::Open(fileName);
    if (!decoder_)
        throw EAVIError(kOpenStreamError);
    streamInfo_ = headers.video;
    width_ = streamInfo_.rcFrame.right - streamInfo_.rcFrame.left;
    height_ = streamInfo_.rcFrame.bottom - streamInfo_.rcFrame.top;
    frameCount_ = int(std::min<std::uint32_t>(streamInfo_.dwLength, INT_MAX));
    frameDelay_ = FrameDelayFor(streamInfo_.dwRate, streamInfo_.dwScale);
    GetFrame(0);
}

TAVIImage::~TAVIImage()
{
    painters_.Shutdown();
}

int TAVIImage::FrameDelayFor(std::uint32_t rate, std::uint32_t scale)
{
    if (scale == 0 || rate / scale == 0)
        return kFallbackFrameDelayMs;
    const auto delay = 1000 / (rate / scale);
    return delay > 0 ? int(delay) : kFallbackFrameDelayMs;
}

QImage TAVIImage::GetFrame(int index)
{
    if (index != cachedFrame_) {
        frameBitmap_ = decoder_->Frame(index);
        cachedFrame_ = frameBitmap_.isNull() ? -1 : index;
    }
    return frameBitmap_;
}

std::shared_ptr<TAVIPainter> TAVIImage::Paint(TPaintTarget* target, const QRect& rect,
                                              TDrawOptions options)
{
    if (rect.isEmpty())
        return nullptr;
    if (frameCount_ == 1)
        options &= TDrawOptions(~doAsync);
    std::shared_ptr<TAVIPainter> painter(new TAVIPainter(*this, fileName_, target, rect, options));
    painter->OnLoop = OnLoop;
    painter->OnEndPaint = OnEndPaint;
    return painters_.Run(painter) ? painter : nullptr;
}

TAVIPainter::TAVIPainter(TAVIImage& image, const QString& fileName, TPaintTarget* target,
                         const QRect& rect, TDrawOptions options)
    : TAnimPainter(target, rect, options),
      image_(&image),
      fileName_(fileName),
      frameCount_(image.FrameCount()),
      frameDelay_(image.FrameDelay())
{}

QImage TAVIPainter::Frame(int index)
{
    if (!Async())
        return image_->GetFrame(index);
    if (!decoder_)
        decoder_ = TAviFrameDecoder::Open(fileName_);
    return decoder_ ? decoder_->Frame(index) : QImage();
}

// One pass over the frames; false when the painter is to end (stopped, a frame that cannot be
// delivered, or only the first frame wanted).
bool TAVIPainter::PlayPass(std::chrono::milliseconds& delay)
{
    const bool animate = (DrawOptions() & doAnimate) != 0;
    for (int i = 0; i < frameCount_; ++i) {
        // The stop check comes first: in the caller an event may have freed the image.
        if (StopRequested())
            return false;
        QImage frame = Frame(i);
        if (frame.isNull() || !ShowFrame(i, std::move(frame), delay))
            return false;
        painted_ = true;
        if (!animate)
            return false;
        delay = frameDelay_;
    }
    return true;
}

void TAVIPainter::Execute()
{
    const TDrawOptions options = DrawOptions();
    const bool passes = (options & doAnimate) != 0 && (options & doLoop) != 0;
    const bool endless = Async() && (options & doLoopForever) != 0;
    int passesLeft = 1;
    std::chrono::milliseconds delay(0);
    do {
        if ((passesLeft == 0 && !endless) || StopRequested())
            return;
        if (painted_) {
            Fire(OnLoop);
            if (StopRequested())
                return;
        }
        if (!PlayPass(delay))
            return;
        if (passesLeft > 0)
            --passesLeft;
    } while (passes);
}

}  // namespace pixmarl
