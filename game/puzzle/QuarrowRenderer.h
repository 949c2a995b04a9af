#pragma once

#include "foundation/Matrix.h"
#include "foundation/Resource.h"
#include "foundation/Vector.h"

#include <cstdint>
#include <vector>

namespace Qen
{
class CEffectShader;
class CEngineController;
class CSurface;
class CTexture;
struct CLightDescription;
} // namespace Qen

namespace GameLib
{
class CCameraNode;
class CSceneGraphNode;
class CSceneManager;
} // namespace GameLib

// Draws the game world's 3D scene once per frame under the windows: a clear to grey, an ambient pass
// over every renderable node, then the lights in batches of as many lights as the shared effect's light
// table holds. Within a batch every shadow-casting light draws its depth into one shared 1024 × 1024
// shadow texture, and one light pass adds the batch's lights with their shadows.
//
// Nodes take part in a pass when their render flags share a bit with the pass's mask: 1 for the ambient
// and light passes, 2 for the shadow maps. The light table ("c_axLights", "c_iLightIndex",
// "c_iNumLights", "c_tShadowMap") is set on the engine's shared effect, whose values every effect of the
// pool reads. The shadow texture and depth surface are resources of the engine's texture and surface
// factories, which re-make them around a device reset; the renderer itself takes no part in it.
//
// The engine, the scene manager and the camera node are not owned and must outlive the renderer's use;
// ReleaseShadowResources must run before the engine's factories go. Main thread only.
class CQuarrowRenderer
{
public:
    static constexpr std::uint32_t kShadowMapSize = 1024;
    static constexpr std::uint32_t kClearColour = 0x7F7F7F;
    static constexpr std::uint32_t kLitPassMask = 1;
    static constexpr std::uint32_t kShadowPassMask = 2;

    // Shadows on, nothing loaded, the scene box (-0.5, -5.5, 0) to (6.5, 0.5, 1.5).
    CQuarrowRenderer();
    // Releases the shadow resources still held and the scene effect.
    virtual ~CQuarrowRenderer();
    CQuarrowRenderer(const CQuarrowRenderer&) = delete;
    CQuarrowRenderer& operator=(const CQuarrowRenderer&) = delete;

    // Stores both; takes the effect of "shader>scene.fx" (waiting for its material while it streams),
    // then makes the shadow resources. A material whose effect failed leaves the renderer without a
    // scene effect: Render then only clears (one trace line names the file).
    void Init(Qen::CEngineController* engine, GameLib::CSceneManager* sceneManager);
    // The node whose camera the scene is seen through; null draws nothing but the clear.
    void SetCamera(GameLib::CCameraNode* camera) { m_camera = camera; }
    GameLib::CCameraNode* GetCamera() const { return m_camera; }
    // The box, in world units, that the shadow maps cover.
    void SetSceneBounds(float minX, float minY, float minZ, float maxX, float maxY, float maxZ);
    const BaseLib::CVector3& GetSceneMin() const { return m_sceneMin; }
    const BaseLib::CVector3& GetSceneMax() const { return m_sceneMax; }

    // One frame into the bound render target (the head's back buffer inside the device's scene).
    void Render();

    // Shadows on: a 1024 × 1024 render-target texture (one level) and a D24X8 depth surface of that size.
    // Shadows off: a managed 1 × 1 white texture and no depth surface. The previous ones are released.
    void CreateShadowResources();
    // Drops the shadow texture and depth surface.
    void ReleaseShadowResources();
    // Stores the flag and makes the shadow resources again when the engine is bound.
    void SetShadowsEnabled(bool enabled);
    bool GetShadowsEnabled() const { return m_shadowsEnabled; }

    // The light's view and projection for a light travelling along direction (any length): it looks along
    // the direction from the face of the scene box (grown by 0.1) that the light enters through, and its
    // orthographic volume holds the grown box exactly. False (both matrices left alone) for a zero or
    // non-finite direction.
    bool ComputeLightMatrices(const BaseLib::CVector3& direction, BaseLib::CMatrix& lightView,
                              BaseLib::CMatrix& lightProjection) const;

    Qen::CEffectShader* GetSceneEffect() const { return m_sceneEffect; }
    Qen::CTexture* GetShadowTexture() const { return m_shadowTexture.Get(); }
    Qen::CSurface* GetShadowDepthSurface() const { return m_shadowDepth.Get(); }

private:
    // The element count of "c_axLights" on the shared effect; 0 (traced once) when there is none.
    int LightBatchSize();
    void SetLightParameters(int index, Qen::CLightDescription& light);
    void DrawShadowMaps(std::size_t first, std::size_t end);
    void RenderPass(const char* technique, const std::vector<GameLib::CSceneGraphNode*>& nodes,
                    const BaseLib::CMatrix& view, const BaseLib::CMatrix& projection, std::uint32_t mask,
                    bool leftHanded);
    void SetSharedInt(const char* name, std::int32_t value);

    Qen::CEngineController* m_engine = nullptr;
    GameLib::CSceneManager* m_sceneManager = nullptr;
    GameLib::CCameraNode* m_camera = nullptr;
    Qen::CEffectShader* m_sceneEffect = nullptr; // one counted reference
    bool m_shadowsEnabled = true;
    BaseLib::CResourcePtr<Qen::CTexture> m_shadowTexture;
    BaseLib::CResourcePtr<Qen::CSurface> m_shadowDepth;
    BaseLib::CVector3 m_sceneMin{-0.5f, -5.5f, 0.0f};
    BaseLib::CVector3 m_sceneMax{6.5f, 0.5f, 1.5f};
    // The frame's node lists, kept to reuse their storage.
    std::vector<GameLib::CSceneGraphNode*> m_renderables;
    std::vector<GameLib::CSceneGraphNode*> m_lights;
    // Each of these faults is traced the first time only.
    bool m_tracedNoCamera = false;
    bool m_tracedNoBatch = false;
    bool m_tracedBadDirection = false;
    std::vector<const char*> m_tracedTechniques;
};
