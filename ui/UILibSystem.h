#pragma once

namespace BaseLib
{
class CPathAliases;
class CResourceRegistry;
class CStreamingThread;
} // namespace BaseLib

namespace UILib
{

class CBitmapFactory;
class CFontFactory;
class CVisualizationRegistry;
class CWindowFactory;
class CWindowManager;

// The window system: one process-wide object owning the services every window relies on. Started by
// CreateInstance and stopped by DestroyInstance, on the main thread. A service whose allocation failed
// is null.
class CUILibSystem
{
public:
    // Starts, in this order: the streaming thread, the bitmap cache (32 MiB) and factory, the font cache
    // (3 MiB) and factory, the visualization registry, the window manager and the window factory. Does
    // nothing when the system already runs.
    static void CreateInstance();
    // Null before start-up and after shut-down.
    static CUILibSystem* GetInstance() { return s_instance; }
    // Stops the streaming thread, deletes the window factory, shuts the window manager down (every window
    // deleted, the leak trace) and deletes it, then the visualization registry, the font factory and
    // cache and the bitmap factory and cache, so windows go while fonts, bitmaps and themes still exist.
    // Nothing when the system does not run; CreateInstance may start it again afterwards.
    static void DestroyInstance();

    CUILibSystem(const CUILibSystem&) = delete;
    CUILibSystem& operator=(const CUILibSystem&) = delete;

    // The aliases layout files are resolved through; null until the framework stores its own, which it
    // keeps owning.
    BaseLib::CPathAliases* GetPathAliases() const { return m_pathAliases; }
    void SetPathAliases(BaseLib::CPathAliases* aliases) { m_pathAliases = aliases; }

    BaseLib::CStreamingThread* GetStreamingThread() const { return m_streamingThread; }
    BaseLib::CResourceRegistry* GetBitmapCache() const { return m_bitmapCache; }
    CBitmapFactory* GetBitmapFactory() const { return m_bitmapFactory; }
    BaseLib::CResourceRegistry* GetFontCache() const { return m_fontCache; }
    CFontFactory* GetFontFactory() const { return m_fontFactory; }
    CWindowFactory* GetWindowFactory() const { return m_windowFactory; }
    CVisualizationRegistry* GetVisualizationRegistry() const { return m_visualizationRegistry; }
    CWindowManager* GetWindowManager() const { return m_windowManager; }

    static constexpr unsigned BitmapCacheLimit = 33554432; // bytes
    static constexpr unsigned FontCacheLimit = 3145728;    // bytes

private:
    CUILibSystem();
    ~CUILibSystem();

    static CUILibSystem* s_instance;

    BaseLib::CPathAliases* m_pathAliases = nullptr;
    BaseLib::CStreamingThread* m_streamingThread = nullptr;
    BaseLib::CResourceRegistry* m_bitmapCache = nullptr;
    CBitmapFactory* m_bitmapFactory = nullptr;
    BaseLib::CResourceRegistry* m_fontCache = nullptr;
    CFontFactory* m_fontFactory = nullptr;
    CWindowFactory* m_windowFactory = nullptr;
    CVisualizationRegistry* m_visualizationRegistry = nullptr;
    CWindowManager* m_windowManager = nullptr;
};

} // namespace UILib
