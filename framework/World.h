#pragma once

#include <string>

namespace Qen
{
class CEngineController;
}

namespace GameLib
{

class CCommandQueue;
class CInputChannel;
class CSceneManager;
class CSimulationClock;

// What a derived world may keep beside the framework's objects; made by CreateOptionalObject.
class CWorldObject
{
public:
    virtual ~CWorldObject() = default;
};

// The framework's model side: the simulation clock with its fixed 0.02 s steps, the scene manager, the
// input channel and the command queue through which screens and tools drive the world by name. Each
// frame Update takes the pending commands, then lets the clock run the steps the frame time allows,
// calling Step for each. The game derives its own world and replaces Step, ProcessCommands, LoadLevel
// and the factory operations.
//
// Initialize runs right after construction and Shutdown right before deletion: the destructor frees
// none of the objects Initialize made.
class CWorld
{
public:
    // owner gives the device for Render; not owned, may be null (Render then draws nothing).
    explicit CWorld(Qen::CEngineController* owner);
    virtual ~CWorld();
    CWorld(const CWorld&) = delete;
    CWorld& operator=(const CWorld&) = delete;

    // The clock (fixed steps of 0.02 s, factor 1, its step callback this world's Step), the scene manager,
    // the input channel with user control off, the empty command queue and the optional object.
    virtual void Initialize();
    // Releases the optional object, the scene manager, the clock, the input channel and the command queue
    // (pending commands dropped), in that order, each pointer nulled.
    virtual void Shutdown();
    // ProcessCommands, then the clock advances by the frame time (seconds).
    virtual void Update(double frameTime);
    // Render; the head is not used.
    virtual void RenderForHead(int head);
    // Clears the device's current render target (only the target) to red 16, green 80, blue 64.
    virtual void Render();
    virtual void SetGameState(const std::string& name);
    virtual CInputChannel* CreateInputChannel();
    // Null is allowed (here and in the other Destroy operations).
    virtual void DestroyInputChannel(CInputChannel* channel);
    // None here.
    virtual CWorldObject* CreateOptionalObject();
    virtual void DestroyOptionalObject(CWorldObject* object);
    virtual CSceneManager* CreateSceneManager();
    virtual void DestroySceneManager(CSceneManager* manager);
    // Nothing here.
    virtual void LoadLevel(const std::string& name);
    // One simulation step of the given length (seconds): the input channel's OnStep.
    virtual void Step(double stepLength);
    // One each of "SetPause", "SetSimTimeFactor", "SetUserControlEnabled", "LoadLevel", "SetGameState" and
    // then "ToggleWireframe" (taken and dropped: wireframe drawing is left to a world that replaces this).
    // Other names stay queued for a derived world. "SetSimTimeFactor" takes only a finite number of 0 or
    // more; anything else leaves the factor and is traced.
    virtual void ProcessCommands();

    Qen::CEngineController* GetOwner() const { return m_owner; }
    const std::string& GetGameState() const { return m_gameState; }
    CSceneManager* GetSceneManager() const { return m_sceneManager; }
    CSimulationClock* GetSimulationClock() const { return m_clock; }
    CWorldObject* GetOptionalObject() const { return m_optionalObject; }
    CInputChannel* GetInputChannel() const { return m_inputChannel; }
    CCommandQueue* GetCommandQueue() const { return m_commandQueue; }
    // True while Update runs.
    bool IsUpdating() const { return m_updating; }

private:
    std::string m_gameState;
    Qen::CEngineController* m_owner;
    CSceneManager* m_sceneManager = nullptr;
    CSimulationClock* m_clock = nullptr;
    CWorldObject* m_optionalObject = nullptr;
    CInputChannel* m_inputChannel = nullptr;
    CCommandQueue* m_commandQueue = nullptr;
    bool m_updating = false;
};

} // namespace GameLib
