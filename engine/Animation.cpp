#include "engine/Animation.h"

#include "engine/RestPose.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfxkit/anim/AnimationSet.h"

#include <memory>

namespace Qen
{

using Platform::GfxKit::AnimationSet;

CAnimation::~CAnimation()
{
    ReleaseDeviceObject();
}

std::uint32_t CAnimation::GetSize() const
{
    if (m_set == nullptr)
    {
        return 0;
    }
    return m_set->GetNumAnimations() * static_cast<std::uint32_t>(m_set->GetPeriod() * 1000.0);
}

void CAnimation::ReleaseDeviceObject()
{
    TakeAnimationSet(nullptr);
}

void CAnimation::TakeAnimationSet(AnimationSet* set)
{
    AnimationSet* old = m_set;
    m_set = set;
    if (old != nullptr)
    {
        old->Release();
    }
}

CAnimationFactory::TAnimationParameters::TAnimationParameters(const TAnimationParameters& other)
    : CResourceParameters(other)
{
    *this = other;
}

CAnimationFactory::TAnimationParameters&
CAnimationFactory::TAnimationParameters::operator=(const TAnimationParameters& other)
{
    source = other.source;
    if (other.animationSet != nullptr)
    {
        other.animationSet->AddRef();
    }
    if (animationSet != nullptr)
    {
        animationSet->Release();
    }
    animationSet = other.animationSet;
    compress = other.compress;
    compressionFlags = other.compressionFlags;
    lossiness = other.lossiness;
    return *this;
}

CAnimationFactory::TAnimationParameters::~TAnimationParameters()
{
    if (animationSet != nullptr)
    {
        animationSet->Release();
    }
}

CAnimationFactory::CAnimationFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry)
    : CResourceFactory(registry, nullptr), m_engine(engine)
{}

CAnimationFactory::~CAnimationFactory()
{
    GetRegistry()->DestroyResourcesOf(this);
}

BaseLib::CResourcePtr<CAnimation>& CAnimationFactory::GetAnimation(BaseLib::CResourcePtr<CAnimation>& out,
                                                                   AnimationSet* set, bool compress,
                                                                   std::uint32_t compressionFlags, float lossiness,
                                                                   const std::string& name)
{
    TAnimationParameters parameters;
    if (set != nullptr)
    {
        set->AddRef();
    }
    parameters.animationSet = set;
    parameters.compress = compress;
    parameters.compressionFlags = compressionFlags;
    parameters.lossiness = lossiness;
    return AssignTypedResource(out, GetResource(name, parameters, false, false));
}

BaseLib::CResourcePtr<CAnimation>& CAnimationFactory::CreateRestPoseAnimation(BaseLib::CResourcePtr<CAnimation>& out,
                                                                              CFrame* root,
                                                                              const std::string& setName,
                                                                              const std::string& resourceName)
{
    AnimationSet* set = BuildRestPoseSet(root, setName.c_str());
    GetAnimation(out, set, false, 0, 0.0f, resourceName);
    if (set != nullptr)
    {
        set->Release();
    }
    return out;
}

AnimationSet* CAnimationFactory::CompressAnimationSet(AnimationSet* set, std::uint32_t flags, float lossiness)
{
    using namespace Platform::GfxKit;
    KeyframedAnimationSet* keyframed = nullptr;
    if (set == nullptr ||
        Platform::Gfx::Failed(set->QueryInterface(KeyframedAnimationSetId, reinterpret_cast<void**>(&keyframed))))
    {
        return set;
    }
    // Without a compressed set the uncompressed one stays: losing it would leave the model without its
    // animation.
    ByteBuffer* data = nullptr;
    CompressedAnimationSet* compressed = nullptr;
    if (Platform::Gfx::Succeeded(keyframed->Compress(flags, lossiness, nullptr, &data)) && data != nullptr)
    {
        CreateCompressedAnimationSet(keyframed->GetName(), keyframed->GetSourceTicksPerSecond(),
                                     keyframed->GetPlaybackType(), data, 0, nullptr, &compressed);
    }
    if (data != nullptr)
    {
        data->Release();
    }
    keyframed->Release();
    if (compressed == nullptr)
    {
        return set;
    }
    set->Release();
    return compressed;
}

BaseLib::CResource* CAnimationFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    auto* animation = new CAnimation(this, m_engine);
    animation->SetParameters(
        std::make_unique<TAnimationParameters>(static_cast<const TAnimationParameters&>(parameters)));
    if (Load(animation))
    {
        animation->SetState(BaseLib::ResourceLoaded);
    }
    return animation;
}

void CAnimationFactory::Destroy(BaseLib::CResource* resource)
{
    DestroyEngineResource(this, resource);
}

bool CAnimationFactory::Load(BaseLib::CResource* resource)
{
    const auto& parameters = static_cast<const TAnimationParameters&>(*resource->GetParameters());
    AnimationSet* set = parameters.animationSet;
    if (set != nullptr)
    {
        set->AddRef();
        if (parameters.compress)
        {
            set = CompressAnimationSet(set, parameters.compressionFlags, parameters.lossiness);
        }
    }
    static_cast<CAnimation*>(resource)->TakeAnimationSet(set);
    return set != nullptr;
}

void CAnimationFactory::Unload(BaseLib::CResource* resource)
{
    UnloadEngineResource(resource);
}

} // namespace Qen
