#include "tools/editor/PuzzleEditorScreen.h"

#include "framework/CommandQueue.h"
#include "framework/InputManager.h"
#include "game/DeveloperTools.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "tools/editor/BlockDesignerWindow.h"
#include "tools/editor/BlocksLibraryWindow.h"
#include "tools/editor/PuzzleEditor.h"
#include "tools/editor/PuzzleEditorMenuWindow.h"
#include "tools/editor/PuzzleEditorWorkArea2D.h"
#include "tools/editor/PuzzleEditorWorkArea3D.h"
#include "ui/WindowManager.h"
#include "ui/controls/ResolveAs.h"

namespace
{

// The frames after a dialog closed in which a "quit" is still the dialog's Escape.
constexpr int kDialogEscapeFrames = 2;

void PostCommand(CQuarrowWorld* world, const char* name, const char* argument)
{
    if (GameLib::CCommandQueue* queue = world != nullptr ? world->GetCommandQueue() : nullptr)
    {
        queue->PostCommand(name, argument);
    }
}

void PlaceAtTopRight(UILib::CWindow* window, const UILib::CWindow* rootPanel)
{
    window->SetPosition(rootPanel->GetSize().cx - window->GetSize().cx, 0);
}

} // namespace

// Parts

CPuzzleEditorScreenParts::CPuzzleEditorScreenParts(CQuarrowWorld* world)
    : m_editor(std::make_unique<CPuzzleEditor>(world))
{}

CPuzzleEditorScreenParts::~CPuzzleEditorScreenParts()
{
    // The windows call the editor: they go first. The tool window and the library window let go of the
    // designer before it goes.
    for (UILib::Handle handle : {m_toolWindow, m_library, m_workArea, m_designer})
    {
        if (UILib::CWindow* window = UILib::ResolveAs<UILib::CWindow>(handle))
        {
            window->Delete();
        }
    }
}

CPuzzleEditorWorkArea* CPuzzleEditorScreenParts::GetWorkArea() const
{
    return UILib::ResolveAs<CPuzzleEditorWorkArea>(m_workArea);
}

CBlockDesignerWindow* CPuzzleEditorScreenParts::GetDesigner() const
{
    return UILib::ResolveAs<CBlockDesignerWindow>(m_designer);
}

CBlocksLibraryWindow* CPuzzleEditorScreenParts::GetLibraryWindow() const
{
    return UILib::ResolveAs<CBlocksLibraryWindow>(m_library);
}

CPuzzleEditorMenuWindow* CPuzzleEditorScreenParts::GetToolWindow() const
{
    return UILib::ResolveAs<CPuzzleEditorMenuWindow>(m_toolWindow);
}

void CPuzzleEditorScreenParts::CreateWindows(CQuarrowWorld* world, UILib::CWindow* rootPanel,
                                             UILib::CWindow* playingField, CPuzzleEditorWorkArea* workArea)
{
    m_workArea = workArea->GetHandle();
    if (playingField != nullptr)
    {
        playingField->AddChild(workArea->GetHandle());
        workArea->SetPosition(0, 0);
    }
    if (rootPanel == nullptr)
    {
        return;
    }
    CBlockDesignerWindow* designer = CreateBlockDesignerWindow();
    m_designer = designer->GetHandle();
    designer->SetVisible(false);
    rootPanel->AddChild(designer->GetHandle());

    CBlocksLibraryWindow* library = CreateBlocksLibraryWindow(world, m_editor.get(), workArea, designer);
    m_library = library->GetHandle();
    library->SetVisible(false);
    rootPanel->AddChild(library->GetHandle());
    PlaceAtTopRight(library, rootPanel);

    CPuzzleEditorMenuWindow* tool = CreatePuzzleEditorMenuWindow(m_editor.get(), designer, library);
    m_toolWindow = tool->GetHandle();
    rootPanel->AddChild(tool->GetHandle());
    PlaceAtTopRight(tool, rootPanel);
}

bool CPuzzleEditorScreenParts::MayUpdate(const CQuarrowWorld* world)
{
    const GameLib::CCommandQueue* queue = world != nullptr ? world->GetCommandQueue() : nullptr;
    return queue == nullptr || queue->IsEmpty();
}

void CPuzzleEditorScreenParts::SwallowDialogEscape(CQuarrowUI* userInterface, const CPuzzleScreen& screen)
{
    const UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    const UILib::CWindow* top = manager != nullptr ? manager->GetTopModalWindow() : nullptr;
    const bool dialogOpen = top != nullptr && top != screen.GetInGameMenu() &&
                            top != screen.GetSolverDialog() && top != screen.GetRefinerDialog();
    if (dialogOpen)
    {
        m_dialogFrames = kDialogEscapeFrames;
    }
    else if (m_dialogFrames > 0)
    {
        --m_dialogFrames;
    }
    else
    {
        return;
    }
    if (GameLib::CInputManager* input = userInterface != nullptr ? userInterface->GetInputManager() : nullptr)
    {
        input->ConsumeActionEvent("quit", "gui");
    }
}

bool CPuzzleEditorScreenParts::EditorKeyPressed(CQuarrowUI* userInterface)
{
    GameLib::CInputManager* input = userInterface != nullptr ? userInterface->GetInputManager() : nullptr;
    return input != nullptr && input->ConsumeActionEvent("editor", "gui");
}

void CPuzzleEditorScreenParts::UpdateEditor()
{
    m_editor->Update();
    if (CPuzzleEditorWorkArea* workArea = GetWorkArea())
    {
        workArea->Update();
    }
    if (CPuzzleEditorMenuWindow* tool = GetToolWindow())
    {
        tool->SyncWithPuzzle();
    }
}

// 2D

GameLib::CUIScreen* CreatePuzzleEditorScreen2D(CQuarrowUI* userInterface, CQuarrowWorld* world)
{
    return new CPuzzleEditorScreen2D(userInterface, world);
}

CPuzzleEditorScreen2D::CPuzzleEditorScreen2D(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CPuzzleScreen2D(userInterface, world), m_parts(world)
{}

CPuzzleEditorWorkArea2D* CPuzzleEditorScreen2D::GetWorkArea2D() const
{
    return static_cast<CPuzzleEditorWorkArea2D*>(m_parts.GetWorkArea());
}

void CPuzzleEditorScreen2D::CreateWindows()
{
    CPuzzleScreen2D::CreateWindows();
    m_parts.CreateWindows(GetWorld(), GetRootPanel(), GetPlayingField(),
                          CreatePuzzleEditorWorkArea2D(GetWorld(), m_parts.GetEditor()));
}

void CPuzzleEditorScreen2D::LeaveWaitForPuzzle()
{
    AttachBoard();
}

void CPuzzleEditorScreen2D::AttachBoard()
{
    CPuzzleScreen2D::LeaveWaitForPuzzle();
    if (CPuzzleEditorWorkArea2D* workArea = GetWorkArea2D())
    {
        workArea->SetBoardControl(GetBoardView());
    }
}

void CPuzzleEditorScreen2D::Update()
{
    if (!CPuzzleEditorScreenParts::MayUpdate(GetWorld()))
    {
        return;
    }
    m_parts.SwallowDialogEscape(GetUserInterface(), *this);
    if (CPuzzleEditorScreenParts::EditorKeyPressed(GetUserInterface()) && GetOwner() != nullptr)
    {
        GetOwner()->SwitchTo("ingame2d");
    }
    CPuzzleScreen2D::Update();
    m_parts.UpdateEditor();
}

void CPuzzleEditorScreen2D::OnActivate()
{
    CPuzzleScreen2D::OnActivate();
    PostCommand(GetWorld(), "SetEditorMode", "true");
}

void CPuzzleEditorScreen2D::OnDeactivate()
{
    CPuzzleScreen2D::OnDeactivate();
    PostCommand(GetWorld(), "SetEditorMode", "false");
    if (CPuzzleEditorWorkArea2D* workArea = GetWorkArea2D())
    {
        workArea->SetBoardControl(nullptr);
    }
}

void CPuzzleEditorScreen2D::ReleaseBatchScreenshotWait()
{
    if (BatchProcessorInterface* batch = GetWorld() != nullptr ? GetWorld()->GetBatchProcessor() : nullptr)
    {
        batch->ClearScreenshotWait();
    }
}

// 3D

GameLib::CUIScreen* CreatePuzzleEditorScreen3D(CQuarrowUI* userInterface, CQuarrowWorld* world)
{
    return new CPuzzleEditorScreen3D(userInterface, world);
}

CPuzzleEditorScreen3D::CPuzzleEditorScreen3D(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CPuzzleScreen3D(userInterface, world), m_parts(world)
{}

void CPuzzleEditorScreen3D::CreateWindows()
{
    CPuzzleScreen3D::CreateWindows();
    m_parts.CreateWindows(GetWorld(), GetRootPanel(), GetPlayingField(),
                          CreatePuzzleEditorWorkArea3D(GetWorld(), GetUserInterface(), m_parts.GetEditor()));
}

void CPuzzleEditorScreen3D::Update()
{
    if (!CPuzzleEditorScreenParts::MayUpdate(GetWorld()))
    {
        return;
    }
    m_parts.SwallowDialogEscape(GetUserInterface(), *this);
    if (CPuzzleEditorScreenParts::EditorKeyPressed(GetUserInterface()) && GetOwner() != nullptr)
    {
        GetOwner()->SwitchTo("ingame3d");
    }
    m_parts.UpdateEditor();
    CPuzzleScreen3D::Update();
}

void CPuzzleEditorScreen3D::OnActivate()
{
    CPuzzleScreen3D::OnActivate();
    PostCommand(GetWorld(), "SetEditorMode", "true");
}

void CPuzzleEditorScreen3D::OnDeactivate()
{
    CPuzzleScreen3D::OnDeactivate();
    PostCommand(GetWorld(), "SetEditorMode", "false");
}
