#include "game/BatchArguments.h"

#include "foundation/Helpers.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace
{

void SkipBlanks(const std::string& text, std::size_t& at)
{
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
    {
        ++at;
    }
}

std::optional<int> ReadInteger(const std::string& text, std::size_t& at)
{
    SkipBlanks(text, at);
    std::size_t end = at;
    if (end < text.size() && (text[end] == '+' || text[end] == '-'))
    {
        ++end;
    }
    const std::size_t digits = end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
    {
        ++end;
    }
    if (end == digits)
    {
        return std::nullopt;
    }
    const int value = BaseLib::ParseDecimalInt(text.substr(at, end - at).c_str());
    at = end;
    return value;
}

std::optional<double> ReadReal(const std::string& text, std::size_t& at)
{
    SkipBlanks(text, at);
    const char* start = text.c_str() + at;
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start || !std::isfinite(value))
    {
        return std::nullopt;
    }
    at += static_cast<std::size_t>(end - start);
    return value;
}

std::optional<std::string> ReadWord(const std::string& text, std::size_t& at)
{
    SkipBlanks(text, at);
    const std::size_t start = at;
    while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at])))
    {
        ++at;
    }
    if (at == start)
    {
        return std::nullopt;
    }
    return text.substr(start, at - start);
}

} // namespace

BatchArguments ParseBatchArguments(const std::string& text)
{
    BatchArguments arguments;
    std::size_t at = 0;
    for (std::optional<int>& value : arguments.switches)
    {
        value = ReadInteger(text, at);
        if (!value)
        {
            return arguments;
        }
    }
    arguments.solverTimeout = ReadReal(text, at);
    if (!arguments.solverTimeout)
    {
        return arguments;
    }
    arguments.folder = ReadWord(text, at);
    return arguments;
}
