#include "tests/engine/MeshFixture.h"

#include "engine/EffectShader.h"
#include "engine/TextureFactory.h"
#include "engine/VertexElements.h"
#include "platform/gfxkit/mesh/SkinInfo.h"
#include "platform/os/DebugOutput.h"

namespace EngineTesting
{
namespace
{

using Qen::CFrame;
using Qen::CMeshContainer;

constexpr const char* kTexturedEffect = R"(
float4 c_vMaterialDiffuse = {1, 1, 1, 1};
texture2D c_tDiffuseMap;
technique _staticmesh { pass p0 { ZEnable = false; } }
)";

std::string Names(CFrame* root)
{
    std::string names;
    Qen::ForEachFrame(root, [&names](CFrame& f) { names += std::string(f.Name) + " "; });
    return names;
}

using FrameHierarchyTest = MeshFixture;

TEST_F(FrameHierarchyTest, LinkingOrderAndMatricesFollowTheTree)
{
    CFrame* root = AddFrame("root");
    CFrame* a = AddFrame("a", root);
    CFrame* a1 = AddFrame("a1", a);
    AddFrame("a2", a);
    CFrame* b = AddFrame("b", root);
    CFrame* b1 = AddFrame("b1", b);
    root->pFrameSibling = AddFrame("rootSibling");
    roots.pop_back(); // freed as the root's sibling
    Platform::GfxKit::Mesh* mesh = MakeMesh({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    CMeshContainer* first = AddContainer(b1, mesh, 0, "first");
    CMeshContainer* second = AddContainer(b1, mesh, 0, "second");
    mesh->Release();
    first->owner = second->owner = nullptr;
    a1->parent = b1->parent = nullptr;

    Qen::LinkFrames(root);
    EXPECT_EQ(a, a1->parent);
    EXPECT_EQ(b, b1->parent);
    EXPECT_EQ(b1, second->owner);
    EXPECT_EQ("root a a1 a2 b b1 ", Names(root));
    std::string containers;
    Qen::ForEachMeshContainer(root, [&containers](CMeshContainer& c) { containers += c.Name; });
    EXPECT_EQ("firstsecond", containers);

    Platform::GfxKit::MatrixScaling(&root->TransformationMatrix, 2, 2, 2);
    Platform::GfxKit::MatrixTranslation(&b->TransformationMatrix, 1, 0, 0);
    Platform::GfxKit::MatrixTranslation(&b1->TransformationMatrix, 0, 3, 0);
    Qen::Matrix world;
    Platform::GfxKit::MatrixTranslation(&world, 0, 0, 10);
    Qen::UpdateFrameMatrices(root, world);
    // b1 = b1 × b × root × world: (0, 3, 0) + (1, 0, 0), scaled by 2, then moved by 10 in z.
    EXPECT_EQ(2.0f, b1->combinedMatrix.m[3][0]);
    EXPECT_EQ(6.0f, b1->combinedMatrix.m[3][1]);
    EXPECT_EQ(10.0f, b1->combinedMatrix.m[3][2]);
    EXPECT_EQ(10.0f, root->Sibling()->combinedMatrix.m[3][2]);
}

TEST_F(FrameHierarchyTest, ClonesMapTheVisibilityFrameAndOwnTheirMaterials)
{
    CFrame* root = AddFrame("door");
    AddFrame("hinge", root);
    AddFrame("knob", root);
    CFrame* visibility = AddFrame("door_visibility", root);
    root->visibilityFrame = visibility;
    root->sphereCentre = {1, 2, 3};
    root->sphereRadius = 4;
    root->visible = false;
    CFrame* stray = AddFrame("stray");
    AddFrame("child", stray);
    stray->visibilityFrame = root; // not one of its children

    Platform::GfxKit::Mesh* mesh = MakeMesh({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    CMeshContainer* source = AddContainer(root, mesh, 1, "panel");
    mesh->Release();
    source->pAdjacency = new std::uint32_t[3]{7, 8, 9};
    source->paletteSize = 26;
    source->enabled = false;
    source->materials[0] = Material("textured.fx", kTexturedEffect);
    Qen::SetName(source->pMaterials[0].pTextureFilename, "xfl-texture>oak.tga");
    Qen::BindBoneMatrices(*source, root, "door.x");
    WriteFile("one.tga", GfxTesting::ImageBytes::Tga(1, 1, {0xFFFF0000}));
    WriteFile("two.tga", GfxTesting::ImageBytes::Tga(1, 1, {0xFF00FF00}));
    BaseLib::CResourcePtr<Qen::CTexture> one;
    BaseLib::CResourcePtr<Qen::CTexture> two;
    controller.GetTextureFactory()->LoadTexture("texture>one.tga", one, 1);
    controller.GetTextureFactory()->LoadTexture("texture>two.tga", two, 1);
    source->materials[0]->SetParameter("c_tDiffuseMap", one);

    CFrame* copy = Qen::CloneFrameHierarchy(root);
    roots.push_back(copy);
    EXPECT_EQ("door hinge knob door_visibility ", Names(copy));
    CFrame* third = copy->FirstChild()->Sibling()->Sibling();
    EXPECT_EQ(third, copy->visibilityFrame);
    EXPECT_EQ(copy, third->parent);
    EXPECT_EQ(4.0f, copy->sphereRadius);
    EXPECT_EQ(2.0f, copy->sphereCentre.y);
    EXPECT_FALSE(copy->visible);

    CMeshContainer* cloned = copy->FirstContainer();
    ASSERT_NE(nullptr, cloned);
    EXPECT_EQ(copy, cloned->owner);
    EXPECT_EQ(source->mesh, cloned->mesh);
    EXPECT_EQ(2u, source->mesh->RefCount()); // the source and the copy
    EXPECT_EQ(26u, cloned->paletteSize);
    EXPECT_FALSE(cloned->enabled);
    EXPECT_EQ(nullptr, cloned->boneMatrices);
    EXPECT_EQ(0.0f, cloned->sphereRadius);
    ASSERT_NE(nullptr, cloned->pAdjacency);
    EXPECT_NE(source->pAdjacency, cloned->pAdjacency);
    EXPECT_EQ(9u, cloned->pAdjacency[2]);
    EXPECT_STREQ("xfl-texture>oak.tga", cloned->pMaterials[0].pTextureFilename);
    EXPECT_NE(source->pMaterials[0].pTextureFilename, cloned->pMaterials[0].pTextureFilename);
    ASSERT_TRUE(cloned->materials[0]);
    EXPECT_NE(source->materials[0].Get(), cloned->materials[0].Get());
    EXPECT_EQ(source->materials[0]->GetEffectShader(), cloned->materials[0]->GetEffectShader());

    cloned->materials[0]->SetParameter("c_tDiffuseMap", two);
    const auto texture = [](const Qen::CMaterial& m) {
        return m.GetParameterRow(static_cast<std::size_t>(m.FindParameter("c_tDiffuseMap"))).value.Texture();
    };
    EXPECT_EQ(one.Get(), texture(*source->materials[0]));
    EXPECT_EQ(two.Get(), texture(*cloned->materials[0]));

    CFrame* strayCopy = Qen::CloneFrameHierarchy(stray);
    roots.push_back(strayCopy);
    EXPECT_EQ(nullptr, strayCopy->visibilityFrame);
}

TEST_F(FrameHierarchyTest, RemovingAChildUnlinksItAndItsVisibilityRole)
{
    CFrame* parent = AddFrame("parent");
    CFrame* only = AddFrame("only_visibility", parent);
    AddFrame("grandchild", only);
    parent->visibilityFrame = only;
    CFrame* other = AddFrame("other");

    Qen::RemoveChildFrame(parent, other); // not a child: nothing happens
    EXPECT_EQ(only, parent->FirstChild());
    Qen::RemoveChildFrame(parent, only);
    roots.push_back(only);
    EXPECT_EQ(nullptr, parent->FirstChild());
    EXPECT_EQ(nullptr, parent->visibilityFrame);
    EXPECT_EQ(nullptr, only->parent);
    EXPECT_NE(nullptr, only->FirstChild());

    CFrame* a = AddFrame("a", parent);
    CFrame* b = AddFrame("b", parent);
    CFrame* c = AddFrame("c", parent);
    Qen::RemoveChildFrame(parent, b);
    roots.push_back(b);
    EXPECT_EQ(c, a->Sibling());
    EXPECT_EQ(nullptr, b->Sibling());
}

TEST_F(FrameHierarchyTest, BonesFollowTheirFramesAndAMissingOneTheIdentityWithOneTrace)
{
    CFrame* root = AddFrame("root");
    CFrame* arm = AddFrame("arm", root);
    Platform::GfxKit::MatrixTranslation(&arm->combinedMatrix, 5, 0, 0);
    Platform::GfxKit::Mesh* mesh = MakeMesh({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    CMeshContainer* plain = AddContainer(arm, mesh, 0);
    CMeshContainer* skinned = AddContainer(root, mesh, 0, "body");
    VertexElement declaration[Qen::kVertexDeclarationRoom];
    mesh->GetDeclaration(declaration);
    ASSERT_EQ(Ok, Platform::GfxKit::CreateSkinInfo(3, declaration, 2, &skinned->pSkinInfo));
    skinned->pSkinInfo->SetBoneName(0, "arm");
    skinned->pSkinInfo->SetBoneName(1, "leg");
    mesh->Release();

    Qen::BindBoneMatrices(*plain, root, "body.x");
    EXPECT_EQ(&arm->combinedMatrix, plain->boneMatrices[0]);

    Platform::DebugOutputCapture trace;
    Qen::BindBoneMatrices(*skinned, root, "body.x");
    EXPECT_EQ(&arm->combinedMatrix, skinned->boneMatrices[0]);
    ASSERT_NE(nullptr, skinned->boneMatrices[1]);
    const Qen::Matrix identity;
    EXPECT_EQ(0, std::memcmp(&identity, skinned->boneMatrices[1], sizeof(Qen::Matrix)));
    EXPECT_EQ("bone leg not found in body.x\n", trace.Text());
}

TEST_F(FrameHierarchyTest, BoundsComeFromThePositionsAndSortKeysFromTheFirstEffect)
{
    CFrame* root = AddFrame("root");
    Platform::GfxKit::Mesh* mesh = MakeMesh({-1, 0, 0, 3, 0, 0, 1, 2, 0}, {0, 1, 2});
    CMeshContainer* container = AddContainer(root, mesh, 2);
    CMeshContainer* empty = AddContainer(root, nullptr, 0);
    mesh->Release();
    Qen::ComputeMeshContainerBounds(*container);
    EXPECT_FLOAT_EQ(1.0f, container->sphereCentre.x);
    EXPECT_FLOAT_EQ(2.0f / 3.0f, container->sphereCentre.y);
    EXPECT_GT(container->sphereRadius, 2.0f);
    Qen::ComputeMeshContainerBounds(*empty);
    EXPECT_EQ(-3.4028235e38f, empty->sphereRadius);
    EXPECT_EQ(3.4028235e38f, empty->sphereCentre.z);

    EXPECT_EQ(0u, Qen::GetMaterialSortKey(*container));
    EXPECT_EQ(0u, Qen::GetMaterialSortKey(*empty));
    container->materials[0] = Material("textured.fx", kTexturedEffect);
    const auto shader = reinterpret_cast<std::uintptr_t>(container->materials[0]->GetEffectShader());
    EXPECT_EQ(static_cast<std::uint32_t>(~shader & 0xFFFF), Qen::GetMaterialSortKey(*container));
}

} // namespace
} // namespace EngineTesting
