#include "game/puzzle/QuarrowRenderer.h"

#include "engine/Camera.h"
#include "engine/EffectShader.h"
#include "engine/EngineController.h"
#include "engine/Material.h"
#include "engine/MaterialFactory.h"
#include "engine/SurfaceFactory.h"
#include "engine/TextureFactory.h"
#include "foundation/Debug.h"
#include "foundation/Geometry.h"
#include "foundation/RefCounted.h"
#include "framework/CameraNode.h"
#include "framework/LightSourceNode.h"
#include "framework/ModelNode.h"
#include "framework/SceneManager.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Texture.h"
#include "platform/gfxkit/Math.h"
#include "platform/gfxkit/effect/Effect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using BaseLib::CVector4;

constexpr const char* kSceneEffectFile = "shader>scene.fx";
constexpr float kBoxMargin = 0.1f;

// From a light's clip space to its shadow map: u = 0 at the left edge, v = 0 at the top row.
const CMatrix kClipToShadowMap(CVector4(0.5f, 0.0f, 0.0f, 0.0f), CVector4(0.0f, -0.5f, 0.0f, 0.0f),
                               CVector4(0.0f, 0.0f, 1.0f, 0.0f), CVector4(0.5f, 0.5f, 0.0f, 1.0f));

// The white texel of the shadow texture used while shadows are off: every point fully lit. The factory
// calls this after every creation of the texture, so it survives a reset.
void FillWhite(Qen::CTextureFactory::TFill*, Platform::Gfx::BaseTexture* texture)
{
    if (texture == nullptr || texture->GetType() != Platform::Gfx::ResourceType::Texture)
    {
        return;
    }
    auto* plain = static_cast<Platform::Gfx::Texture*>(texture);
    Platform::Gfx::LockedRect locked;
    if (Platform::Gfx::Succeeded(plain->LockRect(0, &locked, nullptr, 0)))
    {
        *static_cast<std::uint32_t*>(locked.pBits) = 0xFFFFFFFFu;
        plain->UnlockRect(0);
    }
}

bool IsUsableDirection(const CVector3& d)
{
    return std::isfinite(d.x) && std::isfinite(d.y) && std::isfinite(d.z) && d.Dot(d) > 0.0f &&
           std::isfinite(d.Dot(d));
}

// The inverse of m. The inverse of an affine matrix (last column 0, 0, 0, 1) is affine, but a general
// inversion leaves rounding noise in that column, which the frustum would read as a perspective (and an
// orthographic light's frustum then turns inside out): the column is put back exactly.
CMatrix InverseOf(const CMatrix& m)
{
    CMatrix inverse;
    m.GetInverse(inverse);
    if (m.m[0][3] == 0.0f && m.m[1][3] == 0.0f && m.m[2][3] == 0.0f && m.m[3][3] == 1.0f)
    {
        inverse.m[0][3] = 0.0f;
        inverse.m[1][3] = 0.0f;
        inverse.m[2][3] = 0.0f;
        inverse.m[3][3] = 1.0f;
    }
    return inverse;
}

} // namespace

CQuarrowRenderer::CQuarrowRenderer() = default;

CQuarrowRenderer::~CQuarrowRenderer()
{
    ReleaseShadowResources();
    if (m_sceneEffect != nullptr)
    {
        std::exchange(m_sceneEffect, nullptr)->Release();
    }
}

void CQuarrowRenderer::Init(Qen::CEngineController* engine, GameLib::CSceneManager* sceneManager)
{
    m_engine = engine;
    m_sceneManager = sceneManager;
    Qen::CEffectShader* effect = nullptr;
    if (Qen::CMaterialFactory* materials = engine != nullptr ? engine->GetMaterialFactory() : nullptr)
    {
        BaseLib::CResourcePtr<Qen::CMaterial> material;
        materials->GetMaterial(kSceneEffectFile, material, false);
        if (material)
        {
            // Outside the factory's call: the registry's lock is not held while this waits.
            material->WaitUntilLoaded();
            effect = material->GetEffectShader();
        }
    }
    if (effect != nullptr)
    {
        effect->AddRef();
    }
    if (m_sceneEffect != nullptr)
    {
        m_sceneEffect->Release();
    }
    m_sceneEffect = effect;
    if (m_sceneEffect == nullptr)
    {
        BaseLib::DebugOutput("Renderer: \"%s\" gave no effect; the scene is only cleared\n",
                             kSceneEffectFile);
    }
    CreateShadowResources();
}

void CQuarrowRenderer::SetSceneBounds(float minX, float minY, float minZ, float maxX, float maxY, float maxZ)
{
    m_sceneMin = CVector3(minX, minY, minZ);
    m_sceneMax = CVector3(maxX, maxY, maxZ);
}

void CQuarrowRenderer::SetShadowsEnabled(bool enabled)
{
    m_shadowsEnabled = enabled;
    if (m_engine != nullptr)
    {
        CreateShadowResources();
    }
}

void CQuarrowRenderer::CreateShadowResources()
{
    ReleaseShadowResources();
    if (m_engine == nullptr || m_engine->GetTextureFactory() == nullptr)
    {
        return;
    }
    using namespace Platform::Gfx;
    if (m_shadowsEnabled)
    {
        // One level: the device does not rebuild the mip chain of a texture drawn into, so further
        // levels would hold stale depths for the light pass to sample.
        m_engine->GetTextureFactory()->CreateTexture(m_shadowTexture, kShadowMapSize, kShadowMapSize, 1,
                                                     Usage::RenderTarget, Format::X8R8G8B8, Pool::Default,
                                                     nullptr, nullptr, nullptr, "");
        if (Qen::CSurfaceFactory* surfaces = m_engine->GetSurfaceFactory())
        {
            surfaces->GetSurface(m_shadowDepth, kShadowMapSize, kShadowMapSize, Format::D24X8, 0, 0, "");
        }
    }
    else
    {
        m_engine->GetTextureFactory()->CreateTexture(m_shadowTexture, 1, 1, 1, 0, Format::X8R8G8B8,
                                                     Pool::Managed, nullptr, nullptr, &FillWhite, "");
    }
}

void CQuarrowRenderer::ReleaseShadowResources()
{
    m_shadowTexture.Clear();
    m_shadowDepth.Clear();
}

int CQuarrowRenderer::LightBatchSize()
{
    const char* reason = nullptr;
    int size = 0;
    Qen::CMaterialFactory* materials = m_engine->GetMaterialFactory();
    Qen::CEffectShader* shared = materials != nullptr ? materials->GetSharedEffect() : nullptr;
    if (shared == nullptr || shared->GetEffect() == nullptr)
    {
        reason = "there is no shared effect";
    }
    else
    {
        Platform::GfxKit::Effect* effect = shared->GetEffect();
        Platform::GfxKit::EffectHandle table = effect->GetParameterByName(nullptr, "c_axLights");
        Platform::GfxKit::ParameterDesc desc;
        if (table == nullptr || Platform::Gfx::Failed(effect->GetParameterDesc(table, &desc)))
        {
            reason = "the shared effect has no \"c_axLights\"";
        }
        else if (desc.Elements < 1)
        {
            reason = "the shared effect's \"c_axLights\" is no array";
        }
        else
        {
            size = static_cast<int>(desc.Elements);
        }
    }
    if (reason != nullptr && !m_tracedNoBatch)
    {
        m_tracedNoBatch = true;
        BaseLib::DebugOutput("Renderer: %s; only the ambient pass is drawn\n", reason);
    }
    return size;
}

void CQuarrowRenderer::Render()
{
    Platform::Gfx::Device* device = m_engine != nullptr ? m_engine->GetDevice() : nullptr;
    if (device == nullptr)
    {
        return;
    }
    // No stencil: the heads' depth buffers have none, and the device drops a clear that asks for it.
    device->Clear(0, nullptr, Platform::Gfx::ClearFlag::Target | Platform::Gfx::ClearFlag::ZBuffer,
                  kClearColour, 1.0f, 0);
    if (m_sceneEffect == nullptr || m_sceneManager == nullptr)
    {
        return;
    }
    if (m_camera == nullptr)
    {
        if (!m_tracedNoCamera)
        {
            m_tracedNoCamera = true;
            BaseLib::DebugOutput("Renderer: no camera node; the scene is only cleared\n");
        }
        return;
    }
    Qen::CCamera* camera = m_camera->GetCamera();
    camera->Update();

    m_renderables.clear();
    m_lights.clear();
    m_sceneManager->GetNodesOfType(typeid(GameLib::CRenderableNode), m_renderables);
    m_sceneManager->GetNodesOfType(typeid(GameLib::CLightSourceNode), m_lights);

    RenderPass("ambientpass", m_renderables, camera->view, camera->projection, kLitPassMask,
               camera->leftHanded);
    if (m_lights.empty())
    {
        return;
    }
    const int batch = LightBatchSize();
    if (batch < 1)
    {
        return;
    }
    Platform::GfxKit::Effect* shared = m_engine->GetMaterialFactory()->GetSharedEffect()->GetEffect();
    for (std::size_t first = 0; first < m_lights.size(); first += static_cast<std::size_t>(batch))
    {
        const std::size_t end = std::min(first + static_cast<std::size_t>(batch), m_lights.size());
        for (std::size_t i = first; i < end; ++i)
        {
            SetLightParameters(static_cast<int>(i - first),
                               *static_cast<GameLib::CLightSourceNode*>(m_lights[i])->GetLight());
        }
        if (m_shadowsEnabled)
        {
            DrawShadowMaps(first, end);
        }
        shared->SetTexture("c_tShadowMap", m_shadowTexture ? m_shadowTexture->GetTexture() : nullptr);
        SetSharedInt("c_iNumLights", static_cast<std::int32_t>(end - first));
        RenderPass("lightpass", m_renderables, camera->view, camera->projection, kLitPassMask,
                   camera->leftHanded);
        // The pool holds no reference to a default-pool texture between frames: it would block a reset.
        shared->SetTexture("c_tShadowMap", nullptr);
    }
}

void CQuarrowRenderer::DrawShadowMaps(std::size_t first, std::size_t end)
{
    using namespace Platform::Gfx;
    Device* device = m_engine->GetDevice();
    BaseTexture* texture = m_shadowTexture ? m_shadowTexture->GetTexture() : nullptr;
    Surface* depth = m_shadowDepth ? m_shadowDepth->GetSurface() : nullptr;
    if (texture == nullptr || depth == nullptr || texture->GetType() != ResourceType::Texture)
    {
        return;
    }
    Surface* level = nullptr;
    if (Failed(static_cast<Texture*>(texture)->GetSurfaceLevel(0, &level)))
    {
        return;
    }
    Surface* savedTarget = nullptr;
    Surface* savedDepth = nullptr;
    device->GetRenderTarget(0, &savedTarget);
    device->GetDepthStencilSurface(&savedDepth);
    device->SetRenderTarget(0, level);
    device->SetDepthStencilSurface(depth);
    device->Clear(0, nullptr, ClearFlag::Target, 0xFFFFFFFFu, 1.0f, 0);
    for (std::size_t i = first; i < end; ++i)
    {
        Qen::CLightDescription& light = *static_cast<GameLib::CLightSourceNode*>(m_lights[i])->GetLight();
        if (!light.castsShadows)
        {
            continue;
        }
        CMatrix view;
        CMatrix projection;
        if (!ComputeLightMatrices(light.direction, view, projection))
        {
            continue; // traced where its parameters were set
        }
        device->Clear(0, nullptr, ClearFlag::ZBuffer, 0, 1.0f, 0);
        SetSharedInt("c_iLightIndex", static_cast<std::int32_t>(i - first));
        RenderPass("shadowmap", m_renderables, view, projection, kShadowPassMask, true);
    }
    device->SetRenderTarget(0, savedTarget);
    device->SetDepthStencilSurface(savedDepth);
    // A back buffer held by anyone blocks the device's reset: all three go at once.
    for (Surface* held : {savedTarget, savedDepth, level})
    {
        if (held != nullptr)
        {
            held->Release();
        }
    }
}

void CQuarrowRenderer::SetSharedInt(const char* name, std::int32_t value)
{
    m_engine->GetMaterialFactory()->GetSharedEffect()->GetEffect()->SetInt(name, value);
}

void CQuarrowRenderer::SetLightParameters(int index, Qen::CLightDescription& light)
{
    CMatrix view;
    CMatrix projection;
    CMatrix shadowTransform = CMatrix::Identity;
    CVector3 colour = light.colour;
    if (ComputeLightMatrices(light.direction, view, projection))
    {
        shadowTransform = view * projection * kClipToShadowMap;
    }
    else
    {
        // The light keeps its place in the batch but adds nothing and casts no shadow.
        colour = CVector3(0.0f, 0.0f, 0.0f);
        if (!m_tracedBadDirection)
        {
            m_tracedBadDirection = true;
            BaseLib::DebugOutput("Renderer: a light with the direction (%g, %g, %g) lights nothing\n",
                                 static_cast<double>(light.direction.x),
                                 static_cast<double>(light.direction.y),
                                 static_cast<double>(light.direction.z));
        }
    }
    Platform::GfxKit::Effect* shared = m_engine->GetMaterialFactory()->GetSharedEffect()->GetEffect();
    const float direction[4] = {light.direction.x, light.direction.y, light.direction.z, 0.0f};
    const float lightColour[4] = {colour.x, colour.y, colour.z, 0.0f};
    Platform::Gfx::Matrix matrix;
    static_assert(sizeof(matrix.m) == sizeof(shadowTransform.m));
    std::memcpy(matrix.m, shadowTransform.m, sizeof(matrix.m));
    char name[64];
    std::snprintf(name, sizeof name, "c_axLights[%d].vDirectionWS", index);
    shared->SetVector(name, direction);
    std::snprintf(name, sizeof name, "c_axLights[%d].vLightColor", index);
    shared->SetVector(name, lightColour);
    std::snprintf(name, sizeof name, "c_axLights[%d].mShadowTransform", index);
    shared->SetMatrix(name, &matrix);
}

bool CQuarrowRenderer::ComputeLightMatrices(const CVector3& direction, CMatrix& lightView,
                                            CMatrix& lightProjection) const
{
    if (!IsUsableDirection(direction))
    {
        return false;
    }
    const CVector3 d = direction / direction.Length();
    const CVector3 margin(kBoxMargin, kBoxMargin, kBoxMargin);
    const CVector3 lo = m_sceneMin - margin;
    const CVector3 hi = m_sceneMax + margin;
    const CVector3 centre = (lo + hi) * 0.5f;
    const CVector3 extent = hi - lo;

    // The face the light enters through: among those facing the light, the one whose plane the line
    // from the centre back towards the light meets first.
    const CVector3 normals[6] = {{-1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f},
                                 {1.0f, 0.0f, 0.0f},  {0.0f, 1.0f, 0.0f},  {0.0f, 0.0f, 1.0f}};
    const BaseLib::CLine back{centre, -d};
    float nearest = 0.0f;
    int face = -1;
    CVector3 entry;
    for (int f = 0; f < 6; ++f)
    {
        const CVector3& n = normals[f];
        if (n.Dot(-d) <= 0.0f)
        {
            continue;
        }
        const BaseLib::CPlane plane{n, n.Dot(f < 3 ? lo : hi)};
        const CVector3 point = BaseLib::IntersectLinePlane(plane, back);
        const float distance = (point - centre).Length();
        if (face < 0 || distance < nearest)
        {
            face = f;
            nearest = distance;
            entry = point;
        }
    }
    if (face < 0)
    {
        return false;
    }
    const CVector3& n = normals[face];
    const CVector3 up = n.x == 0.0f ? CVector3(1.0f, 0.0f, 0.0f) : CVector3(0.0f, 1.0f, 0.0f);
    CVector3 side = n.Cross(up);
    side = side / side.Length();
    CMatrix light(CVector4(side, 0.0f), CVector4(up, 0.0f), CVector4(d, 0.0f), CVector4(entry, 1.0f));
    lightView = InverseOf(light);

    // The light's x runs along side and its y along up: each spans the box's extent on that axis plus
    // the light's slant across the box's depth.
    const float depth = std::fabs(extent.Dot(n) / d.Dot(n));
    const float width = std::fabs(side.Dot(extent)) + std::fabs(side.Dot(d)) * depth;
    const float height = std::fabs(up.Dot(extent)) + std::fabs(up.Dot(d)) * depth;
    Platform::Gfx::Matrix ortho;
    Platform::GfxKit::MatrixOrthoLH(&ortho, width, height, 0.0f, depth);
    static_assert(sizeof(ortho.m) == sizeof(lightProjection.m));
    std::memcpy(lightProjection.m, ortho.m, sizeof(ortho.m));
    return true;
}

void CQuarrowRenderer::RenderPass(const char* technique, const std::vector<GameLib::CSceneGraphNode*>& nodes,
                                  const CMatrix& view, const CMatrix& projection, std::uint32_t mask,
                                  bool leftHanded)
{
    Platform::GfxKit::Effect* effect = m_sceneEffect->GetEffect();
    Platform::GfxKit::EffectHandle handle = effect->GetTechniqueByName(technique);
    if (handle == nullptr)
    {
        if (std::find(m_tracedTechniques.begin(), m_tracedTechniques.end(), technique) ==
            m_tracedTechniques.end())
        {
            m_tracedTechniques.push_back(technique);
            BaseLib::DebugOutput("Renderer: \"%s\" has no technique \"%s\"; that pass draws nothing\n",
                                 kSceneEffectFile, technique);
        }
        return;
    }
    BaseLib::CSmartPointer<Qen::CRenderContext> context(Qen::CRenderContext::Create());
    context->engine = m_engine;
    context->name = technique;
    context->view = view;
    context->inverseView = InverseOf(view);
    context->projection = projection;
    context->unused = InverseOf(projection);
    context->viewProjection = view * projection;
    // In the view's handedness (the light projections are left-handed): each plane's normal points out
    // of the frustum, so what lies in view is drawn and what lies outside is culled.
    context->frustum.SetFromMatrix(context->unused * context->inverseView, leftHanded);
    // A right-handed view mirrors the picture and with it every triangle's winding.
    Platform::Gfx::Device* device = m_engine->GetDevice();
    device->SetMirroredView(!leftHanded);

    effect->SetTechnique(handle);
    std::uint32_t passes = 0;
    m_sceneEffect->Begin(&passes, Platform::GfxKit::DoNotSaveState);
    for (std::uint32_t pass = 0; pass < passes; ++pass)
    {
        effect->BeginPass(pass);
        for (GameLib::CSceneGraphNode* node : nodes)
        {
            auto* renderable = static_cast<GameLib::CRenderableNode*>(node);
            if ((renderable->IsVisible() & mask) != 0)
            {
                renderable->Render(context);
            }
        }
        effect->EndPass();
    }
    m_sceneEffect->End();
    device->SetMirroredView(false);
}
