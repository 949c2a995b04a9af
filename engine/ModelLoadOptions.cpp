#include "engine/ModelLoadOptions.h"

namespace Qen
{

const CModelLoadOptions& CModelLoadOptions::GetDefault()
{
    // Built on first use, so no start-up order can reach it unmade.
    static const CModelLoadOptions defaults;
    return defaults;
}

} // namespace Qen
