#pragma once

#include "foundation/Point.h"

#include <cstddef>
#include <cstdint>

namespace Platform::GfxKit
{
class Font;
}

namespace Qen
{
class CEngineController;
}

namespace GameLib
{

// The video memory the driver reports, best effort (see Platform::Gfx::QueryVideoMemory).
class CVideoMemoryInfo
{
public:
    static constexpr std::size_t kTextSize = 128;

    explicit CVideoMemoryInfo(Qen::CEngineController* engine);

    // Whether the device layer reports video memory on this driver.
    static bool IsAvailable(Qen::CEngineController* engine);
    // "used mem: …\n free mem: …\n usage: …%\n" with used = total − free (64-bit byte counts), cut to the
    // buffer; false (buffer untouched) when the total is 0.
    static bool FormatText(char (&text)[kTextSize], std::uint64_t total, std::uint64_t available);
    // The current figures formatted; false when the driver reports none.
    bool Format(char (&text)[kTextSize]) const;

private:
    Qen::CEngineController* m_engine;
};

// The developer overlay: the statistics table at (10, 10) and the video memory at (300, 10), in opaque
// blue, over everything. One per process: the newest is the current one until it is destroyed.
class CDebugOverlay
{
public:
    CDebugOverlay(Qen::CEngineController* engine, const BaseLib::CSize& size);
    ~CDebugOverlay();
    CDebugOverlay(const CDebugOverlay&) = delete;
    CDebugOverlay& operator=(const CDebugOverlay&) = delete;

    static CDebugOverlay* GetCurrent();

    // The font on first use; both texts; then the state manager's cache invalidated (the font sets
    // device states directly). Inside the device's BeginScene/EndScene.
    void Draw();

    bool HasVideoMemoryInfo() const { return m_videoMemory != nullptr; }
    Platform::GfxKit::Font* GetFont() const { return m_font; }

private:
    void DrawText(std::int32_t x, std::int32_t y, const char* text);

    Qen::CEngineController* m_engine;
    Platform::GfxKit::Font* m_font = nullptr;
    CVideoMemoryInfo* m_videoMemory = nullptr;
    // The size the overlay was made for; kept, not read while drawing.
    [[maybe_unused]] std::int32_t m_width;
    [[maybe_unused]] std::int32_t m_height;
};

} // namespace GameLib
