#pragma once

// Bare SDL2 + OpenGL 3.3 twins of the device's frames, for benchmarks only: each draws the same work as
// a frame of the project straight into a window of its own, with a context of its own, and swaps. No
// game code links this library.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Platform::BareGl
{

// A shown SDL window with an OpenGL 3.3 core context of its own, swap interval 0, drawn straight into
// (double buffered, a 24-bit depth buffer). It can stand beside the device's windows in one process.
class BareWindow
{
public:
    // Null (a line on standard error) when SDL cannot make the window or the context.
    static std::unique_ptr<BareWindow> Open(const char* title, int x, int y, int width, int height);
    ~BareWindow();
    BareWindow(const BareWindow&) = delete;
    BareWindow& operator=(const BareWindow&) = delete;

    // Makes the window's context current; needed again after another context drew on this thread.
    void MakeCurrent();
    void Swap();
    // Maps the window over the others / takes it off the screen, so that the window measured is the one
    // shown.
    void Show();
    void Hide();
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    BareWindow() = default;
    void* window_ = nullptr;
    void* context_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// The twin of the window system's frame: a clear, then tileSize × tileSize tiles covering the window,
// each its own RGBA texture, drawn one draw per tile as two triangles with point sampling and the
// window system's blending (one, source alpha), then the swap.
class TileFrame
{
public:
    // The window's context is made current.
    TileFrame(BareWindow& window, int tileSize);
    ~TileFrame();
    TileFrame(const TileFrame&) = delete;
    TileFrame& operator=(const TileFrame&) = delete;

    void Draw();
    int TileCount() const { return static_cast<int>(textures_.size()); }
    int TriangleCount() const { return 2 * TileCount(); }

private:
    BareWindow& window_;
    std::uint32_t program_ = 0;
    std::uint32_t vertexArray_ = 0;
    std::uint32_t vertexBuffer_ = 0;
    std::uint32_t indexBuffer_ = 0;
    std::vector<std::uint32_t> textures_;
};

// One mesh of a scene. Vertices of 8 floats (position, normal, texture coordinates); skinned meshes
// add 3 (the first bone's weight, the second bone's weight being what it leaves of 1, and the two bones'
// palette entries).
struct BareMesh
{
    std::vector<float> vertices;
    std::vector<std::uint32_t> indices;
    bool skinned = false;
};

// One draw of a scene, lit along the scene's light direction as the standard mesh effects light.
struct BareDraw
{
    std::uint32_t mesh = 0;
    std::uint32_t firstIndex = 0;
    std::uint32_t indexCount = 0;
    // A point p of the mesh goes to p × world (rows of four, the translation in the last row).
    std::array<float, 16> world{};
    bool textured = true;
    std::array<float, 4> diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 3> specular{};
    float power = 0.0f;
    // Skinned draws: the chain they hang on (its time offset) and the chain's bone that palette entry 0 is.
    int chain = 0;
    int firstBone = 0;
};

struct BareScene
{
    std::vector<BareMesh> meshes;
    std::vector<BareDraw> draws;
    std::array<float, 16> viewProjection{};
    std::array<float, 16> viewInverse{};
    std::array<float, 3> lightDirection{};
    std::uint32_t clearColour = 0; // 0xAARRGGBB
    // The one texture of the textured draws: textureSize² pixels 0xAARRGGBB, top row first, with mipmaps,
    // linear filtering and wrapping.
    int textureSize = 0;
    std::vector<std::uint32_t> texture;
    // Skinned draws hang on chains of `bones` bones `spacing` apart along x; at time t joint b of chain c
    // turns about z by 0.1 × sin(π (t + 0.2 c) + 0.2 b).
    int bones = 0;
    float spacing = 0.0f;
};

// The twin of the engine's model frame: a clear of colour and depth, the scene's draws with depth test
// and writes and counter-clockwise faces culled, each with its uniforms set, the skinning palettes made
// for the frame's time, then the swap.
class SceneFrame
{
public:
    // The window's context is made current; the scene's buffers, texture and programs are made.
    SceneFrame(BareWindow& window, const BareScene& scene);
    ~SceneFrame();
    SceneFrame(const SceneFrame&) = delete;
    SceneFrame& operator=(const SceneFrame&) = delete;

    // picture, when given, receives what was drawn (0xAARRGGBB, top row first) before the swap.
    void Draw(float time, std::vector<std::uint32_t>* picture = nullptr);
    std::uint64_t TriangleCount() const;

private:
    struct Program
    {
        std::uint32_t program = 0;
        int world = -1;
        int worldViewProjection = -1;
        int viewInverse = -1;
        int lightDirection = -1;
        int diffuse = -1;
        int specular = -1;
        int power = -1;
        int palette = -1;
    };
    struct Mesh
    {
        std::uint32_t vertexArray = 0;
        std::uint32_t vertexBuffer = 0;
        std::uint32_t indexBuffer = 0;
        bool skinned = false;
    };
    void MakeProgram(Program& program, bool skinned, bool textured);

    BareWindow& window_;
    BareScene scene_;
    std::vector<Mesh> meshes_;
    std::uint32_t texture_ = 0;
    Program programs_[4]; // by 2 × skinned + untextured
};

// One mesh of a lit scene: vertices of 8 floats (position, normal, texture coordinates).
struct LitMesh
{
    std::vector<float> vertices;
    std::vector<std::uint32_t> indices;
};

// One draw of a lit scene: a range of a mesh's indices at a world matrix (rows of four, the translation
// in the last row), with its diffuse colour, taking part in the lit passes and/or the shadow maps.
struct LitDraw
{
    std::uint32_t mesh = 0;
    std::uint32_t firstIndex = 0;
    std::uint32_t indexCount = 0;
    std::array<float, 16> world{};
    std::array<float, 4> diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    bool lit = true;
    bool castsShadow = false;
};

// A directional light of a lit scene: the way its light travels, its colour, and its view × projection
// (for its shadow map) and shadow transform (world to map coordinates, v = 0 at the top row).
struct LitLight
{
    std::array<float, 3> direction{};
    std::array<float, 3> colour{};
    std::array<float, 16> viewProjection{};
    std::array<float, 16> shadowTransform{};
    bool castsShadow = false;
};

// A rectangle of the window (pixels, top left first) drawn over a lit scene as one textured quad with
// the window system's blending, its texture of its own size filled with the colour (0xAARRGGBB): a
// window of the layers laid over the scene, drawn as a tile.
struct OverlayQuad
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::uint32_t colour = 0;
};

// At most three lights, one batch: each keeps its shadow map in one colour channel of one texture.
struct LitScene
{
    std::vector<OverlayQuad> overlays;
    std::vector<LitMesh> meshes;
    std::vector<LitDraw> draws;
    std::vector<LitLight> lights;
    std::array<float, 16> viewProjection{};
    std::uint32_t clearColour = 0; // 0xAARRGGBB
    float ambient = 0.3f;
    int shadowMapSize = 1024;
};

// The twin of the game's lit frame: a clear of colour and depth; the ambient pass over the lit draws;
// into a framebuffer of a shadowMapSize² colour texture and depth buffer, a clear to white, then per
// shadow-casting light a depth clear and its depth (kept by the minimum blend in its channel) of every
// shadow-casting draw; the light pass over the lit draws adding every light's lambert term with one
// shadow-map lookup; the overlay quads, one draw each; then the swap. One uniform upload per draw.
class LitSceneFrame
{
public:
    // The window's context is made current; the buffers, the shadow framebuffer and the programs are made.
    LitSceneFrame(BareWindow& window, const LitScene& scene);
    ~LitSceneFrame();
    LitSceneFrame(const LitSceneFrame&) = delete;
    LitSceneFrame& operator=(const LitSceneFrame&) = delete;

    // picture, when given, receives what was drawn (0xAARRGGBB, top row first) before the swap.
    void Draw(std::vector<std::uint32_t>* picture = nullptr);
    // Of the last frame drawn.
    std::uint64_t TriangleCount() const { return triangles_; }
    std::uint64_t DrawCount() const { return draws_; }

private:
    struct Mesh
    {
        std::uint32_t vertexArray = 0;
        std::uint32_t vertexBuffer = 0;
        std::uint32_t indexBuffer = 0;
    };
    void DrawPass(std::uint32_t program, int drawLocation, bool shadowPass, const float* viewProjection);
    void MakeOverlays();
    void DrawOverlays();

    BareWindow& window_;
    LitScene scene_;
    std::uint32_t overlayProgram_ = 0;
    std::uint32_t overlayArray_ = 0;
    std::uint32_t overlayVertices_ = 0;
    std::uint32_t overlayIndices_ = 0;
    std::vector<std::uint32_t> overlayTextures_;
    std::vector<Mesh> meshes_;
    std::uint32_t ambientProgram_ = 0;
    std::uint32_t shadowProgram_ = 0;
    std::uint32_t lightProgram_ = 0;
    int ambientDraw_ = -1;
    int shadowDraw_ = -1;
    int shadowLightIndex_ = -1;
    int lightDraw_ = -1;
    std::uint32_t shadowTexture_ = 0;
    std::uint32_t shadowDepth_ = 0;
    std::uint32_t shadowFramebuffer_ = 0;
    std::uint64_t triangles_ = 0;
    std::uint64_t draws_ = 0;
    std::vector<float> drawUniforms_; // per draw: world (16), world × view-projection (16), diffuse (4)
};

} // namespace Platform::BareGl
