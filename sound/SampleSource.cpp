#include "sound/SampleSource.h"

namespace SoundLib
{

std::uint32_t CSampleSource::GetBytesPerSecond()
{
    const double length = GetLength();
    if (!(length > 0.0))
    {
        return 0;
    }
    const double perSecond = static_cast<double>(GetLengthBytes()) / length;
    return perSecond >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(perSecond);
}

} // namespace SoundLib
