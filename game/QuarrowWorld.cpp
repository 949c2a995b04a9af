#include "game/QuarrowWorld.h"

#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "foundation/Timer.h"
#include "framework/GameEntityNode.h"
#include "framework/InputChannel.h"
#include "framework/SceneManager.h"
#include "game/GameContext.h"
#include "platform/os/Files.h"
#include "puzzle/EditablePuzzle.h"

#include <typeinfo>
#include <utility>

CQuarrowWorld::CQuarrowWorld(Qen::CEngineController* owner) : CWorld(owner)
{
}

CQuarrowWorld::~CQuarrowWorld() = default;

const BaseLib::CPathAliases& CQuarrowWorld::Aliases() const
{
    static const BaseLib::CPathAliases none;
    return GetOwner() != nullptr ? GetOwner()->GetPathAliases() : none;
}

void CQuarrowWorld::Initialize()
{
    CWorld::Initialize();
    m_context = new GameContext(Aliases());
    m_levelTimer = new BaseLib::CTimer();
    ListGfxSets();
}

void CQuarrowWorld::Shutdown()
{
    // A level left open by a state change ("StartGame" or "ShutGame" while it runs) is shut as well, so
    // its puzzle is never left behind.
    if (m_puzzle != nullptr)
    {
        ShutLevel();
    }
    delete std::exchange(m_levelTimer, nullptr);
    delete std::exchange(m_context, nullptr);
    CWorld::Shutdown();
}

void CQuarrowWorld::ListGfxSets()
{
    m_gfxSets.clear();
    std::vector<std::string> entries;
    BaseLib::ListFiles(Aliases().ResolvePath("model>*.*"), entries);
    for (const std::string& entry : entries)
    {
        const std::string name = BaseLib::GetFileName(entry);
        if (!name.empty() && name[0] != '.' && Platform::IsFolder(entry))
        {
            m_gfxSets.push_back(name);
        }
    }
}

void CQuarrowWorld::Step(double stepLength)
{
    if (m_context == nullptr || m_context->GetState() != GameContext::LevelRunning || m_puzzle == nullptr)
    {
        return;
    }
    m_levelTimer->Advance(static_cast<float>(stepLength));
    m_puzzle->Update(stepLength);
    UpdateEntities(static_cast<float>(stepLength));
    if (m_puzzle->IsSolved() && !m_editorMode)
    {
        m_context->SetState(GameContext::LevelSolved);
    }
}

void CQuarrowWorld::UpdateEntities(float dt)
{
    GameLib::CSceneManager* scene = GetSceneManager();
    if (scene == nullptr)
    {
        return;
    }
    GameLib::CSceneManager::NodeArray nodes;
    scene->GetNodesOfType(typeid(GameLib::CGameEntityNode), nodes);
    for (GameLib::CSceneGraphNode* node : nodes)
    {
        static_cast<GameLib::CGameEntityNode*>(node)->Update(dt);
    }
}

void CQuarrowWorld::LoadLevel(const std::string& name)
{
    if (m_context == nullptr)
    {
        return;
    }
    DeleteLevel();
    m_puzzle = new CEditablePuzzle();
    if (name.ends_with(".blvl"))
    {
        m_puzzle->LoadBinary(name);
    }
    else if (name.ends_with(".xml"))
    {
        m_puzzle->LoadXml(name);
    }
    else if (!name.empty())
    {
        m_puzzle->BuildFromCharGrid(name);
    }
    m_context->SetState(GameContext::LevelRunning);
    if (GameLib::CInputChannel* channel = GetInputChannel())
    {
        channel->Clear();
    }
    m_levelTimer->Stop();
    m_levelTimer->Resume();
    m_puzzleChangeSeen = static_cast<std::int32_t>(m_puzzle->GetChangeNumber());
}

void CQuarrowWorld::ShutLevel()
{
    if (m_puzzle == nullptr || m_context == nullptr)
    {
        BaseLib::DebugOutput("World: ShutLevel without a level; nothing to shut\n");
        return;
    }
    if (GameLib::CInputChannel* channel = GetInputChannel())
    {
        channel->Clear();
    }
    m_levelTimer->Pause();
    m_context->RecordLevelResult(m_puzzle->IsSolved(), m_puzzle->GetMoveCount(), m_levelTimer->GetTime(),
                                 m_puzzle->GetStars());
    m_context->SetStarMoveLimits(m_puzzle->GetMoveLimitForStars(1), m_puzzle->GetMoveLimitForStars(2),
                                 m_puzzle->GetMoveLimitForStars(3));
    DeleteLevel();
    m_context->SetState(GameContext::GameOpen);
}

void CQuarrowWorld::DeleteLevel()
{
    delete std::exchange(m_puzzle, nullptr);
}

void CQuarrowWorld::SetProgress(const ProgressRecord& progress)
{
    if (m_context != nullptr)
    {
        m_context->GetProgress().CopyProgress(progress);
    }
}
