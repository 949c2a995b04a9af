#include "tests/engine/MeshFixture.h"

#include "engine/MeshMerging.h"
#include "engine/ModelLoadOptions.h"
#include "engine/VertexElements.h"
#include "foundation/Helpers.h"
#include "platform/gfxkit/mesh/SkinInfo.h"
#include "platform/os/DebugOutput.h"

#include <cmath>
#include <cstring>

namespace EngineTesting
{
namespace
{

using Platform::GfxKit::Mesh;
using Qen::CFrame;
using Qen::CMeshContainer;
using Qen::Vector3;

class MeshMergingTest : public MeshFixture
{
protected:
    // A container with one triangle at x0 and one material slot whose effect instance names the file.
    CMeshContainer* Part(CFrame* frame, float x0, const char* effect, std::uint32_t extraVertices = 0)
    {
        std::vector<float> positions = {x0, 0, 0, x0 + 1, 0, 0, x0, 1, 0};
        positions.resize(positions.size() + 3 * extraVertices, 0.0f);
        Mesh* mesh = MakeMesh(positions, {0, 1, 2});
        CMeshContainer* container = AddContainer(frame, mesh, 1);
        mesh->Release();
        container->pEffects[0].pEffectFilename = BaseLib::StrDup(effect);
        return container;
    }

    // What preparation does before merging: links, matrices; then the merge.
    void Merge(CFrame* root)
    {
        Qen::LinkFrames(root);
        Qen::UpdateFrameMatrices(root, Qen::Matrix{});
        Qen::MergeMeshes(&controller, options, root);
    }

    // Position of merged vertex v as the skin moves it: Σ weight × (p × offset × bone frame's combined).
    Vector3 Skinned(CFrame* root, const CMeshContainer& merged, std::uint32_t v)
    {
        Vector3 p;
        std::memcpy(&p, merged.mesh->Vertex(v), sizeof p);
        const Platform::GfxKit::SkinInfo& skin = *merged.pSkinInfo;
        Vector3 sum{0, 0, 0};
        for (std::uint32_t b = 0; b < skin.GetNumBones(); ++b)
        {
            std::vector<std::uint32_t> vertices(skin.GetNumBoneInfluences(b));
            std::vector<float> weights(vertices.size());
            skin.GetBoneInfluence(b, vertices.data(), weights.data());
            for (std::size_t k = 0; k < vertices.size(); ++k)
            {
                if (vertices[k] != v)
                {
                    continue;
                }
                auto* frame = static_cast<CFrame*>(Platform::GfxKit::FrameFind(root, skin.GetBoneName(b)));
                Qen::Matrix m;
                Platform::GfxKit::MatrixMultiply(&m, skin.GetBoneOffsetMatrix(b), &frame->combinedMatrix);
                Vector3 moved;
                Platform::GfxKit::Vec3TransformCoord(&moved, &p, &m);
                sum = {sum.x + moved.x * weights[k], sum.y + moved.y * weights[k], sum.z + moved.z * weights[k]};
            }
        }
        return sum;
    }

    Qen::CModelLoadOptions options;
};

TEST_F(MeshMergingTest, RigidPartsBecomeOneContainerWhoseSkinFollowsTheirFrames)
{
    options.mergeMeshes = true;
    CFrame* group = AddFrame("group");
    CFrame* left = AddFrame(nullptr, group);
    CFrame* right = AddFrame(nullptr, group);
    Platform::GfxKit::MatrixTranslation(&left->TransformationMatrix, 5, 0, 0);
    Platform::GfxKit::MatrixTranslation(&right->TransformationMatrix, 0, 5, 0);
    Part(left, 0, "xfl-shader>a.fx");
    Part(right, 0, "xfl-shader>b.fx");
    Part(right, 2, "xfl-shader>a.fx");
    Merge(group);

    EXPECT_STREQ(".rigid_skinning_frame_0000", left->Name);
    EXPECT_STREQ(".rigid_skinning_frame_0001", right->Name);
    EXPECT_EQ(nullptr, left->pMeshContainer);
    EXPECT_EQ(nullptr, right->pMeshContainer);
    CMeshContainer* merged = group->FirstContainer();
    ASSERT_NE(nullptr, merged);
    EXPECT_EQ(nullptr, merged->Next());
    EXPECT_EQ(group, merged->owner);
    ASSERT_EQ(9u, merged->mesh->GetNumVertices());
    ASSERT_EQ(2u, merged->NumMaterials);
    EXPECT_STREQ("xfl-shader>a.fx", merged->pEffects[0].pEffectFilename);
    EXPECT_STREQ("xfl-shader>b.fx", merged->pEffects[1].pEffectFilename);
    EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 0}), merged->mesh->Attributes());
    ASSERT_NE(nullptr, merged->pAdjacency);
    ASSERT_NE(nullptr, merged->pSkinInfo);
    ASSERT_EQ(2u, merged->pSkinInfo->GetNumBones());
    EXPECT_STREQ(".rigid_skinning_frame_0000", merged->pSkinInfo->GetBoneName(0));
    EXPECT_EQ(6u, merged->pSkinInfo->GetNumBoneInfluences(1));

    // The parts sit where their frames put them, and the skin keeps them there.
    Vector3 first;
    std::memcpy(&first, merged->mesh->Vertex(0), sizeof first);
    EXPECT_EQ(5.0f, first.x);
    for (std::uint32_t v = 0; v < 9; ++v)
    {
        Vector3 p;
        std::memcpy(&p, merged->mesh->Vertex(v), sizeof p);
        const Vector3 s = Skinned(group, *merged, v);
        EXPECT_NEAR(p.x, s.x, 1e-5f);
        EXPECT_NEAR(p.y, s.y, 1e-5f);
    }
    // Turning the left frame by 90° about z moves only the left part.
    Qen::Matrix turn;
    Platform::GfxKit::MatrixRotationZ(&turn, 1.5707964f);
    Platform::GfxKit::MatrixMultiply(&left->TransformationMatrix, &turn, &left->TransformationMatrix);
    Qen::UpdateFrameMatrices(group, Qen::Matrix{});
    const Vector3 moved = Skinned(group, *merged, 1); // (1, 0) of the left triangle turns to (0, 1)
    EXPECT_NEAR(5.0f, moved.x, 1e-5f);
    EXPECT_NEAR(1.0f, moved.y, 1e-5f);
    for (std::uint32_t v = 3; v < 9; ++v)
    {
        Vector3 p;
        std::memcpy(&p, merged->mesh->Vertex(v), sizeof p);
        EXPECT_NEAR(p.x, Skinned(group, *merged, v).x, 1e-5f);
        EXPECT_NEAR(p.y, Skinned(group, *merged, v).y, 1e-5f);
    }
}

TEST_F(MeshMergingTest, LargeTotalsGetLongIndicesAndSkinnedPartsStayAloneWithoutTheFlag)
{
    CFrame* root = AddFrame("root");
    CFrame* big = AddFrame("big", root);
    AddFrame("big_visibility", big);
    big->visibilityFrame = big->FirstChild();
    Part(big, 0, "xfl-shader>a.fx", 40000 - 3);
    Part(big, 0, "xfl-shader>a.fx", 30000 - 3);
    CFrame* lone = AddFrame("lone", root);
    lone->visibilityFrame = AddFrame("lone_visibility", lone);
    CMeshContainer* single = Part(lone, 0, "xfl-shader>a.fx");
    CMeshContainer* skinned = Part(root, 0, "xfl-shader>a.fx");
    VertexElement declaration[Qen::kVertexDeclarationRoom];
    skinned->mesh->GetDeclaration(declaration);
    ASSERT_EQ(Ok, Platform::GfxKit::CreateSkinInfo(3, declaration, 1, &skinned->pSkinInfo));
    Part(root, 3, "xfl-shader>a.fx");
    Part(root, 6, "xfl-shader>b.fx");
    options.mergeSkinnedMeshes = false;
    Merge(root);

    CMeshContainer* merged = big->FirstContainer();
    ASSERT_NE(nullptr, merged);
    EXPECT_EQ(nullptr, merged->Next());
    EXPECT_EQ(70000u, merged->mesh->GetNumVertices());
    EXPECT_NE(0u, merged->mesh->GetOptions() & Platform::GfxKit::MeshOption::Use32Bit);
    EXPECT_EQ(1u, merged->NumMaterials);
    EXPECT_EQ(single, lone->FirstContainer()) << "a group with one container is left alone";
    // The root's group: the skinned one stays, the two rigid ones merge without a skin.
    CMeshContainer* rootMerged = root->FirstContainer();
    ASSERT_NE(nullptr, rootMerged);
    EXPECT_EQ(nullptr, rootMerged->pSkinInfo);
    EXPECT_EQ(6u, rootMerged->mesh->GetNumVertices());
    EXPECT_EQ(skinned, rootMerged->Next());
    EXPECT_EQ(nullptr, skinned->Next());
}

TEST_F(MeshMergingTest, RepeatedFrameNamesWarnOnceAndTraceEachRepeat)
{
    options.mergeMeshes = true;
    options.name = "dup.x";
    CFrame* root = AddFrame("root");
    for (const char* name : {"arm", "leg", "arm", "leg", "leg"})
    {
        AddFrame(name, root);
    }
    Platform::DebugOutputCapture trace;
    Merge(root);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("warning|frame names in model are not unique!\n(see debug output for details)\tmodelfile = dup.x",
              boxes[0]);
    EXPECT_NE(std::string::npos, trace.Text().find("WARNING: frame name \"arm\" exists multiple times in model dup.x\n"));
    std::size_t repeats = 0;
    for (std::size_t at = trace.Text().find("exists multiple times"); at != std::string::npos;
         at = trace.Text().find("exists multiple times", at + 1))
    {
        ++repeats;
    }
    EXPECT_EQ(3u, repeats);
    EXPECT_TRUE(Qen::CheckFrameNames(AddFrame("alone"), "dup.x"));
}

} // namespace
} // namespace EngineTesting
