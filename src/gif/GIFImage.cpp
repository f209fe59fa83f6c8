#include "GIFImage.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>

#include <QBuffer>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>

#include "gif/GIFLzw.h"
#include "platform/ReadOnlyFile.h"

namespace pixmarl {

namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr int kMaxSubBlock = 255;

const char* const kPrematureEnd = "Premature end of data";
const char* const kInvalidData = "Invalid GIF data";
const char* const kNoColorTable = "No global or local color table defined";
const char* const kNoDibMemory = "Failed to allocate memory for GIF DIB";

[[noreturn]] void Fail(const char* text)
{
    throw EGIFError(text);
}

// A bounds-checked cursor over the file's bytes; reading past the end is "Premature end of data".
// Over a device it reads ahead in chunks and drops what has been read, so reading only the first
// frame of a large file costs only that frame. A pointer from Bytes stays valid until the next
// call.
class ByteReader {
public:
    explicit ByteReader(const QByteArray& data) : buffer_(data) { Sync(); }
    // Reads at most limit bytes of device.
    ByteReader(QIODevice& device, qint64 limit) : device_(&device), left_(limit) { Sync(); }

    bool AtEnd() { return pos_ >= size_ && !Refill(1); }
    std::uint8_t Peek()
    {
        if (AtEnd())
            Fail(kPrematureEnd);
        return data_[pos_];
    }
    std::uint8_t Byte()
    {
        const std::uint8_t b = Peek();
        ++pos_;
        return b;
    }
    std::uint16_t Word()
    {
        const std::uint8_t lo = Byte();
        return std::uint16_t(lo | (Byte() << 8));
    }
    const std::uint8_t* Bytes(std::size_t count)
    {
        if (count > size_ - pos_ && !Refill(count))
            Fail(kPrematureEnd);
        const std::uint8_t* p = data_ + pos_;
        pos_ += count;
        return p;
    }
    // Steps back over the byte just read.
    void Back() { --pos_; }

    // A chain of data sub-blocks up to its 0 terminator, joined. The chain ends with the data.
    void SubBlocks(QByteArray& out)
    {
        for (std::uint8_t size = Byte(); size != 0; size = Byte())
            out.append(reinterpret_cast<const char*>(Bytes(size)), size);
    }
    void SkipSubBlocks()
    {
        for (std::uint8_t size = Byte(); size != 0; size = Byte())
            Bytes(size);
    }

private:
    static constexpr qint64 kChunk = 64 * 1024;

    void Sync()
    {
        data_ = reinterpret_cast<const std::uint8_t*>(buffer_.constData());
        size_ = std::size_t(buffer_.size());
    }

    // Makes count bytes from the position on available; false when the device has no more.
    bool Refill(std::size_t count)
    {
        if (device_ == nullptr)
            return false;
        // The byte before the position stays for Back.
        const std::size_t keep = std::min<std::size_t>(pos_, 1);
        buffer_.remove(0, qsizetype(pos_ - keep));
        pos_ = keep;
        while (std::size_t(buffer_.size()) - pos_ < count && left_ > 0) {
            const qint64 missing = qint64(count - (std::size_t(buffer_.size()) - pos_));
            const qint64 want = std::min(left_, std::max(missing, kChunk));
            const qsizetype had = buffer_.size();
            buffer_.resize(had + qsizetype(want));
            const qint64 got = device_->read(buffer_.data() + had, want);
            buffer_.resize(had + qsizetype(std::max<qint64>(got, 0)));
            left_ = got > 0 ? left_ - got : 0;
        }
        Sync();
        return count <= size_ - pos_;
    }

    QByteArray buffer_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    QIODevice* device_ = nullptr;
    qint64 left_ = 0;
};

void PutWord(QByteArray& out, int value)
{
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void PutSubBlocks(QByteArray& out, const char* data, qsizetype size)
{
    for (qsizetype pos = 0; pos < size; pos += kMaxSubBlock) {
        const qsizetype chunk = std::min<qsizetype>(kMaxSubBlock, size - pos);
        out.append(char(chunk)).append(data + pos, chunk);
    }
    out.append('\0');
}

void PutColorMap(QByteArray& out, const TGIFColorMap& map)
{
    const int entries = 2 << map.SizeBits();
    for (int i = 0; i < entries; ++i) {
        const QRgb c = i < map.Count() ? map.Color(i) : 0;
        out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
}

// Row y of the file's order is display row InterlacedRow(y): rows 0, 8, 16, ... then 4, 12, ...,
// then 2, 6, ..., then 1, 3, ...
std::vector<int> InterlacedRowOrder(int height)
{
    std::vector<int> order;
    order.reserve(std::size_t(height));
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            order.push_back(y);
    return order;
}

bool IsLoopIdentifier(const QByteArray& id)
{
    return id == "NETSCAPE2.0" || id == "ANIMEXTS1.0";
}

}  // namespace

// Reads a whole file into an image, following the block loop of the format.
class TGIFReader {
public:
    TGIFReader(TGIFImage& image, const QByteArray& data) : image_(image), in_(data) {}
    TGIFReader(TGIFImage& image, QIODevice& device, qint64 limit)
        : image_(image), in_(device, limit)
    {}

    void Read()
    {
        ReadHeader();
        ReadFrames();
    }

private:
    void ReadHeader();
    void ReadColorMap(TGIFColorMap& map, int sizeBits);
    void ReadFrames();
    void ReadFrame(TGIFSubImage& frame);
    std::unique_ptr<TGIFExtension> ReadExtension();
    std::unique_ptr<TGIFExtension> ReadGraphicControl();
    std::unique_ptr<TGIFExtension> ReadText();
    std::unique_ptr<TGIFExtension> ReadComment();
    std::unique_ptr<TGIFExtension> ReadApplication();
    void ReadDescriptor(TGIFSubImage& frame);
    void ReadImageData(TGIFSubImage& frame);

    TGIFImage& image_;
    ByteReader in_;
    std::uint64_t decodedBytes_ = 0;
};

void TGIFReader::ReadHeader()
{
    TGIFHeader& h = image_.header_;
    const std::uint8_t* id = in_.Bytes(6);
    for (int i = 0; i < 3; ++i) {
        h.Signature[i] = char(id[i]);
        h.Version[i] = char(id[3 + i]);
    }
    if (QByteArray(h.Signature.data(), 3).toUpper() != "GIF")
        Fail("Invalid GIF signature");
    h.Width = in_.Word();
    h.Height = in_.Word();
    h.Packed = in_.Byte();
    h.BackgroundColorIndex = in_.Byte();
    h.AspectRatio = in_.Byte();
    if ((h.Packed & 0x80) != 0)
        ReadColorMap(image_.globalColorMap_, h.Packed & 7);
}

void TGIFReader::ReadColorMap(TGIFColorMap& map, int sizeBits)
{
    const int count = 2 << sizeBits;
    const std::uint8_t* rgb = in_.Bytes(std::size_t(count) * 3);
    map.Clear();
    for (int i = 0; i < count; ++i)
        map.Add(qRgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]));
}

void TGIFReader::ReadFrames()
{
    while (!in_.AtEnd()) {
        const std::uint8_t b = in_.Byte();
        if (b == 0)
            continue;
        if (b == kTrailer) {
            in_.Back();
            return;
        }
        if (!image_.images_.empty() && !image_.ContinueAfterFirstFrame(b))
            return;
        if (b != kExtensionIntroducer && b != kImageSeparator) {
            image_.Warning(gsWarning, "Unknown GIF block type");
            return;
        }
        in_.Back();
        image_.images_.push_back(std::make_unique<TGIFSubImage>(&image_));
        ReadFrame(*image_.images_.back());
    }
}

void TGIFReader::ReadFrame(TGIFSubImage& frame)
{
    for (;;) {
        const std::uint8_t next = in_.Peek();
        if (next == kTrailer || next == 0)
            return;
        if (next == kImageSeparator)
            break;
        frame.extensions_.push_back(ReadExtension());
    }
    ReadDescriptor(frame);
    ReadImageData(frame);
}

std::unique_ptr<TGIFExtension> TGIFReader::ReadExtension()
{
    if (in_.Byte() != kExtensionIntroducer)
        Fail("Invalid extension introducer");
    switch (in_.Byte()) {
    case TGIFGraphicControlExtension::kLabel:
        return ReadGraphicControl();
    case TGIFTextExtension::kLabel:
        return ReadText();
    case TGIFCommentExtension::kLabel:
        return ReadComment();
    case TGIFApplicationExtension::kLabel:
        return ReadApplication();
    default:
        Fail("Unknown extension type");
    }
}

// The fields live in the first sub-block; a short block leaves the missing fields 0, further
// sub-blocks are skipped.
std::unique_ptr<TGIFExtension> TGIFReader::ReadGraphicControl()
{
    QByteArray block;
    in_.SubBlocks(block);
    block.resize(std::max<qsizetype>(block.size(), 4), '\0');
    auto gce = std::make_unique<TGIFGraphicControlExtension>();
    gce->Packed = std::uint8_t(block[0]);
    gce->Delay = std::uint16_t(std::uint8_t(block[1]) | (std::uint8_t(block[2]) << 8));
    gce->TransparentColorIndex = std::uint8_t(block[3]);
    return gce;
}

std::unique_ptr<TGIFExtension> TGIFReader::ReadText()
{
    auto text = std::make_unique<TGIFTextExtension>();
    const std::uint8_t size = in_.Byte();
    const std::uint8_t* grid = in_.Bytes(size);
    std::copy_n(grid, std::min<std::size_t>(size, text->Grid.size()), text->Grid.begin());
    in_.SubBlocks(text->Text);
    return text;
}

std::unique_ptr<TGIFExtension> TGIFReader::ReadComment()
{
    auto comment = std::make_unique<TGIFCommentExtension>();
    in_.SubBlocks(comment->Text);
    return comment;
}

std::unique_ptr<TGIFExtension> TGIFReader::ReadApplication()
{
    const std::uint8_t size = in_.Byte();
    if (size < 10)
        Fail("Unsupported Application Extension block size");
    const std::uint8_t* block = in_.Bytes(size);
    const QByteArray identifier(reinterpret_cast<const char*>(block), 8);
    QByteArray authentication(reinterpret_cast<const char*>(block + 8), 3);
    if (size == 10)
        authentication[2] = '\0';
    std::unique_ptr<TGIFApplicationExtension> ext;
    if (IsLoopIdentifier(identifier + authentication)) {
        auto loop = std::make_unique<TGIFAppExtNSLoop>();
        if (in_.Byte() != 3 || in_.Byte() != 1)
            Fail(kInvalidData);
        loop->Loops = in_.Word();
        if (in_.Byte() != 0)
            Fail(kInvalidData);
        ext = std::move(loop);
    } else {
        auto unknown = std::make_unique<TGIFUnknownAppExtension>();
        in_.SubBlocks(unknown->Data);
        ext = std::move(unknown);
    }
    ext->Identifier = identifier;
    ext->Authentication = authentication;
    return ext;
}

void TGIFReader::ReadDescriptor(TGIFSubImage& frame)
{
    in_.Byte();  // the separator, seen by the caller
    frame.left_ = in_.Word();
    frame.top_ = in_.Word();
    frame.width_ = in_.Word();
    frame.height_ = in_.Word();
    const std::uint8_t packed = in_.Byte();
    frame.interlaced_ = (packed & 0x40) != 0;
    if (frame.width_ == 0 || frame.height_ == 0) {
        frame.width_ = image_.Width();
        frame.height_ = image_.Height();
        image_.Warning(gsWarning, "Image exceeds Logical Screen size");
    }
    if ((packed & 0x80) != 0)
        ReadColorMap(frame.colorMap_, packed & 7);
}

void TGIFReader::ReadImageData(TGIFSubImage& frame)
{
    const int minCodeSize = in_.Byte();
    QByteArray data;
    in_.SubBlocks(data);
    // Codes are at most 12 bits and pixels one byte.
    if (minCodeSize < 1 || minCodeSize > 8)
        Fail(kInvalidData);
    const std::uint64_t pixels = std::uint64_t(frame.width_) * std::uint64_t(frame.height_);
    decodedBytes_ += pixels;
    if (decodedBytes_ > kMaxDecodedBytes)
        Fail(kNoDibMemory);
    // A frame larger than its data can describe fails in the decoder: never allocate for it.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    const std::size_t room =
        std::size_t(std::min(pixels, LzwMaxPixels(std::size_t(data.size()), minCodeSize)));
    std::vector<std::uint8_t> decoded(room);
    TLzwResult result =
        LzwDecode(bytes, std::size_t(data.size()), minCodeSize, decoded.data(), room);
    if (result == TLzwResult::Complete && room < pixels)
        result = TLzwResult::BitUnderRun;
    switch (result) {
    case TLzwResult::Complete:
        break;
    case TLzwResult::EndOfData:
        Fail(kPrematureEnd);
    case TLzwResult::BitUnderRun:
        Fail("Decoder bit buffer under-run");
    case TLzwResult::CircularEntry:
        Fail("Circular decoder table entry");
    }
    frame.hasImage_ = true;
    if (!frame.interlaced_ || decoded.empty()) {
        frame.data_ = std::move(decoded);
        return;
    }
    frame.data_.resize(decoded.size());
    const std::size_t width = std::size_t(frame.width_);
    const std::vector<int> order = InterlacedRowOrder(frame.height_);
    for (std::size_t y = 0; y < order.size(); ++y)
        std::memcpy(frame.data_.data() + std::size_t(order[y]) * width, decoded.data() + y * width,
                    width);
}

int TGIFColorMap::SizeBits() const
{
    int bits = 0;
    while ((2 << bits) < Count() && bits < 7)
        ++bits;
    return bits;
}

void TGIFExtension::SaveToStream(QByteArray& out) const
{
    out.append(char(kExtensionIntroducer)).append(char(Label()));
    SaveData(out);
}

void TGIFGraphicControlExtension::SaveData(QByteArray& out) const
{
    out.append(char(4)).append(char(Packed));
    PutWord(out, Delay);
    out.append(char(TransparentColorIndex)).append('\0');
}

void TGIFTextExtension::SaveData(QByteArray& out) const
{
    out.append(char(Grid.size()))
        .append(reinterpret_cast<const char*>(Grid.data()), qsizetype(Grid.size()));
    PutSubBlocks(out, Text.constData(), Text.size());
}

void TGIFCommentExtension::SaveData(QByteArray& out) const
{
    PutSubBlocks(out, Text.constData(), Text.size());
}

void TGIFApplicationExtension::SaveData(QByteArray& out) const
{
    out.append(char(11));
    out.append(Identifier.leftJustified(8, '\0', true));
    out.append(Authentication.leftJustified(3, '\0', true));
    SaveApplicationData(out);
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop()
{
    Identifier = "NETSCAPE";
    Authentication = "2.0";
}

void TGIFAppExtNSLoop::SaveApplicationData(QByteArray& out) const
{
    out.append(char(3)).append(char(1));
    PutWord(out, Loops);
    out.append('\0');
}

void TGIFUnknownAppExtension::SaveApplicationData(QByteArray& out) const
{
    PutSubBlocks(out, Data.constData(), Data.size());
}

const TGIFColorMap* TGIFSubImage::ActiveColorMap() const
{
    if (colorMap_.Count() > 0)
        return &colorMap_;
    if (owner_ != nullptr && owner_->GlobalColorMap().Count() > 0)
        return &owner_->GlobalColorMap();
    return nullptr;
}

void TGIFSubImage::AddExtension(std::unique_ptr<TGIFExtension> extension)
{
    extensions_.push_back(std::move(extension));
}

const TGIFGraphicControlExtension* TGIFSubImage::GraphicControlExtension() const
{
    for (const auto& ext : extensions_)
        if (ext->Label() == TGIFGraphicControlExtension::kLabel)
            return static_cast<const TGIFGraphicControlExtension*>(ext.get());
    return nullptr;
}

const TGIFAppExtNSLoop* TGIFSubImage::LoopExtension() const
{
    for (const auto& ext : extensions_)
        if (auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(ext.get()))
            return loop;
    return nullptr;
}

TGIFVersion TGIFSubImage::Version() const
{
    TGIFVersion version = gv87a;
    for (const auto& ext : extensions_)
        version = std::max(version, ext->Version());
    return version;
}

QImage TGIFSubImage::Bitmap() const
{
    const TGIFColorMap* map = ActiveColorMap();
    if (map == nullptr)
        Fail(kNoColorTable);
    QImage bitmap(width_, height_, QImage::Format_Indexed8);
    if (bitmap.isNull())
        Fail(kNoDibMemory);
    QList<QRgb> colors = map->Colors();
    const std::uint8_t highest = data_.empty() ? 0 : *std::max_element(data_.begin(), data_.end());
    while (colors.size() <= highest)
        colors.append(qRgb(0, 0, 0));
    bitmap.setColorTable(colors);
    for (int y = 0; y < height_; ++y)
        std::memcpy(bitmap.scanLine(y), data_.data() + std::size_t(y) * std::size_t(width_),
                    std::size_t(width_));
    return bitmap;
}

TGIFImage::TGIFImage() = default;

TGIFImage::~TGIFImage()
{
    painters_.Shutdown();
}

void TGIFImage::Clear()
{
    painters_.Shutdown();
    header_ = TGIFHeader();
    globalColorMap_.Clear();
    images_.clear();
}

void TGIFImage::LoadFromData(const QByteArray& data)
{
    Read([&] { TGIFReader(*this, data).Read(); });
}

void TGIFImage::LoadFromStream(QIODevice& stream)
{
    // A file is read no further than the size it has now.
    const qint64 limit = stream.isSequential() ? std::numeric_limits<qint64>::max()
                                               : std::max<qint64>(stream.size() - stream.pos(), 0);
    Read([&] { TGIFReader(*this, stream, limit).Read(); });
}

void TGIFImage::LoadFromFile(const QString& fileName)
{
    QFile file;
    if (!OpenReadOnly(file, fileName, QIODevice::Unbuffered)) {
        Clear();
        throw EGIFError(QStringLiteral("Cannot open %1").arg(fileName).toStdString());
    }
    LoadFromStream(file);
}

void TGIFImage::Read(const std::function<void()>& read)
{
    Clear();
    try {
        read();
    } catch (...) {
        Clear();
        throw;
    }
}

bool TGIFImage::ContinueAfterFirstFrame(std::uint8_t)
{
    return true;
}

bool TQuickGIF::ContinueAfterFirstFrame(std::uint8_t)
{
    moreFollow_ = true;
    return false;
}

void TGIFImage::Warning(TGIFSeverity severity, const QString& message) const
{
    if (OnWarning)
        OnWarning(severity, message);
}

TGIFVersion TGIFImage::Version() const
{
    TGIFVersion version = gvUnknown;
    for (const auto& frame : images_)
        version = std::max(version, frame->Version());
    return version;
}

QRgb TGIFImage::BackgroundColor() const
{
    if (header_.BackgroundColorIndex < globalColorMap_.Count())
        return globalColorMap_.Color(header_.BackgroundColorIndex);
    return qRgb(0, 0, 0);
}

QImage TGIFImage::Bitmap() const
{
    for (const auto& frame : images_)
        if (frame->HasImage())
            return frame->Bitmap();
    return QImage();
}

void TGIFImage::SetGlobalColorMap(const QList<QRgb>& colors)
{
    globalColorMap_.Clear();
    for (QRgb c : colors)
        globalColorMap_.Add(c);
    header_.Packed =
        std::uint8_t(0x80 | (globalColorMap_.SizeBits() << 4) | globalColorMap_.SizeBits());
}

TGIFSubImage& TGIFImage::Add(const QImage& bitmap)
{
    QImage source = bitmap;
    if (source.format() == QImage::Format_Mono || source.format() == QImage::Format_MonoLSB)
        source = source.convertToFormat(QImage::Format_Indexed8);
    if (source.format() != QImage::Format_Indexed8)
        throw EGIFError("Bitmap has more than 8 bits per pixel");
    if (source.width() == 0 || source.height() == 0 || source.width() > 0xFFFF ||
        source.height() > 0xFFFF)
        throw EGIFError("Bitmap size does not fit a GIF frame");
    // Running painters read the frames.
    painters_.Shutdown();
    // Every index must have a colour: a table that falls short is grown with black.
    QList<QRgb> colors = source.colorTable();
    const int width = source.width();
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->hasImage_ = true;
    frame->width_ = width;
    frame->height_ = source.height();
    frame->data_.resize(std::size_t(width) * std::size_t(source.height()));
    std::uint8_t highest = 0;
    for (int y = 0; y < source.height(); ++y) {
        const uchar* line = source.constScanLine(y);
        std::memcpy(frame->data_.data() + std::size_t(y) * std::size_t(width), line,
                    std::size_t(width));
        highest = std::max(highest, *std::max_element(line, line + width));
    }
    while (colors.size() <= highest)
        colors.append(qRgb(0, 0, 0));
    if (images_.empty()) {
        header_.Width = std::uint16_t(width);
        header_.Height = std::uint16_t(source.height());
        SetGlobalColorMap(colors);
    } else {
        header_.Width = std::max<std::uint16_t>(header_.Width, std::uint16_t(width));
        header_.Height = std::max<std::uint16_t>(header_.Height, std::uint16_t(source.height()));
        if (globalColorMap_.Colors() != colors)
            for (QRgb c : colors)
                frame->colorMap_.Add(c);
    }
    images_.push_back(std::move(frame));
    return *images_.back();
}

namespace {

// The code size must cover the colour map and every index the frame uses, even one beyond it.
int MinCodeSize(const TGIFSubImage& frame)
{
    const TGIFColorMap* map = frame.ActiveColorMap();
    const int highest =
        frame.Data().empty() ? 0 : *std::max_element(frame.Data().begin(), frame.Data().end());
    int bits = 2;
    while ((1 << bits) <= highest || (map != nullptr && (1 << bits) < map->Count()))
        ++bits;
    return bits;
}

void PutFrame(QByteArray& out, const TGIFSubImage& frame)
{
    for (const auto& ext : frame.Extensions())
        ext->SaveToStream(out);
    if (!frame.HasImage()) {
        // The 0 byte ends the frame here, so that the next frame's extensions stay its own.
        out.append('\0');
        return;
    }
    out.append(char(kImageSeparator));
    PutWord(out, frame.Left());
    PutWord(out, frame.Top());
    PutWord(out, frame.Width());
    PutWord(out, frame.Height());
    const TGIFColorMap& local = frame.ColorMap();
    std::uint8_t packed = frame.Interlaced() ? 0x40 : 0;
    if (local.Count() > 0)
        packed |= std::uint8_t(0x80 | local.SizeBits());
    out.append(char(packed));
    if (local.Count() > 0)
        PutColorMap(out, local);

    const std::vector<std::uint8_t>& pixels = frame.Data();
    const int minCodeSize = MinCodeSize(frame);
    std::vector<std::uint8_t> codes;
    if (frame.Interlaced() && !pixels.empty()) {
        std::vector<std::uint8_t> rows(pixels.size());
        const std::size_t width = std::size_t(frame.Width());
        const std::vector<int> order = InterlacedRowOrder(frame.Height());
        for (std::size_t y = 0; y < order.size(); ++y)
            std::memcpy(rows.data() + y * width, pixels.data() + std::size_t(order[y]) * width,
                        width);
        codes = LzwEncode(rows.data(), rows.size(), minCodeSize);
    } else {
        codes = LzwEncode(pixels.data(), pixels.size(), minCodeSize);
    }
    out.append(char(minCodeSize));
    PutSubBlocks(out, reinterpret_cast<const char*>(codes.data()), qsizetype(codes.size()));
}

}  // namespace

QByteArray TGIFImage::SaveToData() const
{
    const TGIFVersion version = Version();
    if (version == gvUnknown)
        throw EGIFError("Unsupported GIF version");
    QByteArray out(version == gv89a ? "GIF89a" : "GIF87a");
    PutWord(out, header_.Width);
    PutWord(out, header_.Height);
    const bool global = globalColorMap_.Count() > 0;
    out.append(char(global ? (header_.Packed & 0x70) | 0x80 | globalColorMap_.SizeBits()
                           : header_.Packed & 0x70));
    out.append(char(header_.BackgroundColorIndex)).append(char(header_.AspectRatio));
    if (global)
        PutColorMap(out, globalColorMap_);
    for (const auto& frame : images_)
        PutFrame(out, *frame);
    out.append(char(kTrailer));
    return out;
}

void TGIFImage::SaveToStream(QIODevice& stream) const
{
    const QByteArray data = SaveToData();
    if (stream.write(data) != data.size())
        throw EGIFError("Cannot write GIF data");
}

void TGIFImage::SaveToFile(const QString& fileName) const
{
    const QByteArray data = SaveToData();
    // QSaveFile writes a temporary file beside the target, syncs it and renames it over the
    // target on commit, so a failure never leaves a damaged file.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw EGIFError(QStringLiteral("Cannot write %1").arg(fileName).toStdString());
}

TGIFComposer::TGIFComposer(const TGIFImage& image) : image_(image)
{
    Reset();
}

QSize TGIFComposer::ScreenSize(const TGIFImage& image)
{
    // A broken header may give no screen: the first frame's extent stands in for it.
    if (image.Width() > 0 && image.Height() > 0)
        return QSize(image.Width(), image.Height());
    for (const auto& frame : image.Images())
        if (frame->HasImage())
            return QSize(frame->Left() + frame->Width(), frame->Top() + frame->Height());
    return QSize();
}

void TGIFComposer::Reset()
{
    const QSize screen = ScreenSize(image_);
    if (std::uint64_t(screen.width()) * std::uint64_t(screen.height()) * 4 > kMaxCanvasBytes)
        Fail(kNoDibMemory);
    canvas_ = QImage(screen, QImage::Format_ARGB32_Premultiplied);
    if (canvas_.isNull() && !screen.isEmpty())
        Fail(kNoDibMemory);
    canvas_.fill(Qt::transparent);
    saved_ = QImage();
    lastRect_ = QRect();
    lastDisposal_ = 0;
    last_ = -1;
}

QImage TGIFComposer::Compose(int index, bool transparent)
{
    if (index <= last_)
        Reset();
    for (int i = last_ + 1; i <= index; ++i)
        Step(i);
    return transparent ? canvas_ : Flattened();
}

void TGIFComposer::Step(int index)
{
    const TGIFSubImage& frame = image_.Image(index);
    last_ = index;
    if (!frame.HasImage())
        return;
    if (lastDisposal_ == 2) {
        for (int y = lastRect_.top(); y <= lastRect_.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(canvas_.scanLine(y)) + lastRect_.left(),
                        lastRect_.width(), 0);
    } else if (lastDisposal_ == 3 && !saved_.isNull()) {
        for (int y = 0; y < lastRect_.height(); ++y)
            std::memcpy(canvas_.scanLine(lastRect_.top() + y) + lastRect_.left() * 4,
                        saved_.constScanLine(y), std::size_t(lastRect_.width()) * 4);
    }
    const TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
    lastDisposal_ = gce != nullptr ? gce->Disposal() : 0;
    lastRect_ = frame.BoundsRect() & canvas_.rect();
    saved_ = lastDisposal_ == 3 && !lastRect_.isEmpty() ? canvas_.copy(lastRect_) : QImage();
    DrawFrame(frame);
}

void TGIFComposer::DrawFrame(const TGIFSubImage& frame)
{
    const TGIFColorMap* map = frame.ActiveColorMap();
    if (map == nullptr)
        Fail(kNoColorTable);
    std::array<QRgb, 256> colors;
    colors.fill(qRgb(0, 0, 0));
    std::copy_n(map->Colors().begin(), std::min<qsizetype>(map->Count(), 256), colors.begin());
    const TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
    const int transparentIndex =
        gce != nullptr && gce->Transparent() ? gce->TransparentColorIndex : -1;
    const std::uint8_t* pixels = frame.Data().data();
    const std::size_t stride = std::size_t(frame.Width());
    for (int y = lastRect_.top(); y <= lastRect_.bottom(); ++y) {
        const std::uint8_t* src =
            pixels + std::size_t(y - frame.Top()) * stride + (lastRect_.left() - frame.Left());
        QRgb* dest = reinterpret_cast<QRgb*>(canvas_.scanLine(y)) + lastRect_.left();
        for (int x = 0; x < lastRect_.width(); ++x)
            if (src[x] != transparentIndex)
                dest[x] = colors[src[x]];
    }
}

QImage TGIFComposer::Flattened() const
{
    QImage flat(canvas_.size(), QImage::Format_RGB32);
    if (flat.isNull() && !canvas_.isNull())
        Fail(kNoDibMemory);
    const QRgb background = image_.BackgroundColor();
    for (int y = 0; y < canvas_.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(canvas_.constScanLine(y));
        QRgb* dest = reinterpret_cast<QRgb*>(flat.scanLine(y));
        for (int x = 0; x < canvas_.width(); ++x)
            dest[x] = qAlpha(src[x]) == 0 ? background : src[x];
    }
    return flat;
}

int TGIFPainter::FrameDelayUnits(const TGIFSubImage& frame, TDrawOptions options)
{
    const TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
    if (gce == nullptr || gce->Delay == 0)
        return kDefaultDelayUnits;
    int units = std::max<int>(gce->Delay, kMinDelayUnits);
    if ((options & doAsync) == 0)
        units = std::min(units, kMaxCallerDelayUnits);
    return units;
}

TGIFPainter::TGIFPainter(const TGIFImage& image, TPaintTarget* target, const QRect& rect,
                         TDrawOptions options)
    : TAnimPainter(target, rect, options), image_(image)
{
    for (const auto& frame : image.Images()) {
        const TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
        const TGIFAppExtNSLoop* loop = frame->LoopExtension();
        frames_.push_back({frame->HasImage(), FrameDelayUnits(*frame, options),
                           loop != nullptr ? loop->Loops : -1,
                           gce != nullptr ? gce->Disposal() : 1});
    }
}

bool TGIFPainter::Compose(int index, QImage& screen)
{
    try {
        if (!composer_)
            composer_ = std::make_unique<TGIFComposer>(image_);
        screen = composer_->Compose(index, (DrawOptions() & doTransparent) != 0);
        return true;
    } catch (const EGIFError&) {
        // A frame that cannot be shown ends the animation; the image stays readable.
        return false;
    }
}

void TGIFPainter::Execute()
{
    const bool animate = (DrawOptions() & doAnimate) != 0;
    const bool loop = (DrawOptions() & doLoop) != 0;
    bool endless = Async() && (DrawOptions() & doLoopForever) != 0;
    int passes = 1;
    int startFrame = 0;
    int delayUnits = 0;  // the first frame is drawn at once
    bool drawnAny = false;
    for (bool firstPass = true;; firstPass = false) {
        if (drawnAny) {
            Fire(OnLoop);
            if (StopRequested())
                return;
        }
        for (int i = startFrame; i < int(frames_.size()); ++i) {
            const FrameTiming& frame = frames_[std::size_t(i)];
            QImage screen;
            // The stop check comes first: an event may have freed the image meanwhile.
            if (StopRequested() || !frame.hasImage || !Compose(i, screen))
                return;
            if (firstPass && frame.loops >= 0) {
                passes = frame.loops;
                startFrame = i;
                endless = endless || (Async() && frame.loops == 0);
            }
            const auto handOver = [&] {
                previousDisposal_ = disposal_.load();
                disposal_ = frame.disposal;
            };
            if (!ShowFrame(i, std::move(screen),
                           std::chrono::milliseconds(delayUnits * kDelayUnitMs), handOver))
                return;
            drawnAny = true;
            if (!animate)
                return;
            delayUnits = frame.delayUnits;
        }
        --passes;
        if (!animate || !loop || (!endless && passes <= 0))
            return;
    }
}

std::shared_ptr<TGIFPainter> TGIFImage::Paint(TPaintTarget* target, const QRect& rect,
                                              TDrawOptions options)
{
    std::shared_ptr<TGIFPainter> painter(new TGIFPainter(*this, target, rect, options));
    painter->OnStartPaint = OnStartPaint;
    painter->OnPaint = OnPaint;
    painter->OnLoop = OnLoop;
    painter->OnEndPaint = OnEndPaint;
    return painters_.Run(painter) ? painter : nullptr;
}

}  // namespace pixmarl
