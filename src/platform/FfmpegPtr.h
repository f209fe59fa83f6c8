#pragma once

// Owning pointers for FFmpeg's contexts, so that every exit path frees what was allocated. Only for
// code that links FFmpeg itself.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace pixmarl {

struct TFormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct TCodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct TFrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct TPacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct TAvioFreer {
    void operator()(AVIOContext* c) const
    {
        av_freep(&c->buffer);
        avio_context_free(&c);
    }
};
struct TScalerFreer {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using TFormatPtr = std::unique_ptr<AVFormatContext, TFormatCloser>;
using TCodecPtr = std::unique_ptr<AVCodecContext, TCodecFreer>;
using TFramePtr = std::unique_ptr<AVFrame, TFrameFreer>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketFreer>;
using TAvioPtr = std::unique_ptr<AVIOContext, TAvioFreer>;
using TScalerPtr = std::unique_ptr<SwsContext, TScalerFreer>;

}  // namespace pixmarl
