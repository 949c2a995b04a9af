#pragma once

#include "foundation/Point.h"
#include "foundation/RectList.h"
#include "ui/BlockArray.h"
#include "ui/HandleTable.h"
#include "ui/WindowMessage.h"
#include "foundation/String.h"
#include "platform/os/Messages.h"

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

namespace UILib
{

class CCanvas;
class CDrawContext;
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

    // The repaint pass: for each own-canvas window in registration order whose canvas has dirty
    // rectangles (merged where they share an edge), BeginDraw, PaintWindowRects from (0, 0), EndDraw(true).
    // A canvas without dirty rectangles is not touched.
    void PaintLayers();
    // Repaints the rectangles (canvas coordinates) of one window tree: each region is drawn by the
    // topmost opaque window covering it and by the transparent ones above that one, by nothing below.
    // Children with an own canvas are skipped (they appear through composition).
    void PaintWindowRects(CWindow* window, CDrawContext& context, BaseLib::CRectList& stack);
    // Presents the own canvases of layer index (-1: every layer, ascending) in painting order: a root
    // with Render(null), any other with Render(its visible client rectangle moved by the parent's
    // offset in its canvas); only canvases whose show flag is set, of windows visible through the tree.
    void CompositeLayers(std::int32_t index);
    // The layer's own-canvas windows in painting order (rebuilt first when stale).
    std::vector<CWindow*> GetLayerPaintingOrder(std::int32_t index);

    // ProcessTimers, UpdateWindowAnimations, UpdateTooltip, DeleteReleasedWindows, in that order.
    void Update();
    // Own canvases off, layer roots deleted, one last Update, the leak check, then everything freed.
    void Shutdown();

    // Input: turns a mouse or keyboard message of the host window into a window message and sends it
    // to its target. False when the message was taken (also when dropped), true for kinds it does not
    // translate. Button presses take the platform's mouse capture for host; releases free it.
    bool TranslateInput(Platform::WindowHandle host, std::uint32_t message, Platform::MessageFirst first,
                        Platform::MessageSecond second);
    // The held modifiers (1 Shift, 2 Control, 4 Alt) as the translation reads them. Tests may replace the
    // reader; null restores the one over the platform's key state.
    using ModifierReader = std::uint8_t (*)();
    static void SetModifierReader(ModifierReader reader);

    // The window a message goes to: for mouse messages the window under the point (0 when a modal
    // window blocks it), for keys and the wheel the focus.
    Handle FindTarget(const CWindowMessage& message) const;
    // Positional messages go to the capturing window instead, when there is one; then Dispatch.
    void SendMessage(const CWindowMessage& message, Handle handle);
    // The same redirection, then the message waits in the window's queue for the next per-frame pass.
    // Dropped for a handle that does not resolve.
    void PostMessage(Handle handle, const CWindowMessage& message);
    // Activation, the mouse-over state and the cursor for mouse messages, then delivery with bubbling up
    // the parents (stopping at the top modal window).
    void Dispatch(Handle handle, const CWindowMessage& message);

    void SetMouseCapture(CWindow* window);
    void ReleaseMouseCapture(CWindow* window);
    CWindow* GetMouseCapture() const { return m_captureStack.IsEmpty() ? nullptr : m_captureStack.Back(); }
    void PushModalWindow(CWindow* window);
    void RemoveModalWindow(CWindow* window);
    CWindow* GetTopModalWindow() const { return m_modalStack.IsEmpty() ? nullptr : m_modalStack.Back(); }

    // Brings the window and its ancestors forward (below always-on-top siblings) and, with takeFocus,
    // gives it the focus with the activation messages. Does nothing for the focus window, a stale handle,
    // or a window the top modal window blocks.
    void ActivateWindow(Handle handle, bool takeFocus);
    void KillFocus();
    Handle GetFocus() const { return m_focus; }

    // Sends "MLeave"/"MEnter" to the tracking windows the mouse left and entered.
    void UpdateMouseOver(Handle handle);
    void UpdateMouseOverAtLastPosition();
    Handle GetMouseOver() const { return m_mouseOver; }
    // The point of the last delivered "MMove", in the host window's client coordinates.
    BaseLib::CPoint GetLastMousePosition() const { return m_lastMousePosition; }
    double GetLastMouseInputTime() const { return m_lastMouseInputTime; }

    // Drains every window's posted messages (ascending handle index), then advances animations.
    void UpdateWindowAnimations();

    // The tooltip: created after one second of rest over a window (or ancestor) with a tooltip text,
    // through the creator the controls library installs; without one nothing is shown.
    using TooltipCreator = std::function<CWindow*(Handle owner)>;
    using TooltipTextSetter = std::function<void(CWindow* tooltip, const BaseLib::CString& text)>;
    void SetTooltipCreator(TooltipCreator creator, TooltipTextSetter setText);
    void UpdateTooltip();
    Handle GetTooltip() const { return m_tooltip; }

    // Cursors: types 1..13 ("CT_Arrow" ...); another type does nothing. Nothing is set while system
    // cursors are switched off.
    void SetSystemCursorsEnabled(bool enabled) { m_systemCursors = enabled; }
    void SetCursorType(std::int32_t type);
    void SetDefaultCursor() { SetCursorType(1); }
    const char* GetCursorTypeName() const { return m_cursorName; }

    // Clipboard, plain text. Open it before SetClipboardText, which empties, writes and closes it.
    bool OpenClipboard();
    bool SetClipboardText(const BaseLib::CString& text);
    // Opens and closes the clipboard itself; the empty text when there is nothing.
    BaseLib::CString GetClipboardText();

    // Timers on the window-system clock: "Timer" (first parameter the timer handle, input bit set) is
    // sent to the owner at the first pass at or after the due time. A periodic timer fires at most once
    // per pass; a one-shot timer (and a repeating 0 ms one) is gone before its message is sent. A timer
    // set or re-armed while a pass sends its messages waits for the next pass.
    Handle SetTimer(Handle owner, std::uint32_t milliseconds, bool repeat);
    // The timer becomes periodic with the new interval, due that long from now; false for a stale handle.
    bool SetTimerInterval(Handle timer, std::uint32_t milliseconds);
    bool KillTimer(Handle timer);
    void ProcessTimers();
    void KillTimersOf(Handle owner);

private:
    struct TimerRecord
    {
        Handle owner = 0;
        Handle timer = 0;
        double due = 0.0;
        double period = -1.0;
        std::uint32_t armedInPass = 0; // the pass that set or re-armed it; 0 outside any pass
    };

    void PushDue(TimerRecord* record);
    // Takes the record out of the due queue (or the list of those deferred by the running pass).
    void RemoveDue(TimerRecord* record);
    void ClearTimers();

    struct Layer
    {
        CWindow* root = nullptr;
        std::vector<Handle> ownCanvasWindows; // painting order, resolved again on each use
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
    std::set<Handle> m_hover;
    Handle m_tooltip = 0;
    double m_lastMouseInputTime;
    TooltipCreator m_tooltipCreator;
    TooltipTextSetter m_tooltipTextSetter;
    bool m_systemCursors;
    const char* m_cursorName = "";
    CHandleTable m_timers{"timers"};
    std::vector<TimerRecord*> m_dueQueue;      // binary heap, the earliest due time on top
    std::vector<TimerRecord*> m_deferredTimers; // armed during the running pass
    std::uint32_t m_timerPass = 0;
    bool m_inTimerPass = false;
    double m_previousAnimationTime = 0.0;
    bool m_animationTimeValid = false;
    bool m_shutDown = false;
};

// The process-wide switch of the window system's own system cursors (on at start): a program that shows
// its own cursor file turns it off before its window manager exists. Every window manager made afterwards
// starts with this value, and the running one takes it at once. Main thread only.
void SetSystemCursorsEnabled(bool enabled);
bool AreSystemCursorsEnabled();

} // namespace UILib
