#pragma once

// The WebP header reader: the RIFF container's first chunks (VP8 for lossy, VP8L for lossless
// images, VP8X for the extended format with its canvas size and flags) and the WebP entry of the
// universal readers. The fields a decoder checks before it decodes (frame tags, signatures,
// version, canvas and image size agreeing) are checked, so the content probe accepts what a
// decoder would start on. Reading goes forward through the header source; at most
// kMaxWebPChunks chunks are looked at. Any thread may call these functions; they never throw.

#include <cstdint>

#include <QString>

#include "formats/Images.h"

namespace pixmarl {

class THeaderSource;

struct TWebPHeader {
    std::int32_t Width = 0;  // of the canvas
    std::int32_t Height = 0;
    bool Extended = false;  // a VP8X chunk came first
    bool Lossless = false;  // the image is VP8L (unknown for animations: false)
    bool Alpha = false;     // as a decoder reports it
    bool Animated = false;
};

// Sub-type codes of WebP files in the universal record.
enum TWebPSubType : std::uint8_t { wsLossy = 1, wsLossless = 2, wsAnimated = 3 };

// Chunks looked at before the image chunk of an extended file must have come.
constexpr int kMaxWebPChunks = 64;

// Reads the header from the start of the source; true when it is a WebP file as described above.
bool ReadWebPHeader(THeaderSource& source, TWebPHeader& header);
bool ReadWebPHeader(const QString& fileName, TWebPHeader& header);

// The WebP entry of the universal readers.
bool WebPUniInfo(const QString& fileName, TUniInfoRec& info);
// Fills the universal record from a header that was read.
void WebPHeaderToUniInfo(const TWebPHeader& header, TUniInfoRec& info);

}  // namespace pixmarl
