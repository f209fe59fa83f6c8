#include "ImgFileLoads.h"

#include <exception>

#include "display/AVIAnimate.h"
#include "gif/GIFImage.h"

namespace pixmarl {

namespace {

constexpr int kIconPreviewSide = 32;

std::shared_ptr<TGIFImage> LoadAnimatedGif(const QString& fileName)
{
    try {
        auto gif = std::make_shared<TGIFImage>();
        gif->LoadFromFile(fileName);
        if (gif->Count() > 1)
            return gif;
    } catch (const std::exception&) {  // damage after the first frame: shown still
    }
    return nullptr;
}

std::shared_ptr<TAVIImage> OpenAvi(const QString& fileName)
{
    try {
        return std::make_shared<TAVIImage>(fileName);
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

TShownImage LoadShownImage(const TShowRequest& request)
{
    TShownImage shown;
    TImageRequest load;
    load.FileName = request.FileName;
    load.Box = request.Box;
    // Shown 1:1 only the part in the window is ever drawn: decoded as the bare decode does, without
    // the wider pixels. Fitted, the picture is drawn scaled, which is quickest from 32 bits.
    load.Rgb32 = !request.Box.isEmpty();
    shown.Still = LoadImageFile(load);
    if (!shown.Still.Ok() || !request.Animation)
        return shown;
    if (shown.Still.Format == ifGIF && shown.Still.MoreFollow) {
        shown.Gif = LoadAnimatedGif(request.FileName);
    } else if (shown.Still.Format == ifAVI) {
        shown.Avi = OpenAvi(request.FileName);
        if (!shown.Avi)
            shown.Still.Image = QImage();
    }
    return shown;
}

TPreview MakePreview(const QString& fileName, QSize box)
{
    TImageRequest load;
    load.FileName = fileName;
    load.Box = box;
    load.Rgb32 = true;
    const TImageResult result = LoadImageFile(load);
    TPreview preview;
    if (!result.Ok())
        return preview;
    preview.ScaleDenom = result.ScaleDenom;
    if (result.Format == ifICO) {
        preview.ImageSize = QSize(kIconPreviewSide, kIconPreviewSide);
        preview.Preview =
            result.Image.scaled(preview.ImageSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return preview;
    }
    preview.ImageSize = result.ShownSize();
    const QSize fitted = FitSize(preview.ImageSize, box);
    if (fitted.isEmpty())
        return TPreview();
    preview.Preview =
        result.Image.size() == fitted
            ? result.Image
            : result.Image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return preview;
}

QRect ImageDestRect(QSize imageSize, QSize client, bool stretch, bool center)
{
    if (imageSize.width() <= 0 || imageSize.height() <= 0)
        return QRect();
    const QSize size = stretch ? FitSize(imageSize, client) : imageSize;
    if (size.isEmpty())
        return QRect();
    if (!center)
        return QRect(QPoint(0, 0), size);
    return QRect((client.width() - size.width()) / 2, (client.height() - size.height()) / 2,
                 size.width(), size.height());
}

}  // namespace pixmarl
