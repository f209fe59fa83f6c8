#include <gtest/gtest.h>

#include "formats/Avis.h"

namespace pixmarl {
namespace {

TEST(AvisTest, FlagAndCapabilityTexts)
{
    const struct { std::uint32_t value; const char* flags; const char* caps; } cases[] = {
        { 0, "", "" },
        { 0x110, "has index, interleaved", "all key frames" },
        { 0x13, "has index", "read, write, all key frames" },
        { 0x20, "must use index", "not compressed" },
        { 0x31, "has index, must use index", "read, all key frames, not compressed" },
        { 0x30000, "captured file, copyrighted", "" },
        { 0x20110, "has index, interleaved, copyrighted", "all key frames" },
        { 0xFFFFFFFF, "has index, must use index, interleaved, captured file, copyrighted",
            "read, write, all key frames, not compressed" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(AviFlagsText(c.value), c.flags);
        EXPECT_EQ(AviCapsText(c.value), c.caps);
    }
}

TEST(AvisTest, RateAndDurationTexts)
{
    const struct {
        std::uint32_t rate;
        std::uint32_t scale;
        std::uint32_t length;
        const char* rateText;
        const char* durationText;
    } cases[] = {
        { 15, 1, 30, "15", "2 sec." }, { 30000, 1001, 300, "29.97", "10.01 sec." },
        { 1, 3, 1, "0.3333", "3 sec." }, { 25, 1, 0, "25", "0 sec." },
        { 4000000000u, 1, 1, "4E9", "2.5E-10 sec." }, { 0, 1, 30, "---", "---" },
        { 25, 0, 30, "---", "---" }, { 0, 0, 0, "---", "---" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rateText);
        TAviStreamInfo info;
        info.dwRate = c.rate;
        info.dwScale = c.scale;
        info.dwLength = c.length;
        EXPECT_EQ(AviRateText(info), c.rateText);
        EXPECT_EQ(AviDurationText(info), c.durationText);
    }
}

}  // namespace
}  // namespace pixmarl
