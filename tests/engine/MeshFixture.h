#pragma once

#include "tests/engine/ResourceFixture.h"

#include "engine/DeviceStateMgr.h"
#include "engine/FrameHierarchy.h"
#include "engine/MaterialFactory.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/mesh/Mesh.h"

#include <cstring>
#include <string>
#include <vector>

namespace EngineTesting
{

// A flat colour (the material's diffuse) with the engine's matrices.
inline constexpr const char* kFlatColourEffect = R"(
float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
float4 c_vMaterialDiffuse = {1, 1, 1, 1};
vertexprogram vsPlain
{
    in vec3 aPosition : POSITION;
    void main() { gl_Position = vec4(aPosition, 1.0) * mWorldViewProj; }
}
fragmentprogram fsMaterial { void main() { FragmentColor = c_vMaterialDiffuse; } }
technique _staticmesh
{
    pass p0 { VertexProgram = vsPlain; FragmentProgram = fsMaterial; ZEnable = true; ZWriteEnable = true; CullMode = None; }
}
)";

// A screen rectangle of one colour that binds its buffers and vertex format only through the engine's
// state manager, as cached drawing code does: whatever the cache claims is bound is not bound again.
// Draw inside a scene.
class CachedQuad
{
public:
    CachedQuad(Device* device, Qen::CDeviceStateMgr& states, float left, float top, float right, float bottom,
               std::uint32_t argb)
        : m_device(device), m_states(states)
    {
        const Vertex corners[4] = {{left, top, 0.5f, 1.0f, argb},
                                   {right, top, 0.5f, 1.0f, argb},
                                   {left, bottom, 0.5f, 1.0f, argb},
                                   {right, bottom, 0.5f, 1.0f, argb}};
        const std::uint16_t triangles[6] = {0, 1, 2, 2, 1, 3};
        void* data = nullptr;
        EXPECT_EQ(Ok, device->CreateVertexBuffer(sizeof corners, 0, kFvf, Pool::Managed, &m_vertices, nullptr));
        EXPECT_EQ(Ok, m_vertices->Lock(0, 0, &data, 0));
        std::memcpy(data, corners, sizeof corners);
        m_vertices->Unlock();
        EXPECT_EQ(Ok, device->CreateIndexBuffer(sizeof triangles, 0, Format::Index16, Pool::Managed, &m_indices,
                                                nullptr));
        EXPECT_EQ(Ok, m_indices->Lock(0, 0, &data, 0));
        std::memcpy(data, triangles, sizeof triangles);
        m_indices->Unlock();
    }

    ~CachedQuad()
    {
        m_states.SetStreamSource(0, nullptr, 0, 0);
        if (m_states.CachedIndexBuffer() == m_indices)
        {
            m_device->SetIndices(nullptr);
            m_states.CachedIndexBuffer() = nullptr;
        }
        m_vertices->Release();
        m_indices->Release();
    }

    CachedQuad(const CachedQuad&) = delete;
    CachedQuad& operator=(const CachedQuad&) = delete;

    void Draw()
    {
        Qen::CDeviceStateMgr& states = m_states;
        states.SetVertexShader(nullptr);
        states.SetPixelShader(nullptr);
        states.SetFVF(kFvf);
        states.SetStreamSource(0, m_vertices, 0, sizeof(Vertex));
        if (states.CachedIndexBuffer() != m_indices)
        {
            m_device->SetIndices(m_indices);
            states.CachedIndexBuffer() = m_indices;
        }
        states.SetTexture(0, nullptr);
        states.SetTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
        states.SetTextureStageState(0, TextureStageState::ColorArg1, TextureArg::Diffuse);
        states.SetTextureStageState(0, TextureStageState::AlphaOp, TextureOp::SelectArg1);
        states.SetTextureStageState(0, TextureStageState::AlphaArg1, TextureArg::Diffuse);
        states.SetTextureStageState(1, TextureStageState::ColorOp, TextureOp::Disable);
        for (const std::uint32_t off : {RenderState::ZEnable, RenderState::StencilEnable, RenderState::AlphaTestEnable,
                                        RenderState::AlphaBlendEnable, RenderState::FogEnable})
        {
            states.SetRenderState(off, 0);
        }
        states.SetRenderState(RenderState::CullMode, Cull::None);
        EXPECT_EQ(Ok, m_device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 4, 0, 2));
    }

private:
    struct Vertex
    {
        float x, y, z, rhw;
        std::uint32_t colour;
    };
    static constexpr std::uint32_t kFvf = Fvf::XyzRhw | Fvf::Diffuse;

    Device* m_device;
    Qen::CDeviceStateMgr& m_states;
    VertexBuffer* m_vertices = nullptr;
    IndexBuffer* m_indices = nullptr;
};

// Frames, meshes and materials made by hand, with effects that the tests write into the resource
// folder (behind the "xfl-shader" and "xfl-texture" aliases). Every frame made here is freed with the
// hierarchy of `roots`.
class MeshFixture : public ResourceFixture
{
protected:
    void SetUp() override
    {
        ResourceFixture::SetUp();
        controller.GetPathAliases().RegisterPathAlias("xfl-shader", folder.string());
    }

    void TearDown() override
    {
        for (Qen::CFrame* root : roots)
        {
            Qen::DestroyFrameHierarchy(root);
        }
        ResourceFixture::TearDown();
    }

    // A frame named `name` (null: none), made the last child of parent or, without one, a new root.
    Qen::CFrame* AddFrame(const char* name, Qen::CFrame* parent = nullptr)
    {
        auto* frame = new Qen::CFrame();
        Qen::SetName(frame->Name, name);
        if (parent == nullptr)
        {
            roots.push_back(frame);
            return frame;
        }
        Platform::GfxKit::Frame** link = &parent->pFrameFirstChild;
        while (*link != nullptr)
        {
            link = &(*link)->pFrameSibling;
        }
        *link = frame;
        frame->parent = parent;
        return frame;
    }

    // A triangle-list mesh of float3 positions, one attribute per face (0 when not given), with its
    // attribute table. The caller holds the one reference.
    Platform::GfxKit::Mesh* MakeMesh(const std::vector<float>& positions, const std::vector<std::uint32_t>& indices,
                                     std::vector<std::uint32_t> attributes = {})
    {
        const VertexElement elements[] = {{0, 0, DeclType::Float3, 0, DeclUsage::Position, 0}, DeclarationEnd};
        const auto faces = static_cast<std::uint32_t>(indices.size() / 3);
        Platform::GfxKit::Mesh* mesh = nullptr;
        EXPECT_EQ(Ok, Platform::GfxKit::CreateMesh(faces, static_cast<std::uint32_t>(positions.size() / 3),
                                                   Platform::GfxKit::MeshOption::Managed | Platform::GfxKit::MeshOption::Use32Bit,
                                                   elements, device, &mesh));
        std::vector<std::uint8_t> bytes(positions.size() * 4);
        std::memcpy(bytes.data(), positions.data(), bytes.size());
        mesh->SetVertexBytes(bytes);
        mesh->SetIndices(indices);
        attributes.resize(faces, 0);
        mesh->SetAttributes(attributes);
        mesh->BuildAttributeTable();
        return mesh;
    }

    // A container on the frame (appended to its chain) holding the mesh and `slots` empty material slots.
    Qen::CMeshContainer* AddContainer(Qen::CFrame* frame, Platform::GfxKit::Mesh* mesh, std::uint32_t slots,
                                      const char* name = nullptr)
    {
        auto* container = new Qen::CMeshContainer();
        Qen::SetName(container->Name, name);
        Qen::SetMeshContainerMesh(*container, mesh);
        Qen::ResizeMaterialArrays(*container, slots);
        container->owner = frame;
        Platform::GfxKit::MeshContainer** link = &frame->pMeshContainer;
        while (*link != nullptr)
        {
            link = &(*link)->pNextMeshContainer;
        }
        *link = container;
        return container;
    }

    // A private material of the effect file, written first from text.
    BaseLib::CResourcePtr<Qen::CMaterial> Material(const std::string& file, const std::string& text)
    {
        WriteFile(file, text);
        BaseLib::CResourcePtr<Qen::CMaterial> material;
        controller.GetMaterialFactory()->GetMaterial("xfl-shader>" + file, material, true);
        EXPECT_TRUE(material && material->GetEffectShader() != nullptr) << boxes.size();
        return material;
    }

    std::vector<Qen::CFrame*> roots;
};

} // namespace EngineTesting
