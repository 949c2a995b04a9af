#pragma once

#include "framework/Delegate.h"

#include <map>
#include <memory>
#include <string>

namespace GameLib
{

// A screen's table of named states ("Start", "FadeIn", "MainMenu", ...), each with enter, update and
// leave callbacks on the screen. Callbacks not given do nothing.
class CStateMachine
{
public:
    using Callback = TDelegate<>;

    struct TState
    {
        std::string name;
        Callback enter;
        Callback update;
        Callback leave;
    };

    CStateMachine() = default;
    CStateMachine(const CStateMachine&) = delete;
    CStateMachine& operator=(const CStateMachine&) = delete;

    // Stores a new record under the name; a record already there is freed and replaced (when it was the
    // current state, the new record becomes current without leaving or entering).
    template <typename T>
    void AddState(const std::string& name, T* object, void (T::*update)())
    {
        Store(TState{name, Callback(), Callback(object, update), Callback()});
    }
    template <typename T>
    void AddState(const std::string& name, T* object, void (T::*enter)(), void (T::*update)())
    {
        Store(TState{name, Callback(object, enter), Callback(object, update), Callback()});
    }
    template <typename T>
    void AddState(const std::string& name, T* object, void (T::*enter)(), void (T::*update)(),
                  void (T::*leave)())
    {
        Store(TState{name, Callback(object, enter), Callback(object, update), Callback(object, leave)});
    }

    // Leaves the current state, makes the named one current and enters it; the current state again is
    // left and entered again. An unknown name is traced and changes nothing.
    void SetState(const std::string& name);
    // The current state's update callback; nothing while no state is current.
    void UpdateState();
    // The current record (compare with the records a screen holds); null before the first SetState.
    const TState* GetCurrentState() const { return m_current; }
    // The current state's name; empty before the first SetState.
    const std::string& GetCurrentStateName() const;
    // The record stored under the name, null when none.
    const TState* FindState(const std::string& name) const;

private:
    void Store(TState state);

    TState* m_current = nullptr;
    std::map<std::string, std::unique_ptr<TState>> m_states; // byte-wise name order
};

} // namespace GameLib
