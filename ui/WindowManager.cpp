#include "ui/WindowManager.h"

#include "foundation/Debug.h"
#include "foundation/TypeTag.h"
#include "platform/os/Clipboard.h"
#include "platform/os/Cursor.h"
#include "platform/os/KeyState.h"
#include "platform/os/Window.h"
#include "ui/Clock.h"
#include "ui/Canvas.h"
#include "ui/DrawContext.h"
#include "ui/Window.h"

#include <algorithm>

namespace UILib
{

CWindowManager* CWindowManager::s_instance = nullptr;

namespace
{

bool systemCursorsEnabled = true;

} // namespace

void SetSystemCursorsEnabled(bool enabled)
{
    systemCursorsEnabled = enabled;
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->SetSystemCursorsEnabled(enabled);
    }
}

bool AreSystemCursorsEnabled()
{
    return systemCursorsEnabled;
}

CWindowManager::CWindowManager()
    : m_defaultVisualizationId(BaseLib::MakeTypeTag("STND")), m_lastMouseInputTime(GetTime()),
      m_systemCursors(systemCursorsEnabled)
{
    s_instance = this;
}

CWindowManager::~CWindowManager()
{
    Shutdown();
    if (s_instance == this)
    {
        s_instance = nullptr;
    }
}

CWindow* CWindowManager::Resolve(Handle handle) const
{
    return static_cast<CWindow*>(m_windows.Resolve(handle));
}

Handle CWindowManager::RegisterWindow(CWindow* window)
{
    return m_windows.Create(window);
}

void CWindowManager::UnregisterWindow(CWindow* window)
{
    m_captureStack.Remove(window);
    m_modalStack.Remove(window);
    const std::int32_t layer = FindLayerOf(window);
    if (layer >= 0)
    {
        m_layers[static_cast<std::size_t>(layer)] = Layer{};
        while (!m_layers.empty() && m_layers.back().root == nullptr)
        {
            m_layers.pop_back();
        }
    }
    KillTimersOf(window->GetHandle());
    if (m_focus != 0 && m_focus == window->GetHandle())
    {
        m_focus = 0;
    }
    m_windows.Release(window->GetHandle());
}

std::size_t CWindowManager::QueueForDeletion(CWindow* window)
{
    const Handle handle = window->GetHandle();
    const std::ptrdiff_t existing = m_pendingDeletions.Find(handle);
    if (existing >= 0)
    {
        return static_cast<std::size_t>(existing);
    }
    return m_pendingDeletions.Append(handle);
}

void CWindowManager::DeleteReleasedWindows()
{
    while (!m_pendingDeletions.IsEmpty())
    {
        const Handle handle = m_pendingDeletions[0];
        m_pendingDeletions[0] = m_pendingDeletions.Back();
        m_pendingDeletions.PopBack();
        if (CWindow* window = Resolve(handle))
        {
            window->Delete();
        }
    }
}

std::int32_t CWindowManager::AddLayer(CWindow* root)
{
    root->SetFlag(CWindow::FlagLayerRoot, true);
    for (std::size_t i = 0; i < m_layers.size(); ++i)
    {
        if (m_layers[i].root == nullptr)
        {
            m_layers[i] = Layer{};
            m_layers[i].root = root;
            return static_cast<std::int32_t>(i);
        }
    }
    m_layers.push_back(Layer{});
    m_layers.back().root = root;
    return static_cast<std::int32_t>(m_layers.size() - 1);
}

CWindow* CWindowManager::GetLayerRoot(std::int32_t index) const
{
    if (index < 0 || index >= GetLayerCount())
    {
        return nullptr;
    }
    return m_layers[static_cast<std::size_t>(index)].root;
}

bool CWindowManager::AddToLayer(CWindow* window, std::int32_t index)
{
    CWindow* root = GetLayerRoot(index);
    if (root == nullptr || window == nullptr)
    {
        return false;
    }
    root->AddChild(window->GetHandle());
    return true;
}

std::int32_t CWindowManager::FindLayerOf(const CWindow* root) const
{
    for (std::size_t i = 0; i < m_layers.size(); ++i)
    {
        if (m_layers[i].root != nullptr && m_layers[i].root == root)
        {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

CWindow* CWindowManager::WindowFromPoint(const BaseLib::CPoint& point) const
{
    for (const Layer& layer : m_layers)
    {
        if (layer.root != nullptr)
        {
            if (CWindow* hit = layer.root->WindowFromPoint(point, true))
            {
                return hit;
            }
        }
    }
    return nullptr;
}

void CWindowManager::InvalidateLayerOrder(CWindow* window)
{
    if (window == nullptr)
    {
        return;
    }
    const std::int32_t layer = window->GetLayerIndex();
    if (layer >= 0)
    {
        m_layers[static_cast<std::size_t>(layer)].orderValid = false;
    }
}

void CWindowManager::RegisterOwnCanvas(CWindow* window)
{
    auto found = std::find(m_ownCanvasWindows.begin(), m_ownCanvasWindows.end(), window);
    if (!window->HasOwnCanvas())
    {
        if (found != m_ownCanvasWindows.end())
        {
            m_ownCanvasWindows.erase(found);
        }
    }
    else if (found == m_ownCanvasWindows.end())
    {
        m_ownCanvasWindows.push_back(window);
    }
}

CCanvas* CWindowManager::CreateCanvas(std::int32_t width, std::int32_t height) const
{
    return m_canvasFactory ? m_canvasFactory(width, height) : nullptr;
}

void CWindowManager::Update()
{
    ProcessTimers();
    UpdateWindowAnimations();
    UpdateTooltip();
    DeleteReleasedWindows();
}

void CWindowManager::Shutdown()
{
    if (m_shutDown)
    {
        return;
    }
    m_shutDown = true;

    const std::vector<CWindow*> ownCanvases = m_ownCanvasWindows;
    for (CWindow* window : ownCanvases)
    {
        if (window->HasOwnCanvas())
        {
            window->RemoveOwnCanvas();
        }
    }

    // Deleting a root empties its slot and drops trailing ones: collect the handles first.
    std::vector<Handle> roots;
    for (const Layer& layer : m_layers)
    {
        if (layer.root != nullptr)
        {
            roots.push_back(layer.root->GetHandle());
        }
    }
    for (Handle handle : roots)
    {
        if (CWindow* root = Resolve(handle))
        {
            root->Delete();
        }
    }

    m_layers.clear();
    Update();

    const std::int32_t remaining =
        static_cast<std::int32_t>(m_windows.GetEntryCount()) - static_cast<std::int32_t>(m_windows.GetFreeCount());
    if (remaining != 0)
    {
        BaseLib::DebugOutput("WindowMgr: Error: %d windows still present at shutdown", remaining);
    }

    ClearTimers();
    m_modalStack.Clear();
    m_captureStack.Clear();
    std::vector<Layer>().swap(m_layers);
    std::vector<CWindow*>().swap(m_ownCanvasWindows);
    m_pendingDeletions.Clear();
    m_focus = 0;
    m_mouseOver = 0;
    m_hover.clear();
    m_tooltip = 0;
    m_windows.Clear();
}

// Input translation

namespace
{

// The one place the window system reads key state.
std::uint8_t ReadHeldModifiers()
{
    return static_cast<std::uint8_t>((Platform::GetKeyState(Platform::VK_SHIFT) < 0 ? CWindowMessage::Shift : 0) |
                                     (Platform::GetKeyState(Platform::VK_CONTROL) < 0 ? CWindowMessage::Control : 0) |
                                     (Platform::GetKeyState(Platform::VK_MENU) < 0 ? CWindowMessage::Alt : 0));
}

CWindowManager::ModifierReader modifierReader = &ReadHeldModifiers;

// The window system's key codes of "sKeyDown".
std::uint32_t MapKeyCode(std::uint32_t key)
{
    switch (key)
    {
    case Platform::VK_BACK: return 257;
    case Platform::VK_TAB: return 258;
    case Platform::VK_RETURN: return 260;
    case Platform::VK_PAUSE: return 264;
    case Platform::VK_CAPITAL: return 265;
    case Platform::VK_ESCAPE: return 266;
    case 42: return 277; // Print
    case Platform::VK_SNAPSHOT: return 279;
    case Platform::VK_INSERT: return 280;
    case Platform::VK_DELETE: return 281;
    default: break;
    }
    if (key >= Platform::VK_PRIOR && key <= Platform::VK_DOWN)
    {
        return key - Platform::VK_PRIOR + 268; // Page Up 268 ... Down 275
    }
    if (key >= Platform::VK_NUMPAD0 && key <= Platform::VK_F1 + 11)
    {
        return key + 190; // numeric pad, 106-111 and F1-F12
    }
    return key;
}

std::int32_t SignedLow(std::uintptr_t value)
{
    return static_cast<std::int16_t>(Platform::LowWord(value));
}

std::int32_t SignedHigh(std::uintptr_t value)
{
    return static_cast<std::int16_t>(Platform::HighWord(value));
}

struct ButtonMessage
{
    std::uint32_t message;
    const char* code;
    int capture; // 1 take the platform's capture, -1 release it
};

constexpr ButtonMessage buttonMessages[] = {
    {Platform::WM_LBUTTONDOWN, "MLBDwn", 1},  {Platform::WM_RBUTTONDOWN, "MRBDwn", 1},
    {Platform::WM_MBUTTONDOWN, "MMBDwn", 1},  {Platform::WM_LBUTTONUP, "MLBUp", -1},
    {Platform::WM_RBUTTONUP, "MRBUp", -1},    {Platform::WM_MBUTTONUP, "MMBUp", -1},
    {Platform::WM_LBUTTONDBLCLK, "MLBDbl", 0}, {Platform::WM_RBUTTONDBLCLK, "MRBDbl", 0}};

} // namespace

void CWindowManager::SetModifierReader(ModifierReader reader)
{
    modifierReader = reader != nullptr ? reader : &ReadHeldModifiers;
}

bool CWindowManager::TranslateInput(Platform::WindowHandle host, std::uint32_t message,
                                    Platform::MessageFirst first, Platform::MessageSecond second)
{
    const std::uint8_t modifiers = modifierReader();
    CWindowMessage translated;
    switch (message)
    {
    case Platform::WM_KEYDOWN:
    case Platform::WM_SYSKEYDOWN:
        translated = CWindowMessage("sKeyDown", CWindowMessage::Input,
                                    MapKeyCode(static_cast<std::uint32_t>(first)), modifiers);
        break;
    case Platform::WM_KEYUP:
    case Platform::WM_SYSKEYUP:
        translated = CWindowMessage("sKeyUp", CWindowMessage::Input, static_cast<std::uint32_t>(first), modifiers);
        break;
    case Platform::WM_CHAR:
        if (modifiers != 0 && modifiers != CWindowMessage::Shift &&
            modifiers != (CWindowMessage::Control | CWindowMessage::Alt))
        {
            return false;
        }
        translated = CWindowMessage("sCharKey", CWindowMessage::Input, static_cast<std::uint32_t>(first), 0);
        break;
    case Platform::WM_MOUSEMOVE:
    {
        const BaseLib::CPoint point(SignedLow(static_cast<std::uintptr_t>(second)),
                                    SignedHigh(static_cast<std::uintptr_t>(second)));
        if (point == m_lastMousePosition)
        {
            return false;
        }
        translated = CWindowMessage("MMove", CWindowMessage::Positional | CWindowMessage::Input,
                                    CWindowMessage::PackPoint(point.x, point.y), modifiers);
        break;
    }
    case Platform::WM_MBUTTONDBLCLK:
        return true;
    case Platform::WM_MOUSEWHEEL:
        translated = CWindowMessage("MWheel", CWindowMessage::Positional | CWindowMessage::Input,
                                    static_cast<std::uint32_t>(second),
                                    modifiers | (static_cast<std::uint32_t>(Platform::HighWord(first)) << 16));
        break;
    default:
    {
        const ButtonMessage* button = nullptr;
        for (const ButtonMessage& candidate : buttonMessages)
        {
            if (candidate.message == message)
            {
                button = &candidate;
            }
        }
        if (button == nullptr)
        {
            return true;
        }
        translated = CWindowMessage(button->code, CWindowMessage::Positional | CWindowMessage::Input,
                                    static_cast<std::uint32_t>(second), modifiers);
        if (button->capture > 0)
        {
            Platform::SetCapture(host);
        }
        else if (button->capture < 0)
        {
            Platform::ReleaseCapture();
        }
        break;
    }
    }
    SendMessage(translated, FindTarget(translated));
    return false;
}

// Routing

Handle CWindowManager::FindTarget(const CWindowMessage& message) const
{
    if (!message.IsPositional() || message.Is("MWheel"))
    {
        return m_focus;
    }
    CWindow* hit = WindowFromPoint(BaseLib::CPoint(message.GetX(), message.GetY()));
    if (hit == nullptr)
    {
        return 0;
    }
    const CWindow* modal = GetTopModalWindow();
    if (modal != nullptr && hit != modal && !hit->IsDescendantOf(modal->GetHandle()) && !hit->IsExemptFromModal())
    {
        return 0;
    }
    return hit->GetHandle();
}

void CWindowManager::SendMessage(const CWindowMessage& message, Handle handle)
{
    const CWindow* capture = GetMouseCapture();
    if (capture != nullptr && capture->GetHandle() != handle && message.IsPositional())
    {
        handle = capture->GetHandle();
    }
    Dispatch(handle, message);
}

void CWindowManager::PostMessage(Handle handle, const CWindowMessage& message)
{
    const CWindow* capture = GetMouseCapture();
    if (capture != nullptr && capture->GetHandle() != handle && message.IsPositional())
    {
        handle = capture->GetHandle();
    }
    if (CWindow* window = Resolve(handle))
    {
        window->QueueMessage(message);
    }
}

void CWindowManager::Dispatch(Handle handle, const CWindowMessage& message)
{
    if (Resolve(handle) == nullptr)
    {
        return;
    }
    if (message.Is("MLBDwn"))
    {
        ActivateWindow(handle, true);
    }
    if (message.IsPositional())
    {
        m_lastMouseInputTime = GetTime();
        if (message.Is("MMove"))
        {
            if (GetMouseCapture() == nullptr)
            {
                std::int32_t cursor = 1;
                for (const CWindow* window = Resolve(handle); window != nullptr; window = window->GetParent())
                {
                    if (window->GetCursorType() != 0)
                    {
                        cursor = window->GetCursorType();
                        break;
                    }
                }
                SetCursorType(cursor);
                UpdateMouseOver(handle);
            }
            m_lastMousePosition = BaseLib::CPoint(message.GetX(), message.GetY());
        }
    }
    // Every step resolves the handle again: a handler may delete its window or an ancestor.
    for (Handle current = handle; current != 0;)
    {
        CWindow* window = Resolve(current);
        if (window == nullptr || window->OnMessage(message))
        {
            return;
        }
        window = Resolve(current);
        if (window == nullptr || window == GetTopModalWindow())
        {
            return;
        }
        current = window->GetParentHandle();
    }
}

void CWindowManager::SetMouseCapture(CWindow* window)
{
    m_captureStack.Remove(window);
    m_captureStack.Append(window);
}

void CWindowManager::ReleaseMouseCapture(CWindow* window)
{
    m_captureStack.Remove(window);
}

void CWindowManager::PushModalWindow(CWindow* window)
{
    m_modalStack.Remove(window);
    m_modalStack.Append(window);
}

void CWindowManager::RemoveModalWindow(CWindow* window)
{
    m_modalStack.Remove(window);
}

// Focus and activation

namespace
{

// The handles of the window's ancestors with the inherited-activation bit, nearest first.
std::vector<Handle> ActivationAncestors(const CWindow* window)
{
    std::vector<Handle> result;
    for (const CWindow* ancestor = window != nullptr ? window->GetParent() : nullptr; ancestor != nullptr;
         ancestor = ancestor->GetParent())
    {
        if ((ancestor->GetFlags() & CWindow::FlagInheritedActivation) != 0)
        {
            result.push_back(ancestor->GetHandle());
        }
    }
    return result;
}

bool Contains(const std::vector<Handle>& handles, Handle handle)
{
    return std::find(handles.begin(), handles.end(), handle) != handles.end();
}

} // namespace

void CWindowManager::ActivateWindow(Handle handle, bool takeFocus)
{
    CWindow* window = Resolve(handle);
    if (window == nullptr || handle == m_focus)
    {
        return;
    }
    if (const CWindow* modal = GetTopModalWindow())
    {
        const Handle parent = window->GetParentHandle();
        if (parent != 0 && modal->IsDescendantOf(parent) && window != modal &&
            !window->IsDescendantOf(modal->GetHandle()) && !window->IsExemptFromModal())
        {
            return;
        }
    }

    for (CWindow* current = window; current != nullptr;)
    {
        CWindow* parent = current->GetParent();
        if (parent == nullptr)
        {
            break;
        }
        CHandleArray& siblings = parent->m_children;
        const std::ptrdiff_t index = siblings.Find(current->GetHandle());
        if (index >= 0)
        {
            for (std::size_t i = siblings.GetCount(); i > static_cast<std::size_t>(index) + 1; --i)
            {
                const CWindow* sibling = Resolve(siblings[i - 1]);
                if (sibling == nullptr || !sibling->IsAlwaysOnTop())
                {
                    siblings.Move(static_cast<std::size_t>(index), i - 1);
                    if (current->IsVisible())
                    {
                        current->Invalidate(false);
                    }
                    break;
                }
            }
        }
        current = parent;
    }

    if (takeFocus && window->CanTakeFocus() && handle != m_focus)
    {
        const Handle oldFocus = m_focus;
        const std::vector<Handle> newAncestors = ActivationAncestors(window);
        const std::vector<Handle> oldAncestors = ActivationAncestors(Resolve(oldFocus));
        m_focus = handle;
        SendMessage(CWindowMessage("WndAct"), handle);
        if (oldFocus != 0)
        {
            SendMessage(CWindowMessage("WndDeact"), oldFocus);
        }
        for (Handle ancestor : newAncestors)
        {
            if (!Contains(oldAncestors, ancestor))
            {
                SendMessage(CWindowMessage("WndActI"), ancestor);
            }
        }
        for (Handle ancestor : oldAncestors)
        {
            if (!Contains(newAncestors, ancestor))
            {
                SendMessage(CWindowMessage("WndDactI"), ancestor);
            }
        }
    }
    UpdateMouseOverAtLastPosition();
    InvalidateLayerOrder(Resolve(handle));
}

void CWindowManager::KillFocus()
{
    const Handle oldFocus = m_focus;
    CWindow* window = Resolve(oldFocus);
    if (window == nullptr)
    {
        m_focus = 0;
        return;
    }
    const std::vector<Handle> ancestors = ActivationAncestors(window);
    SendMessage(CWindowMessage("WndDeact"), oldFocus);
    for (Handle ancestor : ancestors)
    {
        SendMessage(CWindowMessage("WndDactI"), ancestor);
    }
    if (m_focus == oldFocus)
    {
        m_focus = 0;
    }
}

// Mouse over

void CWindowManager::UpdateMouseOver(Handle handle)
{
    if (handle == m_mouseOver)
    {
        return;
    }
    const CWindow* entered = Resolve(handle);
    const std::vector<Handle> hovered(m_hover.begin(), m_hover.end());
    for (Handle h : hovered)
    {
        if (Resolve(h) == nullptr)
        {
            m_hover.erase(h);
            continue;
        }
        entered = Resolve(handle);
        if (entered != nullptr && entered->IsDescendantOf(h))
        {
            continue;
        }
        m_hover.erase(h);
        SendMessage(CWindowMessage("MLeave"), h);
    }
    std::vector<Handle> chain;
    for (const CWindow* window = Resolve(handle); window != nullptr; window = window->GetParent())
    {
        chain.push_back(window->GetHandle());
    }
    for (Handle h : chain)
    {
        const CWindow* window = Resolve(h);
        if (window != nullptr && m_hover.count(h) == 0 && (window->GetFlags() & CWindow::FlagEnterLeave) != 0)
        {
            m_hover.insert(h);
            SendMessage(CWindowMessage("MEnter"), h);
        }
    }
    m_mouseOver = handle;
    if (const CWindow* window = Resolve(handle))
    {
        SetCursorType(window->GetCursorType());
    }
}

void CWindowManager::UpdateMouseOverAtLastPosition()
{
    const CWindow* window = WindowFromPoint(m_lastMousePosition);
    UpdateMouseOver(window != nullptr ? window->GetHandle() : 0);
}

// Per-frame passes

void CWindowManager::UpdateWindowAnimations()
{
    const double now = GetTime();
    if (!m_animationTimeValid)
    {
        m_previousAnimationTime = now;
        m_animationTimeValid = true;
    }
    const float elapsed = static_cast<float>(now - m_previousAnimationTime);
    for (std::uint32_t index = 0; index < m_windows.GetEntryCount(); ++index)
    {
        const Handle handle = m_windows.HandleAt(index);
        CWindow* window = Resolve(handle);
        if (window != nullptr && window->HasPostedMessages())
        {
            window->ProcessPostedMessages();
        }
        window = Resolve(handle);
        if (window != nullptr && window->GetAnimations() != nullptr)
        {
            window->GetAnimations()->Update(elapsed);
        }
    }
    m_previousAnimationTime = now;
}

void CWindowManager::SetTooltipCreator(TooltipCreator creator, TooltipTextSetter setText)
{
    m_tooltipCreator = std::move(creator);
    m_tooltipTextSetter = std::move(setText);
}

void CWindowManager::UpdateTooltip()
{
    if (!m_tooltipCreator || Resolve(m_tooltip) != nullptr || GetTime() < m_lastMouseInputTime + 1.0)
    {
        return;
    }
    CWindow* owner = WindowFromPoint(m_lastMousePosition);
    while (owner != nullptr && owner->GetTooltipText().GetLength() == 0)
    {
        owner = owner->GetParent();
    }
    if (owner == nullptr)
    {
        return;
    }
    const Handle ownerHandle = owner->GetHandle();
    const BaseLib::CString text = owner->GetTooltipText();
    const std::int32_t layer = owner->GetLayerIndex();
    CWindow* tooltip = m_tooltipCreator(ownerHandle);
    if (tooltip == nullptr)
    {
        return;
    }
    tooltip->SetPosition(m_lastMousePosition.x, m_lastMousePosition.y - tooltip->GetSize().cy);
    if (m_tooltipTextSetter)
    {
        m_tooltipTextSetter(tooltip, text);
    }
    m_tooltip = tooltip->GetHandle();
    if (!AddToLayer(tooltip, layer))
    {
        tooltip->Destroy(); // no layer to show it in: deleted at the end of this update
    }
}

// Cursors

namespace
{

struct CursorType
{
    const char* name;
    std::uint32_t systemCursor;
};

constexpr CursorType cursorTypes[] = {
    {"CT_Arrow", Platform::IDC_ARROW},       {"CT_SizeNS", Platform::IDC_SIZENS},
    {"CT_SizeWE", Platform::IDC_SIZEWE},     {"CT_SizeNWSE", Platform::IDC_SIZENWSE},
    {"CT_SizeNESW", Platform::IDC_SIZENESW}, {"CT_Wait", Platform::IDC_WAIT},
    {"CT_Cross", Platform::IDC_ARROW},       {"CT_No", Platform::IDC_NO},
    {"CT_IBeam", Platform::IDC_IBEAM},       {"CT_AppStarting", Platform::IDC_APPSTARTING},
    {"CT_Hand", Platform::IDC_HAND},         {"CT_Help", Platform::IDC_HELP},
    {"CT_UpArrow", Platform::IDC_UPARROW}};

} // namespace

void CWindowManager::SetCursorType(std::int32_t type)
{
    if (!m_systemCursors || type < 1 || type > static_cast<std::int32_t>(std::size(cursorTypes)))
    {
        return;
    }
    const CursorType& entry = cursorTypes[type - 1];
    Platform::SetCursor(Platform::LoadCursorA(nullptr, entry.systemCursor));
    m_cursorName = entry.name;
}

// Clipboard

bool CWindowManager::OpenClipboard()
{
    return Platform::OpenClipboard();
}

bool CWindowManager::SetClipboardText(const BaseLib::CString& text)
{
    Platform::EmptyClipboard();
    bool written = true;
    if (text.GetLength() != 0)
    {
        written = Platform::SetClipboardText(static_cast<const char*>(text));
    }
    Platform::CloseClipboard();
    return written;
}

BaseLib::CString CWindowManager::GetClipboardText()
{
    if (!Platform::OpenClipboard())
    {
        return BaseLib::CString();
    }
    const std::string text = Platform::GetClipboardText();
    Platform::CloseClipboard();
    return BaseLib::CString(text.c_str());
}

// Timers

namespace
{

// The heap order: a record that is not due later sorts ahead.
struct DueLater
{
    template <typename Record> bool operator()(const Record* a, const Record* b) const { return a->due > b->due; }
};

} // namespace

void CWindowManager::PushDue(TimerRecord* record)
{
    m_dueQueue.push_back(record);
    std::push_heap(m_dueQueue.begin(), m_dueQueue.end(), DueLater());
}

void CWindowManager::RemoveDue(TimerRecord* record)
{
    auto found = std::find(m_dueQueue.begin(), m_dueQueue.end(), record);
    if (found != m_dueQueue.end())
    {
        m_dueQueue.erase(found);
        std::make_heap(m_dueQueue.begin(), m_dueQueue.end(), DueLater());
    }
    m_deferredTimers.erase(std::remove(m_deferredTimers.begin(), m_deferredTimers.end(), record),
                           m_deferredTimers.end());
}

Handle CWindowManager::SetTimer(Handle owner, std::uint32_t milliseconds, bool repeat)
{
    const double interval = milliseconds / 1000.0;
    auto* record = new TimerRecord{owner, 0, GetTime() + interval, repeat ? interval : -1.0,
                                   m_inTimerPass ? m_timerPass : 0};
    record->timer = m_timers.Create(record);
    if (record->timer == 0)
    {
        delete record;
        return 0;
    }
    PushDue(record);
    return record->timer;
}

bool CWindowManager::SetTimerInterval(Handle timer, std::uint32_t milliseconds)
{
    auto* record = static_cast<TimerRecord*>(m_timers.Resolve(timer));
    if (record == nullptr)
    {
        return false;
    }
    RemoveDue(record);
    const double interval = milliseconds / 1000.0;
    record->due = GetTime() + interval;
    record->period = interval;
    record->armedInPass = m_inTimerPass ? m_timerPass : 0;
    PushDue(record);
    return true;
}

bool CWindowManager::KillTimer(Handle timer)
{
    auto* record = static_cast<TimerRecord*>(m_timers.Resolve(timer));
    if (record == nullptr)
    {
        return false;
    }
    RemoveDue(record);
    m_timers.Release(timer);
    delete record;
    return true;
}

void CWindowManager::ProcessTimers()
{
    const double now = GetTime();
    ++m_timerPass;
    if (m_timerPass == 0)
    {
        m_timerPass = 1;
    }
    const bool outerPass = !m_inTimerPass;
    m_inTimerPass = true;
    while (!m_dueQueue.empty() && !(m_dueQueue.front()->due > now))
    {
        std::pop_heap(m_dueQueue.begin(), m_dueQueue.end(), DueLater());
        TimerRecord* record = m_dueQueue.back();
        m_dueQueue.pop_back();
        if (record->armedInPass == m_timerPass)
        {
            // Set by a handler of this pass: with the clock standing still it would fire again at once.
            m_deferredTimers.push_back(record);
            continue;
        }
        const Handle owner = record->owner;
        const Handle timer = record->timer;
        if (record->period > 0.0)
        {
            record->due = now + record->period;
            record->armedInPass = 0;
            PushDue(record);
        }
        else
        {
            m_timers.Release(timer);
            delete record;
        }
        SendMessage(CWindowMessage("Timer", CWindowMessage::Input, timer), owner);
    }
    if (outerPass)
    {
        for (TimerRecord* record : m_deferredTimers)
        {
            record->armedInPass = 0;
            PushDue(record);
        }
        m_deferredTimers.clear();
        m_inTimerPass = false;
    }
}

void CWindowManager::KillTimersOf(Handle owner)
{
    std::vector<Handle> owned;
    for (std::uint32_t index = 0; index < m_timers.GetEntryCount(); ++index)
    {
        const Handle timer = m_timers.HandleAt(index);
        const auto* record = static_cast<const TimerRecord*>(m_timers.Resolve(timer));
        if (record != nullptr && record->owner == owner)
        {
            owned.push_back(timer);
        }
    }
    for (Handle timer : owned)
    {
        KillTimer(timer);
    }
}

void CWindowManager::ClearTimers()
{
    for (std::uint32_t index = 0; index < m_timers.GetEntryCount(); ++index)
    {
        delete static_cast<TimerRecord*>(m_timers.Resolve(m_timers.HandleAt(index)));
    }
    m_timers.Clear();
    std::vector<TimerRecord*>().swap(m_dueQueue);
    m_deferredTimers.clear();
}

// The paint pass and the layer composition

using BaseLib::CPoint;
using BaseLib::CRect;

void CWindowManager::PaintLayers()
{
    std::vector<Handle> windows;
    for (CWindow* window : m_ownCanvasWindows)
    {
        windows.push_back(window->GetHandle());
    }
    for (Handle handle : windows)
    {
        CWindow* window = Resolve(handle);
        CCanvas* canvas = window != nullptr ? window->GetCanvas(false) : nullptr;
        if (canvas == nullptr)
        {
            continue;
        }
        BaseLib::CRectList rects;
        rects.Append(canvas->GetDirtyRects());
        rects.MergeAdjacent();
        if (rects.GetCount() == 0)
        {
            continue;
        }
        canvas->BeginDraw();
        CDrawContext context(canvas);
        context.SetOrigin(0, 0);
        PaintWindowRects(window, context, rects);
        canvas->EndDraw(true);
    }
}

void CWindowManager::PaintWindowRects(CWindow* window, CDrawContext& context, BaseLib::CRectList& stack)
{
    const Handle self = window->GetHandle();
    std::vector<Handle> children;
    for (std::size_t i = 0; i < window->m_children.GetCount(); ++i)
    {
        children.push_back(window->m_children[i]);
    }
    std::vector<BaseLib::CRectList> lists(children.size());
    BaseLib::CRectList own;
    BaseLib::CRect rect;
    while (stack.PopBack(rect))
    {
        bool covered = false;
        for (std::size_t i = children.size(); i > 0 && !covered; --i)
        {
            const CWindow* child = Resolve(children[i - 1]);
            if (child == nullptr || !child->IsVisible() || child->HasOwnCanvas())
            {
                continue;
            }
            const CPoint at = child->GetPositionInCanvas();
            const CRect area = child->GetClientRect();
            const CRect childRect(area.left + at.x, area.top + at.y, area.right + at.x, area.bottom + at.y);
            const CRect shared = rect.Intersection(childRect);
            if (shared.IsEmpty())
            {
                continue;
            }
            lists[i - 1].AddRect(shared);
            if (!child->IsTransparent())
            {
                // What the opaque child leaves of rect goes back on the stack for the children below.
                stack.PushBack(CRect(rect.left, rect.top, rect.right, shared.top));
                stack.PushBack(CRect(rect.left, shared.bottom, rect.right, rect.bottom));
                stack.PushBack(CRect(rect.left, shared.top, shared.left, shared.bottom));
                stack.PushBack(CRect(shared.right, shared.top, rect.right, shared.bottom));
                covered = true;
            }
        }
        if (!covered && !rect.IsEmpty())
        {
            own.AddRect(rect);
        }
    }

    const CPoint origin = window->GetPositionInCanvas();
    for (std::uint32_t i = 0; i < own.GetCount(); ++i)
    {
        CDrawContext clipped(context.GetCanvas());
        clipped.SetOrigin(origin.x, origin.y);
        clipped.SetClipRect(own[i].left, own[i].top, own[i].right, own[i].bottom);
        window->Paint(clipped);
        if (Resolve(self) != window)
        {
            return; // deleted by its own paint
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i)
    {
        CWindow* child = Resolve(children[i]);
        if (child == nullptr || lists[i].GetCount() == 0)
        {
            continue;
        }
        CDrawContext moved(context.GetCanvas());
        const CPoint at = child->GetPositionInCanvas();
        moved.SetOrigin(at.x, at.y);
        PaintWindowRects(child, moved, lists[i]);
    }
}

std::vector<CWindow*> CWindowManager::GetLayerPaintingOrder(std::int32_t index)
{
    std::vector<CWindow*> result;
    if (index < 0 || index >= GetLayerCount() || m_layers[static_cast<std::size_t>(index)].root == nullptr)
    {
        return result;
    }
    Layer& layer = m_layers[static_cast<std::size_t>(index)];
    if (!layer.orderValid)
    {
        layer.ownCanvasWindows.clear();
        // Depth first from the root, children bottom first.
        std::vector<CWindow*> pending{layer.root};
        while (!pending.empty())
        {
            CWindow* window = pending.back();
            pending.pop_back();
            if (window->HasOwnCanvas())
            {
                layer.ownCanvasWindows.push_back(window->GetHandle());
            }
            for (std::size_t i = window->m_children.GetCount(); i > 0; --i)
            {
                if (CWindow* child = Resolve(window->m_children[i - 1]))
                {
                    pending.push_back(child);
                }
            }
        }
        layer.orderValid = true;
    }
    for (Handle handle : layer.ownCanvasWindows)
    {
        if (CWindow* window = Resolve(handle))
        {
            result.push_back(window);
        }
    }
    return result;
}

void CWindowManager::CompositeLayers(std::int32_t index)
{
    if (index < 0)
    {
        for (std::int32_t i = 0; i < GetLayerCount(); ++i)
        {
            CompositeLayers(i);
        }
        return;
    }
    for (CWindow* window : GetLayerPaintingOrder(index))
    {
        CCanvas* canvas = window->GetCanvas(false);
        if (canvas == nullptr || !canvas->GetShow() || !window->IsVisible())
        {
            continue;
        }
        const CWindow* parent = window->GetParent();
        if (parent == nullptr)
        {
            canvas->Render(nullptr);
            continue;
        }
        // The canvas covers the window from its own origin, so the window's visible part is given in
        // the window's own coordinates. (Moving it by the parent's place in the parent's canvas would
        // cut a window inside an offset parent without a canvas of its own.)
        CRect rect = window->GetVisibleClientRect();
        canvas->Render(&rect);
    }
}

} // namespace UILib
