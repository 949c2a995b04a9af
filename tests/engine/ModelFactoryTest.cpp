#include "tests/engine/MeshFixture.h"

#include "engine/Camera.h"
#include "engine/ModelFactory.h"
#include "engine/ModelFinishing.h"
#include "engine/VertexElements.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/gfxkit/anim/AnimationSet.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/SkinInfo.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <set>

namespace EngineTesting
{
namespace
{

using BaseLib::CResourcePtr;
using Platform::GfxKit::Mesh;
using Qen::CFrame;
using Qen::CMeshContainer;
using Qen::CModel;
using Qen::CModelFactory;
using Qen::CModelLoadOptions;
using Qen::Matrix;

std::vector<std::string> ChildNames(const CFrame* frame)
{
    std::vector<std::string> names;
    for (const CFrame* child = frame->FirstChild(); child != nullptr; child = child->Sibling())
    {
        names.push_back(child->Name != nullptr ? child->Name : "");
    }
    return names;
}

class ModelFactoryTest : public MeshFixture
{
protected:
    void SetUp() override
    {
        MeshFixture::SetUp();
        WriteFile("std_untextured.fx", kFlatColourEffect);
        WriteFile("std_default.fx", kFlatColourEffect);
        controller.GetPathAliases().RegisterPathAlias("models", QUARROW_TEST_DATA_DIR);
        context = Qen::CRenderContext::Create();
        context->engine = &controller;
        factory = controller.GetModelFactory();
    }

    void TearDown() override
    {
        context = nullptr;
        MeshFixture::TearDown();
    }

    std::uint32_t Drawn(CModel& model, const Matrix& world = Matrix{})
    {
        const std::uint32_t before = controller.GetStatistics().counters[1];
        model.Render(context.Get(), world);
        return controller.GetStatistics().counters[1] - before;
    }

    // The model drawn alone (both containers counted) at the identity; the back buffer's pixels.
    std::vector<std::uint32_t> Picture(CModel& model)
    {
        controller.GetHeads()[0]->BeginFrame();
        EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF000000, 1.0f, 0));
        EXPECT_EQ(Ok, device->BeginScene());
        Matrix world;
        Platform::GfxKit::MatrixScaling(&world, 0.5f, 0.5f, 0.5f);
        EXPECT_EQ(2u, Drawn(model, world));
        EXPECT_EQ(Ok, device->EndScene());
        Surface* backBuffer = nullptr;
        EXPECT_EQ(Ok, device->GetBackBuffer(0, 0, 0, &backBuffer));
        std::vector<std::uint32_t> pixels;
        EXPECT_EQ(Ok, device->ReadPixels(backBuffer, pixels));
        backBuffer->Release();
        EXPECT_NE(std::count(pixels.begin(), pixels.end(), 0xFF000000u), static_cast<std::ptrdiff_t>(pixels.size()))
            << "something drawn";
        return pixels;
    }

    CResourcePtr<CModel> Primitive(std::int32_t kind, const std::string& name)
    {
        CModelFactory::TModelParameters parameters;
        parameters.kind = kind;
        parameters.boxWidth = parameters.boxHeight = parameters.boxDepth = 1.2f;
        parameters.radius1 = 0.3f;
        parameters.radius2 = 0.7f;
        parameters.slices = parameters.stacks = parameters.sides = parameters.rings = 12;
        parameters.material.MatD3D.Diffuse = {0.2f, 0.4f + 0.1f * static_cast<float>(kind), 0.9f, 1.0f};
        CResourcePtr<CModel> model;
        return Qen::AssignTypedResource(model, factory->GetResource(name, parameters));
    }

    CModelFactory* factory = nullptr;
    BaseLib::CSmartPointer<Qen::CRenderContext> context;
};

TEST_F(ModelFactoryTest, KeysHoldThePathAndTheOptionsThatChangeTheModel)
{
    const std::string path = std::string(QUARROW_TEST_DATA_DIR) + "/walker.x";
    CModelLoadOptions shadow;
    shadow.buildShadowVolume = true;
    shadow.shadowVolumeLightDirection = {1, 2, 3};
    shadow.shadowVolumeLightPosition = {4, 5, 6};
    shadow.shadowVolumeExtrusion = 2.0f;
    CModelLoadOptions strip;
    strip.stripNormals = true;
    CModelLoadOptions final;
    final.finalMeshOptions = 0x661;
    CModelLoadOptions unkeyed;
    unkeyed.simplificationFactor = 0.5f;
    unkeyed.weldEpsilons.Position = 0.25f;
    unkeyed.lastValue = 9;
    const struct
    {
        const CModelLoadOptions& options;
        const char* suffix;
    } cases[] = {{CModelLoadOptions(), "_0x2d2_0x44fced8e_0x660"},
                 {shadow, "_0x22d2_0x61ced91_0x660"},
                 {strip, "_0x3d2_0x44fced8e_0x660"},
                 {final, "_0x2d2_0x44fced8e_0x661"},
                 {unkeyed, "_0x2d2_0x44fced8e_0x660"}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(path + c.suffix, factory->BuildModelKey("models>Walker.X", c.options)) << c.suffix;
    }

    CModelLoadOptions first;
    CModelLoadOptions second;
    second.simplificationFactor = 0.5f;
    const CResourcePtr<CModel> a = factory->GetModel(&first, "models>walker.x", false);
    const CResourcePtr<CModel> b = factory->GetModel(&second, "models>walker.x", false);
    ASSERT_TRUE(a && a->GetState() == BaseLib::ResourceLoaded);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ("models>walker.x", first.name) << "the caller's record is named";

    // The file by its absolute path, its name inside the alias's folder in capitals.
    const std::string byPathName = std::string(QUARROW_TEST_DATA_DIR) + "/WALKER.X";
    const CResourcePtr<CModel> byPath = factory->GetModel(nullptr, byPathName, false);
    EXPECT_EQ(a.Get(), byPath.Get());
    EXPECT_EQ(byPathName, CModelLoadOptions::GetDefault().name) << "the default record is used and renamed";
    CModelLoadOptions::GetDefault().name.clear();

    // The file's animation became a compressed animation named by the file.
    ASSERT_TRUE(a->FindAnimation(".default"));
    EXPECT_EQ("models>walker.x", a->FindAnimation(".default")->GetId());
    EXPECT_FLOAT_EQ(1.0f, a->GetAnimationLength(".default"));
}

TEST_F(ModelFactoryTest, OneFileIsOneModelWhateverCaseItsMediaNameHasAndFoldersKeepTheirCase)
{
    // The fixture's folder behind "media" has capitals and a blank.
    const std::filesystem::path copy = folder / "models" / "walker.x";
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(std::string(QUARROW_TEST_DATA_DIR) + "/walker.x", copy);
    CModelLoadOptions options;
    EXPECT_EQ(copy.string() + "_0x2d2_0x44fced8e_0x660",
              factory->BuildModelKey("media>Models/Walker.X", options));
    const CResourcePtr<CModel> byAlias = factory->GetModel(&options, "media>Models/Walker.X", false);
    ASSERT_TRUE(byAlias && byAlias->GetState() == BaseLib::ResourceLoaded);
    EXPECT_EQ(byAlias.Get(), factory->GetModel(&options, "media>models/WALKER.x", false).Get());
    EXPECT_EQ(byAlias.Get(), factory->GetModel(&options, (folder / "MODELS/walker.X").string(), false).Get());

    // The same file name under a folder that differs from the fixture's in case only is another file.
    std::string lowered = folder.filename().string();
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    const std::filesystem::path twinFolder = folder.parent_path() / lowered;
    ASSERT_NE(twinFolder, folder);
    std::filesystem::create_directories(twinFolder / "models");
    std::filesystem::copy_file(copy, twinFolder / "models" / "walker.x");
    {
        const CResourcePtr<CModel> twin =
            factory->GetModel(&options, (twinFolder / "models/walker.x").string(), false);
        ASSERT_TRUE(twin && twin->GetState() == BaseLib::ResourceLoaded);
        EXPECT_NE(byAlias.Get(), twin.Get());
        EXPECT_EQ((twinFolder / "models/walker.x").string() + "_0x2d2_0x44fced8e_0x660", twin->GetId());
    }
    std::filesystem::remove_all(twinFolder);
}

TEST_F(ModelFactoryTest, ReloadsRefillTheKeptFramesAndClonesShareTheMeshes)
{
    const CResourcePtr<CModel> model = factory->GetModel(nullptr, "models>walker.x", false);
    ASSERT_TRUE(model);
    CFrame* arm = static_cast<CFrame*>(Platform::GfxKit::FrameFind(model->GetFrameRoot(), "arm"));
    ASSERT_NE(nullptr, arm);
    const std::vector<std::uint32_t> before = Picture(*model);
    const std::uint32_t size = model->GetSize();

    model->Unload();
    EXPECT_EQ(nullptr, arm->FirstContainer()->mesh);
    EXPECT_EQ(0u, Drawn(*model));
    EXPECT_TRUE(model->EnsureLoaded());
    EXPECT_EQ(arm, Platform::GfxKit::FrameFind(model->GetFrameRoot(), "arm")) << "frames kept";
    EXPECT_NE(nullptr, arm->FirstContainer()->mesh);
    EXPECT_EQ(size, model->GetSize());
    EXPECT_EQ(before, Picture(*model)) << "the same picture after the reload";

    const CResourcePtr<CModel> clone = factory->GetModel(nullptr, "models>walker.x", true);
    ASSERT_TRUE(clone && clone.Get() != model.Get());
    EXPECT_NE(model->GetFrameRoot(), clone->GetFrameRoot());
    std::vector<CMeshContainer*> mine;
    std::vector<CMeshContainer*> theirs;
    Qen::ForEachMeshContainer(model->GetFrameRoot(), [&mine](CMeshContainer& c) { mine.push_back(&c); });
    Qen::ForEachMeshContainer(clone->GetFrameRoot(), [&theirs](CMeshContainer& c) { theirs.push_back(&c); });
    ASSERT_EQ(mine.size(), theirs.size());
    for (std::size_t i = 0; i < mine.size(); ++i)
    {
        EXPECT_EQ(mine[i]->mesh, theirs[i]->mesh);
        EXPECT_NE(mine[i]->materials[0].Get(), theirs[i]->materials[0].Get()) << "materials of its own";
    }
    // A clone reloaded after an unload takes the source's meshes again.
    clone->Unload();
    EXPECT_TRUE(clone->EnsureLoaded());
    EXPECT_EQ(mine[0]->mesh, theirs[0]->mesh);
}

TEST_F(ModelFactoryTest, PrimitivesDrawWithTheStandardEffectAndUnknownKindsFail)
{
    std::vector<CResourcePtr<CModel>> models;
    for (std::int32_t kind : {Qen::ModelBox, Qen::ModelSphere, Qen::ModelCylinder, Qen::ModelTorus, Qen::ModelTeapot})
    {
        models.push_back(Primitive(kind, "kind" + std::to_string(kind)));
        const CResourcePtr<CModel>& model = models.back();
        ASSERT_TRUE(model && model->GetState() == BaseLib::ResourceLoaded) << kind;
        CFrame* root = model->GetFrameRoot();
        ASSERT_NE(nullptr, root);
        EXPECT_EQ(nullptr, root->Name);
        EXPECT_EQ(nullptr, root->FirstChild());
        ASSERT_NE(nullptr, root->FirstContainer());
        EXPECT_EQ(nullptr, root->FirstContainer()->Next());
        EXPECT_EQ(root, root->FirstContainer()->owner);
        ASSERT_TRUE(root->FirstContainer()->materials[0]);
        EXPECT_STREQ("xfl-shader>std_untextured.fx", root->FirstContainer()->pEffects[0].pEffectFilename);
    }
    EXPECT_TRUE(boxes.empty()) << boxes[0];
    for (std::int32_t kind : {1, 7, -1})
    {
        const CResourcePtr<CModel> model = Primitive(kind, "bad" + std::to_string(kind));
        ASSERT_TRUE(model);
        EXPECT_EQ(BaseLib::ResourceUnloaded, model->GetState()) << kind;
        EXPECT_EQ(nullptr, model->GetFrameRoot());
    }

    const CResourcePtr<CModel> missing = factory->GetModel(nullptr, "models>nothing.x", false);
    ASSERT_TRUE(missing);
    EXPECT_EQ(BaseLib::ResourceUnloaded, missing->GetState());
    ASSERT_EQ(2u, boxes.size()) << "each box once";
    EXPECT_EQ("failed to load mesh from x-file|models>nothing.x", boxes[0]);
    EXPECT_EQ("could not load model file.|filename = models>nothing.x", boxes[1]);
    CModelLoadOptions::GetDefault().name.clear();
}

class ModelKindsPictureTest : public ModelFactoryTest
{
protected:
    ModelKindsPictureTest()
    {
        headWidth = 320;
        headHeight = 80;
    }
};

TEST_F(ModelKindsPictureTest, EveryKindSideBySide)
{
    std::vector<CResourcePtr<CModel>> models;
    for (std::int32_t kind : {Qen::ModelBox, Qen::ModelSphere, Qen::ModelCylinder, Qen::ModelTorus, Qen::ModelTeapot})
    {
        models.push_back(Primitive(kind, "kind" + std::to_string(kind)));
        ASSERT_TRUE(models.back() && models.back()->GetFrameRoot() != nullptr);
    }
    Qen::CCamera camera;
    camera.position = {0.0f, 1.2f, -4.0f};
    const float length = std::sqrt(1.2f * 1.2f + 16.0f);
    camera.forward = {0.0f, -1.2f / length, 4.0f / length};
    camera.aspectRatio = 4.0f;
    camera.fieldOfView = 0.6f;
    camera.Update();
    context->view = camera.view;
    context->projection = camera.projection;
    context->viewProjection = camera.viewProjection;

    controller.GetHeads()[0]->BeginFrame();
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF000000, 1.0f, 0));
    ASSERT_EQ(Ok, device->BeginScene());
    for (std::size_t i = 0; i < models.size(); ++i)
    {
        Matrix world;
        Platform::GfxKit::MatrixTranslation(&world, -3.2f + 1.6f * static_cast<float>(i), 0, 0);
        const float scale = i == 4 ? 0.5f : 1.0f;
        Matrix scaled;
        Platform::GfxKit::MatrixScaling(&scaled, scale, scale, scale);
        Platform::GfxKit::MatrixMultiply(&world, &scaled, &world);
        EXPECT_EQ(1u, Drawn(*models[i], world)) << i;
    }
    ASSERT_EQ(Ok, device->EndScene());
    Surface* backBuffer = nullptr;
    ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, 0, &backBuffer));
    std::vector<std::uint32_t> pixels;
    ASSERT_EQ(Ok, device->ReadPixels(backBuffer, pixels));
    EXPECT_EQ(Ok, Platform::GfxKit::SaveSurfaceToFile(OutputPath("model_kinds.png").c_str(),
                                                      Platform::GfxKit::ImageFileFormat::Png, backBuffer, nullptr,
                                                      nullptr));
    backBuffer->Release();
    // Each fifth of the picture shows its model in its own green.
    for (int i = 0; i < 5; ++i)
    {
        std::set<std::uint32_t> greens;
        for (int y = 0; y < headHeight; ++y)
        {
            for (int x = i * 64; x < i * 64 + 64; ++x)
            {
                const std::uint32_t p = pixels[static_cast<std::size_t>(y * headWidth + x)];
                if (p != 0xFF000000u)
                {
                    greens.insert((p >> 8) & 0xFF);
                }
            }
        }
        const auto expected = static_cast<std::uint32_t>(std::lround((0.4 + 0.1 * (i + 2)) * 255.0));
        EXPECT_TRUE(greens.count(expected - 1) + greens.count(expected) + greens.count(expected + 1) > 0)
            << "model " << i;
    }
}

TEST_F(ModelFactoryTest, FinishingSortsByPriorityAndPrunesEmptyLeaves)
{
    const struct
    {
        const char* name;
        std::int32_t priority;
    } priorities[] = {{nullptr, 50}, {"glass_renderpriority70", 70}, {"renderpriority", 50},
                      {"xrenderpriorityx", 50}, {"renderpriority-5", -5},
                      {"renderpriority99999999999", INT_MAX}, {"b", 50}};
    for (const auto& p : priorities)
    {
        EXPECT_EQ(p.priority, Qen::GetRenderPriority(p.name)) << (p.name ? p.name : "null");
    }

    CModelLoadOptions options;
    const CResourcePtr<CModel> model = factory->GetModel(&options, "models>priorities.x", false);
    ASSERT_TRUE(model && model->GetState() == BaseLib::ResourceLoaded);
    EXPECT_EQ((std::vector<std::string>{"locator", "b", "c_renderpriority", "a_renderpriority10",
                                        "d_renderpriority99999999999"}),
              ChildNames(model->GetFrameRoot()));

    CModelLoadOptions every;
    every.pruneEmptyLeafFrames = true;
    const CResourcePtr<CModel> pruned = factory->GetModel(&every, "models>priorities.x", false);
    ASSERT_TRUE(pruned && pruned.Get() != model.Get());
    EXPECT_EQ((std::vector<std::string>{"b", "c_renderpriority", "a_renderpriority10", "d_renderpriority99999999999"}),
              ChildNames(pruned->GetFrameRoot()));
}

TEST_F(ModelFactoryTest, FinishingKeepsBonesAnimatedFramesAndLargeIndices)
{
    // Frames only: sorted and pruned, nothing to optimise; the root stays even when empty.
    CFrame* bare = AddFrame("bare");
    AddFrame("z_renderpriority90", bare);
    AddFrame("y", AddFrame("x", bare));
    CModelLoadOptions every;
    every.pruneEmptyLeafFrames = true;
    Qen::FinishModel(&controller, roots.back(), every, nullptr);
    EXPECT_EQ(bare, roots.back());
    EXPECT_TRUE(ChildNames(bare).empty()) << "an emptied parent goes after its children";

    // An empty bone and an animated locator stay with flag A; an unused empty leaf goes.
    CFrame* root = AddFrame("root");
    CFrame* hand = AddFrame("hand", root);
    AddFrame("locator", root);
    AddFrame("spare", root);
    std::vector<float> positions;
    std::vector<std::uint32_t> indices;
    for (std::uint32_t i = 0; i < 70002; ++i)
    {
        positions.insert(positions.end(), {static_cast<float>(i % 3), static_cast<float>(i / 3 % 7), 0.0f});
        indices.push_back(i);
    }
    Mesh* large = MakeMesh(positions, indices);
    CMeshContainer* skinned = AddContainer(root, large, 1);
    large->Release();
    VertexElement declaration[Qen::kVertexDeclarationRoom];
    skinned->mesh->GetDeclaration(declaration);
    ASSERT_EQ(Ok, Platform::GfxKit::CreateSkinInfo(70002, declaration, 1, &skinned->pSkinInfo));
    skinned->pSkinInfo->SetBoneName(0, "hand");
    Platform::GfxKit::KeyframedAnimationSet* set = nullptr;
    ASSERT_EQ(Ok, Platform::GfxKit::CreateKeyframedAnimationSet("move", 30.0, 0, 1, 0, nullptr, &set));
    Platform::GfxKit::KeyVector3 key;
    set->RegisterAnimationSRTKeys("locator", 0, 0, 1, nullptr, nullptr, &key, nullptr);

    Mesh* small = nullptr;
    const VertexElement positionsOnly[] = {{0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
                                           {0, 12, DeclType::Float3, 0, DeclUsage::Normal, 0},
                                           DeclarationEnd};
    ASSERT_EQ(Ok, Platform::GfxKit::CreateMesh(1, 3, Platform::GfxKit::MeshOption::Managed, positionsOnly, device,
                                               &small));
    small->SetIndices({0, 1, 2});
    CMeshContainer* narrow = AddContainer(hand, small, 1);
    small->Release();

    every.stripNormals = true;
    Qen::FinishModel(&controller, roots.back(), every, set);
    set->Release();
    EXPECT_EQ((std::vector<std::string>{"locator", "hand"}), ChildNames(root)) << "empty frames first";
    EXPECT_EQ(0x661u, skinned->mesh->GetOptions()) << "70,002 vertices keep 32-bit indices";
    EXPECT_EQ(0x660u, narrow->mesh->GetOptions()) << "a 16-bit mesh is never widened";
    EXPECT_EQ(nullptr, narrow->pAdjacency);
    narrow->mesh->GetDeclaration(declaration);
    EXPECT_LT(Qen::FindVertexElement(declaration, DeclUsage::Normal, 0), 0) << "normals stripped";

    // Flag B alone keeps every named leaf.
    CFrame* other = AddFrame("other");
    AddFrame("locator", other);
    AddFrame(nullptr, other);
    Qen::FinishModel(&controller, roots.back(), CModelLoadOptions(), nullptr);
    EXPECT_EQ((std::vector<std::string>{"locator"}), ChildNames(other));
}

} // namespace
} // namespace EngineTesting
