#include <gtest/gtest.h>

#include <random>

#include "gif/GIFLzw.h"

namespace pixmarl {
namespace {

struct LzwCase {
    const char* name;
    int minCodeSize;
    std::size_t count;
    int distinct;  // pixels are drawn from 0 .. distinct-1; 1 gives one long run
};

std::vector<std::uint8_t> Pixels(const LzwCase& c)
{
    std::mt19937 random(unsigned(c.count) * 31u + unsigned(c.minCodeSize));
    std::vector<std::uint8_t> pixels(c.count);
    for (auto& p : pixels)
        p = std::uint8_t(random() % unsigned(c.distinct));
    return pixels;
}

TEST(GIFLzw, EncodedPixelsDecodeToThemselves)
{
    const LzwCase cases[] = {
        { "empty", 2, 0, 4 },
        { "one pixel", 2, 1, 4 },
        // A long run is the densest stream there is: every code one pixel longer than the last.
        { "long run defines every string from its own", 2, 3000000, 1 },
        { "long 4-bit run", 4, 3000000, 1 },
        { "long 8-bit run", 8, 3000000, 1 },
        { "two colours past the full table", 2, 70000, 2 },
        { "noise fills the table repeatedly", 8, 200000, 256 },
        { "mid width", 5, 50000, 32 },
        { "few colours of many", 8, 60000, 3 },
    };
    for (const LzwCase& c : cases) {
        const std::vector<std::uint8_t> pixels = Pixels(c);
        const std::vector<std::uint8_t> codes
            = LzwEncode(pixels.data(), pixels.size(), c.minCodeSize);
        std::vector<std::uint8_t> decoded(pixels.size() + 1, 0xEE);
        EXPECT_EQ(
            LzwDecode(codes.data(), codes.size(), c.minCodeSize, decoded.data(), pixels.size()),
            TLzwResult::Complete)
            << c.name;
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), decoded.begin())) << c.name;
        EXPECT_EQ(decoded.back(), 0xEE) << c.name << ": wrote past the end";
        EXPECT_LE(pixels.size(), LzwMaxPixels(codes.size(), c.minCodeSize)) << c.name;
        if (c.distinct == 1) {
            EXPECT_LT(LzwMaxPixels(codes.size(), c.minCodeSize), pixels.size() * 16)
                << c.name << ": a useless bound";
        }
    }
}

TEST(GIFLzw, StringsReachingPastTheFrameAreCutOff)
{
    const std::vector<std::uint8_t> pixels(5000, 1);
    const std::vector<std::uint8_t> codes = LzwEncode(pixels.data(), pixels.size(), 2);
    for (std::size_t wanted : { 1u, 2u, 3u, 100u, 4999u }) {
        std::vector<std::uint8_t> out(wanted + 1, 0xEE);
        EXPECT_EQ(
            LzwDecode(codes.data(), codes.size(), 2, out.data(), wanted), TLzwResult::Complete);
        EXPECT_EQ(out[wanted - 1], 1);
        EXPECT_EQ(out[wanted], 0xEE) << wanted;
    }
}

}  // namespace
}  // namespace pixmarl
