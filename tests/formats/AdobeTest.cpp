#include <gtest/gtest.h>

#include "formats/Adobe.h"
#include "support/TiffBuilder.h"

namespace pixmarl {
namespace {

using test::BuildPhotoshopBlock;

const QByteArray kJfif("\xFF\xD8 not really a JPEG \xFF\xD9");

// Offset of the thumbnail resource's size field in a block BuildPhotoshopBlock wrote.
constexpr qsizetype kThumbSizeAt = 4 + 2 + 2 + 4 + 16 + 4 + 2 + 6;

QByteArray WithBigEndian32(QByteArray block, qsizetype at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block[at + i] = char(value >> (24 - 8 * i));
    return block;
}

TEST(Adobe, FindsTheThumbnailUnlessTheBlockIsDamaged)
{
    const QByteArray block = BuildPhotoshopBlock(kJfif);
    EXPECT_EQ(FindPhotoshopThumbnail(block), kJfif) << "found behind other resources";
    QByteArray badSignature = block;
    badSignature[20 + 4 + 4 + 1] = 'X';  // second resource's "8BIM"
    const struct { const char* name; QByteArray block; } cases[] = {
        {"empty", {}},
        {"no signature", QByteArray("8BIX") + block.mid(4)},
        {"second signature damaged", badSignature},
        {"thumbnail runs past the block", WithBigEndian32(block, kThumbSizeAt, 28 + 1000)},
        {"thumbnail only a header", WithBigEndian32(block, kThumbSizeAt, 28)},
        {"first resource runs past the block", WithBigEndian32(block, 8, 0xFFFFFFF0u)},
        {"cut in the thumbnail", block.left(block.size() - 10)},
        {"cut in a name", block.left(kThumbSizeAt - 3)},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(FindPhotoshopThumbnail(c.block).isEmpty()) << c.name;
}

TEST(Adobe, EveryCutOfTheBlockIsSafe)
{
    const QByteArray block = BuildPhotoshopBlock(kJfif);
    for (qsizetype size = 0; size < block.size(); ++size) {
        const QByteArray cut = block.left(size);
        const QByteArray found = FindPhotoshopThumbnail(QByteArrayView(cut));
        EXPECT_TRUE(found.isEmpty() || kJfif.startsWith(found)) << size;
    }
}

}  // namespace
}  // namespace pixmarl
