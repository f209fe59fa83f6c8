// Renders the application icon's SVG into the PNG sizes of the hicolor theme at build time, so
// the repository holds only the drawing.
// Usage: pixmarl_render_icon <icon.svg> <out-dir> <size>...   writes <out-dir>/<size>.png

#include <cstdio>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

namespace {

bool RenderPng(QSvgRenderer& svg, int size, const QString& fileName)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    return image.save(fileName, "PNG");
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <icon.svg> <out-dir> <size>...\n", argv[0]);
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        const QString fileName = out.filePath(QStringLiteral("%1.png").arg(size));
        if (!ok || size <= 0 || !RenderPng(svg, size, fileName)) {
            std::fprintf(stderr, "%s: cannot write size %s\n", argv[0], argv[i]);
            return 1;
        }
    }
    return 0;
}
