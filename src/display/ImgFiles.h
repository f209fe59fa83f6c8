#pragma once

// TImageFile, the control that shows one image file: at its own size or fitted to the control
// (Stretch), centred or at the top left, with the rest of the control in Color. Animated GIF and
// AVI files are played by a painter (GIF: once through; AVI: once) that draws into the control;
// when it ends the first frame shows again.
//
// Loading never holds up the GUI thread: setting FileName starts a load on the control's worker
// and OnGetImageSize follows when the picture (or the failure) is there; meanwhile the last
// picture stays on screen. A newer FileName supersedes a load still under way. A fitted JPEG is
// decoded at the reduced scale that still covers its room (SetFitRoom, else the control's size),
// and decoded again at a finer scale when it is later shown larger or 1:1. A picture drawn smaller
// or larger than it was decoded is scaled smoothly on a second worker; until that arrives it is
// drawn scaled quickly.
//
// GUI thread only. Owns its picture, the animation objects and their painters; freeing the
// control stops the painters first.

#include <memory>

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include "display/ImgFileLoads.h"
#include "formats/Images.h"
#include "platform/Workers.h"

class QPainter;
class QTimer;

namespace pixmarl {

class TAnimPainter;

class TImageFile : public QWidget {
    Q_OBJECT
public:
    explicit TImageFile(QWidget* parent = nullptr);
    ~TImageFile() override;

    // Loads and shows a file; the same name again (exactly: names are case-sensitive) does
    // nothing, an empty name shows nothing.
    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& fileName);

    bool Center() const { return center_; }
    void SetCenter(bool center);
    // When switched on with a picture loaded, and after each load, the control takes the image's
    // size.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    // Fit the image to the control, keeping its aspect ratio.
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    // The room a fitted picture will get (the owner may grow the control to it after the load);
    // empty: the control's size.
    void SetFitRoom(QSize room) { fitRoom_ = room; }

    TImageFormat Format() const { return format_; }
    // The image's own size (upright), 0 x 0 while loading and after a failed load.
    int ImageWidth() const { return imageWidth_; }
    int ImageHeight() const { return imageHeight_; }
    bool Empty() const { return empty_; }
    bool Animated() const { return animated_; }
    // 0 no animation, 1 ready to start at the next paint, 2 painter running, 3 painter finished.
    int PainterState() const { return painterState_; }
    std::shared_ptr<TAnimPainter> Painter() const { return painter_.lock(); }
    bool Loading() const { return loading_; }
    // The picture as decoded: fitted (Stretch) a JPEG may be at a reduced scale; without Stretch
    // it is the whole image at its own size (what the clipboard takes).
    const QImage& Bitmap() const { return bitmap_; }
    // Where the image is drawn, in the control's coordinates; empty when nothing is shown.
    QRect DestRect() const;

signals:
    // After every load, successful or not.
    void OnGetImageSize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class TTarget;
    struct TScaleJob {
        QImage Source;
        QSize Size;
    };

    void ResetImage();
    void StartLoad(bool refine);
    void Loaded(const TShownImage& shown, quint64 generation);
    void ApplyRefined(const TShownImage& shown);
    void HookEndPaint();
    void StartPainter(const QRect& dest);
    void EndPaint();
    void ShowFrame(const QImage& frame, const QRect& rect);
    void MoveAnimation();
    QSize LoadBox() const;
    bool NeedsFinerDecode() const;
    void CheckDecodeScale();
    void DrawPicture(QPainter& painter, const QRect& dest);
    void RequestScaled(QSize size);
    void Scaled(const QImage& image, quint64 generation);

    QString fileName_;
    bool center_ = false;
    bool autoSize_ = false;
    bool stretch_ = false;
    QColor color_;
    QSize fitRoom_;

    TImageFormat format_ = ifUnknown;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    bool empty_ = true;
    bool animated_ = false;
    int painterState_ = 0;
    int scaleDenom_ = 1;  // the bitmap holds the image at 1/scaleDenom
    QImage bitmap_;
    QImage scaled_;      // bitmap_ scaled smoothly for the destination (device pixels)
    QSize scaleAsked_;   // the size of the scaling under way
    QImage stillImage_;  // the last picture, shown while the next one loads
    QRect stillRect_;
    QImage frame_;  // the animation's latest frame
    QRect frameRect_;
    std::shared_ptr<TGIFImage> gif_;
    std::shared_ptr<TAVIImage> avi_;
    std::weak_ptr<TAnimPainter> painter_;
    TTarget* target_ = nullptr;

    bool loading_ = false;
    bool refining_ = false;
    quint64 loadGeneration_ = 0;
    quint64 scaleGeneration_ = 0;
    QTimer* decodeCheck_ = nullptr;  // a finer decode once a resize has settled
    std::unique_ptr<TRequestWorker<TShowRequest, TShownImage>> loader_;
    std::unique_ptr<TRequestWorker<TScaleJob, QImage>> scaler_;
};

}  // namespace pixmarl
