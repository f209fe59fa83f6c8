#pragma once

// Decodes a GIF held in memory with giflib, the reference decoder of the differential tests.

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QRgb>

namespace pixmarl::test {

struct ReferenceFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<QRgb> colors;  // the frame's local map, else the global one
    std::vector<std::uint8_t> pixels;  // display order
};

// Every image of the file, or nothing when giflib refuses it.
std::optional<std::vector<ReferenceFrame>> GiflibDecode(const QByteArray& data);

}  // namespace pixmarl::test
