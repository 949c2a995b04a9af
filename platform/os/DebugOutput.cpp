#include "platform/os/DebugOutput.h"

#include <cstdio>
#include <utility>

namespace Platform
{

namespace
{

std::mutex& SinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

DebugOutputSink& CurrentSink()
{
    static DebugOutputSink sink;
    return sink;
}

} // namespace

void WriteDebugOutput(const char* text)
{
    if (text == nullptr)
    {
        return;
    }
    const std::lock_guard lock(SinkMutex());
    if (CurrentSink())
    {
        CurrentSink()(text);
        return;
    }
    std::fputs(text, stderr);
    std::fflush(stderr);
}

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink)
{
    const std::lock_guard lock(SinkMutex());
    return std::exchange(CurrentSink(), std::move(sink));
}

DebugOutputCapture::DebugOutputCapture()
{
    m_Previous = SetDebugOutputSink([this](const char* text) {
        const std::lock_guard lock(m_Mutex);
        m_Text += text;
    });
}

DebugOutputCapture::~DebugOutputCapture()
{
    SetDebugOutputSink(std::move(m_Previous));
}

std::string DebugOutputCapture::Text() const
{
    const std::lock_guard lock(m_Mutex);
    return m_Text;
}

void DebugOutputCapture::Clear()
{
    const std::lock_guard lock(m_Mutex);
    m_Text.clear();
}

} // namespace Platform
