#pragma once

#include "foundation/Point.h"
#include "game/map/MapRenderer2D.h"
#include "ui/HandleTable.h"

#include <cstddef>
#include <utility>
#include <vector>

class CMapWalkabilityDisplay;

// What the map editor's renderer needs of its screen beyond the map renderer's pointer calls: the cell a
// right click fell on, and the selected cell to mark.
class CMapEditorRendererOwner
{
public:
    virtual ~CMapEditorRendererOwner() = default;
    // The right button went down over cell (x, y).
    virtual void OnCellRightClicked(int x, int y) = 0;
    // The cell the selection marker stands on.
    virtual BaseLib::CPoint GetSelectedCell() const = 0;
};

// The map as the map editor shows it: the map picture without the tile and fog layers and without the
// figure, and over every cell a walkability display (passages, exit, pylon, treasure) and a label with
// the number of the level the cell starts, plus a marker on the selected cell. A right click on the map
// is handed to the owner as a cell.
//
// The overlays are made once per start (LoadResources); Draw only updates them, and a display repaints
// only when its cell changed. The map may be read anew between a Release and the next start.
class CMapEditorRenderer2D : public CMapRenderer2D
{
public:
    // Two windows per cell: overlays are made for at most this many cells, so that they never take more
    // than half of the window table; fewer when the table has less room left (traced).
    static constexpr std::size_t MaxOverlayCells = UILib::CHandleTable::MaxEntries / 4;

    // The owners (usually one screen: the left button and the double click go to the first, the right
    // button and the selection come from the second) and the map are not owned and must outlive the
    // renderer.
    CMapEditorRenderer2D(CMapRendererOwner* owner, CMapEditorRendererOwner* editorOwner, CMap* map);
    ~CMapEditorRenderer2D() override;

    // The start: the base's window tree, then the right button hooked, the overlays and the marker.
    void LoadResources(UILib::CScrollWindow* scrollWindow) override { Init(scrollWindow); }
    void Init(UILib::CScrollWindow* scrollWindow);
    // The base's release, then every overlay and the marker destroyed. A second call does nothing.
    void Release() override;
    // The base's refresh with tiles, fog and figure hidden, then every overlay from its cell and the
    // marker on the selected cell.
    void Draw() override;
    // Refreshes when the map's change number moved. The figure is not shown here, so the view is not
    // kept on it: the developer scrolls the map freely.
    void Update(double dt) override;
    // point in map pixels: the owner gets the cell (each coordinate / 64, toward zero).
    virtual void OnRightButtonDown(BaseLib::CPoint& point);

    // Row by row (y outer, x inner), one pair per cell that has overlays.
    struct Overlay
    {
        CMapWalkabilityDisplay* display = nullptr;
        UILib::CLabel* label = nullptr;
    };
    const std::vector<Overlay>& GetOverlays() const { return m_Overlays; }
    // Null outside a start.
    UILib::CLabel* GetSelectionMarker() const { return m_SelectionMarker; }

private:
    void OnMapRightButtonDown(UILib::CWindow* window, BaseLib::CPoint& point);

    CMapEditorRendererOwner* m_EditorOwner;
    std::vector<Overlay> m_Overlays;
    UILib::CLabel* m_SelectionMarker = nullptr;
    // The windows' handles: Release destroys only those that still resolve (the base's release takes
    // the map window and everything in it first).
    std::vector<UILib::Handle> m_OverlayHandles;
    // The map's size when the overlays were made.
    BaseLib::CSize m_OverlayGrid;
};
