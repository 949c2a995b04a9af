#pragma once

#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"

#include <array>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace Platform::Gfx
{

class DeviceChild;
class Graphics;
class Surface;
class SwapChain;
struct AdapterProfile;
struct GlContext;

// Calls that reached the device, per kind, so that tests can check what a caller filtered.
struct DeviceCounters
{
    std::uint64_t renderStates = 0;
    std::uint64_t textures = 0;
    std::uint64_t samplerStates = 0;
    std::uint64_t textureStageStates = 0;
    std::uint64_t shaders = 0;
    std::uint64_t constants = 0;
    std::uint64_t streamSources = 0;
    std::uint64_t drawCalls = 0;
    std::uint64_t clears = 0;
    std::uint64_t presents = 0;
};

// The rendering device: one OpenGL 3.3 core context that draws into one off-screen back buffer per
// display head and shows each in its head's window. Every call must come from the thread that made
// the device (asserted in debug builds).
//
// Device loss is emulated: while lost, presents answer DeviceLost and show nothing, clears succeed
// and do nothing; Reset rebuilds the swap chains once nothing from the default pool is referenced
// from outside the device.
class Device : public CountedObject
{
public:
    // --- Loss and reset ---

    // Ok, DeviceLost (cannot be reset yet) or DeviceNotReset (Reset may be called).
    Result TestCooperativeLevel();

    // Drops every binding, then rebuilds the implicit swap chains from the records (one per swap
    // chain) and puts every state back to its default. InvalidCall, with one trace line naming the
    // objects, while a default-pool object or an implicit swap chain or back buffer is still
    // referenced from outside the device; the device then stays in need of a reset.
    Result Reset(PresentParameters* records);

    // Test hook: the device is lost for the next lostPasses calls of TestCooperativeLevel, then
    // needs a reset until one succeeds.
    void SimulateDeviceLoss(std::uint32_t lostPasses);

    // --- Swap chains and presenting ---

    std::uint32_t GetNumberOfSwapChains() const;
    // Adds a reference. InvalidCall for an index at or past GetNumberOfSwapChains.
    Result GetSwapChain(std::uint32_t index, SwapChain** swapChain);
    // A swap chain for a further head's window; it accepts a full-screen record. The caller owns the
    // one reference; it blocks a reset until released.
    Result CreateAdditionalSwapChain(PresentParameters* record, SwapChain** swapChain);
    // Back buffer of an implicit swap chain; adds a reference.
    Result GetBackBuffer(std::uint32_t swapChain, std::uint32_t index, std::uint32_t type, Surface** surface);
    // Presents implicit swap chain 0 (and the other implicit ones) into their windows.
    Result Present(const Rect* source, const Rect* destination, WindowHandle window, const void* dirty);
    Result GetCreationParameters(DeviceCreationParameters* parameters) const;
    Result GetDeviceCaps(Caps* caps) const;
    // Adds a reference to the graphics object.
    Result GetDirect3D(Graphics** graphics);
    Result GetDisplayMode(std::uint32_t swapChain, DisplayMode* mode);

    // --- Surfaces ---

    Result CreateRenderTarget(std::uint32_t width, std::uint32_t height, std::uint32_t format,
                              std::uint32_t multiSampleType, std::uint32_t multiSampleQuality, bool lockable,
                              Surface** surface, void* sharedHandle);
    Result CreateDepthStencilSurface(std::uint32_t width, std::uint32_t height, std::uint32_t format,
                                     std::uint32_t multiSampleType, std::uint32_t multiSampleQuality,
                                     bool discard, Surface** surface, void* sharedHandle);
    // Any pool; the surface lives in memory and locks in every pool.
    Result CreateOffscreenPlainSurface(std::uint32_t width, std::uint32_t height, std::uint32_t format,
                                       std::uint32_t pool, Surface** surface, void* sharedHandle);
    // Copies a render target's pixels into a plain surface of the same size and format.
    Result GetRenderTargetData(Surface* renderTarget, Surface* destination);

    // --- Targets, viewport, clears ---

    // Index 0 only. Also makes the viewport the whole target.
    Result SetRenderTarget(std::uint32_t index, Surface* surface);
    // Adds a reference; NotFound when no target is set.
    Result GetRenderTarget(std::uint32_t index, Surface** surface);
    // Null detaches the depth-stencil buffer.
    Result SetDepthStencilSurface(Surface* surface);
    // Adds a reference; NotFound when none is set.
    Result GetDepthStencilSurface(Surface** surface);
    Result SetViewport(const Viewport* viewport);
    Result GetViewport(Viewport* viewport) const;
    // Rectangle in target pixels, top-left origin; used while the scissor test is on.
    Result SetScissorRect(const Rect* rect);
    Result GetScissorRect(Rect* rect) const;

    // Fills the viewport (or the given rectangles within it, and only inside the scissor rectangle
    // while the scissor test is on). colour is 0xAARRGGBB. Clearing depth or stencil without a
    // depth-stencil buffer answers InvalidCall.
    Result Clear(std::uint32_t count, const Rect* rects, std::uint32_t flags, std::uint32_t color, float z,
                 std::uint32_t stencil);
    // Nested or unmatched calls answer InvalidCall.
    Result BeginScene();
    Result EndScene();

    // --- States ---

    // States 0 .. RenderStateCount - 1; others answer InvalidCall.
    Result SetRenderState(std::uint32_t state, std::uint32_t value);
    Result GetRenderState(std::uint32_t state, std::uint32_t* value) const;
    Result SetSoftwareVertexProcessing(bool software);
    bool GetSoftwareVertexProcessing() const { return softwareVertexProcessing_; }

    const DeviceCounters& Counters() const { return counters_; }
    DeviceCounters& Counters() { return counters_; }

    // --- For the layer's own objects ---

    // Makes the device's context current on this thread when it is not.
    void MakeCurrent();
    void RegisterChild(DeviceChild* child);
    void UnregisterChild(DeviceChild* child);
    bool IsLost() const { return loss_ != Loss::None; }
    // Checks that the caller is on the device's thread (debug builds).
    void AssertThread() const;
    // Binds the render target and depth-stencil buffer for drawing; false when there is no target.
    bool BindTargets();
    // Reads a render target, back buffer or plain surface as 0xAARRGGBB pixels, top row first.
    Result ReadPixels(Surface* surface, std::vector<std::uint32_t>& pixels);
    // Scratch framebuffers for copies; the device owns them.
    std::uint32_t ReadFramebuffer() const { return readFramebuffer_; }
    std::uint32_t DrawFramebuffer() const { return copyFramebuffer_; }
    const AdapterProfile& Profile() const { return *profile_; }

    // Made by Graphics::CreateDevice; null with a result when the records are refused.
    static Result Create(Graphics& graphics, const AdapterProfile& profile, std::uint32_t adapter,
                         std::uint32_t deviceType, WindowHandle focusWindow, std::uint32_t behaviorFlags,
                         PresentParameters* records, Device** device);

private:
    enum class Loss
    {
        None,
        Lost,     // lost for lostPasses more checks (or while a full-screen window is inactive)
        NotReset, // may be reset
    };

    Device(Graphics& graphics, const AdapterProfile& profile);
    ~Device() override;
    void OnUnreferenced() override;

    Result ValidateRecord(PresentParameters& record) const;
    Result BuildSwapChains(PresentParameters* records, std::uint32_t count);
    void ReleaseImplicitObjects();
    void DropBindings();
    void ResetStates();
    bool FullScreenWindowInactive();

    Graphics* graphics_;
    std::unique_ptr<AdapterProfile> profile_;
    std::unique_ptr<GlContext> context_;
    std::thread::id thread_;
    DeviceCreationParameters creation_;
    std::vector<SwapChain*> swapChains_;
    std::uint32_t implicitCount_ = 1; // implicit swap chains the device makes at creation and reset
    std::vector<DeviceChild*> children_;
    Surface* renderTarget_ = nullptr;
    Surface* depthStencil_ = nullptr;
    bool targetsDirty_ = true;
    Viewport viewport_;
    Rect scissor_;
    std::array<std::uint32_t, RenderStateCount> renderStates_{};
    bool softwareVertexProcessing_ = false;
    bool inScene_ = false;
    Loss loss_ = Loss::None;
    std::uint32_t lostPasses_ = 0;
    bool lostByFocus_ = false;
    bool hadFocus_ = false;
    std::uint32_t drawFramebuffer_ = 0;
    std::uint32_t readFramebuffer_ = 0;
    std::uint32_t copyFramebuffer_ = 0;
    DeviceCounters counters_;
};

} // namespace Platform::Gfx
