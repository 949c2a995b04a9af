#pragma once

#include "foundation/Point.h"
#include "foundation/Property.h"
#include "foundation/Rect.h"
#include "foundation/String.h"
#include "ui/BlockArray.h"
#include "ui/Callback.h"
#include "ui/WindowAnimation.h"
#include "ui/WindowMessage.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class TiXmlElement;
class TiXmlNode;

namespace UILib
{

class CCanvas;
class CDrawContext;


class CWindow;
// Mouse callbacks get the window and the point in its client coordinates; key callbacks the window,
// the key code and the modifier byte.
using CMouseCallback = CCallback<CWindow*, BaseLib::CPoint&>;
using CKeyCallback = CCallback<CWindow*, std::uint32_t, std::uint8_t>;

// The base of every window. A window lives in the window manager's handle table from its constructor to
// its destructor and refers to its parent and children only by handles, so a window that is gone is
// simply absent. Position is relative to the parent's client area; children are kept in painting order
// (the last is topmost, always-on-top children above the others). Create windows with new; they are
// freed by Delete, by their parent's destructor, or by the manager after Destroy.
class CWindow
{
public:
    // Flag bits.
    static constexpr std::uint8_t FlagEnterLeave = 0x01;          // receives "MEnter"/"MLeave"
    static constexpr std::uint8_t FlagInheritedActivation = 0x02; // receives "WndActI"/"WndDactI"
    static constexpr std::uint8_t FlagLayerRoot = 0x04;           // set by the manager's AddLayer
    static constexpr std::uint8_t FlagCanTakeFocus = 0x08;
    static constexpr std::uint8_t FlagNotHitable = 0x10;
    static constexpr std::uint8_t FlagWriteAlpha = 0x20;
    static constexpr std::uint8_t FlagExemptFromModal = 0x40;

    CWindow();
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    // The factory's creator: a new plain window.
    static CWindow* Create();

    // Hides the window and queues it; the manager's next update deletes it.
    virtual void Destroy();
    // Destroys and frees the window at once.
    virtual void Delete();
    // The window's Delete; nothing for null.
    static void Delete(CWindow* window)
    {
        if (window != nullptr)
        {
            window->Delete();
        }
    }
    virtual const char* GetClassName() const { return "CWindow"; }
    virtual BaseLib::CString GetDebugDescription() const { return "CWindow"; }

    // The window under a screen point: null when hidden or not hitable or the point lies outside the
    // client rectangle; with recursive set, the topmost child that answers, else this window.
    virtual CWindow* WindowFromPoint(const BaseLib::CPoint& screenPoint, bool recursive);
    // True when the name has at least two characters and begins with "__".
    virtual bool IsInternalChild() const;

    // Appends a "window" element for this window (and its children when recursive) to parent.
    virtual void SaveXml(TiXmlNode* parent, bool recursive);
    // Applies the "property" children of element in document order. False at the first "property"
    // without "name" or "value" (the ones before it stay applied).
    virtual bool LoadXml(const TiXmlElement* element);

    // Sizing: the minimum applies first, then the maximum (which wins); an unchanged size does nothing.
    virtual void SetSize(std::int32_t width, std::int32_t height);
    virtual void EnsureMinimumSize(const BaseLib::CSize& size);
    virtual void LimitSize(const BaseLib::CSize& size);
    // Grows the window (never shrinks it) to hold every child, from (0, 0) or from the current size.
    virtual void FitToContent(bool fromZero);
    virtual BaseLib::CRect GetClientRect() const { return BaseLib::CRect(0, 0, m_width, m_height); }

    virtual void SetPosition(std::int32_t x, std::int32_t y);
    virtual BaseLib::CPoint ScreenToClient(const BaseLib::CPoint& screenPoint) const;

    virtual std::int32_t GetChildCount() const { return static_cast<std::int32_t>(m_children.GetCount()); }
    // No range check: callers stay below the count.
    virtual Handle GetChildHandle(std::int32_t index) const { return m_children[static_cast<std::size_t>(index)]; }
    // False when the handle does not resolve, is already a child, is this window or one of its
    // ancestors. The child leaves its old parent and lands above every normal sibling, below the
    // always-on-top ones.
    virtual bool AddChild(Handle child);
    // Takes the child out of the list; it is not deleted.
    virtual void RemoveChild(Handle child);

    // Appends the window's properties (Part of every class's list, base first).
    virtual void GetProperties(CPropertyList& list);

    virtual void SetTabOrder(std::int32_t order) { m_tabOrder = order; }
    virtual void SetDisabled(bool disabled);
    virtual void SetVisible(bool visible);
    virtual void SetTransparent(bool transparent);
    // True when the focus is this window or, recursively, lies in a child.
    virtual bool HasFocus() const;
    virtual bool IsExemptFromModal() const { return (m_flags & FlagExemptFromModal) != 0; }
    // Sets the bit on the whole subtree.
    virtual void SetExemptFromModal(bool exempt);
    virtual bool IsAlwaysOnTop() const { return m_alwaysOnTop; }
    virtual void SetAlwaysOnTop(bool onTop);
    virtual bool CanTakeFocus() const { return (m_flags & FlagCanTakeFocus) != 0; }
    virtual void SetCanTakeFocus(bool can) { SetFlag(FlagCanTakeFocus, can); }
    virtual bool IsNotHitable() const { return (m_flags & FlagNotHitable) != 0; }
    virtual void SetNotHitable(bool notHitable) { SetFlag(FlagNotHitable, notHitable); }
    virtual void SetWriteAlpha(bool writeAlpha);
    // Stores the id, sends "sWVisChg" to the window itself unless events are suppressed, invalidates.
    virtual void SetVisualization(std::uint32_t id);
    virtual bool HasOwnCanvasInTree() const;

    // The callback setters copy the record.
    virtual void SetOnMouseMove(const CMouseCallback& callback) { m_onMouseMove = callback; }
    virtual void SetOnLButtonDown(const CMouseCallback& callback) { m_onLButtonDown = callback; }
    virtual void SetOnRButtonDown(const CMouseCallback& callback) { m_onRButtonDown = callback; }
    virtual void SetOnMButtonDown(const CMouseCallback& callback) { m_onMButtonDown = callback; }
    virtual void SetOnLButtonUp(const CMouseCallback& callback) { m_onLButtonUp = callback; }
    virtual void SetOnRButtonUp(const CMouseCallback& callback) { m_onRButtonUp = callback; }
    virtual void SetOnMButtonUp(const CMouseCallback& callback) { m_onMButtonUp = callback; }
    virtual void SetOnLButtonDblClk(const CMouseCallback& callback) { m_onLButtonDblClk = callback; }
    virtual void SetOnRButtonDblClk(const CMouseCallback& callback) { m_onRButtonDblClk = callback; }
    virtual void SetOnMButtonDblClk(const CMouseCallback& callback) { m_onMButtonDblClk = callback; }
    virtual void SetOnKeyDown(const CKeyCallback& callback) { m_onKeyDown = callback; }
    virtual void SetOnKeyUp(const CKeyCallback& callback) { m_onKeyUp = callback; }

    // Turns a message into a call of its handler; true when handled. Unhandled messages bubble to the
    // parent. Positional points reach the handlers in client coordinates.
    virtual bool OnMessage(const CWindowMessage& message);
    virtual void Paint(CDrawContext& context);

    virtual void SetDisabledByParent(bool disabled);
    virtual void SetVisibleByParent(bool visible);
    virtual void OnDisabledChanged();
    virtual void OnVisibleChanged();

    // Handlers with their default results: the timer warns and is consumed, activation, size and
    // visualization messages are consumed, characters are not, key and mouse handlers fire their
    // callbacks (true when one fired).
    virtual bool OnTimer(Handle timer);
    virtual bool OnActivate() { return true; }
    virtual bool OnDeactivate() { return true; }
    virtual bool OnOtherActivated() { return true; }
    virtual bool OnOtherDeactivated() { return true; }
    virtual bool OnCharKey(std::uint32_t code, std::uint8_t modifiers);
    virtual bool OnKeyDown(std::uint32_t key, std::uint8_t modifiers);
    virtual bool OnKeyUp(std::uint32_t key, std::uint8_t modifiers);
    virtual bool OnSize() { return true; }
    // Takes the transparent-windows byte of the visualization's metrics (none: the flag stays),
    // invalidates, true.
    virtual bool ApplyVisualization();
    virtual bool ReservedHook() { return true; }
    virtual bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers);
    virtual bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers);
    virtual bool OnRButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers);
    virtual bool OnMButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers);
    virtual bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers);
    virtual bool OnRButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers);
    virtual bool OnMButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers);
    virtual bool OnLButtonDblClk(BaseLib::CPoint& point, std::uint8_t modifiers);
    virtual bool OnRButtonDblClk(BaseLib::CPoint& point, std::uint8_t modifiers);
    virtual bool OnMButtonDblClk(BaseLib::CPoint& point, std::uint8_t modifiers);

    virtual void OnParentChanged() {}
    virtual void OnAncestorChanged() {}

    // Non-virtual operations.
    void SetName(const BaseLib::CString& name) { m_name = name; }
    const BaseLib::CString& GetName() const { return m_name; }
    void SetTooltipText(const BaseLib::CString& text);
    const BaseLib::CString& GetTooltipText() const { return m_tooltipText; }
    BaseLib::CSize GetSize() const { return BaseLib::CSize(m_width, m_height); }
    BaseLib::CPoint GetPosition() const { return BaseLib::CPoint(m_x, m_y); }
    std::int32_t GetTabOrder() const { return m_tabOrder; }
    bool GetVisible() const { return m_visible; }
    bool GetDisabled() const { return m_disabled; }
    bool GetWriteAlpha() const { return (m_flags & FlagWriteAlpha) != 0; }
    std::uint32_t GetVisualizationId() const { return m_visualizationId; }
    void Resize(std::int32_t width, std::int32_t height) { SetSize(width, height); }
    void Move(std::int32_t x, std::int32_t y) { SetPosition(x, y); }
    // The property setters of "Size" and "Position".
    void SetSizeValue(BaseLib::CSize size) { SetSize(size.cx, size.cy); }
    void SetPositionValue(BaseLib::CPoint position) { SetPosition(position.x, position.y); }

    bool IsVisible() const { return m_visible && m_visibleByParent; }
    bool IsDisabled() const { return m_disabled || m_disabledByParent; }
    bool IsTransparent() const { return m_transparent || m_transparentByVisualization; }

    Handle GetHandle() const { return m_handle; }
    Handle GetParentHandle() const { return m_parent; }
    // The parent window, null when there is none or it is gone.
    CWindow* GetParent() const;
    std::uint8_t GetFlags() const { return m_flags; }
    // Sets or clears flag bits directly (the manager sets the layer-root bit this way).
    void SetFlag(std::uint8_t flag, bool set);
    std::int32_t GetCursorType() const { return m_cursorType; }
    void SetCursorType(std::int32_t type) { m_cursorType = type; }

    // Per axis the minimum only rises, then EnsureMinimumSize.
    void SetMinimumSize(const BaseLib::CSize& size);
    // Per axis the maximum only falls (a negative value leaves that axis), then LimitSize.
    void SetMaximumSize(const BaseLib::CSize& size);
    BaseLib::CSize GetMinimumSize() const { return BaseLib::CSize(m_minWidth, m_minHeight); }
    BaseLib::CSize GetMaximumSize() const { return BaseLib::CSize(m_maxWidth, m_maxHeight); }
    void EnableMouseEnterLeave() { SetFlag(FlagEnterLeave, true); }
    void EnableActivationNotifications() { SetFlag(FlagInheritedActivation, true); }
    void ResetCursorForLayerRoot();

    // Direct children first, then each child's subtree in order, over this window's own child list. A
    // match of another class than expectedClass (when given) traces and counts as no match in that
    // subtree.
    CWindow* FindChildByName(const BaseLib::CString& name, bool recursive, const char* expectedClass = nullptr);
    void RemoveFromParent();
    bool IsDescendantOf(Handle ancestor) const;
    CWindow* GetTopLevelWindow();
    // The layer whose root is the top-level window, or -1.
    std::int32_t GetLayerIndex();
    void CenterInParent();
    BaseLib::CPoint GetScreenPosition() const;
    BaseLib::CRect GetVisibleScreenRect() const;
    BaseLib::CRect GetVisibleClientRect() const;
    bool HasNonInternalDescendant() const;
    void Activate();
    // Stores the parent, then OnParentChanged, then OnAncestorChanged on every descendant, depth first.
    void SetParent(Handle parent);

    // Events of this window's callbacks and notifications are suppressed while the count is above 0.
    // Both return the new count; calls nest.
    std::int32_t SuppressEvents() { return ++m_suppressCount; }
    std::int32_t ResumeEvents() { return --m_suppressCount; }
    bool AreEventsSuppressed() const { return m_suppressCount > 0; }
    // Unless events are suppressed: posts the message to handle / sends it at once.
    void PostNotification(Handle handle, const CWindowMessage& message);
    void SendNotification(const CWindowMessage& message, Handle handle);

    // Posted messages wait here until the manager's per-frame pass drains them.
    void QueueMessage(const CWindowMessage& message) { m_postedMessages.push_back(message); }
    bool HasPostedMessages() const { return !m_postedMessages.empty(); }
    // Handles the messages queued before the call, oldest first; an unhandled one with the input bit
    // goes on to the parent (not from the top modal window, not while events are suppressed). Ends at
    // once when a handler deletes the window.
    void ProcessPostedMessages();

    // Timers of this window (the manager's, with this window as owner).
    Handle SetTimer(std::uint32_t milliseconds, bool repeat);
    bool KillTimer(Handle timer);

    // Painting and the own canvas. A client rectangle goes to the own canvas's dirty list, else moved
    // by the positions on the way up to the nearest ancestor's own canvas; nothing while hidden unless
    // forced, nothing without a canvas above.
    void InvalidateRect(const BaseLib::CRect& rect, bool force);
    void Invalidate(bool force) { InvalidateRect(GetClientRect(), force); }
    // The own canvas; else, when asked, the nearest ancestor's; else null.
    CCanvas* GetCanvas(bool searchAncestors) const;
    bool HasOwnCanvas() const { return m_ownCanvas != nullptr; }
    // Where the client origin lies on the canvas the window draws into: (0, 0) with an own canvas or
    // without a parent, else the parent's offset plus the position.
    BaseLib::CPoint GetPositionInCanvas() const;
    // The "Own Canvas" setter: CreateOwnCanvas or RemoveOwnCanvas.
    void SetOwnCanvas(bool own);
    // A canvas from the manager's canvas factory; without a factory the window stays without one.
    void CreateOwnCanvas();
    void RemoveOwnCanvas();
    // Replaces the own canvas (null: none); the old one is destroyed. Keeps the canvas tree, the
    // manager's own-canvas list, the layer order and the fades in step.
    void SetCanvas(CCanvas* canvas);
    // Rebuilds the child list of this window's own canvas from the nearest own canvases below it.
    void AttachChildCanvases();
    // Binds the animation tracks again to the current property list.
    void RebindAnimations();

    // Window animations. Each operation works on this window's own set and then, when recursive, on
    // every child's in order; the queries answer true at the first window that does.
    CWindowAnimationSet* GetAnimations() const { return m_animations.get(); }
    CWindowAnimationSet& EnsureAnimations();
    void DeleteAnimations() { m_animations.reset(); }
    void PlayAnimation(const std::string& name, bool recursive, float speed, bool reverse);
    void SetAnimationTime(const std::string& name, float time, bool recursive);
    bool IsAnimationPlaying(const std::string& name, bool recursive) const;
    bool IsAnyAnimationPlaying(bool recursive) const;

protected:
    std::int32_t m_cursorType = 1;
    CHandleArray m_children;
    std::deque<CWindowMessage> m_postedMessages;
    Handle m_handle = 0;
    Handle m_parent = 0;
    std::uint32_t m_visualizationId = 0;
    CCanvas* m_ownCanvas = nullptr;
    std::unique_ptr<CWindowAnimationSet> m_animations;
    bool m_disabled = false;
    bool m_disabledByParent = false;
    bool m_visible = true;
    bool m_visibleByParent = true;
    bool m_transparent = false;
    bool m_alwaysOnTop = false;
    std::int32_t m_suppressCount = 0;
    std::int32_t m_x = 0;
    std::int32_t m_y = 0;
    std::int32_t m_width = 1;
    std::int32_t m_height = 1;
    std::int32_t m_minWidth = 0;
    std::int32_t m_minHeight = 0;
    std::int32_t m_maxWidth = -1;
    std::int32_t m_maxHeight = -1;
    BaseLib::CString m_tooltipText;
    BaseLib::CString m_name;
    std::int32_t m_tabOrder = 0;
    std::uint8_t m_flags = FlagCanTakeFocus;
    bool m_transparentByVisualization = false;
    CMouseCallback m_onMouseMove;
    CMouseCallback m_onLButtonDown;
    CMouseCallback m_onRButtonDown;
    CMouseCallback m_onMButtonDown;
    CMouseCallback m_onLButtonUp;
    CMouseCallback m_onRButtonUp;
    CMouseCallback m_onMButtonUp;
    CMouseCallback m_onLButtonDblClk;
    CMouseCallback m_onRButtonDblClk;
    CMouseCallback m_onMButtonDblClk;
    CKeyCallback m_onKeyDown;
    CKeyCallback m_onKeyUp;

private:
    // Calls the callback when it is set and events are not suppressed; true when it was called.
    bool FireMouse(const CMouseCallback& callback, BaseLib::CPoint& point);
    bool FireKey(const CKeyCallback& callback, std::uint32_t key, std::uint8_t modifiers);

    friend class CWindowManager;
    // Sends the three size messages, each unless events are suppressed at that moment.
    void SendSizeMessages();
    // OnAncestorChanged on every descendant, depth first.
    void NotifyDescendantsOfAncestorChange();
    void LoadAnimationsXml(const TiXmlElement* element);
    // The nearest ancestor (not this window) with an own canvas, or null.
    CWindow* OwnCanvasAncestor() const;
    // Places the own canvas at the offset in the canvas above (the position without a parent).
    void PlaceOwnCanvas();
    // Calls f on each nearest window with an own canvas in the subtree below this window.
    template <typename F> void ForEachNearestOwnCanvasBelow(F f);
    void BuildFades();
    void SaveAnimationsXml(TiXmlElement* element);
};

} // namespace UILib
