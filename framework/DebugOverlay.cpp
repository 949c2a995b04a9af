#include "framework/DebugOverlay.h"

#include "engine/DeviceStateMgr.h"
#include "engine/EngineController.h"
#include "framework/DebugStatistics.h"
#include "platform/gfx/Records.h"
#include "platform/gfx/VideoMemory.h"
#include "platform/gfxkit/Font.h"

#include <cinttypes>
#include <cstdio>

namespace GameLib
{

namespace
{
CDebugOverlay* s_current = nullptr;
constexpr std::uint32_t kTextColour = 0xFF0000FF;
} // namespace

CVideoMemoryInfo::CVideoMemoryInfo(Qen::CEngineController* engine) : m_engine(engine) {}

bool CVideoMemoryInfo::IsAvailable(Qen::CEngineController* engine)
{
    std::uint64_t total = 0;
    std::uint64_t available = 0;
    return Platform::Gfx::QueryVideoMemory(engine->GetDevice(), &total, &available);
}

bool CVideoMemoryInfo::FormatText(char (&text)[kTextSize], std::uint64_t total, std::uint64_t available)
{
    if (total == 0)
    {
        return false;
    }
    const std::uint64_t used = available < total ? total - available : 0;
    std::snprintf(text, kTextSize, "used mem: %" PRIu64 "\n free mem: %" PRIu64 "\n usage: %.f%%\n", used,
                  available, static_cast<double>(used) * 100.0 / static_cast<double>(total));
    return true;
}

bool CVideoMemoryInfo::Format(char (&text)[kTextSize]) const
{
    std::uint64_t total = 0;
    std::uint64_t available = 0;
    return Platform::Gfx::QueryVideoMemory(m_engine->GetDevice(), &total, &available) &&
           FormatText(text, total, available);
}

CDebugOverlay::CDebugOverlay(Qen::CEngineController* engine, const BaseLib::CSize& size)
    : m_engine(engine), m_width(size.cx), m_height(size.cy)
{
    s_current = this;
    if (CVideoMemoryInfo::IsAvailable(engine))
    {
        m_videoMemory = new CVideoMemoryInfo(engine);
    }
}

CDebugOverlay::~CDebugOverlay()
{
    if (m_font != nullptr)
    {
        m_font->Release();
    }
    delete m_videoMemory;
    if (s_current == this)
    {
        s_current = nullptr;
    }
}

CDebugOverlay* CDebugOverlay::GetCurrent()
{
    return s_current;
}

void CDebugOverlay::DrawText(std::int32_t x, std::int32_t y, const char* text)
{
    Platform::Gfx::Rect rect{x, y, x, y};
    m_font->DrawTextA(nullptr, text, -1, &rect, Platform::GfxKit::DT_CALCRECT, kTextColour);
    m_font->DrawTextA(nullptr, text, -1, &rect, Platform::GfxKit::DT_NOCLIP, kTextColour);
}

void CDebugOverlay::Draw()
{
    if (m_font == nullptr &&
        Platform::Gfx::Failed(Platform::GfxKit::CreateFontA(m_engine->GetDevice(), 12, 5, 0, 0, false, 0, 7, 0, 0,
                                                            "Verdana", &m_font)))
    {
        m_font = nullptr;
        return;
    }
    DrawText(10, 10, DebugStatistics::Format());
    if (m_videoMemory != nullptr)
    {
        char text[CVideoMemoryInfo::kTextSize];
        if (m_videoMemory->Format(text))
        {
            DrawText(300, 10, text);
        }
    }
    m_engine->GetStateManager()->InvalidateCache();
}

} // namespace GameLib
