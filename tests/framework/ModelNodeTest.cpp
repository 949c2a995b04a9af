#include "framework/AnimationController.h"
#include "framework/ModelNode.h"
#include "tests/engine/MeshFixture.h"
#include "tests/framework/SceneRecorder.h"

#include "engine/Camera.h"
#include "engine/ModelFactory.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/gfxkit/xfile/XFileHierarchy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

using BaseLib::CResourcePtr;
using GameLib::CModelNode;
using GameLib::CTransformAnimator;
using namespace Platform::Gfx;

// A green cube of side 1 round the origin.
constexpr const char* kBoxFile = R"(xof 0303txt 0032
Material Green {
 0.0;1.0;0.0;1.0;;
 0.0;
 0.0;0.0;0.0;;
 0.0;0.0;0.0;;
}
Frame Box {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
 Mesh BoxMesh {
  8;
  -0.5;-0.5;-0.5;, -0.5;0.5;-0.5;, 0.5;0.5;-0.5;, 0.5;-0.5;-0.5;,
  -0.5;-0.5;0.5;, -0.5;0.5;0.5;, 0.5;0.5;0.5;, 0.5;-0.5;0.5;;
  12;
  3;0,1,2;, 3;0,2,3;, 3;4,6,5;, 3;4,7,6;, 3;0,4,5;, 3;0,5,1;,
  3;3,2,6;, 3;3,6,7;, 3;1,5,6;, 3;1,6,2;, 3;0,3,7;, 3;0,7,4;;
  MeshMaterialList { 1; 12; 0,0,0,0,0,0,0,0,0,0,0,0;; { Green } }
 }
}
)";

// A rig whose frame "CameraNode" moves from the origin to x = `end` over 2 s (60 ticks at 30 a second).
std::string RigFile(int end)
{
    return std::string(R"(xof 0303txt 0032
AnimTicksPerSecond { 30; }
Frame Rig {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
 Mesh RigMesh {
  3;
  0;0;0;, 0;0.1;0;, 0.1;0;0;;
  1;
  3;0,1,2;;
 }
 Frame CameraNode {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
 }
}
AnimationSet Fly {
 Animation {
  { CameraNode }
  AnimationKey {
   2;
   2;
   0;3;0.0,0.0,0.0;;,
   60;3;)") + std::to_string(end) + R"(.0,0.0,0.0;;;
  }
 }
}
)";
}

class ModelNodeTest : public EngineTesting::MeshFixture
{
protected:
    ModelNodeTest()
    {
        headWidth = 160;
        headHeight = 120;
    }

    void SetUp() override
    {
        MeshFixture::SetUp();
        if (HasFatalFailure())
        {
            return;
        }
        WriteFile("std_untextured.fx", EngineTesting::kFlatColourEffect);
        WriteFile("std_default.fx", EngineTesting::kFlatColourEffect);
        WriteFile("box.x", kBoxFile);
        WriteFile("rig.x", RigFile(10));
        WriteFile("rig2.x", RigFile(20));
        controller.GetPathAliases().RegisterPathAlias("models", folder.string());
    }

    void TearDown() override
    {
        for (CModelNode* node : nodes)
        {
            node->Release(false);
        }
        MeshFixture::TearDown();
    }

    CModelNode* Node(const std::string& file)
    {
        nodes.push_back(CModelNode::Create(&controller));
        nodes.back()->SetModel(file, nullptr);
        return nodes.back();
    }

    std::uint32_t DrawCount() { return controller.GetStatistics().counters[1]; }

    std::vector<CModelNode*> nodes;
};

float CameraNodeX(const CModelNode& node)
{
    const auto* frame = Platform::GfxKit::FrameFind(node.GetModel()->GetFrameRoot(), "CameraNode");
    return frame != nullptr ? frame->TransformationMatrix.m[3][0] : NAN;
}

TEST_F(ModelNodeTest, TakesItsModelsBoundsOncePosesItsOwnCloneAndReportsUndeclaredNames)
{
    SceneTest::RecordingManager manager;
    CModelNode* node = CModelNode::Create(&controller);
    ASSERT_NE(nullptr, node);
    node->SetName("box");
    manager.GetRootNode()->AddChild(node);
    EXPECT_TRUE(node->IsKindOf(typeid(CModelNode)));
    EXPECT_TRUE(node->IsKindOf(typeid(GameLib::CRenderableNode)));
    EXPECT_TRUE(node->IsKindOf(typeid(GameLib::CSceneGraphNode)));
    EXPECT_FALSE(node->IsKindOf(typeid(GameLib::CTransformNode)));
    EXPECT_EQ(1u, node->IsVisible());
    EXPECT_EQ(&controller, node->GetRenderObject());
    EXPECT_FALSE(node->GetModel());

    manager.calls.clear();
    node->SetModel("models>box.x", nullptr);
    const CResourcePtr<Qen::CModel> model = node->GetModel();
    ASSERT_TRUE(model && model->GetState() == BaseLib::ResourceLoaded);
    EXPECT_GT(model->GetBoundsRadius(), 0.5f);
    const BaseLib::CVector4 expected(model->GetBoundsCentre().x, model->GetBoundsCentre().y,
                                     model->GetBoundsCentre().z, model->GetBoundsRadius());
    EXPECT_EQ(expected, node->GetBounds());
    EXPECT_EQ(std::vector<std::string>{"invalidated box"}, manager.Hooks()) << "one bounds notification";
    manager.calls.clear();
    node->SetModel(model.Get());
    EXPECT_TRUE(manager.calls.empty()) << "the same model changes nothing";
    EXPECT_EQ(model.Get(), node->GetAnimationHandle().Get());
    node->Release(false);
    EXPECT_EQ(0u, manager.GetRootNode()->GetChildCount());

    // Two nodes of one file pose independently: each has its own clone.
    CModelNode* a = Node("models>rig.x");
    CModelNode* b = Node("models>rig.x");
    ASSERT_TRUE(a->GetModel() && b->GetModel());
    EXPECT_NE(a->GetModel().Get(), b->GetModel().Get());
    EXPECT_NEAR(2.0f, a->GetAnimationLength(".default"), 1e-4f);
    a->ApplyAnimation(".default", 1.0f);
    EXPECT_NEAR(5.0f, CameraNodeX(*a), 0.02f);
    EXPECT_EQ(0.0f, CameraNodeX(*b));

    // An undeclared name: the engine's one box, the pose kept.
    ASSERT_TRUE(boxes.empty());
    a->ApplyAnimation("Jump", 0.5f);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].rfind("anim not declared:|", 0)) << boxes[0];
    EXPECT_NEAR(5.0f, CameraNodeX(*a), 0.02f);
}

TEST_F(ModelNodeTest, RendersItsModelAtItsWorldPlaceAndNothingWithoutOne)
{
    SceneTest::RecordingManager manager;
    GameLib::CTransformNode* place = SceneTest::Named("place");
    manager.GetRootNode()->AddChild(place);
    place->SetPosition({2.0f, 0.0f, 0.0f});
    CModelNode* node = CModelNode::Create(&controller);
    place->AddChild(node);
    node->SetModel("models>box.x", nullptr);
    ASSERT_TRUE(node->GetModel());

    Qen::CCamera camera;
    camera.position = {0.0f, 0.0f, -8.0f};
    camera.forward = {0.0f, 0.0f, 1.0f};
    camera.aspectRatio = static_cast<float>(headWidth) / static_cast<float>(headHeight);
    camera.fieldOfView = 0.8f;
    camera.Update();
    BaseLib::CSmartPointer<Qen::CRenderContext> context(Qen::CRenderContext::Create());
    context->engine = &controller;
    context->view = camera.view;
    context->projection = camera.projection;
    context->viewProjection = camera.viewProjection;

    auto draw = [&](std::vector<std::uint32_t>& pixels, const char* png) {
        controller.GetHeads()[0]->BeginFrame();
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF000000, 1.0f, 0));
        ASSERT_EQ(Ok, device->BeginScene());
        node->Render(context);
        ASSERT_EQ(Ok, device->EndScene());
        Surface* backBuffer = nullptr;
        ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, 0, &backBuffer));
        ASSERT_EQ(Ok, device->ReadPixels(backBuffer, pixels));
        if (png != nullptr)
        {
            EXPECT_EQ(Ok, Platform::GfxKit::SaveSurfaceToFile(OutputPath(png).c_str(),
                                                              Platform::GfxKit::ImageFileFormat::Png, backBuffer,
                                                              nullptr, nullptr));
        }
        backBuffer->Release();
    };
    auto at = [&](const std::vector<std::uint32_t>& pixels, float x, float y) {
        BaseLib::CVector4 clip;
        BaseLib::TransformVector4(clip, BaseLib::CVector4(x, y, 0.0f, 1.0f), camera.viewProjection);
        const auto px = static_cast<int>((clip.x / clip.w * 0.5f + 0.5f) * static_cast<float>(headWidth));
        const auto py = static_cast<int>((0.5f - clip.y / clip.w * 0.5f) * static_cast<float>(headHeight));
        return pixels[static_cast<std::size_t>(py * headWidth + px)];
    };

    std::vector<std::uint32_t> pixels;
    const std::uint32_t before = DrawCount();
    draw(pixels, "model_node.png");
    EXPECT_EQ(1u, DrawCount() - before);
    EXPECT_EQ(0xFF00FF00u, at(pixels, 2.0f, 0.0f)) << "the box where its node is";
    EXPECT_EQ(0xFF00FF00u, at(pixels, 2.35f, 0.35f));
    EXPECT_EQ(0xFF000000u, at(pixels, 0.0f, 0.0f)) << "not at the origin";
    EXPECT_EQ(0xFF000000u, at(pixels, -2.0f, 0.0f));
    EXPECT_EQ(1, context->GetRefCount()) << "the references taken are released";

    // Without a model: bounds kept, nothing drawn, nothing to pose.
    const BaseLib::CVector4 bounds = node->GetBounds();
    node->SetModel(static_cast<Qen::CModel*>(nullptr));
    EXPECT_FALSE(node->GetModel());
    EXPECT_EQ(bounds, node->GetBounds());
    draw(pixels, nullptr);
    EXPECT_EQ(1u, DrawCount() - before);
    EXPECT_EQ(0xFF000000u, at(pixels, 2.0f, 0.0f));
    EXPECT_EQ(0.0f, node->GetAnimationLength(".default"));
    node->ApplyAnimation(".default", 1.0f);
    EXPECT_TRUE(boxes.empty());
}

// What the animator's callback was last given.
std::uint32_t* g_context = nullptr;
BaseLib::CMatrix* g_transform = nullptr;
void RecordCallback(std::uint32_t* context, BaseLib::CMatrix* transform)
{
    g_context = context;
    g_transform = transform;
}

TEST_F(ModelNodeTest, TransformAnimatorFollowsItsFrameAndNeverReadsAMissingOne)
{
    CTransformAnimator animator(&controller);
    // Nothing loaded: no frame, no length, no change.
    EXPECT_EQ(nullptr, animator.AttachToFrame("CameraNode"));
    EXPECT_EQ(0.0f, animator.GetAnimationLength(".default"));
    animator.ApplyAnimation(".default", 1.0f);
    EXPECT_EQ(BaseLib::CMatrix::Identity, animator.GetTransform());

    animator.LoadAnimation("models>rig.x");
    ASSERT_TRUE(animator.GetModel());
    int meshes = 0;
    Qen::ForEachMeshContainer(animator.GetModel()->GetFrameRoot(),
                              [&meshes](Qen::CMeshContainer& container) { meshes += container.mesh != nullptr; });
    EXPECT_EQ(0, meshes) << "an animation file is loaded without its meshes";
    EXPECT_EQ(nullptr, animator.AttachToFrame("missing"));
    ASSERT_NE(nullptr, animator.AttachToFrame("CameraNode"));
    EXPECT_NEAR(2.0f, animator.GetAnimationLength(".default"), 1e-4f);

    animator.SetCallback(&RecordCallback);
    EXPECT_EQ(0u, animator.GetCallbackContext()[1]);
    EXPECT_EQ(0u, animator.GetCallbackContext()[2]);
    animator.ApplyAnimation(".default", 1.0f);
    const BaseLib::CMatrix& transform = animator.GetTransform();
    EXPECT_NEAR(5.0f, transform.m[3][0], 0.02f);
    EXPECT_NEAR(0.0f, transform.m[3][1], 0.02f);
    EXPECT_FALSE(animator.GetModel()->GetMatricesDirty());
    EXPECT_EQ(animator.GetCallbackContext(), g_context);
    EXPECT_EQ(&transform, g_transform);

    animator.ApplyAnimation(".default", 0.0f);
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            EXPECT_NEAR(BaseLib::CMatrix::Identity.m[r][c], transform.m[r][c], 1e-4f) << r << c;
        }
    }
    animator.ApplyAnimation(".default", 1.0f);
    const float x = transform.m[3][0];

    // Another file drops the frame of the old one: the transform stays until the caller attaches again.
    animator.LoadAnimation("models>rig2.x");
    animator.ApplyAnimation(".default", 1.0f);
    EXPECT_EQ(x, transform.m[3][0]);
    ASSERT_NE(nullptr, animator.AttachToFrame("CameraNode"));
    animator.ApplyAnimation(".default", 1.0f);
    EXPECT_NEAR(10.0f, transform.m[3][0], 0.04f);

    // A file that does not load leaves no model to read.
    animator.LoadAnimation("models>absent.x");
    EXPECT_EQ(nullptr, animator.AttachToFrame("CameraNode"));
    animator.ApplyAnimation(".default", 1.0f);
    EXPECT_NEAR(10.0f, transform.m[3][0], 0.04f);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ("could not load model file.|filename = models>absent.x", boxes.back());
}

} // namespace
