#include "framework/AnimationController.h"

#include "engine/EngineController.h"
#include "engine/ModelFactory.h"
#include "engine/ModelLoadOptions.h"
#include "platform/gfxkit/xfile/XFileHierarchy.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace GameLib
{

std::size_t CAnimationController::AddTarget(const ApplyDelegate& apply, const LengthDelegate& length)
{
    for (std::size_t i = 0; i < m_targets.size(); ++i)
    {
        if (m_targets[i].apply.IsEmpty())
        {
            m_targets[i] = TTarget{apply, length};
            return i;
        }
    }
    m_targets.push_back(TTarget{apply, length});
    return m_targets.size() - 1;
}

void CAnimationController::RemoveTarget(std::size_t index)
{
    if (index < m_targets.size())
    {
        m_targets[index] = TTarget{};
    }
}

void CAnimationController::Play(const std::string& name, double start, bool loop)
{
    m_name = name;
    m_time = start;
    m_loop = loop;
    m_length = 0.0f;
    m_stopped = false;
    for (const TTarget& target : m_targets)
    {
        if (!target.length.IsEmpty())
        {
            m_length = std::max(m_length, target.length(m_name));
        }
    }
}

void CAnimationController::Advance(double dt)
{
    if (m_name.empty())
    {
        return;
    }
    if (!m_stopped)
    {
        m_time += dt;
    }
    const double length = m_length;
    if (length > 0.0 && m_time > length)
    {
        if (m_loop)
        {
            m_time = std::fmod(m_time, length);
        }
        else
        {
            m_time = length;
            m_stopped = true;
        }
    }
    // A finished non-looping animation shows the pose just before its end.
    auto time = static_cast<float>(m_time);
    // A length of 0 disables the end, so the time is not limited then.
    if (!m_loop && m_length > 0.0f && time > m_length - 0.01f)
    {
        time = m_length - 0.01f;
    }
    for (std::size_t i = 0; i < m_targets.size(); ++i)
    {
        // Copied: a target may add or remove targets while it is called.
        const ApplyDelegate apply = m_targets[i].apply;
        if (!apply.IsEmpty())
        {
            apply(m_name, time);
        }
    }
}

bool CAnimationController::IsFinished() const
{
    if (m_loop || m_length == 0.0f)
    {
        return false;
    }
    return m_time >= m_length;
}

void CTransformAnimator::LoadAnimation(const std::string& fileName)
{
    // An animation file is read for its frames and animation, not for its meshes.
    Qen::CModelLoadOptions options = Qen::CModelLoadOptions::GetDefault();
    options.meshesOnlyForAnimation = true;
    BaseLib::CResourcePtr<Qen::CModel> model;
    if (m_engine != nullptr && m_engine->GetModelFactory() != nullptr)
    {
        model = m_engine->GetModelFactory()->GetModel(&options, fileName, false);
    }
    // The attached frame lives in the old model's hierarchy.
    m_frame = nullptr;
    m_model = model;
}

Qen::CModel* CTransformAnimator::ReadyModel()
{
    if (!m_model)
    {
        return nullptr;
    }
    if (m_model->GetState() == BaseLib::ResourceScheduled)
    {
        m_model->WaitUntilLoaded();
    }
    return m_model->GetFrameRoot() != nullptr ? m_model.Get() : nullptr;
}

Qen::CFrame* CTransformAnimator::AttachToFrame(const std::string& frameName)
{
    Qen::CModel* model = ReadyModel();
    m_frame = model != nullptr
                  ? static_cast<Qen::CFrame*>(Platform::GfxKit::FrameFind(model->GetFrameRoot(), frameName.c_str()))
                  : nullptr;
    return m_frame;
}

float CTransformAnimator::GetAnimationLength(const std::string& name)
{
    Qen::CModel* model = ReadyModel();
    return model != nullptr ? model->GetAnimationLength(name) : 0.0f;
}

void CTransformAnimator::ApplyAnimation(const std::string& name, float time)
{
    Qen::CModel* model = ReadyModel();
    if (model == nullptr)
    {
        return;
    }
    model->ApplyAnimation(name, time);
    model = ReadyModel();
    if (model == nullptr)
    {
        return;
    }
    Qen::UpdateFrameMatrices(model->GetFrameRoot(), Qen::Matrix{});
    model->SetMatricesDirty(false);
    if (m_frame != nullptr)
    {
        static_assert(sizeof(m_transform.m) == sizeof(m_frame->combinedMatrix.m));
        std::memcpy(m_transform.m, m_frame->combinedMatrix.m, sizeof(m_transform.m));
    }
    if (m_callback != nullptr)
    {
        m_callback(m_callbackContext, &m_transform);
    }
}

} // namespace GameLib
