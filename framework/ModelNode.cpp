#include "framework/ModelNode.h"

#include "engine/EngineController.h"
#include "engine/ModelFactory.h"
#include "engine/ModelLoadOptions.h"

#include <cstring>
#include <new>

namespace GameLib
{

bool CRenderableNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CRenderableNode) || CSceneGraphNode::IsKindOf(type);
}

CModelNode* CModelNode::Create(Qen::CEngineController* engine)
{
    return new (std::nothrow) CModelNode(engine);
}

CModelNode::~CModelNode()
{
    m_model = nullptr;
}

void CModelNode::Release(bool /*deleteChildren*/)
{
    delete this;
}

bool CModelNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CModelNode) || CRenderableNode::IsKindOf(type);
}

void CModelNode::LoadModel(const std::string& fileName, Qen::CModelLoadOptions* options)
{
    Qen::CEngineController* engine = GetRenderObject();
    if (engine == nullptr || engine->GetModelFactory() == nullptr)
    {
        SetModel(static_cast<Qen::CModel*>(nullptr));
        return;
    }
    const BaseLib::CResourcePtr<Qen::CModel> model = engine->GetModelFactory()->GetModel(options, fileName, true);
    SetModel(model.Get());
}

void CModelNode::SetModel(Qen::CModel* model)
{
    if (model != m_model.Get())
    {
        m_model = model;
    }
    Qen::CModel* ready = ReadyModel();
    if (ready == nullptr)
    {
        return;
    }
    const Qen::Vector3& centre = ready->GetBoundsCentre();
    SetBounds(BaseLib::CVector3{centre.x, centre.y, centre.z}, ready->GetBoundsRadius());
}

Qen::CModel* CModelNode::ReadyModel()
{
    if (!m_model)
    {
        return nullptr;
    }
    if (m_model->GetState() == BaseLib::ResourceScheduled)
    {
        m_model->WaitUntilLoaded();
    }
    return m_model.Get();
}

float CModelNode::GetAnimationLength(const std::string& name)
{
    Qen::CModel* model = ReadyModel();
    return model != nullptr ? model->GetAnimationLength(name) : 0.0f;
}

void CModelNode::ApplyAnimation(const std::string& name, float time)
{
    if (Qen::CModel* model = ReadyModel())
    {
        model->ApplyAnimation(name, time);
    }
}

void CModelNode::Render(BaseLib::CSmartPointer<Qen::CRenderContext> context)
{
    Qen::CModel* model = ReadyModel();
    if (model == nullptr || model->GetState() != BaseLib::ResourceLoaded)
    {
        return;
    }
    // The model may write into the context (its engine), so it draws with a copy of the pass's one.
    BaseLib::CSmartPointer<Qen::CRenderContext> copy(Qen::CRenderContext::Create());
    if (const Qen::CRenderContext* given = context.Get())
    {
        copy->engine = given->engine;
        copy->view = given->view;
        copy->inverseView = given->inverseView;
        copy->projection = given->projection;
        copy->unused = given->unused;
        copy->viewProjection = given->viewProjection;
        copy->frustum = given->frustum;
        copy->name = given->name;
        copy->lightDirection = given->lightDirection;
        copy->time = given->time;
        copy->lastValue = given->lastValue;
    }
    const BaseLib::CMatrix& world = GetWorldTransform();
    Qen::Matrix matrix;
    static_assert(sizeof(matrix.m) == sizeof(world.m));
    std::memcpy(matrix.m, world.m, sizeof(matrix.m));
    const BaseLib::CResourcePtr<Qen::CModel> held(model);
    held->Render(copy.Get(), matrix);
}

} // namespace GameLib
