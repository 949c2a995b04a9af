#pragma once

#include "platform/gfx/Records.h"
#include "platform/gfx/Resource.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Platform::Gfx
{

class Surface;

// What 2D, cube and volume textures share: levels of one format in one pool, an OpenGL texture, and,
// except for render targets, a copy of every level in memory in the engine's layout (rows top first;
// 32-bit formats as bytes blue, green, red, alpha; 16-bit formats as little-endian words; compressed
// formats as rows of 4 × 4 blocks). Locks work on that copy; unlocking uploads what was locked.
class BaseTexture : public Resource
{
public:
    // Levels the caller sees: 1 for a texture that makes its own mipmaps.
    std::uint32_t GetLevelCount() const;
    void PreLoad() override;
    std::string Describe() const override;
    void FreeGlObjects() override;

    std::uint32_t Format() const { return format_; }
    std::uint32_t GlTexture() const { return texture_; }
    std::uint32_t GlTarget() const { return target_; }
    std::uint32_t FaceCount() const { return faces_; }
    std::uint32_t LevelWidth(std::uint32_t level) const;
    std::uint32_t LevelHeight(std::uint32_t level) const;
    std::uint32_t LevelDepth(std::uint32_t level) const;
    bool IsRenderTarget() const;
    // OpenGL target of one face: the texture's target, or the cube face's.
    std::uint32_t GlFaceTarget(std::uint32_t face) const;

    // Memory of one face's level; empty for render targets.
    std::vector<std::uint8_t>& LevelMemory(std::uint32_t face, std::uint32_t level);

    // Locks a box of a face's level (whole level for null). InvalidCall for render targets,
    // default-pool textures without the dynamic usage, a box outside the level, a locked level, or a
    // compressed box not on block bounds.
    Result LockRegion(std::uint32_t face, std::uint32_t level, const Box* box, std::uint32_t flags,
                      LockedBox* locked);
    Result UnlockRegion(std::uint32_t face, std::uint32_t level);

    // Writes a rectangle of bytes in the engine's layout into a face's level: memory and OpenGL.
    // Compressed formats take block coordinates.
    void WriteRect(std::uint32_t face, std::uint32_t level, const Rect& rect, const std::uint8_t* data,
                   std::uint32_t pitch);
    // Hands a face's whole level from memory to OpenGL.
    void UploadLevel(std::uint32_t face, std::uint32_t level);
    // Reads a face's whole level in the engine's layout (from memory, or from OpenGL for render targets).
    std::vector<std::uint8_t> ReadLevel(std::uint32_t face, std::uint32_t level);

    // Locks a rectangle (null: whole) of a face's level as LockRegion does.
    Result LockLevelRect(std::uint32_t face, std::uint32_t level, LockedRect* locked, const Rect* rect,
                         std::uint32_t flags);

    // The surface of a face's level, shared while anyone holds it; adds a reference.
    Result GetSurface(std::uint32_t face, std::uint32_t level, Surface** surface);
    void ForgetSurface(Surface* surface);

protected:
    BaseTexture(Device& device, std::uint32_t type, std::uint32_t width, std::uint32_t height,
                std::uint32_t depth, std::uint32_t levels, std::uint32_t usage, std::uint32_t format,
                std::uint32_t pool, std::uint32_t faces);
    ~BaseTexture() override;

    // Makes the OpenGL storage; false (traced) when OpenGL refuses.
    bool Allocate();
    // The texture with its storage made, or null (the texture released) when it cannot be.
    template <typename T> static T* Allocated(T* texture);
    // The surface description of a level of a 2D or cube texture.
    Result DescribeLevel(std::uint32_t level, SurfaceDesc* desc) const;

    std::uint32_t width_;
    std::uint32_t height_;
    std::uint32_t depth_;

private:
    void Upload(std::uint32_t face, std::uint32_t level, const Box& box);
    std::size_t LevelBytes(std::uint32_t level) const;
    void GenerateMipmaps();

    std::uint32_t format_;
    std::uint32_t levels_; // levels OpenGL holds
    std::uint32_t faces_;
    std::uint32_t target_ = 0;
    std::uint32_t texture_ = 0;
    std::vector<std::vector<std::uint8_t>> memory_; // [face * levels + level]
    std::vector<bool> locked_;
    std::vector<Box> lockedBox_;
    std::vector<std::uint32_t> lockedFlags_;
    std::vector<Surface*> surfaces_; // shared surfaces, [face * levels + level]
    bool pendingUpload_ = false;
    bool decodeBlocks_ = false; // compressed format without the driver's support: decoded on upload
};

class Texture : public BaseTexture
{
public:
    Result GetLevelDesc(std::uint32_t level, SurfaceDesc* desc) const;
    Result GetSurfaceLevel(std::uint32_t level, Surface** surface);
    Result LockRect(std::uint32_t level, LockedRect* locked, const Rect* rect, std::uint32_t flags);
    Result UnlockRect(std::uint32_t level);

    // Null (traced) when the storage cannot be made; arguments are checked by the device.
    static Texture* Make(Device& device, std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                         std::uint32_t usage, std::uint32_t format, std::uint32_t pool);

private:
    using BaseTexture::BaseTexture;
};

class CubeTexture : public BaseTexture
{
public:
    Result GetLevelDesc(std::uint32_t level, SurfaceDesc* desc) const;
    // Faces 0 to 5: +X, -X, +Y, -Y, +Z, -Z.
    Result GetCubeMapSurface(std::uint32_t face, std::uint32_t level, Surface** surface);
    Result LockRect(std::uint32_t face, std::uint32_t level, LockedRect* locked, const Rect* rect,
                    std::uint32_t flags);
    Result UnlockRect(std::uint32_t face, std::uint32_t level);

    static CubeTexture* Make(Device& device, std::uint32_t edge, std::uint32_t levels, std::uint32_t usage,
                             std::uint32_t format, std::uint32_t pool);

private:
    using BaseTexture::BaseTexture;
};

class VolumeTexture : public BaseTexture
{
public:
    Result GetLevelDesc(std::uint32_t level, VolumeDesc* desc) const;
    Result LockBox(std::uint32_t level, LockedBox* locked, const Box* box, std::uint32_t flags);
    Result UnlockBox(std::uint32_t level);

    static VolumeTexture* Make(Device& device, std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                               std::uint32_t levels, std::uint32_t usage, std::uint32_t format,
                               std::uint32_t pool);

private:
    using BaseTexture::BaseTexture;
};

// Number of levels of a full chain down to 1 × 1 × 1.
std::uint32_t FullChainLength(std::uint32_t width, std::uint32_t height, std::uint32_t depth);

} // namespace Platform::Gfx
