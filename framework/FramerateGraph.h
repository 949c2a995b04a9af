#pragma once

#include "engine/BufferFactories.h"
#include "engine/TextureFactory.h"
#include "foundation/Resource.h"

#include <cstdint>

namespace Platform::Gfx
{
class Shader;
}

namespace Qen
{
class CEngineController;
}

namespace GameLib
{

// The frame-time graph: a width × height A4R4G4B4 texture that takes one column per frame (red bar for
// the frame's time, the full height standing for 0.1 s, green above it, black grid rows every 0.01 s)
// and is drawn as a strip in the bottom-left corner of the back buffer, scrolled so that the newest
// column is at the right edge. Without dynamic textures on the device the graph never draws.
// Main thread only.
class CFramerateGraph
{
public:
    static constexpr std::uint16_t kBar = 0x8F00;        // red, alpha 8/15
    static constexpr std::uint16_t kBackground = 0x40F0; // green, alpha 4/15
    static constexpr std::uint16_t kGrid = 0x8000;       // black, alpha 8/15

    // Null: the process-wide engine.
    explicit CFramerateGraph(Qen::CEngineController* engine = nullptr);
    ~CFramerateGraph();
    CFramerateGraph(const CFramerateGraph&) = delete;
    CFramerateGraph& operator=(const CFramerateGraph&) = delete;

    // Texture (cleared to 0), vertex buffer and vertex program for a width × height graph; the column
    // starts at 0. Nothing without dynamic textures.
    void CreateDeviceObjects(std::int32_t width, std::int32_t height);
    // Drops the texture, the buffer and the program: nothing of the graph then blocks a device reset.
    void ReleaseDeviceObjects();
    // Writes the next column for a frame of that many seconds.
    void AddFrame(float seconds);
    // Draws the strip (states through the engine's state manager). Inside BeginScene/EndScene.
    void Draw();

    std::int32_t GetWidth() const { return m_width; }
    std::int32_t GetHeight() const { return m_height; }
    std::int32_t GetColumn() const { return m_column; }
    Qen::CTexture* GetTexture() const { return m_texture.Get(); }

private:
    Qen::CEngineController* m_engine;
    BaseLib::CResourcePtr<Qen::CTexture> m_texture;
    BaseLib::CResourcePtr<Qen::CVertexBuffer> m_vertexBuffer;
    Platform::Gfx::Shader* m_vertexShader = nullptr;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::int32_t m_column = 0;
    std::int32_t m_backBufferWidth = 0;
    std::int32_t m_backBufferHeight = 0;
};

} // namespace GameLib
