// pixmarl-info: what Pixmarl sees in image files, for scripts. For each file argument one line of
// tab-separated fields: the file as given, the format by its extension, the format by its
// content, the Type text and the image size (as the browser's report shows them), and with
// --thumbnail the name of the PNG thumbnail written into that folder (made as the thumbnail grid
// makes them with the default settings) or "failed". A field without a value is "-".
//
// Exit status: 0 when every file was read (its header, or for icons the file itself, and its
// thumbnail when asked for), 1 when one was not, 2 for a wrong command line.

#include <cstdio>
#include <optional>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSet>

#include "filelist/DJPEG.h"
#include "formats/Images.h"
#include "platform/ReadOnlyFile.h"
#include "shell/Settings.h"

namespace {

using namespace pixmarl;

constexpr int kMaxThumbnailSize = 4096;

QString Field(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

// A file name on one line, whatever it holds.
QString OneLine(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20)
            c = u'?';
    }
    return text;
}

QString FormatName(TImageFormat format)
{
    return Field(QLatin1String(FormatInfo(format).ShortName));
}

TThumbOptions DefaultThumbOptions()
{
    const TSettings defaults;
    TThumbOptions options;
    options.dontSizeSmall = (defaults.ThumbOptions & toNoSizeSmall) != 0;
    options.quick = (defaults.ThumbOptions & toSpeedy) != 0;
    options.gray = (defaults.ThumbOptions & toGrayScale) != 0;
    return options;
}

// Writes PNG thumbnails into one folder under names that stay unique within the run.
class TThumbnailWriter {
public:
    TThumbnailWriter(const QString& folder, int size) : folder_(folder), size_(size) {}

    // The written file's name; empty when the thumbnail could not be made or written.
    QString Write(const QString& fileName)
    {
        const TThumbResult result =
            MakeThumbnail(TThumbRequest{fileName, ++id_}, size_, options_);
        if (result.failed)
            return {};
        const QString name = UniqueName(QFileInfo(fileName).fileName());
        QImageWriter writer(folder_.filePath(name), "png");
        if (!writer.write(result.thumbnail))
            return {};
        return name;
    }

private:
    QString UniqueName(const QString& base)
    {
        QString name = base + QStringLiteral(".png");
        for (int n = 2; used_.contains(name); ++n)
            name = base + u'-' + QString::number(n) + QStringLiteral(".png");
        used_.insert(name);
        return name;
    }

    QDir folder_;
    int size_;
    TThumbOptions options_ = DefaultThumbOptions();
    QSet<QString> used_;
    quint64 id_ = 0;
};

struct TProbe {
    QString line;
    bool read = false;
};

// The header by the extension's reader, else by the content probe's.
TProbe Probe(const QString& fileName, TThumbnailWriter* thumbnails)
{
    const TImageFormat byName = FileNameToFormat(fileName);
    TUniInfoRec byContent;
    const TImageFormat detected = DetectFormat(fileName, byContent);
    TUniInfoRec info;
    TImageFormat infoFormat = byName;
    if (!GetUniInfo(fileName, byName, info) && detected != ifUnknown) {
        info = byContent;
        infoFormat = detected;
    }
    // Icons have no header reader; an icon that can be opened counts as read.
    TProbe probe;
    probe.read = info.Valid || (byName == ifICO && TReadOnlyFile(fileName).IsOpen());
    QStringList fields = {OneLine(fileName), FormatName(byName), FormatName(detected)};
    if (info.Valid) {
        fields << Field(TypeText(infoFormat, info.ColorDepth, info.SubType).trimmed())
               << QStringLiteral("%1 x %2").arg(info.Width).arg(info.Height);
    } else {
        fields << QStringLiteral("-") << QStringLiteral("-");
    }
    if (thumbnails != nullptr) {
        const QString name = thumbnails->Write(fileName);
        fields << (name.isEmpty() ? QStringLiteral("failed") : name);
        probe.read = probe.read && !name.isEmpty();
    }
    probe.line = fields.join(u'\t');
    return probe;
}

void Describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Prints what Pixmarl sees in image files: one tab-separated line per file with the file, "
        "its format by extension and by content, its Type text and its image size, and with "
        "--thumbnail the name of the thumbnail written. Exit status 0 when every file was read."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("thumbnail"),
                      QStringLiteral("Writes a PNG thumbnail of each file into <folder>."),
                      QStringLiteral("folder")});
    parser.addOption({QStringLiteral("size"),
                      QStringLiteral("The thumbnail box in pixels (default 96)."),
                      QStringLiteral("pixels"), QStringLiteral("96")});
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("The image files."),
                                 QStringLiteral("file..."));
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "pixmarl-info: %s\n", qPrintable(message));
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pixmarl-info"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PIXMARL_VERSION));
    QCommandLineParser parser;
    Describe(parser);
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return Fail(QStringLiteral("no files given (see --help)"));
    bool sizeOk = false;
    const int size = parser.value(QStringLiteral("size")).toInt(&sizeOk);
    if (!sizeOk || size < 1 || size > kMaxThumbnailSize)
        return Fail(QStringLiteral("the size must be 1 to %1 pixels").arg(kMaxThumbnailSize));
    std::optional<TThumbnailWriter> thumbnails;
    if (parser.isSet(QStringLiteral("thumbnail"))) {
        const QString folder = parser.value(QStringLiteral("thumbnail"));
        if (!QDir().mkpath(folder))
            return Fail(QStringLiteral("cannot make the folder %1").arg(folder));
        thumbnails.emplace(folder, size);
    }

    SetImageAllocationLimit();
    bool allRead = true;
    for (const QString& file : files) {
        const TProbe probe = Probe(file, thumbnails ? &*thumbnails : nullptr);
        std::printf("%s\n", probe.line.toUtf8().constData());
        allRead = allRead && probe.read;
    }
    return allRead ? 0 : 1;
}
