#include "engine/ModelLoadOptions.h"

namespace Qen
{

CModelLoadOptions& CModelLoadOptions::GetDefault()
{
    // Built on first use, so no start-up order can reach it unmade.
    static CModelLoadOptions defaults;
    return defaults;
}

} // namespace Qen
