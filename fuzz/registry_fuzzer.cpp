// Settings store text: parsing must never crash, and whatever parses must come back unchanged
// from writing and parsing again.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<pixmarl::TRegTree> tree = pixmarl::ParseRegFile(text);
    if (!tree)
        return 0;
    const QByteArray written = pixmarl::FormatRegFile(*tree);
    const std::optional<pixmarl::TRegTree> again = pixmarl::ParseRegFile(written);
    if (!again || *again != *tree || pixmarl::FormatRegFile(*again) != written)
        std::abort();
    return 0;
}
