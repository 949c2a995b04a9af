#include "tests/engine/MeshFixture.h"

#include "engine/Animation.h"
#include "engine/Camera.h"
#include "engine/Model.h"
#include "engine/ModelLoadOptions.h"
#include "engine/ModelPreparation.h"
#include "engine/VertexElements.h"
#include "engine/XFileLoader.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfxkit/anim/AnimationController.h"
#include "platform/gfxkit/anim/AnimationSet.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/os/DebugOutput.h"

#include <cmath>
#include <memory>

namespace EngineTesting
{
namespace
{

using BaseLib::CResourcePtr;
using BaseLib::CSmartPointer;
using Platform::GfxKit::AnimationController;
using Platform::GfxKit::AnimationSet;
using Platform::GfxKit::KeyframedAnimationSet;
using Qen::CAnimation;
using Qen::CFrame;
using Qen::CMeshContainer;
using Qen::CModel;
using Qen::Matrix;

// What the models of these tests are made from: an X file, the pool their meshes end in, and whether
// the file's animation is kept.
struct TFixtureParameters : BaseLib::CResourceParameters
{
    std::string fileName;
    std::uint32_t meshOptions = Platform::GfxKit::MeshOption::Managed;
    bool animated = true;
};

// Loads models from X files through the engine's loader and preparation, the meshes cloned into the
// pool asked for; reloads refill the containers the model kept; clones copy their source's hierarchy.
class FixtureModelFactory : public BaseLib::CResourceFactory
{
public:
    FixtureModelFactory(Qen::CEngineController* engine)
        : CResourceFactory(engine->GetRegistry(Qen::ModelRegistry), nullptr), m_engine(engine)
    {}
    ~FixtureModelFactory() override { GetRegistry()->DestroyResourcesOf(this); }

    CResourcePtr<CModel> Get(const std::string& name, TFixtureParameters parameters, bool clone = false)
    {
        CResourcePtr<CModel> model;
        return Qen::AssignTypedResource(model, GetResource(name, parameters, clone));
    }

    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override
    {
        auto* model = new CModel(m_engine, this);
        model->SetParameters(std::make_unique<TFixtureParameters>(static_cast<const TFixtureParameters&>(parameters)));
        return model;
    }

    void Destroy(BaseLib::CResource* resource) override
    {
        AnimationController* controller = nullptr;
        CFrame* root = static_cast<CModel*>(resource)->TakeHierarchy(controller);
        Qen::DestroyEngineResource(this, resource);
        if (root != nullptr)
        {
            Qen::DestroyFrameHierarchy(root);
        }
        if (controller != nullptr)
        {
            controller->Release();
        }
    }

    bool Load(BaseLib::CResource* resource) override
    {
        auto& model = static_cast<CModel&>(*resource);
        const auto& parameters = static_cast<const TFixtureParameters&>(*resource->GetParameters());
        if (parameters.source)
        {
            model.CopyHierarchyFrom(static_cast<const CModel&>(*parameters.source));
            return true;
        }
        Qen::CFrameHierarchyAllocator allocator(m_engine, m_engine->GetXFileLoader()->GetMaterialConverter());
        Qen::CModelLoadOptions options;
        options.name = parameters.fileName;
        Qen::CXFileLoader& loader = *m_engine->GetXFileLoader();
        if (!loader.LoadMeshHierarchy(allocator, std::string(QUARROW_TEST_DATA_DIR) + "/" + parameters.fileName,
                                      options))
        {
            return false;
        }
        CFrame* root = loader.GetFrameRoot();
        Qen::PrepareModel(m_engine, options, root);
        Qen::ForEachMeshContainer(root, [this, &parameters](CMeshContainer& container) {
            VertexElement declaration[Qen::kVertexDeclarationRoom];
            container.mesh->GetDeclaration(declaration);
            Platform::GfxKit::Mesh* clone = nullptr;
            ASSERT_EQ(Ok, container.mesh->CloneMesh(parameters.meshOptions, declaration, m_engine->GetDevice(), &clone));
            Qen::SetMeshContainerMesh(container, clone);
            clone->Release();
        });
        AnimationController* controller = parameters.animated ? loader.GetAnimationController() : nullptr;
        AnimationSet* set = parameters.animated ? loader.GetAnimationSet() : nullptr;
        if (model.GetFrameRoot() == nullptr)
        {
            CResourcePtr<CAnimation> animation;
            if (set != nullptr)
            {
                m_engine->GetAnimationFactory()->GetAnimation(animation, set, true, 0, 0.02f, parameters.fileName);
            }
            model.SetHierarchy(root, controller, animation.Get());
        }
        else
        {
            std::vector<CMeshContainer*> kept;
            Qen::ForEachMeshContainer(model.GetFrameRoot(), [&kept](CMeshContainer& c) { kept.push_back(&c); });
            std::size_t i = 0;
            Qen::ForEachMeshContainer(root, [&kept, &i](CMeshContainer& fresh) {
                if (i < kept.size())
                {
                    Qen::SetMeshContainerMesh(*kept[i++], fresh.mesh);
                }
            });
            Qen::DestroyFrameHierarchy(root);
        }
        for (Platform::Gfx::CountedObject* held : {static_cast<Platform::Gfx::CountedObject*>(controller),
                                                   static_cast<Platform::Gfx::CountedObject*>(set)})
        {
            if (held != nullptr)
            {
                held->Release();
            }
        }
        return true;
    }

    void Unload(BaseLib::CResource* resource) override { Qen::UnloadEngineResource(resource); }

private:
    Qen::CEngineController* m_engine;
};

class ModelTest : public MeshFixture
{
protected:
    void SetUp() override
    {
        MeshFixture::SetUp();
        WriteFile("std_untextured.fx", kFlatColourEffect);
        factory = std::make_unique<FixtureModelFactory>(&controller);
        context = Qen::CRenderContext::Create();
    }

    void TearDown() override
    {
        context = nullptr;
        factory.reset();
        MeshFixture::TearDown();
    }

    CResourcePtr<CModel> Walker(bool animated = true, std::uint32_t meshOptions = Platform::GfxKit::MeshOption::Managed)
    {
        TFixtureParameters parameters;
        parameters.fileName = "walker.x";
        parameters.animated = animated;
        parameters.meshOptions = meshOptions;
        CResourcePtr<CModel> model = factory->Get("walker" + std::to_string(animated) + std::to_string(meshOptions),
                                                  parameters);
        EXPECT_TRUE(model && model->GetState() == BaseLib::ResourceLoaded);
        return model;
    }

    static CFrame* Arm(const CModel& model)
    {
        return static_cast<CFrame*>(Platform::GfxKit::FrameFind(model.GetFrameRoot(), "arm"));
    }
    static float ArmX(const CModel& model) { return Arm(model)->TransformationMatrix.m[3][0]; }

    // Containers the model drew with the world matrix.
    std::uint32_t Drawn(CModel& model, const Matrix& world)
    {
        const std::uint32_t before = controller.GetStatistics().counters[1];
        model.Render(context.Get(), world);
        return controller.GetStatistics().counters[1] - before;
    }

    // A key-framed set whose targets each move along x from 0 to 1 between 0 and `period` seconds.
    static KeyframedAnimationSet* LinearSet(const std::vector<const char*>& targets, float period)
    {
        KeyframedAnimationSet* set = nullptr;
        EXPECT_EQ(Ok, Platform::GfxKit::CreateKeyframedAnimationSet(
                          "linear", 1.0, Platform::GfxKit::PlaybackType::Once,
                          static_cast<std::uint32_t>(targets.size()), 0, nullptr, &set));
        for (const char* target : targets)
        {
            Platform::GfxKit::KeyVector3 moves[2];
            moves[1].Time = period;
            moves[1].Value = {1, 0, 0};
            EXPECT_EQ(Ok, set->RegisterAnimationSRTKeys(target, 0, 0, 2, nullptr, nullptr, moves, nullptr));
        }
        return set;
    }

    std::unique_ptr<FixtureModelFactory> factory;
    CSmartPointer<Qen::CRenderContext> context;
};

TEST_F(ModelTest, AnimationsPlayAtAbsoluteTimesAndUndeclaredNamesShowTheBox)
{
    const CResourcePtr<CModel> model = Walker();
    ASSERT_NE(nullptr, model->GetAnimationController());
    EXPECT_FLOAT_EQ(1.0f, model->GetAnimationLength(".default"));

    model->SetSmoothTime(false);
    model->ApplyAnimation(".default", 0.05f);
    EXPECT_NEAR(3.0f * 0.0333333f, ArmX(*model), 1e-5f) << "rounded down to whole 1/30 s";
    EXPECT_TRUE(model->GetMatricesDirty());
    model->SetSmoothTime(true);
    model->ApplyAnimation(".default", 0.05f);
    EXPECT_NEAR(0.15f, ArmX(*model), 1e-5f);
    model->SetSpeed(2.0f);
    model->ApplyAnimation(".default", 0.25f);
    EXPECT_NEAR(1.5f, ArmX(*model), 1e-5f);
    EXPECT_FLOAT_EQ(0.5f, model->GetAnimationLength(".default"));

    boxes.clear();
    model->ApplyAnimation("walk", 0.5f);
    EXPECT_NEAR(1.5f, ArmX(*model), 1e-5f) << "the pose stays";
    EXPECT_EQ(0.0f, model->GetAnimationLength("walk"));
    const std::string box = "anim not declared:|model: " + model->GetId() + "\nanim: walk";
    EXPECT_EQ((std::vector<std::string>{box, box}), boxes);
}

TEST_F(ModelTest, DeclaringRegistersEachSetOnceAndReplacesEntriesByName)
{
    const CResourcePtr<CModel> model = Walker();
    AnimationController* animations = model->GetAnimationController();
    const std::uint32_t sets = animations->GetNumAnimationSets();
    KeyframedAnimationSet* set = LinearSet({"arm", "tail"}, 1.0f);
    CResourcePtr<CAnimation> first;
    CResourcePtr<CAnimation> second;
    controller.GetAnimationFactory()->GetAnimation(first, set, false, 0, 0.0f, "first");
    controller.GetAnimationFactory()->GetAnimation(second, set, false, 0, 0.0f, "second");
    set->Release();

    std::string traced;
    {
        const Platform::DebugOutputCapture capture;
        model->AddAnimation("wave", first.Get());
        traced = capture.Text();
        model->AddAnimation("greet", first.Get());
    }
    EXPECT_EQ(sets + 1, animations->GetNumAnimationSets()) << "one set under two names is registered once";
    EXPECT_EQ("WARNING: Animation target does not exist in Model:\n\tModelname = " + model->GetId() +
                  "\n\tAnimationId = first\n\tAnimationTarget = tail\n",
              traced);
    EXPECT_EQ(first.Get(), model->FindAnimation("wave").Get());
    EXPECT_FALSE(model->FindAnimation(""));

    const std::int32_t counted = first->GetCount();
    model->AddAnimation("wave", second.Get());
    EXPECT_EQ(counted - 1, first->GetCount()) << "the replaced entry's reference is dropped";
    EXPECT_EQ(second.Get(), model->FindAnimation("wave").Get());
    EXPECT_EQ(first.Get(), model->FindAnimation("greet").Get());

    // Without a controller only the table is filled, and playing traces instead of touching one.
    const CResourcePtr<CModel> still = Walker(false);
    still->AddAnimation("wave", first.Get());
    EXPECT_EQ(first.Get(), still->FindAnimation("wave").Get());
    still->ApplyAnimation("wave", 0.5f);
    EXPECT_EQ(0.0f, ArmX(*still));
}

TEST_F(ModelTest, ThePlayerMapsElapsedEngineTimeIntoTheAnimation)
{
    Qen::CAnimationPlayer player(&controller);
    player.length = 2.0;
    const struct
    {
        bool looping;
        double t;
        double expected;
    } cases[] = {{false, 1.5, 1.5}, {false, 5.0, 2.0 - static_cast<double>(0.0001f)}, {true, 5.0, 1.0},
                 {true, 1.99995, 1.99995}, {false, -0.5, -0.5}};
    for (const auto& c : cases)
    {
        player.looping = c.looping;
        EXPECT_NEAR(c.expected, player.MapTime(c.t), 1e-12) << c.looping << " " << c.t;
    }
    player.length = 0.0;
    EXPECT_EQ(0.0, player.MapTime(7.0));

    const CResourcePtr<CModel> model = Walker();
    player.model = model;
    player.Update(); // no name: nothing
    EXPECT_EQ(0.0f, ArmX(*model));
    player.animationName = ".default";
    player.length = 1.0;
    player.looping = true;
    player.startTime = 10.0;
    controller.SetEngineTime(11.5);
    player.Update();
    EXPECT_NEAR(1.5f, ArmX(*model), 1e-5f) << "1.5 s into a 1 s loop";
    player.looping = false;
    player.Update();
    EXPECT_NEAR(3.0f, ArmX(*model), 1e-3f) << "held at the end";
}

TEST_F(ModelTest, OnlyModelsWithoutAControllerAreCulled)
{
    const CResourcePtr<CModel> model = Walker(false);
    ASSERT_EQ(nullptr, model->GetAnimationController());
    EXPECT_EQ(nullptr, context->engine);
    context->frustum.planes[Qen::CFrustum::Right] = {BaseLib::CVector3(1, 0, 0), 5};
    Matrix far;
    Platform::GfxKit::MatrixTranslation(&far, 20, 0, 0);
    EXPECT_EQ(2u, Drawn(*model, Matrix{}));
    EXPECT_EQ(&controller, context->engine) << "the model's engine goes into a context without one";
    EXPECT_EQ(0u, Drawn(*model, far));
    model->SetFrustumCulling(false);
    EXPECT_EQ(2u, Drawn(*model, far));
    model->SetFrustumCulling(true);

    model->CreateAnimationController();
    ASSERT_NE(nullptr, model->GetAnimationController());
    EXPECT_EQ(2u, Drawn(*model, far)) << "animated models are never culled";
    // The rest pose is declared and holds the frames where they are.
    ASSERT_TRUE(model->FindAnimation(".default"));
    EXPECT_EQ(model->GetId(), model->FindAnimation(".default")->GetId());
    Arm(*model)->TransformationMatrix.m[3][0] = 4.0f;
    model->ApplyAnimation(".default", 3.0f);
    EXPECT_EQ(0.0f, ArmX(*model));
}

TEST_F(ModelTest, AnimationSizesCompressionAndRestPoses)
{
    Qen::CAnimationFactory& animations = *controller.GetAnimationFactory();
    KeyframedAnimationSet* three = LinearSet({"a", "b", "c"}, 2.5f);
    CResourcePtr<CAnimation> plain;
    CResourcePtr<CAnimation> compressed;
    CResourcePtr<CAnimation> refused;
    animations.GetAnimation(plain, three, false, 0, 0.0f, "plain");
    animations.GetAnimation(compressed, three, true, 0, 0.02f, "compressed");
    animations.GetAnimation(refused, three, true, 0, -1.0f, "refused");
    EXPECT_EQ(7500u, plain->GetSize());
    EXPECT_EQ(three, plain->GetAnimationSet());
    void* kind = nullptr;
    ASSERT_EQ(Ok, compressed->GetAnimationSet()->QueryInterface(Platform::GfxKit::CompressedAnimationSetId, &kind));
    static_cast<AnimationSet*>(kind)->Release();
    EXPECT_EQ(7500u, compressed->GetSize());
    EXPECT_EQ(three, refused->GetAnimationSet()) << "a failing compression keeps the uncompressed set";
    three->Release();

    // A set that is not key-framed stays as it is.
    AnimationSet* already = compressed->GetAnimationSet();
    CResourcePtr<CAnimation> again;
    animations.GetAnimation(again, already, true, 0, 0.02f, "again");
    EXPECT_EQ(already, again->GetAnimationSet());

    // Unloading drops the set; loading takes it again from the parameters. Device events pass by.
    plain->HandleEvent("devicelost");
    EXPECT_EQ(BaseLib::ResourceLoaded, plain->GetState());
    plain->Unload();
    EXPECT_EQ(nullptr, plain->GetAnimationSet());
    EXPECT_EQ(0u, plain->GetSize());
    EXPECT_TRUE(plain->EnsureLoaded());
    EXPECT_EQ(7500u, plain->GetSize());

    CResourcePtr<CAnimation> empty;
    animations.GetAnimation(empty, nullptr, true, 0, 0.02f, "empty");
    ASSERT_TRUE(empty);
    EXPECT_EQ(BaseLib::ResourceUnloaded, empty->GetState());
    EXPECT_EQ(0u, empty->GetSize());

    CFrame* root = AddFrame("root");
    CFrame* arm = AddFrame("arm", root);
    AddFrame(nullptr, arm);
    Platform::GfxKit::MatrixTranslation(&arm->TransformationMatrix, 0, 2, 0);
    CResourcePtr<CAnimation> pose;
    animations.CreateRestPoseAnimation(pose, root, "", "pose");
    ASSERT_TRUE(pose);
    KeyframedAnimationSet* keys = nullptr;
    ASSERT_EQ(Ok, pose->GetAnimationSet()->QueryInterface(Platform::GfxKit::KeyframedAnimationSetId,
                                                          reinterpret_cast<void**>(&keys)));
    ASSERT_EQ(2u, keys->GetNumAnimations());
    for (std::uint32_t i = 0; i < 2; ++i)
    {
        const char* name = nullptr;
        keys->GetAnimationNameByIndex(i, &name);
        EXPECT_STREQ(i == 0 ? "root" : "arm", name);
        EXPECT_EQ(1u, keys->GetNumScaleKeys(i));
        EXPECT_EQ(1u, keys->GetNumRotationKeys(i));
        ASSERT_EQ(1u, keys->GetNumTranslationKeys(i));
        Platform::GfxKit::KeyVector3 translation;
        keys->GetTranslationKeys(i, &translation);
        EXPECT_EQ(0.0f, translation.Time);
        EXPECT_EQ(i == 0 ? 0.0f : 2.0f, translation.Value.y);
    }
    keys->Release();
}

TEST_F(ModelTest, ACopyAnimatesItsOwnFramesOverTheSharedMeshes)
{
    const CResourcePtr<CModel> source = Walker();
    TFixtureParameters parameters;
    const CResourcePtr<CModel> copy = factory->Get(source->GetId(), parameters, true);
    ASSERT_TRUE(copy && copy->GetFrameRoot() != nullptr);
    ASSERT_NE(source.Get(), copy.Get());
    EXPECT_NE(source->GetFrameRoot(), copy->GetFrameRoot());
    EXPECT_NE(source->GetAnimationController(), copy->GetAnimationController());
    EXPECT_EQ(source->FindAnimation(".default").Get(), copy->FindAnimation(".default").Get());
    EXPECT_EQ(source->GetFrameRoot()->FirstContainer()->mesh, copy->GetFrameRoot()->FirstContainer()->mesh);

    copy->ApplyAnimation(".default", 0.5f);
    EXPECT_NEAR(1.5f, ArmX(*copy), 1e-5f);
    EXPECT_EQ(0.0f, ArmX(*source));
    // The copy's arm container follows the copy's arm frame.
    copy->Render(context.Get(), Matrix{});
    CMeshContainer* armMesh = Arm(*copy)->FirstContainer();
    ASSERT_NE(nullptr, armMesh);
    EXPECT_EQ(&Arm(*copy)->combinedMatrix, armMesh->boneMatrices[0]);
    EXPECT_NEAR(1.5f, armMesh->boneMatrices[0]->m[3][0], 1e-5f);
}

TEST_F(ModelTest, DefaultPoolMeshesGoOnDeviceLossAndComeBackOnReset)
{
    const CResourcePtr<CModel> lost = Walker(true, 0);
    const CResourcePtr<CModel> managed = Walker(true, Platform::GfxKit::MeshOption::Managed);
    EXPECT_EQ(managed->GetSize(), lost->GetSize());
    EXPECT_GT(lost->GetSize(), 0u);
    CFrame* arm = Arm(*lost);
    Platform::GfxKit::Mesh* managedMesh = managed->GetFrameRoot()->FirstContainer()->mesh;

    lost->HandleEvent("devicelost");
    managed->HandleEvent("devicelost");
    EXPECT_EQ(BaseLib::ResourceUnloaded, lost->GetState());
    EXPECT_EQ(0u, lost->GetSize());
    EXPECT_EQ(arm, Arm(*lost)) << "frames stay";
    EXPECT_EQ(nullptr, arm->FirstContainer()->mesh);
    EXPECT_EQ(BaseLib::ResourceLoaded, managed->GetState());
    LoseAndResetDevice();
    lost->HandleEvent("devicereset");
    managed->HandleEvent("devicereset");
    managed->HandleEvent("precache");

    EXPECT_EQ(BaseLib::ResourceLoaded, lost->GetState());
    EXPECT_EQ(arm, Arm(*lost));
    EXPECT_NE(nullptr, arm->FirstContainer()->mesh);
    EXPECT_EQ(managed->GetSize(), lost->GetSize());
    EXPECT_EQ(managedMesh, managed->GetFrameRoot()->FirstContainer()->mesh);
    lost->ApplyAnimation(".default", 0.5f);
    EXPECT_EQ(2u, Drawn(*lost, Matrix{}));
}

} // namespace
} // namespace EngineTesting
