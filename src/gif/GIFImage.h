#pragma once

// The GIF codec: TGIFImage reads a GIF87a or GIF89a file into its header, colour maps and frames
// (each with the extension blocks in front of it), decodes every frame's LZW data into colour
// indices, renders a frame into a bitmap, composes the frames of an animation, plays them through
// painters (TGIFPainter) and writes GIF files. TQuickGIF reads only the first frame.
//
// Reading never trusts the file: every read is bounds-checked, a frame's buffer is bounded by what
// its data can describe and by kMaxDecodedBytes, and the first error ends the load with an
// EGIFError. Loading and saving may run on any thread; painting starts, and an image with painters
// is freed or changed, on the GUI thread (changing or freeing it stops its painters first).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include "gif/AnimPainters.h"

class QIODevice;

namespace pixmarl {

class EGIFError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TGIFVersion : std::uint8_t { gvUnknown, gv87a, gv89a };
enum TGIFSeverity : std::uint8_t { gsInfo, gsWarning, gsError };
using TGIFWarningEvent = std::function<void(TGIFSeverity severity, const QString& message)>;

// Decoded pixels of all frames of one image together may not exceed this.
constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t(1) << 30;
// Nor may the bytes of a composed screen (a composer holds up to three such images).
constexpr std::uint64_t kMaxCanvasBytes = std::uint64_t(1) << 28;

// Painter timing: one delay unit, the wait of a frame without a delay, the shortest wait, and the
// longest wait of a painter that runs in the caller's thread.
constexpr int kDelayUnitMs = 12;
constexpr int kDefaultDelayUnits = 10;
constexpr int kMinDelayUnits = 4;
constexpr int kMaxCallerDelayUnits = 1000;

struct TGIFHeader {
    std::array<char, 3> Signature{'G', 'I', 'F'};
    std::array<char, 3> Version{'8', '7', 'a'};
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint8_t Packed = 0;  // global table flag in bit 7, table size in bits 0-2
    std::uint8_t BackgroundColorIndex = 0;
    std::uint8_t AspectRatio = 0;
};

class TGIFColorMap {
public:
    int Count() const { return int(colors_.size()); }
    QRgb Color(int index) const { return colors_[index]; }
    void Add(QRgb color) { colors_.append(color | 0xFF000000u); }
    void Clear() { colors_.clear(); }
    const QList<QRgb>& Colors() const { return colors_; }
    // The table-size bits a file stores for this map: 2^(bits+1) entries hold every colour.
    int SizeBits() const;

private:
    QList<QRgb> colors_;
};

using TGIFGlobalColorMap = TGIFColorMap;
using TGIFLocalColorMap = TGIFColorMap;

class TGIFExtension {
public:
    virtual ~TGIFExtension() = default;
    virtual std::uint8_t Label() const = 0;
    virtual TGIFVersion Version() const { return gv89a; }
    // Appends the whole block: introducer, label, data sub-blocks and terminator.
    void SaveToStream(QByteArray& out) const;

protected:
    // The data sub-blocks after the label, with their terminator.
    virtual void SaveData(QByteArray& out) const = 0;
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0xF9;
    std::uint8_t Label() const override { return kLabel; }

    std::uint8_t Packed = 0;  // disposal in bits 2-4, user input bit 1, transparency bit 0
    std::uint16_t Delay = 0;  // hundredths of a second
    std::uint8_t TransparentColorIndex = 0;

    int Disposal() const { return (Packed >> 2) & 7; }
    void SetDisposal(int disposal)
    {
        Packed = std::uint8_t((Packed & ~0x1C) | ((disposal & 7) << 2));
    }
    bool Transparent() const { return (Packed & 1) != 0; }
    void SetTransparent(bool on) { Packed = std::uint8_t(on ? Packed | 1 : Packed & ~1); }

protected:
    void SaveData(QByteArray& out) const override;
};

class TGIFTextExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0x01;
    std::uint8_t Label() const override { return kLabel; }

    // The text grid: left, top, width, height, cell width, cell height, foreground, background.
    std::array<std::uint8_t, 12> Grid{};
    QByteArray Text;

protected:
    void SaveData(QByteArray& out) const override;
};

class TGIFCommentExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0xFE;
    std::uint8_t Label() const override { return kLabel; }

    QByteArray Text;

protected:
    void SaveData(QByteArray& out) const override;
};

class TGIFApplicationExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0xFF;
    std::uint8_t Label() const override { return kLabel; }

    QByteArray Identifier;      // 8 bytes
    QByteArray Authentication;  // 3 bytes

protected:
    void SaveData(QByteArray& out) const override;
    virtual void SaveApplicationData(QByteArray& out) const = 0;
};

// The loop extension, under the identifier NETSCAPE2.0 or ANIMEXTS1.0.
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    TGIFAppExtNSLoop();
    std::uint16_t Loops = 0;  // 0: endless

protected:
    void SaveApplicationData(QByteArray& out) const override;
};

// Any other application extension, kept with its data.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    QByteArray Data;  // the data sub-blocks' contents, joined

protected:
    void SaveApplicationData(QByteArray& out) const override;
};

using TGIFExtensionList = std::vector<std::unique_ptr<TGIFExtension>>;

class TGIFImage;

// One frame: the extension blocks in front of it and, unless the file ended the frame early, an
// image descriptor, an optional local colour map and the decoded colour indices (row by row, in
// display order also when the file stores them interlaced).
class TGIFSubImage {
public:
    explicit TGIFSubImage(const TGIFImage* owner) : owner_(owner) {}

    bool HasImage() const { return hasImage_; }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    QRect BoundsRect() const { return QRect(left_, top_, width_, height_); }
    bool Interlaced() const { return interlaced_; }
    void SetInterlaced(bool interlaced) { interlaced_ = interlaced; }

    TGIFLocalColorMap& ColorMap() { return colorMap_; }
    const TGIFLocalColorMap& ColorMap() const { return colorMap_; }
    // The local map when there is one, else the image's global map; nullptr without either.
    const TGIFColorMap* ActiveColorMap() const;

    const TGIFExtensionList& Extensions() const { return extensions_; }
    void AddExtension(std::unique_ptr<TGIFExtension> extension);
    const TGIFGraphicControlExtension* GraphicControlExtension() const;
    // The frame's loop extension, if it has one.
    const TGIFAppExtNSLoop* LoopExtension() const;

    const std::vector<std::uint8_t>& Data() const { return data_; }
    // 89a when the frame carries any extension, else 87a.
    TGIFVersion Version() const;

    // The frame as an 8-bit bitmap of its own size with its colour map (grown with black where an
    // index lies beyond the map). Throws "No global or local color table defined" or "Failed to
    // allocate memory for GIF DIB".
    QImage Bitmap() const;

private:
    friend class TGIFImage;
    friend class TGIFReader;

    const TGIFImage* owner_;
    bool hasImage_ = false;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool interlaced_ = false;
    TGIFLocalColorMap colorMap_;
    TGIFExtensionList extensions_;
    std::vector<std::uint8_t> data_;
};

using TGIFImageList = std::vector<std::unique_ptr<TGIFSubImage>>;

class TGIFPainter;

class TGIFImage {
public:
    TGIFImage();
    virtual ~TGIFImage();
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    // Replace the contents; throw EGIFError on a damaged file (the image is then empty). Only a
    // regular file is read, and no further than the size it had when opened; a stream is read
    // as far as the frames go.
    void LoadFromFile(const QString& fileName);
    void LoadFromStream(QIODevice& stream);
    void LoadFromData(const QByteArray& data);

    // Writing: throws "Unsupported GIF version" for an image without frames. A file is written
    // beside its destination and renamed over it when complete.
    QByteArray SaveToData() const;
    void SaveToStream(QIODevice& stream) const;
    void SaveToFile(const QString& fileName) const;

    // Appends a frame made from an 8-bit (or 1-bit) palette bitmap; the first frame's map becomes
    // the global map and sets the logical screen. Throws EGIFError for deeper bitmaps.
    TGIFSubImage& Add(const QImage& bitmap);
    void Clear();

    bool Empty() const { return images_.empty(); }
    int Width() const { return header_.Width; }
    int Height() const { return header_.Height; }
    int Count() const { return int(images_.size()); }
    const TGIFHeader& Header() const { return header_; }
    const TGIFGlobalColorMap& GlobalColorMap() const { return globalColorMap_; }
    const TGIFImageList& Images() const { return images_; }
    const TGIFSubImage& Image(int index) const { return *images_[index]; }
    TGIFSubImage& Image(int index) { return *images_[index]; }
    // The highest version any frame needs; gvUnknown without frames.
    TGIFVersion Version() const;
    // The colour disposal method 2 restores, shown where the composed frames are not transparent.
    QRgb BackgroundColor() const;

    // The first frame that holds an image, as its bitmap; a null image when there is none.
    QImage Bitmap() const;

    TGIFWarningEvent OnWarning;

    // Copied into every painter started afterwards.
    TAnimPainter::TPainterEvent OnStartPaint;
    TAnimPainter::TPainterEvent OnPaint;
    TAnimPainter::TPainterEvent OnLoop;
    TAnimPainter::TPainterEvent OnEndPaint;

    // Starts a painter on the target and rectangle (GUI thread). With doAsync it runs in its own
    // thread, where it composes the frames, and is returned (also kept in the painter list);
    // without, it runs to its end here and nothing is returned.
    std::shared_ptr<TGIFPainter> Paint(TPaintTarget* target, const QRect& rect,
                                       TDrawOptions options);
    void LockPainters() { painters_.Lock(); }
    void UnlockPainters() { painters_.Unlock(); }
    std::vector<std::shared_ptr<TAnimPainter>> Painters() const { return painters_.Running(); }
    void PaintStop() { painters_.StopAll(); }
    void PaintPause() { painters_.SuspendAll(); }
    void PaintResume() { painters_.ResumeAll(); }

protected:
    // Asked before each block after the first frame; false ends reading there.
    virtual bool ContinueAfterFirstFrame(std::uint8_t nextByte);

private:
    friend class TGIFReader;
    void Warning(TGIFSeverity severity, const QString& message) const;
    // Runs a reader on the emptied image; a failure leaves it empty and is thrown on.
    void Read(const std::function<void()>& read);
    void SetGlobalColorMap(const QList<QRgb>& colors);

    TGIFHeader header_;
    TGIFGlobalColorMap globalColorMap_;
    TGIFImageList images_;
    TPainterList painters_;
};

// Reads only the first frame and tells whether anything other than the trailer followed it.
class TQuickGIF : public TGIFImage {
public:
    bool MoreFollow() const { return moreFollow_; }

protected:
    bool ContinueAfterFirstFrame(std::uint8_t nextByte) override;

private:
    bool moreFollow_ = false;
};

// Composes the frames of an image on its logical screen as their disposal methods require
// (0 and 1 keep the frame, 2 clears its area to the background, 3 restores what was there before).
// Composing frame n after frame n-1 costs one frame; any other order replays from frame 0.
class TGIFComposer {
public:
    explicit TGIFComposer(const TGIFImage& image);

    // The screen after frame index: with transparent, an ARGB image in which the background is
    // transparent; otherwise an RGB image on the image's background colour. Throws EGIFError.
    QImage Compose(int index, bool transparent);

    // The size of the composed screen: the logical screen, or the first frame's extent when the
    // header gives none.
    static QSize ScreenSize(const TGIFImage& image);

private:
    void Reset();
    void Step(int index);
    void DrawFrame(const TGIFSubImage& frame);
    QImage Flattened() const;

    const TGIFImage& image_;
    QImage canvas_;
    QImage saved_;
    QRect lastRect_;
    int lastDisposal_ = 0;
    int last_ = -1;
};

// Plays the frames of a TGIFImage into a paint target: the painter's thread composes each frame
// and keeps time; the target's thread only draws.
class TGIFPainter : public TAnimPainter {
public:
    // Disposal methods of the frame handed over last and of the one before it (1 without a
    // graphic control extension).
    int Disposal() const { return disposal_.load(); }
    int PreviousDisposal() const { return previousDisposal_.load(); }

    // The wait after a frame, in delay units, for a painter with the given options.
    static int FrameDelayUnits(const TGIFSubImage& frame, TDrawOptions options);

protected:
    void Execute() override;

private:
    friend class TGIFImage;
    struct FrameTiming {
        bool hasImage;
        int delayUnits;
        int loops;  // -1 without a loop extension
        int disposal;
    };

    TGIFPainter(const TGIFImage& image, TPaintTarget* target, const QRect& rect,
                TDrawOptions options);
    // The screen after frame index; false when it cannot be shown.
    bool Compose(int index, QImage& screen);

    const TGIFImage& image_;  // read by the painter's thread; the image waits for its end
    std::unique_ptr<TGIFComposer> composer_;
    std::vector<FrameTiming> frames_;
    std::atomic<int> disposal_{1};
    std::atomic<int> previousDisposal_{1};
};

}  // namespace pixmarl
