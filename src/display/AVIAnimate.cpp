#include "AVIAnimate.h"

#include <algorithm>
#include <climits>
#include <thread>

#include "formats/AVIFile.h"

namespace pixmarl {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFallbackFrameDelayMs = 100;
const char* const kOpenFileError = "Can not open AVI file.";
const char* const kOpenStreamError = "Can not opn AVI stream.";

}  // namespace

TAVIImage::TAVIImage(const QString& fileName)
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
    // The painters may be waiting for a frame from the decoder: they end before it goes.
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
        frameBitmap_ = DibToBitmap(decoder_->Frame(index));
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
    std::shared_ptr<TAVIPainter> painter(new TAVIPainter(*this, target, rect, options));
    painter->OnLoop = OnLoop;
    painter->OnEndPaint = OnEndPaint;
    return painters_.Run(painter) ? painter : nullptr;
}

TAVIPainter::TAVIPainter(TAVIImage& image, TPaintTarget* target, const QRect& rect,
                         TDrawOptions options)
    : TAnimPainter(target, rect, options),
      image_(&image),
      frameCount_(image.FrameCount()),
      frameDelay_(image.FrameDelay())
{}

bool TAVIPainter::FetchFrame(int index)
{
    bool fetched = false;
    HandOver([&] {
        fetched_ = image_->GetFrame(index);
        fetched = !fetched_.isNull();
    });
    return fetched && !StopRequested();
}

bool TAVIPainter::DrawFetched()
{
    bool drawn = false;
    HandOver([&] { drawn = PaintToTarget(fetched_); });
    return drawn && !StopRequested();
}

// One pass over the frames; false when the painter is to end (stopped, a frame that cannot be
// delivered, or only the first frame wanted).
bool TAVIPainter::PlayPass(std::chrono::milliseconds& delay, Clock::time_point& last)
{
    const bool animate = (DrawOptions() & doAnimate) != 0;
    for (int i = 0; i < frameCount_; ++i) {
        if (StopRequested() || !FetchFrame(i))
            return false;
        const auto remaining =
            delay - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last);
        if (delay.count() <= 0)
            std::this_thread::yield();
        else if (remaining.count() > 0 && !WaitFor(remaining))
            return false;
        last = Clock::now();
        SetCurrentFrame(i);
        Fire(OnPaint);
        if (StopRequested() || !DrawFetched())
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
    // The caller's thread gets one event round before the first frame.
    std::chrono::milliseconds delay(Async() ? 0 : 1);
    Clock::time_point last = Clock::now();
    do {
        if ((passesLeft == 0 && !endless) || StopRequested())
            return;
        if (painted_) {
            Fire(OnLoop);
            if (StopRequested())
                return;
        }
        if (!PlayPass(delay, last))
            return;
        if (passesLeft > 0)
            --passesLeft;
    } while (passes);
}

}  // namespace pixmarl
