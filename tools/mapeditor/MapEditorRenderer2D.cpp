#include "tools/mapeditor/MapEditorRenderer2D.h"

#include "foundation/Color.h"
#include "foundation/Debug.h"
#include "foundation/String.h"
#include "game/map/Map.h"
#include "tools/mapeditor/MapWalkabilityDisplay.h"
#include "ui/Callback.h"
#include "ui/HandleTable.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/ScrollWindow.h"
#include "ui/controls/SimpleAnimatedLabel.h"

#include <algorithm>

namespace
{

constexpr int Cell = CMapRenderer2D::CellPixels;
constexpr const char* kSelectionImage = "map_editor_selection.png";
// "Right" and "Bottom" of the label's alignments.
constexpr int kAlignFar = 2;

} // namespace

CMapEditorRenderer2D::CMapEditorRenderer2D(CMapRendererOwner* owner, CMapEditorRendererOwner* editorOwner,
                                           CMap* map)
    : CMapRenderer2D(owner, map), m_EditorOwner(editorOwner)
{
}

CMapEditorRenderer2D::~CMapEditorRenderer2D()
{
    CMapEditorRenderer2D::Release();
}

void CMapEditorRenderer2D::Init(UILib::CScrollWindow* scrollWindow)
{
    CMapRenderer2D::LoadResources(scrollWindow);
    BaseLib::DebugOutput("map renderer init; map says it's %s (%d)\n", m_Map->GetSetting().c_str(),
                         m_Map->GetMapIndex());
    if (m_ScrollWindow != nullptr)
    {
        m_ScrollWindow->SetClientAreaSize(m_MapWindow->GetSize());
    }
    m_MapWindow->SetOnRButtonDown(UILib::CMouseCallback::Bind(this, &CMapEditorRenderer2D::OnMapRightButtonDown));

    const BaseLib::CSize size = m_Map->GetSize();
    const std::size_t cells = size.cx > 0 && size.cy > 0 ? static_cast<std::size_t>(size.cx) * size.cy : 0;
    // Two windows per cell, and the marker: never more than half of the window table, nor more than the
    // table has left once the map window's own tree is made.
    const UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    std::size_t fitting = MaxOverlayCells;
    if (manager != nullptr)
    {
        const UILib::CHandleTable& table = manager->GetWindowTable();
        const std::size_t live = table.GetEntryCount() - table.GetFreeCount();
        const std::size_t left = UILib::CHandleTable::MaxEntries > live + 1 ? UILib::CHandleTable::MaxEntries - live - 1 : 0;
        fitting = std::min(fitting, left / 2);
    }
    const std::size_t overlays = std::min(cells, fitting);
    if (overlays < cells)
    {
        BaseLib::DebugOutput("Map editor: the map has %zu cells; only the first %zu get overlays\n", cells, overlays);
    }
    m_OverlayGrid = size;
    m_Overlays.reserve(overlays);
    m_OverlayHandles.reserve(2 * overlays + 1);
    for (int y = 0; y < size.cy && m_Overlays.size() < overlays; ++y)
    {
        for (int x = 0; x < size.cx && m_Overlays.size() < overlays; ++x)
        {
            Overlay overlay;
            overlay.display = CMapWalkabilityDisplay::Create();
            overlay.display->SetSize(Cell, Cell);
            overlay.display->SetPosition(x * Cell, y * Cell);
            overlay.display->SetAlwaysOnTop(true);
            m_MapWindow->AddChild(overlay.display->GetHandle());

            overlay.label = new UILib::CLabel();
            overlay.label->SetAutoEnlarge(false);
            overlay.label->SetSize(Cell, Cell);
            overlay.label->SetPosition(x * Cell, y * Cell);
            overlay.label->SetAlwaysOnTop(true);
            overlay.label->SetFontColor(BaseLib::CColor(255, 255, 255, 255));
            overlay.label->SetAlignment(kAlignFar, kAlignFar);
            overlay.label->SetBackground(false);
            m_MapWindow->AddChild(overlay.label->GetHandle());

            m_OverlayHandles.push_back(overlay.display->GetHandle());
            m_OverlayHandles.push_back(overlay.label->GetHandle());
            m_Overlays.push_back(overlay);
        }
    }

    const BaseLib::CPoint selected = m_EditorOwner != nullptr ? m_EditorOwner->GetSelectedCell() : BaseLib::CPoint();
    m_SelectionMarker = new UILib::CLabel();
    m_SelectionMarker->SetAutoEnlarge(false);
    m_SelectionMarker->SetSize(Cell, Cell);
    m_SelectionMarker->SetPosition(selected.x * Cell, selected.y * Cell);
    m_SelectionMarker->SetAlwaysOnTop(true);
    m_SelectionMarker->SetBackground(false);
    m_SelectionMarker->SetBitmapFile(kSelectionImage);
    m_MapWindow->AddChild(m_SelectionMarker->GetHandle());
    m_OverlayHandles.push_back(m_SelectionMarker->GetHandle());
}

void CMapEditorRenderer2D::Release()
{
    CMapRenderer2D::Release();
    UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    for (const UILib::Handle handle : m_OverlayHandles)
    {
        if (UILib::CWindow* window = manager != nullptr ? manager->Resolve(handle) : nullptr)
        {
            window->Destroy();
        }
    }
    m_OverlayHandles.clear();
    m_Overlays.clear();
    m_OverlayGrid = BaseLib::CSize();
    m_SelectionMarker = nullptr;
}

void CMapEditorRenderer2D::Draw()
{
    const auto hideFog = [this] {
        for (UILib::CWindow* layer : m_Layers)
        {
            if (layer != nullptr)
            {
                layer->SetVisible(false);
            }
        }
        // The fade labels carry the current fog.
        for (const CellWindows& windows : m_CellWindows)
        {
            windows.fade->SetVisible(false);
        }
    };
    hideFog();
    CMapRenderer2D::Draw();
    // The base's refresh shows the fog labels again.
    hideFog();

    const BaseLib::CSize size = m_Map->GetSize();
    // A map read anew with another size keeps its old overlays until the next start.
    if (size == m_OverlayGrid)
    {
        std::size_t index = 0;
        for (int y = 0; y < size.cy && index < m_Overlays.size(); ++y)
        {
            for (int x = 0; x < size.cx && index < m_Overlays.size(); ++x, ++index)
            {
                const Overlay& overlay = m_Overlays[index];
                const MapCell& cell = m_Map->GetCell(x, y);
                overlay.display->SetCell(m_Map->GetNeighbour(x, y, CMap::North) != CMap::NoPassage,
                                         m_Map->GetNeighbour(x, y, CMap::South) != CMap::NoPassage,
                                         m_Map->GetNeighbour(x, y, CMap::East) != CMap::NoPassage,
                                         m_Map->GetNeighbour(x, y, CMap::West) != CMap::NoPassage, cell.IsExit(),
                                         (cell.flags & MapCell::Pylon) != 0, cell.GetTreasure());
                overlay.label->SetVisible(cell.puzzle >= 0);
                if (cell.puzzle >= 0)
                {
                    overlay.label->SetText(BaseLib::CString::FromFormat("%d", cell.puzzle + 1));
                }
            }
        }
    }
    if (m_SelectionMarker != nullptr && m_EditorOwner != nullptr)
    {
        const BaseLib::CPoint selected = m_EditorOwner->GetSelectedCell();
        m_SelectionMarker->SetPosition(selected.x * Cell, selected.y * Cell);
    }
    if (m_Figure != nullptr)
    {
        m_Figure->SetVisible(false);
    }
}

void CMapEditorRenderer2D::Update(double /*dt*/)
{
    if (m_MapWindow != nullptr && m_Map->GetChangeNumber() != m_ChangeNumberSeen)
    {
        Draw();
        m_ChangeNumberSeen = m_Map->GetChangeNumber();
    }
}

void CMapEditorRenderer2D::OnRightButtonDown(BaseLib::CPoint& point)
{
    if (m_EditorOwner != nullptr)
    {
        m_EditorOwner->OnCellRightClicked(point.x / Cell, point.y / Cell);
    }
}

void CMapEditorRenderer2D::OnMapRightButtonDown(UILib::CWindow* /*window*/, BaseLib::CPoint& point)
{
    OnRightButtonDown(point);
}
