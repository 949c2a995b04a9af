#include "framework/World.h"

#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "framework/CommandQueue.h"
#include "framework/InputChannel.h"
#include "framework/SceneManager.h"
#include "framework/SimulationClock.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"

#include <cmath>
#include <cstdio>

namespace GameLib
{

namespace
{

constexpr double kStepLength = 0.02;
constexpr std::uint32_t kBackgroundColour = 0x00105040;

// The factor "%f" reads from the argument, when it is a finite number of 0 or more. A factor that is not
// a number, infinite or negative would stop the clock for good, never end a fixed-step loop, or run
// time backwards.
bool ReadTimeFactor(const std::string& argument, float& factor)
{
    float value = 0.0f;
    if (std::sscanf(argument.c_str(), "%f", &value) != 1 || !std::isfinite(value) || value < 0.0f)
    {
        return false;
    }
    factor = value;
    return true;
}

} // namespace

CWorld::CWorld(Qen::CEngineController* owner) : m_owner(owner)
{
}

CWorld::~CWorld() = default;

void CWorld::Initialize()
{
    m_clock = new CSimulationClock();
    m_clock->SetStepLength(kStepLength);
    m_clock->SetStepCallback(CSimulationClock::StepCallback(this, &CWorld::Step));
    m_sceneManager = CreateSceneManager();
    m_inputChannel = CreateInputChannel();
    if (m_inputChannel != nullptr)
    {
        m_inputChannel->SetUserControlEnabled(false);
    }
    m_commandQueue = new CCommandQueue();
    m_optionalObject = CreateOptionalObject();
}

void CWorld::Shutdown()
{
    DestroyOptionalObject(m_optionalObject);
    m_optionalObject = nullptr;
    DestroySceneManager(m_sceneManager);
    m_sceneManager = nullptr;
    delete m_clock;
    m_clock = nullptr;
    DestroyInputChannel(m_inputChannel);
    m_inputChannel = nullptr;
    delete m_commandQueue;
    m_commandQueue = nullptr;
}

void CWorld::Update(double frameTime)
{
    m_updating = true;
    ProcessCommands();
    if (m_clock != nullptr)
    {
        m_clock->Advance(frameTime);
    }
    m_updating = false;
}

void CWorld::RenderForHead(int)
{
    Render();
}

void CWorld::Render()
{
    Platform::Gfx::Device* device = m_owner != nullptr ? m_owner->GetDevice() : nullptr;
    if (device != nullptr)
    {
        device->Clear(0, nullptr, Platform::Gfx::ClearFlag::Target, kBackgroundColour, 0.0f, 0);
    }
}

void CWorld::SetGameState(const std::string& name)
{
    m_gameState = name;
}

CInputChannel* CWorld::CreateInputChannel()
{
    return new CInputChannel();
}

void CWorld::DestroyInputChannel(CInputChannel* channel)
{
    delete channel;
}

CWorldObject* CWorld::CreateOptionalObject()
{
    return nullptr;
}

void CWorld::DestroyOptionalObject(CWorldObject* object)
{
    delete object;
}

CSceneManager* CWorld::CreateSceneManager()
{
    return new CSceneManager();
}

void CWorld::DestroySceneManager(CSceneManager* manager)
{
    delete manager;
}

void CWorld::LoadLevel(const std::string&)
{
}

void CWorld::Step(double)
{
    if (m_inputChannel != nullptr)
    {
        m_inputChannel->OnStep();
    }
}

void CWorld::ProcessCommands()
{
    if (m_commandQueue == nullptr)
    {
        return;
    }
    TCommand command;
    if (m_commandQueue->TakeCommand("SetPause", &command) && m_clock != nullptr)
    {
        m_clock->SetPaused(command.argument == "true");
    }
    if (m_commandQueue->TakeCommand("SetSimTimeFactor", &command) && m_clock != nullptr)
    {
        float factor = 0.0f;
        if (ReadTimeFactor(command.argument, factor))
        {
            m_clock->SetTimeFactor(factor);
        }
        else
        {
            BaseLib::DebugOutput("Error: World: SetSimTimeFactor '%s' is not a finite number of 0 or more; "
                                 "the time factor stays %g\n",
                                 command.argument.c_str(), m_clock->GetTimeFactor());
        }
    }
    if (m_commandQueue->TakeCommand("SetUserControlEnabled", &command) && m_inputChannel != nullptr)
    {
        m_inputChannel->SetUserControlEnabled(command.argument == "true");
    }
    if (m_commandQueue->TakeCommand("LoadLevel", &command))
    {
        LoadLevel(command.argument);
    }
    if (m_commandQueue->TakeCommand("SetGameState", &command))
    {
        SetGameState(command.argument);
    }
    // Posted by the developer key; left queued it would block every screen that waits for an empty queue.
    m_commandQueue->TakeCommand("ToggleWireframe", nullptr);
}

} // namespace GameLib
