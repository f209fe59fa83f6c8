#include "Artwork.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void InitArtResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(pixmarl);
        return true;
    }();
    (void)done;
}

namespace pixmarl {

namespace {

struct TArtEntry {
    const char* file;
    std::initializer_list<const char*> themeNames;
};

const TArtEntry& Entry(TArt art)
{
    static const std::array<TArtEntry, 11> kEntries = {{
        {"back", {"go-previous"}},
        {"forward", {"go-next"}},
        {"up", {"go-up"}},
        {"view", {"image-x-generic"}},
        {"slideshow", {"view-presentation", "x-office-presentation"}},
        {"delete", {"edit-delete"}},
        {"properties", {"document-properties"}},
        {"goto", {"go-jump"}},
        {"list", {"view-list-text", "view-list-compact"}},
        {"report", {"view-list-details"}},
        {"thumbnails", {"view-list-icons", "view-grid"}},
    }};
    return kEntries[size_t(art)];
}

QString ArtPath(const char* file)
{
    InitArtResources();
    return QStringLiteral(":/pixmarl/art/%1.svg").arg(QLatin1String(file));
}

// Whether an icon is drawn in one colour (then it is tinted): fewer than 5 % of its visible
// pixels have a noticeable hue.
bool IsMonochrome(const QIcon& icon)
{
    const QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    int visible = 0;
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            if (qAlpha(p) < 64)
                continue;
            ++visible;
            const int hi = std::max({qRed(p), qGreen(p), qBlue(p)});
            const int lo = std::min({qRed(p), qGreen(p), qBlue(p)});
            coloured += hi - lo > 40 ? 1 : 0;
        }
    }
    return coloured * 20 <= visible;
}

QColor Blend(const QColor& a, const QColor& b, qreal t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

void Tint(QImage& image, const QColor& colour)
{
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour);
}

void Grey(QImage& image)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int g = qGray(line[x]);
            line[x] = qRgba(g, g, g, qAlpha(line[x]) * 3 / 4);
        }
    }
}

// Draws a source icon tinted (monochrome) or greyed (cold and coloured), at the painter's
// device pixel ratio, in the palette's colours of the moment.
class TArtIconEngine : public QIconEngine {
public:
    TArtIconEngine(QIcon source, bool monochrome, bool cold)
        : source_(std::move(source)), monochrome_(monochrome), cold_(cold)
    {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        painter->drawPixmap(rect, Render(rect.size() * dpr, mode, state, dpr));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Render(size, mode, state, 1.0);
    }

    // QIcon asks with the size in device pixels.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return Render(size, mode, state, scale);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new TArtIconEngine(*this); }
    QString key() const override { return QStringLiteral("pixmarl-art"); }

private:
    QPixmap Render(QSize deviceSize, QIcon::Mode mode, QIcon::State state, qreal dpr) const
    {
        QImage image = source_.pixmap(deviceSize, 1.0, monochrome_ ? QIcon::Normal : mode, state)
                           .toImage()
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (monochrome_)
            Tint(image, Colour(mode));
        else if (cold_ && mode != QIcon::Disabled)
            Grey(image);
        image.setDevicePixelRatio(dpr);
        return QPixmap::fromImage(std::move(image));
    }

    QColor Colour(QIcon::Mode mode) const
    {
        const QPalette palette = QGuiApplication::palette();
        if (mode == QIcon::Disabled)
            return palette.color(QPalette::Disabled, QPalette::ButtonText);
        const QColor text = palette.color(QPalette::ButtonText);
        return cold_ ? Blend(text, palette.color(QPalette::Button), 0.45) : text;
    }

    QIcon source_;
    bool monochrome_;
    bool cold_;
};

QIcon SourceIcon(TArt art)
{
    for (const char* name : Entry(art).themeNames) {
        const QString themeName = QLatin1String(name);
        if (QIcon::hasThemeIcon(themeName))
            return QIcon::fromTheme(themeName);
    }
    return QIcon(ArtPath(Entry(art).file));
}

QIcon MakeIcon(const QIcon& source, bool cold)
{
    return QIcon(new TArtIconEngine(source, IsMonochrome(source), cold));
}

}  // namespace

QIcon ArtIcon(TArt art)
{
    return MakeIcon(SourceIcon(art), false);
}

QIcon ColdArtIcon(TArt art)
{
    return MakeIcon(SourceIcon(art), true);
}

QIcon OwnArtIcon(TArt art)
{
    return MakeIcon(QIcon(ArtPath(Entry(art).file)), false);
}

QIcon ProgramIcon()
{
    InitArtResources();
    return QIcon::fromTheme(QStringLiteral("org.pixmarl.Pixmarl"),
                            QIcon(QStringLiteral(":/pixmarl/app.svg")));
}

QPixmap OverwritePicture(int edge, qreal devicePixelRatio)
{
    return QIcon(ArtPath("overwrite")).pixmap(QSize(edge, edge), devicePixelRatio);
}

QImage LogoStrip(qreal devicePixelRatio)
{
    const QSize size(96, 23);
    QImage strip = QIcon(ArtPath("logo"))
                       .pixmap(size, devicePixelRatio)
                       .toImage()
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    strip.setDevicePixelRatio(devicePixelRatio);
    return strip;
}

}  // namespace pixmarl
