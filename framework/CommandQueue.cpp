#include "framework/CommandQueue.h"

#include <algorithm>

namespace GameLib
{

std::int32_t CCommandQueue::PostCommand(const std::string& name, const std::string& argument)
{
    const std::int32_t id = m_nextId++;
    m_commands.push_back(TCommand{id, name, argument});
    return id;
}

std::int32_t CCommandQueue::PostCommand(const std::string& name, std::int32_t argument)
{
    return PostCommand(name, std::to_string(argument));
}

bool CCommandQueue::TakeCommand(const std::string& name, TCommand* out)
{
    const auto found =
        std::find_if(m_commands.begin(), m_commands.end(), [&name](const TCommand& c) { return c.name == name; });
    if (found == m_commands.end())
    {
        return false;
    }
    if (out != nullptr)
    {
        *out = std::move(*found);
    }
    m_commands.erase(found);
    return true;
}

} // namespace GameLib
