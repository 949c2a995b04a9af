#include "framework/InputChannel.h"

namespace GameLib
{

void CInputChannel::SetInputManager(CInputManager* manager, const std::string& context)
{
    m_inputManager = manager;
    m_contextName = context;
}

void CInputChannel::OnStep()
{
    ProcessInput();
}

} // namespace GameLib
