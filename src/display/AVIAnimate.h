#pragma once

// Playing AVI files: TAVIImage opens a file's first video stream and hands out its frames;
// TAVIPainter plays them into a paint target with the video's frame delay.
//
// The image lives on the GUI thread, where its own decoder gives GetFrame's frames. A painter with
// doAsync opens a decoder of its own in its thread, decodes and times every frame there and hands
// the finished frames to the target's (GUI) thread, which only draws; it reads nothing of the
// image, so freeing the image only cuts it off. Opening errors are thrown as EAVIError.

#include <memory>
#include <stdexcept>

#include <QImage>
#include <QRect>
#include <QString>

#include "gif/AnimPainters.h"
#include "platform/AviFile.h"

namespace pixmarl {

class EAVIError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TAVIPainter;

class TAVIImage {
public:
    // Throws EAVIError: "Can not open AVI file." when the file is not a readable AVI file,
    // "Can not opn AVI stream." when it has no video stream that can be decoded.
    explicit TAVIImage(const QString& fileName);
    ~TAVIImage();
    TAVIImage(const TAVIImage&) = delete;
    TAVIImage& operator=(const TAVIImage&) = delete;

    // Milliseconds per frame for a stream's rate and scale: 1000 div (rate div scale), or 100 when
    // that cannot be divided or is not positive.
    static int FrameDelayFor(std::uint32_t rate, std::uint32_t scale);

    // Frame index as a 24-bit image; a null image when the decoder cannot deliver it. The last
    // frame is kept, so asking for it again costs nothing. GUI thread.
    QImage GetFrame(int index);
    int CachedFrame() const { return cachedFrame_; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    int FrameCount() const { return frameCount_; }
    int FrameDelay() const { return frameDelay_; }
    const TAviStreamInfo& StreamInfo() const { return streamInfo_; }

    // Copied into every painter started afterwards.
    TAnimPainter::TPainterEvent OnLoop;
    TAnimPainter::TPainterEvent OnEndPaint;

    // Plays into the target's rectangle (GUI thread). Nothing for an empty rectangle. A one-frame
    // video is drawn at once in the caller. With doAsync the running painter is returned (and kept
    // in the painter list); without, it runs to its end here and nothing is returned.
    std::shared_ptr<TAVIPainter> Paint(TPaintTarget* target, const QRect& rect,
                                       TDrawOptions options);
    // While locked, the painters' target rectangles may be changed.
    void LockPainters() { painters_.Lock(); }
    void UnlockPainters() { painters_.Unlock(); }
    std::vector<std::shared_ptr<TAnimPainter>> Painters() const { return painters_.Running(); }
    void PaintStop() { painters_.StopAll(); }

private:
    QString fileName_;
    std::unique_ptr<TAviFrameDecoder> decoder_;
    TAviStreamInfo streamInfo_;
    int cachedFrame_ = -1;
    QImage frameBitmap_;
    int frameCount_ = 0;
    int width_ = 0;
    int height_ = 0;
    int frameDelay_ = 100;
    TPainterList painters_;
};

// Plays the frames of a TAVIImage: passes over all frames while doAnimate and doLoop are set (one
// pass unless doLoopForever, which needs doAsync), only the first frame without doAnimate.
class TAVIPainter : public TAnimPainter {
protected:
    void Execute() override;
    bool ReadsOwner() const override { return !Async(); }

private:
    friend class TAVIImage;
    TAVIPainter(TAVIImage& image, const QString& fileName, TPaintTarget* target, const QRect& rect,
                TDrawOptions options);
    // Frame index from the painter's own decoder, or from the image's in the caller's thread; a
    // null image when it cannot be decoded.
    QImage Frame(int index);
    bool PlayPass(std::chrono::milliseconds& delay);

    TAVIImage* image_;  // used only without doAsync, in the caller
    const QString fileName_;
    std::unique_ptr<TAviFrameDecoder> decoder_;
    const int frameCount_;
    const std::chrono::milliseconds frameDelay_;
    bool painted_ = false;
};

}  // namespace pixmarl
