#include "InfoTexts.h"

#include <algorithm>
#include <array>

#include <QStringDecoder>

#include "filelist/FileListTexts.h"
#include "formats/Avis.h"
#include "formats/RdGIFH.h"
#include "formats/RdJPGH.h"
#include "formats/ReadBmpH.h"
#include "formats/TIFiles.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

const QString kUnknownTime = QStringLiteral("unknown");
const QString kNoValue = QStringLiteral("---");

QString Number(qint64 value)
{
    return QString::number(value);
}

TPropRow Row(const char* property, const QString& value)
{
    return {QLatin1String(property), value};
}

TPropRows SizeRows(qint64 width, qint64 height)
{
    return {Row("Image Width", Number(width)), Row("Image Height", Number(height))};
}

QString ComponentsText(int components)
{
    switch (components) {
    case 1:
        return QStringLiteral("1 (Grayscale)");
    case 3:
        return QStringLiteral("3 (RGB color)");
    case 4:
        return QStringLiteral("4 (CMYK color)");
    default:
        return Number(components);
    }
}

QString TiffImageTypeText(TTifImageType type)
{
    static constexpr std::array<const char*, 6> kNames = {
        "?", "Palette color", "Grayscale", "Bilevel", "RGB True Color", "CMYK",
    };
    return QLatin1String(type < kNames.size() ? kNames[type] : "?");
}

QByteArray UpToZero(const QByteArray& stored)
{
    const qsizetype zero = stored.indexOf('\0');
    return zero < 0 ? stored : stored.left(zero);
}

bool FitsLatin1(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

}  // namespace

QString FileSizeText(qint64 size, const QLocale& locale)
{
    return locale.toString(size) + QStringLiteral("  (") +
           locale.toString(double(size) / 1024.0, 'f', 1) + QStringLiteral(" KB)");
}

QString FileTimeText(std::optional<qint64> secondsSinceEpoch)
{
    return secondsSinceEpoch ? FormatFileTime(*secondsSinceEpoch) : kUnknownTime;
}

QString FileTypeText(const QString& description, const QString& ext)
{
    if (!description.isEmpty())
        return description;
    const TImageFormat format = ExtToFormat(ext);
    return format == ifUnknown ? ext : QLatin1String(FormatInfo(format).LongName);
}

QString JpegCompressionText(qint64 fileSize, const TInfoRec& info, bool withColor,
                            const QLocale& locale)
{
    // Single precision, as the ratio has always been computed.
    float size = float(info.Width) * float(info.Height);
    if (withColor) {
        size *= float(info.Components);
        if (info.DataPrecision != 0)
            size *= float(info.DataPrecision) * 0.125f;
    }
    if (size == 0.0f)
        return kNoValue;
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(double(fileSize) / double(size) * 100.0, 'f', 2) +
           QStringLiteral("% of the original size");
}

TPropRows JpegReportRows(const TInfoRec& info, qint64 fileSize, const QLocale& locale)
{
    TPropRows rows = SizeRows(info.Width, info.Height);
    rows.push_back(Row("Compression", JpegCompressionText(fileSize, info, true, locale)));
    rows.push_back(Row("...ref. to 256 col.", JpegCompressionText(fileSize, info, false, locale)));
    rows.push_back(Row("Color Components", ComponentsText(info.Components)));
    rows.push_back(Row("Data Precision", Number(info.DataPrecision)));
    rows.push_back(Row("Process", info.Process));
    rows.push_back(Row("Error", info.OK ? kNoValue : info.ErrorMsg));
    return rows;
}

TPropRows GifReportRows(const GifHeader& header)
{
    TPropRows rows = SizeRows(header.Width, header.Height);
    rows.push_back(Row("Aspect Ratio", Number(header.AspectRatio)));
    rows.push_back(Row("Bits per Pixel", Number(header.BitsPerPixel)));
    rows.push_back(Row("Version", QString::fromLatin1(header.Version)));
    return rows;
}

QString BmpColorsText(int bitCount)
{
    switch (bitCount) {
    case 1:
        return QStringLiteral("Monochrom");
    case 4:
        return QStringLiteral("16 colors or grayscale");
    case 8:
        return QStringLiteral("256 colors or grayscale");
    case 15:
        return QStringLiteral("HiColor (32K)");
    case 16:
        return QStringLiteral("HiColor (64K)");
    case 24:
        return QStringLiteral("TrueColor/RGB");
    case 32:
        return QStringLiteral("TrueColor/CMYK");
    default:
        return QStringLiteral("???");
    }
}

TPropRows BmpReportRows(const BITMAPINFOHEADER& header)
{
    TPropRows rows = SizeRows(header.biWidth, header.biHeight);
    rows.push_back(Row("Compression", header.biCompression == 0 ? QStringLiteral("none")
                                                                : Number(header.biCompression)));
    rows.push_back(Row("Bits per Pixel", Number(header.biBitCount)));
    rows.push_back(Row("Planes", Number(header.biPlanes)));
    rows.push_back(Row("Colors", BmpColorsText(header.biBitCount)));
    return rows;
}

TPropRows AviReportRows(const TAviFileInfo& file, const TAviStreamInfo& stream)
{
    TPropRows rows = SizeRows(file.dwWidth, file.dwHeight);
    rows.push_back(Row("Type", file.szFileType.left(64)));
    rows.push_back(Row("Flags", AviFlagsText(file.dwFlags)));
    rows.push_back(Row("Capabilities", AviCapsText(file.dwCaps)));
    rows.push_back(Row("Samples per sec.", AviRateText(stream)));
    rows.push_back(Row("Samples", Number(stream.dwLength)));
    rows.push_back(Row("Duration", AviDurationText(stream)));
    return rows;
}

QString TiffCompressionText(int compression, int predictor)
{
    switch (compression) {
    case 1:
        return QStringLiteral("none");
    case 2:
        return QStringLiteral("CCITT 3 1-D");
    case 3:
        return QStringLiteral("CCITT 3");
    case 4:
        return QStringLiteral("CCITT 4");
    case 5:
        return predictor == 2 ? QStringLiteral("LZW (differenced)") : QStringLiteral("LZW");
    case 6:
        return QStringLiteral("JPEG");
    case 32773:
        return QStringLiteral("Packbit");
    default:
        return QStringLiteral("?");
    }
}

TPropRows TiffReportRows(const TTifInfo& info)
{
    TPropRows rows = SizeRows(info.ImageWidth, info.ImageHeight);
    rows.push_back(Row("Compression", TiffCompressionText(info.Compression, info.Predictor)));
    rows.push_back(Row("Type", TiffImageTypeText(info.ImageType)));
    rows.push_back(Row("System", info.Intel ? QStringLiteral("Intel/IBM")
                                            : QStringLiteral("Motorola/Macintosh")));
    rows.push_back(
        Row("ICC-Profil", info.HasICCProfile ? QStringLiteral("yes") : QStringLiteral("no")));
    rows.push_back(Row("Document Name", info.DocumentName));
    rows.push_back(Row("Planar Configuration", info.PlanarConfig == 2
                                                   ? QStringLiteral("planar format (2)")
                                                   : QStringLiteral("chunky format (1)")));
    rows.push_back({});
    return rows;
}

QString ProposedFileName(const QString& name, TImageFormat format)
{
    const QString ext = ExtractFileExt(name);
    // A name that is all extension (".hidden") keeps it as its name.
    const qsizetype stem = ext.size() < name.size() ? name.size() - ext.size() : name.size();
    return name.left(stem) + QLatin1String(FormatInfo(format).DefaultExt);
}

TCheckTypeReport CheckTypeReport(const TCheckTypeFacts& facts)
{
    TCheckTypeReport report;
    if (!facts.Exists) {
        report.Lines << QStringLiteral("Die Datei existiert nicht.");
    } else if (facts.Size == 0) {
        report.Lines << QStringLiteral("Die Datei ist leer.");
    } else if (facts.Detected != ifUnknown) {
        report.Lines << QStringLiteral("The file header says that this file is a")
                     << QLatin1String(FormatInfo(facts.Detected).LongName) << QString()
                     << QStringLiteral("The file should be renamed to:")
                     << ProposedFileName(facts.Name, facts.Detected);
        report.Props = SizeRows(facts.Info.Width, facts.Info.Height);
        report.Props.push_back(
            Row("Type", TypeText(facts.Detected, facts.Info.ColorDepth, facts.Info.SubType)));
    } else if (facts.Head.left(kCheckTypeHeadSize).toUpper().contains("<HTML>")) {
        report.Lines << facts.Name + QStringLiteral(" is a HTML file.");
    } else if (facts.Size < kCheckTypeHeadSize) {
        report.Lines << QStringLiteral("The file has less than 200 Bytes and")
                     << QStringLiteral("and is probably not complete.");
    } else {
        report.Lines << QStringLiteral("Die Datei hat ein unbekanntes Format")
                     << QStringLiteral("oder ist beschädigt.");
    }
    return report;
}

QString CommentMemoText(const QByteArray& stored)
{
    QString text = JpegCommentText(UpToZero(stored));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

bool CommentIsLatin1(const QByteArray& stored)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(UpToZero(stored));
    return utf8.hasError();
}

QByteArray CommentBytes(const QString& memoText, bool latin1)
{
    QString text = memoText;
    text.replace(u'\n', QStringLiteral("\r\n"));
    return latin1 && FitsLatin1(text) ? text.toLatin1() : text.toUtf8();
}

}  // namespace pixmarl
