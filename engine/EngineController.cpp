#include "engine/EngineController.h"

#include "engine/AdapterRecord.h"
#include "engine/Animation.h"
#include "engine/BufferFactories.h"
#include "engine/DeviceStateMgr.h"
#include "engine/DisplayHead.h"
#include "engine/DisplaySettings.h"
#include "engine/MaterialFactory.h"
#include "engine/ModelFactory.h"
#include "engine/SurfaceFactory.h"
#include "engine/TextureFactory.h"
#include "engine/XFileLoader.h"
#include "foundation/ResourceFactory.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfx/Device.h"

#include <utility>

namespace Qen
{

namespace
{

CEngineController* s_engine = nullptr;
int s_liveControllers = 0;

constexpr std::uint32_t kRegistryMemoryLimit = 0x10000000;

template <typename T> void DeleteAndClear(T*& object)
{
    delete std::exchange(object, nullptr);
}

} // namespace

CEngineController::CEngineController()
{
    if (s_engine == nullptr)
    {
        s_engine = this;
    }
    ++s_liveControllers;
}

CEngineController::~CEngineController()
{
    ShutdownEngine();
    for (CDisplayHead* head : m_heads)
    {
        delete head;
    }
    --s_liveControllers;
    // The engine going first must not leave a dangling process-wide pointer behind.
    if (s_liveControllers == 0 || s_engine == this)
    {
        s_engine = nullptr;
    }
}

CEngineController* CEngineController::GetEngine()
{
    return s_engine;
}

void CEngineController::InitEngine(Platform::Gfx::Device* device, Platform::Gfx::Graphics* graphics)
{
    m_device = device;
    m_graphics = graphics;

    Platform::Gfx::DeviceCreationParameters creation;
    device->GetCreationParameters(&creation);
    m_deviceAdapter = new CAdapterRecord(graphics);
    m_deviceAdapter->Fill(creation.AdapterOrdinal, creation.DeviceType);

    m_deviceSettings = new CDisplaySettings();
    m_deviceSettings->chosenAdapter = m_deviceAdapter;
    ReadBackSettings(device, *m_deviceSettings);

    m_statistics = new CEngineStatistics();
    m_stateManager = new CDeviceStateMgr(this, device);

    for (BaseLib::CResourceRegistry*& registry : m_registries)
    {
        registry = new BaseLib::CResourceRegistry();
        registry->SetMemoryLimit(kRegistryMemoryLimit);
    }
    m_textureFactory = new CTextureFactory(this, m_registries[TextureRegistry]);
    m_indexBufferFactory = new CIndexBufferFactory(this, m_registries[IndexBufferRegistry]);
    m_vertexBufferFactory = new CVertexBufferFactory(this, m_registries[VertexBufferRegistry]);
    m_surfaceFactory = new CSurfaceFactory(this, m_registries[SurfaceRegistry]);
    m_materialFactory = new CMaterialFactory(this, m_registries[MaterialRegistry]);
    m_xfileLoader = new CXFileLoader(this);
    m_animationFactory = new CAnimationFactory(this, m_registries[AnimationRegistry]);
    m_modelFactory = new CModelFactory(this, m_registries[ModelRegistry]);
    m_engineTime = 0.0;
}

void CEngineController::ShutdownEngine()
{
    DeleteAndClear(m_xfileLoader);
    // Each factory's destructor empties its registry's cache of its own resources.
    DeleteAndClear(m_modelFactory);
    DeleteAndClear(m_animationFactory);
    DeleteAndClear(m_materialFactory);
    DeleteAndClear(m_surfaceFactory);
    DeleteAndClear(m_vertexBufferFactory);
    DeleteAndClear(m_indexBufferFactory);
    DeleteAndClear(m_textureFactory);
    for (BaseLib::CResourceRegistry*& registry : m_registries)
    {
        DeleteAndClear(registry);
    }
    if (m_stateManager != nullptr)
    {
        std::exchange(m_stateManager, nullptr)->Release();
    }
    DeleteAndClear(m_statistics);
    DeleteAndClear(m_deviceSettings);
    DeleteAndClear(m_deviceAdapter);
    m_graphics = nullptr;
    m_device = nullptr;
}

void CEngineController::ReleaseHeadsAndDevice(Platform::Gfx::Device*& device)
{
    while (!m_heads.empty())
    {
        CDisplayHead* head = m_heads.front();
        m_heads.erase(m_heads.begin());
        delete head;
    }
    if (device != nullptr)
    {
        std::exchange(device, nullptr)->Release();
    }
}

} // namespace Qen
