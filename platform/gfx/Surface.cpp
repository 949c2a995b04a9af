#include "platform/gfx/Surface.h"

#include "platform/gfx/Device.h"
#include "platform/gfx/GlContext.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/Trace.h"

#include <algorithm>

namespace Platform::Gfx
{

std::uint32_t SamplesOf(std::uint32_t multiSampleType, std::uint32_t quality)
{
    if (multiSampleType == MultiSample::None)
    {
        return 0;
    }
    if (multiSampleType == MultiSample::NonMaskable)
    {
        return 2u << quality;
    }
    return multiSampleType;
}

Surface::Surface(Device& device, Kind kind, const SurfaceDesc& desc, bool ownedByDevice)
    : DeviceChild(device, ownedByDevice), kind_(kind), desc_(desc)
{}

Surface::~Surface()
{
    OwnerDevice().MakeCurrent();
    FreeGlObjects();
    if (container_)
    {
        container_->ForgetSurface(this);
        container_->Drop();
    }
}

Surface* Surface::MakeTextureLevel(BaseTexture& texture, const SurfaceDesc& desc, std::uint32_t face,
                                   std::uint32_t level)
{
    const Kind kind = texture.IsRenderTarget() ? Kind::RenderTarget : Kind::Plain;
    auto* surface = new Surface(texture.OwnerDevice(), kind, desc, false);
    surface->container_ = &texture;
    surface->face_ = face;
    surface->level_ = level;
    texture.Hold();
    return surface;
}

std::uint32_t Surface::GlTexture() const
{
    return container_ ? container_->GlTexture() : texture_;
}

std::uint32_t Surface::GlTextureTarget() const
{
    return container_ ? container_->GlFaceTarget(face_) : GL_TEXTURE_2D;
}

std::vector<std::uint8_t>& Surface::Memory()
{
    return container_ ? container_->LevelMemory(face_, level_) : memory_;
}

bool Surface::ReadRect(const Rect& rect, std::vector<std::uint8_t>& bytes)
{
    const std::uint32_t format = desc_.Format;
    const std::size_t pixel = IsCompressed(format) ? BlockBytes(format) : BytesPerPixel(format);
    const auto width = static_cast<std::size_t>(rect.right - rect.left);
    const auto height = static_cast<std::size_t>(rect.bottom - rect.top);
    bytes.resize(width * height * pixel);
    if (kind_ == Kind::DepthStencil || pixel == 0)
    {
        return false;
    }
    if (kind_ == Kind::Plain)
    {
        const std::vector<std::uint8_t>& memory = Memory();
        const std::size_t pitch = RowPitchOf(format, desc_.Width);
        for (std::size_t y = 0; y < height; ++y)
        {
            const std::size_t from = (static_cast<std::size_t>(rect.top) + y) * pitch + rect.left * pixel;
            std::copy_n(memory.begin() + static_cast<std::ptrdiff_t>(from), width * pixel,
                        bytes.begin() + static_cast<std::ptrdiff_t>(y * width * pixel));
        }
        return true;
    }
    Device& device = OwnerDevice();
    device.MakeCurrent();
    Resolve();
    const GlFormat gl = GlFormatOf(format);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, device.ReadFramebuffer());
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GlTextureTarget(), GlTexture(),
                           static_cast<GLint>(level_));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(rect.left, rect.top, static_cast<GLsizei>(width), static_cast<GLsizei>(height), gl.format,
                 gl.type, bytes.data());
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    device.TargetsChanged();
    return true;
}

bool Surface::WriteRect(const Rect& rect, const std::uint8_t* bytes)
{
    const std::uint32_t format = desc_.Format;
    const std::size_t pixel = IsCompressed(format) ? BlockBytes(format) : BytesPerPixel(format);
    const auto width = static_cast<std::size_t>(rect.right - rect.left);
    const auto height = static_cast<std::size_t>(rect.bottom - rect.top);
    if (kind_ == Kind::DepthStencil || pixel == 0 || samples_ > 0)
    {
        return false;
    }
    if (container_)
    {
        container_->WriteRect(face_, level_, rect, bytes, static_cast<std::uint32_t>(width * pixel));
        return true;
    }
    if (kind_ == Kind::Plain)
    {
        const std::size_t pitch = RowPitchOf(format, desc_.Width);
        for (std::size_t y = 0; y < height; ++y)
        {
            std::copy_n(bytes + y * width * pixel, width * pixel,
                        memory_.begin() +
                            static_cast<std::ptrdiff_t>((rect.top + y) * pitch + rect.left * pixel));
        }
        return true;
    }
    OwnerDevice().MakeCurrent();
    const GlFormat gl = GlFormatOf(format);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, rect.left, rect.top, static_cast<GLsizei>(width),
                    static_cast<GLsizei>(height), gl.format, gl.type, bytes);
    glBindTexture(GL_TEXTURE_2D, 0);
    OwnerDevice().TextureBindingsTouched();
    return true;
}

void Surface::FreeGlObjects()
{
    if (texture_)
    {
        glDeleteTextures(1, &texture_);
        OwnerDevice().TextureBindingsTouched();
        texture_ = 0;
    }
    if (renderbuffer_)
    {
        glDeleteRenderbuffers(1, &renderbuffer_);
        renderbuffer_ = 0;
    }
}

bool Surface::AllocateGl()
{
    Device& device = OwnerDevice();
    device.MakeCurrent();
    const GlFormat gl = GlFormatOf(desc_.Format);
    if (gl.internalFormat == 0)
    {
        return false;
    }
    samples_ = SamplesOf(desc_.MultiSampleType, desc_.MultiSampleQuality);
    while (glGetError() != GL_NO_ERROR)
    {}
    const auto width = static_cast<GLsizei>(desc_.Width);
    const auto height = static_cast<GLsizei>(desc_.Height);
    if (kind_ == Kind::DepthStencil || samples_ > 0)
    {
        glGenRenderbuffers(1, &renderbuffer_);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer_);
        if (samples_ > 0)
        {
            glRenderbufferStorageMultisample(GL_RENDERBUFFER, static_cast<GLsizei>(samples_),
                                             gl.internalFormat, width, height);
        }
        else
        {
            glRenderbufferStorage(GL_RENDERBUFFER, gl.internalFormat, width, height);
        }
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
    }
    if (kind_ == Kind::RenderTarget)
    {
        // The single-sample picture: the target itself, or where a multisampled one is resolved.
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(gl.internalFormat), width, height, 0, gl.format,
                     gl.type, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        OwnerDevice().TextureBindingsTouched();
    }
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
    {
        Trace("cannot make the storage of " + Describe() + ": OpenGL error " + std::to_string(error));
        return false;
    }
    return true;
}

Surface* Surface::MakeRenderTarget(Device& device, const SurfaceDesc& desc, bool backBuffer)
{
    auto* surface = new Surface(device, Kind::RenderTarget, desc, backBuffer);
    surface->backBuffer_ = backBuffer;
    if (!surface->AllocateGl())
    {
        surface->Release();
        return nullptr;
    }
    return surface;
}

Surface* Surface::MakeDepthStencil(Device& device, const SurfaceDesc& desc, bool ownedByDevice)
{
    auto* surface = new Surface(device, Kind::DepthStencil, desc, ownedByDevice);
    surface->automatic_ = ownedByDevice;
    if (!surface->AllocateGl())
    {
        surface->Release();
        return nullptr;
    }
    return surface;
}

Surface* Surface::MakePlain(Device& device, const SurfaceDesc& desc)
{
    auto* surface = new Surface(device, Kind::Plain, desc, false);
    surface->memory_.assign(static_cast<std::size_t>(RowPitchOf(desc.Format, desc.Width)) *
                                RowCountOf(desc.Format, desc.Height),
                            0);
    return surface;
}

void Surface::Resolve()
{
    if (kind_ != Kind::RenderTarget || samples_ == 0)
    {
        return;
    }
    Device& device = OwnerDevice();
    device.MakeCurrent();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, device.ReadFramebuffer());
    glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, device.DrawFramebuffer());
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    const auto width = static_cast<GLint>(desc_.Width);
    const auto height = static_cast<GLint>(desc_.Height);
    glDisable(GL_SCISSOR_TEST);
    device.RenderStatesTouched();
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

Result Surface::GetDesc(SurfaceDesc* desc) const
{
    if (!desc)
    {
        return InvalidCall;
    }
    *desc = desc_;
    return Ok;
}

Result Surface::LockRect(LockedRect* locked, const Rect* rect, std::uint32_t flags)
{
    OwnerDevice().AssertThread();
    if (container_)
    {
        return container_->LockLevelRect(face_, level_, locked, rect, flags);
    }
    if (!locked || kind_ != Kind::Plain || locked_)
    {
        return InvalidCall;
    }
    // Compressed formats lock whole 4 × 4 blocks.
    const bool compressed = IsCompressed(desc_.Format);
    const std::int32_t unit = compressed ? 4 : 1;
    const std::uint32_t bytes = compressed ? BlockBytes(desc_.Format) : BytesPerPixel(desc_.Format);
    Rect area{0, 0, static_cast<std::int32_t>(desc_.Width), static_cast<std::int32_t>(desc_.Height)};
    if (rect)
    {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            rect->right > area.right || rect->bottom > area.bottom || rect->left % unit != 0 ||
            rect->top % unit != 0)
        {
            return InvalidCall;
        }
        area = *rect;
    }
    const std::size_t pitch = RowPitchOf(desc_.Format, desc_.Width);
    locked->Pitch = static_cast<std::int32_t>(pitch);
    locked->pBits = memory_.data() + static_cast<std::size_t>(area.top / unit) * pitch +
                    static_cast<std::size_t>(area.left / unit) * bytes;
    locked_ = true;
    return Ok;
}

Result Surface::UnlockRect()
{
    if (container_)
    {
        return container_->UnlockRegion(face_, level_);
    }
    if (!locked_)
    {
        return InvalidCall;
    }
    locked_ = false;
    return Ok;
}

std::string Surface::Describe() const
{
    if (container_)
    {
        return "level " + std::to_string(level_) + " of " + container_->Describe();
    }
    std::string kind;
    switch (kind_)
    {
    case Kind::RenderTarget:
        kind = backBuffer_ ? "back buffer" : "render target";
        break;
    case Kind::DepthStencil:
        kind = "depth-stencil surface";
        break;
    case Kind::Plain:
        kind = "plain surface";
        break;
    }
    return kind + " " + std::to_string(desc_.Width) + "x" + std::to_string(desc_.Height) + " format " +
           std::to_string(desc_.Format) + " pool " + std::to_string(desc_.Pool);
}

bool Surface::BlocksReset() const
{
    if (RefCount() == 0)
    {
        return false;
    }
    if (container_)
    {
        return container_->GetPool() == Pool::Default;
    }
    // A swap chain's automatic depth-stencil buffer is replaced by a reset, never waited for.
    return backBuffer_ || (desc_.Pool == Pool::Default && !automatic_);
}

} // namespace Platform::Gfx
