#include "game/puzzle/PuzzleScreen2D.h"

#include "framework/ScreenWindows.h"
#include "game/puzzle/PuzzleRenderer2D.h"
#include "ui/Panel.h"

namespace
{

constexpr const char* kScreenLayout = "interface>ingamescreen.xml";

} // namespace

CPuzzleScreen2D::CPuzzleScreen2D(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CPuzzleScreen(userInterface, world)
{
}

CPuzzleScreen2D::~CPuzzleScreen2D() = default;

GameLib::CUIScreen* CPuzzleScreen2D::Create(CQuarrowUI* userInterface, CQuarrowWorld* world)
{
    return new CPuzzleScreen2D(userInterface, world);
}

void CPuzzleScreen2D::CreateWindows()
{
    UILib::CPanel* root = GameLib::CreateScreenPanel(BaseLib::CColor(255, 255, 255, 0));
    if (root != nullptr)
    {
        GameLib::AddToFirstLayer(root);
        GameLib::LoadLayoutInto(kScreenLayout, root);
    }
    SetRootPanel(root, kScreenLayout);
    CPuzzleScreen::CreateWindows();
}

void CPuzzleScreen2D::LeaveWaitForPuzzle()
{
    m_boardView.reset();
    m_boardView = std::make_unique<CPuzzleRenderer2D>(GetWorld(), GetPlayingField());
}

void CPuzzleScreen2D::SetBoardView(std::unique_ptr<CPuzzleRenderer2D> boardView)
{
    m_boardView = std::move(boardView);
}

void CPuzzleScreen2D::Update()
{
    CPuzzleScreen::Update();
    const int state = GetGameState();
    if (m_boardView != nullptr && state != kStateSolverRunning && state != kStateRefinerRunning)
    {
        m_boardView->Update();
    }
}

void CPuzzleScreen2D::OnDeactivate()
{
    m_boardView.reset();
    CPuzzleScreen::OnDeactivate();
}
