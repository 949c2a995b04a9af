#pragma once

#include <cstdint>
#include <string>

namespace Platform::GfxKit
{

class ByteBuffer;

// The messages of one effect creation, one line per problem: "file(line): error: text" or
// "file(line): warning: text".
class EffectMessages
{
public:
    void Error(const std::string& file, std::uint32_t line, const std::string& text);
    void Warning(const std::string& file, std::uint32_t line, const std::string& text);
    // A line kept as it is (a compiler's line of a form that cannot be mapped).
    void Raw(const std::string& line, bool isError);

    bool HasErrors() const { return errors_ > 0; }
    bool Empty() const { return text_.empty(); }
    const std::string& Text() const { return text_; }

    // The text with its terminating zero in a new buffer (one reference); null when there is nothing.
    ByteBuffer* MakeBuffer() const;

private:
    std::string text_;
    std::uint32_t errors_ = 0;
};

} // namespace Platform::GfxKit
