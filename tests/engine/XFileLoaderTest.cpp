#include "tests/engine/ResourceFixture.h"

#include "engine/FrameHierarchy.h"
#include "engine/ModelLoadOptions.h"
#include "engine/XFileLoader.h"
#include "platform/gfxkit/anim/AnimationController.h"
#include "platform/gfxkit/anim/AnimationSet.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/os/DebugOutput.h"

#include <cstring>

namespace EngineTesting
{
namespace
{

using Qen::CFrame;
using Qen::CMeshContainer;

std::string Data(const char* file)
{
    return std::string(QUARROW_TEST_DATA_DIR) + "/" + file;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    {
        ++count;
    }
    return count;
}

class XFileLoaderTest : public ResourceFixture
{
protected:
    void TearDown() override
    {
        Platform::GfxKit::FrameDestroy(root, &allocator);
        ResourceFixture::TearDown();
    }

    bool Load(const char* file)
    {
        Platform::GfxKit::FrameDestroy(root, &allocator);
        root = nullptr;
        options.name = file;
        const bool loaded = controller.GetXFileLoader()->LoadMeshHierarchy(allocator, Data(file), options);
        root = controller.GetXFileLoader()->GetFrameRoot();
        return loaded;
    }

    std::vector<CMeshContainer*> Containers()
    {
        std::vector<CMeshContainer*> found;
        Qen::ForEachMeshContainer(root, [&found](CMeshContainer& c) { found.push_back(&c); });
        return found;
    }

    Qen::CFrameHierarchyAllocator allocator{&controller, nullptr};
    Qen::CModelLoadOptions options;
    CFrame* root = nullptr;
};

TEST_F(XFileLoaderTest, TexturesBecomeXFileReferencesAndEveryMaterialGetsAnEffect)
{
    ASSERT_TRUE(Load("materials.x"));
    ASSERT_EQ(1u, Containers().size());
    const CMeshContainer& strip = *Containers()[0];
    ASSERT_EQ(5u, strip.NumMaterials);
    ASSERT_NE(nullptr, strip.mesh);
    EXPECT_EQ(strip.mesh, strip.MeshData.pMesh);
    EXPECT_STREQ("Strip", strip.Name);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_STREQ("xfl-texture>oak.tga", strip.pMaterials[i].pTextureFilename) << i;
        // Plain materials become the converter's effect with the texture as diffuse map.
        EXPECT_STREQ("xfl-shader>std_default.fx", strip.pEffects[i].pEffectFilename) << i;
    }
    EXPECT_EQ(nullptr, strip.pMaterials[4].pTextureFilename);
    EXPECT_STREQ("xfl-shader>std_untextured.fx", strip.pEffects[4].pEffectFilename);
    EXPECT_EQ(0.75f, strip.pMaterials[4].MatD3D.Diffuse.b);

    Qen::EffectInstance& fromFile = strip.pEffects[3];
    EXPECT_STREQ("xfl-shader>plain.fx", fromFile.pEffectFilename);
    ASSERT_EQ(2u, fromFile.NumDefaults);
    EXPECT_STREQ("xfl-texture>stone.png", static_cast<const char*>(fromFile.pDefaults[0].pValue));
    EXPECT_EQ(0.5f, static_cast<const float*>(fromFile.pDefaults[1].pValue)[0]);
    ASSERT_NE(nullptr, strip.pAdjacency);
    EXPECT_EQ(5u, strip.mesh->GetNumFaces());
    for (std::uint32_t i = 0; i < 5; ++i)
    {
        EXPECT_FALSE(strip.materials[i]) << "slots are filled by preparation";
    }

    // Without a converter a material without a file effect keeps an empty instance.
    Qen::CFrameHierarchyAllocator bare(&controller, nullptr);
    Qen::XFileMaterial material;
    material.pTextureFilename = const_cast<char*>("a/b.tga");
    Platform::GfxKit::MeshData data;
    data.pMesh = strip.mesh;
    Platform::GfxKit::MeshContainer* made = nullptr;
    EXPECT_EQ(Ok, bare.CreateMeshContainer("Loose", &data, &material, nullptr, 1, nullptr, nullptr, &made));
    auto* loose = static_cast<CMeshContainer*>(made);
    EXPECT_STREQ("xfl-texture>b.tga", loose->pMaterials[0].pTextureFilename);
    EXPECT_EQ(nullptr, loose->pEffects[0].pEffectFilename);
    EXPECT_EQ(Ok, bare.DestroyMeshContainer(made));
}

TEST_F(XFileLoaderTest, RecordsStartWithTheirCreationValues)
{
    const CFrame frame;
    EXPECT_EQ(nullptr, frame.Name);
    EXPECT_EQ(0, std::memcmp(&frame.combinedMatrix, &frame.TransformationMatrix, sizeof(Qen::Matrix)));
    EXPECT_EQ(1.0f, frame.combinedMatrix.m[2][2]);
    EXPECT_EQ(0.0f, frame.combinedMatrix.m[2][3]);
    EXPECT_EQ(nullptr, frame.pMeshContainer);
    EXPECT_EQ(nullptr, frame.parent);
    EXPECT_EQ(nullptr, frame.visibilityFrame);
    EXPECT_EQ(3.4028235e38f, frame.sphereCentre.y);
    EXPECT_EQ(-3.4028235e38f, frame.sphereRadius);
    EXPECT_TRUE(frame.visible);

    const CMeshContainer container;
    EXPECT_EQ(0u, container.MeshData.Type);
    EXPECT_EQ(nullptr, container.mesh);
    EXPECT_EQ(0u, container.NumMaterials);
    EXPECT_EQ(0u, container.paletteSize);
    EXPECT_EQ(nullptr, container.boneMatrices);
    EXPECT_FALSE(container.softwareSkinning);
    EXPECT_TRUE(container.enabled);
    EXPECT_EQ(0.0f, container.sphereRadius);
}

TEST_F(XFileLoaderTest, MeshesOnlyForAnimationLeaveEveryContainerEmpty)
{
    options.meshesOnlyForAnimation = true;
    ASSERT_TRUE(Load("still.x"));
    ASSERT_EQ(1u, Containers().size());
    const CMeshContainer& torso = *Containers()[0];
    EXPECT_EQ(nullptr, torso.mesh);
    EXPECT_EQ(nullptr, torso.Name);
    EXPECT_EQ(0u, torso.NumMaterials);
    EXPECT_EQ(nullptr, torso.pAdjacency);
    std::vector<std::string> names;
    Qen::ForEachFrame(root, [&names](CFrame& f) { names.emplace_back(f.Name != nullptr ? f.Name : "-"); });
    EXPECT_EQ((std::vector<std::string>{"body", "arm", "-", "hidden"}), names);
    EXPECT_EQ(1.0f, root->FirstChild()->TransformationMatrix.m[3][1]);
}

TEST_F(XFileLoaderTest, AnimationSetsComeThroughAClonedControllerAndMissingFilesShowTheBox)
{
    Platform::DebugOutputCapture trace;
    ASSERT_TRUE(Load("sets8.x"));
    Platform::GfxKit::AnimationController* animations = controller.GetXFileLoader()->GetAnimationController();
    ASSERT_NE(nullptr, animations);
    EXPECT_EQ(64u, animations->GetMaxNumAnimationSets());
    EXPECT_EQ(8u, animations->GetNumAnimationSets());
    animations->Release();
    Platform::GfxKit::AnimationSet* set = controller.GetXFileLoader()->GetAnimationSet();
    ASSERT_NE(nullptr, set);
    EXPECT_STREQ("Move0", set->GetName());
    set->Release();
    EXPECT_EQ(1u, Count(trace.Text(), "warn: x-files containing multiple animations are not supported! " +
                                          Data("sets8.x") + "\n"));

    // A file without animation leaves neither a controller nor the last load's set.
    ASSERT_TRUE(Load("still.x"));
    EXPECT_EQ(nullptr, controller.GetXFileLoader()->GetAnimationController());
    EXPECT_EQ(nullptr, controller.GetXFileLoader()->GetAnimationSet());

    EXPECT_FALSE(Load("missing.x"));
    EXPECT_EQ(nullptr, root);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("failed to load mesh from x-file|" + Data("missing.x"), boxes[0]);
}

TEST_F(XFileLoaderTest, AnimationsLoadAloneWithARestPoseForFilesWithoutSets)
{
    Platform::DebugOutputCapture trace;
    Platform::GfxKit::AnimationSet* set = nullptr;
    Qen::LoadAnimationFromXFile(Data("sets8.x"), &controller, &set);
    ASSERT_NE(nullptr, set);
    EXPECT_STREQ("Move0", set->GetName());
    set->Release();
    EXPECT_EQ(1u, Count(trace.Text(), "warn: x-file containing multiple animations are not supported! "));

    Qen::LoadAnimationFromXFile(Data("still.x"), &controller, &set);
    ASSERT_NE(nullptr, set);
    EXPECT_STREQ(".default", set->GetName());
    EXPECT_EQ(60.0, set->GetSourceTicksPerSecond());
    EXPECT_EQ(Platform::GfxKit::PlaybackType::Once, set->GetPlaybackType());
    ASSERT_EQ(3u, set->GetNumAnimations());
    Platform::GfxKit::KeyframedAnimationSet* keyed = nullptr;
    ASSERT_EQ(Ok, set->QueryInterface(Platform::GfxKit::KeyframedAnimationSetId, reinterpret_cast<void**>(&keyed)));
    const char* expectedNames[] = {"body", "arm", "hidden"};
    for (std::uint32_t a = 0; a < 3; ++a)
    {
        const char* name = nullptr;
        set->GetAnimationNameByIndex(a, &name);
        EXPECT_STREQ(expectedNames[a], name);
        EXPECT_EQ(1u, keyed->GetNumScaleKeys(a));
        EXPECT_EQ(1u, keyed->GetNumRotationKeys(a));
        EXPECT_EQ(1u, keyed->GetNumTranslationKeys(a));
    }
    Platform::GfxKit::Vector3 scale;
    Platform::GfxKit::Vector3 translation;
    set->GetSRT(0.0, 0, &scale, nullptr, &translation);
    EXPECT_EQ(2.0f, scale.y);
    EXPECT_EQ(3.0f, translation.z);
    // The part scaled away stays hidden in the pose, where its translation is kept.
    Platform::GfxKit::KeyVector3 hiddenScale;
    keyed->GetScaleKeys(2, &hiddenScale);
    EXPECT_EQ(0.0f, hiddenScale.Value.x);
    EXPECT_EQ(0.0f, hiddenScale.Time);
    set->GetSRT(0.0, 2, &scale, nullptr, &translation);
    EXPECT_EQ(5.0f, translation.y);
    keyed->Release();
    set->Release();

    Qen::LoadAnimationFromXFile(Data("missing.x"), &controller, &set);
    EXPECT_EQ(nullptr, set);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("failed to load anim from x-file|" + Data("missing.x"), boxes[0]);
}

} // namespace
} // namespace EngineTesting
