#include "ui/UILibSystem.h"

#include "foundation/ResourceRegistry.h"
#include "foundation/StreamingThread.h"
#include "ui/BitmapFactory.h"
#include "ui/FontFactory.h"
#include "ui/Visualization.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"

#include <new>

namespace UILib
{

CUILibSystem* CUILibSystem::s_instance = nullptr;

void CUILibSystem::CreateInstance()
{
    if (s_instance == nullptr)
    {
        s_instance = new (std::nothrow) CUILibSystem();
    }
}

void CUILibSystem::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

CUILibSystem::CUILibSystem()
{
    m_streamingThread = new (std::nothrow) BaseLib::CStreamingThread();
    if (m_streamingThread != nullptr)
    {
        m_streamingThread->Start();
    }
    m_bitmapCache = new (std::nothrow) BaseLib::CResourceRegistry();
    if (m_bitmapCache != nullptr)
    {
        m_bitmapCache->SetMemoryLimit(BitmapCacheLimit);
        m_bitmapFactory = new (std::nothrow) CBitmapFactory(m_bitmapCache, m_streamingThread);
    }
    m_fontCache = new (std::nothrow) BaseLib::CResourceRegistry();
    if (m_fontCache != nullptr)
    {
        m_fontCache->SetMemoryLimit(FontCacheLimit);
        m_fontFactory = new (std::nothrow) CFontFactory(m_fontCache);
    }
    m_visualizationRegistry = new (std::nothrow) CVisualizationRegistry();
    m_windowManager = new (std::nothrow) CWindowManager();
    m_windowFactory = new (std::nothrow) CWindowFactory();
}

CUILibSystem::~CUILibSystem()
{
    // Nothing may load in the background once the caches start to go.
    delete m_streamingThread;
    m_streamingThread = nullptr;
    delete m_windowFactory;
    m_windowFactory = nullptr;
    if (m_windowManager != nullptr)
    {
        m_windowManager->Shutdown();
        delete m_windowManager;
        m_windowManager = nullptr;
    }
    // The themes give their fonts and images back to the caches here.
    delete m_visualizationRegistry;
    m_visualizationRegistry = nullptr;
    // Each factory destroys its cached resources itself, so the caches are empty when they go.
    delete m_fontFactory;
    m_fontFactory = nullptr;
    delete m_fontCache;
    m_fontCache = nullptr;
    delete m_bitmapFactory;
    m_bitmapFactory = nullptr;
    delete m_bitmapCache;
    m_bitmapCache = nullptr;
}

} // namespace UILib
