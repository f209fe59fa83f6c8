#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "formats/LZW.h"
#include "support/TiffBuilder.h"

namespace pixmarl {
namespace {

using test::TiffLzwEncode;

const std::uint8_t* Bytes(const QByteArray& data)
{
    return reinterpret_cast<const std::uint8_t*>(data.constData());
}

QByteArray Decode(const QByteArray& stream, std::size_t capacity, bool* ok = nullptr)
{
    std::vector<std::uint8_t> out(capacity + 1);
    const TLzwResult result = LzwDecode(Bytes(stream), size_t(stream.size()), out.data(), capacity);
    if (ok)
        *ok = result.Ok;
    return QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(result.Produced));
}

QByteArray Noise(int size, unsigned seed, int alphabet)
{
    std::mt19937 random(seed);
    QByteArray data(size, '\0');
    for (char& c : data)
        c = char(random() % unsigned(alphabet));
    return data;
}

// A stream of the given codes, each as wide as a decoder expects it (every code after the first
// adds a table entry), for streams no encoder would write.
QByteArray Codes(const std::vector<unsigned>& codes)
{
    QByteArray out;
    std::uint64_t acc = 0;
    int bits = 0;
    int width = 9;
    unsigned next = 258;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        acc = (acc << width) | codes[i];
        bits += width;
        while (bits >= 8) {
            bits -= 8;
            out.append(char(acc >> bits));
        }
        if (i >= 2 && ++next == (1u << width) - 1 && width < 12)
            ++width;
    }
    if (bits > 0)
        out.append(char(acc << (8 - bits)));
    return out;
}

TEST(Lzw, RoundTripsThroughEveryCodeWidthAndTableReset)
{
    const struct { const char* name; QByteArray data; } cases[] = {
        {"empty", {}},
        {"one byte", "A"},
        {"repeated byte (code equal to next free)", QByteArray(5000, 'x')},
        {"two symbols", Noise(20000, 1, 2)},
        {"all byte values", Noise(300000, 2, 256)},
        {"image-like ramp",
         [] {
             QByteArray d;
             for (int i = 0; i < 200000; ++i)
                 d.append(char((i / 7) ^ (i % 13)));
             return d;
         }()},
    };
    for (const auto& c : cases) {
        bool ok = false;
        const QByteArray stream = TiffLzwEncode(c.data);
        EXPECT_EQ(Decode(stream, size_t(c.data.size()), &ok), c.data) << c.name;
        EXPECT_TRUE(ok) << c.name;
    }
}

std::vector<unsigned> TableFillingCodes()
{
    std::vector<unsigned> codes = {256};
    codes.resize(4000, 1);
    return codes;
}

TEST(Lzw, BadStreamsFailWithoutOverrun)
{
    const QByteArray good = TiffLzwEncode(Noise(4000, 3, 4));
    const struct {
        const char* name;
        QByteArray stream;
        std::size_t capacity;
        bool ok;
        qsizetype produced;
    } cases[] = {
        {"code above the next free code", Codes({256, 65, 300}), 100, false, 1},
        {"first code after clear is a table code", Codes({256, 258}), 100, false, 0},
        {"output larger than the buffer", good, 3999, false, -1},
        {"missing end code keeps what was decoded", Codes({256, 65, 66}), 100, true, 2},
        {"end code stops the strip", Codes({256, 65, 257, 66}), 100, true, 1},
        {"nothing to decode into", Codes({256, 65, 257}), 0, false, 0},
        // Without clear codes the table fills at 4096 entries; the next table code cannot be added.
        {"table would outgrow twelve bits", Codes(TableFillingCodes()), 1 << 24, false, -1},
    };
    for (const auto& c : cases) {
        bool ok = !c.ok;
        const QByteArray out = Decode(c.stream, c.capacity, &ok);
        EXPECT_EQ(ok, c.ok) << c.name;
        EXPECT_LE(size_t(out.size()), c.capacity) << c.name;
        EXPECT_TRUE(c.produced < 0 || out.size() == c.produced) << c.name << ": " << out.size();
    }
}

TEST(Lzw, OldStyleStreamsAreRecognised)
{
    const QByteArray modern = TiffLzwEncode("abc");
    const QByteArray old("\x00\x01\x02", 3);
    EXPECT_FALSE(IsOldStyleLzw(Bytes(modern), size_t(modern.size())));
    EXPECT_TRUE(IsOldStyleLzw(Bytes(old), size_t(old.size())));
    EXPECT_FALSE(IsOldStyleLzw(Bytes(old), 1));
}

}  // namespace
}  // namespace pixmarl
