#pragma once

#include "engine/TextureFactory.h"
#include "foundation/Resource.h"
#include "foundation/String.h"
#include "ui/TextureCanvas.h"

#include <cstdint>
#include <vector>

namespace Platform::Gfx
{
class IndexBuffer;
class Shader;
class Surface;
class Texture;
struct Rect;
class VertexBuffer;
class VertexDeclaration;
} // namespace Platform::Gfx

namespace Qen
{
class CEngineController;
}

namespace GameLib
{

// One 128 × 128 piece of a canvas in video memory.
struct CanvasTile
{
    BaseLib::CResourcePtr<Qen::CTexture> texture;
    std::uint8_t dirty = 0; // 1: copy from the staging texture before the next draw
    std::int32_t width = 0; // the tile's part of the canvas; the last column and row are narrower
    std::int32_t height = 0;
    std::int32_t x = 0; // origin in the canvas
    std::int32_t y = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t firstIndex = 0;   // 6 × tile index
    std::int32_t contentState = 0; // 0 after a visible change, 2 after a transparent-only change
};

// One vertex of a tile quad, stream 0: screen-pixel position (x, y, z, w) and texture coordinates.
struct CanvasVertex
{
    float x, y, z, w;
    float u, v;
};

// The canvas kind the framework hands to the window system. The window system paints into a locked
// system-memory staging texture between BeginDraw and EndDraw; changes mark tiles dirty; Render copies
// the dirty tiles into default-pool textures and draws every tile as a textured quad, placed by the
// canvas's offset, pivot, scaling, rotation and inherited transform, blended with its transparency and
// darkened by its brightness. At scaling 1 a canvas lands pixel for pixel on the screen.
//
// Render sets device states directly (not through the engine's state manager); the caller invalidates
// the manager's cache afterwards. Render must run between the device's BeginScene and EndScene.
//
// When a device object cannot be made (for example a canvas larger than the device's largest texture),
// one line is traced naming the canvas size and the object; the canvas then draws nothing until its
// device objects are made again successfully. Main thread only.
class CQenUILibCanvas : public UILib::CTextureCanvas
{
public:
    static constexpr std::uint32_t kVertexFvf = 0x104; // XYZRHW | TEX1
    static constexpr std::uint32_t kVertexStride = 24;

    // Makes the device objects at once. The factory then calls EnableVertexShader with an empty name.
    CQenUILibCanvas(Qen::CEngineController* engine, std::int32_t width, std::int32_t height,
                    std::int32_t tileWidth, std::int32_t tileHeight);
    ~CQenUILibCanvas() override;

    // The window manager's canvas factory: a 128 × 128-tiled canvas on the engine with the built-in
    // vertex program.
    static CQenUILibCanvas* Make(Qen::CEngineController* engine, std::int32_t width, std::int32_t height);

    void Destroy() override;
    // "DX90".
    std::uint32_t GetTypeTag() const override;
    // Device objects released, the base resize, device objects made again.
    void Resize(std::int32_t width, std::int32_t height) override;
    BaseLib::CSize GetSize() const override;
    // The float offset.
    void SetPosition(std::int32_t x, std::int32_t y) override;
    // The offset, each coordinate truncated toward zero.
    BaseLib::CPoint GetPosition() const override;
    // clip: a const BaseLib::CRect* in the parent canvas's coordinates, or null for a layer root.
    void Render(void* clip) override;
    // Locks the staging texture and points the pixel block at it; on a failed lock the block stays as
    // it was (IsLocked tells).
    void BeginDraw() override;
    // Unlocks, drops the pixel block, and on request empties the dirty list.
    void EndDraw(bool clearDirtyList) override;
    void OnRectChanged(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       bool transparentOnly) override;
    void OnPixelChanged(std::int32_t x, std::int32_t y, bool transparentOnly) override;
    // Nothing while a program exists. An empty name compiles the built-in program, another reads a GLSL
    // vertex program file. A compile failure with a log shows a "vsh - error" box (once per attempt);
    // the canvas then draws on the fixed-function path.
    void EnableVertexShader(const BaseLib::CString& file) override;
    // Nothing when equal to the current scaling; else the base setter and the vertex buffer rewritten.
    void SetScaling(float x, float y) override;
    // Device objects released / made again. Nothing in the system calls these: the texture factory
    // makes the tiles again after a reset and the rest survives it.
    void ReleaseDeviceData() override;
    void RestoreDeviceData() override;
    // Copies every dirty tile from the staging texture into its texture.
    virtual void UploadDirtyTiles();

    // The staging size for a canvas size under the device's texture caps.
    static BaseLib::CSize StagingTextureSize(std::int32_t width, std::int32_t height, std::uint32_t textureCaps);

    const std::vector<CanvasTile>& GetTiles() const { return m_tiles; }
    std::int32_t GetColumns() const { return m_columns; }
    std::int32_t GetRows() const { return m_rows; }
    // Whether every device object needed to draw exists.
    bool HasDeviceObjects() const { return m_ready; }
    bool HasVertexShader() const { return m_vertexShader != nullptr; }
    bool IsLocked() const { return m_locked; }
    Platform::Gfx::VertexBuffer* GetVertexBuffer() const { return m_vertexBuffer; }
    Qen::CTexture* GetStagingTexture() const { return m_staging.Get(); }
    // Tiles copied to video memory since construction.
    std::uint64_t GetUploadCount() const { return m_uploads; }
    // Times the vertex buffer was written.
    std::uint64_t GetVertexFillCount() const { return m_vertexFills; }

private:
    void CreateDeviceObjects();
    void ReleaseDeviceObjects();
    bool CreateStagingTexture();
    void FillVertexBuffer();
    void SetShaderStates();
    void SetFixedFunctionStates();
    // The clip rectangle, given in the canvas's own coordinates, on the screen (clamped to it).
    Platform::Gfx::Rect ScissorRect(const BaseLib::CRect& clip) const;
    void TraceFailure(const char* object) const;
    static void OnStagingTextureCreated(Qen::CTextureFactory::TFill* record, Platform::Gfx::BaseTexture* texture);
    static void InitTileTexture(Qen::CTextureFactory::TFill* record, Platform::Gfx::BaseTexture* texture);
    Platform::Gfx::Texture* StagingDeviceTexture() const;
    // A cleared system-memory tile-sized texture, null on failure.
    Platform::Gfx::Texture* CreateBlankTile() const;

    std::int32_t m_screenWidth = 0;
    std::int32_t m_screenHeight = 0;
    std::int32_t m_tileMipLevels = 1;
    std::uint32_t m_tilePool = 0;
    Qen::CEngineController* m_engine;
    BaseLib::CResourcePtr<Qen::CTexture> m_staging;
    // Level 0 of the staging texture, held while the device objects exist (system memory: it never
    // blocks a reset), so that uploads make no surface objects for it.
    Platform::Gfx::Surface* m_stagingSurface = nullptr;
    Platform::Gfx::VertexBuffer* m_vertexBuffer = nullptr;
    Platform::Gfx::IndexBuffer* m_indexBuffer = nullptr;
    Platform::Gfx::Shader* m_vertexShader = nullptr;
    BaseLib::CString m_shaderFile;
    Platform::Gfx::VertexDeclaration* m_declaration = nullptr;
    std::vector<CanvasTile> m_tiles;
    std::int32_t m_tileWidth;
    std::int32_t m_tileHeight;
    std::int32_t m_columns = 0;
    std::int32_t m_rows = 0;
    bool m_ready = false;
    bool m_locked = false;
    std::uint64_t m_uploads = 0;
    std::uint64_t m_vertexFills = 0;
};

} // namespace GameLib
