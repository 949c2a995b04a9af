#include "tools/DeveloperTools.h"

#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "tools/DevMenuScreen.h"
#include "tools/StressTester.h"
#include "tools/batch/BatchProcessor.h"
#include "tools/editor/PuzzleEditorScreen.h"
#include "tools/mapeditor/MapEditorScreen.h"

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

GameLib::CUIScreen* CreateDevMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
{
    return new CDevMenuScreen(userInterface, world);
}

} // namespace

void RegisterDeveloperTools()
{
    CQuarrowWorld::SetToolCreators(&CreateBatchProcessor, &CreateStressTester);
    CQuarrowUI::SetScreenCreator("devmenu", &CreateDevMenuScreen);
    CQuarrowUI::SetScreenCreator("editor2d", &CreatePuzzleEditorScreen2D);
    CQuarrowUI::SetScreenCreator("editor3d", &CreatePuzzleEditorScreen3D);
    CQuarrowUI::SetScreenCreator("mapeditor", &CreateMapEditorScreen);
}
