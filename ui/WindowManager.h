#pragma once

#include "foundation/Point.h"
#include "ui/BlockArray.h"
#include "ui/HandleTable.h"
#include "ui/WindowMessage.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace UILib
{

class CCanvas;
class CWindow;

// The window system's one window manager: the handle table of every window, the layers of root windows,
// focus, capture and modal stacks, the windows waiting for deletion, the own-canvas list and the
// per-frame update. Main thread only. The constructor makes it the process-wide instance; it must exist
// while windows are made and destroyed.
class CWindowManager
{
public:
    using CanvasFactory = std::function<CCanvas*(std::int32_t width, std::int32_t height)>;

    CWindowManager();
    // Runs Shutdown when it has not run yet.
    ~CWindowManager();
    CWindowManager(const CWindowManager&) = delete;
    CWindowManager& operator=(const CWindowManager&) = delete;

    // The instance, null when none exists.
    static CWindowManager* GetInstance() { return s_instance; }

    // The window of a handle, null when it does not resolve.
    CWindow* Resolve(Handle handle) const;
    const CHandleTable& GetWindowTable() const { return m_windows; }

    // Done by CWindow's constructor and destructor.
    Handle RegisterWindow(CWindow* window);
    // Leaves the capture and modal stacks and its layer slot, kills its timers, drops the focus and
    // releases the handle.
    void UnregisterWindow(CWindow* window);

    // Queues the window for deletion once; returns its position in the queue.
    std::size_t QueueForDeletion(CWindow* window);
    // Deletes every queued window that still resolves, also those queued during the pass.
    void DeleteReleasedWindows();

    // Sets the root's layer-root bit and stores it in the first empty slot (else a new one); the index.
    std::int32_t AddLayer(CWindow* root);
    std::int32_t GetLayerCount() const { return static_cast<std::int32_t>(m_layers.size()); }
    // Null out of range or for an empty slot.
    CWindow* GetLayerRoot(std::int32_t index) const;
    // The root's AddChild; false for an index out of range or an empty slot.
    bool AddToLayer(CWindow* window, std::int32_t index);
    // The layer whose root is window, -1 when none.
    std::int32_t FindLayerOf(const CWindow* root) const;
    // Asks each layer's root from layer 0 upward; the first answer wins.
    CWindow* WindowFromPoint(const BaseLib::CPoint& point) const;
    // Marks the painting order of the layer holding window as stale.
    void InvalidateLayerOrder(CWindow* window);

    // After a window's own canvas was set or removed: keeps the own-canvas list in step.
    void RegisterOwnCanvas(CWindow* window);
    const std::vector<CWindow*>& GetOwnCanvasWindows() const { return m_ownCanvasWindows; }
    void SetCanvasFactory(CanvasFactory factory) { m_canvasFactory = std::move(factory); }
    // Null without a factory.
    CCanvas* CreateCanvas(std::int32_t width, std::int32_t height) const;

    std::uint32_t GetDefaultVisualizationId() const { return m_defaultVisualizationId; }

    // ProcessTimers, UpdateWindowAnimations, UpdateTooltip, DeleteReleasedWindows, in that order.
    void Update();
    // Own canvases off, layer roots deleted, one last Update, the leak check, then everything freed.
    void Shutdown();

    // Messages and focus.
    void SendMessage(const CWindowMessage& message, Handle handle);
    void ActivateWindow(Handle handle, bool takeFocus);
    void KillFocus();
    Handle GetFocus() const { return m_focus; }
    void UpdateMouseOverAtLastPosition();
    void UpdateWindowAnimations();
    void UpdateTooltip();

    // Timers.
    void ProcessTimers();
    void KillTimersOf(Handle owner);

private:
    struct Layer
    {
        CWindow* root = nullptr;
        std::vector<CWindow*> ownCanvasWindows; // painting order
        bool orderValid = false;
    };

    static CWindowManager* s_instance;

    CHandleTable m_windows{"windows"};
    CBlockArray<Handle> m_pendingDeletions;
    std::vector<CWindow*> m_ownCanvasWindows;
    std::vector<Layer> m_layers;
    Handle m_focus = 0;
    Handle m_mouseOver = 0;
    BaseLib::CPoint m_lastMousePosition;
    CBlockArray<CWindow*> m_captureStack;
    CBlockArray<CWindow*> m_modalStack;
    std::uint32_t m_defaultVisualizationId;
    CanvasFactory m_canvasFactory;
    bool m_shutDown = false;
};

} // namespace UILib
