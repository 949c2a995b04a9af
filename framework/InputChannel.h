#pragma once

#include <atomic>
#include <string>

namespace GameLib
{

class CInputManager;

// The way input reaches the simulation: the world calls OnStep once per simulation step, and the game's
// channel reads the actions of its context from the input manager. User control is off at construction.
class CInputChannel
{
public:
    CInputChannel() = default;
    virtual ~CInputChannel() = default;
    CInputChannel(const CInputChannel&) = delete;
    CInputChannel& operator=(const CInputChannel&) = delete;

    // Drops what the channel collected; nothing here.
    virtual void Clear() {}
    // The manager (not owned) and the context whose actions the channel reads.
    virtual void SetInputManager(CInputManager* manager, const std::string& context);
    // Once per simulation step: ProcessInput.
    virtual void OnStep();
    // Nothing here.
    virtual void ProcessInput() {}

    CInputManager* GetInputManager() const { return m_inputManager; }
    const std::string& GetContextName() const { return m_contextName; }
    // The flag may be written from other threads (a game's worker threads switch user control off and on).
    bool IsUserControlEnabled() const { return m_userControlEnabled.load(); }
    void SetUserControlEnabled(bool enabled) { m_userControlEnabled.store(enabled); }

private:
    CInputManager* m_inputManager = nullptr;
    std::string m_contextName;
    std::atomic<bool> m_userControlEnabled{false};
};

} // namespace GameLib
