#include "ui/WindowManager.h"

#include "foundation/Debug.h"
#include "foundation/TypeTag.h"
#include "ui/Window.h"

#include <algorithm>

namespace UILib
{

CWindowManager* CWindowManager::s_instance = nullptr;

CWindowManager::CWindowManager() : m_defaultVisualizationId(BaseLib::MakeTypeTag("STND"))
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

    m_modalStack.Clear();
    m_captureStack.Clear();
    std::vector<Layer>().swap(m_layers);
    std::vector<CWindow*>().swap(m_ownCanvasWindows);
    m_pendingDeletions.Clear();
    m_focus = 0;
    m_mouseOver = 0;
    m_windows.Clear();
}

// Routing and focus arrive with the window messages.
void CWindowManager::SendMessage(const CWindowMessage&, Handle) {}
void CWindowManager::ActivateWindow(Handle, bool) {}
void CWindowManager::KillFocus() {}
void CWindowManager::UpdateMouseOverAtLastPosition() {}
void CWindowManager::UpdateWindowAnimations() {}
void CWindowManager::UpdateTooltip() {}

// Timers arrive with their own table.
void CWindowManager::ProcessTimers() {}
void CWindowManager::KillTimersOf(Handle) {}

} // namespace UILib
