#include "framework/StateMachine.h"

#include "foundation/Debug.h"

namespace GameLib
{

void CStateMachine::Store(TState state)
{
    auto record = std::make_unique<TState>(std::move(state));
    std::unique_ptr<TState>& slot = m_states[record->name];
    if (slot.get() == m_current && m_current != nullptr)
    {
        m_current = record.get();
    }
    slot = std::move(record);
}

void CStateMachine::SetState(const std::string& name)
{
    const auto found = m_states.find(name);
    if (found == m_states.end())
    {
        // Leaving without a state to enter would leave none current.
        BaseLib::DebugOutput("Error: StateMachine has no state '%s'\n", name.c_str());
        return;
    }
    if (m_current != nullptr)
    {
        m_current->leave();
    }
    m_current = found->second.get();
    m_current->enter();
}

void CStateMachine::UpdateState()
{
    if (m_current != nullptr)
    {
        m_current->update();
    }
}

const std::string& CStateMachine::GetCurrentStateName() const
{
    static const std::string none;
    return m_current != nullptr ? m_current->name : none;
}

const CStateMachine::TState* CStateMachine::FindState(const std::string& name) const
{
    const auto found = m_states.find(name);
    return found != m_states.end() ? found->second.get() : nullptr;
}

} // namespace GameLib
