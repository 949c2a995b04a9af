#pragma once

#include "platform/gfx/CountedObject.h"
#include "platform/gfx/FixedFunction.h"
#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Platform::Gfx
{

class BaseTexture;
class CubeTexture;
class DeviceChild;
class Graphics;
class IndexBuffer;
class Shader;
class Surface;
class SwapChain;
class Texture;
class VertexBuffer;
class VertexDeclaration;
class VolumeTexture;
struct VertexElement;
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
    // Times the device made its context current on another window (a head's or its hidden one).
    std::uint64_t contextSwitches = 0;
    // Programs the layer wrote and compiled for draws without a vertex or a pixel program.
    std::uint64_t generatedPrograms = 0;
};

// The render states' values after creation and after every reset.
std::array<std::uint32_t, RenderStateCount> DefaultRenderStates(bool depthBuffer);

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

    // --- Textures, buffers, declarations, programs ---

    // levels 0: the full chain. Formats as CheckDeviceFormat accepts them; render targets only in the
    // default pool; InvalidCall otherwise.
    Result CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                         std::uint32_t format, std::uint32_t pool, Texture** texture, void* sharedHandle);
    Result CreateCubeTexture(std::uint32_t edge, std::uint32_t levels, std::uint32_t usage,
                             std::uint32_t format, std::uint32_t pool, CubeTexture** texture,
                             void* sharedHandle);
    Result CreateVolumeTexture(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                               std::uint32_t levels, std::uint32_t usage, std::uint32_t format,
                               std::uint32_t pool, VolumeTexture** texture, void* sharedHandle);
    Result CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                              std::uint32_t pool, VertexBuffer** buffer, void* sharedHandle);
    // format: Format::Index16 or Format::Index32.
    Result CreateIndexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t format,
                             std::uint32_t pool, IndexBuffer** buffer, void* sharedHandle);
    // Elements up to DeclarationEnd.
    Result CreateVertexDeclaration(const VertexElement* elements, VertexDeclaration** declaration);
    // GLSL programs (see Shader.h); InvalidCall with the compiler's log when they do not compile.
    Result CreateVertexShader(const char* source, Shader** shader, std::string* log = nullptr);
    Result CreatePixelShader(const char* source, Shader** shader, std::string* log = nullptr);
    // Links the pair now (it is cached for drawing); InvalidCall with the linker's log on failure.
    Result CheckProgramLink(Shader* vertexShader, Shader* pixelShader, std::string* log);

    // Copies every level of the destination from the source level of the same size: same type and
    // format, any pools. InvalidCall otherwise.
    Result UpdateTexture(BaseTexture* source, BaseTexture* destination);
    // Copies a rectangle (null: the whole source) to a point (null: the origin) of a surface of the same
    // format, any pools. InvalidCall for different formats, depth-stencil or multisampled surfaces, or
    // rectangles outside either surface.
    Result UpdateSurface(Surface* source, const Rect* sourceRect, Surface* destination,
                         const Platform::Point* destinationPoint);

    // --- Bindings and states read at draw time ---

    Result SetTexture(std::uint32_t stage, BaseTexture* texture);
    // Adds a reference; null when none is set.
    Result GetTexture(std::uint32_t stage, BaseTexture** texture);
    Result SetSamplerState(std::uint32_t sampler, std::uint32_t type, std::uint32_t value);
    Result GetSamplerState(std::uint32_t sampler, std::uint32_t type, std::uint32_t* value) const;
    Result SetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value);
    Result GetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t* value) const;
    Result SetVertexShader(Shader* shader);
    Result GetVertexShader(Shader** shader);
    Result SetPixelShader(Shader* shader);
    Result GetPixelShader(Shader** shader);
    // Registers start .. start + count - 1 of four values each: 256 float, 16 int and 16 bool registers.
    Result SetVertexShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count);
    Result GetVertexShaderConstantF(std::uint32_t start, float* data, std::uint32_t count) const;
    Result SetVertexShaderConstantI(std::uint32_t start, const std::int32_t* data, std::uint32_t count);
    Result SetVertexShaderConstantB(std::uint32_t start, const std::int32_t* data, std::uint32_t count);
    Result SetPixelShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count);
    Result GetPixelShaderConstantF(std::uint32_t start, float* data, std::uint32_t count) const;
    Result SetPixelShaderConstantI(std::uint32_t start, const std::int32_t* data, std::uint32_t count);
    Result SetPixelShaderConstantB(std::uint32_t start, const std::int32_t* data, std::uint32_t count);
    // offset in bytes; stride in bytes per vertex.
    Result SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t offset,
                           std::uint32_t stride);
    Result GetStreamSource(std::uint32_t stream, VertexBuffer** buffer, std::uint32_t* offset,
                           std::uint32_t* stride);
    Result SetIndices(IndexBuffer* buffer);
    Result GetIndices(IndexBuffer** buffer);
    Result SetVertexDeclaration(VertexDeclaration* declaration);
    Result GetVertexDeclaration(VertexDeclaration** declaration);
    // The declaration a flexible vertex format describes; 0 clears it.
    Result SetFVF(std::uint32_t fvf);
    Result GetFVF(std::uint32_t* fvf) const;
    Result SetTransform(std::uint32_t state, const Matrix* matrix);
    Result GetTransform(std::uint32_t state, Matrix* matrix) const;
    Result SetMaterial(const Material* material);
    Result GetMaterial(Material* material) const;
    Result SetLight(std::uint32_t index, const Light* light);
    Result GetLight(std::uint32_t index, Light* light) const;
    Result LightEnable(std::uint32_t index, bool enable);
    Result GetLightEnable(std::uint32_t index, bool* enable) const;
    Result SetNPatchMode(float segments);
    float GetNPatchMode() const { return nPatchSegments_; }

    // --- Draws ---

    // Inside BeginScene/EndScene, with a declaration (or FVF). A missing vertex or pixel program is
    // replaced by one the layer writes from the declaration, the transforms and the texture-stage states
    // (FixedFunction.h). A draw that would read past a bound stream's buffer or past the index buffer
    // answers InvalidCall (traced) and draws nothing. While the device is lost a draw succeeds and draws
    // nothing.
    Result DrawPrimitive(std::uint32_t type, std::uint32_t startVertex, std::uint32_t primitiveCount);
    Result DrawIndexedPrimitive(std::uint32_t type, std::int32_t baseVertex, std::uint32_t minIndex,
                                std::uint32_t vertexCount, std::uint32_t startIndex,
                                std::uint32_t primitiveCount);

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
    // For a view that mirrors the picture (a right-handed camera): every triangle's winding turns on the
    // screen, so the cull modes are applied to the mirrored winding and cull what they cull unmirrored.
    // Off at creation; set it only around the mirrored view's draws.
    void SetMirroredView(bool mirrored);
    bool IsMirroredView() const { return mirroredView_; }
    Result SetSoftwareVertexProcessing(bool software);
    bool GetSoftwareVertexProcessing() const { return softwareVertexProcessing_; }

    const DeviceCounters& Counters() const { return counters_; }
    DeviceCounters& Counters() { return counters_; }

    // --- For the layer's own objects ---

    // Makes the device's context current on this thread when it is not. It stays on the window it is
    // current on: drawing goes into the device's own framebuffers, whichever window that is.
    void MakeCurrent();
    // Makes the context current on the window, to present into it or read it (a switch only when it is
    // current on another). False (traced) when it cannot be made current there.
    bool MakeCurrentOn(WindowHandle window);
    // Gives the window the context is current on the swap interval of a PresentInterval value; SDL is
    // asked only the first time and when the value changes.
    void SetSwapInterval(WindowHandle window, std::uint32_t presentationInterval);
    void RegisterChild(DeviceChild* child);
    void UnregisterChild(DeviceChild* child);
    bool IsLost() const { return loss_ != Loss::None; }
    // Checks that the caller is on the device's thread (debug builds).
    void AssertThread() const;
    // Binds the render target and depth-stencil buffer for drawing; false when there is no target.
    bool BindTargets();
    // Reads a render target, back buffer or plain surface as 0xAARRGGBB pixels, top row first.
    Result ReadPixels(Surface* surface, std::vector<std::uint32_t>& pixels);
    // Tells the device that the draw framebuffer's attachments were touched.
    void TargetsChanged() { targetsDirty_ = true; }
    // Tells the device that OpenGL state a draw sets was changed outside the draw path (the scissor
    // test, the write masks), so the next draw sets all of it again.
    void RenderStatesTouched() { appliedStatesValid_ = false; }
    // Tells the device that texture bindings were changed outside the draw path (a texture bound for
    // an upload, or deleted), so the next draw binds every stage again.
    void TextureBindingsTouched() { unitsValid_ = false; }
    // Scratch framebuffers for copies; the device owns them.
    std::uint32_t ReadFramebuffer() const { return readFramebuffer_; }
    std::uint32_t DrawFramebuffer() const { return copyFramebuffer_; }
    const AdapterProfile& Profile() const { return *profile_; }
    // Drops the cached programs made with a shader that goes.
    void ForgetShader(Shader* shader);

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
    // Whether the adapter can make a surface of that format with that multisample type and quality.
    bool MultiSampleAllowed(std::uint32_t format, std::uint32_t type, std::uint32_t quality) const;
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

    // Draw-time state (DeviceDraw.cpp).
    struct Stream
    {
        VertexBuffer* buffer = nullptr;
        std::uint32_t offset = 0;
        std::uint32_t stride = 0;
    };
    struct Program
    {
        std::uint32_t program = 0;
        int pixelOffset = -1;
        int alphaFunction = -1;
        int alphaReference = -1;
        int vertexInts = -1;
        int vertexBools = -1;
        int pixelInts = -1;
        int pixelBools = -1;
        int transform = -1;     // generated vertex programs: world × view × projection
        int viewport = -1;      // generated vertex programs: X, Y, width, height
        int textureFactor = -1; // generated pixel programs: render state 60 as a colour
        // The values last given to this program's uniforms, so that a draw sends only what differs.
        // Uniforms are the program's own state: nothing but the draw path sets them.
        bool uploaded = false;
        std::array<std::int32_t, 16 * 4> vertexIntsValue{};
        std::array<std::int32_t, 16> vertexBoolsValue{};
        std::array<std::int32_t, 16 * 4> pixelIntsValue{};
        std::array<std::int32_t, 16> pixelBoolsValue{};
        std::array<float, 4> pixelOffsetValue{};
        Matrix transformValue;
        std::array<float, 4> viewportValue{};
        std::uint32_t textureFactorValue = 0;
        std::int32_t alphaFunctionValue = 0;
        std::uint32_t alphaReferenceValue = 0;
    };
    // The render states a draw turned into OpenGL state, to tell whether the next draw must do it again.
    struct AppliedStates
    {
        std::array<std::uint32_t, RenderStateCount> renderStates{};
        Viewport viewport;
        Rect scissor;
        bool depthStencil = false;
        std::uint32_t targetWidth = 0;
        std::uint32_t targetHeight = 0;
    };
    // What a texture unit holds from the last draw.
    struct BoundUnit
    {
        std::uint32_t target = 0;
        std::uint32_t texture = 0;
        bool sampler = false;
    };
    struct GeneratedProgram
    {
        FixedProgramKey key;
        Shader* shader = nullptr; // held by the device
        std::uint64_t lastUse = 0;
    };
    void ResetDrawStates();
    void CreateDrawObjects();
    void DeleteDrawObjects();
    Result PrepareDraw(std::uint32_t type, std::uint32_t primitiveCount, std::uint32_t& mode,
                       std::uint32_t& vertexCount);
    Program* ProgramFor(Shader* vertexShader, Shader* pixelShader, std::string* log);
    void ApplyRenderStates();
    void ApplySamplers();
    void ApplyVertexInput();
    void UploadConstants(Program& program);
    // Forgets what the context holds from earlier draws: the next draw sets all of it again.
    void ForgetAppliedState();
    void TraceOnce(std::uint32_t key, const std::string& line);
    // As above; the text is only copied the first time, so a draw can call it without allocating.
    void TraceOnce(std::uint32_t key, const char* line);
    // The programs of this draw: the bound ones, with a generated one in place of each that is missing.
    Result ChooseShaders(Shader*& vertexShader, Shader*& pixelShader);
    Shader* GeneratedShader(const FixedProgramKey& key);
    void DropGeneratedShaders();
    // Whether every stream the declaration reads holds the vertices first .. first + count - 1.
    bool StreamsHold(std::int64_t first, std::uint32_t count) const;
    void NoteUnappliedState(std::uint32_t state, std::uint32_t value);

    std::array<BaseTexture*, StageCount> textures_{};
    std::array<std::array<std::uint32_t, SamplerStateCount>, StageCount> samplerStates_{};
    std::array<bool, StageCount> samplerDirty_{};
    std::array<std::array<std::uint32_t, TextureStageStateCount>, StageCount> stageStates_{};
    std::array<Stream, StreamCount> streams_{};
    IndexBuffer* indices_ = nullptr;
    VertexDeclaration* declaration_ = nullptr;
    std::uint32_t fvf_ = 0;
    std::vector<std::pair<std::uint32_t, VertexDeclaration*>> fvfDeclarations_;
    Shader* vertexShader_ = nullptr;
    Shader* pixelShader_ = nullptr;
    std::vector<float> vertexConstants_ = std::vector<float>(256 * 4, 0.0f);
    std::vector<float> pixelConstants_ = std::vector<float>(256 * 4, 0.0f);
    std::array<std::int32_t, 16 * 4> vertexInts_{};
    std::array<std::int32_t, 16> vertexBools_{};
    std::array<std::int32_t, 16 * 4> pixelInts_{};
    std::array<std::int32_t, 16> pixelBools_{};
    bool vertexConstantsDirty_ = true;
    bool pixelConstantsDirty_ = true;
    std::vector<std::pair<std::uint32_t, Matrix>> transforms_;
    Material material_;
    std::vector<std::pair<std::uint32_t, Light>> lights_;
    std::vector<std::uint32_t> enabledLights_;
    float nPatchSegments_ = 0.0f;
    std::vector<std::pair<std::pair<Shader*, Shader*>, Program>> programs_;
    std::vector<GeneratedProgram> generated_;
    std::uint64_t generatedUses_ = 0;
    std::vector<std::uint32_t> traced_;
    std::uint32_t vertexArray_ = 0;
    std::uint32_t vertexConstantBuffer_ = 0;
    std::uint32_t pixelConstantBuffer_ = 0;
    std::array<std::uint32_t, StageCount> samplers_{};
    std::uint32_t enabledAttributes_ = 0;
    // Attribute locations whose current value is known to be (0, 0, 0, 1). A location read from an
    // array loses it: OpenGL leaves its current value undefined after such a draw.
    std::uint32_t defaultedAttributes_ = 0;
    // OpenGL state left by earlier draws. Invalid after creation and whenever something outside the
    // draw path changes it; the draw then sets all of it.
    std::uint32_t usedProgram_ = 0;
    AppliedStates appliedStates_;
    bool appliedStatesValid_ = false;
    bool mirroredView_ = false;
    std::array<BoundUnit, StageCount> units_{};
    bool unitsValid_ = false;
    std::array<std::uint32_t, RenderStateCount> defaultStates_{};
    bool hasAnisotropy_ = false;
    bool hasMirrorOnce_ = false;
};

} // namespace Platform::Gfx
