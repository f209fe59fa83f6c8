#pragma once

// Video files in the RIFF/AVI container: our own header parser and a frame decoder.
//
// The parser reads only the headers (the main header, the stream lists, the OpenDML extension and
// the legacy index for the key-frame capability); it never opens a decoder, so it is cheap enough
// to run for every video of a folder. It trusts nothing in the file: a chunk that reaches past its
// parent list or the file, an absurd stream count or frame size, or a missing video stream give
// apNotAvi or apNoVideo. Any thread may call it.
//
// The frame decoder uses FFmpeg for every codec FFmpeg decodes and hands frames out as images,
// decoded straight into their rows. FFmpeg reads the file through a descriptor of our own, so a
// FIFO or device under the name is refused as the parser refuses it. One decoder belongs to one
// thread at a time.

#include <array>
#include <cstdint>
#include <memory>

#include <QByteArray>
#include <QImage>
#include <QString>

namespace pixmarl {

// File flags of the main header.
constexpr std::uint32_t kAviFlagHasIndex = 0x10;
constexpr std::uint32_t kAviFlagMustUseIndex = 0x20;
constexpr std::uint32_t kAviFlagInterleaved = 0x100;
constexpr std::uint32_t kAviFlagWasCaptureFile = 0x10000;
constexpr std::uint32_t kAviFlagCopyrighted = 0x20000;

// File capabilities we report.
constexpr std::uint32_t kAviCapRead = 0x1;
constexpr std::uint32_t kAviCapWrite = 0x2;
constexpr std::uint32_t kAviCapAllKeyFrames = 0x10;
constexpr std::uint32_t kAviCapNoCompression = 0x20;

// Limits beyond which a header is taken as damaged.
constexpr std::uint32_t kAviMaxStreams = 64;
constexpr std::int32_t kAviMaxFrameSide = 32768;

struct TAviRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// The file information: flags and size from the main header, the capabilities we derive.
struct TAviFileInfo {
    std::uint32_t dwMaxBytesPerSec = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t dwCaps = 0;
    std::uint32_t dwStreams = 0;
    std::uint32_t dwSuggestedBufferSize = 0;
    std::uint32_t dwWidth = 0;
    std::uint32_t dwHeight = 0;
    std::uint32_t dwScale = 0;   // microseconds per frame of the main header
    std::uint32_t dwRate = 0;    // 1000000
    std::uint32_t dwLength = 0;  // total frames (of all RIFF parts for OpenDML files)
    QString szFileType;
};

// The information of one stream, from its stream header. rcFrame is the frame rectangle, taken
// from the video format when the header leaves it empty.
struct TAviStreamInfo {
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::uint32_t dwFlags = 0;
    std::uint16_t wPriority = 0;
    std::uint16_t wLanguage = 0;
    std::uint32_t dwScale = 0;
    std::uint32_t dwRate = 0;
    std::uint32_t dwStart = 0;
    std::uint32_t dwLength = 0;
    std::uint32_t dwInitialFrames = 0;
    std::uint32_t dwSuggestedBufferSize = 0;
    std::uint32_t dwQuality = 0;
    std::uint32_t dwSampleSize = 0;
    TAviRect rcFrame;
};

struct TAviHeaders {
    TAviFileInfo file;
    TAviStreamInfo video;  // the first video stream
    std::uint32_t biCompression = 0;
    std::uint16_t biBitCount = 0;
};

enum class TAviParseResult {
    apOk,
    apNotAvi,   // unreadable, not RIFF/AVI, or damaged headers
    apNoVideo,  // a sound AVI file, valid but without a video stream
};

// How far to read: the header list alone (all but the all-key-frames capability), or on to the
// legacy index at the end of the file.
enum class TAviReadDepth { adHeaders, adWithIndex };

// Parses the headers of the file, or of an AVI file held in memory (always with the index).
TAviParseResult ReadAviHeaders(const QString& fileName, TAviHeaders& headers,
                               TAviReadDepth depth = TAviReadDepth::adWithIndex);
TAviParseResult ParseAviHeaders(const QByteArray& data, TAviHeaders& headers);

// Decodes the frames of a file's first video stream. Frames are numbered from 0 in decoding
// order; asking for an earlier frame than the last one rewinds to the start.
class TAviFrameDecoder {
public:
    // Nothing when the file cannot be opened as AVI or has no decodable video stream.
    static std::unique_ptr<TAviFrameDecoder> Open(const QString& fileName);
    ~TAviFrameDecoder();
    TAviFrameDecoder(const TAviFrameDecoder&) = delete;
    TAviFrameDecoder& operator=(const TAviFrameDecoder&) = delete;

    // Frame index: Format_Indexed8 with the full 256-entry colour table for palette video,
    // Format_RGB888 otherwise. A null image when the frame cannot be decoded.
    QImage Frame(int index);

private:
    struct State;
    explicit TAviFrameDecoder(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace pixmarl
