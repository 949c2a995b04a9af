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

std::vector<TCommand> CCommandQueue::TakeCommandsWhere(const std::function<bool(const std::string& name)>& accepts)
{
    std::vector<TCommand> taken;
    for (auto it = m_commands.begin(); it != m_commands.end();)
    {
        if (accepts(it->name))
        {
            taken.push_back(std::move(*it));
            it = m_commands.erase(it);
        }
        else
        {
            ++it;
        }
    }
    return taken;
}

} // namespace GameLib
