#pragma once

#include "platform/gfx/DeviceChild.h"
#include "platform/gfx/Records.h"

#include <cstdint>
#include <vector>

namespace Platform::Gfx
{

// A two-dimensional array of pixels: a render target (a back buffer among them), a depth-stencil
// buffer, or a plain surface in memory. Render targets and depth-stencil buffers live in OpenGL and
// hold their top row first; plain surfaces live in memory in the engine's layout and can be locked.
class BaseTexture;

class Surface : public DeviceChild
{
public:
    enum class Kind
    {
        RenderTarget,
        DepthStencil,
        Plain,
    };

    Result GetDesc(SurfaceDesc* desc) const;

    // Locks a plain surface (any pool): rows top first, Pitch bytes apart, pixels in the engine's
    // layout of the format (compressed formats: rows of 4 × 4 blocks, rectangles starting on block
    // bounds). A null rectangle locks the whole surface. Render targets and depth-stencil buffers, a
    // rectangle outside the surface and a second lock answer InvalidCall.
    Result LockRect(LockedRect* locked, const Rect* rect, std::uint32_t flags);
    Result UnlockRect();

    Kind GetKind() const { return kind_; }
    const SurfaceDesc& Desc() const { return desc_; }
    bool IsBackBuffer() const { return backBuffer_; }
    std::string Describe() const override;
    bool BlocksReset() const override;
    void FreeGlObjects() override;

    // OpenGL storage (render targets and depth-stencil buffers). A multisampled surface draws into
    // its renderbuffer and is resolved into its single-sample texture before being read or shown.
    // A texture's level is that texture's storage at GlLevel of GlTextureTarget (a cube face).
    std::uint32_t GlTexture() const;
    std::uint32_t GlTextureTarget() const;
    std::uint32_t GlLevel() const { return level_; }
    // The texture whose level this is, or null.
    BaseTexture* Container() const { return container_; }
    std::uint32_t GlRenderbuffer() const { return renderbuffer_; }
    std::uint32_t GlSamples() const { return samples_; }
    // Resolves a multisampled render target into its texture; nothing for the others.
    void Resolve();

    // Memory of a plain surface (or of a texture level kept in memory), rows top first without
    // padding.
    std::vector<std::uint8_t>& Memory();

    // Copies a rectangle of bytes in the engine's layout out of or into the surface, whatever its
    // storage. Compressed formats take block coordinates. Depth-stencil surfaces refuse (false).
    bool ReadRect(const Rect& rect, std::vector<std::uint8_t>& bytes);
    bool WriteRect(const Rect& rect, const std::uint8_t* bytes);

    // Makers used by the device; null when the storage cannot be made (traced).
    static Surface* MakeRenderTarget(Device& device, const SurfaceDesc& desc, bool backBuffer);
    static Surface* MakeDepthStencil(Device& device, const SurfaceDesc& desc, bool ownedByDevice);
    static Surface* MakePlain(Device& device, const SurfaceDesc& desc);
    // The shared surface of a texture's level; holds the texture.
    static Surface* MakeTextureLevel(BaseTexture& texture, const SurfaceDesc& desc, std::uint32_t face,
                                     std::uint32_t level);

private:
    Surface(Device& device, Kind kind, const SurfaceDesc& desc, bool ownedByDevice);
    ~Surface() override;

    bool AllocateGl();

    Kind kind_;
    SurfaceDesc desc_;
    bool backBuffer_ = false;
    bool automatic_ = false; // a swap chain's automatic depth-stencil buffer
    bool locked_ = false;
    std::uint32_t texture_ = 0;
    std::uint32_t renderbuffer_ = 0;
    std::uint32_t samples_ = 0;
    std::vector<std::uint8_t> memory_;
    BaseTexture* container_ = nullptr;
    std::uint32_t face_ = 0;
    std::uint32_t level_ = 0;
};

// Number of samples that a multisample type and quality ask for: 0 for none; non-maskable with
// quality q gives 2^(q + 1); types 2 to 16 give their own number.
std::uint32_t SamplesOf(std::uint32_t multiSampleType, std::uint32_t quality);

} // namespace Platform::Gfx
