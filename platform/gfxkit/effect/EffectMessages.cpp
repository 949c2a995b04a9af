#include "platform/gfxkit/effect/EffectMessages.h"

#include "platform/gfxkit/ByteBuffer.h"

#include <cstring>

namespace Platform::GfxKit
{

void EffectMessages::Error(const std::string& file, std::uint32_t line, const std::string& text)
{
    text_ += file + "(" + std::to_string(line) + "): error: " + text + "\n";
    ++errors_;
}

void EffectMessages::Warning(const std::string& file, std::uint32_t line, const std::string& text)
{
    text_ += file + "(" + std::to_string(line) + "): warning: " + text + "\n";
}

void EffectMessages::Raw(const std::string& line, bool isError)
{
    text_ += line + "\n";
    if (isError)
    {
        ++errors_;
    }
}

ByteBuffer* EffectMessages::MakeBuffer() const
{
    if (text_.empty())
    {
        return nullptr;
    }
    ByteBuffer* buffer = ByteBuffer::Make(static_cast<std::uint32_t>(text_.size() + 1));
    std::memcpy(buffer->GetBufferPointer(), text_.c_str(), text_.size() + 1);
    return buffer;
}

} // namespace Platform::GfxKit
