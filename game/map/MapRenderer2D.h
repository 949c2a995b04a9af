#pragma once

#include "foundation/Point.h"
#include "foundation/String.h"

#include <cstdint>
#include <vector>

class CMap;

namespace UILib
{
class CLabel;
class CScrollWindow;
class CSimpleAnimatedLabel;
class CWindow;
} // namespace UILib

// Receives the pointer on the map from the renderer: the map screen walks the figure or acts on a cell,
// the map editor selects one.
class CMapRendererOwner
{
public:
    virtual ~CMapRendererOwner() = default;
    // The left button went down over cell (x, y).
    virtual void OnPointerCell(int x, int y) = 0;
    // A left double click over cell (x, y) at (px, py) in cell units.
    virtual void OnPointerPosition(int x, int y, float px, float py) = 0;
};

// Shows a map as a tree of windows inside a scroll window: the map picture, per cell a tile and its fog,
// barriers on passages not yet open, animated lock, key and gold markers, the figure and the cut-scene
// highlight. Every cell is 64 x 64 pixels; cell (x, y) covers the pixels from (64x, 64y).
//
// Fog: the fade labels (children of the map window) show the map's current fog. Each refresh after the
// first copies the fog shown until then into the fog labels of layer 1, which has its own canvas and
// fades out: the fog that lifted fades away, and when the fade ends exactly the current fog is shown.
//
// Owner and map are not owned and must outlive the renderer; the windows it makes are destroyed by
// Release (or with the scroll window). The map editor's renderer derives from this class.
class CMapRenderer2D
{
public:
    static constexpr int CellPixels = 64;

    CMapRenderer2D(CMapRendererOwner* owner, CMap* map);

    // Builds the window tree in the scroll window: the map window (its picture, sized to the map, the
    // scroll window's client area), layers 0 (tiles) and 1 (fog, own canvas), the figure, the highlight
    // and three labels per cell. A map without cells gets the map window alone.
    virtual void LoadResources(UILib::CScrollWindow* scrollWindow);
    // Destroys every window the renderer made.
    virtual void Release();
    // Refreshes tiles, fog, barriers and markers from the map. A map whose size changed since
    // LoadResources (read anew) shows nothing new until LoadResources runs again.
    virtual void Draw();
    // Per frame: refreshes when the map's change number moved, places the figure and the highlight and
    // scrolls the figure into the middle of the view.
    virtual void Update(double dt);
    // The map window's left button down at point (map pixels): the owner gets the cell.
    virtual void OnPointerCell(BaseLib::CPoint& point);
    // The map window's left double click at point (map pixels): the owner gets the cell and the position
    // in cell units.
    virtual void OnPointerPosition(BaseLib::CPoint& point);
    virtual ~CMapRenderer2D();

    CMapRenderer2D(const CMapRenderer2D&) = delete;
    CMapRenderer2D& operator=(const CMapRenderer2D&) = delete;

    // The fog image of a fog mask (bit 3 north-west, 2 north-east, 1 south-west, 0 south-east):
    // "map/fog/fog" and the mask's four binary digits, most significant first, ".png".
    static BaseLib::CString FogImage(int mask);

    // The windows of one cell.
    struct CellWindows
    {
        UILib::CLabel* tile = nullptr; // in layer 0
        UILib::CLabel* fog = nullptr;  // in layer 1: the fog fading out
        UILib::CLabel* fade = nullptr; // in the map window: the current fog
    };

    // Read access for the owner and the tests; null before LoadResources.
    UILib::CLabel* GetMapWindow() const { return m_MapWindow; }
    UILib::CWindow* GetLayer(int index) const { return m_Layers[index]; }
    UILib::CSimpleAnimatedLabel* GetFigure() const { return m_Figure; }
    UILib::CSimpleAnimatedLabel* GetHighlight() const { return m_Highlight; }
    // Row by row, one item per cell of the map.
    const std::vector<CellWindows>& GetCellWindows() const { return m_CellWindows; }
    // The barriers and markers of the last refresh.
    const std::vector<UILib::CWindow*>& GetMarkers() const { return m_Markers; }

protected:
    // An animated label playing the strip: 100 ms per frame, a loop delay of 3000 ms, fitted to one
    // frame, no background, at (x, y) in parent, always on top, started. It joins the markers.
    UILib::CSimpleAnimatedLabel* CreateAnimatedMarker(const char* file, int frames, int x, int y,
                                                      UILib::CWindow* parent);

    CMapRendererOwner* m_Owner;
    CMap* m_Map;
    std::int32_t m_ChangeNumberSeen = -1;
    UILib::CScrollWindow* m_ScrollWindow = nullptr;
    UILib::CLabel* m_MapWindow = nullptr;
    // The map window's handle: Release deletes the window only while the handle still resolves to it.
    std::uint32_t m_MapWindowHandle = 0;
    UILib::CWindow* m_Layers[2] = {};
    UILib::CSimpleAnimatedLabel* m_Figure = nullptr;
    UILib::CSimpleAnimatedLabel* m_Highlight = nullptr;
    std::uint8_t m_Built = 0;
    std::vector<CellWindows> m_CellWindows;
    std::vector<UILib::CWindow*> m_Markers;

private:
    // The map window's pointer callbacks.
    void OnMapButtonDown(UILib::CWindow* window, BaseLib::CPoint& point);
    void OnMapDoubleClick(UILib::CWindow* window, BaseLib::CPoint& point);
    void DrawBarriers(int x, int y);
    void DrawLockKeyAndGoldMarkers(int x, int y, UILib::CLabel* tile);
    void DrawFog(int x, int y, const CellWindows& windows);
    void DrawTile(int x, int y, UILib::CLabel* tile);
};
