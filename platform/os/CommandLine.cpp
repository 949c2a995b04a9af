#include "platform/os/CommandLine.h"

namespace Platform
{

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
