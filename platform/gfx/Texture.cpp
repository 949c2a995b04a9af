#include "platform/gfx/Texture.h"

#include "platform/gfx/Device.h"
#include "platform/gfx/GlContext.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Trace.h"

#include <algorithm>
#include <cstring>

namespace Platform::Gfx
{
namespace
{

std::uint32_t Halve(std::uint32_t size, std::uint32_t level)
{
    return std::max(1u, size >> level);
}

// Unpacking state for a box of a tightly packed level of that size.
void SetUnpackBox(const Box& box, std::uint32_t width, std::uint32_t height)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(width));
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, static_cast<GLint>(height));
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, static_cast<GLint>(box.Left));
    glPixelStorei(GL_UNPACK_SKIP_ROWS, static_cast<GLint>(box.Top));
    glPixelStorei(GL_UNPACK_SKIP_IMAGES, static_cast<GLint>(box.Front));
}

void ClearUnpackBox()
{
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_IMAGES, 0);
}

const char* KindName(std::uint32_t type)
{
    switch (type)
    {
    case ResourceType::CubeTexture:
        return "cube texture";
    case ResourceType::VolumeTexture:
        return "volume texture";
    default:
        return "texture";
    }
}

} // namespace

std::uint32_t FullChainLength(std::uint32_t width, std::uint32_t height, std::uint32_t depth)
{
    std::uint32_t largest = std::max({width, height, depth, 1u});
    std::uint32_t levels = 1;
    while (largest > 1)
    {
        largest >>= 1;
        ++levels;
    }
    return levels;
}

BaseTexture::BaseTexture(Device& device, std::uint32_t type, std::uint32_t width, std::uint32_t height,
                         std::uint32_t depth, std::uint32_t levels, std::uint32_t usage, std::uint32_t format,
                         std::uint32_t pool, std::uint32_t faces)
    : Resource(device, type, usage, pool), width_(width), height_(height), depth_(depth), format_(format),
      faces_(faces)
{
    const std::uint32_t full = FullChainLength(width, height, depth);
    levels_ = (levels == 0 || (usage & Usage::AutoGenMipMap)) ? full : std::min(levels, full);
    const std::size_t count = static_cast<std::size_t>(faces_) * levels_;
    memory_.resize(count);
    locked_.assign(count, false);
    lockedBox_.resize(count);
    lockedFlags_.assign(count, 0);
    surfaces_.assign(count, nullptr);
    if (!IsRenderTarget())
    {
        for (std::uint32_t face = 0; face < faces_; ++face)
        {
            for (std::uint32_t level = 0; level < levels_; ++level)
            {
                memory_[face * levels_ + level].assign(LevelBytes(level), 0);
            }
        }
    }
}

BaseTexture::~BaseTexture()
{
    OwnerDevice().MakeCurrent();
    FreeGlObjects();
}

void BaseTexture::FreeGlObjects()
{
    if (texture_)
    {
        glDeleteTextures(1, &texture_);
        OwnerDevice().TextureBindingsTouched();
        texture_ = 0;
    }
}

bool BaseTexture::IsRenderTarget() const
{
    return (GetUsage() & Usage::RenderTarget) != 0;
}

std::uint32_t BaseTexture::GetLevelCount() const
{
    return (GetUsage() & Usage::AutoGenMipMap) ? 1 : levels_;
}

std::uint32_t BaseTexture::LevelWidth(std::uint32_t level) const
{
    return Halve(width_, level);
}

std::uint32_t BaseTexture::LevelHeight(std::uint32_t level) const
{
    return Halve(height_, level);
}

std::uint32_t BaseTexture::LevelDepth(std::uint32_t level) const
{
    return Halve(depth_, level);
}

std::size_t BaseTexture::LevelBytes(std::uint32_t level) const
{
    return static_cast<std::size_t>(RowPitchOf(format_, LevelWidth(level))) *
           RowCountOf(format_, LevelHeight(level)) * LevelDepth(level);
}

std::uint32_t BaseTexture::GlFaceTarget(std::uint32_t face) const
{
    return target_ == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : target_;
}

std::vector<std::uint8_t>& BaseTexture::LevelMemory(std::uint32_t face, std::uint32_t level)
{
    return memory_[face * levels_ + level];
}

bool BaseTexture::Allocate()
{
    OwnerDevice().MakeCurrent();
    GlFormat gl = GlFormatOf(format_);
    if (gl.internalFormat == 0)
    {
        return false;
    }
    if (gl.compressed && !epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc"))
    {
        // The locked data stays compressed; OpenGL receives it decoded.
        decodeBlocks_ = true;
        gl = GlFormatOf(Format::A8R8G8B8);
    }
    target_ = GetType() == ResourceType::CubeTexture     ? GL_TEXTURE_CUBE_MAP
              : GetType() == ResourceType::VolumeTexture ? GL_TEXTURE_3D
                                                         : GL_TEXTURE_2D;
    while (glGetError() != GL_NO_ERROR)
    {}
    glGenTextures(1, &texture_);
    glBindTexture(target_, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    ClearUnpackBox();
    for (std::uint32_t face = 0; face < faces_; ++face)
    {
        for (std::uint32_t level = 0; level < levels_; ++level)
        {
            const auto width = static_cast<GLsizei>(LevelWidth(level));
            const auto height = static_cast<GLsizei>(LevelHeight(level));
            const std::uint8_t* data =
                memory_[face * levels_ + level].empty() ? nullptr : memory_[face * levels_ + level].data();
            const auto glLevel = static_cast<GLint>(level);
            if (decodeBlocks_)
            {
                const std::vector<std::uint32_t> pixels =
                    DecodeBlocks(format_, LevelWidth(level), LevelHeight(level), data,
                                 memory_[face * levels_ + level].size());
                glTexImage2D(GlFaceTarget(face), glLevel, static_cast<GLint>(gl.internalFormat), width,
                             height, 0, gl.format, gl.type, pixels.data());
            }
            else if (gl.compressed)
            {
                glCompressedTexImage2D(GlFaceTarget(face), glLevel, gl.internalFormat, width, height, 0,
                                       static_cast<GLsizei>(LevelBytes(level)), data);
            }
            else if (target_ == GL_TEXTURE_3D)
            {
                glTexImage3D(target_, glLevel, static_cast<GLint>(gl.internalFormat), width, height,
                             static_cast<GLsizei>(LevelDepth(level)), 0, gl.format, gl.type, data);
            }
            else
            {
                glTexImage2D(GlFaceTarget(face), glLevel, static_cast<GLint>(gl.internalFormat), width,
                             height, 0, gl.format, gl.type, data);
            }
        }
    }
    glTexParameteri(target_, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(target_, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_ - 1));
    glTexParameteriv(target_, GL_TEXTURE_SWIZZLE_RGBA, gl.swizzle);
    glBindTexture(target_, 0);
    OwnerDevice().TextureBindingsTouched();
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
    {
        Trace("cannot make the storage of " + Describe() + ": OpenGL error " + std::to_string(error));
        return false;
    }
    return true;
}

void BaseTexture::Upload(std::uint32_t face, std::uint32_t level, const Box& box)
{
    if (!texture_ || IsRenderTarget())
    {
        return;
    }
    OwnerDevice().MakeCurrent();
    const GlFormat gl = GlFormatOf(format_);
    const std::vector<std::uint8_t>& memory = memory_[face * levels_ + level];
    glBindTexture(target_, texture_);
    const auto glLevel = static_cast<GLint>(level);
    if (decodeBlocks_)
    {
        const std::vector<std::uint32_t> pixels =
            DecodeBlocks(format_, LevelWidth(level), LevelHeight(level), memory.data(), memory.size());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        ClearUnpackBox();
        glTexSubImage2D(GlFaceTarget(face), glLevel, 0, 0, static_cast<GLsizei>(LevelWidth(level)),
                        static_cast<GLsizei>(LevelHeight(level)), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                        pixels.data());
    }
    else if (gl.compressed)
    {
        // Compressed levels go up whole: their blocks cannot be unpacked by rectangle.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        ClearUnpackBox();
        glCompressedTexSubImage2D(GlFaceTarget(face), glLevel, 0, 0, static_cast<GLsizei>(LevelWidth(level)),
                                  static_cast<GLsizei>(LevelHeight(level)), gl.internalFormat,
                                  static_cast<GLsizei>(memory.size()), memory.data());
    }
    else
    {
        SetUnpackBox(box, LevelWidth(level), LevelHeight(level));
        const auto width = static_cast<GLsizei>(box.Right - box.Left);
        const auto height = static_cast<GLsizei>(box.Bottom - box.Top);
        if (target_ == GL_TEXTURE_3D)
        {
            glTexSubImage3D(target_, glLevel, static_cast<GLint>(box.Left), static_cast<GLint>(box.Top),
                            static_cast<GLint>(box.Front), width, height,
                            static_cast<GLsizei>(box.Back - box.Front), gl.format, gl.type, memory.data());
        }
        else
        {
            glTexSubImage2D(GlFaceTarget(face), glLevel, static_cast<GLint>(box.Left),
                            static_cast<GLint>(box.Top), width, height, gl.format, gl.type, memory.data());
        }
        ClearUnpackBox();
    }
    glBindTexture(target_, 0);
    OwnerDevice().TextureBindingsTouched();
    if (level == 0 && (GetUsage() & Usage::AutoGenMipMap))
    {
        GenerateMipmaps();
    }
}

void BaseTexture::UploadLevel(std::uint32_t face, std::uint32_t level)
{
    Upload(face, level, {0, 0, LevelWidth(level), LevelHeight(level), 0, LevelDepth(level)});
}

void BaseTexture::GenerateMipmaps()
{
    if (!texture_ || levels_ < 2 || IsCompressed(format_))
    {
        return;
    }
    OwnerDevice().MakeCurrent();
    glBindTexture(target_, texture_);
    glGenerateMipmap(target_);
    glBindTexture(target_, 0);
    OwnerDevice().TextureBindingsTouched();
}

void BaseTexture::PreLoad()
{
    if (pendingUpload_)
    {
        pendingUpload_ = false;
        for (std::uint32_t face = 0; face < faces_; ++face)
        {
            for (std::uint32_t level = 0; level < levels_; ++level)
            {
                Upload(face, level, {0, 0, LevelWidth(level), LevelHeight(level), 0, LevelDepth(level)});
            }
        }
    }
}

Result BaseTexture::LockRegion(std::uint32_t face, std::uint32_t level, const Box* box, std::uint32_t flags,
                               LockedBox* locked)
{
    OwnerDevice().AssertThread();
    if (!locked || face >= faces_ || level >= GetLevelCount() || IsRenderTarget())
    {
        return InvalidCall;
    }
    if (GetPool() == Pool::Default && !(GetUsage() & Usage::Dynamic))
    {
        return InvalidCall;
    }
    const std::size_t index = face * levels_ + level;
    if (locked_[index])
    {
        return InvalidCall;
    }
    Box area{0, 0, LevelWidth(level), LevelHeight(level), 0, LevelDepth(level)};
    if (box)
    {
        if (box->Left >= box->Right || box->Top >= box->Bottom || box->Front >= box->Back ||
            box->Right > area.Right || box->Bottom > area.Bottom || box->Back > area.Back)
        {
            return InvalidCall;
        }
        if (IsCompressed(format_) && (box->Left % 4 != 0 || box->Top % 4 != 0))
        {
            return InvalidCall;
        }
        area = *box;
    }
    const std::uint32_t rowPitch = RowPitchOf(format_, LevelWidth(level));
    const std::uint32_t slicePitch = rowPitch * RowCountOf(format_, LevelHeight(level));
    const std::uint32_t pixelBytes = IsCompressed(format_) ? BlockBytes(format_) : BytesPerPixel(format_);
    const std::uint32_t unit = IsCompressed(format_) ? 4 : 1;
    locked->RowPitch = static_cast<std::int32_t>(rowPitch);
    locked->SlicePitch = static_cast<std::int32_t>(slicePitch);
    locked->pBits = memory_[index].data() + static_cast<std::size_t>(area.Front) * slicePitch +
                    static_cast<std::size_t>(area.Top / unit) * rowPitch +
                    static_cast<std::size_t>(area.Left / unit) * pixelBytes;
    locked_[index] = true;
    lockedBox_[index] = area;
    lockedFlags_[index] = flags;
    return Ok;
}

Result BaseTexture::UnlockRegion(std::uint32_t face, std::uint32_t level)
{
    OwnerDevice().AssertThread();
    if (face >= faces_ || level >= levels_ || !locked_[face * levels_ + level])
    {
        return InvalidCall;
    }
    const std::size_t index = face * levels_ + level;
    locked_[index] = false;
    if (!(lockedFlags_[index] & LockFlag::ReadOnly))
    {
        Upload(face, level, lockedBox_[index]);
    }
    return Ok;
}

void BaseTexture::WriteRect(std::uint32_t face, std::uint32_t level, const Rect& rect,
                            const std::uint8_t* data, std::uint32_t pitch)
{
    const std::uint32_t pixelBytes = IsCompressed(format_) ? BlockBytes(format_) : BytesPerPixel(format_);
    const auto width = static_cast<std::size_t>(rect.right - rect.left);
    const auto height = static_cast<std::size_t>(rect.bottom - rect.top);
    if (IsRenderTarget())
    {
        OwnerDevice().MakeCurrent();
        const GlFormat gl = GlFormatOf(format_);
        glBindTexture(target_, texture_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        ClearUnpackBox();
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / pixelBytes));
        glTexSubImage2D(GlFaceTarget(face), static_cast<GLint>(level), rect.left, rect.top,
                        static_cast<GLsizei>(width), static_cast<GLsizei>(height), gl.format, gl.type, data);
        ClearUnpackBox();
        glBindTexture(target_, 0);
        OwnerDevice().TextureBindingsTouched();
        return;
    }
    std::vector<std::uint8_t>& memory = memory_[face * levels_ + level];
    const std::size_t levelPitch = RowPitchOf(format_, LevelWidth(level));
    for (std::size_t y = 0; y < height; ++y)
    {
        std::memcpy(memory.data() + (rect.top + y) * levelPitch + rect.left * pixelBytes, data + y * pitch,
                    width * pixelBytes);
    }
    const std::uint32_t unit = IsCompressed(format_) ? 4 : 1;
    Upload(face, level,
           {static_cast<std::uint32_t>(rect.left) * unit, static_cast<std::uint32_t>(rect.top) * unit,
            std::min(LevelWidth(level), static_cast<std::uint32_t>(rect.right) * unit),
            std::min(LevelHeight(level), static_cast<std::uint32_t>(rect.bottom) * unit), 0, 1});
}

std::vector<std::uint8_t> BaseTexture::ReadLevel(std::uint32_t face, std::uint32_t level)
{
    if (!IsRenderTarget())
    {
        return memory_[face * levels_ + level];
    }
    std::vector<std::uint8_t> bytes(LevelBytes(level));
    OwnerDevice().MakeCurrent();
    const GlFormat gl = GlFormatOf(format_);
    glBindTexture(target_, texture_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glGetTexImage(GlFaceTarget(face), static_cast<GLint>(level), gl.format, gl.type, bytes.data());
    glBindTexture(target_, 0);
    OwnerDevice().TextureBindingsTouched();
    return bytes;
}

Result BaseTexture::GetSurface(std::uint32_t face, std::uint32_t level, Surface** surface)
{
    if (!surface || face >= faces_ || level >= GetLevelCount() || GetType() == ResourceType::VolumeTexture)
    {
        return InvalidCall;
    }
    Surface*& shared = surfaces_[face * levels_ + level];
    if (shared)
    {
        shared->AddRef();
    }
    else
    {
        SurfaceDesc desc;
        desc.Format = format_;
        desc.Usage = GetUsage();
        desc.Pool = GetPool();
        desc.Width = LevelWidth(level);
        desc.Height = LevelHeight(level);
        shared = Surface::MakeTextureLevel(*this, desc, face, level);
    }
    *surface = shared;
    return Ok;
}

void BaseTexture::ForgetSurface(Surface* surface)
{
    std::replace(surfaces_.begin(), surfaces_.end(), surface, static_cast<Surface*>(nullptr));
}

std::string BaseTexture::Describe() const
{
    std::string size = std::to_string(width_) + "x" + std::to_string(height_);
    if (GetType() == ResourceType::VolumeTexture)
    {
        size += "x" + std::to_string(depth_);
    }
    return std::string(KindName(GetType())) + " " + size + " format " + std::to_string(format_) + " pool " +
           std::to_string(GetPool());
}

Result BaseTexture::DescribeLevel(std::uint32_t level, SurfaceDesc* desc) const
{
    if (!desc || level >= GetLevelCount())
    {
        return InvalidCall;
    }
    *desc = {};
    desc->Format = format_;
    desc->Type = ResourceType::Surface;
    desc->Usage = GetUsage();
    desc->Pool = GetPool();
    desc->Width = LevelWidth(level);
    desc->Height = LevelHeight(level);
    return Ok;
}

Result BaseTexture::LockLevelRect(std::uint32_t face, std::uint32_t level, LockedRect* locked,
                                  const Rect* rect, std::uint32_t flags)
{
    if (!locked || (rect && (rect->left < 0 || rect->top < 0)))
    {
        return InvalidCall;
    }
    Box box;
    if (rect)
    {
        box = {static_cast<std::uint32_t>(rect->left),
               static_cast<std::uint32_t>(rect->top),
               static_cast<std::uint32_t>(rect->right),
               static_cast<std::uint32_t>(rect->bottom),
               0,
               1};
    }
    LockedBox lockedBox;
    const Result result = LockRegion(face, level, rect ? &box : nullptr, flags, &lockedBox);
    locked->Pitch = lockedBox.RowPitch;
    locked->pBits = lockedBox.pBits;
    return result;
}

template <typename T> T* BaseTexture::Allocated(T* texture)
{
    if (!texture->Allocate())
    {
        texture->Release();
        return nullptr;
    }
    return texture;
}

Texture* Texture::Make(Device& device, std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                       std::uint32_t usage, std::uint32_t format, std::uint32_t pool)
{
    auto* texture =
        new Texture(device, ResourceType::Texture, width, height, 1, levels, usage, format, pool, 1);
    return Allocated(texture);
}

Result Texture::GetLevelDesc(std::uint32_t level, SurfaceDesc* desc) const
{
    return DescribeLevel(level, desc);
}

Result Texture::GetSurfaceLevel(std::uint32_t level, Surface** surface)
{
    return GetSurface(0, level, surface);
}

Result Texture::LockRect(std::uint32_t level, LockedRect* locked, const Rect* rect, std::uint32_t flags)
{
    return LockLevelRect(0, level, locked, rect, flags);
}

Result Texture::UnlockRect(std::uint32_t level)
{
    return UnlockRegion(0, level);
}

CubeTexture* CubeTexture::Make(Device& device, std::uint32_t edge, std::uint32_t levels, std::uint32_t usage,
                               std::uint32_t format, std::uint32_t pool)
{
    auto* texture =
        new CubeTexture(device, ResourceType::CubeTexture, edge, edge, 1, levels, usage, format, pool, 6);
    return Allocated(texture);
}

Result CubeTexture::GetLevelDesc(std::uint32_t level, SurfaceDesc* desc) const
{
    return DescribeLevel(level, desc);
}

Result CubeTexture::GetCubeMapSurface(std::uint32_t face, std::uint32_t level, Surface** surface)
{
    return GetSurface(face, level, surface);
}

Result CubeTexture::LockRect(std::uint32_t face, std::uint32_t level, LockedRect* locked, const Rect* rect,
                             std::uint32_t flags)
{
    return LockLevelRect(face, level, locked, rect, flags);
}

Result CubeTexture::UnlockRect(std::uint32_t face, std::uint32_t level)
{
    return UnlockRegion(face, level);
}

VolumeTexture* VolumeTexture::Make(Device& device, std::uint32_t width, std::uint32_t height,
                                   std::uint32_t depth, std::uint32_t levels, std::uint32_t usage,
                                   std::uint32_t format, std::uint32_t pool)
{
    auto* texture = new VolumeTexture(device, ResourceType::VolumeTexture, width, height, depth, levels,
                                      usage, format, pool, 1);
    return Allocated(texture);
}

Result VolumeTexture::GetLevelDesc(std::uint32_t level, VolumeDesc* desc) const
{
    if (!desc || level >= GetLevelCount())
    {
        return InvalidCall;
    }
    *desc = {Format(),          ResourceType::Volume, GetUsage(),       GetPool(),
             LevelWidth(level), LevelHeight(level),   LevelDepth(level)};
    return Ok;
}

Result VolumeTexture::LockBox(std::uint32_t level, LockedBox* locked, const Box* box, std::uint32_t flags)
{
    return LockRegion(0, level, box, flags, locked);
}

Result VolumeTexture::UnlockBox(std::uint32_t level)
{
    return UnlockRegion(0, level);
}

} // namespace Platform::Gfx
