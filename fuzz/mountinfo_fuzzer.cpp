// The mount table parser and the choice of volumes on arbitrary text: no crash, and the chosen
// volumes always start with "/", are ordered by mount path, and each is its own containing volume.

#include <cstdint>
#include <cstdlib>

#include <QString>

#include "platform/Volumes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pixmarl;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    TVolumeProbe probe;
    probe.label = [](const QString& device) { return device.left(12); };
    const std::vector<TVolume> volumes = SelectVolumes(ParseMountInfo(text), probe);
    if (volumes.empty() || volumes.front().mountPath != u"/")
        std::abort();
    for (size_t i = 0; i < volumes.size(); ++i) {
        if (i > 0 && !(volumes[i - 1].mountPath < volumes[i].mountPath))
            std::abort();
        if (ContainingVolume(volumes, volumes[i].mountPath) != int(i))
            std::abort();
        if (VolumeDisplayName(volumes[i]).isEmpty())
            std::abort();
    }
    return 0;
}
