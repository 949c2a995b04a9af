#pragma once

// The model scene of the engine benchmarks: two models written by the project's X-file writer into a
// temporary folder (a static one of 20,000 triangles in 10 frames with a textured and a plain material,
// a skinned one of 10,000 triangles on 30 bones with a 2-second animation), drawn with the standard
// effects of media/shader, and a 1024 × 768 frame of 50 static and 10 skinned instances (run under a
// display: xvfb-run -a).

#include "bench/BenchEngine.h"
#include "bench/SkinnedChain.h"
#include "engine/Camera.h"
#include "engine/DisplayHead.h"
#include "engine/MaterialFactory.h"
#include "engine/Model.h"
#include "engine/ModelFactory.h"
#include "engine/TextureFactory.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfxkit/xfile/XFileWriter.h"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace BenchModels
{

using namespace Platform::GfxKit;
using BaseLib::CResourcePtr;

inline constexpr int Width = 1024;
inline constexpr int Height = 768;
constexpr int StaticFrames = 10;
constexpr int StaticColumns = 40; // 40 × 25 quads a frame: 2,000 triangles
constexpr int StaticRows = 25;
constexpr int SkinnedColumns = 100; // 100 × 50 quads: 10,000 triangles
constexpr int SkinnedRows = 50;
constexpr int Bones = 30;
constexpr std::uint32_t TicksPerSecond = 4800;
constexpr int KeysPerBone = 21; // one every 0.1 s over 2 s

// A rolling sheet of columns × rows quads over [0, 1] × [0, 1] in x and z, with normals and texture
// coordinates; quads of the first `plainRows` rows take material 1, the others material 0.
inline XMesh Sheet(const std::string& name, int columns, int rows, float length, int plainRows)
{
    XMesh mesh;
    mesh.name = name;
    mesh.normals.emplace();
    for (int y = 0; y <= rows; ++y)
    {
        for (int x = 0; x <= columns; ++x)
        {
            const float u = static_cast<float>(x) / static_cast<float>(columns);
            const float v = static_cast<float>(y) / static_cast<float>(rows);
            const float height = 0.08f * std::sin(u * 9.0f) * std::cos(v * 7.0f);
            mesh.positions.push_back({u * length, height, v});
            mesh.texCoords.push_back({u * 4.0f, v * 4.0f});
            const float slope = 0.08f * 9.0f / length * std::cos(u * 9.0f) * std::cos(v * 7.0f);
            const float n = std::sqrt(1.0f + slope * slope);
            mesh.normals->normals.push_back({-slope / n, 1.0f / n, 0.0f});
        }
    }
    const auto vertex = [columns](int x, int y) { return static_cast<std::uint32_t>(y * (columns + 1) + x); };
    // Faces column by column along x, so that a skin on bones along x splits into few bone combinations.
    for (int x = 0; x < columns; ++x)
    {
        for (int y = 0; y < rows; ++y)
        {
            // Clockwise seen from above: the upper side faces +y.
            for (std::uint32_t index : {vertex(x, y), vertex(x, y + 1), vertex(x + 1, y + 1), vertex(x, y),
                                        vertex(x + 1, y + 1), vertex(x + 1, y)})
            {
                mesh.faces.indices.push_back(index);
            }
            mesh.faces.faceSizes.insert(mesh.faces.faceSizes.end(), 2, 3);
            mesh.faceMaterials.insert(mesh.faceMaterials.end(), 2, y < plainRows ? 1u : 0u);
        }
    }
    mesh.normals->faces = mesh.faces;
    XMaterial painted;
    painted.name = "Painted";
    painted.faceColor = {0.9f, 0.85f, 0.8f, 1.0f};
    painted.power = 12.0f;
    painted.specular = {0.3f, 0.3f, 0.3f};
    painted.textureFile = "bench.tga";
    XMaterial plain;
    plain.name = "Plain";
    plain.faceColor = {0.2f, 0.5f, 0.8f, 1.0f};
    mesh.materials = {painted, plain};
    return mesh;
}

inline XFileModel StaticModel()
{
    XFileModel model;
    XFrame root{"Scene", XIdentity, {}, {}};
    for (int i = 0; i < StaticFrames; ++i)
    {
        model.meshes.push_back(Sheet("Part" + std::to_string(i), StaticColumns, StaticRows, 1.0f, StaticRows / 2));
        XFrame part{"Part" + std::to_string(i), XIdentity, {}, {static_cast<std::uint32_t>(i)}};
        part.transform[12] = static_cast<float>(i % 5) * 1.1f;
        part.transform[14] = static_cast<float>(i / 5) * 1.1f;
        root.children.push_back(std::move(part));
    }
    model.frames.push_back(std::move(root));
    return model;
}

// A strip of length 3 along x on a chain of 30 bones, each 0.1 further; every column of vertices hangs
// on the two bones nearest to it (the last bone holds the strip's end). The animation bends every joint back and forth over 2 s.
inline XFileModel SkinnedModel()
{
    constexpr float Length = 3.0f;
    XFileModel model;
    model.ticksPerSecond = TicksPerSecond;
    XMesh mesh = Sheet("Strip", SkinnedColumns, SkinnedRows, Length, 0);
    std::vector<float> along;
    for (const XFloat3& position : mesh.positions)
    {
        along.push_back(position[0] / (Length / Bones));
    }
    std::vector<XSkinWeights> weights = BenchSupport::ChainSkinWeights(along, Bones, Length / Bones);
    mesh.skinHeader = XSkinHeader{2, 6, Bones};
    mesh.skinWeights = std::move(weights);
    model.meshes.push_back(std::move(mesh));

    XFrame root{"Root", XIdentity, {}, {0}};
    XFrame* parent = &root;
    XAnimationSet set{"Wave", {}};
    for (int bone = 0; bone < Bones; ++bone)
    {
        XFrame frame{"Bone" + std::to_string(bone), XIdentity, {}, {}};
        frame.transform[12] = bone == 0 ? 0.0f : Length / Bones;
        parent->children.push_back(frame);
        parent = &parent->children.back();

        XAnimation animation{"", "Bone" + std::to_string(bone), {}, false, 1, 1};
        XAnimationKeys rotation{XKeyType::Rotation, {}, {}};
        XAnimationKeys translation{XKeyType::Translation, {}, {}};
        for (int k = 0; k < KeysPerBone; ++k)
        {
            const float angle = 0.05f * std::sin(static_cast<float>(k) * 0.314159f + static_cast<float>(bone) * 0.2f);
            rotation.times.push_back(static_cast<std::uint32_t>(k) * TicksPerSecond / 10);
            rotation.values.insert(rotation.values.end(), {std::cos(angle), 0.0f, 0.0f, std::sin(angle)});
            translation.times.push_back(static_cast<std::uint32_t>(k) * TicksPerSecond / 10);
            translation.values.insert(translation.values.end(), {frame.transform[12], 0.0f, 0.0f});
        }
        animation.keys.push_back(std::move(rotation));
        animation.keys.push_back(std::move(translation));
        set.animations.push_back(std::move(animation));
    }
    model.frames.push_back(std::move(root));
    model.animationSets.push_back(std::move(set));
    return model;
}

// The models' texture: 64 × 64 texels of stripes, 0xAARRGGBB.
constexpr int TextureSize = 64;
inline std::uint32_t StripeTexel(int x, int y)
{
    return ((x + y) / 8) % 2 == 0 ? 0xFFC88C3Cu : 0xFFE6D2C8u;
}

// The texture as a 64 × 64 uncompressed TGA, top row first.
inline void WriteTexture(const std::filesystem::path& path)
{
    std::vector<std::uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 0, 64, 0, 24, 0x20};
    for (int y = 0; y < TextureSize; ++y)
    {
        for (int x = 0; x < TextureSize; ++x)
        {
            const std::uint32_t texel = StripeTexel(x, y);
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(texel), static_cast<std::uint8_t>(texel >> 8),
                                       static_cast<std::uint8_t>(texel >> 16)});
        }
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// The engine, the models' folder and the standard effects, made once and kept until the process ends.
struct ModelScene
{
    explicit ModelScene(const char* className) : engine(className, Width, Height)
    {
        folder = std::filesystem::temp_directory_path() / (std::string("quarrow-bench-models-") + className + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        WriteTexture(folder / "bench.tga");
        if (WriteXFile((folder / "static.x").string(), StaticModel()) != Platform::Gfx::Ok ||
            WriteXFile((folder / "skinned.x").string(), SkinnedModel()) != Platform::Gfx::Ok)
        {
            std::abort();
        }
        BaseLib::CPathAliases& aliases = engine.controller.GetPathAliases();
        aliases.RegisterPathAlias("shader", QUARROW_MEDIA_DIR "/shader");
        aliases.RegisterPathAlias("xfl-shader", QUARROW_MEDIA_DIR "/shader");
        aliases.RegisterPathAlias("xfl-texture", folder.string());
        aliases.RegisterPathAlias("models", folder.string());
        Qen::CMaterialFactory* materials = engine.controller.GetMaterialFactory();
        materials->GetMaterial("xfl-shader>std_default.fx", textured, false);
        materials->GetMaterial("xfl-shader>std_untextured.fx", untextured, false);
        if (!textured || textured->GetEffectShader() == nullptr || !untextured ||
            untextured->GetEffectShader() == nullptr)
        {
            std::abort();
        }
    }

    ~ModelScene() { std::filesystem::remove_all(folder); }

    // Everything released and not referenced goes: models, material clones, textures.
    void DestroyCached()
    {
        Qen::CEngineController& controller = engine.controller;
        controller.GetRegistry(Qen::ModelRegistry)->DestroyResourcesOf(controller.GetModelFactory());
        controller.GetRegistry(Qen::MaterialRegistry)->DestroyResourcesOf(controller.GetMaterialFactory());
        controller.GetRegistry(Qen::TextureRegistry)->DestroyResourcesOf(controller.GetTextureFactory());
    }

    BenchSupport::Engine engine;
    std::filesystem::path folder;
    CResourcePtr<Qen::CMaterial> textured;
    CResourcePtr<Qen::CMaterial> untextured;

    // A model of the folder (a clone of the registered one when asked); aborts when it does not load.
    CResourcePtr<Qen::CModel> Load(const char* file, bool clone)
    {
        CResourcePtr<Qen::CModel> model =
            engine.controller.GetModelFactory()->GetModel(nullptr, std::string("models>") + file, clone);
        if (!model || model->GetState() != BaseLib::ResourceLoaded)
        {
            std::abort();
        }
        return model;
    }
};

inline constexpr int StaticInstances = 50;
inline constexpr int SkinnedInstances = 10;

// Where the frame puts static instance i (a 10 × 5 grid) and skinned instance i (a row in front).
inline Qen::Matrix StaticWorld(int i)
{
    Qen::Matrix world;
    MatrixTranslation(&world, -14.0f + 2.9f * static_cast<float>(i % 10), 0.0f, 2.0f + 2.9f * static_cast<float>(i / 10));
    Qen::Matrix scale;
    MatrixScaling(&scale, 0.5f, 0.5f, 0.5f);
    MatrixMultiply(&world, &scale, &world);
    return world;
}

inline Qen::Matrix SkinnedWorld(int i)
{
    Qen::Matrix world;
    MatrixTranslation(&world, -15.0f + 3.1f * static_cast<float>(i), 0.5f, -4.0f);
    return world;
}

// The camera above and behind the grid; the light along lightDirection.
inline Qen::CCamera FrameCamera()
{
    Qen::CCamera camera;
    camera.position = {0.0f, 14.0f, -22.0f};
    const float length = std::sqrt(14.0f * 14.0f + 24.0f * 24.0f);
    camera.forward = {0.0f, -14.0f / length, 24.0f / length};
    camera.aspectRatio = static_cast<float>(Width) / static_cast<float>(Height);
    camera.Update();
    return camera;
}

inline constexpr float LightDirection[3] = {0.4f, -0.8f, 0.45f};
inline constexpr std::uint32_t ClearColour = 0xFF303840;

// The models loaded and the frame's draws: 50 static instances and 10 skinned ones, each animated at
// its own time.
struct ModelFrame
{
    explicit ModelFrame(ModelScene& scene) : scene(scene), still(scene.Load("static.x", false))
    {
        for (int i = 0; i < SkinnedInstances; ++i)
        {
            skinned.push_back(scene.Load("skinned.x", true));
        }
        context = BaseLib::CSmartPointer<Qen::CRenderContext>(Qen::CRenderContext::Create());
        context->engine = &scene.engine.controller;
        context->lightDirection = {LightDirection[0], LightDirection[1], LightDirection[2]};
        const Qen::CCamera camera = FrameCamera();
        context->view = camera.view;
        context->inverseView = camera.view.GetRigidInverse();
        context->projection = camera.projection;
        context->viewProjection = camera.viewProjection;
    }

    // Everything up to the present; frame counts the frames drawn (the animations' clock).
    void Draw()
    {
        Qen::CDisplayHead& head = *scene.engine.controller.GetHeads()[0];
        Platform::Gfx::Device* device = scene.engine.device;
        head.BeginFrame();
        device->Clear(0, nullptr, Platform::Gfx::ClearFlag::Target | Platform::Gfx::ClearFlag::ZBuffer, ClearColour,
                      1.0f, 0);
        device->BeginScene();
        for (int i = 0; i < StaticInstances; ++i)
        {
            still->Render(context.Get(), StaticWorld(i));
        }
        for (int i = 0; i < SkinnedInstances; ++i)
        {
            skinned[i]->ApplyAnimation(".default", AnimationTime(i));
            skinned[i]->Render(context.Get(), SkinnedWorld(i));
        }
        device->EndScene();
        ++frame;
    }

    // The animation time of skinned instance i in the current frame, in seconds.
    float AnimationTime(int i) const { return 0.016f * static_cast<float>(frame) + 0.2f * static_cast<float>(i); }

    void Present() { scene.engine.controller.GetHeads()[0]->Present(); }

    ModelScene& scene;
    CResourcePtr<Qen::CModel> still;
    std::vector<CResourcePtr<Qen::CModel>> skinned;
    BaseLib::CSmartPointer<Qen::CRenderContext> context;
    std::uint64_t frame = 0;
};

} // namespace BenchModels
