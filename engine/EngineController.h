#pragma once

#include "foundation/PathAliases.h"

#include <cstdint>
#include <vector>

namespace BaseLib
{
class CResourceFactory;
class CResourceRegistry;
} // namespace BaseLib

namespace Platform::Gfx
{
class Device;
class Graphics;
} // namespace Platform::Gfx

namespace Qen
{

class CAdapterRecord;
class CAnimationFactory;
class CDeviceStateMgr;
class CDisplayHead;
class CDisplaySettings;
class CIndexBufferFactory;
class CMaterialFactory;
class CModelFactory;
class CSurfaceFactory;
class CTextureFactory;
class CVertexBufferFactory;
class CXFileLoader;

// Four counters the engine keeps for the statistics display.
struct CEngineStatistics
{
    enum : int
    {
        TextureChanges = 3, // real texture changes through the device state manager
    };
    std::uint32_t counters[4] = {};
};

// The eight registries, in their order of creation.
enum EngineRegistry : int
{
    TextureRegistry,
    SecondRegistry, // no engine factory uses it
    IndexBufferRegistry,
    VertexBufferRegistry,
    SurfaceRegistry,
    MaterialRegistry,
    ModelRegistry,
    AnimationRegistry,
    EngineRegistryCount
};

// The engine: the graphics object and the device, the device state manager, the display heads, the
// path aliases, the statistics, eight resource registries with their factories, and the engine time.
// The application derives from it. The first controller constructed is the process-wide engine.
class CEngineController
{
public:
    CEngineController();
    virtual ~CEngineController();
    CEngineController(const CEngineController&) = delete;
    CEngineController& operator=(const CEngineController&) = delete;

    // The process-wide engine: the first controller constructed, null once it is destroyed or once no
    // controller lives.
    static CEngineController* GetEngine();

    // Stores both (no count added: the application releases them itself), then makes the record of the
    // device's adapter, the settings read back from the device, the statistics, the state manager and
    // the registries (each limited to 0x10000000 bytes). Engine time 0.
    void InitEngine(Platform::Gfx::Device* device, Platform::Gfx::Graphics* graphics);
    // Deletes what InitEngine made in the engine's order (factories, registries, state manager, records)
    // and clears both pointers. Safe when InitEngine did not run.
    void ShutdownEngine();

    // Removes and destroys the heads front first, then releases the device (the one device creation
    // gave; ShutdownEngine has cleared the stored pointer) and clears it: every swap chain must be gone
    // before the device's last count.
    void ReleaseHeadsAndDevice(Platform::Gfx::Device*& device);

    Platform::Gfx::Device* GetDevice() const { return m_device; }
    Platform::Gfx::Graphics* GetGraphics() const { return m_graphics; }
    CDeviceStateMgr* GetStateManager() const { return m_stateManager; }
    CAdapterRecord* GetDeviceAdapter() const { return m_deviceAdapter; }
    // The settings read back from the device (null before InitEngine).
    CDisplaySettings* GetDeviceSettings() const { return m_deviceSettings; }
    std::vector<CDisplayHead*>& GetHeads() { return m_heads; }
    BaseLib::CPathAliases& GetPathAliases() { return m_pathAliases; }
    // Valid between InitEngine and ShutdownEngine.
    CEngineStatistics& GetStatistics() { return *m_statistics; }
    BaseLib::CResourceRegistry* GetRegistry(EngineRegistry which) const { return m_registries[which]; }
    // The factories InitEngine made (null before it and after ShutdownEngine).
    CTextureFactory* GetTextureFactory() const { return m_textureFactory; }
    CIndexBufferFactory* GetIndexBufferFactory() const { return m_indexBufferFactory; }
    CVertexBufferFactory* GetVertexBufferFactory() const { return m_vertexBufferFactory; }
    CSurfaceFactory* GetSurfaceFactory() const { return m_surfaceFactory; }
    CMaterialFactory* GetMaterialFactory() const { return m_materialFactory; }
    // The model loads' X-file loader record (null before InitEngine and after ShutdownEngine).
    CXFileLoader* GetXFileLoader() const { return m_xfileLoader; }
    CAnimationFactory* GetAnimationFactory() const { return m_animationFactory; }
    CModelFactory* GetModelFactory() const { return m_modelFactory; }
    double GetEngineTime() const { return m_engineTime; }
    void SetEngineTime(double time) { m_engineTime = time; }

protected:
    Platform::Gfx::Graphics* m_graphics = nullptr;
    Platform::Gfx::Device* m_device = nullptr;
    CDeviceStateMgr* m_stateManager = nullptr;
    CAdapterRecord* m_deviceAdapter = nullptr;
    CDisplaySettings* m_deviceSettings = nullptr;
    std::vector<CDisplayHead*> m_heads;
    BaseLib::CPathAliases m_pathAliases;
    CEngineStatistics* m_statistics = nullptr;
    BaseLib::CResourceRegistry* m_registries[EngineRegistryCount] = {};
    // Each factory holds its registry and this controller; made by InitEngine in the order texture,
    // index buffer, vertex buffer, surface, material, (X-file loader record), animation, model, and
    // deleted by ShutdownEngine in the order model, animation, material, surface, vertex buffer, index
    // buffer, texture. The kinds arrive one by one; an empty place is skipped.
    CTextureFactory* m_textureFactory = nullptr;
    CIndexBufferFactory* m_indexBufferFactory = nullptr;
    CVertexBufferFactory* m_vertexBufferFactory = nullptr;
    CSurfaceFactory* m_surfaceFactory = nullptr;
    CMaterialFactory* m_materialFactory = nullptr;
    CXFileLoader* m_xfileLoader = nullptr; // deleted first of all
    CAnimationFactory* m_animationFactory = nullptr;
    CModelFactory* m_modelFactory = nullptr;
    double m_engineTime = 0.0;
};

} // namespace Qen
