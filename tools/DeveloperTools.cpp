#include "tools/DeveloperTools.h"

#include "game/QuarrowWorld.h"
#include "tools/StressTester.h"
#include "tools/batch/BatchProcessor.h"

namespace
{

BatchProcessorInterface* CreateBatchProcessor(CQuarrowWorld* world)
{
    return new CBatchProcessor(world);
}

StressTesterInterface* CreateStressTester(CQuarrowWorld* world)
{
    return new CStressTester(world);
}

} // namespace

void RegisterDeveloperTools()
{
    CQuarrowWorld::SetToolCreators(&CreateBatchProcessor, &CreateStressTester);
}
