#include "platform/os/CommandLine.h"

namespace Platform
{

namespace
{

std::string& StoredCommandLine()
{
    static std::string text;
    return text;
}

} // namespace

void SetProcessCommandLine(const std::string& text)
{
    StoredCommandLine() = text;
}

const std::string& ProcessCommandLine()
{
    return StoredCommandLine();
}

std::string CommandLineText(int argc, const char* const* argv)
{
    std::string text;
    for (int i = 1; i < argc && argv != nullptr; ++i)
    {
        if (i > 1)
        {
            text += ' ';
        }
        text += argv[i] != nullptr ? argv[i] : "";
    }
    return text;
}

} // namespace Platform
