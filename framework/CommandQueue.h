#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <vector>

namespace GameLib
{

// A world command: screens and tools drive the world by name ("SetPause", "LoadLevel", ...).
struct TCommand
{
    std::int32_t id = 0;
    std::string name;
    std::string argument;
};

// The world's pending commands in posting order. Posted during a frame, taken by name at the start of
// the world's next update. Main thread only.
class CCommandQueue
{
public:
    // Appends the command and answers its id: 0 for the first, one more for each command posted after,
    // never reused.
    std::int32_t PostCommand(const std::string& name, const std::string& argument);
    // The argument written as decimal text.
    std::int32_t PostCommand(const std::string& name, std::int32_t argument);
    // Removes the oldest pending command of exactly this name (case-sensitive) and copies it into out when
    // out is given; the others keep their places. False, nothing changed, when none is pending.
    bool TakeCommand(const std::string& name, TCommand* out);

    // Removes every pending command whose name the test accepts and answers them in posting order; the
    // others keep their places.
    std::vector<TCommand> TakeCommandsWhere(const std::function<bool(const std::string& name)>& accepts);

    std::int32_t GetCount() const { return static_cast<std::int32_t>(m_commands.size()); }
    bool IsEmpty() const { return m_commands.empty(); }
    // The pending commands in posting order, for reading only.
    const std::list<TCommand>& GetPending() const { return m_commands; }

private:
    std::list<TCommand> m_commands;
    std::int32_t m_nextId = 0;
};

} // namespace GameLib
