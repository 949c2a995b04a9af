#pragma once

#include "platform/gfx/DeviceChild.h"

#include <cstdint>
#include <string>

namespace Platform::Gfx
{

// A vertex or pixel program in GLSL 3.30 core, written against the layer's conventions:
// - vertex inputs at the attribute locations of AttributeLocation (POSITION0 at 0, COLOR0 at 6,
//   TEXCOORD0 at 8, ...), and gl_Position in the engine's clip space (depth 0..w, y up);
// - the pixel program writes its colour to `FragmentColor`;
// - the 256 float constant registers of each stage are the std140 uniform blocks `VertexConstants`
//   and `PixelConstants` (a program declares its own view of the block it reads, for example
//   `layout(std140) uniform VertexConstants { vec4 c[256]; };`); the 16 int and bool registers
//   are the uniforms `VertexIntConstants`, `VertexBoolConstants`, `PixelIntConstants` and
//   `PixelBoolConstants`, declared by the layer;
// - texture stage i is the sampler uniform `Sampler<i>` (Sampler0 .. Sampler15);
// - the texture stages' inputs: every vertex program has the outputs `vec4 StageDiffuse` (colour 0),
//   `StageSpecular` (colour 1) and `StageTexCoord0` .. `StageTexCoord7`, set to white (1, 1, 1, 1),
//   black (0, 0, 0, 1) and (0, 0, 0, 1) before its `main` runs; a vertex program that feeds the
//   texture stages (a draw without a pixel program) writes them. Every pixel program has them as
//   inputs, so one that runs without a vertex program reads what the layer's vertex side wrote.
// A `#version` line is optional. The layer renames the program's `main` and calls it from its own,
// which maps clip space and pixel centres to OpenGL's (vertex) or applies the alpha test (pixel).
class Shader : public DeviceChild
{
public:
    enum class Stage
    {
        Vertex,
        Pixel,
    };

    Stage GetStage() const { return stage_; }
    std::uint32_t GlShader() const { return shader_; }
    std::string Describe() const override;
    bool BlocksReset() const override { return false; }
    void FreeGlObjects() override;

    // Compiles the program; null with the compiler's log when it does not compile. A program the
    // device makes for itself is owned by it and does not hold the device.
    static Shader* Make(Device& device, Stage stage, const char* source, std::string* log,
                        bool ownedByDevice = false);

private:
    Shader(Device& device, Stage stage, bool ownedByDevice);
    ~Shader() override;

    Stage stage_;
    std::uint32_t shader_ = 0;
};

using VertexShader = Shader;
using PixelShader = Shader;

} // namespace Platform::Gfx
